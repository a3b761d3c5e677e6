// Signals: aspects behind the preceding train, control kinds, the signal in view and its sprites.
#include <algorithm>
#include <array>

#include "route/route_update.h"

namespace tressmoor::route {

namespace {

/// Display frames of head types 0 … 8 at aspects 0 … 5.
constexpr std::array<std::array<int, 6>, 9> kBlockFrames = {{
    {1, 2, 2, 2, 3, 3},
    {4, 4, 4, 5, 6, 6},
    {7, 7, 8, 8, 9, 9},
    {10, 10, 11, 11, 12, 12},
    {13, 13, 14, 15, 16, 16},
    {17, 18, 19, 19, 20, 20},
    {21, 22, 23, 24, 25, 25},
    {26, 26, 27, 27, 28, 28},
    {30, 30, 31, 32, 33, 33},
}};
/// Display frames of the cab signal (head type 9) at aspects 0 … 7.
constexpr std::array<int, 8> kCabFrames = {35, 36, 37, 38, 39, 40, 41, 42};
/// Trains this fast (km/h) see the high-speed frame of head types 7 and 8 at aspect 5.
constexpr int kHighSpeedTrain = 161;
/// Frames during which the train is passing a signal.
constexpr int kPassingFrames = 20;
/// Head types that show the signal ahead instead of a head of their own.
bool isRepeater(int headType) {
    return headType == 0 || headType == -1;
}

/// Cab-signal safety systems (the signal is shown in the cab, not at the lineside).
bool cabSignalling(const RouteContext& ctx) {
    return ctx.spec.ATS_Type >= 2;
}

int clampAspect(int aspect, int highest) {
    return std::clamp(aspect, 0, std::max(0, highest));
}

void clearSignalSprites(SignalSprites& s) {
    for (SpriteState* sp : {&s.main, &s.subPlate, &s.left, &s.right, &s.extra}) {
        sp->pattern = 0;
        sp->visible = false;
    }
}

void place(SpriteState& s, int pattern, int x, int y) {
    s.pattern = pattern;
    s.x = x;
    s.y = y;
    s.visible = pattern != 0;
}

/// Puts the sprites of signal `sig` (showing `frame`) on the lineside view.
void showLinesideSignal(RouteContext& ctx, const data::SignalRecord& sig, int frame) {
    SignalSprites& s = ctx.route.signalSprites;
    const data::SignalImages& img = ctx.line.SignalImageList;
    clearSignalSprites(s);
    const int ox = img.X;
    const int oy = img.Y;
    place(s.main, sig.HeadType >= 0 && sig.HeadType < 9 ? frame : 0, addSat(sig.X, ox),
          addSat(sig.Y, oy));
    place(s.subPlate, sig.SubPlatePattern, addSat(sig.SubPlateX, ox), addSat(sig.SubPlateY, oy));
    place(s.extra, sig.ExtraPattern >= 1 ? sig.ExtraPattern : 0, addSat(sig.X, ox),
          addSat(sig.Y, oy));
    int left = sig.LeftPattern >= 1 ? sig.LeftPattern : 0;
    int right = sig.RightPattern >= 1 ? sig.RightPattern : 0;
    if (isStopFrame(frame)) {
        if (left != 0 && sig.LeftStopPattern != 0) left = sig.LeftStopPattern;
        if (right != 0 && sig.RightStopPattern != 0) right = sig.RightStopPattern;
    }
    place(s.left, left, addSat(sig.LeftX, ox), addSat(sig.LeftY, oy));
    place(s.right, right, addSat(sig.RightX, ox), addSat(sig.RightY, oy));
}

/// Cab signalling: the bell rings again, only cab-signal heads are drawn, and the panel's
/// cab-signal indicator shows the aspect.
void showCabSignal(RouteContext& ctx, const data::SignalRecord& sig, int frame) {
    SignalSprites& s = ctx.route.signalSprites;
    const data::SignalImages& img = ctx.line.SignalImageList;
    const int bell = ctx.spec.Sound_Atc;
    if (bell >= 0 && bell < sound::kChannelCount) {
        ctx.mixer.Stop(bell);
        ctx.mixer.Play(bell);
    }
    clearSignalSprites(s);
    place(s.main, sig.HeadType == 9 ? frame : 0, addSat(sig.X, img.X), addSat(sig.Y, img.Y));
    place(s.subPlate, sig.SubPlatePattern, addSat(sig.SubPlateX, img.X),
          addSat(sig.SubPlateY, img.Y));
    if (frame >= 35 && frame < kNone) {
        s.cabSignal.pattern = frame - 35;
        s.cabSignal.visible = true;
    } else {
        s.cabSignal.pattern = 0;
        s.cabSignal.visible = false;
    }
}

/// Adds the aspect call of a display frame to the pending list (full list: the call is lost).
void pushAspectCall(RouteState& r, int frame) {
    const int slot = aspectCallSlot(frame);
    if (slot < 0 || r.PendingAspectCount >= kPendingAspectSlots) return;
    r.PendingAspect[static_cast<std::size_t>(r.PendingAspectCount++)] = slot;
}

}  // namespace

int displayFrameFor(int headType, int aspect, int trainMaxSpeed) {
    if (headType == 9) {
        return kCabFrames[static_cast<std::size_t>(std::clamp(aspect, 0, 7))];
    }
    if (headType < 0 || headType > 8) return 0;
    const int a = std::clamp(aspect, 0, 5);
    int frame = kBlockFrames[static_cast<std::size_t>(headType)][static_cast<std::size_t>(a)];
    if (a == 5 && (headType == 7 || headType == 8) && trainMaxSpeed >= kHighSpeedTrain) ++frame;
    return frame;
}

bool isStopFrame(int f) {
    return f == 7 || f == 10 || f == 13 || f == 17 || f == 21 || f == 26 || f == 30 || f == 35;
}

int aspectCallSlot(int f) {
    // Call slot per display frame 0 … 42: stop, warning, caution, reduced speed, clear and the
    // high-speed clear; −1 for the frames without a call.
    static constexpr std::array<int, 43> kSlots = {
        -1, 0, 5, 4, 2, 3, 4, 0,  2, 4, 0,  2, 4,  0,  2,  3,  4,  0,  1,  2,  4, 0,
        1,  2, 3, 4, 0, 2, 4, 21, 0, 2, -1, 4, 21, -1, -1, -1, -1, -1, -1, -1, -1};
    if (f < 0 || f >= static_cast<int>(kSlots.size())) return -1;
    return kSlots[static_cast<std::size_t>(f)];
}

// 5. Aspects, recomputed from scratch every frame.
void updateAspects(RouteContext& ctx) {
    RouteState& r = ctx.route;
    const data::LineData& line = ctx.line;
    const int n =
        static_cast<int>(std::min({line.Signal.size(), line.Signal2.size(), r.Aspect.size()}));
    if (n == 0) return;
    const int highest = std::max(0, static_cast<int>(line.Speed_Signal.size()) - 1);
    auto aspect = [&r](int i) -> int& { return r.Aspect[static_cast<std::size_t>(i)]; };
    auto sig = [&line](int i) -> const data::SignalRecord& {
        return line.Signal[static_cast<std::size_t>(i)];
    };

    for (int i = 0; i < n; ++i) aspect(i) = highest;

    // The signal that protects the preceding train: the last one behind it.
    int p = 0;
    const int pre = r.Pre.Position;
    if (pre != 0) {
        for (int i = n - 1; i >= 1; --i) {
            if (sig(i - 1).Frame < pre && pre <= sig(i).Frame) {
                p = i - 1;
                break;
            }
        }
        // A repeater cannot protect: protection moves back to the first signal with a head.
        while (p > 0 && isRepeater(sig(p).HeadType)) --p;
        if (p > 0) aspect(p) = 0;
    }
    r.ProtectedSignal = p;

    // Back from the protected signal, each signal answers the aspect of the one ahead.
    int a = 0;
    const int offset = r.AlternativeRoute ? 5 : 0;
    for (int j = p - 1; j >= 0; --j) {
        if (a == highest) break;
        if (isRepeater(sig(j).HeadType)) {
            aspect(j) = aspect(j + 1);
            continue;
        }
        // Each route table has five digits, for aspects 0 … 4 ahead.
        const int digit = line.Signal2[static_cast<std::size_t>(j)]
                              .Digits[static_cast<std::size_t>(offset + std::clamp(a, 0, 4))];
        aspect(j) = clampAspect(digit, highest);
        a = aspect(j);
    }

    // Control kinds (they do not propagate).
    const bool stationClip = ctx.video.VideoMode == kVideoStationClip;
    for (int i = 0; i < n; ++i) {
        const data::SignalRecord& s = sig(i);
        int value = aspect(i);
        if (s.Control == 1 && r.Clock < s.ClockTime) {
            value = s.FixedAspect;
        } else if (stationClip) {
            value = s.FixedAspect;
        } else {
            // A starting signal that has not been released shows its fixed aspect; an override
            // applies only once it is released.
            bool held = false;
            if (s.Control >= 3) {
                const bool released = s.ReleaseStation >= 0 &&
                                      s.ReleaseStation < static_cast<int>(line.Station.size()) &&
                                      line.Station[static_cast<std::size_t>(s.ReleaseStation)]
                                          .Progress.DepartureSignalled &&
                                      r.Clock >= s.ClockTime;
                held = !released;
            }
            if (held) {
                value = s.FixedAspect;
            } else if (s.OverrideAspect != 0) {
                value = s.OverrideAspect;
            } else if (s.Control == 2) {
                value = s.FixedAspect;
            }
        }
        aspect(i) = clampAspect(value, highest);
    }
}

// 6. The signal in view, its sprites and the passing of signals.
void updateSignalInView(RouteContext& ctx) {
    RouteState& r = ctx.route;
    const data::LineData& line = ctx.line;
    const int n = static_cast<int>(std::min(line.Signal.size(), r.Aspect.size()));
    const int pos = r.RoutePosition;
    const bool cab = cabSignalling(ctx);
    for (int i = 0; i < n; ++i) {
        const data::SignalRecord& s = line.Signal[static_cast<std::size_t>(i)];
        const int frame =
            displayFrameFor(s.HeadType, r.Aspect[static_cast<std::size_t>(i)], ctx.spec.MaxSpeed);
        r.DisplayFrame[static_cast<std::size_t>(i)] = frame;
        const bool inView = s.ViewFrame <= pos && pos < s.Frame;
        if (inView) {
            r.CurrentDisplayFrame = frame;
            r.CurrentSignal = i;
            if (r.CurrentDisplayFrame != r.PreviousDisplayFrame) {
                if (cab) {
                    showCabSignal(ctx, s, frame);
                } else {
                    showLinesideSignal(ctx, s, frame);
                }
                r.PreviousDisplayFrame = r.CurrentDisplayFrame;
                r.CurrentSignalCall = s.CallValue;
                pushAspectCall(r, frame);
                r.AspectCallSignal = i;
            }
            if (ctx.onSignalInView) ctx.onSignalInView(i);
        }
        if (inFrameWindow(pos, s.Frame, kPassingFrames)) {
            clearSignalSprites(r.signalSprites);
            r.CurrentSignalCall = kNone;
            if (!cab) {
                r.CurrentDisplayFrame = kNone;
                r.PreviousDisplayFrame = kNone;
            }
            r.CurrentSignal = kNone;
            // Calls of a passed signal are no longer worth making.
            if (r.AspectCallSignal == i) {
                r.PendingAspectCount = 0;
                r.AspectCallSignal = kNone;
            }
        }
    }
}

void ResetSignalCalls(RouteState& r) {
    r.CurrentSignal = kNone;
    r.CurrentDisplayFrame = kNone;
    r.PreviousDisplayFrame = kForceSignalUpdate;
    r.CurrentSignalCall = kNone;
    r.PendingAspectCount = 0;
    r.AspectCallSignal = kNone;
}

}  // namespace tressmoor::route
