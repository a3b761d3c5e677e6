// The route test world with the vehicle, the safety system, the stations and the calls added.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "route/safety.h"
#include "route/station_state.h"
#include "route/stations.h"
#include "route_test_world.h"
#include "sound/memory_mixer.h"
#include "vehicle/handles.h"
#include "vehicle/vehicle_context.h"

namespace tressmoor::route::testing {

/// Channels of the train's safety sounds in these tests (drive waves 0 … 9).
enum TestChannel : int {
    kBell = 1,         ///< [Sound_Ats1]
    kChime = 2,        ///< [Sound_Ats2]
    kButton = 3,       ///< [Sound_Ats3]
    kPatternBell = 4,  ///< [Sound_Atc]
    kDepSign = 5,      ///< [DepSign]
    kDoorOpen = 6,
    kDoorClose = 7,
};

struct StationWorld : RouteWorld {
    StationWorld() {
        spec.BrakeType = 1;
        spec.Brake = 8;
        spec.Power = 4;
        spec.Sound_Ats1 = kBell;
        spec.Sound_Ats2 = kChime;
        spec.Sound_Ats3 = kButton;
        spec.Sound_Atc = kPatternBell;
        spec.DepSign = kDepSign;
        spec.Sound_DoorOpen = kDoorOpen;
        spec.Sound_DoorClose = kDoorClose;
        spec.ATS_Time = 5000;
        sounds.drive.resize(10);
        sounds.driveSeconds.assign(10, 0);
        for (int ch = 1; ch < 10; ++ch) {
            auto wave = std::make_shared<sound::MemoryWave>("drive" + std::to_string(ch), 2000);
            sounds.drive[static_cast<std::size_t>(ch)] = wave;
            mixer.attach(ch, wave);
        }
        for (int slot = 0; slot < 40; ++slot) {
            sounds.calls[static_cast<std::size_t>(slot)] =
                std::make_shared<sound::MemoryWave>("call" + std::to_string(slot), 1000);
        }
        ctx.onEvent = [this](std::string_view e) { events.emplace_back(e); };
        safety.Log.onLine = [this](std::string_view e) { log.emplace_back(e); };
    }

    /// [SoundData] sound k of `seconds` on its ambient channel.
    void ambient(int k, int seconds) {
        if (static_cast<int>(sounds.ambient.size()) <= k) {
            sounds.ambient.resize(static_cast<std::size_t>(k) + 1);
            sounds.ambientSeconds.resize(static_cast<std::size_t>(k) + 1, 0);
        }
        auto wave =
            std::make_shared<sound::MemoryWave>("amb" + std::to_string(k), seconds * 1000.0);
        sounds.ambient[static_cast<std::size_t>(k)] = wave;
        sounds.ambientSeconds[static_cast<std::size_t>(k)] = seconds;
        mixer.attach(sounds.ambientChannel(k), wave);
    }

    bool playing(int channel) const { return mixer.Status(channel) != sound::ChannelStatus::Idle; }
    /// Call slot of queue place i, −1 when empty or not a call slot.
    int queued(int i) const {
        const auto* wave = calls.slot(i).get();
        if (wave == nullptr) return -1;
        for (int s = 0; s < 40; ++s) {
            if (sounds.calls[static_cast<std::size_t>(s)].get() == wave) return s;
        }
        return -1;
    }

    SafetyState safety;
    StationState stations;
    CallState callState;
    vehicle::VehicleContext vctx{spec, settings, mixer, vehicle, load};
    SafetyContext sctx{ctx, vctx, safety};
    StationContext st{ctx, vctx, sctx, stations, callState, {}, {}, 0, 999};
    std::vector<std::string> events;
    std::vector<std::string> log;
};

}  // namespace tressmoor::route::testing
