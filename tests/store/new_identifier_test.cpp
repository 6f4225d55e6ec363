// The ids of new rows: above every stored id of their kind, within their kind's range, and one more
// try above an id that another organizer on the same database took meanwhile.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "store/db_connection.h"
#include "store/new_identifier.h"
#include "store/statements.h"
#include "tests/support/connected_database_test.h"

namespace calvendra {
namespace {

class NewIdentifierTest : public testing::ConnectedDatabaseTest {
protected:
    Identifier Highest(IdKind kind) {
        OdbcDiagnostic failure;
        const std::optional<Identifier> highest = ReadHighestStoredId(connection_, kind, failure);
        EXPECT_TRUE(highest) << failure.Text();
        return highest.value_or(0);
    }

    // Stores a contact under the id it is given, as the view's insert does.
    OdbcDiagnostic InsertContact(CDBConnection& connection, Identifier id) {
        statements::ContactFields fields;
        fields[0] = "Contact " + std::to_string(id);
        if (connection.ExecuteStatement(statements::InsertContact(id, 1000000001, fields))) {
            return {};
        }
        return connection.LastError();
    }
};

TEST_P(NewIdentifierTest, TheHighestStoredIdCountsEveryPlaceThatNamesOneOfTheKind) {
    EXPECT_EQ(Highest(IdKind::kContact), 1000000000);
    EXPECT_EQ(Highest(IdKind::kContactGroup), 1000000001);
    EXPECT_EQ(Highest(IdKind::kSchedule), 2000000000);
    EXPECT_EQ(Highest(IdKind::kScheduleGroup), 2000000001);

    Database().Execute(
        // A group whose parent was deleted, and contacts left in a group that was never saved.
        "insert into assist_group values('1000000004','Orphan','1000000006');"
        "insert into assist_contactmaininfo(contact_id,group_id) values('1000000003','1000000008');"
        // The attendant link of a contact that was deleted.
        "insert into schedule_contact values('2000000003','1000000020');"
        // Links of a deleted schedule do not count: a new schedule clears them.
        "insert into schedule_contact values('2000000030','1000000003');"
        "insert into assist_scheduleinfo(schedule_id,group_id) values('2000000009','2000000005');"
        // Ids of no kind's form: too long, of another range, too short.
        "insert into assist_contactmaininfo(contact_id,group_id) "
        "values('19999999999','1000000001');"
        "insert into assist_contactmaininfo(contact_id,group_id) values('3000000000','1000000001');"
        "insert into assist_group values('15','Short','0');");
    EXPECT_EQ(Highest(IdKind::kContact), 1000000020);
    EXPECT_EQ(Highest(IdKind::kContactGroup), 1000000008);
    EXPECT_EQ(Highest(IdKind::kSchedule), 2000000009);
    EXPECT_EQ(Highest(IdKind::kScheduleGroup), 2000000005);
}

TEST_P(NewIdentifierTest, ANewIdIsAboveTheCounterAndTheStoredIdsAndWithinTheRange) {
    Database().Execute(
        "insert into assist_contactmaininfo(contact_id,group_id) values('1000000050','1000000001');"
        "insert into assist_scheduleinfo(schedule_id,group_id) values('2999999999','2000000001');");
    struct Case {
        IdKind kind;
        Identifier counter;
        std::optional<Identifier> expected;
    };
    const Case cases[] = {
        {IdKind::kContact, 1000000000, 1000000051},  // the stored ids decide
        {IdKind::kContact, 1000000070, 1000000071},  // this run handed out more
        {IdKind::kContact, 3000000005, 1000000051},  // a counter of another range does not count
        {IdKind::kContact, 1999999999, std::nullopt},  {IdKind::kContactGroup, 0, 1000000002},
        {IdKind::kSchedule, 2000000000, std::nullopt},  // the stored 2999999999 was the last
        {IdKind::kScheduleGroup, 0, 2000000002},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(NextNewId(connection_, c.kind, c.counter), c.expected)
            << NameOf(c.kind) << " after " << c.counter;
    }
    EXPECT_EQ(IdAfter(IdKind::kSchedule, 0), 2000000001);
    EXPECT_EQ(IdAfter(IdKind::kSchedule, 2999999998), 2999999999);
    EXPECT_EQ(IdAfter(IdKind::kSchedule, 2999999999), std::nullopt);
    EXPECT_NE(RangeUsedUpText(IdKind::kSchedule).find("2000000001 to 2999999999"),
              std::string::npos);
}

// Another organizer on the same database stores a contact under the id this one proposed, after
// this one chose it and before it stores: the new contact goes to the next free id.
TEST_P(NewIdentifierTest, AnIdTakenMeanwhileIsMetWithOneMoreTryAboveIt) {
    CDBConnection other("Calvendra", "opal", "kelp");
    ASSERT_TRUE(other.OpenConnection());
    std::vector<Identifier> tried;
    const NewRowOutcome stored =
        StoreNewRow(connection_, IdKind::kContact, 1000000002, [&](Identifier id) {
            if (tried.empty()) {
                EXPECT_TRUE(InsertContact(other, id).Empty());
            }
            tried.push_back(id);
            return InsertContact(connection_, id);
        });
    EXPECT_EQ(tried, (std::vector<Identifier>{1000000002, 1000000003}));
    EXPECT_EQ(stored.id, 1000000003);
    EXPECT_EQ(Database().QueryValue("select count(*) from assist_contactmaininfo"), "2");

    // Taken again on the second try: it gives up, saying why.
    tried.clear();
    const NewRowOutcome lost =
        StoreNewRow(connection_, IdKind::kContact, 1000000004, [&](Identifier id) {
            EXPECT_TRUE(InsertContact(other, id).Empty());
            tried.push_back(id);
            return InsertContact(connection_, id);
        });
    EXPECT_EQ(tried, (std::vector<Identifier>{1000000004, 1000000005}));
    EXPECT_FALSE(lost.Stored());
    EXPECT_TRUE(IsKeyConflict(lost.failure)) << lost.failure.Text();

    // Another failure is not tried again.
    tried.clear();
    const NewRowOutcome refused =
        StoreNewRow(connection_, IdKind::kContact, 1000000006, [&](Identifier id) {
            tried.push_back(id);
            connection_.ExecuteStatement("insert into no_such_table values('1')");
            return connection_.LastError();
        });
    EXPECT_EQ(tried.size(), 1u);
    EXPECT_FALSE(refused.Stored());
    EXPECT_FALSE(refused.rangeUsedUp);
}

TEST_P(NewIdentifierTest, AConflictOnTheRangesLastIdDoesNotSpillIntoTheNextRange) {
    ASSERT_TRUE(InsertContact(connection_, 1999999999).Empty());
    int tries = 0;
    const NewRowOutcome outcome =
        StoreNewRow(connection_, IdKind::kContact, 1999999999, [&](Identifier id) {
            ++tries;
            return InsertContact(connection_, id);
        });
    EXPECT_EQ(tries, 1);
    EXPECT_FALSE(outcome.Stored());
    EXPECT_TRUE(outcome.rangeUsedUp);
    EXPECT_EQ(outcome.failure.message,
              "No new contact can be created: its ids run from 1000000001 to 1999999999, and "
              "the highest of them is in use.");
    EXPECT_EQ(Database().QueryValue("select count(*) from assist_contactmaininfo "
                                    "where contact_id not like '1%'"),
              "0");
}

CALVENDRA_FOR_EACH_BACKEND(NewIdentifierTest);

}  // namespace
}  // namespace calvendra
