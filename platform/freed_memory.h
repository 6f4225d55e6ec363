#pragma once

#include <cstddef>

namespace calvendra {

// Free memory worth handing back: below it, the walk costs more than the pages are worth.
inline constexpr std::size_t kFreedMemoryWorthGivingBack = std::size_t{16} << 20;

// Hands the memory that the allocator holds free back to the system once there is much of it.
//
// glibc keeps freed memory for the process's next allocations, in an arena per thread, and gives
// back on its own only what lies at an arena's top: after a large read (a list of a million rows)
// most of the memory it took stays with the process, idle, for as long as it runs. Called after
// such work has let its memory go, this returns the free pages once more than `threshold` bytes
// were freed since it last did (or since the free memory was last used again), so that an idle
// organizer holds about what it uses, and a call with nothing new to give back costs only a look
// at the allocator's counts. True when it gave back.
bool GiveBackFreedMemory(std::size_t threshold = kFreedMemoryWorthGivingBack);

// Blocks of at least this size are mapped on their own.
inline constexpr std::size_t kLargeBlockBytes = std::size_t{128} << 10;

// Makes every block of kLargeBlockBytes and more a mapping of its own, for the life of the
// process, so that its pages go back to the system the moment it is freed. glibc starts so, but
// raises that bound to the size of each such block freed (up to 32 MiB): after the first large
// list has been replaced, a list's large blocks (its texts, its ids) come from the arenas, and
// their pages stay with the process once they are freed. Call at start, before other threads.
void MapLargeBlocksApart();

}  // namespace calvendra
