// Start values of the vehicle, the passenger-load values and the frame-start quantities.
#pragma once

#include "vehicle/vehicle_context.h"

namespace tressmoor::vehicle {

/// Masses and brake pressures for `passengers` at the station with index `stationIndex`. With
/// a station index of 0 or no passengers the empty values apply unrounded; otherwise masses are
/// rounded to whole tonnes and pressures to whole kPa (ties to even).
TrainLoad computeTrainLoad(const data::TrainSpec& spec, int stationIndex, int passengers);

/// Puts the train into its start state: standing, doors open, handles and air-brake commands at
/// emergency with empty cylinders, main reservoir at [HighAirPress], engine running; then runs
/// masconupdate. `v.load` must already hold the load of the start station.
void initialiseVehicle(VehicleContext& v);

/// Acceleration at the start of a frame from the forces of the last physics step, km/h/s
/// (0 for a train without mass).
long double frameStartAcceleration(const VehicleState& s, const TrainLoad& load);

/// Vertical offset of the cab panel from the cab-shake value, px.
int panelShakeOffset(const VehicleState& s);

}  // namespace tressmoor::vehicle
