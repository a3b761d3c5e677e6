// Route state from the train's position: signals and aspects, gradients, limits and boards,
// crossings, signs and tunnels.
#include <gtest/gtest.h>

#include "route/route_update.h"
#include "route_test_world.h"

namespace tressmoor::route {
namespace {

using testing::RouteWorld;

// ---------------------------------------------------------------------------------------------
// Aspects: ten block signals 1000 frames apart (signal i at frame 1000 × (i + 1)), five aspects.
// Digits "1234412344": one step better than the signal ahead, 4 at best; the alternative route
// table is "12344".

class RouteAspects : public ::testing::Test {
protected:
    void SetUp() override {
        w.segment(0, 20000, 60, 60);
        w.line.Speed_Signal = {0, 25, 45, 75, 110};
        for (int i = 0; i < 10; ++i) w.signal(1000 * (i + 1));
        w.station("A", 100);
        w.station("B", 15000);
    }
    void run() {
        w.derive();
        InitRouteState(w.ctx);
        updateAspects(w.ctx);
    }
    int aspect(int i) const { return w.route.Aspect[static_cast<std::size_t>(i)]; }

    RouteWorld w;
};

TEST_F(RouteAspects, PrecedingTrainHoldsTheSignalBehindItAtStopAndOthersStepUp) {
    run();
    w.route.Pre.Position = 8500;  // between signals 7 (8000) and 8 (9000)
    updateAspects(w.ctx);
    EXPECT_EQ(w.route.ProtectedSignal, 7);
    EXPECT_EQ(aspect(7), 0);
    EXPECT_EQ(aspect(6), 1);
    EXPECT_EQ(aspect(5), 2);
    EXPECT_EQ(aspect(4), 3);
    EXPECT_EQ(aspect(3), 4);
    EXPECT_EQ(aspect(0), 4);
    EXPECT_EQ(aspect(8), 4);  // ahead of the preceding train
    EXPECT_EQ(aspect(9), 4);
}

TEST_F(RouteAspects, PrecedingTrainExactlyAtASignalIsProtectedByTheOneBehind) {
    run();
    w.route.Pre.Position = 9000;  // at signal 8 itself
    updateAspects(w.ctx);
    EXPECT_EQ(aspect(7), 0);
}

TEST_F(RouteAspects, RepeaterBehindTheProtectedSignalShowsTheSignalAhead) {
    w.line.Signal[6].HeadType = 0;
    run();
    w.route.Pre.Position = 8500;
    updateAspects(w.ctx);
    EXPECT_EQ(aspect(7), 0);
    EXPECT_EQ(aspect(6), 0);  // repeats signal 7
    EXPECT_EQ(aspect(5), 1);  // answers aspect 0 ahead
}

TEST_F(RouteAspects, ProtectedRepeaterMovesProtectionToTheFirstHeadBehindIt) {
    w.line.Signal[7].HeadType = 0;
    w.line.Signal[6].HeadType = -1;
    run();
    w.route.Pre.Position = 8500;
    updateAspects(w.ctx);
    EXPECT_EQ(w.route.ProtectedSignal, 5);
    EXPECT_EQ(aspect(5), 0);
    EXPECT_EQ(aspect(4), 1);
    EXPECT_EQ(aspect(6), 4);
    EXPECT_EQ(aspect(7), 4);
}

TEST_F(RouteAspects, WithoutPrecedingTrainEverySignalShowsTheHighestAspect) {
    run();
    w.route.Pre.Position = 0;
    updateAspects(w.ctx);
    for (int i = 0; i < 10; ++i) EXPECT_EQ(aspect(i), 4) << i;
}

TEST_F(RouteAspects, AlternativeRouteReadsDigitsFiveToNine) {
    w.line.Signal2[6].Digits = {1, 2, 3, 4, 4, 2, 3, 4, 4, 4};
    run();
    w.route.Pre.Position = 8500;
    toggleAlternativeRoute(w.ctx);
    updateAspects(w.ctx);
    EXPECT_EQ(aspect(6), 2);
    EXPECT_EQ(aspect(5), 3);  // digit 5 + 2 of "1234412344"
    toggleAlternativeRoute(w.ctx);
    updateAspects(w.ctx);
    EXPECT_EQ(aspect(6), 1);
}

TEST_F(RouteAspects, DigitsBeyondTheAspectTableAreHeldToTheHighestAspect) {
    w.line.Signal2[6].Digits = {9, 9, 9, 9, 9, 9, 9, 9, 9, 9};
    run();
    w.route.Pre.Position = 8500;
    updateAspects(w.ctx);
    EXPECT_EQ(aspect(6), 4);
}

TEST_F(RouteAspects, KindOneShowsItsFixedAspectUntilItsClockTime) {
    w.line.Signal[3].Control = 1;
    w.line.Signal[3].FixedAspect = 0;
    w.line.Signal[3].ClockTime = 1080000;  // 10:00:00
    run();
    w.route.Clock = 1079999;
    updateAspects(w.ctx);
    EXPECT_EQ(aspect(3), 0);
    EXPECT_EQ(aspect(2), 4);  // control kinds do not propagate
    w.route.Clock = 1080000;
    updateAspects(w.ctx);
    EXPECT_EQ(aspect(3), 4);
}

TEST_F(RouteAspects, KindThreeWaitsForTheDepartureAndTheClock) {
    w.line.Signal[2].Control = 3;
    w.line.Signal[2].FixedAspect = 0;
    w.line.Signal[2].ClockTime = 500;
    w.line.Signal[2].ReleaseStation = 1;
    run();
    w.route.Clock = 600;
    updateAspects(w.ctx);
    EXPECT_EQ(aspect(2), 0);
    w.line.Station[1].Progress.DepartureSignalled = true;
    updateAspects(w.ctx);
    EXPECT_EQ(aspect(2), 4);
    w.route.Clock = 400;
    updateAspects(w.ctx);
    EXPECT_EQ(aspect(2), 0);
}

TEST_F(RouteAspects, AnUnreleasedStartingSignalShowsItsFixedAspectOverItsOverride) {
    w.line.Signal[2].Control = 3;
    w.line.Signal[2].FixedAspect = 0;
    w.line.Signal[2].OverrideAspect = 3;
    w.line.Signal[2].ClockTime = 500;
    w.line.Signal[2].ReleaseStation = 1;
    run();
    w.route.Clock = 600;
    updateAspects(w.ctx);
    EXPECT_EQ(aspect(2), 0);
    w.line.Station[1].Progress.DepartureSignalled = true;
    updateAspects(w.ctx);
    EXPECT_EQ(aspect(2), 3) << "released: the override";
}

TEST_F(RouteAspects, OverrideAndAlwaysFixedKinds) {
    w.line.Signal[1].OverrideAspect = 2;
    w.line.Signal[4].Control = 2;
    w.line.Signal[4].FixedAspect = 1;
    run();
    EXPECT_EQ(aspect(1), 2);
    EXPECT_EQ(aspect(4), 1);
}

TEST_F(RouteAspects, StationClipShowsEverySignalsFixedAspect) {
    w.line.Signal[0].FixedAspect = 3;
    run();
    w.video.VideoMode = kVideoStationClip;
    updateAspects(w.ctx);
    EXPECT_EQ(aspect(0), 3);
    EXPECT_EQ(aspect(1), 0);
}

// ---------------------------------------------------------------------------------------------
// The signal in view and its sprites.

class RouteSignalView : public ::testing::Test {
protected:
    void SetUp() override {
        w.segment(0, 20000, 60, 60);
        w.line.Speed_Signal = {0, 25, 45, 75, 110};
        w.line.SignalImageList.X = 100;
        w.line.SignalImageList.Y = 50;
        data::SignalRecord& s = w.signal(1000, 2);
        s.X = 10;
        s.Y = 20;
        s.CallValue = 7;
        s.SubPlatePattern = 3;
        s.SubPlateX = 30;
        s.SubPlateY = 40;
        s.LeftPattern = 5;
        s.LeftStopPattern = 6;
        w.signal(3000, 2);
        w.derive();
        InitRouteState(w.ctx);
    }
    void at(int frame) {
        w.route.RoutePosition = frame;
        updateAspects(w.ctx);
        updateSignalInView(w.ctx);
    }

    RouteWorld w;
};

TEST_F(RouteSignalView, DisplayFrameTable) {
    EXPECT_EQ(displayFrameFor(0, 0, 100), 1);
    EXPECT_EQ(displayFrameFor(0, 3, 100), 2);
    EXPECT_EQ(displayFrameFor(4, 3, 100), 15);
    EXPECT_EQ(displayFrameFor(6, 4, 100), 25);
    EXPECT_EQ(displayFrameFor(7, 5, 160), 28);
    EXPECT_EQ(displayFrameFor(7, 5, 161), 29);
    EXPECT_EQ(displayFrameFor(8, 5, 161), 34);
    EXPECT_EQ(displayFrameFor(9, 7, 100), 42);
    EXPECT_EQ(displayFrameFor(-1, 2, 100), 0);
    EXPECT_EQ(displayFrameFor(3, 99, 100), 12);  // beyond the table: its last column
    EXPECT_EQ(aspectCallSlot(30), 0);
    EXPECT_EQ(aspectCallSlot(34), 21);
    EXPECT_EQ(aspectCallSlot(32), -1);
}

TEST_F(RouteSignalView, SignalInViewPlacesItsSpritesAndPassingClearsThem) {
    at(800);
    EXPECT_EQ(w.route.CurrentSignal, 0);
    EXPECT_EQ(w.route.CurrentDisplayFrame, 9);  // head 2, aspect 4
    EXPECT_EQ(w.route.PreviousDisplayFrame, 9);
    EXPECT_EQ(w.route.CurrentSignalCall, 7);
    const SignalSprites& s = w.route.signalSprites;
    EXPECT_EQ(s.main.pattern, 9);
    EXPECT_EQ(s.main.x, 110);
    EXPECT_EQ(s.main.y, 70);
    EXPECT_EQ(s.subPlate.pattern, 3);
    EXPECT_EQ(s.subPlate.x, 130);
    EXPECT_EQ(s.left.pattern, 5);
    EXPECT_TRUE(s.main.visible);

    at(1005);  // passing the signal
    EXPECT_EQ(w.route.CurrentSignal, kNone);
    EXPECT_EQ(w.route.CurrentDisplayFrame, kNone);
    EXPECT_EQ(w.route.CurrentSignalCall, kNone);
    EXPECT_FALSE(w.route.signalSprites.main.visible);
}

TEST_F(RouteSignalView, StopAspectSwapsTheSubSignalPattern) {
    w.line.Signal[0].Control = 2;
    w.line.Signal[0].FixedAspect = 0;
    at(800);
    EXPECT_EQ(w.route.CurrentDisplayFrame, 7);
    EXPECT_EQ(w.route.signalSprites.left.pattern, 6);
}

TEST_F(RouteSignalView, FirstSignalAfterARunStartAlwaysUpdatesAndQueuesItsAspectCall) {
    at(800);
    EXPECT_EQ(w.route.PendingAspectCount, 1);
    EXPECT_EQ(w.route.PendingAspect[0], 4);  // frame 9
    at(801);                                 // same frame: no second call
    EXPECT_EQ(w.route.PendingAspectCount, 1);
    at(1001);
    EXPECT_EQ(w.route.PendingAspectCount, 0);
    ResetRouteState(w.ctx);
    EXPECT_EQ(w.route.PreviousDisplayFrame, kForceSignalUpdate);
}

TEST_F(RouteSignalView, CabSignallingRingsTheBellAndShowsTheCabIndicator) {
    w.spec.ATS_Type = 2;
    w.spec.Sound_Atc = 3;
    w.mixer.attach(3, std::make_shared<sound::MemoryWave>("bell", 500));
    w.line.Signal[0].HeadType = 9;
    at(800);
    EXPECT_EQ(w.route.CurrentDisplayFrame, 39);
    EXPECT_EQ(w.mixer.Status(3), sound::ChannelStatus::Once);
    EXPECT_TRUE(w.route.signalSprites.cabSignal.visible);
    EXPECT_EQ(w.route.signalSprites.cabSignal.pattern, 4);
    at(1005);  // passing keeps the cab display
    EXPECT_EQ(w.route.CurrentDisplayFrame, 39);
    EXPECT_EQ(w.route.CurrentSignal, kNone);
}

TEST_F(RouteSignalView, SafetyHookRunsForTheSignalInViewOnly) {
    int calls = 0;
    int last = -1;
    w.ctx.onSignalInView = [&](int i) {
        ++calls;
        last = i;
    };
    at(2800);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(last, 1);
    at(1500);
    EXPECT_EQ(calls, 1);
}

// ---------------------------------------------------------------------------------------------
// Gradients.

class RouteGradient : public ::testing::Test {
protected:
    void SetUp() override {
        w.segment(0, 20000, 72, 72);  // 72 km/h at 30 frames/s: 66.67 cm per frame
        data::SlopeRecord up{*data::fixed4::parse("10"), 0, 100};
        data::SlopeRecord down{*data::fixed4::parse("-5.5"), 100, 200};
        w.line.Slope = {up, down};
        w.derive();
        InitRouteState(w.ctx);
    }
    void at(int frame) {
        w.route.RoutePosition = frame;
        updateCurrentGradient(w.ctx);
    }

    RouteWorld w;
};

TEST_F(RouteGradient, BothBoundsAreStrictAndGapsAreLevel) {
    at(50);
    EXPECT_EQ(w.route.Gradient, data::fixed4::fromInt(10));
    EXPECT_EQ(w.route.GradientText, "+10");
    EXPECT_EQ(w.route.GradientTextUnsigned, "10");
    EXPECT_EQ(w.route.slopePost.pattern, 1);
    at(100);  // neither record, no gap
    EXPECT_EQ(w.route.Gradient, data::fixed4::fromInt(10));
    at(101);
    EXPECT_EQ(w.route.GradientText, "-5.5");
    EXPECT_EQ(w.route.GradientTextUnsigned, "5.5");
    EXPECT_EQ(w.route.slopePost.pattern, 2);
    at(250);
    EXPECT_EQ(w.route.Gradient.raw, 0);
    EXPECT_EQ(w.route.GradientText, "L");
    EXPECT_EQ(w.route.slopePost.pattern, 0);
}

TEST_F(RouteGradient, EffectiveGradientFollowsOverTheTrainLengthInCarSteps) {
    w.route.Gradient = data::fixed4::fromInt(10);
    const long double expected[] = {2.5L, 5, 7.5L, 10, 10};
    for (long double e : expected) {
        w.route.LineDistance += 2000;  // exactly one car: not yet
        updateGradientHistory(w.ctx);
        w.route.LineDistance += 1;
        updateGradientHistory(w.ctx);
        EXPECT_DOUBLE_EQ(w.route.EffectiveGradient.toDouble(), static_cast<double>(e));
    }
    EXPECT_EQ(w.route.GradientHistory.size(), 4u);
}

TEST_F(RouteGradient, TrainWithoutCarsStillHasAGradient) {
    w.spec.Cars = 0;
    InitRouteState(w.ctx);
    w.route.Gradient = data::fixed4::fromInt(4);
    w.route.LineDistance = 5000;
    updateGradientHistory(w.ctx);
    EXPECT_EQ(w.route.EffectiveGradient, data::fixed4::fromInt(4));
}

// ---------------------------------------------------------------------------------------------
// Speed limits and approach boards. 60 km/h at 30 frames/s: 55.56 cm per frame.

class RouteLimits : public ::testing::Test {
protected:
    void SetUp() override {
        w.segment(0, 30000, 60, 60);
        data::SpeedLimitRecord a{};
        a.Limit = 45;
        a.SignPattern = 4;
        a.StartFrame = 2000;
        a.EndFrame = 3000;
        a.EndSignPattern = 9;
        data::SpeedLimitRecord b{};
        b.Limit = 80;
        b.SignPattern = 7;
        b.StartFrame = 5000;
        b.EndFrame = 6000;
        w.line.SpeedLimit = {a, b};
        w.derive();
        InitRouteState(w.ctx);
    }
    void at(int frame, long double speed) {
        w.route.RoutePosition = frame;
        w.route.LineDistance = static_cast<long double>(w.line.FrameToDistance(frame));
        w.vehicle.Speed = speed;
        updateLimits(w.ctx);
    }

    RouteWorld w;
};

TEST_F(RouteLimits, BrakingDistanceOfTheBoards) {
    EXPECT_EQ(boardBrakingDistance(60, 50), 10000);
    EXPECT_EQ(boardBrakingDistance(60, -50.4L), 10000);
    EXPECT_EQ(boardBrakingDistance(60, 90), 29833);  // (150 × 30 ÷ 21.6 + 90) m
    EXPECT_EQ(boardBrakingDistance(0, 0), 0);
}

TEST_F(RouteLimits, BoardShowsTheNextLimitEarlyOnlyWithinItsBrakingDistance) {
    at(1000, 90);  // 555 m before the limit; 90 → 45 needs 3 × 135 ÷ 21.6 + 90 = 371 m
    const ApproachBoard& a = w.route.Boards[kBoardA];
    EXPECT_EQ(a.state, 0);
    EXPECT_EQ(a.index, 0);
    EXPECT_EQ(a.speed, 45);
    EXPECT_FALSE(w.route.BoardAhead);
    EXPECT_FALSE(w.route.limitSign.visible);
    EXPECT_EQ(w.route.Boards[kBoardB].index, 1);
    at(1400, 90);  // 333 m before it
    EXPECT_TRUE(w.route.BoardAhead);
    EXPECT_TRUE(w.route.limitSign.visible);
    EXPECT_EQ(w.route.limitSign.pattern, 4);
    EXPECT_EQ(w.route.LimitSignPattern, 4);
    EXPECT_EQ(w.route.PendingLimitCall, 0);
    EXPECT_TRUE(w.route.LimitCallEnable2);
}

TEST_F(RouteLimits, LimitWindowSetsTheLimitAndTheEndSignStandsFor200Frames) {
    at(2500, 40);
    EXPECT_EQ(w.route.CurrentLimit, 45);
    EXPECT_EQ(w.route.limitSign.pattern, 4);
    at(3100, 40);
    EXPECT_EQ(w.route.CurrentLimit, 0);
    EXPECT_EQ(w.route.LimitSignPattern, kNone);
    EXPECT_TRUE(w.route.limitSign.visible);
    EXPECT_EQ(w.route.limitSign.pattern, 9);
    at(3250, 40);
    EXPECT_FALSE(w.route.limitSign.visible);
}

TEST_F(RouteLimits, MovieStopAheadHidesLimitsBeyondIt) {
    w.line.MovieStop = {1500};
    at(1000, 90);
    EXPECT_EQ(w.route.Boards[kBoardA].state, kBoardEmpty);
}

TEST_F(RouteLimits, PointCheckBoardCountsOnlyWhileItsSignalShowsStop) {
    w.line.Speed_Signal = {0, 25, 45, 75, 110};
    w.signal(9000);
    w.signal(9500);
    data::SpeedCheck1Record c{};
    c.DisplaySpeed = 25;
    c.Frame = 8000;
    c.Signal = 1;
    w.line.SpeedCheck1 = {c};
    w.derive();
    InitRouteState(w.ctx);
    updateAspects(w.ctx);
    at(7000, 60);
    EXPECT_EQ(w.route.Boards[kBoardCheck1].state, kBoardEmpty);
    w.route.Aspect[1] = 0;
    at(7000, 60);
    EXPECT_EQ(w.route.Boards[kBoardCheck1].state, 0);
    EXPECT_EQ(w.route.Boards[kBoardCheck1].speed, 25);
}

// ---------------------------------------------------------------------------------------------
// Tunnels, crossings, signs and animations.

class RouteLineside : public ::testing::Test {
protected:
    void SetUp() override {
        w.segment(0, 30000, 60, 60);
        w.station("A", 0);
        w.station("B", 20000);
        w.derive();
        InitRouteState(w.ctx);
    }
    void tunnel(std::int64_t a, std::int64_t b, int value) {
        data::TunnelRecord t{};
        t.FirstDistance = a;
        t.LastDistance = b;
        t.Value = value;
        w.line.Tunnel.push_back(t);
    }
    void at(int frame) {
        w.route.RoutePosition = frame;
        w.route.LineDistance = static_cast<long double>(w.line.FrameToDistance(frame));
    }

    RouteWorld w;
};

TEST_F(RouteLineside, TunnelLevelRampsOverFifteenMetresAtBothEnds) {
    tunnel(10000, 100000, 10);
    const std::pair<long double, int> cases[] = {{10000, 0},  {10750, 5}, {11499, 10}, {11500, 10},
                                                 {50000, 10}, {99250, 5}, {99990, 0}};
    for (auto [d, level] : cases) {
        w.route.LineDistance = d;
        updateTunnels(w.ctx);
        EXPECT_EQ(w.route.TunnelLevel, level) << static_cast<double>(d);
        EXPECT_EQ(w.route.InTunnel, d > 10000) << static_cast<double>(d);
    }
    w.route.LineDistance = 100000;
    updateTunnels(w.ctx);
    EXPECT_FALSE(w.route.InTunnel);
}

TEST_F(RouteLineside, TunnelOfValueZeroAndOverlappingSections) {
    tunnel(0, 50000, 0);
    tunnel(20000, 40000, 8);
    w.route.LineDistance = 10000;
    updateTunnels(w.ctx);
    EXPECT_TRUE(w.route.InTunnel);
    EXPECT_EQ(w.route.TunnelLevel, 0);
    w.route.LineDistance = 30000;
    updateTunnels(w.ctx);
    EXPECT_EQ(w.route.TunnelLevel, 8);  // the later record wins
}

TEST_F(RouteLineside, CrossingsWarnInOrderAndClearAsTheyArePassed) {
    w.line.Cross = {{3, 0, 1000, 1300, 1}, {5, 0, 1200, 1600, 0}};
    at(1005);
    updateCrossings(w.ctx);
    EXPECT_EQ(w.route.ActiveCrossings[0], 0);
    EXPECT_EQ(w.route.ShownCrossing, kNoCrossing);  // still in its warning window
    at(1100);
    updateCrossings(w.ctx);
    EXPECT_EQ(w.route.crossIndicator.pattern, 3);
    EXPECT_TRUE(w.route.crossIndicator.visible);
    EXPECT_EQ(w.route.DistanceText, "踏切まで 111m");  // 200 frames at 55.56 cm
    at(1210);
    updateCrossings(w.ctx);
    EXPECT_EQ(w.route.ActiveCrossings[1], 1);
    at(1305);  // passing the first crossing
    updateCrossings(w.ctx);
    EXPECT_EQ(w.route.ActiveCrossings[0], 1);
    at(1306);  // still passing it: the scan stops, the second crossing stays
    updateCrossings(w.ctx);
    EXPECT_EQ(w.route.ActiveCrossings[0], 1);
    EXPECT_EQ(w.route.crossIndicator.pattern, 5);
    at(1605);
    updateCrossings(w.ctx);
    EXPECT_EQ(w.route.ActiveCrossings[0], kNoCrossing);
    EXPECT_FALSE(w.route.crossIndicator.visible);
    EXPECT_TRUE(w.route.DistanceText.empty());
}

TEST_F(RouteLineside, CrossingLampGoesOutOnceItsStationsDepartureIsSignalled) {
    w.line.Cross = {{3, 0, 1000, 1300, 1}};
    at(1005);
    updateCrossings(w.ctx);
    at(1100);
    updateCrossings(w.ctx);
    EXPECT_TRUE(w.route.CrossLamp);
    w.line.Station[1].Progress.DepartureSignalled = true;
    updateCrossings(w.ctx);
    EXPECT_FALSE(w.route.CrossLamp);
    EXPECT_FALSE(w.route.crossIndicator.visible);
}

TEST_F(RouteLineside, JumpRebuildsTheActiveCrossings) {
    w.line.Cross = {{3, 0, 1000, 1300, 0}, {5, 0, 1200, 1600, 0}, {6, 0, 5000, 5100, 0}};
    at(1250);
    rebuildActiveCrossings(w.ctx);
    EXPECT_EQ(w.route.ActiveCrossings[0], 0);
    EXPECT_EQ(w.route.ActiveCrossings[1], 1);
    EXPECT_EQ(w.route.ActiveCrossings[2], kNoCrossing);
}

TEST_F(RouteLineside, SignChangesOverAfterItsCountAndHidesOutsideItsWindow) {
    w.line.Sign = {{10, 100, 200, 3}};
    at(150);
    for (int i = 0; i < 4; ++i) updateSigns(w.ctx);
    EXPECT_EQ(w.route.OtherSignPattern, 10);
    updateSigns(w.ctx);
    EXPECT_EQ(w.route.OtherSignPattern, 11);
    EXPECT_EQ(w.route.PendingOtherCall, 10);
    at(250);
    updateSigns(w.ctx);
    EXPECT_EQ(w.route.OtherSignPattern, kNone);
    EXPECT_FALSE(w.route.otherSign.visible);
    EXPECT_EQ(w.route.PendingOtherCall, kNone);
}

TEST_F(RouteLineside, TimingPointShowsWhileRunningFarFromTheStop) {
    w.line.Time = {{100, 200, 500}};
    at(150);
    w.vehicle.Speed = 40;
    w.route.RemainingDistance = 50000;
    updateSigns(w.ctx);
    EXPECT_TRUE(w.route.otherSign.visible);
    EXPECT_EQ(w.route.OtherSignPattern, 0);
    EXPECT_EQ(w.route.PendingOtherCall, kTimeCheckCall);
}

TEST_F(RouteLineside, AnimationStepsThroughFourteenPatterns) {
    w.line.Anim = {{100, 5000, 1, 20}};
    at(150);
    updateAnimations(w.ctx);
    EXPECT_EQ(w.route.animSprite.pattern, 20);
    int last = 20;
    for (int i = 0; i < 28; ++i) {
        updateAnimations(w.ctx);
        last = w.route.animSprite.pattern;
        EXPECT_GE(last, 20);
        EXPECT_LE(last, 33);
    }
    EXPECT_EQ(w.route.AnimStep, 0);  // 28 updates, held 2 each: one full cycle
    at(6000);
    updateAnimations(w.ctx);
    EXPECT_EQ(w.route.animSprite.pattern, 0);
}

TEST_F(RouteLineside, TrafficSignalCyclesThroughItsPhasesAndShowsInView) {
    data::TrafficSignalRecord t{};
    t.FirstFrame = 100;
    t.LastFrame = 300;
    t.Phase[0] = {1, 2, 0};
    t.Phase[1] = {2, 1, 0};
    t.Phase[2] = {3, 0, 0};  // a phase of length 0 is passed over without showing
    for (int k = 3; k < 6; ++k) t.Phase[static_cast<std::size_t>(k)] = {4, 1, 0};
    w.line.TrafficSignal = {t};
    InitRouteState(w.ctx);
    at(150);
    updateTrafficSignals(w.ctx);  // counter 2 → 1; entering shows phase 1
    EXPECT_EQ(w.route.trafficSprite.pattern, 1);
    updateTrafficSignals(w.ctx);  // → phase 2
    EXPECT_EQ(w.route.trafficSprite.pattern, 2);
    EXPECT_TRUE(w.route.TrafficChanged);
    updateTrafficSignals(w.ctx);  // → phase 3, length 0: not shown
    EXPECT_EQ(w.route.trafficSprite.pattern, 2);
    updateCrossings(w.ctx);
    EXPECT_EQ(w.route.DistanceText.rfind("信号まで ", 0), 0u);
}

TEST_F(RouteLineside, SectionMaximumSpeedFollowsTheStationBehind) {
    w.line.Station[0].MaxSpeed = 95;
    w.line.Station[1].MaxSpeed = 110;
    at(100);
    updateSectionMaxSpeed(w.ctx);
    EXPECT_EQ(w.route.SectionMaxSpeed, 95);
    EXPECT_EQ(w.route.SectionMaxText, "最高95");
    at(25000);  // beyond the last station: kept
    updateSectionMaxSpeed(w.ctx);
    EXPECT_EQ(w.route.SectionMaxSpeed, 95);
}

}  // namespace
}  // namespace tressmoor::route
