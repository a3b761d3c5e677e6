// SimState: the one driving state of a drive, assembled from the state of every layer.
#pragma once

#include <string>

#include "input/input_state.h"
#include "route/route_state.h"
#include "route/safety_state.h"
#include "route/station_state.h"
#include "sim/frame_clock.h"
#include "sound/rules/running_sounds.h"
#include "sim/status_text.h"
#include "vehicle/vehicle_state.h"

namespace tressmoor::sim {

/// Everything that changes while driving. The whole simulation runs on one thread; nothing here
/// is shared with another.
struct SimState {
    vehicle::VehicleState vehicle;  ///< handles, forces, pressures, engine, doors
    vehicle::TrainLoad load;        ///< masses and brake pressures of the present load
    route::RouteState route;        ///< position, distance, clock, signals, signs
    route::VideoState video;        ///< route-video position, clips, stop lines
    route::SafetyState safety;      ///< the automatic train stop
    route::StationState stations;   ///< stations, timetable, texts
    route::CallState calls;         ///< the call key's memory
    input::InputState input;        ///< keyboard state and held keys
    sound::RunningSoundState sounds;  ///< latches and gains of the running sounds

    bool Running = false;  ///< false while paused
    /// The stop-position lines are hidden (the menu item starts checked when the safety system
    /// is switched off by the ATS option, and the driver may toggle it).
    bool StopLinesHidden = false;
    int PanelShake = 0;    ///< px, vertical offset of the cab panel this frame
    long double FrameStartAccel = 0;  ///< km/h/s at the start of the frame
    std::string Explanation;          ///< one-line hint over the route view ("" none)
    StatusTexts Texts;                ///< status strings, caption and label texts
    long double VigilanceMs = 0;      ///< ms since the driver last operated anything
    bool EbLamp = false;              ///< the vigilance lamp is lit
    std::string SerialMessage;        ///< last serial controller message (value display caption)
    /// Window caption "X:… Y:…" of the controller debug option; "" shows the usual caption.
    std::string ControllerCaption;
};

}  // namespace tressmoor::sim
