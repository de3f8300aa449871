#include "base/AllocatorArenas.h"

#include <malloc.h>

namespace pw {

void LimitAllocatorArenas() {
    mallopt(M_ARENA_MAX, 2);
}

void ReturnFreeMemory() {
    malloc_trim(0);
}

}  // namespace pw
