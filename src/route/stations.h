// Stations and the timetable: run start at a station, zones and texts, arrival, doors, departure,
// the next stop, the end of the service, and the clock text.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "route/calls.h"
#include "route/route_context.h"
#include "route/safety.h"
#include "route/station_state.h"
#include "vehicle/vehicle_context.h"

namespace tressmoor::route {

/// What the station rules act on.
struct StationContext {
    RouteContext& route;
    vehicle::VehicleContext& vehicle;
    SafetyContext& safety;
    StationState& stations;
    CallState& callState;
    /// The door operation of the vehicle (opens at a standstill, else requests closing). Must
    /// be set by whoever builds the context.
    std::function<void()> Door_operate;
    /// Run start: clears the sound latches kept elsewhere ([Sound] and switch sounds played,
    /// announcements played). May be empty.
    std::function<void()> onRunStart;
    int serviceStartStation = 0;  ///< ServiceChoice.StartStation
    int serviceEndStation = 999;  ///< ServiceChoice.StationLimit: the service ends there too

    CallContext calls() { return CallContext{route, callState, stations}; }
};

/// Whole seconds of [SoundData] wave `sound` (0 for an unknown or empty sound).
int soundSeconds(const sound::SoundSet& sounds, int sound);

/// The clock at a run start at station `s`: its departure time (or the time interpolated by
/// stop distance between the timed stations around it) less the lengths of its arrival and
/// departure sounds. Never negative.
std::int64_t runStartClock(const data::LineData& line, const sound::SoundSet& sounds, int s);

/// The announcement pointer for a run start at station `s`: the first [Announce] entry j ≥ 1 at
/// or after the station whose second value is 0; one past the list when there is none.
int announcePointerFor(const data::LineData& line, int s);

/// Pattern of the approach board for a remaining distance in cm (0 = no board).
int approachBoardPattern(long double remaining);

/// Next stop after station `i`: the first later station of kind 0 or 2 and up; −1 when none.
int nextStopAfter(const data::LineData& line, int i);

/// Leaves an inserted video clip: the main video is opened again.
void leaveInsertedClip(StationContext& c);
/// When no signal window holds the route position, the signal sprites go to pattern 0 and no
/// signal is in view; the same for the road traffic signals.
void resetSignalsOutOfView(RouteContext& c);
/// Clears the run flags of the line and the sound latches and stops every channel but 0.
void clearRunProgress(StationContext& c);

/// Handles to their run-start values (power off, brake at emergency); the safety demands are
/// kept (only the reset button withdraws them).
void resetHandlesKeepingDemands(vehicle::VehicleContext& v);

/// Starts a run at station `s` (the Move menu and the drive's start).
void StationClick(StationContext& c, int s);

/// The per-frame step, after the safety system.
void UpdateStations(StationContext& c);

/// The first power notch after a stop (the vehicle's departure call): queues call 20 and the
/// station's first-power calls.
void OnFirstPower(StationContext& c);

/// Closing of the doors has completed (the departure cue): queues call 19 and the station's
/// doors-closed calls.
void OnDoorsClosed(StationContext& c);

/// Page Up (side 0) / Page Down (side 1) with the doors closed: on a one-man train that shows
/// its information line the door text becomes the matching [Doors] word. False while the doors
/// are open (nothing changes).
bool SetDoorSide(StationContext& c, int side);

/// Formats the clock as "HH:MM:SS" and sets the analogue clock hands; both are rebuilt only when
/// the second changes. Returns the text.
const std::string& timecalc(StationState& s, std::int64_t ticks);

/// Clock text of `ticks` (negative clocks show 00:00:00).
std::string formatClock(std::int64_t ticks);

}  // namespace tressmoor::route
