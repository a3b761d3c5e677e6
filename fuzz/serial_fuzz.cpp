// Serial input with any controller map: the received characters are collected into messages
// and decoded. The input is the controller map text, a NUL byte, then the received stream, cut
// into the chunks the port delivers at every byte 0x01.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "data/settings_file.h"
#include "data/settings_types.h"
#include "data/text_file.h"
#include "input/controllers.h"

namespace {

void check(const tressmoor::input::SerialCommand& c) {
    if (c.handleCode < 0 || c.handleCode > 16) __builtin_trap();
    if (c.reverser && (*c.reverser < -1 || *c.reverser > 1)) __builtin_trap();
    if (c.characters.size() > 3 || c.characters.find_first_not_of(" 37") != std::string::npos) {
        __builtin_trap();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tressmoor;
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const auto split = bytes.find('\0');
    std::string_view mapText = bytes.substr(0, split);
    std::string_view stream = split == std::string_view::npos ? std::string_view{}
                                                              : bytes.substr(split + 1);
    data::ControllerMap map;
    map.SerialCodes = data::ParseControllerMapLines(data::splitLines(data::decodeText(mapText)));

    input::SerialAssembler serial;
    while (true) {
        const auto cut = stream.find('\x01');
        const std::string_view chunk = stream.substr(0, cut);
        if (auto message = serial.receive(chunk)) {
            if (message->find('\r') == std::string::npos) __builtin_trap();
            check(input::decodeSerialMessage(map, *message));
        }
        if (serial.pending().size() > input::SerialAssembler::kMaxMessage) __builtin_trap();
        if (cut == std::string_view::npos) break;
        stream.remove_prefix(cut + 1);
    }
    // A message of the pending text alone, as a port that closes mid-line leaves it.
    check(input::decodeSerialMessage(map, serial.pending()));
    return 0;
}
