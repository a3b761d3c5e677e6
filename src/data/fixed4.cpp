#include "data/fixed4.h"

#include <cctype>
#include <limits>

#include "data/rounding.h"

namespace tressmoor::data {

namespace {

// 128-bit intermediate for exact products and long digit strings.
__extension__ typedef __int128 Int128;

bool isBlank(char c) { return c == ' ' || c == '\t'; }

// Rounds the quotient n / d (d > 0) to the nearest integer, ties to even.
Int128 divRoundEven(Int128 n, Int128 d) {
    bool neg = n < 0;
    if (neg) n = -n;
    Int128 q = n / d;
    Int128 r = n % d;
    if (2 * r > d || (2 * r == d && (q & 1))) ++q;
    return neg ? -q : q;
}

}  // namespace

fixed4 fixed4::fromReal(long double x) { return fixed4{roundTiesEven(x * kScale)}; }

std::optional<fixed4> fixed4::parse(std::string_view s) {
    while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
    std::size_t i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';

    // Significant digits without leading zeros, and the power of ten they are scaled by.
    std::string digits;
    long exponent = 0;
    bool anyDigit = false;
    for (; i < s.size() && std::isdigit(static_cast<unsigned char>(s[i])); ++i) {
        anyDigit = true;
        if (!digits.empty() || s[i] != '0') digits.push_back(s[i]);
    }
    if (i < s.size() && s[i] == '.') {
        ++i;
        for (; i < s.size() && std::isdigit(static_cast<unsigned char>(s[i])); ++i) {
            anyDigit = true;
            if (!digits.empty() || s[i] != '0') digits.push_back(s[i]);
            --exponent;
        }
    }
    if (!anyDigit) return std::nullopt;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        ++i;
        bool expNegative = false;
        if (i < s.size() && (s[i] == '+' || s[i] == '-')) expNegative = s[i++] == '-';
        if (i >= s.size()) return std::nullopt;
        long e = 0;
        for (; i < s.size() && std::isdigit(static_cast<unsigned char>(s[i])); ++i) {
            if (e < 100000) e = e * 10 + (s[i] - '0');
        }
        exponent += expNegative ? -e : e;
    }
    if (i != s.size()) return std::nullopt;
    if (digits.empty()) return fixed4{0};

    // value × 10^4 = digits × 10^shift
    long shift = exponent + 4;
    long intLength = static_cast<long>(digits.size()) + shift;
    if (intLength > 19) return std::nullopt;
    Int128 whole = 0;
    for (long k = 0; k < intLength; ++k) {
        whole = whole * 10 + (k < static_cast<long>(digits.size()) ? digits[k] - '0' : 0);
    }
    if (intLength < static_cast<long>(digits.size())) {
        // Round on the dropped digits: the first decides, the rest break a tie.
        long first = intLength < 0 ? 0 : intLength;  // index of the first dropped digit
        int roundDigit = intLength < 0 ? 0 : digits[first] - '0';
        bool sticky = false;
        for (long k = (intLength < 0 ? 0 : first + 1); k < static_cast<long>(digits.size()); ++k) {
            if (digits[k] != '0') sticky = true;
        }
        if (roundDigit > 5 || (roundDigit == 5 && (sticky || (whole & 1)))) ++whole;
    }
    if (whole > static_cast<Int128>(std::numeric_limits<std::int64_t>::max())) {
        return std::nullopt;
    }
    auto raw = static_cast<std::int64_t>(whole);
    return fixed4{negative ? -raw : raw};
}

std::string fixed4::toString() const {
    unsigned long long mag = raw < 0 ? 0ULL - static_cast<unsigned long long>(raw)
                                     : static_cast<unsigned long long>(raw);
    std::string text = std::to_string(mag / kScale);
    unsigned long long frac = mag % kScale;
    if (frac != 0) {
        std::string f = std::to_string(frac);
        f.insert(0, 4 - f.size(), '0');
        while (f.back() == '0') f.pop_back();
        text += "." + f;
    }
    return raw < 0 ? "-" + text : text;
}

fixed4 operator*(fixed4 a, fixed4 b) {
    Int128 product = static_cast<Int128>(a.raw) * b.raw;
    Int128 q = divRoundEven(product, fixed4::kScale);
    constexpr Int128 kMax = std::numeric_limits<std::int64_t>::max();
    if (q > kMax) q = kMax;
    if (q < -kMax) q = -kMax;
    return fixed4{static_cast<std::int64_t>(q)};
}

}  // namespace tressmoor::data
