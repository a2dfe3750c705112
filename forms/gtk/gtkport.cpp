#include "gtkport.h"

#include "controls.h"
#include "formwindow.h"
#include "keyboard.h"
#include "x11.h"

#include "forms/core/errors.h"
#include "forms/core/screen.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <glib-unix.h>


namespace gtkport {

using namespace engine;

namespace {

bool verbose = false;

// Text on one line, without blanks at its ends.
std::string oneLine(std::string text)
{
    for (char &c : text) {
        if (c == '\n' || c == '\r' || c == '\t')
            c = ' ';
    }
    const std::size_t begin = text.find_first_not_of(' '), end = text.find_last_not_of(' ');
    return begin == std::string::npos ? std::string() : text.substr(begin, end - begin + 1);
}

// GLib's and GTK's own messages are for developers: a player's terminal stays
// quiet. A fatal one ends the program with the engine's line, never an abort;
// GDK's word that the display went away (Wayland) likewise.
GLogWriterOutput writeLog(GLogLevelFlags level, const GLogField *fields, gsize count, gpointer data)
{
    const char *message = "", *domain = "";
    for (gsize i = 0; i < count; ++i) {
        if (std::strcmp(fields[i].key, "MESSAGE") == 0 && fields[i].length < 0)
            message = static_cast<const char *>(fields[i].value);
        else if (std::strcmp(fields[i].key, "GLIB_DOMAIN") == 0 && fields[i].length < 0)
            domain = static_cast<const char *>(fields[i].value);
    }
    if (hasPort() && std::strcmp(domain, "Gdk") == 0 &&
        (std::strstr(message, "Wayland display") || std::strstr(message, "reading events from display") ||
         std::strstr(message, "lost its connection to the display") || std::strstr(message, "Fatal IO error")))
        failWithoutDisplay(RuntimeError(err::NoDisplay, "The display was lost (" + oneLine(message) + ")"));
    if (level & (G_LOG_FLAG_FATAL | G_LOG_LEVEL_ERROR))
        failWithoutDisplay(RuntimeError(err::Internal, oneLine(message)));
    if (verbose)
        return g_log_writer_default(level, fields, count, data);
    return G_LOG_WRITER_HANDLED;
}


// What libX11 writes to stderr while the display is opened (its reason for a
// refused display) is kept for the engine's one line instead.
class StderrCapture {
public:
    StderrCapture()
    {
        std::fflush(stderr);
        m_saved = ::dup(2);
        m_file = ::memfd_create("stderr", MFD_CLOEXEC);
        if (m_saved >= 0 && m_file >= 0)
            ::dup2(m_file, 2);
    }
    ~StderrCapture() { release(); }
    std::string release()
    {
        std::string text;
        if (m_saved < 0 || m_file < 0)
            return text;
        std::fflush(stderr);
        ::dup2(m_saved, 2);
        ::close(m_saved);
        m_saved = -1;
        char buffer[1024];
        ssize_t got;
        ::lseek(m_file, 0, SEEK_SET);
        while ((got = ::read(m_file, buffer, sizeof buffer)) > 0 && text.size() < 4096)
            text.append(buffer, std::size_t(got));
        ::close(m_file);
        m_file = -1;
        return text;
    }

private:
    int m_saved = -1, m_file = -1;
};


// Buttons at exactly their layout's size: the theme's minimum sizes and
// paddings go; the rest of its look stays.
void loadStyle()
{
    GtkCssProvider *css = gtk_css_provider_new();
    gtk_css_provider_load_from_data(css,
                                    "button.engine { min-height: 0; min-width: 0; padding: 0; }\n"
                                    "button.engine label { min-height: 0; min-width: 0; padding: 0; margin: 0; }\n",
                                    -1, nullptr);
    gtk_style_context_add_provider_for_screen(gdk_screen_get_default(), GTK_STYLE_PROVIDER(css),
                                              GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
    g_object_unref(css);
}

class GtkPort : public Port {
public:
    std::unique_ptr<WindowPeer> createWindow(Form &form) override { return std::make_unique<FormWindow>(form); }
    std::unique_ptr<ControlPeer> createControl(WindowPeer &window, Control &control) override
    {
        return createControlPeer(static_cast<FormWindow &>(window), control);
    }
    ScreenMetrics screen() override
    {
        GdkDisplay *display = gdk_display_get_default();
        GdkMonitor *monitor = display ? gdk_display_get_primary_monitor(display) : nullptr;
        if (display && !monitor)
            monitor = gdk_display_get_monitor(display, 0);
        if (!monitor)
            raise(err::NoDisplay, "No screen is available");
        GdkRectangle area;
        gdk_monitor_get_geometry(monitor, &area);
        double dpi = gdk_screen_get_resolution(gdk_screen_get_default());
        if (dpi <= 0)
            dpi = 96;
        return {area.width, area.height, dpi, dpi};
    }
    std::string programFolder() override { return gtkport::programFolder(); }
    int run() override
    {
        m_main = g_main_loop_new(nullptr, FALSE);
        g_main_loop_run(m_main);
        g_main_loop_unref(m_main);
        m_main = nullptr;
        return m_status;
    }
    void quit(int status) override
    {
        m_status = status;
        if (m_main)
            g_main_loop_quit(m_main);
    }
    void runNested(NestedLoop &loop) override
    {
        if (loop.quitRequested)
            return;
        GMainLoop *events = g_main_loop_new(nullptr, FALSE);
        loop.native = events;
        g_main_loop_run(events);
        loop.native = nullptr;
        g_main_loop_unref(events);
    }
    void quitNested(NestedLoop &loop) override
    {
        loop.quitRequested = true;
        if (loop.native)
            g_main_loop_quit(static_cast<GMainLoop *>(loop.native));
    }
    void post(std::function<void()> task) override
    {
        g_idle_add_full(
            G_PRIORITY_DEFAULT,
            [](gpointer data) -> gboolean {
                guarded(*static_cast<std::function<void()> *>(data));
                return G_SOURCE_REMOVE;
            },
            new std::function<void()>(std::move(task)),
            [](gpointer data) { delete static_cast<std::function<void()> *>(data); });
    }
    bool watchReadable(int fd, std::function<void()> ready) override
    {
        auto *callback = new std::function<void()>(std::move(ready));
        const guint source = g_unix_fd_add_full(
            G_PRIORITY_DEFAULT, fd, G_IO_IN,
            [](int, GIOCondition, gpointer data) -> gboolean {
                guarded(*static_cast<std::function<void()> *>(data));
                return G_SOURCE_CONTINUE;
            },
            callback, [](gpointer data) { delete static_cast<std::function<void()> *>(data); });
        m_watched[fd] = source;
        return true;
    }
    void stopWatching(int fd) override
    {
        auto found = m_watched.find(fd);
        if (found == m_watched.end())
            return;
        // Off before the descriptor is closed: a number used again must not be watched by mistake.
        g_source_remove(found->second);
        m_watched.erase(found);
    }
    void showFatalError(const std::string &title, const std::string &message) override
    {
        GtkWidget *box = gtk_message_dialog_new(nullptr, GTK_DIALOG_MODAL, GTK_MESSAGE_ERROR, GTK_BUTTONS_OK, "%s",
                                                message.c_str());
        gtk_window_set_title(GTK_WINDOW(box), title.c_str());
        gtk_dialog_run(GTK_DIALOG(box));
        gtk_widget_destroy(box);
    }

private:
    GMainLoop *m_main = nullptr;
    int m_status = 0;
    std::map<int, guint> m_watched;
};

} // namespace

void install(bool showMessages)
{
    verbose = showMessages;
    g_log_set_writer_func(writeLog, nullptr, nullptr);
    // X11 wherever it is offered (XWayland too): the dialogs open where they
    // ask to, which Wayland leaves to the compositor. A GDK_BACKEND the player
    // set wins within these two.
    gdk_set_allowed_backends("x11,wayland");
    // Its name for window managers (WM_CLASS) and Wayland (the application's id).
    g_set_prgname("trenchmoor-setup");
    g_set_application_name(App.Title().c_str());
    StderrCapture capture;
    const gboolean opened = gtk_init_check(nullptr, nullptr);
    const std::string said = oneLine(capture.release());
    if (!opened) {
        std::string detail = said;
        if (detail.empty()) {
            const char *display = std::getenv("DISPLAY");
            const char *wayland = std::getenv("WAYLAND_DISPLAY");
            detail = display && *display ? std::string("DISPLAY=") + display
                     : wayland && *wayland ? std::string("WAYLAND_DISPLAY=") + wayland
                                           : "no display is set";
        }
        raise(err::NoDisplay, "Cannot open the display (" + detail + ")");
    }
    if (verbose && !said.empty())
        std::fprintf(stderr, "%s\n", said.c_str());
    GdkDisplay *display = gdk_display_get_default();
    if (x11::isX11(display)) {
        x11::endWhenLost(display);
        // Where no settings service tells GTK a resolution, the one X11 clients are told.
        GtkSettings *settings = gtk_settings_get_default();
        int xsettingsDpi = -1;
        g_object_get(settings, "gtk-xft-dpi", &xsettingsDpi, nullptr);
        const double dpi = x11::xftResolution(display);
        if (xsettingsDpi <= 0 && dpi > 0) {
            g_object_set(settings, "gtk-xft-dpi", int(dpi * 1024), nullptr);
            gdk_screen_set_resolution(gdk_screen_get_default(), dpi);
        }
    }
    loadStyle();
    watchKeys();
    static GtkPort port;
    setPort(&port);
}

std::string programFolder()
{
    char buffer[PATH_MAX + 1];
    const ssize_t length = ::readlink("/proc/self/exe", buffer, PATH_MAX);
    if (length <= 0)
        return ".";
    const std::string path(buffer, std::size_t(length));
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

GtkWidget *widgetOf(Form &form)
{
    return static_cast<FormWindow &>(form.window()).window();
}

GtkWidget *widgetOf(const Control &control)
{
    if (auto *button = dynamic_cast<ButtonPeer *>(control.peer()))
        return button->widget();
    if (auto *painted = dynamic_cast<PaintedPeer *>(control.peer()))
        return painted->widget();
    return nullptr;
}

} // namespace gtkport
