// The Trenchmoor setup launcher, started from the root of the game's CD: the
// launcher on the GTK 3 port of the forms engine.
#include "posixstart.h"

#include "forms/core/errors.h"
#include "forms/core/screen.h"
#include "forms/gtk/gtkport.h"
#include "setup/frmAcrobat.h"

#include <cstdlib>

int main()
{
    posixstart::openStandardStreams();
    posixstart::enterFolder(gtkport::programFolder());
    engine::App.setTitle("Trenchmoor Setup");
    int status = 0;
    engine::guarded([&] {
        // GLib's and GTK's own diagnostics only on request: a player's terminal stays quiet.
        gtkport::install(std::getenv("TRENCHMOOR_GTK_MESSAGES") != nullptr);
        status = engine::run(frmAcrobat.get());
    });
    return status;
}
