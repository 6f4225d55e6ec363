// Freed memory goes back to the system once there is enough of it, a call with nothing new to
// give back leaves the allocator alone, and large blocks go back the moment they are freed.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/freed_memory.h"
#include "tests/support/resident_size.h"

namespace calvendra {
namespace {

using calvendra::testing::ResidentBytes;

constexpr std::size_t kMiB = std::size_t{1} << 20;

TEST(FreedMemory, ManySmallBlocksFreedBelowOneStillInUseGoBackAndOnlyOnce) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the sanitizer's allocator keeps memory its own way";
#endif
    // Small blocks come from the heap, not from mappings of their own; the last one, kept, holds
    // the heap's top, so that free() alone cannot give the rest back.
    std::vector<std::unique_ptr<char[]>> blocks;
    for (std::size_t made = 0; made < 96 * kMiB / 1024; ++made) {
        blocks.emplace_back(new char[1024]);
        // Touched, so that each page is resident.
        blocks.back()[0] = static_cast<char>(made);
        blocks.back()[512] = static_cast<char>(made);
    }
    std::unique_ptr<char[]> top = std::move(blocks.back());
    blocks.pop_back();
    // Whatever came before this test is given back first.
    GiveBackFreedMemory(0);
    const long before = ResidentBytes();
    blocks.clear();
    blocks.shrink_to_fit();

    EXPECT_FALSE(GiveBackFreedMemory(200 * kMiB)) << "less was freed than asked for";
    EXPECT_TRUE(GiveBackFreedMemory());
    const long after = ResidentBytes();
    EXPECT_LT(after, before - static_cast<long>(64 * kMiB))
        << "resident " << before / kMiB << " MiB before, " << after / kMiB << " MiB after";
    // Nothing was freed since: the pages given back still count as free to the allocator.
    EXPECT_FALSE(GiveBackFreedMemory());
}

// Large blocks allocated and freed after a larger one was freed; exits 0 when their pages went
// back to the system as they were freed, 1 when they stayed.
[[noreturn]] void FreeLargeBlocksAfterALargerOne() {
    MapLargeBlocksApart();
    // Left alone, glibc would take blocks below this one's size from its heap from now on.
    {
        std::unique_ptr<char[]> larger(new char[8 * kMiB]);
        std::memset(larger.get(), 1, 8 * kMiB);
    }
    std::vector<std::unique_ptr<char[]>> blocks;
    for (int made = 0; made < 64; ++made) {
        blocks.emplace_back(new char[kMiB]);
        std::memset(blocks.back().get(), made, kMiB);
    }
    // Allocated after them and kept: from the heap, this would hold them there.
    std::unique_ptr<char[]> small(new char[1024]);
    small[0] = 1;
    const long before = ResidentBytes();
    blocks.clear();
    const long after = ResidentBytes();
    std::fprintf(stderr, "resident %ld MiB before, %ld MiB after\n", before / long{kMiB},
                 after / long{kMiB});
    std::exit(after < before - static_cast<long>(48 * kMiB) ? 0 : 1);
}

TEST(FreedMemory, LargeBlocksGoBackWhenFreedAlsoAfterALargerOneWasFreed) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the sanitizer's allocator keeps memory its own way";
#endif
    // In a process of its own: free room that earlier tests left in the heap would be used first
    // for the blocks, whatever the bound.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(FreeLargeBlocksAfterALargerOne(), ::testing::ExitedWithCode(0), "resident");
}

}  // namespace
}  // namespace calvendra
