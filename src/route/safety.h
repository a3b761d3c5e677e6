// The automatic train stop: coil and bell, speed checks, beacon patterns, and the driver's
// acknowledge and reset buttons.
#pragma once

#include <cstdint>

#include "route/route_context.h"
#include "route/safety_state.h"
#include "vehicle/vehicle_context.h"

namespace tressmoor::route {

/// What the safety rules act on. The safety system brakes the train only through the vehicle's
/// EmergencyTrip and ServiceTrip demands; every change of a demand runs masconupdate.
struct SafetyContext {
    RouteContext& route;
    vehicle::VehicleContext& vehicle;
    SafetyState& safety;
};

/// True when `d` (cm to the target) lies in one of the beacon windows (exclusive bounds).
bool inBeaconWindow(long double d);
/// Index (0 … 6) of the beacon window holding `d`, −1 outside every window.
int beaconWindow(long double d);

/// Speed from which a deceleration of 3.5 km/h/s just reaches `targetSpeed` after `x` cm,
/// rounded to the nearest km/h.
int patternCurve(int targetSpeed, long double x);

/// Brake and warning patterns (km/h) for a target of `type` (1 limit, 2 stop signal, 3 station)
/// with `targetSpeed` at `distance` cm ahead; both capped at `cap`.
struct PatternPair {
    int B = 0;
    int W = 0;
};
PatternPair computePatterns(int type, int targetSpeed, long double distance, int cap);

/// The check value a signal's speed-check window sets for its display frame; `current` is kept
/// for frames that set none.
int checkValueForDisplayFrame(const data::LineData& line, int displayFrame, int current);

/// Start of a run: nothing pending, cab indicator cleared, the point checks behind the start
/// position marked as made and the others cleared. Active target, pattern state and demands
/// stay as they are.
void ResetSafety(SafetyContext& c);

/// The coil and the speed-check window of the signal in view; called by the route update while
/// `signal` is in view. Clears the signal's display state inside the check window.
void CheckSignalInView(SafetyContext& c, int signal);

/// The per-frame step, after the route update.
void UpdateSafety(SafetyContext& c);

/// The acknowledge button (space): accepted while the alarm rings, the brake is applied and no
/// emergency demand is set. False when refused.
bool SafetyAcknowledge(SafetyContext& c);

/// The reset button ("r"): silences the chime; at rest withdraws the demands when the handle
/// allows it (emergency or vigilance demand with the handle at emergency, or a service demand
/// alone with the brake applied). True when the demands were withdrawn.
bool SafetyReset(SafetyContext& c);

/// The held safety key ("4"), sampled by the main loop each frame: pressing it sounds the button
/// ([Sound_Ats3]) and acknowledges like the space key.
void SafetyKeyHeld(SafetyContext& c, bool held);

/// The safety state at the start of a drive: nothing pending, no target, on unless the ATS option
/// turns it off ([Lamp_Ats1] lit when on). Keeps the log's line sink.
void InitSafety(SafetyContext& c, bool on);

/// Switches the whole safety system on or off (the ATS option, the train-settings dialog). Off
/// silences the bell and the chime; [Lamp_Ats1] follows the switch.
void SetSafetyOn(SafetyContext& c, bool on);

}  // namespace tressmoor::route
