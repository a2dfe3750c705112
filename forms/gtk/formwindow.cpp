#include "formwindow.h"

#include "controls.h"
#include "gtkport.h"
#include "keyboard.h"
#include "pictures.h"
#include "x11.h"

#include "forms/core/errors.h"

#include <algorithm>


namespace gtkport {

using namespace engine;

namespace {

GdkMonitor *primaryMonitor(GtkWidget *widget)
{
    GdkDisplay *display = gtk_widget_get_display(widget);
    GdkMonitor *monitor = gdk_display_get_primary_monitor(display);
    return monitor ? monitor : gdk_display_get_monitor(display, 0);
}

} // namespace

FormWindow::FormWindow(Form &form) : m_form(form)
{
    const FormDef &def = form.definition();
    m_window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    g_object_ref_sink(m_window);
    gtk_window_set_title(GTK_WINDOW(m_window), def.caption.c_str());
    gtk_widget_set_name(m_window, def.name.c_str());
    // A container that asks for no more room than it is given: the controls
    // stand where the definition puts them, whatever their own sizes.
    m_area = gtk_layout_new(nullptr, nullptr);
    gtk_widget_set_can_focus(m_area, FALSE);
    gtk_widget_show(m_area);
    gtk_container_add(GTK_CONTAINER(m_window), m_area);

    if (def.borderStyle == BorderStyle::None) {
        gtk_window_set_decorated(GTK_WINDOW(m_window), FALSE);
        m_coversScreen = def.windowState == WindowState::Maximized;
    }
    if (def.windowState == WindowState::Normal && def.borderStyle == BorderStyle::FixedSingle) {
        gtk_window_set_resizable(GTK_WINDOW(m_window), FALSE);
        // Its place is asked for as the user's: window managers keep it.
        gtk_window_set_geometry_hints(GTK_WINDOW(m_window), nullptr, nullptr, GDK_HINT_USER_POS);
    }
    if (!def.controlBox) {
        gtk_window_set_type_hint(GTK_WINDOW(m_window), GDK_WINDOW_TYPE_HINT_DIALOG);
        gtk_window_set_deletable(GTK_WINDOW(m_window), FALSE);
    }
    if (!def.showInTaskbar) {
        gtk_window_set_skip_taskbar_hint(GTK_WINDOW(m_window), TRUE);
        gtk_window_set_skip_pager_hint(GTK_WINDOW(m_window), TRUE);
    }
    if (def.iconKind == IconKind::Picture) {
        if (GdkPixbuf *icon = pixbufOf(decodePicture(def.icon.resource, def.icon.description))) {
            gtk_window_set_icon(GTK_WINDOW(m_window), icon);
            g_object_unref(icon);
        }
    } else if (def.iconKind == IconKind::None) {
        GdkPixbuf *blank = gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, 16, 16);
        if (blank) {
            gdk_pixbuf_fill(blank, 0);
            gtk_window_set_icon(GTK_WINDOW(m_window), blank);
            g_object_unref(blank);
        }
    }
    // A dialog reads as one to a screen reader (a GtkWindow says "frame").
    if (def.windowState == WindowState::Normal && def.borderStyle == BorderStyle::FixedSingle)
        atk_object_set_role(gtk_widget_get_accessible(m_window), ATK_ROLE_DIALOG);

    g_signal_connect(m_window, "key-press-event", G_CALLBACK(onKeyPress), this);
    g_signal_connect(m_window, "delete-event", G_CALLBACK(onDelete), this);
    // GtkWindow's own handler ends a configure event's emission: this one goes first.
    g_signal_connect(m_window, "configure-event", G_CALLBACK(onConfigure), this);
    g_signal_connect(m_window, "map-event", G_CALLBACK(onConfigure), this);
    g_signal_connect(m_window, "property-notify-event", G_CALLBACK(onProperty), this);
    g_signal_connect(m_window, "window-state-event", G_CALLBACK(onState), this);
    g_signal_connect_after(m_window, "realize", G_CALLBACK(onRealize), this);
    g_signal_connect(m_window, "notify::focus-visible", G_CALLBACK(onFocusVisible), this);
    g_signal_connect(m_area, "draw", G_CALLBACK(onDraw), this);
}

FormWindow::~FormWindow()
{
    if (m_movedLater)
        g_source_remove(m_movedLater);
    g_signal_handlers_disconnect_by_data(m_window, this);
    g_signal_handlers_disconnect_by_data(m_area, this);
    gtk_widget_hide(m_window);
    // Destroyed from the event loop: a handler of this window may still be on
    // the stack below the one that unloaded the form.
    g_idle_add_full(
        G_PRIORITY_DEFAULT,
        [](gpointer window) -> gboolean {
            gtk_widget_destroy(GTK_WIDGET(window));
            g_object_unref(window);
            return G_SOURCE_REMOVE;
        },
        m_window, nullptr);
}

void FormWindow::onRealize(GtkWidget *, FormWindow *self)
{
    const FormDef &def = self->m_form.definition();
    GdkWindow *native = gtk_widget_get_window(self->m_window);
    if (!def.controlBox && def.borderStyle != BorderStyle::None) {
        // A title bar and a border; no close, minimise or maximise, no menu.
        gdk_window_set_decorations(native, GdkWMDecoration(GDK_DECOR_BORDER | GDK_DECOR_TITLE));
        gdk_window_set_functions(native, GDK_FUNC_MOVE);
    }
}

void FormWindow::setCaption(const std::string &text)
{
    gtk_window_set_title(GTK_WINDOW(m_window), text.c_str());
}

std::string FormWindow::caption() const
{
    const char *title = gtk_window_get_title(GTK_WINDOW(m_window));
    return title ? title : "";
}

void FormWindow::setGeometry(int x, int y, int clientWidth, int clientHeight)
{
    // A form that fills the screen takes the screen's or the work area's size.
    if (m_form.definition().windowState == WindowState::Maximized)
        return;
    gtk_widget_set_size_request(m_area, clientWidth, clientHeight);
    gtk_layout_set_size(GTK_LAYOUT(m_area), guint(clientWidth), guint(clientHeight));
    gtk_window_resize(GTK_WINDOW(m_window), clientWidth, clientHeight);
    // By the outer frame's corner (north-west gravity, GTK's default).
    gtk_window_move(GTK_WINDOW(m_window), x, y);
}

PixelRect FormWindow::geometry() const
{
    int x = 0, y = 0, width = 0, height = 0;
    gtk_window_get_position(GTK_WINDOW(m_window), &x, &y);
    gtk_window_get_size(GTK_WINDOW(m_window), &width, &height);
    return {x, y, width, height};
}

std::optional<Frame> FormWindow::drawnFrame() const
{
    // Only an X11 window manager tells its frame; on Wayland nobody does.
    GdkWindow *native = gtk_widget_get_window(m_window);
    if (!native || !gtk_widget_get_mapped(m_window) || !x11::isX11(gtk_widget_get_display(m_window)))
        return std::nullopt;
    GdkRectangle outer;
    gdk_window_get_frame_extents(native, &outer);
    int x = 0, y = 0;
    gdk_window_get_origin(native, &x, &y);
    const int width = gdk_window_get_width(native), height = gdk_window_get_height(native);
    const Frame frame{x - outer.x, y - outer.y, outer.x + outer.width - (x + width),
                      outer.y + outer.height - (y + height)};
    if (frame == Frame{} || frame.left < 0 || frame.top < 0 || frame.right < 0 || frame.bottom < 0)
        return std::nullopt;
    return frame;
}

void FormWindow::show(bool modal, WindowPeer *modalOwner)
{
    if (modal) {
        gtk_window_set_modal(GTK_WINDOW(m_window), TRUE);
        if (auto *owner = static_cast<FormWindow *>(modalOwner))
            gtk_window_set_transient_for(GTK_WINDOW(m_window), GTK_WINDOW(owner->m_window));
    }
    GdkRectangle screen;
    gdk_monitor_get_geometry(primaryMonitor(m_window), &screen);
    if (m_coversScreen) {
        // The whole screen, panels included, as on Windows: full screen.
        gtk_widget_set_size_request(m_area, 1, 1);
        gtk_layout_set_size(GTK_LAYOUT(m_area), guint(screen.width), guint(screen.height));
        gtk_window_move(GTK_WINDOW(m_window), screen.x, screen.y);
        gtk_window_resize(GTK_WINDOW(m_window), screen.width, screen.height);
        gtk_window_fullscreen(GTK_WINDOW(m_window));
    } else if (m_form.definition().windowState == WindowState::Maximized) {
        // The work area at once, whatever the window manager (if any) does
        // with the request to maximise.
        GdkRectangle work;
        gdk_monitor_get_workarea(primaryMonitor(m_window), &work);
        const Frame f = m_form.frameMargins();
        gtk_widget_set_size_request(m_area, 1, 1);
        gtk_layout_set_size(GTK_LAYOUT(m_area), guint(screen.width), guint(screen.height));
        gtk_window_move(GTK_WINDOW(m_window), work.x, work.y);
        gtk_window_resize(GTK_WINDOW(m_window), std::max(1, work.width - f.left - f.right),
                          std::max(1, work.height - f.top - f.bottom));
        gtk_window_maximize(GTK_WINDOW(m_window));
    }
    gtk_widget_show(m_window);
    // The focused button is seen to be focused from the first frame.
    gtk_window_set_focus_visible(GTK_WINDOW(m_window), TRUE);
}

void FormWindow::onFocusVisible(GtkWidget *, GParamSpec *, FormWindow *self)
{
    if (!gtk_window_get_focus_visible(GTK_WINDOW(self->m_window)))
        gtk_window_set_focus_visible(GTK_WINDOW(self->m_window), TRUE);
}

void FormWindow::bringToFront()
{
    gtk_window_present(GTK_WINDOW(m_window));
}

void FormWindow::hide()
{
    gtk_widget_hide(m_window);
}

bool FormWindow::isVisible() const
{
    return gtk_widget_get_visible(m_window);
}

bool FormWindow::isMaximized() const
{
    GdkWindow *native = gtk_widget_get_window(m_window);
    if (!native)
        return false;
    return (gdk_window_get_state(native) & (GDK_WINDOW_STATE_MAXIMIZED | GDK_WINDOW_STATE_FULLSCREEN)) != 0;
}

void FormWindow::setTabOrder(const std::vector<ControlPeer *> &order)
{
    m_tabOrder.clear();
    for (ControlPeer *peer : order)
        m_tabOrder.push_back(static_cast<ButtonPeer *>(peer));
}

// Every key goes through the engine's key rules, none to GTK's own defaults
// (its buttons' keys, mnemonics, the window's bindings). Space presses the
// focused button, once however long it is held.
gboolean FormWindow::onKeyPress(GtkWidget *, GdkEventKey *event, FormWindow *self)
{
    // A key pressed in a window that has gone since (the dialog it answered)
    // belongs to nobody: GTK would hand it on to the modal dialog now shown.
    if (event->window != gtk_widget_get_window(self->m_window))
        return TRUE;
    const KeyPress key = keyPressFrom(event);
    if (key.kind == KeyPress::Other)
        return TRUE;
    Form &form = self->m_form;
    bool used = false;
    // A pressed button's handler may unload the form: `self` is not used after a key that was used.
    guarded([&] { used = form.keyPressed(key); });
    if (used)
        return TRUE;
    if (key.kind == KeyPress::Space && !key.alt && !key.control && !key.shift && !key.repeated) {
        for (ButtonPeer *button : self->m_tabOrder) {
            if (button->hasFocus() && button->isShown()) {
                button->click();
                break;
            }
        }
    }
    return TRUE;
}

gboolean FormWindow::onDelete(GtkWidget *, GdkEvent *, FormWindow *self)
{
    // The close box, Alt+F4, a close request from outside: the form decides.
    Form &form = self->m_form;
    guarded([&] { form.closeRequested(); });
    return TRUE;
}

gboolean FormWindow::onConfigure(GtkWidget *, GdkEvent *, FormWindow *self)
{
    self->reportMoveLater();
    return FALSE;
}

gboolean FormWindow::onProperty(GtkWidget *, GdkEventProperty *event, FormWindow *self)
{
    // The window manager tells the frame it draws.
    if (event->atom == gdk_atom_intern_static_string("_NET_FRAME_EXTENTS"))
        self->reportMoveLater();
    return FALSE;
}

// Once GTK has taken in what the window system said: where the window is, at
// what size, in which frame. Before it is on screen, the window system has
// placed nothing, and there is nothing to tell.
void FormWindow::reportMoveLater()
{
    if (m_movedLater)
        return;
    m_movedLater = g_idle_add_full(
        G_PRIORITY_DEFAULT,
        [](gpointer data) -> gboolean {
            auto *self = static_cast<FormWindow *>(data);
            self->m_movedLater = 0;
            GdkWindow *native = gtk_widget_get_window(self->m_window);
            if (native && gdk_window_is_viewable(native))
                guarded([self] { self->m_form.windowMoved(); });
            return G_SOURCE_REMOVE;
        },
        this, nullptr);
}

gboolean FormWindow::onState(GtkWidget *, GdkEventWindowState *event, FormWindow *self)
{
    // A form without a minimise button stays on screen: a window manager that
    // minimises it anyway would hide a waiting dialog for good, leaving the
    // player before a screen that takes no input.
    const FormDef &def = self->m_form.definition();
    if ((event->new_window_state & GDK_WINDOW_STATE_ICONIFIED) && (!def.minButton || !def.controlBox)) {
        gtk_window_deiconify(GTK_WINDOW(self->m_window));
        gtk_window_present(GTK_WINDOW(self->m_window));
    }
    self->reportMoveLater();
    return FALSE;
}

gboolean FormWindow::onDraw(GtkWidget *area, cairo_t *cr, FormWindow *self)
{
    if (!gtk_cairo_should_draw_window(cr, gtk_layout_get_bin_window(GTK_LAYOUT(area))))
        return FALSE;
    const FormDef &def = self->m_form.definition();
    const GdkRGBA back = colourOf(def.backColor, area);
    gdk_cairo_set_source_rgba(cr, &back);
    cairo_paint(cr);
    if (def.picture.isSet() && !self->coveredByImage()) {
        // The backdrop is decoded only if some of it can be seen.
        GdkRectangle clip;
        if (gdk_cairo_get_clip_rectangle(cr, &clip)) {
            guarded([&] {
                const Picture &backdrop = decodePicture(def.picture.resource, def.picture.description);
                const GdkRectangle area{0, 0, backdrop.width, backdrop.height};
                if (gdk_rectangle_intersect(&clip, &area, nullptr)) {
                    cairo_set_source_surface(cr, backdrop.surface, 0, 0);
                    cairo_rectangle(cr, 0, 0, backdrop.width, backdrop.height);
                    cairo_fill(cr);
                }
            });
        }
    }
    return FALSE;
}

bool FormWindow::coveredByImage() const
{
    GtkAllocation all;
    gtk_widget_get_allocation(m_area, &all);
    for (Control *control : m_form.controls()) {
        const ControlDef &def = control->definition();
        if (def.kind != ControlKind::Image || !def.stretch || !control->Visible() || !control->peer())
            continue;
        const PixelRect r = control->pixelRect();
        if (r.x <= 0 && r.y <= 0 && r.x + r.width >= all.width && r.y + r.height >= all.height &&
            !decodePicture(def.picture.resource, def.picture.description).hasAlpha)
            return true;
    }
    return false;
}

} // namespace gtkport
