// The air brake.
#include "vehicle/air_brake.h"

#include <algorithm>
#include <cmath>

namespace tressmoor::vehicle {

namespace {

/// Pressure reached by the main reservoir below which the brakes apply by themselves, kPa.
constexpr long double kSelfApplyBelow = 340;
/// Highest feed pressure of the brake pipe, kPa.
constexpr long double kFeedLimit = 490;
/// Main-reservoir leak, kPa/s.
constexpr long double kLeakPerSecond = 0.2L;

/// Working copies of the pressures for one frame, in kPa.
struct Pressures {
    long double mr, bp, er, sap, bcm, bct;

    explicit Pressures(const VehicleState& s)
        : mr(s.MainReservoir.toReal()),
          bp(s.BrakePipe),
          er(s.EqualisingReservoir.toReal()),
          sap(s.SapPressure.toReal()),
          bcm(s.CylinderM.toReal()),
          bct(s.CylinderT.toReal()) {}

    /// Stores every pressure floored at 0 kPa (and to four decimals where held so).
    void store(VehicleState& s) const {
        s.MainReservoir = kpa(mr);
        s.BrakePipe = std::isfinite(bp) ? std::max(bp, 0.0L) : 0;
        s.EqualisingReservoir = kpa(er);
        s.SapPressure = kpa(sap);
        s.CylinderM = kpa(bcm);
        s.CylinderT = kpa(bct);
    }

    static fixed4 kpa(long double p) {
        if (!(p > 0)) return fixed4{};  // also catches NaN
        constexpr long double kLimit = 1.0e12L;
        return fixed4::fromRaw(
            std::llrint(static_cast<double>(std::min(p, kLimit) * fixed4::kScale)));
    }
};

/// The train's fill and release rates per frame and its full pressures, kPa.
struct BrakeRates {
    long double U;   ///< cylinder fill per frame
    long double D;   ///< cylinder release per frame
    long double SU;  ///< straight-air-pipe fill per frame
    long double SD;  ///< straight-air-pipe release per frame
    long double BR;  ///< brake-pipe recharge per frame
    long double PS;  ///< full-service cylinder pressure
    long double PE;  ///< emergency cylinder pressure
    long double EL;  ///< blending and automatic-brake threshold ([ELBR])

    static BrakeRates of(const VehicleContext& v, long double framesPerSecond) {
        const data::TrainSpec& spec = v.spec;
        return {spec.BrakeUp / framesPerSecond,  spec.BrakeDown / framesPerSecond,
                spec.SAPUp / framesPerSecond,    spec.SAPDown / framesPerSecond,
                spec.BPReturn / framesPerSecond, static_cast<long double>(v.load.PS),
                static_cast<long double>(v.load.PE), static_cast<long double>(spec.ELBR)};
    }
};

void release(long double& p, long double perFrame, long double base) {
    p -= perFrame / releaseDivisor(base, p);
}

}  // namespace

long double releaseDivisor(long double base, long double p) {
    return 10 * std::exp(-static_cast<double>(p) / 10 * std::log(static_cast<double>(base))) + 1;
}

void airBrakeAutomatic(VehicleContext& v, int fps) {
    const data::TrainSpec& spec = v.spec;
    VehicleState& s = v.state;
    if (spec.BrakeType != 0) return;
    const long double f = std::max(fps, 1);
    Pressures p(s);
    const auto [U, D, SU, SD, BR, PS, PE, EL] = BrakeRates::of(v, f);

    const long double feed = std::min(p.mr, kFeedLimit);
    s.FeedPressure = feed;
    const long double dropBP = feed - p.bp;
    // A 140 kPa pipe reduction calls for full service.
    const long double target = dropBP * PS / 140;
    const int K = s.BrakeCommand;

    if (s.EmergencyTrip || s.VigilanceTrip || s.ServiceTrip) {
        if (p.bct < PE) {
            p.bct += U / 0.3L;
            p.mr -= U / 3.3L;
            p.sap -= SD / 3;
        }
        if (p.bcm < PE) p.bcm += U / 0.3L;
        p.er -= U / 0.6L;
        p.bp -= U / 0.6L;
        if (s.BrakeHandle == 0 || s.BrakeHandle == -1) p.mr -= U / 4.6L;
    } else if (K == 0 || (K == -1 && spec.Pull == 1)) {
        // Running and release: the pipe recharges, cylinders below it empty.
        if (p.bcm < p.bp) release(p.bcm, D, 1.2L);
        if (p.bct < p.bp) release(p.bct, D, 1.2L);
        if (p.bct >= p.bp) {
            if (p.bp < feed - 1) {
                p.bp += BR;
                p.mr -= BR / 5;
            }
            if (p.er < feed - 1) p.er += BR;
        } else {
            if (p.bp < feed) {
                p.bp += BR / 2.5L;
                p.mr -= BR / 2.5L / 5;
            }
            if (p.er < feed) p.er += BR / 2.5L;
        }
    } else if (K == -3) {
        // Apply: the pipe is vented and the cylinders follow its reduction.
        for (long double* c : {&p.bcm, &p.bct}) {
            if (*c < PS && *c < target && dropBP > EL) {
                *c += U;
                p.sap -= SU;
            }
        }
        p.er -= U / 4.6L;
        p.bp -= U / 4.6L;
    } else if (K == -5) {
        for (long double* c : {&p.bcm, &p.bct}) {
            if (*c < PS && *c < target) {
                *c += U;
            } else if (*c > target + 10) {
                release(*c, D, 1.2L);
            }
        }
    } else if (K == -2) {
        // Hold: the pipe stays; cylinders still catch up with the reduction made.
        if (dropBP > EL) {
            for (long double* c : {&p.bcm, &p.bct}) {
                if (*c < PS && *c < target) *c += U;
            }
        }
    } else if (K == -4) {
        // Emergency: the pipe is vented fast and the cylinders fill to the emergency pressure.
        if (p.bct < PE) {
            p.bct += U / 0.3L;
            p.sap -= SD / 3;
        }
        if (p.bcm < PE) p.bcm += U / 0.3L;
        if (p.bp > 0) {
            p.er -= U / 4.6L;
            p.bp -= U / 0.6L;
        }
    } else if (K == -1) {
        // Release position with [Pull] 0: the pipe recharges, the motor cars release.
        if (p.er < feed) p.er += D / 2.5L;
        if (p.bp < feed) {
            p.bp += D / 2.5L;
            p.mr -= U / 20;
        }
        if (p.bcm < p.bp) release(p.bcm, D, 1.4L);
    }
    p.store(s);
}

void airBrakeElectroPneumatic(VehicleContext& v, int fps) {
    const data::TrainSpec& spec = v.spec;
    VehicleState& s = v.state;
    const long double f = std::max(fps, 1);
    Pressures p(s);
    const int type = spec.BrakeType;

    if (type == 1 || type == 2) {
        const int n = brakePositions(spec);
        const auto [U, D, SU, SD, BR, PS, PE, EL] = BrakeRates::of(v, f);
        const long double E = s.EBrakeValue;
        const long double feed = std::min(p.mr, kFeedLimit);
        if (type == 1) s.FeedPressure = feed;
        const int k = -s.BrakeCommand;
        // Release thresholds: the pipe or the equalising reservoir must be nearly recharged.
        const bool erCharged = p.er >= PE - PE / n;
        const bool bpCharged = p.bp >= PS - PS / n;

        if (type == 1) {
            const int j = -s.SapCommand;
            if (j > 0 && j < n) {
                const long double sapTarget = static_cast<long double>(v.load.PSAP) / (n - 1) * j;
                if (p.sap + 10 < sapTarget) {
                    p.sap += SU;
                } else if (p.sap > sapTarget) {
                    p.sap -= SD;
                }
            }
        }

        if (k > 0 && k < n) {
            const long double T = PS / (n - 1) * k;
            // The rates are copied in: clang 14 cannot capture structured bindings in a lambda.
            auto fillOrRelease = [&, U = U, D = D](long double& c, bool drawsMr, bool mayRelease) {
                if (c + 10 < T) {
                    c += U;
                    if (drawsMr) p.mr -= U / 15;
                } else if (c > T && mayRelease) {
                    release(c, D, 1.5L);
                }
            };
            if (spec.BrakeType2 == 1) {
                if (p.bct + 10 < T) {
                    p.bct += U;
                    p.mr -= U / 15;
                } else if (p.bct > T) {
                    if (type == 1) {
                        if (bpCharged) release(p.bct, D, 1.2L);
                    } else {
                        release(p.bct, D, 1.5L);
                    }
                }
                // Motor cars: the air brake gives way to a working electric brake.
                const bool suppress = s.SuppressIndex != 0;
                bool filled = false;
                if (p.bcm + 10 < T) {
                    if (E < 50 || p.bcm < EL) {
                        p.bcm += U;
                        filled = true;
                    }
                    if (suppress) {
                        p.bcm += U;
                        filled = true;
                    }
                }
                if (!filled) {
                    if (p.bcm > T) {
                        release(p.bcm, D, 1.2L);
                    } else if (E + 10 >= 50 && p.bcm >= EL + 5 && !suppress) {
                        release(p.bcm, D, 1.5L);
                    }
                }
            } else if (spec.BrakeType2 == 2 && E > 0) {
                // Blending: the air makes up what the electric brake leaves of the planned rate.
                const long double airTarget = p.mr / (n - 1) * k;
                const long double ad = s.DriveAccel;
                const long double ap = -spec.plannedBrakeRate(-s.EBrakeCommand).toReal();
                if (spec.Tt.empty.raw != 0) {
                    if (p.bct + 10 < airTarget && ad > ap) {
                        p.bct += U;
                        p.mr -= U / 15;
                    }
                    if (ad <= ap) release(p.bct, D, 1.5L);
                }
                if (p.bcm + 10 < airTarget && ad > ap &&
                    (p.bct > 0.9L * p.mr || v.load.MT.raw == 0)) {
                    p.bcm += U;
                }
                if (ad <= ap) release(p.bcm, D, 1.5L);
            } else if (spec.BrakeType2 == 2) {
                const bool mayRelease = type == 2 || erCharged;
                fillOrRelease(p.bct, true, mayRelease);
                fillOrRelease(p.bcm, false, mayRelease);
            } else {
                fillOrRelease(p.bct, true, true);
                fillOrRelease(p.bcm, false, true);
            }
        }

        if (k >= n) {
            for (long double* c : {&p.bcm, &p.bct}) {
                if (*c < PE) *c += 1.3L * U;
            }
            if (type == 1) {
                p.er -= 3 * U;
                p.bp -= 3 * U;
                p.sap -= 3 * SU;
            }
        } else if (p.mr < kSelfApplyBelow) {
            // Too little air to hold the brakes off: they apply by themselves.
            for (long double* c : {&p.bcm, &p.bct}) {
                if (*c < PE) *c += 1.3L * U;
            }
        } else if (k == 0) {
            if (type == 1) {
                if (p.bct > 0 || p.sap > 0) {
                    if (erCharged) release(p.bct, D, 1.5L);
                    release(p.sap, SD, 1.5L);
                }
                if (p.bcm > 0 && erCharged) release(p.bcm, D, 1.5L);
            } else {
                if (p.bct > 0) release(p.bct, D, 1.5L);
                if (p.bcm > 0) release(p.bcm, D, 1.5L);
            }
        }

        if (type == 1 && k < n) {
            if (p.bp < feed) {
                p.bp += BR / releaseDivisor(1.5L, kFeedLimit - p.bp);
                p.mr -= BR / 5;
            }
            if (p.er < feed) p.er += BR;
        }
    }

    p.mr -= kLeakPerSecond / f;
    p.store(s);
}

void compressorStep(VehicleContext& v, long double dtMs) {
    VehicleState& s = v.state;
    const data::TrainSpec& spec = v.spec;
    long double mr = s.MainReservoir.toReal();
    if (mr < spec.LowAirPress && !s.CompressorOn) {
        s.CompressorOn = true;
        playOnce(v.mixer, spec.CP_Start);
        if (spec.CP_Cnt >= 0) v.mixer.LoopPlay(spec.CP_Cnt);
    }
    if (!s.CompressorOn) return;
    long double gain = dtMs / 300;
    if (spec.Engine_Type == 0) gain *= s.EngineSpeed / 100;
    mr += gain;
    s.MainReservoir = Pressures::kpa(mr);
    if (mr >= spec.HighAirPress) {
        playOnce(v.mixer, spec.CP_End);
        if (spec.CP_Cnt >= 0) v.mixer.Stop(spec.CP_Cnt);
        s.CompressorOn = false;
    }
}

}  // namespace tressmoor::vehicle
