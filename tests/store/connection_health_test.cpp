// When the connection may be used again after the database failed it, on a clock the test moves,
// and which failures say what about the database.

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "store/connection_health.h"
#include "store/odbc_diagnostic.h"

namespace calvendra {
namespace {

using std::chrono::milliseconds;
using std::chrono::seconds;
using TimePoint = std::chrono::steady_clock::time_point;

OdbcDiagnostic Failure(FailureKind kind, const char* message = "failed") {
    OdbcDiagnostic failure{"HY000", 1, message};
    failure.kind = kind;
    return failure;
}

class ConnectionHealthTest : public ::testing::Test {
protected:
    // Whether a use at `at` after the start may go to the driver.
    bool MayUseAfter(milliseconds at) {
        now_ = TimePoint() + at;
        return health_.HeldBackBy() == nullptr;
    }

    TimePoint now_;
    ConnectionHealth health_{[this] { return now_; }};
};

TEST_F(ConnectionHealthTest, ABusyDatabaseHoldsTheConnectionBackForAMomentWithItsReason) {
    health_.NoteFailure(Failure(FailureKind::kBusy, "database is locked"));
    ASSERT_NE(health_.HeldBackBy(), nullptr);
    EXPECT_EQ(health_.HeldBackBy()->message, "database is locked");
    EXPECT_FALSE(health_.MustReopen());
    EXPECT_FALSE(MayUseAfter(ConnectionHealth::kBusyHold - milliseconds(1)));
    EXPECT_TRUE(MayUseAfter(ConnectionHealth::kBusyHold));
}

TEST_F(ConnectionHealthTest, AFailureThatSaysNothingAboutTheDatabaseChangesNothing) {
    health_.NoteFailure(Failure(FailureKind::kOther, "no such table"));
    EXPECT_TRUE(MayUseAfter(milliseconds(0)));
    EXPECT_FALSE(health_.MustReopen());
}

TEST_F(ConnectionHealthTest, ALostConnectionIsReopenedAtOnceAndThenAfterADoublingBackOff) {
    health_.NoteFailure(Failure(FailureKind::kUnreachable));
    EXPECT_TRUE(health_.MustReopen());
    EXPECT_TRUE(MayUseAfter(milliseconds(0)));

    // Each failed reopening waits twice as long before the next, up to half a minute.
    const std::vector<long> expected = {1000, 2000, 4000, 8000, 16000, 30000, 30000};
    milliseconds at(0);
    for (const long backOff : expected) {
        health_.NoteOpenFailure(Failure(FailureKind::kUnreachable, "connection refused"));
        EXPECT_FALSE(MayUseAfter(at + milliseconds(backOff - 1))) << backOff;
        EXPECT_EQ(health_.HeldBackBy()->message, "connection refused");
        at += milliseconds(backOff);
        EXPECT_TRUE(MayUseAfter(at)) << backOff;
        EXPECT_TRUE(health_.MustReopen());
    }

    // Once it opens, the next loss starts over at a second.
    health_.NoteSuccess();
    EXPECT_FALSE(health_.MustReopen());
    health_.NoteOpenFailure(Failure(FailureKind::kUnreachable));
    EXPECT_FALSE(MayUseAfter(at + milliseconds(999)));
    EXPECT_TRUE(MayUseAfter(at + seconds(1)));
}

struct KindCase {
    const char* state;
    long native;
    const char* message;
    FailureKind kind;
};

TEST(KindOfFailure, TellsLostConnectionsAndHeldLocksFromOtherFailures) {
    const KindCase cases[] = {
        {"08S01", 35, "SQLExecDirect unable due to the connection lost", FailureKind::kUnreachable},
        {"08001", 101, "could not connect to server: Connection refused",
         FailureKind::kUnreachable},
        {"57P01", 35, "FATAL: terminating connection due to administrator command",
         FailureKind::kUnreachable},
        {"57P02", 35, "FATAL: terminating connection due to crash of another server process",
         FailureKind::kUnreachable},
        {"57P03", 101, "FATAL: the database system is starting up", FailureKind::kUnreachable},
        {"HYT01", 0, "Connection timeout expired", FailureKind::kBusy},
        {"55P03", 1, "ERROR: canceling statement due to lock timeout", FailureKind::kBusy},
        {"57014", 1, "ERROR: canceling statement due to statement timeout", FailureKind::kBusy},
        {"40P01", 1, "ERROR: deadlock detected", FailureKind::kBusy},
        {"HYT00", 0, "Timeout expired", FailureKind::kBusy},
        {"HY000", 5, "[SQLite]database is locked (5)", FailureKind::kBusy},
        {"HY000", 6, "[SQLite]database table is locked (6)", FailureKind::kBusy},
        // The same native codes without a lock in the message are some other driver's.
        {"HY000", 5, "invalid column number", FailureKind::kOther},
        {"HY000", 1, "[SQLite]no such table: nowhere (1)", FailureKind::kOther},
        {"42P01", 1, "ERROR: relation \"nowhere\" does not exist", FailureKind::kOther},
        {"IM002", 0, "Data source name not found", FailureKind::kOther},
        {"", 0, "not connected to the database", FailureKind::kOther},
    };
    for (const KindCase& c : cases) {
        EXPECT_EQ(KindOfFailure(c.state, c.native, c.message), c.kind)
            << c.state << " " << c.message;
    }
}

}  // namespace
}  // namespace calvendra
