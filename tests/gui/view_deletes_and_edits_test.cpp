// Deleting rows and groups, and editing a row by double click: the questions, the refusals, the
// whole subtree of a deleted group with its items moved to the base group, attendants replaced
// only after confirmed reminder settings, and changes refused half way leaving everything as it
// was.

#include "tests/gui/view_commands_fixture.h"

#include <wx/uiaction.h>

#include "editors/checked_list_ctrl.h"
#include "editors/remind_set_dlg.h"
#include "resources/resource_ids.h"
#include "resources/strings.h"

namespace calvendra::testing {
namespace {

using namespace resources;
using Strings = std::vector<std::string>;
using Ids = std::vector<Identifier>;

constexpr char kDeleteItemQuestion[] = "Do you want to delete the selected item?";
constexpr char kDeleteGroupQuestion[] = "Do you want to delete the selected group?";
constexpr char kDeleteScheduleGroupQuestion[] =
    "Do you want to delete the selected schedule group?";
constexpr char kBaseGroupRefusal[] = "Sorry,you cannot delete this basic group!";

class DeletesAndEditsTest : public ViewCommandsTest {
protected:
    void SelectRowOf(Identifier id) {
        const long row = List().FindRow(id);
        ASSERT_GE(row, 0) << id;
        List().SetItemState(row, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
    }

    Strings Groups() {
        return Database().QueryColumn("select group_id from assist_group order by group_id");
    }
};

TEST_F(DeletesAndEditsTest, DeletingARowAsksFirstAndTakesOnlyASchedulesLinksAlong) {
    Start();
    Select(1000000001);
    // No row selected: the question still comes, and nothing goes.
    wxTEST_DIALOG(PressDeleteKey(), ExpectMessage(kDeleteItemQuestion, wxYES));
    EXPECT_EQ(RowIds(), (Ids{1000000011, 1000000012, 1000000013}));

    SelectRowOf(1000000011);
    wxTEST_DIALOG(PressDeleteKey(), ExpectMessage(kDeleteItemQuestion, wxNO));
    EXPECT_EQ(RowIds().size(), 3u);
    wxTEST_DIALOG(PressDeleteKey(), ExpectMessage(kDeleteItemQuestion, wxYES));
    EXPECT_EQ(RowIds(), (Ids{1000000012, 1000000013}));
    EXPECT_EQ(Value("select count(*) from assist_contactmaininfo"), "2");
    // Anna was an attendant: her link stays.
    EXPECT_EQ(Links(2000000011), "1000000011 ");

    Select(2000000001);
    SelectRowOf(2000000011);
    wxTEST_DIALOG(PressDeleteKey(), ExpectMessage(kDeleteItemQuestion, wxYES));
    EXPECT_EQ(RowIds(), (Ids{2000000012}));
    EXPECT_EQ(Links(2000000011), "");

    // Refused: said with the reason, and the row stays.
    Database().RefuseWhere("assist_scheduleinfo", "delete", "1 = 1");
    SelectRowOf(2000000012);
    wxString reason;
    wxTEST_DIALOG(
        PressDeleteKey(), ExpectMessage(kDeleteItemQuestion, wxYES),
        ExpectMessage(WithSupportAddress("Delete contact error,please item "), wxOK, &reason));
    EXPECT_NE(reason.find("refused by the test"), wxString::npos) << reason;
    EXPECT_EQ(RowIds(), (Ids{2000000012}));
}

TEST_F(DeletesAndEditsTest, TheBaseGroupsAreRefusedAfterTheQuestion) {
    Start();
    // Start-up selected the schedule base group.
    wxTEST_DIALOG(Menu(kIdDeleteScheduleGroup), ExpectMessage(kDeleteScheduleGroupQuestion, wxYES),
                  ExpectMessage(kBaseGroupRefusal, wxOK));
    Select(1000000001);
    EXPECT_FALSE(MenuEnabled(kIdDeleteScheduleGroup));
    wxTEST_DIALOG(Menu(kIdDeleteContactGroup), ExpectMessage(kDeleteGroupQuestion, wxYES),
                  ExpectMessage(kBaseGroupRefusal, wxOK));
    EXPECT_EQ(Groups(),
              (Strings{"1000000001", "1000000002", "1000000003", "2000000001", "2000000002"}));
}

// Family holds Kids: both go, and Anna and Ben are found in the base group, also after a
// restart.
TEST_F(DeletesAndEditsTest, ADeletedGroupTakesTheGroupsBelowItAndItsItemsMoveToTheBase) {
    Start();
    Select(1000000002);
    wxString details;
    wxTEST_DIALOG(Menu(kIdDeleteContactGroup), ExpectMessage(kDeleteGroupQuestion, wxNO, &details));
    EXPECT_EQ(details.utf8_string(),
              "The group below it is deleted with it. 2 contacts move to \"All Contacts\".");
    EXPECT_EQ(Groups(),
              (Strings{"1000000001", "1000000002", "1000000003", "2000000001", "2000000002"}));

    wxTEST_DIALOG(Menu(kIdDeleteContactGroup), ExpectMessage(kDeleteGroupQuestion, wxYES));
    EXPECT_EQ(Groups(), (Strings{"1000000001", "2000000001", "2000000002"}));
    EXPECT_EQ(ContactGroupOf(1000000011), "1000000001");
    EXPECT_EQ(ContactGroupOf(1000000012), "1000000001");
    EXPECT_TRUE(ChildTexts(Tree(), View().ContactRootItem()).empty());
    EXPECT_EQ(View().ContactGroups().count(1000000003), 0u);
    // The parent is shown, here the base group with everything that moved to it.
    EXPECT_EQ(SelectedGroup(), 1000000001);
    EXPECT_EQ(RowIds(), (Ids{1000000011, 1000000012, 1000000013}));

    Restart();
    Select(1000000001);
    EXPECT_EQ(RowIds(), (Ids{1000000011, 1000000012, 1000000013}));
}

TEST_F(DeletesAndEditsTest, AGroupDeletionRefusedHalfWayLeavesTheGroupAndItsItems) {
    // The group's row may go, the move of its schedules is refused.
    Database().RefuseWhere("assist_scheduleinfo", "update", "old.group_id = '2000000002'");
    Start();
    Select(2000000002);
    wxString reason;
    wxTEST_DIALOG(Menu(kIdDeleteScheduleGroup), ExpectMessage(kDeleteScheduleGroupQuestion, wxYES),
                  ExpectMessage(WithSupportAddress("Delete schedule group error,please contact "),
                                wxOK, &reason));
    EXPECT_NE(reason.find("refused by the test"), wxString::npos) << reason;
    EXPECT_EQ(Groups(),
              (Strings{"1000000001", "1000000002", "1000000003", "2000000001", "2000000002"}));
    EXPECT_EQ(Value("select group_id from assist_scheduleinfo where schedule_id='2000000011'"),
              "2000000002");
    EXPECT_EQ(ChildTexts(Tree(), View().ScheduleRootItem()), (Strings{"Work"}));
    EXPECT_EQ(SelectedGroup(), 2000000002);
}

TEST_F(DeletesAndEditsTest, AnEditedContactIsSavedAndItsRowStaysSelected) {
    Start();
    Select(1000000002);
    wxTEST_DIALOG(ActivateRow(1000000011), ExpectDialog<CNewContactDlg>([](CNewContactDlg* e) {
                      EXPECT_EQ(e->Edit(ContactField::kHomePhone)->GetValue(), "555-0101");
                      e->Edit(ContactField::kLastName)->ChangeValue("Berg-Holm");
                      wxTEST_DIALOG(PressButton(*e, wxID_OK), ExpectMessage(kSaveQuestion, wxYES));
                      return e->GetReturnCode();
                  }));
    EXPECT_EQ(Value("select last_name from assist_contactmaininfo where contact_id='1000000011'"),
              "Berg-Holm");
    EXPECT_EQ(ListRows(List()).at(0).at(0), "Anna Berg-Holm");
    EXPECT_EQ(SelectedRowIds(), (Ids{1000000011}));
    EXPECT_EQ(SelectedGroup(), 1000000002);

    // Deleted behind the organizer's back: said, no editor opens, and the list shows what is
    // stored.
    Database().Execute("delete from assist_contactmaininfo where contact_id='1000000011'");
    wxTEST_DIALOG(ActivateRow(1000000011),
                  ExpectMessage("This contact no longer exists: it was deleted elsewhere.", wxOK));
    EXPECT_TRUE(RowIds().empty());

    // Unreadable: said, and no empty editor that would write over the stored values.
    Select(1000000003);
    Database().Execute("alter table assist_contactmaininfo rename column others to notes");
    wxTEST_DIALOG(ActivateRow(1000000012),
                  ExpectMessage(WithSupportAddress("Read contact error, please contact "), wxOK));
    EXPECT_EQ(Value("select first_name from assist_contactmaininfo where contact_id='1000000012'"),
              "Ben");
}

TEST_F(DeletesAndEditsTest, AnEditedScheduleKeepsItsAttendantsUnlessItsReminderWasConfirmed) {
    Start();
    Select(2000000002);
    const auto rename = [](const char* subject) {
        return ExpectDialog<CNewScheduleDlg>([subject](CNewScheduleDlg* editor) {
            editor->SubjectEdit()->ChangeValue(subject);
            wxTEST_DIALOG(PressButton(*editor, wxID_OK), ExpectMessage(kSaveQuestion, wxYES));
            return editor->GetReturnCode();
        });
    };
    // Attendants ticked in the reminder settings before the subject is changed.
    const auto tickAndRename = [](Identifier attendant, const char* subject) {
        return ExpectDialog<CNewScheduleDlg>([attendant, subject](CNewScheduleDlg* editor) {
            wxTEST_DIALOG(PressButton(*editor, editor->RemindSettingButton()->GetId()),
                          ExpectDialog<CRemindSetDlg>([attendant](CRemindSetDlg* settings) {
                              CCheckedListCtrl& list = *settings->AttendantList();
                              for (long row = 0; row < list.GetItemCount(); ++row) {
                                  list.CheckItem(row, list.RowAt(row).id == attendant);
                              }
                              PressButton(*settings, wxID_OK);
                              return settings->GetReturnCode();
                          }));
            editor->SubjectEdit()->ChangeValue(subject);
            wxTEST_DIALOG(PressButton(*editor, wxID_OK), ExpectMessage(kSaveQuestion, wxYES));
            return editor->GetReturnCode();
        });
    };

    wxTEST_DIALOG(ActivateRow(2000000011), rename("Standup at ten"));
    EXPECT_EQ(Links(2000000011), "1000000011 ");
    EXPECT_EQ(ListRows(List()).at(0).at(0), "Standup at ten");

    // Refused half way (Ben's link): neither the subject nor the attendants change.
    Database().RefuseWhere("schedule_contact", "insert", "new.contact_id = '1000000012'");
    wxTEST_DIALOG(ActivateRow(2000000011), tickAndRename(1000000012, "Lost"),
                  ExpectMessage(WithSupportAddress(kUpdateScheduleError), wxOK));
    EXPECT_EQ(Links(2000000011), "1000000011 ");
    EXPECT_EQ(ListRows(List()).at(0).at(0), "Standup at ten");

    // Confirmed with nobody ticked: the attendants go.
    wxTEST_DIALOG(ActivateRow(2000000011), tickAndRename(0, "Standup alone"));
    EXPECT_EQ(Links(2000000011), "");
    EXPECT_EQ(Value("select schedule_subject from assist_scheduleinfo "
                    "where schedule_id='2000000011'"),
              "Standup alone");
}

// The mouse and the keyboard as a user uses them: a click on a row offers "Delete Contact", a
// double click below the last row gives the tree the focus, the Delete key deletes the row.
TEST_F(DeletesAndEditsTest, ClicksDoubleClicksAndTheDeleteKeyOnTheRealList) {
    WindowManager manager;
    ASSERT_TRUE(manager.IsRunning());
    Start();
    ASSERT_TRUE(Activate(Frame()));
    Select(1000000001);
    EXPECT_FALSE(MenuEnabled(kIdDeleteItem));

    wxUIActionSimulator input;
    wxRect row;
    ASSERT_TRUE(List().GetItemRect(2, row));
    input.MouseMove(List().ClientToScreen(row.GetPosition() + wxPoint(20, row.height / 2)));
    input.MouseClick();
    ASSERT_TRUE(WaitUntil([&] { return MenuEnabled(kIdDeleteItem); }));
    EXPECT_FALSE(MenuEnabled(kIdDeleteContactGroup));

    input.MouseMove(List().ClientToScreen(row.GetPosition() + wxPoint(20, row.height * 6)));
    input.MouseDblClick();
    EXPECT_TRUE(WaitUntil([&] { return Tree().HasFocus(); }));

    // Back on the row, which the click selects, then the key.
    input.MouseMove(List().ClientToScreen(row.GetPosition() + wxPoint(20, row.height / 2)));
    input.MouseClick();
    ASSERT_TRUE(WaitUntil([&] { return SelectedRowIds() == Ids{1000000013}; }));
    wxTEST_DIALOG(
        {
            input.Char(WXK_DELETE);
            WaitUntil([&] { return RowIds().size() == 2; });
        },
        ExpectMessage(kDeleteItemQuestion, wxYES));
    EXPECT_EQ(RowIds(), (Ids{1000000011, 1000000012}));

    // A double click on a row opens its editor.
    wxTEST_DIALOG(
        {
            input.MouseMove(List().ClientToScreen(row.GetPosition() + wxPoint(20, -row.height)));
            input.MouseDblClick();
            WaitUntil([&] { return Tree().HasFocus(); });
        },
        ExpectDialog<CNewContactDlg>([](CNewContactDlg* editor) {
            EXPECT_EQ(editor->ContactId(), 1000000012);
            return wxID_CANCEL;
        }));
}

}  // namespace
}  // namespace calvendra::testing
