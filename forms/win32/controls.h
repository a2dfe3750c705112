// The Win32 port's controls: images and labels drawn by their form (light-weight
// controls; a label also has a STATIC window that holds its text for screen
// readers), buttons as BUTTON windows; the colours and fonts they use.
#pragma once

#include "formwindow.h"

#include <memory>
#include <string>

#include <windows.h>

namespace win32port {

COLORREF colourOf(const engine::Colour &colour);
void fill(HDC dc, const RECT &rect, COLORREF colour);
RECT rectOf(const engine::PixelRect &r);

// An Image or a Label: its form paints it, in the order of the definition.
class LightPeer : public engine::ControlPeer {
public:
    LightPeer(FormWindow &window, const engine::ControlDef &def) : m_window(window), m_def(def), m_visible(def.visible) {}
    void setGeometry(const engine::PixelRect &rect) override;
    void setVisible(bool visible) override;
    void setCaption(const std::string &) override {}
    // Images and labels take no focus and no keys.
    bool isShown() const override { return false; }
    bool hasFocus() const override { return false; }
    void setFocus(bool) override {}
    void click() override {}

    bool visible() const { return m_visible; }
    const engine::PixelRect &rect() const { return m_rect; }
    virtual void paint(HDC dc) = 0;

protected:
    FormWindow &m_window;
    const engine::ControlDef &m_def;
    bool m_visible;
    engine::PixelRect m_rect;
};

// A CommandButton: a BUTTON window.
class ButtonPeer : public engine::ControlPeer {
public:
    ButtonPeer(FormWindow &window, engine::CommandButton &button);
    ~ButtonPeer() override;
    // The peer of a BUTTON window of this port, or null.
    static ButtonPeer *of(HWND handle);

    HWND handle() const { return m_handle; }
    engine::CommandButton &button() const { return m_button; }

    void setGeometry(const engine::PixelRect &r) override;
    void setVisible(bool visible) override;
    void setCaption(const std::string &text) override;
    bool isShown() const override;
    bool hasFocus() const override;
    void setFocus(bool byKeyboard) override;
    void click() override;
    void setDefaultFrame(bool on);

private:
    void addToolTip(const std::wstring &text);

    FormWindow &m_window;
    engine::CommandButton &m_button;
    HWND m_handle = nullptr;
    std::wstring m_tipText;
};

std::unique_ptr<engine::ControlPeer> createControlPeer(FormWindow &window, engine::Control &control);
// The BUTTON window of a command button's peer, or null for other controls.
HWND buttonHandle(const engine::ControlPeer *peer);

} // namespace win32port
