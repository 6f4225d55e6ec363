#pragma once

#include <gtest/gtest.h>

#include "store/db_connection.h"
#include "tests/support/database_test.h"

namespace calvendra::testing {

// A DatabaseTest with the organizer's own connection open on the fresh database, for tests of
// what the organizer reads and writes through it. The test program links the store.
class ConnectedDatabaseTest : public DatabaseTest {
protected:
    void SetUp() override {
        DatabaseTest::SetUp();
        if (IsSkipped()) {
            return;
        }
        ASSERT_TRUE(connection_.OpenConnection()) << connection_.LastError().Text();
    }

    CDBConnection connection_{"Calvendra", "opal", "kelp"};
};

// A ConnectedDatabaseTest on the rows StartingRows() inserts, with a second connection of the
// organizer's on the same database, which plays another user (another organizer, or another
// program) working on the same rows.
class TwoUsersDatabaseTest : public ConnectedDatabaseTest {
protected:
    void SetUp() override {
        ConnectedDatabaseTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) {
            return;
        }
        Database().Execute(StartingRows());
        ASSERT_TRUE(other_.OpenConnection()) << other_.LastError().Text();
    }

    virtual const char* StartingRows() const = 0;

    CDBConnection other_{"Calvendra", "opal", "kelp"};
};

}  // namespace calvendra::testing
