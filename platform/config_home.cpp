#include "platform/config_home.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

namespace calvendra {

namespace {

std::string HomeFolder() {
    const char* home = std::getenv("HOME");
    if (home != nullptr && *home != '\0') {
        return home;
    }
    long size = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<size_t>(size) : 16384);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 &&
        found != nullptr && found->pw_dir != nullptr) {
        return found->pw_dir;
    }
    return "/";
}

// The XDG folder named by `variable` when it is absolute, otherwise `fallback` below home.
std::string XdgFolder(const char* variable, const char* fallback) {
    const char* configured = std::getenv(variable);
    if (configured != nullptr && configured[0] == '/') {
        return configured;
    }
    std::string home = HomeFolder();
    if (!home.empty() && home.back() == '/') {
        home.pop_back();
    }
    return home + fallback;
}

}  // namespace

std::string ConfigHome() {
    return XdgFolder("XDG_CONFIG_HOME", "/.config");
}

std::string StateHome() {
    return XdgFolder("XDG_STATE_HOME", "/.local/state");
}

}  // namespace calvendra
