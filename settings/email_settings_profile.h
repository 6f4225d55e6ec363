#pragma once

#include "settings/email_settings.h"

// The e-mail settings in the profile (settings/profile.h): the section named by the application
// key, with the keys "SenderEmail", "SMTPServer", "SMTPPort", "SMTPAccount", "SMTPPassword" and
// "SMTPSecurity" ("none", "starttls" or "tls").
namespace calvendra {

inline constexpr int kDefaultSmtpPort = 25;

// The six values of the profile; absent keys read as empty text, port 25 and no security, and so
// does a stored port that is no port number (which the log tells). A security text is read in any
// letter case and with blanks around it; one that names no mode is kept in unknownSecurity (and
// the log tells), which stops every mail. Without a profile every field takes its default.
EmailSettings LoadEmailSettings();

// Writes the record to the profile and makes sure the profile file can be read by its owner only,
// since it holds the password. The results of the writes are not checked.
void SaveEmailSettings(const EmailSettings& settings);

}  // namespace calvendra
