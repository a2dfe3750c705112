// Stand-in for the installers a published disc carries, as a Windows program.
// The disc copies it to Acrobat\Setup.exe and Tallset.exe; the window tells
// which installer it replaces, from the name the copy was given.
//
// When TRENCHMOOR_STANDIN_LOG names a file, each start appends one line to it
// (UTF-8, fields separated by "|"):
//
//     program path|arguments|working directory|show state|process id
//
// so that a test sees what the launcher passed: the whole path, no arguments,
// the disc folder, and the show state WinMain got (3 for SW_SHOWMAXIMIZED).
#include <string>

#include <windows.h>

#include "windows/utf16.h"

namespace {

using utf16::utf8;

std::wstring programPath()
{
    std::wstring path(32768, L'\0');
    path.resize(GetModuleFileNameW(nullptr, path.data(), DWORD(path.size())));
    return path;
}

std::wstring currentDirectory()
{
    std::wstring directory(GetCurrentDirectoryW(0, nullptr), L'\0');
    directory.resize(GetCurrentDirectoryW(DWORD(directory.size()), directory.data()));
    return directory;
}

// One line, written with one call on a file opened for appending, so that two
// installers started at once do not mix their lines.
void recordStart(const std::wstring &path, const wchar_t *arguments, int showState)
{
    wchar_t logName[32768];
    const DWORD length = GetEnvironmentVariableW(L"TRENCHMOOR_STANDIN_LOG", logName, 32768);
    if (length == 0 || length >= 32768)
        return;
    const std::string line = utf8(path) + "|" + utf8(arguments ? arguments : L"") + "|" +
                             utf8(currentDirectory()) + "|" + std::to_string(showState) + "|" +
                             std::to_string(GetCurrentProcessId()) + "\n";
    const HANDLE file = CreateFileW(logName, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    WriteFile(file, line.data(), DWORD(line.size()), &written, nullptr);
    CloseHandle(file);
}

// The product this copy stands in for.
std::wstring productFor(const std::wstring &path)
{
    std::wstring name = path.substr(path.find_last_of(L"\\/") + 1);
    CharLowerW(name.data());
    if (name == L"tallset.exe")
        return L"Trenchmoor";
    if (name == L"setup.exe")
        return L"Acrobat Reader";
    return path.substr(path.find_last_of(L"\\/") + 1);
}

constexpr int CLOSE_BUTTON = 1;

LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND:
        if (LOWORD(wParam) == CLOSE_BUTTON || LOWORD(wParam) == IDCANCEL)
            DestroyWindow(window);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, wchar_t *arguments, int showState)
{
    const std::wstring path = programPath();
    recordStart(path, arguments, showState);

    const std::wstring product = productFor(path);
    const std::wstring title = product + L" installer (stand-in)";
    const std::wstring text =
        L"This is a stand-in on the demo disc. On a real disc the real " + product + L" installer would run here.";

    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = windowProcedure;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = L"TrenchmoorStandIn";
    RegisterClassW(&windowClass);

    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
    RECT frame{0, 0, 360, 120};
    AdjustWindowRectEx(&frame, style, FALSE, 0);
    const HWND window = CreateWindowExW(0, windowClass.lpszClassName, title.c_str(), style, CW_USEDEFAULT,
                                        CW_USEDEFAULT, frame.right - frame.left, frame.bottom - frame.top,
                                        nullptr, nullptr, instance, nullptr);
    const HFONT font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    const HWND label = CreateWindowExW(0, L"STATIC", text.c_str(), WS_CHILD | WS_VISIBLE, 12, 12, 336, 56,
                                       window, nullptr, instance, nullptr);
    const HWND button = CreateWindowExW(0, L"BUTTON", L"&Close", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON,
                                        264, 80, 84, 28, window,
                                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(CLOSE_BUTTON)), instance, nullptr);
    SendMessageW(label, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    SendMessageW(button, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    ShowWindow(window, showState);
    SetFocus(button);

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (!IsDialogMessageW(window, &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    return 0;
}
