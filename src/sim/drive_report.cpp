#include "sim/drive_report.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "route/route_state.h"
#include "route/stations.h"
#include "sim/driving_session.h"

namespace tressmoor::sim {

namespace {

constexpr long double kTicksPerSecond = 30;
/// Speed from which a train standing at a station counts as leaving it, km/h.
constexpr long double kDepartureSpeedKmh = 1.0L;
/// More movement in one frame than the speed allows, beyond this, is a jump of the run, cm.
constexpr long double kJumpMarginCm = 1000;

double seconds(std::int64_t ticks) {
    return static_cast<double>(ticks) / kTicksPerSecond;
}

double round1(double v) {
    return std::round(v * 10) / 10;
}

bool isStop(int kind) {
    return kind != 1;
}

}  // namespace

bool SpeedSection::overspeed() const {
    return visited && maxSpeedKmh > limitKmh + kOverspeedToleranceKmh;
}

void scoreReport(DriveReport& r) {
    ScoreDeductions d;
    for (const StopResult& s : r.stops) {
        if (s.stopErrorM) {
            const double beyond = std::fabs(*s.stopErrorM) - kStopToleranceM;
            if (beyond > 0) d.stopError += std::min(kMaxStopPoints, beyond * kPointsPerStopMetre);
        }
        if (s.overrun) d.overrun += kOverrunPoints;
        if (s.outcome == StopOutcome::Passed) d.passed += kPassedPoints;
        double deviation = 0;
        if (s.arrivalDelayS) deviation = std::max(deviation, *s.arrivalDelayS);
        if (s.departureDelayS) deviation = std::max(deviation, std::fabs(*s.departureDelayS));
        if (deviation > kTimeGraceS) {
            d.time += std::min(kMaxTimePoints, (deviation - kTimeGraceS) * kPointsPerLateSecond);
        }
    }
    d.safety = r.safety.alarms * kAlarmPoints + r.safety.serviceBrakes * kServiceBrakePoints +
               r.safety.emergencyBrakes * kEmergencyPoints +
               r.safety.vigilanceTrips * kVigilancePoints;
    for (const SpeedSection& s : r.sections) {
        if (s.overspeed()) d.overspeed += kOverspeedPoints;
    }
    r.deductions = d;
    r.score = std::clamp(round1(100.0 - d.total()), 0.0, 100.0);
}

ReportPlan planReport(const data::LineData& line, const sound::SoundSet& sounds,
                      const ServiceChoice& choice, bool vigilanceFitted) {
    ReportPlan p;
    p.lineName = line.LineName;
    p.lineFile = choice.LineFile;
    p.trainFile = choice.TrainFile;
    p.serviceStartStation = choice.StartStation;
    p.vigilanceFitted = vigilanceFitted;
    const int n = static_cast<int>(line.Station.size());
    p.endStation = std::max(0, std::min(n - 1, choice.StationLimit));
    for (int i = 0; i < n; ++i) {
        const data::StationRecord& st = line.Station[static_cast<std::size_t>(i)];
        if (isStop(st.Kind)) {
            StopResult s;
            s.station = i;
            s.name = st.Name;
            s.kind = st.Kind;
            s.stopCm = static_cast<long double>(st.StopDistance);
            s.zoneEndCm = static_cast<long double>(st.ZoneEnd);
            if (st.OverrunAllowance > 0) {
                s.overrunToleranceCm = static_cast<long double>(st.OverrunAllowance) * 100;
            } else {
                s.overrunToleranceCm = kDefaultOverrunToleranceCm;
            }
            if (st.DepartureTime != 0) {
                s.departureDue = st.DepartureTime;
                s.arrivalDue =
                    st.DepartureTime -
                    static_cast<std::int64_t>(route::soundSeconds(sounds, st.ArrivalSound) +
                                              route::soundSeconds(sounds, st.DepartureSound)) *
                        static_cast<std::int64_t>(kTicksPerSecond);
            }
            p.stops.push_back(std::move(s));
        }
        if (i + 1 < n && st.MaxSpeed > 0) {
            const data::StationRecord& next = line.Station[static_cast<std::size_t>(i + 1)];
            SpeedSection s;
            s.kind = SpeedSection::Kind::SectionMaximum;
            s.label = st.Name + "–" + next.Name;
            s.limitKmh = st.MaxSpeed;
            s.startCm = static_cast<long double>(st.StopDistance);
            s.endCm = static_cast<long double>(next.StopDistance);
            if (s.endCm > s.startCm) p.sections.push_back(std::move(s));
        }
    }
    for (const data::SpeedLimitRecord& l : line.SpeedLimit) {
        SpeedSection s;
        s.kind = SpeedSection::Kind::Limit;
        s.label = "制限" + std::to_string(l.Limit);
        s.limitKmh = l.Limit;
        s.startCm = static_cast<long double>(l.StartDistance);
        s.endCm = static_cast<long double>(line.FrameToDistance(l.EndFrame));
        if (l.Limit > 0 && s.endCm > s.startCm) p.sections.push_back(std::move(s));
    }
    std::stable_sort(
        p.sections.begin(), p.sections.end(),
        [](const SpeedSection& a, const SpeedSection& b) { return a.startCm < b.startCm; });
    return p;
}

ReportPlan planReport(const DrivingSession& session) {
    const LoadedService& s = session.service();
    return planReport(s.line, session.sounds(), s.choice, s.train.spec.EB == 1);
}

DriveReportBuilder::DriveReportBuilder(ReportPlan plan) : plan_(std::move(plan)) {
    std::stable_sort(
        plan_.sections.begin(), plan_.sections.end(),
        [](const SpeedSection& a, const SpeedSection& b) { return a.startCm < b.startCm; });
    // Before the first frame: the stops and sections ahead of the service's start.
    long double d = 0;
    for (const StopResult& s : plan_.stops) {
        if (s.station == plan_.serviceStartStation) d = s.stopCm;
    }
    startAt(plan_.serviceStartStation, d);
}

void DriveReportBuilder::observe(const DrivingSession& session, long double frameMs) {
    observe(session.state(), session.service().line, frameMs);
}

void DriveReportBuilder::observe(const SimState& state, const data::LineData& line,
                                 long double frameMs) {
    report_.drivenSeconds += static_cast<double>(frameMs) / 1000.0;
    if (!begun_) {
        begin(state);
    } else if (restarted(state, line, frameMs)) {
        ++restarts_;
        begin(state);
    } else {
        step(state, line);
    }
    remember(state, line);
}

void DriveReportBuilder::begin(const SimState& state) {
    begun_ = true;
    startAt(state.stations.StartStation, state.route.LineDistance);
    sample(static_cast<double>(state.route.LineDistance / 100),
           static_cast<double>(std::fabs(state.vehicle.Speed)), true);
}

void DriveReportBuilder::startAt(int startStation, long double d) {
    const double driven = report_.drivenSeconds;
    report_ = DriveReport{};
    report_.lineName = plan_.lineName;
    report_.lineFile = plan_.lineFile;
    report_.trainFile = plan_.trainFile;
    report_.serviceStartStation = plan_.serviceStartStation;
    report_.endStation = plan_.endStation;
    report_.safety.vigilanceFitted = plan_.vigilanceFitted;
    report_.restarts = restarts_;
    report_.drivenSeconds = driven;
    report_.startStation = startStation;

    for (const StopResult& s : plan_.stops) {
        if (s.station < report_.startStation || s.station > report_.endStation) continue;
        // Stops already behind the train when the run began (a restored save) are not its own.
        if (s.station != report_.startStation && s.zoneEndCm < d) continue;
        report_.stops.push_back(s);
        if (s.station == report_.startStation) report_.stops.back().outcome = StopOutcome::Start;
    }
    awaitingDeparture_ = -1;
    if (!report_.stops.empty() && report_.stops.front().outcome == StopOutcome::Start) {
        awaitingDeparture_ = 0;
    }
    // The stretch driven: from the start station's stop position to the service's end.
    long double from = d, to = d;
    if (!report_.stops.empty()) {
        from = std::min(d, report_.stops.front().stopCm);
        to = std::max(d, report_.stops.back().stopCm);
    }
    for (const SpeedSection& s : plan_.sections) {
        if (s.endCm > from && s.startCm < to) report_.sections.push_back(s);
    }
    spacingM_ = kProfileSpacingM;
}

bool DriveReportBuilder::restarted(const SimState& state, const data::LineData& line,
                                   long double frameMs) const {
    // Run starts and restored saves move the train and set the clock at once, and clear the
    // arrivals of the stations behind.
    const long double moved = std::fabs(state.route.LineDistance - lastDistance_);
    const long double possible =
        std::max(std::fabs(lastSpeed_), std::fabs(state.vehicle.Speed)) / 3.6L * frameMs / 10;
    if (moved > possible * 2 + kJumpMarginCm) return true;
    if (state.route.Clock < lastClock_) return true;
    const std::size_t n = std::min(lastArrived_.size(), line.Station.size());
    for (std::size_t i = 0; i < n; ++i) {
        if (lastArrived_[i] && !line.Station[i].Progress.Arrived) return true;
    }
    return false;
}

void DriveReportBuilder::step(const SimState& state, const data::LineData& line) {
    const long double d = state.route.LineDistance;
    const long double v = state.vehicle.Speed;
    const std::int64_t clock = state.route.Clock;

    for (std::size_t k = 0; k < report_.stops.size(); ++k) {
        StopResult& s = report_.stops[k];
        if (s.outcome == StopOutcome::Start) continue;
        const auto i = static_cast<std::size_t>(s.station);
        const bool arrived = i < line.Station.size() && line.Station[i].Progress.Arrived;
        const bool wasArrived = i < lastArrived_.size() && lastArrived_[i];
        if (arrived && !wasArrived && s.outcome != StopOutcome::Stopped) {
            s.outcome = StopOutcome::Stopped;
            s.stopErrorM = static_cast<double>((d - s.stopCm) / 100);
            s.arrivalClock = clock;
            if (s.arrivalDue) s.arrivalDelayS = seconds(clock - *s.arrivalDue);
            awaitingDeparture_ = static_cast<int>(k);
        }
        if (s.outcome == StopOutcome::Stopped) continue;
        if (d > s.stopCm + s.overrunToleranceCm) s.overrun = true;
        if (d > s.zoneEndCm) s.outcome = StopOutcome::Passed;
    }

    if (awaitingDeparture_ >= 0 && std::fabs(v) >= kDepartureSpeedKmh) {
        StopResult& s = report_.stops[static_cast<std::size_t>(awaitingDeparture_)];
        if (s.station != report_.endStation) {
            s.departureClock = clock;
            if (s.departureDue) s.departureDelayS = seconds(clock - *s.departureDue);
        }
        awaitingDeparture_ = -1;
    }

    for (SpeedSection& s : report_.sections) {
        if (s.startCm <= d && d < s.endCm) {
            s.visited = true;
            s.maxSpeedKmh = std::max(s.maxSpeedKmh, static_cast<double>(std::fabs(v)));
        }
    }

    const auto& safety = state.safety;
    const auto& vehicle = state.vehicle;
    if (safety.AlarmRinging && !lastAlarm_) ++report_.safety.alarms;
    if (vehicle.ServiceTrip && !lastService_) ++report_.safety.serviceBrakes;
    if (vehicle.EmergencyTrip && !lastEmergency_) ++report_.safety.emergencyBrakes;
    if (vehicle.VigilanceTrip && !lastVigilance_) ++report_.safety.vigilanceTrips;

    report_.serviceEnded = state.stations.ServiceEnd;
    // A stop is kept in the profile even between samples.
    const bool stopped = v == 0 && lastSpeed_ != 0;
    sample(static_cast<double>(d / 100), static_cast<double>(std::fabs(v)), stopped);
}

void DriveReportBuilder::sample(double distanceM, double speedKmh, bool force) {
    auto& p = report_.profile;
    if (!force && !p.empty() && std::fabs(distanceM - p.back().distanceM) < spacingM_) return;
    p.push_back({distanceM, speedKmh});
    if (p.size() < kMaxProfileSamples) return;
    // Full: keep every other sample (the first and the newest stay) and sample half as often.
    std::vector<SpeedSample> thin;
    thin.reserve(p.size() / 2 + 1);
    for (std::size_t i = 0; i < p.size(); i += 2) thin.push_back(p[i]);
    if (p.size() % 2 == 0) thin.push_back(p.back());
    p = std::move(thin);
    spacingM_ *= 2;
}

void DriveReportBuilder::remember(const SimState& state, const data::LineData& line) {
    lastDistance_ = state.route.LineDistance;
    lastSpeed_ = state.vehicle.Speed;
    lastClock_ = state.route.Clock;
    lastArrived_.resize(line.Station.size());
    for (std::size_t i = 0; i < line.Station.size(); ++i) {
        lastArrived_[i] = line.Station[i].Progress.Arrived;
    }
    lastAlarm_ = state.safety.AlarmRinging;
    lastService_ = state.vehicle.ServiceTrip;
    lastEmergency_ = state.vehicle.EmergencyTrip;
    lastVigilance_ = state.vehicle.VigilanceTrip;
}

DriveReport DriveReportBuilder::report() const {
    DriveReport r = report_;
    scoreReport(r);
    return r;
}

// ---------------------------------------------------------------------------------------------
// Text and JSON.

namespace {

std::string format(const char* f, double v) {
    char text[64];
    std::snprintf(text, sizeof text, f, v);
    return text;
}

std::string clockOf(std::int64_t ticks) {
    return route::formatClock(ticks);
}

const char* outcomeName(StopOutcome o) {
    switch (o) {
        case StopOutcome::NotReached:
            return "not reached";
        case StopOutcome::Start:
            return "start";
        case StopOutcome::Stopped:
            return "stopped";
        case StopOutcome::Passed:
            return "passed";
    }
    return "";
}

std::string optional(const std::optional<double>& v, const char* f) {
    return v ? format(f, *v) : std::string("-");
}

std::string jsonNumber(double v, const char* f = "%.2f") {
    if (!std::isfinite(v)) return "null";
    return format(f, v);
}

std::string jsonOptional(const std::optional<double>& v, const char* f = "%.2f") {
    return v ? jsonNumber(*v, f) : std::string("null");
}

std::string jsonClock(const std::optional<std::int64_t>& t) {
    return t ? jsonString(clockOf(*t)) : std::string("null");
}

}  // namespace

std::string jsonString(std::string_view text) {
    std::string out = "\"";
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (c < 0x20 || c == 0x7f) {
                    char esc[8];
                    std::snprintf(esc, sizeof esc, "\\u%04x", c);
                    out += esc;
                } else {
                    out += ch;  // UTF-8 passes through as it is
                }
        }
    }
    out += '"';
    return out;
}

std::string reportText(const DriveReport& r) {
    std::string out;
    out += "Drive report: " + r.lineName + " (" + r.lineFile + ", " + r.trainFile + ")\n";
    out += "Score: " + format("%.1f", r.score) + " / 100";
    out += r.wholeService() ? "  (whole service)\n" : "  (part of the service)\n";
    out += "Driven: " + format("%.0f", r.drivenSeconds) + " s";
    if (r.serviceEnded) out += ", service ended";
    if (r.restarts > 0) out += ", restarts " + std::to_string(r.restarts);
    out += "\n\nStops:\n";
    out += "  station              stop error m  arrival     late s  departure   late s  note\n";
    for (const StopResult& s : r.stops) {
        std::string note = outcomeName(s.outcome);
        if (s.overrun) note += ", overrun";
        char row[256];
        std::snprintf(row, sizeof row, "  %-3d %s", s.station, s.name.c_str());
        std::string line = row;
        // Pad by display columns: the names are Japanese (two columns per character).
        std::size_t columns = 0;
        for (std::size_t b = 0; b < s.name.size();) {
            const auto c = static_cast<unsigned char>(s.name[b]);
            const std::size_t len = c < 0x80 ? 1 : c < 0xe0 ? 2 : c < 0xf0 ? 3 : 4;
            columns += len >= 3 ? 2 : 1;
            b += len;
        }
        line += std::string(columns < 16 ? 16 - columns : 1, ' ');
        std::snprintf(row, sizeof row, " %12s  %-8s %8s  %-8s %8s  %s\n",
                      optional(s.stopErrorM, "%+.2f").c_str(),
                      s.arrivalClock ? clockOf(*s.arrivalClock).c_str() : "-",
                      optional(s.arrivalDelayS, "%+.0f").c_str(),
                      s.departureClock ? clockOf(*s.departureClock).c_str() : "-",
                      optional(s.departureDelayS, "%+.0f").c_str(), note.c_str());
        out += line + row;
    }
    out += "\nSpeed sections (limit / highest km/h):\n";
    for (const SpeedSection& s : r.sections) {
        char row[256];
        std::snprintf(row, sizeof row, "  %8.0f-%8.0f m  %4d  %s  %s%s\n",
                      static_cast<double>(s.startCm / 100), static_cast<double>(s.endCm / 100),
                      s.limitKmh, s.visited ? format("%5.1f", s.maxSpeedKmh).c_str() : "    -",
                      s.label.c_str(), s.overspeed() ? "  OVERSPEED" : "");
        out += row;
    }
    out += "\nSafety devices: alarms " + std::to_string(r.safety.alarms) + ", service brakes " +
           std::to_string(r.safety.serviceBrakes) + ", emergency brakes " +
           std::to_string(r.safety.emergencyBrakes);
    out += r.safety.vigilanceFitted
               ? ", vigilance trips " + std::to_string(r.safety.vigilanceTrips) + "\n"
               : ", no vigilance device\n";
    const ScoreDeductions& d = r.deductions;
    out += "Deductions: stop error " + format("%.1f", d.stopError) + ", overrun " +
           format("%.1f", d.overrun) + ", passed stops " + format("%.1f", d.passed) + ", time " +
           format("%.1f", d.time) + ", safety devices " + format("%.1f", d.safety) +
           ", overspeed " + format("%.1f", d.overspeed) + "\n";
    return out;
}

std::string reportJson(const DriveReport& r) {
    std::string o = "{";
    auto field = [&o](const char* name, const std::string& value) {
        if (o.size() > 1) o += ",";
        o += "\n  ";
        o += jsonString(name);
        o += ": ";
        o += value;
    };
    field("line", jsonString(r.lineName));
    field("lineFile", jsonString(r.lineFile));
    field("trainFile", jsonString(r.trainFile));
    field("score", jsonNumber(r.score, "%.1f"));
    field("wholeService", r.wholeService() ? "true" : "false");
    field("serviceEnded", r.serviceEnded ? "true" : "false");
    field("restarts", std::to_string(r.restarts));
    field("startStation", std::to_string(r.startStation));
    field("endStation", std::to_string(r.endStation));
    field("drivenSeconds", jsonNumber(r.drivenSeconds, "%.1f"));

    std::string stops = "[";
    for (const StopResult& s : r.stops) {
        if (stops.size() > 1) stops += ",";
        stops += "\n    {\"station\": " + std::to_string(s.station) +
                 ", \"name\": " + jsonString(s.name) + ", \"kind\": " + std::to_string(s.kind) +
                 ", \"outcome\": " + jsonString(outcomeName(s.outcome)) +
                 ", \"stopErrorM\": " + jsonOptional(s.stopErrorM) +
                 ", \"overrun\": " + (s.overrun ? "true" : "false") +
                 ", \"arrival\": " + jsonClock(s.arrivalClock) +
                 ", \"arrivalDelayS\": " + jsonOptional(s.arrivalDelayS, "%.1f") +
                 ", \"departure\": " + jsonClock(s.departureClock) +
                 ", \"departureDelayS\": " + jsonOptional(s.departureDelayS, "%.1f") + "}";
    }
    field("stops", stops + (r.stops.empty() ? "]" : "\n  ]"));

    std::string sections = "[";
    for (const SpeedSection& s : r.sections) {
        if (sections.size() > 1) sections += ",";
        sections += "\n    {\"kind\": " +
                    jsonString(s.kind == SpeedSection::Kind::Limit ? "limit" : "section") +
                    ", \"label\": " + jsonString(s.label) +
                    ", \"limitKmh\": " + std::to_string(s.limitKmh) +
                    ", \"startM\": " + jsonNumber(static_cast<double>(s.startCm / 100), "%.1f") +
                    ", \"endM\": " + jsonNumber(static_cast<double>(s.endCm / 100), "%.1f") +
                    ", \"maxSpeedKmh\": " +
                    (s.visited ? jsonNumber(s.maxSpeedKmh, "%.1f") : std::string("null")) +
                    ", \"overspeed\": " + (s.overspeed() ? "true" : "false") + "}";
    }
    field("sections", sections + (r.sections.empty() ? "]" : "\n  ]"));

    field("safety", "{\"alarms\": " + std::to_string(r.safety.alarms) +
                        ", \"serviceBrakes\": " + std::to_string(r.safety.serviceBrakes) +
                        ", \"emergencyBrakes\": " + std::to_string(r.safety.emergencyBrakes) +
                        ", \"vigilanceTrips\": " +
                        (r.safety.vigilanceFitted ? std::to_string(r.safety.vigilanceTrips)
                                                  : std::string("null")) +
                        "}");
    const ScoreDeductions& d = r.deductions;
    field("deductions",
          "{\"stopError\": " + jsonNumber(d.stopError) + ", \"overrun\": " + jsonNumber(d.overrun) +
              ", \"passed\": " + jsonNumber(d.passed) + ", \"time\": " + jsonNumber(d.time) +
              ", \"safety\": " + jsonNumber(d.safety) +
              ", \"overspeed\": " + jsonNumber(d.overspeed) + "}");
    std::string profile = "[";
    for (const SpeedSample& p : r.profile) {
        if (profile.size() > 1) profile += ",";
        profile +=
            "[" + jsonNumber(p.distanceM, "%.1f") + "," + jsonNumber(p.speedKmh, "%.1f") + "]";
    }
    field("speedProfile", profile + "]");
    o += "\n}";
    return o;
}

// ---------------------------------------------------------------------------------------------
// The best score of a service.

std::string bestScoreName(const std::string& lineFile, const std::string& trainFile) {
    auto clean = [](std::string s) {
        std::replace(s.begin(), s.end(), '/', '_');
        std::replace(s.begin(), s.end(), '\\', '_');
        return s;
    };
    return "BestScore/" + clean(lineFile) + "/" + clean(trainFile);
}

std::optional<double> readBestScore(data::SettingsStore& store, const DriveReport& report) {
    const auto tenths =
        store.readInt(data::kOptionsStore, bestScoreName(report.lineFile, report.trainFile));
    if (!tenths || *tenths < 0 || *tenths > 1000) return std::nullopt;
    return *tenths / 10.0;
}

bool recordBestScore(data::SettingsStore& store, const DriveReport& report) {
    if (!report.wholeService()) return false;
    const int tenths = static_cast<int>(std::lround(report.score * 10));
    const auto best = readBestScore(store, report);
    if (best && static_cast<int>(std::lround(*best * 10)) >= tenths) return false;
    return store.writeInt(data::kOptionsStore, bestScoreName(report.lineFile, report.trainFile),
                          tenths);
}

}  // namespace tressmoor::sim
