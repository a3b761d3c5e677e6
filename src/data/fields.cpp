#include "data/fields.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace tressmoor::data {

std::string FieldOf(std::string_view line, int n) {
    if (n < 1) return "0";
    std::size_t start = 0;
    for (int field = 1; field < n; ++field) {
        std::size_t comma = line.find(',', start);
        if (comma == std::string_view::npos) return "0";
        start = comma + 1;
    }
    std::size_t end = line.find(',', start);
    return std::string(line.substr(start, end == std::string_view::npos ? end : end - start));
}

std::string_view trimBlanks(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

std::optional<int> parseInt(std::string_view text) {
    std::string_view s = trimBlanks(text);
    if (!s.empty() && s.front() == '+') {
        s.remove_prefix(1);
        if (!s.empty() && (s.front() == '-' || s.front() == '+')) return std::nullopt;
    }
    if (s.empty()) return std::nullopt;
    long long value = 0;
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (ec != std::errc() || end != s.data() + s.size()) return std::nullopt;
    if (value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max()) {
        return std::nullopt;
    }
    return static_cast<int>(value);
}

std::optional<long double> parseReal(std::string_view text) {
    std::string_view s = trimBlanks(text);
    if (!s.empty() && s.front() == '+') {
        s.remove_prefix(1);
        if (!s.empty() && (s.front() == '-' || s.front() == '+')) return std::nullopt;
    }
    if (s.empty()) return std::nullopt;
    // from_chars would take "inf" and "nan"; a data file never means those.
    for (char c : s) {
        bool ok = (c >= '0' && c <= '9') || c == '.' || c == '-' || c == '+' || c == 'e' || c == 'E';
        if (!ok) return std::nullopt;
    }
    long double value = 0;
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (ec != std::errc() || end != s.data() + s.size() || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

}  // namespace tressmoor::data
