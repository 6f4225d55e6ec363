#include "exchange/library_messages.h"

#include <glib.h>

#include <mutex>

#include "platform/log.h"

namespace calvendra::exchange {

namespace {

thread_local LibraryMessages* current = nullptr;

void Catch(const gchar* domain, GLogLevelFlags, const gchar* message, gpointer) {
    const std::string text = message != nullptr ? message : "";
    if (current != nullptr) {
        current->Add(text);
        return;
    }
    LogWarning(std::string(domain != nullptr ? domain : "a library") + ": " + text);
}

void InstallHandler() {
    static std::once_flag installed;
    std::call_once(installed, [] {
        const auto levels = static_cast<GLogLevelFlags>(G_LOG_LEVEL_WARNING | G_LOG_LEVEL_CRITICAL |
                                                        G_LOG_LEVEL_MESSAGE);
        for (const char* domain : {"libebook-contacts", "libedataserver"}) {
            g_log_set_handler(domain, levels, &Catch, nullptr);
        }
    });
}

}  // namespace

LibraryMessages::LibraryMessages() : previous_(current) {
    InstallHandler();
    current = this;
}

LibraryMessages::~LibraryMessages() {
    current = previous_;
}

std::vector<std::string> LibraryMessages::Taken() {
    std::vector<std::string> taken;
    taken.swap(messages_);
    return taken;
}

}  // namespace calvendra::exchange
