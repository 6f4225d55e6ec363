#pragma once

// The process's resident size, for the tests and benchmarks of memory given back.

#include <unistd.h>

#include <cstdio>

namespace calvendra::testing {

// The process's resident size in bytes, from /proc/self/statm; -1 when it cannot be read.
inline long ResidentBytes() {
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
    return resident < 0 ? -1 : resident * sysconf(_SC_PAGESIZE);
}

}  // namespace calvendra::testing
