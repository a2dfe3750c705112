#include "x11.h"

#include <QGuiApplication>
#include <QWindow>
#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>

namespace qtport::x11 {

namespace {

// The three atoms the hints need, asked for together (one round trip) and kept:
// each dialog is shown on the way from a key to the next one.
struct Atoms {
    xcb_atom_t state = XCB_ATOM_NONE, skipTaskbar = XCB_ATOM_NONE, skipPager = XCB_ATOM_NONE;
};

const Atoms &knownAtoms(xcb_connection_t *connection)
{
    static xcb_connection_t *known = nullptr;
    static Atoms result;
    if (known == connection)
        return result;
    const char *names[] = {"_NET_WM_STATE", "_NET_WM_STATE_SKIP_TASKBAR", "_NET_WM_STATE_SKIP_PAGER"};
    xcb_intern_atom_cookie_t cookies[3];
    for (int i = 0; i < 3; ++i)
        cookies[i] = xcb_intern_atom(connection, 0, static_cast<uint16_t>(std::strlen(names[i])), names[i]);
    xcb_atom_t *targets[] = {&result.state, &result.skipTaskbar, &result.skipPager};
    for (int i = 0; i < 3; ++i) {
        xcb_intern_atom_reply_t *reply = xcb_intern_atom_reply(connection, cookies[i], nullptr);
        *targets[i] = reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
        std::free(reply);
    }
    known = connection;
    return result;
}

} // namespace

void leaveOutOfTaskbars(QWindow &window)
{
    auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11 || QGuiApplication::platformName() != QLatin1String("xcb"))
        return;
    xcb_connection_t *connection = x11->connection();
    const auto id = static_cast<xcb_window_t>(window.winId());
    const Atoms &known = knownAtoms(connection);
    // Added to what is there, without reading it first (a round trip on the
    // way to every dialog): a window manager treats the list as a set, and Qt
    // keeps the two when it adds its own states on showing the window.
    const xcb_atom_t atoms[] = {known.skipTaskbar, known.skipPager};
    if (known.state == XCB_ATOM_NONE || known.skipTaskbar == XCB_ATOM_NONE || known.skipPager == XCB_ATOM_NONE)
        return;
    xcb_change_property(connection, XCB_PROP_MODE_APPEND, id, known.state, XCB_ATOM_ATOM, 32, 2, atoms);
    xcb_flush(connection);
}

} // namespace qtport::x11
