#pragma once

#include <functional>
#include <optional>
#include <string>

// What "GO" hands to the browser. Needs no window.
namespace calvendra {

// Opens a web address. The organizer's opens it in the desktop's default browser
// (default_browser.h); tests give one that records the address.
using WebLauncher = std::function<void(const std::string& address)>;

// The address that "GO" opens for what a web field holds: the text without the blanks around it,
// with "http://" in front when it names no scheme. Nothing for an empty field or a scheme alone
// (the field's "http://" before anything was typed), which would only start a browser on nothing.
std::optional<std::string> WebAddressToOpen(const std::string& field);

// "GO": hands the field's address to `launch`, or does nothing.
void OpenWebField(const std::string& field, const WebLauncher& launch);

}  // namespace calvendra
