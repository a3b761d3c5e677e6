#include "data/path_resolver.h"

#include <algorithm>
#include <string>
#include <system_error>

namespace tressmoor::data {

namespace {

bool equalsIgnoreAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto x = static_cast<unsigned char>(a[i]);
        auto y = static_cast<unsigned char>(b[i]);
        if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

}  // namespace

std::string toSlashes(std::string_view name) {
    std::string s(name);
    std::replace(s.begin(), s.end(), '\\', '/');
    return s;
}

std::filesystem::path resolveDataPath(const std::filesystem::path& base, std::string_view name) {
    namespace fs = std::filesystem;
    fs::path relative(toSlashes(name));
    fs::path exact = relative.is_absolute() ? relative : base / relative;
    std::error_code ec;
    if (fs::exists(exact, ec)) return exact;

    fs::path result = relative.is_absolute() ? relative.root_path() : base;
    bool matching = true;  // false once a component is missing: the rest is kept as written
    for (const fs::path& part : relative.relative_path()) {
        if (part.empty()) continue;
        if (!matching || part == "." || part == ".." || fs::exists(result / part, ec)) {
            result /= part;
            continue;
        }
        const std::string wanted = part.string();
        fs::path found;
        for (fs::directory_iterator it(result.empty() ? fs::path(".") : result, ec), end;
             !ec && it != end; it.increment(ec)) {
            const std::string candidate = it->path().filename().string();
            // Several spellings may match; take the first in byte order so the choice is stable.
            if (equalsIgnoreAsciiCase(candidate, wanted) &&
                (found.empty() || candidate < found.string())) {
                found = candidate;
            }
        }
        if (found.empty()) {
            matching = false;
            result /= part;
        } else {
            result /= found;
        }
    }
    return result;
}

}  // namespace tressmoor::data
