// RouteState and VideoState: where the train is on the line and what the line shows around it.
#pragma once

#include <array>
#include <climits>
#include <cstdint>
#include <string>
#include <vector>

#include "data/fixed4.h"

namespace tressmoor::route {

using data::fixed4;

/// "None" value of signal indices, display frames, sign patterns and call values.
inline constexpr int kNone = 999;
/// Previous display frame after a run start: differs from every real frame and from kNone, so
/// the first signal in view always updates its sprites.
inline constexpr int kForceSignalUpdate = 1000;
/// Room of the active crossing list.
inline constexpr int kActiveCrossingSlots = 11;
/// Empty place of the active crossing list.
inline constexpr int kNoCrossing = -1;
/// Approach board without a record.
inline constexpr int kBoardEmpty = 9;
/// Pending other call that runs the time check instead of a wave.
inline constexpr int kTimeCheckCall = 900;
/// Room of the pending aspect-call list.
inline constexpr int kPendingAspectSlots = 8;

/// a + b held within the int range: frame windows and patterns come from data files, where any
/// 32-bit value can stand.
inline int addSat(int a, long long b) {
    const long long sum = static_cast<long long>(a) + b;
    if (sum > INT_MAX) return INT_MAX;
    if (sum < INT_MIN) return INT_MIN;
    return static_cast<int>(sum);
}

/// True when first ≤ pos < first + length, computed without overflow.
inline bool inFrameWindow(int pos, int first, long long length) {
    return first <= pos && static_cast<long long>(pos) < static_cast<long long>(first) + length;
}

/// Clock ticks (1/30 s) per step of the 0.1-second counter.
inline constexpr std::int64_t kTicksPerTenth = 3;

/// The one-second blink of the panel indicators (the stop lamp): from the 0.1-second counter
/// (clock ÷ 3) a lamp lights at every multiple of 10 and goes dark at every odd multiple of 5;
/// between those it stays as it was (`lit`).
inline bool OneSecondBlink(std::int64_t clockTicks, bool lit) {
    const std::int64_t tenths = clockTicks / kTicksPerTenth;
    if (tenths % 10 == 0) return true;
    if (tenths % 10 == 5) return false;
    return lit;
}

/// One sprite as the route sets it: the view only draws it.
struct SpriteState {
    int pattern = 0;  ///< image cell
    int x = 0;        ///< px in the route view
    int y = 0;        ///< px
    bool visible = false;
};

/// The lineside signal sprites ("img_unten_signal", "_S", "_L", "_R", the extra sub-signal) and
/// the cab-signal indicator of the panel.
struct SignalSprites {
    SpriteState main;       ///< "img_unten_signal": the head, display frame as pattern
    SpriteState subPlate;   ///< "img_unten_signal_S"
    SpriteState left;       ///< "img_unten_signal_L"
    SpriteState right;      ///< "img_unten_signal_R"
    SpriteState extra;      ///< the extra sub-signal
    SpriteState cabSignal;  ///< the [Lamp_signal] strip of the panel (cab-signal trains)
};

/// One approach board: the next limit or check ahead and the distance needed to brake to it.
struct ApproachBoard {
    int state = kBoardEmpty;  ///< 0 = filled, kBoardEmpty = no record
    int index = -1;           ///< record index ([SpeedLimit] or [SpeedCheck1])
    int speed = 0;            ///< km/h the board announces
    std::int64_t toRun = 0;   ///< cm still to run to the record
    std::int64_t needed = 0;  ///< cm needed to brake to `speed` from the present speed
    int signPattern = 0;      ///< limit-sign pattern of the record (limit boards)
};

/// Boards A and B (speed limits) and two point-check boards.
enum BoardIndex : int { kBoardA = 0, kBoardB = 1, kBoardCheck1 = 2, kBoardCheck2 = 3 };

/// The six-phase cycle of one road traffic signal.
struct TrafficCycle {
    int phase = 0;                 ///< current phase, 0 … 5
    std::array<int, 6> counter{};  ///< updates left per phase
    bool changed = false;          ///< the phase changed in the last update
};

/// The preceding train of [Pre_Train].
struct PrecedingTrain {
    int Position = 0;             ///< frame; 0 = no preceding train
    long double Speed = 0;        ///< km/h of its present step; 0 while it waits
    long double Accumulator = 0;  ///< frames × km/h owed to the position
    bool Moving = false;          ///< it ran in the last update
    int StatusStation = -1;       ///< station × 2 + 1 when running: what the line shows; −1 none
    std::string StatusLine;       ///< "(A～B)" or "(A停車中 n秒遅延)"; "" off the table
};

/// Route state the rest of the frame reads. All positions are route-video frames, distances cm
/// along the line, speeds km/h, times ticks of 1/30 s.
struct RouteState {
    // Where the train is.
    int RoutePosition = 0;             ///< frame of the route video at the cab
    long double LineDistance = 0;      ///< cm along the line (the physics step adds speed × time)
    std::int64_t Clock = 0;            ///< ticks of 1/30 s since midnight (108000 per hour)
    long double ClockRemainderMs = 0;  ///< ms of simulated time not yet turned into a tick
    /// cm still to run to the next stop position; written by the station logic each frame
    /// (negative after an overrun). The timing-point signs read it.
    long double RemainingDistance = 0;

    // Section maximum speed.
    int SectionMaxSpeed = 0;     ///< km/h, field 9 of the station behind the train
    std::string SectionMaxText;  ///< "最高" + SectionMaxSpeed

    // Gradient.
    fixed4 Gradient;                     ///< per mille under the route position, 0 level
    std::vector<int> GradientHistory;    ///< per mille, one per car, newest first
    long double LastSampleDistance = 0;  ///< cm at the last history sample
    fixed4 EffectiveGradient;            ///< per mille, mean of the history (for the force)
    std::string GradientText;            ///< signed, e.g. "+10.0", or "L"
    std::string GradientTextUnsigned;    ///< e.g. "10.0", or "L"
    SpriteState slopePost;               ///< "img_unten_slope"

    // Signals.
    std::vector<int> Aspect;        ///< per signal, index into [Speed_Signal]; 0 = stop
    std::vector<int> DisplayFrame;  ///< per signal, pattern of its head; 0 for head type −1
    int ProtectedSignal = 0;        ///< signal held at stop by the preceding train; 0 = none
    int CurrentSignal = kNone;      ///< signal in view
    int CurrentDisplayFrame = kNone;
    int PreviousDisplayFrame = kForceSignalUpdate;
    int CurrentSignalCall = kNone;  ///< field 3 of the signal in view
    bool AlternativeRoute = false;  ///< digits 5–9 of [Signal2]; toggled by the Escape key
                                    ///< (its [Signal_Suppress] lamp shows while it is on)
    SignalSprites signalSprites;

    // Road traffic signals.
    std::vector<TrafficCycle> Traffic;  ///< per [TrafficSignal] record
    SpriteState trafficSprite;
    SpriteState trafficSprite2;
    int TrafficInView = -1;  ///< record whose window holds the route position; −1 none

    // Speed limits and approach boards.
    int CurrentLimit = 0;          ///< km/h; 0 = none
    int LimitSignPattern = kNone;  ///< pattern on the limit sign; kNone = none
    SpriteState limitSign;         ///< "img_unten_limit"
    std::array<ApproachBoard, 4> Boards;
    bool BoardAhead = false;  ///< board A's sign is shown in advance

    // Animated objects and other signs.
    int AnimRecord = -1;     ///< record whose window holds the position; −1 none
    int AnimCounter = 0;     ///< updates the present step has been held
    int AnimStep = 0;        ///< 0 … 13
    int AnimShownStep = -1;  ///< step last put on the sprite; −1 none
    SpriteState animSprite;
    int OtherSignPattern = kNone;  ///< pattern of "img_unten_other"; kNone = hidden
    int SignCounter = 0;           ///< updates inside the present sign window
    SpriteState otherSign;

    // Crossings.
    std::array<int, kActiveCrossingSlots> ActiveCrossings;  ///< [Cross] indices, oldest first
    int ShownCrossing = kNoCrossing;  ///< oldest active crossing at the last indicator update
    SpriteState crossIndicator;       ///< "img_unten_cross"
    bool CrossLamp = false;           ///< the crossing's station-bound lamp
    std::string DistanceText;         ///< [Stops] word + metres + "m"; "" nothing ahead
    int DistanceTextMetres = -1;      ///< metres in DistanceText; −1 when empty
    bool TrafficChanged = false;      ///< a traffic signal in view changed phase this frame

    // Overhead line.
    int LineVoltage = 1500;  ///< V; the physics step and the voltmeter read it (no file sets it)

    // Tunnels.
    bool InTunnel = false;  ///< the line distance lies strictly inside a [Tunnel] section
    int TunnelLevel = 0;    ///< the section's value, ramped over 15 m at both ends

    // The preceding train.
    PrecedingTrain Pre;

    // Calls pending for the call key.
    std::array<int, kPendingAspectSlots> PendingAspect{};  ///< call slots, head first
    int PendingAspectCount = 0;
    int PendingOtherCall = kNone;   ///< [OtherKanko] index, kTimeCheckCall, or kNone
    int PendingLimitCall = kNone;   ///< [LimitKanko] index, or kNone
    bool LimitCallEnable1 = false;  ///< the limit's own sign is in view
    bool LimitCallEnable2 = false;  ///< the limit's approach board is shown in advance
    int AspectCallSignal = kNone;   ///< signal whose aspect call was put on the pending list
};

/// What the route video is showing.
enum VideoModeValue : int {
    kVideoMain = 0,         ///< the main video
    kVideoStationClip = 1,  ///< a clip shown while the train stands at a station (real time)
    kVideoTrackClip = 2,    ///< a clip that replaces a stretch of the main video
    kVideoSwitching = 9,    ///< a file is being changed
};

/// Which file a frame fetch reads.
enum class VideoFile : std::uint8_t { Main, Clip };

/// One decode the frame asks for: frame `frame` of the open file.
struct FetchRequest {
    bool pending = false;
    VideoFile file = VideoFile::Main;
    int frame = 0;
};

/// A stop-position line over the route view.
struct StopLine {
    bool visible = false;
    int y = -100;       ///< px; −100 above the view when hidden
    int thickness = 0;  ///< px
};

/// Route-video playback state. Frames are 32-bit frame numbers counted from 0.
struct VideoState {
    int PreviousFrame = 0;              ///< route position after the previous frame's advance
    long double FrameAccumulator = 0;   ///< video frames owed, in frames × km/h
    long double ProjectedSpeed = 0.1L;  ///< km/h of the recording train here; never 0 when used
    int MainFrameCount = 0;             ///< frames of the main video
    int VideoMode = kVideoMain;         ///< VideoModeValue
    int ClipFrame = 0;                  ///< frame of the inserted clip being shown
    int ClipBase = 0;                   ///< route position at which the clip started
    int ClipLength = 0;                 ///< frames of the current clip
    int ClipRecord = -1;                ///< [MovieSwitch] record of the current clip; −1 none
    int LastFetched = -1;               ///< frame last decoded; −1 forces the next fetch
    bool FetchBusy = false;             ///< a decode is running
    bool MovieStopBackward = false;     ///< movie stops act on backward running
    bool StepEnabled = true;            ///< physics step allowed (false while a file changes)
    bool VideoOpen = false;             ///< a usable video file is open
    int Segment = -1;                   ///< [SpeedUnit] segment of the route position; −1 none
    long double ClipTickRemainder = 0;  ///< ms of frame time not yet turned into a clip frame
    FetchRequest fetch;                 ///< the decode this frame asks for
    bool MovieStopped = false;          ///< a movie stop held the train this frame

    // Overlays.
    std::array<StopLine, 3> stopLines;  ///< near ("teimokuS"), stop ("teimokuM"), far ("teimokuE")
    SpriteState remain;                 ///< "img_unten_remain"
};

}  // namespace tressmoor::route
