// The per-frame route update: section maximum, gradients, limits and approach boards, road
// traffic signals, animated objects, signs, crossings and tunnels (signals: route_signals.cpp).
#include "route/route_update.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <string>
#include <string_view>

#include "data/rounding.h"
#include "route/preceding_train.h"

namespace tressmoor::route {

namespace {

using data::roundTiesEven;

/// Frames after the end of a limit during which its end-of-limit sign is shown.
constexpr int kEndSignFrames = 200;
/// Frames of a crossing's warning-start and passing windows.
constexpr int kCrossWindow = 20;
/// Ramp length at both ends of a tunnel, cm.
constexpr long double kTunnelRamp = 1500;
/// Steps of an animated object.
constexpr int kAnimSteps = 14;
/// Timing-point signs show while faster than this (km/h) and farther than this (cm) from the
/// stop.
constexpr long double kTimeSignMinSpeed = 1;
constexpr long double kTimeSignMinRemaining = 10000;

void setSprite(SpriteState& s, int pattern) {
    s.pattern = pattern;
    s.visible = true;
}

void hideSprite(SpriteState& s) {
    s.pattern = 0;
    s.visible = false;
}

/// Writes the gradient texts: "+10.5" and "10.5", or "L" on level track.
void setGradientTexts(RouteState& r) {
    if (r.Gradient.raw == 0) {
        r.GradientText.assign("L");
        r.GradientTextUnsigned.assign("L");
        return;
    }
    const fixed4 magnitude = r.Gradient.raw < 0 ? -r.Gradient : r.Gradient;
    r.GradientTextUnsigned = magnitude.toString();
    r.GradientText.assign(r.Gradient.raw < 0 ? "-" : "+");
    r.GradientText += r.GradientTextUnsigned;
}

long double speedMagnitude(const RouteContext& ctx) {
    return std::fabs(ctx.vehicle.Speed);
}

bool departureSignalled(const data::LineData& line, int station) {
    if (station < 0 || station >= static_cast<int>(line.Station.size())) return false;
    return line.Station[static_cast<std::size_t>(station)].Progress.DepartureSignalled;
}

/// First [MovieStop] frame ahead of the route position; INT_MAX when none.
int nextMovieStop(const data::LineData& line, int position) {
    int next = INT_MAX;
    for (int s : line.MovieStop) {
        if (s > position && s < next) next = s;
    }
    return next;
}

void fillBoard(ApproachBoard& b, int index, int speed, std::int64_t toRun, long double v,
               int signPattern) {
    b.state = 0;
    b.index = index;
    b.speed = speed;
    b.toRun = toRun;
    b.needed = boardBrakingDistance(speed, v);
    b.signPattern = signPattern;
}

void emptyBoard(ApproachBoard& b) {
    b = ApproachBoard{};
}

/// cm from the line distance `d` to `target`, rounded.
std::int64_t distanceAhead(std::int64_t target, long double d) {
    return roundTiesEven(static_cast<long double>(target) - d);
}

/// Sets the distance text to `word` + metres + "m", rebuilding it only when the metres change.
void setDistanceText(RouteState& r, const std::string& word, long double cm) {
    const long double m = cm / 100;
    int metres = static_cast<int>(
        std::clamp<long double>(static_cast<long double>(roundTiesEven(m)), 0, 1000000));
    if (metres == r.DistanceTextMetres && !r.DistanceText.empty() &&
        std::string_view(r.DistanceText).starts_with(word)) {
        return;
    }
    r.DistanceTextMetres = metres;
    r.DistanceText.assign(word);
    r.DistanceText += std::to_string(metres);
    r.DistanceText += 'm';
}

void clearDistanceText(RouteState& r) {
    r.DistanceText.clear();
    r.DistanceTextMetres = -1;
}

}  // namespace

// ---------------------------------------------------------------------------------------------

std::int64_t boardBrakingDistance(int limit, long double speed) {
    const long double v = std::fabs(speed);
    if (!std::isfinite(v)) return 0;
    if (limit >= v) return roundTiesEven(v) * 200;
    // Braking distance in metres at 3 km/h/s plus the distance run in one second, in cm.
    const long double m = (limit + v) * (v - limit) / 21.6L + v;
    return roundTiesEven(m * 100);
}

void InitRouteState(RouteContext& ctx) {
    RouteState& r = ctx.route;
    const data::LineData& line = ctx.line;
    r.Aspect.assign(line.Signal.size(), 0);
    r.DisplayFrame.assign(line.Signal.size(), 0);
    r.Traffic.assign(line.TrafficSignal.size(), TrafficCycle{});
    for (std::size_t k = 0; k < line.TrafficSignal.size(); ++k) {
        r.Traffic[k].counter[0] = line.TrafficSignal[k].Phase[0].Length;
    }
    // A train without cars still samples one gradient, so the mean never divides by zero.
    r.GradientHistory.assign(static_cast<std::size_t>(std::max(1, ctx.spec.Cars)), 0);
    r.LastSampleDistance = r.LineDistance;
    r.EffectiveGradient = fixed4{};
    r.Gradient = fixed4{};
    r.SectionMaxText.reserve(24);
    r.GradientText.reserve(16);
    r.GradientTextUnsigned.reserve(16);
    r.DistanceText.reserve(64);
    r.Pre.StatusLine.reserve(128);
    setGradientTexts(r);
    r.Pre.Position = line.Pre_Train.StartFrame;
    ResetRouteState(ctx);
}

void ResetRouteState(RouteContext& ctx) {
    RouteState& r = ctx.route;
    std::fill(r.Aspect.begin(), r.Aspect.end(), 0);
    std::fill(r.DisplayFrame.begin(), r.DisplayFrame.end(), 0);
    r.ProtectedSignal = 0;
    r.CurrentSignal = kNone;
    r.CurrentDisplayFrame = kNone;
    r.PreviousDisplayFrame = kForceSignalUpdate;
    r.CurrentSignalCall = kNone;
    r.signalSprites = SignalSprites{};

    r.Gradient = fixed4{};
    setGradientTexts(r);
    hideSprite(r.slopePost);

    for (std::size_t k = 0; k < r.Traffic.size(); ++k) {
        r.Traffic[k] = TrafficCycle{};
        r.Traffic[k].counter[0] = ctx.line.TrafficSignal[k].Phase[0].Length;
    }
    hideSprite(r.trafficSprite);
    hideSprite(r.trafficSprite2);
    r.TrafficInView = -1;
    r.TrafficChanged = false;

    r.CurrentLimit = 0;
    r.LimitSignPattern = kNone;
    hideSprite(r.limitSign);
    for (ApproachBoard& b : r.Boards) emptyBoard(b);
    r.BoardAhead = false;

    r.AnimRecord = -1;
    r.AnimCounter = 0;
    r.AnimStep = 0;
    r.AnimShownStep = -1;
    hideSprite(r.animSprite);
    r.OtherSignPattern = kNone;
    r.SignCounter = 0;
    hideSprite(r.otherSign);

    r.ActiveCrossings.fill(kNoCrossing);
    r.ShownCrossing = kNoCrossing;
    hideSprite(r.crossIndicator);
    r.CrossLamp = false;
    clearDistanceText(r);

    r.InTunnel = false;
    r.TunnelLevel = 0;

    // The preceding train's position is set by the run start itself.
    r.Pre.Speed = 0;
    r.Pre.Accumulator = 0;
    r.Pre.Moving = false;
    r.Pre.StatusStation = -1;
    r.Pre.StatusLine.clear();

    r.PendingAspect.fill(kNone);
    r.PendingAspectCount = 0;
    r.PendingOtherCall = kNone;
    r.PendingLimitCall = kNone;
    r.LimitCallEnable1 = false;
    r.LimitCallEnable2 = false;
    r.AspectCallSignal = kNone;
}

void UpdateRoute(RouteContext& ctx) {
    updateSectionMaxSpeed(ctx);
    updatePrecedingTrainExit(ctx);
    updateGradientHistory(ctx);
    updateCurrentGradient(ctx);
    updateAspects(ctx);
    updateSignalInView(ctx);
    updateTrafficSignals(ctx);
    updateLimits(ctx);
    updateAnimations(ctx);
    updateSigns(ctx);
    updateCrossings(ctx);
    updateTunnels(ctx);
    updatePrecedingTrainStatus(ctx);
}

// 1. Section maximum speed.
void updateSectionMaxSpeed(RouteContext& ctx) {
    RouteState& r = ctx.route;
    const auto& st = ctx.line.Station;
    for (std::size_t i = 0; i + 1 < st.size(); ++i) {
        if (st[i].StopDistance <= r.LineDistance && r.LineDistance < st[i + 1].StopDistance) {
            if (st[i].MaxSpeed != r.SectionMaxSpeed || r.SectionMaxText.empty()) {
                r.SectionMaxSpeed = st[i].MaxSpeed;
                r.SectionMaxText.assign("最高");
                r.SectionMaxText += std::to_string(r.SectionMaxSpeed);
            }
        }
    }
}

// 2. The preceding train leaves the line beyond its exit frame.
void updatePrecedingTrainExit(RouteContext& ctx) {
    PrecedingTrain& p = ctx.route.Pre;
    if (p.Position > ctx.line.Pre_Train.ExitFrame) p.Position = 0;
}

// 3. Gradient history: one sample per car length run.
void updateGradientHistory(RouteContext& ctx) {
    RouteState& r = ctx.route;
    if (r.GradientHistory.empty()) {
        r.GradientHistory.assign(static_cast<std::size_t>(std::max(1, ctx.spec.Cars)), 0);
    }
    const long double carLength = static_cast<long double>(ctx.spec.Length) * 100;
    if (!(std::fabs(r.LineDistance - r.LastSampleDistance) > carLength)) return;
    r.LastSampleDistance = r.LineDistance;
    std::copy_backward(r.GradientHistory.begin(), r.GradientHistory.end() - 1,
                       r.GradientHistory.end());
    r.GradientHistory.front() = static_cast<int>(
        std::clamp<std::int64_t>(roundTiesEven(r.Gradient.toReal()), -1000000, 1000000));
    long long sum = 0;
    for (int g : r.GradientHistory) sum += g;
    r.EffectiveGradient = fixed4::fromReal(static_cast<long double>(sum) /
                                           static_cast<long double>(r.GradientHistory.size()));
}

// 4. Gradient under the route position.
void updateCurrentGradient(RouteContext& ctx) {
    RouteState& r = ctx.route;
    const auto& slope = ctx.line.Slope;
    const int pos = r.RoutePosition;
    bool level = false;
    for (std::size_t k = 0; k < slope.size(); ++k) {
        const data::SlopeRecord& s = slope[k];
        if (s.StartFrame < pos && pos < s.EndFrame) {
            if (s.Gradient != r.Gradient && s.Gradient.raw != 0) {
                setSprite(r.slopePost, static_cast<int>(k) + 1);
            }
            if (s.Gradient != r.Gradient) {
                r.Gradient = s.Gradient;
                setGradientTexts(r);
            }
        }
        const bool inGap = k + 1 < slope.size()
                               ? (s.EndFrame < pos && pos < slope[k + 1].StartFrame)
                               : s.EndFrame < pos;
        if (inGap) level = true;
    }
    // Before the first section the line is level as well.
    if (!slope.empty() && pos < slope.front().StartFrame) level = true;
    if (level) {
        r.slopePost.pattern = 0;
        if (r.Gradient.raw != 0 || r.GradientText != "L") {
            r.Gradient = fixed4{};
            setGradientTexts(r);
        }
    }
}

// 7. Road traffic signals: every cycle runs every update; the one in view drives the sprites.
void updateTrafficSignals(RouteContext& ctx) {
    RouteState& r = ctx.route;
    const auto& list = ctx.line.TrafficSignal;
    const int pos = r.RoutePosition;
    r.TrafficChanged = false;
    int inView = -1;
    for (std::size_t k = 0; k < list.size() && k < r.Traffic.size(); ++k) {
        const data::TrafficSignalRecord& t = list[k];
        TrafficCycle& c = r.Traffic[k];
        c.changed = false;
        auto& counter = c.counter[static_cast<std::size_t>(c.phase)];
        counter = addSat(counter, -1);
        if (counter < 1) {
            counter = t.Phase[static_cast<std::size_t>(c.phase)].Length;
            c.phase = (c.phase + 1) % 6;
            c.counter[static_cast<std::size_t>(c.phase)] =
                t.Phase[static_cast<std::size_t>(c.phase)].Length;
            c.changed = true;
        }
        if (t.FirstFrame <= pos && pos < t.LastFrame) {
            const data::TrafficPhase& ph = t.Phase[static_cast<std::size_t>(c.phase)];
            const bool entering = r.TrafficInView != static_cast<int>(k);
            if ((c.changed || entering) && ph.Length != 0) {
                setSprite(r.trafficSprite, ph.Pattern);
                if (c.changed) r.TrafficChanged = true;
            }
            if (t.SecondLight != 0) setSprite(r.trafficSprite2, t.SecondPattern);
            inView = static_cast<int>(k);
        }
    }
    if (inView < 0 && r.TrafficInView >= 0) {
        hideSprite(r.trafficSprite);
        hideSprite(r.trafficSprite2);
    }
    r.TrafficInView = inView;
}

// 8. Speed limits, end-of-limit signs and approach boards.
void updateLimits(RouteContext& ctx) {
    RouteState& r = ctx.route;
    const data::LineData& line = ctx.line;
    const auto& lim = line.SpeedLimit;
    const int pos = r.RoutePosition;
    const long double v = speedMagnitude(ctx);
    const int stop = nextMovieStop(line, pos);

    // Boards A and B: the next limit ahead and the record after it.
    emptyBoard(r.Boards[kBoardA]);
    emptyBoard(r.Boards[kBoardB]);
    for (std::size_t k = 0; k < lim.size(); ++k) {
        if (static_cast<long double>(lim[k].StartDistance) > r.LineDistance) {
            if (lim[k].StartFrame < stop) {
                const std::int64_t toRun = distanceAhead(lim[k].StartDistance, r.LineDistance);
                fillBoard(r.Boards[kBoardA], static_cast<int>(k), lim[k].Limit, toRun, v,
                          lim[k].SignPattern);
                if (k + 1 < lim.size() && lim[k + 1].StartFrame < stop) {
                    const std::int64_t toRunB =
                        distanceAhead(lim[k + 1].StartDistance, r.LineDistance);
                    fillBoard(r.Boards[kBoardB], static_cast<int>(k) + 1, lim[k + 1].Limit, toRunB,
                              v, lim[k + 1].SignPattern);
                }
            }
            break;
        }
    }

    // Two point-check boards: the next [SpeedCheck1] points ahead that apply now.
    emptyBoard(r.Boards[kBoardCheck1]);
    emptyBoard(r.Boards[kBoardCheck2]);
    int filled = 0;
    for (std::size_t k = 0; k < line.SpeedCheck1.size() && filled < 2; ++k) {
        const data::SpeedCheck1Record& c = line.SpeedCheck1[k];
        if (!(static_cast<long double>(c.CheckDistance) > r.LineDistance)) continue;
        if (c.Frame >= stop) continue;
        if (c.Signal != 0) {
            const bool atStop = c.Signal > 0 && c.Signal < static_cast<int>(r.Aspect.size()) &&
                                r.Aspect[static_cast<std::size_t>(c.Signal)] == 0;
            if (!atStop) continue;
        }
        const std::int64_t toRun = distanceAhead(c.CheckDistance, r.LineDistance);
        fillBoard(r.Boards[static_cast<std::size_t>(kBoardCheck1 + filled)], static_cast<int>(k),
                  c.DisplaySpeed, toRun, v, 0);
        ++filled;
    }

    const ApproachBoard& a = r.Boards[kBoardA];
    r.BoardAhead = a.state != kBoardEmpty && a.toRun < a.needed;

    // The limit whose window holds the position.
    int window = -1;
    for (std::size_t k = 0; k < lim.size(); ++k) {
        if (lim[k].StartFrame <= pos && pos < lim[k].EndFrame) window = static_cast<int>(k);
    }
    if (window >= 0) {
        const data::SpeedLimitRecord& l = lim[static_cast<std::size_t>(window)];
        setSprite(r.limitSign, l.SignPattern);
        r.CurrentLimit = l.Limit;
        r.LimitSignPattern = l.SignPattern;
    } else {
        r.CurrentLimit = 0;
        r.LimitSignPattern = kNone;
        // After a limit its end sign stands for 200 frames; then (and elsewhere) nothing.
        int endSign = 0;
        for (const data::SpeedLimitRecord& l : lim) {
            if (l.EndSignPattern != 0 && l.EndFrame < pos &&
                inFrameWindow(pos, l.EndFrame, kEndSignFrames)) {
                endSign = l.EndSignPattern;
            }
        }
        if (endSign != 0) {
            setSprite(r.limitSign, endSign);
        } else {
            hideSprite(r.limitSign);
        }
    }
    if (r.BoardAhead) {
        // The next limit's sign is shown in advance while the braking distance to it is short.
        setSprite(r.limitSign, a.signPattern);
        r.LimitSignPattern = a.signPattern;
    }

    // The limit call the call key would make: the next limit while its board is shown early,
    // else the limit under the train.
    r.LimitCallEnable1 = window >= 0;
    r.LimitCallEnable2 = r.BoardAhead;
    r.PendingLimitCall = r.BoardAhead ? a.index : (window >= 0 ? window : kNone);
}

// 9. Animated lineside objects.
void updateAnimations(RouteContext& ctx) {
    RouteState& r = ctx.route;
    const int pos = r.RoutePosition;
    int inWindow = -1;
    for (std::size_t k = 0; k < ctx.line.Anim.size(); ++k) {
        const data::AnimRecord& a = ctx.line.Anim[k];
        if (!(a.FirstFrame <= pos && pos < a.LastFrame)) continue;
        inWindow = static_cast<int>(k);
        if (r.AnimRecord != inWindow) {
            r.AnimRecord = inWindow;
            r.AnimCounter = 0;
            r.AnimStep = 0;
            r.AnimShownStep = -1;
        }
        r.AnimCounter = addSat(r.AnimCounter, 1);
        if (a.Hold < r.AnimCounter) {
            r.AnimCounter = 0;
            r.AnimStep = (r.AnimStep + 1) % kAnimSteps;
        }
        if (r.AnimStep != r.AnimShownStep) {
            setSprite(r.animSprite, addSat(a.FirstPattern, r.AnimStep));
            r.AnimShownStep = r.AnimStep;
        }
    }
    if (inWindow < 0) {
        r.animSprite.pattern = 0;
        r.AnimRecord = -1;
        r.AnimCounter = 0;
        r.AnimStep = 0;
        r.AnimShownStep = -1;
    }
}

// 10. Other signs and timing points.
void updateSigns(RouteContext& ctx) {
    RouteState& r = ctx.route;
    const int pos = r.RoutePosition;
    bool inWindow = false;
    int otherCall = kNone;
    for (const data::SignRecord& s : ctx.line.Sign) {
        if (!(s.FirstFrame <= pos && pos < s.LastFrame)) continue;
        inWindow = true;
        otherCall = s.Pattern;
        if (r.OtherSignPattern == kNone) {
            r.OtherSignPattern = s.Pattern;
            setSprite(r.otherSign, s.Pattern);
            r.SignCounter = 0;
        }
        const bool byCount =
            s.ChangeOver >= 1 && s.ChangeOver < 1000 && s.ChangeOver < r.SignCounter;
        const bool byClock = s.ChangeOver >= 1000 && s.ChangeOver < r.Clock;
        if (byCount || byClock) {
            r.OtherSignPattern = addSat(s.Pattern, 1);
            setSprite(r.otherSign, r.OtherSignPattern);
        } else {
            r.SignCounter = addSat(r.SignCounter, 1);
        }
    }
    const long double v = speedMagnitude(ctx);
    for (const data::TimeRecord& t : ctx.line.Time) {
        if (!(t.FirstFrame <= pos && pos < t.LastFrame)) continue;
        inWindow = true;
        otherCall = kTimeCheckCall;
        if (v > kTimeSignMinSpeed && r.RemainingDistance > kTimeSignMinRemaining) {
            r.OtherSignPattern = 0;
            setSprite(r.otherSign, 0);
        }
    }
    if (!inWindow) {
        r.OtherSignPattern = kNone;
        r.SignCounter = 0;
        hideSprite(r.otherSign);
    }
    r.PendingOtherCall = otherCall;
}

// 11. Level crossings.
void updateCrossings(RouteContext& ctx) {
    RouteState& r = ctx.route;
    const auto& cross = ctx.line.Cross;
    const int pos = r.RoutePosition;
    auto& act = r.ActiveCrossings;
    bool warningWindow = false;
    for (std::size_t k = 0; k < cross.size(); ++k) {
        const data::CrossRecord& c = cross[k];
        const int index = static_cast<int>(k);
        if (inFrameWindow(pos, c.WarningFrame, kCrossWindow)) {
            warningWindow = true;
            if (std::find(act.begin(), act.end(), index) == act.end()) {
                auto freePlace = std::find(act.begin(), act.end(), kNoCrossing);
                if (freePlace != act.end()) *freePlace = index;
            }
        }
        if (inFrameWindow(pos, c.Frame, kCrossWindow)) {
            if (index < act[0]) break;
            std::copy(act.begin() + 1, act.end(), act.begin());
            act.back() = kNoCrossing;
        }
    }
    // The list keeps its entries packed at the front.
    const int oldest = act[0];
    if (oldest == kNoCrossing) {
        r.ShownCrossing = kNoCrossing;
        r.crossIndicator.pattern = 0;
        r.crossIndicator.visible = false;
        r.CrossLamp = false;
    } else {
        const data::CrossRecord& c = cross[static_cast<std::size_t>(oldest)];
        if (!warningWindow && oldest != r.ShownCrossing) {
            r.ShownCrossing = oldest;
            r.crossIndicator.pattern = c.Pattern;
        }
        // The lamp follows the departure at its station even while the crossing stays oldest.
        r.CrossLamp = c.Station == 0 || !departureSignalled(ctx.line, c.Station);
        r.crossIndicator.visible = r.ShownCrossing != kNoCrossing && r.CrossLamp;
    }

    // Distance message: the oldest active crossing, else a road traffic signal in view.
    // Crossings use the first [Stops] word, road traffic signals the second.
    if (oldest != kNoCrossing) {
        const auto at = ctx.line.FrameToDistance(cross[static_cast<std::size_t>(oldest)].Frame);
        setDistanceText(r, ctx.settings.Stops[0], static_cast<long double>(at) - r.LineDistance);
    } else if (r.TrafficInView >= 0) {
        const auto& t = ctx.line.TrafficSignal[static_cast<std::size_t>(r.TrafficInView)];
        const auto at = ctx.line.FrameToDistance(t.LastFrame);
        setDistanceText(r, ctx.settings.Stops[1], static_cast<long double>(at) - r.LineDistance);
    } else if (!r.DistanceText.empty()) {
        clearDistanceText(r);
    }
}

void rebuildActiveCrossings(RouteContext& ctx) {
    RouteState& r = ctx.route;
    r.ActiveCrossings.fill(kNoCrossing);
    r.ShownCrossing = kNoCrossing;
    std::size_t n = 0;
    const int pos = r.RoutePosition;
    for (std::size_t k = 0; k < ctx.line.Cross.size() && n < r.ActiveCrossings.size(); ++k) {
        const data::CrossRecord& c = ctx.line.Cross[k];
        if (c.WarningFrame <= pos && pos < c.Frame) r.ActiveCrossings[n++] = static_cast<int>(k);
    }
}

// 12. Tunnels.
void updateTunnels(RouteContext& ctx) {
    RouteState& r = ctx.route;
    r.InTunnel = false;
    r.TunnelLevel = 0;
    const long double d = r.LineDistance;
    for (const data::TunnelRecord& t : ctx.line.Tunnel) {
        const auto a = static_cast<long double>(t.FirstDistance);
        const auto b = static_cast<long double>(t.LastDistance);
        if (!(a < d && d < b)) continue;
        r.InTunnel = true;
        const int value = t.Value;
        if (d - a >= kTunnelRamp && b - d >= kTunnelRamp) {
            r.TunnelLevel = value;
        } else if (value == 0) {
            r.TunnelLevel = 0;
        } else {
            // A ramp over the 15 m at each end of the section.
            const long double step = kTunnelRamp / value;
            const long double into = d - a >= kTunnelRamp ? b - d : d - a;
            r.TunnelLevel = static_cast<int>(roundTiesEven(into / step));
        }
    }
}

bool toggleAlternativeRoute(RouteContext& ctx) {
    ctx.route.AlternativeRoute = !ctx.route.AlternativeRoute;
    return ctx.route.AlternativeRoute;
}

}  // namespace tressmoor::route
