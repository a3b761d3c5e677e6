// Motor and engine sounds: the [EngineSound1] tables of electric and diesel trains, the idle
// sounds of [EngineSound2] and the transmission sounds of [EngineSound3].
#include <algorithm>
#include <cmath>

#include "sound/rules/channel_ops.h"
#include "sound/rules/step_functions.h"
#include "vehicle/vehicle_context.h"

namespace tressmoor::sound {

using namespace rules;

namespace {

/// Door frames after which a diesel engine goes back from its doors-open idle sound.
constexpr int kDoorIdleFrames = 30;
constexpr int kDoorIdleBackFrames = 55;

long double lerp(long double x0, long double y0, long double x1, long double y1, long double x) {
    if (x1 == x0) return y1;
    return y0 + (y1 - y0) * (x - x0) / (x1 - x0);
}

/// Rises towards `cap` or falls towards `floor` by `step`, never passing either.
void ramp(long double& g, bool rise, long double cap, long double riseStep, long double floor,
          long double fallStep) {
    if (rise) {
        if (g < cap) g = std::min(cap, g + riseStep);
    } else if (g > floor) {
        g = std::max(floor, g - fallStep);
    }
}

void commonGainA(RunningSoundContext& c, long double dtMs) {
    const auto& v = c.vehicle;
    const bool diesel = c.spec.Engine_Type == 0;
    const bool inUse =
        v.PowerHandle > 0 || v.BrakeHandle < 0 || emergencyCondition(c) || v.ServiceTrip;
    auto& g = c.state.commonGainA;
    if (inUse && diesel && v.PowerHandle >= 1) {
        ramp(g, true, 95, dtMs / 5, 0, 0);
    } else if (inUse) {
        ramp(g, true, 85, dtMs / 20, 0, 0);
    } else if (diesel) {
        ramp(g, false, 0, 0, 5, dtMs / 5);
    } else {
        ramp(g, false, 0, 0, 15, dtMs / 10);
    }
    g = std::min<long double>(g, 100);
}

bool electricGateMatches(const RunningSoundContext& c, int mode) {
    const auto& v = c.vehicle;
    const int n = vehicle::brakePositions(c.spec);
    if (mode == 0) return v.PowerHandle >= 1;
    if (mode == 1) return -n < v.BrakeHandle && v.BrakeHandle < 0;
    if (mode >= 2) return v.BrakeHandle > -n;
    return false;
}

long double dieselGate(const RunningSoundContext& c, int mode) {
    const auto& v = c.vehicle;
    if (mode == -1) return 100;
    if (mode == -2) return v.BrakeHandle < 0 ? 100 : 1;
    if (mode >= 0) return v.Gear == mode ? 100 : 1;
    return 1;
}

void engineSound1(RunningSoundContext& c, long double dtMs) {
    const auto& spec = c.spec;
    const bool electric = spec.Engine_Type == 1;
    const bool diesel = spec.Engine_Type == 0;
    const long double x = electric ? speedOf(c) : c.vehicle.EngineSpeed;
    const int count =
        std::min<int>(static_cast<int>(spec.EngineSound1.size()), c.sounds.nEngineA());
    for (int j = 0; j < count; ++j) {
        const auto& r = spec.EngineSound1[static_cast<std::size_t>(j)];
        auto& g = c.state.engineA[static_cast<std::size_t>(j)];
        const int ch = c.sounds.engineAChannel(j);
        if (!valid(ch)) continue;
        long double pitch = 1;
        long double gainA = 1;
        bool pitched = true;
        if (electric) {
            pitched = electricEngineTable(r, x, pitch, gainA);
            if (!pitched) gainA = 1;
        } else {
            dieselEngineTable(r, x, pitch, gainA);
        }
        if (pitched && std::isfinite(pitch)) c.mixer.FreqRate(ch, static_cast<double>(pitch));
        g.a = std::isfinite(gainA) ? std::max<long double>(gainA, 1) : 1;
        if (electric) {
            if (electricGateMatches(c, r.mode)) {
                g.b = 100;
            } else if (g.b > 11) {
                g.b -= dtMs / 10;
            }
        } else {
            g.b = dieselGate(c, r.mode);
        }
        const long double common = r.mode == 3 ? 100 : c.state.commonGainA;
        const int volume = engineVolume(g.a, g.b, common);
        if (electric) {
            c.mixer.Volume(ch, volume >= -2999 && g.b > 10 ? volume : -10000);
            if (g.b < 5) {
                stopIfPlaying(c.mixer, ch);
            } else {
                loopIfIdle(c.mixer, ch);
            }
        } else if (diesel && c.vehicle.EngineState != 1 && c.vehicle.EngineState != -2) {
            // A stopped (or starting) engine makes no running sound; its start and stop sounds
            // belong to the engine itself.
            stopIfPlaying(c.mixer, ch);
        } else {
            c.mixer.Volume(ch, volume);
            loopIfIdle(c.mixer, ch);
        }
    }
}

void engineSound2(RunningSoundContext& c) {
    auto& m = c.mixer;
    const auto& v = c.vehicle;
    const int first = c.spec.EngineSound2.sounds[0];
    const int second = c.spec.EngineSound2.sounds[1];
    int& frames = c.state.doorFrames;
    if (!v.DoorsOpen) {
        frames = 0;
    } else if (speedOf(c) < 1 && frames < kDoorIdleBackFrames) {
        ++frames;
    }
    if (!valid(first) || !valid(second)) return;
    auto switchTo = [&](int ch) {
        if (!idle(m, ch)) return;
        m.Stop(first);
        m.Stop(second);
        m.LoopPlay(ch);
    };
    if (v.EngineState != 1) {
        stopIfPlaying(m, first);
        stopIfPlaying(m, second);
    } else if (!v.DoorsOpen) {
        switchTo(first);
    } else if (frames < kDoorIdleFrames) {
        switchTo(second);
    } else if (frames >= kDoorIdleBackFrames) {
        switchTo(first);
    }
}

/// [EngineSound3] table on the train speed: interpolated between x0 and x1, faded in over the
/// 10 km/h below x0 and out over the 10 km/h above x1; gain 1.0 (and the pitch kept) further out.
bool transmissionTable(const data::EngineSound3Row& r, long double x, long double& pitch,
                       long double& gain) {
    const long double x0 = r.x[0];
    const long double x1 = r.x[1];
    if (x > x0 - 10 && x <= x0) {
        pitch = r.pitch[0];
        gain = r.gain[0] * (x - x0 + 10) / 10;
    } else if (x > x0 && x <= x1) {
        pitch = lerp(x0, r.pitch[0], x1, r.pitch[1], x);
        gain = lerp(x0, r.gain[0], x1, r.gain[1], x);
    } else if (x > x1 && x < x1 + 10) {
        pitch = r.pitch[1];
        gain = r.gain[1] * (x1 + 10 - x) / 10;
    } else {
        gain = 1;
        return false;
    }
    return true;
}

void engineSound3(RunningSoundContext& c, long double dtMs) {
    const auto& spec = c.spec;
    const auto& v = c.vehicle;
    const long double speed = speedOf(c);
    const bool powering = v.PowerHandle >= 1;
    const bool braking = v.BrakeHandle < 0;
    ramp(c.state.commonGainB, (powering || braking) && v.EngineState == 1 && v.Gear != 0, 95,
         dtMs / 10, 10, dtMs / 10);
    const int count =
        std::min<int>(static_cast<int>(spec.EngineSound3.size()), c.sounds.nEngineB());
    for (int j = 0; j < count; ++j) {
        const auto& r = spec.EngineSound3[static_cast<std::size_t>(j)];
        auto& g = c.state.engineB[static_cast<std::size_t>(j)];
        const int ch = c.sounds.engineBChannel(j);
        if (!valid(ch)) continue;
        long double pitch = 1;
        long double gain = 1;
        if (transmissionTable(r, speed, pitch, gain) && std::isfinite(pitch)) {
            c.mixer.FreqRate(ch, static_cast<double>(pitch));
        }
        g.a = std::isfinite(gain) ? std::max<long double>(gain, 1) : 1;
        const bool applies = (r.mode == 1 && powering && v.Gear == r.gear) ||
                             (r.mode == 2 && braking && speed > spec.Lose_elec.dropSpeed);
        ramp(g.b, applies, 95, dtMs / 10, 10, dtMs / 10);
        c.mixer.Volume(ch, engineVolume(g.a, g.b, c.state.commonGainB));
        loopIfIdle(c.mixer, ch);
    }
}

}  // namespace

bool electricEngineTable(const data::EngineSound1Row& r, long double x, long double& pitch,
                         long double& gainA) {
    for (std::size_t k = 0; k + 1 < 4; ++k) {
        if (x > r.x[k] && x <= r.x[k + 1]) {
            pitch = lerp(r.x[k], r.pitch[k], r.x[k + 1], r.pitch[k + 1], x);
            gainA = lerp(r.x[k], r.gain[k], r.x[k + 1], r.gain[k + 1], x);
            return true;
        }
    }
    gainA = 1;
    return false;
}

void dieselEngineTable(const data::EngineSound1Row& r, long double x, long double& pitch,
                       long double& gainA) {
    const long double x0 = r.x[0];
    const long double x3 = r.x[3];
    if (x > x0 && x <= x3) {
        pitch = lerp(x0, r.pitch[0], x3, r.pitch[3], x);
        gainA = lerp(x0, r.gain[0], x3, r.gain[3], x);
    } else if (x > x0 - 10 && x <= x0) {
        pitch = r.pitch[0];
        gainA = r.gain[0] * (x - x0 + 10) / 10;
    } else if (x > x3 && x < x3 + 10) {
        pitch = r.pitch[3];
        gainA = r.gain[3] * (x3 + 10 - x) / 10;
    } else {
        pitch = x <= x0 ? r.pitch[0] : r.pitch[3];
        gainA = 1;
    }
}

int engineVolume(long double a, long double b, long double common) {
    return logLevel(1660, a * b * common / 1000000);
}

namespace rules {

void engineSounds(RunningSoundContext& c, long double dtMs) {
    commonGainA(c, dtMs);
    engineSound1(c, dtMs);
    if (c.spec.Engine_Type == 0) {
        engineSound2(c);
        engineSound3(c, dtMs);
    }
}

}  // namespace rules

}  // namespace tressmoor::sound
