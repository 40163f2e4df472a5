// Work buffers lent to the units of a run: a unit takes one that no other
// unit holds (or a new one) and gives it back when it ends. So there are
// never more than units running at once, and each keeps the pages the last
// unit touched for the next.
#pragma once

#include <array>
#include <cstddef>
#include <memory>
#include <memory_resource>
#include <mutex>
#include <new>
#include <utility>
#include <vector>

// T is made from the memory its buffers are taken from.
template <class T>
class ScratchPool {
  public:
    explicit ScratchPool(std::pmr::memory_resource* memory) : memory_(memory) {}

    class Lease {
      public:
        Lease(ScratchPool& pool, std::unique_ptr<T> item) : pool_(pool), item_(std::move(item)) {}
        Lease(const Lease&) = delete;
        Lease& operator=(const Lease&) = delete;
        ~Lease() { pool_.giveBack(std::move(item_)); }
        T& operator*() { return *item_; }

      private:
        ScratchPool& pool_;
        std::unique_ptr<T> item_;
    };

    Lease take() {
        std::unique_ptr<T> item;
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            if (!free_.empty()) {
                item = std::move(free_.back());
                free_.pop_back();
            }
        }
        if (!item) item = std::make_unique<T>(memory_);
        return Lease(*this, std::move(item));
    }
    // Frees the buffers; none may be lent out.
    void release() {
        const std::lock_guard<std::mutex> lock(mutex_);
        free_.clear();
    }

  private:
    void giveBack(std::unique_ptr<T> item) noexcept {
        const std::lock_guard<std::mutex> lock(mutex_);
        try {
            free_.push_back(std::move(item));
        } catch (const std::bad_alloc&) {
            // Not kept: the next unit makes its own.
        }
    }
    std::pmr::memory_resource* memory_;
    std::mutex mutex_;
    std::vector<std::unique_ptr<T>> free_;
};

// N objects of type T, each taking its buffers from `memory`.
template <class T, std::size_t N>
std::array<T, N> arrayIn(std::pmr::memory_resource* memory) {
    return [memory]<std::size_t... I>(std::index_sequence<I...>) {
        return std::array<T, N>{((void)I, T(memory))...};
    }
    (std::make_index_sequence<N>());
}
