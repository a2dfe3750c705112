// Starting the forms engine with the launcher's project.
#pragma once

namespace startup {

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

// Routes Qt's messages: a fatal one (no display, no platform) becomes the
// engine's one clear line and exit status 1, never an abort.
void installMessageHandler();

// Runs the launcher from its startup form until no form is loaded.
int runLauncher();

} // namespace startup
