// What Qt is told in place of the launcher's command line.
#include "qtport.h"

#include <QCoreApplication>
#include <QString>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

namespace qtport {

QtArguments prepareQt(const char *programName)
{
    static std::vector<std::string> words;
    static std::vector<char *> pointers;
    words.assign({programName && *programName ? programName : "program"});

    const char *display = std::getenv("DISPLAY");
    const char *chosen = std::getenv("QT_QPA_PLATFORM");
    if (display && *display && !(chosen && *chosen))
        words.insert(words.end(), {"-platform", "xcb"});

    // The disc's own Qt: linux/plugins beside the executable.
    std::error_code error;
    const std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error) {
        const std::filesystem::path plugins = executable.parent_path() / "linux" / "plugins";
        if (std::filesystem::is_directory(plugins / "platforms", error)) {
            // Replaces the whole search list (system folder, QT_PLUGIN_PATH) before
            // QApplication reads it; the option overrides QT_QPA_PLATFORM_PLUGIN_PATH.
            QCoreApplication::setLibraryPaths({QString::fromStdString(plugins.string())});
            words.insert(words.end(), {"-platformpluginpath", (plugins / "platforms").string()});
        }
    }

    pointers.clear();
    for (std::string &word : words)
        pointers.push_back(word.data());
    pointers.push_back(nullptr);
    return {static_cast<int>(words.size()), pointers.data()};
}

} // namespace qtport
