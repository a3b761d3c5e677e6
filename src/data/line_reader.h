// The line-oriented reader shared by every data file.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tressmoor::data {

/// Walks the lines of a data file the way every reader of the program does:
///
///     LineReader r(lines);
///     while (r.next()) {                       // one pass per line read
///         if (r.opens("[Disp]")) { auto v = r.value(); ... }
///         if (r.opens("[Path]")) { ... }       // tested against the last line read,
///     }                                        // so a value line can open a later key
///
/// A key opens a section when the current line begins with it (exact, case-sensitive, over the
/// key's length); text after the key is ignored. Reading value lines makes the last of them the
/// current line, so the remaining key tests of the same pass are made against it.
class LineReader {
public:
    explicit LineReader(std::vector<std::string> lines) : lines_(std::move(lines)) {}

    /// Reads the next line and makes it current; false (current unchanged) at the end of file.
    bool next();
    /// The last line read ("" before the first).
    const std::string& current() const { return current_; }
    /// True when the current line begins with `key`.
    bool opens(std::string_view key) const { return current_.starts_with(key); }

    /// Reads the next line as a value line, without testing it, and makes it current.
    /// nullopt at the end of the file (the current line then becomes "").
    std::optional<std::string> value();
    /// Reads list lines up to a line whose first character is "#" (that line is consumed and
    /// becomes current) or to the end of the file (the last list line stays current).
    std::vector<std::string> list();

    bool atEnd() const { return position_ >= lines_.size(); }
    /// 1-based number of the current line (0 before the first).
    std::size_t lineNumber() const { return position_; }

private:
    std::vector<std::string> lines_;
    std::size_t position_ = 0;  ///< index of the next line to read
    std::string current_;
};

}  // namespace tressmoor::data
