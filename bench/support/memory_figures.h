#pragma once

// Where a benchmark's resident memory lies: the process's resident size split into anonymous
// memory and mapped files (code and data of the program and its libraries), and the allocator's
// own account of its heap: what is in use, what it holds free in its arenas, what it mapped for
// large blocks, and how many arenas it keeps (one per thread that allocated, up to its limit).

#include <malloc.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "tests/support/resident_size.h"

namespace calvendra::bench {

constexpr double kMiB = 1024.0 * 1024.0;

// The process's resident size, bytes.
inline double ResidentBytes() {
    return static_cast<double>(calvendra::testing::ResidentBytes());
}

// What the process has allocated from the heap and is still using, bytes.
inline double AllocatedBytes() {
    const struct mallinfo2 heap = mallinfo2();
    return static_cast<double>(heap.uordblks + heap.hblkhd);
}

struct MemoryBreakdown {
    double residentMiB = 0;
    double anonymousMiB = 0;  // RssAnon: the heap, the arenas, the stacks
    double filesMiB = 0;      // RssFile: code and data mapped from files
    double inUseMiB = 0;      // allocated and not freed, in arenas and mapped blocks
    double arenaFreeMiB = 0;  // freed but kept by the allocator in its arenas
    double mappedMiB = 0;     // large blocks the allocator mapped on their own
    int arenas = 0;
};

namespace detail {

// A "VmSomething:   1234 kB" line of /proc/self/status, in MiB.
inline double StatusMiB(const char* name) {
    double kib = 0;
    if (FILE* status = std::fopen("/proc/self/status", "r")) {
        char line[256];
        const std::size_t length = std::strlen(name);
        while (std::fgets(line, sizeof line, status) != nullptr) {
            if (std::strncmp(line, name, length) == 0 && line[length] == ':') {
                kib = std::strtod(line + length + 1, nullptr);
                break;
            }
        }
        std::fclose(status);
    }
    return kib / 1024.0;
}

// How many arenas malloc_info describes: one "<heap nr=" each.
inline int ArenaCount() {
    char* text = nullptr;
    std::size_t size = 0;
    FILE* out = open_memstream(&text, &size);
    if (out == nullptr) {
        return 0;
    }
    malloc_info(0, out);
    std::fclose(out);
    int arenas = 0;
    for (const char* at = text; (at = std::strstr(at, "<heap nr=")) != nullptr; ++at) {
        ++arenas;
    }
    std::free(text);
    return arenas;
}

}  // namespace detail

inline MemoryBreakdown MeasureMemory() {
    MemoryBreakdown memory;
    memory.residentMiB = ResidentBytes() / kMiB;
    memory.anonymousMiB = detail::StatusMiB("RssAnon");
    memory.filesMiB = detail::StatusMiB("RssFile");
    const struct mallinfo2 heap = mallinfo2();
    memory.inUseMiB = static_cast<double>(heap.uordblks + heap.hblkhd) / kMiB;
    memory.arenaFreeMiB = static_cast<double>(heap.fordblks) / kMiB;
    memory.mappedMiB = static_cast<double>(heap.hblkhd) / kMiB;
    memory.arenas = detail::ArenaCount();
    return memory;
}

// One line: "resident 153 MiB = anonymous 120 + files 33; heap in use 80 (mapped 60), free in
// 4 arenas 20".
inline std::string Describe(const MemoryBreakdown& memory) {
    char text[256];
    std::snprintf(text, sizeof text,
                  "resident %.0f MiB = anonymous %.0f + files %.0f; heap in use %.0f (mapped "
                  "blocks %.0f), free in %d arenas %.0f",
                  memory.residentMiB, memory.anonymousMiB, memory.filesMiB, memory.inUseMiB,
                  memory.mappedMiB, memory.arenas, memory.arenaFreeMiB);
    return text;
}

}  // namespace calvendra::bench
