#include "base/AllocatorArenas.h"

#include <malloc.h>

namespace pw {

void LimitAllocatorArenas() {
    mallopt(M_ARENA_MAX, 2);
}

}  // namespace pw
