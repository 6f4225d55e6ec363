#include "settings/autostart_entry.h"

#include <glib.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/config_home.h"
#include "settings/desktop_entry_text.h"

namespace calvendra {

namespace {

// Tabs and line breaks have escapes in a desktop entry; other control characters cannot be written.
bool CanBeWritten(const std::string& text) {
    if (!g_utf8_validate(text.data(), static_cast<gssize>(text.size()), nullptr)) {
        return false;
    }
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte < 0x20 && c != '\t' && c != '\n' && c != '\r') || byte == 0x7f) {
            return false;
        }
    }
    return true;
}

}  // namespace

std::string AutostartFolder() {
    return ConfigHome() + "/autostart";
}

std::string AutostartEntryPath() {
    return AutostartFolder() + "/calvendra.desktop";
}

bool WriteAutostartEntry(const std::string& program, std::string& error) {
    if (!CanBeWritten(program)) {
        error = "the program's path cannot be written in a desktop entry: " + program;
        return false;
    }
    const std::string folder = AutostartFolder();
    if (g_mkdir_with_parents(folder.c_str(), 0700) != 0) {
        error = "cannot create the autostart folder " + folder + ": " + std::strerror(errno);
        return false;
    }
    const std::string text =
        "[Desktop Entry]\n"
        "Type=Application\n"
        "Name=Calvendra\n"
        "Comment=Starts the organizer when you log in\n"
        "Exec=" +
        StringValue(ExecArgument(program)) +
        "\n"
        "Icon=calvendra\n"
        "Terminal=false\n";
    // GLib writes a temporary file in the folder and renames it over the entry.
    GError* failure = nullptr;
    const std::string path = AutostartEntryPath();
    if (!g_file_set_contents(path.c_str(), text.data(), static_cast<gssize>(text.size()),
                             &failure)) {
        error = "cannot write the autostart entry " + path + ": " + failure->message;
        g_error_free(failure);
        return false;
    }
    return true;
}

bool RemoveAutostartEntry(std::string& error) {
    const std::string path = AutostartEntryPath();
    if (unlink(path.c_str()) == 0 || errno == ENOENT || errno == ENOTDIR) {
        return true;
    }
    error = "cannot remove the autostart entry " + path + ": " + std::strerror(errno);
    return false;
}

}  // namespace calvendra
