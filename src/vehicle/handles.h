// The driver's handles: handle operations, the delayed effective commands, the holding brake,
// constant-speed control and the handle display (masconupdate).
#pragma once

#include "vehicle/vehicle_context.h"

namespace tressmoor::vehicle {

/// Start values of the handles: reverser forward, power off, brake handle and the air-brake
/// commands at emergency; then masconupdate.
void resetHandles(VehicleContext& v);

// One-handle operations (and the always-available keys "8", "2", "5", "0").
void StepTowardPower(VehicleContext& v);
void StepTowardBrake(VehicleContext& v);
void AllOff(VehicleContext& v);
void EmergencyPosition(VehicleContext& v);

/// Sets the reverser (1, 0, −1) when standing (|v| ≤ 1 km/h) and the interlock allows it;
/// a change plays the matching [Sound_Rev] sound once. False when refused.
bool SetReverser(VehicleContext& v, int direction);

// Two-handle operations.
void PowerUp(VehicleContext& v);
void PowerDown(VehicleContext& v);
void BrakeRelease(VehicleContext& v);
void BrakeApply(VehicleContext& v);
void BrakeEmergency(VehicleContext& v);

/// Diesel trains with a manual gear lever: selects lever position k.
void SetGearLever(VehicleContext& v, int k);

/// Holding-brake step of the current-table electric brake: down one (when above 0).
void SuppressDown(VehicleContext& v);
/// Up one, to at most the [Suppress] list length; also returns the power handle to off.
void SuppressUp(VehicleContext& v);

/// The constant-speed key: with [Const] 1, at full power and above the minimum speed.
void ConstSpeedKey(VehicleContext& v);

/// Recomputes the constant-speed rules, the holding brake of [Hold] k > 1, the handle texts and
/// strip cells, and the departure rule. Ends every handle operation.
void masconupdate(VehicleContext& v);

/// Sets the four "handle changed" flags.
void setAllPending(VehicleState& s);

/// The brake demands of the safety devices.
enum class Demand {
    Emergency,  ///< the train stop's emergency brake
    Service,    ///< the train stop's maximum service brake
    Vigilance,  ///< the vigilance device's emergency brake
};

/// Sets or withdraws a safety demand. Every emergency and service demand goes through here: a
/// change raises the three brake-side "handle changed" flags (the delayed commands then take the
/// demand) and runs masconupdate, which ends constant-speed control under any demand.
void SetDemand(VehicleContext& v, Demand demand, bool on);

/// The assignment rule of the delayed commands: the emergency position under an emergency or
/// vigilance trip, the last service step under a service trip (unless the handle is at
/// emergency), otherwise the brake handle.
int assignedBrakeCommand(const VehicleContext& v);

/// The power delay: only while the line has voltage. `deltaMs` is the frame interval rounded.
void runPowerDelay(VehicleContext& v, int deltaMs, int lineVoltage);
/// The brake, straight-air-pipe and electric-brake delays.
void runBrakeDelays(VehicleContext& v, int deltaMs);

/// True when notch k (1-based) exists and belongs to notch group 0, or when the train has no
/// [Notch] row for it (diesel and current-controlled trains).
bool notchInGroupZero(const data::TrainSpec& spec, int k);

/// Highest notch the power handle reaches: notches 1 … n all exist and belong to group 0.
int reachablePowerNotches(const data::TrainSpec& spec);

}  // namespace tressmoor::vehicle
