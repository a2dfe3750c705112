// The forms engine on Qt 6 Widgets: each form a top-level QWidget, its controls
// child widgets; Qt's event loop, nested for modal shows; pictures decoded by
// Qt's image readers from the Qt resources under ":/pictures/".
#pragma once

#include "forms/core/form.h"

#include <QString>

class QWidget;
class QPushButton;

namespace qtport {

// What QApplication is given in place of the command line, which the launcher
// does not read: Qt's own options (-platform, -stylesheet, -style, ...) are not
// honoured. Holds the program's name, plus what the launcher picks itself:
//  - the X11 platform where a display exists and the player chose no platform
//    (QT_QPA_PLATFORM): on a Wayland session with XWayland the dialogs keep
//    the places they ask for, which Wayland leaves to the compositor;
//  - on the disc, the platform plugins of the Qt beside the launcher.
// Nothing goes into the environment, which the installers inherit.
struct QtArguments {
    int argc = 0;
    char **argv = nullptr;
};

// Call once, before QApplication exists. Where the launcher carries its own Qt
// (the folder linux/ beside it on the disc), Qt loads plugins from there only:
// not from QT_PLUGIN_PATH, QT_QPA_PLATFORM_PLUGIN_PATH or the system's plugin
// folder, so another Qt's plugins never load into this one.
QtArguments prepareQt(const char *programName);

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
