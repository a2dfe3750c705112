// What the Qt port asks of an X11 window manager that Qt has no call for.
#pragma once

class QWindow;

namespace qtport::x11 {

// Asks that the window be left out of task bars and pagers
// (_NET_WM_STATE_SKIP_TASKBAR, _NET_WM_STATE_SKIP_PAGER). Call before the
// window is shown: window managers read the state when it is mapped, and Qt
// keeps what it finds there when it adds its own. Nothing on other platforms.
void leaveOutOfTaskbars(QWindow &window);

} // namespace qtport::x11
