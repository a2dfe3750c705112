#include "controls.h"

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

namespace {

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

} // namespace

RECT rectOf(const PixelRect &r)
{
    return RECT{r.x, r.y, r.x + r.width, r.y + r.height};
}

// --- light-weight controls: drawn by their form ---------------------------------

void LightPeer::setGeometry(const PixelRect &rect)
{
    if (m_visible)
        m_window.invalidate(m_rect);
    m_rect = rect;
    if (m_visible)
        m_window.invalidate(m_rect);
}

void LightPeer::setVisible(bool visible)
{
    if (visible == m_visible)
        return;
    m_visible = visible;
    m_window.invalidate(m_rect);
}

namespace {

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

// A label is painted by its form like an image, so that a transparent one shows
// what lies beneath, the other labels included. Its STATIC window holds the
// caption as its text for screen readers (SS_NOPREFIX: "&" is a character);
// owner-drawn, it asks the form to draw its part (WM_DRAWITEM). Where two
// labels overlap, both windows show the same picture, so their order among the
// windows does not matter. It takes no focus, no keys and no clicks (a click
// goes through to the form).
class LabelPeer : public LightPeer {
public:
    LabelPeer(FormWindow &window, Label &label)
        : LightPeer(window, label.definition()), m_caption(label.Caption()), m_font(createFont(m_def.font))
    {
        DWORD style = WS_CHILD | WS_CLIPSIBLINGS | SS_OWNERDRAW | SS_NOPREFIX;
        if (m_visible)
            style |= WS_VISIBLE;
        m_handle = CreateWindowExW(0, L"STATIC", wide(m_caption).c_str(), style, 0, 0, 1, 1, window.handle(),
                                   nullptr, environment().instance, nullptr);
        if (!m_handle)
            raise(err::OutOfMemory, "Out of memory (" + m_def.name + ")");
    }
    // The window goes with its form's window.
    ~LabelPeer() override { DeleteObject(m_font); }
    void setGeometry(const PixelRect &rect) override
    {
        MoveWindow(m_handle, rect.x, rect.y, rect.width, rect.height, FALSE);
        LightPeer::setGeometry(rect);
    }
    void setVisible(bool visible) override
    {
        ShowWindow(m_handle, visible ? SW_SHOWNA : SW_HIDE);
        LightPeer::setVisible(visible);
    }
    void setCaption(const std::string &text) override
    {
        m_caption = text;
        SetWindowTextW(m_handle, wide(text).c_str());
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
    HWND m_handle = nullptr;
};

} // namespace

// --- buttons: real BUTTON controls --------------------------------------------

ButtonPeer::ButtonPeer(FormWindow &window, CommandButton &button) : m_window(window), m_button(button)
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

ButtonPeer::~ButtonPeer()
{
    // The window goes with its form's window, once the handler that
    // unloaded the form has returned to the message loop.
    SetWindowLongPtrW(m_handle, GWLP_USERDATA, 0);
}

ButtonPeer *ButtonPeer::of(HWND handle)
{
    wchar_t name[16];
    if (!handle || !GetClassNameW(handle, name, 16) || _wcsicmp(name, L"BUTTON") != 0)
        return nullptr;
    return reinterpret_cast<ButtonPeer *>(GetWindowLongPtrW(handle, GWLP_USERDATA));
}

void ButtonPeer::setGeometry(const PixelRect &r)
{
    MoveWindow(m_handle, r.x, r.y, r.width, r.height, TRUE);
}

void ButtonPeer::setVisible(bool visible)
{
    ShowWindow(m_handle, visible ? SW_SHOWNA : SW_HIDE);
}

void ButtonPeer::setCaption(const std::string &text)
{
    SetWindowTextW(m_handle, wide(text).c_str());
}

bool ButtonPeer::isShown() const
{
    return IsWindowVisible(m_handle) && IsWindowEnabled(m_handle);
}

bool ButtonPeer::hasFocus() const
{
    return GetFocus() == m_handle;
}

void ButtonPeer::setFocus(bool byKeyboard)
{
    m_window.m_lastFocus = m_handle;
    SetFocus(m_handle);
    if (byKeyboard)
        SendMessageW(m_window.handle(), WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
    m_window.updateDefaultFrame();
}

// The same way as a mouse click: the notification to the form.
void ButtonPeer::click()
{
    SendMessageW(m_window.handle(), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(m_handle), BN_CLICKED),
                 reinterpret_cast<LPARAM>(m_handle));
}

void ButtonPeer::setDefaultFrame(bool on)
{
    const bool now = (GetWindowLongPtrW(m_handle, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
    if (now != on)
        SendMessageW(m_handle, BM_SETSTYLE, on ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
}

void ButtonPeer::addToolTip(const std::wstring &text)
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