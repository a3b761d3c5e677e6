#include "sim/autopilot.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

#include "route/safety_state.h"
#include "sim/driving_session.h"

namespace tressmoor::sim {

namespace autopilot {

double CurveSpeed(double targetKmh, double distanceM, double decel) {
    const double t = std::max(targetKmh, 0.0);
    if (distanceM <= 0 || decel <= 0) return t;
    return std::sqrt(t * t + kCurve * decel * distanceM);
}

double RequiredDecel(double speedKmh, double targetKmh, double distanceM) {
    const double v = std::fabs(speedKmh);
    const double t = std::max(targetKmh, 0.0);
    if (v <= t) return 0;
    if (distanceM <= 0.01) return std::numeric_limits<double>::infinity();
    return (v * v - t * t) / (kCurve * distanceM);
}

double ShoeFriction(const data::TrainSpec& spec, double speedKmh) {
    const double u = std::fabs(speedKmh);
    const double ref = spec.AirBrakeRate.refSpeed.toDouble();
    const double t = static_cast<double>(spec.BrakeRate2);
    if (!(u > 0 && u < ref)) return 1;
    const double here = (0.01 * u + 1) / (t * u + 1);
    const double atRef = (0.01 * ref + 1) / (t * ref + 1);
    return atRef > 0 ? here / atRef : 1;
}

double BrakeModel::planDecel() const {
    const double full = rate.empty() ? 0 : rate.back();
    // Two thirds of full service leaves room for a gradient, a late signal and the brake's lag.
    return std::clamp(full * 0.62, 0.5, 2.6);
}

BrakeModel MakeBrakeModel(const data::TrainSpec& spec, const vehicle::TrainLoad& load) {
    BrakeModel m;
    const int steps = std::max(1, spec.Brake - 1);
    const double shoe = spec.AirBrakeRate.rate.toDouble();
    const double ps = std::max(1, load.PS);
    const double pe = std::max(1, load.PE);
    m.automatic = spec.BrakeType == 0;
    m.fullServiceBc = ps;
    m.emergencyBc = pe;
    m.shoeRate = shoe;
    m.rate.assign(static_cast<std::size_t>(steps) + 1, 0.0);
    for (int k = 1; k <= steps; ++k) {
        double r = spec.plannedBrakeRate(k).toDouble();
        // Without a planned rate (or for the valve positions of the automatic brake) the step's
        // share of full-service pressure works through the friction law.
        if (r <= 0 || m.automatic) r = shoe * (ps * k / steps) / pe;
        m.rate[static_cast<std::size_t>(k)] = r;
    }
    const double fill = spec.BrakeUp > 0 ? ps / spec.BrakeUp : 1.0;
    m.lagSeconds = spec.BrakeDelay / 1000.0 + 0.5 * fill;
    if (m.automatic) {
        // The pipe has to fall before the cylinders follow it: a slower brake to plan with.
        const double pipe = spec.BrakeUp > 0 ? spec.BrakeUp / 4.6 * ps / 140 : 50;
        m.lagSeconds = spec.BrakeDelay / 1000.0 + 0.5 * ps / std::max(pipe, 1.0);
    }
    m.lagSeconds = std::clamp(m.lagSeconds, 0.3, 4.0);
    return m;
}

int ChooseBrakeStep(const BrakeModel& model, double required, double assist, double factor,
                    int current, double heldSeconds) {
    const int steps = model.steps();
    auto effect = [&](int k) {
        return model.rate[static_cast<std::size_t>(std::clamp(k, 0, steps))] * factor + assist;
    };
    int best = steps;
    for (int k = 1; k <= steps; ++k) {
        if (effect(k) >= required + 0.05) {
            best = k;
            break;
        }
    }
    current = std::clamp(current, 0, steps);
    if (current < best) return best;
    if (current > best && heldSeconds >= 1.0 && current > 1 &&
        effect(current - 1) >= required + 0.25) {
        return current - 1;
    }
    return std::max(current, 1);
}

int ChoosePower(double speedKmh, double ceilingKmh, int current, int notches, double heldSeconds,
                double lowGap, double highGap, double minHoldSeconds) {
    if (speedKmh >= ceilingKmh - highGap) return 0;
    if (current > 0) return current;
    if (speedKmh < ceilingKmh - lowGap && heldSeconds >= minHoldSeconds) return notches;
    return 0;
}

}  // namespace autopilot

namespace {

using autopilot::SpeedTarget;

constexpr double kHorizonM = 1500;     ///< targets further ahead do not matter yet
constexpr double kSignalMarginM = 10;  ///< stop this far before a stop signal's check point

double metres(long double cm) {
    return static_cast<double>(cm) / 100.0;
}

std::string fixed1(double x) {
    char text[32];
    std::snprintf(text, sizeof text, "%+.2f", x);
    return text;
}

/// Tractive force (kgf) of a diesel gear at `u` km/h, as the train file's gear table gives it.
double gearForce(const data::EngineRow& row, double u) {
    if (u < row.speedB) {
        const double span = std::max(1, row.speedB - row.speedA);
        return static_cast<double>(row.forceA) +
               static_cast<double>(row.forceB - row.forceA) / span * std::fabs(u - row.speedA);
    }
    if (u < row.speedC) {
        const double span = std::max(1, row.speedC - row.speedB);
        return static_cast<double>(row.forceB) +
               static_cast<double>(row.forceC - row.forceB) / span * (u - row.speedB);
    }
    return 0;
}

bool manualGears(const data::TrainSpec& spec) {
    return spec.Engine_Type == 0 && spec.Gear_Type == data::GearType::MT && spec.Engine.size() >= 3;
}

/// Speed at which the direct gear pulls at least as hard as the converter.
double shiftUpSpeed(const data::TrainSpec& spec) {
    const auto& conv = spec.Engine[1];
    const auto& direct = spec.Engine[2];
    for (int u = std::max(direct.speedA, 1); u < conv.speedC; ++u) {
        if (gearForce(direct, u) >= gearForce(conv, u)) return u;
    }
    return std::max(conv.speedC - 3, 1);
}

}  // namespace

Autopilot::Autopilot(const DrivingSession& session)
    : model_(autopilot::MakeBrakeModel(session.service().train.spec, session.state().load)),
      station_(session.state().stations.StartStation) {}

void Autopilot::say(const std::string& text) {
    if (event) event("autopilot " + text);
}

void Autopilot::press(DrivingSession& session, char key) {
    if (session.state().input.SwapTwoEight) {
        if (key == '2')
            key = '8';
        else if (key == '8')
            key = '2';
    }
    session.keyPress(key);
}

void Autopilot::observe(const DrivingSession& session, double dtMs) {
    const double v = static_cast<double>(session.state().vehicle.Speed);
    if (dtMs > 0) {
        const double a = (v - lastSpeed_) / (dtMs / 1000.0);
        const double k = dtMs / (400.0 + dtMs);
        accel_ += k * (a - accel_);
    }
    lastSpeed_ = v;
    seconds_ += dtMs / 1000.0;
}

void Autopilot::beforeFrame(DrivingSession& session, double dtMs) {
    observe(session, dtMs);
    const auto& st = session.state();
    if (phase_ == Phase::Ended) return;
    if (session.serviceEnded()) {
        phase_ = Phase::Ended;
        say("service ended");
        return;
    }
    const auto& spec = session.service().train.spec;
    // The vigilance device wants a sign of life now and then; a key without a command gives it.
    if (spec.EB == 1 && st.VigilanceMs > 30000 && !st.vehicle.VigilanceTrip) press(session, 'k');
    safety(session);
    if (tripSeen_) return;
    // Pointing and calling: the call key once for every signal that comes into view.
    const int sig = st.route.CurrentSignal;
    if (sig != calledSignal_ && sig >= 0 &&
        sig < static_cast<int>(session.service().line.Signal.size())) {
        calledSignal_ = sig;
        session.keyDown(input::Key::Enter, false);
    }
    if (phase_ == Phase::AtStation) atStation(session);
    if (phase_ == Phase::Running) run(session);
}

void Autopilot::safety(DrivingSession& session) {
    const auto& st = session.state();
    const auto& v = st.vehicle;
    const auto& spec = session.service().train.spec;
    const bool trip = v.EmergencyTrip || v.VigilanceTrip || v.ServiceTrip;
    if (trip && !tripSeen_) {
        say(std::string("safety brake: ") + (v.EmergencyTrip   ? "emergency"
                                             : v.VigilanceTrip ? "vigilance"
                                                               : "service"));
    }
    tripSeen_ = trip;
    if (trip) {
        // Handle to emergency (or full service for a service demand), then the reset at rest.
        const int n = spec.Brake;
        if (v.EmergencyTrip || v.VigilanceTrip) {
            if (v.BrakeHandle != -n) press(session, '0');
        } else if (v.BrakeHandle > 1 - n && v.BrakeHandle != -n) {
            setHandles(session, 0, n - 1);
        }
        if (std::fabs(static_cast<double>(v.Speed)) < 0.1 && seconds_ - resetAt_ > 1) {
            resetAt_ = seconds_;
            press(session, 'r');
            braking_ = true;
            wantPower_ = 0;
        }
        return;
    }
    // The alarm: brake first (the acknowledgement needs a braking position), then acknowledge.
    if (st.safety.On && st.safety.AlarmRinging && seconds_ - ackAt_ > 0.2) {
        const int needed = spec.BrakeType == 0 ? 2 : 1;
        if (v.PowerHandle > 0) press(session, '5');
        for (int i = 0; i < 2 * spec.Brake && -session.state().vehicle.BrakeHandle < needed; ++i) {
            press(session, '2');
        }
        ackAt_ = seconds_;
        press(session, ' ');
        say("acknowledged the alarm");
    }
}

bool Autopilot::mayDepart(const DrivingSession& session) const {
    const auto& st = session.state();
    const auto& line = session.service().line;
    if (st.vehicle.DoorsOpen) return false;
    if (station_ >= 0 && station_ < static_cast<int>(line.Station.size())) {
        const auto& s = line.Station[static_cast<std::size_t>(station_)];
        if (!s.Progress.DepartureSignalled && s.Kind != 1) return false;
    }
    const int sig = st.route.CurrentSignal;
    if (sig >= 0 && sig < static_cast<int>(st.route.Aspect.size()) &&
        st.route.Aspect[static_cast<std::size_t>(sig)] == 0) {
        return false;
    }
    return true;
}

void Autopilot::atStation(DrivingSession& session) {
    const auto& st = session.state();
    const auto& v = st.vehicle;
    const auto& line = session.service().line;
    const auto& spec = session.service().train.spec;
    if (station_ < 0 || station_ >= static_cast<int>(line.Station.size())) {
        phase_ = Phase::Running;
        return;
    }
    const auto& s = line.Station[static_cast<std::size_t>(station_)];
    // Keep the train held while it stands.
    if (v.BrakeHandle == 0 || v.PowerHandle > 0)
        setHandles(session, 0, std::max(1, model_.steps() / 2));
    if (manualGears(spec) && v.GearLever != 1) press(session, 'x');
    const bool oneMan = line.OneMan.Mode > 0 && s.Kind == 0;
    const bool atRest = std::fabs(static_cast<double>(v.Speed)) < 0.05;
    if (oneMan && atRest && seconds_ - doorKeyAt_ > 2) {
        if (!v.DoorsOpen && !s.Progress.Arrived) {
            // The doors on the platform's side, then open them.
            const int side = s.DoorSide == 1 ? 1 : 0;
            if (st.input.DoorSide != side) {
                session.keyDown(side == 1 ? input::Key::PageDown : input::Key::PageUp, false);
            }
            doorKeyAt_ = seconds_;
            press(session, 'd');
        } else if (v.DoorsOpen && v.DoorCommand && s.Progress.DepartureSignalled &&
                   (s.DepartureTime <= 0 || st.route.Clock >= s.DepartureTime) &&
                   station_ + 1 < static_cast<int>(line.Station.size())) {
            doorKeyAt_ = seconds_;
            press(session, 'd');
        }
    }
    if (!mayDepart(session)) return;
    const long long late = s.DepartureTime > 0 ? (st.route.Clock - s.DepartureTime) / 30 : 0;
    say("departure " + std::to_string(station_) + " (" + std::to_string(late) + " s late)");
    phase_ = Phase::Running;
    braking_ = false;
    handleSince_ = -100;
    departAt_ = seconds_;
}

std::vector<SpeedTarget> Autopilot::targets(const DrivingSession& session) const {
    const auto& st = session.state();
    const auto& line = session.service().line;
    const auto& spec = session.service().train.spec;
    const auto& r = st.route;
    const double here = static_cast<double>(r.LineDistance);
    const double trainLength = spec.Cars * spec.Length;
    std::vector<SpeedTarget> out;
    auto ahead = [&](std::int64_t cm) { return static_cast<double>(cm) / 100.0 - here / 100.0; };
    auto add = [&](double speed, double distance, std::string what) {
        if (distance > kHorizonM) return;
        out.push_back({speed, std::max(distance, 0.0), std::move(what)});
    };
    // The next stop.
    add(0, metres(st.stations.RemainingDistance), "stop " + std::to_string(st.stations.NextStop));
    // The train's own top speed and the section's maximum, here and from the next station on.
    if (spec.MaxSpeed > 0) add(spec.MaxSpeed - 5, 0, "train");
    if (r.SectionMaxSpeed > 0) add(r.SectionMaxSpeed - 3, 0, "section");
    for (const auto& s : line.Station) {
        const double d = ahead(s.StopDistance);
        if (d <= 0) continue;
        if (s.MaxSpeed > 0) add(s.MaxSpeed - 3, d, "section");
        break;
    }
    // Speed limits: before one the train brakes to it; it holds until the last car is past.
    for (const auto& l : line.SpeedLimit) {
        const double from = ahead(l.StartDistance);
        const double to = ahead(line.FrameToDistance(l.EndFrame)) + trainLength;
        if (to < 0) continue;
        add(l.Limit - 2, std::max(from, 0.0), "limit " + std::to_string(l.Limit));
    }
    if (r.CurrentLimit > 0) add(r.CurrentLimit - 2, 0, "limit " + std::to_string(r.CurrentLimit));
    // The safety system's fixed checks: point checks while their signal shows stop, windows.
    auto aspectOf = [&](int i) {
        return i >= 0 && i < static_cast<int>(r.Aspect.size())
                   ? r.Aspect[static_cast<std::size_t>(i)]
                   : -1;
    };
    for (const auto& c : line.SpeedCheck1) {
        const double d = ahead(c.CheckDistance);
        if (d < 0) continue;
        if (c.Signal != 0 && aspectOf(c.Signal) != 0) continue;
        add(c.CheckSpeed - 5, d - 5, "check " + std::to_string(c.CheckSpeed));
    }
    for (const auto* list : {&line.SpeedCheck2, &line.SpeedCheck3}) {
        for (const auto& w : *list) {
            if (r.RoutePosition >= w.LastFrame) continue;
            add(w.CheckSpeed - 5, ahead(w.CheckDistance) - 5,
                "check " + std::to_string(w.CheckSpeed));
        }
    }
    // Signals: the one in view, and the last one passed until the next is passed.
    auto signalSpeed = [&](int aspect) {
        if (aspect < 0 || aspect >= static_cast<int>(line.Speed_Signal.size())) return -1;
        return line.Speed_Signal[static_cast<std::size_t>(aspect)];
    };
    const int inView = r.CurrentSignal;
    if (inView >= 0 && inView < static_cast<int>(line.Signal.size())) {
        const auto& sig = line.Signal[static_cast<std::size_t>(inView)];
        const int aspect = aspectOf(inView);
        if (aspect == 0) {
            int at = sig.Frame;
            if (sig.CheckFrame > 0 && sig.CheckFrame < at) at = sig.CheckFrame;
            add(0, ahead(line.FrameToDistance(at)) - kSignalMarginM,
                "signal " + std::to_string(inView));
        } else if (signalSpeed(aspect) > 0) {
            add(signalSpeed(aspect) - 5, ahead(line.FrameToDistance(sig.Frame)),
                "signal " + std::to_string(inView));
        }
    }
    int passed = -1;
    for (int i = 0; i < static_cast<int>(line.Signal.size()); ++i) {
        if (line.Signal[static_cast<std::size_t>(i)].Frame <= r.RoutePosition) passed = i;
    }
    // Before the first signal of the line nothing has announced its aspect: the train comes up
    // to where it can be seen no faster than it could still stop short of it.
    if (passed < 0 && inView != 0 && !line.Signal.empty()) {
        const auto& first = line.Signal.front();
        if (r.RoutePosition < first.ViewFrame) {
            const int at = first.CheckFrame > 0 && first.CheckFrame < first.Frame ? first.CheckFrame
                                                                                  : first.Frame;
            const double span =
                metres(line.FrameToDistance(at) - line.FrameToDistance(first.ViewFrame));
            add(autopilot::CurveSpeed(0, span - kSignalMarginM - 15, model_.planDecel()),
                ahead(line.FrameToDistance(first.ViewFrame)), "signal 0 unseen");
        }
    }
    if (passed >= 0) {
        int aspect = aspectOf(passed);
        if (aspect == 0) aspect = 1;  // passed at stop: the slowest proceed speed
        if (signalSpeed(aspect) > 0)
            add(signalSpeed(aspect) - 5, 0, "signal " + std::to_string(passed));
    }
    // The pattern system's active target, until it releases it.
    const auto& safety = st.safety;
    if (spec.ATS_Type == 1 && safety.On && safety.TargetIndex != route::kNoTarget &&
        safety.TargetDistance > 0) {
        const double d = metres(safety.TargetDistance - r.LineDistance);
        if (safety.TargetType == 2) add(5, d - 12, "pattern signal");
        if (safety.TargetType == 1) add(safety.TargetSpeed - 8, d - 10, "pattern limit");
        // A station target stays active while the train stands short of its marker and is
        // released as soon as the train moves off with its doors closed: no ceiling of its own.
        if (safety.TargetType != 3 && safety.PatternB > 0 &&
            safety.PatternB < r.SectionMaxSpeed + 10) {
            add(safety.PatternB - 6, 0, "pattern");
        }
    }
    return out;
}

void Autopilot::setHandles(DrivingSession& session, int power, int brake) {
    const auto& v = session.state().vehicle;
    if (power != wantPower_ || brake != wantBrake_) {
        wantPower_ = power;
        wantBrake_ = brake;
        handleSince_ = seconds_;
    }
    const int p = v.PowerHandle;
    const int b = -v.BrakeHandle;
    if (p == power && b == brake) return;
    if (power == 0 && brake == 0) {
        press(session, '5');
    } else if (power > 0) {
        if (b > 0)
            press(session, '5');
        else
            press(session, p < power ? '8' : '2');
    } else if (p > 0) {
        press(session, '5');
    } else {
        press(session, b < brake ? '2' : '8');
    }
}

void Autopilot::automaticBrake(DrivingSession& session, double required, double assist) {
    const auto& st = session.state();
    const auto& load = st.load;
    const double mm = load.MM.toDouble(), mt = load.MT.toDouble();
    const double bc =
        mm + mt > 0
            ? (st.vehicle.CylinderM.toDouble() * mm + st.vehicle.CylinderT.toDouble() * mt) /
                  (mm + mt)
            : st.vehicle.CylinderM.toDouble();
    const double perKpa = model_.shoeRate *
                          autopilot::ShoeFriction(session.service().train.spec,
                                                  static_cast<double>(st.vehicle.Speed)) /
                          model_.emergencyBc;
    const double want = perKpa > 0
                            ? std::clamp((required - assist) / perKpa, 40.0, model_.fullServiceBc)
                            : model_.fullServiceBc;
    int valve = valve_;
    // A released automatic brake only comes back after the pipe has fallen again: release
    // only when the cylinders hold far more than needed.
    if (bc < want - 15)
        valve = 3;  // apply
    else if (bc > want * 1.5 + 30)
        valve = 0;  // release
    else if (valve != 0 || bc <= want)
        valve = 2;  // hold
    if (valve != valve_ && seconds_ - valveSince_ >= 0.4) {
        valve_ = valve;
        valveSince_ = seconds_;
    }
    setHandles(session, 0, valve_);
}

void Autopilot::gearLever(DrivingSession& session, bool braking) {
    const auto& spec = session.service().train.spec;
    if (!manualGears(spec)) return;
    const auto& v = session.state().vehicle;
    const double speed = static_cast<double>(v.Speed);
    const double up = shiftUpSpeed(spec);
    int lever = v.GearLever;
    if (!braking && speed >= up) lever = 2;
    if (speed < up - 5 || (braking && speed < spec.Engine[2].speedA + 8)) lever = 1;
    if (lever != v.GearLever) press(session, lever == 2 ? 'w' : 'x');
}

void Autopilot::run(DrivingSession& session) {
    const auto& st = session.state();
    const auto& v = st.vehicle;
    const auto& spec = session.service().train.spec;
    const auto& line = session.service().line;
    const double speed = static_cast<double>(v.Speed);
    const bool atRest = std::fabs(speed) < 0.05;

    // Stopped at the next stop: the station's work begins.
    const int next = st.stations.NextStop;
    const double toStop = metres(st.stations.RemainingDistance);
    if (atRest && seconds_ - departAt_ > 2 && next >= 0 &&
        next < static_cast<int>(line.Station.size())) {
        const auto& s = line.Station[static_cast<std::size_t>(next)];
        if (std::fabs(toStop) * 100 <= s.ZoneHalfLength || s.Progress.Arrived) {
            station_ = next;
            phase_ = Phase::AtStation;
            say("stop " + std::to_string(next) + " at " + fixed1(toStop) + " m (tolerance " +
                std::to_string(s.ZoneHalfLength / 100) + " m)");
            setHandles(session, 0, std::max(1, model_.steps() / 2));
            return;
        }
    }

    // Where the train must be slower, and what it takes to get there.
    // Before the brake is on, its whole lag runs at the present speed; once it is on, only a
    // step more has to build up.
    const double lagDistance =
        std::fabs(speed) / 3.6 * model_.lagSeconds * (braking_ && wantBrake_ > 0 ? 0.4 : 1.0);
    const double plan = model_.planDecel();
    double cap = std::numeric_limits<double>::infinity();
    double ceiling = cap;
    double required = 0;
    for (const auto& t : targets(session)) {
        if (t.distanceM <= 0) {
            cap = std::min(cap, t.speedKmh);
            ceiling = std::min(ceiling, t.speedKmh);
            continue;
        }
        const double d = std::max(t.distanceM - lagDistance, 0.05);
        ceiling = std::min(ceiling, autopilot::CurveSpeed(t.speedKmh, d, plan));
        required = std::max(required, autopilot::RequiredDecel(speed, t.speedKmh, d));
    }
    if (speed > cap) required = std::max(required, (speed - cap) * 0.5 + 0.4);
    const double assist =
        static_cast<double>(st.route.EffectiveGradient.toDouble()) * autopilot::kGradientDecel;

    // The last metres to the stop: the brake stays on until the train stands, and goes on at
    // once on or past the marker (a released train would crawl on for metres).
    const bool lastMetres = toStop < 3 && toStop > -50;
    if (!braking_) {
        braking_ = required >= plan * 0.95 || speed > cap + 1 || (lastMetres && speed > 0.05);
    } else if (required < plan * 0.25 && speed <= cap + 0.5 && !lastMetres) {
        braking_ = false;
    }
    // Standing short of a stop (a signal at stop, or short of the marker): start again only
    // when there is room to move.
    if (atRest) braking_ = ceiling < 12;

    gearLever(session, braking_);
    if (braking_) {
        if (model_.automatic) {
            automaticBrake(session, required, assist);
            return;
        }
        // What the brake does in truth, learned while a step is held long enough to bite.
        const int held = -v.BrakeHandle;
        const double friction = autopilot::ShoeFriction(spec, speed);
        if (held > 0 && held <= model_.steps() && v.PowerHandle == 0 &&
            v.BrakeCommand == v.BrakeHandle && seconds_ - handleSince_ > model_.lagSeconds + 1 &&
            speed > 8) {
            const double modelled = model_.rate[static_cast<std::size_t>(held)] * friction;
            const double ratio = (-accel_ - assist) / modelled;
            learned_ += 0.01 * (std::clamp(ratio, 0.6, 1.5) - learned_);
        }
        const int step =
            autopilot::ChooseBrakeStep(model_, atRest ? 0 : required, assist, friction * learned_,
                                       wantBrake_, seconds_ - handleSince_);
        setHandles(session, 0, step);
        return;
    }
    valve_ = 0;
    // Power toward the ceiling; coast near it and while a brake point comes close.
    double room = ceiling;
    if (required >= plan * 0.8) room = 0;
    // Close to the stop the train coasts in; power only to creep up when it has stopped short.
    if (toStop < 150 && speed > 5) room = 0;
    if (toStop < 150 && speed <= 5) room = std::min(room, 12.0);
    const int power = autopilot::ChoosePower(speed, room, wantBrake_ > 0 ? 0 : wantPower_,
                                             spec.Power, seconds_ - handleSince_);
    setHandles(session, power, 0);
}

}  // namespace tressmoor::sim
