// The Trenchmoor setup launcher, started from the root of the game's CD: the
// launcher on the GTK 3 port of the forms engine.
#include "forms/core/errors.h"
#include "forms/core/screen.h"
#include "forms/gtk/gtkport.h"
#include "setup/frmAcrobat.h"

#include <cerrno>
#include <cstdlib>
#include <string>

#include <fcntl.h>
#include <unistd.h>

namespace {

// Opens any of standard input, output and error that is closed on /dev/null:
// started without them, the launcher would hand their numbers to the next
// files it opens (the display connection), a library's first warning would be
// written into those, and the installers would inherit the holes. The lowest
// free number is taken first: each /dev/null fills the hole.
void openStandardStreams()
{
    for (int fd = 0; fd <= 2; ++fd) {
        if (::fcntl(fd, F_GETFD) == -1 && errno == EBADF)
            ::open("/dev/null", O_RDWR);
    }
}

// Makes the program's own folder the working folder, so that no relative name
// a library tries (fontconfig's application fonts) reaches whatever folder the
// launcher was started from.
void enterProgramFolder()
{
    const std::string folder = gtkport::programFolder();
    if (!folder.empty())
        (void)::chdir(folder.c_str());
}

} // namespace

int main()
{
    openStandardStreams();
    enterProgramFolder();
    engine::App.setTitle("Trenchmoor Setup");
    int status = 0;
    engine::guarded([&] {
        // GLib's and GTK's own diagnostics only on request: a player's terminal stays quiet.
        gtkport::install(std::getenv("TRENCHMOOR_GTK_MESSAGES") != nullptr);
        status = engine::run(frmAcrobat.get());
    });
    return status;
}
