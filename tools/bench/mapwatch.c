/* bench-mapwatch: when the X server maps top-level windows, as the server tells it.
 *
 *   bench-mapwatch                 watch the display in $DISPLAY; one line per event:
 *                                    <ns> ready
 *                                    <ns> map 0x<window> <title>
 *                                    <ns> key 0x<window> <keycode>
 *                                    <ns> paint 0x<window> <hash>
 *   bench-mapwatch -x FILE PROG..  write the time to FILE, then exec PROG (same process)
 *
 * <ns> is CLOCK_MONOTONIC in nanoseconds, read as soon as the event is taken off
 * the connection. "map" is printed once a client's top-level window is viewable:
 * under a window manager that is when the manager has mapped both the window and
 * the frame it put around it. The title (_NET_WM_NAME, else WM_NAME) is read then.
 * "key" is a key press as the server takes it in, about to deliver it to the
 * focused window: an XInput 2 raw key event on the root (<window> is the root),
 * which reaches this client whatever the focused client selects (a core key
 * selection does not: a client of XInput 2, as GTK is, takes the window's key
 * events alone).
 * "paint" is drawing into a watched window (X Damage) that changed what its probe
 * reads: the whole window when it is at most 640x480, else the row of pixels at
 * an eighth of its height and the column at a sixty-fourth of its width (clear of
 * dialogs centred on it or placed beside a picture at its top left). <hash> is
 * FNV-1a of the probe's pixels; a window is painted once its probe reads what it
 * reads when the screen has settled (tools/bench/run works that out).
 */
#define _GNU_SOURCE
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>
#include <sys/uio.h>
#include <xcb/xcb.h>
#include <xcb/xcbext.h>

static uint64_t now_ns(void)
{
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return (uint64_t)ts.tv_sec * 1000000000u + (uint64_t)ts.tv_nsec;
}

static int stamp_and_exec(const char *file, char **argv)
{
    FILE *out = fopen(file, "w");
    if (!out) {
        perror(file);
        return 127;
    }
    fprintf(out, "%llu\n", (unsigned long long)now_ns());
    fclose(out);
    execvp(argv[0], argv);
    perror(argv[0]);
    return 127;
}

/* The client windows seen being created on the root, until they are destroyed. */
enum { MAX_WINDOWS = 4096 };
static struct watched {
    xcb_window_t window;
    int reported;
    uint64_t hash; /* of the probe's last reading, 0 before the first */
} watched[MAX_WINDOWS];
static int watched_count;

static struct watched *find(xcb_window_t window)
{
    for (int i = 0; i < watched_count; ++i)
        if (watched[i].window == window)
            return &watched[i];
    return NULL;
}

static void forget(xcb_window_t window)
{
    struct watched *w = find(window);
    if (w)
        *w = watched[--watched_count];
}

static xcb_atom_t atom(xcb_connection_t *c, const char *name)
{
    xcb_intern_atom_reply_t *r = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, strlen(name), name), NULL);
    xcb_atom_t a = r ? r->atom : XCB_ATOM_NONE;
    free(r);
    return a;
}

static xcb_atom_t net_wm_name;

static void print_title(xcb_connection_t *c, xcb_window_t window)
{
    const xcb_atom_t names[2] = {net_wm_name, XCB_ATOM_WM_NAME};
    for (int i = 0; i < 2; ++i) {
        if (names[i] == XCB_ATOM_NONE)
            continue;
        xcb_get_property_reply_t *r = xcb_get_property_reply(
            c, xcb_get_property(c, 0, window, names[i], XCB_GET_PROPERTY_TYPE_ANY, 0, 256), NULL);
        if (r && xcb_get_property_value_length(r) > 0) {
            fwrite(xcb_get_property_value(r), 1, (size_t)xcb_get_property_value_length(r), stdout);
            free(r);
            return;
        }
        free(r);
    }
}

static int viewable(xcb_connection_t *c, xcb_window_t window)
{
    xcb_get_window_attributes_reply_t *r =
        xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, window), NULL);
    int result = r && r->map_state == XCB_MAP_STATE_VIEWABLE;
    free(r);
    return result;
}

/* Reports every watched window that has become viewable since the last look. */
static void report_viewable(xcb_connection_t *c, uint64_t when)
{
    for (int i = 0; i < watched_count; ++i) {
        if (watched[i].reported || !viewable(c, watched[i].window))
            continue;
        watched[i].reported = 1;
        printf("%llu map 0x%08x ", (unsigned long long)when, watched[i].window);
        print_title(c, watched[i].window);
        putchar('\n');
    }
    fflush(stdout);
}

/* The child of the root that holds `window` (the window itself if it is one). */
static xcb_window_t top_level_of(xcb_connection_t *c, xcb_window_t root, xcb_window_t window)
{
    while (window != root && window != XCB_WINDOW_NONE) {
        xcb_query_tree_reply_t *r = xcb_query_tree_reply(c, xcb_query_tree(c, window), NULL);
        if (!r)
            return XCB_WINDOW_NONE;
        const xcb_window_t parent = r->parent;
        free(r);
        if (parent == root)
            return window;
        window = parent;
    }
    return XCB_WINDOW_NONE;
}

/* X Damage through raw requests (libxcb's binding of it is not needed for three requests). */
static xcb_extension_t damage_extension = {"DAMAGE", 0};
static uint8_t damage_event = 0; /* the extension's DamageNotify event code, 0 without it */

/* Sends one request of an extension, made by hand (header, then its fields;
   IS_VOID: it has no reply); the sequence number, for a reply or a check. */
static unsigned int raw_request(xcb_connection_t *c, xcb_extension_t *extension, uint8_t opcode, int is_void,
                                void *request, size_t size, int flags)
{
    const xcb_protocol_request_t info = {2, extension, opcode, (uint8_t)is_void};
    struct iovec parts[4];
    parts[2].iov_base = request;
    parts[2].iov_len = size;
    parts[3].iov_base = NULL;
    parts[3].iov_len = 0;
    return xcb_send_request(c, flags, parts + 2, &info);
}

static void damage_request(xcb_connection_t *c, uint8_t opcode, const uint32_t *words, size_t count)
{
    struct {
        uint8_t major, minor;
        uint16_t length;
        uint32_t words[3];
    } request = {0, 0, 0, {0, 0, 0}};
    memcpy(request.words, words, count * sizeof(uint32_t));
    raw_request(c, &damage_extension, opcode, 1, &request, 4 + count * sizeof(uint32_t), 0);
}

static void damage_start(xcb_connection_t *c)
{
    const xcb_query_extension_reply_t *ext = xcb_get_extension_data(c, &damage_extension);
    if (!ext || !ext->present)
        return;
    /* DamageQueryVersion 1.1, as the protocol asks before anything else. */
    struct {
        uint8_t major, minor;
        uint16_t length;
        uint32_t version[2];
    } query = {0, 0, 0, {1, 1}};
    const unsigned int sequence =
        raw_request(c, &damage_extension, 0, 0, &query, sizeof query, XCB_REQUEST_CHECKED);
    xcb_generic_error_t *error = NULL;
    void *reply = xcb_wait_for_reply(c, sequence, &error);
    if (reply)
        damage_event = ext->first_event;
    free(reply);
    free(error);
}

/* XInput 2 raw key presses on the root, through raw requests as for Damage. */
static xcb_extension_t input_extension = {"XInputExtension", 0};
static uint8_t input_opcode = 0; /* the extension's major opcode, 0 without XInput 2 */

static void keys_start(xcb_connection_t *c, xcb_window_t root)
{
    const xcb_query_extension_reply_t *ext = xcb_get_extension_data(c, &input_extension);
    if (!ext || !ext->present)
        return;
    /* XIQueryVersion 2.0 first, then XISelectEvents: XI_RawKeyPress (13) of every device. */
    struct {
        uint8_t major, minor;
        uint16_t length;
        uint16_t version[2];
    } query = {0, 0, 0, {2, 0}};
    xcb_generic_error_t *error = NULL;
    void *reply = xcb_wait_for_reply(
        c, raw_request(c, &input_extension, 47, 0, &query, sizeof query, XCB_REQUEST_CHECKED), &error);
    free(error);
    if (!reply)
        return;
    free(reply);
    struct {
        uint8_t major, minor;
        uint16_t length;
        uint32_t window;
        uint16_t masks, pad;
        uint16_t device, mask_length;
        uint32_t mask;
    } select = {0, 0, 0, root, 1, 0, 0 /* XIAllDevices */, 1, 1u << 13};
    error = xcb_request_check(
        c, (xcb_void_cookie_t){raw_request(c, &input_extension, 46, 1, &select, sizeof select, XCB_REQUEST_CHECKED)});
    if (!error)
        input_opcode = ext->major_opcode;
    free(error);
}

static uint64_t fnv(uint64_t hash, const uint8_t *bytes, int length)
{
    for (int i = 0; i < length; ++i)
        hash = (hash ^ bytes[i]) * 1099511628211u;
    return hash;
}

static uint64_t probe_area(xcb_connection_t *c, xcb_window_t window, uint64_t hash, int x, int y, int w, int h)
{
    xcb_get_image_reply_t *r = xcb_get_image_reply(
        c, xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, window, (int16_t)x, (int16_t)y, (uint16_t)w, (uint16_t)h, ~0u),
        NULL);
    if (r)
        hash = fnv(hash, xcb_get_image_data(r), xcb_get_image_data_length(r));
    free(r);
    return hash;
}

/* What the probe of a window reads now, hashed; 0 if it cannot be read. */
static uint64_t probe(xcb_connection_t *c, xcb_window_t window)
{
    xcb_get_geometry_reply_t *g = xcb_get_geometry_reply(c, xcb_get_geometry(c, window), NULL);
    if (!g)
        return 0;
    const int w = g->width, h = g->height;
    free(g);
    uint64_t hash = 14695981039346656037u;
    if (w <= 640 && h <= 480)
        return probe_area(c, window, hash, 0, 0, w, h);
    hash = probe_area(c, window, hash, 0, h / 8, w, 1);
    return probe_area(c, window, hash, w / 64, 0, 1, h);
}

static void damaged(xcb_connection_t *c, const xcb_generic_event_t *event, uint64_t when)
{
    /* DamageNotify: level, sequence, drawable, damage, ... */
    uint32_t drawable, damage;
    memcpy(&drawable, (const uint8_t *)event + 4, 4);
    memcpy(&damage, (const uint8_t *)event + 8, 4);
    /* Re-arm first: drawing after this point sends another event. */
    const uint32_t subtract[3] = {damage, XCB_NONE, XCB_NONE};
    damage_request(c, 3, subtract, 3);
    struct watched *w = find(drawable);
    if (!w)
        return;
    const uint64_t hash = probe(c, drawable);
    if (hash == 0 || hash == w->hash)
        return;
    w->hash = hash;
    printf("%llu paint 0x%08x %016llx\n", (unsigned long long)when, drawable, (unsigned long long)hash);
    fflush(stdout);
}

static void watch(xcb_connection_t *c, xcb_window_t window)
{
    if (find(window) || watched_count == MAX_WINDOWS)
        return;
    const uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY | XCB_EVENT_MASK_KEY_PRESS;
    xcb_change_window_attributes(c, window, XCB_CW_EVENT_MASK, &mask);
    watched[watched_count].window = window;
    watched[watched_count].reported = 0;
    watched[watched_count].hash = 0;
    ++watched_count;
    if (damage_event) {
        /* DamageCreate, level NonEmpty: one event, until the damage is subtracted. */
        const uint32_t create[3] = {xcb_generate_id(c), window, 3};
        damage_request(c, 1, create, 3);
    }
}

int main(int argc, char **argv)
{
    if (argc >= 4 && strcmp(argv[1], "-x") == 0)
        return stamp_and_exec(argv[2], argv + 3);
    if (argc != 1) {
        fprintf(stderr, "usage: %s             watch map events on $DISPLAY\n"
                        "       %s -x FILE PROGRAM [ARG...]   stamp the time in FILE, exec PROGRAM\n",
                argv[0], argv[0]);
        return 2;
    }

    xcb_connection_t *c = xcb_connect(NULL, NULL);
    if (xcb_connection_has_error(c)) {
        fprintf(stderr, "bench-mapwatch: cannot open the display\n");
        return 1;
    }
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    net_wm_name = atom(c, "_NET_WM_NAME");
    damage_start(c);
    if (!damage_event)
        fprintf(stderr, "bench-mapwatch: no X Damage extension: no paint lines\n");

    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_void_cookie_t selected = xcb_change_window_attributes_checked(c, root, XCB_CW_EVENT_MASK, &mask);
    xcb_generic_error_t *error = xcb_request_check(c, selected);
    if (error) {
        fprintf(stderr, "bench-mapwatch: cannot watch the root window (error %d)\n", error->error_code);
        return 1;
    }
    keys_start(c, root);
    if (!input_opcode)
        fprintf(stderr, "bench-mapwatch: no XInput 2: key lines for core clients only\n");
    printf("%llu ready\n", (unsigned long long)now_ns());
    fflush(stdout);

    xcb_generic_event_t *event;
    while ((event = xcb_wait_for_event(c))) {
        const uint64_t when = now_ns();
        if (damage_event && (event->response_type & 0x7f) == damage_event) {
            damaged(c, event, when);
            free(event);
            continue;
        }
        if (input_opcode && (event->response_type & 0x7f) == XCB_GE_GENERIC) {
            /* GenericEvent: type, extension, sequence, length, evtype, deviceid, time, detail */
            const uint8_t *raw = (const uint8_t *)event;
            uint16_t evtype;
            uint32_t detail;
            memcpy(&evtype, raw + 8, 2);
            memcpy(&detail, raw + 16, 4);
            if (raw[1] == input_opcode && evtype == 13) {
                printf("%llu key 0x%08x %u\n", (unsigned long long)when, root, detail);
                fflush(stdout);
            }
            free(event);
            continue;
        }
        switch (event->response_type & 0x7f) {
        case XCB_CREATE_NOTIFY: {
            const xcb_create_notify_event_t *e = (const xcb_create_notify_event_t *)event;
            /* A client's own top-level; the window manager's frames and
               override-redirect popups are not what a player waits for. */
            if (e->parent == root && !e->override_redirect) {
                watch(c, e->window);
                /* Mapped before the selection took effect? */
                report_viewable(c, when);
            }
            break;
        }
        case XCB_MAP_NOTIFY:
            /* Either a watched window itself or a frame around one was mapped. */
            report_viewable(c, when);
            break;
        case XCB_DESTROY_NOTIFY: {
            const xcb_destroy_notify_event_t *e = (const xcb_destroy_notify_event_t *)event;
            forget(e->window);
            break;
        }
        case XCB_REPARENT_NOTIFY: {
            /* A window manager puts a client's window into a frame of its own
               making: the frame is the manager's, not a window to report. */
            const xcb_reparent_notify_event_t *e = (const xcb_reparent_notify_event_t *)event;
            if (find(e->window))
                forget(top_level_of(c, root, e->parent));
            break;
        }
        case XCB_UNMAP_NOTIFY: {
            const xcb_unmap_notify_event_t *e = (const xcb_unmap_notify_event_t *)event;
            struct watched *w = find(e->window);
            if (w)
                w->reported = 0; /* mapped again later: report again */
            break;
        }
        case XCB_KEY_PRESS: {
            const xcb_key_press_event_t *e = (const xcb_key_press_event_t *)event;
            printf("%llu key 0x%08x %u\n", (unsigned long long)when, e->event, e->detail);
            fflush(stdout);
            break;
        }
        default:
            break;
        }
        free(event);
    }
    return 0;
}
