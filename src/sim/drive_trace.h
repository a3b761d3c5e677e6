// The per-frame trace of a drive, written by the headless runner and the desktop program alike:
// a CSV row per frame with the time, the clock, the route position, the speed, the handles, the
// pressures (kPa), the signal in view, the safety system, the station state, the speed and
// brake-cylinder needles (degrees), the lit panel lamps and the status texts.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>

#include "sim/panel_state.h"

namespace tressmoor::sim {

class DrivingSession;

/// Writes the header on creation and a row after each frame.
class DriveTrace {
public:
    explicit DriveTrace(std::ostream& out);
    /// The row after a frame of `dtMs` (the time column is the driven time so far, in ms).
    void row(long double dtMs, const DrivingSession& session, const PanelState& panel);

private:
    std::ostream& out_;
    double nowSeconds_ = 0;
};

}  // namespace tressmoor::sim
