#pragma once

#include "settings/email_settings.h"

// The e-mail settings in the profile (settings/profile.h): the section named by the application
// key, with the keys "SenderEmail", "SMTPServer", "SMTPPort", "SMTPAccount" and "SMTPPassword".
namespace calvendra {

inline constexpr int kDefaultSmtpPort = 25;

// The five values of the profile; absent keys read as empty text and port 25, and so does a
// stored port that is no port number (which the log tells). Without a profile every field takes
// its default.
EmailSettings LoadEmailSettings();

// Writes the record to the profile and makes sure the profile file can be read by its owner only,
// since it holds the password. The results of the writes are not checked.
void SaveEmailSettings(const EmailSettings& settings);

}  // namespace calvendra
