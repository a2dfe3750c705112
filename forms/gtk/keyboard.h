// Keys as the engine's key rules see them. A key held down repeats: each
// repeat is marked, so that it presses nothing, whichever window it reaches.
#pragma once

#include "forms/core/keys.h"

#include <gtk/gtk.h>

namespace gtkport {

// Watches every key event of the program (call once, after the display is open).
void watchKeys();

// The key of a press, marked repeated when it was held down already.
engine::KeyPress keyPressFrom(const GdkEventKey *event);

} // namespace gtkport
