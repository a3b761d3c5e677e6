// The two rounding rules used throughout the simulation, and saturating sums.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

namespace tressmoor::data {

namespace detail {
inline std::int64_t clampToInt64(long double x) {
    constexpr long double kMax = 9.2233720368547758e18L;
    if (std::isnan(x)) return 0;
    if (x >= kMax) return std::numeric_limits<std::int64_t>::max();
    if (x <= -kMax) return std::numeric_limits<std::int64_t>::min();
    return static_cast<std::int64_t>(x);
}
}  // namespace detail

/// Plain rounding: to the nearest integer, ties to the even neighbour (2.5 → 2, 3.5 → 4).
/// NaN gives 0; values beyond the 64-bit range saturate.
inline std::int64_t roundTiesEven(long double x) {
    if (std::isnan(x)) return 0;
    long double r = std::floor(x);
    long double diff = x - r;
    if (diff > 0.5L || (diff == 0.5L && std::fmod(r, 2.0L) != 0.0L)) r += 1.0L;
    return detail::clampToInt64(r);
}

/// a + b, held at the ends of the 64-bit range instead of overflowing.
inline std::int64_t saturatingAdd(std::int64_t a, std::int64_t b) {
    constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
    constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();
    if (b > 0 && a > kMax - b) return kMax;
    if (b < 0 && a < kMin - b) return kMin;
    return a + b;
}

/// Rounding half away from zero (2.5 → 3, −2.5 → −3).
inline std::int64_t roundHalfAway(long double x) {
    if (std::isnan(x)) return 0;
    long double r = std::floor(std::fabs(x) + 0.5L);
    return detail::clampToInt64(x < 0 ? -r : r);
}

}  // namespace tressmoor::data
