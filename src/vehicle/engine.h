// The diesel engine and transmission: start and stop, stall, automatic gear selection,
// shifting, the engine speed, and the train-settings dialog's actions.
#pragma once

#include "vehicle/vehicle_context.h"

namespace tressmoor::vehicle {

/// Frames the start (or stop) command must be held for the engine to start (stop).
inline constexpr int kEngineCommandFrames = 50;
/// Delay of a start from the train-settings dialog, ms.
inline constexpr int kDialogStartMs = 700;

/// Once per frame update: the held engine command, the dialog start, the stall, the automatic
/// gear selection and the shifting. `dtMs` is the frame interval.
void engineFrameUpdate(VehicleContext& v, long double dtMs);

/// Diesel engine speed toward its target for the present gear; part of the physics step.
void dieselEngineSpeed(VehicleContext& v);

/// True while the stall message may show: a diesel engine stopped at a standstill.
bool engineStalledAtStandstill(const VehicleContext& v);

/// Train-settings dialog, "機関始動" → "始動": a stopped engine plays its start sound and runs
/// after 700 ms. Returns the choice the dialog shows afterwards: 1 = "運転".
int TrainSettingsEngineStart(VehicleContext& v);
/// "機関始動" → "切": a running engine plays its stop sound and stops.
void TrainSettingsEngineOff(VehicleContext& v);
/// "ATS" → "入" / "切": the safety system's switch and the visibility of its lamp.
void TrainSettingsAts(bool on, bool& atsOn, bool& atsLampVisible);

}  // namespace tressmoor::vehicle
