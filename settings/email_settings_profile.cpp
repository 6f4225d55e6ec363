#include "settings/email_settings_profile.h"

#include <wx/config.h>

#include "platform/application_key.h"
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
    long port = kDefaultSmtpPort;
    profile->Read(Key("SMTPPort"), &port, kDefaultSmtpPort);
    settings.smtpPort = static_cast<int>(port);
    settings.smtpAccount = ReadText(*profile, "SMTPAccount");
    settings.smtpPassword = ReadText(*profile, "SMTPPassword");
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
    FlushProfile();
}

}  // namespace calvendra
