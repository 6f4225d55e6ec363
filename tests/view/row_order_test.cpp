// The item list's order by a clicked column: each column, rising and falling, ties, letters with
// accents and letter case, numbers within texts, and the user's language.

#include "view/row_order.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <unicode/locid.h>

namespace calvendra {
namespace {

using Ids = std::vector<Identifier>;

struct Row {
    Identifier id;
    const char* name;
    const char* phone;
    const char* email;
};

// The rows as read: by id, as the store lists them.
const std::vector<Row> kContacts = {
    {1, "bob", "555-0100", "bob@example.org"},    {2, "Anna", "+39 06 555", "anna@example.org"},
    {3, "Émile", "555-0099", "emile@example.fr"}, {4, "Zoë", "", "zoe@example.org"},
    {5, "anna", "555-0100", "Anna@example.org"},  {6, "Ärger", "555-1000", ""},
    {7, "Anna", "555-0100", "anna2@example.org"},
};

ListedRows Listed(const std::vector<Row>& rows) {
    ListedRows listed;
    for (const Row& row : rows) {
        listed.Add(row.id, row.name, row.phone, row.email);
    }
    return listed;
}

Ids IdsOf(const ListedRows& rows) {
    Ids ids;
    for (std::size_t row = 0; row < rows.Size(); ++row) {
        ids.push_back(rows.Id(row));
    }
    return ids;
}

class DesktopCitizenSortTest : public ::testing::Test {
protected:
    void SetUp() override { SetLanguage("en_US"); }
    void TearDown() override { SetLanguage(previous_.getName()); }

    static void SetLanguage(const char* name) {
        UErrorCode status = U_ZERO_ERROR;
        icu::Locale::setDefault(icu::Locale(name), status);
        ASSERT_TRUE(U_SUCCESS(status)) << name;
    }

private:
    icu::Locale previous_ = icu::Locale::getDefault();
};

TEST_F(DesktopCitizenSortTest, EachColumnRisesAndFallsWithTiesInTheOrderTheyCameIn) {
    struct Case {
        RowOrder order;
        Ids expected;
    };
    const Case cases[] = {
        // Lower case before upper case of the same letters, accents after the plain letter;
        // the two rows of "Anna" keep their order both ways.
        {{0, true}, {5, 2, 7, 6, 1, 3, 4}},
        {{0, false}, {4, 3, 1, 6, 2, 7, 5}},
        // The empty phone first; "+39" before the digits; equal phones as they came.
        {{1, true}, {4, 2, 3, 1, 5, 7, 6}},
        {{1, false}, {6, 1, 5, 7, 3, 2, 4}},
        // "@" before the digits; the same address in other letter case is no tie.
        {{2, true}, {6, 2, 5, 7, 1, 3, 4}},
        {{2, false}, {4, 3, 1, 7, 5, 2, 6}},
        // No column, or one the rows do not have: as read.
        {{-1, true}, {1, 2, 3, 4, 5, 6, 7}},
        {{3, false}, {1, 2, 3, 4, 5, 6, 7}},
    };
    const ListedRows rows = Listed(kContacts);
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "column " << c.order.column
                                          << (c.order.ascending ? " rising" : " falling"));
        const ListedRows sorted = SortedRows(rows, c.order);
        EXPECT_EQ(IdsOf(sorted), c.expected);
        // Sorted in place, the same.
        ListedRows inPlace = rows;
        SortRows(inPlace, c.order);
        EXPECT_EQ(IdsOf(inPlace), c.expected);
        EXPECT_EQ(inPlace.Fingerprint(), sorted.Fingerprint());
        // Every row keeps its own texts.
        for (std::size_t row = 0; row < sorted.Size(); ++row) {
            const Row& original = kContacts.at(static_cast<std::size_t>(sorted.Id(row) - 1));
            EXPECT_EQ(sorted.Text(row, 0), original.name);
            EXPECT_EQ(sorted.Text(row, 1), original.phone);
            EXPECT_EQ(sorted.Text(row, 2), original.email);
        }
    }
}

TEST_F(DesktopCitizenSortTest, NumbersInATextSortByTheirValue) {
    ListedRows rows;
    rows.Add(1, "Room 10", "Reminder at 2027-4-10 09:30", "");
    rows.Add(2, "Room 9", "Reminder at 2027-4-4 10:00", "");
    rows.Add(3, "Room 100", "Reminder at 2027-12-1 08:00", "");
    rows.Add(4, "room 9", "No Reminder setting for this schedule", "");
    EXPECT_EQ(IdsOf(SortedRows(rows, {0, true})), (Ids{4, 2, 1, 3}));
    EXPECT_EQ(IdsOf(SortedRows(rows, {1, true})), (Ids{4, 2, 1, 3}));
    EXPECT_EQ(IdsOf(SortedRows(rows, {1, false})), (Ids{3, 1, 2, 4}));
}

// The same rows sort as the user's language sorts them: German files "Öl" under O, Swedish
// after Z; small letters before capitals of the same word.
TEST_F(DesktopCitizenSortTest, TheUsersLanguageDecidesWhereAccentedLettersGo) {
    ListedRows rows;
    rows.Add(1, "Zoo", "", "");
    rows.Add(2, "Öl", "", "");
    rows.Add(3, "Ost", "", "");
    struct Case {
        const char* language;
        Ids expected;
    };
    // The C locale names no language: the common order, not capitals before small letters.
    rows.Add(4, "ost", "", "");
    for (const Case& c : {Case{"de_DE", {2, 4, 3, 1}}, Case{"sv_SE", {4, 3, 1, 2}},
                          Case{"en_US_POSIX", {2, 4, 3, 1}}}) {
        SetLanguage(c.language);
        EXPECT_EQ(IdsOf(SortedRows(rows, {0, true})), c.expected) << c.language;
    }
}

TEST_F(DesktopCitizenSortTest, ListsOfFourColumnsAndEmptyListsSortToo) {
    ListedRows found(4);
    found.Add(2000000001, {"Standup", "Reminder at 09:30", "", "Work"});
    found.Add(1000000001, {"Anna Berg", "555", "anna@example.org", "Family"});
    found.Add(1000000002, {"Ben", "", "", "All Contacts"});
    EXPECT_EQ(IdsOf(SortedRows(found, {3, true})), (Ids{1000000002, 1000000001, 2000000001}));
    EXPECT_EQ(SortedRows(found, {3, true}).Columns(), 4);
    EXPECT_TRUE(SortedRows(ListedRows(), {0, false}).Empty());
}

TEST(DesktopCitizenSortClicks, ANewColumnRisesAndTheSameOneTurns) {
    RowOrder order;
    order = order.ClickedOn(1);
    EXPECT_EQ(order, (RowOrder{1, true}));
    order = order.ClickedOn(1);
    EXPECT_EQ(order, (RowOrder{1, false}));
    order = order.ClickedOn(1);
    EXPECT_EQ(order, (RowOrder{1, true}));
    order = order.ClickedOn(0);
    EXPECT_EQ(order, (RowOrder{0, true}));
}

TEST(DesktopCitizenReordered, AnOrderThatDoesNotNameEveryRowIsRefused) {
    ListedRows rows;
    rows.Add(1, "a", "b", "c");
    rows.Add(2, "d", "e", "f");
    EXPECT_THROW(rows.Reordered({0}), std::invalid_argument);
    EXPECT_THROW(rows.Reordered({0, 2}), std::out_of_range);
    const ListedRows turned = rows.Reordered({1, 0});
    EXPECT_EQ(turned.Text(0, 2), "f");
    EXPECT_EQ(turned.Text(1, 0), "a");
    EXPECT_EQ(turned.Fingerprint(), [] {
        ListedRows expected;
        expected.Add(2, "d", "e", "f");
        expected.Add(1, "a", "b", "c");
        return expected.Fingerprint();
    }());
}

}  // namespace
}  // namespace calvendra
