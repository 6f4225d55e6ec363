#pragma once

// What the tests of the form's commands share: an organizer on a small filed database, commands
// chosen from the menu bar or clicked on the toolbar, and the editors answered as a user would.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <wx/button.h>
#include <wx/listctrl.h>
#include <wx/menu.h>
#include <wx/textctrl.h>
#include <wx/toolbar.h>
#include <wx/treectrl.h>

#include "app/main_frame.h"
#include "editors/contact_record.h"
#include "editors/new_contact_dlg.h"
#include "editors/new_group_dlg.h"
#include "editors/new_schedule_dlg.h"
#include "tests/gui/support/dialog_testing.h"
#include "tests/gui/support/editor_fixture.h"
#include "tests/gui/support/gui_test.h"
#include "tests/gui/support/organizer_fixture.h"
#include "view/calvendra_view.h"

namespace calvendra::testing {

inline constexpr char kCreateContactQuestion[] =
    "Do you want to create this new contact and insert into the selected group?";
inline constexpr char kCreateScheduleQuestion[] =
    "Do you want to create this new schedule and insert into the selected group?";
inline constexpr char kSaveQuestion[] = "Do you want to save all you changed?";

// Family (1000000002) with Kids (1000000003) below it, and Work (2000000002). Anna is in Family,
// Ben in Kids, Solo in the contact base group; the weekly Standup is in Work with Anna as its
// attendant, the Dentist in the schedule base group.
inline constexpr char kFiledRows[] =
    "insert into assist_group values('1000000002','Family','1000000001');"
    "insert into assist_group values('1000000003','Kids','1000000002');"
    "insert into assist_group values('2000000002','Work','2000000001');"
    "insert into assist_contactmaininfo(contact_id,group_id,first_name,last_name,home_phone,"
    "home_email) values"
    " ('1000000011','1000000002','Anna','Berg','555-0101','anna@example.org'),"
    " ('1000000012','1000000003','Ben','Berg','',''),"
    " ('1000000013','1000000001','Solo','','','');"
    "insert into assist_scheduleinfo values"
    " ('2000000011','2000000002','Standup','Daily, short',1,2,'1','','09:30:00',1),"
    " ('2000000012','2000000001','Dentist','Bring the card',0,3,'0','','',0);"
    "insert into schedule_contact values('2000000011','1000000011');";

class ViewCommandsTest : public OrganizerTest {
protected:
    void SetUp() override {
        OrganizerTest::SetUp();
        Database().Execute(kFiledRows);
    }

    CMainFrame& Frame() { return *Windows().frame; }

    bool MenuEnabled(int id) {
        Frame().GetMenuBar()->UpdateMenus();
        return Frame().GetMenuBar()->IsEnabled(id);
    }

    // A command chosen from the menu bar, which offers it only while it is enabled.
    void Menu(int id) {
        ASSERT_TRUE(MenuEnabled(id)) << id;
        Frame().ProcessCommand(id);
        WaitForList();
    }

    // A click on a toolbar button.
    void Tool(int id) {
        wxToolBar* bar = Frame().GetToolBar();
        wxCommandEvent click(wxEVT_TOOL, id);
        click.SetEventObject(bar);
        bar->ProcessWindowEvent(click);
        WaitForList();
    }

    void Select(Identifier groupId) {
        const auto& groups =
            groupId < 2000000000 ? View().ContactGroups() : View().ScheduleGroups();
        Tree().SelectItem(groups.at(static_cast<unsigned long>(groupId)));
        WaitForList();
    }

    Identifier SelectedGroup() { return View().GroupIdOf(Tree().GetSelection()); }

    // The Delete key in the list, handled before this returns.
    void PressDeleteKey() {
        wxWindow& rows = *List().RowsWindow();
        wxKeyEvent key(wxEVT_KEY_DOWN);
        key.m_keyCode = WXK_DELETE;
        key.SetEventObject(&rows);
        rows.ProcessWindowEvent(key);
        WaitForList();
    }

    // What the list sends for a double click on a row, or Enter.
    void ActivateRow(Identifier id) {
        wxListEvent activated(wxEVT_LIST_ITEM_ACTIVATED, List().GetId());
        activated.SetEventObject(&List());
        activated.m_itemIndex = List().FindRow(id);
        ASSERT_GE(activated.m_itemIndex, 0) << id;
        List().ProcessWindowEvent(activated);
        WaitForList();
    }

    // The ids of the list's rows, and of the selected ones.
    std::vector<Identifier> RowIds() {
        std::vector<Identifier> ids;
        for (long row = 0; row < List().GetItemCount(); ++row) {
            ids.push_back(List().ItemIdAt(row));
        }
        return ids;
    }
    std::vector<Identifier> SelectedRowIds() {
        std::vector<Identifier> ids;
        for (long row = List().GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED); row >= 0;
             row = List().GetNextItem(row, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED)) {
            ids.push_back(List().ItemIdAt(row));
        }
        return ids;
    }

    std::string Value(const std::string& sql) { return Database().QueryValue(sql); }
    std::string ContactGroupOf(Identifier contactId) {
        return Value("select group_id from assist_contactmaininfo where contact_id='" +
                     std::to_string(contactId) + "'");
    }
    std::string Links(Identifier scheduleId) {
        std::string ids;
        for (const auto& row :
             Database().Query("select contact_id from schedule_contact where schedule_id='" +
                              std::to_string(scheduleId) + "' order by contact_id")) {
            ids += row.at(0) + " ";
        }
        return ids;
    }

    // The contact editor, checked to be given `id`, filled with a first name and saved.
    static auto SaveNewContact(const std::string& firstName, Identifier* id = nullptr) {
        return ExpectDialog<CNewContactDlg>([firstName, id](CNewContactDlg* editor) {
            if (id != nullptr) {
                *id = editor->ContactId();
            }
            editor->Edit(ContactField::kFirstName)->ChangeValue(wxString::FromUTF8(firstName));
            wxTEST_DIALOG(PressButton(*editor, wxID_OK),
                          ExpectMessage(kCreateContactQuestion, wxYES));
            return editor->GetReturnCode();
        });
    }

    // The group editor, named and saved with nothing more.
    static auto SaveNewGroup(const std::string& name) {
        return ExpectDialog<CNewGroupDlg>([name](CNewGroupDlg* dialog) {
            dialog->NameEdit()->ChangeValue(wxString::FromUTF8(name));
            PressButton(*dialog, wxID_OK);
            return dialog->GetReturnCode();
        });
    }

    // Builds the window set again on the same database, as a new start of the program does.
    void Restart() {
        Frame().Destroy();
        PumpEvents();
        Start();
    }
};

// The same on SQLite and on PostgreSQL, with a second connection of the organizer's that plays
// another organizer on the same database. The PostgreSQL run is skipped, visibly, when the test
// run started no cluster.
class TwoUsersViewTest : public ViewCommandsTest, public ::testing::WithParamInterface<Backend> {
protected:
    void SetUp() override {
        if (GetParam() == Backend::kPostgres &&
            (!PostgresAvailable() || !TestDatabase::CanUse(Backend::kPostgres))) {
            GTEST_SKIP() << "no PostgreSQL for this process: CALVENDRA_TEST_PG_PORT is not set, "
                            "or the process used SQLite already";
        }
        ViewCommandsTest::SetUp();
        ASSERT_TRUE(other_.OpenConnection()) << other_.LastError().Text();
    }
    Backend DatabaseBackend() const override { return GetParam(); }

    CDBConnection other_{"Calvendra", "opal", "kelp"};
};

}  // namespace calvendra::testing
