#include "editors/email_settings.h"

#include <wx/config.h>

#include "editors/profile.h"
#include "resources/strings.h"

namespace calvendra {

namespace {

constexpr long kDefaultSmtpPort = 25;

wxString Key(const char* name) {
    return wxString("/") + resources::kApplicationKey + "/" + name;
}

std::string ReadText(const wxConfigBase& profile, const char* name) {
    wxString value;
    profile.Read(Key(name), &value, wxString());
    return resources::ToStoreText(value);
}

}  // namespace

EmailSettings& ProcessEmailSettings() {
    static EmailSettings settings;
    return settings;
}

void EmailSettings::load() {
    const wxConfigBase* profile = wxConfigBase::Get(false);
    *this = EmailSettings{};
    smtpPort = kDefaultSmtpPort;
    if (profile == nullptr) {
        return;
    }
    senderAddress = ReadText(*profile, "SenderEmail");
    smtpServer = ReadText(*profile, "SMTPServer");
    long port = kDefaultSmtpPort;
    profile->Read(Key("SMTPPort"), &port, kDefaultSmtpPort);
    smtpPort = static_cast<int>(port);
    smtpAccount = ReadText(*profile, "SMTPAccount");
    smtpPassword = ReadText(*profile, "SMTPPassword");
}

void SaveToProfile(const EmailSettings& settings) {
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
