// Any train-file content either loads or ends in the one fatal-error type.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "data/fatal_error.h"
#include "data/text_file.h"
#include "data/train_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tressmoor::data;
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    try {
        TrainFile file = ParseTrainLines(splitLines(decodeText(bytes)));
        ApplyTrainStartRules(file.spec);
    } catch (const FatalError&) {
    }
    return 0;
}
