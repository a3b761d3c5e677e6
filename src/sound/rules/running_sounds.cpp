// Running sounds of the train itself: the safety-system warning, the squeak, the brake sounds,
// the vigilance ring, the stop alarm, the horns, and the order of the per-frame steps.
#include "sound/rules/running_sounds.h"

#include <algorithm>
#include <cmath>

#include "sound/rules/channel_ops.h"
#include "sound/rules/step_functions.h"
#include "vehicle/handles.h"
#include "vehicle/vehicle_context.h"

namespace tressmoor::sound {

using namespace rules;

RunningSoundState RunningSoundState::forDrive(const data::TrainSpec& spec,
                                              const data::LineData& line) {
    RunningSoundState s;
    s.soundStarted.assign(line.Sound.size(), 0);
    s.switchPlayed.assign(line.Switch.size(), 0);
    s.announcePlayed.assign(line.Announce.Entries.size(), 0);
    s.stopAnnounced.assign(line.Station.size(), 0);
    s.engineA.assign(spec.EngineSound1.size(), EngineGain{});
    s.engineB.assign(spec.EngineSound3.size(), EngineGain{});
    // Route-event commands are short file names or one line of text.
    s.lastEventCommand.reserve(256);
    return s;
}

void ResetRunLatches(RunningSoundState& s) {
    std::fill(s.soundStarted.begin(), s.soundStarted.end(), 0);
    std::fill(s.switchPlayed.begin(), s.switchPlayed.end(), 0);
    std::fill(s.announcePlayed.begin(), s.announcePlayed.end(), 0);
    std::fill(s.stopAnnounced.begin(), s.stopAnnounced.end(), 0);
    s.stopAlarmLatch = false;
    s.stopLamp = false;
    s.dopplerActive = false;
    s.brakeSoundPrimed = false;
    s.doorFrames = 0;
}

namespace rules {

long double speedOf(const RunningSoundContext& c) {
    const long double v = std::fabs(c.vehicle.Speed);
    return std::isfinite(v) ? v : 0;
}

long double cylinderOf(const RunningSoundContext& c) {
    // The pressure the BC gauge shows: trailer cars with [Mc] 0, motor cars otherwise.
    const auto& p = c.spec.Mc == 0 ? c.vehicle.CylinderT : c.vehicle.CylinderM;
    return p.toReal();
}

bool emergencyCondition(const RunningSoundContext& c) {
    const auto& v = c.vehicle;
    return v.EmergencyTrip || v.VigilanceTrip || v.BrakeHandle <= -vehicle::brakePositions(c.spec);
}

}  // namespace rules

namespace {

// ---------------------------------------------------------------------------------------------
// The warning that the safety system has not been switched on.

void atsWarning(RunningSoundContext& c) {
    const int ch = c.spec.ATS_Warn;
    if (!valid(ch)) return;
    if (c.safety.On || c.atsDisabled || c.vehicle.PowerHandle < 2) {
        stopIfPlaying(c.mixer, ch);
    } else {
        loopIfIdle(c.mixer, ch);
    }
}

// ---------------------------------------------------------------------------------------------
// Squeak of the brake shoes.

void squeak(RunningSoundContext& c) {
    const int ch = c.spec.Sound_squeak;
    if (!valid(ch)) return;
    const long double v = speedOf(c);
    const long double p = cylinderOf(c);
    // Only an electric brake that brakes the train silences the shoes: trains without one
    // ([BrakeType2] 0) may still compute an electric-brake value from their [CurrentB] table.
    const bool electricBraking = c.spec.BrakeType2 > 0 && c.vehicle.EBrakeValue > 0;
    if (p > 0 && !electricBraking && v > 1) {
        loopIfIdle(c.mixer, ch);
        c.mixer.Volume(ch, squeakVolume(v, p, c.load.PS, c.spec.Lose_elec.fadeSpeed));
        return;
    }
    if (idle(c.mixer, ch)) return;
    // Dies away: quickly once the train stands, slowly when the air is released (or the
    // electric brake takes over again).
    int volume = c.mixer.volume(ch);
    if (volume >= -5999) volume -= v <= 1 ? 1000 : 100;
    c.mixer.Volume(ch, std::max(volume, -10000));
    if (volume < -5000) c.mixer.Stop(ch);
}

// ---------------------------------------------------------------------------------------------
// Brake sounds.

int pairChannel(const std::vector<data::SoundPair>& rows, int notch, bool strong) {
    if (notch < 1 || notch > static_cast<int>(rows.size())) return -1;
    const auto& pair = rows[static_cast<std::size_t>(notch - 1)];
    return strong ? pair.second : pair.first;
}

/// A further service notch plays its [Sound_BK] row once the cylinders take air; a step back
/// towards release plays the [Sound_BR] row of the notch left while air remains to exhaust.
/// Row k − 1 belongs to notch Bk; the first sound of a row is used while the cylinder pressure is
/// below half the full-service pressure, the second at or above it.
void brakeNotchSounds(RunningSoundContext& c) {
    auto& s = c.state;
    const int h = c.vehicle.BrakeHandle;
    if (!s.brakeSoundPrimed) {
        // A drive starts with the handle wherever it stands (usually at emergency): silently.
        s.brakeSoundHandle = h;
        s.brakeSoundPrimed = true;
        s.ebSoundLatch = h <= -vehicle::brakePositions(c.spec);
        return;
    }
    if (c.spec.BrakeType < 1 || emergencyCondition(c)) {
        s.brakeSoundHandle = h;
        return;
    }
    if (h == s.brakeSoundHandle) return;
    const long double p = cylinderOf(c);
    if (!(p > 0)) {
        // Applying waits for the air to reach the cylinders; releasing without air is silent.
        if (h > s.brakeSoundHandle) s.brakeSoundHandle = h;
        return;
    }
    const bool strong = p >= static_cast<long double>(c.load.PS) / 2;
    const int ch = h < s.brakeSoundHandle
                       ? pairChannel(c.spec.Sound_BK, -h, strong)
                       : pairChannel(c.spec.Sound_BR, -s.brakeSoundHandle, strong);
    restart(c.mixer, ch);
    s.brakeSoundHandle = h;
}

void ebSound(RunningSoundContext& c) {
    auto& s = c.state;
    const int n = vehicle::brakePositions(c.spec);
    if (c.vehicle.BrakeHandle > -n) {
        s.ebSoundLatch = false;
        return;
    }
    if (s.ebSoundLatch) return;
    const int type = c.spec.BrakeType;
    if (type == 0 || type == 1) {
        if (!(c.vehicle.BrakePipe > 0)) return;
        restart(c.mixer, c.spec.Sound_EB[0]);
        if (n < static_cast<int>(c.spec.Sound_BA.size())) {
            restart(c.mixer, c.spec.Sound_BA[static_cast<std::size_t>(n)].first);
        }
        s.ebSoundLatch = true;
    } else if (type == 2) {
        if (speedOf(c) > c.spec.Sound_EB[1] &&
            cylinderOf(c) < static_cast<long double>(c.load.PE)) {
            restart(c.mixer, c.spec.Sound_EB[0]);
            s.ebSoundLatch = true;
        }
    }
}

/// The brake valve of the automatic air brake: the application hiss at the apply position and
/// the exhaust while the brake pipe recharges.
void brakeValveSounds(RunningSoundContext& c) {
    if (c.spec.BrakeType != 0) return;
    const auto& v = c.vehicle;
    const long double bp = v.BrakePipe;
    const long double mr = v.MainReservoir.toReal();
    const int apply = c.spec.Sound_Apply[0];
    if (valid(apply)) {
        if (v.BrakeHandle == -3 && bp > 0) {
            loopIfIdle(c.mixer, apply);
            c.mixer.Volume(apply, bp >= 100 ? 0 : logLevel(2000, bp / 100));
        } else {
            stopIfPlaying(c.mixer, apply);
        }
    }
    const int exhaust = c.spec.Sound_Apply[1];
    if (valid(exhaust)) {
        if (mr - bp > 10 && bp < 490 && v.BrakeHandle >= -1) {
            loopIfIdle(c.mixer, exhaust);
            int volume = 0;
            if (!(bp <= 440 && bp <= mr - 50)) {
                volume =
                    bp <= 440 ? logLevel(2000, (mr - bp) / 100) : logLevel(2000, (490 - bp) / 100);
            }
            c.mixer.Volume(exhaust, volume);
        } else {
            stopIfPlaying(c.mixer, exhaust);
        }
    }
}

// ---------------------------------------------------------------------------------------------
// Vigilance ring and stop alarm.

void vigilance(RunningSoundContext& c, long double dtMs) {
    auto& v = c.vehicle;
    const int ring = c.spec.Sound_EBring;
    if (c.spec.EB == 1 && speedOf(c) > 1) c.vigilanceMs += dtMs;
    if (v.BrakeHandle <= -vehicle::brakePositions(c.spec)) {
        // The driver has answered with the emergency position.
        stopIfPlaying(c.mixer, ring);
        c.ebLamp = false;
    } else if (c.vigilanceMs >= kVigilanceRingMs) {
        loopIfIdle(c.mixer, ring);
        c.ebLamp = true;
    }
    if (c.vigilanceMs >= kVigilanceBrakeMs) {
        c.vigilanceMs = 0;
        if (!v.VigilanceTrip) {
            vehicle::SetDemand(c.vehicleRules, vehicle::Demand::Vigilance, true);
            c.event("vigilance emergency");
        }
    }
}

/// The roll-back alarm of trains with [Back] 1: [Sound_Atc] sounds, again and again, while the
/// train moves against the reverser's direction faster than kRollBackKmh. It warns; it does not
/// brake.
void rollBackAlarm(RunningSoundContext& c) {
    const int ch = c.spec.Sound_Atc;
    if (c.spec.Back != 1 || !valid(ch)) return;
    const long double v = c.vehicle.Speed;
    const int direction = c.vehicle.Reverser;
    const bool rollingBack = std::isfinite(v) && direction != 0 && v * direction < -kRollBackKmh;
    if (rollingBack && idle(c.mixer, ch)) c.mixer.Play(ch);
}

void stopAlarm(RunningSoundContext& c) {
    auto& s = c.state;
    const int ch = c.spec.Stop[0];
    const long double v = speedOf(c);
    if (v < 1) {
        if (valid(ch)) {
            stopIfPlaying(c.mixer, ch);
            c.mixer.Volume(ch, 0);
        }
        s.stopLamp = false;
        s.stopAlarmLatch = false;
        return;
    }
    if (!valid(ch)) return;
    const long double d = c.stations.RemainingDistance;
    // Braking distance estimate in metres against the distance left less 125 m.
    if (d > 0 && v / 5 * (v / 3.6L) > d / 100 - 125) {
        if (c.spec.Stop[1] == 1) {
            if (idle(c.mixer, ch)) c.mixer.Play(ch);
        } else if (!s.stopAlarmLatch) {
            restart(c.mixer, ch);
            s.stopAlarmLatch = true;
        }
    }
    if (!idle(c.mixer, ch)) {
        s.stopLamp = route::OneSecondBlink(c.route.Clock, s.stopLamp);
    }
}

// ---------------------------------------------------------------------------------------------
// Horns.

void hornStep(RunningSoundContext& c, const data::HornSpec& spec, HornState& horn, bool held) {
    const int a = spec.sounds[0];
    const int b = spec.sounds[1];
    const int cc = spec.sounds[2];
    const int d = spec.sounds[3];
    // A horn whose four stages name one channel is not fitted (a section left at its default).
    if (a == b && b == cc && cc == d) return;
    if (!valid(a) || !valid(b) || !valid(cc) || !valid(d)) return;
    auto& m = c.mixer;
    const std::int64_t clock = c.route.Clock;
    const long double stepTime = spec.stepTime.toReal();
    const bool due = static_cast<long double>(clock - horn.stageTime) > stepTime;
    const bool pa = !idle(m, a);
    const bool pb = !idle(m, b);
    const bool pc = !idle(m, cc);
    auto start = [&](int ch) {
        m.Play(ch);
        horn.stageTime = clock;
    };
    if (held) {
        if (!pa && !pb && !pc) {
            start(a);
        } else if (pa && !pb && due) {
            start(b);
        } else if (pb && !pc && due) {
            start(cc);
        } else if (pc && !pb && due) {
            start(b);
        }
        return;
    }
    if ((pa || pb || pc) && idle(m, d) && due) {
        // The release replaces the sustain, so that it sounds once per blow.
        m.Stop(a);
        m.Stop(b);
        m.Stop(cc);
        start(d);
    }
}

}  // namespace

int squeakVolume(long double speed, long double cylinder, long double fullService, int fadeSpeed) {
    // Full level from the speed at which the electric brake hands over to the air brake (at
    // least 10 km/h) downwards, falling with the square of the speed above it; scaled by the
    // share of the full-service cylinder pressure (at least 5 %).
    const long double handover = std::max<long double>(fadeSpeed, 10);
    const long double bySpeed = speed <= handover ? 1 : (handover / speed) * (handover / speed);
    long double byPressure = fullService > 0 ? cylinder / fullService : 1;
    byPressure = std::clamp<long double>(byPressure, 0.05L, 1);
    return logLevel(2000, bySpeed * byPressure);
}

void UpdateRunningSounds(RunningSoundContext& c, long double dtMs) {
    if (!(dtMs > 0) || !std::isfinite(dtMs)) dtMs = 0;
    atsWarning(c);
    squeak(c);
    // The departure cue (door-closed lamp, [DepSign], the doors-closed calls) completes with the
    // doors themselves, and the compressor sounds go with the compressor: both in the vehicle.
    brakeNotchSounds(c);
    ebSound(c);
    brakeValveSounds(c);
    attenuationStep(c);
    soundEntries(c);
    switchSounds(c);
    announcements(c);
    dopplerSources(c);
    // The safety-system bells ring from the safety system's own update.
    vigilance(c, dtMs);
    rollBackAlarm(c);
    stopAlarm(c);
    engineSounds(c, dtMs);
    routeEventSound(c);
}

void ReportBadSoundNumbers(const data::TrainSpec& spec, Mixer& mixer) {
    std::vector<int> numbers = {spec.ATS_Warn,     spec.Sound_squeak,  spec.Sound_EB[0],
                                spec.Sound_Apply[0], spec.Sound_Apply[1], spec.Sound_EBring,
                                spec.Stop[0],      spec.Sound_Atc,     spec.EngineSound2.sounds[0],
                                spec.EngineSound2.sounds[1]};
    for (const auto* rows : {&spec.Sound_BK, &spec.Sound_BR, &spec.Sound_BA}) {
        for (const auto& pair : *rows) {
            numbers.push_back(pair.first);
            numbers.push_back(pair.second);
        }
    }
    for (const auto* horn : {&spec.Sound_Horn1, &spec.Sound_Horn2}) {
        numbers.insert(numbers.end(), horn->sounds.begin(), horn->sounds.begin() + 4);
    }
    for (const auto& row : spec.SwitchSound) numbers.push_back(row.sound);
    std::sort(numbers.begin(), numbers.end());
    numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
    // The mixer reports a number outside its channels and does nothing else with it.
    for (int n : numbers) {
        if (n >= kChannelCount) mixer.Stop(n);
    }
}

void UpdateHorns(RunningSoundContext& c, bool hornKey1, bool hornKey2) {
    hornStep(c, c.spec.Sound_Horn1, c.state.horn1, hornKey1);
    hornStep(c, c.spec.Sound_Horn2, c.state.horn2, hornKey2);
}

}  // namespace tressmoor::sound
