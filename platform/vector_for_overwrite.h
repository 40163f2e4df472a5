// A vector whose resize() and size constructor leave the new elements
// unwritten, for large arrays that their writer fills completely anyway
// (decoded images, planes, displays, file contents): zeroing them first would
// touch every page twice, and on one thread.
#pragma once

#include <memory>
#include <utility>
#include <vector>

template <class T>
struct ForOverwriteAllocator : std::allocator<T> {
    using value_type = T;
    template <class U>
    struct rebind {
        using other = ForOverwriteAllocator<U>;
    };

    ForOverwriteAllocator() = default;
    template <class U>
    ForOverwriteAllocator(const ForOverwriteAllocator<U>&) {}

    template <class U>
    void construct(U* place) noexcept {
        ::new (static_cast<void*>(place)) U;
    }
    template <class U, class... Args>
    void construct(U* place, Args&&... args) {
        ::new (static_cast<void*>(place)) U(std::forward<Args>(args)...);
    }
};

template <class T>
using VectorForOverwrite = std::vector<T, ForOverwriteAllocator<T>>;
