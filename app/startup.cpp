#include "startup.h"

#include "forms/engine/errors.h"
#include "forms/engine/picture.h"
#include "forms/engine/screen.h"
#include "setup/frmAcrobat.h"

#include <QApplication>
#include <QIcon>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

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

void openStandardStreams()
{
    // The lowest free number is taken first: each /dev/null fills the hole.
    for (int fd = 0; fd <= 2; ++fd) {
        if (::fcntl(fd, F_GETFD) == -1 && errno == EBADF)
            ::open("/dev/null", O_RDWR);
    }
}

void enterProgramFolder()
{
    const std::string folder = engine::App.PathBytes();
    if (!folder.empty())
        (void)::chdir(folder.c_str());
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
