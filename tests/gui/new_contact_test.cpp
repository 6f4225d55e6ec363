// The contact editor and its business page: the defaults, labels and tab order, the statement it
// hands back for a new and a stored contact with every field carried exactly (quotes and line
// ends), the question before it and the first-name check, the group picker, and "GO".

#include <gtest/gtest.h>

#include <wx/button.h>
#include <wx/choice.h>
#include <wx/statbox.h>
#include <wx/textctrl.h>
#include <wx/uiaction.h>

#include "editors/business_info_dlg.h"
#include "editors/contact_record.h"
#include "editors/group_list_dlg.h"
#include "editors/new_contact_dlg.h"
#include "resources/strings.h"
#include "store/statements.h"
#include "tests/gui/support/dialog_testing.h"
#include "tests/gui/support/editor_fixture.h"
#include "tests/gui/support/gui_test.h"

namespace calvendra::testing {
namespace {

using Strings = std::vector<std::string>;

constexpr char kCreateQuestion[] =
    "Do you want to create this new contact and insert into the selected group?";
constexpr char kSaveQuestion[] = "Do you want to save all you changed?";
constexpr char kNoFirstName[] = "Please input the new contact first name!";

// The fields that the contact editor shows in edits of its own, in tab order.
const std::size_t kOwnEdits[] = {
    ContactField::kFirstName,   ContactField::kLastName,  ContactField::kHomeStreet,
    ContactField::kHomeCity,    ContactField::kHomeState, ContactField::kHomeZip,
    ContactField::kHomeCountry, ContactField::kHomePhone, ContactField::kHomeFax,
    ContactField::kHomeMobile,  ContactField::kHomeEmail, ContactField::kOthers,
    ContactField::kHomeWeb,
};

class NewContactTest : public EditorDialogTest {
protected:
    // A stored contact as the organizer opens it for editing.
    std::unique_ptr<CNewContactDlg> OpenStored(Identifier contactId) {
        const auto stored = LoadContact(Connection(), contactId);
        EXPECT_TRUE(stored) << contactId;
        return std::make_unique<CNewContactDlg>(
            nullptr, Connection(), EditMode::kExisting, contactId, stored ? stored->groupId : 0,
            stored ? stored->values : ContactValues(), opened_.Launcher());
    }

    // "Business Information", where `edit` does what the user does before `button`.
    template <class Edit>
    static void RunBusinessPage(CNewContactDlg& dialog, int button, Edit edit) {
        wxTEST_DIALOG(PressButton(dialog, dialog.BusinessButton()->GetId()),
                      ExpectDialog<CBusinessInfoDlg>([edit, button](CBusinessInfoDlg* page) {
                          edit(*page);
                          PressButton(*page, button);
                          return page->GetReturnCode();
                      }));
    }

    // OK, answering the question with Yes.
    static void Save(CNewContactDlg& dialog, const char* question) {
        wxTEST_DIALOG(PressButton(dialog, wxID_OK), ExpectMessage(question, wxYES));
        EXPECT_FALSE(dialog.IsShown());
    }

    // The stored texts of a contact, in table order, read without the code under test.
    Strings StoredTexts(Identifier contactId) {
        std::string columns;
        for (const char* column : statements::kContactTextColumns) {
            columns += (columns.empty() ? "" : ",") + std::string(column);
        }
        const Rows rows = Database().Query("select " + columns +
                                           " from assist_contactmaininfo where contact_id='" +
                                           std::to_string(contactId) + "'");
        return rows.empty() ? Strings{} : rows.front();
    }

    OpenedAddresses opened_;
};

std::string Text(wxTextCtrl* edit) {
    return edit->GetValue().utf8_string();
}

void Type(wxTextCtrl* edit, const std::string& text) {
    edit->ChangeValue(wxString::FromUTF8(text));
}

TEST_F(NewContactTest, ANewContactStartsUnspecifiedWithHttpInBothWebFieldsAndTabsInOrder) {
    CNewContactDlg dialog(nullptr, Connection(), EditMode::kNew, 1000000021, 1000000002);
    EXPECT_EQ(dialog.GetTitle(), "New Contact Dialog");
    for (const char* label : {"First Name:", "Last Name:", "Gender:", "Street Address:", "City:",
                              "State/Province:", "Zip Code:", "Country/Region:", "Phone:", "Fax:",
                              "Mobile:", "Email:", "Others", "Web:"}) {
        EXPECT_TRUE(HasLabel(dialog, label)) << label;
    }
    EXPECT_EQ(Entries(*dialog.GenderChoice()), (Strings{"Unspecified", "Male", "Female"}));
    EXPECT_EQ(dialog.GenderChoice()->GetStringSelection(), "Unspecified");
    EXPECT_EQ(Text(dialog.Edit(ContactField::kHomeWeb)), "http://");
    EXPECT_EQ(dialog.GoButton()->GetLabel(), "GO");
    EXPECT_EQ(dialog.BusinessButton()->GetLabel(), "Business Information");
    EXPECT_EQ(dialog.ChangeGroupButton()->GetLabel(), "Change Group");
    for (const std::size_t field :
         {ContactField::kHomeStreet, ContactField::kOthers, ContactField::kFirstName}) {
        EXPECT_EQ(dialog.Edit(field)->IsMultiLine(), field != ContactField::kFirstName);
    }
    // The home block sits in its frame, down to "GO".
    auto* frame = wxDynamicCast(dialog.Edit(ContactField::kHomeStreet)->GetParent(), wxStaticBox);
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(frame->GetLabel(), "Home Related Information");
    EXPECT_EQ(dialog.GoButton()->GetParent(), frame);

    std::vector<wxWindow*> order;
    for (const std::size_t field : kOwnEdits) {
        order.push_back(dialog.Edit(field));
        if (field == ContactField::kLastName) {
            order.push_back(dialog.GenderChoice());
        }
    }
    // OK and Cancel come last, in the order the platform shows them (GTK: Cancel first).
    for (wxWindow* control : std::initializer_list<wxWindow*>{
             dialog.GoButton(), dialog.BusinessButton(), dialog.ChangeGroupButton(),
             dialog.FindWindow(wxID_CANCEL), dialog.FindWindow(wxID_OK)}) {
        order.push_back(control);
    }
    EXPECT_TRUE(InTabOrder(dialog, order));

    // The business page of a new contact: empty but for its web field.
    dialog.Show();
    RunBusinessPage(dialog, wxID_CANCEL, [](CBusinessInfoDlg& page) {
        EXPECT_EQ(page.GetTitle(), "Business Information");
        for (const char* label :
             {"Street Address:", "City:", "State/Province:", "Zip Code:", "Country/Region:",
              "Job Title:", "Department:", "Office:", "Phone:", "Fax:", "Email:", "Web:"}) {
            EXPECT_TRUE(HasLabel(page, label)) << label;
        }
        std::vector<wxWindow*> pageOrder;
        for (const std::size_t field : CBusinessInfoDlg::kFields) {
            pageOrder.push_back(page.Edit(field));
            EXPECT_EQ(Text(page.Edit(field)), field == ContactField::kBusinessWeb ? "http://" : "")
                << statements::kContactTextColumns[field];
        }
        EXPECT_TRUE(page.Edit(ContactField::kBusinessStreet)->IsMultiLine());
        pageOrder.push_back(page.GoButton());
        pageOrder.push_back(page.FindWindow(wxID_CANCEL));
        pageOrder.push_back(page.FindWindow(wxID_OK));
        EXPECT_TRUE(InTabOrder(page, pageOrder));
    });

    Type(dialog.Edit(ContactField::kFirstName), "Lena");
    Save(dialog, kCreateQuestion);
    ContactValues expected = NewContactValues();
    expected[ContactField::kFirstName] = "Lena";
    EXPECT_EQ(dialog.Statement(), statements::InsertContact(1000000021, 1000000002, expected));
    ASSERT_TRUE(Connection().ExecuteStatement(dialog.Statement()));
    EXPECT_EQ(Database().Query("select gender,home_web,business_web,group_id from "
                               "assist_contactmaininfo where contact_id='1000000021'"),
              (Rows{{"Unspecified", "http://", "http://", "1000000002"}}));
}

// Every field of a stored contact holds a quote: the editor shows each once, and saving what the
// user changed stores each once again.
TEST_F(NewContactTest, QuotesInEveryFieldAreShownOnceAndStoredOnce) {
    std::string columns;
    std::string values;
    for (const char* column : statements::kContactTextColumns) {
        columns += std::string(",") + column;
        values += std::string(",'O''") + column + "'";
    }
    Database().Execute("insert into assist_contactmaininfo(contact_id,group_id" + columns +
                       ") values('1000000031','1000000002'" + values + ")");
    const auto dialog = OpenStored(1000000031);
    for (const std::size_t field : kOwnEdits) {
        EXPECT_EQ(Text(dialog->Edit(field)),
                  std::string("O'") + statements::kContactTextColumns[field]);
    }
    // A gender the list does not offer is shown as it is.
    EXPECT_EQ(dialog->GenderChoice()->GetStringSelection(), "O'gender");
    dialog->Show();

    ContactValues typed;
    for (std::size_t field = 0; field < typed.size(); ++field) {
        typed[field] = std::string("O'") + statements::kContactTextColumns[field] + " 'n'";
    }
    typed[ContactField::kGender] = "O'gender";
    for (const std::size_t field : kOwnEdits) {
        Type(dialog->Edit(field), typed[field]);
    }
    RunBusinessPage(*dialog, wxID_OK, [&typed](CBusinessInfoDlg& page) {
        for (const std::size_t field : CBusinessInfoDlg::kFields) {
            EXPECT_EQ(Text(page.Edit(field)),
                      std::string("O'") + statements::kContactTextColumns[field]);
            Type(page.Edit(field), typed[field]);
        }
    });
    Save(*dialog, kSaveQuestion);
    EXPECT_NE(dialog->Statement().find("home_city='O''home_city ''n'''"), std::string::npos)
        << dialog->Statement();
    ASSERT_TRUE(Connection().ExecuteStatement(dialog->Statement()))
        << Connection().LastError().Text();
    EXPECT_EQ(StoredTexts(1000000031), Strings(typed.begin(), typed.end()));
}

TEST_F(NewContactTest, AfterARefusedQuestionABusinessQuoteIsDoubledOnce) {
    CNewContactDlg dialog(nullptr, Connection(), EditMode::kNew, 1000000021, 1000000003);
    dialog.Show();
    Type(dialog.Edit(ContactField::kFirstName), "Kim");
    RunBusinessPage(dialog, wxID_OK, [](CBusinessInfoDlg& page) {
        Type(page.Edit(ContactField::kBusinessOffice), "Kim's desk");
    });
    wxTEST_DIALOG(PressButton(dialog, wxID_OK), ExpectMessage(kCreateQuestion, wxNO));
    EXPECT_TRUE(dialog.IsShown());
    EXPECT_TRUE(dialog.Statement().empty());

    Save(dialog, kCreateQuestion);
    const std::string& statement = dialog.Statement();
    EXPECT_NE(statement.find("'Kim''s desk'"), std::string::npos) << statement;
    EXPECT_EQ(statement.find("''''"), std::string::npos) << statement;
    EXPECT_EQ(dialog.Values()[ContactField::kBusinessOffice], "Kim's desk");
    ASSERT_TRUE(Connection().ExecuteStatement(statement));
    EXPECT_EQ(Database().QueryValue("select business_office from assist_contactmaininfo "
                                    "where contact_id='1000000021'"),
              "Kim's desk");
}

TEST_F(NewContactTest, AnEmptyFirstNameIsRefusedAfterTheQuestionAndBlanksAreAccepted) {
    CNewContactDlg dialog(nullptr, Connection(), EditMode::kNew, 1000000021, 1000000001);
    dialog.Show();
    Type(dialog.Edit(ContactField::kLastName), "Nobody");
    wxTEST_DIALOG(PressButton(dialog, wxID_OK), ExpectMessage(kCreateQuestion, wxYES),
                  ExpectMessage(kNoFirstName, wxOK));
    EXPECT_TRUE(dialog.IsShown());
    EXPECT_TRUE(dialog.Statement().empty());

    Type(dialog.Edit(ContactField::kFirstName), "  ");
    Save(dialog, kCreateQuestion);
    EXPECT_NE(dialog.Statement().find("values('1000000021','1000000001','  ','Nobody',"),
              std::string::npos)
        << dialog.Statement();
}

TEST_F(NewContactTest, BusinessChangesComeBackOnlyOnOk) {
    const auto dialog = OpenStored(1000000012);
    dialog->Show();
    RunBusinessPage(*dialog, wxID_CANCEL, [](CBusinessInfoDlg& page) {
        Type(page.Edit(ContactField::kBusinessCity), "Oslo");
    });
    EXPECT_EQ(dialog->Values()[ContactField::kBusinessCity], "");
    RunBusinessPage(*dialog, wxID_OK, [](CBusinessInfoDlg& page) {
        // The page shows what the contact holds.
        EXPECT_EQ(Text(page.Edit(ContactField::kBusinessCity)), "");
        Type(page.Edit(ContactField::kBusinessCity), "Bergen");
    });
    RunBusinessPage(*dialog, wxID_CANCEL, [](CBusinessInfoDlg& page) {
        EXPECT_EQ(Text(page.Edit(ContactField::kBusinessCity)), "Bergen");
    });
    EXPECT_EQ(dialog->Values()[ContactField::kBusinessCity], "Bergen");
    Save(*dialog, kSaveQuestion);
    ASSERT_TRUE(Connection().ExecuteStatement(dialog->Statement()));
    EXPECT_EQ(Database().QueryValue("select business_city from assist_contactmaininfo "
                                    "where contact_id='1000000012'"),
              "Bergen");
}

TEST_F(NewContactTest, AChangedGroupIsStoredOnlyWhenTheContactIsSaved) {
    const Rows before = Database().Query("select * from assist_contactmaininfo");
    auto dialog = OpenStored(1000000012);
    dialog->Show();
    const auto pickFamily = [](CGroupListDlg* groups) {
        EXPECT_EQ(Entries(*groups->GroupChoice()),
                  (Strings{"All Contacts", "Family", "Work mates"}));
        EXPECT_EQ(groups->GroupChoice()->GetStringSelection(), "Work mates");
        groups->GroupChoice()->SetSelection(1);
        PressButton(*groups, wxID_OK);
        return groups->GetReturnCode();
    };
    wxTEST_DIALOG(PressButton(*dialog, dialog->ChangeGroupButton()->GetId()),
                  ExpectDialog<CGroupListDlg>(pickFamily));
    EXPECT_EQ(dialog->GroupId(), 1000000002);
    PressButton(*dialog, wxID_CANCEL);
    EXPECT_FALSE(dialog->IsShown());
    EXPECT_TRUE(dialog->Statement().empty());
    EXPECT_EQ(Database().Query("select * from assist_contactmaininfo"), before);

    dialog = OpenStored(1000000012);
    dialog->Show();
    wxTEST_DIALOG(PressButton(*dialog, dialog->ChangeGroupButton()->GetId()),
                  ExpectDialog<CGroupListDlg>(pickFamily));
    Save(*dialog, kSaveQuestion);
    ASSERT_TRUE(Connection().ExecuteStatement(dialog->Statement()));
    EXPECT_EQ(Database().QueryValue(
                  "select group_id from assist_contactmaininfo where contact_id='1000000012'"),
              "1000000002");
}

TEST_F(NewContactTest, GoOpensTheTypedAddressAndNothingForABareHttp) {
    CNewContactDlg dialog(nullptr, Connection(), EditMode::kNew, 1000000021, 1000000001,
                          NewContactValues(), opened_.Launcher());
    dialog.Show();
    PressButton(dialog, dialog.GoButton()->GetId());
    EXPECT_TRUE(opened_.Take().empty());
    Type(dialog.Edit(ContactField::kHomeWeb), " www.example.org/kim ");
    PressButton(dialog, dialog.GoButton()->GetId());
    EXPECT_EQ(opened_.Take(), (Strings{"http://www.example.org/kim"}));
    Type(dialog.Edit(ContactField::kHomeWeb), "");
    PressButton(dialog, dialog.GoButton()->GetId());
    EXPECT_TRUE(opened_.Take().empty());

    RunBusinessPage(dialog, wxID_CANCEL, [this](CBusinessInfoDlg& page) {
        PressButton(page, page.GoButton()->GetId());
        EXPECT_TRUE(opened_.Take().empty());
        Type(page.Edit(ContactField::kBusinessWeb), "https://kestrel.example");
        PressButton(page, page.GoButton()->GetId());
        EXPECT_EQ(opened_.Take(), (Strings{"https://kestrel.example"}));
    });
    // "GO" changes nothing else, and a cancelled page keeps its web field to itself.
    EXPECT_EQ(dialog.Values()[ContactField::kBusinessWeb], "http://");
    EXPECT_TRUE(dialog.IsShown());
    EXPECT_TRUE(dialog.Statement().empty());
}

// GTK's text view keeps CR LF, LF and CR apart: a street stored on another system reads back and
// is saved byte for byte, and Enter adds a line of its own.
TEST_F(NewContactTest, MultiLineFieldsKeepTheirLineEndsAndEnterStartsANewLine) {
    Database().Execute(
        "insert into assist_contactmaininfo(contact_id,group_id,first_name,home_street,"
        "business_street,others) values('1000000031','1000000002','Lines','1 Elm Row' || "
        "char(13) || char(10) || 'Flat 2','Kestrel House' || char(10) || char(10) || 'Quay' "
        "|| char(13),'a' || char(13) || 'b' || char(13) || char(10))");
    const Strings before = StoredTexts(1000000031);
    const auto dialog = OpenStored(1000000031);
    EXPECT_EQ(Text(dialog->Edit(ContactField::kHomeStreet)), "1 Elm Row\r\nFlat 2");
    EXPECT_EQ(Text(dialog->Edit(ContactField::kOthers)), "a\rb\r\n");
    ASSERT_TRUE(Activate(*dialog));
    RunBusinessPage(*dialog, wxID_OK, [](CBusinessInfoDlg& page) {
        EXPECT_EQ(Text(page.Edit(ContactField::kBusinessStreet)), "Kestrel House\n\nQuay\r");
    });
    Save(*dialog, kSaveQuestion);
    ASSERT_TRUE(Connection().ExecuteStatement(dialog->Statement()));
    EXPECT_EQ(StoredTexts(1000000031), before);

    // Enter in the street starts a new line instead of pressing OK.
    CNewContactDlg typing(nullptr, Connection(), EditMode::kNew, 1000000021, 1000000001);
    ASSERT_TRUE(Activate(typing));
    wxTextCtrl* street = typing.Edit(ContactField::kHomeStreet);
    street->SetFocus();
    Type(street, "1 Elm Row");
    street->SetInsertionPointEnd();
    ASSERT_TRUE(WaitUntil([&] { return street->HasFocus(); }));
    wxUIActionSimulator keys;
    keys.Char(WXK_RETURN);
    keys.Text("Flat 2");
    ASSERT_TRUE(WaitUntil([&] { return Text(street) == "1 Elm Row\nFlat 2"; })) << Text(street);
    EXPECT_TRUE(typing.IsShown());
}

TEST_F(NewContactTest, AStoredGenderIsKeptWhateverItIs) {
    Database().Execute(
        "update assist_contactmaininfo set gender='F' where contact_id='1000000011';"
        "update assist_contactmaininfo set gender='Male' where contact_id='1000000013'");
    const struct {
        Identifier contactId;
        const char* shown;
        const char* stored;
    } kCases[] = {
        {1000000011, "F", "F"},
        {1000000013, "Male", "Male"},
        // Never set: nothing is selected, and nothing is made up.
        {1000000012, "", ""},
    };
    for (const auto& c : kCases) {
        const auto dialog = OpenStored(c.contactId);
        EXPECT_EQ(dialog->GenderChoice()->GetStringSelection(), c.shown) << c.contactId;
        dialog->Show();
        Save(*dialog, kSaveQuestion);
        ASSERT_TRUE(Connection().ExecuteStatement(dialog->Statement()));
        EXPECT_EQ(Database().QueryValue("select gender from assist_contactmaininfo "
                                        "where contact_id='" +
                                        std::to_string(c.contactId) + "'"),
                  c.stored);
    }
    // Choosing from the list stores the entry's text.
    const auto dialog = OpenStored(1000000011);
    dialog->GenderChoice()->SetSelection(2);
    dialog->Show();
    Save(*dialog, kSaveQuestion);
    EXPECT_NE(dialog->Statement().find("gender='Female'"), std::string::npos);
}

}  // namespace
}  // namespace calvendra::testing
