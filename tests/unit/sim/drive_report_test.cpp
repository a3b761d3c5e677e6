// The drive report: what it measures from a run watched frame by frame, the score's arithmetic,
// restarts, the bounded speed profile, the text and JSON forms and the kept best score.
#include "sim/drive_report.h"

#include <gtest/gtest.h>

#include <string>

#include "data/settings_store.h"

namespace tressmoor::sim {
namespace {

constexpr std::int64_t kTicks = 30;  // per second

std::int64_t at(int h, int m, int s) {
    return ((h * 60 + m) * 60 + s) * kTicks;
}

data::StationRecord station(const char* name, int kind, long long stopM, int departure,
                            int maxSpeed) {
    data::StationRecord s;
    s.Name = name;
    s.Kind = kind;
    s.StopDistance = stopM * 100;
    s.ZoneHalfLength = 1000;
    s.ZoneStart = s.StopDistance - 1000;
    s.ZoneEnd = s.StopDistance + 1000;
    s.DepartureTime = departure;
    s.MaxSpeed = maxSpeed;
    return s;
}

/// A line of five stations — A (start), B, C (passed through), D (no doors), E (the end) — with
/// a 40 km/h limit from 2500 m to 2800 m, driven by setting the state frame by frame.
class DriveReportRun : public ::testing::Test {
protected:
    void SetUp() override {
        line_.LineName = "テスト線";
        line_.Station = {station("A", 0, 0, at(10, 0, 0), 80),
                         station("B", 0, 1000, at(10, 2, 0), 60), station("C", 1, 2000, 0, 70),
                         station("D", 2, 3000, at(10, 5, 0), 50),
                         station("E", 0, 4000, at(10, 8, 0), 0)};
        ServiceChoice choice;
        choice.LineFile = "line_test.dat";
        choice.TrainFile = "train_test.dat";
        ReportPlan plan = planReport(line_, sound::SoundSet{}, choice, true);
        SpeedSection limit;
        limit.kind = SpeedSection::Kind::Limit;
        limit.label = "制限40";
        limit.limitKmh = 40;
        limit.startCm = 250000;
        limit.endCm = 280000;
        plan.sections.push_back(limit);
        builder_ = std::make_unique<DriveReportBuilder>(std::move(plan));
        // Standing at A, arrived there at the run's start.
        state_.route.Clock = at(9, 59, 30);
        line_.Station[0].Progress.Arrived = true;
        frame(0, 0);
    }
    /// One frame of a second at `metres` and `kmh` (the steps below stay within what the
    /// speed covers in it, so that only a real jump counts as a restart).
    void frame(double metres, double kmh) {
        state_.route.LineDistance = static_cast<long double>(metres) * 100;
        state_.vehicle.Speed = kmh;
        builder_->observe(state_, line_, 1000.0L);
        state_.route.Clock += 1;
    }
    /// Runs from `from` to `to` m at `kmh`, one frame per `step` m.
    void run(double from, double to, double kmh, double step = 5) {
        for (double m = from; from < to ? m < to : m > to; m += from < to ? step : -step) {
            frame(m, kmh);
        }
    }
    /// The station logic records the arrival at `i` at `clock`.
    void arriveAt(int i, double metres, std::int64_t clock) {
        state_.route.Clock = clock;
        line_.Station[static_cast<std::size_t>(i)].Progress.Arrived = true;
        frame(metres, 0);
    }
    /// The train sets off at `clock`.
    void departAt(double metres, std::int64_t clock) {
        state_.route.Clock = clock;
        frame(metres, 5);
    }

    data::LineData line_;
    SimState state_;
    std::unique_ptr<DriveReportBuilder> builder_;
};

TEST_F(DriveReportRun, MeasuresEveryStopSectionAndSafetyActionOfTheRun) {
    departAt(0, at(10, 0, 3));
    run(0, 990, 65);
    // B: 1.5 m beyond the stop position, a minute early, left 15 s late.
    arriveAt(1, 1001.5, at(10, 1, 0));
    departAt(1001.5, at(10, 2, 15));
    run(1001.5, 2000, 62);  // 2 km/h over B–C's 60
    run(2000, 2500, 71);    // exactly 1 km/h over C–D's 70: within the tolerance
    run(2500, 2800, 40.5);  // the limit section
    run(2800, 3006, 30);    // D: beyond the stop position by 6 m (> 5 m): an overrun
    // The safety system: two alarms and one service brake while reversing.
    state_.safety.AlarmRinging = true;
    frame(3006, 3);
    state_.vehicle.ServiceTrip = true;
    frame(3006, 3);
    state_.safety.AlarmRinging = false;
    frame(3005, 3);
    state_.safety.AlarmRinging = true;
    frame(3004, 3);
    state_.safety.AlarmRinging = false;
    state_.vehicle.ServiceTrip = false;
    run(3004, 2997.2, 3, 1);
    arriveAt(3, 2997.2, at(10, 5, 30));  // 2.8 m short, 30 s late
    departAt(2997.2, at(10, 5, 40));     // 40 s late
    state_.vehicle.VigilanceTrip = true;
    run(2997.2, 3500, 45);
    state_.vehicle.VigilanceTrip = false;
    run(3500, 4020, 45);  // E: out of its zone without stopping

    const DriveReport r = builder_->report();
    ASSERT_EQ(r.stops.size(), 4u);  // C is passed through by timetable, not a stop
    const StopResult& a = r.stops[0];
    const StopResult& b = r.stops[1];
    const StopResult& d = r.stops[2];
    const StopResult& e = r.stops[3];
    EXPECT_EQ(a.outcome, StopOutcome::Start);
    EXPECT_FALSE(a.stopErrorM);
    EXPECT_DOUBLE_EQ(*a.departureDelayS, 3.0);

    EXPECT_EQ(b.outcome, StopOutcome::Stopped);
    EXPECT_NEAR(*b.stopErrorM, 1.5, 1e-9);
    EXPECT_DOUBLE_EQ(*b.arrivalDelayS, -60.0);
    EXPECT_DOUBLE_EQ(*b.departureDelayS, 15.0);
    EXPECT_FALSE(b.overrun);

    EXPECT_EQ(d.outcome, StopOutcome::Stopped);
    EXPECT_NEAR(*d.stopErrorM, -2.8, 1e-9);
    EXPECT_DOUBLE_EQ(*d.arrivalDelayS, 30.0);
    EXPECT_DOUBLE_EQ(*d.departureDelayS, 40.0);
    EXPECT_TRUE(d.overrun);

    EXPECT_EQ(e.outcome, StopOutcome::Passed);
    EXPECT_TRUE(e.overrun);
    EXPECT_FALSE(e.stopErrorM);
    EXPECT_FALSE(e.departureDelayS);

    // Sections in line order: A–B, B–C, C–D, the limit, D–E (E has no section of its own).
    ASSERT_EQ(r.sections.size(), 5u);
    EXPECT_EQ(r.sections[0].label, "A–B");
    EXPECT_DOUBLE_EQ(r.sections[0].maxSpeedKmh, 65);
    EXPECT_FALSE(r.sections[0].overspeed());
    EXPECT_DOUBLE_EQ(r.sections[1].maxSpeedKmh, 62);
    EXPECT_TRUE(r.sections[1].overspeed());
    EXPECT_DOUBLE_EQ(r.sections[2].maxSpeedKmh, 71);
    EXPECT_FALSE(r.sections[2].overspeed());
    EXPECT_EQ(r.sections[3].label, "制限40");
    EXPECT_DOUBLE_EQ(r.sections[3].maxSpeedKmh, 40.5);
    EXPECT_FALSE(r.sections[3].overspeed());
    EXPECT_EQ(r.sections[4].limitKmh, 50);
    EXPECT_DOUBLE_EQ(r.sections[4].maxSpeedKmh, 45);

    EXPECT_EQ(r.safety.alarms, 2);
    EXPECT_EQ(r.safety.serviceBrakes, 1);
    EXPECT_EQ(r.safety.emergencyBrakes, 0);
    EXPECT_EQ(r.safety.vigilanceTrips, 1);

    // 100 − stop errors (1.0 + 3.6) − overruns 20 − passed 20 − time (B 1.0, D 6.0)
    //     − safety (2 × 5 + 10 + 10) − overspeed 5.
    EXPECT_NEAR(r.deductions.stopError, 4.6, 1e-9);
    EXPECT_DOUBLE_EQ(r.deductions.overrun, 20);
    EXPECT_DOUBLE_EQ(r.deductions.passed, 20);
    EXPECT_NEAR(r.deductions.time, 7.0, 1e-9);
    EXPECT_DOUBLE_EQ(r.deductions.safety, 30);
    EXPECT_DOUBLE_EQ(r.deductions.overspeed, 5);
    EXPECT_DOUBLE_EQ(r.score, 13.4);
    EXPECT_FALSE(r.serviceEnded);
    EXPECT_FALSE(r.wholeService());
}

TEST_F(DriveReportRun, ARunRestartedElsewhereStartsANewReport) {
    departAt(0, at(10, 0, 3));
    run(0, 990, 65);
    arriveAt(1, 1000, at(10, 1, 0));
    // The Move menu: the run starts again at D, the clock set back, the arrivals cleared.
    for (auto& s : line_.Station) s.Progress.Arrived = false;
    line_.Station[3].Progress.Arrived = true;
    state_.stations.StartStation = 3;
    state_.route.Clock = at(10, 4, 0);
    frame(3000, 0);
    departAt(3000, at(10, 5, 2));
    run(3000, 3990, 45);
    state_.stations.ServiceEnd = true;
    arriveAt(4, 4000.4, at(10, 7, 0));

    const DriveReport r = builder_->report();
    EXPECT_EQ(r.restarts, 1);
    EXPECT_EQ(r.startStation, 3);
    ASSERT_EQ(r.stops.size(), 2u);
    EXPECT_EQ(r.stops[0].outcome, StopOutcome::Start);
    EXPECT_DOUBLE_EQ(*r.stops[0].departureDelayS, 2.0);
    EXPECT_NEAR(*r.stops[1].stopErrorM, 0.4, 1e-9);
    // The sections of the new stretch only (C–D ends at D's stop position).
    ASSERT_EQ(r.sections.size(), 1u);
    EXPECT_EQ(r.sections[0].label, "D–E");
    EXPECT_TRUE(r.serviceEnded);
    EXPECT_FALSE(r.wholeService());  // restarted, and not from the service's start
    EXPECT_DOUBLE_EQ(r.score, 100);
}

TEST_F(DriveReportRun, TheProfileStaysBoundedAndKeepsItsEnds) {
    departAt(0, at(10, 0, 3));
    // 60 000 frames a metre apart, far more than the profile holds at 10 m spacing.
    for (int m = 1; m <= 60000; ++m) frame(m, 60);
    const DriveReport r = builder_->report();
    EXPECT_LE(r.profile.size(), kMaxProfileSamples);
    EXPECT_GT(r.profile.size(), kMaxProfileSamples / 4);
    EXPECT_DOUBLE_EQ(r.profile.front().distanceM, 0);
    EXPECT_GT(r.profile.back().distanceM, 59900);
    for (std::size_t i = 1; i < r.profile.size(); ++i) {
        ASSERT_GE(r.profile[i].distanceM, r.profile[i - 1].distanceM);
    }
}

StopResult stop(double errorM, std::optional<double> arrival, std::optional<double> departure) {
    StopResult s;
    s.outcome = StopOutcome::Stopped;
    s.stopErrorM = errorM;
    s.arrivalDelayS = arrival;
    s.departureDelayS = departure;
    return s;
}

double scoreOf(DriveReport r) {
    scoreReport(r);
    return r.score;
}

TEST(DriveReportScore, StopErrorAndTimeCostNothingUpToTheirTolerancesAndAreCapped) {
    DriveReport r;
    r.stops = {stop(1.0, 10.0, -10.0), stop(-1.0, -300.0, 0.0)};
    EXPECT_DOUBLE_EQ(scoreOf(r), 100);
    r.stops = {stop(1.05, 10.5, std::nullopt)};  // 0.1 + 0.1
    EXPECT_DOUBLE_EQ(scoreOf(r), 99.8);
    r.stops = {stop(-11.0, std::nullopt, -110.0)};  // 20 + 20: both at their caps
    EXPECT_DOUBLE_EQ(scoreOf(r), 60);
    r.stops = {stop(-50.0, std::nullopt, 1000.0)};  // still capped
    EXPECT_DOUBLE_EQ(scoreOf(r), 60);
    // The larger of arrival delay and departure deviation counts, not both.
    r.stops = {stop(0, 20.0, 30.0)};
    EXPECT_DOUBLE_EQ(scoreOf(r), 96);
}

TEST(DriveReportScore, SafetyActionsOverspeedAndMissedStopsCountEachAndTheScoreStopsAtZero) {
    DriveReport r;
    r.safety = {.alarms = 1,
                .serviceBrakes = 1,
                .emergencyBrakes = 1,
                .vigilanceTrips = 1,
                .vigilanceFitted = true};
    SpeedSection within;
    within.visited = true;
    within.limitKmh = 60;
    within.maxSpeedKmh = 61.0;
    SpeedSection over = within;
    over.maxSpeedKmh = 61.01;
    SpeedSection unvisited = over;
    unvisited.visited = false;
    r.sections = {within, over, unvisited};
    EXPECT_DOUBLE_EQ(scoreOf(r), 100 - 5 - 10 - 15 - 10 - 5);
    StopResult passed;
    passed.outcome = StopOutcome::Passed;
    passed.overrun = true;
    r.stops = {passed};
    EXPECT_DOUBLE_EQ(scoreOf(r), 55 - 30);
    r.safety.emergencyBrakes = 3;
    EXPECT_DOUBLE_EQ(scoreOf(r), 0);  // 100 − 105, clamped
}

TEST(DriveReportFormat, JsonEscapesAndTextListsTheStops) {
    EXPECT_EQ(jsonString("a\"b\\c\nd\te\x01"
                         "駅"),
              "\"a\\\"b\\\\c\\nd\\te\\u0001駅\"");
    DriveReport r;
    r.lineName = "線\"名";
    r.lineFile = "line.dat";
    r.trainFile = "train.dat";
    StopResult s = stop(-0.42, -12.0, 4.0);
    s.station = 1;
    s.name = "東霧沢";
    s.arrivalClock = at(8, 1, 5);
    s.departureClock = at(8, 2, 4);
    r.stops = {s};
    r.profile = {{0, 0}, {10, 12.5}};
    scoreReport(r);
    const std::string json = reportJson(r);
    EXPECT_NE(json.find("\"line\": \"線\\\"名\""), std::string::npos) << json;
    EXPECT_NE(json.find("\"stopErrorM\": -0.42, \"overrun\": false, \"arrival\": \"08:01:05\", "
                        "\"arrivalDelayS\": -12.0, \"departure\": \"08:02:04\", "
                        "\"departureDelayS\": 4.0"),
              std::string::npos)
        << json;
    EXPECT_NE(json.find("\"speedProfile\": [[0.0,0.0],[10.0,12.5]]"), std::string::npos);
    EXPECT_NE(json.find("\"vigilanceTrips\": null"), std::string::npos);
    const std::string text = reportText(r);
    EXPECT_NE(text.find("Score: 100.0 / 100"), std::string::npos) << text;
    EXPECT_NE(text.find("東霧沢"), std::string::npos);
    EXPECT_NE(text.find("-0.42  08:01:05      -12  08:02:04       +4  stopped"), std::string::npos)
        << text;
}

TEST(DriveReportBest, OnlyAWholeServiceThatBeatsTheKeptScoreIsKept) {
    data::MemorySettingsStore store;
    DriveReport r;
    r.lineFile = "sub/line.dat";
    r.trainFile = "train\\a.dat";
    r.serviceEnded = true;
    r.score = 80.0;
    EXPECT_EQ(bestScoreName(r.lineFile, r.trainFile), "BestScore/sub_line.dat/train_a.dat");
    EXPECT_FALSE(readBestScore(store, r));
    EXPECT_TRUE(recordBestScore(store, r));
    EXPECT_DOUBLE_EQ(*readBestScore(store, r), 80.0);
    EXPECT_FALSE(recordBestScore(store, r));  // equal is not better
    r.score = 85.3;
    EXPECT_TRUE(recordBestScore(store, r));
    EXPECT_DOUBLE_EQ(*readBestScore(store, r), 85.3);
    r.score = 99.0;
    r.restarts = 1;
    EXPECT_FALSE(recordBestScore(store, r));
    r.restarts = 0;
    r.serviceEnded = false;
    EXPECT_FALSE(recordBestScore(store, r));
    EXPECT_DOUBLE_EQ(*readBestScore(store, r), 85.3);
    // Another train on the same line keeps its own.
    r.trainFile = "train_b.dat";
    EXPECT_FALSE(readBestScore(store, r));
}

}  // namespace
}  // namespace tressmoor::sim
