#include "editors/new_contact_dlg.h"

#include <wx/button.h>
#include <wx/choice.h>
#include <wx/msgdlg.h>
#include <wx/sizer.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/translation.h>

#include "editors/business_info_dlg.h"
#include "editors/dialog_buttons.h"
#include "editors/group_list_dlg.h"
#include "editors/picker_rows.h"
#include "platform/translatable.h"
#include "resources/store_text.h"
#include "resources/strings.h"

namespace calvendra {

namespace {

enum ControlId : int {
    kIdGo = 100,
    kIdBusiness,
    kIdChangeGroup,
};

// Stored in English, whatever language the choice shows them in.
constexpr const char* kGenders[] = {TRANSLATABLE("Unspecified"), TRANSLATABLE("Male"),
                                    TRANSLATABLE("Female")};
constexpr int kGenderCount = 3;

constexpr char kNoFirstName[] = TRANSLATABLE("Please input the new contact first name!");
constexpr char kCreateQuestion[] =
    TRANSLATABLE("Do you want to create this new contact and insert into the selected group?");

}  // namespace

wxBEGIN_EVENT_TABLE(CNewContactDlg, wxDialog)
    EVT_BUTTON(kIdGo, CNewContactDlg::OnGo)
    EVT_BUTTON(kIdBusiness, CNewContactDlg::OnBusiness)
    EVT_BUTTON(kIdChangeGroup, CNewContactDlg::OnChangeGroup)
    EVT_BUTTON(wxID_OK, CNewContactDlg::OnOk)
wxEND_EVENT_TABLE()

CNewContactDlg::CNewContactDlg(wxWindow* parent, CDBConnection& connection, EditMode mode,
                               Identifier contactId, Identifier groupId,
                               const ContactValues& values, WebLauncher launch)
    : wxDialog(parent, wxID_ANY, _("New Contact Dialog"), wxDefaultPosition, wxDefaultSize,
               wxDEFAULT_DIALOG_STYLE | wxRESIZE_BORDER),
      connection_(connection),
      mode_(mode),
      contactId_(contactId),
      groupId_(groupId),
      values_(values),
      launch_(std::move(launch)) {
    CreateControls();
    ShowGender();
    CentreOnParent();
    edits_.At(ContactField::kFirstName)->SetFocus();
}

void CNewContactDlg::CreateControls() {
    // Created in tab order: the names and gender, the home block down to _("GO"), the two buttons
    // below it, then OK and Cancel.
    auto* names = new wxFlexGridSizer(4, wxSize(12, 6));
    names->AddGrowableCol(1);
    names->AddGrowableCol(3);
    edits_.AddLine(this, *names, _("First Name:"), ContactField::kFirstName, values_);
    edits_.AddLine(this, *names, _("Last Name:"), ContactField::kLastName, values_);
    names->Add(new wxStaticText(this, wxID_ANY, _("Gender:")), wxSizerFlags().CentreVertical());
    genderChoice_ = new wxChoice(this, wxID_ANY);
    names->Add(genderChoice_, wxSizerFlags().Expand());

    auto* home = new wxStaticBoxSizer(wxVERTICAL, this, _("Home Related Information"));
    wxWindow* box = home->GetStaticBox();
    auto* address = new wxFlexGridSizer(2, wxSize(12, 6));
    address->AddGrowableCol(1);
    edits_.AddAddress(box, *address,
                      {ContactField::kHomeStreet, ContactField::kHomeCity, ContactField::kHomeState,
                       ContactField::kHomeZip, ContactField::kHomeCountry},
                      values_);
    auto* reach = new wxFlexGridSizer(2, wxSize(12, 6));
    reach->AddGrowableCol(1);
    edits_.AddLine(box, *reach, _("Phone:"), ContactField::kHomePhone, values_);
    edits_.AddLine(box, *reach, _("Fax:"), ContactField::kHomeFax, values_);
    edits_.AddLine(box, *reach, _("Mobile:"), ContactField::kHomeMobile, values_);
    edits_.AddLine(box, *reach, _("Email:"), ContactField::kHomeEmail, values_);
    auto* columns = new wxBoxSizer(wxHORIZONTAL);
    columns->Add(address, wxSizerFlags(1).Expand().Border(wxRIGHT, 18));
    columns->Add(reach, wxSizerFlags(1).Expand());

    auto* othersLabel = new wxStaticText(box, wxID_ANY, _("Others"));
    wxTextCtrl* others = edits_.CreateLines(box, ContactField::kOthers, values_, 4);
    auto* web = new wxFlexGridSizer(3, wxSize(12, 6));
    web->AddGrowableCol(1);
    edits_.AddLine(box, *web, _("Web:"), ContactField::kHomeWeb, values_);
    goButton_ = new wxButton(box, kIdGo, _("GO"));
    web->Add(goButton_);

    home->Add(columns, wxSizerFlags().Expand().Border(wxALL, 6));
    home->Add(othersLabel, wxSizerFlags().Border(wxLEFT | wxRIGHT | wxTOP, 6));
    home->Add(others, wxSizerFlags(1).Expand().Border(wxALL, 6));
    home->Add(web, wxSizerFlags().Expand().Border(wxALL, 6));

    businessButton_ = new wxButton(this, kIdBusiness, _("Business Information"));
    changeGroupButton_ = new wxButton(this, kIdChangeGroup, _("Change Group"));
    auto* bottom = new wxBoxSizer(wxHORIZONTAL);
    bottom->Add(businessButton_, wxSizerFlags().CentreVertical().Border(wxRIGHT, 6));
    bottom->Add(changeGroupButton_, wxSizerFlags().CentreVertical());
    bottom->AddStretchSpacer();
    bottom->Add(CreateOkCancelButtons(this), wxSizerFlags().CentreVertical());

    auto* top = new wxBoxSizer(wxVERTICAL);
    top->Add(names, wxSizerFlags().Expand().Border(wxLEFT | wxRIGHT | wxTOP, 12));
    top->Add(home, wxSizerFlags(1).Expand().Border(wxALL, 12));
    top->Add(bottom, wxSizerFlags().Expand().Border(wxLEFT | wxRIGHT | wxBOTTOM, 12));
    SetSizerAndFit(top);
}

void CNewContactDlg::ShowGender() {
    const std::string& stored = values_[ContactField::kGender];
    int selection = wxNOT_FOUND;
    for (int i = 0; i < kGenderCount; ++i) {
        genderChoice_->Append(wxGetTranslation(kGenders[i]));
        if (wxString::FromUTF8(kGenders[i]).IsSameAs(resources::FromStoreText(stored), false)) {
            selection = i;
        }
    }
    // A gender that the list does not offer (written by another program) is shown as it is
    // rather than lost on the next save; an empty one selects nothing and stays empty.
    if (!stored.empty() && selection == wxNOT_FOUND) {
        selection = genderChoice_->Append(resources::FromStoreText(stored));
    }
    genderChoice_->SetSelection(selection);
}

void CNewContactDlg::ReadEdits() {
    edits_.ReadInto(values_);
    const int gender = genderChoice_->GetSelection();
    if (gender != wxNOT_FOUND) {
        values_[ContactField::kGender] =
            gender < kGenderCount ? std::string(kGenders[gender])
                                  : resources::ToStoreText(genderChoice_->GetString(gender));
    }
}

void CNewContactDlg::OnGo(wxCommandEvent&) {
    ReadEdits();
    OpenWebField(values_[ContactField::kHomeWeb], launch_);
}

void CNewContactDlg::OnBusiness(wxCommandEvent&) {
    CBusinessInfoDlg dialog(this, values_, launch_);
    if (dialog.ShowModal() != wxID_OK) {
        return;
    }
    for (const std::size_t field : CBusinessInfoDlg::kFields) {
        values_[field] = dialog.Values()[field];
    }
}

void CNewContactDlg::OnChangeGroup(wxCommandEvent&) {
    CGroupListDlg dialog(this, connection_, kContactKind, groupId_);
    if (dialog.ShowModal() == wxID_OK) {
        groupId_ = dialog.GroupId();
    }
}

void CNewContactDlg::OnOk(wxCommandEvent&) {
    ReadEdits();
    if (!AskTips(this, wxGetTranslation(mode_ == EditMode::kNew ? kCreateQuestion
                                                                : kSaveChangesQuestion))) {
        return;
    }
    // Blanks make a first name; only an empty one is refused, after the question.
    if (values_[ContactField::kFirstName].empty()) {
        wxMessageBox(wxGetTranslation(kNoFirstName), resources::kApplicationTitle,
                     wxOK | wxICON_WARNING, this);
        return;
    }
    // The statement doubles the quotes; the values keep the text as typed, so that another try
    // starts again from what is typed.
    statement_ = ContactStatement(mode_ == EditMode::kExisting, contactId_, groupId_, values_);
    FinishDialog(*this, wxID_OK);
}

}  // namespace calvendra
