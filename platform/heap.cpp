#include "platform/heap.h"

#include <cstdlib>  // defines __GLIBC__ where it is the C library

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace platform {

void releaseFreedMemory() {
#if defined(__GLIBC__)
    malloc_trim(0);
#endif
}

void keepThreadHeapsSmall() {
#if defined(__GLIBC__)
    // Setting the one limit fixes the other at its default (128 KiB).
    mallopt(M_MMAP_THRESHOLD, 1 << 20);
#endif
}

}  // namespace platform
