// The "Remind Time" column of a special day that repeats, read from both databases.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "store/identifiers.h"
#include "tests/support/connected_database_test.h"
#include "view/list_reading.h"

namespace calvendra::testing {
namespace {

using Strings = std::vector<std::string>;

const ReminderWording kWeekdays{};  // English, the stored forms

class RepeatListTest : public ConnectedDatabaseTest {
protected:
    void SetUp() override {
        ConnectedDatabaseTest::SetUp();
        if (IsSkipped()) {
            return;
        }
        // A yearly birthday, a monthly rent on the 31st stored on 30 April, a rule that another
        // program's change of the date left behind, a rule that is none, and a day without one.
        Database().Execute(
            "insert into assist_scheduleinfo values('2000000011','2000000001','Birthday','',1,1,"
            "'0','2027-6-14','08:00:00',0);"
            "insert into assist_scheduleinfo values('2000000012','2000000001','Rent','',1,1,'0',"
            "'2027-4-30','09:00:00',0);"
            "insert into assist_scheduleinfo values('2000000013','2000000001','Moved','',1,1,'0',"
            "'2027-8-1','10:00:00',0);"
            "insert into assist_scheduleinfo values('2000000014','2000000001','Odd','',1,1,'0',"
            "'2027-6-14','11:00:00',0);"
            "insert into assist_scheduleinfo values('2000000015','2000000001','Once','',1,1,'0',"
            "'2027-6-14','12:00:00',0);"
            "insert into assist_scheduleinfo values('2000000016','2000000001','Weekly','',1,2,'1',"
            "'2027-6-14','13:00:00',0);");
        Database().Execute(
            "insert into schedule_repeat values('2000000011','every year 6-14');"
            "insert into schedule_repeat values('2000000012','every month 31');"
            "insert into schedule_repeat values('2000000013','every year 6-14');"
            "insert into schedule_repeat values('2000000014','every fortnight');"
            "insert into schedule_repeat values('2000000016','every month 14');");
    }

    Strings Listed() {
        const ListReading reading = ReadListRows(connection_, kScheduleBaseGroupId, kWeekdays);
        EXPECT_TRUE(reading.failure.Empty()) << reading.failure.Text();
        Strings texts;
        for (std::size_t row = 0; row < reading.rows.Size(); ++row) {
            texts.emplace_back(reading.rows.Text(row, 1));
        }
        return texts;
    }
};

TEST_P(RepeatListTest, ARepeatingSpecialDayListsItsRule) {
    EXPECT_EQ(Listed(), (Strings{
                            "Reminder at every year 6-14 08:00:00",
                            "Reminder at every month 31 09:00:00",
                            "Reminder at 2027-8-1 10:00:00",
                            "Reminder at 2027-6-14 11:00:00",
                            "Reminder at 2027-6-14 12:00:00",
                            "Reminder at Monday 13:00:00",
                        }));
}

TEST_P(RepeatListTest, ADatabaseWithoutTheTableListsTheDates) {
    Database().Execute("drop table schedule_repeat");
    EXPECT_EQ(Listed(), (Strings{
                            "Reminder at 2027-6-14 08:00:00",
                            "Reminder at 2027-4-30 09:00:00",
                            "Reminder at 2027-8-1 10:00:00",
                            "Reminder at 2027-6-14 11:00:00",
                            "Reminder at 2027-6-14 12:00:00",
                            "Reminder at Monday 13:00:00",
                        }));
}

CALVENDRA_FOR_EACH_BACKEND(RepeatListTest);

}  // namespace
}  // namespace calvendra::testing
