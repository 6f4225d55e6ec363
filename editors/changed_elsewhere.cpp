#include "editors/changed_elsewhere.h"

#include <wx/msgdlg.h>
#include <wx/translation.h>

#include "editors/dialog_buttons.h"
#include "editors/picker_rows.h"
#include "platform/log.h"
#include "resources/store_text.h"
#include "resources/strings.h"

namespace calvendra {

namespace {

// "Phone, City and Others", in the user's language.
wxString Listed(const std::vector<std::string>& names) {
    wxString text;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (i > 0) {
            text += i + 1 == names.size() ? _(" and ") : _(", ");
        }
        text += wxGetTranslation(resources::FromStoreText(names[i]));
    }
    return text;
}

// The log keeps the English text; the user reads it in the user's language.
void ShowNotice(wxWindow* parent, const std::string& logged, const wxString& shown) {
    WriteLog(LogLevel::kInfo, logged);
    wxMessageBox(shown, resources::kApplicationTitle, wxOK | wxICON_WARNING, parent);
}

const char* Noun(int kind) {
    return kind == kScheduleKind ? "schedule" : "contact";
}

}  // namespace

ChangedElsewhereAnswer AskChangedElsewhere(wxWindow* parent, int kind,
                                           const std::vector<std::string>& theirs,
                                           const std::vector<std::string>& mine) {
    const bool schedule = kind == kScheduleKind;
    wxString details = wxString::Format(_("Changed elsewhere: %s."), Listed(theirs));
    if (!mine.empty()) {
        details += "\n" + wxString::Format(_("Changed by you: %s."), Listed(mine));
    }
    details += "\n\n";
    details += schedule ? _("\"Keep My Version\" stores what you entered in place of the stored "
                            "schedule; \"Take Stored Version\" opens the schedule again as it is "
                            "stored now; \"Cancel\" stores nothing.")
                        : _("\"Keep My Version\" stores what you entered in place of the stored "
                            "contact; \"Take Stored Version\" opens the contact again as it is "
                            "stored now; \"Cancel\" stores nothing.");
    wxMessageDialog box(parent,
                        schedule ? _("This schedule was changed elsewhere while you edited it. "
                                     "Which version do you want to keep?")
                                 : _("This contact was changed elsewhere while you edited it. "
                                     "Which version do you want to keep?"),
                        _("Tips"), wxYES_NO | wxCANCEL | wxICON_QUESTION);
    box.SetExtendedMessage(details);
    box.SetYesNoCancelLabels(_("Keep My Version"), _("Take Stored Version"), _("Cancel"));
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
    return AskTips(parent, kind == kScheduleKind
                               ? _("This schedule was deleted elsewhere while you edited it. Do "
                                   "you want to store what you entered as a new schedule?")
                               : _("This contact was deleted elsewhere while you edited it. Do you "
                                   "want to store what you entered as a new contact?"));
}

void ReportDeletedElsewhere(wxWindow* parent, int kind) {
    ShowNotice(
        parent, std::string("This ") + Noun(kind) + " no longer exists: it was deleted elsewhere.",
        kind == kScheduleKind ? _("This schedule no longer exists: it was deleted elsewhere.")
                              : _("This contact no longer exists: it was deleted elsewhere."));
}

void ReportFiledInBaseGroup(wxWindow* parent, int kind, const std::string& baseGroupName,
                            const std::string& chosenGroupName) {
    const std::string group = chosenGroupName.empty()
                                  ? std::string("The group chosen for the ") + Noun(kind)
                                  : "The group \"" + chosenGroupName + "\"";
    const wxString base = resources::FromStoreText(baseGroupName);
    wxString shown;
    if (chosenGroupName.empty()) {
        shown = wxString::Format(
            kind == kScheduleKind
                ? _("The group chosen for the schedule was deleted elsewhere meanwhile: the "
                    "schedule is stored in \"%s\".")
                : _("The group chosen for the contact was deleted elsewhere meanwhile: the "
                    "contact is stored in \"%s\"."),
            base);
    } else {
        shown = wxString::Format(
            kind == kScheduleKind
                ? _("The group \"%s\" was deleted elsewhere meanwhile: the schedule is stored in "
                    "\"%s\".")
                : _("The group \"%s\" was deleted elsewhere meanwhile: the contact is stored in "
                    "\"%s\"."),
            resources::FromStoreText(chosenGroupName), base);
    }
    ShowNotice(parent,
               group + " was deleted elsewhere meanwhile: the " + Noun(kind) + " is stored in \"" +
                   baseGroupName + "\".",
               shown);
}

}  // namespace calvendra
