// The launcher's Windows part under Wine: what mdlMain::startProgram answers
// for a disc folder with blanks in its name, and what the started program got.
//
//     tst_launcher_win32.exe [doctest options]
//
// The stand-in installer (standin-installer.exe beside this program) is copied
// into a fresh folder under the temporary folder and records its start.
#define DOCTEST_CONFIG_IMPLEMENT_WITH_MAIN
#include <doctest/doctest.h>

#include "setup/launcher.h"

#include <fstream>
#include <sstream>
#include <string>

#include <windows.h>

namespace {

std::string utf8(const std::wstring &text)
{
    const int length = WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0, nullptr, nullptr);
    std::string result(std::size_t(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), result.data(), length, nullptr, nullptr);
    return result;
}

std::wstring wide(const std::string &text)
{
    const int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0);
    std::wstring result(std::size_t(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), int(text.size()), result.data(), length);
    return result;
}

std::wstring besideThisProgram(const std::wstring &name)
{
    std::wstring path(32768, L'\0');
    path.resize(GetModuleFileNameW(nullptr, path.data(), DWORD(path.size())));
    return path.substr(0, path.find_last_of(L'\\') + 1) + name;
}

// A disc folder with blanks and a non-ASCII letter in its name, one for each
// test: "<temp>\Trenchmoor CD (disc 1) é <process>-<n>".
struct Disc {
    std::string folder;
    std::string log;
    Disc()
    {
        wchar_t temp[MAX_PATH + 1];
        GetTempPathW(MAX_PATH + 1, temp);
        static int made = 0;
        const std::wstring root = std::wstring(temp) + L"Trenchmoor CD (disc 1) \u00e9 " +
                                  std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++made);
        CreateDirectoryW(root.c_str(), nullptr);
        CreateDirectoryW((root + L"\\Acrobat").c_str(), nullptr);
        CreateDirectoryW((root + L"\\Folder.exe").c_str(), nullptr);
        CopyFileW(besideThisProgram(L"standin-installer.exe").c_str(), (root + L"\\Acrobat\\Setup.exe").c_str(), FALSE);
        std::ofstream((root + L"\\Text.exe").c_str()) << "This file is no program.\r\n";
        folder = utf8(root);
        log = folder + "\\starts.log";
        SetEnvironmentVariableW(L"TRENCHMOOR_STANDIN_LOG", wide(log).c_str());
    }
};

// The stand-in's record of its start, once it is there; its process is ended.
std::string startRecord(const std::string &log)
{
    for (int i = 0; i < 200; ++i) {
        std::ifstream file(wide(log).c_str());
        std::string line;
        if (std::getline(file, line) && !line.empty()) {
            const DWORD pid = DWORD(std::stoul(line.substr(line.rfind('|') + 1)));
            if (const HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid)) {
                TerminateProcess(process, 0);
                WaitForSingleObject(process, 5000);
                CloseHandle(process);
            }
            return line.substr(0, line.rfind('|'));
        }
        Sleep(50);
    }
    return "no start recorded";
}

} // namespace

TEST_CASE("a program on the disc starts maximised in the disc folder, its whole path as one file")
{
    const Disc disc;
    std::string reason;
    CHECK(mdlMain::startProgram(disc.folder + "\\Acrobat\\Setup.exe", disc.folder, reason) == 33);
    CHECK(reason.empty());
    CHECK(startRecord(disc.log) == disc.folder + "\\Acrobat\\Setup.exe||" + disc.folder + "|3");
}

TEST_CASE("a start that cannot happen is refused with a reason")
{
    const Disc disc;
    struct Row {
        const char *name;
        long result;
        const char *reason; // empty: the system's own words
    };
    const Row rows[] = {
        {"\\Tallset.exe", 2, "the file is not on the disc"},
        {"\\Acrobat\\Missing.exe", 2, "the file is not on the disc"},
        {"\\Missing\\Setup.exe", 3, "its folder is not on the disc"},
        {"\\Folder.exe", 11, "it is a folder, not a program"},
        {"\\Text.exe", -1, ""},
    };
    for (const Row &row : rows) {
        CAPTURE(row.name);
        std::string reason;
        const long result = mdlMain::startProgram(disc.folder + row.name, disc.folder, reason);
        CHECK(result <= 31);
        if (row.result >= 0)
            CHECK(result == row.result);
        if (*row.reason) {
            CHECK(reason == row.reason);
        } else {
            // Windows' message, as a phrase inside the note: no period, no line
            // break, the file named where the message names one.
            CHECK(!reason.empty());
            CHECK(reason.find_first_of("\r\n") == std::string::npos);
            CHECK(reason.back() != '.');
            CHECK(reason.find("%1") == std::string::npos);
            MESSAGE("Windows says: " << reason);
        }
    }
    CHECK(GetFileAttributesW(wide(disc.log).c_str()) == INVALID_FILE_ATTRIBUTES);
}

TEST_CASE("a path of 260 characters or more is too long for Windows, counted in UTF-16")
{
    // The disc folder's "é" is two bytes in UTF-8 and one character for Windows.
    const Disc disc;
    struct Row {
        std::size_t length;
        long result;
        const char *reason;
    };
    const Row rows[] = {
        {259, 2, "the file is not on the disc"},
        {260, 3, "its path is too long for Windows to start it (260 characters)"},
        {300, 3, "its path is too long for Windows to start it (300 characters)"},
    };
    for (const Row &row : rows) {
        CAPTURE(row.length);
        const std::size_t folder = wide(disc.folder).size() + 1;
        REQUIRE(row.length > folder + 4);
        const std::string path = disc.folder + "\\" + std::string(row.length - folder - 4, 'x') + ".exe";
        REQUIRE(wide(path).size() == row.length);
        std::string reason;
        CHECK(mdlMain::startProgram(path, disc.folder, reason) == row.result);
        CHECK(reason == row.reason);
    }
}
