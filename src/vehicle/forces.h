// The physics step: traction, brake and resistance forces, adhesion, and the speed.
#pragma once

#include "vehicle/vehicle_context.h"

namespace tressmoor::vehicle {

/// One physics step over the frame interval in `in`: traction, brake force, adhesion, gradient,
/// tunnel and running resistance, the new speed, the air brake, the handle delays, the diesel
/// engine speed, the ammeter and the electric-brake value. The position along the line is not
/// moved here: the route integrates it from `Speed` after this step (and moves the preceding
/// train). Allocates nothing; no input, however odd, makes a value NaN or infinite.
void keisan(VehicleContext& v, const KeisanInputs& in);

/// Brake-shoe friction factor at |v| = u km/h.
long double brakeFrictionFactor(const data::TrainSpec& spec, long double u);

/// Running resistance W (N, ≥ 0) of a train of mass m t at speed v km/h.
long double runningResistance(long double m, int cars, long double v);

}  // namespace tressmoor::vehicle
