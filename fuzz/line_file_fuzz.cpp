// Any line-file content either loads or ends in the one fatal-error type.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "data/fatal_error.h"
#include "data/line_file.h"
#include "data/random_source.h"
#include "data/text_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tressmoor::data;
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    // The first byte picks the video rate (0 included), so degenerate speed tables are tried.
    int fps = size > 0 ? static_cast<unsigned char>(bytes[0]) % 61 : 30;
    SeededRandom random(size);
    try {
        LineData line = ParseLineLines(splitLines(decodeText(bytes)), "train_223.dat", fps, random);
        // Use the results so the conversions cannot be skipped.
        std::int64_t sum = 0;
        for (const PatternTarget& t : line.PatternTargets) sum += t.Distance % 7;
        for (int frame = -2; frame < 2000; frame += 97) sum += line.FrameToDistance(frame) % 3;
        if (sum == 42 && line.callWave(22).size() == 42) return 1;
    } catch (const FatalError&) {
    }
    return 0;
}
