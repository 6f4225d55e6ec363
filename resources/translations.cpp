#include "resources/translations.h"

#include <wx/filename.h>
#include <wx/stdpaths.h>
#include <wx/translation.h>
#include <wx/uilocale.h>

#include "platform/log.h"

namespace calvendra::resources {

void TranslateInto(const std::string& language, const std::vector<std::string>& folders) {
    for (const std::string& folder : folders) {
        wxFileTranslationsLoader::AddCatalogLookupPathPrefix(wxString::FromUTF8(folder));
    }
    auto* translations = new wxTranslations;
    // Takes ownership; the translations chosen before go.
    wxTranslations::Set(translations);
    if (!language.empty()) {
        translations->SetLanguage(wxString::FromUTF8(language));
    }
    // wxWidgets' own texts (its stock dialogs), where the system has them.
    translations->AddStdCatalog();
    if (translations->AddCatalog(kCatalogueDomain, wxLANGUAGE_ENGLISH_US)) {
        return;
    }
    wxString wanted = wxString::FromUTF8(language);
    if (wanted.empty()) {
        const wxVector<wxString> preferred = wxUILocale::GetPreferredUILanguages();
        wanted = preferred.empty() ? wxString() : preferred.front();
    }
    if (!wanted.empty() && !wanted.StartsWith("en") && wanted != "C" && wanted != "POSIX") {
        WriteLog(LogLevel::kInfo, "No catalogue of the organizer's texts for \"" +
                                      wanted.utf8_string() + "\"; the texts show in English.");
    }
}

std::vector<std::string> CatalogueFolders() {
    std::vector<std::string> folders{CALVENDRA_INSTALL_LOCALE_DIR};
    // The build tree: <build>/app/calvendra and <build>/locale.
    wxFileName buildTree(wxStandardPaths::Get().GetExecutablePath());
    buildTree.RemoveLastDir();
    buildTree.AppendDir("locale");
    folders.push_back(buildTree.GetPath().utf8_string());
    return folders;
}

}  // namespace calvendra::resources
