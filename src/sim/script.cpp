#include "sim/script.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <optional>
#include <sstream>
#include <stdexcept>

#include "data/fields.h"
#include "data/text_file.h"

namespace tressmoor::sim {

namespace {

std::vector<std::string> words(std::string_view line) {
    std::vector<std::string> out;
    std::istringstream in{std::string(line)};
    for (std::string w; in >> w;) out.push_back(w);
    return out;
}

/// Replaces the escapes of a serial text; nullopt for an unknown or cut-off escape.
std::optional<std::string> unescape(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            out.push_back(text[i]);
            continue;
        }
        if (++i == text.size()) return std::nullopt;
        switch (text[i]) {
            case 'r':
                out.push_back('\r');
                break;
            case 'n':
                out.push_back('\n');
                break;
            case 't':
                out.push_back('\t');
                break;
            case '\\':
                out.push_back('\\');
                break;
            case 'x': {
                const std::string hex(text.substr(i + 1, 2));
                if (hex.size() != 2 ||
                    hex.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos) {
                    return std::nullopt;
                }
                out.push_back(static_cast<char>(std::stoi(hex, nullptr, 16)));
                i += 2;
                break;
            }
            default:
                return std::nullopt;
        }
    }
    return out;
}

/// Pressed buttons "0,3,12" or "-" as a bit set; nullopt when malformed.
std::optional<std::uint32_t> parseButtons(const std::string& text) {
    if (text == "-") return 0U;
    std::uint32_t mask = 0;
    std::istringstream in(text);
    for (std::string item; std::getline(in, item, ',');) {
        auto n = data::parseInt(item);
        if (!n || *n < 0 || *n > 31) return std::nullopt;
        mask |= 1U << *n;
    }
    if (text.empty() || text.back() == ',') return std::nullopt;
    return mask;
}

/// A number of seconds, 0 or more, that a double holds; nullopt otherwise (a time far beyond
/// any run, read as long double, would turn infinite in the runner's clock).
std::optional<double> parseSeconds(std::string_view text) {
    const auto value = data::parseReal(text);
    if (!value || *value < 0 ||
        *value > static_cast<long double>(std::numeric_limits<double>::max())) {
        return std::nullopt;
    }
    return static_cast<double>(*value);
}

}  // namespace

Script parseScript(std::string_view text) {
    Script script;
    int number = 0;
    for (const std::string& raw : data::splitLines(text)) {
        ++number;
        std::string_view line = raw;
        // A "#" starts a comment, except where it is the key named ("key #").
        auto w = words(line);
        if (!w.empty() && w[0].starts_with("#")) continue;
        for (std::size_t i = 3; i < w.size(); ++i) {
            if (w[i].starts_with("#")) {
                w.resize(i);
                break;
            }
        }
        if (w.size() > 2 && w[2].starts_with("#") && w[1] != "key" && w[1] != "keyup" &&
            w[1] != "serial") {
            w.resize(2);
        }
        if (w.empty()) continue;
        auto fail = [&](const std::string& why) {
            throw std::invalid_argument("script line " + std::to_string(number) + ": " + why +
                                        ": " + raw);
        };
        if (w.size() == 2 && w[1] == "quit") w.emplace_back();
        if (w.size() < 3) fail("expected '<seconds> <command> <argument>'");
        const auto at = parseSeconds(w[0]);
        if (!at) fail("the time is not a number of seconds");
        ScriptCommand c;
        c.atSeconds = *at;
        c.line = number;
        const std::string& verb = w[1];
        if (verb == "key" || verb == "keyup" || verb == "hold") {
            auto key = input::parseKeyName(w[2]);
            if (!key) fail("unknown key '" + w[2] + "'");
            c.key = *key;
            c.kind = verb == "key" ? ScriptCommand::Kind::Key
                     : verb == "keyup" ? ScriptCommand::Kind::KeyUp
                                       : ScriptCommand::Kind::Hold;
            if (c.kind == ScriptCommand::Kind::Hold) {
                const auto seconds = w.size() > 3 ? parseSeconds(w[3]) : std::nullopt;
                if (!seconds) fail("hold needs a number of seconds");
                c.holdSeconds = *seconds;
            } else if (w.size() > 3) {
                fail("too many words");
            }
        } else if (verb == "station" || verb == "save" || verb == "load") {
            auto n = data::parseInt(w[2]);
            if (!n || w.size() > 3) fail("expected one whole number");
            if (verb != "station" && (*n < 1 || *n > 3)) fail("the slot is 1, 2 or 3");
            if (verb == "station" && *n < 0) fail("the station index is 0 or more");
            c.number = *n;
            c.kind = verb == "station" ? ScriptCommand::Kind::Station
                     : verb == "save"  ? ScriptCommand::Kind::Save
                                       : ScriptCommand::Kind::Load;
        } else if (verb == "menu") {
            if (w.size() > 3) fail("menu takes one object name");
            c.name = w[2];
            c.kind = ScriptCommand::Kind::Menu;
        } else if (verb == "shot") {
            // The rest of the line is the picture's path (it may hold spaces).
            const auto start = line.find("shot") + 4;
            std::string path(line.substr(start));
            if (const auto hash = path.find(" #"); hash != std::string::npos) path.resize(hash);
            path.erase(0, path.find_first_not_of(" \t"));
            path.erase(path.find_last_not_of(" \t\r") + 1);
            if (path.empty()) fail("shot needs a file name");
            c.path = path;
            c.kind = ScriptCommand::Kind::Shot;
        } else if (verb == "serial") {
            // The rest of the line after one blank, trailing blanks left off.
            std::string_view rest = line.substr(line.find("serial") + 6);
            rest.remove_prefix(1);
            rest = rest.substr(0, rest.find_last_not_of(" \t\r") + 1);
            auto text = unescape(rest);
            if (!text) fail("unknown escape in the serial text");
            c.path = *text;
            c.kind = ScriptCommand::Kind::Serial;
        } else if (verb == "controller") {
            auto n = data::parseInt(w[2]);
            if (!n || w.size() > 3 || *n < 0 || *n > 3) fail("the controller type is 0 … 3");
            c.number = *n;
            c.kind = ScriptCommand::Kind::Controller;
        } else if (verb == "joy") {
            auto x = data::parseInt(w[2]);
            auto y = w.size() > 3 ? data::parseInt(w[3]) : std::nullopt;
            auto pressed = w.size() > 4 ? parseButtons(w[4]) : std::nullopt;
            auto axis = [](std::optional<int> a) { return a && *a >= -32768 && *a <= 32767; };
            if (!axis(x) || !axis(y) || !pressed || w.size() > 5) {
                fail(
                    "expected 'joy <x> <y> <buttons>' with axes -32768 … 32767 and buttons "
                    "0 … 31 as '0,3' or '-'");
            }
            c.joy = {*x, *y, *pressed};
            c.kind = ScriptCommand::Kind::Joy;
        } else if (verb == "quit") {
            if (w.size() > 2 && !w[2].empty()) fail("quit takes no argument");
            c.kind = ScriptCommand::Kind::Quit;
        } else {
            fail("unknown command '" + verb + "'");
        }
        script.commands.push_back(c);
    }
    std::stable_sort(script.commands.begin(), script.commands.end(),
                     [](const ScriptCommand& a, const ScriptCommand& b) {
                         return a.atSeconds < b.atSeconds;
                     });
    return script;
}

}  // namespace tressmoor::sim
