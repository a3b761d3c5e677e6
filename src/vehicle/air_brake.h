// The air brake: main reservoir and compressor, brake pipe, equalising reservoir, straight air
// pipe and the brake cylinders of the motor and trailer cars.
#pragma once

#include "vehicle/vehicle_context.h"

namespace tressmoor::vehicle {

/// Release slows toward empty: a release at `rate` per second lowers a pressure p (kPa) by
/// rate ÷ f ÷ D per frame with D = 10 × base^(−p/10) + 1, so nearly the full rate at high
/// pressure and a tenth of it near 0 kPa.
long double releaseDivisor(long double base, long double p);

/// The automatic air brake ([BrakeType] 0): brake-valve positions and trips. Runs right after
/// the speed integration; does nothing for the other brake types.
void airBrakeAutomatic(VehicleContext& v, int fps);

/// The electro-pneumatic brakes ([BrakeType] 1 and 2) with the electric-brake blending, then
/// for every type the main-reservoir leak and the floor at 0 kPa. Runs after DriveAccel is set.
void airBrakeElectroPneumatic(VehicleContext& v, int fps);

/// The compressor, once per frame update: switches on below [LowAirPress] ([CP_Start] once,
/// [CP_Cnt] looping), fills the main reservoir by dtMs ÷ 300 kPa per frame (diesel trains in
/// proportion to the engine speed) and stops at [HighAirPress] ([CP_End] once).
void compressorStep(VehicleContext& v, long double dtMs);

}  // namespace tressmoor::vehicle
