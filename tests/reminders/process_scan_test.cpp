#include <gtest/gtest.h>

#include <ctime>
#include <string>
#include <vector>

#include "reminders/reminder_scan.h"
#include "store/process_connection.h"
#include "tests/reminders/reminder_test_support.h"
#include "tests/support/test_database.h"

namespace calvendra {
namespace {

using testing::LocalText;
using testing::RecordingDelivery;

// The timer's entry point on the system clock: the scan covers the minutes from the first call
// on, so a schedule for the current minute is reminded even if the minute turns meanwhile.
TEST(ProcessWideScan, RemindsFromTheProgramsStartOnceTheConnectionIsThere) {
    testing::TestDatabase database;
    ResetProcessConnection();
    RecordingDelivery delivery;
    SetReminderDelivery(&delivery);
    const std::string now = LocalText(std::time(nullptr), "%H:%M:00");
    database.Execute(
        "insert into assist_scheduleinfo values('2000000002','2000000001','Now','about now',1,3,"
        "'0','','" +
        now + "',1);");

    ScanReminders();
    EXPECT_TRUE(delivery.calls.empty()) << "no connection yet";

    ASSERT_TRUE(CreateProcessConnection().OpenConnection());
    ScanReminders();
    ScanReminders();
    EXPECT_EQ(delivery.calls,
              (std::vector<std::string>{"window Now/about now", "mail Now/about now/2000000002"}));

    SetReminderDelivery(nullptr);
    ResetProcessConnection();
    ScanReminders();
    EXPECT_EQ(delivery.calls.size(), 2u);
}

}  // namespace
}  // namespace calvendra
