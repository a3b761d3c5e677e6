// Test trains and a rig that runs the vehicle frame by frame against the in-memory mixer.
#pragma once

#include <cmath>
#include <memory>

#include "data/settings_types.h"
#include "data/train_types.h"
#include "sound/memory_mixer.h"
#include "vehicle/air_brake.h"
#include "vehicle/doors.h"
#include "vehicle/engine.h"
#include "vehicle/forces.h"
#include "vehicle/handles.h"
#include "vehicle/vehicle_context.h"
#include "vehicle/vehicle_setup.h"

namespace tressmoor::vehicle::test {

using data::fixed4;

inline fixed4 fx(double x) {
    return fixed4::fromReal(x);
}

// Sound numbers of the test trains.
inline constexpr int kRevForward = 10, kRevReverse = 11, kRevNeutral = 12;
inline constexpr int kDoorOpen = 20, kDoorClose = 21, kDepSign = 22;
inline constexpr int kCpStart = 30, kCpLoop = 31, kCpEnd = 32;
inline constexpr int kEngineStart = 42, kEngineStop = 43;

/// A ten-car commuter EMU (6 motor cars, 4 trailers, 300 t empty): 5 notches, 7 service steps
/// and emergency on an electro-pneumatic brake, 3 km/h/s starting acceleration.
inline data::TrainSpec commuterTrain() {
    data::TrainSpec t;
    t.Handle = 0;
    t.BrakeType = 1;
    t.BrakeType2 = 0;
    t.Brake = 8;
    t.Power = 5;
    t.NotchBack = 0;
    t.Hold = 0;
    t.AirBrakeRate = {fx(4.5), fx(30)};
    for (int k = 0; k < 8; ++k) t.PlannedBrakeRate.push_back(fx(0.5 * k));
    t.BrakeRate2 = 0.02L;
    t.PowerDelay = 200;
    t.BrakeDelay = 300;
    t.EBrakeDelay = 300;
    t.SAPDelay = 300;
    t.BrakeUp = 180;
    t.BrakeDown = 150;
    t.SAPUp = 200;
    t.SAPDown = 200;
    t.AmMeter = {1, 100};
    t.EBrakeUp = 300;
    t.EBrakeDown = 300;
    t.MaxBrakeCurr = 500;
    t.EBrakeForce = 85;
    t.BPReturn = 100;
    t.MAXPress = {400, 0.02L};
    t.EBPress = {480, 0.02L};
    t.SAPPress = {400, 0.02L};
    t.HighAirPress = 880;
    t.LowAirPress = 780;
    t.Engine_Type = 1;
    t.DoorLock = 1;
    t.Power_Type = 1;
    t.Brake_Type = 1;
    t.Tons = {fx(300), fx(0.055)};
    t.Mt = {fx(180), fx(0.033)};
    t.Tt = {fx(120), fx(0.022)};
    t.Cars = 10;
    t.Length = 20;
    t.MaxSpeed = 120;
    t.Lose_elec = {10, 5};
    t.ELBR = 200;
    t.Sound_Rev = {kRevForward, kRevReverse, kRevNeutral};
    t.Sound_DoorOpen = kDoorOpen;
    t.Sound_DoorClose = kDoorClose;
    t.DepSign = kDepSign;
    t.CP_Start = kCpStart;
    t.CP_Cnt = kCpLoop;
    t.CP_End = kCpEnd;
    // Every value of every notch differs, so that a swapped or reversed term shows.
    for (int k = 1; k <= 4; ++k) {
        t.Notch.push_back({0.6L * k + 0.1L, 0.6L * k - 0.05L, 9 * k, 17 * k + 3, 1.02L + 0.002L * k, 0});
    }
    t.Notch.push_back({3.1L, 2.9L, 40, 80, 1.015L, 0});
    t.NotchGroups = 1;
    t.PowerMode.push_back({"P", "通常"});
    return t;
}

/// A single diesel railcar (40 t) with an automatic transmission: neutral, converter and one
/// direct gear.
inline data::TrainSpec dieselRailcar() {
    data::TrainSpec t = commuterTrain();
    t.Engine_Type = 0;
    t.Power_Type = 0;
    t.Power = 4;
    t.Notch.clear();
    t.NotchGroups = 0;
    t.PowerMode.clear();
    t.Tons = {fx(40), fx(0.06)};
    t.Mt = {fx(40), fx(0.06)};
    t.Tt = {fx(0), fx(0)};
    t.Cars = 1;
    t.MaxSpeed = 95;
    t.PowerJerk = 10;
    t.Gear_Type = data::GearType::AT;
    t.Engine.push_back({0, 0, 0, 0, 0, 0});
    t.Engine.push_back({0, 20, 50, 3000, 2000, 800});
    t.Engine.push_back({30, 50, 95, 1500, 1200, 500});
    t.EngineRate.push_back({0, 0});
    t.EngineRate.push_back({30, 1.2L});
    t.EngineRate.push_back({0, 1.0L});
    t.EngineSound2.sounds = {40, 41, kEngineStart, kEngineStop};
    return t;
}

/// The settings words the handle texts are built from.
inline data::AppSettings settingsWords() {
    data::AppSettings s;
    s.Forward = "前進";
    s.Neutral = "中立";
    s.Reverse = "後進";
    s.Neut2 = "切";
    s.Neut = "緩解";
    s.EB = "非常";
    s.Apply = "重なり込め";
    s.Hold = "重なり";
    s.Maintain = "保ち";
    s.Remove = "抜取";
    s.Hold2 = "抑速";
    s.Const = "定速";
    s.Gears = {"中立", "変速", "直結"};
    return s;
}

/// Level track in the open with dry rail (adhesion 0.3).
inline KeisanInputs dryLevelTrack() {
    KeisanInputs in;
    in.friction = fixed4::fromReal(0.3);
    return in;
}

/// Owns a train, its state and a mixer with waves on the sounds the vehicle uses, and runs
/// whole frames: physics, compressor, engine and door updates, then the mixer's time.
class VehicleRig {
public:
    explicit VehicleRig(data::TrainSpec spec, int passengers = 0)
        : spec_(std::move(spec)),
          settings_(settingsWords()),
          load_(computeTrainLoad(spec_, passengers > 0 ? 1 : 0, passengers)),
          ctx_(spec_, settings_, mixer_, state_, load_) {
        for (int ch : {kRevForward, kRevReverse, kRevNeutral, kDepSign, kCpStart, kCpEnd,
                       kEngineStart, kEngineStop}) {
            attach(ch, 1000);
        }
        attach(kDoorOpen, 2000);
        attach(kDoorClose, 2500);
        attach(kCpLoop, 3000);
        ctx_.strips = {6, 9, 6, 10};
        ctx_.hasDoorLamp = true;
        initialiseVehicle(ctx_);
    }
    VehicleRig(const VehicleRig&) = delete;
    VehicleRig& operator=(const VehicleRig&) = delete;

    void attach(int channel, double lengthMs) {
        mixer_.attach(channel, std::make_shared<sound::MemoryWave>("w", lengthMs));
    }

    /// One frame with the route inputs of `route`.
    void frame() {
        KeisanInputs in = route;
        in.fps = static_cast<int>(std::lround(1000 / in.dtMs));
        const long double before = state_.Speed;
        keisan(ctx_, in);
        distanceM += (before + state_.Speed) / 2 / 3.6L * in.dtMs / 1000;
        compressorStep(ctx_, in.dtMs);
        engineFrameUpdate(ctx_, in.dtMs);
        doorFrameUpdate(ctx_);
        mixer_.advance(static_cast<double>(in.dtMs));
        timeS += in.dtMs / 1000;
    }

    /// Runs frames until `until` holds or `limitS` seconds have passed; true when it held.
    template <typename Pred>
    bool runUntil(Pred until, double limitS) {
        const long double end = timeS + limitS;
        while (timeS < end) {
            if (until()) return true;
            frame();
        }
        return until();
    }
    void run(double seconds) {
        runUntil([] { return false; }, seconds);
    }

    /// Closes the doors and lets the closing complete.
    void closeDoors() {
        state_.DoorCommand = false;
        state_.DoorsOpen = true;
        state_.DoorsClosedLit = false;
        frame();
    }

    /// Ready to drive: doors closed, brakes released and charged, handle at off.
    void readyToDrive() {
        closeDoors();
        AllOff(ctx_);
        run(20);
    }

    data::TrainSpec& spec() { return spec_; }
    VehicleState& s() { return state_; }
    TrainLoad& load() { return load_; }
    VehicleContext& ctx() { return ctx_; }
    sound::MemoryMixer& mixer() { return mixer_; }

    KeisanInputs route = dryLevelTrack();
    long double timeS = 0;
    long double distanceM = 0;

private:
    data::TrainSpec spec_;
    data::AppSettings settings_;
    sound::MemoryMixer mixer_;
    VehicleState state_;
    TrainLoad load_;
    VehicleContext ctx_;
};

inline bool finite(long double x) {
    return std::isfinite(x);
}

}  // namespace tressmoor::vehicle::test
