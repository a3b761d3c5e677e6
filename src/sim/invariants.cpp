#include "sim/invariants.h"

#include <algorithm>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdio>

#include "route/route_state.h"

namespace tressmoor::sim {

namespace {

std::string number(long double v) {
    char text[64];
    std::snprintf(text, sizeof text, "%.6Lg", v);
    return text;
}

/// Collects the violations of one frame.
class Checks {
public:
    Checks(std::int64_t frame, std::vector<InvariantViolation>& out) : frame_(frame), out_(out) {}

    // Names are made only for a violation: the checks run on every frame.
    template <typename Name>
    bool finite(const Name& name, long double v) {
        if (std::isfinite(v)) return true;
        out_.push_back({frame_, text(name), v, "finite"});
        return false;
    }
    template <typename Name>
    void within(const Name& name, long double v, long double low, long double high,
                const char* unit) {
        if (!finite(name, v)) return;
        if (v >= low && v <= high) return;
        out_.push_back({frame_, text(name), v, number(low) + " … " + number(high) + unit});
    }

private:
    static std::string text(const char* name) { return name; }
    template <typename F>
    static std::string text(const F& make) {
        return make();
    }

public:

private:
    std::int64_t frame_;
    std::vector<InvariantViolation>& out_;
};

}  // namespace

std::string InvariantViolation::message() const {
    return "frame " + std::to_string(frame) + ": " + quantity + " = " + number(value) +
           ", allowed " + limit;
}

InvariantLimits InvariantLimits::of(const LoadedService& service, long double frameMs,
                                    int videoFrames) {
    const auto& spec = service.train.spec;
    const auto& line = service.line;
    InvariantLimits l;
    // The compressor runs until the reservoir reaches its cut-out pressure; the frame in which it
    // does may add up to frameMs / 300 kPa (a diesel engine turns at most at 100 %).
    l.maxPressure = static_cast<long double>(spec.HighAirPress) + frameMs / 300;
    l.maxSpeed = 1.5L * std::max(spec.MaxSpeed, 1);
    if (videoFrames > 0 && videoFrames < INT_MAX) {
        l.lastFrame = videoFrames - 1;
    } else if (!line.SpeedUnit.empty()) {
        l.lastFrame = line.SpeedUnit.back().LastFrame;
    } else {
        l.lastFrame = INT_MAX;
    }
    l.stationCount = static_cast<int>(line.Station.size());
    l.signalCount = static_cast<int>(line.Signal.size());
    return l;
}

std::vector<InvariantViolation> InvariantChecker::check(std::int64_t frame, const SimState& s,
                                                        const PanelState* panel,
                                                        const sound::MemoryMixer* mixer) const {
    std::vector<InvariantViolation> out;
    Checks c(frame, out);
    const auto& v = s.vehicle;
    const auto& r = s.route;
    const auto& st = s.stations;
    const long double p = limits_.maxPressure;

    // The train.
    c.within("vehicle.Speed", v.Speed, -limits_.maxSpeed, limits_.maxSpeed, " km/h");
    c.within("vehicle.MainReservoir", v.MainReservoir.toReal(), 0, p, " kPa");
    c.within("vehicle.BrakePipe", v.BrakePipe, 0, p, " kPa");
    c.within("vehicle.FeedPressure", v.FeedPressure, 0, p, " kPa");
    c.within("vehicle.EqualisingReservoir", v.EqualisingReservoir.toReal(), 0, p, " kPa");
    c.within("vehicle.SapPressure", v.SapPressure.toReal(), 0, p, " kPa");
    c.within("vehicle.CylinderM", v.CylinderM.toReal(), 0, p, " kPa");
    c.within("vehicle.CylinderT", v.CylinderT.toReal(), 0, p, " kPa");
    c.within("vehicle.EBrakeValue", v.EBrakeValue, 0, LDBL_MAX, "");
    c.within("vehicle.EngineSpeed", v.EngineSpeed, 0, LDBL_MAX, "");
    c.finite("vehicle.EngineTarget", v.EngineTarget);
    c.finite("vehicle.DriveAccel", v.DriveAccel);
    c.finite("vehicle.NetAccel", v.NetAccel);
    c.finite("vehicle.CabShake", v.CabShake);
    c.finite("FrameStartAccel", s.FrameStartAccel);
    c.within("VigilanceMs", s.VigilanceMs, 0, LDBL_MAX, " ms");

    // Where the train is.
    c.within("route.RoutePosition", r.RoutePosition, 0, limits_.lastFrame, "");
    c.finite("route.LineDistance", r.LineDistance);
    c.finite("route.RemainingDistance", r.RemainingDistance);
    c.finite("route.ClockRemainderMs", r.ClockRemainderMs);
    c.finite("route.Pre.Speed", r.Pre.Speed);
    c.finite("route.Pre.Accumulator", r.Pre.Accumulator);
    if (r.CurrentSignal != route::kNone) {
        c.within("route.CurrentSignal", r.CurrentSignal, 0, limits_.signalCount - 1, "");
    }
    c.within("video.FrameAccumulator", s.video.FrameAccumulator, 0, LDBL_MAX, "");
    c.finite("video.ProjectedSpeed", s.video.ProjectedSpeed);
    c.finite("video.ClipTickRemainder", s.video.ClipTickRemainder);
    c.finite("safety.TargetDistance", s.safety.TargetDistance);

    // Stations.
    const int lastStation = limits_.stationCount - 1;
    c.within("stations.CurrentStation", st.CurrentStation, 0, lastStation, "");
    c.within("stations.NextStop", st.NextStop, 0, lastStation, "");
    c.within("stations.StartStation", st.StartStation, 0, lastStation, "");
    c.finite("stations.NextStopDistance", st.NextStopDistance);
    c.finite("stations.RemainingDistance", st.RemainingDistance);
    c.finite("stations.HourHand", st.HourHand);
    c.finite("stations.MinuteHand", st.MinuteHand);
    c.finite("stations.SecondHand", st.SecondHand);

    // Sound gains.
    c.finite("sounds.commonGainA", s.sounds.commonGainA);
    c.finite("sounds.commonGainB", s.sounds.commonGainB);
    c.finite("sounds.attenuation", s.sounds.attenuation);

    if (panel != nullptr) {
        for (const auto& sprite : panel->sprites) {
            if (sprite.kind != PanelSpriteKind::Needle) continue;
            c.finite([&] { return "panel." + sprite.name; }, sprite.angle);
        }
        c.finite("panel.clock.hourDegrees", panel->clock.hourDegrees);
        c.finite("panel.clock.minuteDegrees", panel->clock.minuteDegrees);
        c.finite("panel.clock.secondDegrees", panel->clock.secondDegrees);
    }
    if (mixer != nullptr) {
        for (int ch = 0; ch < sound::kChannelCount; ++ch) {
            c.within([&] { return "channel " + std::to_string(ch) + " frequency ratio"; },
                     mixer->freqRate(ch), 0, LDBL_MAX, "");
            c.within([&] { return "channel " + std::to_string(ch) + " position"; },
                     mixer->positionMs(ch), 0, LDBL_MAX, " ms");
        }
    }
    return out;
}

}  // namespace tressmoor::sim
