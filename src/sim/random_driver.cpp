#include "sim/random_driver.h"

#include <algorithm>
#include <cmath>

#include "input/keys.h"
#include "sim/driving_session.h"

namespace tressmoor::sim {

namespace {

/// Deceleration the driver plans his stops with, km/h/s.
constexpr double kPlannedDecel = 2.0;

/// Metres needed to stop from `kmh` at kPlannedDecel.
double stoppingMetres(double kmh) { return kmh * kmh / (7.2 * kPlannedDecel); }

}  // namespace

double RandomDriver::uniform(double low, double high) {
    return std::uniform_real_distribution<double>(low, high)(rng_);
}

int RandomDriver::pick(int low, int high) {
    return std::uniform_int_distribution<int>(low, high)(rng_);
}

bool RandomDriver::chance(double p) { return uniform(0, 1) < p; }

void RandomDriver::note(const std::string& text) {
    if (log) log("driver " + text);
}

void RandomDriver::press(DrivingSession& session, char c) {
    // Scroll Lock exchanged "2" and "8": the driver knows and presses the other key.
    if (swapped_ && (c == '2' || c == '8')) c = c == '2' ? '8' : '2';
    session.keyPress(c);
    ++actions_;
}

HeldKeys RandomDriver::beforeFrame(DrivingSession& session, double now) {
    if (!started_) {
        started_ = true;
        nextRare_ = now + uniform(20, 120);
        nextDecision_ = now + uniform(0.5, 2);
    }
    if (f2Until_ >= 0 && now >= f2Until_) {
        session.keyUp(input::Key::F2);
        f2Until_ = -1;
    }
    if (followVideoUntil_ >= 0 && now >= followVideoUntil_) {
        session.keyDown(input::Key::F1, false);
        followVideoUntil_ = -1;
    }
    if (pausedUntil_ >= 0) {
        if (now < pausedUntil_) return {};
        session.setPaused(false);
        note("resume");
        pausedUntil_ = -1;
    }
    if (acknowledgeAt_ >= 0 && now >= acknowledgeAt_) {
        press(session, ' ');
        acknowledgeAt_ = -1;
    }
    if (now >= nextRare_) {
        rareThing(session, now);
        nextRare_ = now + uniform(30, 240);
    }
    if (now >= nextDecision_) {
        if (chance(0.03)) {
            oddThing(session, now);
        } else {
            drive(session, now);
        }
        nextDecision_ = now + uniform(0.2, 1.5);
    }
    return {now < horn1Until_, now < horn2Until_, now < safetyUntil_};
}

void RandomDriver::drive(DrivingSession& session, double now) {
    const auto& s = session.state();
    const auto& v = s.vehicle;
    const auto& spec = session.service().train.spec;
    const auto& line = session.service().line;
    const double speed = static_cast<double>(v.Speed);
    const bool standing = std::fabs(speed) < 0.5;

    // The service has ended: after a while start again somewhere along the line.
    if (session.serviceEnded()) {
        if (serviceEndSince_ < 0) serviceEndSince_ = now;
        if (now - serviceEndSince_ > uniform(5, 40) && !session.service().moveMenu.empty()) {
            const auto& menu = session.service().moveMenu;
            const int station = menu[static_cast<std::size_t>(
                pick(0, static_cast<int>(menu.size()) - 1))].station;
            note("station " + std::to_string(station) + " after the service end");
            session.StationClick(station);
            ++actions_;
            serviceEndSince_ = -1;
        }
        return;
    }
    serviceEndSince_ = -1;

    // The safety system rings: brake (two steps: some brake valves count the first step as
    // no brake), then acknowledge.
    if (s.safety.AlarmRinging) {
        if (acknowledgeAt_ >= 0) return;
        if (v.PowerHandle > 0) press(session, '5');
        for (int i = 0; i < 2 && session.state().vehicle.BrakeHandle > -2 &&
                        session.state().vehicle.BrakeHandle > 1 - spec.Brake;
             ++i) {
            press(session, '2');
        }
        acknowledgeAt_ = now + uniform(0.3, 2.5);
        return;
    }
    // Tripped: stop, then the reset with the brake applied.
    if (v.EmergencyTrip || v.ServiceTrip || v.VigilanceTrip) {
        if (standing) {
            press(session, '0');
            press(session, 'r');
            press(session, '5');
        } else if (v.PowerHandle > 0) {
            press(session, '5');
        }
        return;
    }
    // A stopped diesel engine is started by holding F2.
    if (spec.Engine_Type == 0 && v.EngineState == 0 && f2Until_ < 0) {
        session.keyDown(input::Key::F2, false);
        ++actions_;
        f2Until_ = now + uniform(0.5, 2.5);
        return;
    }
    if (standing && v.Reverser != 1) {
        press(session, 'f');
        return;
    }
    if (v.DoorsOpen) {
        // Standing at a station: wait for the doors, on one-man lines work them.
        if (line.OneMan.Mode > 0 && chance(0.05)) press(session, 'd');
        if (chance(0.05)) {
            session.keyDown(input::Key::Enter, false);
            ++actions_;
        }
        if (v.BrakeHandle == 0) press(session, '2');
        // An impatient driver winds the clock on toward the departure time.
        if (chance(0.04)) {
            session.keyDown(input::Key::F10, true);
            ++actions_;
        }
        return;
    }

    // Aim for a speed below the line's limits; change the aim now and then.
    if (now >= targetUntil_) {
        const int top = std::max(20, spec.MaxSpeed - 5);
        targetSpeed_ = pick(15, top);
        targetUntil_ = now + uniform(20, 120);
    }
    int aim = targetSpeed_;
    if (s.route.CurrentLimit > 0) aim = std::min(aim, s.route.CurrentLimit - 3);
    if (s.route.SectionMaxSpeed > 0) aim = std::min(aim, s.route.SectionMaxSpeed - 3);
    aim = std::max(aim, 10);

    // Wanted handle: > 0 a power notch, < 0 a brake step, 0 coasting.
    int wanted = 0;
    const double remainingM = static_cast<double>(s.stations.RemainingDistance) / 100;
    const bool stopAhead = remainingM > -5 && remainingM < 3000 && !line.Station.empty();
    const int serviceSteps = std::max(1, spec.Brake - 1);
    if (stopAhead && stoppingMetres(speed) + 15 >= remainingM) {
        // Braking for the stop: harder the later it is.
        const double need = remainingM > 1 ? speed * speed / (7.2 * remainingM) : kPlannedDecel * 2;
        wanted = -std::clamp(static_cast<int>(std::lround(need / kPlannedDecel * serviceSteps / 2)),
                             standing ? serviceSteps / 2 + 1 : 1, serviceSteps);
        if (standing) wanted = -serviceSteps;
    } else if (standing && stopAhead && remainingM < 3) {
        wanted = -serviceSteps;  // at the stop: hold the brake
    } else if (speed < aim - 8) {
        wanted = pick(std::max(1, spec.Power / 2), std::max(1, spec.Power));
    } else if (speed < aim - 2) {
        wanted = std::max(1, v.PowerHandle);
    } else if (speed > aim + 8) {
        wanted = -pick(1, std::max(1, serviceSteps / 2));
    }

    // One or two steps toward the wanted position per look at the instruments.
    const int steps = chance(0.3) ? 2 : 1;
    for (int i = 0; i < steps; ++i) {
        const int power = session.state().vehicle.PowerHandle;
        const int brake = -session.state().vehicle.BrakeHandle;
        if (wanted > 0) {
            if (brake > 0 || power < wanted) press(session, '8');
            else if (power > wanted) press(session, '2');
        } else if (wanted < 0) {
            if (power > 0) press(session, chance(0.5) ? '5' : '2');
            else if (brake < -wanted) press(session, '2');
            else if (brake > -wanted) press(session, '8');
        } else {
            if (power > 0) press(session, chance(0.7) ? '5' : '2');
            else if (brake > 0 && !standing) press(session, '8');
        }
    }
    if (chance(0.02)) {
        session.keyDown(input::Key::Enter, false);
        ++actions_;
    }
}

void RandomDriver::oddThing(DrivingSession& session, double now) {
    using input::Key;
    auto key = [&](Key k, bool shift = false) {
        session.keyDown(k, shift);
        ++actions_;
    };
    switch (pick(0, 29)) {
        case 0: press(session, '0'); break;              // emergency brake, at any speed
        case 1: press(session, pick(0, 1) ? 'b' : 'n'); break;  // reverser, moving or not
        case 2: press(session, pick(0, 1) ? 'd' : '7'); break;  // doors, moving or not
        case 3: horn1Until_ = now + uniform(0.1, 3); press(session, '3'); break;
        case 4: horn2Until_ = now + uniform(0.1, 3); press(session, '6'); break;
        case 5: safetyUntil_ = now + uniform(0.2, 4); press(session, '4'); break;
        case 6: press(session, ' '); break;
        case 7: press(session, 'r'); break;
        case 8: press(session, '9'); break;              // music horn on or off
        case 9: press(session, 't'); break;              // constant speed
        case 10: press(session, "wsx"[pick(0, 2)]); break;  // gear lever or holding brake
        case 11: press(session, "zaq,./"[pick(0, 5)]); break;
        case 12: press(session, "c1-"[pick(0, 2)]); break;  // announcements
        case 13: key(pick(0, 1) ? Key::PageUp : Key::PageDown); break;
        case 14: key(Key::Esc); break;                   // alternative route
        case 15:
            key(Key::ScrollLock);
            swapped_ = !swapped_;
            break;
        case 16: key(pick(0, 1) ? Key::Up : Key::Down, true); break;  // panel position
        case 17: {
            const int steps = pick(-4, 4);
            session.wheel(steps);
            ++actions_;
            break;
        }
        case 18:
            if (f2Until_ < 0) {
                // Engine start, or (rarely) stop, held for a while.
                key(Key::F2, chance(0.3));
                f2Until_ = now + uniform(0.2, 3);
            }
            break;
        case 19:
            key(Key::F1, true);  // run at the video's speed for a while
            followVideoUntil_ = now + uniform(1, 20);
            break;
        case 20: key(Key::F3, true); break;   // to the next signal
        case 21: key(Key::F5, true); break;   // clock and video back
        case 22: key(Key::F6, true); break;   // forward
        case 23: key(Key::F7, true); break;
        case 24: key(Key::F8, true); break;
        case 25: key(pick(0, 1) ? Key::F9 : Key::F10, true); break;
        case 26: key(Key::F11, true); break;  // 10 km/h slower
        case 27: key(Key::Backspace); break;  // turn back at the line's end
        case 28: press(session, '5'); break;
        default: press(session, '2'); break;
    }
}

void RandomDriver::rareThing(DrivingSession& session, double now) {
    const auto& menu = session.service().moveMenu;
    switch (pick(0, 9)) {
        case 0:
        case 1:
        case 2:
            if (!menu.empty()) {
                const int station =
                    menu[static_cast<std::size_t>(pick(0, static_cast<int>(menu.size()) - 1))]
                        .station;
                note("station " + std::to_string(station));
                session.StationClick(station);
                ++actions_;
            }
            break;
        case 3:
        case 4:
        case 5: {
            const int slot = pick(1, 3);
            note("save " + std::to_string(slot) + ": " + session.save(slot));
            ++actions_;
            break;
        }
        case 6:
        case 7: {
            const int slot = pick(1, 3);
            note("load " + std::to_string(slot) + ": " + session.load(slot));
            ++actions_;
            break;
        }
        case 8:
            session.setPaused(true);
            pausedUntil_ = now + uniform(0.5, 10);
            note("pause");
            ++actions_;
            break;
        default: {
            // The train-settings dialog: the safety system off and on again, or the engine.
            if (chance(0.5)) {
                const bool on = !session.state().safety.On;
                session.trainSettingsAts(on);
                note(on ? "safety system on" : "safety system off");
            } else {
                session.trainSettingsEngine(pick(0, 2));
                note("engine command");
            }
            ++actions_;
            break;
        }
    }
}

}  // namespace tressmoor::sim
