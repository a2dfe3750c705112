// What the GTK port asks of an X11 display that GDK has no call for. X11's
// own headers stay in x11.cpp: their macros (None, KeyPress) clash with the
// engine's names.
#pragma once

#include <gdk/gdk.h>

namespace gtkport::x11 {

// Whether the display is an X11 one (XWayland included).
bool isX11(GdkDisplay *display);

// A lost X11 display ends the program with the engine's one line; GDK would
// end it silently.
void endWhenLost(GdkDisplay *display);

// The resolution X11 clients are told (the Xft.dpi resource), or 0.
double xftResolution(GdkDisplay *display);

// Whether the key with this hardware code is held down now; true where it
// cannot be asked.
bool keyIsDown(GdkDisplay *display, unsigned code);

} // namespace gtkport::x11
