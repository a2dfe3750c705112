// Starting the forms engine with the launcher's project.
#pragma once

namespace startup {

// Routes Qt's messages: a fatal one (no display, no platform) becomes the
// engine's one clear line and exit status 1, never an abort.
void installMessageHandler();

// Runs the launcher from its startup form until no form is loaded.
int runLauncher();

} // namespace startup
