// Reading data files as text: encoding detection, decoding to UTF-8 and splitting into lines.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tressmoor::data {

/// True when the bytes are well-formed UTF-8 (no overlong forms, no surrogates).
bool isValidUtf8(std::string_view bytes);

/// Decodes a whole file's bytes to UTF-8: a file that starts with a UTF-8 byte-order mark or is
/// valid UTF-8 is taken as it is (without the mark); anything else is read as Shift_JIS (CP932),
/// with U+FFFD for bytes that do not decode.
std::string decodeText(std::string_view bytes);

/// Splits decoded text into lines. A line ends at LF, CR LF or a lone CR; the break itself is not
/// part of the line. A final line without a break counts; a break at the very end adds no empty
/// line.
std::vector<std::string> splitLines(std::string_view text);

/// Reads a file as decoded lines; nullopt when it cannot be opened or read.
std::optional<std::vector<std::string>> readTextLines(const std::filesystem::path& file);

/// Encodes UTF-8 text as CP932 (for writing files that older tools read); characters CP932
/// cannot hold become "?".
std::string encodeCp932(std::string_view utf8);

}  // namespace tressmoor::data
