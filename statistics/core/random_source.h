// r62's random numbers: the 32-bit linear congruential generator
//   seed := seed * 134775813 + 1 (mod 2^32),
// whose integer draw below n is the high 32 bits of seed * n. Network
// training, k-means and segmentation reseed it from a clock at fixed points;
// where the seed comes from is replaceable, so that tests get fixed draws.
#pragma once

#include <cstdint>
#include <functional>

// The low 32 bits of the high-resolution clock's count.
uint32_t highResolutionClockSeed();

class RandomSource {
  public:
    using SeedSource = std::function<uint32_t()>;

    static constexpr uint32_t kMultiplier = 134775813u;

    // Starts from seed 0; the first reseed() asks `source`.
    explicit RandomSource(SeedSource source = highResolutionClockSeed);

    // seed := a fresh value from the seed source.
    void reseed();
    void setSeed(uint32_t value) { seed_ = value; }
    uint32_t seed() const { return seed_; }

    void setSeedSource(SeedSource source);

    // Advances the generator and returns the new seed.
    uint32_t next();
    // Advances, then the high 32 bits of seed * n: an integer in 0..n-1 for
    // n > 0, 0 for n = 0.
    uint32_t below(uint32_t n);
    // Advances, then seed / 2^32: a real in [0, 1).
    double uniform();

  private:
    SeedSource source_;
    uint32_t seed_ = 0;
};

// The process's generator, reseeded from the clock.
RandomSource& r62Random();
