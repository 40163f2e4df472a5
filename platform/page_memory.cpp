#include "platform/page_memory.h"

#include <cstddef>
#include <new>

#if defined(__unix__) || defined(__APPLE__)
#include <sys/mman.h>
#include <unistd.h>
#define VANTU_MAPPED_PAGES 1
#endif

namespace {

class PageMemory final : public std::pmr::memory_resource {
#if defined(VANTU_MAPPED_PAGES)
    static std::size_t pageBytes() {
        static const std::size_t page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
        return page;
    }
    static std::size_t rounded(std::size_t bytes) {
        const std::size_t page = pageBytes();
        if (bytes == 0) return page;
        if (bytes > static_cast<std::size_t>(-1) - page) throw std::bad_alloc();
        return (bytes + page - 1) / page * page;
    }
    void* do_allocate(std::size_t bytes, std::size_t alignment) override {
        if (alignment > pageBytes()) throw std::bad_alloc();
        void* block = mmap(nullptr, rounded(bytes), PROT_READ | PROT_WRITE,
                           MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (block == MAP_FAILED) throw std::bad_alloc();
        return block;
    }
    void do_deallocate(void* block, std::size_t bytes, std::size_t) override {
        munmap(block, rounded(bytes));
    }
#else
    // Without mapped pages: the ordinary heap.
    void* do_allocate(std::size_t bytes, std::size_t alignment) override {
        return ::operator new(bytes, std::align_val_t(alignment));
    }
    void do_deallocate(void* block, std::size_t bytes, std::size_t alignment) override {
        ::operator delete(block, bytes, std::align_val_t(alignment));
    }
#endif
    bool do_is_equal(const std::pmr::memory_resource& other) const noexcept override {
        return this == &other;
    }
};

}  // namespace

namespace platform {

std::pmr::memory_resource& pageMemory() {
    // Never destroyed: blocks may be freed by the destructors of other statics.
    static PageMemory* memory = new PageMemory;
    return *memory;
}

}  // namespace platform
