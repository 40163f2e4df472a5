#include "platform/parallel.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdlib>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace {

thread_local bool insideChunk = false;

// The program's first thread, which runs its windows: statics are made on it
// before main starts.
const std::thread::id windowThread = std::this_thread::get_id();

// One loop at a time runs on the pool; its chunks are taken in order from a
// shared counter by the workers and the calling thread alike.
class Pool {
  public:
    explicit Pool(std::size_t threads) {
        for (std::size_t i = 1; i < threads; ++i) workers_.emplace_back([this] { workerLoop(); });
    }
    ~Pool() {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        wake_.notify_all();
        for (std::thread& worker : workers_) worker.join();
    }

    std::size_t threads() const { return workers_.size() + 1; }

    // Waits while another thread's loop holds the pool, or, when told not
    // to wait, returns false having run nothing.
    bool run(std::size_t count, std::size_t grain,
             const std::function<void(std::size_t, std::size_t)>& body, bool mayWait) {
        std::unique_lock serial(runMutex_, std::defer_lock);
        if (mayWait)
            serial.lock();
        else if (!serial.try_lock())
            return false;
        const std::size_t chunks = parallelChunkCount(count, grain);
        std::vector<std::exception_ptr> errors(chunks);
        {
            std::lock_guard lock(mutex_);
            job_ = Job{&body, count, grain, chunks, &errors};
            next_.store(0);
            done_ = 0;
            ++generation_;
        }
        wake_.notify_all();
        work();
        {
            std::unique_lock lock(mutex_);
            finished_.wait(lock, [&] { return done_ == chunks && active_ == 0; });
            job_.body = nullptr;
        }
        for (std::exception_ptr& error : errors)
            if (error) std::rethrow_exception(error);
        return true;
    }

  private:
    struct Job {
        const std::function<void(std::size_t, std::size_t)>* body = nullptr;
        std::size_t count = 0, grain = 1, chunks = 0;
        std::vector<std::exception_ptr>* errors = nullptr;
    };

    // Takes chunks until none is left. A thread counts as active from the
    // moment it copies the job until it has stopped claiming chunks, and the
    // loop does not end before no thread is active: a late thread must never
    // claim an index of the next loop for this one's body.
    void work() {
        Job job;
        {
            std::lock_guard lock(mutex_);
            job = job_;
            if (!job.body) return;
            ++active_;
        }
        std::size_t ran = 0;
        insideChunk = true;
        for (;;) {
            const std::size_t chunk = next_.fetch_add(1);
            if (chunk >= job.chunks) break;
            const std::size_t begin = chunk * job.grain;
            const std::size_t end = std::min(job.count, begin + job.grain);
            try {
                (*job.body)(begin, end);
            } catch (...) {
                (*job.errors)[chunk] = std::current_exception();
            }
            ++ran;
        }
        insideChunk = false;
        {
            std::lock_guard lock(mutex_);
            done_ += ran;
            --active_;
            if (done_ == job.chunks && active_ == 0) finished_.notify_all();
        }
    }

    void workerLoop() {
        std::size_t seen = 0;
        for (;;) {
            {
                std::unique_lock lock(mutex_);
                wake_.wait(lock, [&] { return stopping_ || (generation_ != seen && job_.body); });
                if (stopping_) return;
                seen = generation_;
            }
            work();
        }
    }

    std::vector<std::thread> workers_;
    std::mutex runMutex_;
    std::mutex mutex_;
    std::condition_variable wake_, finished_;
    Job job_;
    std::atomic<std::size_t> next_{0};
    std::size_t done_ = 0;
    std::size_t active_ = 0;
    std::size_t generation_ = 0;
    bool stopping_ = false;
};

std::size_t configuredThreads() {
    if (const char* text = std::getenv("VANTU_THREADS")) {
        const long value = std::strtol(text, nullptr, 10);
        if (value >= 1 && value <= 256) return static_cast<std::size_t>(value);
    }
    return std::max(1u, std::thread::hardware_concurrency());
}

Pool& pool() {
    static Pool instance(configuredThreads());
    return instance;
}

}  // namespace

std::size_t parallelThreadCount() {
    return pool().threads();
}

void parallelFor(std::size_t count, std::size_t grain,
                 const std::function<void(std::size_t, std::size_t)>& body) {
    if (count == 0) return;
    if (grain == 0) grain = 1;
    // Inside a chunk, with nothing to share, or on the window thread while
    // another thread's loop has the pool (a redraw must not wait for an
    // analysis), the caller runs every chunk itself in order: the cut is the
    // same, so the results are too. Other threads wait for the pool.
    const bool mayWait = std::this_thread::get_id() != windowThread;
    if (!insideChunk && pool().threads() > 1 && count > grain &&
        pool().run(count, grain, body, mayWait))
        return;
    for (std::size_t begin = 0; begin < count; begin += grain)
        body(begin, std::min(count, begin + grain));
}
