// Memory taken from the system in whole pages for each block and given back
// to it when the block is freed. The C library keeps much of what a program
// frees in its heaps (one per thread that allocated) for later use; blocks
// from here leave the process with their owner instead. For the buffers one
// owner keeps for a while and then drops (an image's working set): each block
// costs a system call and the first touch of its pages, so it does not suit
// blocks made and freed in a loop.
#pragma once

#include <memory_resource>

namespace platform {

// Shared and safe to use from any thread.
std::pmr::memory_resource& pageMemory();

}  // namespace platform
