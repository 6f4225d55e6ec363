// The organizer's window when the database cannot serve it: held locked by another program at
// start-up or later, or on a server that went away. It says so instead of looking empty, and fills
// itself once the database answers again.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>

#include <wx/listctrl.h>
#include <wx/treectrl.h>

#include "app/calvendra_doc.h"
#include "tests/gui/support/dialog_testing.h"
#include "tests/gui/support/gui_test.h"
#include "tests/gui/support/organizer_fixture.h"
#include "tests/support/captured_log.h"
#include "tests/support/lock_holder.h"
#include "tests/support/postgres_cluster.h"
#include "view/calvendra_view.h"

namespace calvendra::testing {
namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;
using Rows = std::vector<std::vector<std::string>>;
using Strings = std::vector<std::string>;
using namespace std::chrono_literals;

class UnavailableDatabaseTest : public OrganizerTest {
protected:
    void SetUp() override {
        OrganizerTest::SetUp();
        Database().Execute(
            "insert into assist_group values('1000000002','Family','1000000001');"
            "insert into assist_contactmaininfo(contact_id,group_id,first_name,last_name,"
            "home_phone,home_email) values"
            " ('1000000003','1000000002','Anna','Berg','555-0101','anna@example.org');");
    }

    void SelectFamily() {
        Tree().SelectItem(View().ContactGroups().at(1000000002));
        WaitForList();
    }

    // Reads again, as the view's timer does, until `done` holds; the connection's hold on a
    // busy or lost database passes within seconds. Each reading is waited for before the next.
    bool ReadAgainUntil(const std::function<bool()>& done) {
        return WaitUntil(
            [&] {
                View().ReadAgain();
                WaitForList();
                return done();
            },
            30s);
    }

    static inline const Rows kFamily = {{"Anna Berg", "555-0101", "anna@example.org"}};
};

// Before, start-up sat in the driver's busy wait for as long as the lock was held, and then showed
// a message to click away, which a user started at log-in finds in front of everything. A busy
// database is said in the status bar alone (the test main fails the test on any dialog).
TEST_F(UnavailableDatabaseTest,
       ALockedDatabaseAtStartUpIsSaidInTheStatusBarAndTheWindowFillsLater) {
    auto lock = std::make_unique<LockHolder>(Database());
    const CapturedLog log;
    Start();
    EXPECT_EQ(Tree().GetChildrenCount(Tree().GetRootItem()), 0u);
    EXPECT_THAT(StatusText(), HasSubstr("locked"));
    EXPECT_THAT(StatusText(), StartsWith("The database is busy, held by another program, so the "
                                         "groups cannot be shown: "));
    EXPECT_TRUE(View().IsWaitingForTheDatabase());

    lock.reset();
    ASSERT_TRUE(ReadAgainUntil([&] { return View().ScheduleRootItem().IsOk(); }));
    EXPECT_EQ(ChildTexts(Tree(), Tree().GetRootItem()), (Strings{"All Contacts", "All Schedules"}));
    EXPECT_EQ(Tree().GetSelection(), View().ScheduleRootItem());
    EXPECT_EQ(View().LastContactGroupId(), 1000000002);
    EXPECT_EQ(StatusText(), "");
    EXPECT_FALSE(View().IsWaitingForTheDatabase());
    EXPECT_THAT(log.Text(), HasSubstr("the groups cannot be shown"));
    EXPECT_THAT(log.Text(), ::testing::Not(HasSubstr("Initialize error")));
}

TEST_F(UnavailableDatabaseTest, AListHeldByAnotherProgramSaysSoAndFillsItselfOnceItIsFree) {
    Start();
    {
        const LockHolder lock(Database());
        SelectFamily();
    }
    EXPECT_EQ(List().GetItemCount(), 0);
    EXPECT_EQ(Headings(List()), (Strings{"Name", "Home Phone", "Email"}));
    EXPECT_THAT(StatusText(), StartsWith("The database is busy, held by another program, so the "
                                         "list cannot be shown: "));
    EXPECT_THAT(StatusText(), HasSubstr("locked"));
    EXPECT_TRUE(View().IsWaitingForTheDatabase());

    ASSERT_TRUE(ReadAgainUntil([&] { return List().GetItemCount() > 0; }));
    EXPECT_EQ(ListRows(List()), kFamily);
    EXPECT_EQ(StatusText(), "");
    EXPECT_FALSE(View().IsWaitingForTheDatabase());
}

// A server of the test's own, which it stops and starts again.
class UnreachableServerTest : public UnavailableDatabaseTest {
protected:
    void SetUp() override {
        if (!PostgresAvailable()) {
            GTEST_SKIP() << "no PostgreSQL for this test run: CALVENDRA_TEST_PG_PORT is not set";
        }
        cluster_ = std::make_unique<PostgresCluster>();
        UnavailableDatabaseTest::SetUp();
    }
    void TearDown() override {
        UnavailableDatabaseTest::TearDown();
        cluster_.reset();
    }
    Backend DatabaseBackend() const override { return Backend::kPostgres; }

    std::unique_ptr<PostgresCluster> cluster_;
};

// Before, every list read nothing after the server restarted, and groups looked empty.
TEST_F(UnreachableServerTest, TheListSaysTheDatabaseIsUnreachableAndRefillsWhenItIsBack) {
    Start();
    cluster_->Pause();
    SelectFamily();
    EXPECT_EQ(List().GetItemCount(), 0);
    EXPECT_THAT(StatusText(),
                StartsWith("The database is unreachable, so the list cannot be shown: "));

    cluster_->Resume();
    ASSERT_TRUE(ReadAgainUntil([&] { return List().GetItemCount() > 0; }));
    EXPECT_EQ(ListRows(List()), kFamily);
    EXPECT_EQ(StatusText(), "");
    EXPECT_TRUE(Windows().document->Connection().IsConnected());
}

}  // namespace
}  // namespace calvendra::testing
