#include "x11.h"

#include <QGuiApplication>
#include <QWindow>
#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

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
    const xcb_atom_t state = known.state;

    // Keep what is there already.
    std::vector<xcb_atom_t> atoms;
    xcb_get_property_reply_t *reply = xcb_get_property_reply(
        connection, xcb_get_property(connection, 0, id, state, XCB_ATOM_ATOM, 0, 1024), nullptr);
    if (reply && reply->format == 32 && reply->type == XCB_ATOM_ATOM) {
        const auto *values = static_cast<const xcb_atom_t *>(xcb_get_property_value(reply));
        atoms.assign(values, values + xcb_get_property_value_length(reply) / sizeof(xcb_atom_t));
    }
    std::free(reply);
    for (const xcb_atom_t value : {known.skipTaskbar, known.skipPager}) {
        if (value != XCB_ATOM_NONE && std::find(atoms.begin(), atoms.end(), value) == atoms.end())
            atoms.push_back(value);
    }
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, id, state, XCB_ATOM_ATOM, 32,
                        static_cast<uint32_t>(atoms.size()), atoms.data());
    xcb_flush(connection);
}

} // namespace qtport::x11
