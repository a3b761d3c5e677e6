// The physics step.
#include "vehicle/forces.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "data/rounding.h"
#include "vehicle/air_brake.h"
#include "vehicle/engine.h"
#include "vehicle/handles.h"
#include "vehicle/vehicle_setup.h"

namespace tressmoor::vehicle {

namespace {

constexpr long double kG = 9.8L;  ///< m/s²
constexpr long double kRestSpeed = 0.1L;  ///< km/h; running resistance acts above it
/// Largest motor current the current formula may give, A; keeps the force finite where the
/// formula's divisor approaches zero.
constexpr long double kMaxMotorCurrent = 100000;

/// A force (or coefficient) rounded to four decimals for storing; non-finite values become 0.
fixed4 stored(long double x) {
    if (!std::isfinite(x)) return fixed4{};
    constexpr long double kLimit = 9.0e14L;  // well inside the 64-bit raw range
    x = std::clamp(x, -kLimit, kLimit);
    // Ties to even in the default rounding mode; double holds any stored force exactly enough.
    return fixed4::fromRaw(std::llrint(static_cast<double>(x * fixed4::kScale)));
}

int roundedInt(long double x) {
    return static_cast<int>(
        std::clamp<std::int64_t>(data::roundTiesEven(x), -1000000000, 1000000000));
}

int roundedAwayInt(long double x) {
    return static_cast<int>(
        std::clamp<std::int64_t>(data::roundHalfAway(x), -1000000000, 1000000000));
}

/// Traction of an electric train from its [Notch] row, N (before the reverser).
long double notchTraction(const data::NotchRow& row, long double m, long double u, long double v) {
    const long double a0 = row.accel0;
    const long double a1 = row.accel1;
    const long double V1 = row.speed1;
    const long double V2 = row.speed2;
    if (a0 > 0) {
        if (u < V1) return m * (a0 + (a1 - a0) / V1 * u);  // u < V1 implies V1 > 0
        if (u < V2) return u > 0 ? m * V1 * a1 / u : 0;
        if (V2 <= 0 || row.decay <= 0) return 0;
        // Above V2 the force falls away by the decay base per km/h.
        const long double r = static_cast<long double>(data::roundHalfAway(v));
        const long double fall = std::pow(row.decay, V2 - r);
        const long double force = m * (a1 * V1 / V2) * fall;
        return std::isfinite(force) ? force : 0;
    }
    // A retarding notch acts between its two speeds only.
    if (u >= V1 && u < V2) return m * a0;
    return 0;
}

/// Traction of a diesel train in gear `g` at notch k, N (before the reverser).
long double dieselTraction(const data::TrainSpec& spec, int g, int k, long double u,
                           long double v) {
    if (g < 0 || g >= static_cast<int>(spec.Engine.size())) return 0;
    const int N = powerNotches(spec);
    if (N <= 0) return 0;
    const data::EngineRow& row = spec.Engine[static_cast<std::size_t>(g)];
    const long double a = row.speedA, b = row.speedB, c = row.speedC;
    if (u < b) {
        const long double slope = b != a ? (row.forceB - row.forceA) / (b - a) : 0;
        const long double phi = row.forceA + slope * std::fabs(u - a);
        // Below [PowerJerk] the notch counts as at most 2, for a gentle start.
        const int factor = v < spec.PowerJerk ? std::min(k, 2) : k;
        return phi * kG / N * factor;
    }
    if (u < c) {
        const long double slope = c != b ? (row.forceC - row.forceB) / (c - b) : 0;
        const long double phi = row.forceB + slope * std::fabs(u - b);
        return phi * kG / N * k;
    }
    return 0;
}

/// The ammeter and the current-controlled traction's motor current.
void ammeter(VehicleContext& v, long double mass) {
    VehicleState& s = v.state;
    const data::TrainSpec& spec = v.spec;
    const long double at = mass > 0 ? s.TractionForce.toReal() * 3.6L / (1000 * mass) : 0;
    const long double scale = spec.AmMeter.scale;
    const long double speed = s.Speed;
    if (spec.Power_Type == 1) {
        if (spec.AmMeter.mode == 1) {
            if (s.Power > 0) {
                const int top = powerNotches(spec);
                long double V1 = 0;
                if (top >= 1 && top <= static_cast<int>(spec.Notch.size())) {
                    V1 = spec.Notch[static_cast<std::size_t>(top - 1)].speed1;
                }
                s.AmMeter = (V1 > 0 && speed < V1) ? roundedInt(at * scale / V1 * speed)
                                                   : roundedInt(at * scale);
            } else {
                s.AmMeter =
                    (s.BrakeCommand < 0 && s.TractionForce.raw < 0) ? roundedInt(at * scale) : 0;
            }
        } else {
            s.AmMeter = (s.BrakeCommand < 0 || s.Power > 0) ? roundedAwayInt(at * scale) : 0;
        }
    } else {
        const int rows = static_cast<int>(spec.CurrentP.size());
        if (doorsPermitTraction(spec, s) && !s.DoorsOpen && s.Power > 0) {
            for (int i = 0; i < rows; ++i) {
                if (s.CurrentStep < i &&
                    s.PowerHandle >= spec.CurrentP[static_cast<std::size_t>(i)].notch &&
                    s.MotorCurrent < spec.CurrentPHeader.maxCurrent) {
                    s.StepPending = true;
                }
            }
            if (s.CurrentStep >= 0 && s.CurrentStep < rows) {
                const data::CurrentPRow& row =
                    spec.CurrentP[static_cast<std::size_t>(s.CurrentStep)];
                const long double divisor = s.Reverser * speed - row.speedOffset;
                if (divisor != 0) {
                    const long double current = row.numerator / divisor;
                    s.MotorCurrent = roundedAwayInt(
                        std::isfinite(current)
                            ? std::clamp(current, -kMaxMotorCurrent, kMaxMotorCurrent)
                            : 0);
                }
            }
        } else if (s.Power == 0) {
            s.CurrentStep = 0;
            s.MotorCurrent = 0;
        }
        s.AmMeter = s.MotorCurrent;
    }
    if (v.ammeterDoubling && s.CurrentStep > 5) s.AmMeter *= 2;
}

/// The electric-brake value E and its ammeter reading.
void electricBrake(VehicleContext& v, int fps) {
    VehicleState& s = v.state;
    const data::TrainSpec& spec = v.spec;
    const int n = brakePositions(spec);
    const long double f = std::max(fps, 1);
    const long double u = std::fabs(s.Speed);
    long double E = s.EBrakeValue;
    if (spec.Brake_Type == 1) {
        if (spec.BrakeType2 > 0) {
            const long double planned =
                spec.AmMeter.scale * spec.plannedBrakeRate(-s.EBrakeCommand).toReal();
            if (-n < s.EBrakeCommand && u >= spec.Lose_elec.fadeSpeed && E < spec.MaxBrakeCurr &&
                planned > E) {
                E += spec.EBrakeUp / f;
            } else {
                E -= spec.EBrakeDown / f;
            }
        }
        E = std::max(E, 0.0L);
        if (E > 0 && (s.EBrakeCommand == 0 || s.EBrakeCommand == -n)) {
            E = std::max(E - spec.EBrakeDown / f, 0.0L);
        }
    } else {
        const int rows = static_cast<int>(spec.CurrentB.size());
        // Walks the [CurrentB] rows: the brake steps up while the value stays under its limit.
        auto walk = [&](long double limit, int highestStep) {
            for (int i = 0; i < rows; ++i) {
                if (s.EBrakeStep >= 0 && s.EBrakeStep < rows) {
                    const data::CurrentBRow& row =
                        spec.CurrentB[static_cast<std::size_t>(s.EBrakeStep)];
                    if (row.divisor != 0) E = (u - row.speedOffset) / row.divisor;
                }
                if (s.EBrakeStep < i && E < limit && s.EBrakeStep < highestStep) s.EBrakeStep += 1;
            }
        };
        if (s.SuppressIndex < 1) {
            if (doorsPermitTraction(spec, s) && s.EBrakeCommand < 0) {
                if (u < spec.Lose_elec.fadeSpeed) {
                    E = 0;
                } else {
                    const int step = -s.EBrakeCommand;
                    const int limit = step < static_cast<int>(spec.BrakeCurrentLimit.size())
                                          ? spec.BrakeCurrentLimit[static_cast<std::size_t>(step)]
                                          : 0;
                    if (limit == 0) {
                        s.EBrakeStep = 0;
                        E = 0;
                    } else {
                        walk(limit, std::numeric_limits<int>::max());
                    }
                }
            } else if (s.EBrakeCommand == 0) {
                s.EBrakeStep = 0;
                E = 0;
            }
            if (s.EBrakeStep > 0) s.CurrentStep = 0;
        } else {
            const int index = s.SuppressIndex - 1;
            const int highest = index < static_cast<int>(spec.Suppress.size())
                                    ? spec.Suppress[static_cast<std::size_t>(index)]
                                    : 0;
            walk(125, highest);
        }
        if (!std::isfinite(E)) E = 0;
        E = std::max(E, 0.0L);
    }
    s.EBrakeValue = E;
    if (E > 0) s.AmMeter = -roundedAwayInt(E);
}

}  // namespace

long double brakeFrictionFactor(const data::TrainSpec& spec, long double u) {
    const long double Vr = spec.AirBrakeRate.refSpeed.toReal();
    const long double t = spec.BrakeRate2;
    if (u > 0 && u < Vr) {
        const long double ref = (0.01L * Vr + 1) / (t * Vr + 1);
        const long double factor = ((0.01L * u + 1) / (t * u + 1)) / ref;
        return std::isfinite(factor) ? factor : 1;
    }
    if (u > Vr) return 1;
    return spec.AirBrakeRate.rate.toReal();
}

long double runningResistance(long double m, int cars, long double v) {
    const long double u = std::fabs(v);
    return kG * (1.32L * m + 0.0164L * m * u + (0.028L + 0.0078L * (cars - 1)) * v * v);
}

void keisan(VehicleContext& v, const KeisanInputs& in) {
    VehicleState& s = v.state;
    const data::TrainSpec& spec = v.spec;
    const TrainLoad& load = v.load;
    const int fps = std::max(in.fps, 1);
    const long double dt = in.dtMs > 0 ? in.dtMs : 1;
    const int deltaMs = static_cast<int>(std::lrint(static_cast<double>(dt)));
    const long double startAccel = frameStartAcceleration(s, load);

    const long double M = load.M.toReal();
    const long double MM = load.MM.toReal();
    const long double MT = load.MT.toReal();
    const bool diesel = spec.Engine_Type == 0;
    const long double Md = diesel ? M : MM;
    const long double m = M * 1000 / 3.6L;  // N per km/h/s
    long double speed = s.Speed;
    const long double u = std::fabs(speed);
    const long double g = in.gradient.toReal();

    // Traction.
    long double F = 0;
    long double R = 0;
    const bool tripped = s.ServiceTrip || s.EmergencyTrip || s.VigilanceTrip;
    if (u < spec.MaxSpeed && doorsPermitTraction(spec, s) && s.EngineState == 1 && !tripped) {
        const int k = s.Power;
        if (!diesel && spec.Power_Type == 1) {
            if (k > 0 && s.BrakeHandle == 0 && k <= static_cast<int>(spec.Notch.size())) {
                F += notchTraction(spec.Notch[static_cast<std::size_t>(k - 1)], m, u, speed);
            }
        } else if (!diesel) {
            const data::CurrentPHead& head = spec.CurrentPHeader;
            if (k > 0 && head.maxCurrent != 0) {
                const long double a = u < head.speedLimit ? head.accel
                                      : u > 0             ? head.accel * head.speedLimit / u
                                                          : 0;
                F += m * a / head.maxCurrent * s.MotorCurrent;
            }
        } else if (s.ShiftState == 0 && k > 0) {
            F += dieselTraction(spec, s.Gear, k, u, speed);
        }
        if (s.Reverser == 0) F = 0;
        if (s.Reverser == -1) F = -F;
    }
    F = stored(F).toReal();

    s.DriveForceBeforeBrake = stored(F);

    // Current-controlled traction: the next step after its dwell time.
    if (!diesel && spec.Power_Type == 0 && s.StepPending) {
        s.StepTimer += deltaMs;
        const int rows = static_cast<int>(spec.CurrentP.size());
        const int dwell = (s.CurrentStep >= 0 && s.CurrentStep < rows)
                              ? spec.CurrentP[static_cast<std::size_t>(s.CurrentStep)].stepTime
                              : 0;
        if (s.StepTimer >= dwell) {
            s.StepTimer = 0;
            s.StepPending = false;
            if (s.CurrentStep < rows - 1) s.CurrentStep += 1;
            s.Events.stepChangeSound = true;
        }
    }

    // The power delay, then the ammeter's traction input.
    if (in.lineVoltage > 0) {
        runPowerDelay(v, deltaMs, in.lineVoltage);
        s.TractionForce = stored(F);
    }

    // Brake-shoe friction.
    s.BrakeFriction = stored(brakeFrictionFactor(spec, u));
    const long double friction = s.BrakeFriction.toReal();

    // Brake force of the cylinders and the electric brake.
    const long double b0 = spec.AirBrakeRate.rate.toReal();
    long double Fb = 0;
    if (load.PE > 0) {
        const long double PE = load.PE;
        Fb = b0 * (s.CylinderM.toReal() / PE * MM + s.CylinderT.toReal() / PE * MT) * 1000 / 3.6L *
             friction;
    }
    if (spec.BrakeType2 > 0 && s.EBrakeValue > 0) Fb += s.EBrakeValue * spec.EBrakeForce * kG;
    Fb = stored(Fb).toReal();
    s.BrakeForce = stored(Fb);

    // The brake opposes the motion; at a standstill it only holds the train (below).
    if (speed > 0) F -= Fb;
    if (speed < 0) F += Fb;

    // Adhesion coefficient.
    const long double mu0 = in.friction.toReal();
    if (s.Power > 0) {
        s.Adhesion = stored(mu0 * (1 + 0.279L * u) / (1 + 0.367L * u));
    } else if (s.BrakeCommand < 0) {
        s.Adhesion = stored(mu0 / (1 + 0.0059L * u));
    }
    const long double mu = s.Adhesion.toReal();

    // Gradient and tunnel.
    R = -M * 1000 * kG * g / std::sqrt(g * g + 1000 * 1000);
    if (in.inTunnel) R -= kG * M * in.tunnelResistance * speed * speed / 10000;
    R = stored(R).toReal();

    // Adhesion limit.
    if (s.Power > 0) {
        s.AdhesionLimit = stored(mu * Md * 1000 * kG + R);
    } else if (s.BrakeCommand < 0) {
        s.AdhesionLimit = stored(mu * M * 1000 * kG + R);
    }
    const long double A = s.AdhesionLimit.toReal();

    // Slip under power, slide under the brake. Backwards running mirrors the forces.
    const long double dir = speed < 0 ? -1 : 1;
    if (s.Power > 0 && F * dir > A && (F * dir > 0)) {
        F = dir * mu / 2 * Md * 1000 * kG;
        s.SlipText = kSlipText;
    } else if (s.BrakeCommand >= 0 || F * dir >= -A) {
        s.SlipText = {};
    } else {
        F = -dir * 0.66L * mu * M * 1000 * kG;
        s.SlipText = kSlideText;
    }

    // Starting resistance. At a standstill it holds the train at most: it never starts it
    // backwards when the traction is weaker than the resistance.
    const long double gravity = R;  // gradient and tunnel: the forces that can move the train
    if (s.Power > 0 && u < 3 && R >= 0) {
        const long double start = (3 - u) * kG * M;
        if (speed == 0) {
            R -= std::min(start, std::max(F + R, 0.0L));
        } else if (speed > 0) {
            R -= start;
        } else {
            R += start;
        }
    }

    // Running resistance.
    const long double W = runningResistance(M, spec.Cars, speed);
    if (speed > kRestSpeed) R -= W;
    if (speed < -kRestSpeed) R += W;

    // The holding brake cancels the downhill pull.
    if (R > 0 && s.Holding && g < 0) F -= R;

    // Constant speed: the traction exactly balances the resistance.
    if (s.ConstSpeed) F = R < 0 ? -R : 0;

    // Standing at a station the train does not roll.
    if (s.StopState == 1) R = 0;

    F = stored(F).toReal();
    R = stored(R).toReal();
    s.DriveForce = stored(F);
    s.Resistance = stored(R);

    // Stop snap: a brake that would carry the speed through zero stops the train.
    if (M > 0) {
        const long double predicted = speed + (F + R) * 3.6L / (1000 * M) / dt;
        const bool beats = std::fabs(F) > std::fabs(R);
        if (speed > 0 && F < 0 && beats && predicted < 0) speed = 0;
        if (speed < 0 && F > 0 && beats && predicted > 0) speed = 0;
    }

    // Integration.
    const bool held = speed == 0 && std::fabs(Fb) > std::fabs(s.DriveForceBeforeBrake.toReal()) &&
                      std::fabs(Fb) > std::fabs(R);
    if (!held && !in.speedFreeze && M > 0) {
        const long double before = speed;
        speed += (F + R) * 3.6L / (1000 * M) / fps;
        // Brakes and resistance can stop the train but never drive it the other way: the speed
        // passes through zero only when traction or gravity pushes it that way.
        const long double driving = s.DriveForceBeforeBrake.toReal() + gravity;
        if ((before > 0 && speed < 0 && driving >= 0) ||
            (before < 0 && speed > 0 && driving <= 0)) {
            speed = 0;
        }
        // Running resistance acts only above 0.1 km/h; below it a train that neither traction
        // nor gravity pushes on comes to rest instead of creeping on for ever.
        if (speed != 0 && std::fabs(speed) <= kRestSpeed && speed * driving <= 0) speed = 0;
    }
    if (!std::isfinite(speed)) speed = 0;
    s.Speed = speed;

    // Air brake, with the accelerations the blending reads in between.
    airBrakeAutomatic(v, fps);
    if (M > 0) {
        s.DriveAccel = F * 3.6L / (1000 * M);
        s.NetAccel = (F + R) * 3.6L / (1000 * M);
    } else {
        s.DriveAccel = s.NetAccel = 0;
    }
    airBrakeElectroPneumatic(v, fps);

    // The brake, straight-air-pipe and electric-brake delays.
    runBrakeDelays(v, deltaMs);

    // Engine speed, ammeter, electric-brake value.
    if (diesel) dieselEngineSpeed(v);
    ammeter(v, M);
    electricBrake(v, fps);

    // The cab shakes with changes of acceleration, by at most 3 px either way.
    s.CabShake = 0.4L + std::clamp((s.NetAccel - startAccel) * 0.1L, -0.12L, 0.12L);
}

}  // namespace tressmoor::vehicle
