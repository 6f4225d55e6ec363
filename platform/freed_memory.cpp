#include "platform/freed_memory.h"

#include <malloc.h>

namespace calvendra {

bool GiveBackFreedMemory(std::size_t threshold) {
    // fordblks: the bytes free in every arena, which malloc_trim can give back in whole pages.
    const struct mallinfo2 usage = mallinfo2();
    if (usage.fordblks < threshold) {
        return false;
    }
    malloc_trim(0);
    return true;
}

}  // namespace calvendra
