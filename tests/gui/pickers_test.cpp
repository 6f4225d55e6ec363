// The group picker and the item picker: what they list and in which order, what they preselect,
// and what OK and Cancel hand back.

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>

#include <wx/choice.h>
#include <wx/uiaction.h>

#include "editors/checked_list_ctrl.h"
#include "editors/contact_list_dlg.h"
#include "editors/group_list_dlg.h"
#include "store/statements.h"
#include "tests/gui/support/dialog_testing.h"
#include "tests/gui/support/editor_fixture.h"
#include "tests/gui/support/gui_test.h"
#include "tests/gui/support/organizer_fixture.h"

namespace calvendra::testing {
namespace {

using Strings = std::vector<std::string>;
using Rows = std::vector<std::vector<std::string>>;

class PickerTest : public EditorDialogTest {};

TEST_F(PickerTest, TheGroupPickerListsOneKindInIdOrderWithTheGivenGroupSelected) {
    CGroupListDlg contacts(nullptr, Connection(), 1, 1000000002);
    EXPECT_EQ(contacts.GetTitle(), "Group List");
    EXPECT_TRUE(HasLabel(contacts, "Please select the group name:"));
    EXPECT_EQ(Entries(*contacts.GroupChoice()), (Strings{"All Contacts", "Family", "Work mates"}));
    EXPECT_EQ(contacts.GroupChoice()->GetSelection(), 1);

    // The schedule groups are listed by id, not in the order they were stored.
    CGroupListDlg schedules(nullptr, Connection(), 2, 2000000003);
    EXPECT_EQ(Entries(*schedules.GroupChoice()), (Strings{"All Schedules", "Work", "Home"}));
    EXPECT_EQ(schedules.GroupChoice()->GetSelection(), 2);

    // A group of the other kind, or none stored, selects nothing.
    CGroupListDlg unknown(nullptr, Connection(), 2, 1000000002);
    EXPECT_EQ(unknown.GroupChoice()->GetSelection(), wxNOT_FOUND);
}

struct GroupPick {
    Identifier given;
    std::optional<int> entry;  // what the user selects, if anything
    int button;
    Identifier handedBack;
};

TEST_F(PickerTest, TheGroupPickerHandsBackThePickedGroupOnlyOnOk) {
    const GroupPick picks[] = {
        {2000000002, 2, wxID_OK, 2000000003},
        {2000000002, 2, wxID_CANCEL, 2000000002},
        {2000000002, std::nullopt, wxID_OK, 2000000002},
        // Nothing selected: OK keeps the given group rather than handing back none.
        {2000000077, std::nullopt, wxID_OK, 2000000077},
        {2000000077, 0, wxID_OK, 2000000001},
    };
    for (const GroupPick& pick : picks) {
        CGroupListDlg dialog(nullptr, Connection(), 2, pick.given);
        dialog.Show();
        if (pick.entry) {
            dialog.GroupChoice()->SetSelection(*pick.entry);
        }
        PressButton(dialog, pick.button);
        EXPECT_FALSE(dialog.IsShown());
        EXPECT_EQ(dialog.GroupId(), pick.handedBack)
            << "given " << pick.given << ", button " << pick.button;
    }
}

Strings ReversedIds(TestDatabase& database, const std::string& query) {
    Strings ids;
    for (const auto& row : database.Query(query)) {
        ids.push_back(row.at(0));
    }
    std::reverse(ids.begin(), ids.end());
    return ids;
}

Strings RowIds(CCheckedListCtrl& list) {
    Strings ids;
    for (long row = 0; row < list.GetItemCount(); ++row) {
        ids.push_back(std::to_string(list.RowAt(row).id));
    }
    return ids;
}

TEST_F(PickerTest, TheItemPickerListsEachRowAboveThePreviousOne) {
    CContactListDlg contacts(nullptr, Connection(), 1);
    EXPECT_EQ(contacts.GetTitle(), "Contact List");
    CCheckedListCtrl& list = *contacts.List();
    EXPECT_EQ(RowIds(list), ReversedIds(Database(), statements::SelectContactsForPicker()));
    Rows rows = RowTexts(list);
    std::sort(rows.begin(), rows.end());
    // Hidden Person's group row is missing: listed under the base group, where the tree has her.
    EXPECT_EQ(rows, (Rows{{"Anna Berg", "anna@example.org", "Family"},
                          {"Hidden Person", "hidden@example.org", "All Contacts"},
                          {"Kim O'Neil", "kim@example.org", "Work mates"},
                          {"Solo", "solo@example.org", "All Contacts"}}));
    EXPECT_TRUE(CheckedRows(list).empty());
    EXPECT_EQ(Headings(list), (Strings{"Name", "Email", "Group"}));
    // The columns fill the rows' width.
    EXPECT_EQ(list.GetColumnWidth(0) + list.GetColumnWidth(1) + list.GetColumnWidth(2),
              list.GetTargetWindow()->GetClientSize().x);

    CContactListDlg schedules(nullptr, Connection(), 2);
    EXPECT_EQ(schedules.GetTitle(), "Contact List");
    EXPECT_EQ(Headings(*schedules.List()), (Strings{"Subject", "Remind Time", "Group"}));
    EXPECT_EQ(RowIds(*schedules.List()),
              ReversedIds(Database(), statements::SelectSchedulesForPicker()));
    rows = RowTexts(*schedules.List());
    std::sort(rows.begin(), rows.end());
    EXPECT_EQ(rows, (Rows{{"Dentist", "2005-3-7 14:00:00", "Home"},
                          {"Orphan", "", "All Schedules"},
                          {"Standup", "09:30:00", "Work"}}));

    CContactListDlg nothing(nullptr, Connection(), 3);
    EXPECT_EQ(nothing.List()->GetItemCount(), 0);
    EXPECT_EQ(nothing.List()->GetColumnCount(), 0);
}

TEST_F(PickerTest, PickedItemsComeBackInIdOrderWhateverTheirPlaceOnScreen) {
    Database().Execute(
        "insert into assist_contactmaininfo(contact_id,group_id,first_name,last_name) "
        "values('1000000010','1000000002','Zed','')");
    CContactListDlg dialog(nullptr, Connection(), 1);
    dialog.Show();
    CCheckedListCtrl& list = *dialog.List();
    ASSERT_EQ(list.GetItemCount(), 5);
    // Three rows from the bottom up, the last one twice; a fourth ticked and unticked again.
    for (long row : {3L, 2L, 1L, 0L, 0L}) {
        list.CheckItem(row, true);
    }
    list.CheckItem(2, false);
    PressButton(dialog, wxID_OK);

    Strings picked;
    for (const auto& [id, text] : dialog.Picked()) {
        picked.push_back(std::to_string(id) + " " + text);
    }
    Strings expected;
    for (long row : {3L, 1L, 0L}) {
        expected.push_back(std::to_string(list.RowAt(row).id) + " " + list.RowAt(row).texts[0]);
    }
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(picked, expected);
}

TEST_F(PickerTest, CancelPicksNothing) {
    CContactListDlg dialog(nullptr, Connection(), 2);
    dialog.Show();
    dialog.List()->CheckItem(0, true);
    PressButton(dialog, wxID_CANCEL);
    EXPECT_FALSE(dialog.IsShown());
    EXPECT_TRUE(dialog.Picked().empty());
}

// A user ticks with the mouse: the click into a row's check box reaches the picked items.
TEST_F(PickerTest, AClickIntoACheckBoxTicksTheRow) {
    CContactListDlg dialog(nullptr, Connection(), 1);
    ASSERT_TRUE(Activate(dialog));
    CCheckedListCtrl& list = *dialog.List();
    wxRect row;
    ASSERT_TRUE(list.GetItemRect(1, row));
    wxUIActionSimulator mouse;
    // The check box stands at the start of the row.
    mouse.MouseMove(
        list.ClientToScreen(wxPoint(row.x + row.height / 2 + 2, row.y + row.height / 2)));
    mouse.MouseClick();
    ASSERT_TRUE(WaitUntil([&] { return list.IsItemChecked(1); }));
    EXPECT_EQ(CheckedRows(list), (std::vector<long>{1}));
    PressButton(dialog, wxID_OK);
    ASSERT_EQ(dialog.Picked().size(), 1u);
    EXPECT_EQ(dialog.Picked().begin()->first, list.RowAt(1).id);
}

}  // namespace
}  // namespace calvendra::testing
