// The help text file (operation.dat) as the help window reads it: any bytes decode to valid
// UTF-8 lines without line breaks in them (the first line is the caption, the rest the text).
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "data/text_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tressmoor::data;
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::string text = decodeText(bytes);
    if (!isValidUtf8(text)) __builtin_trap();
    for (const std::string& line : splitLines(text)) {
        if (line.find_first_of("\r\n") != std::string::npos) __builtin_trap();
    }
    // Text written back for older tools (CP932) must encode whatever was read.
    const std::string back = encodeCp932(text);
    if (text.empty() != back.empty()) __builtin_trap();
    return 0;
}
