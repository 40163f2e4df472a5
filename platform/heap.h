// Giving freed memory back to the system. The C library keeps what a
// program frees in its heaps (one per thread that allocated) for later use,
// so after a large piece of work on many threads the program would go on
// holding what that work used.
#pragma once

namespace platform {

// Returns the free memory of every heap to the system, where the C library
// allows it; a no-op elsewhere. For the end of a large piece of work: it
// walks the heaps, so it is not for inner loops.
void releaseFreedMemory();

// For a program that is about to allocate on several threads: blocks of
// 1 MiB or more are mapped on their own (and go back to the system when
// freed), and every heap gives back the free memory at its top as it frees.
// Without it the C library raises both limits to the largest block freed so
// far, and each thread's heap keeps that much at its top for good:
// releaseFreedMemory() gives back the free blocks inside a thread's heap but
// not its top (a 2D run of 2048 x 2048 then leaves some 60 MiB behind).
void keepThreadHeapsSmall();

}  // namespace platform
