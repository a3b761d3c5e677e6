// fixed4: a decimal number held as a 64-bit count of ten-thousandths.
#pragma once

#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tressmoor::data {

/// Rates, masses, gradients and forces are held with exactly four decimals, so that a value
/// written in a data file ("0.1") is held exactly and sums of such values do not drift.
struct fixed4 {
    static constexpr std::int64_t kScale = 10000;

    std::int64_t raw = 0;  ///< value × 10000

    static constexpr fixed4 fromRaw(std::int64_t r) { return fixed4{r}; }
    static constexpr fixed4 fromInt(std::int64_t v) { return fixed4{v * kScale}; }
    /// The nearest fixed4 to x (ties to even at the fifth decimal); NaN gives 0, huge values
    /// saturate.
    static fixed4 fromReal(long double x);
    /// Exact decimal parsing ("12.5", "-0.00005", "1e3"), rounded to four decimals with ties to
    /// even. Leading and trailing blanks are allowed; anything else that is not a number, or a
    /// number outside the 64-bit range, gives nullopt.
    static std::optional<fixed4> parse(std::string_view text);

    long double toReal() const { return static_cast<long double>(raw) / kScale; }
    double toDouble() const { return static_cast<double>(raw) / kScale; }
    /// Shortest decimal text with up to four decimals ("12.5", "-0.0001", "3").
    std::string toString() const;

    friend constexpr auto operator<=>(fixed4, fixed4) = default;
    friend constexpr fixed4 operator+(fixed4 a, fixed4 b) { return fixed4{a.raw + b.raw}; }
    friend constexpr fixed4 operator-(fixed4 a, fixed4 b) { return fixed4{a.raw - b.raw}; }
    friend constexpr fixed4 operator-(fixed4 a) { return fixed4{-a.raw}; }
    constexpr fixed4& operator+=(fixed4 b) { raw += b.raw; return *this; }
    constexpr fixed4& operator-=(fixed4 b) { raw -= b.raw; return *this; }
    /// Product rounded to four decimals (ties to even).
    friend fixed4 operator*(fixed4 a, fixed4 b);
};

}  // namespace tressmoor::data
