#pragma once

#include <string>

namespace calvendra {

// How reminder e-mail leaves the machine. One record serves the whole program: it is loaded from
// the profile when the organizer view first updates, changed only by the "Email Setting" dialog,
// and read by the reminder delivery each time it sends.
struct EmailSettings {
    std::string senderAddress;
    std::string smtpServer;
    int smtpPort = 0;
    std::string smtpAccount;
    std::string smtpPassword;

    // Replaces every field with the values of the profile section "Calvendra1.0"; absent keys
    // read as empty text and port 25. Without a profile every field takes its default.
    void load();
};

// The running program's record. Empty, with port 0, until load() runs.
EmailSettings& ProcessEmailSettings();

// Writes the record to the profile section "Calvendra1.0" and makes sure the profile file can be
// read by its owner only, since it holds the password. The results of the writes are not checked.
void SaveToProfile(const EmailSettings& settings);

}  // namespace calvendra
