// The beginner's hint over the route view.
#include "sim/explanation.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "data/rounding.h"
#include "route/route_state.h"
#include "route/safety_state.h"
#include "sim/sim_state.h"

namespace tressmoor::sim {

namespace {

// [InfoLabel] texts of the hints.
enum HintText : int {
    kDoorsLeft = 9,          ///< choose the left-hand doors
    kDoorsRight = 10,        ///< choose the right-hand doors
    kClipPlaying = 11,       ///< a station clip is playing: power off
    kPatternHit = 12,        ///< the pattern brakes: slow down
    kEmergencyActed = 13,    ///< the safety system's emergency brake acted
    kResetAtEmergency = 14,  ///< stopped: brake to emergency and reset
    kResetAtService = 15,    ///< stopped: brake and reset
    kAlarmRinging = 16,      ///< acknowledge the alarm
    kVigilance = 17,         ///< nothing operated for a long time
    kCaution = 18,           ///< caution signal: 55 km/h
    kReduce = 19,            ///< reduced-speed signal: 75 km/h
    kRestricted = 20,        ///< restricting signal: 25 km/h
    kStopNear = 21,          ///< the stop is near: brake
    kSafetyOff = 23,         ///< the safety system is off
    kEndOfVideo = 24,        ///< the end of the track: the train can be turned back
    kAcknowledged = 26,      ///< acknowledgement taken
    kServiceEnd = 27,        ///< the service has ended here
    kStopAndOpen = 28,       ///< stop at the marker and open the doors
};

// Display frames of the signal in view that ask for a lower speed.
constexpr std::array<int, 7> kCautionFrames = {8, 11, 14, 19, 23, 27, 31};
constexpr std::array<int, 2> kReduceFrames = {15, 24};
constexpr std::array<int, 2> kRestrictedFrames = {18, 22};

template <std::size_t N>
bool among(const std::array<int, N>& frames, int frame) {
    return std::find(frames.begin(), frames.end(), frame) != frames.end();
}

class Builder {
public:
    Builder(const ExplanationContext& c, std::string& command) : c_(c), command_(command) {
        command_.clear();
    }

    void set(int k) {
        command_.assign("0");
        command_.append(c_.settings.infoLabel(k));
    }
    /// Adds text k after the present hint, or makes it the hint when there is none.
    void append(int k) {
        if (command_.empty()) command_.assign("0");
        command_.append(c_.settings.infoLabel(k));
    }
    void setEmpty() { command_.assign("0"); }
    void setStall() { command_.assign(kStallExplanation); }

private:
    const ExplanationContext& c_;
    std::string& command_;
};

bool playing(const sound::Mixer& mixer, int channel) {
    return channel >= 0 && channel < sound::kChannelCount &&
           mixer.Status(channel) != sound::ChannelStatus::Idle;
}

bool arrivalSoundPlaying(const ExplanationContext& c, const data::StationRecord& st) {
    const int k = st.ArrivalSound;
    if (k < 0 || k >= c.sounds.nAmbient()) return false;
    return playing(c.mixer, c.sounds.ambientChannel(k));
}

/// Hints of the stations: the end of the service, and on one-man lines the door side to choose
/// or the stop still to be made.
void stationHints(const ExplanationContext& c, const SimState& s, std::int64_t v, Builder& b) {
    const auto& stations = c.line.Station;
    const int count = static_cast<int>(stations.size());
    const bool doorsOpen = s.vehicle.DoorsOpen;
    const bool oneMan = c.line.OneMan.Mode != 0;
    const int doorSide = s.input.DoorSide;
    for (int i = 0; i < count; ++i) {
        const auto& st = stations[static_cast<std::size_t>(i)];
        const auto& p = st.Progress;
        if (p.InZone && !p.DoorsClosedForDeparture && v == 0 &&
            ((st.Kind == 0 && doorsOpen) || st.Kind == 2) &&
            (i == count - 1 || i == c.stationLimit) && arrivalSoundPlaying(c, st)) {
            b.set(kServiceEnd);
        }
        if (st.Kind == 0 && p.InZone && !doorsOpen && v <= 0 && oneMan) {
            const int platformSide = st.Kept[2];  // field 14
            if (platformSide == 0 && doorSide == 1) {
                b.set(kDoorsLeft);
            } else if (platformSide == 1 && doorSide == 0) {
                b.set(kDoorsRight);
            } else if (p.Arrived) {
                b.setEmpty();
            } else {
                b.set(kStopAndOpen);
            }
        }
    }
}

/// Hints without a safety demand: the chime, the alarm, the vigilance timer, then the signal in
/// view and the stop ahead.
void runningHints(const ExplanationContext& c, const SimState& s, std::int64_t v, Builder& b) {
    const auto& safety = s.safety;
    if (playing(c.mixer, c.spec.Sound_Ats2) && v == 0) {
        b.set(kAcknowledged);
        return;
    }
    if (safety.AlarmRinging && safety.On && c.spec.ATS_Time > 0) {
        b.set(kAlarmRinging);
        return;
    }
    if (s.VigilanceMs > kVigilanceHintMs) {
        b.set(kVigilance);
        return;
    }
    const int frame = s.route.CurrentDisplayFrame;
    if (among(kCautionFrames, frame) && v > 55) {
        b.set(kCaution);
    } else if (among(kReduceFrames, frame) && v > 75) {
        b.set(kReduce);
    } else if (among(kRestrictedFrames, frame) && v > 25) {
        b.set(kRestricted);
    }
    // Braking distance at 2.5 km/h/s from the present speed (v² ÷ 18 m) against the distance
    // left before a point 125 m short of the stop.
    const long double d = s.stations.RemainingDistance;
    const long double speed = s.vehicle.Speed;
    if (d > 25000 && d / 100 - 125 < speed / 5 * speed / 3.6L) b.append(kStopNear);
}

}  // namespace

void BuildExplanation(const ExplanationContext& c, const SimState& s, std::string& command) {
    Builder b(c, command);
    const auto& vs = s.vehicle;
    const std::int64_t v = data::roundTiesEven(vs.Speed);
    const std::int64_t absV = v < 0 ? -v : v;

    stationHints(c, s, v, b);

    if (s.video.VideoMode == route::kVideoStationClip && vs.PowerHandle > 0) b.set(kClipPlaying);
    if (!s.safety.On && c.options.ATS == 0 && vs.PowerHandle > 1) b.set(kSafetyOff);

    const auto& stops = c.line.MovieStop;
    if (v == 0 && !stops.empty() && s.route.RoutePosition > stops.front() - 200 &&
        s.route.RoutePosition <= stops.front()) {
        b.set(kEndOfVideo);
    }

    const int pattern = s.safety.PatternState;
    if (vs.EmergencyTrip) {
        if (s.safety.AlarmRinging && absV > 0) {
            b.set(kEmergencyActed);
        } else if (pattern < route::kPatternBrake) {
            if (absV == 0) b.set(kResetAtEmergency);
        } else {
            b.set(kEmergencyActed);
        }
    } else if (vs.ServiceTrip) {
        // Braking on the pattern while moving; once stopped, however the demand came, how to
        // reset it.
        if (pattern > route::kPatternApproach && absV > 0) {
            b.set(kPatternHit);
        } else if (absV == 0) {
            b.set(kResetAtService);
        }
    } else {
        runningHints(c, s, v, b);
    }

    if (vs.PowerHandle > 0 && vs.EngineState == 0 && absV == 0) b.setStall();
}

}  // namespace tressmoor::sim
