// The preceding train: waiting for its delayed departures, running against the recording speed,
// leaving the line, its run-start position and its status line.
#include <gtest/gtest.h>

#include "route/preceding_train.h"
#include "route/route_update.h"
#include "route_test_world.h"

namespace tressmoor::route {
namespace {

using testing::RouteWorld;

class RoutePrecedingTrain : public ::testing::Test {
protected:
    void SetUp() override {
        w.segment(0, 30000, 60, 60);
        w.station("甲", 100, 1000);
        w.station("乙", 3000, 4000);
        w.station("丙", 7000, 8000);
        auto step = [](int station, int speed, std::int64_t departure, std::int64_t delay) {
            data::PreTrainStep s;
            s.Station = station;
            s.Speed = speed;
            s.Delay = delay;
            s.DepartureTime = departure;
            return s;
        };
        w.line.Pre_Train.StartFrame = 1000;
        w.line.Pre_Train.ExitFrame = 20000;
        w.line.Pre_Train.Steps = {step(0, 60, 100, 0), step(1, 30, 500, 75), step(2, 60, 900, 75)};
        w.derive();
        InitRouteState(w.ctx);
    }
    void second() {
        UpdatePrecedingTrain(w.ctx, 1000);
        updatePrecedingTrainStatus(w.ctx);
    }
    PrecedingTrain& pre() { return w.route.Pre; }

    RouteWorld w;
};

TEST_F(RoutePrecedingTrain, WaitsForItsDepartureThenRunsAtItsSpeedAgainstTheRecording) {
    EXPECT_EQ(pre().Position, 1000);
    w.route.Clock = 100;  // departure not yet before the clock
    second();
    EXPECT_EQ(pre().Position, 1000);
    EXPECT_FALSE(pre().Moving);
    EXPECT_EQ(pre().StatusLine, "(甲停車中 0秒遅延)");
    w.route.Clock = 101;
    second();
    // 60 km/h against a 60 km/h recording: 30 video frames per second.
    EXPECT_EQ(pre().Position, 1030);
    EXPECT_TRUE(pre().Moving);
    EXPECT_EQ(pre().StatusLine, "(甲～乙)");
}

TEST_F(RoutePrecedingTrain, RunsFasterOverAStretchRecordedSlowly) {
    w.line.SpeedUnit[0].FirstSpeed = 30;
    w.line.SpeedUnit[0].LastSpeed = 30;
    w.route.Clock = 200;
    second();
    EXPECT_EQ(pre().Position, 1060);
}

TEST_F(RoutePrecedingTrain, ShowsItsAccumulatedDelayWhileStanding) {
    pre().Position = 4000;
    w.route.Clock = 300;
    second();
    EXPECT_EQ(pre().Position, 4000);
    EXPECT_EQ(pre().StatusLine, "(乙停車中 2秒遅延)");  // 75 ticks = 2.5 s, ties to even
}

TEST_F(RoutePrecedingTrain, LastStepRunsOnToLeaveTheLine) {
    pre().Position = 8000;
    w.route.Clock = 1000;
    second();
    EXPECT_EQ(pre().Position, 8030);
    pre().Position = 20001;
    updatePrecedingTrainExit(w.ctx);
    EXPECT_EQ(pre().Position, 0);
    second();
    EXPECT_EQ(pre().Position, 0);
    EXPECT_TRUE(pre().StatusLine.empty());
}

TEST_F(RoutePrecedingTrain, StandsStillOnceTheTrainHasOvertakenIt) {
    w.route.Clock = 200;
    w.route.RoutePosition = 1500;
    second();
    EXPECT_EQ(pre().Position, 1000);
}

TEST_F(RoutePrecedingTrain, RunStartPositionIsTheStationOfTheFollowingStep) {
    EXPECT_EQ(precedingTrainStartPosition(w.line, 50), 0);
    EXPECT_EQ(precedingTrainStartPosition(w.line, 100), 4000);
    EXPECT_EQ(precedingTrainStartPosition(w.line, 600), 8000);
    EXPECT_EQ(precedingTrainStartPosition(w.line, 900), 0);
}

}  // namespace
}  // namespace tressmoor::route
