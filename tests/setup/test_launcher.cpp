// Starting installers from a disc folder for real: names in any case, blanks
// and odd names, folders whose names are no UTF-8, scripts on discs without
// execute bits, Windows programs, and every way a start can fail, reported
// with its reason. No window system: the fake port watches the started
// programs' descriptors.
#include "player.h"

#include "forms/core/screen.h"
#include "setup/frmAcrobat.h"
#include "setup/mdlMain.h"
#include "setup/placement.h"

#include <doctest/doctest.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace engine;

namespace {

// What a stand-in installer records, one line in started.log beside
// `logFolder`: its working folder, its arguments after `skipped` ones, the PWD
// it was given, how many of its files are the test's leak marker, its pid.
std::string recorderScript(const std::string &logFolder, const std::string &skipped)
{
    return "#!/bin/sh\n"
           "leaked=0\n"
           "for fd in /proc/$$/fd/*; do case $(readlink \"$fd\") in */leak-marker) leaked=$((leaked + 1));; esac; done\n"
           "printf '%s|%s|%s|%s|%s\\n' \"$(pwd -P)\" \"$(($# - " + skipped + "))\" "
           "\"$(tr '\\0' '\\n' < /proc/$$/environ | sed -n 's/^PWD=//p')\" \"$leaked\" \"$$\" "
           ">> \"" + logFolder + "/started.log\"\n";
}
const std::string recorder = recorderScript("$(dirname \"$0\")", "0");
// Wine as the launcher must call it: the program's path alone.
const std::string fakeWine = "#!/bin/sh\n[ \"$#\" = 1 ] && [ -f \"$1\" ] || exit 1\n"
                             + recorderScript("$(dirname \"$1\")", "1").substr(10);
const std::string windowsProgram("MZ\x90\0\3\0\0\0", 8);

bool makePath(const std::string &path)
{
    for (std::size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
        if (::mkdir(path.substr(0, slash).c_str(), 0755) != 0 && errno != EEXIST)
            return false;
        if (slash == std::string::npos)
            return true;
    }
}

bool writeFile(const std::string &path, const std::string &bytes, mode_t mode)
{
    if (!makePath(path.substr(0, path.rfind('/'))))
        return false;
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, mode);
    if (fd < 0)
        return false;
    const bool written = ::write(fd, bytes.data(), bytes.size()) == ssize_t(bytes.size());
    ::close(fd);
    return written && ::chmod(path.c_str(), mode) == 0;
}

std::string readAll(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string realPath(const std::string &path)
{
    char *resolved = ::realpath(path.c_str(), nullptr);
    const std::string result = resolved ? resolved : "";
    std::free(resolved);
    return result;
}

// A folder of its own, removed with all it holds (rm: past PATH_MAX too).
struct TemporaryFolder {
    std::string path;
    TemporaryFolder()
    {
        const char *tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/tst_setup.XXXXXX";
        REQUIRE(::mkdtemp(pattern.data()));
        path = pattern;
    }
    ~TemporaryFolder() { CHECK(std::system(("rm -rf '" + path + "'").c_str()) == 0); }
};

// Folders nested past PATH_MAX, made one step at a time from inside; the
// recorder at Acrobat/Setup.exe in the deepest.
bool makeDeepFolder(const std::string &base, int levels, std::string &path)
{
    const std::string name(250, 'd');
    int dir = ::open(base.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    path = base;
    for (int i = 0; i < levels && dir >= 0; ++i) {
        ::mkdirat(dir, name.c_str(), 0755);
        const int next = ::openat(dir, name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        ::close(dir);
        dir = next;
        path += '/' + name;
    }
    if (dir < 0)
        return false;
    ::mkdirat(dir, "Acrobat", 0755);
    const int file = ::openat(dir, "Acrobat/Setup.exe", O_WRONLY | O_CREAT | O_CLOEXEC, 0755);
    ::close(dir);
    if (file < 0)
        return false;
    const bool written = ::write(file, recorder.data(), recorder.size()) == ssize_t(recorder.size());
    ::close(file);
    return written;
}

// Runs the port's watches until `done` holds, for at most five seconds.
bool waitFor(fake::FakePort &port, const std::function<bool()> &done)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        port.runWatches(20);
    }
    return true;
}

// The stand-in's line in `log`, without its pid.
std::string startedLine(fake::FakePort &port, const std::string &log, long *pid = nullptr)
{
    std::string line;
    waitFor(port, [&] { return !(line = readAll(log)).empty() && line.back() == '\n'; });
    line = line.substr(0, line.find('\n'));
    const std::size_t last = line.rfind('|');
    if (pid && last != std::string::npos)
        *pid = std::atol(line.c_str() + last + 1);
    return line.substr(0, last);
}

Long start(const std::string &disc, const std::string &name)
{
    App.setPathForTesting(disc);
    const Long result = mdlMain::WinExec(placement::installerPath(App.Path(), name), 3);
    App.setPathForTesting({});
    return result;
}

// PATH as the test found it, again at the end.
struct KeepPath {
    std::string saved = std::getenv("PATH") ? std::getenv("PATH") : "";
    ~KeepPath() { ::setenv("PATH", saved.c_str(), 1); }
};

} // namespace

TEST_CASE("an installer starts, or the player is told why not")
{
    struct Row {
        std::string name;
        std::string folder;  // the disc's folder name, bytes; "deep": past PATH_MAX
        const char *files;   // the installer as it lies on the disc ("a;b": two files)
        const char *asked;   // the name the launcher asks for
        std::string content; // "recorder", "elf", "fifo", "dangling" or the bytes
        bool executable;
        const char *path;    // PATH: "" as it is, "wine" (a stand-in wine first) or "no wine"
        const char *reason;  // "": it starts; else part of the reason it does not
    };
    const std::string rec = "recorder";
    const char *setup = "Acrobat\\Setup.exe";
    const Row rows[] = {
        {"as written", "disc", "Acrobat/Setup.exe", setup, rec, true, "", ""},
        {"upper-case names", "disc", "ACROBAT/SETUP.EXE", setup, rec, true, "", ""},
        {"lower-case names", "disc", "acrobat/setup.exe", setup, rec, true, "", ""},
        {"blanks in the folder", "Trenchmoor CD 1", "Acrobat/Setup.exe", setup, rec, true, "", ""},
        {"blanks in the name", "disc", "Acrobat Reader/Setup.exe", "Acrobat Reader\\Setup.exe", rec, true, "", ""},
        {"non-ASCII folder", "Schützengraben-Ölmühle", "Acrobat/Setup.exe", setup, rec, true, "", ""},
        {"Latin-1 folder, no UTF-8", "Sch\xfctzengraben-\xd6lm\xfchle", "Acrobat/Setup.exe", setup, rec, true, "", ""},
        {"backslash in the folder", "CD\\1", "Acrobat/Setup.exe", setup, rec, true, "", ""},
        {"200-character folder", std::string(200, 'd'), "Acrobat/Setup.exe", setup, rec, true, "", ""},
        {"script without execute bit", "disc", "Acrobat/Setup.exe", setup, rec, false, "", ""},
        {"program", "disc", "Acrobat/Setup.exe", setup, "elf", true, "", ""},
        {"program without execute bit", "disc", "Acrobat/Setup.exe", setup, "elf", false, "",
         "permission to run it was refused"},
        {"missing", "disc", "Acrobat/Readme.txt", setup, "text", false, "", "the file is not on the disc"},
        {"missing folder", "disc", "Other/Setup.exe", setup, rec, true, "", "its folder is not on the disc"},
        {"exact-case folder without it, another case with it", "disc", "Acrobat/Readme.txt;ACROBAT/Setup.exe", setup,
         rec, true, "", "the file is not on the disc"},
        {"a folder", "disc", "Acrobat/Setup.exe/", setup, "", true, "", "it is a folder, not a program"},
        {"a FIFO", "disc", "Acrobat/Setup.exe", setup, "fifo", true, "", "it is not a regular file"},
        {"dangling link", "disc", "Acrobat/Setup.exe", setup, "dangling", true, "",
         "it is a link to a file that is not there"},
        {"path over PATH_MAX", "deep", "Acrobat/Setup.exe", setup, rec, true, "", "its path is too long"},
        {"missing interpreter", "disc", "Acrobat/Setup.exe", setup, "#!/opt/no-such/sh -e\n", false, "",
         "its interpreter /opt/no-such/sh is not installed"},
        {"missing interpreter, execute bit", "disc", "Acrobat/Setup.exe", setup, "#!/opt/no-such/sh -e\n", true, "",
         "its interpreter /opt/no-such/sh is not installed"},
        {"zero bytes", "disc", "Acrobat/Setup.exe", setup, "", true, "", "the file is empty"},
        {"text, not a program", "disc", "Acrobat/Setup.exe", setup, "Install me!\n", true, "", "not a program"},
        {"Windows program, no Wine", "disc", "Acrobat/Setup.exe", setup, windowsProgram, true, "no wine",
         "it is a Windows program and Wine is not installed"},
        {"Windows program, Wine", "disc", "Acrobat/Setup.exe", setup, windowsProgram, false, "wine", ""},
    };
    for (const Row &row : rows) {
        CAPTURE(row.name);
        fake::FakePort port;
        TemporaryFolder root;
        KeepPath keepPath;
        const std::string &base = root.path;
        std::string disc = base + '/' + row.folder;
        if (row.folder == "deep") {
            REQUIRE(makeDeepFolder(base, 17, disc));
            REQUIRE(disc.size() > PATH_MAX);
        } else {
            REQUIRE(makePath(disc));
        }
        std::istringstream files(row.files);
        for (std::string file; row.folder != "deep" && std::getline(files, file, ';');) {
            const std::string where = disc + '/' + file;
            if (file.back() == '/') {
                REQUIRE(makePath(where.substr(0, where.size() - 1)));
                continue;
            }
            REQUIRE(makePath(where.substr(0, where.rfind('/'))));
            if (row.content == "fifo")
                REQUIRE(::mkfifo(where.c_str(), 0755) == 0);
            else if (row.content == "dangling")
                REQUIRE(::symlink("Setup-1.0.exe", where.c_str()) == 0);
            else
                REQUIRE(writeFile(where,
                                  row.content == "recorder" ? recorder
                                  : row.content == "elf"    ? readAll("/bin/true")
                                                            : row.content,
                                  row.executable ? 0755 : 0644));
        }
        if (row.path == std::string("wine")) {
            REQUIRE(writeFile(base + "/bin/wine", fakeWine, 0755));
            ::setenv("PATH", (base + "/bin:" + keepPath.saved).c_str(), 1);
        } else if (row.path == std::string("no wine")) {
            REQUIRE(makePath(base + "/empty"));
            ::setenv("PATH", (base + "/empty").c_str(), 1);
        }
        // A descriptor this process holds open without close-on-exec: no installer may inherit it.
        const int marker = ::open((base + "/leak-marker").c_str(), O_WRONLY | O_CREAT, 0644);
        REQUIRE(marker >= 0);
        const Long result = start(disc, row.asked);
        ::close(marker);
        const std::string reason = mdlMain::LastExecError();
        CAPTURE(reason);
        if (*row.reason) {
            CHECK(result <= 31);
            CHECK(reason.find(row.reason) != std::string::npos);
            continue;
        }
        CHECK(result > 31);
        CHECK(reason.empty());
        if (result <= 31)
            continue;
        if (row.content == "recorder" || row.path == std::string("wine")) {
            // In the disc folder, with no arguments, PWD telling that folder, nothing inherited.
            const std::string file = disc + '/' + row.files;
            CHECK(startedLine(port, file.substr(0, file.rfind('/')) + "/started.log")
                  == realPath(disc) + "|0|" + disc + "|0");
        }
        waitFor(port, [&] { return port.watching() == 0; });
    }
}

// Each line runs twice: from a script without execute bit (the launcher reads
// the line) and with it (the kernel does); both must come out the same.
TEST_CASE("a script's first line is read as the kernel reads it")
{
    struct Row {
        std::string name;
        std::string line;      // REC: a program that records its arguments; LONG<n>: one at a path of n bytes
        std::string arguments; // those before the script's path, one a line; CUT: the line cut at byte 256
        const char *reason;    // "": it starts; else part of the reason it does not
    };
    const Row rows[] = {
        {"interpreter alone", "#!REC\n", "", ""},
        {"one argument", "#!REC -e\n", "-e\n", ""},
        {"blanks before the interpreter", "#!  REC -e\n", "-e\n", ""},
        {"tab after the interpreter", "#!REC\t-e\n", "-e\n", ""},
        {"blanks inside the argument, kept", "#!REC -e  -x\t y\n", "-e  -x\t y\n", ""},
        {"trailing blanks and tabs, removed", "#!REC -e \t \n", "-e\n", ""},
        {"line ends with the file", "#!REC -e", "-e\n", ""},
        {"argument cut at byte 256", "#!REC " + std::string(300, 'a') + "\n", "CUT", ""},
        {"interpreter of 253 bytes, line of 256", "#!LONG253\n", "", ""},
        {"interpreter of 254 bytes, cut", "#!LONG254\n", "", "the name of its interpreter is too long"},
        {"CRLF line", "#!REC\r\n", "", "carriage return"},
        {"no interpreter", "#!  \t\n", "", "names no interpreter"},
    };
    // The list appears whole (renamed into place): the test reads it as soon as it is there.
    const std::string argumentsRecorder =
        "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"$0.part\" && mv \"$0.part\" \"$0.args\"\n";
    for (const Row &row : rows) {
        CAPTURE(row.name);
        fake::FakePort port;
        TemporaryFolder root;
        std::string line = row.line, arguments = row.arguments;
        std::string interpreter = root.path + "/bin/rec";
        if (line.rfind("#!LONG", 0) == 0) {
            const std::size_t length = std::stoul(line.substr(6));
            interpreter = root.path + "/bin/";
            while (interpreter.size() + 101 < length)
                interpreter += std::string(99, 'x') + '/';
            interpreter += std::string(length - interpreter.size(), 'r');
            REQUIRE(interpreter.size() == length);
            line = "#!" + interpreter + "\n";
        }
        REQUIRE(writeFile(interpreter, argumentsRecorder, 0755));
        if (const std::size_t at = line.find("REC"); at != std::string::npos)
            line.replace(at, 3, interpreter);
        if (arguments == "CUT")
            arguments = line.substr(line.find(' ') + 1, 255 - line.find(' ') - 1) + '\n';

        std::string outcome[2];
        for (const bool executable : {false, true}) {
            CAPTURE(executable);
            const std::string disc = root.path + (executable ? "/with-bit" : "/without-bit");
            REQUIRE(writeFile(disc + "/Tallset.exe", line, executable ? 0755 : 0644));
            const Long result = start(disc, "Tallset.exe");
            const std::string why = mdlMain::LastExecError();
            CAPTURE(why);
            REQUIRE((result > 31) == !*row.reason);
            if (*row.reason) {
                if (!executable)
                    CHECK(why.find(row.reason) != std::string::npos);
                outcome[executable] = "not started";
                continue;
            }
            std::string recorded;
            waitFor(port, [&] { return !(recorded = readAll(interpreter + ".args")).empty(); });
            ::unlink((interpreter + ".args").c_str());
            const std::string script = disc + "/Tallset.exe\n";
            REQUIRE(recorded.size() >= script.size());
            CHECK(recorded.substr(recorded.size() - script.size()) == script);
            recorded.resize(recorded.size() - script.size());
            CHECK(recorded == arguments);
            outcome[executable] = recorded;
            waitFor(port, [&] { return port.watching() == 0; });
        }
        CHECK(outcome[0] == outcome[1]);
    }
}

// A program that ends is reaped while the launcher runs on, also where the
// kernel offers no process descriptors (ctest runs this case a second time so).
TEST_CASE("ended programs are reaped")
{
    fake::FakePort port;
    TemporaryFolder disc;
    REQUIRE(writeFile(disc.path + "/Tallset.exe", recorder, 0755));
    for (int round = 0; round < 3; ++round) {
        ::unlink((disc.path + "/started.log").c_str());
        REQUIRE(start(disc.path, "Tallset.exe") > 31);
        long pid = 0;
        startedLine(port, disc.path + "/started.log", &pid);
        REQUIRE(pid > 0);
        // A reaped program leaves no entry in /proc; one nobody waits for stays.
        const std::string entry = "/proc/" + std::to_string(pid);
        struct stat info;
        waitFor(port, [&] { return ::stat(entry.c_str(), &info) != 0; });
        CHECK_MESSAGE(::stat(entry.c_str(), &info) != 0, entry << " stays");
    }
}

TEST_CASE("a started program runs while the next dialog waits")
{
    fake::FakePort port;
    TemporaryFolder disc;
    REQUIRE(writeFile(disc.path + "/Tallset.exe", "#!/bin/sh\necho $$ > \"$(dirname \"$0\")/pid\"\nexec sleep 30\n", 0755));
    const auto before = std::chrono::steady_clock::now();
    REQUIRE(start(disc.path, "Tallset.exe") > 31);
    CHECK(std::chrono::steady_clock::now() - before < std::chrono::seconds(2)); // not awaited

    long pid = 0;
    bool running = false;
    player::Run run({player::Step("sound: Enter").saying("Before playing the game configure your sound.")});
    run.check = [&](Form &) {
        // The shell makes the file before it writes the number and its newline.
        std::string written;
        for (int i = 0; i < 250 && (written = readAll(disc.path + "/pid")).find('\n') == std::string::npos; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        pid = std::atol(written.c_str());
        running = pid > 0 && ::kill(pid_t(pid), 0) == 0;
    };
    frmAcrobat->MyNewBox("Before playing the game configure your sound.", True);
    REQUIRE(pid > 0);
    CHECK(running);
    ::kill(pid_t(pid), SIGTERM);
    waitFor(port, [&] { return port.watching() == 0; });
}
