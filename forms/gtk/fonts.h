// The labels' faces. A label is drawn in the face its layout names where the
// system has that face, else in Liberation Sans (the metric twin of Arial,
// close enough to MS Sans Serif in width that labels break where they were
// meant to), never in a substitute of other widths that the system would pick.
// Where the system has no Liberation Sans, the program's own copies are used:
// the font files beside the launcher (fonts/ in the build, linux/fonts/ on the
// disc), given to fontconfig as the program's own fonts.
#pragma once

#include "forms/core/formdef.h"

#include <pango/pango.h>

namespace gtkport {

// A new font description for a layout's font: family, size in points, weight.
// Settles the faces on first use. The caller frees it.
PangoFontDescription *fontFor(const engine::FontDef &font);

} // namespace gtkport
