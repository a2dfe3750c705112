// The forms engine on GTK 3: each form a GtkWindow whose GtkLayout holds its
// controls at their exact places, labels and images drawn by the port (the
// core's line breaking, Pango and cairo), buttons GtkButtons; GLib's main loop,
// nested for modal shows; pictures decoded by the program from its GResources.
// X11 wherever it is offered (XWayland included), so that the dialogs open
// where they ask to; Wayland natively where nothing else is.
#pragma once

#include "forms/core/form.h"

#include <string>

#include <gtk/gtk.h>

namespace gtkport {

// Opens the display and installs the GTK port as the engine's window system.
// Call once, first thing; raises "Cannot open the display" where there is none.
// GLib's and GTK's own messages go to stderr only with `showMessages`; a
// display that goes away ends the program with the engine's one line.
void install(bool showMessages);

// The folder of the running program as the file system spells it, bytes and
// all, without a trailing slash except at the root.
std::string programFolder();

// The native widgets, for tests.
GtkWidget *widgetOf(engine::Form &form);
GtkWidget *widgetOf(const engine::Control &control);

} // namespace gtkport
