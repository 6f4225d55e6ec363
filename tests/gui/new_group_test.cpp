// The group editor for both kinds: its members picked or created on the spot, the counter it
// raises and hands back also on Cancel, what "Remove" and "Properties" write at once, and the
// statements it hands back on OK.

#include <gtest/gtest.h>

#include <wx/button.h>
#include <wx/listctrl.h>
#include <wx/statbox.h>
#include <wx/textctrl.h>
#include <wx/uiaction.h>

#include "editors/checked_list_ctrl.h"
#include "editors/contact_list_dlg.h"
#include "editors/new_contact_dlg.h"
#include "editors/new_group_dlg.h"
#include "editors/new_schedule_dlg.h"
#include "editors/picker_rows.h"
#include "editors/remind_set_dlg.h"
#include "resources/strings.h"
#include "tests/editors/editor_test_data.h"
#include "tests/gui/support/dialog_testing.h"
#include "tests/gui/support/editor_fixture.h"
#include "tests/gui/support/gui_test.h"
#include "tests/support/captured_log.h"

namespace calvendra::testing {
namespace {

using Strings = std::vector<std::string>;

constexpr char kNoName[] = "Please input the new group name!";
constexpr char kCreateContact[] =
    "Do you want to create this new contact and insert into the selected group?";
constexpr char kCreateSchedule[] =
    "Do you want to create this new schedule and insert into the selected group?";
constexpr char kSaveQuestion[] = "Do you want to save all you changed?";

// The ids the new groups of the tests will have; no group row is ever stored for them.
constexpr Identifier kNewContactGroup = 1000000007;
constexpr Identifier kNewScheduleGroup = 2000000009;

class NewGroupTest : public EditorDialogTest {
protected:
    // "New Contact" in a contact group: the contact editor, filled and saved by the user.
    static void CreateContact(CNewGroupDlg& dialog, const std::string& first,
                              const std::string& last, Identifier expectedId) {
        wxTEST_DIALOG(
            PressButton(dialog, dialog.NewItemButton()->GetId()),
            ExpectDialog<CNewContactDlg>([first, last, expectedId](CNewContactDlg* editor) {
                EXPECT_EQ(editor->ContactId(), expectedId);
                EXPECT_EQ(editor->GroupId(), kNewContactGroup);
                editor->Edit(ContactField::kFirstName)->ChangeValue(wxString::FromUTF8(first));
                editor->Edit(ContactField::kLastName)->ChangeValue(wxString::FromUTF8(last));
                wxTEST_DIALOG(PressButton(*editor, wxID_OK), ExpectMessage(kCreateContact, wxYES));
                return editor->GetReturnCode();
            }));
    }

    // "Select": ticks the rows of these ids in the item picker and confirms.
    static void Pick(CNewGroupDlg& dialog, const std::vector<Identifier>& ids) {
        wxTEST_DIALOG(PressButton(dialog, dialog.SelectButton()->GetId()),
                      ExpectDialog<CContactListDlg>([&ids](CContactListDlg* picker) {
                          CCheckedListCtrl& list = *picker->List();
                          for (long row = 0; row < list.GetItemCount(); ++row) {
                              const Identifier id = list.RowAt(row).id;
                              list.CheckItem(row, std::count(ids.begin(), ids.end(), id) > 0);
                          }
                          PressButton(*picker, wxID_OK);
                          return picker->GetReturnCode();
                      }));
    }

    static void SelectRow(CNewGroupDlg& dialog, long row) {
        dialog.MemberList()->SetItemState(row, wxLIST_STATE_SELECTED | wxLIST_STATE_FOCUSED,
                                          wxLIST_STATE_SELECTED | wxLIST_STATE_FOCUSED);
        PumpEvents();
    }

    std::string StoredGroup(const char* table, const char* idColumn, Identifier id) {
        return Database().QueryValue(std::string("select group_id from ") + table + " where " +
                                     idColumn + "='" + std::to_string(id) + "'");
    }
    std::string ContactGroup(Identifier id) {
        return StoredGroup("assist_contactmaininfo", "contact_id", id);
    }
    std::string ScheduleGroup(Identifier id) {
        return StoredGroup("assist_scheduleinfo", "schedule_id", id);
    }

    OpenedAddresses opened_;
};

Strings RowTexts(const CNewGroupDlg& dialog) {
    Strings texts;
    for (long row = 0; row < dialog.MemberList()->GetItemCount(); ++row) {
        texts.push_back(dialog.MemberList()->GetItemText(row).utf8_string());
    }
    return texts;
}

Strings MemberIds(const CNewGroupDlg& dialog) {
    Strings ids;
    for (const GroupMember& member : dialog.Members()) {
        ids.push_back(std::to_string(member.id));
    }
    return ids;
}

TEST_F(NewGroupTest, TheDialogStartsEmptyWithItsButtonsInTabOrderAndTheListLast) {
    for (const int kind : {kContactKind, kScheduleKind}) {
        CNewGroupDlg dialog(nullptr, Connection(), kind, kNewContactGroup, 1000000020);
        EXPECT_EQ(dialog.GetTitle(), "New Group Dialog");
        EXPECT_TRUE(HasLabel(dialog, "New Group Name:"));
        EXPECT_EQ(dialog.NameEdit()->GetValue(), "");
        EXPECT_EQ(dialog.SelectButton()->GetLabel(), "Select");
        EXPECT_EQ(dialog.NewItemButton()->GetLabel(), "New Contact");
        EXPECT_EQ(dialog.RemoveButton()->GetLabel(), "Remove");
        EXPECT_EQ(dialog.PropertiesButton()->GetLabel(), "Properties");
        EXPECT_TRUE(dialog.SelectButton()->IsEnabled());
        EXPECT_TRUE(dialog.NewItemButton()->IsEnabled());
        EXPECT_FALSE(dialog.RemoveButton()->IsEnabled());
        EXPECT_FALSE(dialog.PropertiesButton()->IsEnabled());
        EXPECT_EQ(dialog.MemberList()->GetItemCount(), 0);
        EXPECT_TRUE(dialog.MemberList()->HasFlag(wxLC_LIST));
        bool framed = false;
        for (wxWindow* child : dialog.GetChildren()) {
            if (auto* frame = wxDynamicCast(child, wxStaticBox)) {
                framed = frame->GetLabel() == "Group Members" &&
                         frame->GetRect().Contains(dialog.MemberList()->GetRect()) &&
                         frame->GetRect().Contains(dialog.PropertiesButton()->GetRect());
            }
        }
        EXPECT_TRUE(framed);
        // OK and Cancel in the order GTK shows them, then the list.
        EXPECT_TRUE(InTabOrder(dialog, {dialog.NameEdit(), dialog.SelectButton(),
                                        dialog.NewItemButton(), dialog.RemoveButton(),
                                        dialog.PropertiesButton(), dialog.FindWindow(wxID_CANCEL),
                                        dialog.FindWindow(wxID_OK), dialog.MemberList()}));
    }
}

TEST_F(NewGroupTest, NewContactsTakeTheNextIdsAndStayStoredWhenTheGroupIsCancelled) {
    CNewGroupDlg dialog(nullptr, Connection(), kContactKind, kNewContactGroup, 1000000020);
    dialog.Show();
    CreateContact(dialog, "Lena", "Holm", 1000000021);
    CreateContact(dialog, "Solo2", "", 1000000022);
    EXPECT_EQ(RowTexts(dialog), (Strings{"Lena Holm", "Solo2 "}));
    EXPECT_EQ(MemberIds(dialog), (Strings{"1000000021", "1000000022"}));
    EXPECT_EQ(dialog.ItemCounter(), 1000000022);
    // Stored at once, in the group that does not exist yet.
    EXPECT_EQ(ContactGroup(1000000021), "1000000007");
    EXPECT_EQ(ContactGroup(1000000022), "1000000007");

    // A contact editor that is cancelled stores nothing and takes no id.
    wxTEST_DIALOG(PressButton(dialog, dialog.NewItemButton()->GetId()),
                  ExpectDialog<CNewContactDlg>(
                      [](CNewContactDlg*) { return static_cast<int>(wxID_CANCEL); }));
    EXPECT_EQ(dialog.ItemCounter(), 1000000022);
    EXPECT_EQ(dialog.Members().size(), 2u);

    // Cancel says where the contacts made here stay; No keeps the dialog open.
    wxString details;
    wxTEST_DIALOG(PressButton(dialog, wxID_CANCEL),
                  ExpectMessage("Do you want to cancel this new group?", wxNO, &details));
    EXPECT_EQ(details, "2 contacts made here stay, in All Contacts.");
    EXPECT_TRUE(dialog.IsShown());
    wxTEST_DIALOG(PressButton(dialog, wxID_CANCEL),
                  ExpectMessage("Do you want to cancel this new group?", wxYES));
    EXPECT_FALSE(dialog.IsShown());
    EXPECT_TRUE(dialog.GroupName().empty());
    EXPECT_TRUE(dialog.MemberStatements().empty());
    // The caller still learns how far the ids went.
    EXPECT_EQ(dialog.ItemCounter(), 1000000022);
    EXPECT_EQ(ContactGroup(1000000021), "1000000007");
    EXPECT_EQ(Database().QueryValue("select count(*) from assist_group where group_id='" +
                                    std::to_string(kNewContactGroup) + "'"),
              "0");
}

TEST_F(NewGroupTest, PickingAContactTwiceGivesTwoRowsAndTwoStatementsOnceNamed) {
    CNewGroupDlg dialog(nullptr, Connection(), kContactKind, kNewContactGroup, 1000000020);
    dialog.Show();
    Pick(dialog, {1000000013, 1000000011});
    Pick(dialog, {1000000011});
    // In ascending id order within each pick, with the picker's names.
    EXPECT_EQ(RowTexts(dialog), (Strings{"Anna Berg", "Solo", "Anna Berg"}));
    EXPECT_EQ(dialog.ItemCounter(), 1000000020);

    wxTEST_DIALOG(PressButton(dialog, wxID_OK), ExpectMessage(kNoName, wxOK));
    EXPECT_TRUE(dialog.IsShown());
    EXPECT_TRUE(dialog.MemberStatements().empty());

    dialog.NameEdit()->ChangeValue("Friends' club");
    PressButton(dialog, wxID_OK);
    EXPECT_FALSE(dialog.IsShown());
    EXPECT_EQ(dialog.GroupName(), "Friends' club");
    const std::string moveAnna =
        "update assist_contactmaininfo set group_id='1000000007' where contact_id='1000000011'";
    EXPECT_EQ(dialog.MemberStatements(),
              (Strings{moveAnna,
                       "update assist_contactmaininfo set group_id='1000000007' "
                       "where contact_id='1000000013'",
                       moveAnna}));
    // Picked contacts stay where they are until the caller runs the statements.
    EXPECT_EQ(ContactGroup(1000000011), "1000000002");
}

// The mouse, as a user uses it: a click on a row makes "Remove" and "Properties" usable, a click
// below the last row makes them unusable again.
TEST_F(NewGroupTest, ClickingBelowTheLastRowDisablesRemoveAndProperties) {
    CNewGroupDlg dialog(nullptr, Connection(), kContactKind, kNewContactGroup, 1000000020);
    dialog.AddPicked({{1000000011, "Anna Berg"}, {1000000013, "Solo"}});
    ASSERT_TRUE(Activate(dialog));
    wxListCtrl& list = *dialog.MemberList();
    wxRect row;
    ASSERT_TRUE(list.GetItemRect(1, row));
    wxUIActionSimulator mouse;
    mouse.MouseMove(list.ClientToScreen(wxPoint(row.x + 5, row.y + row.height / 2)));
    mouse.MouseClick();
    ASSERT_TRUE(WaitUntil([&] { return dialog.RemoveButton()->IsEnabled(); }));
    EXPECT_TRUE(dialog.PropertiesButton()->IsEnabled());

    mouse.MouseMove(list.ClientToScreen(wxPoint(row.x + 5, row.GetBottom() + 3 * row.height)));
    mouse.MouseClick();
    ASSERT_TRUE(WaitUntil([&] { return !dialog.RemoveButton()->IsEnabled(); }));
    EXPECT_FALSE(dialog.PropertiesButton()->IsEnabled());
    EXPECT_EQ(list.GetSelectedItemCount(), 0);
}

TEST_F(NewGroupTest, RemoveSendsACreatedContactToTheBaseGroupAndOnlyDropsAPickedOne) {
    CNewGroupDlg dialog(nullptr, Connection(), kContactKind, kNewContactGroup, 1000000020);
    dialog.Show();
    CreateContact(dialog, "Lena", "Holm", 1000000021);
    Pick(dialog, {1000000012});
    EXPECT_EQ(RowTexts(dialog), (Strings{"Lena Holm", "Kim O'Neil"}));

    SelectRow(dialog, 0);
    PressButton(dialog, dialog.RemoveButton()->GetId());
    EXPECT_EQ(RowTexts(dialog), (Strings{"Kim O'Neil"}));
    EXPECT_EQ(ContactGroup(1000000021), "1000000001");
    EXPECT_FALSE(dialog.RemoveButton()->IsEnabled());

    // Kim was only picked: she stays in her own group.
    SelectRow(dialog, 0);
    PressButton(dialog, dialog.RemoveButton()->GetId());
    EXPECT_TRUE(RowTexts(dialog).empty());
    EXPECT_EQ(ContactGroup(1000000012), "1000000003");
    // The counter keeps the removed contact's id.
    EXPECT_EQ(dialog.ItemCounter(), 1000000021);
}

TEST_F(NewGroupTest, AFailingRemoveShowsItsMessageKeepsTheRowAndLogsWhy) {
    CNewGroupDlg dialog(nullptr, Connection(), kContactKind, kNewContactGroup, 1000000020);
    dialog.Show();
    CreateContact(dialog, "Lena", "Holm", 1000000021);
    Database().Execute("alter table assist_contactmaininfo rename to contacts_elsewhere");
    SelectRow(dialog, 0);
    CapturedLog log;
    wxTEST_DIALOG(
        PressButton(dialog, dialog.RemoveButton()->GetId()),
        ExpectMessage(resources::WithSupportAddress("Remove error, please contact "), wxOK));
    EXPECT_EQ(RowTexts(dialog), (Strings{"Lena Holm"}));
    EXPECT_NE(log.Text().find("cannot move 1000000021 back to the base group: "), std::string::npos)
        << log.Text();
}

TEST_F(NewGroupTest, ANewContactWhoseIdIsTakenGetsTheNextFreeOne) {
    // The counter lags behind the stored contacts: the next id is Anna's, and the ids up to the
    // deleted contact that an attendant link still names are not free either.
    CNewGroupDlg dialog(nullptr, Connection(), kContactKind, kNewContactGroup, 1000000010);
    dialog.Show();
    CreateContact(dialog, "Lena", "Holm", 1000000011);
    EXPECT_EQ(MemberIds(dialog), (Strings{"1000000100"}));
    EXPECT_EQ(dialog.ItemCounter(), 1000000100);
    EXPECT_EQ(ContactGroup(1000000100), "1000000007");
    EXPECT_EQ(Database().QueryValue(
                  "select first_name from assist_contactmaininfo where contact_id='1000000011'"),
              "Anna");
}

TEST_F(NewGroupTest, AFailingNewContactLeavesListAndCounterAndSaysWhy) {
    CNewGroupDlg dialog(nullptr, Connection(), kContactKind, kNewContactGroup, 1000000020);
    dialog.Show();
    Database().Execute("alter table assist_contactmaininfo rename to contacts_elsewhere");
    CapturedLog log;
    wxString reason;
    wxTEST_DIALOG(PressButton(dialog, dialog.NewItemButton()->GetId()),
                  ExpectDialog<CNewContactDlg>([](CNewContactDlg* editor) {
                      editor->Edit(ContactField::kFirstName)->ChangeValue("Lena");
                      wxTEST_DIALOG(PressButton(*editor, wxID_OK),
                                    ExpectMessage(kCreateContact, wxYES));
                      return editor->GetReturnCode();
                  }),
                  ExpectMessage(resources::WithSupportAddress(resources::kInsertContactError), wxOK,
                                &reason));
    EXPECT_TRUE(dialog.Members().empty());
    EXPECT_EQ(dialog.ItemCounter(), 1000000020);
    EXPECT_NE(reason.find("assist_contactmaininfo"), wxString::npos) << reason;
    EXPECT_NE(log.Text().find("Cannot store the new contact: "), std::string::npos) << log.Text();
}

TEST_F(NewGroupTest, PropertiesSavesTheContactAtOnceAndRenamesItsRow) {
    CNewGroupDlg dialog(nullptr, Connection(), kContactKind, kNewContactGroup, 1000000020,
                        opened_.Launcher());
    dialog.Show();
    Pick(dialog, {1000000012});
    SelectRow(dialog, 0);
    wxTEST_DIALOG(
        PressButton(dialog, dialog.PropertiesButton()->GetId()),
        ExpectDialog<CNewContactDlg>([](CNewContactDlg* editor) {
            EXPECT_EQ(editor->ContactId(), 1000000012);
            EXPECT_EQ(editor->Edit(ContactField::kFirstName)->GetValue(), "Kim");
            EXPECT_EQ(editor->Edit(ContactField::kLastName)->GetValue(), "O'Neil");
            EXPECT_EQ(editor->Edit(ContactField::kHomeEmail)->GetValue(), "kim@example.org");
            editor->Edit(ContactField::kLastName)->ChangeValue("O'Neill");
            editor->Edit(ContactField::kHomeWeb)->ChangeValue("kim.example.org");
            PressButton(*editor, editor->GoButton()->GetId());
            wxTEST_DIALOG(PressButton(*editor, wxID_OK), ExpectMessage(kSaveQuestion, wxYES));
            return editor->GetReturnCode();
        }));
    // The contact editor opened from here hands "GO" to the same launcher.
    EXPECT_EQ(opened_.Take(), (Strings{"http://kim.example.org"}));
    EXPECT_EQ(RowTexts(dialog), (Strings{"Kim O'Neill"}));
    EXPECT_EQ(Database().Query("select last_name,home_web,group_id from assist_contactmaininfo "
                               "where contact_id='1000000012'"),
              (Rows{{"O'Neill", "kim.example.org", "1000000003"}}));

    // Cancelled: nothing changes.
    wxTEST_DIALOG(PressButton(dialog, dialog.PropertiesButton()->GetId()),
                  ExpectDialog<CNewContactDlg>([](CNewContactDlg* editor) {
                      editor->Edit(ContactField::kLastName)->ChangeValue("Other");
                      return static_cast<int>(wxID_CANCEL);
                  }));
    EXPECT_EQ(RowTexts(dialog), (Strings{"Kim O'Neill"}));
}

// A contact that cannot be read opens no editor: one with empty fields would write them over the
// stored ones.
TEST_F(NewGroupTest, PropertiesOfAContactThatCannotBeReadSaysSoAndOpensNoEditor) {
    CNewGroupDlg dialog(nullptr, Connection(), kContactKind, kNewContactGroup, 1000000020);
    dialog.Show();
    Pick(dialog, {1000000012});
    SelectRow(dialog, 0);
    Database().Execute("alter table assist_contactmaininfo rename column others to notes");
    wxString reason;
    wxTEST_DIALOG(
        PressButton(dialog, dialog.PropertiesButton()->GetId()),
        ExpectMessage(resources::WithSupportAddress(resources::kReadContactError), wxOK, &reason));
    EXPECT_NE(reason.find("others"), wxString::npos) << reason;
    EXPECT_EQ(Database().QueryValue(
                  "select first_name from assist_contactmaininfo where contact_id='1000000012'"),
              "Kim");
}

// In a schedule group "New Contact" creates a schedule with its attendants, "Remove" sends a
// schedule created here back to the schedule base group, and "Properties" edits the schedule.
TEST_F(NewGroupTest, InAScheduleGroupTheButtonsWorkOnSchedules) {
    // Links left by an earlier schedule of the id that the new one will take.
    Database().Execute("insert into schedule_contact values('2999999993','1000000013')");
    CNewGroupDlg dialog(nullptr, Connection(), kScheduleKind, kNewScheduleGroup, 2999999992);
    dialog.Show();
    wxTEST_DIALOG(PressButton(dialog, dialog.NewItemButton()->GetId()),
                  ExpectDialog<CNewScheduleDlg>([](CNewScheduleDlg* editor) {
                      EXPECT_EQ(editor->ScheduleId(), 2999999993);
                      EXPECT_EQ(editor->GroupId(), kNewScheduleGroup);
                      wxTEST_DIALOG(PressButton(*editor, editor->RemindSettingButton()->GetId()),
                                    ExpectDialog<CRemindSetDlg>([](CRemindSetDlg* settings) {
                                        CCheckedListCtrl& list = *settings->AttendantList();
                                        for (long row = 0; row < list.GetItemCount(); ++row) {
                                            list.CheckItem(row, list.RowAt(row).id == 1000000012);
                                        }
                                        PressButton(*settings, wxID_OK);
                                        return settings->GetReturnCode();
                                    }));
                      editor->SubjectEdit()->ChangeValue("Kim's review");
                      wxTEST_DIALOG(PressButton(*editor, wxID_OK),
                                    ExpectMessage(kCreateSchedule, wxYES));
                      return editor->GetReturnCode();
                  }));
    EXPECT_EQ(dialog.ItemCounter(), 2999999993);
    EXPECT_EQ(ScheduleGroup(2999999993), "2000000009");
    EXPECT_EQ(Links(2999999993), (Strings{"1000000012"}));

    Pick(dialog, {2000000005});
    EXPECT_EQ(RowTexts(dialog), (Strings{"Kim's review", "Dentist"}));
    SelectRow(dialog, 1);
    wxTEST_DIALOG(PressButton(dialog, dialog.PropertiesButton()->GetId()),
                  ExpectDialog<CNewScheduleDlg>([](CNewScheduleDlg* editor) {
                      EXPECT_EQ(editor->ScheduleId(), 2000000005);
                      EXPECT_EQ(editor->SubjectEdit()->GetValue(), "Dentist");
                      EXPECT_EQ(editor->TextEdit()->GetValue(), "Bring the card");
                      editor->SubjectEdit()->ChangeValue("Dentist at two");
                      wxTEST_DIALOG(PressButton(*editor, wxID_OK),
                                    ExpectMessage(kSaveQuestion, wxYES));
                      return editor->GetReturnCode();
                  }));
    EXPECT_EQ(RowTexts(dialog), (Strings{"Kim's review", "Dentist at two"}));
    EXPECT_EQ(Database().Query("select schedule_subject,group_id,remind_date from "
                               "assist_scheduleinfo where schedule_id='2000000005'"),
              (Rows{{"Dentist at two", "2000000003", "2005-3-7"}}));
    // Its reminder settings were not opened: its attendant stays.
    EXPECT_EQ(Links(2000000005), (Strings{"1000000012"}));

    SelectRow(dialog, 0);
    PressButton(dialog, dialog.RemoveButton()->GetId());
    EXPECT_EQ(ScheduleGroup(2999999993), "2000000001");
    EXPECT_EQ(RowTexts(dialog), (Strings{"Dentist at two"}));

    dialog.NameEdit()->ChangeValue("Reviews");
    PressButton(dialog, wxID_OK);
    EXPECT_EQ(dialog.MemberStatements(),
              (Strings{"update assist_scheduleinfo set group_id='2000000009' "
                       "where schedule_id='2000000005'"}));
    EXPECT_EQ(dialog.ItemCounter(), 2999999993);
}

}  // namespace
}  // namespace calvendra::testing
