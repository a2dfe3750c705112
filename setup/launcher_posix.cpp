// Starting a program from the disc on Linux and other POSIX systems.
//
// The command line is the disc folder followed by a Windows-style path: the
// folder is taken as it is (a backslash is a legal character in its name),
// the backslashes after it become slashes, and a name that does not exist as
// written is looked up without regard to case (ISO 9660 discs show upper- or
// lower-case names). Paths stay bytes from end to end: a disc mounted under a
// name that is no UTF-8 still works. A disc mounted without execute bits still
// runs a script, through the interpreter its first line names, read as the
// kernel reads it; a Windows program runs through Wine when it is installed.
// There is no way to ask another program's window to open maximised, so the
// show state is not used.
//
// The watch on a started program goes through the window system's port.
#include "launcher.h"

#include "forms/core/port.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
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

// The kernel reads this much of a file to find its "#!" line (BINPRM_BUF_SIZE).
constexpr std::size_t scriptLineLimit = 256;

// ---------------------------------------------------------------------------
// Finding the file

enum class Lookup { Found, FileMissing, FolderMissing, TooLong };

bool sameIgnoringCase(const std::string &a, const char *b)
{
    const std::size_t length = std::strlen(b);
    if (a.size() != length)
        return false;
    for (std::size_t i = 0; i < length; ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
        if (x >= 'A' && x <= 'Z')
            x = static_cast<unsigned char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z')
            y = static_cast<unsigned char>(y - 'A' + 'a');
        if (x != y)
            return false;
    }
    return true;
}

// Walks the names after `fixed` (which is taken as it is): each name as
// written if the folder has it, else the one entry that differs only in case.
// A folder that has a name as written is the one used, even where another
// spelling of it would hold the file.
Lookup findOnDisc(const std::string &path, std::size_t fixed, std::string &found)
{
    found = path.substr(0, fixed);
    std::size_t at = fixed;
    while (at < path.size()) {
        if (path[at] == '/') {
            found += '/';
            ++at;
            continue;
        }
        const std::size_t end = std::min(path.find('/', at), path.size());
        const std::string name = path.substr(at, end - at);
        const bool last = path.find_first_not_of('/', end) == std::string::npos;
        at = end;
        const std::string written = found + name;
        struct stat entry;
        if (::lstat(written.c_str(), &entry) == 0) {
            found = written;
            continue;
        }
        if (errno == ENAMETOOLONG)
            return Lookup::TooLong;
        const std::string folder = found.empty() ? std::string(".") : found;
        DIR *dir = ::opendir(folder.c_str());
        if (!dir)
            return errno == ENAMETOOLONG ? Lookup::TooLong : Lookup::FolderMissing;
        std::string match;
        while (const dirent *item = ::readdir(dir)) {
            if (sameIgnoringCase(name, item->d_name)) {
                match = item->d_name;
                break;
            }
        }
        ::closedir(dir);
        if (match.empty())
            return last ? Lookup::FileMissing : Lookup::FolderMissing;
        found += match;
    }
    return Lookup::Found;
}

// ---------------------------------------------------------------------------
// Scripts: the "#!" line as the kernel reads it (fs/binfmt_script.c)

struct ScriptLine {
    bool valid = false;
    std::string interpreter;
    bool hasArgument = false;
    std::string argument;
    std::string problem; // why it cannot run, when not valid
};

bool blank(char c) { return c == ' ' || c == '\t'; }
bool ends(char c) { return c == ' ' || c == '\t' || c == '\0'; }

// The first bytes of the file, as many as the kernel looks at. The line ends
// at the first newline within them; a line that does not end there is cut at
// the last byte but one, unless the interpreter's name itself would be cut.
// After the name (ended by a blank, a tab or a zero byte) and the blanks and
// tabs that follow it, the rest, less trailing blanks and tabs, is one argument.
ScriptLine readScriptLine(const std::string &head)
{
    ScriptLine line;
    char buffer[scriptLineLimit] = {};
    std::memcpy(buffer, head.data(), std::min(head.size(), scriptLineLimit));
    const char *bufferEnd = buffer + scriptLineLimit - 1;
    const char *lineEnd = static_cast<const char *>(std::memchr(buffer, '\n', scriptLineLimit));
    if (!lineEnd) {
        const char *name = buffer + 2;
        while (name < bufferEnd && blank(*name))
            ++name;
        if (name == bufferEnd) {
            line.problem = "its first line names no interpreter";
            return line;
        }
        const char *stop = name;
        while (stop < bufferEnd && !ends(*stop))
            ++stop;
        if (stop == bufferEnd) {
            line.problem = "the name of its interpreter is too long";
            return line;
        }
        lineEnd = bufferEnd;
    }
    while (lineEnd > buffer + 2 && blank(lineEnd[-1]))
        --lineEnd;
    const char *name = buffer + 2;
    while (name < lineEnd && blank(*name))
        ++name;
    if (name == lineEnd) {
        line.problem = "its first line names no interpreter";
        return line;
    }
    const char *separator = name;
    while (separator < lineEnd && !ends(*separator))
        ++separator;
    line.interpreter.assign(name, separator);
    if (separator < lineEnd && *separator != '\0') {
        const char *argument = separator;
        while (argument < lineEnd && blank(*argument))
            ++argument;
        if (argument < lineEnd) {
            line.hasArgument = true;
            // The kernel copies it as a C string: it ends at a zero byte.
            line.argument.assign(argument, lineEnd);
            line.argument.resize(std::strlen(line.argument.c_str()));
        }
    }
    line.valid = true;
    return line;
}

// Why the interpreter a script names cannot be run.
std::string interpreterProblem(const ScriptLine &line)
{
    if (!line.valid)
        return line.problem;
    if (!line.interpreter.empty() && line.interpreter.back() == '\r')
        return "its first line ends in a carriage return (it was saved with Windows line ends), so its interpreter \""
               + line.interpreter.substr(0, line.interpreter.size() - 1) + "\" cannot be found";
    return "its interpreter " + line.interpreter + " is not installed";
}

// ---------------------------------------------------------------------------
// Windows programs

// `wine` from PATH, or an empty string.
std::string findWine()
{
    const char *path = std::getenv("PATH");
    const std::string folders = path ? path : "/usr/local/bin:/usr/bin:/bin";
    std::size_t at = 0;
    while (at <= folders.size()) {
        const std::size_t end = std::min(folders.find(':', at), folders.size());
        const std::string folder = end > at ? folders.substr(at, end - at) : std::string(".");
        const std::string candidate = folder + "/wine";
        struct stat info;
        if (::stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode) && ::access(candidate.c_str(), X_OK) == 0)
            return candidate;
        at = end + 1;
    }
    return {};
}

// ---------------------------------------------------------------------------
// Starting

// Ended programs are reaped by their pidfd where the kernel has them; else,
// here, by a SIGCHLD handler that waits for the launcher's own programs only
// (by pid, so that nobody else's children are taken from them).
constexpr int reapSlots = 64;
std::atomic<pid_t> unreaped[reapSlots];
struct sigaction previousChildHandler;

void reapStarted()
{
    for (std::atomic<pid_t> &slot : unreaped) {
        pid_t pid = slot.load();
        if (pid > 0 && ::waitpid(pid, nullptr, WNOHANG) == pid)
            slot.compare_exchange_strong(pid, 0);
    }
}

void onChildEnded(int signal, siginfo_t *info, void *context)
{
    const int savedErrno = errno;
    reapStarted();
    errno = savedErrno;
    if (previousChildHandler.sa_flags & SA_SIGINFO) {
        if (previousChildHandler.sa_sigaction)
            previousChildHandler.sa_sigaction(signal, info, context);
    } else if (previousChildHandler.sa_handler != SIG_DFL && previousChildHandler.sa_handler != SIG_IGN) {
        previousChildHandler.sa_handler(signal);
    }
}

void reapWhenEnded(pid_t pid)
{
    static const bool installed = [] {
        struct sigaction action = {};
        action.sa_sigaction = onChildEnded;
        action.sa_flags = SA_SIGINFO | SA_RESTART | SA_NOCLDSTOP;
        sigemptyset(&action.sa_mask);
        return ::sigaction(SIGCHLD, &action, &previousChildHandler) == 0;
    }();
    (void)installed;
    for (std::atomic<pid_t> &slot : unreaped) {
        pid_t empty = 0;
        if (slot.compare_exchange_strong(empty, pid))
            break;
    }
    // It may have ended before it was written down.
    reapStarted();
}

void watchStarted(pid_t pid);

// Starts a program in a session of its own without copying this process first
// (posix_spawn uses vfork on Linux): the player gets the next dialog at once.
// It starts in `folder` with PWD saying so, and inherits no descriptor above
// standard error. Returns 0, or the errno of the failed start.
int spawnDetached(const std::string &executable, const std::vector<std::string> &arguments, const std::string &folder)
{
    std::vector<char *> argv;
    argv.push_back(const_cast<char *>(executable.c_str()));
    for (const std::string &argument : arguments)
        argv.push_back(const_cast<char *>(argument.c_str()));
    argv.push_back(nullptr);

    const std::string pwd = "PWD=" + folder;
    std::vector<char *> envp;
    for (char **variable = environ; variable && *variable; ++variable) {
        if (std::strncmp(*variable, "PWD=", 4) != 0)
            envp.push_back(*variable);
    }
    envp.push_back(const_cast<char *>(pwd.c_str()));
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    posix_spawn_file_actions_addclosefrom_np(&actions, 3);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none, all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &all);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    pid_t pid = 0;
    const int error = posix_spawn(&pid, executable.c_str(), &actions, &attributes, argv.data(), envp.data());
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    if (error == 0)
        watchStarted(pid);
    return error;
}

} // namespace

Long startProgram(const std::string &commandLine, const std::string &discFolder, std::string &reason)
{
    // The disc folder as it is; the Windows-style name after it with slashes.
    std::size_t fixed = 0;
    if (!discFolder.empty() && commandLine.compare(0, discFolder.size(), discFolder) == 0)
        fixed = discFolder.size();
    std::string path = commandLine;
    for (std::size_t i = fixed; i < path.size(); ++i) {
        if (path[i] == '\\')
            path[i] = '/';
    }

    std::string program;
    switch (findOnDisc(path, fixed, program)) {
    case Lookup::Found:
        break;
    case Lookup::FileMissing:
        reason = "the file is not on the disc";
        return ERROR_FILE_NOT_FOUND;
    case Lookup::FolderMissing:
        reason = "its folder is not on the disc";
        return ERROR_PATH_NOT_FOUND;
    case Lookup::TooLong:
        reason = "its path is too long";
        return ERROR_PATH_NOT_FOUND;
    }

    // Only a regular file is read, and nothing waits for a writer.
    const int fd = ::open(program.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        const int error = errno;
        struct stat link;
        if (error == ENOENT && ::lstat(program.c_str(), &link) == 0 && S_ISLNK(link.st_mode))
            reason = "it is a link to a file that is not there";
        else if (error == ELOOP)
            reason = "it is a link that leads round in a circle";
        else if (error == ENAMETOOLONG)
            reason = "its path is too long";
        else
            reason = "it cannot be read (" + std::string(std::strerror(error)) + ")";
        return error == ENAMETOOLONG ? ERROR_PATH_NOT_FOUND : ERROR_ACCESS_DENIED;
    }
    struct stat info;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        if (S_ISDIR(info.st_mode))
            reason = "it is a folder, not a program";
        else
            reason = "it is not a regular file but a pipe, a device or a socket";
        return ERROR_BAD_FORMAT;
    }
    std::string head(scriptLineLimit, '\0');
    ssize_t length;
    do
        length = ::read(fd, head.data(), head.size());
    while (length < 0 && errno == EINTR);
    ::close(fd);
    if (length < 0) {
        reason = "it cannot be read";
        return ERROR_ACCESS_DENIED;
    }
    head.resize(std::size_t(length));
    if (head.empty()) {
        reason = "the file is empty";
        return ERROR_BAD_FORMAT;
    }

    const bool executable = ::access(program.c_str(), X_OK) == 0;
    std::string run = program;
    std::vector<std::string> arguments;
    const bool script = head.compare(0, 2, "#!") == 0;
    if (script) {
        if (!executable) {
            // A script on a disc mounted without execute bits: run its interpreter.
            const ScriptLine line = readScriptLine(head);
            if (!line.valid) {
                reason = line.problem;
                return ERROR_BAD_FORMAT;
            }
            run = line.interpreter;
            if (line.hasArgument)
                arguments.push_back(line.argument);
            arguments.push_back(program);
        }
    } else if (head.compare(0, 2, "MZ") == 0) {
        run = findWine();
        if (run.empty()) {
            reason = "it is a Windows program and Wine is not installed";
            return ERROR_BAD_FORMAT;
        }
        arguments.push_back(program);
    } else if (head.compare(0, 4, "\x7f" "ELF") != 0) {
        reason = "it is not a program this computer can run";
        return ERROR_BAD_FORMAT;
    } else if (!executable) {
        reason = "permission to run it was refused";
        return ERROR_ACCESS_DENIED;
    }

    const int error = spawnDetached(run, arguments, discFolder);
    if (error == 0)
        return STARTED;
    if (script && (error == ENOENT || error == ENOEXEC || error == ENAMETOOLONG)) {
        reason = interpreterProblem(readScriptLine(head));
        return ERROR_BAD_FORMAT;
    }
    switch (error) {
    case ENOEXEC:
        reason = "it is not a program this computer can run";
        return ERROR_BAD_FORMAT;
    case EACCES:
        reason = "permission to run it was refused";
        return ERROR_ACCESS_DENIED;
    case ENOENT:
        reason = "a program it needs to start is not installed";
        return ERROR_BAD_FORMAT;
    default:
        reason = "it could not be started (" + std::string(std::strerror(error)) + ")";
        return ERROR_ACCESS_DENIED;
    }
}

namespace {

// Reaps a started program when it ends: the port's event loop watches its
// pidfd (no timer, no signal handler). Where the kernel gives no pidfd, or no
// event loop runs, the SIGCHLD handler above does it.
void watchStarted(pid_t pid)
{
    const int pidfd = engine::hasPort() ? int(::syscall(SYS_pidfd_open, pid, 0)) : -1;
    if (pidfd < 0) {
        reapWhenEnded(pid);
        return;
    }
    const bool watched = engine::port().watchReadable(pidfd, [pid, pidfd] {
        // The watch lets go of the descriptor before it is closed, so that no
        // later file with the same number is watched by mistake.
        engine::port().stopWatching(pidfd);
        ::waitpid(pid, nullptr, WNOHANG);
        ::close(pidfd);
    });
    if (!watched) {
        ::close(pidfd);
        reapWhenEnded(pid);
    }
}

} // namespace

} // namespace mdlMain
