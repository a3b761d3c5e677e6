// Calls: the time check, the station and signal calls and the call key.
#include "route/calls.h"

#include <gtest/gtest.h>

#include "route/route_update.h"
#include "station_test_world.h"

namespace tressmoor::route {
namespace {

using testing::StationWorld;

constexpr std::int64_t kEight = 864000;  // 08:00:00 in ticks

class Calls : public ::testing::Test {
protected:
    void SetUp() override {
        w.segment(0, 20000, 60, 60);
        w.line.Speed_Signal = {0, 25, 45, 75, 110};
        w.signal(3000);
        w.station("A", 100);
        w.station("B", 9000);
        w.derive();
        InitRouteState(w.ctx);
    }
    CallContext calls() { return CallContext{w.ctx, w.callState, w.stations}; }
    std::vector<int> queue() const {
        std::vector<int> q;
        for (int i = 0; i < w.calls.size(); ++i) q.push_back(w.queued(i));
        return q;
    }

    StationWorld w;
};

TEST_F(Calls, TimeCheckGivesTheOnTimeOrLatenessCallInsideItsWindowOnly) {
    w.line.Time = {{1000, 2000, static_cast<int>(kEight)}};
    auto c = calls();
    w.route.RoutePosition = 1000;  // on the bound: outside
    w.route.Clock = kEight + 300;
    Timecheck(c, 0);
    EXPECT_EQ(w.calls.size(), 0);
    w.route.RoutePosition = 1500;
    Timecheck(c, 0);
    w.route.Clock = kEight + 40 * 30;
    Timecheck(c, 0);
    w.route.Clock = kEight + 194 * 30;
    Timecheck(c, 0);
    w.route.Clock = kEight + 196 * 30;
    Timecheck(c, 0);
    EXPECT_EQ(queue(), (std::vector<int>{18, 7, 17}));
}

TEST_F(Calls, StationCallsOfAKindQueueSlotsTimesAndTheFirstPowerCall) {
    w.line.StationKanko = {{1, kCallFirstPower, 25},
                           {1, kCallFirstPower, static_cast<int>(kEight)},
                           {1, kCallAtRest, 26},
                           {0, kCallFirstPower, 27}};
    w.route.Clock = kEight + 100;
    auto c = calls();
    StationCalls(c, kCallFirstPower, 1);
    EXPECT_EQ(queue(), (std::vector<int>{20, 25, 18}));
}

TEST_F(Calls, SuppressingSignalRecordEndsTheScanAtAStopAspect) {
    w.line.SignalKanko = {{0, 0, 30, 0}, {0, 0, 31, 1}, {0, 0, 32, 0}};
    w.route.CurrentSignal = 0;
    w.route.CurrentDisplayFrame = 7;  // stop
    auto c = calls();
    kanko_add(c, 1);
    EXPECT_EQ(queue(), (std::vector<int>{30}));
    w.calls.clear();
    w.route.CurrentDisplayFrame = 9;  // proceed: nothing suppressed
    kanko_add(c, 1);
    EXPECT_EQ(queue(), (std::vector<int>{30, 31, 32}));
}

TEST_F(Calls, CallKeyGivesTheAspectOfTheSignalInViewAtRest) {
    w.line.SignalKanko = {{0, 0, 30, 0}, {0, 2, 31, 0}};
    w.route.CurrentSignal = 0;
    w.route.CurrentDisplayFrame = 9;  // slot 4
    auto c = calls();
    CallKey(c);
    EXPECT_EQ(queue(), (std::vector<int>{30, 4, 31}));
    w.calls.clear();
    w.route.CurrentDisplayFrame = kNone;
    CallKey(c);
    EXPECT_EQ(w.calls.size(), 0);
}

TEST_F(Calls, CallKeyTakesThePendingAspectListWhileRunning) {
    w.vehicle.Speed = 50;
    w.route.CurrentDisplayFrame = 9;
    w.route.PendingAspect[0] = 2;
    w.route.PendingAspect[1] = 3;
    w.route.PendingAspectCount = 2;
    auto c = calls();
    CallKey(c);
    EXPECT_EQ(queue(), (std::vector<int>{2}));
    EXPECT_EQ(w.route.PendingAspectCount, 1);
    EXPECT_EQ(w.route.PendingAspect[0], 3);
}

TEST_F(Calls, PendingOtherCallIsQueuedOnceThenTheKeyFallsThrough) {
    auto other = std::make_shared<sound::MemoryWave>("other", 500);
    w.sounds.otherCalls = {other};
    w.route.PendingOtherCall = 0;
    w.route.CurrentDisplayFrame = 9;
    auto c = calls();
    CallKey(c);
    EXPECT_EQ(w.calls.size(), 1);
    EXPECT_EQ(w.calls.slot(0).get(), other.get());
    CallKey(c);  // same pending call: the aspect call instead
    EXPECT_EQ(w.queued(1), 4);

    w.route.PendingOtherCall = kTimeCheckCall;  // the time check
    w.line.Time = {{0, 20000, static_cast<int>(kEight)}};
    w.route.RoutePosition = 500;
    w.route.Clock = kEight;
    CallKey(c);
    EXPECT_EQ(w.queued(2), 18);
}

}  // namespace
}  // namespace tressmoor::route
