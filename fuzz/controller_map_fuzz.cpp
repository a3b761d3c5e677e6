// The controller map (mascon.dat) and the joystick calibration, then joystick polls of every
// controller type with them. The input is the map text, a NUL byte, the calibration values
// P0 … P5, B0 … B8, EB one per line as the settings store holds them, a NUL byte, then the
// handle limits (one byte) and readings of eight bytes each (X, Y little-endian 16 bits, the
// buttons 32 bits).
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "data/settings_file.h"
#include "data/settings_store.h"
#include "data/settings_types.h"
#include "data/text_file.h"
#include "input/controllers.h"

namespace {

std::string_view cutAtNul(std::string_view& rest) {
    const auto at = rest.find('\0');
    const std::string_view part = rest.substr(0, at);
    rest = at == std::string_view::npos ? std::string_view{} : rest.substr(at + 1);
    return part;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tressmoor;
    std::string_view rest(reinterpret_cast<const char*>(data), size);
    const std::string_view mapText = cutAtNul(rest);
    const std::string_view calibrationText = cutAtNul(rest);

    data::ControllerMap map;
    map.SerialCodes = data::ParseControllerMapLines(data::splitLines(data::decodeText(mapText)));
    static const char* const kNames[] = {"P0", "P1", "P2", "P3", "P4", "P5", "B0", "B1",
                                         "B2", "B3", "B4", "B5", "B6", "B7", "B8", "EB"};
    data::MemorySettingsStore store;
    std::size_t n = 0;
    for (const std::string& value : data::splitLines(calibrationText)) {
        if (n == std::size(kNames)) break;
        store.writeString(data::kCalibrationStore, kNames[n++], value);
    }
    data::ReadControllerCalibration(store, map);

    if (rest.empty()) return 0;
    const auto limitsByte = static_cast<unsigned char>(rest[0]);
    rest.remove_prefix(1);
    const input::HandleLimits limits{limitsByte % 8, limitsByte / 8 % 11};
    input::HandlePositions handles[3];
    input::JoystickMemory memory[3];
    for (; rest.size() >= 8; rest.remove_prefix(8)) {
        const auto* b = reinterpret_cast<const unsigned char*>(rest.data());
        input::JoystickReading r;
        r.x = static_cast<std::int16_t>(b[0] | b[1] << 8);
        r.y = static_cast<std::int16_t>(b[2] | b[3] << 8);
        r.buttons = static_cast<std::uint32_t>(b[4]) | static_cast<std::uint32_t>(b[5]) << 8 |
                    static_cast<std::uint32_t>(b[6]) << 16 | static_cast<std::uint32_t>(b[7]) << 24;
        for (int type = input::kTwoAxisPad; type <= input::kFixedCodePad; ++type) {
            auto& now = handles[type - 1];
            const auto command = input::pollJoystick(type, map, limits, r, now, memory[type - 1]);
            const auto& h = command.handles;
            if (h.power < 0 || h.power > limits.powerNotches) __builtin_trap();
            if (h.brake > 0 || h.brake < -limits.brakeSteps) __builtin_trap();
            now = h;
        }
    }
    return 0;
}
