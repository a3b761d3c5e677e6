// Field splitting and locale-independent number conversion for data-file lines.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tressmoor::data {

/// The n-th comma-separated field of a line (1-based), untrimmed; "0" when the line has fewer
/// than n fields. An empty line has one (empty) field.
std::string FieldOf(std::string_view line, int n);

/// Signed decimal integer in the 32-bit range ("+7", "-12"; blanks around it are allowed).
/// Anything else gives nullopt.
std::optional<int> parseInt(std::string_view text);

/// Decimal real ("12.5", "-.5", "1e-3"; blanks around it are allowed). Only "." is a decimal
/// point, whatever the locale; infinities and NaN are refused.
std::optional<long double> parseReal(std::string_view text);

/// Removes leading and trailing blanks (spaces and tabs).
std::string_view trimBlanks(std::string_view text);

}  // namespace tressmoor::data
