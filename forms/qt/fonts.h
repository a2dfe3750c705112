// Fonts and colours of the forms as Qt draws them.
#pragma once

#include "forms/core/formdef.h"

#include <QColor>
#include <QFont>
#include <QPalette>

namespace qtport {

// Makes sure some face can draw the texts: the program carries Liberation Sans,
// registers it where the system has none, and makes it the application's font
// where the system has no usable face. Called when text is first drawn (a
// form's window with text, a label, a button), not at start: a screen without
// text (the welcome) is drawn before the font database is built.
void ensureFaces();

QFont fontFor(const engine::FontDef &font);
QColor colourFor(const engine::Colour &colour, const QPalette &palette);

} // namespace qtport
