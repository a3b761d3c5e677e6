// Any file bytes: the RIFF chunk walk of the sound loader either finds a header that keeps
// within the file or gives up.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

#include "sound/memory_mixer.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size),
                          std::ios::binary);
    const auto info = tressmoor::sound::readWavInfo(in);
    if (!info) return 0;
    if (info->dataSize > size) __builtin_trap();
    const double ms = info->lengthMs();
    if (!std::isfinite(ms) || ms < 0 || info->durationSeconds() < 0) __builtin_trap();
    return 0;
}
