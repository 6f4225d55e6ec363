// "Mail Queue..." on a real database: the window lists the queue's mails with their columns, reads
// them again while it is open, and "Send Now" and "Give Up" act on a waiting mail only (the
// latter after its question).
#include <gtest/gtest.h>

#include <wx/button.h>
#include <wx/listctrl.h>
#include <wx/stattext.h>

#include <chrono>
#include <ctime>
#include <string>

#include "app/main_frame.h"
#include "editors/mail_queue_dlg.h"
#include "mail_queue/queued_mail.h"
#include "resources/resource_ids.h"
#include "tests/gui/support/dialog_testing.h"
#include "tests/gui/support/editor_fixture.h"
#include "tests/gui/support/gui_test.h"
#include "tests/gui/support/organizer_fixture.h"

namespace calvendra::testing {
namespace {

constexpr std::chrono::seconds kGenerous{30};

class MailQueueWindowTest : public OrganizerTest {
protected:
    void SetUp() override {
        OrganizerTest::SetUp();
        Database().Execute(
            "insert into assist_contactmaininfo (contact_id, group_id, home_email) values "
            "('1000000002','1000000001','ann@example.org'),"
            "('1000000003','1000000001','bob@example.org')");
        Database().Execute(
            "insert into schedule_contact values ('2000000002','1000000002'),"
            "('2000000002','1000000003')");
    }

    // A row of the queue as an organizer left it.
    void Queue(const std::string& subject, std::time_t due, const std::string& state, int tries,
               std::time_t nextTry, const std::string& reason, std::time_t sentAt = 0,
               const std::string& recipients = "") {
        Database().Execute(
            "insert into mail_queue (schedule_id, due_minute, subject, mail_text, recipients, "
            "state, claimed_by, lease_until, tries, next_try, last_reason, queued_at, sent_at) "
            "values ('2000000002'," +
            std::to_string(due) + ",'" + subject + "','','" + recipients + "','" + state +
            "','',0," + std::to_string(tries) + "," + std::to_string(nextTry) + ",'" + reason +
            "'," + std::to_string(due) + "," + std::to_string(sentAt) + ")");
    }

    CMailQueueDlg& OpenWindow() {
        Windows().frame->ProcessCommand(resources::kIdMailQueue);
        CMailQueueDlg* window = Windows().frame->MailQueueWindow();
        EXPECT_NE(window, nullptr);
        return *window;
    }

    // The window's rows, once it has read the queue again after now.
    std::vector<std::vector<std::string>> RowsAfterNextReading(CMailQueueDlg& window) {
        const int before = window.Readings();
        window.Refresh();
        EXPECT_TRUE(WaitUntil([&] { return window.Readings() > before; }, kGenerous));
        return RowTexts(*window.List());
    }

    static void Click(wxButton* button) { PressButton(*button->GetParent(), button->GetId()); }

    const std::time_t due_ = std::time(nullptr) / 60 * 60 - 3600;
};

TEST_F(MailQueueWindowTest, ListsTheMailsAndActsOnAWaitingOneOnly) {
    Start();
    Queue("Sent", due_ - 120, "sent", 1, due_ - 120, "", due_ - 60, "ann@example.org");
    Queue("Waiting", due_, "waiting", 2, due_ + 7200, "Connection refused");
    CMailQueueDlg& window = OpenWindow();
    auto rows = RowsAfterNextReading(window);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0],
              (std::vector<std::string>{"Waiting", LocalMinuteText(due_), "", "waiting", "2",
                                        LocalMinuteText(due_ + 7200), "Connection refused"}));
    EXPECT_EQ(rows[1],
              (std::vector<std::string>{"Sent", LocalMinuteText(due_ - 120), "ann@example.org",
                                        "sent " + LocalMinuteText(due_ - 60), "1", "", ""}));
    EXPECT_EQ(window.Summary()->GetLabel(), "2 mails, 1 waiting");

    // It follows the queue while it is open: a mail not tried yet shows the attendants it goes
    // to, without one whose address is no mail address or who has none.
    Database().Execute(
        "insert into assist_contactmaininfo (contact_id, group_id, home_email) values "
        "('1000000004','1000000001','carl@example.org> NOTIFY=SUCCESS'),"
        "('1000000005','1000000001','')");
    Database().Execute(
        "insert into schedule_contact values ('2000000002','1000000004'),"
        "('2000000002','1000000005')");
    Queue("New", due_ + 60, "waiting", 0, due_ + 60, "");
    ASSERT_TRUE(WaitUntil([&] { return window.List()->GetItemCount() == 3; }, kGenerous));
    rows = RowsAfterNextReading(window);
    EXPECT_EQ(rows[0][2], "ann@example.org, bob@example.org");

    // A sent mail: nothing to do.
    window.List()->SetItemState(2, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
    EXPECT_FALSE(window.SendNowButton()->IsEnabled());
    EXPECT_FALSE(window.GiveUpButton()->IsEnabled());

    // "Send Now" brings the waiting mail's next try to now.
    window.List()->SetItemState(1, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
    ASSERT_TRUE(window.SendNowButton()->IsEnabled());
    Click(window.SendNowButton());
    ASSERT_TRUE(WaitUntil(
        [&] {
            return std::stol(Database().QueryValue("select next_try from mail_queue where "
                                                   "subject='Waiting'")) <= std::time(nullptr);
        },
        kGenerous));

    // "Give Up" asks first; No keeps the mail, Yes gives it up.
    window.List()->SetItemState(1, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
    wxTEST_DIALOG(Click(window.GiveUpButton()),
                  ExpectMessage("Do you want to give up this mail? It will not be sent.", wxID_NO));
    wxTEST_DIALOG(
        Click(window.GiveUpButton()),
        ExpectMessage("Do you want to give up this mail? It will not be sent.", wxID_YES));
    ASSERT_TRUE(WaitUntil(
        [&] {
            return Database().QueryValue(
                       "select state || '/' || last_reason from mail_queue "
                       "where subject='Waiting'") == "given up/given up by the user";
        },
        kGenerous));
    rows = RowsAfterNextReading(window);
    EXPECT_EQ(rows[1][3], "given up");
    EXPECT_FALSE(window.GiveUpButton()->IsEnabled());

    // The menu brings the one window back rather than opening another.
    EXPECT_EQ(&OpenWindow(), &window);
}

TEST_F(MailQueueWindowTest, ADatabaseWithoutTheQueueSaysSo) {
    Database().Execute("drop table mail_queue");
    Start();
    CMailQueueDlg& window = OpenWindow();
    EXPECT_TRUE(RowsAfterNextReading(window).empty());
    EXPECT_EQ(window.Summary()->GetLabel(),
              "This database has no mail queue: reminder mail is sent once, when it falls due. "
              "The README says how to add the queue.");
}

}  // namespace
}  // namespace calvendra::testing
