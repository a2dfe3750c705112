// What the launcher does first on a POSIX system, before any window system.
#pragma once

#include <string>

namespace posixstart {

// Opens any of standard input, output and error that is closed on /dev/null:
// started without them, the launcher would hand their numbers to the next
// files it opens (the display connection), a library's first warning would be
// written into those, and the installers would inherit the holes. The lowest
// free number is taken first: each /dev/null fills the hole.
void openStandardStreams();

// Makes the program's own folder the working folder, so that no relative name
// a library tries (fontconfig's application fonts) reaches whatever folder the
// launcher was started from.
void enterFolder(const std::string &folder);

} // namespace posixstart
