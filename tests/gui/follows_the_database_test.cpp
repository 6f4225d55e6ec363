// The organizer's window follows the database by itself: another program (sqlite3, psql) or
// another organizer changes groups and rows while the real window runs, and the tree and the
// list, read back from their controls, show it within a generous bound, with the selected group,
// the expanded branches, the selected rows and the scroll position kept. View, Refresh and a click
// on the selected group read at once. A SQLite file replaced, removed and restored under the
// running organizer is opened again. On SQLite and on PostgreSQL.

#include "tests/gui/view_commands_fixture.h"

#include <gmock/gmock.h>

#include <cstdio>
#include <filesystem>
#include <set>

#include <wx/statusbr.h>
#include <wx/uiaction.h>

#include "resources/resource_ids.h"
#include "tests/support/database_test.h"
#include "tests/support/open_descriptors.h"

namespace calvendra::testing {
namespace {

using namespace resources;
using ::testing::HasSubstr;
using ::testing::StartsWith;
using Strings = std::vector<std::string>;
using Ids = std::vector<Identifier>;

constexpr Identifier kFamily = 1000000002;
constexpr Identifier kKids = 1000000003;
constexpr Identifier kWork = 2000000002;
constexpr Identifier kAnna = 1000000011;

// What a user waits for at most: the window shows a change within seconds; a loaded machine may
// take many times that.
constexpr std::chrono::seconds kBound{60};

// What the tests of following share, over either fixture.
template <class Fixture>
class Following : public Fixture {
protected:
    using Fixture::Database;
    using Fixture::List;
    using Fixture::Tree;
    using Fixture::View;

    // Another program writing the database: the sqlite3 shell or psql.
    void OtherProgram(const std::string& sql) { Database().ExecuteInClient(sql); }

    bool WaitFor(const std::function<bool()>& shown) { return WaitUntil(shown, kBound); }

    // The tree as it shows its groups: one line per item, indented by its depth, with "+" before
    // the name of an expanded item.
    Strings Outline() {
        Strings lines;
        const std::function<void(const wxTreeItemId&, int)> walk = [&](const wxTreeItemId& parent,
                                                                       int depth) {
            wxTreeItemIdValue cookie;
            for (wxTreeItemId item = Tree().GetFirstChild(parent, cookie); item.IsOk();
                 item = Tree().GetNextChild(parent, cookie)) {
                lines.push_back(std::string(static_cast<std::size_t>(depth) * 2, ' ') +
                                (Tree().IsExpanded(item) ? "+" : "") +
                                Tree().GetItemText(item).utf8_string());
                walk(item, depth + 1);
            }
        };
        walk(Tree().GetRootItem(), 0);
        return lines;
    }

    wxTreeItemId ItemOf(Identifier group) {
        const auto& groups = group < 2000000000 ? View().ContactGroups() : View().ScheduleGroups();
        const auto found = groups.find(static_cast<unsigned long>(group));
        return found == groups.end() ? wxTreeItemId() : found->second;
    }

    void SelectRows(const Ids& ids) {
        for (const Identifier id : ids) {
            List().SetItemState(List().FindRow(id), wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
        }
    }

    Identifier FocusedRowId() {
        return List().ItemIdAt(List().GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_FOCUSED));
    }

    // A click with the mouse on the name of a group in the tree.
    void ClickGroup(Identifier group) {
        wxRect label;
        ASSERT_TRUE(Tree().GetBoundingRect(ItemOf(group), label, true));
        wxUIActionSimulator mouse;
        mouse.MouseMove(Tree().ClientToScreen(label.GetPosition() + wxPoint(5, label.height / 2)));
        mouse.MouseClick();
    }

    // Waits until the shown window lies still on the screen, so that a click lands where the
    // control's place says.
    void WaitUntilSettled() {
        ASSERT_TRUE(WaitFor([&] { return Tree().IsShownOnScreen(); }));
        wxRect settled;
        ASSERT_TRUE(WaitFor([&] {
            const wxRect now = Tree().GetScreenRect();
            const bool still = now == settled;
            settled = now;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            return still;
        }));
    }
};

// On SQLite and on PostgreSQL, with another organizer at hand.
class FollowsTheDatabaseOnBothTest : public Following<TwoUsersViewTest> {};

// Before, another organizer's new, renamed and deleted groups showed only after a restart.
TEST_P(FollowsTheDatabaseOnBothTest, TheTreeShowsGroupsAddedRenamedMovedAndDeletedElsewhere) {
    Database().Execute("insert into assist_group values('1000000009','Club','1000000001');");
    Start();
    Tree().Expand(ItemOf(kFamily));
    Select(kKids);
    SelectRows({1000000012});
    ASSERT_EQ(Outline(), (Strings{"+All Contacts", "  +Family", "    Kids", "  Club",
                                  "All Schedules", "  Work"}));

    // Two new groups, one of them below the open Family; a rename; a deletion.
    OtherProgram(
        "insert into assist_group values('1000000004','Friends','1000000001');"
        "insert into assist_group values('1000000005','Cousins','1000000002');"
        "update assist_group set group_name='Office' where group_id='2000000002';");
    ASSERT_TRUE(other_.ExecuteStatement("delete from assist_group where group_id='1000000009'"));
    const Strings changed{"+All Contacts", "  +Family",     "    Kids", "    Cousins",
                          "  Friends",     "All Schedules", "  Office"};
    ASSERT_TRUE(WaitFor([&] { return Outline() == changed; }))
        << ::testing::PrintToString(Outline());
    EXPECT_EQ(SelectedGroup(), kKids);
    EXPECT_EQ(View().CurrentGroupItem(), ItemOf(kKids));
    EXPECT_EQ(RowIds(), (Ids{1000000012}));
    EXPECT_EQ(SelectedRowIds(), (Ids{1000000012}));
    EXPECT_EQ(View().LastContactGroupId(), 1000000009);

    // Kids moves below Friends: still selected and in sight, its rows as they were.
    OtherProgram("update assist_group set parent_id='1000000004' where group_id='1000000003';");
    const Strings moved{"+All Contacts", "  +Family",     "    Cousins", "  +Friends",
                        "    Kids",      "All Schedules", "  Office"};
    ASSERT_TRUE(WaitFor([&] { return Outline() == moved; })) << ::testing::PrintToString(Outline());
    EXPECT_EQ(SelectedGroup(), kKids);
    EXPECT_EQ(View().CurrentGroupItem(), ItemOf(kKids));
    EXPECT_EQ(SelectedRowIds(), (Ids{1000000012}));
    EXPECT_TRUE(View().ContactGroupDeleteEnabled());

    // This organizer's own new group is shown once, where it put it.
    wxTEST_DIALOG(Menu(kIdNewGroupMenu), SaveNewGroup("Neighbours"));
    OtherProgram(
        "update assist_group set group_name='Cousins and more' where group_id='1000000005';");
    const Strings own{"+All Contacts", "  +Family",    "    Cousins and more", "  +Friends",
                      "    Kids",      "  Neighbours", "All Schedules",        "  Office"};
    ASSERT_TRUE(WaitFor([&] { return Outline() == own; })) << ::testing::PrintToString(Outline());
}

TEST_P(FollowsTheDatabaseOnBothTest, ASelectedGroupDeletedElsewhereGivesWayToItsBaseGroup) {
    Start();
    Select(kKids);
    ASSERT_EQ(RowIds(), (Ids{1000000012}));
    // Another organizer deletes Family with Kids below it, and moves their contacts, as this
    // one's own deletion does.
    ASSERT_TRUE(other_.ExecuteStatement(
        "delete from assist_group where group_id in ('1000000002','1000000003')"));
    ASSERT_TRUE(other_.ExecuteStatement(
        "update assist_contactmaininfo set group_id='1000000001' where group_id in "
        "('1000000002','1000000003')"));

    ASSERT_TRUE(WaitFor([&] { return SelectedGroup() == kContactBaseGroupId; }));
    WaitForList();
    EXPECT_EQ(StatusText(),
              "The group \"Kids\" was deleted elsewhere; \"All Contacts\" is shown in its place.");
    EXPECT_EQ(View().CurrentGroupItem(), ItemOf(kContactBaseGroupId));
    EXPECT_EQ(Headings(List()), (Strings{"Name", "Home Phone", "Email"}));
    ASSERT_TRUE(WaitFor([&] { return RowIds() == Ids{kAnna, 1000000012, 1000000013}; }));
    EXPECT_EQ(Outline(), (Strings{"+All Contacts", "All Schedules", "  Work"}));
}

// Before, the list showed other programs' rows only after another group was selected and this
// one again.
TEST_P(FollowsTheDatabaseOnBothTest, TheListShowsRowsAddedChangedAndDeletedElsewhereInPlace) {
    std::string rows;
    for (int i = 0; i < 200; ++i) {
        rows += "insert into assist_contactmaininfo(contact_id,group_id,first_name) values('" +
                std::to_string(1000000100 + i) + "','1000000002','Person " + std::to_string(i) +
                "');";
    }
    Database().Execute(rows);
    Start(true);
    Select(kFamily);
    ASSERT_EQ(List().GetItemCount(), 201);
    ASSERT_TRUE(WaitFor([&] { return List().GetCountPerPage() > 5; }));
    SelectRows({1000000150, 1000000250});
    List().SetItemState(List().FindRow(1000000150), wxLIST_STATE_FOCUSED, wxLIST_STATE_FOCUSED);
    List().EnsureVisible(200);
    List().EnsureVisible(100);
    const long top = List().GetTopItem();
    ASSERT_GT(top, 10);
    const Identifier topId = List().ItemIdAt(top);

    // Rows come before the top row and go from there, a row on the screen changes, and one of
    // the two selected rows goes.
    OtherProgram(
        "insert into assist_contactmaininfo(contact_id,group_id,first_name) values"
        " ('1000000020','1000000002','Early 1'),('1000000021','1000000002','Early 2'),"
        " ('1000000022','1000000002','Early 3');"
        "delete from assist_contactmaininfo where contact_id in ('1000000101','1000000250');");
    ASSERT_TRUE(other_.ExecuteStatement(
        "update assist_contactmaininfo set first_name='Changed' where contact_id='" +
        std::to_string(topId + 1) + "'"));
    ASSERT_TRUE(WaitFor([&] {
        return List().FindRow(1000000020) >= 0 && List().FindRow(1000000250) < 0 &&
               ListRows(List()).at(static_cast<std::size_t>(List().FindRow(topId + 1)))[0] ==
                   "Changed ";
    }));
    EXPECT_EQ(List().GetItemCount(), 202);
    EXPECT_EQ(List().ItemIdAt(List().GetTopItem()), topId);
    EXPECT_EQ(List().GetTopItem(), top + 2);
    EXPECT_EQ(SelectedRowIds(), (Ids{1000000150}));
    EXPECT_EQ(FocusedRowId(), 1000000150);
    EXPECT_EQ(SelectedGroup(), kFamily);
}

TEST_P(FollowsTheDatabaseOnBothTest, RefreshAndAClickOnTheSelectedGroupReadAtOnce) {
    WindowManager manager;
    ASSERT_TRUE(manager.IsRunning());
    Start(true);
    ASSERT_TRUE(Activate(Frame()));
    WaitUntilSettled();
    // No look comes by itself in this test: what shows is what the user asked for.
    View().SetFollowPeriod(std::chrono::hours(1));
    ASSERT_TRUE(WaitFor([&] { return !View().IsLookingForChanges(); }));
    Select(kFamily);

    wxMenuItem* refresh = Frame().GetMenuBar()->FindItem(kIdRefresh);
    ASSERT_NE(refresh, nullptr);
    EXPECT_EQ(refresh->GetItemLabelText(), "Refresh");
    ASSERT_NE(refresh->GetAccel(), nullptr);
    EXPECT_EQ(refresh->GetAccel()->GetKeyCode(), WXK_F5);

    struct Way {
        const char* what;
        std::function<void()> ask;
    };
    wxUIActionSimulator input;
    const Way ways[] = {
        {"F5", [&] { input.Char(WXK_F5); }},
        {"View, Refresh", [&] { Menu(kIdRefresh); }},
        {"a click on the selected group", [&] { ClickGroup(kFamily); }},
    };
    int added = 0;
    for (const Way& way : ways) {
        SCOPED_TRACE(way.what);
        const Identifier contact = 1000000030 + added;
        const std::string name = "Added " + std::to_string(++added);
        OtherProgram("insert into assist_contactmaininfo(contact_id,group_id,first_name) values('" +
                     std::to_string(contact) + "','1000000002','" + name +
                     "');update assist_group set group_name='" + name +
                     "' where group_id='2000000002';");
        ASSERT_EQ(List().FindRow(contact), -1);
        way.ask();
        EXPECT_TRUE(WaitFor([&] {
            return List().FindRow(contact) >= 0 && Tree().GetItemText(ItemOf(kWork)) == name;
        }));
        EXPECT_EQ(SelectedGroup(), kFamily);
    }
    // A click on another group only selects it.
    ClickGroup(kScheduleBaseGroupId);
    EXPECT_TRUE(WaitFor([&] { return SelectedGroup() == kScheduleBaseGroupId; }));
}

// An editor open on a row that another user changes and then deletes keeps what the user typed,
// while the list under it follows.
TEST_P(FollowsTheDatabaseOnBothTest, AnOpenEditorKeepsWhatTheUserTypedWhileTheListFollows) {
    Start();
    Select(kFamily);
    wxTEST_DIALOG(
        ActivateRow(kAnna), ExpectDialog<CNewContactDlg>([this](CNewContactDlg* editor) {
            editor->Edit(ContactField::kHomeCity)->ChangeValue("Bergen");
            OtherProgram(
                "update assist_contactmaininfo set home_phone='555-0199' where "
                "contact_id='1000000011';"
                "insert into assist_contactmaininfo(contact_id,group_id,first_name) values"
                " ('1000000031','1000000002','Cleo');");
            EXPECT_TRUE(WaitFor([&] {
                return RowIds() == Ids{kAnna, 1000000031} &&
                       ListRows(List()).at(0)[1] == "555-0199";
            }));
            EXPECT_EQ(editor->Edit(ContactField::kHomeCity)->GetValue(), "Bergen");
            EXPECT_EQ(editor->Edit(ContactField::kHomePhone)->GetValue(), "555-0101");

            OtherProgram("delete from assist_contactmaininfo where contact_id='1000000011';");
            EXPECT_TRUE(WaitFor([&] { return RowIds() == Ids{1000000031}; }));
            EXPECT_EQ(editor->Edit(ContactField::kHomeCity)->GetValue(), "Bergen");
            EXPECT_EQ(editor->Edit(ContactField::kFirstName)->GetValue(), "Anna");
            return static_cast<int>(wxID_CANCEL);
        }));
    EXPECT_EQ(RowIds(), (Ids{1000000031}));
}

INSTANTIATE_TEST_SUITE_P(Backends, FollowsTheDatabaseOnBothTest, ::testing::ValuesIn(AllBackends()),
                         BackendParamName);

// The organizer on a SQLite file that is replaced, removed and restored while it runs.
class FollowsTheDatabaseFileTest : public Following<ViewCommandsTest> {
protected:
    void SetUp() override {
        Following<ViewCommandsTest>::SetUp();
        path_ = std::filesystem::weakly_canonical(Database().FilePath()).string();
    }

    // A copy of the database as it is, which the sqlite3 program then changes.
    std::string CopyChangedBy(const std::string& suffix, const std::string& sql) {
        const std::string copy = path_ + suffix;
        std::filesystem::copy_file(path_, copy);
        EXPECT_EQ(RunCommand("sqlite3 -bail '" + copy + "' \"" + sql + "\""), 0) << sql;
        return copy;
    }

    std::string path_;
};

// Before, the organizer kept reading the file that had left, refused every write as "readonly",
// and said nothing until it was restarted.
TEST_F(FollowsTheDatabaseFileTest, AReplacedRemovedAndRestoredFileIsOpenedAgainAndSaidSo) {
    Start();
    Select(kFamily);
    // The reminder scan's connection is opened by its first tick.
    Frame().ScanReminders();
    ASSERT_TRUE(WaitFor([&] { return !Frame().Scanner().IsReadingInBackground(); }));
    ASSERT_GE(OpenDescriptorsOn(path_), 3);

    // A copy with other rows renamed over the file, as a restore from a backup does it.
    const std::string copy =
        CopyChangedBy(".restored",
                      "update assist_group set group_name='Restored' where group_id='1000000002';"
                      "insert into assist_contactmaininfo(contact_id,group_id,first_name) values"
                      " ('1000000041','1000000002','Rita');");
    ASSERT_EQ(std::rename(copy.c_str(), path_.c_str()), 0);
    ASSERT_TRUE(WaitFor([&] {
        return Tree().GetItemText(ItemOf(kFamily)) == "Restored" &&
               RowIds() == Ids{kAnna, 1000000041};
    }));
    EXPECT_EQ(StatusText(), "The database file " + path_ +
                                " was replaced by another file; the organizer has opened that "
                                "one.");
    // The window's connection, the list's and the reminder scan's all let go of the file that
    // left.
    EXPECT_TRUE(WaitFor([&] { return OpenDescriptorsOnRemovedFile(path_) == 0; }))
        << OpenDescriptorsOnRemovedFile(path_) << " descriptors on the file that left";
    EXPECT_EQ(SelectedGroup(), kFamily);

    // Removed: the window says the database is missing, keeps what it shows, and holds nothing.
    const std::string backup = path_ + ".backup";
    std::filesystem::copy_file(path_, backup);
    ASSERT_TRUE(std::filesystem::remove(path_));
    ASSERT_TRUE(WaitFor([&] {
        return StatusText().rfind("The database is missing, so changes cannot be shown: ", 0) == 0;
    })) << StatusText();
    EXPECT_THAT(StatusText(), HasSubstr(path_));
    EXPECT_TRUE(WaitFor([&] { return OpenDescriptorsOnRemovedFile(path_) == 0; }));
    EXPECT_EQ(Tree().GetItemText(ItemOf(kFamily)), "Restored");
    EXPECT_FALSE(std::filesystem::exists(path_));

    // Restored from the backup, which holds a row more: it is opened again and shown.
    ASSERT_EQ(RunCommand("sqlite3 -bail '" + backup +
                         "' \"insert into assist_contactmaininfo(contact_id,group_id,first_name) "
                         "values ('1000000042','1000000002','Rolf')\""),
              0);
    std::filesystem::copy_file(backup, path_);
    ASSERT_TRUE(WaitFor([&] { return RowIds() == Ids{kAnna, 1000000041, 1000000042}; }));
    EXPECT_EQ(StatusText(),
              "The database file " + path_ + " is back; the organizer has opened it again.");
    EXPECT_FALSE(View().IsWaitingForTheDatabase());
}

// The window's own connection follows the file at its next use: a change made right after the
// file was replaced goes into the new file, before any look has found it replaced.
TEST_F(FollowsTheDatabaseFileTest, AChangeRightAfterTheFileWasReplacedGoesIntoTheNewFile) {
    Start();
    View().SetFollowPeriod(std::chrono::hours(1));
    ASSERT_TRUE(WaitFor([&] { return !View().IsLookingForChanges(); }));
    Select(1000000001);
    const std::string copy = CopyChangedBy(
        ".restored", "update assist_group set group_name='Restored' where group_id='1000000002';");
    ASSERT_EQ(std::rename(copy.c_str(), path_.c_str()), 0);

    wxTEST_DIALOG(Menu(kIdNewGroupMenu), SaveNewGroup("Neighbours"));
    EXPECT_EQ(Value("select group_name from assist_group where group_id='1000000004'"),
              "Neighbours");
    EXPECT_EQ(Value("select group_name from assist_group where group_id='1000000002'"), "Restored");
}

}  // namespace
}  // namespace calvendra::testing
