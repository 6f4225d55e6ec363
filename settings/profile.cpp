#include "settings/profile.h"

#include <sys/stat.h>

#include <wx/config.h>
#include <wx/fileconf.h>
#include <wx/filename.h>

#include "platform/config_home.h"

namespace calvendra {

std::string ProfileFilePath() {
    return ConfigHome() + "/calvendra/calvendra.conf";
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
