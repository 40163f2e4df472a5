// An allocator for the large work arrays of the wavelet decomposition (tens
// to hundreds of megabytes): blocks of 2 MB and more are aligned to 2 MB and
// offered to the kernel as huge pages, so that touching them the first time
// costs a few page faults instead of one per 4 KB page. Smaller blocks come
// from the ordinary heap.
#pragma once

#include <cstddef>
#include <cstdlib>
#include <new>
#include <vector>

#if defined(__linux__)
#include <sys/mman.h>
#endif

inline constexpr std::size_t kLargeBlockAlignment = std::size_t{1} << 21;

template <class T>
struct LargeBlockAllocator {
    using value_type = T;

    LargeBlockAllocator() = default;
    template <class U>
    LargeBlockAllocator(const LargeBlockAllocator<U>&) {}

    T* allocate(std::size_t n) {
        if (n > static_cast<std::size_t>(-1) / sizeof(T)) throw std::bad_alloc();
        const std::size_t bytes = n * sizeof(T);
        if (bytes < kLargeBlockAlignment) return static_cast<T*>(::operator new(bytes));
        const std::size_t rounded =
            (bytes + kLargeBlockAlignment - 1) / kLargeBlockAlignment * kLargeBlockAlignment;
        void* block = std::aligned_alloc(kLargeBlockAlignment, rounded);
        if (!block) throw std::bad_alloc();
#if defined(__linux__) && defined(MADV_HUGEPAGE)
        madvise(block, rounded, MADV_HUGEPAGE);  // a hint; refusal changes nothing
#endif
        return static_cast<T*>(block);
    }

    void deallocate(T* block, std::size_t n) {
        if (n * sizeof(T) < kLargeBlockAlignment)
            ::operator delete(block);
        else
            std::free(block);
    }

    template <class U>
    bool operator==(const LargeBlockAllocator<U>&) const {
        return true;
    }
};

template <class T>
using LargeVector = std::vector<T, LargeBlockAllocator<T>>;
