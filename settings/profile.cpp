#include "settings/profile.h"

#include <sys/stat.h>

#include <cstdlib>

#include <wx/config.h>
#include <wx/fileconf.h>
#include <wx/filename.h>
#include <wx/utils.h>

namespace calvendra {

namespace {

std::string ConfigFolder() {
    const char* configured = std::getenv("XDG_CONFIG_HOME");
    if (configured != nullptr && configured[0] == '/') {
        return configured;
    }
    return wxGetHomeDir().utf8_string() + "/.config";
}

}  // namespace

std::string ProfileFilePath() {
    return ConfigFolder() + "/calvendra/calvendra.conf";
}

void SelectProfile() {
    const wxString path = wxString::FromUTF8(ProfileFilePath());
    wxFileName::Mkdir(wxFileName(path).GetPath(), 0700, wxPATH_MKDIR_FULL);
    auto* profile = new wxFileConfig(wxEmptyString, wxEmptyString, path, wxEmptyString,
                                     wxCONFIG_USE_LOCAL_FILE);
    profile->SetUmask(0077);
    profile->SetExpandEnvVars(false);
    delete wxConfigBase::Set(profile);
}

void FlushProfile() {
    wxConfigBase* profile = wxConfigBase::Get(false);
    if (profile == nullptr) {
        return;
    }
    profile->Flush();
    // A file written before with wider permissions keeps them through wx's rewrite.
    chmod(ProfileFilePath().c_str(), S_IRUSR | S_IWUSR);
}

}  // namespace calvendra
