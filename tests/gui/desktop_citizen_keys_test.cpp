// The organizer by keyboard: every menu entry has a mnemonic, the usual commands a shortcut that
// reaches them from the window, and the Delete key on a group asks to delete it.

#include <gtest/gtest.h>

#include <cctype>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include <wx/menu.h>
#include <wx/msgdlg.h>
#include <wx/uiaction.h>

#include "resources/menus.h"
#include "resources/resource_ids.h"
#include "tests/gui/view_commands_fixture.h"

namespace calvendra::testing {
namespace {

using namespace resources;

constexpr char kDeleteContactGroupQuestion[] = "Do you want to delete the selected group?";
constexpr char kDeleteScheduleGroupQuestion[] =
    "Do you want to delete the selected schedule group?";
constexpr char kBaseGroupRefusal[] = "Sorry,you cannot delete this basic group!";

// The letter after the single "&" of a label (before its shortcut), or 0 when it has none or
// more than one.
char Mnemonic(const wxString& label) {
    const std::string text = label.BeforeFirst('\t').utf8_string();
    char mnemonic = 0;
    int count = 0;
    for (std::size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] == '&' && text[i + 1] != '&') {
            mnemonic = static_cast<char>(std::tolower(static_cast<unsigned char>(text[i + 1])));
            ++count;
        } else if (text[i] == '&') {
            ++i;
        }
    }
    return count == 1 ? mnemonic : 0;
}

// Every entry of the menu and of its submenus has a mnemonic of its own within its menu; the
// shortcuts found are collected by command.
void ExpectMnemonics(const wxMenu& menu, const std::string& where,
                     std::map<int, std::string>& shortcuts) {
    std::set<char> used;
    for (const wxMenuItem* item : menu.GetMenuItems()) {
        if (item->IsSeparator()) {
            continue;
        }
        const wxString label = item->GetItemLabel();
        const char mnemonic = Mnemonic(label);
        EXPECT_NE(mnemonic, 0) << where << ": " << label;
        EXPECT_TRUE(used.insert(mnemonic).second)
            << where << ": " << label << " repeats &" << mnemonic;
        if (label.Contains('\t')) {
            shortcuts[item->GetId()] = label.AfterFirst('\t').utf8_string();
        }
        if (item->GetSubMenu() != nullptr) {
            ExpectMnemonics(*item->GetSubMenu(), where + " > " + label.utf8_string(), shortcuts);
        }
    }
}

class DesktopCitizenKeysTest : public ViewCommandsTest {};

TEST_F(DesktopCitizenKeysTest, EveryMenuEntryHasAMnemonicAndTheUsualCommandsAShortcut) {
    std::unique_ptr<wxMenuBar> bar(CreateMainMenuBar());
    std::set<char> titles;
    std::map<int, std::string> shortcuts;
    for (std::size_t i = 0; i < bar->GetMenuCount(); ++i) {
        const wxString title = bar->GetMenuLabel(i);
        EXPECT_TRUE(titles.insert(Mnemonic(title)).second) << title;
        EXPECT_NE(Mnemonic(title), 0) << title;
        ExpectMnemonics(*bar->GetMenu(i), title.utf8_string(), shortcuts);
    }
    for (int number : {kTrayMenuNumber, kDeleteMenuNumber}) {
        std::unique_ptr<wxMenu> popup(LoadPopupMenu(number));
        ASSERT_TRUE(popup);
        std::map<int, std::string> none;
        ExpectMnemonics(*popup, "pop-up menu " + std::to_string(number), none);
        EXPECT_TRUE(none.empty()) << "a pop-up menu repeats a shortcut of the menu bar";
    }

    const std::map<int, std::string> expected{
        {kIdNewDocument, "Ctrl+N"}, {kIdNewGroupMenu, "Ctrl+Shift+N"},
        {kIdNewSchedule, "Ctrl+T"}, {kIdNewScheduleGroup, "Ctrl+Shift+T"},
        {kIdRefresh, "F5"},         {kIdFind, "Ctrl+F"},
        {kIdExit, "Ctrl+Q"},
    };
    EXPECT_EQ(shortcuts, expected);
}

// The shortcuts typed as keys on the window, with the tree or the list focused, open what their
// menu entries open; what they create lands where the menu's would.
TEST_F(DesktopCitizenKeysTest, TheShortcutsTypedOnTheWindowRunTheirCommands) {
    WindowManager manager;
    ASSERT_TRUE(manager.IsRunning());
    Start();
    ASSERT_TRUE(Activate(Frame()));
    Select(1000000002);
    Tree().SetFocus();
    ASSERT_TRUE(WaitUntil([&] { return Tree().HasFocus(); }));
    wxUIActionSimulator input;

    struct Shortcut {
        int key;
        int modifiers;
        const char* name;
    };
    // New Group and New Schedule Group: the group lands below the root of its kind.
    const std::size_t contactGroups = View().ContactGroups().size();
    const std::size_t scheduleGroups = View().ScheduleGroups().size();
    for (const Shortcut& shortcut : {Shortcut{'N', wxMOD_CONTROL | wxMOD_SHIFT, "Keyed contacts"},
                                     Shortcut{'T', wxMOD_CONTROL | wxMOD_SHIFT, "Keyed dates"}}) {
        const std::size_t groups = View().ContactGroups().size() + View().ScheduleGroups().size();
        wxTEST_DIALOG(
            {
                input.Char(shortcut.key, shortcut.modifiers);
                WaitUntil([&] {
                    return View().ContactGroups().size() + View().ScheduleGroups().size() ==
                           groups + 1;
                });
            },
            SaveNewGroup(shortcut.name));
    }
    EXPECT_EQ(View().ContactGroups().size(), contactGroups + 1);
    EXPECT_EQ(View().ScheduleGroups().size(), scheduleGroups + 1);

    // New Contact and New Schedule, from the list as well as from the tree.
    bool contactOpened = false;
    bool scheduleOpened = false;
    List().RowsWindow()->SetFocus();
    ASSERT_TRUE(WaitUntil([&] { return List().RowsWindow()->HasFocus(); }));
    wxTEST_DIALOG(
        {
            input.Char('N', wxMOD_CONTROL);
            WaitUntil([&] { return contactOpened; });
        },
        ExpectDialog<CNewContactDlg>([&](CNewContactDlg* editor) {
            contactOpened = true;
            EXPECT_EQ(editor->GroupId(), 1000000002);
            return wxID_CANCEL;
        }));
    EXPECT_TRUE(contactOpened);
    Select(2000000002);
    Tree().SetFocus();
    ASSERT_TRUE(WaitUntil([&] { return Tree().HasFocus(); }));
    wxTEST_DIALOG(
        {
            input.Char('T', wxMOD_CONTROL);
            WaitUntil([&] { return scheduleOpened; });
        },
        ExpectDialog<CNewScheduleDlg>([&](CNewScheduleDlg* editor) {
            scheduleOpened = true;
            EXPECT_EQ(editor->GroupId(), 2000000002);
            return wxID_CANCEL;
        }));
    EXPECT_TRUE(scheduleOpened);
}

// Delete on a selected group asks the question of the menu command of the group's kind; No keeps
// the group, Yes deletes it, and a base group is refused after the question.
TEST_F(DesktopCitizenKeysTest, DeleteOnATreeGroupAsksToDeleteThatGroup) {
    WindowManager manager;
    ASSERT_TRUE(manager.IsRunning());
    Start();
    ASSERT_TRUE(Activate(Frame()));
    wxUIActionSimulator input;

    struct Case {
        Identifier group;
        const char* question;
        int answer;
        bool deleted;
    };
    for (const Case& c : {Case{1000000003, kDeleteContactGroupQuestion, wxID_NO, false},
                          Case{1000000003, kDeleteContactGroupQuestion, wxID_YES, true},
                          Case{2000000002, kDeleteScheduleGroupQuestion, wxID_YES, true},
                          Case{1000000001, kDeleteContactGroupQuestion, wxID_YES, false}}) {
        SCOPED_TRACE(c.group);
        Select(c.group);
        Tree().SetFocus();
        ASSERT_TRUE(WaitUntil([&] { return Tree().HasFocus(); }));
        const auto& groups =
            c.group < 2000000000 ? View().ContactGroups() : View().ScheduleGroups();
        bool asked = false;
        bool refused = false;
        auto question = ExpectDialog<wxMessageDialog>([&](wxMessageDialog* box) {
            asked = true;
            EXPECT_EQ(box->GetMessage(), c.question);
            return c.answer;
        });
        if (c.group == 1000000001) {
            wxTEST_DIALOG(
                {
                    input.Char(WXK_DELETE);
                    WaitUntil([&] { return refused; });
                },
                question, ExpectDialog<wxMessageDialog>([&](wxMessageDialog* box) {
                    refused = true;
                    EXPECT_EQ(box->GetMessage(), kBaseGroupRefusal);
                    return wxID_OK;
                }));
            EXPECT_TRUE(refused);
        } else {
            wxTEST_DIALOG(
                {
                    input.Char(WXK_DELETE);
                    WaitUntil([&] { return asked; });
                    WaitForList();
                },
                question);
        }
        EXPECT_TRUE(asked);
        EXPECT_EQ(groups.count(static_cast<unsigned long>(c.group)) == 0, c.deleted);
        const std::string stored = Value("select count(*) from assist_group where group_id='" +
                                         std::to_string(c.group) + "'");
        EXPECT_EQ(stored, c.deleted ? "0" : "1");
    }

    // On a list row the key still deletes the row, not its group.
    Select(1000000002);
    List().RowsWindow()->SetFocus();
    ASSERT_TRUE(WaitUntil([&] { return List().RowsWindow()->HasFocus(); }));
    const std::vector<Identifier> rows = RowIds();
    ASSERT_FALSE(rows.empty());
    List().SetItemState(0, wxLIST_STATE_SELECTED | wxLIST_STATE_FOCUSED,
                        wxLIST_STATE_SELECTED | wxLIST_STATE_FOCUSED);
    wxTEST_DIALOG(
        {
            input.Char(WXK_DELETE);
            WaitUntil([&] { return RowIds().size() + 1 == rows.size(); });
        },
        ExpectMessage("Do you want to delete the selected item?", wxYES));
    EXPECT_EQ(RowIds(), std::vector<Identifier>(rows.begin() + 1, rows.end()));
    EXPECT_EQ(Value("select count(*) from assist_group where group_id='1000000002'"), "1");
}

}  // namespace
}  // namespace calvendra::testing
