#include "view/listed_rows.h"

#include <gtest/gtest.h>

#include <string>

namespace calvendra {
namespace {

TEST(ListedRows, KeepsEachRowsIdAndTextsAndTakesRowsOutInPlace) {
    ListedRows rows;
    EXPECT_TRUE(rows.Empty());
    rows.Add(11, "Anna Berg", "555-0101", "anna@example.org");
    rows.Add(12, "", "", "");
    rows.Add(13, "Zoë Straße", "Reminder at Monday 09:30:00", "");
    rows.Add(12, "again", "b", "c");
    ASSERT_EQ(rows.Size(), 4u);
    EXPECT_EQ(rows.Text(0, 2), "anna@example.org");
    EXPECT_EQ(rows.Text(1, 0), "");
    EXPECT_EQ(rows.Text(2, 0), "Zoë Straße");
    EXPECT_EQ(rows.Text(2, 1), "Reminder at Monday 09:30:00");
    EXPECT_EQ(rows.Id(3), 12);
    // The first row that shows an item.
    EXPECT_EQ(rows.Find(12), 1);
    EXPECT_EQ(rows.Find(99), -1);

    rows.Remove(0);
    ASSERT_EQ(rows.Size(), 3u);
    EXPECT_EQ(rows.Text(1, 0), "Zoë Straße");
    EXPECT_EQ(rows.Text(2, 2), "c");
    rows.Remove(2);
    rows.Remove(0);
    ASSERT_EQ(rows.Size(), 1u);
    EXPECT_EQ(rows.Id(0), 13);
    EXPECT_EQ(rows.Text(0, 1), "Reminder at Monday 09:30:00");
}

TEST(ListedRows, ARowCostsItsTextsAndLittleMore) {
    ListedRows rows;
    std::size_t text = 0;
    for (int row = 0; row < 10000; ++row) {
        const std::string subject = "Schedule number " + std::to_string(row);
        rows.Add(2000000002 + row, subject, "No Reminder setting for this schedule", "");
        text += subject.size() + 37;
    }
    // Reserved room included: the vectors and the text may have grown to twice what they hold.
    EXPECT_LT(rows.MemoryBytes(), 2 * (text + 20 * rows.Size()));
    rows.ShrinkToFit();
    EXPECT_EQ(rows.MemoryBytes(), text + 20 * rows.Size());
    EXPECT_EQ(rows.Text(9999, 0), "Schedule number 9999");
}

}  // namespace
}  // namespace calvendra
