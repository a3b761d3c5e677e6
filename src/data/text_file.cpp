#include "data/text_file.h"

#include <iconv.h>

#include <cerrno>
#include <fstream>
#include <iterator>

namespace tressmoor::data {

namespace {

// Converts with iconv, replacing what does not convert by `replacement` and going on.
std::string convert(std::string_view in, const char* to, const char* from,
                    std::string_view replacement, std::size_t skipOnError) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::string(in);
    std::string out;
    out.reserve(in.size() * 3 / 2 + 16);
    char* src = const_cast<char*>(in.data());
    std::size_t srcLeft = in.size();
    char buffer[4096];
    while (srcLeft > 0) {
        char* dst = buffer;
        std::size_t dstLeft = sizeof buffer;
        std::size_t rc = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
        out.append(buffer, static_cast<std::size_t>(dst - buffer));
        if (rc == static_cast<std::size_t>(-1)) {
            if (errno == E2BIG) continue;
            // EILSEQ or EINVAL (a truncated sequence at the end): replace and skip ahead.
            out.append(replacement);
            std::size_t skip = std::min(skipOnError, srcLeft);
            if (from == std::string_view("UTF-8")) {
                // skip one whole UTF-8 character
                skip = 1;
                while (skip < srcLeft && (static_cast<unsigned char>(src[skip]) & 0xC0) == 0x80) {
                    ++skip;
                }
            }
            src += skip;
            srcLeft -= skip;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
        }
    }
    iconv_close(cd);
    return out;
}

}  // namespace

namespace {

// Length of the well-formed UTF-8 character at s[i] (no overlong forms, no surrogates, nothing
// above U+10FFFF); 0 when the bytes there are not one.
std::size_t utf8CharLength(std::string_view s, std::size_t i) {
    const auto c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) return 1;
    std::size_t length;
    unsigned int cp;
    if (c >= 0xC2 && c <= 0xDF) {
        length = 2;
        cp = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
        length = 3;
        cp = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
        length = 4;
        cp = c & 0x07;
    } else {
        return 0;
    }
    if (i + length > s.size()) return 0;
    for (std::size_t k = 1; k < length; ++k) {
        const auto cc = static_cast<unsigned char>(s[i + k]);
        if ((cc & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (cc & 0x3F);
    }
    if ((length == 3 && cp < 0x800) || (length == 4 && (cp < 0x10000 || cp > 0x10FFFF)) ||
        (cp >= 0xD800 && cp <= 0xDFFF)) {
        return 0;
    }
    return length;
}

// UTF-8 text with every byte sequence that is not a well-formed character replaced by U+FFFD:
// a bad lead byte together with the continuation bytes that follow it (at most three).
std::string repairUtf8(std::string_view s) {
    std::string out;
    out.reserve(s.size() + 16);
    std::size_t i = 0;
    while (i < s.size()) {
        if (const std::size_t length = utf8CharLength(s, i)) {
            out.append(s.substr(i, length));
            i += length;
            continue;
        }
        out.append("\xEF\xBF\xBD");
        std::size_t skip = 1;
        while (skip < 4 && i + skip < s.size() &&
               (static_cast<unsigned char>(s[i + skip]) & 0xC0) == 0x80) {
            ++skip;
        }
        i += skip;
    }
    return out;
}

}  // namespace

bool isValidUtf8(std::string_view s) {
    for (std::size_t i = 0; i < s.size();) {
        const std::size_t length = utf8CharLength(s, i);
        if (length == 0) return false;
        i += length;
    }
    return true;
}

std::string decodeText(std::string_view bytes) {
    constexpr std::string_view kBom = "\xEF\xBB\xBF";
    if (bytes.starts_with(kBom)) {
        // Marked UTF-8 stays UTF-8 even when damaged; iconv's UTF-8 reader lets some forms
        // through that are not well-formed (and could not be shown or written back).
        bytes.remove_prefix(kBom.size());
        return repairUtf8(bytes);
    }
    if (isValidUtf8(bytes)) return std::string(bytes);
    // What iconv makes of CP932 is checked as well: the rest of the program relies on it.
    return repairUtf8(convert(bytes, "UTF-8", "CP932", "\xEF\xBF\xBD", 1));
}

std::string encodeCp932(std::string_view utf8) { return convert(utf8, "CP932", "UTF-8", "?", 1); }

std::vector<std::string> splitLines(std::string_view text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    const std::size_t n = text.size();
    for (std::size_t i = 0; i < n; ++i) {
        char c = text[i];
        if (c == '\n' || c == '\r') {
            lines.emplace_back(text.substr(start, i - start));
            if (c == '\r' && i + 1 < n && text[i + 1] == '\n') ++i;
            start = i + 1;
        }
    }
    if (start < n) lines.emplace_back(text.substr(start));
    return lines;
}

std::optional<std::vector<std::string>> readTextLines(const std::filesystem::path& file) {
    std::error_code ec;
    if (std::filesystem::is_directory(file, ec)) return std::nullopt;
    std::ifstream in(file, std::ios::binary);
    if (!in) return std::nullopt;
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) return std::nullopt;
    return splitLines(decodeText(bytes));
}

}  // namespace tressmoor::data
