// What the Qt port asks of an X11 display and window manager that Qt has no
// call for.
#pragma once

class QImage;
class QWindow;

namespace qtport::x11 {

// Asks that the window be left out of task bars and pagers
// (_NET_WM_STATE_SKIP_TASKBAR, _NET_WM_STATE_SKIP_PAGER). Call before the
// window is shown: window managers read the state when it is mapped, and Qt
// keeps what it finds there when it adds its own. Nothing on other platforms.
void leaveOutOfTaskbars(QWindow &window);

// Hands the X server `picture` (Format_RGB32) as the window's background, so
// that the window is seen drawn the moment it is mapped, before the program
// has answered its first expose. Call before the window is mapped (or while a
// window manager holds the request to map it; a window mapped already is
// filled with the picture at once), with exactly what the first paint will
// draw, and let the background go (forgetBackground) once the program has
// painted: a later expose must not show stale pixels.
// Returns false where nothing was done (another platform, or a display whose
// pixels are not 32-bit words in this machine's byte order); a window of
// another depth keeps no background, and nothing is reported.
bool setBackground(QWindow &window, const QImage &picture);
void forgetBackground(QWindow *window);

} // namespace qtport::x11
