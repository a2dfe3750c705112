#include "win32port.h"

#include "controls.h"
#include "formwindow.h"
#include "text.h"

#include "forms/core/errors.h"

#include <deque>
#include <functional>

#include <commctrl.h>
#include <ole2.h>

namespace win32port {

using namespace engine;

namespace {

std::deque<std::function<void()>> &tasks()
{
    static std::deque<std::function<void()>> queue;
    return queue;
}

LRESULT CALLBACK engineProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_ENGINE_DESTROY:
        DestroyWindow(reinterpret_cast<HWND>(wParam));
        return 0;
    case WM_ENGINE_TASK:
        if (!tasks().empty()) {
            std::function<void()> task = std::move(tasks().front());
            tasks().pop_front();
            guarded(task);
        }
        return 0;
    case WM_CLOSE:
        return 0; // never shown, never closed
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

// A key as the engine's key rules see it, from WM_KEYDOWN or WM_SYSKEYDOWN.
KeyPress keyPressFrom(const MSG &message)
{
    KeyPress key;
    const WPARAM code = message.wParam;
    if (code == VK_RETURN)
        key.kind = KeyPress::Enter;
    else if (code == VK_ESCAPE)
        key.kind = KeyPress::Escape;
    else if (code == VK_SPACE)
        key.kind = KeyPress::Space;
    else if (code == VK_TAB)
        key.kind = KeyPress::Tab;
    else if (code >= 'A' && code <= 'Z') {
        key.kind = KeyPress::Letter;
        key.letter = char(code);
    }
    const WORD flags = HIWORD(message.lParam);
    key.alt = (flags & KF_ALTDOWN) != 0;
    key.control = GetKeyState(VK_CONTROL) < 0;
    key.shift = GetKeyState(VK_SHIFT) < 0;
    key.repeated = (flags & KF_REPEAT) != 0; // the key was down already: held
    return key;
}

// Keys for a form go to the engine's key rules before Windows sees them; what
// the rules leave alone goes on as usual (Space to the focused button, Alt+F4
// to the window's close request).
bool handledAsKey(const MSG &message)
{
    if (message.message != WM_KEYDOWN && message.message != WM_SYSKEYDOWN)
        return false;
    FormWindow *window = FormWindow::of(message.hwnd);
    if (!window)
        return false;
    const KeyPress key = keyPressFrom(message);
    if (key.kind == KeyPress::Other)
        return false;
    Form &form = window->form();
    bool used = false;
    // A pressed button's handler may unload the form: `window` is not used after a key that was used.
    guarded([&] { used = form.keyPressed(key); });
    return used;
}

void process(MSG &message)
{
    if (handledAsKey(message))
        return;
    TranslateMessage(&message);
    DispatchMessageW(&message);
}

class Win32Port : public Port {
public:
    std::unique_ptr<WindowPeer> createWindow(Form &form) override { return std::make_unique<FormWindow>(form); }
    std::unique_ptr<ControlPeer> createControl(WindowPeer &window, Control &control) override
    {
        return createControlPeer(static_cast<FormWindow &>(window), control);
    }
    ScreenMetrics screen() override
    {
        // The primary monitor; the program is system-DPI aware (its manifest
        // says so), so these are the system's pixels and resolution.
        const HDC dc = GetDC(nullptr);
        ScreenMetrics metrics{GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN),
                              double(GetDeviceCaps(dc, LOGPIXELSX)), double(GetDeviceCaps(dc, LOGPIXELSY))};
        ReleaseDC(nullptr, dc);
        if (metrics.width <= 0 || metrics.height <= 0)
            raise(err::NoDisplay, "No screen is available");
        return metrics;
    }
    std::string programFolder() override
    {
        std::wstring path(32768, L'\0');
        path.resize(GetModuleFileNameW(nullptr, path.data(), DWORD(path.size())));
        const std::size_t separator = path.find_last_of(L"\\/");
        std::wstring folder = separator == std::wstring::npos ? L"." : path.substr(0, separator);
        // A drive's root keeps its backslash: "D:\".
        if (folder.size() == 2 && folder[1] == L':')
            folder += L'\\';
        return utf8(folder);
    }
    int run() override
    {
        MSG message;
        BOOL result;
        while ((result = GetMessageW(&message, nullptr, 0, 0)) > 0)
            process(message);
        return result == 0 ? int(message.wParam) : 1;
    }
    void quit(int status) override { PostQuitMessage(status); }
    void runNested(NestedLoop &loop) override
    {
        MSG message;
        while (!loop.quitRequested) {
            const BOOL result = GetMessageW(&message, nullptr, 0, 0);
            if (result <= 0) {
                // The program is ending: the outer loop sees the same.
                PostQuitMessage(result == 0 ? int(message.wParam) : 1);
                return;
            }
            process(message);
        }
    }
    void quitNested(NestedLoop &loop) override
    {
        loop.quitRequested = true;
        // Wakes the loop, should it be waiting below another one.
        PostMessageW(environment().engineWindow, WM_NULL, 0, 0);
    }
    void post(std::function<void()> task) override
    {
        tasks().push_back(std::move(task));
        PostMessageW(environment().engineWindow, WM_ENGINE_TASK, 0, 0);
    }
    // Started programs are not watched on Windows: nothing is left to reap.
    bool watchReadable(int, std::function<void()>) override { return false; }
    void stopWatching(int) override {}
    void showFatalError(const std::string &title, const std::string &message) override
    {
        MessageBoxW(nullptr, wide(message).c_str(), wide(title).c_str(),
                    MB_OK | MB_ICONERROR | MB_TASKMODAL | MB_SETFOREGROUND);
    }
};

} // namespace

void install(HINSTANCE instance, HICON defaultIcon)
{
    Environment &env = environment();
    env.instance = instance;
    env.defaultIcon = defaultIcon ? defaultIcon : LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION));
    OleInitialize(nullptr);
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);

    WNDCLASSEXW engineClass{};
    engineClass.cbSize = sizeof engineClass;
    engineClass.lpfnWndProc = engineProcedure;
    engineClass.hInstance = instance;
    engineClass.lpszClassName = L"TrenchmoorEngine";
    RegisterClassExW(&engineClass);
    // A top-level window that is never shown (a message-only window cannot own others).
    env.engineWindow = CreateWindowExW(0, engineClass.lpszClassName, L"", WS_OVERLAPPED, 0, 0, 0, 0, nullptr,
                                       nullptr, instance, nullptr);

    // Buttons use the engine's default font: MS Sans Serif, 8 points.
    const HDC dc = GetDC(nullptr);
    const int dpi = GetDeviceCaps(dc, LOGPIXELSY);
    ReleaseDC(nullptr, dc);
    env.buttonFont = CreateFontW(-MulDiv(8, dpi, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, ANSI_CHARSET,
                                 OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, VARIABLE_PITCH | FF_SWISS,
                                 L"MS Sans Serif");

    static Win32Port port;
    setPort(&port);
    if (!env.engineWindow)
        raise(err::NoDisplay, "No window system is available");
}

HWND windowOf(Form &form)
{
    return static_cast<FormWindow &>(form.window()).handle();
}

HWND windowOf(const Control &control)
{
    return buttonHandle(control.peer());
}

} // namespace win32port
