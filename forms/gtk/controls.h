// The GTK port's controls: images and labels drawn by the port in widgets of
// their own (no window of their own, so a transparent label shows what lies
// below it), buttons as GtkButtons; the colours they use.
#pragma once

#include "formwindow.h"

#include <memory>
#include <string>

#include <gtk/gtk.h>

namespace gtkport {

// The RGB of a colour of the layouts; the system colours from the theme.
GdkRGBA colourOf(const engine::Colour &colour, GtkWidget *widget);

// An Image or a Label: a widget that the port paints, at its exact size.
class PaintedPeer : public engine::ControlPeer {
public:
    PaintedPeer(FormWindow &window, const engine::ControlDef &def);
    ~PaintedPeer() override;
    void setGeometry(const engine::PixelRect &rect) override;
    void setVisible(bool visible) override;
    void setCaption(const std::string &) override {}
    // Images and labels take no focus and no keys.
    bool isShown() const override { return false; }
    bool hasFocus() const override { return false; }
    void setFocus(bool) override {}
    void click() override {}

    GtkWidget *widget() const { return m_widget; }
    virtual void paint(cairo_t *cr, int width, int height) = 0;

protected:
    FormWindow &m_window;
    const engine::ControlDef &m_def;
    GtkWidget *m_widget = nullptr;
};

// A CommandButton: a GtkButton whose caption underlines its access key.
class ButtonPeer : public engine::ControlPeer {
public:
    ButtonPeer(FormWindow &window, engine::CommandButton &button);
    ~ButtonPeer() override;

    GtkWidget *widget() const { return m_widget; }
    engine::CommandButton &button() const { return m_button; }

    void setGeometry(const engine::PixelRect &r) override;
    void setVisible(bool visible) override;
    void setCaption(const std::string &text) override;
    bool isShown() const override;
    bool hasFocus() const override;
    void setFocus(bool byKeyboard) override;
    void click() override;

private:
    static void onClicked(GtkButton *, ButtonPeer *self);

    FormWindow &m_window;
    engine::CommandButton &m_button;
    GtkWidget *m_widget = nullptr;
    GtkWidget *m_label = nullptr;
};

std::unique_ptr<engine::ControlPeer> createControlPeer(FormWindow &window, engine::Control &control);

} // namespace gtkport
