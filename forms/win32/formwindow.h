// The Win32 port's form windows (see win32port.h).
#pragma once

#include "forms/core/form.h"

#include <memory>
#include <vector>

#include <windows.h>

namespace win32port {

// What the port keeps for the whole program.
struct Environment {
    HINSTANCE instance = nullptr;
    HICON defaultIcon = nullptr;
    HWND engineWindow = nullptr; // hidden: owner of forms off the taskbar, target of posted work
    HFONT buttonFont = nullptr;
};
Environment &environment();

// Posted to the engine window: destroy the window in wParam.
inline constexpr UINT WM_ENGINE_DESTROY = WM_APP + 1;
// Posted to the engine window: run the next task the engine posted.
inline constexpr UINT WM_ENGINE_TASK = WM_APP + 2;

class ButtonPeer;

class FormWindow : public engine::WindowPeer {
public:
    explicit FormWindow(engine::Form &form);
    ~FormWindow() override;

    HWND handle() const { return m_window; }
    engine::Form &form() const { return m_form; }
    // The form whose window (or a child of it) this is, or null.
    static FormWindow *of(HWND window);
    // The pixel frame Windows draws round the client area for this window's styles.
    engine::Frame frame() const;

    void setCaption(const std::string &text) override;
    void setGeometry(int x, int y, int clientWidth, int clientHeight) override;
    engine::PixelRect geometry() const override;
    std::optional<engine::Frame> drawnFrame() const override;
    void show(bool modal, engine::WindowPeer *modalOwner) override;
    void bringToFront() override;
    void hide() override;
    bool isVisible() const override;
    bool isMaximized() const override;
    std::string caption() const override;
    void setTabOrder(const std::vector<engine::ControlPeer *> &order) override;

    // The focused button carries the default frame; else the Default button.
    void updateDefaultFrame();
    // A light-weight control changed: the form redraws that part.
    void invalidate(const engine::PixelRect &rect);

private:
    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);
    void paint(HDC dc, const RECT &area);
    // Paints `area` of the client off screen, then onto `dc` with its corner at `at`.
    void drawBuffered(HDC dc, const RECT &area, POINT at);
    void enableOthers();

    engine::Form &m_form;
    HWND m_window = nullptr;
    DWORD m_style = 0, m_exStyle = 0;
    bool m_coversScreen = false; // borderless and maximised: the whole screen
    bool m_isDialog = false;     // not maximised: screen readers are told it is a dialog
    std::vector<ButtonPeer *> m_tabOrder;
    HWND m_lastFocus = nullptr;
    std::vector<HWND> m_disabled; // what a modal show disabled, enabled again when it ends
    HWND m_tooltip = nullptr;
    HBRUSH m_backBrush = nullptr;
    friend class ButtonPeer;
};

} // namespace win32port
