#include "view/listed_rows.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <string>

// Every allocation of this test program is counted, so that what the rows hold can be measured on
// the heap itself rather than taken from their own account.
namespace {

std::atomic<std::size_t> liveBytes{0};
constexpr std::size_t kHeader = alignof(std::max_align_t);

}  // namespace

void* operator new(std::size_t size) {
    auto* block = static_cast<unsigned char*>(std::malloc(size + kHeader));
    if (block == nullptr) {
        throw std::bad_alloc();
    }
    *reinterpret_cast<std::size_t*>(block) = size;
    liveBytes += size;
    return block + kHeader;
}

void operator delete(void* pointer) noexcept {
    if (pointer != nullptr) {
        auto* block = static_cast<unsigned char*>(pointer) - kHeader;
        liveBytes -= *reinterpret_cast<std::size_t*>(block);
        std::free(block);
    }
}

void operator delete(void* pointer, std::size_t) noexcept {
    operator delete(pointer);
}

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

// What the heap holds for the rows, measured by the counting allocator above: a row costs its
// texts and 20 bytes, and the rows' own account of their memory is what the heap holds.
TEST(ListedRows, ARowCostsItsTextsAndLittleMore) {
    constexpr std::size_t kRows = 10000;
    std::size_t text = 0;
    for (std::size_t row = 0; row < kRows; ++row) {
        text += ("Schedule number " + std::to_string(row)).size() + 37;
    }
    const std::size_t before = liveBytes;
    {
        ListedRows rows;
        for (std::size_t row = 0; row < kRows; ++row) {
            const std::string subject = "Schedule number " + std::to_string(row);
            rows.Add(2000000002 + row, subject, "No Reminder setting for this schedule", "");
        }
        const std::size_t grown = liveBytes - before;
        // Reserved room included: the blocks may have grown to twice what they hold.
        EXPECT_LT(grown, 2 * (text + 20 * kRows));
        // Their own account, the text block's terminating zero aside.
        EXPECT_NEAR(rows.MemoryBytes(), grown, 1);
        rows.ShrinkToFit();
        const std::size_t held = liveBytes - before;
        EXPECT_GE(held, text + 20 * kRows);
        EXPECT_LE(held, text + 20 * kRows + 1);
        EXPECT_NEAR(rows.MemoryBytes(), held, 1);
        EXPECT_EQ(rows.Text(9999, 0), "Schedule number 9999");
    }
    EXPECT_EQ(liveBytes, before);
}

}  // namespace
}  // namespace calvendra
