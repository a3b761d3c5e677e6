// Synthesis of the sample content's sounds: every wave a data file names is made here.
#pragma once

#include <map>
#include <string>
#include <string_view>

#include "wav_file.h"

namespace tressmoor::mkcontent {

/// What some sounds need to know about the line: station readings by station index (kana, for
/// the spoken announcements).
struct SoundContext {
    std::map<int, std::string> stationReadings;
};

/// Makes the sound named by a data file (the name as written, e.g. "sound\\kanko\\on_time.wav").
/// The recipe is chosen by the file's folder and stem ("683/horn_start"), else by its stem alone;
/// spoken calls and announcements go through espeak-ng.
/// Throws std::runtime_error for a name without a recipe or when speech synthesis fails.
PcmSound makeSound(std::string_view name, const SoundContext& context);

/// The Japanese text (kana) spoken for a call or announcement stem, or "" when the stem is not a
/// spoken one.
std::string spokenText(std::string_view stem, const SoundContext& context);

/// Speaks kana text with espeak-ng's Japanese voice; 22050 Hz mono, peak-normalised.
PcmSound speak(const std::string& kana);

}  // namespace tressmoor::mkcontent
