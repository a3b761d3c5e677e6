// The automatic train stop: coil and bell, speed checks, beacon patterns and the driver's buttons.
#include "route/safety.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <string>

#include "data/rounding.h"
#include "vehicle/handles.h"

namespace tressmoor::route {

namespace {

using data::roundTiesEven;

/// Beacon windows as distance to the target, cm, exclusive bounds.
constexpr std::array<std::array<long double, 2>, 7> kBeacons = {{{59500, 60000},
                                                                 {28000, 28500},
                                                                 {18000, 18300},
                                                                 {13000, 13300},
                                                                 {8500, 8700},
                                                                 {5000, 5200},
                                                                 {2000, 2200}}};

std::string num(long long value) {
    return std::to_string(value);
}

/// Metres of a distance in cm, rounded, for the log.
std::string metres(long double cm) {
    return num(roundTiesEven(cm / 100));
}

/// Speed of aspect entry k of [Speed_Signal]; 0 when the list is shorter.
int speedSignalEntry(const data::LineData& line, int k) {
    if (k < 0 || k >= static_cast<int>(line.Speed_Signal.size())) return 0;
    return line.Speed_Signal[static_cast<std::size_t>(k)];
}

int aspectOf(const RouteState& r, int signal) {
    if (signal < 0 || signal >= static_cast<int>(r.Aspect.size())) return 0;
    return r.Aspect[static_cast<std::size_t>(signal)];
}

/// Raises the three brake-side "handle changed" flags and recomputes the handle display.
void demandsChanged(SafetyContext& c) {
    auto& v = c.vehicle.state;
    v.BrakePending = true;
    v.SapPending = true;
    v.EBrakePending = true;
    vehicle::masconupdate(c.vehicle);
}

void setEmergency(SafetyContext& c, bool on) {
    vehicle::SetDemand(c.vehicle, vehicle::Demand::Emergency, on);
}

void setService(SafetyContext& c, bool on) {
    vehicle::SetDemand(c.vehicle, vehicle::Demand::Service, on);
}

/// The emergency brake of a stop check. Once applied, the check has done its work: it is not
/// demanded again by the same check after the driver's reset, and the alarm's time starts anew.
void stopCheckEmergency(SafetyContext& c) {
    setEmergency(c, true);
    c.safety.CheckValue = kCheckNone;
    c.safety.AlarmTimer = 0;
}

void ringAlarm(SafetyState& s) {
    s.AlarmRinging = true;
    s.Acknowledged = false;
}

bool playing(const sound::Mixer& m, int channel) {
    return m.Status(channel) != sound::ChannelStatus::Idle;
}

void restart(sound::Mixer& m, int channel) {
    m.Stop(channel);
    m.Play(channel);
}

/// The brake handle stands in a braking position; with the automatic air brake the first
/// position (release-and-hold) does not count.
bool brakeApplied(const SafetyContext& c) {
    const int handle = c.vehicle.state.BrakeHandle;
    if (c.vehicle.spec.BrakeType == 0) return handle < -1;
    return handle < 0;
}

int noTargetSpeed(const SafetyContext& c) {
    return c.route.route.SectionMaxSpeed + 10;
}

void releaseTarget(SafetyContext& c) {
    auto& s = c.safety;
    s.TargetSpeed = noTargetSpeed(c);
    s.TargetDistance = 0;
    s.TargetIndex = kNoTarget;
    s.TargetType = 0;
    s.LastReception = -1;
}

/// Makes target k active; true when this is a new reception worth a log line.
bool receiveTarget(SafetyContext& c, int k, int speed, long double d) {
    auto& s = c.safety;
    const auto& t = c.route.line.PatternTargets[static_cast<std::size_t>(k)];
    s.TargetSpeed = speed;
    s.TargetDistance = static_cast<long double>(t.Distance);
    s.TargetIndex = k;
    s.TargetType = t.Type;
    const int key = k * 10 + beaconWindow(d);
    if (key == s.LastReception) return false;
    s.LastReception = key;
    return true;
}

// ---------------------------------------------------------------------------------------------
// Bell family.

void alarmBell(SafetyContext& c) {
    auto& s = c.safety;
    auto& m = c.route.mixer;
    const auto& spec = c.vehicle.spec;
    if (s.AlarmRinging && !playing(m, spec.Sound_Ats1)) {
        s.StoredCheckValue = s.CheckValue;
        m.Stop(spec.Sound_Ats1);
        m.Stop(spec.Sound_Ats2);
        m.LoopPlay(spec.Sound_Ats1);
        s.Lamps.Ats1 = true;
        s.Lamps.Ats2 = true;
        s.Lamps.Ats3 = false;
        ++s.Lamps.CabAspectHides;
        if (s.CheckValue == kCheckStop && !c.vehicle.state.EmergencyTrip) {
            c.route.event("ats emergency: stop check");
            stopCheckEmergency(c);
        }
    }
    if (s.Acknowledged && !playing(m, spec.Sound_Ats2)) {
        m.Stop(spec.Sound_Ats1);
        if (spec.ATS_Cnt == 0) {
            m.LoopPlay(spec.Sound_Ats2);
        } else {
            m.Play(spec.Sound_Ats2);
        }
        s.Acknowledged = false;
        s.Lamps.Ats1 = true;
        s.Lamps.Ats3 = true;
        s.Lamps.Ats2 = false;
    }
}

void alarmTimer(SafetyContext& c) {
    auto& s = c.safety;
    if (!s.AlarmRinging) return;
    if (c.vehicle.state.EmergencyTrip) {
        // The brake is already applied: the driver's time to acknowledge starts after the reset.
        s.AlarmTimer = 0;
        return;
    }
    const auto dt = roundTiesEven(c.route.frame.dtMs);
    s.AlarmTimer = static_cast<int>(std::min<std::int64_t>(s.AlarmTimer + dt, 1'000'000'000));
    if (s.AlarmTimer >= c.vehicle.spec.ATS_Time && !c.vehicle.state.EmergencyTrip) {
        c.route.event("ats emergency: not acknowledged");
        c.vehicle.state.PowerHandle = 0;
        c.vehicle.state.PowerPending = true;
        setEmergency(c, true);
        s.AlarmTimer = 0;
    }
}

// ---------------------------------------------------------------------------------------------
// Line speed checks.

void pointChecks(SafetyContext& c, long double v) {
    auto& s = c.safety;
    auto& line = c.route.line;
    const long double distance = c.route.route.LineDistance;
    for (auto& check : line.SpeedCheck1) {
        if (check.Made || static_cast<long double>(check.CheckDistance) >= distance) continue;
        check.Made = true;
        if (check.Signal != 0 && aspectOf(c.route.route, check.Signal) != 0) continue;
        if (v > check.CheckSpeed) {
            c.route.event("ats alarm: point check " + num(check.CheckSpeed));
            ringAlarm(s);
            s.AlarmTimer = c.vehicle.spec.ATS_Time;
        }
    }
}

void setCabIndicator(SafetyContext& c, int speed) {
    auto& s = c.safety;
    s.CabIndicatorSpeed = speed;
    s.CabIndicatorAspect = -1;
    if (speed < 0) return;
    const auto& list = c.route.line.Speed_Signal;
    const auto it = std::find(list.begin(), list.end(), speed);
    if (it != list.end()) s.CabIndicatorAspect = static_cast<int>(it - list.begin());
}

void windowChecks(SafetyContext& c, long double v) {
    auto& s = c.safety;
    const auto& line = c.route.line;
    const int pos = c.route.route.RoutePosition;
    int indicator = -1;
    for (const auto& w : line.SpeedCheck2) {
        if (!(w.FirstFrame < pos && pos < w.LastFrame) || w.CheckSpeed >= s.CheckValue) continue;
        indicator = w.CheckSpeed;
        if (v > w.CheckSpeed) {
            if (!s.AlarmRinging) c.route.event("ats alarm: window check " + num(w.CheckSpeed));
            ringAlarm(s);
            s.AlarmTimer = c.vehicle.spec.ATS_Time;
        }
        break;
    }
    int check3 = kCheckNone;
    for (const auto& w : line.SpeedCheck3) {
        if (!(w.FirstFrame < pos && pos < w.LastFrame)) continue;
        check3 = w.CheckSpeed;
        if (indicator < 0 && w.CheckSpeed < s.CheckValue) indicator = w.CheckSpeed;
        break;
    }
    if (indicator < 0 && s.CheckValue < kCheckNone) indicator = s.CheckValue;
    setCabIndicator(c, indicator);

    const int maxSpeed = c.route.route.SectionMaxSpeed;
    if (v > check3) {
        s.ServiceBySpeedCheck = true;
        setService(c, true);
    } else if (line.MaxSpeedCheck == 1 && v > maxSpeed) {
        s.ServiceBySpeedCheck = true;
        setService(c, true);
    } else if (line.MaxSpeedCheck == 2 && v > maxSpeed) {
        ringAlarm(s);
        setEmergency(c, true);
    } else if (s.ServiceBySpeedCheck && s.PatternState < kPatternBrake) {
        s.ServiceBySpeedCheck = false;
        setService(c, false);
    }
}

// ---------------------------------------------------------------------------------------------
// Pattern family.

void stationRule(SafetyContext& c, int k, long double d) {
    auto& s = c.safety;
    const auto& line = c.route.line;
    const auto& t = line.PatternTargets[static_cast<std::size_t>(k)];
    bool closed = false;
    if (t.Station >= 0 && t.Station < static_cast<int>(line.Station.size())) {
        closed = line.Station[static_cast<std::size_t>(t.Station)].Progress.DoorsClosedForDeparture;
    }
    if (!closed) {
        if (inBeaconWindow(d) && receiveTarget(c, k, t.Speed, d)) {
            s.Log.add("停車駅まで" + metres(d) + "m");
        }
    } else if (s.TargetIndex == k) {
        releaseTarget(c);
        s.Log.add("停車駅パターン消去");
    }
}

void receiveTargets(SafetyContext& c, long double v) {
    auto& s = c.safety;
    const auto& line = c.route.line;
    const int alert = c.vehicle.spec.ATS_Alert;
    const long double distance = c.route.route.LineDistance;
    const int count = static_cast<int>(line.PatternTargets.size());
    for (int k = 0; k < count; ++k) {
        const auto& t = line.PatternTargets[static_cast<std::size_t>(k)];
        const long double d = static_cast<long double>(t.Distance) - distance;
        if (d <= 0 || d >= kTargetHorizon) continue;
        if (t.Type == 2) {
            const bool known = t.Signal >= 0 && t.Signal < static_cast<int>(line.Signal.size());
            if (!known) continue;
            const int aspect = aspectOf(c.route.route, t.Signal);
            const int head = line.Signal[static_cast<std::size_t>(t.Signal)].HeadType;
            if (aspect == 0 && head != 0) {
                if (inBeaconWindow(d) && receiveTarget(c, k, t.Speed, d)) {
                    s.Log.add("停止信号" + num(k) + "まで" + metres(d) + "m");
                }
                return;
            }
            if (aspect == 0) continue;  // a repeater at stop protects nothing of its own
            if (s.TargetIndex != k) continue;
            if (alert == 2) {
                releaseTarget(c);
                s.Log.add("パターン消去: 信号まで" + metres(d) + "m");
            } else if (inBeaconWindow(d)) {
                releaseTarget(c);
                s.Log.add("パターン" + num(k) + "消去: 信号まで" + metres(d) + "m");
            }
            return;
        }
        if (t.Type == 3) {
            if (v == 0) continue;
            stationRule(c, k, d);
            return;
        }
        if (t.Type == 1) {
            if (inBeaconWindow(d) && receiveTarget(c, k, t.Speed + kLimitMargin, d)) {
                s.Log.add(num(t.Speed + kLimitMargin) + "km/h照査まで" + metres(d) + "m");
            }
            if (d > 0 && d < 500 && s.TargetIndex == k) {
                releaseTarget(c);
                s.Log.add("速度照査パターン消去");
            }
            return;
        }
    }
}

void patternActions(SafetyContext& c, int previous, int state, long double v) {
    auto& s = c.safety;
    auto& m = c.route.mixer;
    const auto& spec = c.vehicle.spec;
    const int alert = spec.ATS_Alert;
    if (state == previous) return;
    if (state == kPatternApproach) {
        s.Lamps.ATSP1 = true;
        s.Lamps.ATSP2 = false;
        m.Play(spec.Sound_Atc);
    }
    if (previous < kPatternBrake && state >= kPatternBrake) {
        s.Lamps.ATSP1 = true;
        s.Lamps.ATSP2 = true;
        if (alert == 0) {
            restart(m, spec.Sound_Atc);
            setService(c, true);
        } else if (alert == 1) {
            restart(m, spec.Sound_Atc);
            setEmergency(c, true);
        } else if (alert == 2) {
            if (s.TargetSpeed > 0 && v > 25) {
                setService(c, true);
            } else {
                setEmergency(c, true);
            }
            if (c.vehicle.state.EmergencyTrip) m.LoopPlay(spec.Sound_Ats1);
        }
    }
    if (previous != kPatternNone && state == kPatternNone) {
        if (alert == 0) m.Play(spec.Sound_Atc);
        if (c.vehicle.state.ServiceTrip) {
            // The release sound of the present brake step, while the cylinders still hold air.
            const auto& vs = c.vehicle.state;
            const int step = -vs.BrakeHandle;
            const bool air = vs.CylinderM.raw > 0 || vs.CylinderT.raw > 0;
            if (air && step >= 1 && step <= static_cast<int>(spec.Sound_BR.size())) {
                restart(m, spec.Sound_BR[static_cast<std::size_t>(step - 1)].first);
            }
        }
        s.ServiceBySpeedCheck = false;
        setService(c, false);
        s.Lamps.ATSP1 = false;
        s.Lamps.ATSP2 = false;
    }
    vehicle::masconupdate(c.vehicle);
}

void updatePatterns(SafetyContext& c) {
    auto& s = c.safety;
    const auto& spec = c.vehicle.spec;
    const int alert = spec.ATS_Alert;
    const long double v = c.vehicle.state.Speed;
    const int noTarget = noTargetSpeed(c);

    // A released target follows the section maximum as it changes.
    if (s.TargetIndex == kNoTarget) {
        s.TargetSpeed = noTarget;
        s.TargetDistance = 0;
    }
    receiveTargets(c, v);

    // Patterns.
    int B = speedSignalEntry(c.route.line, 4);
    int W = B;
    if (s.TargetIndex == kNoTarget || s.TargetSpeed == noTarget) {
        B = W = noTarget;
    } else {
        const long double D = s.TargetDistance - c.route.route.LineDistance;
        if (s.TargetSpeed < c.route.route.SectionMaxSpeed && D > 0) {
            const auto p = computePatterns(s.TargetType, s.TargetSpeed, D, noTarget);
            B = p.B;
            W = p.W;
        }
    }
    s.PatternB = B;
    s.PatternW = W;

    // Braking.
    const int ts = s.TargetSpeed;
    const auto vr = roundTiesEven(v);
    int state = s.PatternState;
    bool braked = false;
    const auto brakeLine = [&](const char* what) {
        return num(ts) + what + num(vr) + " パターン" + num(B);
    };
    if (alert == 0 || alert == 1) {
        if (ts <= 10 && ts < v && B < v) {
            if (state != kPatternStop) s.Log.add(brakeLine("km/h照査によって停止ブレーキ 速度"));
            state = kPatternStop;
            braked = true;
        } else if (ts > 10 && ts < v && B < v) {
            if (state != kPatternBrake) s.Log.add(brakeLine("km/h照査によってブレーキ 速度"));
            state = kPatternBrake;
            braked = true;
        }
    } else if (alert == 2 && ts < v && B < v) {
        if (state != kPatternBrake) s.Log.add(brakeLine("km/h照査によってブレーキ 速度"));
        state = kPatternBrake;
        braked = true;
    }

    // Approach warnings.
    const auto& vs = c.vehicle.state;
    bool warned = false;
    if (!braked && !vs.EmergencyTrip && !vs.ServiceTrip) {
        const char* message = "";
        if (alert == 0) {
            warned = !(v < W - 0.5L && v < B - 5);
        } else if (alert == 1) {
            if (B < noTarget) {
                warned = v >= B - 15;
                message = "ATS-PTパターン接近";
            } else {
                warned = v >= B - 5;
                message = "ATS-PT最高速パターン接近";
            }
        } else if (alert == 2) {
            warned = v >= B - 8;
            message = "D-ATS-Pパターン接近";
        }
        if (warned) {
            if (state != kPatternApproach) {
                s.Log.add(alert == 0 ? "パターン接近" + num(W) + "/" + num(B) : message);
            }
            state = kPatternApproach;
        }
    }

    // Release.
    if (alert == 2 && state == kPatternBrake) {
        if (vr < B - 8 || vr < 10) {
            s.Log.add("ブレーキ緩解");
            state = kPatternNone;
        }
    } else if (state == kPatternBrake && ts >= 10) {
        if (vr < ts - 10) {
            s.Log.add("ブレーキ緩解");
            state = kPatternNone;
        }
    } else if (!braked && !warned && !vs.EmergencyTrip && !vs.ServiceTrip &&
               state != kPatternNone) {
        s.Log.add("パターンなし");
        state = kPatternNone;
    }

    // A stop check of the signal brakes at once.
    if (s.CheckValue == kCheckStop && !vs.EmergencyTrip) {
        restart(c.route.mixer, spec.Sound_Atc);
        c.route.event("ats emergency: stop check");
        state = kPatternStop;
        s.Lamps.ATSP1 = true;
        s.Lamps.ATSP2 = true;
        stopCheckEmergency(c);
    }

    const int previous = s.PreviousPatternState;
    s.PatternState = state;
    patternActions(c, previous, state, v);
    s.PreviousPatternState = state;
}

}  // namespace

// ---------------------------------------------------------------------------------------------

void SafetyLog::add(std::string line) {
    ++total_;
    if (onLine) onLine(line);
    lines_.push_back(std::move(line));
    while (lines_.size() > kLogLines) lines_.pop_front();
}

int beaconWindow(long double d) {
    for (std::size_t i = 0; i < kBeacons.size(); ++i) {
        if (d > kBeacons[i][0] && d < kBeacons[i][1]) return static_cast<int>(i);
    }
    return -1;
}

bool inBeaconWindow(long double d) {
    return beaconWindow(d) >= 0;
}

int patternCurve(int targetSpeed, long double x) {
    const long double vt = targetSpeed;
    const long double square = vt * vt + 7.2L * kPatternDecel * x / 100;
    if (!(square > 0)) return 0;
    return static_cast<int>(roundTiesEven(std::sqrt(square)));
}

PatternPair computePatterns(int type, int targetSpeed, long double distance, int cap) {
    const int vt = targetSpeed;
    const long double D = distance;
    PatternPair p;
    if (type == 3) {
        p.B = std::max(patternCurve(vt, D), 1);
        p.W = D <= kWarningOffset ? vt - 10 : patternCurve(vt, D - kWarningOffset);
    } else {
        p.B = D <= kTargetMargin ? vt : patternCurve(vt, D - kTargetMargin);
        const long double warnAt = kTargetMargin + kWarningOffset;
        if (type == 2) {
            p.W = D <= warnAt ? vt - 10 : patternCurve(vt, D - warnAt);
            p.B = std::max(p.B, 10);
        } else {
            p.W = D <= warnAt ? vt : patternCurve(vt, D - warnAt);
        }
    }
    p.B = std::min(p.B, cap);
    p.W = std::min(p.W, cap);
    return p;
}

int checkValueForDisplayFrame(const data::LineData& line, int frame, int current) {
    switch (frame) {
        case 7:
        case 10:
        case 13:
        case 17:
        case 21:
        case 30:
        case 35:
            return kCheckStop;
        case 26:  // a stop aspect without a speed check
            return kCheckNone;
        case 18:
        case 22:
            return speedSignalEntry(line, 1);
        case 8:
        case 11:
        case 14:
        case 19:
        case 23:
        case 27:
        case 31:
            return speedSignalEntry(line, 2);
        case 15:
        case 24:
            return speedSignalEntry(line, 3);
        case 32:
            return kCheckNone;
        case 9:
        case 12:
        case 16:
        case 20:
        case 25:
        case 28:
        case 29:
        case 33:
        case 34:
            return speedSignalEntry(line, 4);
        default:
            return current;
    }
}

void ResetSafety(SafetyContext& c) {
    auto& s = c.safety;
    s.CheckValue = kCheckNone;
    s.CabIndicatorSpeed = -1;
    s.CabIndicatorAspect = -1;
    s.CoilSignal = -1;
    const long double start = c.route.route.LineDistance;
    for (auto& check : c.route.line.SpeedCheck1) {
        check.Made = static_cast<long double>(check.CheckDistance) < start;
    }
}

void CheckSignalInView(SafetyContext& c, int signal) {
    auto& s = c.safety;
    const auto& spec = c.vehicle.spec;
    const auto& line = c.route.line;
    auto& r = c.route.route;
    if (!s.On || spec.ATS_Type >= 2) return;
    if (signal < 0 || signal >= static_cast<int>(line.Signal.size())) return;
    const auto& sig = line.Signal[static_cast<std::size_t>(signal)];
    const int pos = r.RoutePosition;

    // The coil acts once per pass: the train is over it for several frames, and an
    // acknowledgement given there must not be undone by the same coil.
    const bool overCoil = std::abs(static_cast<long long>(pos) - sig.CoilFrame) < 15;
    if (!overCoil && s.CoilSignal == signal) s.CoilSignal = -1;
    if (spec.ATS_Type == 0 && overCoil && s.CoilSignal != signal && spec.ATS_Alert == 0 &&
        sig.HeadType >= 1 && aspectOf(r, signal) == 0) {
        if (s.CheckValue == kCheckNone) c.route.event("ats coil: stop signal");
        s.CheckValue = kCheckStopAlarm;
        s.CoilSignal = signal;
    }

    if (sig.CheckFrame <= pos && static_cast<long long>(pos) < sig.CheckFrame + 20LL) {
        int frame = r.CurrentDisplayFrame;
        if (signal < static_cast<int>(r.DisplayFrame.size())) {
            frame = r.DisplayFrame[static_cast<std::size_t>(signal)];
        }
        s.CheckValue = checkValueForDisplayFrame(line, frame, s.CheckValue);
        const long double v = std::fabs(c.vehicle.state.Speed);
        if (spec.ATS_Type == 0 && spec.ATS_Alert == 1 && s.CheckValue < v) {
            if (!s.AlarmRinging) c.route.event("ats alarm: signal check " + num(s.CheckValue));
            ringAlarm(s);
        }
        r.CurrentDisplayFrame = kNone;
        r.PreviousDisplayFrame = kNone;
        r.CurrentSignalCall = kNone;
        if (s.CheckValue != kCheckStop && s.TargetIndex != kNoTarget &&
            s.TargetIndex < static_cast<int>(line.PatternTargets.size())) {
            const auto& t = line.PatternTargets[static_cast<std::size_t>(s.TargetIndex)];
            if (t.Type == 2 && t.Signal == signal) releaseTarget(c);
        }
    }
}

void UpdateSafety(SafetyContext& c) {
    auto& s = c.safety;
    const auto& spec = c.vehicle.spec;
    if (!s.On) return;
    const long double v = std::fabs(c.vehicle.state.Speed);

    if (spec.ATS_Type == 0 && spec.ATS_Alert == 0 &&
        c.vehicle.state.BrakeHandle != -vehicle::brakePositions(spec) &&
        (s.CheckValue == kCheckStopAlarm || s.CheckValue == kCheckStop) && !s.AlarmRinging) {
        ringAlarm(s);
    }
    if (spec.ATS_Type < 2) alarmBell(c);
    alarmTimer(c);

    if (spec.ATS_Type < 2) {
        pointChecks(c, v);
        windowChecks(c, v);
    }
    if (spec.ATS_Type == 1 && c.vehicle.state.Reverser == 1) updatePatterns(c);
}

bool SafetyAcknowledge(SafetyContext& c) {
    auto& s = c.safety;
    if (!s.AlarmRinging || !brakeApplied(c) || c.vehicle.state.EmergencyTrip) return false;
    s.AlarmRinging = false;
    s.Acknowledged = true;
    s.AlarmTimer = 0;
    s.CheckValue = kCheckNone;
    c.route.event("ats acknowledged");
    return true;
}

bool SafetyReset(SafetyContext& c) {
    auto& s = c.safety;
    auto& vs = c.vehicle.state;
    if (s.Acknowledged || playing(c.route.mixer, c.vehicle.spec.Sound_Ats2)) {
        c.route.mixer.Stop(c.vehicle.spec.Sound_Ats2);
    }
    s.Acknowledged = false;
    if (!(std::fabs(vs.Speed) < 0.1L)) return false;
    const bool atEmergency = vs.BrakeHandle == -vehicle::brakePositions(c.vehicle.spec);
    const bool emergency = vs.EmergencyTrip || vs.VigilanceTrip;
    const bool allowed =
        (emergency && atEmergency) || (!emergency && vs.ServiceTrip && vs.BrakeHandle < 0);
    if (!allowed) return false;
    vs.EmergencyTrip = false;
    vs.VigilanceTrip = false;
    vs.ServiceTrip = false;
    s.ServiceBySpeedCheck = false;
    c.route.event("ats reset");
    demandsChanged(c);
    return true;
}

void SafetyKeyHeld(SafetyContext& c, bool held) {
    auto& s = c.safety;
    const bool pressed = held && !s.SafetyKeyWasHeld;
    s.SafetyKeyWasHeld = held;
    if (!pressed || !s.On) return;
    restart(c.route.mixer, c.vehicle.spec.Sound_Ats3);
    SafetyAcknowledge(c);
}

void InitSafety(SafetyContext& c, bool on) {
    auto& s = c.safety;
    auto sink = std::move(s.Log.onLine);
    s = SafetyState{};
    s.Log.onLine = std::move(sink);
    releaseTarget(c);
    s.PatternB = s.PatternW = speedSignalEntry(c.route.line, 4);
    SetSafetyOn(c, on);
}

void SetSafetyOn(SafetyContext& c, bool on) {
    auto& s = c.safety;
    s.On = on;
    s.Lamps.Ats1 = on;
    if (!on) {
        s.AlarmRinging = false;
        s.Acknowledged = false;
        s.AlarmTimer = 0;
        c.route.mixer.Stop(c.vehicle.spec.Sound_Ats1);
        c.route.mixer.Stop(c.vehicle.spec.Sound_Ats2);
    }
}

}  // namespace tressmoor::route
