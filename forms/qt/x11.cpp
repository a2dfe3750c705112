#include "x11.h"

#include <QGuiApplication>
#include <QImage>
#include <QWindow>
#include <xcb/xcb.h>

#include <algorithm>
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

// Qt's connection to the X server; none on other platforms.
xcb_connection_t *display()
{
    auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11 || QGuiApplication::platformName() != QLatin1String("xcb"))
        return nullptr;
    return x11->connection();
}

// Whether the display keeps 24-bit pixels in 32-bit words in this machine's
// byte order, as QImage::Format_RGB32 has them in memory.
bool takesRgb32(xcb_connection_t *connection)
{
    const xcb_setup_t *setup = xcb_get_setup(connection);
    const uint16_t probe = 1;
    const bool littleEndian = *reinterpret_cast<const uint8_t *>(&probe) == 1;
    if (setup->image_byte_order != (littleEndian ? XCB_IMAGE_ORDER_LSB_FIRST : XCB_IMAGE_ORDER_MSB_FIRST))
        return false;
    bool words = false;
    for (auto format = xcb_setup_pixmap_formats_iterator(setup); format.rem; xcb_format_next(&format)) {
        if (format.data->depth == 24)
            words = format.data->bits_per_pixel == 32 && format.data->scanline_pad == 32;
    }
    if (!words)
        return false;
    for (auto root = xcb_setup_roots_iterator(setup); root.rem; xcb_screen_next(&root)) {
        for (auto depth = xcb_screen_allowed_depths_iterator(root.data); depth.rem; xcb_depth_next(&depth)) {
            for (auto visual = xcb_depth_visuals_iterator(depth.data); visual.rem; xcb_visualtype_next(&visual)) {
                if (visual.data->visual_id == root.data->root_visual
                    && (depth.data->depth != 24 || visual.data->red_mask != 0xff0000
                        || visual.data->green_mask != 0xff00 || visual.data->blue_mask != 0xff))
                    return false;
            }
        }
    }
    return true;
}

} // namespace

bool setBackground(QWindow &window, const QImage &picture)
{
    xcb_connection_t *connection = display();
    if (!connection || picture.format() != QImage::Format_RGB32 || picture.isNull() || picture.width() > 32767
        || picture.height() > 32767 || !takesRgb32(connection))
        return false;
    const auto id = static_cast<xcb_window_t>(window.winId());
    const auto width = static_cast<uint16_t>(picture.width()), height = static_cast<uint16_t>(picture.height());
    const auto line = static_cast<uint32_t>(picture.bytesPerLine());
    // Errors (a window of another depth) are let go here, not reported by Qt:
    // the window is then painted as any other.
    const xcb_pixmap_t pixmap = xcb_generate_id(connection);
    xcb_discard_reply(connection, xcb_create_pixmap_checked(connection, 24, pixmap, id, width, height).sequence);
    const xcb_gcontext_t gc = xcb_generate_id(connection);
    xcb_discard_reply(connection, xcb_create_gc_checked(connection, gc, pixmap, 0, nullptr).sequence);
    // In bands each of which fits in one request.
    const uint32_t room = xcb_get_maximum_request_length(connection) * 4 - 64;
    const uint32_t rows = std::max<uint32_t>(1, room / line);
    for (uint32_t top = 0; top < height; top += rows) {
        const uint32_t band = std::min<uint32_t>(rows, height - top);
        xcb_discard_reply(connection, xcb_put_image_checked(connection, XCB_IMAGE_FORMAT_Z_PIXMAP, pixmap, gc, width,
                                                            static_cast<uint16_t>(band), 0, static_cast<int16_t>(top),
                                                            0, 24, band * line, picture.constScanLine(int(top)))
                                          .sequence);
    }
    xcb_discard_reply(connection,
                      xcb_change_window_attributes_checked(connection, id, XCB_CW_BACK_PIXMAP, &pixmap).sequence);
    // A window mapped already (by a window manager quicker than the drawing,
    // or by the server itself where there is none) shows it now, not at the
    // program's next paint; elsewhere this does nothing.
    xcb_discard_reply(connection, xcb_clear_area_checked(connection, 0, id, 0, 0, 0, 0).sequence);
    // The window keeps the pixels for as long as they are its background.
    xcb_discard_reply(connection, xcb_free_gc_checked(connection, gc).sequence);
    xcb_discard_reply(connection, xcb_free_pixmap_checked(connection, pixmap).sequence);
    xcb_flush(connection);
    return true;
}

void forgetBackground(QWindow *window)
{
    xcb_connection_t *connection = display();
    if (!connection || !window || !window->handle())
        return;
    const uint32_t none = XCB_BACK_PIXMAP_NONE;
    xcb_discard_reply(connection, xcb_change_window_attributes_checked(connection, static_cast<xcb_window_t>(window->winId()),
                                                                       XCB_CW_BACK_PIXMAP, &none)
                                      .sequence);
    xcb_flush(connection);
}

void leaveOutOfTaskbars(QWindow &window)
{
    xcb_connection_t *connection = display();
    if (!connection)
        return;
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
