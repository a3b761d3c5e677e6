// Any settings-file content either loads or ends in the one fatal-error type.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "data/fatal_error.h"
#include "data/settings_file.h"
#include "data/text_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    tressmoor::data::AppSettings settings;
    try {
        tressmoor::data::ParseSettingsLines(
            tressmoor::data::splitLines(tressmoor::data::decodeText(bytes)), settings);
    } catch (const tressmoor::data::FatalError&) {
    }
    tressmoor::data::ParseControllerMapLines(
        tressmoor::data::splitLines(tressmoor::data::decodeText(bytes)));
    return 0;
}
