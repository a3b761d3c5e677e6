// The drive report: how well the driver drove one run — stops, timekeeping, the safety devices,
// speeds against the limits, a score, and a speed-against-distance profile for a chart.
//
// A DriveReportBuilder watches the driving state once per processed frame, after the frame's
// update, and never changes it. What it measures:
//
// - Stop error (m, signed): line distance − the station's stop distance at the moment the
//   station logic records the arrival — when the doors open at a stop with doors (kind 0), when
//   the train comes to a stand in the station zone at a stop without door operation (kind 2 and
//   up). Positive: beyond the stop position; negative: short of it.
// - Arrival delay (s, late positive): the arrival against the latest arrival that still lets
//   the train leave on time, i.e. the timetable's departure time less the lengths of the
//   station's arrival sound and departure melody (the sequence that must run before the doors
//   close). Only at stations with a timetable time.
// - Departure delay (s, late positive): the first frame after the arrival (at the start station:
//   after the start) in which the train moves at 1 km/h or more, against the timetable's
//   departure time.
// - Overrun: the train passed a stop's stop position by more than the overrun tolerance (the
//   station's overrun allowance when the line gives one, else 5 m) before arriving there.
//   Passed: it left the station zone without arriving (and never came back to stop).
// - Safety devices, counted when they start: the safety system's alarm bell, its service-brake
//   and emergency-brake demands, and the vigilance device's emergency brake (when the train has
//   one).
// - Speed sections: each station's section maximum (from its stop position to the next
//   station's) and each [SpeedLimit] window (from the line distance of its first frame to that
//   of its end frame); the highest speed the train ran inside each.
//
// The score starts at 100 and loses:
//   - 2 points per metre by which a stop error exceeds 1 m (at most 20 per stop);
//   - 10 points per overrun, and another 20 per stop passed without stopping;
//   - at every station with a timetable time, 0.2 points per second by which the larger of the
//     arrival delay and the departure deviation (late or early) exceeds 10 s (at most 20 per
//     station);
//   - 5 points per alarm, 10 per safety service brake, 15 per safety emergency brake, 10 per
//     vigilance emergency brake;
//   - 5 points per speed section run more than 1 km/h above its limit;
// and is clamped to 0 … 100 and rounded to 0.1.
//
// A run restarted from the Move menu or restored from a save slot starts a new report (the
// restart is counted). Only a "whole-service" report — begun at the service's start station,
// never restarted, ended at the service end — may become the best score of the service.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "data/line_types.h"
#include "data/settings_store.h"
#include "sim/service.h"
#include "sim/sim_state.h"
#include "sound/sound_set.h"

namespace tressmoor::sim {

class DrivingSession;

/// What became of one stop of the run.
enum class StopOutcome {
    NotReached,  ///< the run ended before the train came there
    Start,       ///< the run started here
    Stopped,     ///< the train stopped and the station recorded its arrival
    Passed,      ///< the train left the zone without stopping
};

/// One stop (a station of kind 0, 2 or 3) between the run's start and the service's end.
struct StopResult {
    int station = 0;  ///< index in the line's station list
    std::string name;
    int kind = 0;
    long double stopCm = 0;     ///< stop distance
    long double zoneEndCm = 0;  ///< end of the station zone
    long double overrunToleranceCm = 500;
    std::optional<std::int64_t> arrivalDue;    ///< ticks; only with a timetable time
    std::optional<std::int64_t> departureDue;  ///< ticks; the timetable's departure time

    StopOutcome outcome = StopOutcome::NotReached;
    std::optional<double> stopErrorM;  ///< beyond the stop position positive
    std::optional<std::int64_t> arrivalClock;
    std::optional<std::int64_t> departureClock;
    std::optional<double> arrivalDelayS;    ///< late positive
    std::optional<double> departureDelayS;  ///< late positive
    bool overrun = false;
};

/// A stretch of line with one speed limit.
struct SpeedSection {
    enum class Kind { SectionMaximum, Limit };
    Kind kind = Kind::SectionMaximum;
    std::string label;  ///< "霧沢–東霧沢" or "制限65"
    int limitKmh = 0;
    long double startCm = 0;
    long double endCm = 0;  ///< exclusive
    bool visited = false;
    double maxSpeedKmh = 0;  ///< highest |speed| inside

    /// More than kOverspeedToleranceKmh above the limit.
    bool overspeed() const;
};

/// A point of the speed-against-distance profile.
struct SpeedSample {
    double distanceM = 0;
    double speedKmh = 0;
};

/// Starts of the safety devices' actions.
struct SafetyCounts {
    int alarms = 0;           ///< the alarm bell started
    int serviceBrakes = 0;    ///< the safety system demanded the service brake
    int emergencyBrakes = 0;  ///< the safety system demanded the emergency brake
    int vigilanceTrips = 0;   ///< the vigilance device braked
    bool vigilanceFitted = false;
};

/// Points taken off, by cause.
struct ScoreDeductions {
    double stopError = 0;
    double overrun = 0;
    double passed = 0;
    double time = 0;
    double safety = 0;  ///< alarms, safety brakes and vigilance trips
    double overspeed = 0;
    double total() const { return stopError + overrun + passed + time + safety + overspeed; }
};

struct DriveReport {
    std::string lineName;
    std::string lineFile;
    std::string trainFile;
    int serviceStartStation = 0;
    int startStation = 0;  ///< where this report's run began
    int endStation = 0;    ///< the service's last station
    bool serviceEnded = false;
    int restarts = 0;  ///< runs restarted or restored during the drive
    double drivenSeconds = 0;
    std::vector<StopResult> stops;
    std::vector<SpeedSection> sections;  ///< sections of the driven stretch
    SafetyCounts safety;
    std::vector<SpeedSample> profile;
    ScoreDeductions deductions;
    double score = 100;

    /// Begun at the service's start station, never restarted, ended at the service end.
    bool wholeService() const {
        return serviceEnded && restarts == 0 && startStation == serviceStartStation;
    }
};

// The scoring rule (see the comment at the top).
inline constexpr double kStopToleranceM = 1.0;
inline constexpr double kPointsPerStopMetre = 2.0;
inline constexpr double kMaxStopPoints = 20.0;
inline constexpr double kOverrunPoints = 10.0;
inline constexpr double kPassedPoints = 20.0;
inline constexpr double kTimeGraceS = 10.0;
inline constexpr double kPointsPerLateSecond = 0.2;
inline constexpr double kMaxTimePoints = 20.0;
inline constexpr double kAlarmPoints = 5.0;
inline constexpr double kServiceBrakePoints = 10.0;
inline constexpr double kEmergencyPoints = 15.0;
inline constexpr double kVigilancePoints = 10.0;
inline constexpr double kOverspeedPoints = 5.0;
inline constexpr double kOverspeedToleranceKmh = 1.0;
/// Overrun tolerance at stations whose line gives no overrun allowance, cm.
inline constexpr long double kDefaultOverrunToleranceCm = 500;
/// The profile never holds more samples than this; it thins itself out instead.
inline constexpr std::size_t kMaxProfileSamples = 4096;
/// Distance between profile samples at first, m (doubles when the profile thins out).
inline constexpr double kProfileSpacingM = 10.0;

/// Fills `report.deductions` and `report.score` from its stops, sections and safety counts.
void scoreReport(DriveReport& report);

/// The fixed part of a report: every stop and speed section of the line, before any driving.
struct ReportPlan {
    std::string lineName, lineFile, trainFile;
    int serviceStartStation = 0;
    int endStation = 0;  ///< the last station of the service
    bool vigilanceFitted = false;
    std::vector<StopResult> stops;       ///< every stop of the line, nothing measured
    std::vector<SpeedSection> sections;  ///< every section of the line, in line order
};

/// The plan of a drive of `line` with `choice`; `sounds` gives the station sounds' lengths.
ReportPlan planReport(const data::LineData& line, const sound::SoundSet& sounds,
                      const ServiceChoice& choice, bool vigilanceFitted);
/// The plan of a session's drive.
ReportPlan planReport(const DrivingSession& session);

/// Builds a report by watching the driving state frame after frame.
class DriveReportBuilder {
public:
    explicit DriveReportBuilder(ReportPlan plan);
    /// One processed frame of `frameMs`, after its update. `line` carries the stations' progress.
    void observe(const SimState& state, const data::LineData& line, long double frameMs);
    /// The same for a session.
    void observe(const DrivingSession& session, long double frameMs);
    /// The report so far, scored.
    DriveReport report() const;

private:
    void begin(const SimState& state);
    /// A new report of a run from `startStation`, the train standing at `d` cm.
    void startAt(int startStation, long double d);
    bool restarted(const SimState& state, const data::LineData& line, long double frameMs) const;
    void step(const SimState& state, const data::LineData& line);
    void sample(double distanceM, double speedKmh, bool force);
    void remember(const SimState& state, const data::LineData& line);

    ReportPlan plan_;
    DriveReport report_;
    bool begun_ = false;
    int restarts_ = 0;
    int awaitingDeparture_ = -1;  ///< index into report_.stops
    double spacingM_ = kProfileSpacingM;
    // The previous frame.
    long double lastDistance_ = 0;
    long double lastSpeed_ = 0;
    std::int64_t lastClock_ = 0;
    std::vector<bool> lastArrived_;
    bool lastAlarm_ = false, lastService_ = false, lastEmergency_ = false, lastVigilance_ = false;
};

/// Plain text, one line per item (English headings, the line's own names).
std::string reportText(const DriveReport& report);
/// A JSON object with every figure of the report (UTF-8, no trailing newline).
std::string reportJson(const DriveReport& report);
/// `text` as a JSON string literal, quotes included.
std::string jsonString(std::string_view text);

/// The settings-store name of a service's best score: "BestScore/" + line file + "/" + train
/// file, with "/" and "\" in the file names replaced by "_".
std::string bestScoreName(const std::string& lineFile, const std::string& trainFile);
/// The best score kept for the report's service; nullopt when none is kept.
std::optional<double> readBestScore(data::SettingsStore& store, const DriveReport& report);
/// Keeps the report's score as the service's best when it is a whole-service report that beats
/// the kept one (kept as tenths of a point). True when it became the best.
bool recordBestScore(data::SettingsStore& store, const DriveReport& report);

}  // namespace tressmoor::sim
