// LineData: one service on one line — stations, signals, gradients, limits, checks, signs,
// sounds, the route video's speed table, and the distances derived from them.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "data/fixed4.h"

namespace tressmoor::data {

// Units used below: frame = frame number of the route video (the route position); cm = distance
// along the line from the start of the video; sound = index into SoundData; ticks = clock ticks
// of 1/30 s (108000 per hour); call slot = index into the call waves (KankoSound1/KankoSound2).

// ---------------------------------------------------------------------------------------------
// Capacities: entries of a list beyond its capacity are not stored.

inline constexpr int kStationCapacity = 501;
inline constexpr int kSignalCapacity = 501;
inline constexpr int kSpeedSignalCapacity = 11;
inline constexpr int kSlopeCapacity = 1000;
inline constexpr int kSpeedLimitCapacity = 1000;
inline constexpr int kSpeedCheckCapacity = 1000;  ///< each of SpeedCheck1, 2 and 3
inline constexpr int kPreTrainStepCapacity = 999;
inline constexpr int kSpeedUnitCapacity = 1000;
inline constexpr int kCrossCapacity = 1000;
inline constexpr int kSignCapacity = 1000;
inline constexpr int kAnimCapacity = 1000;
inline constexpr int kTimeCapacity = 100;
inline constexpr int kSwitchCapacity = 1000;
inline constexpr int kMovieStopCapacity = 100;
inline constexpr int kMovieSwitchCapacity = 100;
inline constexpr int kTrafficSignalCapacity = 1000;
inline constexpr int kSoundDataCapacity = 501;
inline constexpr int kSoundCapacity = 501;
inline constexpr int kSound2Capacity = 501;
inline constexpr int kDopplerCapacity = 500;
inline constexpr int kTunnelCapacity = 501;
inline constexpr int kAttenCapacity = 501;
inline constexpr int kStopSoundCapacity = 1000;
inline constexpr int kAnnounceCapacity = 98;
inline constexpr int kSignalKankoCapacity = 501;
inline constexpr int kStationKankoCapacity = 501;
inline constexpr int kOtherKankoCapacity = 1000;
inline constexpr int kLimitKankoCapacity = 1000;
inline constexpr int kStafSwitchCapacity = 10;  ///< the first line's value included
inline constexpr int kAnimImageCapacity = 1000;
inline constexpr int kTrafficSignalImageCapacity = 1000;

/// Number of call slots read by [KankoSound1]; [KankoSound2] continues from this slot.
inline constexpr int kKankoSound1Count = 22;
/// Room of the call table (slots 0 … 499).
inline constexpr int kCallSlotCapacity = 500;
inline constexpr int kKankoSound2Capacity = kCallSlotCapacity - kKankoSound1Count;

/// Number of images of [SignImageList], in file order.
inline constexpr int kSignImageCount = 9;
/// Number of sub-signal images of [SignalImageList] (after its main-signal line).
inline constexpr int kSubSignalImageCount = 3;

/// Picture names of the [SignImageList] images, in file order.
inline constexpr std::array<const char*, kSignImageCount> kSignImageNames = {
    "img_unten_teimoku",  "img_unten_teimokuS", "img_unten_teimokuM",
    "img_unten_teimokuE", "img_unten_slope",    "img_unten_limit",
    "img_unten_remain",   "img_unten_cross",    "img_unten_other"};
/// Message shown when the [SignImageList] image of the same index cannot be loaded.
inline constexpr std::array<const char*, kSignImageCount> kSignImageErrors = {
    "停目の生成エラー",         "停止線Sの生成エラー",    "停止線Mの生成エラー",
    "停止線Eの生成エラー",      "勾配標の生成エラー",     "制限標の生成エラー",
    "残り距離表示の生成エラー", "踏切表示灯の生成エラー", "その他標識の生成エラー"};
/// Picture names of the main signal image and the sub-signal images of [SignalImageList].
inline constexpr const char* kSignalImageName = "img_unten_signal";
inline constexpr std::array<const char*, kSubSignalImageCount> kSubSignalImageNames = {
    "img_unten_signal_S", "img_unten_signal_L", "img_unten_signal_R"};
/// Messages for the main signal image and the sub-signal images that cannot be loaded.
inline constexpr const char* kSignalImageError = "信号機の生成エラー";
inline constexpr std::array<const char*, kSubSignalImageCount> kSubSignalImageErrors = {
    "サブ信号機0の生成エラー", "サブ信号機1の生成エラー", "サブ信号機2の生成エラー"};
/// Picture name of the monitor image.
inline constexpr const char* kMonitorImageName = "img_mon";

/// Value of a pattern target's signal or station index when the target has none.
inline constexpr int kNoIndex = -1;

// ---------------------------------------------------------------------------------------------
// Fixed sections.

/// [Perspective]: a stop marker d metres ahead is drawn at y = view height − d ÷ (d + P) × H.
struct PerspectiveSetting {
    double P = 0;  ///< first value line, m
    int H = 0;     ///< second value line, px
};

/// [OneMan].
struct OneManSetting {
    int Mode = 0;      ///< 0 = conductor on board; 1 or more = one-man operation
    int ShowInfo = 0;  ///< 1 = show the one-man information line
};

/// [Monitor]: the monitor image of the loaded train; Present only when a [Monitor] section named
/// the loaded train file.
struct MonitorImage {
    bool Present = false;
    int X = 0;              ///< px
    int Y = 0;              ///< px
    int PatternWidth = 0;   ///< px
    int PatternHeight = 0;  ///< px
    std::string File;       ///< picture file, registered as "img_mon"
};

/// One line of [SignImageList].
struct SignImage {
    std::string File;     ///< field 1; "" = none
    int PatternSize = 0;  ///< field 2, px
};

/// One sub-signal line of [SignalImageList].
struct SubSignalImage {
    int Width = 0;   ///< px
    int Height = 0;  ///< px
    std::string File;
};

/// [SignalImageList]: the main signal image and its sub-signal images.
struct SignalImages {
    int X = 0;       ///< px, added to every signal's x
    int Y = 0;       ///< px, added to every signal's y
    int Width = 0;   ///< px
    int Height = 0;  ///< px
    std::string File;
    std::array<SubSignalImage, kSubSignalImageCount> Sub;  ///< "_S", "_L", "_R"
};

// ---------------------------------------------------------------------------------------------
// List records. Fields are named for their meaning; the comment gives the field number.

/// Progress of a station during a run; all cleared when a run starts.
struct StationProgress {
    bool InZone = false;              ///< entered the station zone and not yet left it
    bool Arrived = false;             ///< the arrival sequence has run (or the run started here)
    bool DepartureSignalled = false;  ///< the departure sound has started
    bool DoorsClosedForDeparture = false;  ///< the door-closing step of the departure has run
    bool OneManStopNoted = false;          ///< one-man: came to rest with doors closed
};

/// One [Station] line.
struct StationRecord {
    std::string Name;            ///< 1
    int Kind = 0;                ///< 2: 0 stop with doors, 1 pass, 2 stop without doors, 3 stop
                                 ///<    with the first InfoLabel text as next-station line
    int StopFrame = 0;           ///< 3: frame of the stop position
    int ZoneHalfLength = 0;      ///< 4: cm, half length of the station zone
    int ArrivalSound = 0;        ///< 5: sound
    int DepartureSound = 0;      ///< 6: sound (departure melody)
    int AmbientSound = 0;        ///< 7: sound, looped within 20 m of the stop position
    int DepartureTime = 0;       ///< 8: ticks; 0 = no timetable time
    int MaxSpeed = 0;            ///< 9: km/h, section maximum to the next station
    int OverrunAllowance = 0;    ///< 10: m beyond the stop position; 0 = no stop pattern
    int DoorSide = 0;            ///< 11: 1 = alternative door-side indicator in the zone
    std::array<int, 3> Kept{};   ///< 12–14: kept
    int DoorSoundChance = 0;     ///< 15: percent, one-man door-sound chance
    int PrecedingStopFrame = 0;  ///< 16: frame, the preceding train's stop position
    int Kept17 = 0;              ///< 17: kept

    // Derived.
    std::int64_t StopDistance = 0;  ///< cm of StopFrame
    std::int64_t ZoneStart = 0;     ///< cm, StopDistance − ZoneHalfLength
    std::int64_t ZoneEnd = 0;       ///< cm, StopDistance + ZoneHalfLength

    StationProgress Progress;  ///< run-time
};

/// One [Signal] line.
struct SignalRecord {
    int Control = 0;           ///< 1: 0 automatic; 1 FixedAspect until ClockTime; 2 always
                               ///<    FixedAspect; 3+ FixedAspect until ReleaseStation departs
                               ///<    and the clock reaches ClockTime
    int SubPlatePattern = 0;   ///< 2
    int CallValue = 0;         ///< 3: handed to the call logic
    int HeadType = 0;          ///< 4: 0 repeater, −1 no head, 1–8 block heads, 9 cab signal
    int ViewFrame = 0;         ///< 5: frame from which the signal is drawn and in force
    int Frame = 0;             ///< 6: frame of the signal itself
    int CoilFrame = 0;         ///< 7: frame of the stop-alarm coil
    int CheckFrame = 0;        ///< 8: frame where the 20-frame speed-check window starts
    int FixedAspect = 0;       ///< 9: aspect for control kinds 1 to 3
    int ClockTime = 0;         ///< 10: ticks
    int OverrideAspect = 0;    ///< 11: 0 = none
    int ReleaseStation = 0;    ///< 12: station index
    int X = 0;                 ///< 13: px, plus the SignalImageList offset
    int Y = 0;                 ///< 14: px
    int LeftPattern = 0;       ///< 15: 0 = none
    int LeftX = 0;             ///< 16: px
    int LeftY = 0;             ///< 17: px
    int RightPattern = 0;      ///< 18: 0 = none
    int RightX = 0;            ///< 19: px
    int RightY = 0;            ///< 20: px
    int SubPlateX = 0;         ///< 21: px
    int SubPlateY = 0;         ///< 22: px
    int ExtraPattern = 0;      ///< 23: extra sub-signal; 0 = none
    int LeftStopPattern = 0;   ///< 24: left pattern while at stop; 0 = keep LeftPattern
    int RightStopPattern = 0;  ///< 25: right pattern while at stop; 0 = keep RightPattern
};

/// One [Signal2] line: Digits[a] (a = 0 … 4) is the aspect this signal shows when the next
/// signal shows aspect a; Digits[5 + a] the same with the alternative route set.
struct Signal2Record {
    std::array<int, 10> Digits{};
};

/// One [Slope] line; the line is level outside every section.
struct SlopeRecord {
    fixed4 Gradient;     ///< 1: per mille, positive uphill
    int StartFrame = 0;  ///< 2
    int EndFrame = 0;    ///< 3
};

/// One [SpeedLimit] line.
struct SpeedLimitRecord {
    int Limit = 0;           ///< 1: km/h
    int SignPattern = 0;     ///< 2
    int TargetType = 0;      ///< 3: 1 = guarded by a speed-check pattern, 0 = none
    int StartFrame = 0;      ///< 4
    int EndFrame = 0;        ///< 5
    int EndSignPattern = 0;  ///< 6: shown 200 frames after EndFrame; 0 = none

    std::int64_t StartDistance = 0;  ///< derived: cm of StartFrame
};

/// One [SpeedCheck1] line (point check).
struct SpeedCheck1Record {
    int DisplaySpeed = 0;  ///< 1: km/h, shown on the approach board
    int CheckSpeed = 0;    ///< 2: km/h
    int Frame = 0;         ///< 3: frame of the check point
    int Signal = 0;  ///< 4: signal index; the check applies only while it shows stop; 0 = always

    std::int64_t CheckDistance = 0;  ///< derived: cm of Frame
    bool Made = false;               ///< run-time: the check has been made
};

/// One [SpeedCheck2] or [SpeedCheck3] line (window check).
struct WindowCheckRecord {
    int CheckSpeed = 0;  ///< 1: km/h
    int Ignored = 0;     ///< 2
    int FirstFrame = 0;  ///< 3
    int LastFrame = 0;   ///< 4

    std::int64_t CheckDistance = 0;  ///< derived: cm of FirstFrame
};

/// One step of the preceding train.
struct PreTrainStep {
    int Station = 0;                 ///< 1: station the preceding train leaves at this step
    int Speed = 0;                   ///< 2: km/h
    int TimetableTime = 0;           ///< 3: ticks, as written
    int DelayRange = 0;              ///< 4: ticks; the step's own delay is 0 … DelayRange − 1
    std::int64_t Delay = 0;          ///< ticks, the delays accumulated up to this step
    std::int64_t DepartureTime = 0;  ///< ticks, TimetableTime + Delay
};

/// [Pre_Train].
struct PreTrain {
    int StartFrame = 0;  ///< header field 1: position at the start of the run
    int ExitFrame = 0;   ///< header field 2: beyond it the preceding train has left the line
    std::vector<PreTrainStep> Steps;
};

/// One [SpeedUnit] segment of the route video's speed table.
struct SpeedUnitSegment {
    int FirstFrame = 0;          ///< 1
    int LastFrame = 0;           ///< 2
    long double FirstSpeed = 0;  ///< 3: km/h of the recording train at FirstFrame
    long double LastSpeed = 0;   ///< 4: km/h at LastFrame

    std::int64_t EndDistance = 0;  ///< derived: cm from the start of the video to LastFrame
};

/// One [Cross] line (level crossing).
struct CrossRecord {
    int Pattern = 0;       ///< 1: crossing-indicator pattern
    int Kept = 0;          ///< 2
    int WarningFrame = 0;  ///< 3: the warning starts here
    int Frame = 0;         ///< 4: frame of the crossing
    int Station = 0;       ///< 5: shown only until this station's departure; 0 = always
};

/// One [Sign] line.
struct SignRecord {
    int Pattern = 0;     ///< 1
    int FirstFrame = 0;  ///< 2
    int LastFrame = 0;   ///< 3
    int ChangeOver = 0;  ///< 4: 1–999 updates, 1000+ clock ticks, 0 never
};

/// One [Anim] line; the animation cycles through 14 patterns from FirstPattern.
struct AnimRecord {
    int FirstFrame = 0;    ///< 1
    int LastFrame = 0;     ///< 2
    int Hold = 0;          ///< 3: updates each step is held
    int FirstPattern = 0;  ///< 4
};

/// One [Time] line (timing point).
struct TimeRecord {
    int FirstFrame = 0;  ///< 1
    int LastFrame = 0;   ///< 2
    int Value = 0;       ///< 3: handed to the on-time call
};

/// One [Switch] line (points).
struct SwitchRecord {
    int Frame = 0;  ///< 1
    int Type = 0;   ///< 2: matched against the train's [SwitchSound]
};

/// One [MovieSwitch] line (inserted clip).
struct MovieSwitchRecord {
    int Kind = 0;        ///< 1: 2 = clip shown while the train stands at a station
    int FirstFrame = 0;  ///< 2: window in which the clip can start
    int LastFrame = 0;   ///< 3
    std::string Clip;    ///< 4: clip file name without ".avi", in the video folder
    int ClipLength = 0;  ///< 5: frames
    int Station = 0;     ///< 6: the clip returns to this station's stop position
    int StartTime = 0;   ///< 7: ticks from which the clip may start
    int SoundFrame = 0;  ///< 8: clip frame at which its sound starts
    int Sound = 0;       ///< 9: sound

    bool Played = false;  ///< run-time: the change has been made
};

/// One phase of a road traffic signal.
struct TrafficPhase {
    int Pattern = 0;  ///< image pattern
    int Length = 0;   ///< updates
    int Flag = 0;
};

/// One [TrafficSignal] line.
struct TrafficSignalRecord {
    int Field1 = 0;                     ///< 1: kept
    int FirstFrame = 0;                 ///< 2
    int LastFrame = 0;                  ///< 3
    std::array<TrafficPhase, 6> Phase;  ///< 4–21
    int SecondLight = 0;                ///< 22: show the second light
    int Field23 = 0;                    ///< 23: kept
    int SecondPattern = 0;              ///< 24: pattern of the second light
    int Field25 = 0;                    ///< 25: kept
    int Field26 = 0;                    ///< 26: kept
};

/// One [Sound] line (positional sound trigger).
struct SoundRecord {
    int Sound = 0;           ///< 1
    int TriggerFrame = 0;    ///< 2
    int EndFrame = 0;        ///< 3
    int ReferenceSpeed = 0;  ///< 4: km/h
    int Loop = 0;            ///< 5
    int Pitch = 0;           ///< 6
    int Volume = 0;          ///< 7
    int Mode = 0;            ///< 8
    int Fade = 0;            ///< 9
};

/// One [Sound2] line: a looped sound over a run of stations.
struct Sound2Record {
    int Sound = 0;         ///< 1
    int FirstStation = 0;  ///< 2
    int LastStation = 0;   ///< 3
};

/// One [Doppler] line (moving sound source).
struct DopplerRecord {
    int Sound = 0;        ///< 1
    int SourceFrame = 0;  ///< 2
    int Radius = 0;       ///< 3: cm
    int NoDoppler = 0;    ///< 4: 1 = no pitch change
    int Condition = 0;    ///< 5: per-signal flag index; 0 = always

    std::int64_t SourceDistance = 0;  ///< derived: cm of SourceFrame
};

/// One [Tunnel] line.
struct TunnelRecord {
    int FirstFrame = 0;  ///< 1
    int LastFrame = 0;   ///< 2
    int Value = 0;       ///< 3: tunnel level inside the section

    std::int64_t FirstDistance = 0;  ///< derived: cm of FirstFrame
    std::int64_t LastDistance = 0;   ///< derived: cm of LastFrame
};

/// One [Atten] line.
struct AttenRecord {
    int FirstFrame = 0;   ///< 1
    int LastFrame = 0;    ///< 2
    int Kept = 0;         ///< 3
    int Attenuation = 0;  ///< 4: gain factor × 100
};

/// One list line of [Announce] (five integers; field 3 is the station index).
struct AnnounceRecord {
    std::array<int, 5> Values{};  ///< fields 1–5
};

/// [Announce]: the header line and the announcements, numbered from 1.
struct AnnounceList {
    int HeaderValue = 0;        ///< header field 1: kept
    int StopAnnounceSound = 0;  ///< header field 2: sound of the stop-position announcement
    std::vector<AnnounceRecord> Entries;  ///< Entries[j − 1] is announcement j

    /// Announcement j (1-based); nullptr when there is none.
    const AnnounceRecord* entry(int j) const {
        if (j < 1 || j > static_cast<int>(Entries.size())) return nullptr;
        return &Entries[static_cast<std::size_t>(j - 1)];
    }
};

/// One [SignalKanko] line.
struct SignalKankoRecord {
    int Signal = 0;    ///< 1: signal index
    int Kind = 0;      ///< 2: 0, 1 or 2
    int Value = 0;     ///< 3: ≤ 998 call slot, 999 the call key, ≥ 1000 scheduled time in ticks
    int Suppress = 0;  ///< 4
};

/// One [StationKanko] line.
struct StationKankoRecord {
    int Station = 0;  ///< 1: station index
    int Kind = 0;     ///< 2: step 0 to 5
    int Value = 0;    ///< 3: ≤ 998 call slot, 999 the call key, ≥ 1000 scheduled time in ticks
};

/// One target of the safety system's braking patterns.
struct PatternTarget {
    std::int64_t Distance = 0;  ///< cm
    int Speed = 0;              ///< km/h
    int Signal = kNoIndex;      ///< signal index (type 2)
    int Station = kNoIndex;     ///< station index (type 3)
    int Type = 0;               ///< 1 limit, 2 stop signal, 3 stop at station (0 = unguarded limit)
};

/// Length in cm of a [SpeedUnit] segment at `fps` video frames per second:
/// (FirstSpeed + LastSpeed) × (LastFrame − FirstFrame) ÷ (fps × 0.072), rounded to the nearest
/// cm (ties to even); 0 when fps is not positive.
std::int64_t speedUnitSegmentLength(const SpeedUnitSegment& segment, int fps);

// ---------------------------------------------------------------------------------------------

/// The line file of one service with its derived distances. Only the run-time fields
/// (StationRecord::Progress, SpeedCheck1Record::Made, MovieSwitchRecord::Played) change after
/// loading.
struct LineData {
    // Fixed sections.
    std::string LineName;             ///< [LineName]: window caption at a run start
    std::string LineName2;            ///< [LineName2]
    int StartPos = 0;                 ///< [StartPos]: frame
    std::array<std::string, 3> Staf;  ///< [Staf]: timetable-card pictures; "" = none
    fixed4 Friction;                  ///< [Friction]: adhesion coefficient
    std::vector<int> StafSwitch;      ///< [StafSwitch]: frames, at most 10
    std::string DataName;             ///< [DataName]: route video base name
    PerspectiveSetting Perspective;   ///< [Perspective]
    OneManSetting OneMan;             ///< [OneMan]
    MonitorImage Monitor;             ///< [Monitor], for the loaded train only
    int TunnelR = 0;                  ///< [TunnelR]: tunnel resistance coefficient
    int MaxSpeedCheck = 0;            ///< [MaxSpeedCheck]: 0 none, 1 service, 2 emergency
    std::array<std::string, kKankoSound1Count> KankoSound1;  ///< call slots 0–21; "" = empty
    std::array<SignImage, kSignImageCount> SignImageList;    ///< [SignImageList]
    SignalImages SignalImageList;                            ///< [SignalImageList]

    // Lists.
    std::vector<StationRecord> Station;  ///< index 0 = first station
    std::vector<SignalRecord> Signal;    ///< index 0 = first signal
    std::vector<Signal2Record> Signal2;  ///< same order as Signal
    std::vector<int> Speed_Signal;       ///< km/h per aspect, aspect 0 (stop) first
    std::vector<SlopeRecord> Slope;
    std::vector<SpeedLimitRecord> SpeedLimit;
    std::vector<SpeedCheck1Record> SpeedCheck1;
    std::vector<WindowCheckRecord> SpeedCheck2;  ///< window check, immediate alarm
    std::vector<WindowCheckRecord> SpeedCheck3;  ///< window check, safety service brake
    PreTrain Pre_Train;
    std::vector<SpeedUnitSegment> SpeedUnit;
    std::vector<CrossRecord> Cross;
    std::vector<SignRecord> Sign;
    std::vector<AnimRecord> Anim;
    std::vector<TimeRecord> Time;
    std::vector<SwitchRecord> Switch;
    std::vector<int> MovieStop;  ///< frames the video cannot be run past
    std::vector<MovieSwitchRecord> MovieSwitch;
    std::vector<TrafficSignalRecord> TrafficSignal;

    // Sounds and calls.
    std::vector<std::string> SoundData;  ///< ambient and event waves; index = sound
    std::vector<SoundRecord> Sound;
    std::vector<Sound2Record> Sound2;  ///< takes effect only with exactly one entry
    std::vector<DopplerRecord> Doppler;
    std::vector<TunnelRecord> Tunnel;
    std::vector<AttenRecord> Atten;
    std::vector<int> StopSound;  ///< kept
    AnnounceList Announce;
    std::vector<std::string> KankoSound2;  ///< call slots 22 upward: KankoSound2[k] = slot 22 + k
    std::vector<SignalKankoRecord> SignalKanko;
    std::vector<StationKankoRecord> StationKanko;
    std::vector<std::string> OtherKanko;  ///< other-call waves
    std::vector<std::string> LimitKanko;  ///< speed-limit call waves

    // Image lists.
    std::vector<std::string> AnimImageList;
    std::vector<std::string> TrafficSignalImageList;

    // Derived.
    int VideoFps = 0;  ///< frames/s of the route video (from the settings file), for distances
    /// Safety-system targets sorted by ascending distance; equal distances keep the order
    /// signals, limits, stations (each in file order).
    std::vector<PatternTarget> PatternTargets;

    /// cm along the line of a video frame, by the [SpeedUnit] table: the end distance of the
    /// segments before the frame's segment plus the distance covered at the mean recording speed
    /// from the segment's first frame, rounded to whole cm. A frame in no segment, or any frame
    /// while VideoFps is not positive, gives 0. Needs the segments' EndDistance (DeriveLineData).
    std::int64_t FrameToDistance(int frame) const;

    /// The call wave of a call slot (KankoSound1 then KankoSound2); "" when the slot is empty or
    /// beyond the table.
    const std::string& callWave(int slot) const;
    /// Slots in the call table: 22 + the length of KankoSound2.
    int callSlotCount() const { return kKankoSound1Count + static_cast<int>(KankoSound2.size()); }

    /// Clears the run-time flags (station progress, point checks made, clips played); called
    /// when a run starts.
    void clearRunFlags();
};

}  // namespace tressmoor::data
