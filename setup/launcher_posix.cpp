// Starting a program from the disc on Linux and other POSIX systems.
//
// The command line is the disc folder followed by a Windows-style name on the
// disc: the name's backslashes become slashes, and a name that does not exist
// as written is looked up without regard to case (ISO 9660 discs show upper-
// or lower-case names). A disc mounted without execute bits still runs a
// script through its interpreter. There is no way to ask another program's
// window to open maximised, so the show state is not used.
#include "launcher.h"

#include "forms/core/port.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <spawn.h>
#include <strings.h>
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

bool exists(const std::string &path)
{
    struct stat info;
    return ::stat(path.c_str(), &info) == 0;
}

// The path as it stands on this file system below `folder`, or an empty string.
std::string findOnDisc(const std::string &folder, const std::string &name)
{
    std::string found = folder;
    size_t start = 0;
    while (start <= name.size()) {
        size_t end = name.find('/', start);
        if (end == std::string::npos)
            end = name.size();
        const std::string part = name.substr(start, end - start);
        start = end + 1;
        if (part.empty())
            continue;
        std::string next = found + (found.empty() || found.back() == '/' ? "" : "/") + part;
        if (!exists(next)) {
            DIR *dir = ::opendir(found.empty() ? "." : found.c_str());
            if (!dir)
                return {};
            std::string match;
            while (dirent *entry = ::readdir(dir)) {
                if (::strcasecmp(entry->d_name, part.c_str()) == 0 && std::strcmp(entry->d_name, ".") != 0
                    && std::strcmp(entry->d_name, "..") != 0) {
                    match = entry->d_name;
                    break;
                }
            }
            ::closedir(dir);
            if (match.empty())
                return {};
            next = found + (found.empty() || found.back() == '/' ? "" : "/") + match;
        }
        found = next;
    }
    return found;
}

// Reaps a started program when it ends, through its pidfd and the port's watch.
void watchStarted(pid_t pid)
{
    if (!engine::hasPort())
        return;
    const int pidfd = int(::syscall(SYS_pidfd_open, pid, 0));
    if (pidfd < 0)
        return;
    const bool watched = engine::port().watchReadable(pidfd, [pid, pidfd] {
        ::waitpid(pid, nullptr, WNOHANG);
        engine::port().stopWatching(pidfd);
        ::close(pidfd);
    });
    if (!watched)
        ::close(pidfd);
}

// Starts a program in a session of its own without copying this process first
// (posix_spawn uses vfork on Linux): the player gets the next dialog at once.
// Returns 0, or the errno of the failed start.
int spawnDetached(const std::vector<std::string> &words, const std::string &directory)
{
    std::vector<char *> argv;
    for (const std::string &word : words)
        argv.push_back(const_cast<char *>(word.c_str()));
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addchdir_np(&actions, directory.c_str());
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
    watchStarted(pid);
    return 0;
}

std::string parentOf(const std::string &path)
{
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

} // namespace

Long startProgram(const std::string &commandLine, const std::string &discFolder, std::string &reason)
{
    // The disc folder stays as it is; the Windows-style name after it is converted.
    std::string folder = discFolder, name = commandLine;
    if (commandLine.compare(0, discFolder.size(), discFolder) == 0)
        name = commandLine.substr(discFolder.size());
    else
        folder.clear();
    for (char &c : name) {
        if (c == '\\')
            c = '/';
    }
    const std::string program = findOnDisc(folder, name);
    if (program.empty()) {
        const bool folderThere = !findOnDisc(folder, parentOf(name)).empty();
        reason = folderThere ? "the file is not on the disc" : "its folder is not on the disc";
        return folderThere ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
    }
    struct stat info;
    if (::stat(program.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
        reason = "it is a folder, not a program";
        return ERROR_BAD_FORMAT;
    }
    const int fd = ::open(program.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        reason = "it cannot be read";
        return ERROR_ACCESS_DENIED;
    }
    char buffer[256];
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    ::close(fd);
    const std::string head(buffer, got > 0 ? size_t(got) : 0);
    if (head.empty()) {
        reason = "the file is empty";
        return ERROR_BAD_FORMAT;
    }

    const bool executable = ::access(program.c_str(), X_OK) == 0;
    std::vector<std::string> words{program};
    if (head.compare(0, 2, "#!") == 0) {
        if (!executable) {
            // A script on a disc mounted without execute bits: run its interpreter.
            std::string line = head.substr(2, head.find('\n') == std::string::npos ? std::string::npos
                                                                                    : head.find('\n') - 2);
            const size_t begin = line.find_first_not_of(" \t");
            if (begin == std::string::npos) {
                reason = "it names no interpreter";
                return ERROR_BAD_FORMAT;
            }
            line = line.substr(begin);
            const size_t blank = line.find_first_of(" \t");
            std::string interpreter = line.substr(0, blank);
            std::string argument = blank == std::string::npos ? "" : line.substr(blank + 1);
            argument.erase(0, argument.find_first_not_of(" \t"));
            argument.erase(argument.find_last_not_of(" \t") + 1);
            words = {interpreter};
            if (!argument.empty())
                words.push_back(argument);
            words.push_back(program);
        }
    } else if (head.compare(0, 4, "\x7f" "ELF") != 0) {
        reason = "it is not a program this computer can run";
        return ERROR_BAD_FORMAT;
    } else if (!executable) {
        reason = "permission to run it was refused";
        return ERROR_ACCESS_DENIED;
    }

    const int error = spawnDetached(words, discFolder);
    if (error != 0) {
        if (error == ENOEXEC) {
            reason = "it is not a program this computer can run";
            return ERROR_BAD_FORMAT;
        }
        reason = error == EACCES ? "permission to run it was refused"
                                 : "it could not be started (" + std::string(std::strerror(error)) + ")";
        return ERROR_ACCESS_DENIED;
    }
    return STARTED;
}

} // namespace mdlMain
