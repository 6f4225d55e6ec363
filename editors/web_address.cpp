#include "editors/web_address.h"

#include <cctype>

#include "store/column_values.h"

namespace calvendra {

namespace {

constexpr char kSchemeEnd[] = "://";
constexpr char kMailScheme[] = "mailto:";

bool IsSchemeName(const std::string& text) {
    if (text.empty() || !std::isalpha(static_cast<unsigned char>(text[0]))) {
        return false;
    }
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (!std::isalnum(byte) && c != '+' && c != '-' && c != '.') {
            return false;
        }
    }
    return true;
}

bool StartsWithNoCase(const std::string& text, const std::string& prefix) {
    if (text.size() < prefix.size()) {
        return false;
    }
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(text[i])) != prefix[i]) {
            return false;
        }
    }
    return true;
}

}  // namespace

std::optional<std::string> WebAddressToOpen(const std::string& field) {
    const std::string address = TrimWhiteSpace(field);
    if (address.empty()) {
        return std::nullopt;
    }
    std::size_t rest = 0;
    const std::size_t schemeEnd = address.find(kSchemeEnd);
    if (schemeEnd != std::string::npos && IsSchemeName(address.substr(0, schemeEnd))) {
        rest = schemeEnd + sizeof kSchemeEnd - 1;
    } else if (StartsWithNoCase(address, kMailScheme)) {
        rest = sizeof kMailScheme - 1;
    } else {
        // "www.example.org": a browser needs to be told that it is a web address, or the
        // desktop takes it for the name of a file.
        return "http://" + address;
    }
    if (rest == address.size()) {
        return std::nullopt;
    }
    return address;
}

void OpenWebField(const std::string& field, const WebLauncher& launch) {
    if (const auto address = WebAddressToOpen(field)) {
        launch(*address);
    }
}

}  // namespace calvendra
