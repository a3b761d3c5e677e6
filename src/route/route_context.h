// RouteContext: what the route rules work on — the line, the train, the settings, the vehicle,
// the sound, the route and video states and the frame time.
#pragma once

#include <functional>
#include <string_view>

#include "data/line_types.h"
#include "data/random_source.h"
#include "data/settings_types.h"
#include "data/train_types.h"
#include "route/route_state.h"
#include "route/video_source.h"
#include "sound/call_queue.h"
#include "sound/mixer.h"
#include "sound/sound_set.h"
#include "vehicle/vehicle_state.h"

namespace tressmoor::route {

/// Length of the frame being run.
struct FrameTiming {
    long double dtMs = 1000.0L / 60;  ///< ms since the previous processed frame (1 … 1000)
    int fps = 60;                     ///< 1000 ÷ dtMs rounded, frames/s
};

/// The references the route rules act on, bundled once per drive (aggregate: build it with
/// designated initialisers). Everything runs on the simulation thread.
struct RouteContext {
    data::LineData& line;  ///< only its run flags change (clips played)
    const data::TrainSpec& spec;
    const data::AppSettings& settings;  ///< settings file words and the user options
    vehicle::VehicleState& vehicle;     ///< speed, handles (a movie stop cuts the power)
    vehicle::TrainLoad& load;
    RouteState& route;
    VideoState& video;
    sound::Mixer& mixer;
    const sound::SoundSet& sounds;
    sound::CallQueue& calls;
    data::RandomSource& random;
    VideoSource& videoSource;
    const FrameTiming& frame;

    /// Called for route events worth tracing ("movie stop 1200", "clip start ..."); may be
    /// empty. Nothing is built when nothing happens.
    std::function<void(std::string_view)> onEvent;
    /// Called while signal `i` is in view, before the passing rule: the safety checks bound to
    /// the signal run here. May be empty.
    std::function<void(int signal)> onSignalInView;

    void event(std::string_view text) const {
        if (onEvent) onEvent(text);
    }
};

}  // namespace tressmoor::route
