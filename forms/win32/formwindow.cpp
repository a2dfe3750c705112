#include "formwindow.h"

#include "controls.h"
#include "pictures.h"
#include "text.h"

#include "forms/core/errors.h"

#include <algorithm>
#include <cwchar>

#include <oleacc.h>

namespace win32port {

using namespace engine;

Environment &environment()
{
    static Environment env;
    return env;
}

namespace {

constexpr wchar_t formClassName[] = L"TrenchmoorForm";

// Every form window of the program, for modal shows to disable the others.
std::vector<FormWindow *> &allWindows()
{
    static std::vector<FormWindow *> windows;
    return windows;
}

// oleacc's annotation service, made at the first dialog; null where the
// system has none. Through it a form tells screen readers what it is: the
// object oleacc makes for a window of the form's class says "client".
IAccPropServices *accessibility()
{
    static IAccPropServices *const services = [] {
        IAccPropServices *made = nullptr;
        if (FAILED(CoCreateInstance(CLSID_AccPropServices, nullptr, CLSCTX_INPROC_SERVER, IID_IAccPropServices,
                                    reinterpret_cast<void **>(&made))))
            return static_cast<IAccPropServices *>(nullptr);
        return made;
    }();
    return services;
}

} // namespace

// --- forms -------------------------------------------------------------------

FormWindow::FormWindow(Form &form) : m_form(form)
{
    static const ATOM atom = [] {
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = procedure;
        windowClass.hInstance = environment().instance;
        windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
        windowClass.lpszClassName = formClassName;
        return RegisterClassExW(&windowClass);
    }();
    if (!atom)
        raise(err::OutOfMemory, "Out of memory (" + form.name() + ")");

    const FormDef &def = form.definition();
    HWND owner = nullptr;
    if (def.borderStyle == BorderStyle::None) {
        m_style = WS_POPUP;
        m_coversScreen = def.windowState == WindowState::Maximized;
    } else {
        // Fixed Single: a thin frame and a title bar; the boxes only with a control box.
        m_style = WS_OVERLAPPED | WS_CAPTION;
        if (def.controlBox) {
            m_style |= WS_SYSMENU;
            if (def.minButton)
                m_style |= WS_MINIMIZEBOX;
            if (def.maxButton)
                m_style |= WS_MAXIMIZEBOX;
        }
    }
    m_style |= WS_CLIPCHILDREN;
    // Off the taskbar: owned by the engine's hidden window, which outlives
    // every form (a form that owned another could unload first).
    if (def.showInTaskbar)
        m_exStyle |= WS_EX_APPWINDOW;
    else
        owner = environment().engineWindow;

    m_window = CreateWindowExW(m_exStyle, formClassName, wide(def.caption).c_str(), m_style, 0, 0, 100, 100, owner,
                               nullptr, environment().instance, this);
    if (!m_window)
        raise(err::OutOfMemory, "Out of memory (" + form.name() + ")");

    HICON icon = nullptr;
    if (def.iconKind == IconKind::Picture)
        icon = decodePicture(def.icon.resource, def.icon.description).icon;
    else if (def.iconKind == IconKind::EngineDefault)
        icon = environment().defaultIcon;
    SendMessageW(m_window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    SendMessageW(m_window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
    m_backBrush = CreateSolidBrush(colourOf(def.backColor));
    // A form that is not maximised is a dialog, and says so to screen readers
    // (where the system has no annotation service, they still read its windows).
    m_isDialog = def.windowState != WindowState::Maximized;
    if (m_isDialog) {
        if (IAccPropServices *services = accessibility()) {
            VARIANT role{};
            role.vt = VT_I4;
            role.lVal = ROLE_SYSTEM_DIALOG;
            services->SetHwndProp(m_window, DWORD(OBJID_CLIENT), CHILDID_SELF, PROPID_ACC_ROLE, role);
        }
    }
    allWindows().push_back(this);
}

FormWindow::~FormWindow()
{
    enableOthers();
    auto &windows = allWindows();
    windows.erase(std::remove(windows.begin(), windows.end(), this), windows.end());
    if (!m_window)
        return;
    SetWindowLongPtrW(m_window, GWLP_USERDATA, 0);
    if (m_isDialog) {
        if (IAccPropServices *services = accessibility())
            services->ClearHwndProps(m_window, DWORD(OBJID_CLIENT), CHILDID_SELF, &PROPID_ACC_ROLE, 1);
    }
    if (m_backBrush)
        DeleteObject(m_backBrush);
    ShowWindow(m_window, SW_HIDE);
    // Destroyed from the message loop: a handler of this window may still be
    // on the stack below the one that unloaded the form.
    PostMessageW(environment().engineWindow, WM_ENGINE_DESTROY, reinterpret_cast<WPARAM>(m_window), 0);
}

FormWindow *FormWindow::of(HWND window)
{
    const HWND root = window ? GetAncestor(window, GA_ROOT) : nullptr;
    if (!root)
        return nullptr;
    wchar_t name[32];
    if (!GetClassNameW(root, name, 32) || std::wcscmp(name, formClassName) != 0)
        return nullptr;
    return reinterpret_cast<FormWindow *>(GetWindowLongPtrW(root, GWLP_USERDATA));
}

Frame FormWindow::frame() const
{
    RECT outer{0, 0, 0, 0};
    AdjustWindowRectEx(&outer, m_style, FALSE, m_exStyle);
    return Frame{-outer.left, -outer.top, outer.right, outer.bottom};
}

void FormWindow::setCaption(const std::string &text)
{
    SetWindowTextW(m_window, wide(text).c_str());
}

std::string FormWindow::caption() const
{
    const int length = GetWindowTextLengthW(m_window);
    std::wstring text(std::size_t(length) + 1, L'\0');
    text.resize(std::size_t(GetWindowTextW(m_window, text.data(), length + 1)));
    return utf8(text);
}

void FormWindow::setGeometry(int x, int y, int clientWidth, int clientHeight)
{
    if (m_coversScreen)
        return;
    const Frame f = frame();
    SetWindowPos(m_window, nullptr, x, y, clientWidth + f.left + f.right, clientHeight + f.top + f.bottom,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

PixelRect FormWindow::geometry() const
{
    RECT outer{}, client{};
    GetWindowRect(m_window, &outer);
    GetClientRect(m_window, &client);
    return {outer.left, outer.top, client.right, client.bottom};
}

std::optional<Frame> FormWindow::drawnFrame() const
{
    // Known from the styles before the window is shown: the frame Windows draws.
    return frame();
}

void FormWindow::show(bool modal, WindowPeer *modalOwner)
{
    if (modal) {
        // Every other form takes no input until this one is hidden.
        for (FormWindow *other : allWindows()) {
            if (other != this && IsWindowEnabled(other->m_window)) {
                EnableWindow(other->m_window, FALSE);
                m_disabled.push_back(other->m_window);
            }
        }
        if (auto *owner = static_cast<FormWindow *>(modalOwner))
            SetWindowLongPtrW(m_window, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(owner->m_window));
    }
    if (m_coversScreen) {
        // The whole primary screen, the taskbar's place included.
        SetWindowPos(m_window, HWND_TOP, 0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN),
                     SWP_SHOWWINDOW);
    } else if (m_form.definition().windowState == WindowState::Maximized) {
        ShowWindow(m_window, SW_SHOWMAXIMIZED);
    } else {
        ShowWindow(m_window, SW_SHOW);
    }
    UpdateWindow(m_window);
}

void FormWindow::bringToFront()
{
    SetWindowPos(m_window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    SetForegroundWindow(m_window);
    if (m_lastFocus && GetFocus() != m_lastFocus)
        SetFocus(m_lastFocus);
}

void FormWindow::enableOthers()
{
    for (HWND window : m_disabled) {
        if (IsWindow(window))
            EnableWindow(window, TRUE);
    }
    m_disabled.clear();
}

void FormWindow::hide()
{
    // Enabled again before this one goes, so that Windows hands the activation
    // to a form of the program and not to another program.
    enableOthers();
    ShowWindow(m_window, SW_HIDE);
}

bool FormWindow::isVisible() const
{
    return IsWindowVisible(m_window);
}

bool FormWindow::isMaximized() const
{
    return m_coversScreen || IsZoomed(m_window);
}

void FormWindow::setTabOrder(const std::vector<ControlPeer *> &order)
{
    m_tabOrder.clear();
    for (ControlPeer *peer : order)
        m_tabOrder.push_back(static_cast<ButtonPeer *>(peer));
}

void FormWindow::updateDefaultFrame()
{
    const HWND focus = GetFocus();
    const bool onButton = std::any_of(m_tabOrder.begin(), m_tabOrder.end(),
                                      [focus](ButtonPeer *b) { return b->handle() == focus; });
    for (ButtonPeer *b : m_tabOrder)
        b->setDefaultFrame(onButton ? b->handle() == focus : b->button().isDefault());
}

void FormWindow::invalidate(const PixelRect &rect)
{
    // The label windows in that part too: a transparent one shows what lies beneath.
    const RECT area = rectOf(rect);
    RedrawWindow(m_window, &area, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
}

void FormWindow::drawBuffered(HDC dc, const RECT &area, POINT at)
{
    const int width = area.right - area.left, height = area.bottom - area.top;
    if (width <= 0 || height <= 0)
        return;
    // Drawn off screen first: pictures and labels appear at once, without flicker.
    const HDC buffer = CreateCompatibleDC(dc);
    const HBITMAP bitmap = CreateCompatibleBitmap(dc, width, height);
    const HGDIOBJ old = SelectObject(buffer, bitmap);
    SetViewportOrgEx(buffer, -area.left, -area.top, nullptr);
    guarded([&] { paint(buffer, area); });
    SetViewportOrgEx(buffer, 0, 0, nullptr);
    BitBlt(dc, at.x, at.y, width, height, buffer, 0, 0, SRCCOPY);
    SelectObject(buffer, old);
    DeleteObject(bitmap);
    DeleteDC(buffer);
}

void FormWindow::paint(HDC dc, const RECT &area)
{
    const FormDef &def = m_form.definition();
    fill(dc, area, colourOf(def.backColor));
    if (def.picture.isSet()) {
        const Picture &backdrop = decodePicture(def.picture.resource, def.picture.description);
        if (backdrop.bitmap) {
            const HDC source = CreateCompatibleDC(dc);
            const HGDIOBJ old = SelectObject(source, backdrop.bitmap);
            BitBlt(dc, 0, 0, backdrop.width, backdrop.height, source, 0, 0, SRCCOPY);
            SelectObject(source, old);
            DeleteDC(source);
        }
    }
    // Back to front: the controls are listed front to back. Buttons are
    // windows of their own and lie above.
    const std::vector<Control *> &controls = m_form.controls();
    for (auto it = controls.rbegin(); it != controls.rend(); ++it) {
        if ((*it)->definition().kind == ControlKind::CommandButton || !(*it)->peer())
            continue;
        auto *peer = static_cast<LightPeer *>((*it)->peer());
        RECT part = rectOf(peer->rect()), overlap;
        if (peer->visible() && IntersectRect(&overlap, &part, &area))
            peer->paint(dc);
    }
}

LRESULT CALLBACK FormWindow::procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto *self = static_cast<FormWindow *>(reinterpret_cast<CREATESTRUCTW *>(lParam)->lpCreateParams);
        self->m_window = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto *self = reinterpret_cast<FormWindow *>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!self)
        return DefWindowProcW(window, message, wParam, lParam);
    return self->handle(message, wParam, lParam);
}

LRESULT FormWindow::handle(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        const HDC dc = BeginPaint(m_window, &ps);
        drawBuffered(dc, ps.rcPaint, POINT{ps.rcPaint.left, ps.rcPaint.top});
        EndPaint(m_window, &ps);
        return 0;
    }
    case WM_DRAWITEM: {
        // A label's window: the form's picture of that part, the label in it.
        const auto *item = reinterpret_cast<const DRAWITEMSTRUCT *>(lParam);
        if (item->CtlType != ODT_STATIC || GetParent(item->hwndItem) != m_window)
            break;
        RECT area;
        GetWindowRect(item->hwndItem, &area);
        MapWindowPoints(nullptr, m_window, reinterpret_cast<POINT *>(&area), 2);
        drawBuffered(item->hDC, area, POINT{item->rcItem.left, item->rcItem.top});
        return TRUE;
    }
    case WM_CTLCOLORBTN:
        // The corners round a push button in the form's own colour.
        return reinterpret_cast<LRESULT>(m_backBrush);
    case WM_COMMAND:
        if (ButtonPeer *button = ButtonPeer::of(reinterpret_cast<HWND>(lParam))) {
            if (HIWORD(wParam) == BN_CLICKED) {
                // The handler may unload the form: nothing of it is used after.
                button->button().clicked();
                return 0;
            }
            if (HIWORD(wParam) == BN_SETFOCUS) {
                m_lastFocus = button->handle();
                updateDefaultFrame();
                return 0;
            }
        }
        break;
    case WM_CLOSE:
        // Alt+F4, the close box, a close request from outside: the form decides.
        guarded([this] { m_form.closeRequested(); });
        return 0;
    case WM_SYSCOMMAND:
        switch (wParam & 0xFFF0) {
        case SC_CLOSE:
            guarded([this] { m_form.closeRequested(); });
            return 0;
        case SC_MINIMIZE:
            if (!m_form.definition().minButton || !m_form.definition().controlBox)
                return 0;
            break;
        case SC_MAXIMIZE:
            if (!m_form.definition().maxButton || !m_form.definition().controlBox)
                return 0;
            break;
        }
        break;
    case WM_ACTIVATE:
        if (LOWORD(wParam) == WA_INACTIVE) {
            const HWND focus = GetFocus();
            if (focus && GetParent(focus) == m_window)
                m_lastFocus = focus;
        } else if (m_lastFocus && IsWindowVisible(m_lastFocus)) {
            // Back to the button that had the focus, as in a dialog.
            SetFocus(m_lastFocus);
            return 0;
        }
        break;
    case WM_SETFOCUS:
        if (m_lastFocus && IsWindowVisible(m_lastFocus))
            SetFocus(m_lastFocus);
        return 0;
    case WM_MOVE:
    case WM_SIZE:
        if (IsWindowVisible(m_window))
            guarded([this] { m_form.windowMoved(); });
        break;
    }
    return DefWindowProcW(m_window, message, wParam, lParam);
}

} // namespace win32port
