#include "platform/freed_memory.h"

#include <malloc.h>

#include <algorithm>
#include <mutex>

namespace calvendra {

namespace {

std::mutex lowestLock;
// The least free memory seen since the last time it was given back. Pages given back still count
// as free to the allocator: only memory freed beyond this is worth another walk.
std::size_t lowestFree = 0;

}  // namespace

bool GiveBackFreedMemory(std::size_t threshold) {
    // fordblks: the bytes free in every arena, whose whole pages malloc_trim can give back.
    const std::size_t free = mallinfo2().fordblks;
    const std::lock_guard<std::mutex> lock(lowestLock);
    lowestFree = std::min(lowestFree, free);
    if (free < lowestFree + threshold) {
        return false;
    }
    malloc_trim(0);
    lowestFree = free;
    return true;
}

void MapLargeBlocksApart() {
    // A bound set by hand is kept: glibc no longer moves it, nor the trim threshold with it.
    mallopt(M_MMAP_THRESHOLD, static_cast<int>(kLargeBlockBytes));
}

}  // namespace calvendra
