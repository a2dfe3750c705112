// Fonts and colours of the forms as Qt draws them.
#pragma once

#include "forms/core/formdef.h"

#include <QColor>
#include <QFont>
#include <QPalette>

namespace qtport {

// Makes sure some face can draw the texts: the program carries Liberation Sans,
// and makes it the application's font where the system has no usable face.
void ensureFaces();

QFont fontFor(const engine::FontDef &font);
QColor colourFor(const engine::Colour &colour, const QPalette &palette);

} // namespace qtport
