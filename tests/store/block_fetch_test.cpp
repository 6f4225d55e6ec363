// Rows fetched a block at a time, from a snapshot and streamed: values of every length and NULLs
// at the edges of the blocks, and several readers open on one connection across block boundaries
// while statements run.

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "store/db_connection.h"
#include "store/db_result_set.h"
#include "store/row_block.h"
#include "store/row_streaming.h"
#include "store/statements.h"
#include "tests/support/database_test.h"

namespace calvendra {
namespace {

using testing::DatabaseTest;
using testing::Rows;

constexpr int kRowCount = static_cast<int>(RowBlock::kMostRows) * 2 + 89;

std::string ScheduleId(int row) {
    return std::to_string(2000000002L + row);
}

// A subject whose length depends on the row: mostly short, long at the edges of the first
// blocks, and one so long that a whole block of it would pass the block's memory.
std::string SubjectOf(int row) {
    const int last = static_cast<int>(RowBlock::kMostRows) - 1;
    if (row == 0 || row == last || row == last + 1) {
        return std::string(1000 + row, static_cast<char>('a' + row % 26));
    }
    if (row == 300) {
        return std::string(100000, 'q');
    }
    return "Subject " + std::to_string(row);
}

class BlockFetchTest : public DatabaseTest {
protected:
    void SetUp() override {
        DatabaseTest::SetUp();
        if (IsSkipped()) {
            return;
        }
        std::string rows = "begin;";
        for (int row = 0; row < kRowCount; ++row) {
            // NULL text on the last row of a block and every seventh row; a long text too.
            const std::string text = row % 7 == 0 || row == 255 ? "NULL"
                                     : row == 257               ? "'" + std::string(5000, 't') + "'"
                                                  : "'text " + std::to_string(row) + "'";
            rows += "insert into assist_scheduleinfo values('" + ScheduleId(row) +
                    "','2000000001','" + SubjectOf(row) + "'," + text + ",1,3,'" +
                    std::to_string(row % 7) + "','','09:30:00',0);";
        }
        Database().Execute(rows + "commit;");
        ASSERT_TRUE(connection_.OpenConnection());
    }

    // The same rows read without the code under test; NULL as empty.
    Rows Expected() { return Database().Query(statements::SelectSchedulesForScan()); }

    // A connection of its own for each way of reading rows.
    std::unique_ptr<CDBConnection> ConnectionReading(RowReading reading) {
        auto connection = connection_.MakeAnother(reading);
        EXPECT_TRUE(connection->OpenConnection()) << connection->LastError().Text();
        return connection;
    }

    CDBConnection connection_{"Calvendra", "opal", "kelp"};
};

const char* NameOf(RowReading reading) {
    return reading == RowReading::kSnapshot ? "snapshot" : "streamed";
}

// Every column of every row through ReadColumn, and the same through ColumnText.
Rows ReadEverything(CDBResultSet& results, const std::string& query) {
    Rows rows;
    if (!results.OpenQuery(query)) {
        return rows;
    }
    do {
        std::vector<std::string> row;
        std::string value;
        for (int column = 0; column < 10; ++column) {
            EXPECT_TRUE(results.ReadColumn(column, value));
            EXPECT_EQ(results.ColumnText(column), value);
            row.push_back(value);
        }
        rows.push_back(row);
    } while (results.MoveToNext());
    return rows;
}

TEST_P(BlockFetchTest, ValuesOfEveryLengthAndNullsComeBackWholeAcrossBlocks) {
    for (const RowReading reading : {RowReading::kSnapshot, RowReading::kStreamed}) {
        SCOPED_TRACE(NameOf(reading));
        const auto connection = ConnectionReading(reading);
        CDBResultSet results(*connection);
        const Rows read = ReadEverything(results, statements::SelectSchedulesForScan());
        EXPECT_TRUE(results.LastError().Empty()) << results.LastError().Text();
        const Rows expected = Expected();
        ASSERT_EQ(read.size(), static_cast<std::size_t>(kRowCount));
        ASSERT_EQ(read.size(), expected.size());
        for (std::size_t row = 0; row < read.size(); ++row) {
            ASSERT_EQ(read[row], expected[row]) << "row " << row;
        }
        EXPECT_EQ(read[300][2].size(), 100000u);
        EXPECT_EQ(read[257][3].size(), 5000u);
        EXPECT_EQ(read[255][3], "");

        // The same result set, its buffers grown, reads the next query from the start.
        const Rows again = ReadEverything(results, statements::SelectSchedulesForScan());
        EXPECT_EQ(again, expected);
    }
}

TEST_P(BlockFetchTest, ReadersOpenAtOnceKeepTheirOwnRowsAcrossBlocksWhileStatementsRun) {
    for (const RowReading reading : {RowReading::kSnapshot, RowReading::kStreamed}) {
        SCOPED_TRACE(NameOf(reading));
        const auto made = ConnectionReading(reading);
        CDBConnection& connection = *made;
        CDBResultSet outer(connection);
        CDBResultSet inner(connection);
        ASSERT_TRUE(outer.OpenQuery(statements::SelectSchedulesForScan()));
        ASSERT_TRUE(inner.OpenQuery(statements::SelectSchedulesForScan()));
        std::vector<std::string> outerIds;
        std::vector<std::string> innerIds;
        std::string value;
        bool outerHasRow = true;
        bool innerHasRow = true;
        // The two walk at different paces, so that each meets its block ends while the other is in
        // the middle of a block, and statements change the table in between.
        for (int step = 0; outerHasRow || innerHasRow; ++step) {
            if (outerHasRow) {
                ASSERT_TRUE(outer.ReadColumn(0, value));
                outerIds.push_back(value);
                outerHasRow = outer.MoveToNext();
            }
            for (int pace = 0; pace < 3 && innerHasRow; ++pace) {
                ASSERT_TRUE(inner.ReadColumn(0, value));
                innerIds.push_back(value);
                innerHasRow = inner.MoveToNext();
            }
            if (step == 100) {
                // A streamed read may see what its own connection changes while it is open: a
                // streamed connection only reads.
                if (reading == RowReading::kSnapshot) {
                    ASSERT_TRUE(
                        connection.ExecuteStatement(statements::DeleteSchedule(2000000500)));
                }
                CDBResultSet third(connection);
                ASSERT_TRUE(third.OpenQuery(statements::SelectSchedule(2000000600)));
                ASSERT_TRUE(third.ReadColumn(2, value));
                EXPECT_EQ(value, "Subject 598");
            }
        }
        EXPECT_TRUE(outer.LastError().Empty()) << outer.LastError().Text();
        EXPECT_TRUE(inner.LastError().Empty()) << inner.LastError().Text();
        std::vector<std::string> all;
        for (int row = 0; row < kRowCount; ++row) {
            all.push_back(ScheduleId(row));
        }
        // The snapshot's round deleted one row after its readers opened, and before the
        // streamed round opened its own.
        if (reading == RowReading::kStreamed) {
            all.erase(std::find(all.begin(), all.end(), ScheduleId(498)));
        }
        EXPECT_EQ(outerIds, all);
        EXPECT_EQ(innerIds, all);
        EXPECT_EQ(Database().QueryValue("select count(*) from assist_scheduleinfo"),
                  std::to_string(kRowCount - 1));
    }
}

TEST_P(BlockFetchTest, AReaderThatHasRunOutReadsNothingAndMayOpenAgain) {
    CDBResultSet results(connection_);
    ASSERT_TRUE(results.OpenQuery(statements::SelectSchedule(2000000002 + kRowCount - 1)));
    EXPECT_FALSE(results.MoveToNext());
    std::string value = "stale";
    EXPECT_FALSE(results.ReadColumn(0, value));
    EXPECT_EQ(value, "");
    EXPECT_EQ(results.ColumnText(0), "");
    EXPECT_FALSE(results.MoveToNext());
    ASSERT_TRUE(results.OpenQuery(statements::SelectSchedule(2000000002)));
    EXPECT_EQ(results.ColumnText(2), SubjectOf(0));
}

CALVENDRA_FOR_EACH_BACKEND(BlockFetchTest);

}  // namespace
}  // namespace calvendra
