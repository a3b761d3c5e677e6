// The preceding train of the line: its movement along the video frames and its status line.
#pragma once

#include "route/route_context.h"

namespace tressmoor::route {

/// Advances the preceding train by one frame of `dtMs` ms; called by the motion step. It moves
/// only while it is at or ahead of the train (and on the line at all).
void UpdatePrecedingTrain(RouteContext& ctx, long double dtMs);

/// Position of the preceding train at a run start at the present clock: the stop frame of the
/// station of the step after the one whose departure window holds the clock; 0 when none.
int precedingTrainStartPosition(const data::LineData& line, std::int64_t clock);

/// Rebuilds the preceding train's status line for the value display (only when it changes).
void updatePrecedingTrainStatus(RouteContext& ctx);

}  // namespace tressmoor::route
