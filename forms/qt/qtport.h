// The forms engine on Qt 6 Widgets: each form a top-level QWidget, its controls
// child widgets; Qt's event loop, nested for modal shows; pictures decoded by
// Qt's image readers from the Qt resources under ":/pictures/".
#pragma once

#include "forms/core/form.h"

#include <QString>

class QWidget;
class QPushButton;

namespace qtport {

// Installs the Qt port as the engine's window system.
void install();

// Routes Qt's messages: a fatal one (no display, no platform) becomes the
// engine's one clear line and exit status 1, never an abort; a display that
// goes away ends the program the same way; Qt's other notes are printed only
// with showQtNotes. Call before QApplication is made.
void installMessageHandler(bool showQtNotes);

// The folder of the running program as the file system spells it, bytes and
// all (no QApplication needed).
std::string programFolder();

// The native widgets, for tests and accessibility.
QWidget *widgetOf(engine::Form &form);
QWidget *widgetOf(const engine::Control &control);
QPushButton *buttonOf(const engine::CommandButton &button);

// UTF-8 text to and from Qt's strings; file paths go through QFile::encodeName.
inline QString qs(const std::string &text) { return QString::fromStdString(text); }
inline std::string us(const QString &text) { return text.toStdString(); }

} // namespace qtport
