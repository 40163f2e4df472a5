#include "statistics/core/random_source.h"

#include <gtest/gtest.h>

#include <set>

TEST(R62RandomSource, StepIsTheLinearCongruentialRecurrence) {
    RandomSource random([] { return 0u; });
    random.setSeed(0);
    EXPECT_EQ(random.next(), 1u);
    EXPECT_EQ(random.next(), 134775814u);
    // 134775814 * 134775813 + 1 mod 2^32, worked out by hand in 64 bits.
    const uint64_t expected = (134775814ull * 134775813ull + 1ull) & 0xFFFFFFFFull;
    EXPECT_EQ(random.next(), static_cast<uint32_t>(expected));
}

TEST(R62RandomSource, WrapsModulo2To32) {
    RandomSource random;
    random.setSeed(0xFFFFFFFFu);
    // (2^32 - 1) * 134775813 + 1 = -134775813 + 1 mod 2^32.
    EXPECT_EQ(random.next(), 0u - 134775812u);
}

TEST(R62RandomSource, IntegerDrawIsTheHighWordOfSeedTimesN) {
    RandomSource random;
    random.setSeed(0x7FFFFFFFu);
    const uint32_t nextSeed = 0x7FFFFFFFu * 134775813u + 1u;
    const uint32_t expected = static_cast<uint32_t>((static_cast<uint64_t>(nextSeed) * 10u) >> 32);
    EXPECT_EQ(random.below(10), expected);
    EXPECT_EQ(random.seed(), nextSeed);

    random.setSeed(0x80000000u);  // next seed 0x80000001: just over a half
    EXPECT_EQ(random.below(2), 1u);
    random.setSeed(0);  // next seed 1: the smallest non-zero draw
    EXPECT_EQ(random.below(1000), 0u);
    EXPECT_EQ(random.below(0), 0u);
}

TEST(R62RandomSource, DrawsStayBelowN) {
    RandomSource random([] { return 12345u; });
    random.reseed();
    std::set<uint32_t> seen;
    for (int k = 0; k < 1000; ++k) {
        const uint32_t v = random.below(7);
        ASSERT_LT(v, 7u);
        seen.insert(v);
    }
    EXPECT_EQ(seen.size(), 7u);
}

TEST(R62RandomSource, UniformIsSeedOver2To32) {
    RandomSource random;
    random.setSeed(0);  // the next seed is 1
    EXPECT_DOUBLE_EQ(random.uniform(), 1.0 / 4294967296.0);
    for (int k = 0; k < 100; ++k) {
        const double u = random.uniform();
        ASSERT_GE(u, 0.0);
        ASSERT_LT(u, 1.0);
    }
}

TEST(R62RandomSource, ReseedTakesTheSeedSourceEveryTime) {
    uint32_t calls = 0;
    RandomSource random([&calls] { return 100u + calls++; });
    random.reseed();
    EXPECT_EQ(random.seed(), 100u);
    random.next();
    random.reseed();
    EXPECT_EQ(random.seed(), 101u);
    EXPECT_EQ(calls, 2u);
}

TEST(R62RandomSource, FixedSourceGivesTheSameSequence) {
    RandomSource a([] { return 42u; });
    RandomSource b([] { return 42u; });
    a.reseed();
    b.reseed();
    for (int k = 0; k < 20; ++k) EXPECT_EQ(a.below(1000), b.below(1000));
}

TEST(R62RandomSource, ProcessGeneratorAcceptsAReplacementSource) {
    RandomSource& random = r62Random();
    random.setSeedSource([] { return 7u; });
    random.reseed();
    EXPECT_EQ(random.seed(), 7u);
    random.setSeedSource(highResolutionClockSeed);
}
