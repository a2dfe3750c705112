/* A panel for the tests: a dock window along the top or bottom edge of the
 * screen that reserves its strip (_NET_WM_STRUT_PARTIAL and _NET_WM_STRUT),
 * as a desktop's task bar does.
 *
 *     dock top|bottom HEIGHT
 *
 * Prints its window id (0x...) once the window is mapped, then stays until it
 * is killed or the display goes. */
#include <xcb/xcb.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static xcb_atom_t atom(xcb_connection_t *c, const char *name)
{
    xcb_intern_atom_reply_t *reply =
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, (uint16_t)strlen(name), name), NULL);
    xcb_atom_t result = reply ? reply->atom : XCB_ATOM_NONE;
    free(reply);
    return result;
}

int main(int argc, char **argv)
{
    if (argc != 3 || (strcmp(argv[1], "top") != 0 && strcmp(argv[1], "bottom") != 0) || atoi(argv[2]) <= 0) {
        fprintf(stderr, "usage: %s top|bottom HEIGHT\n", argv[0]);
        return 2;
    }
    const int top = strcmp(argv[1], "top") == 0;
    const uint32_t height = (uint32_t)atoi(argv[2]);

    xcb_connection_t *c = xcb_connect(NULL, NULL);
    if (xcb_connection_has_error(c)) {
        fprintf(stderr, "dock: cannot open the display\n");
        return 1;
    }
    xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const uint32_t width = screen->width_in_pixels;
    const int16_t y = top ? 0 : (int16_t)(screen->height_in_pixels - height);

    xcb_window_t window = xcb_generate_id(c);
    const uint32_t values[] = {0x3c3c3c};
    xcb_create_window(c, XCB_COPY_FROM_PARENT, window, screen->root, 0, y, (uint16_t)width, (uint16_t)height, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, XCB_CW_BACK_PIXEL, values);

    const char *title = top ? "Top panel" : "Bottom panel";
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8,
                        (uint32_t)strlen(title), title);
    xcb_atom_t dock = atom(c, "_NET_WM_WINDOW_TYPE_DOCK");
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, atom(c, "_NET_WM_WINDOW_TYPE"), XCB_ATOM_ATOM, 32, 1,
                        &dock);
    /* left, right, top, bottom, then the start and end of each strip. */
    uint32_t strut[12] = {0};
    if (top) {
        strut[2] = height;
        strut[9] = width - 1;
    } else {
        strut[3] = height;
        strut[11] = width - 1;
    }
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, atom(c, "_NET_WM_STRUT_PARTIAL"), XCB_ATOM_CARDINAL, 32,
                        12, strut);
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, atom(c, "_NET_WM_STRUT"), XCB_ATOM_CARDINAL, 32, 4,
                        strut);
    xcb_map_window(c, window);
    xcb_flush(c);
    printf("0x%x\n", (unsigned)window);
    fflush(stdout);

    xcb_generic_event_t *event;
    while ((event = xcb_wait_for_event(c)))
        free(event);
    xcb_disconnect(c);
    return 0;
}
