// Starting a program from the disc on Linux and other POSIX systems.
//
// The command line is a Windows-style path on the disc: backslashes become
// slashes, and a name that does not exist as written is looked up without regard
// to case (ISO 9660 discs show upper- or lower-case names). A disc mounted
// without execute bits still runs a script through its interpreter. There is
// no way to ask another program's window to open maximised, so the show state
// is not used.
#include "mdlMain.h"

#include "forms/engine/screen.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace mdlMain {

namespace {

constexpr Long ERROR_FILE_NOT_FOUND = 2;
constexpr Long ERROR_PATH_NOT_FOUND = 3;
constexpr Long ERROR_ACCESS_DENIED = 5;
constexpr Long ERROR_BAD_FORMAT = 11;
constexpr Long STARTED = 33;

// The path as it stands on this file system, or an empty string.
QString findOnDisc(const QString &path)
{
    if (QFileInfo::exists(path))
        return path;
    const QStringList parts = path.split(QLatin1Char('/'));
    QString found = path.startsWith(QLatin1Char('/')) ? QStringLiteral("/") : QString();
    for (const QString &part : parts) {
        if (part.isEmpty())
            continue;
        QString next = found + (found.isEmpty() || found.endsWith(QLatin1Char('/')) ? QString() : QStringLiteral("/")) + part;
        if (!QFileInfo::exists(next)) {
            const QDir dir(found.isEmpty() ? QStringLiteral(".") : found);
            const QStringList entries =
                dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
            auto match = std::find_if(entries.begin(), entries.end(), [&](const QString &entry) {
                return entry.compare(part, Qt::CaseInsensitive) == 0;
            });
            if (match == entries.end())
                return {};
            next = dir.filePath(*match);
        }
        found = next;
    }
    return found;
}

// Starts a program in a session of its own without copying this process first
// (posix_spawn uses vfork on Linux): the player gets the next dialog at once.
// Returns 0, or the errno of the failed start. The program is reaped when it
// ends, by a notifier on its pidfd (no timer); else when the launcher ends.
int spawnDetached(const QString &executable, const QStringList &arguments, const QString &directory)
{
    QByteArrayList words{QFile::encodeName(executable)};
    for (const QString &argument : arguments)
        words << QFile::encodeName(argument);
    std::vector<char *> argv;
    for (QByteArray &word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    const QByteArray dir = QFile::encodeName(directory);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addchdir_np(&actions, dir.constData());
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none, all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &all);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    pid_t pid = 0;
    const int error = posix_spawn(&pid, argv[0], &actions, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0)
        return error;

    const int pidfd = QCoreApplication::instance() ? int(::syscall(SYS_pidfd_open, pid, 0)) : -1;
    if (pidfd >= 0) {
        auto *ended = new QSocketNotifier(pidfd, QSocketNotifier::Read, QCoreApplication::instance());
        QObject::connect(ended, &QSocketNotifier::activated, ended, [ended, pid, pidfd] {
            ::waitpid(pid, nullptr, WNOHANG);
            ::close(pidfd);
            ended->deleteLater();
        });
    }
    return 0;
}

} // namespace

Long platformWinExec(const QString &commandLine, Long, QString &reason)
{
    QString path = commandLine;
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    const QString program = findOnDisc(path);
    if (program.isEmpty()) {
        const bool folderThere = !findOnDisc(QFileInfo(path).path()).isEmpty();
        reason = folderThere ? QStringLiteral("the file is not on the disc") : QStringLiteral("its folder is not on the disc");
        return folderThere ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
    }
    const QFileInfo info(program);
    if (info.isDir()) {
        reason = QStringLiteral("it is a folder, not a program");
        return ERROR_BAD_FORMAT;
    }
    QFile file(program);
    if (!file.open(QIODevice::ReadOnly)) {
        reason = QStringLiteral("it cannot be read");
        return ERROR_ACCESS_DENIED;
    }
    const QByteArray head = file.read(256);
    file.close();
    if (head.isEmpty()) {
        reason = QStringLiteral("the file is empty");
        return ERROR_BAD_FORMAT;
    }

    QString executable = info.absoluteFilePath();
    QStringList arguments;
    if (head.startsWith("#!")) {
        if (!info.isExecutable()) {
            // A script on a disc mounted without execute bits: run its interpreter.
            QString line = QString::fromLocal8Bit(head.mid(2).split('\n').first()).trimmed();
            QStringList words = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
            if (words.isEmpty()) {
                reason = QStringLiteral("it names no interpreter");
                return ERROR_BAD_FORMAT;
            }
            executable = words.takeFirst();
            if (!words.isEmpty())
                arguments << words.join(QLatin1Char(' '));
            arguments << info.absoluteFilePath();
        }
    } else if (!head.startsWith("\x7f" "ELF")) {
        reason = QStringLiteral("it is not a program this computer can run");
        return ERROR_BAD_FORMAT;
    } else if (!info.isExecutable()) {
        reason = QStringLiteral("permission to run it was refused");
        return ERROR_ACCESS_DENIED;
    }

    const int error = spawnDetached(executable, arguments, engine::App.Path());
    if (error != 0) {
        if (error == ENOEXEC) {
            reason = QStringLiteral("it is not a program this computer can run");
            return ERROR_BAD_FORMAT;
        }
        reason = error == EACCES ? QStringLiteral("permission to run it was refused")
                                 : QStringLiteral("it could not be started (%1)").arg(qt_error_string(error));
        return ERROR_ACCESS_DENIED;
    }
    return STARTED;
}

} // namespace mdlMain
