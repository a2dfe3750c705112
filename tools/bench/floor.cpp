// bench-floor: the least a GTK 3 program does for the launcher's first moments,
// to measure the launcher against. One maximised window whose drawing area
// paints the welcome picture (decoded by stb_image from the launcher's own
// resources, stretched by cairo with the launcher's filter), then a small modal
// dialog with a label and two buttons of the launcher's size; Enter in it
// closes it and opens a second small dialog.
//
//   bench-floor [PROGRAM]
//
// With PROGRAM, Enter in the first dialog also starts PROGRAM before the second
// dialog, as the launcher starts an installer there: in its own folder, in a
// session of its own, with no descriptor above standard error, not waited for.
#include <gtk/gtk.h>

#include <spawn.h>
#include <string>
#include <vector>

#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_JPEG
#define STBI_NO_STDIO
#define STBI_NO_LINEAR
#define STBI_NO_HDR
#if __has_include(<stb/stb_image.h>)
#include <stb/stb_image.h>
#else
#include <stb_image.h>
#endif

namespace {

// The picture, decoded once; its stretched copy made once per size.
struct Picture {
    cairo_surface_t *surface = nullptr;
    int width = 0, height = 0;
    cairo_surface_t *scaled = nullptr;
    int scaledWidth = 0, scaledHeight = 0, scaledScale = 0;
};

Picture decode(const char *resource)
{
    Picture picture;
    GBytes *bytes = g_resources_lookup_data(resource, G_RESOURCE_LOOKUP_FLAGS_NONE, nullptr);
    if (!bytes)
        return picture;
    gsize size = 0;
    const auto *data = static_cast<const unsigned char *>(g_bytes_get_data(bytes, &size));
    int components = 0;
    unsigned char *rgba = stbi_load_from_memory(data, int(size), &picture.width, &picture.height, &components, 4);
    g_bytes_unref(bytes);
    if (!rgba)
        return picture;
    picture.surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, picture.width, picture.height);
    unsigned char *out = cairo_image_surface_get_data(picture.surface);
    const int stride = cairo_image_surface_get_stride(picture.surface);
    for (int y = 0; y < picture.height; ++y) {
        auto *row = reinterpret_cast<guint32 *>(out + std::size_t(y) * stride);
        const unsigned char *in = rgba + std::size_t(y) * picture.width * 4;
        for (int x = 0; x < picture.width; ++x, in += 4)
            row[x] = 0xff000000u | guint32(in[0]) << 16 | guint32(in[1]) << 8 | in[2];
    }
    cairo_surface_mark_dirty(picture.surface);
    stbi_image_free(rgba);
    return picture;
}

gboolean drawPicture(GtkWidget *area, cairo_t *cr, gpointer data)
{
    auto &picture = *static_cast<Picture *>(data);
    const int width = gtk_widget_get_allocated_width(area), height = gtk_widget_get_allocated_height(area);
    const int scale = gtk_widget_get_scale_factor(area);
    if (!picture.surface || width <= 0 || height <= 0)
        return TRUE;
    if (!picture.scaled || picture.scaledWidth != width || picture.scaledHeight != height || picture.scaledScale != scale) {
        if (picture.scaled)
            cairo_surface_destroy(picture.scaled);
        picture.scaled = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width * scale, height * scale);
        cairo_surface_set_device_scale(picture.scaled, scale, scale);
        picture.scaledWidth = width;
        picture.scaledHeight = height;
        picture.scaledScale = scale;
        cairo_t *to = cairo_create(picture.scaled);
        cairo_scale(to, double(width) / picture.width, double(height) / picture.height);
        cairo_set_source_surface(to, picture.surface, 0, 0);
        cairo_pattern_set_filter(cairo_get_source(to), CAIRO_FILTER_GOOD);
        cairo_pattern_set_extend(cairo_get_source(to), CAIRO_EXTEND_PAD);
        cairo_set_operator(to, CAIRO_OPERATOR_SOURCE);
        cairo_paint(to);
        cairo_destroy(to);
    }
    cairo_set_source_surface(cr, picture.scaled, 0, 0);
    cairo_paint(cr);
    return TRUE;
}

// A small modal dialog: a line of text and buttons of 81x25 pixels, the first
// the default; it returns once a button was pressed or the dialog closed.
void ask(GtkWindow *owner, const char *title, const char *text, const std::vector<const char *> &buttons)
{
    GtkWidget *dialog = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_title(GTK_WINDOW(dialog), title);
    gtk_window_set_transient_for(GTK_WINDOW(dialog), owner);
    gtk_window_set_modal(GTK_WINDOW(dialog), TRUE);
    gtk_window_set_type_hint(GTK_WINDOW(dialog), GDK_WINDOW_TYPE_HINT_DIALOG);
    gtk_window_set_position(GTK_WINDOW(dialog), GTK_WIN_POS_CENTER_ON_PARENT);
    gtk_window_set_resizable(GTK_WINDOW(dialog), FALSE);
    gtk_window_set_default_size(GTK_WINDOW(dialog), 300, 124);
    GtkWidget *fixed = gtk_fixed_new();
    gtk_container_add(GTK_CONTAINER(dialog), fixed);
    gtk_fixed_put(GTK_FIXED(fixed), gtk_label_new(text), 24, 16);
    GMainLoop *loop = g_main_loop_new(nullptr, FALSE);
    int left = 56;
    for (const char *caption : buttons) {
        GtkWidget *button = gtk_button_new_with_mnemonic(caption);
        gtk_widget_set_size_request(button, 81, 25);
        gtk_fixed_put(GTK_FIXED(fixed), button, left, 96);
        left += 96;
        g_signal_connect_swapped(button, "clicked", G_CALLBACK(g_main_loop_quit), loop);
        if (caption == buttons.front()) {
            gtk_widget_set_can_default(button, TRUE);
            gtk_window_set_default(GTK_WINDOW(dialog), button);
            gtk_window_set_focus(GTK_WINDOW(dialog), button);
        }
    }
    g_signal_connect_swapped(dialog, "delete-event", G_CALLBACK(g_main_loop_quit), loop);
    gtk_widget_show_all(dialog);
    g_main_loop_run(loop);
    g_main_loop_unref(loop);
    gtk_widget_destroy(dialog);
}

void start(const std::string &program)
{
    const std::string folder = program.substr(0, program.rfind('/') + 1);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (!folder.empty())
        posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    posix_spawn_file_actions_addclosefrom_np(&actions, 3);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
    char *argv[] = {const_cast<char *>(program.c_str()), nullptr};
    pid_t pid = 0;
    if (posix_spawn(&pid, program.c_str(), &actions, &attributes, argv, environ) != 0)
        g_printerr("bench-floor: cannot start %s\n", program.c_str());
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
}

} // namespace

int main(int argc, char *argv[])
{
    if (!gtk_init_check(&argc, &argv)) {
        g_printerr("bench-floor: cannot open the display\n");
        return 1;
    }
    Picture picture = decode("/trenchmoor/pictures/welcome.jpg");
    if (!picture.surface) {
        g_printerr("bench-floor: the welcome picture is missing\n");
        return 1;
    }
    GtkWidget *window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_title(GTK_WINDOW(window), "bench-floor");
    GtkWidget *area = gtk_drawing_area_new();
    g_signal_connect(area, "draw", G_CALLBACK(drawPicture), &picture);
    gtk_container_add(GTK_CONTAINER(window), area);
    gtk_window_maximize(GTK_WINDOW(window));
    gtk_widget_show_all(window);
    ask(GTK_WINDOW(window), "bench-floor dialog", "Would you like to install it?", {"_Yes", "_No"});
    if (argc > 1)
        start(argv[1]);
    ask(GTK_WINDOW(window), "bench-floor next", "Done.", {"_OK"});
    return 0;
}
