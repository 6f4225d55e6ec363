#include "settings/email_settings_profile.h"

#include <wx/config.h>

#include "platform/application_key.h"
#include "platform/log.h"
#include "resources/store_text.h"
#include "settings/profile.h"

namespace calvendra {

namespace {

wxString Key(const char* name) {
    return wxString("/") + kApplicationKey + "/" + name;
}

std::string ReadText(const wxConfigBase& profile, const char* name) {
    wxString value;
    profile.Read(Key(name), &value, wxString());
    return resources::ToStoreText(value);
}

// The stored port, checked before it is narrowed: one that is no port number (out of range, too
// large for any integer, or no number at all) counts as absent, and the log says so.
int ReadPort(const wxConfigBase& profile) {
    wxString text;
    if (!profile.Read(Key("SMTPPort"), &text)) {
        return kDefaultSmtpPort;
    }
    long long port = 0;
    if (text.ToLongLong(&port) && IsPortNumber(port)) {
        return static_cast<int>(port);
    }
    LogWarning("The stored SMTP port \"" + text.utf8_string() + "\" is no port number from " +
               std::to_string(kLowestPort) + " to " + std::to_string(kHighestPort) + "; port " +
               std::to_string(kDefaultSmtpPort) + " is used.");
    return kDefaultSmtpPort;
}

// The stored security mode; absent means none, as before there was a choice. A text that names no
// mode counts as none too, and the log says so: "none" never sends a password in clear (the
// login then needs a mechanism that keeps it hidden).
MailSecurity ReadSecurity(const wxConfigBase& profile) {
    const std::string text = ReadText(profile, "SMTPSecurity");
    if (text.empty()) {
        return MailSecurity::None;
    }
    if (const std::optional<MailSecurity> security = MailSecurityFromText(text)) {
        return *security;
    }
    LogWarning("The stored SMTP security \"" + text +
               "\" is none of \"none\", \"starttls\" and \"tls\"; \"none\" is used.");
    return MailSecurity::None;
}

}  // namespace

EmailSettings LoadEmailSettings() {
    EmailSettings settings;
    settings.smtpPort = kDefaultSmtpPort;
    const wxConfigBase* profile = wxConfigBase::Get(false);
    if (profile == nullptr) {
        return settings;
    }
    settings.senderAddress = ReadText(*profile, "SenderEmail");
    settings.smtpServer = ReadText(*profile, "SMTPServer");
    settings.smtpPort = ReadPort(*profile);
    settings.smtpAccount = ReadText(*profile, "SMTPAccount");
    settings.smtpPassword = ReadText(*profile, "SMTPPassword");
    settings.security = ReadSecurity(*profile);
    return settings;
}

void SaveEmailSettings(const EmailSettings& settings) {
    wxConfigBase* profile = wxConfigBase::Get(false);
    if (profile == nullptr) {
        return;
    }
    profile->Write(Key("SenderEmail"), resources::FromStoreText(settings.senderAddress));
    profile->Write(Key("SMTPServer"), resources::FromStoreText(settings.smtpServer));
    profile->Write(Key("SMTPPort"), static_cast<long>(settings.smtpPort));
    profile->Write(Key("SMTPAccount"), resources::FromStoreText(settings.smtpAccount));
    profile->Write(Key("SMTPPassword"), resources::FromStoreText(settings.smtpPassword));
    profile->Write(Key("SMTPSecurity"), wxString(MailSecurityText(settings.security)));
    FlushProfile();
}

}  // namespace calvendra
