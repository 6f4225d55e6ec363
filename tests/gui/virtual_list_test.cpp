// The item list, which holds its rows compactly and reads them on a thread of its own, against
// the list as it was filled before as the reference: the same texts, images and item ids in the
// same order for every kind of group, the selection and the enable flags as before, a fill that
// takes the place of one still away, and a row taken out in place.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include <wx/frame.h>
#include <wx/listctrl.h>
#include <wx/treectrl.h>

#include "app/calvendra_doc.h"
#include "app/main_frame.h"
#include "tests/gui/support/dialog_testing.h"
#include "tests/gui/support/gui_test.h"
#include "tests/gui/support/organizer_fixture.h"
#include "tests/gui/support/previous_list_fill.h"
#include "view/calvendra_view.h"
#include "view/item_list_ctrl.h"

namespace calvendra::testing {
namespace {

// Everything a row shows and carries: its texts in the first `columns`, its image and its item
// id.
std::vector<std::string> RowOf(wxListCtrl& list, int columns, long row, Identifier id) {
    std::vector<std::string> shown;
    for (int column = 0; column < columns; ++column) {
        wxListItem cell;
        cell.SetId(row);
        cell.SetColumn(column);
        cell.SetMask(wxLIST_MASK_TEXT | wxLIST_MASK_IMAGE);
        list.GetItem(cell);
        shown.push_back(cell.GetText().utf8_string() + "|" + std::to_string(cell.GetImage()));
    }
    shown.push_back(std::to_string(id));
    return shown;
}

class VirtualListTest : public OrganizerTest {
protected:
    void SetUp() override {
        OrganizerTest::SetUp();
        std::string rows =
            "begin;"
            "insert into assist_group values('1000000002','Family','1000000001');"
            "insert into assist_group values('2000000002','Work','2000000001');"
            "insert into assist_group values('2000000003','Empty','2000000001');";
        // Contacts with empty and missing names, quotes, a long street of text, and Latin-1
        // bytes that are no UTF-8; schedules of every reminder kind, weekdays out of range, and
        // reminders that are off or a word.
        const char* names[] = {"'Anna','Berg'",  "'Kim','O''Neil'",
                               "'Solo',''",      "NULL,NULL",
                               "'Zoë','Straße'", "'Ren' || cast(x'e9' as text),'X'"};
        const char* reminders[] = {"1,2,'1','','09:30:00'",  "1,1,'0','2005-3-7','09:30:00'",
                                   "1,3,'4','','9:5:0'",     "2,1,'1','2005-3-7','09:30:00'",
                                   "0,2,'9','x','09:30:00'", "1,2,'7','','10:00:00'",
                                   "1,2,'-1','','12:00:00'", "'1x',2,' 3','',NULL"};
        for (int i = 0; i < 300; ++i) {
            rows +=
                "insert into assist_contactmaininfo(contact_id,group_id,first_name,last_name,"
                "home_phone,home_email) values('" +
                std::to_string(1000000010L + i) + "','" + (i % 3 ? "1000000002" : "1000000001") +
                "'," + names[i % 6] + ",'555-" + std::to_string(i) + "'," +
                (i % 4 ? "'p" + std::to_string(i) + "@example.org'" : "NULL") + ");";
            rows += "insert into assist_scheduleinfo values('" + std::to_string(2000000010L + i) +
                    "','" + (i % 2 ? "2000000002" : "2000000001") + "','Subject " +
                    std::to_string(i) + (i % 5 ? "" : " with a ''quote''") + "','text'," +
                    reminders[i % 8] + ",0);";
        }
        Database().Execute(rows + "commit;");
    }

    // The view's list, after selecting the group, against the previous fill of the same group.
    void ExpectTheSameAsBefore(Identifier groupId) {
        const auto& groups =
            IsContactRange(groupId) ? View().ContactGroups() : View().ScheduleGroups();
        const auto select = [&] {
            Tree().SelectItem(groups.at(static_cast<unsigned long>(groupId)));
            WaitForList();
        };
        // The work group holds weekdays that are none, which the user's fill says in a box.
        if (groupId == 2000000002) {
            wxTEST_DIALOG(select(), ExpectMessage("An invalid argument was encountered.", wxOK));
        } else {
            select();
        }

        auto* frame = new wxFrame(nullptr, wxID_ANY, "previous");
        auto* previous =
            new wxListCtrl(frame, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxLC_REPORT);
        for (int column = 0; column < 3; ++column) {
            previous->InsertColumn(column, wxEmptyString);
        }
        const long count = FillThePreviousWay(*previous, Document().Connection(), groupId);
        ASSERT_EQ(List().GetItemCount(), count) << groupId;
        for (long row = 0; row < count; ++row) {
            // The columns the view shows (schedules no longer have an empty third one).
            const int columns = List().GetColumnCount();
            ASSERT_EQ(
                RowOf(List(), columns, row, List().ItemIdAt(row)),
                RowOf(*previous, columns, row, static_cast<Identifier>(previous->GetItemData(row))))
                << "group " << groupId << ", row " << row;
        }
        frame->Destroy();
    }

    CCalvendraDoc& Document() { return *Windows().document; }
};

TEST_F(VirtualListTest, EveryKindOfGroupShowsWhatThePreviousFillShowed) {
    Start();
    for (const Identifier group : {1000000001L, 1000000002L, 2000000002L, 2000000003L}) {
        ExpectTheSameAsBefore(group);
    }
    EXPECT_EQ(View().LastContactId(), 1000000309);
    EXPECT_EQ(View().LastScheduleId(), 2000000309);
}

TEST_F(VirtualListTest, AFillAskedForWhileAnotherIsAwayTakesItsPlace) {
    Start();
    const wxTreeItemId contacts = View().ContactGroups().at(1000000002);
    const wxTreeItemId schedules = View().ScheduleGroups().at(2000000003);
    View().FillList(contacts);
    View().FillList(schedules);
    EXPECT_TRUE(View().IsFillingList());
    WaitForList();
    // Only the last fill shows: the empty group's headings and no row, even after the first
    // fill's rows came back.
    PumpEvents();
    EXPECT_EQ(List().GetItemCount(), 0);
    EXPECT_EQ(Headings(List()), (std::vector<std::string>{"Subject", "Remind Time"}));
}

TEST_F(VirtualListTest, ARowTakenOutMovesTheRowsAfterItAndTheirSelectionUp) {
    Start();
    View().FillList(View().ContactGroups().at(1000000002));
    WaitForList();
    const long count = List().GetItemCount();
    const Identifier third = List().ItemIdAt(2);
    List().SetItemState(3, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
    List().RemoveRow(1);
    EXPECT_EQ(List().GetItemCount(), count - 1);
    EXPECT_EQ(List().ItemIdAt(1), third);
    EXPECT_EQ(List().FindRow(third), 1);
    EXPECT_EQ(List().GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED), 2);
    EXPECT_EQ(List().GetItemText(1, 0), wxString::FromUTF8(std::string(List().Rows().Text(1, 0))));
}

// The rows window is the control's own, found without looking at class names or child order:
// a click on a row there enables the item delete, a click below the rows disables it.
TEST_F(VirtualListTest, ClicksReachTheRowsWindowOfTheList) {
    Start(true);
    ASSERT_TRUE(WaitUntil([&] { return List().IsShownOnScreen(); }));
    wxWindow* rows = List().RowsWindow();
    ASSERT_NE(rows, nullptr);
    EXPECT_NE(rows, &List());
    EXPECT_EQ(rows->GetParent(), &List());
    wxRect first;
    ASSERT_TRUE(List().GetItemRect(0, first));
    wxMouseEvent click(wxEVT_LEFT_UP);
    click.SetPosition(first.GetPosition() + wxPoint(5, first.height / 2));
    click.SetEventObject(rows);
    rows->GetEventHandler()->ProcessEvent(click);
    EXPECT_TRUE(View().ItemDeleteEnabled());
}

}  // namespace
}  // namespace calvendra::testing
