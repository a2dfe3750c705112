// A small Windows helper for the tests under Wine, a console program:
//
//     wintool show TITLE      shows a window with that title until it is closed
//     wintool styles TITLE    prints what Windows says about the visible top-level
//                             window of that exact title, one "key value" a line
//
// `styles` prints: caption, sysmenu, minbox, maxbox, popup, toolwindow and
// owned (0 or 1), then rect (outer LEFT TOP RIGHT BOTTOM) and client (WIDTH
// HEIGHT), so that a test checks a frame without a close box, a window kept
// off the taskbar, a popup covering the screen. Exit status 1: no such window.
#include <cstdio>
#include <string>

#include <fcntl.h>
#include <io.h>

#include <windows.h>

namespace {

std::string utf8(const std::wstring &text)
{
    if (text.empty())
        return {};
    const int length = WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0, nullptr, nullptr);
    std::string result(std::size_t(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), result.data(), length, nullptr, nullptr);
    return result;
}

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
    std::printf("rect %ld %ld %ld %ld\n", outer.left, outer.top, outer.right, outer.bottom);
    std::printf("client %ld %ld\n", client.right, client.bottom);
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
    std::fprintf(stderr, "usage: wintool show TITLE | styles TITLE\n");
    return 2;
}
