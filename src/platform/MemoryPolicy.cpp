#include "MemoryPolicy.h"

#include <malloc.h>

void MemoryPolicy::apply() {
    // Setting either turns the allocator's own adjustment off for both.
    mallopt(M_MMAP_THRESHOLD, int(kThresholdBytes));
    mallopt(M_TRIM_THRESHOLD, int(kThresholdBytes));
}
