// The passenger doors: the door key / station operation and the completion of closing.
#pragma once

#include <string_view>

#include "vehicle/vehicle_context.h"

namespace tressmoor::vehicle {

inline constexpr std::string_view kDoorsOpenText = "ドアが開いています";
inline constexpr std::string_view kDoorsClosingText = "ドアを閉めています";

/// What the station logic tells a door operation.
struct DoorOperateInputs {
    bool oneMan = false;                ///< one-man line
    bool indicatorAtFrameZero = false;  ///< the station's door-operation indicator shows cell 0
    int soundChance = 100;              ///< one-man lines: door-sound percentage of the station
    int drawnRandom = 0;                ///< one-man lines: random number 0 … 99 drawn at the stop
};

/// Toggles the doors: opens closed doors at a standstill (below 0.05 km/h), or requests closing
/// of open ones, with the opening or closing sound.
void Door_operate(VehicleContext& v, const DoorOperateInputs& in);

/// Frame update: a requested closing completes once both door sounds have ended. The doors are
/// then closed, the door-closed lamp lit, [DepSign] plays from its start and
/// Events.doorsClosed is raised (next station, closing calls). The completion is recorded in
/// DoorsClosedLit, so it also completes on a panel without a door lamp. True when it completed.
bool doorFrameUpdate(VehicleContext& v);

/// Status text of the doors: open, closing, or empty when closed.
std::string_view doorStatusText(const VehicleState& s);

/// True when the panel's door-closed lamp is drawn.
inline bool doorLampVisible(const VehicleContext& v) {
    return v.hasDoorLamp && v.state.DoorsClosedLit;
}

}  // namespace tressmoor::vehicle
