#include "x11.h"

#include "forms/core/errors.h"

#include <cerrno>
#include <cstdlib>
#include <string>

#ifdef GDK_WINDOWING_X11
#include <X11/Xlib.h>
#include <X11/Xresource.h>
#include <gdk/gdkx.h>
#endif

namespace gtkport::x11 {

#ifdef GDK_WINDOWING_X11

namespace {

int displayLost(Display *display)
{
    const int error = errno;
    const std::string name = display ? DisplayString(display) : "";
    engine::failWithoutDisplay(engine::RuntimeError(
        engine::err::NoDisplay,
        "The display was lost (" + std::string(g_strerror(error)) + (name.empty() ? "" : " on " + name) + ")"));
}

} // namespace

bool isX11(GdkDisplay *display)
{
    return display && GDK_IS_X11_DISPLAY(display);
}

void endWhenLost(GdkDisplay *display)
{
    if (isX11(display))
        XSetIOErrorHandler(displayLost);
}

double xftResolution(GdkDisplay *display)
{
    if (!isX11(display))
        return 0;
    const char *resources = XResourceManagerString(GDK_DISPLAY_XDISPLAY(display));
    if (!resources)
        return 0;
    XrmDatabase database = XrmGetStringDatabase(resources);
    char *type = nullptr;
    XrmValue value{};
    double dpi = 0;
    if (XrmGetResource(database, "Xft.dpi", "Xft.Dpi", &type, &value) && value.addr)
        dpi = std::strtod(value.addr, nullptr);
    XrmDestroyDatabase(database);
    return dpi;
}

bool keyIsDown(GdkDisplay *display, unsigned code)
{
    if (!isX11(display) || code > 255)
        return true;
    char keys[32];
    XQueryKeymap(GDK_DISPLAY_XDISPLAY(display), keys);
    return (keys[code / 8] & (1 << (code % 8))) != 0;
}

#else

bool isX11(GdkDisplay *) { return false; }
void endWhenLost(GdkDisplay *) {}
double xftResolution(GdkDisplay *) { return 0; }
bool keyIsDown(GdkDisplay *, unsigned) { return true; }

#endif

} // namespace gtkport::x11
