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

// The stored security mode; absent or empty means none, as before there was a choice. A text that
// names no mode is kept as it is, and stops every mail until the dialog saves a mode: reading it
// as none would send the mail, and a login, in clear text where encryption was meant.
void ReadSecurity(const wxConfigBase& profile, EmailSettings& settings) {
    const std::string text = ReadText(profile, "SMTPSecurity");
    if (const std::optional<MailSecurity> security = MailSecurityFromText(text)) {
        settings.security = *security;
        return;
    }
    if (text.find_first_not_of(" \t") == std::string::npos) {
        return;
    }
    settings.unknownSecurity = text;
    LogError("E-mail settings: " + UnknownSecurityText(text) + ".");
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
    ReadSecurity(*profile, settings);
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
    // A security text that names no mode stays as it was until a mode is chosen.
    profile->Write(Key("SMTPSecurity"), settings.unknownSecurity.empty()
                                            ? wxString(MailSecurityText(settings.security))
                                            : resources::FromStoreText(settings.unknownSecurity));
    FlushProfile();
}

}  // namespace calvendra
