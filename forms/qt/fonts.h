// Fonts and colours of the forms as Qt draws them.
#pragma once

#include "forms/core/formdef.h"

#include <QColor>
#include <QFont>
#include <QPalette>

#include <thread>

namespace qtport {

// Makes sure some face can draw the texts: the program carries Liberation Sans,
// registers it where the system has none, and makes it the application's font
// where the system has no usable face. Called when text is first drawn (a
// form's window with text, a label, a button), not at start: a screen without
// text (the welcome) is drawn before the font database is built.
void ensureFaces();

// Builds the font database (fontconfig's start, its configuration and the
// list of the system's faces: most of what the first text costs) on a thread
// of its own while it lives, beside the first screen's pictures; the first
// text drawn finds it built. On X11 only, where Qt draws text from any thread;
// the faces themselves are still loaded by the thread that draws. Make it right
// after the application object, so that it is joined before that goes.
class FontDatabaseBuilder {
public:
    FontDatabaseBuilder();
    ~FontDatabaseBuilder();
    FontDatabaseBuilder(const FontDatabaseBuilder &) = delete;
    FontDatabaseBuilder &operator=(const FontDatabaseBuilder &) = delete;

private:
    std::thread m_thread;
};

QFont fontFor(const engine::FontDef &font);

// The font a label draws with: of the families fontFor lists, the first that
// the system (or the program) has, with no other face merged in. Asked for a
// family it lacks (MS Sans Serif, Arial), the font database sorts all of the
// system's faces for the nearest one, and a font that may merge faces has
// them sorted again for its fallbacks; the captions are Latin text that the
// chosen face covers. Settles the faces first (ensureFaces).
QFont drawingFont(const QFont &font);
QColor colourFor(const engine::Colour &colour, const QPalette &palette);

} // namespace qtport
