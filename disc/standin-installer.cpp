// Stand-in for the installers a published disc carries. The demo disc copies
// this one program to Acrobat/Setup.exe and Tallset.exe so that the launcher
// has something real to start; the window tells which installer it replaces.
#include <cstring>
#include <string>

#include <gtk/gtk.h>

namespace {

// The product whose installer this copy stands in for, from the name the
// copy was given on the disc (Setup.exe in Acrobat/, Tallset.exe in the root).
std::string productFor(const char *programPath)
{
    const char *slash = std::strrchr(programPath, '/');
    std::string name = slash ? slash + 1 : programPath;
    const std::string base = name.substr(0, name.rfind('.'));
    if (g_ascii_strcasecmp(base.c_str(), "tallset") == 0)
        return "Trenchmoor";
    if (g_ascii_strcasecmp(base.c_str(), "setup") == 0)
        return "Acrobat Reader";
    return name;
}

} // namespace

int main(int argc, char *argv[])
{
    gtk_init(&argc, &argv);
    const std::string product = productFor(argc > 0 ? argv[0] : "");
    const std::string text =
        "This is a stand-in on the demo disc. On a real disc the real " + product + " installer would run here.";
    // A message dialog, so that Escape closes it as well as the button does.
    GtkWidget *window = gtk_message_dialog_new(nullptr, GTK_DIALOG_MODAL, GTK_MESSAGE_INFO, GTK_BUTTONS_CLOSE,
                                               "%s", text.c_str());
    gtk_window_set_title(GTK_WINDOW(window), (product + " installer (stand-in)").c_str());
    gtk_dialog_run(GTK_DIALOG(window));
    return 0;
}
