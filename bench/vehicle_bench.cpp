// One physics step of an electric and of a diesel train (forces, handle delays, air brake)
// with the engine's frame update.
#include <benchmark/benchmark.h>

#include <memory>

#include "data/settings_types.h"
#include "data/train_types.h"
#include "sound/memory_mixer.h"
#include "vehicle/air_brake.h"
#include "vehicle/engine.h"
#include "vehicle/forces.h"
#include "vehicle/handles.h"
#include "vehicle/vehicle_setup.h"

namespace {

using tressmoor::data::fixed4;
namespace data = tressmoor::data;
namespace vehicle = tressmoor::vehicle;

data::TrainSpec electricTrain() {
    data::TrainSpec t;
    t.BrakeType = 1;
    t.BrakeType2 = 1;
    t.Brake = 8;
    t.Power = 5;
    t.AirBrakeRate = {fixed4::fromReal(4.5), fixed4::fromInt(30)};
    for (int k = 0; k < 8; ++k) t.PlannedBrakeRate.push_back(fixed4::fromReal(0.5 * k));
    t.BrakeRate2 = 0.02L;
    t.PowerDelay = t.BrakeDelay = t.EBrakeDelay = t.SAPDelay = 300;
    t.BrakeUp = 180;
    t.BrakeDown = 150;
    t.SAPUp = t.SAPDown = 200;
    t.AmMeter = {1, 100};
    t.EBrakeUp = t.EBrakeDown = 300;
    t.MaxBrakeCurr = 500;
    t.EBrakeForce = 85;
    t.BPReturn = 100;
    t.MAXPress = {400, 0};
    t.EBPress = {480, 0};
    t.SAPPress = {400, 0};
    t.HighAirPress = 880;
    t.LowAirPress = 780;
    t.Engine_Type = 1;
    t.Power_Type = 1;
    t.Brake_Type = 1;
    t.Tons = {fixed4::fromInt(300), {}};
    t.Mt = {fixed4::fromInt(180), {}};
    t.Tt = {fixed4::fromInt(120), {}};
    t.Cars = 10;
    t.MaxSpeed = 120;
    t.Lose_elec = {10, 5};
    t.ELBR = 200;
    for (int k = 1; k <= 5; ++k) t.Notch.push_back({0.6L * k, 0.6L * k, 8 * k, 16 * k, 1.02L, 0});
    return t;
}

data::TrainSpec dieselTrain() {
    data::TrainSpec t = electricTrain();
    t.Engine_Type = 0;
    t.Power_Type = 0;
    t.Notch.clear();
    t.Tons = t.Mt = {fixed4::fromInt(40), {}};
    t.Tt = {};
    t.Cars = 1;
    t.Engine = {{0, 0, 0, 0, 0, 0}, {0, 20, 50, 3000, 2000, 800}, {30, 50, 95, 1500, 1200, 500}};
    t.EngineRate = {{0, 0}, {30, 1.2L}, {0, 1.0L}};
    return t;
}

/// Alternates powering and braking around 60 km/h so that every branch of the step runs.
void runSteps(benchmark::State& state, const data::TrainSpec& spec) {
    data::AppSettings settings;
    tressmoor::sound::MemoryMixer mixer;
    vehicle::VehicleState s;
    vehicle::TrainLoad load = vehicle::computeTrainLoad(spec, 0, 0);
    vehicle::VehicleContext v(spec, settings, mixer, s, load);
    vehicle::initialiseVehicle(v);
    s.DoorsOpen = false;
    s.DoorCommand = false;
    vehicle::AllOff(v);
    s.Speed = 60;
    vehicle::KeisanInputs in;
    in.friction = fixed4::fromReal(0.3);
    in.gradient = fixed4::fromInt(5);
    long frame = 0;
    for (auto _ : state) {
        if (frame % 600 == 0) {
            vehicle::StepTowardPower(v);
            vehicle::StepTowardPower(v);
        } else if (frame % 600 == 300) {
            vehicle::AllOff(v);
            for (int i = 0; i < 4; ++i) vehicle::StepTowardBrake(v);
        }
        if (s.Speed < 20 || s.Speed > 100) s.Speed = 60;
        vehicle::keisan(v, in);
        vehicle::engineFrameUpdate(v, in.dtMs);  // engages the diesel's gears
        benchmark::DoNotOptimize(s.Speed);
        ++frame;
    }
}

void BM_KeisanElectric(benchmark::State& state) {
    runSteps(state, electricTrain());
}
void BM_KeisanDiesel(benchmark::State& state) {
    runSteps(state, dieselTrain());
}

}  // namespace

BENCHMARK(BM_KeisanElectric);
BENCHMARK(BM_KeisanDiesel);
