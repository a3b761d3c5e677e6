// Invariants of a drive, checked after every frame: every simulated quantity is a finite number,
// pressures, speed, route position and station indices stay in their physical ranges.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "sim/panel_state.h"
#include "sim/service.h"
#include "sim/sim_state.h"
#include "sound/memory_mixer.h"

namespace tressmoor::sim {

/// One broken invariant.
struct InvariantViolation {
    std::int64_t frame = 0;  ///< frame counted from the start of the drive
    std::string quantity;    ///< e.g. "vehicle.CylinderM"
    long double value = 0;
    std::string limit;       ///< the allowed range, e.g. "0 … 883.33 kPa" or "finite"

    /// "frame 1234: vehicle.CylinderM = 901.5, allowed 0 … 883.33 kPa"
    std::string message() const;
};

/// The ranges a drive keeps to.
struct InvariantLimits {
    /// Highest pressure anywhere in the brake system, kPa: the main reservoir's cut-out pressure
    /// plus what the compressor may add in the frame in which it reaches it.
    long double maxPressure = 0;
    /// Highest speed either way, km/h: one and a half times the train's top speed (gravity can
    /// push a coasting train past the speed at which traction is cut).
    long double maxSpeed = 0;
    /// Last route-video frame the cab can stand at: the video's length when it is known, else
    /// the last frame the line records.
    int lastFrame = 0;
    int stationCount = 0;  ///< stations of the line
    int signalCount = 0;   ///< signals of the line

    /// The limits of a loaded service driven with frames of `frameMs` ms; `videoFrames` is the
    /// route video's frame count (0 or INT_MAX: not known).
    static InvariantLimits of(const LoadedService& service, long double frameMs, int videoFrames);
};

/// Checks the invariants of one drive. Holds nothing but its limits: one checker may look at
/// any state of the same service.
class InvariantChecker {
public:
    explicit InvariantChecker(InvariantLimits limits) : limits_(limits) {}

    /// Every invariant broken by `state` (and, when given, the cab panel's needles and the
    /// mixer's channels) after frame `frame`; empty when all hold.
    std::vector<InvariantViolation> check(std::int64_t frame, const SimState& state,
                                          const PanelState* panel = nullptr,
                                          const sound::MemoryMixer* mixer = nullptr) const;

    const InvariantLimits& limits() const { return limits_; }

private:
    InvariantLimits limits_;
};

}  // namespace tressmoor::sim
