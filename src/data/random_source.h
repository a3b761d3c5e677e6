// The seedable random source of the simulation core.
#pragma once

#include <cstdint>
#include <memory>
#include <random>

namespace tressmoor::data {

/// The few random draws the simulation makes (the preceding train's delays, the door-sound
/// chance at one-man stations). The desktop program seeds it from the clock; tests and the
/// headless runner seed it from `--seed`, so a run can be repeated exactly.
class RandomSource {
public:
    virtual ~RandomSource() = default;

    /// A uniform integer in 0 … n − 1; 0 when n is 0 or negative.
    virtual int uniformInt(int n) = 0;
    /// A uniform real in [0, 1).
    virtual double uniformReal() = 0;
};

/// Deterministic random source on std::mt19937. The mapping from the engine's 32-bit outputs
/// to the draws is the program's own (not the standard library's distributions), so one seed
/// gives the same draws with every compiler and library.
class SeededRandom final : public RandomSource {
public:
    explicit SeededRandom(std::uint64_t seed);

    int uniformInt(int n) override;
    double uniformReal() override;

private:
    std::mt19937 engine_;
};

/// A seed taken from the system clock, for the desktop program.
std::uint64_t clockSeed();

/// A SeededRandom seeded from the clock.
std::unique_ptr<RandomSource> makeClockSeededRandom();

}  // namespace tressmoor::data
