// Walking the rows of a query with QueryRows, and reading them by the positions the catalogue
// names.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "store/db_connection.h"
#include "store/db_result_set.h"
#include "store/query_rows.h"
#include "store/statement_catalogue.h"
#include "store/statements.h"
#include "tests/support/database_test.h"

namespace calvendra {
namespace {

using testing::DatabaseTest;
using Column = catalogue::ScheduleColumns;

class QueryRowsTest : public DatabaseTest {
protected:
    void SetUp() override {
        DatabaseTest::SetUp();
        if (IsSkipped()) {
            return;
        }
        Database().Execute(
            "insert into assist_scheduleinfo values('2000000003','2000000001','Second','b',1,2,"
            "'3','','09:30:00',1);"
            "insert into assist_scheduleinfo values('2000000002','2000000001','First','a',1,"
            "NULL,' 4x','2005-3-7',NULL,2);"
            "insert into assist_scheduleinfo values('2000000004','2000000001','Third','c',0,3,"
            "'0','','',0);");
        ASSERT_TRUE(connection_.OpenConnection());
    }

    CDBConnection connection_{"Calvendra", "opal", "kelp"};
};

TEST_P(QueryRowsTest, EveryRowInTheQuerysOrderReadTheOrganizersWay) {
    CDBResultSet results(connection_);
    std::vector<std::string> seen;
    for (const ResultRow& row : QueryRows(results, statements::SelectSchedulesForScan())) {
        seen.push_back(std::to_string(row.Id(Column::kScheduleId)) + " " +
                       row.Text(Column::kSubject) +
                       " remind=" + std::to_string(row.Int(Column::kRemind)) +
                       " type=" + std::to_string(row.Long(Column::kRemindType)) +
                       " week=" + std::to_string(row.Int(Column::kRemindWeek)) +
                       " time=" + row.Text(Column::kRemindTime) +
                       " mail=" + (row.Flag(Column::kEmailRemind) ? "on" : "off"));
    }
    EXPECT_EQ(seen, (std::vector<std::string>{
                        // NULL reads as empty or 0, leading digits count, only 1 is on.
                        "2000000002 First remind=1 type=0 week=4 time= mail=off",
                        "2000000003 Second remind=1 type=2 week=3 time=09:30:00 mail=on",
                        "2000000004 Third remind=0 type=3 week=0 time= mail=off",
                    }));
    EXPECT_TRUE(results.LastError().Empty());
}

TEST_P(QueryRowsTest, NoRowsAndAFailedQueryWalkNothingAndOnlyTheFailureHasAReason) {
    CDBResultSet results(connection_);
    int rows = 0;
    for (const ResultRow& row :
         QueryRows(results, statements::SelectSchedulesOfGroup(2000000077))) {
        (void)row;
        ++rows;
    }
    EXPECT_EQ(rows, 0);
    EXPECT_TRUE(results.LastError().Empty());

    for (const ResultRow& row : QueryRows(results, "select schedule_id from nowhere")) {
        (void)row;
        ++rows;
    }
    EXPECT_EQ(rows, 0);
    EXPECT_FALSE(results.LastError().Empty());
}

TEST_P(QueryRowsTest, BreakingOffLeavesTheRestUnreadAndTheResultSetFreeForTheNextQuery) {
    CDBResultSet results(connection_);
    std::vector<Identifier> ids;
    for (const ResultRow& row : QueryRows(results, statements::SelectAllSchedules())) {
        ids.push_back(row.Id(catalogue::ScheduleListColumns::kScheduleId));
        if (ids.size() == 2) {
            break;
        }
    }
    EXPECT_EQ(ids, (std::vector<Identifier>{2000000002, 2000000003}));
    ids.clear();
    for (const ResultRow& row : QueryRows(results, statements::SelectScheduleGroupTree())) {
        ids.push_back(row.Id(catalogue::GroupTreeColumns::kGroupId));
    }
    EXPECT_EQ(ids, (std::vector<Identifier>{2000000001}));
}

CALVENDRA_FOR_EACH_BACKEND(QueryRowsTest);

}  // namespace
}  // namespace calvendra
