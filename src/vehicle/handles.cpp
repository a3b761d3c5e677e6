// Handle operations, delayed commands and the handle display.
#include "vehicle/handles.h"

#include <charconv>
#include <cmath>
#include <cstdint>

namespace tressmoor::vehicle {

namespace {

/// Replaces `target` by `prefix` followed by the decimal `number`, reusing its storage.
void setNumbered(std::string& target, const std::string& prefix, int number) {
    char digits[16];
    auto [end, ec] = std::to_chars(digits, digits + sizeof digits, number);
    (void)ec;
    target.assign(prefix);
    target.append(digits, end);
}

/// Leaving the holding position toward the brake: the handle goes to B1.
void leaveHolding(VehicleState& s) {
    if (s.Holding) {
        s.Holding = false;
        s.BrakeHandle = -1;
        s.LeftHold = true;
    }
}

/// One brake step; the last service step is the lowest it reaches. With [Hold] 1 the holding
/// position lies between release and B1.
void brakeOneStep(VehicleContext& v) {
    VehicleState& s = v.state;
    const int n = brakePositions(v.spec);
    if (s.BrakeHandle > 1 - n && !s.Holding) {
        if (v.spec.Hold == 1) {
            if (s.BrakeHandle == 0) s.Holding = true;
            if (s.BrakeHandle < 0 && !s.LeftHold) s.BrakeHandle -= 1;
            if (s.LeftHold) s.LeftHold = false;
        } else {
            s.BrakeHandle -= 1;
        }
    }
}

/// Power handle one notch down, skipping notches outside group 0.
void powerOneDown(VehicleContext& v) {
    VehicleState& s = v.state;
    if (s.PowerHandle > 1 && notchInGroupZero(v.spec, s.PowerHandle - 1)) {
        s.PowerHandle -= 1;
    } else if (s.PowerHandle == 1) {
        s.PowerHandle = 0;
    }
}

/// Brake handle one step toward release; with [Hold] 1 release first passes the holding
/// position.
void releaseOneStep(VehicleContext& v) {
    VehicleState& s = v.state;
    if (s.BrakeHandle < 0) {
        s.BrakeHandle += 1;
        if (v.spec.Hold == 1 && s.BrakeHandle == 0) s.Holding = true;
    }
}

void setBrakePending(VehicleState& s) {
    s.BrakePending = true;
    s.SapPending = true;
    s.EBrakePending = true;
}

int stripFrameFor(int cells, int wanted, int current) {
    return (wanted >= 0 && wanted < cells) ? wanted : current;
}

}  // namespace

bool notchInGroupZero(const data::TrainSpec& spec, int k) {
    if (k < 1) return false;
    const auto row = static_cast<std::size_t>(k - 1);
    return row >= spec.Notch.size() || spec.Notch[row].group == 0;
}

int reachablePowerNotches(const data::TrainSpec& spec) {
    int n = 0;
    while (n < powerNotches(spec) && notchInGroupZero(spec, n + 1)) ++n;
    return n;
}

void setAllPending(VehicleState& s) {
    s.PowerPending = true;
    setBrakePending(s);
}

void SetDemand(VehicleContext& v, Demand demand, bool on) {
    VehicleState& s = v.state;
    bool& flag = demand == Demand::Emergency ? s.EmergencyTrip
                 : demand == Demand::Service ? s.ServiceTrip
                                             : s.VigilanceTrip;
    if (flag == on) return;
    flag = on;
    setBrakePending(s);
    masconupdate(v);
}

void resetHandles(VehicleContext& v) {
    VehicleState& s = v.state;
    const int n = brakePositions(v.spec);
    s.Reverser = 1;
    s.PowerHandle = 0;
    s.Power = 0;
    s.BrakeHandle = -n;
    s.BrakeCommand = -n;
    s.SapCommand = -n;
    s.EBrakeCommand = 0;
    s.Holding = s.LeftHold = s.ConstSpeed = false;
    s.EmergencyTrip = s.VigilanceTrip = s.ServiceTrip = false;
    s.SuppressIndex = 0;
    s.GearLever = 1;
    s.PowerPending = s.BrakePending = s.SapPending = s.EBrakePending = false;
    s.PowerTimer = s.BrakeTimer = s.SapTimer = s.EBrakeTimer = 0;
    masconupdate(v);
}

void StepTowardPower(VehicleContext& v) {
    VehicleState& s = v.state;
    const int N = powerNotches(v.spec);
    if (s.BrakeHandle == 0 && s.PowerHandle < N && !s.Holding &&
        notchInGroupZero(v.spec, s.PowerHandle + 1)) {
        s.PowerHandle += 1;
    } else {
        if (s.Holding) s.Holding = false;
        if (s.PowerHandle == 0 && s.BrakeHandle < 0 && !s.Holding) releaseOneStep(v);
    }
    if (s.SuppressIndex > 0 && s.PowerHandle > 0) s.SuppressIndex = 0;
    setAllPending(s);
    masconupdate(v);
}

void StepTowardBrake(VehicleContext& v) {
    VehicleState& s = v.state;
    leaveHolding(s);
    if (s.PowerHandle == 0) brakeOneStep(v);
    if (s.BrakeHandle == 0) {
        powerOneDown(v);
    } else if (s.PowerHandle == 1) {
        s.PowerHandle = 0;
    }
    setAllPending(s);
    masconupdate(v);
}

void AllOff(VehicleContext& v) {
    VehicleState& s = v.state;
    s.Holding = false;
    s.BrakeHandle = 0;
    s.PowerHandle = 0;
    setAllPending(s);
    masconupdate(v);
}

void EmergencyPosition(VehicleContext& v) {
    VehicleState& s = v.state;
    s.Holding = false;
    s.PowerHandle = 0;
    s.BrakeHandle = -brakePositions(v.spec);
    setAllPending(s);
    masconupdate(v);
}

bool SetReverser(VehicleContext& v, int direction) {
    VehicleState& s = v.state;
    if (direction < -1 || direction > 1) return false;
    if (std::fabs(s.Speed) > 1) return false;
    const bool allowed = v.spec.InterLock == 0 ||
                         (v.spec.InterLock == 1 && s.BrakeHandle == -brakePositions(v.spec));
    if (!allowed) return false;
    if (s.Reverser != direction) {
        s.Reverser = direction;
        const int sound = direction == 1    ? v.spec.Sound_Rev[0]
                          : direction == -1 ? v.spec.Sound_Rev[1]
                                            : v.spec.Sound_Rev[2];
        playOnce(v.mixer, sound);
    }
    masconupdate(v);
    return true;
}

void PowerUp(VehicleContext& v) {
    VehicleState& s = v.state;
    if (s.PowerHandle < powerNotches(v.spec) && notchInGroupZero(v.spec, s.PowerHandle + 1)) {
        s.PowerHandle += 1;
    }
    s.PowerPending = true;
    if (s.SuppressIndex > 0) s.SuppressIndex = 0;
    masconupdate(v);
}

void PowerDown(VehicleContext& v) {
    powerOneDown(v);
    v.state.PowerPending = true;
    masconupdate(v);
}

void BrakeRelease(VehicleContext& v) {
    v.state.Holding = false;
    releaseOneStep(v);
    setBrakePending(v.state);
    masconupdate(v);
}

void BrakeApply(VehicleContext& v) {
    leaveHolding(v.state);
    brakeOneStep(v);
    setBrakePending(v.state);
    masconupdate(v);
}

void BrakeEmergency(VehicleContext& v) {
    v.state.Holding = false;
    v.state.BrakeHandle = -brakePositions(v.spec);
    setBrakePending(v.state);
    masconupdate(v);
}

void SetGearLever(VehicleContext& v, int k) {
    v.state.GearLever = std::clamp(k, 0, 5);
    masconupdate(v);
}

void SuppressDown(VehicleContext& v) {
    if (v.state.SuppressIndex > 0) v.state.SuppressIndex -= 1;
    masconupdate(v);
}

void SuppressUp(VehicleContext& v) {
    VehicleState& s = v.state;
    if (s.SuppressIndex < static_cast<int>(v.spec.Suppress.size())) s.SuppressIndex += 1;
    if (s.PowerHandle != 0) {
        s.PowerHandle = 0;
        s.PowerPending = true;
    }
    masconupdate(v);
}

void ConstSpeedKey(VehicleContext& v) {
    VehicleState& s = v.state;
    if (v.spec.Const.available == 1 && s.PowerHandle == powerNotches(v.spec) &&
        s.Speed >= v.spec.Const.minSpeed) {
        s.ConstSpeed = true;
    }
    masconupdate(v);
}

int assignedBrakeCommand(const VehicleContext& v) {
    const VehicleState& s = v.state;
    const int n = brakePositions(v.spec);
    if (s.EmergencyTrip || s.VigilanceTrip) return -n;
    if (s.ServiceTrip && s.BrakeHandle != -n) return 1 - n;
    return s.BrakeHandle;
}

void runPowerDelay(VehicleContext& v, int deltaMs, int lineVoltage) {
    VehicleState& s = v.state;
    if (lineVoltage <= 0 || !s.PowerPending) return;
    s.PowerTimer += deltaMs;
    if (s.PowerTimer < v.spec.PowerDelay) return;
    s.PowerTimer = 0;
    s.PowerPending = false;
    if ((s.StopState == 0 || s.StopState == 2) &&
        (s.PowerHandle >= s.Power || s.PowerHandle >= v.spec.NotchBack || s.PowerHandle == 0)) {
        s.Power = s.PowerHandle;
    }
}

void runBrakeDelays(VehicleContext& v, int deltaMs) {
    VehicleState& s = v.state;
    const data::TrainSpec& spec = v.spec;
    if (s.BrakePending) {
        s.BrakeTimer += deltaMs;
        // With air already in the cylinders the valve answers sooner: after 70 % of the delay.
        const bool empty = s.CylinderT.raw == 0;
        const bool due = empty
                             ? s.BrakeTimer >= spec.BrakeDelay
                             : std::int64_t{s.BrakeTimer} * 10 >= std::int64_t{spec.BrakeDelay} * 7;
        if (due) {
            s.BrakeTimer = 0;
            s.BrakePending = false;
            s.BrakeCommand = assignedBrakeCommand(v);
        }
    }
    if (s.SapPending) {
        s.SapTimer += deltaMs;
        if (s.SapTimer >= spec.SAPDelay) {
            s.SapTimer = 0;
            s.SapPending = false;
            s.SapCommand = assignedBrakeCommand(v);
        }
    }
    if (s.EBrakePending) {
        if (s.EBrakeCommand == 0 && std::fabs(s.Speed) < spec.Lose_elec.dropSpeed) {
            // Too slow for the electric brake to take up a new command.
            s.EBrakePending = false;
        } else {
            if (s.EBrakeCommand != 0) {
                s.EBrakeTimer = spec.EBrakeDelay;  // a working electric brake follows at once
            } else {
                s.EBrakeTimer += deltaMs;
            }
            if (s.EBrakeTimer >= spec.EBrakeDelay) {
                s.EBrakeTimer = 0;
                s.EBrakePending = false;
                s.EBrakeCommand = assignedBrakeCommand(v);
            }
        }
    }
}

void masconupdate(VehicleContext& v) {
    VehicleState& s = v.state;
    const data::TrainSpec& spec = v.spec;
    const data::AppSettings& words = v.settings;
    const int n = brakePositions(spec);
    const int N = powerNotches(spec);
    MasconDisplay& d = s.Display;

    // Holding brake of [Hold] k > 1: the handle one step above Bk while Bk still acts.
    if (spec.Hold > 1 && s.BrakeHandle == 1 - spec.Hold && s.BrakeCommand == -spec.Hold) {
        s.Holding = true;
    }

    // Constant-speed control.
    bool constLabel = false;
    if (s.ConstSpeed) {
        if (s.BrakeHandle != s.BrakeCommand || s.PowerHandle != s.Power) {
            s.ConstSpeed = false;
            s.Power = s.PowerHandle;
        }
    }
    const int k = spec.Const.available;
    if (s.Speed >= spec.Const.minSpeed && !s.ConstSpeed && k > 1 && s.PowerHandle == k &&
        s.Power == k + 1) {
        s.ConstSpeed = true;
    }
    if (s.ConstSpeed && (s.EmergencyTrip || s.VigilanceTrip || s.ServiceTrip)) {
        s.ConstSpeed = false;
        s.Power = s.PowerHandle;
    }
    constLabel = s.ConstSpeed;

    // Reverser.
    d.forwardLamp = s.Reverser == 1;
    d.neutralLamp = s.Reverser == 0;
    d.reverseLamp = s.Reverser == -1;
    d.reverserLabel.assign(s.Reverser == 1    ? words.Forward
                           : s.Reverser == -1 ? words.Reverse
                                              : words.Neutral);

    // Power.
    static const std::string kNone;
    const std::string& prefix0 = spec.PowerMode.empty() ? kNone : spec.PowerMode[0].prefix;
    if (constLabel) {
        d.powerLabel.assign(words.Const);
    } else if (s.PowerHandle == 0) {
        d.powerLabel.assign(words.Neut2);
    } else if (s.PowerHandle >= 1 && s.PowerHandle <= N) {
        setNumbered(d.powerLabel, prefix0, s.PowerHandle);
    }

    // Brake: later rules override earlier ones.
    if (s.BrakeHandle == -n) d.brakeLabel.assign(words.EB);
    if (s.BrakeHandle == 0) d.brakeLabel.assign(words.Neut);
    if (spec.BrakeType > 0 && s.BrakeHandle > -n && s.BrakeHandle < 0 && !s.Holding) {
        static const std::string kB = "B";
        setNumbered(d.brakeLabel, kB, -s.BrakeHandle);
    }
    if (s.Holding) d.brakeLabel.assign(words.Hold2);
    if (spec.BrakeType == 0) {
        if (s.BrakeHandle == -3) d.brakeLabel.assign(words.Apply);
        if (s.BrakeHandle == -2) d.brakeLabel.assign(words.Hold);
        if (s.BrakeHandle == -1) d.brakeLabel.assign(words.Maintain);
        if (s.BrakeHandle == -5) d.brakeLabel.assign(words.Remove);
    }

    // Mode.
    if (spec.Engine_Type == 0) {
        const int lever = s.GearLever;
        if (lever == 0) {
            d.modeLabel.assign(words.Gears[0]);
        } else if (lever == 1) {
            d.modeLabel.assign(words.Gears[1]);
        } else if (lever >= 2 && lever <= 5) {
            if (spec.Engine.size() == 3 && lever == 2) {
                d.modeLabel.assign(words.Gears[2]);
            } else {
                setNumbered(d.modeLabel, words.Gears[2], lever - 1);
            }
        }
    } else if (!spec.Suppress.empty()) {
        d.modeLabel.clear();
    } else {
        d.modeLabel.assign(spec.PowerMode.empty() ? kNone : spec.PowerMode[0].name);
    }

    // Notch strips. The cell is set only when the strip has it.
    int brakeCell = spec.Hold == 1 ? (s.BrakeHandle == 0 ? 0 : 1 - s.BrakeHandle) : -s.BrakeHandle;
    if (s.Holding) brakeCell = 1;
    d.powerFrame = stripFrameFor(v.strips.power, s.PowerHandle, d.powerFrame);
    d.brakeFrame = stripFrameFor(v.strips.brake, brakeCell, d.brakeFrame);
    const bool oneHandle = spec.Handle == 0;
    d.powerVisible = !oneHandle || (s.BrakeHandle >= 0 && !s.Holding);
    d.powerFrame2 = stripFrameFor(v.strips.power2, s.PowerHandle, d.powerFrame2);
    d.powerVisible2 = d.powerVisible;
    if (s.EmergencyTrip || s.VigilanceTrip) {
        d.brakeFrame2 = stripFrameFor(v.strips.brake2, v.strips.brake2 - 1, d.brakeFrame2);
    } else if (s.ServiceTrip) {
        d.brakeFrame2 = stripFrameFor(v.strips.brake2, v.strips.brake2 - 2, d.brakeFrame2);
    } else {
        d.brakeFrame2 = stripFrameFor(v.strips.brake2, brakeCell, d.brakeFrame2);
    }
    if (s.EmergencyTrip || s.VigilanceTrip || s.ServiceTrip) {
        d.powerFrame2 = 0;
        d.powerVisible2 = false;
    }
    d.gearLeverFrame = s.GearLever;

    // Departure: the first notch taken with the doors closed after a stop.
    if (!s.DoorsOpen && s.PowerHandle > 0 && s.DepartureMarker) {
        s.DepartureMarker = false;
        s.Events.departureCall = true;
    }
}

}  // namespace tressmoor::vehicle
