// The preceding train: it waits at its stations until its delayed departure time and runs at
// its step speed, measured against the recording speed of the video at its own position.
#include "route/preceding_train.h"

#include <climits>
#include <cmath>
#include <string>

#include "data/rounding.h"

namespace tressmoor::route {

namespace {

using data::roundTiesEven;

/// Stop frame of the preceding train at station `k`; INT_MAX for a station not in the list.
int precedingStop(const data::LineData& line, int k) {
    if (k < 0 || k >= static_cast<int>(line.Station.size())) return INT_MAX;
    return line.Station[static_cast<std::size_t>(k)].PrecedingStopFrame;
}

/// Recording speed at `frame` (km/h, rounded); −1 when the frame lies in no segment.
long double recordingSpeedAt(const data::LineData& line, int frame) {
    for (const data::SpeedUnitSegment& s : line.SpeedUnit) {
        if (s.FirstFrame <= frame && frame <= s.LastFrame) {
            const long double span = static_cast<long double>(s.LastFrame) - s.FirstFrame;
            const long double v = span == 0 ? s.FirstSpeed
                                            : s.FirstSpeed + (s.LastSpeed - s.FirstSpeed) *
                                                                 (frame - s.FirstFrame) / span;
            return static_cast<long double>(roundTiesEven(v));
        }
    }
    return -1;
}

}  // namespace

void UpdatePrecedingTrain(RouteContext& ctx, long double dtMs) {
    PrecedingTrain& p = ctx.route.Pre;
    const data::LineData& line = ctx.line;
    if (p.Position == 0 || p.Position < ctx.route.RoutePosition) return;
    const auto& steps = line.Pre_Train.Steps;

    // Speed of the step whose stretch holds the position; the last step runs off the line.
    bool found = false;
    for (std::size_t j = 0; j < steps.size(); ++j) {
        const int from = precedingStop(line, steps[j].Station);
        const int to = j + 1 < steps.size() ? precedingStop(line, steps[j + 1].Station) : INT_MAX;
        if (from <= p.Position && p.Position < to) {
            p.Speed = steps[j].DepartureTime < ctx.route.Clock ? steps[j].Speed : 0;
            found = true;
        }
    }
    if (!found && steps.empty()) p.Speed = 0;
    p.Moving = p.Speed > 0;
    if (!(dtMs > 0) || p.Speed <= 0) return;

    // Frames × km/h covered at the video's frame rate; one frame per recording speed's worth.
    const int videoFps = line.VideoFps > 0 ? line.VideoFps : 30;
    p.Accumulator += static_cast<long double>(videoFps) * dtMs / 1000 * p.Speed;
    const long double step = recordingSpeedAt(line, p.Position);
    long double frames = 0;
    if (step > 0) {
        if (p.Accumulator < step) return;
        frames = std::floor(p.Accumulator / step);
        p.Accumulator -= frames * step;
    } else {
        // Outside the table or at a recorded standstill the train moves two frames per unit.
        frames = std::floor(p.Accumulator / 0.5L);
        p.Accumulator -= frames * 0.5L;
    }
    const long double next = static_cast<long double>(p.Position) + frames;
    p.Position = next >= INT_MAX ? INT_MAX : static_cast<int>(next);
}

int precedingTrainStartPosition(const data::LineData& line, std::int64_t clock) {
    const auto& steps = line.Pre_Train.Steps;
    for (std::size_t j = 0; j + 1 < steps.size(); ++j) {
        if (steps[j].DepartureTime <= clock && clock < steps[j + 1].DepartureTime) {
            const int at = precedingStop(line, steps[j + 1].Station);
            return at == INT_MAX ? 0 : at;
        }
    }
    return 0;
}

void updatePrecedingTrainStatus(RouteContext& ctx) {
    PrecedingTrain& p = ctx.route.Pre;
    const auto& st = ctx.line.Station;
    int station = -1;
    if (p.Position != 0) {
        // A train standing at a stop lies at the end of one stretch and the start of the
        // next: the later stretch names the station it stands at.
        for (std::size_t i = 0; i + 1 < st.size(); ++i) {
            if (st[i].PrecedingStopFrame <= p.Position &&
                p.Position <= st[i + 1].PrecedingStopFrame) {
                station = static_cast<int>(i);
            }
        }
    }
    if (station < 0) {
        if (p.StatusStation != -1 || !p.StatusLine.empty()) p.StatusLine.clear();
        p.StatusStation = -1;
        return;
    }
    // Rebuilt only when the station or the running state changes (the delay is fixed per step).
    const int key = station * 2 + (p.Moving ? 1 : 0);
    if (p.StatusStation == key && !p.StatusLine.empty()) return;
    p.StatusStation = key;
    const auto i = static_cast<std::size_t>(station);
    p.StatusLine.assign("(");
    p.StatusLine += st[i].Name;
    if (p.Moving) {
        p.StatusLine += "～";
        p.StatusLine += st[i + 1].Name;
        p.StatusLine += ")";
    } else {
        // Steps are numbered like the stations here.
        const auto& steps = ctx.line.Pre_Train.Steps;
        const std::int64_t delay = i < steps.size() ? steps[i].Delay : 0;
        p.StatusLine += "停車中 ";
        p.StatusLine += std::to_string(roundTiesEven(static_cast<long double>(delay) / 30));
        p.StatusLine += "秒遅延)";
    }
}

}  // namespace tressmoor::route
