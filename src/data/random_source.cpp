#include "data/random_source.h"

#include <chrono>

namespace tressmoor::data {

namespace {

std::mt19937 seededEngine(std::uint64_t seed) {
    std::seed_seq sequence{static_cast<std::uint32_t>(seed & 0xFFFFFFFFu),
                           static_cast<std::uint32_t>(seed >> 32)};
    return std::mt19937(sequence);
}

}  // namespace

SeededRandom::SeededRandom(std::uint64_t seed) : engine_(seededEngine(seed)) {}

int SeededRandom::uniformInt(int n) {
    if (n <= 1) return 0;
    // Rejection sampling: outputs at or above the largest multiple of n are drawn again, so
    // every value is equally likely.
    const std::uint32_t range = static_cast<std::uint32_t>(n);
    const std::uint32_t limit = 0xFFFFFFFFu - (0xFFFFFFFFu % range + 1) % range;
    std::uint32_t x = static_cast<std::uint32_t>(engine_());
    while (x > limit) x = static_cast<std::uint32_t>(engine_());
    return static_cast<int>(x % range);
}

double SeededRandom::uniformReal() {
    // 53 random bits: 27 from the first output, 26 from the second.
    const std::uint64_t a = static_cast<std::uint32_t>(engine_()) >> 5;
    const std::uint64_t b = static_cast<std::uint32_t>(engine_()) >> 6;
    return static_cast<double>(a * 67108864u + b) / 9007199254740992.0;
}

std::uint64_t clockSeed() {
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    const auto ticks = std::chrono::duration_cast<std::chrono::nanoseconds>(now).count();
    return static_cast<std::uint64_t>(ticks) ^
           static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
}

std::unique_ptr<RandomSource> makeClockSeededRandom() {
    return std::make_unique<SeededRandom>(clockSeed());
}

}  // namespace tressmoor::data
