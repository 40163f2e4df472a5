#include "statistics/core/random_source.h"

#include <chrono>
#include <utility>

uint32_t highResolutionClockSeed() {
    const auto ticks = std::chrono::high_resolution_clock::now().time_since_epoch().count();
    return static_cast<uint32_t>(static_cast<uint64_t>(ticks));
}

RandomSource::RandomSource(SeedSource source) : source_(std::move(source)) {}

void RandomSource::setSeedSource(SeedSource source) {
    source_ = std::move(source);
}

void RandomSource::reseed() {
    seed_ = source_ ? source_() : highResolutionClockSeed();
}

uint32_t RandomSource::next() {
    seed_ = seed_ * kMultiplier + 1u;  // unsigned arithmetic wraps mod 2^32
    return seed_;
}

uint32_t RandomSource::below(uint32_t n) {
    const uint64_t product = static_cast<uint64_t>(next()) * n;
    return static_cast<uint32_t>(product >> 32);
}

double RandomSource::uniform() {
    return static_cast<double>(next()) * (1.0 / 4294967296.0);
}
