// Resolving file names written in data files (Windows separators and case rules).
#pragma once

#include <filesystem>
#include <string_view>

namespace tressmoor::data {

/// Turns a file name from a data file into a path below `base`: "\" becomes "/", and when a
/// component does not exist with its exact spelling, a case-insensitive (ASCII) match in that
/// folder is used instead. Components that match nothing are kept as written, so the result
/// names the missing file the way the data file did. An absolute name ignores `base`.
std::filesystem::path resolveDataPath(const std::filesystem::path& base, std::string_view name);

/// The name with "\" turned into "/".
std::string toSlashes(std::string_view name);

}  // namespace tressmoor::data
