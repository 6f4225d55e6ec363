#pragma once

#include <string>

namespace calvendra {

// The TCP ports an SMTP server can listen on.
inline constexpr long kLowestPort = 1;
inline constexpr long kHighestPort = 65535;

constexpr bool IsPortNumber(long long value) {
    return value >= kLowestPort && value <= kHighestPort;
}

// How reminder e-mail leaves the machine: the sender address shown to recipients and the SMTP
// server with its port and credentials. A plain record that needs nothing of wxWidgets, so that
// reminder mail can take it as it is. The running organizer holds one (its document owns it): it
// is loaded from the profile when the view first updates, changed only by the "Email Setting"
// dialog, and read by reminder mail each time it sends.
struct EmailSettings {
    std::string senderAddress;
    std::string smtpServer;
    // 0 until the record is loaded; the profile's default is 25.
    int smtpPort = 0;
    std::string smtpAccount;
    std::string smtpPassword;
};

}  // namespace calvendra
