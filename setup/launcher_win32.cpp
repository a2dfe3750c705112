// Starting a program from the disc on Windows.
//
// A path of MAX_PATH characters or more is refused before any file call:
// Windows starts no program from there (the shell says "path not found", and
// without a long-path-aware manifest already the file check fails).
// The path is checked next: it must name a file, not a folder (the shell
// would open a folder called Tallset.exe in Explorer and call that a success).
// The file is then opened through the shell, not with WinExec or CreateProcess:
// an installer whose manifest asks for administrator rights gets its elevation
// prompt instead of failing with error 740. The whole path is the file, so a
// path with blanks is never split; there are no parameters.
#include "launcher.h"

#include <string>

#include "windows/utf16.h"

#include <windows.h>
#include <shellapi.h>

namespace mdlMain {

namespace {

constexpr Long ERROR_FILE_MISSING = 2;   // ERROR_FILE_NOT_FOUND
constexpr Long ERROR_FOLDER_MISSING = 3; // ERROR_PATH_NOT_FOUND
constexpr Long ERROR_REFUSED = 5;        // ERROR_ACCESS_DENIED
constexpr Long ERROR_NOT_A_PROGRAM = 11; // ERROR_BAD_FORMAT
constexpr Long STARTED = 33;

using utf16::utf8;
using utf16::wide;

// The system's own words for an error, as one phrase: no trailing period or
// line break, so that it reads inside the note. A message that names its file
// ("%1 is not a valid Win32 application") gets the file's name.
std::string systemReason(DWORD error, const std::wstring &fileName)
{
    wchar_t *buffer = nullptr;
    const DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                            FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, error, 0, reinterpret_cast<wchar_t *>(&buffer), 0, nullptr);
    std::wstring text = length && buffer ? std::wstring(buffer, length) : std::wstring();
    if (buffer)
        LocalFree(buffer);
    for (std::size_t at = text.find(L"%1"); at != std::wstring::npos; at = text.find(L"%1", at + fileName.size()))
        text.replace(at, 2, fileName);
    while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' ' ||
                             text.back() == L'.'))
        text.pop_back();
    if (text.empty())
        return "it could not be started (error " + std::to_string(error) + ")";
    return utf8(text);
}

// The folder part of a path, up to its last separator, and the name after it.
std::wstring folderOf(const std::wstring &path)
{
    const std::size_t separator = path.find_last_of(L"\\/");
    return separator == std::wstring::npos ? std::wstring(L".") : path.substr(0, separator + 1);
}
std::wstring nameOf(const std::wstring &path)
{
    const std::size_t separator = path.find_last_of(L"\\/");
    return separator == std::wstring::npos ? path : path.substr(separator + 1);
}

} // namespace

Long startProgram(const std::string &commandLine, const std::string &discFolder, std::string &reason)
{
    const std::wstring path = wide(commandLine);
    if (path.size() >= MAX_PATH) {
        reason = "its path is too long for Windows to start it (" + std::to_string(path.size()) + " characters)";
        return ERROR_FOLDER_MISSING;
    }
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD folder = GetFileAttributesW(folderOf(path).c_str());
        if (folder != INVALID_FILE_ATTRIBUTES && (folder & FILE_ATTRIBUTE_DIRECTORY)) {
            reason = "the file is not on the disc";
            return ERROR_FILE_MISSING;
        }
        reason = "its folder is not on the disc";
        return ERROR_FOLDER_MISSING;
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        reason = "it is a folder, not a program";
        return ERROR_NOT_A_PROGRAM;
    }

    const std::wstring directory = wide(discFolder);
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_FLAG_NO_UI | SEE_MASK_NOCLOSEPROCESS;
    info.lpVerb = L"open";
    info.lpFile = path.c_str();
    info.lpParameters = nullptr;
    info.lpDirectory = directory.empty() ? nullptr : directory.c_str();
    info.nShow = SW_SHOWMAXIMIZED;
    if (!ShellExecuteExW(&info)) {
        const DWORD error = GetLastError();
        if (error == ERROR_CANCELLED) {
            reason = "the request for administrator rights was refused";
            return ERROR_REFUSED;
        }
        reason = systemReason(error, nameOf(path));
        switch (error) {
        case ERROR_FILE_NOT_FOUND:
            return ERROR_FILE_MISSING;
        case ERROR_PATH_NOT_FOUND:
            return ERROR_FOLDER_MISSING;
        case ERROR_BAD_FORMAT:
        case ERROR_BAD_EXE_FORMAT:
        case ERROR_NO_ASSOCIATION:
            return ERROR_NOT_A_PROGRAM;
        default:
            return ERROR_REFUSED;
        }
    }
    // Nothing waits for the installer.
    if (info.hProcess)
        CloseHandle(info.hProcess);
    return STARTED;
}

} // namespace mdlMain
