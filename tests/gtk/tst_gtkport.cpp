// What the GTK port adds to the engine, on an X server under openbox: frames
// and window properties, keys sent through the X server, labels and pictures
// as drawn, what a screen reader is told. The engine's rules are tst_core's.
#define DOCTEST_CONFIG_IMPLEMENT
#include <doctest/doctest.h>

#include "core/testform.h"
#include "forms/core/errors.h"
#include "forms/core/labellayout.h"
#include "forms/gtk/fonts.h"
#include "forms/gtk/gtkport.h"
#include "forms/gtk/pictures.h"
#include "setup/forms.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <sstream>

// Last: X11's macros (None, KeyPress, True) clash with the engine's names.
#include <X11/extensions/XTest.h>
#include <gdk/gdkx.h>

using namespace engine;
using Names = std::vector<std::string>;

template <class T> struct doctest::StringMaker<std::vector<T>> {
    static String convert(const std::vector<T> &items)
    {
        std::ostringstream text;
        for (const T &item : items)
            text << (&item == items.data() ? "" : ",") << item;
        return ("{" + text.str() + "}").c_str();
    }
};

namespace {

void pump(int ms)
{
    for (const gint64 end = g_get_monotonic_time() + ms * 1000; g_get_monotonic_time() < end; g_usleep(2000))
        while (g_main_context_iteration(nullptr, FALSE))
            ;
}

bool waitFor(const std::function<bool()> &done)
{
    for (const gint64 end = g_get_monotonic_time() + 5000000; !done(); pump(5))
        if (g_get_monotonic_time() > end)
            return false;
    return true;
}

Display *xdisplay() { return GDK_DISPLAY_XDISPLAY(gdk_display_get_default()); }
Window xid(Form &form) { return GDK_WINDOW_XID(gtk_widget_get_window(gtkport::widgetOf(form))); }
long atom(const char *name) { return long(XInternAtom(xdisplay(), name, False)); }

// Shown, framed by the window manager and active: ready for keys.
void showReady(Form &form)
{
    form.Show();
    REQUIRE(waitFor([&] {
        return form.window().drawnFrame() && gtk_window_is_active(GTK_WINDOW(gtkport::widgetOf(form)));
    }));
}

std::vector<long> property(Window window, const char *name)
{
    Atom type;
    int format = 0;
    unsigned long count = 0, after;
    unsigned char *data = nullptr;
    std::vector<long> values;
    if (XGetWindowProperty(xdisplay(), window, Atom(atom(name)), 0, 32, False, AnyPropertyType, &type, &format,
                           &count, &after, &data) == Success && format == 32)
        values.assign(reinterpret_cast<long *>(data), reinterpret_cast<long *>(data) + count);
    XFree(data);
    return values;
}

// Keys as a keyboard sends them: "Return", "alt+y", "hold:space" (held down
// until the X server repeats it).
void typeKeys(const std::string &keys)
{
    auto send = [](const std::string &name, bool down) {
        XTestFakeKeyEvent(xdisplay(), XKeysymToKeycode(xdisplay(), XStringToKeysym(name.c_str())), down, 0);
    };
    std::istringstream words(keys);
    for (std::string word; words >> word;) {
        const bool held = word.starts_with("hold:");
        std::string key = word.substr(held ? 5 : 0);
        const bool alt = key.starts_with("alt+");
        key = key.substr(alt ? 4 : 0);
        if (alt)
            send("Alt_L", true);
        send(key, true);
        if (held) {
            XSync(xdisplay(), False);
            pump(900); // past the server's repeat delay
        }
        send(key, false);
        if (alt)
            send("Alt_L", false);
    }
    XSync(xdisplay(), False);
}

// 0xRRGGBB of a pixel of an image surface.
unsigned pixel(cairo_surface_t *surface, int x, int y)
{
    const unsigned char *row = cairo_image_surface_get_data(surface) + y * cairo_image_surface_get_stride(surface);
    return reinterpret_cast<const std::uint32_t *>(row)[x] & 0xffffff;
}

// The form's client area as GTK draws it, at the given scale.
struct Shot {
    cairo_surface_t *surface;
    explicit Shot(Form &form, int scale = 1)
    {
        GtkWidget *window = gtkport::widgetOf(form);
        surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, gtk_widget_get_allocated_width(window) * scale,
                                             gtk_widget_get_allocated_height(window) * scale);
        cairo_surface_set_device_scale(surface, scale, scale);
        cairo_t *cr = cairo_create(surface);
        gtk_widget_draw(window, cr);
        cairo_destroy(cr);
        cairo_surface_flush(surface);
    }
    ~Shot() { cairo_surface_destroy(surface); }
    unsigned at(int x, int y) const { return pixel(surface, x, y); }
    // Whether a pixel of the rectangle is the labels' orange text (red high,
    // blue low) or, with `colour`, exactly that colour.
    bool has(int x0, int y0, int x1, int y1, int colour = -1) const
    {
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x)
                if (colour >= 0 ? at(x, y) == unsigned(colour) : (at(x, y) >> 16) > 150 && (at(x, y) & 0xff) < 60)
                    return true;
        return false;
    }
};

} // namespace

TEST_CASE("a dialog's frame stands where the engine puts it, round its client at exactly its size")
{
    const FormDef def = dialogDefinition("frmFramed");
    TestForm form(def);
    form.setLeft(3000);
    form.setTop(1500);
    showReady(form);
    Window root, child;
    int x = 0, y = 0, unused;
    unsigned width = 0, height = 0, border, depth;
    XTranslateCoordinates(xdisplay(), xid(form), DefaultRootWindow(xdisplay()), 0, 0, &x, &y, &child);
    XGetGeometry(xdisplay(), xid(form), &root, &unused, &unused, &width, &height, &border, &depth);
    const std::vector<long> frame = property(xid(form), "_NET_FRAME_EXTENTS"); // left, right, top, bottom
    REQUIRE(frame.size() == 4);
    CHECK(frame[2] > 10); // a title bar
    CHECK(std::vector<long>{x - frame[0], y - frame[2], width, height} == std::vector<long>{200, 100, 371, 172});
    // The form's size is its outer size, in the frame the window manager drew.
    CHECK(form.Width() == 15.f * float(371 + frame[0] + frame[1]));
    CHECK(form.Height() == 15.f * float(172 + frame[2] + frame[3]));
    // Buttons at their layout's size, whatever the theme's minimum.
    GtkAllocation yes;
    gtk_widget_get_allocation(gtkport::widgetOf(*form.control("cmdYes")), &yes);
    CHECK(std::vector{yes.x, yes.y, yes.width, yes.height} == std::vector{8, 80, 81, 25});
    form.Unload();
}

TEST_CASE("a form without control box tells the window manager so, and ignores close requests")
{
    const struct {
        bool controlBox;
        std::vector<long> motif; // flags, functions (move), decorations (border, title)
    } rows[] = {{false, {3, 4, 10}}, {true, {}}};
    for (const auto &row : rows) {
        CAPTURE(row.controlBox);
        FormDef def = dialogDefinition("frmHints", row.controlBox), ownerDef = dialogDefinition("frmOwner");
        def.showInTaskbar = row.controlBox;
        TestForm owner(ownerDef), form(def);
        showReady(owner);
        setModalHook([&](Form &shown) {
            const Window window = xid(shown);
            std::vector<long> motif = property(window, "_MOTIF_WM_HINTS");
            motif.resize(std::min<std::size_t>(3, motif.size()));
            CHECK(motif == row.motif);
            const std::vector<long> state = property(window, "_NET_WM_STATE");
            CHECK(std::ranges::count(state, atom("_NET_WM_STATE_SKIP_TASKBAR")) == !row.controlBox);
            CHECK(std::ranges::count(state, atom("_NET_WM_STATE_SKIP_PAGER")) == !row.controlBox);
            CHECK(property(window, "WM_TRANSIENT_FOR") == std::vector{long(xid(owner))});
            // The window manager's close request, as its close command sends it.
            XEvent close{};
            close.xclient = {ClientMessage, 0, False, xdisplay(), window, Atom(atom("WM_PROTOCOLS")), 32, {}};
            close.xclient.data.l[0] = atom("WM_DELETE_WINDOW");
            XSendEvent(xdisplay(), window, False, NoEventMask, &close);
            XSync(xdisplay(), False);
            pump(300);
            CHECK(shown.isLoaded() == !row.controlBox);
            if (shown.isLoaded()) {
                CHECK(gtk_widget_get_visible(gtkport::widgetOf(shown)));
                shown.Unload();
            }
        });
        form.Show(1, &owner);
        setModalHook(nullptr);
        CHECK(form.clicks.empty());
        owner.Unload();
    }
}

TEST_CASE("keys sent through the X server press the button the engine's rules choose, once")
{
    // The focus starts on "&&Salt && &Chips"; Yes is the default button, No the cancel one.
    const struct {
        const char *keys;
        Names pressed;
    } rows[] = {
        {"Return", {"cmdSalt"}},    {"Escape", {"cmdNo"}},         {"alt+y", {"cmdYes"}},
        {"alt+s", {}},              {"Tab Return", {"cmdYes"}},    {"space", {"cmdSalt"}},
        {"Tab space", {"cmdYes"}},  {"hold:Return", {"cmdSalt"}},  {"hold:space", {"cmdSalt"}},
        {"hold:alt+n", {"cmdNo"}},
    };
    for (const auto &row : rows) {
        CAPTURE(std::string(row.keys));
        const FormDef def = dialogDefinition("frmKeys");
        TestForm form(def);
        showReady(form);
        typeKeys(row.keys);
        pump(300);
        CHECK(form.clicks == row.pressed);
        form.Unload();
    }
}

TEST_CASE("labels are drawn as laid out: broken at blanks, cut off at the bottom, transparent or filled")
{
    Form confirmation(definitions::frmYesNo());
    showReady(confirmation);
    // The lines as the core breaks them with the face's widths.
    PangoLayout *layout = gtk_widget_create_pango_layout(gtkport::widgetOf(confirmation), nullptr);
    PangoFontDescription *font = gtkport::fontFor({"MS Sans Serif", 9.75, 400});
    pango_layout_set_font_description(layout, font);
    auto width = [&](const std::string &text) {
        pango_layout_set_text(layout, text.c_str(), int(text.size()));
        PangoRectangle logical;
        pango_layout_get_extents(layout, nullptr, &logical);
        return double(logical.width) / PANGO_SCALE;
    };
    const Names lines = layoutLabelLines(definitions::frmYesNo().controls[3].caption, width, 249);
    REQUIRE(lines.size() == 3);
    CHECK(lines[0] == "Without viewing the manual you may find  ");
    CHECK(lines[1].starts_with("it difficult to play the game.  "));
    CHECK(lines[2] == "Are you sure you DO NOT wish to install? ");
    // In the transparent label at 24,16 (249 x 65): three bands of orange on
    // the form's dark blue, each ending at its line's last letter.
    const Shot shot(confirmation);
    CHECK(shot.at(24 + 248, 16 + 64) == 0x000040);
    std::vector<int> ends;
    for (int y = 16, inBand = 0; y < 16 + 65; ++y) {
        const bool text = shot.has(24, y, 24 + 249, y + 1);
        if (text && !inBand)
            ends.push_back(0);
        for (int x = 24; text && x < 24 + 249; ++x)
            if (shot.has(x, y, x + 1, y + 1))
                ends.back() = std::max(ends.back(), x - 24);
        inBand = text;
    }
    REQUIRE(ends.size() == 3);
    for (std::size_t i = 0; i < 3; ++i) {
        const std::string drawn = lines[i].substr(0, lines[i].find_last_not_of(' ') + 1);
        CAPTURE(drawn);
        CHECK(ends[i] <= width(drawn));
        CHECK(ends[i] > width(drawn) - 4); // a letter's right bearing
    }
    g_object_unref(layout);
    pango_font_description_free(font);
    confirmation.Unload();

    // The game question's label at 32,16 (241 x 65), filled with green and
    // holding more text than fits; the buttons stand at 88.
    FormDef def = definitions::frmNewBox();
    def.controls[3].backColor = rgb(0, 128, 0);
    def.controls[3].caption.clear();
    for (int i = 0; i < 60; ++i)
        def.controls[3].caption += "WWWWW ";
    Form question(def);
    showReady(question);
    const Shot filled(question);
    CHECK(filled.has(32, 16, 32 + 241, 16 + 65, 0x008000));
    CHECK(filled.has(32, 16 + 65 - 5, 32 + 241, 16 + 65)); // text to its last rows
    CHECK_FALSE(filled.has(0, 16 + 65, 278, 88)); // and none below
    question.Unload();
}

TEST_CASE("a stretched picture fills its control, from the picture's own pixels at scale 2")
{
    gdk_x11_display_set_window_scale(gdk_display_get_default(), 2);
    // cover.jpg, 252 x 308 pixels, in a control of 126 x 154 at 5,5: at scale
    // 2 each device pixel is one of the picture's.
    const FormDef def{
        .name = "frmPicture", .caption = "Picture", .backColor = definitions::darkBlue, .controlBox = false,
        .clientWidth = 2040, .clientHeight = 2460,
        .controls = {{.kind = ControlKind::Image, .name = "Image1", .left = 75, .top = 75, .width = 1890,
                      .height = 2310, .picture = {"cover.jpg", "cover"}, .stretch = true}},
    };
    Form form(def);
    showReady(form);
    const Shot shot(form, 2);
    cairo_surface_t *cover = gtkport::decodePicture("cover.jpg", "cover").surface;
    long difference = 0;
    for (int y = 0; y < 308; ++y)
        for (int x = 0; x < 252; ++x)
            for (int shift : {0, 8, 16})
                difference += std::abs(int(shot.at(10 + x, 10 + y) >> shift & 255) -
                                       int(pixel(cover, x, y) >> shift & 255));
    CHECK(double(difference) / (252 * 308 * 3) < 2.0);
    CHECK(shot.at(9, 9) == 0x000040);
    CHECK(shot.at(10 + 252, 10 + 308) == 0x000040);
    form.Unload();
    pump(50);
    gdk_x11_display_set_window_scale(gdk_display_get_default(), 1);
}

TEST_CASE("a picture the program lacks is run-time error 481")
{
    FormDef def = dialogDefinition("frmLost");
    def.controls.push_back({.kind = ControlKind::Image, .name = "Image1", .picture = {"no-such.jpg", "a lost picture"}});
    Form form(def);
    CHECK_THROWS_WITH_AS(form.Load(), "Run-time error '481': Invalid picture (a lost picture: not found)",
                         RuntimeError);
    CHECK_FALSE(form.isLoaded());
}

TEST_CASE("a screen reader is told each form's title, and what each control says")
{
    for (const FormDef *def : {&definitions::frmAcrobat(), &definitions::frmMsgBox(), &definitions::frmYesNo(),
                               &definitions::frmNewBox(), &definitions::frmOption()}) {
        CAPTURE(def->name);
        Form form(*def);
        form.Load();
        CHECK(atk_object_get_name(gtk_widget_get_accessible(gtkport::widgetOf(form))) == def->caption);
        for (const ControlDef &control : def->controls) {
            CAPTURE(control.name);
            AtkObject *item = gtk_widget_get_accessible(gtkport::widgetOf(*form.control(control.name)));
            const char *name = atk_object_get_name(item);
            const AtkRole roles[] = {ATK_ROLE_IMAGE, ATK_ROLE_LABEL, ATK_ROLE_PUSH_BUTTON}; // by kind
            CHECK(atk_object_get_role(item) == roles[int(control.kind)]);
            CHECK(std::string(name ? name : "") == (control.kind == ControlKind::Image ? control.picture.description
                                                    : control.kind == ControlKind::Label
                                                        ? control.caption
                                                        : withoutAccessMarks(control.caption)));
        }
        form.Unload();
    }
}

int main(int argc, char **argv)
{
    gtkport::install(false);
    doctest::Context context(argc, argv);
    return context.run();
}
