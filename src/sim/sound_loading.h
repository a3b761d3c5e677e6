// Loading every sound of a drive onto its channel.
#pragma once

#include <filesystem>
#include <functional>
#include <string>

#include "data/line_types.h"
#include "data/train_types.h"
#include "sound/mixer.h"
#include "sound/sound_set.h"

namespace tressmoor::sim {

/// Where the waves come from: train-file waves from the train folder, line-file waves from the
/// program folder.
struct SoundFolders {
    std::filesystem::path train;
    std::filesystem::path program;
};

/// Loads the drive, ambient, call, other-call, limit-call and engine waves in that order and
/// attaches them to their channels (see SoundSet), reporting each stage through `progress`.
/// A listed file that does not exist throws data::FatalError with its path followed by
/// "が見つかりません"; nothing is loaded after it. A file that exists but cannot be read as a
/// wave is reported through `warn` with its path and loads as an empty slot of duration 0.
/// Every channel holding a wave is stopped at the end.
sound::SoundSet LoadSounds(const data::TrainSpec& spec, const data::LineData& line,
                           const SoundFolders& folders, sound::Mixer& mixer,
                           const std::function<void(const std::string&)>& progress = {},
                           const std::function<void(const std::string&)>& warn = {});

/// Stops every loaded channel and releases every wave (closing the driving window).
void ReleaseSounds(sound::SoundSet& set, sound::Mixer& mixer);

}  // namespace tressmoor::sim
