// VehicleContext: what every vehicle rule works on — the train, the settings words, the mixer
// and the vehicle's own state.
#pragma once

#include <algorithm>
#include <string_view>

#include "data/settings_types.h"
#include "data/train_types.h"
#include "sound/mixer.h"
#include "vehicle/vehicle_state.h"

namespace tressmoor::vehicle {

/// Cell counts of the cab panel strips the handle display drives (0 = no such image).
struct StripCells {
    int power = 0;   ///< "img_lamp_p"
    int brake = 0;   ///< "img_lamp_b"
    int power2 = 0;  ///< "img_lamp_p2"
    int brake2 = 0;  ///< "img_lamp_b2"
};

/// The references the vehicle rules act on, bundled once per drive. Everything runs on the
/// simulation thread.
struct VehicleContext {
    VehicleContext(const data::TrainSpec& spec, const data::AppSettings& settings,
                   sound::Mixer& mixer, VehicleState& state, TrainLoad& load)
        : spec(spec), settings(settings), mixer(mixer), state(state), load(load) {}

    const data::TrainSpec& spec;
    const data::AppSettings& settings;
    sound::Mixer& mixer;
    VehicleState& state;
    TrainLoad& load;

    StripCells strips;
    bool hasDoorLamp = false;      ///< the panel has a door-closed lamp
    bool ammeterDoubling = false;  ///< the ammeter doubles above step 5 (see ammeterDoublesFor)
};

/// Brake positions n, emergency included: 4 for the automatic air brake, else [Brake], held
/// within 2 … 10 so that the step arithmetic never divides by zero or leaves the tables.
inline int brakePositions(const data::TrainSpec& spec) {
    if (spec.BrakeType == 0) return 4;
    return std::clamp(spec.Brake, 2, data::kMaxBrakePositions);
}

/// Power notches N, held within 0 … 11.
inline int powerNotches(const data::TrainSpec& spec) {
    return std::clamp(spec.Power, 0, data::kMaxNotches);
}

/// True for trains whose ammeter reads double above current step 5: those whose file name has
/// "3" as its ninth character (the 223 series files).
inline bool ammeterDoublesFor(std::string_view trainFileName) {
    return trainFileName.size() >= 9 && trainFileName[8] == '3';
}

/// True when the door interlock lets traction act: [DoorLock] 0, or 1 with the doors closed.
inline bool doorsPermitTraction(const data::TrainSpec& spec, const VehicleState& s) {
    return spec.DoorLock == 0 || (spec.DoorLock == 1 && !s.DoorsOpen);
}

/// Plays a sound once from its start; sound number 0 … is a channel, negative numbers are none.
inline void playOnce(sound::Mixer& mixer, int channel) {
    if (channel >= 0) mixer.Play(channel);
}

}  // namespace tressmoor::vehicle
