// Any script text either parses into commands in time order with usable times, or ends in
// std::invalid_argument naming the line.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string_view>

#include "input/keys.h"
#include "sim/script.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using tressmoor::sim::ScriptCommand;
    std::string_view text(reinterpret_cast<const char*>(data), size);
    try {
        const auto script = tressmoor::sim::parseScript(text);
        double last = 0;
        for (const ScriptCommand& c : script.commands) {
            // The runners wait for these times; they must be finite and never run backwards.
            if (!std::isfinite(c.atSeconds) || c.atSeconds < last) __builtin_trap();
            if (!std::isfinite(c.holdSeconds) || c.holdSeconds < 0) __builtin_trap();
            last = c.atSeconds;
            if (c.kind == ScriptCommand::Kind::Key || c.kind == ScriptCommand::Kind::KeyUp ||
                c.kind == ScriptCommand::Kind::Hold) {
                // A key read from a script names itself again the same way.
                const auto again = tressmoor::input::parseKeyName(tressmoor::input::keyName(c.key));
                if (!again || again->key != c.key.key || again->character != c.key.character ||
                    again->shift != c.key.shift) {
                    __builtin_trap();
                }
            }
        }
    } catch (const std::invalid_argument&) {
    }
    return 0;
}
