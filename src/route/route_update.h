// The per-frame route update: gradients, limits, signals, signs, crossings and tunnels from the
// train's position, and its reset at a run start.
#pragma once

#include <cstdint>

#include "route/route_context.h"

namespace tressmoor::route {

/// Sizes the per-record state to the line and the train (aspects, display frames, traffic-signal
/// cycles, gradient history) and puts the preceding train at its program-start position. Called
/// once after loading; nothing of the route allocates per frame afterwards.
void InitRouteState(RouteContext& ctx);

/// Run start: aspects, current signal, display frames, limit sign, crossings, signs and calls go
/// to their "none" values; the previous display frame is set so that the first signal in view
/// updates its sprites. The gradient history is kept (it refills within the train's length).
void ResetRouteState(RouteContext& ctx);

/// The route part of the per-frame update; runs before the safety system and the stations.
void UpdateRoute(RouteContext& ctx);

// The steps of UpdateRoute, in their order (exposed for the tests and the value display).
void updateSectionMaxSpeed(RouteContext& ctx);
void updatePrecedingTrainExit(RouteContext& ctx);
void updateGradientHistory(RouteContext& ctx);
void updateCurrentGradient(RouteContext& ctx);
void updateAspects(RouteContext& ctx);
void updateSignalInView(RouteContext& ctx);
void updateTrafficSignals(RouteContext& ctx);
void updateLimits(RouteContext& ctx);
void updateAnimations(RouteContext& ctx);
void updateSigns(RouteContext& ctx);
void updateCrossings(RouteContext& ctx);
void updateTunnels(RouteContext& ctx);

/// Pattern of the main signal sprite for a head type and aspect; 0 for head type −1 and for
/// unknown head types. Aspects beyond the table take its last column. Head types 7 and 8 at
/// aspect 5 show their second frame for trains of `trainMaxSpeed` 161 km/h or more.
int displayFrameFor(int headType, int aspect, int trainMaxSpeed);
/// True for the display frames that show stop (7, 10, 13, 17, 21, 26, 30, 35).
bool isStopFrame(int displayFrame);
/// Call slot of the aspect call for a display frame; −1 when the frame has no call.
int aspectCallSlot(int displayFrame);

/// Braking distance in cm to reach `limit` (km/h) from `speed` (km/h, magnitude used) at
/// 3 km/h/s, plus one second of running: the approach boards' needed distance.
std::int64_t boardBrakingDistance(int limit, long double speed);

/// Puts the active crossing list together again after a jump: every [Cross] record with its
/// warning frame ≤ route position < its own frame, in record order.
void rebuildActiveCrossings(RouteContext& ctx);

/// Forgets the signal in view and its calls (a jump to another signal): no signal in view, no
/// call value, no pending aspect calls, and the next signal in view is shown and called afresh.
void ResetSignalCalls(RouteState& r);

/// Toggles the alternative route setting (the Escape key); returns the new state.
bool toggleAlternativeRoute(RouteContext& ctx);

}  // namespace tressmoor::route
