// A small train and line with a wave on every channel, for the running-sound tests.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "data/line_types.h"
#include "data/train_types.h"
#include "route/route_state.h"
#include "route/safety_state.h"
#include "route/station_state.h"
#include "sound/memory_mixer.h"
#include "sound/rules/running_sounds.h"
#include "sound/sound_set.h"
#include "vehicle/vehicle_context.h"
#include "vehicle/vehicle_state.h"

namespace tressmoor::sound::testing {

/// Drive channels of the test train.
enum Ch : int {
    kAtsWarn = 1,
    kSqueak = 2,
    kEb = 3,
    kStopAlarm = 4,
    kEbRing = 5,
    kBk = 6,
    kBr = 7,
    kBrStrong = 8,
    kApply = 9,
    kExhaust = 10,
    kHornA = 11,
    kHornB = 12,
    kHornC = 13,
    kHornD = 14,
    kBa = 15,
    kIdle1 = 16,
    kIdle2 = 17,
    kSwitchFast = 18,
    kSwitchSlow = 19,
    kAtc = 20,
};
inline constexpr int kDriveWaves = 21;
inline constexpr int kAmbientWaves = 6;
inline constexpr double kFrameMs = 1000.0 / 60;

class SoundRulesTest : public ::testing::Test {
protected:
    void SetUp() override {
        spec.BrakeType = 1;
        spec.Brake = 8;
        spec.Power = 5;
        spec.Engine_Type = 1;
        spec.ATS_Warn = kAtsWarn;
        spec.Sound_squeak = kSqueak;
        spec.Sound_EB = {kEb, 30};
        spec.Stop = {kStopAlarm, 0};
        spec.Sound_EBring = kEbRing;
        spec.Sound_BK.assign(8, data::SoundPair{kBk, kBk});
        spec.Sound_BR.assign(8, data::SoundPair{kBr, kBrStrong});
        spec.Sound_BA.assign(9, data::SoundPair{kBa, kBa});
        spec.Sound_Apply = {kApply, kExhaust};
        spec.Sound_Horn1.sounds = {kHornA, kHornB, kHornC, kHornD, 0};
        spec.Sound_Horn1.stepTime = data::fixed4::fromInt(10);
        spec.EngineSound2.sounds = {kIdle1, kIdle2, 0, 0};
        spec.SwitchSound = {{kSwitchFast, 40, 1}, {kSwitchSlow, 200, 1}};
        spec.Lose_elec = {10, 5};
        spec.EB = 1;
        spec.Sound_Atc = kAtc;
        load.PS = 400;
        load.PE = 480;
        vehicle.DoorsOpen = false;
        vehicle.DoorCommand = false;
        vehicle.MainReservoir = data::fixed4::fromInt(800);
        vehicle.BrakePipe = 490;
    }

    /// Builds the sound set and the context from `spec` and `line`; call after setting them.
    void build() {
        sounds.drive.clear();
        sounds.ambient.clear();
        sounds.engineA.clear();
        sounds.engineB.clear();
        auto wave = [](double ms) { return std::make_shared<MemoryWave>("w", ms); };
        for (int i = 0; i < kDriveWaves; ++i) sounds.drive.push_back(wave(1000));
        for (int k = 0; k < kAmbientWaves; ++k) sounds.ambient.push_back(wave(2000));
        for (std::size_t j = 0; j < spec.EngineSound1.size(); ++j) {
            sounds.engineA.push_back(wave(3000));
        }
        for (std::size_t j = 0; j < spec.EngineSound3.size(); ++j) {
            sounds.engineB.push_back(wave(3000));
        }
        for (int i = 0; i < sounds.nDrive(); ++i) mixer.attach(i, sounds.drive[i]);
        for (int k = 0; k < sounds.nAmbient(); ++k) {
            mixer.attach(sounds.ambientChannel(k), sounds.ambient[k]);
        }
        for (int j = 0; j < sounds.nEngineA(); ++j) {
            mixer.attach(sounds.engineAChannel(j), sounds.engineA[j]);
        }
        for (int j = 0; j < sounds.nEngineB(); ++j) {
            mixer.attach(sounds.engineBChannel(j), sounds.engineB[j]);
        }
        mixer.setEventSink(
            [this](int channel, const char* what) { log.emplace_back(channel, what); });
        state = RunningSoundState::forDrive(spec, line);
        ctx = std::make_unique<RunningSoundContext>(
            RunningSoundContext{.spec = spec,
                                .line = line,
                                .sounds = sounds,
                                .mixer = mixer,
                                .vehicle = vehicle,
                                .vehicleRules = vehicleRules,
                                .load = load,
                                .route = route,
                                .safety = safety,
                                .stations = stations,
                                .state = state,
                                .vigilanceMs = vigilanceMs,
                                .ebLamp = ebLamp,
                                .eventCommand = command,
                                .announcePointer = pointer,
                                .atsDisabled = false,
                                .programFolder = TRESSMOOR_FIXTURES_DIR "/sound_rules",
                                .onEvent = [this](std::string_view e) { events.emplace_back(e); }});
    }

    /// Runs `n` frames of the running sounds, the mixer advancing with them.
    void frames(int n = 1, double ms = kFrameMs) {
        for (int i = 0; i < n; ++i) {
            UpdateRunningSounds(*ctx, ms);
            mixer.advance(ms);
        }
    }

    /// Starts ("play" or "loop") of a channel seen so far.
    int starts(int channel) const {
        int n = 0;
        for (const auto& [ch, what] : log) {
            if (ch == channel && (what == "play" || what == "loop")) ++n;
        }
        return n;
    }
    bool playing(int channel) const { return mixer.Status(channel) != ChannelStatus::Idle; }
    int amb(int k) const { return sounds.ambientChannel(k); }
    void setCylinder(int kpa) {
        vehicle.CylinderM = data::fixed4::fromInt(kpa);
        vehicle.CylinderT = data::fixed4::fromInt(kpa);
    }

    data::TrainSpec spec;
    data::LineData line;
    SoundSet sounds;
    MemoryMixer mixer;
    vehicle::VehicleState vehicle;
    vehicle::TrainLoad load;
    data::AppSettings settings;
    vehicle::VehicleContext vehicleRules{spec, settings, mixer, vehicle, load};
    route::RouteState route;
    route::SafetyState safety;
    route::StationState stations;
    RunningSoundState state;
    long double vigilanceMs = 0;
    bool ebLamp = false;
    std::string command;
    int pointer = 1;
    std::vector<std::string> events;
    std::vector<std::pair<int, std::string>> log;
    std::unique_ptr<RunningSoundContext> ctx;
};

}  // namespace tressmoor::sound::testing
