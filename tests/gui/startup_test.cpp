// Start-up against real databases: the group tree, the first list and the counters.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include <wx/listctrl.h>
#include <wx/treectrl.h>

#include "app/calvendra_doc.h"
#include "app/main_frame.h"
#include "settings/profile.h"
#include "tests/gui/support/dialog_testing.h"
#include "tests/gui/support/gui_test.h"
#include "tests/gui/support/organizer_fixture.h"
#include "tests/support/captured_log.h"
#include "tests/support/odbc_sandbox.h"
#include "view/calvendra_view.h"
#include "view/item_list_ctrl.h"

namespace calvendra::testing {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;
using Strings = std::vector<std::string>;

constexpr char kInitializeError[] = "Initialize error, please contact support@brisklane.example";

class StartupTest : public OrganizerTest {
protected:
    CCalvendraView& View() { return *Windows().view; }
    CDBConnection& Connection() { return Windows().document->Connection(); }
    wxTreeCtrl& Tree() { return *View().Tree(); }
    CItemListCtrl& List() { return *View().List(); }
};

TEST_F(StartupTest, BaseGroupsOnlyShowTwoTopLevelItemsAndEverySchedule) {
    Database().Execute(
        "insert into assist_scheduleinfo values('2000000005','2000000001','Dentist','',0,3,'0','',"
        "'08:00:00',0);"
        // A schedule filed under a group that does not exist is still listed under the root.
        "insert into assist_scheduleinfo values('2000000009','2000000077','Orphan','',0,3,'0','',"
        "'08:00:00',0);");
    Start();

    EXPECT_EQ(ChildTexts(Tree(), Tree().GetRootItem()), (Strings{"All Contacts", "All Schedules"}));
    ASSERT_TRUE(View().ContactRootItem().IsOk());
    ASSERT_TRUE(View().ScheduleRootItem().IsOk());
    EXPECT_EQ(Tree().GetSelection(), View().ScheduleRootItem());
    EXPECT_EQ(View().CurrentGroupItem(), View().ScheduleRootItem());

    ASSERT_EQ(List().GetItemCount(), 2);
    EXPECT_EQ(List().GetItemText(0, 0), "Dentist");
    EXPECT_EQ(List().GetItemText(1, 0), "Orphan");
    EXPECT_EQ(List().ItemIdAt(1), 2000000009);
    // Listing the schedule base group raised the schedule counter; the contact one is untouched.
    EXPECT_EQ(View().LastScheduleId(), 2000000009);
    EXPECT_EQ(View().LastContactId(), 1000000000);
    EXPECT_EQ(View().LastContactGroupId(), 1000000001);
    EXPECT_EQ(View().LastScheduleGroupId(), 2000000001);
    // The schedule root is selected: only the schedule group delete is available.
    EXPECT_FALSE(View().ContactGroupDeleteEnabled());
    EXPECT_TRUE(View().ScheduleGroupDeleteEnabled());
    EXPECT_FALSE(View().ItemDeleteEnabled());
    // The document's connection is to the organizer's data source, and open.
    EXPECT_EQ(Connection().ConnectionString(), "DSN=Calvendra;UID=opal;PSW=kelp;");
    EXPECT_TRUE(Connection().IsConnected());
}

TEST_F(StartupTest, SubgroupsLoadUnderTheirParentsAndAGroupWithoutParentIsLeftOut) {
    Database().Execute(
        "insert into assist_group values('1000000002','Family','1000000001');"
        "insert into assist_group values('1000000003','Cousins','1000000002');"
        "insert into assist_group values('1000000009','Lost','1000000050');"
        "insert into assist_group values('2000000002','Work','2000000001');");
    Start();

    const wxTreeItemId contacts = View().ContactRootItem();
    EXPECT_EQ(ChildTexts(Tree(), contacts), (Strings{"Family"}));
    EXPECT_TRUE(Tree().IsExpanded(contacts));
    EXPECT_FALSE(Tree().IsExpanded(View().ScheduleRootItem()));
    const wxTreeItemId family = View().ContactGroups().at(1000000002);
    EXPECT_EQ(ChildTexts(Tree(), family), (Strings{"Cousins"}));
    EXPECT_EQ(View().GroupIdOf(family), 1000000002);
    EXPECT_EQ(View().ContactGroups().count(1000000009), 0u);
    // The hidden group still counts, so the next group gets an id above it.
    EXPECT_EQ(View().LastContactGroupId(), 1000000009);
    EXPECT_EQ(ChildTexts(Tree(), View().ScheduleRootItem()), (Strings{"Work"}));
    EXPECT_EQ(View().LastScheduleGroupId(), 2000000002);
}

TEST_F(StartupTest, OfTwoContactRootsTheLaterOneIsTheContactRoot) {
    Database().Execute(
        "insert into assist_group values('1000000005','Second root','0');"
        "insert into assist_group values('1000000006','Under it','1000000005');");
    Start();

    EXPECT_EQ(ChildTexts(Tree(), Tree().GetRootItem()),
              (Strings{"All Contacts", "Second root", "All Schedules"}));
    EXPECT_EQ(View().GroupIdOf(View().ContactRootItem()), 1000000005);
    EXPECT_TRUE(Tree().IsExpanded(View().ContactRootItem()));
    EXPECT_FALSE(Tree().IsExpanded(View().ContactGroups().at(1000000001)));
    EXPECT_EQ(ChildTexts(Tree(), View().ContactRootItem()), (Strings{"Under it"}));
}

TEST_F(StartupTest, AFailedConnectionIsReportedAndLeavesTheWindowEmptyButRunning) {
    Database().Remove();
    wxString details;
    const CapturedLog log;
    wxTEST_DIALOG(Start(), ExpectMessage(kInitializeError, wxOK, &details));
    // Why, under the message: the database the data source names and the driver's reason.
    EXPECT_THAT(details.utf8_string(),
                HasSubstr("Database: " + Database().FilePath() + " (data source \"Calvendra\")\n"));
    EXPECT_THAT(log.Text(), HasSubstr(": Initialize error: Database: " + Database().FilePath()));

    ASSERT_NE(Windows().frame, nullptr);
    EXPECT_EQ(Tree().GetChildrenCount(Tree().GetRootItem()), 0u);
    EXPECT_EQ(List().GetItemCount(), 0);
    EXPECT_EQ(List().GetColumnCount(), 3);
    EXPECT_FALSE(View().ContactRootItem().IsOk());
    // The connection object stays, unconnected, for the commands that come later.
    EXPECT_FALSE(Connection().IsConnected());
    EXPECT_TRUE(Windows().frame->ReminderTimer().IsRunning());
}

// Both used to give an empty window and no word; now they are reported like a failed
// connection, with the reason under the message and in the log.
TEST_F(StartupTest, AFileThatIsNoDatabaseIsReportedWithTheReason) {
    WriteFileText(Database().FilePath(), "These are my notes, not a database.\n");
    wxString details;
    const CapturedLog log;
    wxTEST_DIALOG(Start(), ExpectMessage(kInitializeError, wxOK, &details));
    EXPECT_THAT(details.utf8_string(), HasSubstr("Database: " + Database().FilePath()));
    EXPECT_THAT(details.utf8_string(), HasSubstr("not a database"));
    EXPECT_THAT(log.Text(), HasSubstr("not a database"));
    EXPECT_EQ(Tree().GetChildrenCount(Tree().GetRootItem()), 0u);
    EXPECT_EQ(List().GetItemCount(), 0);
}

TEST_F(StartupTest, ADatabaseWithoutTheAttendantsTableIsReportedAndShowsWhatItHolds) {
    Database().Execute("drop table schedule_contact");
    wxString details;
    wxTEST_DIALOG(Start(), ExpectMessage(kInitializeError, wxOK, &details));
    EXPECT_THAT(details.utf8_string(), HasSubstr("\nThe table schedule_contact cannot be read: "));
    // The groups are there, and so they are shown, as before.
    EXPECT_EQ(ChildTexts(Tree(), Tree().GetRootItem()), (Strings{"All Contacts", "All Schedules"}));
    EXPECT_TRUE(Connection().IsConnected());
}

// The two lines that used to stop start-up on a wx assertion dialog.
TEST_F(StartupTest, ADamagedSettingsFileDoesNotStopStartUp) {
    std::filesystem::create_directories(std::filesystem::path(ProfileFilePath()).parent_path());
    WriteFileText(ProfileFilePath(), "[Calvendra1.0]\n=x\n");
    const CapturedLog log;
    Start();
    EXPECT_EQ(ChildTexts(Tree(), Tree().GetRootItem()), (Strings{"All Contacts", "All Schedules"}));
    EXPECT_EQ(Windows().document->MailSettings().smtpPort, 25);
    EXPECT_EQ(ReadFileText(ProfileFilePath() + ".damaged"), "[Calvendra1.0]\n=x\n");
    EXPECT_THAT(log.Text(), HasSubstr("was damaged: line 2 could not be read."));
}

TEST_F(StartupTest, NoScheduleGroupsLeaveNothingSelectedAndTheListEmpty) {
    Database().Execute(
        "delete from assist_group where group_id='2000000001';"
        "insert into assist_scheduleinfo values('2000000005','2000000001','Dentist',"
        "'',0,3,'0','','08:00:00',0);");
    Start();
    EXPECT_FALSE(View().ScheduleRootItem().IsOk());
    // The tree may settle on its hidden root, which carries no group.
    EXPECT_EQ(View().GroupIdOf(Tree().GetSelection()), 0);
    EXPECT_FALSE(View().ContactGroupDeleteEnabled());
    EXPECT_FALSE(View().ScheduleGroupDeleteEnabled());
    EXPECT_EQ(List().GetItemCount(), 0);
    EXPECT_EQ(View().LastScheduleGroupId(), 0);
}

TEST_F(StartupTest, TheToolkitLoadsNoOpenGlDriver) {
    // The organizer draws with Cairo alone: a GL driver would only take memory (tens of MiB of
    // Mesa and LLVM on a machine without a graphics card, as under this X server).
    Start(true);
    ASSERT_TRUE(WaitUntil([&] { return Windows().frame->IsShownOnScreen(); }));
    const std::string mappings = ReadFileText("/proc/self/maps");
    ASSERT_THAT(mappings, HasSubstr("libgtk-3.so"));
    EXPECT_THAT(mappings, Not(HasSubstr("_dri.so")));
    EXPECT_THAT(mappings, Not(HasSubstr("libGLX_mesa")));
}

}  // namespace
}  // namespace calvendra::testing
