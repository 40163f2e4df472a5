// Data-parallel loops for the hot paths (maps, 3D analysis, ranking,
// segmentation). The range is cut into chunks that depend only on the range
// and the grain, never on the number of threads, so a computation that writes
// each chunk's results to its own place, and combines per-chunk partial
// results in chunk order, gives the same bits on one core or on eight.
#pragma once

#include <cstddef>
#include <functional>

// Threads the pool runs (the machine's hardware threads, at least 1).
// VANTU_THREADS in the environment overrides it, for measurements and for
// tests that prove results do not depend on it.
std::size_t parallelThreadCount();

// Calls body(begin, end) for the chunks [0, grain), [grain, 2·grain), ... of
// [0, count), spread over the pool; returns when every chunk is done. A call
// made from inside a chunk, or from the program's first (window) thread while
// another thread's loop has the pool, runs its chunks in the calling thread:
// nested loops never wait on themselves, and a redraw never waits for an
// analysis. A call from another thread waits for the pool. The first exception thrown
// by a chunk (in chunk order) is rethrown once all chunks have ended.
void parallelFor(std::size_t count, std::size_t grain,
                 const std::function<void(std::size_t begin, std::size_t end)>& body);

// The number of chunks parallelFor cuts [0, count) into: per-chunk partial
// results are kept in an array of this size and combined in index order.
inline std::size_t parallelChunkCount(std::size_t count, std::size_t grain) {
    if (grain == 0) grain = 1;
    return (count + grain - 1) / grain;
}

// Rows per chunk for a loop over the rows of an image `rowLength` pixels
// wide: some pixelsPerChunk pixels a chunk (64 K by default), so that taking a
// chunk costs nothing next to its work and a large image still has chunks
// for every core. A loop whose pixels are cheap asks for more a chunk, so
// that a small image stays on the calling thread.
inline std::size_t parallelRowGrain(std::size_t rowLength,
                                    std::size_t pixelsPerChunk = std::size_t{1} << 16) {
    return rowLength >= pixelsPerChunk ? 1 : pixelsPerChunk / (rowLength == 0 ? 1 : rowLength);
}
