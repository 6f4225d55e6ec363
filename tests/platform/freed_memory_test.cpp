// Freed memory goes back to the system once there is enough of it, and a call with nothing new to
// give back leaves the allocator alone.

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <memory>
#include <vector>

#include "platform/freed_memory.h"

namespace calvendra {
namespace {

// The process's resident size, bytes.
long ResidentBytes() {
    long pages = 0;
    long resident = 0;
    FILE* statm = std::fopen("/proc/self/statm", "r");
    if (statm == nullptr) {
        return -1;
    }
    if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2) {
        resident = -1;
    }
    std::fclose(statm);
    return resident * sysconf(_SC_PAGESIZE);
}

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

}  // namespace
}  // namespace calvendra
