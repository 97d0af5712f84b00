#include "platform/HeapPolicy.h"

#include <malloc.h>

namespace HeapPolicy {

void keepBatchBuffersInHeap() {
    mallopt(M_MMAP_THRESHOLD, 4 * 1024 * 1024);
    mallopt(M_TRIM_THRESHOLD, 8 * 1024 * 1024);
}

void giveBackKeptHeap() {
    malloc_trim(0);
}

} // namespace HeapPolicy
