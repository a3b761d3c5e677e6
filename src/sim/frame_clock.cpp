#include "sim/frame_clock.h"

#include <cmath>

#include "data/rounding.h"

namespace tressmoor::sim {

PaceAction FrameClock::pass(long double nowSeconds) {
    now = nowSeconds;
    dtMs = (now - last) * 1000.0L;
    // Not "≤ 1000" also catches NaN.
    if (!(dtMs <= 1000.0L)) dtMs = 20.0L;
    if (dtMs == 0.0L) dtMs = 1.0L;
    if (dtMs < 0.0L) dtMs = 1.0L;  // a clock that went backwards counts as a minimal step
    fps = static_cast<int>(data::roundTiesEven(1000.0L / dtMs));
    if (dtMs < kFrameMs) return dtMs <= kFrameMs - 1.0L ? PaceAction::Sleep : PaceAction::Yield;
    last = now;
    return PaceAction::Process;
}

}  // namespace tressmoor::sim
