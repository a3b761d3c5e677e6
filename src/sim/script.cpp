#include "sim/script.h"

#include <algorithm>
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
        if (w.size() > 3 && w[3].starts_with("#")) w.resize(3);
        if (w.size() > 2 && w[2].starts_with("#") && w[1] != "key" && w[1] != "keyup") {
            w.resize(2);
        }
        if (w.empty()) continue;
        auto fail = [&](const std::string& why) {
            throw std::invalid_argument("script line " + std::to_string(number) + ": " + why +
                                        ": " + raw);
        };
        if (w.size() == 2 && w[1] == "quit") w.emplace_back();
        if (w.size() < 3) fail("expected '<seconds> <command> <argument>'");
        auto at = data::parseReal(w[0]);
        if (!at || *at < 0) fail("the time is not a number of seconds");
        ScriptCommand c;
        c.atSeconds = static_cast<double>(*at);
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
                auto seconds = w.size() > 3 ? data::parseReal(w[3]) : std::nullopt;
                if (!seconds || *seconds < 0) fail("hold needs a number of seconds");
                c.holdSeconds = static_cast<double>(*seconds);
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
