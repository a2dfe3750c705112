#include "formwindow.h"

#include "pictures.h"
#include "text.h"

#include "forms/core/errors.h"
#include "forms/core/labellayout.h"

#include <algorithm>
#include <cmath>
#include <cwchar>

#include <commctrl.h>

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

COLORREF colourOf(const Colour &colour)
{
    switch (colour.kind) {
    case Colour::Rgb:
        return RGB(colour.red, colour.green, colour.blue);
    case Colour::WindowBackground:
        return GetSysColor(COLOR_WINDOW);
    case Colour::ButtonFace:
        break;
    }
    return GetSysColor(COLOR_BTNFACE);
}

void fill(HDC dc, const RECT &rect, COLORREF colour)
{
    const COLORREF old = SetBkColor(dc, colour);
    ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &rect, nullptr, 0, nullptr);
    SetBkColor(dc, old);
}

int systemDpi()
{
    const HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : 96;
}

// A font of the layout at the system's resolution. "MS Sans Serif" and
// "Arial" are Windows' own; GDI finds the nearest face where they are missing.
HFONT createFont(const FontDef &def)
{
    LOGFONTW font{};
    font.lfHeight = -LONG(std::lround(def.points * systemDpi() / 72.0));
    font.lfWeight = def.weight;
    font.lfCharSet = ANSI_CHARSET;
    font.lfOutPrecision = OUT_DEFAULT_PRECIS;
    font.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    font.lfQuality = DEFAULT_QUALITY;
    font.lfPitchAndFamily = VARIABLE_PITCH | FF_SWISS;
    const std::wstring face = wide(def.face);
    std::wcsncpy(font.lfFaceName, face.c_str(), LF_FACESIZE - 1);
    return CreateFontIndirectW(&font);
}

RECT rectOf(const PixelRect &r)
{
    return RECT{r.x, r.y, r.x + r.width, r.y + r.height};
}

// --- light-weight controls: drawn by their form ---------------------------------

class LightPeer : public ControlPeer {
public:
    LightPeer(FormWindow &window, const ControlDef &def) : m_window(window), m_def(def), m_visible(def.visible) {}
    void setGeometry(const PixelRect &rect) override
    {
        if (m_visible)
            m_window.invalidate(m_rect);
        m_rect = rect;
        if (m_visible)
            m_window.invalidate(m_rect);
    }
    void setVisible(bool visible) override
    {
        if (visible == m_visible)
            return;
        m_visible = visible;
        m_window.invalidate(m_rect);
    }
    void setCaption(const std::string &) override {}
    // Images and labels take no focus and no keys.
    bool isShown() const override { return false; }
    bool hasFocus() const override { return false; }
    void setFocus(bool) override {}
    void click() override {}

    bool visible() const { return m_visible; }
    const PixelRect &rect() const { return m_rect; }
    virtual void paint(HDC dc) = 0;

protected:
    FormWindow &m_window;
    const ControlDef &m_def;
    bool m_visible;
    PixelRect m_rect;
};

class ImagePeer : public LightPeer {
public:
    ImagePeer(FormWindow &window, const ControlDef &def)
        : LightPeer(window, def), m_picture(decodePicture(def.picture.resource, def.picture.description))
    {
    }
    ~ImagePeer() override
    {
        if (m_scaled)
            DeleteObject(m_scaled);
    }
    void paint(HDC dc) override
    {
        if (m_rect.width <= 0 || m_rect.height <= 0)
            return;
        if (m_picture.icon) {
            DrawIconEx(dc, m_rect.x, m_rect.y, m_picture.icon, m_def.stretch ? m_rect.width : 0,
                       m_def.stretch ? m_rect.height : 0, 0, nullptr, DI_NORMAL);
            return;
        }
        const HDC source = CreateCompatibleDC(dc);
        if (!m_def.stretch) {
            const HGDIOBJ old = SelectObject(source, m_picture.bitmap);
            BitBlt(dc, m_rect.x, m_rect.y, std::min(m_rect.width, m_picture.width),
                   std::min(m_rect.height, m_picture.height), source, 0, 0, SRCCOPY);
            SelectObject(source, old);
        } else {
            // Scaled once per size, not on every paint.
            if (!m_scaled || m_scaledWidth != m_rect.width || m_scaledHeight != m_rect.height)
                scale(dc);
            const HGDIOBJ old = SelectObject(source, m_scaled);
            BitBlt(dc, m_rect.x, m_rect.y, m_rect.width, m_rect.height, source, 0, 0, SRCCOPY);
            SelectObject(source, old);
        }
        DeleteDC(source);
    }

private:
    void scale(HDC dc)
    {
        if (m_scaled)
            DeleteObject(m_scaled);
        m_scaled = CreateCompatibleBitmap(dc, m_rect.width, m_rect.height);
        m_scaledWidth = m_rect.width;
        m_scaledHeight = m_rect.height;
        const HDC from = CreateCompatibleDC(dc), to = CreateCompatibleDC(dc);
        const HGDIOBJ oldFrom = SelectObject(from, m_picture.bitmap);
        const HGDIOBJ oldTo = SelectObject(to, m_scaled);
        SetStretchBltMode(to, HALFTONE);
        SetBrushOrgEx(to, 0, 0, nullptr);
        StretchBlt(to, 0, 0, m_rect.width, m_rect.height, from, 0, 0, m_picture.width, m_picture.height, SRCCOPY);
        SelectObject(from, oldFrom);
        SelectObject(to, oldTo);
        DeleteDC(from);
        DeleteDC(to);
    }

    const Picture &m_picture;
    HBITMAP m_scaled = nullptr;
    int m_scaledWidth = 0, m_scaledHeight = 0;
};

class LabelPeer : public LightPeer {
public:
    LabelPeer(FormWindow &window, Label &label)
        : LightPeer(window, label.definition()), m_caption(label.Caption()), m_font(createFont(m_def.font))
    {
    }
    ~LabelPeer() override { DeleteObject(m_font); }
    void setCaption(const std::string &text) override
    {
        m_caption = text;
        if (m_visible)
            m_window.invalidate(m_rect);
    }
    void paint(HDC dc) override
    {
        const RECT area = rectOf(m_rect);
        if (m_def.backStyle == BackStyle::Opaque)
            fill(dc, area, colourOf(m_def.backColor));
        const int saved = SaveDC(dc);
        // Cut off at the label's edges, the bottom included.
        IntersectClipRect(dc, area.left, area.top, area.right, area.bottom);
        SelectObject(dc, m_font);
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, colourOf(m_def.foreColor));
        SetTextAlign(dc, TA_LEFT | TA_TOP | TA_NOUPDATECP);
        TEXTMETRICW metrics{};
        GetTextMetricsW(dc, &metrics);
        const std::vector<std::string> lines = layoutLabelLines(
            m_caption,
            [dc](const std::string &piece) {
                const std::wstring text = wide(piece);
                SIZE size{};
                GetTextExtentPoint32W(dc, text.c_str(), int(text.size()), &size);
                return double(size.cx);
            },
            m_rect.width);
        int y = m_rect.y;
        for (const std::string &line : lines) {
            if (y - m_rect.y >= m_rect.height)
                break;
            const std::wstring text = wide(line);
            TextOutW(dc, m_rect.x, y, text.c_str(), int(text.size()));
            y += metrics.tmHeight + metrics.tmExternalLeading;
        }
        RestoreDC(dc, saved);
    }

private:
    std::string m_caption;
    HFONT m_font;
};

} // namespace

// --- buttons: real BUTTON controls --------------------------------------------

class ButtonPeer : public ControlPeer {
public:
    ButtonPeer(FormWindow &window, CommandButton &button) : m_window(window), m_button(button)
    {
        const ControlDef &def = button.definition();
        DWORD style = WS_CHILD | WS_TABSTOP | WS_CLIPSIBLINGS | BS_NOTIFY;
        style |= def.isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
        m_handle = CreateWindowExW(0, L"BUTTON", wide(button.Caption()).c_str(), style, 0, 0, 1, 1, window.handle(),
                                   nullptr, environment().instance, nullptr);
        if (!m_handle)
            raise(err::OutOfMemory, "Out of memory (" + def.name + ")");
        SetWindowLongPtrW(m_handle, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        SendMessageW(m_handle, WM_SETFONT, reinterpret_cast<WPARAM>(environment().buttonFont), FALSE);
        if (!def.toolTipText.empty())
            addToolTip(wide(def.toolTipText));
    }
    ~ButtonPeer() override
    {
        // The window goes with its form's window, once the handler that
        // unloaded the form has returned to the message loop.
        SetWindowLongPtrW(m_handle, GWLP_USERDATA, 0);
    }
    static ButtonPeer *of(HWND handle)
    {
        wchar_t name[16];
        if (!handle || !GetClassNameW(handle, name, 16) || _wcsicmp(name, L"BUTTON") != 0)
            return nullptr;
        return reinterpret_cast<ButtonPeer *>(GetWindowLongPtrW(handle, GWLP_USERDATA));
    }

    HWND handle() const { return m_handle; }
    CommandButton &button() const { return m_button; }

    void setGeometry(const PixelRect &r) override { MoveWindow(m_handle, r.x, r.y, r.width, r.height, TRUE); }
    void setVisible(bool visible) override { ShowWindow(m_handle, visible ? SW_SHOWNA : SW_HIDE); }
    void setCaption(const std::string &text) override { SetWindowTextW(m_handle, wide(text).c_str()); }
    bool isShown() const override { return IsWindowVisible(m_handle) && IsWindowEnabled(m_handle); }
    bool hasFocus() const override { return GetFocus() == m_handle; }
    void setFocus(bool byKeyboard) override
    {
        m_window.m_lastFocus = m_handle;
        SetFocus(m_handle);
        if (byKeyboard)
            SendMessageW(m_window.handle(), WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
        m_window.updateDefaultFrame();
    }
    // The same way as a mouse click: the notification to the form.
    void click() override
    {
        SendMessageW(m_window.handle(), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(m_handle), BN_CLICKED),
                     reinterpret_cast<LPARAM>(m_handle));
    }
    void setDefaultFrame(bool on)
    {
        const bool now = (GetWindowLongPtrW(m_handle, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
        if (now != on)
            SendMessageW(m_handle, BM_SETSTYLE, on ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
    }

private:
    void addToolTip(const std::wstring &text)
    {
        if (!m_window.m_tooltip) {
            m_window.m_tooltip = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                                                 WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
                                                 CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, m_window.handle(),
                                                 nullptr, environment().instance, nullptr);
        }
        if (!m_window.m_tooltip)
            return; // a tip is a help, not a function: the button works without
        m_tipText = text;
        TTTOOLINFOW tool{};
        tool.cbSize = TTTOOLINFOW_V2_SIZE;
        tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        tool.hwnd = m_window.handle();
        tool.uId = reinterpret_cast<UINT_PTR>(m_handle);
        tool.lpszText = m_tipText.data();
        SendMessageW(m_window.m_tooltip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    }

    FormWindow &m_window;
    CommandButton &m_button;
    HWND m_handle = nullptr;
    std::wstring m_tipText;
};

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

void FormWindow::moveFocus(bool backwards)
{
    const int count = int(m_tabOrder.size());
    if (count == 0)
        return;
    int at = -1;
    for (int i = 0; i < count; ++i) {
        if (m_tabOrder[i]->hasFocus())
            at = i;
    }
    for (int step = 1; step <= count; ++step) {
        const int next = ((at < 0 ? (backwards ? 0 : -1) : at) + (backwards ? -step : step) + 2 * count) % count;
        if (m_tabOrder[next]->isShown()) {
            m_tabOrder[next]->setFocus(true);
            return;
        }
    }
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
    const RECT area = rectOf(rect);
    InvalidateRect(m_window, &area, FALSE);
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
        const RECT &area = ps.rcPaint;
        const int width = area.right - area.left, height = area.bottom - area.top;
        if (width > 0 && height > 0) {
            // Drawn off screen first: pictures and labels appear at once, without flicker.
            const HDC buffer = CreateCompatibleDC(dc);
            const HBITMAP bitmap = CreateCompatibleBitmap(dc, width, height);
            const HGDIOBJ old = SelectObject(buffer, bitmap);
            SetViewportOrgEx(buffer, -area.left, -area.top, nullptr);
            guarded([&] { paint(buffer, area); });
            SetViewportOrgEx(buffer, 0, 0, nullptr);
            BitBlt(dc, area.left, area.top, width, height, buffer, 0, 0, SRCCOPY);
            SelectObject(buffer, old);
            DeleteObject(bitmap);
            DeleteDC(buffer);
        }
        EndPaint(m_window, &ps);
        return 0;
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

std::unique_ptr<ControlPeer> createControlPeer(FormWindow &window, Control &control)
{
    switch (control.definition().kind) {
    case ControlKind::Image:
        return std::make_unique<ImagePeer>(window, control.definition());
    case ControlKind::Label:
        return std::make_unique<LabelPeer>(window, static_cast<Label &>(control));
    case ControlKind::CommandButton:
        return std::make_unique<ButtonPeer>(window, static_cast<CommandButton &>(control));
    }
    return nullptr;
}

HWND buttonHandle(const ControlPeer *peer)
{
    auto *button = dynamic_cast<const ButtonPeer *>(peer);
    return button ? button->handle() : nullptr;
}

} // namespace win32port
