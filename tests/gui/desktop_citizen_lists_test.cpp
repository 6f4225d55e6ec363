// The lists as a desktop user meets them: check lists tick the focused row with Space, the
// columns of the pickers and of "Remind Setting" follow the dialog's width, and the item list
// sorts by the column whose header is clicked, its columns filling its width.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <wx/listctrl.h>
#include <wx/uiaction.h>

#include "editors/checked_list_ctrl.h"
#include "editors/contact_list_dlg.h"
#include "editors/remind_set_dlg.h"
#include "editors/reminder_settings.h"
#include "resources/resource_ids.h"
#include "tests/gui/support/editor_fixture.h"
#include "tests/gui/support/gui_test.h"
#include "tests/gui/view_commands_fixture.h"
#include "view/item_list_ctrl.h"

namespace calvendra::testing {
namespace {

using Ids = std::vector<Identifier>;

class DesktopCitizenCheckListTest : public EditorDialogTest {
protected:
    // The dialog shown and active, its list focused as Tab would focus it.
    void Focus(wxDialog& dialog, CCheckedListCtrl& list) {
        ASSERT_TRUE(manager_.IsRunning());
        ASSERT_TRUE(Activate(dialog));
        list.GetTargetWindow()->SetFocus();
        ASSERT_TRUE(WaitUntil([&] { return list.GetTargetWindow()->HasFocus(); }));
    }

    // Presses the key and waits until the checked rows are these.
    void Press(CCheckedListCtrl& list, int key, int modifiers, const std::vector<long>& checked) {
        input_.Char(key, modifiers);
        EXPECT_TRUE(WaitUntil([&] { return CheckedRows(list) == checked; }))
            << "key " << key << " with " << modifiers;
    }

    WindowManager manager_;
    wxUIActionSimulator input_;
};

// Space ticks and unticks the focused row, from the first row on once the list has the focus;
// Down moves on; Space with Ctrl or Shift is the list's selection, not a tick.
TEST_F(DesktopCitizenCheckListTest, SpaceTicksTheFocusedRowOfEveryCheckList) {
    CRemindSetDlg remind(nullptr, Connection(), 2000000077, ReminderSettings());
    CContactListDlg picker(nullptr, Connection(), 1);
    struct Case {
        wxDialog* dialog;
        CCheckedListCtrl* list;
    };
    for (const Case& c : {Case{&remind, remind.AttendantList()}, Case{&picker, picker.List()}}) {
        SCOPED_TRACE(c.dialog->GetTitle().utf8_string());
        ASSERT_GE(c.list->GetItemCount(), 2);
        Focus(*c.dialog, *c.list);
        Press(*c.list, WXK_SPACE, wxMOD_NONE, {0});
        Press(*c.list, WXK_DOWN, wxMOD_NONE, {0});
        Press(*c.list, WXK_SPACE, wxMOD_NONE, {0, 1});
        Press(*c.list, WXK_SPACE, wxMOD_NONE, {0});
        input_.Char(WXK_SPACE, wxMOD_CONTROL);
        // What the key does not do cannot be waited for: a tick the list would have made shows
        // once a later key is handled, and Up is handled after it.
        Press(*c.list, WXK_UP, wxMOD_NONE, {0});
        Press(*c.list, WXK_SPACE, wxMOD_NONE, {});
        // The ticks are what the dialog hands back.
        Press(*c.list, WXK_SPACE, wxMOD_NONE, {0});
        ASSERT_EQ(c.list->CheckedRows().size(), 1u);
        EXPECT_EQ(c.list->CheckedRows()[0]->id, c.list->RowAt(0).id);
        c.dialog->Hide();
    }
}

// The columns fill the list's width and grow and shrink with the dialog, each by its share.
TEST_F(DesktopCitizenCheckListTest, TheColumnsFollowTheDialogsWidth) {
    CRemindSetDlg remind(nullptr, Connection(), 2000000077, ReminderSettings());
    CContactListDlg picker(nullptr, Connection(), 2);
    for (wxDialog* dialog : {static_cast<wxDialog*>(&remind), static_cast<wxDialog*>(&picker)}) {
        SCOPED_TRACE(dialog->GetTitle().utf8_string());
        CCheckedListCtrl& list = dialog == &remind ? *remind.AttendantList() : *picker.List();
        ASSERT_TRUE(Activate(*dialog));
        ASSERT_TRUE(WaitUntil([&] { return ColumnsWidth(list) == RowsWidth(list); }));
        const int narrow = list.GetColumnWidth(1);
        const wxSize size = dialog->GetSize();
        dialog->SetSize(wxSize(size.x + 400, size.y));
        ASSERT_TRUE(WaitUntil([&] {
            return RowsWidth(list) >= list.FromDIP(400) && ColumnsWidth(list) == RowsWidth(list) &&
                   list.GetColumnWidth(1) > narrow;
        })) << ColumnsWidth(list)
            << " " << RowsWidth(list);
        dialog->SetSize(size);
        EXPECT_TRUE(WaitUntil([&] {
            return ColumnsWidth(list) == RowsWidth(list) && list.GetColumnWidth(1) == narrow;
        })) << ColumnsWidth(list)
            << " " << RowsWidth(list);
        dialog->Hide();
    }
}

class DesktopCitizenSortedListTest : public ViewCommandsTest {
protected:
    void SetUp() override {
        ViewCommandsTest::SetUp();
        Database().Execute(
            "insert into assist_contactmaininfo(contact_id,group_id,first_name,last_name,"
            "home_phone,home_email) values"
            " ('1000000014','1000000001','Émile','','555-0099','emile@example.fr'),"
            " ('1000000015','1000000001','anna','','','zz@example.org')");
    }

    std::vector<std::string> Column(int column) {
        std::vector<std::string> texts;
        for (long row = 0; row < List().GetItemCount(); ++row) {
            texts.push_back(List().GetItemText(row, column).utf8_string());
        }
        return texts;
    }

    void WaitForSort() {
        ASSERT_TRUE(WaitUntil([&] { return !View().IsSortingList(); }));
    }
};

// A click on a header sorts by that column, a second one turns the order; the selection stays
// on its item; the order holds for the next group listed and for rows read again.
TEST_F(DesktopCitizenSortedListTest, AClickOnAHeaderSortsByItsColumn) {
    WindowManager manager;
    ASSERT_TRUE(manager.IsRunning());
    Start();
    ASSERT_TRUE(Activate(Frame()));
    Select(1000000001);
    ASSERT_EQ(RowIds(), (Ids{1000000011, 1000000012, 1000000013, 1000000014, 1000000015}));
    EXPECT_EQ(ColumnsWidth(List()), RowsWidth(List()));

    // The header is the list's part above its rows.
    wxWindow* header = nullptr;
    for (wxWindow* part : List().GetChildren()) {
        if (part != List().GetTargetWindow()) {
            header = part;
        }
    }
    ASSERT_NE(header, nullptr);
    const auto clickHeader = [&](int column) {
        int x = 0;
        for (int before = 0; before < column; ++before) {
            x += List().GetColumnWidth(before);
        }
        wxUIActionSimulator input;
        input.MouseMove(header->ClientToScreen(wxPoint(x + 20, header->GetClientSize().y / 2)));
        input.MouseClick();
    };
    List().SetItemState(List().FindRow(1000000013), wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);

    clickHeader(0);
    ASSERT_TRUE(WaitUntil([&] { return View().ListOrder() == RowOrder{0, true}; }));
    WaitForSort();
    // The list shows a name as the first name, a blank and the last name.
    EXPECT_EQ(Column(0),
              (std::vector<std::string>{"anna ", "Anna Berg", "Ben Berg", "Émile ", "Solo "}));
    EXPECT_EQ(SelectedRowIds(), Ids{1000000013});

    clickHeader(0);
    ASSERT_TRUE(WaitUntil([&] { return View().ListOrder() == RowOrder{0, false}; }));
    WaitForSort();
    EXPECT_EQ(RowIds(), (Ids{1000000013, 1000000014, 1000000012, 1000000011, 1000000015}));
    EXPECT_EQ(SelectedRowIds(), Ids{1000000013});

    clickHeader(2);
    ASSERT_TRUE(WaitUntil([&] { return View().ListOrder() == RowOrder{2, true}; }));
    WaitForSort();
    EXPECT_EQ(Column(2), (std::vector<std::string>{"", "", "anna@example.org", "emile@example.fr",
                                                   "zz@example.org"}));

    // Rows read again come in the order, and so does another group's list.
    Database().Execute(
        "insert into assist_contactmaininfo(contact_id,group_id,first_name,home_email) values"
        " ('1000000016','1000000001','Mia','mia@example.org')");
    Menu(resources::kIdRefresh);
    ASSERT_TRUE(WaitUntil([&] { return List().GetItemCount() == 6; }));
    EXPECT_EQ(Column(2), (std::vector<std::string>{"", "", "anna@example.org", "emile@example.fr",
                                                   "mia@example.org", "zz@example.org"}));
    Select(2000000001);
    // The schedules have two columns, without an empty one beside them; the third column's
    // order does not apply to them.
    EXPECT_EQ(List().GetColumnCount(), 2);
    EXPECT_EQ(ColumnsWidth(List()), RowsWidth(List()));
    EXPECT_EQ(RowIds(), (Ids{2000000011, 2000000012}));
    View().SortByColumn(0);
    WaitForSort();
    EXPECT_EQ(Column(0), (std::vector<std::string>{"Dentist", "Standup"}));
    View().SortByColumn(0);
    WaitForSort();
    EXPECT_EQ(Column(0), (std::vector<std::string>{"Standup", "Dentist"}));
}

}  // namespace
}  // namespace calvendra::testing
