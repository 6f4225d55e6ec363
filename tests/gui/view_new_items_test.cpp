// New groups, contacts and schedules from the menus and the toolbar: where they are filed, the ids
// they take (also after a cancelled group, a restart and another organizer's insert), and how the
// tree and the list show them; and what is said when the database refuses.

#include "tests/gui/view_commands_fixture.h"

#include "editors/checked_list_ctrl.h"
#include "editors/remind_set_dlg.h"
#include "resources/resource_ids.h"
#include "resources/strings.h"
#include "tests/support/captured_log.h"

namespace calvendra::testing {
namespace {

using namespace resources;
using Strings = std::vector<std::string>;
using Ids = std::vector<Identifier>;

TEST_F(ViewCommandsTest, NewContactGroupsTakeTheNextIdsAndShowTheirNameOnce) {
    Start();
    wxTEST_DIALOG(Tool(kIdNewContactGroup), SaveNewGroup("Tom's club"));
    EXPECT_EQ(Database().Query("select group_name,parent_id from assist_group "
                               "where group_id='1000000004'"),
              (Rows{{"Tom's club", "1000000001"}}));
    EXPECT_EQ(ChildTexts(Tree(), View().ContactRootItem()), (Strings{"Family", "Tom's club"}));
    EXPECT_EQ(View().GroupIdOf(View().ContactGroups().at(1000000004)), 1000000004);
    // Not selected: the schedule root that start-up selected stays.
    EXPECT_EQ(SelectedGroup(), 2000000001);

    wxTEST_DIALOG(Menu(kIdNewGroupMenu), SaveNewGroup("Neighbours"));
    EXPECT_EQ(Value("select group_name from assist_group where group_id='1000000005'"),
              "Neighbours");

    // Cancelled: nothing is stored, and the id stays free.
    wxTEST_DIALOG(Menu(kIdNewGroupMenu),
                  ExpectDialog<CNewGroupDlg>([](CNewGroupDlg*) { return wxID_CANCEL; }));
    wxTEST_DIALOG(Menu(kIdNewScheduleGroup), SaveNewGroup("Trips"));
    EXPECT_EQ(Value("select count(*) from assist_group"), "8");
    EXPECT_EQ(Value("select group_name from assist_group where group_id='2000000003'"), "Trips");
    EXPECT_EQ(ChildTexts(Tree(), View().ScheduleRootItem()), (Strings{"Work", "Trips"}));
}

// A group whose editor stored a contact and was then cancelled: the contact keeps its id, which
// is not handed out again, and goes to the base group, so that the id of the group that never
// was names nothing and the next new group takes it without taking the contact along.
TEST_F(ViewCommandsTest, WhatACancelledGroupEditorStoredKeepsItsIdAndGoesToTheBaseGroup) {
    Start();
    wxTEST_DIALOG(Tool(kIdNewContactGroup), ExpectDialog<CNewGroupDlg>([this](CNewGroupDlg* d) {
                      wxTEST_DIALOG(PressButton(*d, d->NewItemButton()->GetId()),
                                    SaveNewContact("Lena"));
                      EXPECT_EQ(ContactGroupOf(1000000014), "1000000004");
                      return wxID_CANCEL;
                  }));
    EXPECT_EQ(ContactGroupOf(1000000014), "1000000001");

    Identifier id = 0;
    wxTEST_DIALOG(Menu(kIdNewDocument), SaveNewContact("Mia", &id));
    EXPECT_EQ(id, 1000000015);
    wxTEST_DIALOG(Tool(kIdNewContactGroup), SaveNewGroup("Club"));
    EXPECT_EQ(Value("select group_name from assist_group where group_id='1000000004'"), "Club");
    // Lena stays out of the new group, reachable in the base group.
    EXPECT_EQ(ContactGroupOf(1000000014), "1000000001");
}

TEST_F(ViewCommandsTest, ANewContactInAScheduleGroupLandsInTheBaseGroupSelectedAndVisible) {
    // Enough contacts that the new one's row lies below the list's window.
    std::string many = "insert into assist_contactmaininfo(contact_id,group_id,first_name) values";
    for (int i = 0; i < 80; ++i) {
        many += std::string(i == 0 ? " " : ",") + "('10000001" + std::to_string(10 + i) +
                "','1000000001','Filler')";
    }
    Database().Execute(many);
    Start(true);
    ASSERT_TRUE(WaitUntil([&] { return List().IsShownOnScreen(); }));
    Select(2000000002);
    Identifier id = 0;
    wxTEST_DIALOG(Menu(kIdNewDocument), ExpectDialog<CNewContactDlg>([&id](CNewContactDlg* e) {
                      EXPECT_EQ(e->GroupId(), 1000000001);
                      id = e->ContactId();
                      e->Edit(ContactField::kFirstName)->ChangeValue("Zoe");
                      wxTEST_DIALOG(PressButton(*e, wxID_OK),
                                    ExpectMessage(kCreateContactQuestion, wxYES));
                      return e->GetReturnCode();
                  }));
    EXPECT_EQ(id, 1000000190);
    EXPECT_EQ(ContactGroupOf(1000000190), "1000000001");
    EXPECT_EQ(SelectedGroup(), 1000000001);
    EXPECT_EQ(Headings(List()), (Strings{"Name", "Home Phone", "Email"}));
    EXPECT_EQ(RowIds().size(), 84u);
    EXPECT_EQ(SelectedRowIds(), (Ids{1000000190}));
    EXPECT_TRUE(WaitUntil([&] { return List().IsVisible(List().GetItemCount() - 1); }));
    EXPECT_TRUE(MenuEnabled(kIdDeleteItem));

    // From the toolbar, in a group: it lands there.
    Select(1000000003);
    wxTEST_DIALOG(Tool(kIdNewContact), SaveNewContact("Cai"));
    EXPECT_EQ(ContactGroupOf(1000000191), "1000000003");
    EXPECT_EQ(RowIds(), (Ids{1000000012, 1000000191}));
    EXPECT_EQ(SelectedRowIds(), (Ids{1000000191}));
}

TEST_F(ViewCommandsTest, ANewScheduleIsStoredWithItsReminderAndAttendantsInTheSelectedGroup) {
    // Links that a deleted schedule of the coming id left behind.
    Database().Execute("insert into schedule_contact values('2000000013','1000000013')");
    Start();
    Select(2000000002);
    wxTEST_DIALOG(Menu(kIdNewSchedule), ExpectDialog<CNewScheduleDlg>([](CNewScheduleDlg* editor) {
                      EXPECT_EQ(editor->ScheduleId(), 2000000013);
                      EXPECT_EQ(editor->GroupId(), 2000000002);
                      wxTEST_DIALOG(PressButton(*editor, editor->RemindSettingButton()->GetId()),
                                    ExpectDialog<CRemindSetDlg>([](CRemindSetDlg* settings) {
                                        Click(settings->RemindCheck());
                                        Click(settings->TypeButton(3));
                                        CCheckedListCtrl& list = *settings->AttendantList();
                                        for (long row = 0; row < list.GetItemCount(); ++row) {
                                            list.CheckItem(row, list.RowAt(row).id != 1000000013);
                                        }
                                        PressButton(*settings, wxID_OK);
                                        return settings->GetReturnCode();
                                    }));
                      editor->SubjectEdit()->ChangeValue("Planning");
                      wxTEST_DIALOG(PressButton(*editor, wxID_OK),
                                    ExpectMessage(kCreateScheduleQuestion, wxYES));
                      return editor->GetReturnCode();
                  }));
    EXPECT_EQ(Database().Query("select group_id,schedule_subject,remind,remindtype "
                               "from assist_scheduleinfo where schedule_id='2000000013'"),
              (Rows{{"2000000002", "Planning", "1", "3"}}));
    EXPECT_EQ(Links(2000000013), "1000000011 1000000012 ");
    EXPECT_EQ(RowIds(), (Ids{2000000011, 2000000013}));
    EXPECT_EQ(SelectedRowIds(), (Ids{2000000013}));
    EXPECT_EQ(List().GetItemText(1, 1).utf8_string().rfind("Reminder at  ", 0), 0u);
}

TEST_F(ViewCommandsTest, NewIdsAfterARestartStayAboveEveryStoredOne) {
    Start();
    wxTEST_DIALOG(Menu(kIdNewDocument), SaveNewContact("Lena"));
    wxTEST_DIALOG(Tool(kIdNewContactGroup), SaveNewGroup("Club"));
    EXPECT_EQ(ContactGroupOf(1000000014), "1000000001");

    // Start-up lists the schedules, not the contacts; the stored ids count all the same.
    Restart();
    Identifier id = 0;
    wxTEST_DIALOG(Menu(kIdNewDocument), SaveNewContact("Mia", &id));
    EXPECT_EQ(id, 1000000015);
    wxTEST_DIALOG(Tool(kIdNewContactGroup), SaveNewGroup("Club 2"));
    EXPECT_EQ(Value("select group_name from assist_group where group_id='1000000005'"), "Club 2");
}

// Another organizer on the same database stores a contact under the id this one's editor was
// opened with: the new contact is stored under the next free id, and shown.
TEST_F(ViewCommandsTest, AContactWhoseIdWasTakenMeanwhileIsStoredUnderTheNextOne) {
    Start();
    Select(1000000002);
    wxTEST_DIALOG(Tool(kIdNewContact), ExpectDialog<CNewContactDlg>([this](CNewContactDlg* e) {
                      Database().Execute(
                          "insert into assist_contactmaininfo(contact_id,group_id,first_name) "
                          "values('" +
                          std::to_string(e->ContactId()) + "','1000000001','Theirs')");
                      e->Edit(ContactField::kFirstName)->ChangeValue("Ours");
                      wxTEST_DIALOG(PressButton(*e, wxID_OK),
                                    ExpectMessage(kCreateContactQuestion, wxYES));
                      return e->GetReturnCode();
                  }));
    EXPECT_EQ(Database().Query("select contact_id,first_name,group_id from assist_contactmaininfo "
                               "where contact_id > '1000000013' order by contact_id"),
              (Rows{{"1000000014", "Theirs", "1000000001"}, {"1000000015", "Ours", "1000000002"}}));
    EXPECT_EQ(SelectedRowIds(), (Ids{1000000015}));
}

TEST_F(ViewCommandsTest, WhenTheIdsOfAKindAreUsedUpTheCommandRefusesBeforeAnyEditor) {
    Database().Execute(
        "insert into assist_contactmaininfo(contact_id,group_id,first_name) "
        "values('1999999999','1000000001','Last')");
    Start();
    CapturedLog log;
    wxTEST_DIALOG(Menu(kIdNewDocument),
                  ExpectMessage("No new contact can be created: its ids run from 1000000001 to "
                                "1999999999, and the highest of them is in use.",
                                wxOK));
    EXPECT_NE(log.Text().find("No new contact can be created"), std::string::npos);
    // Groups of contacts have ids of their own kind left.
    wxTEST_DIALOG(Menu(kIdNewGroupMenu), SaveNewGroup("Still fine"));
    EXPECT_EQ(Value("select count(*) from assist_contactmaininfo where contact_id > '1999999999'"),
              "0");
}

TEST_F(ViewCommandsTest, ARefusedNewItemIsSaidWithTheReasonAndTheListStays) {
    Start();
    Database().Execute("alter table assist_contactmaininfo rename to contacts_elsewhere");
    CapturedLog log;
    wxString reason;
    wxTEST_DIALOG(Menu(kIdNewDocument), SaveNewContact("Lost"),
                  ExpectMessage(WithSupportAddress(kInsertContactError), wxOK, &reason));
    EXPECT_NE(reason.find("assist_contactmaininfo"), wxString::npos) << reason;
    EXPECT_NE(log.Text().find("Cannot store the new contact: "), std::string::npos) << log.Text();
    EXPECT_EQ(SelectedGroup(), 2000000001);
}

// The group row is stored, then a member's move is refused: the group is not kept either, and
// the tree does not show it.
TEST_F(ViewCommandsTest, ANewGroupWhoseMemberCannotMoveIsNotStoredAtAll) {
    Database().RefuseWhere("assist_contactmaininfo", "update", "old.contact_id = '1000000013'");
    Start();
    wxString reason;
    wxTEST_DIALOG(
        Tool(kIdNewContactGroup), ExpectDialog<CNewGroupDlg>([](CNewGroupDlg* dialog) {
            dialog->AddPicked({{1000000011, "Anna Berg"}, {1000000013, "Solo"}});
            dialog->NameEdit()->ChangeValue("Club");
            PressButton(*dialog, wxID_OK);
            return dialog->GetReturnCode();
        }),
        ExpectMessage(WithSupportAddress("Insert group error, please contact "), wxOK, &reason));
    EXPECT_NE(reason.find("refused by the test"), wxString::npos) << reason;
    EXPECT_EQ(Value("select count(*) from assist_group where group_id='1000000004'"), "0");
    EXPECT_EQ(ContactGroupOf(1000000011), "1000000002");
    EXPECT_EQ(ChildTexts(Tree(), View().ContactRootItem()), (Strings{"Family"}));
}

// "New Sub-Group" files the new group below the selected one, of either kind, also from the
// toolbar's menu; a restart shows it there, and deleting the group above takes it along.
TEST_F(ViewCommandsTest, ANewSubGroupGoesBelowTheSelectedGroupAndLeavesWithItsParent) {
    Start();
    Select(1000000003);
    wxTEST_DIALOG(Menu(kIdNewSubGroup), SaveNewGroup("Twins"));
    EXPECT_EQ(Database().Query("select group_name,parent_id from assist_group "
                               "where group_id='1000000004'"),
              (Rows{{"Twins", "1000000003"}}));
    EXPECT_EQ(ChildTexts(Tree(), View().ContactGroups().at(1000000003)), (Strings{"Twins"}));
    EXPECT_EQ(ChildTexts(Tree(), View().ContactRootItem()), (Strings{"Family"}));

    Select(2000000002);
    wxMenu* toolbarMenu = Frame().GetToolBar()->GetToolByPos(6)->GetDropdownMenu();
    ASSERT_NE(toolbarMenu, nullptr);
    ASSERT_NE(toolbarMenu->FindItem(kIdNewSubGroup), nullptr);
    wxCommandEvent chosen(wxEVT_MENU, kIdNewSubGroup);
    chosen.SetEventObject(toolbarMenu);
    wxTEST_DIALOG(Frame().GetToolBar()->ProcessWindowEvent(chosen), SaveNewGroup("Sprints"));
    WaitForList();
    EXPECT_EQ(Value("select parent_id from assist_group where group_id='2000000003'"),
              "2000000002");
    EXPECT_EQ(ChildTexts(Tree(), View().ScheduleGroups().at(2000000002)), (Strings{"Sprints"}));

    Restart();
    EXPECT_EQ(ChildTexts(Tree(), View().ContactGroups().at(1000000003)), (Strings{"Twins"}));
    EXPECT_EQ(ChildTexts(Tree(), View().ScheduleGroups().at(2000000002)), (Strings{"Sprints"}));

    Select(1000000002);
    wxString details;
    wxTEST_DIALOG(Menu(kIdDeleteContactGroup),
                  ExpectMessage("Do you want to delete the selected group?", wxYES, &details));
    EXPECT_EQ(details.utf8_string(),
              "The 2 groups below it are deleted with it. 2 contacts move to \"All Contacts\".");
    EXPECT_EQ(Value("select count(*) from assist_group where group_id in "
                    "('1000000002','1000000003','1000000004')"),
              "0");
    EXPECT_EQ(View().ContactGroups().count(1000000004), 0u);
}

// The same meeting of two organizers on one PostgreSQL database.
class ViewCommandsOnPostgresTest : public ViewCommandsTest {
protected:
    void SetUp() override {
        if (!PostgresAvailable() || !TestDatabase::CanUse(Backend::kPostgres)) {
            GTEST_SKIP() << "no PostgreSQL for this process: CALVENDRA_TEST_PG_PORT is not set, "
                            "or the process used SQLite already";
        }
        ViewCommandsTest::SetUp();
    }
    Backend DatabaseBackend() const override { return Backend::kPostgres; }
};

TEST_F(ViewCommandsOnPostgresTest, AGroupWhoseIdWasTakenMeanwhileIsStoredUnderTheNextOne) {
    Start();
    wxTEST_DIALOG(Tool(kIdNewScheduleGroup), ExpectDialog<CNewGroupDlg>([this](CNewGroupDlg* d) {
                      Database().Execute(
                          "insert into assist_group values('2000000003','Theirs',"
                          "'2000000001')");
                      d->AddPicked({{2000000012, "Dentist"}});
                      d->NameEdit()->ChangeValue("Ours");
                      PressButton(*d, wxID_OK);
                      return d->GetReturnCode();
                  }));
    EXPECT_EQ(Database().Query("select group_id,group_name from assist_group "
                               "where group_id > '2000000002' order by group_id"),
              (Rows{{"2000000003", "Theirs"}, {"2000000004", "Ours"}}));
    EXPECT_EQ(Value("select group_id from assist_scheduleinfo where schedule_id='2000000012'"),
              "2000000004");
    EXPECT_EQ(View().GroupIdOf(View().ScheduleGroups().at(2000000004)), 2000000004);
}

}  // namespace
}  // namespace calvendra::testing
