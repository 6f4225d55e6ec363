// Work on one thread is stopped from another: PostgreSQL's driver stops a statement while it
// executes or hands out rows, SQLite's, which must never be cancelled from another thread, before
// the next block of rows; work cancelled before its statement never runs it; the connection
// stays usable afterwards. Which drivers are cancelled in place is decided by their own names.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <future>
#include <memory>
#include <string>
#include <thread>
#include <utility>

#include "store/db_connection.h"
#include "store/db_result_set.h"
#include "store/query_rows.h"
#include "store/row_streaming.h"
#include "store/statement_cancellation.h"
#include "tests/support/connected_database_test.h"
#include "tests/support/wait_for.h"

namespace calvendra {
namespace {

using testing::Backend;

// Far longer than any test may take: only a cancellation ends these in time.
std::string LongStatementWithoutRows(Backend backend) {
    return backend == Backend::kPostgres
               ? "select pg_sleep(3600)"
               : "with recursive n(i) as (select 1 union all select i + 1 from n"
                 " where i < 100000000000) select count(*) from n";
}

// Rows come at once, then the scan runs on without end; read forward it stops only when cancelled.
std::string LongStatementWithRows(Backend backend) {
    return backend == Backend::kPostgres
               ? "select i from generate_series(1, 100000) as i union all"
                 " select 0 from pg_sleep(3600)"
               : "with recursive n(i) as (select 1 union all select i + 1 from n"
                 " where i < 100000000000) select i from n where i < 100000 or i % 1000000007 = 0";
}

// Generous: the statement stops within moments; this bound is only for a driver that never does.
constexpr std::chrono::seconds kBound{120};

bool WaitFor(const std::function<bool()>& condition, const std::function<void()>& meanwhile = {}) {
    return testing::WaitFor(condition, kBound, meanwhile);
}

class FindStatementCancellation : public testing::ConnectedDatabaseTest {
protected:
    // The answer of a short statement on the connection: it still serves.
    static void ExpectServes(CDBConnection& connection) {
        CDBResultSet results(connection);
        ASSERT_TRUE(results.OpenQuery("select 41 + 1")) << results.LastError().Text();
        EXPECT_EQ(results.ColumnText(0), "42");
    }
};

TEST(FindCancellingDrivers, OnlyPostgresqlsDriverIsCancelledFromAnotherThread) {
    const struct {
        const char* driverName;
        bool cancelled;
    } cases[] = {
        {"psqlodbcw.so", true},
        {"psqlodbca.so", true},
        {"/usr/lib/x86_64-linux-gnu/odbc/psqlodbcw.so", true},
        // SQLite's driver frees the statement's data on the cancelling thread.
        {"sqlite3odbc.so", false},
        {"libsqlite3odbc.so", false},
        {"/opt/psql/odbc/sqlite3odbc.so", false},
        {"", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DriverNamedCancelsFromAnotherThread(c.driverName), c.cancelled) << c.driverName;
    }
}

TEST_P(FindStatementCancellation, TheDriversOwnNameDecides) {
    EXPECT_EQ(DriverCancelsFromAnotherThread(connection_.ConnectionHandle()),
              GetParam() == Backend::kPostgres);
}

TEST_P(FindStatementCancellation, AStatementStillExecutingStopsWhereTheDriverAllows) {
    if (GetParam() != Backend::kPostgres) {
        GTEST_SKIP() << "SQLite's driver is never cancelled while its statement runs";
    }
    for (const RowReading reading : {RowReading::kStreamed, RowReading::kSnapshot}) {
        for (const bool withRows : {false, true}) {
            SCOPED_TRACE(std::string(reading == RowReading::kStreamed ? "streamed" : "snapshot") +
                         (withRows ? ", while rows come" : ", before the first row"));
            if (withRows && reading == RowReading::kSnapshot) {
                continue;  // a snapshot has every row before the first one is handed out
            }
            std::unique_ptr<CDBConnection> connection = connection_.MakeAnother(reading);
            ASSERT_TRUE(connection->OpenConnection()) << connection->LastError().Text();
            StatementCancellation cancellation;
            std::atomic<long> rowsRead{0};
            auto reader = std::async(std::launch::async, [&] {
                CDBResultSet results(*connection);
                results.CancelWith(cancellation);
                const std::string statement = withRows ? LongStatementWithRows(GetParam())
                                                       : LongStatementWithoutRows(GetParam());
                for (const ResultRow& row : QueryRows(results, statement)) {
                    static_cast<void>(row);
                    ++rowsRead;
                }
                return results.LastError();
            });
            ASSERT_TRUE(WaitFor([&] { return cancellation.Running(); }));
            if (withRows) {
                ASSERT_TRUE(WaitFor([&] { return rowsRead > 0; }));
            }
            // Again while it runs on: a cancel at the very moment a call begins may find nothing
            // to stop.
            cancellation.Cancel();
            ASSERT_TRUE(WaitFor(
                [&] {
                    return reader.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
                },
                [&] { cancellation.Cancel(); }))
                << "the statement went on after it was cancelled";
            const OdbcDiagnostic stopped = reader.get();
            EXPECT_EQ(stopped.sqlState, "HY008") << stopped.Text();
            EXPECT_FALSE(cancellation.Running());
            ExpectServes(*connection);
            ExpectServes(*connection);
        }
    }
}

TEST_P(FindStatementCancellation, AStatementHandingOutRowsStopsBeforeItsNextBlock) {
    std::unique_ptr<CDBConnection> connection = connection_.MakeAnother(RowReading::kStreamed);
    ASSERT_TRUE(connection->OpenConnection()) << connection->LastError().Text();
    constexpr long kRows = 1000000;
    StatementCancellation cancellation;
    std::atomic<bool> firstRowRead{false};
    auto reader = std::async(std::launch::async, [&] {
        CDBResultSet results(*connection);
        results.CancelWith(cancellation);
        long rows = 0;
        const std::string statement =
            "with recursive n(i) as (select 1 union all select i + 1 from n where i < " +
            std::to_string(kRows) + ") select i from n";
        for (const ResultRow& row : QueryRows(results, statement)) {
            static_cast<void>(row);
            if (++rows == 1) {
                // The cancellation comes while the statement is open with its rows half read.
                firstRowRead = true;
                WaitFor([&] { return cancellation.Cancelled(); });
            }
        }
        return std::make_pair(rows, results.LastError());
    });
    ASSERT_TRUE(WaitFor([&] { return firstRowRead.load(); }));
    cancellation.Cancel();
    const auto [rows, stopped] = reader.get();
    EXPECT_EQ(stopped.sqlState, "HY008") << stopped.Text();
    EXPECT_LT(rows, kRows);
    EXPECT_FALSE(cancellation.Running());
    ExpectServes(*connection);
}

// The window thread's way: the token is cancelled before the call returns, and the driver's cancel
// request, a new connection to a PostgreSQL server, is sent from a thread of its own.
TEST_P(FindStatementCancellation, CancellingWithoutWaitingCancelsAtOnceAndStopsTheStatement) {
    std::unique_ptr<CDBConnection> connection = connection_.MakeAnother(RowReading::kStreamed);
    ASSERT_TRUE(connection->OpenConnection()) << connection->LastError().Text();
    const auto cancellation = std::make_shared<StatementCancellation>();
    std::atomic<bool> firstRowRead{false};
    auto reader = std::async(std::launch::async, [&] {
        CDBResultSet results(*connection);
        results.CancelWith(*cancellation);
        for (const ResultRow& row : QueryRows(results, LongStatementWithRows(GetParam()))) {
            static_cast<void>(row);
            if (!firstRowRead) {
                firstRowRead = true;
                WaitFor([&] { return cancellation->Cancelled(); });
            }
        }
        return results.LastError();
    });
    ASSERT_TRUE(WaitFor([&] { return firstRowRead.load(); }));
    ASSERT_TRUE(cancellation->Running());
    CancelWithoutWaiting(cancellation);
    EXPECT_TRUE(cancellation->Cancelled());
    ASSERT_TRUE(WaitFor([&] {
        return reader.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
    })) << "the statement went on after it was cancelled";
    const OdbcDiagnostic stopped = reader.get();
    EXPECT_EQ(stopped.sqlState, "HY008") << stopped.Text();
    EXPECT_FALSE(cancellation->Running());
    ExpectServes(*connection);
    ExpectServes(*connection);
}

TEST_P(FindStatementCancellation, WorkCancelledBeforeItsStatementNeverRunsIt) {
    StatementCancellation cancellation;
    cancellation.Cancel();
    CDBResultSet results(connection_);
    results.CancelWith(cancellation);
    EXPECT_FALSE(results.OpenQuery(LongStatementWithoutRows(GetParam())));
    EXPECT_EQ(results.LastError().sqlState, "HY008");
    EXPECT_FALSE(cancellation.Running());

    // Another token leaves the connection as it was.
    StatementCancellation untouched;
    CDBResultSet more(connection_);
    more.CancelWith(untouched);
    ASSERT_TRUE(more.OpenQuery("select 41 + 1")) << more.LastError().Text();
    EXPECT_EQ(more.ColumnText(0), "42");
}

CALVENDRA_FOR_EACH_BACKEND(FindStatementCancellation);

}  // namespace
}  // namespace calvendra
