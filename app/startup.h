// Starting the forms engine with the launcher's project.
#pragma once

namespace startup {

// Opens any of standard input, output and error that is closed on /dev/null:
// started without them, the launcher would hand their numbers to the next
// files it opens (the display connection), and a library's first warning
// would be written into those.
void openStandardStreams();

// Makes the program's own folder the working folder, so that no relative
// name a library tries (fontconfig's application fonts) reaches whatever
// folder the launcher was started from.
void enterProgramFolder();

// Routes Qt's messages: a fatal one (no display, no platform) becomes the
// engine's one clear line and exit status 1, never an abort.
void installMessageHandler();

// Runs the launcher from its startup form until no form is loaded.
int runLauncher();

} // namespace startup
