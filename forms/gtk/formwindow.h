// The GTK port's form windows (see gtkport.h).
#pragma once

#include "forms/core/form.h"

#include <vector>

#include <gtk/gtk.h>

namespace gtkport {

class ButtonPeer;

class FormWindow : public engine::WindowPeer {
public:
    explicit FormWindow(engine::Form &form);
    ~FormWindow() override;

    GtkWidget *window() const { return m_window; }
    // The container the controls stand in, at their pixel places.
    GtkWidget *area() const { return m_area; }
    engine::Form &form() const { return m_form; }

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

private:
    static gboolean onKeyPress(GtkWidget *, GdkEventKey *event, FormWindow *self);
    static gboolean onDelete(GtkWidget *, GdkEvent *, FormWindow *self);
    static gboolean onConfigure(GtkWidget *, GdkEvent *, FormWindow *self);
    static gboolean onProperty(GtkWidget *, GdkEventProperty *event, FormWindow *self);
    static gboolean onState(GtkWidget *, GdkEventWindowState *event, FormWindow *self);
    static gboolean onDraw(GtkWidget *area, cairo_t *cr, FormWindow *self);
    static void onRealize(GtkWidget *, FormWindow *self);
    static void onFocusVisible(GtkWidget *, GParamSpec *, FormWindow *self);
    // Tells the form where its window is, once the event loop is back.
    void reportMoveLater();
    // An opaque picture covers the whole client area: the backdrop is not seen.
    bool coveredByImage() const;

    engine::Form &m_form;
    GtkWidget *m_window = nullptr;
    GtkWidget *m_area = nullptr;
    bool m_coversScreen = false; // borderless and maximised: the whole screen
    std::vector<ButtonPeer *> m_tabOrder;
    guint m_movedLater = 0; // the pending report of a move
};

} // namespace gtkport
