// The organizer while another user changes the same database: a second connection plays the other
// organizer (or another program) between the user's steps, and the real dialogs are answered as
// the user would. Nothing the other user stored is lost without a word, nothing the user did not
// confirm is stored, and every item stays within reach. On SQLite and on PostgreSQL.

#include "tests/gui/view_commands_fixture.h"

#include <wx/uiaction.h>

#include "editors/checked_list_ctrl.h"
#include "editors/contact_list_dlg.h"
#include "editors/remind_set_dlg.h"
#include "resources/resource_ids.h"
#include "resources/strings.h"
#include "store/db_transaction.h"
#include "tests/support/database_test.h"
#include "view/organizer_changes.h"

namespace calvendra::testing {
namespace {

using namespace resources;
using Strings = std::vector<std::string>;
using Ids = std::vector<Identifier>;

constexpr Identifier kAnna = 1000000011;
constexpr Identifier kBen = 1000000012;
constexpr Identifier kSolo = 1000000013;
constexpr Identifier kStandup = 2000000011;
constexpr Identifier kDentist = 2000000012;

constexpr char kContactChanged[] =
    "This contact was changed elsewhere while you edited it. Which version do you want to keep?";
constexpr char kScheduleChanged[] =
    "This schedule was changed elsewhere while you edited it. Which version do you want to keep?";
constexpr char kContactDeleted[] =
    "This contact was deleted elsewhere while you edited it. Do you want to store what you "
    "entered as a new contact?";
constexpr char kScheduleDeleted[] =
    "This schedule was deleted elsewhere while you edited it. Do you want to store what you "
    "entered as a new schedule?";
// The answers to the question about a change made elsewhere.
constexpr int kKeepMine = wxYES;
constexpr int kTakeStored = wxNO;

class ConcurrentChangeTest : public TwoUsersViewTest {
protected:
    // What the other organizer stores over the contact as it reads it.
    void OtherSavesContact(Identifier contactId, std::size_t field, const std::string& value) {
        const std::optional<StoredContact> read = LoadContact(other_, contactId);
        ASSERT_TRUE(read);
        StoredContact edited = *read;
        edited.values[field] = value;
        ASSERT_EQ(SaveEditedContact(other_, contactId, *read, edited).result, SaveResult::kSaved);
    }

    std::string ContactColumn(const std::string& column, Identifier contactId) {
        return Value("select " + column + " from assist_contactmaininfo where contact_id='" +
                     std::to_string(contactId) + "'");
    }

    // What the list shows of a contact: name, phone, e-mail.
    Strings RowOf(Identifier id) {
        const long row = List().FindRow(id);
        return row < 0 ? Strings() : ListRows(List()).at(static_cast<std::size_t>(row));
    }

    // The contact editor: `before` runs first (the other user's turn), then the phone or the city
    // as the user types them, then OK and Yes.
    template <class Before>
    static auto EditContact(Before before, std::size_t field, const std::string& value) {
        return ExpectDialog<CNewContactDlg>([before, field, value](CNewContactDlg* editor) {
            before(*editor);
            editor->Edit(field)->ChangeValue(wxString::FromUTF8(value));
            wxTEST_DIALOG(PressButton(*editor, wxID_OK), ExpectMessage(kSaveQuestion, wxYES));
            return editor->GetReturnCode();
        });
    }
};

// Two users edit Anna: the other changes her phone while this user changes her city. The user is
// asked, with what changed on each side, and each answer does what it says.
TEST_P(ConcurrentChangeTest, AContactChangedElsewhereIsNeverOverwrittenWithoutAsking) {
    Start();
    Select(1000000002);
    const auto noTurn = [](CNewContactDlg&) {};

    // Cancel: nothing of the user's is stored, and the list shows what is.
    wxString details;
    wxTEST_DIALOG(ActivateRow(kAnna),
                  EditContact(
                      [this](CNewContactDlg&) {
                          OtherSavesContact(kAnna, ContactField::kHomePhone, "555-0199");
                      },
                      ContactField::kHomeCity, "Bergen"),
                  ExpectMessage(kContactChanged, wxCANCEL, &details));
    EXPECT_TRUE(details.StartsWith("Changed elsewhere: Phone.\nChanged by you: City.\n\n"))
        << details;
    EXPECT_EQ(ContactColumn("home_phone||'/'||home_city", kAnna), "555-0199/");
    EXPECT_EQ(RowOf(kAnna), (Strings{"Anna Berg", "555-0199", "anna@example.org"}));

    // The stored version: the editor opens again on it, and the user's second try is stored.
    wxTEST_DIALOG(ActivateRow(kAnna),
                  EditContact(
                      [this](CNewContactDlg&) {
                          OtherSavesContact(kAnna, ContactField::kHomePhone, "555-0177");
                      },
                      ContactField::kHomeCity, "Bergen"),
                  ExpectMessage(kContactChanged, kTakeStored),
                  EditContact(
                      [](CNewContactDlg& editor) {
                          EXPECT_EQ(editor.Edit(ContactField::kHomePhone)->GetValue(), "555-0177");
                          EXPECT_EQ(editor.Edit(ContactField::kHomeCity)->GetValue(), "");
                      },
                      ContactField::kHomeCity, "Bergen"));
    EXPECT_EQ(ContactColumn("home_phone||'/'||home_city", kAnna), "555-0177/Bergen");

    // The user's version, over the other's change; the row stays selected.
    wxTEST_DIALOG(ActivateRow(kAnna),
                  EditContact(
                      [this](CNewContactDlg&) {
                          OtherSavesContact(kAnna, ContactField::kHomePhone, "555-0155");
                      },
                      ContactField::kHomeCity, "Oslo"),
                  ExpectMessage(kContactChanged, kKeepMine));
    EXPECT_EQ(ContactColumn("home_phone||'/'||home_city", kAnna), "555-0177/Oslo");
    EXPECT_EQ(RowOf(kAnna), (Strings{"Anna Berg", "555-0177", "anna@example.org"}));
    EXPECT_EQ(SelectedRowIds(), (Ids{kAnna}));

    // Nobody else changed anything: no question.
    wxTEST_DIALOG(ActivateRow(kAnna), EditContact(noTurn, ContactField::kHomeCity, "Turku"));
    EXPECT_EQ(ContactColumn("home_city", kAnna), "Turku");
}

// A schedule's attendants are part of it: the other user adds one while this user changes the
// subject.
TEST_P(ConcurrentChangeTest, AScheduleWhoseAttendantsChangedElsewhereIsAskedAbout) {
    Start();
    Select(2000000002);
    wxString details;
    // The other user gives the schedule these attendants, then this user changes its subject.
    const auto editSubject = [this](Ids theirs) {
        return ExpectDialog<CNewScheduleDlg>([this, theirs](CNewScheduleDlg* editor) {
            const std::optional<StoredSchedule> read = LoadSchedule(other_, kStandup);
            EXPECT_EQ(SaveEditedSchedule(other_, *read, read->groupId, read->values, theirs).result,
                      SaveResult::kSaved);
            editor->SubjectEdit()->ChangeValue("Stand-up");
            wxTEST_DIALOG(PressButton(*editor, wxID_OK), ExpectMessage(kSaveQuestion, wxYES));
            return editor->GetReturnCode();
        });
    };
    wxTEST_DIALOG(ActivateRow(kStandup), editSubject(Ids{kAnna, kSolo}),
                  ExpectMessage(kScheduleChanged, wxCANCEL, &details));
    EXPECT_TRUE(details.StartsWith("Changed elsewhere: Attendants.\nChanged by you: Subject.\n\n"))
        << details;
    EXPECT_EQ(Value("select schedule_subject from assist_scheduleinfo where schedule_id='" +
                    std::to_string(kStandup) + "'"),
              "Standup");
    EXPECT_EQ(Links(kStandup), "1000000011 1000000013 ");

    // Kept: the schedule as this user's editor had it, its attendants included.
    wxTEST_DIALOG(ActivateRow(kStandup), editSubject(Ids{kSolo}),
                  ExpectMessage(kScheduleChanged, kKeepMine));
    EXPECT_EQ(Value("select schedule_subject from assist_scheduleinfo where schedule_id='" +
                    std::to_string(kStandup) + "'"),
              "Stand-up");
    EXPECT_EQ(Links(kStandup), "1000000011 1000000013 ");
}

// Deleted by the other user while this user edits: said, and what was typed goes in as a new
// item only when the user says so.
TEST_P(ConcurrentChangeTest, AnItemDeletedWhileItWasEditedIsOfferedAsANewOne) {
    Start();
    Select(1000000002);
    wxTEST_DIALOG(ActivateRow(kAnna),
                  EditContact(
                      [this](CNewContactDlg&) {
                          ASSERT_TRUE(other_.ExecuteStatement(statements::DeleteContact(kAnna)));
                      },
                      ContactField::kHomePhone, "555-0142"),
                  ExpectMessage(kContactDeleted, wxYES));
    // Above every stored contact id, Anna's attendant link's included.
    const Identifier again = 1000000014;
    EXPECT_EQ(Database().Query("select group_id,first_name,home_phone from assist_contactmaininfo "
                               "where contact_id='" +
                               std::to_string(again) + "'"),
              (Rows{{"1000000002", "Anna", "555-0142"}}));
    EXPECT_EQ(RowIds(), (Ids{again}));
    EXPECT_EQ(SelectedRowIds(), (Ids{again}));
    EXPECT_EQ(View().LastContactId(), again);

    // No: nothing is stored, and the row goes.
    Select(2000000001);
    wxTEST_DIALOG(ActivateRow(kDentist), ExpectDialog<CNewScheduleDlg>([this](CNewScheduleDlg* e) {
                      EXPECT_TRUE(DeleteItems(other_, {kDentist}).Empty());
                      e->SubjectEdit()->ChangeValue("Dentist at nine");
                      wxTEST_DIALOG(PressButton(*e, wxID_OK), ExpectMessage(kSaveQuestion, wxYES));
                      return e->GetReturnCode();
                  }),
                  ExpectMessage(kScheduleDeleted, wxNO));
    EXPECT_EQ(Value("select count(*) from assist_scheduleinfo"), "1");
    EXPECT_EQ(RowIds(), (Ids{kStandup}));
}

// The other user deletes the group in which this user is filing a new contact: the contact goes
// to the base group, and the user is told where.
TEST_P(ConcurrentChangeTest, ANewItemWhoseGroupWasDeletedMeanwhileGoesToTheBaseGroup) {
    Start();
    Select(1000000002);
    Identifier id = 0;
    wxTEST_DIALOG(
        Tool(kIdNewContact), ExpectDialog<CNewContactDlg>([this, &id](CNewContactDlg* e) {
            id = e->ContactId();
            EXPECT_EQ(e->GroupId(), 1000000002);
            EXPECT_TRUE(
                RunAsOneChange(other_, DeleteGroupsChange({1000000002, 1000000003})).Empty());
            e->Edit(ContactField::kFirstName)->ChangeValue("Lena");
            wxTEST_DIALOG(PressButton(*e, wxID_OK), ExpectMessage(kCreateContactQuestion, wxYES));
            return e->GetReturnCode();
        }),
        ExpectMessage("The group \"Family\" was deleted elsewhere meanwhile: the contact "
                      "is stored in \"All Contacts\".",
                      wxOK));
    EXPECT_EQ(ContactGroupOf(id), "1000000001");
    EXPECT_EQ(Value("select count(*) from assist_contactmaininfo where group_id not in "
                    "(select group_id from assist_group)"),
              "0");
    EXPECT_EQ(SelectedGroup(), 1000000001);
    EXPECT_EQ(SelectedRowIds(), (Ids{id}));
}

// Another program deletes the group row of Kids and leaves Ben in it. The item picker of a new
// group and the reminder settings still offer him, under the base group's name, and he can be
// picked.
TEST_P(ConcurrentChangeTest, ItemsWhoseGroupIsMissingStayWithinReachOfThePickers) {
    Database().Execute("delete from assist_group where group_id='1000000003'");
    Start();
    wxTEST_DIALOG(Tool(kIdNewContactGroup), ExpectDialog<CNewGroupDlg>([](CNewGroupDlg* dialog) {
                      wxTEST_DIALOG(PressButton(*dialog, dialog->SelectButton()->GetId()),
                                    ExpectDialog<CContactListDlg>([](CContactListDlg* picker) {
                                        const long row = picker->List()->FindItem(-1, "Ben Berg");
                                        EXPECT_GE(row, 0);
                                        EXPECT_EQ(picker->List()->GetItemText(row, 2),
                                                  "All Contacts");
                                        picker->List()->CheckItem(row, true);
                                        PressButton(*picker, wxID_OK);
                                        return picker->GetReturnCode();
                                    }));
                      dialog->NameEdit()->ChangeValue("Club");
                      PressButton(*dialog, wxID_OK);
                      return dialog->GetReturnCode();
                  }));
    EXPECT_EQ(ContactGroupOf(kBen), "1000000004");

    Database().Execute("delete from assist_group where group_id='1000000004'");
    Select(2000000002);
    wxTEST_DIALOG(ActivateRow(kStandup), ExpectDialog<CNewScheduleDlg>([](CNewScheduleDlg* editor) {
                      wxTEST_DIALOG(PressButton(*editor, editor->RemindSettingButton()->GetId()),
                                    ExpectDialog<CRemindSetDlg>([](CRemindSetDlg* settings) {
                                        CCheckedListCtrl& list = *settings->AttendantList();
                                        const long row = list.FindItem(-1, "Ben Berg");
                                        EXPECT_GE(row, 0);
                                        EXPECT_EQ(list.GetItemText(row, 2), "All Contacts");
                                        list.CheckItem(row, true);
                                        PressButton(*settings, wxID_OK);
                                        return settings->GetReturnCode();
                                    }));
                      wxTEST_DIALOG(PressButton(*editor, wxID_OK),
                                    ExpectMessage(kSaveQuestion, wxYES));
                      return editor->GetReturnCode();
                  }));
    EXPECT_EQ(Links(kStandup), "1000000011 1000000012 ");
}

// A contact made in a new group's editor, then Cancel: the question says where the contact stays,
// and it goes there, out of the group that was never stored. The same when the database refuses
// the group.
TEST_P(ConcurrentChangeTest, ItemsMadeInACancelledGroupEditorGoToTheBaseGroup) {
    Start();
    Select(1000000001);
    Identifier lena = 0;
    wxString details;
    wxTEST_DIALOG(Tool(kIdNewContactGroup),
                  ExpectDialog<CNewGroupDlg>([&lena, &details](CNewGroupDlg* dialog) {
                      wxTEST_DIALOG(PressButton(*dialog, dialog->NewItemButton()->GetId()),
                                    SaveNewContact("Lena", &lena));
                      wxTEST_DIALOG(
                          PressButton(*dialog, wxID_CANCEL),
                          ExpectMessage("Do you want to cancel this new group?", wxYES, &details));
                      return dialog->GetReturnCode();
                  }));
    EXPECT_EQ(details, "1 contact made here stays, in All Contacts.");
    EXPECT_EQ(ContactGroupOf(lena), "1000000001");
    EXPECT_NE(List().FindRow(lena), -1);

    Database().RefuseWhere("assist_group", "insert", "new.group_name = 'Club'");
    Identifier mia = 0;
    wxTEST_DIALOG(Tool(kIdNewContactGroup),
                  ExpectDialog<CNewGroupDlg>([&mia](CNewGroupDlg* dialog) {
                      wxTEST_DIALOG(PressButton(*dialog, dialog->NewItemButton()->GetId()),
                                    SaveNewContact("Mia", &mia));
                      dialog->NameEdit()->ChangeValue("Club");
                      PressButton(*dialog, wxID_OK);
                      return dialog->GetReturnCode();
                  }),
                  ExpectMessage(WithSupportAddress("Insert group error, please contact "), wxOK));
    EXPECT_EQ(ContactGroupOf(mia), "1000000001");
}

// Two users open "New Schedule" and are proposed the same id. The other stores first, with Anna
// as attendant. This user's reminder settings tick nobody, and the schedule is stored under the
// next id with Solo; the other's links stay as they are.
TEST_P(ConcurrentChangeTest, ANewScheduleNeverTakesOverAnotherUsersAttendants) {
    Start();
    Select(2000000001);
    Identifier proposed = 0;
    wxTEST_DIALOG(Tool(kIdNewSchedule),
                  ExpectDialog<CNewScheduleDlg>([this, &proposed](CNewScheduleDlg* editor) {
                      proposed = editor->ScheduleId();
                      ScheduleValues theirs;
                      theirs.subject = "Theirs";
                      EXPECT_EQ(StoreNewSchedule(other_, proposed, 2000000001, theirs, {kAnna}).id,
                                proposed);
                      wxTEST_DIALOG(PressButton(*editor, editor->RemindSettingButton()->GetId()),
                                    ExpectDialog<CRemindSetDlg>([](CRemindSetDlg* settings) {
                                        CCheckedListCtrl& list = *settings->AttendantList();
                                        EXPECT_TRUE(list.CheckedRows().empty());
                                        list.CheckItem(list.FindItem(-1, "Solo"), true);
                                        PressButton(*settings, wxID_OK);
                                        return settings->GetReturnCode();
                                    }));
                      editor->SubjectEdit()->ChangeValue("Mine");
                      wxTEST_DIALOG(PressButton(*editor, wxID_OK),
                                    ExpectMessage(kCreateScheduleQuestion, wxYES));
                      return editor->GetReturnCode();
                  }));
    EXPECT_EQ(proposed, 2000000013);
    EXPECT_EQ(Database().Query("select schedule_id,schedule_subject from assist_scheduleinfo "
                               "where schedule_id > '2000000012' order by schedule_id"),
              (Rows{{"2000000013", "Theirs"}, {"2000000014", "Mine"}}));
    EXPECT_EQ(Links(2000000013), "1000000011 ");
    EXPECT_EQ(Links(2000000014), "1000000013 ");
    EXPECT_EQ(SelectedRowIds(), (Ids{2000000014}));
}

// Three rows selected with a click and a shift-click: the question says how many, and all of them
// go in one change.
TEST_P(ConcurrentChangeTest, EverySelectedRowIsDeletedAfterOneQuestionThatCountsThem) {
    WindowManager manager;
    ASSERT_TRUE(manager.IsRunning());
    Start();
    ASSERT_TRUE(Activate(Frame()));
    Select(1000000001);
    ASSERT_EQ(RowIds(), (Ids{kAnna, kBen, kSolo}));

    wxUIActionSimulator input;
    const auto clickRow = [&](long index) {
        wxRect row;
        ASSERT_TRUE(List().GetItemRect(index, row));
        input.MouseMove(List().ClientToScreen(row.GetPosition() + wxPoint(20, row.height / 2)));
        input.MouseClick();
    };
    clickRow(0);
    ASSERT_TRUE(
        WaitUntil([&] { return SelectedRowIds() == Ids{kAnna}; }, std::chrono::seconds(30)));
    input.KeyDown(WXK_SHIFT);
    clickRow(2);
    input.KeyUp(WXK_SHIFT);
    ASSERT_TRUE(WaitUntil([&] { return SelectedRowIds().size() == 3; }, std::chrono::seconds(30)));

    wxTEST_DIALOG(PressDeleteKey(),
                  ExpectMessage("Do you want to delete the 3 selected items?", wxNO));
    EXPECT_EQ(Value("select count(*) from assist_contactmaininfo"), "3");
    wxTEST_DIALOG(
        {
            input.Char(WXK_DELETE);
            WaitUntil([&] { return RowIds().empty(); }, std::chrono::seconds(30));
        },
        ExpectMessage("Do you want to delete the 3 selected items?", wxYES));
    EXPECT_TRUE(RowIds().empty());
    EXPECT_EQ(Value("select count(*) from assist_contactmaininfo"), "0");

    // Two schedules, one of which the other user deleted already: both go, with their links.
    Select(2000000001);
    ASSERT_TRUE(other_.ExecuteStatement(statements::DeleteSchedule(kDentist)));
    for (Identifier schedule : {kStandup, kDentist}) {
        List().SetItemState(List().FindRow(schedule), wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
    }
    wxTEST_DIALOG(PressDeleteKey(),
                  ExpectMessage("Do you want to delete the 2 selected items?", wxYES));
    EXPECT_TRUE(RowIds().empty());
    EXPECT_EQ(Value("select count(*) from assist_scheduleinfo"), "0");
    EXPECT_EQ(Value("select count(*) from schedule_contact"), "0");
}

INSTANTIATE_TEST_SUITE_P(Backends, ConcurrentChangeTest, ::testing::ValuesIn(AllBackends()),
                         BackendParamName);

}  // namespace
}  // namespace calvendra::testing
