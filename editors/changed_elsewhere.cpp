#include "editors/changed_elsewhere.h"

#include <wx/msgdlg.h>

#include "editors/dialog_buttons.h"
#include "editors/picker_rows.h"
#include "platform/log.h"
#include "resources/store_text.h"
#include "resources/strings.h"

namespace calvendra {

namespace {

const char* Noun(int kind) {
    return kind == kScheduleKind ? "schedule" : "contact";
}

// "Phone, City and Others".
std::string Listed(const std::vector<std::string>& names) {
    std::string text;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (i > 0) {
            text += i + 1 == names.size() ? " and " : ", ";
        }
        text += names[i];
    }
    return text;
}

void ShowNotice(wxWindow* parent, const std::string& text) {
    WriteLog(LogLevel::kInfo, text);
    wxMessageBox(resources::FromStoreText(text), resources::kApplicationTitle,
                 wxOK | wxICON_WARNING, parent);
}

}  // namespace

ChangedElsewhereAnswer AskChangedElsewhere(wxWindow* parent, int kind,
                                           const std::vector<std::string>& theirs,
                                           const std::vector<std::string>& mine) {
    const std::string noun = Noun(kind);
    std::string details = "Changed elsewhere: " + Listed(theirs) + ".";
    if (!mine.empty()) {
        details += "\nChanged by you: " + Listed(mine) + ".";
    }
    details += "\n\n\"Keep My Version\" stores what you entered in place of the stored " + noun +
               "; \"Take Stored Version\" opens the " + noun +
               " again as it is stored now; \"Cancel\" stores nothing.";
    wxMessageDialog box(parent,
                        "This " + noun +
                            " was changed elsewhere while you edited it. Which version do you "
                            "want to keep?",
                        "Tips", wxYES_NO | wxCANCEL | wxICON_QUESTION);
    box.SetExtendedMessage(resources::FromStoreText(details));
    box.SetYesNoCancelLabels("Keep My Version", "Take Stored Version", "Cancel");
    switch (box.ShowModal()) {
        case wxID_YES:
            return ChangedElsewhereAnswer::kKeepMine;
        case wxID_NO:
            return ChangedElsewhereAnswer::kTakeStored;
        default:
            return ChangedElsewhereAnswer::kCancel;
    }
}

bool AskStoreDeletedAsNew(wxWindow* parent, int kind) {
    const std::string noun = Noun(kind);
    const std::string question = "This " + noun +
                                 " was deleted elsewhere while you edited it. Do you want to "
                                 "store what you entered as a new " +
                                 noun + "?";
    return AskTips(parent, question.c_str());
}

void ReportDeletedElsewhere(wxWindow* parent, int kind) {
    ShowNotice(parent,
               std::string("This ") + Noun(kind) + " no longer exists: it was deleted elsewhere.");
}

void ReportFiledInBaseGroup(wxWindow* parent, int kind, const std::string& baseGroupName,
                            const std::string& chosenGroupName) {
    const std::string group = chosenGroupName.empty()
                                  ? std::string("The group chosen for the ") + Noun(kind)
                                  : "The group \"" + chosenGroupName + "\"";
    ShowNotice(parent, group + " was deleted elsewhere meanwhile: the " + Noun(kind) +
                           " is stored in \"" + baseGroupName + "\".");
}

}  // namespace calvendra
