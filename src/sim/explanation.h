// The beginner's hint over the route view: which [InfoLabel] text says what to do next.
#pragma once

#include <string>

#include "data/line_types.h"
#include "data/settings_types.h"
#include "data/train_types.h"
#include "sound/mixer.h"
#include "sound/sound_set.h"

namespace tressmoor::sim {

struct SimState;

/// The hint shown over a stalled diesel engine, whatever else applies.
inline constexpr const char* kStallExplanation =
    "0エンストしました。変速レバーを変速段に入れてエンジンを再始動してください。";

/// Vigilance time after which the driver is asked to operate something, ms.
inline constexpr long double kVigilanceHintMs = 60000;

/// What the hint is chosen from besides the driving state.
struct ExplanationContext {
    const data::LineData& line;
    const data::TrainSpec& spec;
    const data::AppSettings& settings;  ///< the [InfoLabel] texts
    const data::UserOptions& options;   ///< the safety-system option
    const sound::Mixer& mixer;          ///< arrival sounds and the acknowledgement chime
    const sound::SoundSet& sounds;
    int stationLimit = 999;  ///< the service's end station
};

/// Chooses the hint of the frame and writes its explanation command into `command`: "" for no
/// hint, otherwise "0" followed by the text ("0" alone is a hint without text, e.g. when the
/// [InfoLabel] list is too short). Later rules override earlier ones; an unrestarted stalled
/// engine overrides everything. Reuses `command`'s storage.
void BuildExplanation(const ExplanationContext& c, const SimState& state, std::string& command);

}  // namespace tressmoor::sim
