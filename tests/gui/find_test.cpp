// The search field above the item list: typed words list what holds them, with the group in a
// column of its own; Ctrl+F and View > Find reach the field, Escape and a group chosen in the tree
// bring the group's list back; the found rows are edited and deleted as any row is.

#include "tests/gui/view_commands_fixture.h"

#include <wx/uiaction.h>
#include <wx/window.h>

#include "resources/resource_ids.h"
#include "view/search_field.h"

namespace calvendra::testing {
namespace {

using namespace resources;
using Ids = std::vector<Identifier>;
using Strings = std::vector<std::string>;

constexpr char kDeleteItemQuestion[] = "Do you want to delete the selected item?";
// The list reads on a thread of its own, on a machine that may be busy.
constexpr std::chrono::seconds kGenerous{30};

class FindView : public ViewCommandsTest {
protected:
    CSearchField& Field() { return *View().SearchField(); }

    // What a user's typing does to the field: one text event per character.
    void Type(const std::string& text) {
        for (std::size_t length = 1; length <= text.size(); ++length) {
            Field().SetValue(wxString::FromUTF8(text.substr(0, length)));
        }
        WaitForList();
    }

    bool FieldHasFocus() {
        wxWindow* focus = wxWindow::FindFocus();
        return focus != nullptr && (focus == &Field() || Field().IsDescendant(focus));
    }

    Strings RowTexts(long row) {
        Strings texts;
        for (int column = 0; column < List().GetColumnCount(); ++column) {
            texts.push_back(List().GetItemText(row, column).utf8_string());
        }
        return texts;
    }

    Strings ColumnHeadings() {
        Strings headings;
        for (int column = 0; column < List().GetColumnCount(); ++column) {
            wxListItem heading;
            heading.SetMask(wxLIST_MASK_TEXT);
            List().GetColumn(column, heading);
            headings.push_back(heading.GetText().utf8_string());
        }
        return headings;
    }

    void SelectRowOf(Identifier id) {
        const long row = List().FindRow(id);
        ASSERT_GE(row, 0) << id;
        List().SetItemState(row, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
    }
};

// Keys as a user presses them, through the window manager: Ctrl+F, the words, Escape.
TEST_F(FindView, TypedWordsListWhatHoldsThemAndEscapeBringsTheGroupBack) {
    WindowManager manager;
    ASSERT_TRUE(manager.IsRunning());
    Start();
    ASSERT_TRUE(Activate(Frame()));
    Select(2000000002);
    ASSERT_EQ(RowIds(), Ids{2000000011});
    Tree().SetFocus();
    // The user drags the first column narrower, and the header says so when the drag ends.
    const int before = List().GetColumnWidth(0);
    List().SetColumnWidth(0, before / 2);
    wxListEvent dragged(wxEVT_LIST_COL_END_DRAG, List().GetId());
    dragged.SetEventObject(&List());
    dragged.SetColumn(0);
    List().GetEventHandler()->ProcessEvent(dragged);
    // The columns share the width again, the first one by its new, smaller share.
    ASSERT_TRUE(WaitUntil([&] {
        return ColumnsWidth(List()) == RowsWidth(List()) && List().GetColumnWidth(0) < before;
    }));
    const std::vector<int> widths = {List().GetColumnWidth(0), List().GetColumnWidth(1)};

    wxUIActionSimulator input;
    input.Char('f', wxMOD_CONTROL);
    ASSERT_TRUE(WaitUntil([&] { return FieldHasFocus(); }, kGenerous));
    input.Text("berg");
    ASSERT_TRUE(WaitUntil([&] { return Field().GetValue() == "berg" && !View().IsFillingList(); },
                          kGenerous));
    ASSERT_TRUE(WaitUntil([&] { return RowIds() == Ids{1000000011, 1000000012}; }, kGenerous));
    EXPECT_TRUE(View().IsSearching());
    EXPECT_EQ(ColumnHeadings(),
              (Strings{"Name / Subject", "Home Phone / Remind Time", "Email", "Group"}));
    EXPECT_EQ(RowTexts(0), (Strings{"Anna Berg", "555-0101", "anna@example.org", "Family"}));
    EXPECT_EQ(RowTexts(1), (Strings{"Ben Berg", "", "", "Kids"}));
    EXPECT_EQ(StatusText(), "Found 2 contacts and 0 schedules");

    input.Char(WXK_ESCAPE);
    ASSERT_TRUE(WaitUntil([&] { return !View().IsSearching(); }, kGenerous));
    WaitForList();
    EXPECT_EQ(Field().GetValue(), "");
    EXPECT_EQ(RowIds(), Ids{2000000011});
    EXPECT_EQ(ColumnHeadings(), (Strings{"Subject", "Remind Time"}));
    // The widths the user gave the group's columns come back.
    EXPECT_EQ((std::vector<int>{List().GetColumnWidth(0), List().GetColumnWidth(1)}), widths);
    EXPECT_EQ(SelectedGroup(), 2000000002);
}

TEST_F(FindView, TheLatestSearchWinsAndErasingTheWordsEndsIt) {
    Start();
    Select(1000000003);
    // Each keystroke a search of its own; what is shown is the last one's.
    Type("standup");
    EXPECT_EQ(RowIds(), Ids{2000000011});
    EXPECT_EQ(RowTexts(0), (Strings{"Standup", "Reminder at Monday 09:30:00", "", "Work"}));
    Type("Daily short");
    EXPECT_EQ(RowIds(), Ids{2000000011});
    Type("card");
    EXPECT_EQ(RowIds(), Ids{2000000012});
    Type("nothing like it");
    EXPECT_EQ(RowIds(), Ids{});
    EXPECT_TRUE(View().IsSearching());
    // Blanks alone look for nothing: the group's list again.
    Field().SetValue("   ");
    WaitForList();
    EXPECT_FALSE(View().IsSearching());
    EXPECT_EQ(RowIds(), Ids{1000000012});
    EXPECT_EQ(List().GetColumnCount(), 3);

    // The clear button, as Escape, ends a search too.
    Type("berg");
    EXPECT_EQ(RowIds(), (Ids{1000000011, 1000000012}));
    wxCommandEvent cleared(wxEVT_SEARCH_CANCEL, Field().GetId());
    cleared.SetEventObject(&Field());
    Field().ProcessWindowEvent(cleared);
    WaitForList();
    EXPECT_FALSE(View().IsSearching());
    EXPECT_EQ(Field().GetValue(), "");
    EXPECT_EQ(RowIds(), Ids{1000000012});
}

TEST_F(FindView, TheViewMenuOffersFindAndAGroupChosenEndsTheSearch) {
    WindowManager manager;
    ASSERT_TRUE(manager.IsRunning());
    Start();
    ASSERT_TRUE(Activate(Frame()));
    Select(1000000001);
    Tree().SetFocus();
    Menu(kIdFind);
    EXPECT_TRUE(WaitUntil([&] { return FieldHasFocus(); }, kGenerous));

    Type("anna");
    EXPECT_EQ(RowIds(), Ids{1000000011});
    Select(2000000001);
    EXPECT_FALSE(View().IsSearching());
    EXPECT_EQ(Field().GetValue(), "");
    EXPECT_EQ(RowIds(), (Ids{2000000011, 2000000012}));
    // The schedules' two columns, without the found rows' group column.
    EXPECT_EQ(ColumnHeadings(), (Strings{"Subject", "Remind Time"}));
}

TEST_F(FindView, FoundRowsAreEditedAndDeletedAsAnyRow) {
    Start();
    Select(2000000002);
    Type("berg");
    ASSERT_EQ(RowIds(), (Ids{1000000011, 1000000012}));

    // A double click edits the row; the search is read again, with the row selected.
    wxTEST_DIALOG(ActivateRow(1000000012), ExpectDialog<CNewContactDlg>([](CNewContactDlg* e) {
                      EXPECT_EQ(e->ContactId(), 1000000012);
                      e->Edit(ContactField::kFirstName)->ChangeValue("Bert");
                      wxTEST_DIALOG(PressButton(*e, wxID_OK), ExpectMessage(kSaveQuestion, wxYES));
                      return e->GetReturnCode();
                  }));
    WaitForList();
    EXPECT_TRUE(View().IsSearching());
    EXPECT_EQ(RowIds(), (Ids{1000000011, 1000000012}));
    EXPECT_EQ(RowTexts(1), (Strings{"Bert Berg", "", "", "Kids"}));
    EXPECT_EQ(SelectedRowIds(), Ids{1000000012});

    // The Delete key deletes the selected found row, and only it.
    List().SetItemState(1, 0, wxLIST_STATE_SELECTED);
    SelectRowOf(1000000011);
    wxTEST_DIALOG(PressDeleteKey(), ExpectMessage(kDeleteItemQuestion, wxYES));
    EXPECT_EQ(RowIds(), Ids{1000000012});
    EXPECT_EQ(Value("select count(*) from assist_contactmaininfo where contact_id='1000000011'"),
              "0");

    // Rows of both kinds, deleted together: the search is read again.
    Type("d");
    ASSERT_EQ(RowIds(), (Ids{2000000011, 2000000012}));
    SelectRowOf(2000000011);
    SelectRowOf(2000000012);
    wxTEST_DIALOG(PressDeleteKey(),
                  ExpectMessage("Do you want to delete the 2 selected items?", wxYES));
    WaitForList();
    EXPECT_TRUE(View().IsSearching());
    EXPECT_EQ(RowIds(), Ids{});
    EXPECT_EQ(Value("select count(*) from assist_scheduleinfo"), "0");
}

// A search that finds many rows shows its first screenful while it reads the rest, then replaces
// it with exactly the whole result.
TEST_F(FindView, ManyFoundRowsShowTheirFirstScreenfulThenExactlyAll) {
    Start();
    View().SetFollowPeriod(std::chrono::hours(1));
    Select(1000000002);
    constexpr int kMany = 1500;
    Database().Execute("with recursive n(i) as (select 1 union all select i + 1 from n where i < " +
                       std::to_string(kMany) +
                       ") insert into assist_contactmaininfo(contact_id,group_id,first_name,"
                       "last_name) select cast(1000000100 + i as text), '1000000002', "
                       "'Manyfold', cast(i as text) from n");
    Ids expected;
    for (int i = 1; i <= kMany; ++i) {
        expected.push_back(1000000100 + i);
    }
    const unsigned long before = List().RowsVersion();
    // The whole word at once: one search. The group's rows go as it begins, then its first
    // screenful is shown, then all of its rows.
    Field().SetValue("manyfold");
    WaitForList();
    EXPECT_EQ(List().RowsVersion() - before, 3u);
    EXPECT_EQ(RowIds(), expected);
    EXPECT_EQ(RowTexts(kMany - 1), (Strings{"Manyfold 1500", "", "", "Family"}));
    EXPECT_EQ(StatusText(), "Found 1500 contacts and 0 schedules");
}

// What another program changes meanwhile: View > Refresh reads the search again, and the look
// for changes to the group's list never puts the group's rows over the found ones.
TEST_F(FindView, ARefreshReadsTheSearchAgainAndNotTheGroupsList) {
    Start();
    View().SetFollowPeriod(std::chrono::hours(1));
    Select(1000000002);
    Type("berg");
    ASSERT_EQ(RowIds(), (Ids{1000000011, 1000000012}));
    Database().Execute(
        "insert into assist_contactmaininfo(contact_id,group_id,first_name,last_name) values"
        " ('1000000021','1000000002','Carl','Berg'),('1000000022','1000000002','Dora','Lund')");
    Menu(kIdRefresh);
    EXPECT_TRUE(View().IsSearching());
    EXPECT_EQ(RowIds(), (Ids{1000000011, 1000000012, 1000000021}));
    EXPECT_EQ(List().GetColumnCount(), 4);
}

}  // namespace
}  // namespace calvendra::testing
