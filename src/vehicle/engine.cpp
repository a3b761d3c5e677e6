// The diesel engine and transmission.
#include "vehicle/engine.h"

#include <cmath>

#include "data/rounding.h"
#include "vehicle/handles.h"

namespace tressmoor::vehicle {

namespace {

constexpr long double kIdleSpeed = 30;  ///< engine-speed units

int startSound(const data::TrainSpec& spec) {
    return spec.EngineSound2.sounds[2];
}
int stopSound(const data::TrainSpec& spec) {
    return spec.EngineSound2.sounds[3];
}

void engineCommand(VehicleContext& v) {
    VehicleState& s = v.state;
    const int key = s.EngineKey;
    const int frames = s.EngineKeyFrames;
    if (s.EngineState == 0 && key == 1 && frames == 1) {
        playOnce(v.mixer, startSound(v.spec));
        s.EngineState = -1;
    }
    if (s.EngineState == -1 && key == 1 && frames == kEngineCommandFrames) s.EngineState = 1;
    if (s.EngineState == -1 && key == 0 && s.DialogStartTimer < 0 && s.EngineKeyFramesLast >= 1 &&
        s.EngineKeyFramesLast < kEngineCommandFrames) {
        playOnce(v.mixer, stopSound(v.spec));  // released too early: the start failed
        s.EngineState = 0;
    }
    if (s.EngineState == 1 && key == 2 && frames == 1 && s.PowerHandle == 0) s.EngineState = -2;
    if (s.EngineState == -2 && key == 2 && frames == 40) playOnce(v.mixer, stopSound(v.spec));
    if (s.EngineState == -2 && key == 2 && frames == kEngineCommandFrames) s.EngineState = 0;
    if (s.EngineState == -2 && key == 0 && s.EngineKeyFramesLast >= 1 &&
        s.EngineKeyFramesLast < kEngineCommandFrames) {
        s.EngineState = 1;
    }
}

}  // namespace

void engineFrameUpdate(VehicleContext& v, long double dtMs) {
    VehicleState& s = v.state;
    const data::TrainSpec& spec = v.spec;
    const int deltaMs = static_cast<int>(data::roundTiesEven(dtMs));

    // The held command counts frames; releasing it is judged on the count it reached.
    s.EngineKeyFramesLast = s.EngineKeyFrames;
    if (s.EngineKey == 1 || s.EngineKey == 2) {
        s.EngineKeyFrames += 1;
    } else {
        s.EngineKeyFrames = 0;
    }
    engineCommand(v);

    if (s.DialogStartTimer >= 0) {
        s.DialogStartTimer -= deltaMs;
        if (s.DialogStartTimer <= 0) {
            s.DialogStartTimer = -1;
            s.EngineState = 1;
        }
    }

    if (spec.Engine_Type != 0) return;
    const int rows = static_cast<int>(spec.Engine.size());
    const long double u = std::fabs(s.Speed);

    // Stall: standing in the top gear with power on.
    if (s.EngineState == 1 && s.Reverser != 0 && s.Gear == s.GearLever && s.Gear == rows - 1 &&
        s.Power >= 1 && u < 0.5L) {
        s.EngineState = 0;
        s.Power = 0;
        playOnce(v.mixer, stopSound(spec));
        s.Events.stalled = true;
    }

    // Automatic gear selection.
    if (spec.Gear_Type == data::GearType::AT && s.ShiftState == 0) {
        for (int i = 0; i < rows; ++i) {
            const data::EngineRow& row = spec.Engine[static_cast<std::size_t>(i)];
            if (s.GearLever == i && s.Gear < rows - 1 && u >= row.speedC) s.GearLever += 1;
            if (s.GearLever == i && u < row.speedA && s.GearLever > 0) s.GearLever -= 1;
        }
        // Coming to a stop the converter gear takes over again.
        if (u < 10) {
            if (s.Gear >= 1) s.Gear = 1;
            if (s.GearLever >= 1) s.GearLever = 1;
            s.ShiftState = 0;
        }
    }

    // Shifting.
    if (!doorsPermitTraction(spec, s)) return;
    bool changed = false;
    if (s.ShiftState == 0 && s.EngineState == 1 && s.Power >= 1 && s.Gear != s.GearLever &&
        s.ShiftTimer == 0 && !s.EmergencyTrip && !s.VigilanceTrip) {
        s.ShiftState = 1;
        changed = true;
    } else if (s.ShiftState == 0 && s.Gear != 0 && s.Power == 0 && s.ShiftTimer == 0) {
        s.Gear = 0;
        s.ShiftState = 2;
        changed = true;
    }
    if (s.ShiftState != 0) {
        s.ShiftTimer += deltaMs;
        if (s.ShiftTimer >= 10) {
            s.ShiftTimer = 0;
            if (s.ShiftState == 1 && !s.EmergencyTrip && s.GearLever >= 1) s.Gear = s.GearLever;
            if (s.ShiftState == 2) s.Gear = 0;
            s.Display.gearFrame = s.Gear;
            s.ShiftState = 0;
            changed = true;
        }
    }
    if (changed) masconupdate(v);
}

void dieselEngineSpeed(VehicleContext& v) {
    VehicleState& s = v.state;
    const data::TrainSpec& spec = v.spec;
    const int g = s.Gear;
    const long double u = std::fabs(s.Speed);
    const int rows = static_cast<int>(spec.Engine.size());
    if (g > 0) {
        long double factor = 0, offset = 0;
        if (g < static_cast<int>(spec.EngineRate.size())) {
            factor = spec.EngineRate[static_cast<std::size_t>(g)].factor;
            offset = spec.EngineRate[static_cast<std::size_t>(g)].offset;
        }
        s.EngineTarget = u * factor + offset;
        if (!std::isfinite(s.EngineTarget)) s.EngineTarget = kIdleSpeed;
        if (s.Power > 0 && s.ShiftState == 0) {
            if (g == rows) {
                s.EngineSpeed = s.EngineTarget;
            } else {
                // The governor closes in fast from afar and slowly near the target.
                const long double diff = s.EngineTarget - s.EngineSpeed;
                if (diff > 5) {
                    s.EngineSpeed += 0.6L;
                } else if (diff < -5) {
                    s.EngineSpeed -= 0.6L;
                } else if (diff > 1) {
                    s.EngineSpeed += 0.03L;
                } else if (diff < -1) {
                    s.EngineSpeed -= 0.03L;
                }
            }
        } else if (s.EngineSpeed > kIdleSpeed) {
            s.EngineSpeed -= 1;
        }
    } else if (spec.Gear_Type == data::GearType::MT) {
        s.EngineTarget = 100;
        if (s.Power > 0 && s.ShiftState == 0) {
            if (s.EngineSpeed < 95) s.EngineSpeed += 0.5L;
            if (s.EngineSpeed > 95) s.EngineSpeed = 95;
        } else if (s.EngineSpeed > kIdleSpeed) {
            s.EngineSpeed -= 1;
        }
    }
    if (s.EngineState == 0) {
        if (s.EngineSpeed > 0) s.EngineSpeed -= 3;
    } else if (s.EngineSpeed < kIdleSpeed) {
        s.EngineSpeed += 3;
    }
    if (s.EngineSpeed < 0) s.EngineSpeed = 0;
}

bool engineStalledAtStandstill(const VehicleContext& v) {
    return v.spec.Engine_Type == 0 && v.state.EngineState == 0 && std::fabs(v.state.Speed) < 0.5L;
}

int TrainSettingsEngineStart(VehicleContext& v) {
    VehicleState& s = v.state;
    if (s.EngineState == 0) {
        playOnce(v.mixer, startSound(v.spec));
        s.EngineState = -1;
        s.DialogStartTimer = kDialogStartMs;
    } else if (s.EngineState != 1 && s.DialogStartTimer < 0) {
        s.EngineState = 1;
    }
    return 1;
}

void TrainSettingsEngineOff(VehicleContext& v) {
    VehicleState& s = v.state;
    if (s.EngineState == 1) {
        playOnce(v.mixer, stopSound(v.spec));
        s.EngineState = 0;
    }
}

void TrainSettingsAts(bool on, bool& atsOn, bool& atsLampVisible) {
    atsOn = on;
    atsLampVisible = on;
}

}  // namespace tressmoor::vehicle
