// A small Windows helper for the tests under Wine, a console program:
//
//     wintool show TITLE      shows a window with that title until it is closed
//     wintool styles TITLE    what Windows says about the visible top-level window
//                             of that exact title, one "key value" a line
//     wintool state           the foreground window and its buttons
//     wintool close TITLE     asks that window to close (WM_CLOSE), as another
//                             program or a task manager would
//
// `styles` prints: caption, sysmenu, minbox, maxbox, popup, toolwindow, owned,
// zoomed and enabled (0 or 1), then rect (outer LEFT TOP RIGHT BOTTOM) and
// client (WIDTH HEIGHT), so that a test checks a frame without a close box, a
// window kept off the taskbar, a popup covering the screen.
// `state` prints "foreground TITLE", "focus TEXT" (the focused control's text,
// or "-"), and "button TEXT X Y" for each visible button of the foreground
// window, X and Y its centre on the screen, in the order of the window's children,
// then "child CLASS TEXT" for each visible child window, its text exactly as
// the window holds it (what a screen reader reads).
// Exit status 1: no such window.
#include <algorithm>
#include <cstdio>
#include <string>

#include <fcntl.h>
#include <io.h>

#include <windows.h>

#include "windows/utf16.h"

namespace {

using utf16::utf8;

struct Search {
    std::wstring title;
    HWND found = nullptr;
};

BOOL CALLBACK matchTitle(HWND window, LPARAM data)
{
    auto *search = reinterpret_cast<Search *>(data);
    if (!IsWindowVisible(window))
        return TRUE;
    wchar_t text[512];
    const int length = GetWindowTextW(window, text, 512);
    if (std::wstring(text, std::size_t(length)) == search->title) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

int printStyles(const std::wstring &title)
{
    Search search{title};
    EnumWindows(matchTitle, reinterpret_cast<LPARAM>(&search));
    if (!search.found) {
        std::printf("no visible window titled \"%s\"\n", utf8(title).c_str());
        return 1;
    }
    const HWND window = search.found;
    const LONG_PTR style = GetWindowLongPtrW(window, GWL_STYLE);
    const LONG_PTR exStyle = GetWindowLongPtrW(window, GWL_EXSTYLE);
    RECT outer, client;
    GetWindowRect(window, &outer);
    GetClientRect(window, &client);
    std::printf("caption %d\n", (style & WS_CAPTION) == WS_CAPTION);
    std::printf("sysmenu %d\n", (style & WS_SYSMENU) != 0);
    std::printf("minbox %d\n", (style & WS_MINIMIZEBOX) != 0);
    std::printf("maxbox %d\n", (style & WS_MAXIMIZEBOX) != 0);
    std::printf("popup %d\n", (style & WS_POPUP) != 0);
    std::printf("toolwindow %d\n", (exStyle & WS_EX_TOOLWINDOW) != 0);
    std::printf("owned %d\n", GetWindow(window, GW_OWNER) != nullptr);
    std::printf("zoomed %d\n", IsZoomed(window) != 0);
    std::printf("enabled %d\n", IsWindowEnabled(window) != 0);
    std::printf("rect %ld %ld %ld %ld\n", outer.left, outer.top, outer.right, outer.bottom);
    std::printf("client %ld %ld\n", client.right, client.bottom);
    return 0;
}

std::wstring textOf(HWND window)
{
    std::wstring text(std::size_t(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(std::size_t(std::max(GetWindowTextW(window, text.data(), int(text.size())), 0)));
    return text;
}

HWND findTitled(const std::wstring &title)
{
    Search search{title};
    EnumWindows(matchTitle, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

BOOL CALLBACK printButton(HWND child, LPARAM)
{
    wchar_t name[16];
    if (!IsWindowVisible(child) || !GetClassNameW(child, name, 16) || _wcsicmp(name, L"Button") != 0)
        return TRUE;
    RECT r;
    GetWindowRect(child, &r);
    std::printf("button %s %ld %ld\n", utf8(textOf(child)).c_str(), (r.left + r.right) / 2, (r.top + r.bottom) / 2);
    return TRUE;
}

BOOL CALLBACK printChild(HWND child, LPARAM)
{
    wchar_t name[64];
    if (IsWindowVisible(child) && GetClassNameW(child, name, 64))
        std::printf("child %s %s\n", utf8(name).c_str(), utf8(textOf(child)).c_str());
    return TRUE;
}

int printState()
{
    const HWND foreground = GetForegroundWindow();
    if (!foreground) {
        std::printf("foreground -\n");
        return 1;
    }
    std::printf("foreground %s\n", utf8(textOf(foreground)).c_str());
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    const DWORD thread = GetWindowThreadProcessId(foreground, nullptr);
    if (GetGUIThreadInfo(thread, &info) && info.hwndFocus && info.hwndFocus != foreground)
        std::printf("focus %s\n", utf8(textOf(info.hwndFocus)).c_str());
    else
        std::printf("focus -\n");
    EnumChildWindows(foreground, printButton, 0);
    EnumChildWindows(foreground, printChild, 0);
    return 0;
}

int closeWindow(const std::wstring &title)
{
    const HWND window = findTitled(title);
    if (!window) {
        std::printf("no visible window titled \"%s\"\n", utf8(title).c_str());
        return 1;
    }
    PostMessageW(window, WM_CLOSE, 0, 0);
    return 0;
}

LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

int showWindow(const std::wstring &title)
{
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = windowProcedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = L"TrenchmoorWineTool";
    RegisterClassW(&windowClass);
    const HWND window = CreateWindowExW(0, windowClass.lpszClassName, title.c_str(), WS_OVERLAPPEDWINDOW, 100, 100,
                                        320, 200, nullptr, nullptr, windowClass.hInstance, nullptr);
    ShowWindow(window, SW_SHOWNORMAL);
    std::printf("shown\n");
    std::fflush(stdout);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}

} // namespace

int wmain(int argc, wchar_t **argv)
{
    // Unix line ends, for the shell scripts that read them.
    _setmode(_fileno(stdout), _O_BINARY);
    const std::wstring command = argc > 1 ? argv[1] : L"";
    if (argc == 3 && command == L"show")
        return showWindow(argv[2]);
    if (argc == 3 && command == L"styles")
        return printStyles(argv[2]);
    if (argc == 2 && command == L"state")
        return printState();
    if (argc == 3 && command == L"close")
        return closeWindow(argv[2]);
    std::fprintf(stderr, "usage: wintool show TITLE | styles TITLE | state | close TITLE\n");
    return 2;
}
