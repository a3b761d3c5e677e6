// SafetyState: the automatic train stop (bell family and pattern family) and its log.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <string_view>

namespace tressmoor::route {

/// Check value with nothing pending.
inline constexpr int kCheckNone = 999;
/// Check value of a stop alarm raised by a signal's coil.
inline constexpr int kCheckStopAlarm = 998;
/// Check value of a stop check (signal at stop in the speed-check window).
inline constexpr int kCheckStop = 0;
/// Target index with no active pattern target.
inline constexpr int kNoTarget = 999;

/// States of the pattern family.
enum PatternStateValue : int {
    kPatternNone = 0,      ///< no pattern action
    kPatternApproach = 1,  ///< approach warning
    kPatternBrake = 2,     ///< braking
    kPatternStop = 3,      ///< stop braking
};

/// Braking-pattern constants.
inline constexpr int kSignalTargetSpeed = 10;         ///< km/h at a stop-signal target
inline constexpr int kLimitMargin = 5;                ///< km/h added to a limit target
inline constexpr long double kTargetMargin = 1000;    ///< cm before a target (10 m)
inline constexpr long double kWarningOffset = 5000;   ///< cm of the warning pattern (50 m)
inline constexpr long double kPatternDecel = 3.5L;    ///< km/h/s
inline constexpr long double kTargetHorizon = 60000;  ///< cm; targets further ahead are ignored

/// Lamps of the safety system; the panel only draws them.
struct SafetyLamps {
    bool Ats1 = false;   ///< [Lamp_Ats1]: the safety system is on
    bool Ats2 = false;   ///< [Lamp_Ats2]: alarm
    bool Ats3 = false;   ///< [Lamp_Ats3]: acknowledged
    bool ATSP1 = false;  ///< [Lamp_ATSP1]: pattern approach
    bool ATSP2 = false;  ///< [Lamp_ATSP2]: pattern brake
    /// Times the alarm has hidden the cab aspect lamps [Lamp_YG], [Lamp_Y] and [Lamp_YY] (it
    /// counts up at every alarm start); the panel keeps them dark from a new count until it sets
    /// the aspect lamps again for another signal or aspect.
    std::uint32_t CabAspectHides = 0;
};

/// The safety system's lines for the value display window: the newest kLogLines are kept.
class SafetyLog {
public:
    static constexpr std::size_t kLogLines = 200;

    /// Appends one line and hands it to the event sink.
    void add(std::string line);
    const std::deque<std::string>& lines() const { return lines_; }
    /// Lines added since the drive began (the ones dropped from the front included).
    std::uint64_t total() const { return total_; }
    void clear() { lines_.clear(); }

    /// Called with every new line (the headless runner writes it to its events file).
    std::function<void(std::string_view)> onLine;

private:
    std::deque<std::string> lines_;
    std::uint64_t total_ = 0;
};

/// The safety system's part of the driving state. Speeds km/h, distances cm, times ms.
struct SafetyState {
    bool On = true;                     ///< the safety system is switched on
    bool AlarmRinging = false;          ///< the alarm bell rings
    bool Acknowledged = false;          ///< the driver acknowledged; the chime is due
    int AlarmTimer = 0;                 ///< ms since the alarm started
    int CheckValue = kCheckNone;        ///< 999 none, 998 stop alarm, 0 stop check, else km/h
    int StoredCheckValue = kCheckNone;  ///< check value when the alarm started

    int PatternState = kPatternNone;          ///< PatternStateValue
    int PreviousPatternState = kPatternNone;  ///< at the end of the last frame
    int TargetSpeed = 0;                      ///< km/h; section maximum + 10 = no target
    long double TargetDistance = 0;           ///< cm; 0 with no target
    int TargetIndex = kNoTarget;              ///< index into the pattern target list
    int TargetType = 0;  ///< type of the active target (1 limit, 2 signal, 3 station)
    int PatternB = 0;    ///< brake pattern, km/h
    int PatternW = 0;    ///< warning pattern, km/h
    /// Target and beacon window of the last reception logged (target × 10 + window); −1 none.
    /// A target is logged once per beacon, not once per frame inside it.
    int LastReception = -1;

    /// The service demand was set by the window speed check (withdrawn there again).
    bool ServiceBySpeedCheck = false;
    /// Speed the cab indicator ([Lamp_signal]) shows for the speed checks; −1 hidden.
    int CabIndicatorSpeed = -1;
    /// Aspect index of that speed in [Speed_Signal]; −1 when hidden or not listed.
    int CabIndicatorAspect = -1;

    bool SafetyKeyWasHeld = false;  ///< the held safety key of the last frame
    /// Signal whose coil has acted on the present pass over it; −1 none.
    int CoilSignal = -1;

    SafetyLamps Lamps;
    SafetyLog Log;
};

}  // namespace tressmoor::route
