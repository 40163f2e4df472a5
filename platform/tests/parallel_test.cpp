#include "platform/parallel.h"

#include <gtest/gtest.h>

#include <atomic>
#include <numeric>
#include <stdexcept>
#include <thread>
#include <vector>

TEST(ParallelFor, VisitsEveryIndexOnceInItsFixedChunks) {
    for (std::size_t count : {0u, 1u, 7u, 64u, 1000u, 100003u}) {
        for (std::size_t grain : {1u, 3u, 64u, 5000u}) {
            std::vector<int> visits(count, 0);
            std::vector<std::size_t> chunkOf(count, 0);
            parallelFor(count, grain, [&](std::size_t begin, std::size_t end) {
                ASSERT_EQ(begin % grain, 0u);
                ASSERT_EQ(end, std::min(count, begin + grain));
                for (std::size_t i = begin; i < end; ++i) ++visits[i];
            });
            for (std::size_t i = 0; i < count; ++i)
                ASSERT_EQ(visits[i], 1) << count << " " << grain << " " << i;
            EXPECT_EQ(parallelChunkCount(count, grain), (count + grain - 1) / grain);
        }
    }
}

TEST(ParallelFor, PartialSumsCombinedInChunkOrderAreReproducible) {
    std::vector<double> values(1 << 16);
    for (std::size_t i = 0; i < values.size(); ++i) values[i] = 1.0 / static_cast<double>(i + 1);
    auto sum = [&] {
        const std::size_t grain = 1000;
        std::vector<double> partial(parallelChunkCount(values.size(), grain), 0.0);
        parallelFor(values.size(), grain, [&](std::size_t begin, std::size_t end) {
            double s = 0;
            for (std::size_t i = begin; i < end; ++i) s += values[i];
            partial[begin / grain] = s;
        });
        return std::accumulate(partial.begin(), partial.end(), 0.0);
    };
    const double first = sum();
    for (int round = 0; round < 50; ++round) ASSERT_EQ(sum(), first);
}

TEST(ParallelFor, NestedLoopsRunAndExceptionsReachTheCaller) {
    std::atomic<int> inner{0};
    parallelFor(16, 1, [&](std::size_t, std::size_t) {
        parallelFor(10, 2, [&](std::size_t begin, std::size_t end) {
            inner += static_cast<int>(end - begin);
        });
    });
    EXPECT_EQ(inner.load(), 160);

    EXPECT_THROW(parallelFor(100, 1,
                             [](std::size_t begin, std::size_t) {
                                 if (begin == 37) throw std::runtime_error("chunk 37");
                             }),
                 std::runtime_error);
    // The pool is still usable after a failed loop.
    std::atomic<int> after{0};
    parallelFor(100, 7, [&](std::size_t begin, std::size_t end) {
        after += static_cast<int>(end - begin);
    });
    EXPECT_EQ(after.load(), 100);
    EXPECT_GE(parallelThreadCount(), 1u);
}

TEST(ParallelFor, TheWindowThreadNeverWaitsForAnotherThreadsLoop) {
    // The window (first) thread redraws while an analysis holds the pool: its
    // loop runs on its own thread rather than waiting (here, the analysis's
    // chunk waits for the redraw, so waiting would never end).
    std::atomic<bool> started{false}, redrawn{false};
    std::thread analysis([&] {
        parallelFor(8, 1, [&](std::size_t begin, std::size_t) {
            if (begin != 0) return;
            started = true;
            while (!redrawn) std::this_thread::yield();
        });
    });
    while (!started) std::this_thread::yield();
    std::atomic<int> pixels{0};
    parallelFor(100, 7, [&](std::size_t begin, std::size_t end) {
        pixels += static_cast<int>(end - begin);
    });
    redrawn = true;
    analysis.join();
    EXPECT_EQ(pixels.load(), 100);
}
