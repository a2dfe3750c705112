#include "startup.h"

#include "forms/engine/errors.h"
#include "forms/engine/picture.h"
#include "setup/frmAcrobat.h"

#include <QApplication>
#include <QIcon>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace startup {

namespace {

QString &lastWarning()
{
    static QString text;
    return text;
}

// Set once the window system is up and the launcher runs.
bool windowSystemUp = false;

// Ends the program from inside the window system: our one line, no message
// box (there is no display to show one on), exit status 1.
[[noreturn]] void endWith(int number, const QString &description)
{
    const QByteArray line =
        "Trenchmoor Setup: " + engine::RuntimeError(number, description.simplified()).message().toLocal8Bit() + '\n';
    std::fputs(line.constData(), stderr);
    std::fflush(stderr);
    ::_exit(1);
}

void handleMessage(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type == QtFatalMsg) {
        const QString detail = lastWarning().isEmpty() ? message : lastWarning();
        if (!windowSystemUp)
            endWith(engine::err::NoDisplay, QStringLiteral("Cannot open the display (%1)").arg(detail.simplified()));
        endWith(engine::err::Internal, detail);
    }
    // The display went away under a waiting dialog: end at once, with our own line.
    if (windowSystemUp && message.contains(QLatin1String("connection broke")))
        endWith(engine::err::NoDisplay, QStringLiteral("The display was lost (%1)").arg(message.simplified()));
    // Until the window system is up, warnings only explain a fatal message that may follow.
    if (!windowSystemUp) {
        if ((type == QtWarningMsg || type == QtCriticalMsg) && lastWarning().isEmpty())
            lastWarning() = message;
        return;
    }
    // Qt's own notes are for developers: a player's terminal stays quiet.
    static const bool verbose = qEnvironmentVariableIsSet("TRENCHMOOR_QT_MESSAGES");
    if (verbose) {
        const QByteArray text = qFormatLogMessage(type, context, message).toLocal8Bit() + '\n';
        std::fputs(text.constData(), stderr);
    }
}

} // namespace

QtArguments prepareQt(const char *programName)
{
    static std::vector<std::string> words;
    static std::vector<char *> pointers;
    words.assign({programName && *programName ? programName : "trenchmoor-setup"});

    const char *display = std::getenv("DISPLAY");
    const char *chosen = std::getenv("QT_QPA_PLATFORM");
    if (display && *display && !(chosen && *chosen))
        words.insert(words.end(), {"-platform", "xcb"});

    // The disc's own Qt: linux/plugins beside the executable.
    std::error_code error;
    const std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error) {
        const std::filesystem::path plugins = executable.parent_path() / "linux" / "plugins";
        if (std::filesystem::is_directory(plugins / "platforms", error)) {
            // Replaces the whole search list (system folder, QT_PLUGIN_PATH) before
            // QApplication reads it; the option overrides QT_QPA_PLATFORM_PLUGIN_PATH.
            QCoreApplication::setLibraryPaths({QString::fromStdString(plugins.string())});
            words.insert(words.end(), {"-platformpluginpath", (plugins / "platforms").string()});
        }
    }

    pointers.clear();
    for (std::string &word : words)
        pointers.push_back(word.data());
    pointers.push_back(nullptr);
    return {static_cast<int>(words.size()), pointers.data()};
}

void installMessageHandler()
{
    qInstallMessageHandler(handleMessage);
}

int runLauncher()
{
    windowSystemUp = true;
    QApplication::setApplicationName(QStringLiteral("Trenchmoor Setup"));
    QApplication::setDesktopFileName(QStringLiteral("trenchmoor-setup"));
    int status = 0;
    engine::guarded([&] {
        QApplication::setWindowIcon(QIcon(QPixmap::fromImage(engine::decodePicture(
            QStringLiteral(":/pictures/setup.ico"), QStringLiteral("Setup icon")))));
        status = engine::run(frmAcrobat.get());
    });
    engine::resetForTesting();
    return status;
}

} // namespace startup
