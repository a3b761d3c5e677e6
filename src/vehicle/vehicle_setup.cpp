// Start values of the vehicle, the passenger-load values and the frame-start quantities.
#include "vehicle/vehicle_setup.h"

#include "data/rounding.h"
#include "vehicle/handles.h"

namespace tressmoor::vehicle {

namespace {

fixed4 loadedMass(const data::LoadDependent<fixed4>& m, int p) {
    const long double t = m.empty.toReal() + p * m.perPassenger.toReal();
    return fixed4::fromInt(data::roundTiesEven(t));
}

int loadedPressure(const data::LoadDependent<int, long double>& x, int p) {
    return static_cast<int>(data::roundTiesEven(p * x.perPassenger + x.empty));
}

}  // namespace

TrainLoad computeTrainLoad(const data::TrainSpec& spec, int stationIndex, int passengers) {
    TrainLoad load;
    if (stationIndex > 0 && passengers > 0) {
        load.M = loadedMass(spec.Tons, passengers);
        load.MM = loadedMass(spec.Mt, passengers);
        load.MT = loadedMass(spec.Tt, passengers);
        load.PS = loadedPressure(spec.MAXPress, passengers);
        load.PE = loadedPressure(spec.EBPress, passengers);
        load.PSAP = loadedPressure(spec.SAPPress, passengers);
    } else {
        load.M = spec.Tons.empty;
        load.MM = spec.Mt.empty;
        load.MT = spec.Tt.empty;
        load.PS = spec.MAXPress.empty;
        load.PE = spec.EBPress.empty;
        load.PSAP = spec.SAPPress.empty;
    }
    return load;
}

void initialiseVehicle(VehicleContext& v) {
    VehicleState fresh;
    fresh.MainReservoir = fixed4::fromInt(v.spec.HighAirPress);
    fresh.Display = std::move(v.state.Display);
    v.state = std::move(fresh);
    resetHandles(v);
}

long double frameStartAcceleration(const VehicleState& s, const TrainLoad& load) {
    const long double m = load.M.toReal();
    if (m <= 0) return 0;
    return (s.DriveForce.toReal() + s.Resistance.toReal()) / (m * 1000) * 3.6L;
}

int panelShakeOffset(const VehicleState& s) {
    return static_cast<int>(data::roundHalfAway(s.CabShake * 25)) - 10;
}

}  // namespace tressmoor::vehicle
