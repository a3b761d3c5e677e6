// The safety system: the bell at a stop signal, acknowledge and reset, speed checks, beacon
// reception and the braking patterns.
#include "route/safety.h"

#include <gtest/gtest.h>

#include "route/route_update.h"
#include "station_test_world.h"

namespace tressmoor::route {
namespace {

using testing::kBell;
using testing::kButton;
using testing::kChime;
using testing::kPatternBell;
using testing::StationWorld;

// One straight line at a recording speed of 60 km/h (30 frames/s: 55.6 cm per frame) with a
// block signal at frame 3000 (coil at 2900, check window from 2950) and stations at both ends.
class SafetyWorld : public ::testing::Test {
protected:
    void SetUp() override {
        w.segment(0, 20000, 60, 60);
        w.line.Speed_Signal = {0, 25, 45, 75, 110};
        auto& sig = w.signal(3000);
        sig.CoilFrame = 2900;
        sig.CheckFrame = 2950;
        w.station("A", 100);
        w.station("B", 15000);
    }
    void build() {
        w.derive();
        InitRouteState(w.ctx);
        w.route.SectionMaxSpeed = 100;
        w.route.Aspect[0] = 0;
        w.route.DisplayFrame[0] = 4;
    }
    /// Runs `frames` frames of `ms` each.
    void run(int frames, long double ms = 100) {
        w.frame.dtMs = ms;
        for (int i = 0; i < frames; ++i) {
            UpdateSafety(w.sctx);
            w.mixer.advance(static_cast<double>(ms));
        }
    }
    long double signalDistance() const {
        return static_cast<long double>(w.line.FrameToDistance(3000));
    }

    StationWorld w;
};

// ---------------------------------------------------------------------------------------------
// Bell family ([ATS_Type] 0).

using SafetyBell = SafetyWorld;

TEST_F(SafetyBell, CoilAtAStopSignalRingsAndBrakesWhenNotAcknowledged) {
    build();
    w.vehicle.PowerHandle = 3;
    w.route.RoutePosition = 2890;
    CheckSignalInView(w.sctx, 0);
    EXPECT_EQ(w.safety.CheckValue, kCheckStopAlarm);

    run(1);
    EXPECT_TRUE(w.safety.AlarmRinging);
    EXPECT_EQ(w.mixer.Status(kBell), sound::ChannelStatus::Looping);
    EXPECT_TRUE(w.safety.Lamps.Ats2);
    EXPECT_FALSE(w.safety.Lamps.Ats3);
    EXPECT_EQ(w.safety.Lamps.CabAspectHides, 1u);
    EXPECT_FALSE(w.vehicle.EmergencyTrip);

    run(48);  // 4.9 s rung
    EXPECT_FALSE(w.vehicle.EmergencyTrip);
    run(1);  // 5.0 s: [ATS_Time]
    EXPECT_TRUE(w.vehicle.EmergencyTrip);
    EXPECT_EQ(w.vehicle.PowerHandle, 0);
    EXPECT_TRUE(w.vehicle.BrakePending);
}

TEST_F(SafetyBell, AcknowledgeNeedsTheBrakeAndStartsTheChimeWhichResetSilences) {
    build();
    w.route.RoutePosition = 2900;
    CheckSignalInView(w.sctx, 0);
    run(1);
    ASSERT_TRUE(w.safety.AlarmRinging);

    w.vehicle.BrakeHandle = 0;
    EXPECT_FALSE(SafetyAcknowledge(w.sctx));
    w.vehicle.BrakeHandle = -2;
    EXPECT_TRUE(SafetyAcknowledge(w.sctx));
    EXPECT_EQ(w.safety.CheckValue, kCheckNone);

    run(1);
    EXPECT_FALSE(w.safety.AlarmRinging);
    EXPECT_FALSE(w.playing(kBell));
    EXPECT_EQ(w.mixer.Status(kChime), sound::ChannelStatus::Looping);  // [ATS_Cnt] 0
    EXPECT_TRUE(w.safety.Lamps.Ats3);
    EXPECT_FALSE(w.safety.Lamps.Ats2);

    run(100);  // no emergency after the acknowledgement
    EXPECT_FALSE(w.vehicle.EmergencyTrip);
    SafetyReset(w.sctx);
    EXPECT_FALSE(w.playing(kChime));
}

TEST_F(SafetyBell, TheCoilActsOncePerPassSoAPromptAcknowledgementHolds) {
    build();
    w.route.RoutePosition = 2886;  // the first frame over the coil (|2886 − 2900| < 15)
    CheckSignalInView(w.sctx, 0);
    run(1);
    ASSERT_TRUE(w.safety.AlarmRinging);
    w.vehicle.BrakeHandle = -2;
    ASSERT_TRUE(SafetyAcknowledge(w.sctx));
    for (int pos = 2887; pos <= 2914; ++pos) {  // still over the coil for 28 frames
        w.route.RoutePosition = pos;
        CheckSignalInView(w.sctx, 0);
        run(1);
        ASSERT_FALSE(w.safety.AlarmRinging) << pos;
    }
    EXPECT_EQ(w.safety.CheckValue, kCheckNone);
    run(60);
    EXPECT_FALSE(w.vehicle.EmergencyTrip);

    w.route.RoutePosition = 2915;  // off the coil; a new pass acts again
    CheckSignalInView(w.sctx, 0);
    w.route.RoutePosition = 2900;
    CheckSignalInView(w.sctx, 0);
    EXPECT_EQ(w.safety.CheckValue, kCheckStopAlarm);
}

TEST_F(SafetyBell, AfterAnAcknowledgementTheNextAlarmGivesTheFullTimeAgain) {
    build();
    w.route.RoutePosition = 2900;
    CheckSignalInView(w.sctx, 0);
    run(30);  // 3 s of the 5 s rung
    w.vehicle.BrakeHandle = -2;
    ASSERT_TRUE(SafetyAcknowledge(w.sctx));
    run(1);
    w.vehicle.BrakeHandle = 0;
    w.route.RoutePosition = 2920;  // off the coil, then over it again
    CheckSignalInView(w.sctx, 0);
    w.route.RoutePosition = 2905;
    CheckSignalInView(w.sctx, 0);
    run(1);
    ASSERT_TRUE(w.safety.AlarmRinging);
    run(48);  // 4.9 s since the second alarm started
    EXPECT_FALSE(w.vehicle.EmergencyTrip);
    run(1);
    EXPECT_TRUE(w.vehicle.EmergencyTrip);
}

TEST_F(SafetyBell, AStopCheckBrakesOnceAndOneResetAtRestReleasesIt) {
    build();
    w.route.DisplayFrame[0] = 7;  // stop
    w.route.RoutePosition = 2955;
    CheckSignalInView(w.sctx, 0);
    ASSERT_EQ(w.safety.CheckValue, kCheckStop);
    run(1);
    EXPECT_TRUE(w.safety.AlarmRinging);
    EXPECT_TRUE(w.vehicle.EmergencyTrip);
    EXPECT_EQ(w.safety.CheckValue, kCheckNone) << "the check has done its work";
    run(150);  // 15 s to a stand, the bell still ringing

    w.route.RoutePosition = 2990;
    w.vehicle.Speed = 0;
    w.vehicle.BrakeHandle = -8;
    ASSERT_TRUE(SafetyReset(w.sctx));
    run(49);  // the driver has the full time to acknowledge the bell
    EXPECT_FALSE(w.vehicle.EmergencyTrip);
    w.vehicle.BrakeHandle = -2;
    EXPECT_TRUE(SafetyAcknowledge(w.sctx));
    run(100);
    EXPECT_FALSE(w.vehicle.EmergencyTrip);
}

TEST_F(SafetyBell, HeldSafetyKeyActsOnceAsTheAcknowledgeButton) {
    build();
    w.route.RoutePosition = 2900;
    CheckSignalInView(w.sctx, 0);
    run(1);
    w.vehicle.BrakeHandle = -3;
    SafetyKeyHeld(w.sctx, true);
    EXPECT_TRUE(w.playing(kButton));
    EXPECT_FALSE(w.safety.AlarmRinging);
    w.mixer.Stop(kButton);
    SafetyKeyHeld(w.sctx, true);  // still held: no second press
    EXPECT_FALSE(w.playing(kButton));
}

TEST_F(SafetyBell, NoAlarmWhenTheBrakeAlreadyStandsInItsLastPosition) {
    build();
    w.vehicle.BrakeHandle = -8;
    w.route.RoutePosition = 2900;
    CheckSignalInView(w.sctx, 0);
    run(10);
    EXPECT_FALSE(w.safety.AlarmRinging);
    EXPECT_FALSE(w.playing(kBell));
}

TEST_F(SafetyBell, EmergencyStaysUntilResetAtRestWithTheHandleAtEmergency) {
    build();
    w.vehicle.EmergencyTrip = true;
    w.vehicle.Speed = 0.05L;
    w.vehicle.BrakeHandle = -7;
    EXPECT_FALSE(SafetyReset(w.sctx));
    w.vehicle.BrakeHandle = -8;
    w.vehicle.Speed = 0.2L;
    EXPECT_FALSE(SafetyReset(w.sctx));
    w.vehicle.Speed = 0.05L;
    EXPECT_TRUE(SafetyReset(w.sctx));
    EXPECT_FALSE(w.vehicle.EmergencyTrip);

    w.vehicle.ServiceTrip = true;  // a service demand alone: any braking position will do
    w.vehicle.BrakeHandle = -1;
    EXPECT_TRUE(SafetyReset(w.sctx));
    EXPECT_FALSE(w.vehicle.ServiceTrip);
}

TEST_F(SafetyBell, SwitchedOffNothingRunsAndTheLampIsDark) {
    build();
    SetSafetyOn(w.sctx, false);
    EXPECT_FALSE(w.safety.Lamps.Ats1);
    w.route.RoutePosition = 2900;
    CheckSignalInView(w.sctx, 0);
    run(100);
    EXPECT_EQ(w.safety.CheckValue, kCheckNone);
    EXPECT_FALSE(w.safety.AlarmRinging);
    EXPECT_FALSE(w.vehicle.EmergencyTrip);
}

TEST_F(SafetyBell, OverspeedAtTheSignalsCheckWindowRingsWithTheOverspeedVariant) {
    w.spec.ATS_Alert = 1;
    build();
    w.route.Aspect[0] = 2;
    w.route.DisplayFrame[0] = 8;  // head 2, aspect 2: checks entry 2 (45 km/h)
    w.route.RoutePosition = 2960;
    w.route.CurrentDisplayFrame = 8;
    w.vehicle.Speed = 50;
    CheckSignalInView(w.sctx, 0);
    EXPECT_EQ(w.safety.CheckValue, 45);
    EXPECT_TRUE(w.safety.AlarmRinging);
    EXPECT_EQ(w.route.CurrentDisplayFrame, kNone);  // display state cleared

    w.safety.AlarmRinging = false;
    w.vehicle.Speed = 40;
    CheckSignalInView(w.sctx, 0);
    EXPECT_FALSE(w.safety.AlarmRinging);
}

// ---------------------------------------------------------------------------------------------
// Line speed checks.

using SafetyChecks = SafetyWorld;

TEST_F(SafetyChecks, PointCheckBehindTheStartIsNotMadeAgainAndOneAheadBrakesAtOnce) {
    data::SpeedCheck1Record behind;
    behind.CheckSpeed = 30;
    behind.Frame = 500;
    data::SpeedCheck1Record ahead = behind;
    ahead.Frame = 2000;
    w.line.SpeedCheck1 = {behind, ahead};
    build();
    w.route.LineDistance = static_cast<long double>(w.line.FrameToDistance(1000));
    ResetSafety(w.sctx);
    EXPECT_TRUE(w.line.SpeedCheck1[0].Made);
    EXPECT_FALSE(w.line.SpeedCheck1[1].Made);

    w.vehicle.Speed = 40;
    run(1);
    EXPECT_FALSE(w.safety.AlarmRinging);
    w.route.LineDistance = static_cast<long double>(w.line.FrameToDistance(2001));
    run(1);
    EXPECT_TRUE(w.safety.AlarmRinging);
    EXPECT_TRUE(w.line.SpeedCheck1[1].Made);
    run(1);  // the timer already stood at [ATS_Time]
    EXPECT_TRUE(w.vehicle.EmergencyTrip);
}

TEST_F(SafetyChecks, WindowCheckThreeBrakesAboveItsSpeedAndReleasesBelow) {
    data::WindowCheckRecord window;
    window.CheckSpeed = 45;
    window.FirstFrame = 1000;
    window.LastFrame = 2000;
    w.line.SpeedCheck3 = {window};
    build();
    w.route.RoutePosition = 1500;
    w.vehicle.Speed = 50;
    run(1);
    EXPECT_TRUE(w.vehicle.ServiceTrip);
    EXPECT_EQ(w.safety.CabIndicatorSpeed, 45);
    EXPECT_EQ(w.safety.CabIndicatorAspect, 2);
    w.vehicle.Speed = 44;
    run(1);
    EXPECT_FALSE(w.vehicle.ServiceTrip);
    w.route.RoutePosition = 2500;
    run(1);
    EXPECT_EQ(w.safety.CabIndicatorSpeed, -1);
}

// ---------------------------------------------------------------------------------------------
// Pattern family ([ATS_Type] 1): patterns, beacons, braking and release.

class SafetyPatterns : public SafetyWorld {
protected:
    void SetUp() override {
        SafetyWorld::SetUp();
        w.spec.ATS_Type = 1;
    }
};

TEST_F(SafetyPatterns, AfterAStopCheckOneResetAtRestLetsTheTrainMoveOn) {
    build();
    w.route.DisplayFrame[0] = 7;
    w.route.RoutePosition = 2955;
    w.vehicle.Speed = 20;
    CheckSignalInView(w.sctx, 0);
    run(1);
    ASSERT_TRUE(w.vehicle.EmergencyTrip);
    EXPECT_EQ(w.safety.PatternState, kPatternStop);
    EXPECT_EQ(w.safety.CheckValue, kCheckNone);
    EXPECT_EQ(w.safety.AlarmTimer, 0);

    w.vehicle.Speed = 0;  // at a stand, the signal clears
    w.vehicle.BrakeHandle = -8;
    w.route.Aspect[0] = 3;
    w.route.DisplayFrame[0] = 9;
    run(5);
    ASSERT_TRUE(SafetyReset(w.sctx));
    run(10);
    EXPECT_FALSE(w.vehicle.EmergencyTrip);
    EXPECT_EQ(w.safety.PatternState, kPatternNone);
}

TEST_F(SafetyPatterns, CurvesOfTheThreeTargetKinds) {
    const auto signal = computePatterns(2, 10, 21000, 110);
    EXPECT_EQ(signal.B, 72);
    EXPECT_EQ(signal.W, 62);
    EXPECT_EQ(computePatterns(3, 0, 10000, 110).B, 50);
    EXPECT_EQ(computePatterns(2, 10, 900, 110).B, 10);  // within 10 m: the target speed
    EXPECT_EQ(computePatterns(2, 10, 5000, 110).W, 0);
    EXPECT_EQ(computePatterns(1, 65, 500000, 110).B, 110);  // capped
}

TEST_F(SafetyPatterns, RedSignalIsReceivedOnlyInsideTheBeaconWindows) {
    build();
    const long double target = signalDistance();
    w.route.LineDistance = target - 28550;  // 285.5 m: before the window
    run(1);
    EXPECT_EQ(w.safety.TargetIndex, kNoTarget);
    w.route.LineDistance = target - 28250;
    run(1);
    EXPECT_EQ(w.safety.TargetIndex, 0);
    EXPECT_EQ(w.safety.TargetSpeed, 10);
    ASSERT_FALSE(w.log.empty());
    EXPECT_EQ(w.log.back(), "停止信号0まで282m");
    const auto lines = w.log.size();
    run(1);  // still inside the same beacon: no second line
    EXPECT_EQ(w.log.size(), lines);

    w.route.LineDistance = target - 25000;  // between beacons the target stays
    run(1);
    EXPECT_EQ(w.safety.TargetIndex, 0);

    w.route.Aspect[0] = 3;  // the signal clears: released at the next beacon only
    run(1);
    EXPECT_EQ(w.safety.TargetIndex, 0);
    w.route.LineDistance = target - 18100;
    run(1);
    EXPECT_EQ(w.safety.TargetIndex, kNoTarget);
    EXPECT_EQ(w.log.back(), "パターン0消去: 信号まで181m");
}

TEST_F(SafetyPatterns, AboveTheStopPatternServiceBrakesAndResetAtRestEndsIt) {
    build();
    const long double target = signalDistance();
    w.route.LineDistance = target - 28250;
    w.vehicle.Speed = 80;
    run(1);
    w.route.LineDistance = target - 21000;  // B = 72
    run(1);
    EXPECT_EQ(w.safety.PatternB, 72);
    EXPECT_EQ(w.safety.PatternState, kPatternStop);
    EXPECT_EQ(w.log.back(), "10km/h照査によって停止ブレーキ 速度80 パターン72");
    EXPECT_TRUE(w.vehicle.ServiceTrip);
    EXPECT_TRUE(w.safety.Lamps.ATSP2);
    EXPECT_TRUE(w.playing(kPatternBell));

    w.vehicle.Speed = 0;
    w.vehicle.BrakeHandle = -7;
    run(1);
    EXPECT_EQ(w.safety.PatternState, kPatternStop);  // held until the reset
    EXPECT_TRUE(SafetyReset(w.sctx));
    run(1);
    EXPECT_EQ(w.safety.PatternState, kPatternNone);
    EXPECT_EQ(w.log.back(), "パターンなし");
    EXPECT_FALSE(w.safety.Lamps.ATSP1);
    EXPECT_FALSE(w.safety.Lamps.ATSP2);
}

TEST_F(SafetyPatterns, LimitPatternBrakesAndReleasesTenBelowTheTarget) {
    data::SpeedLimitRecord limit;
    limit.Limit = 60;
    limit.TargetType = 1;
    limit.StartFrame = 6000;
    w.line.SpeedLimit = {limit};
    build();
    w.route.Aspect[0] = 4;
    const long double target = static_cast<long double>(w.line.FrameToDistance(6000));
    w.route.LineDistance = target - 13100;
    w.vehicle.Speed = 90;
    run(1);
    EXPECT_EQ(w.safety.TargetSpeed, 65);
    ASSERT_GE(w.log.size(), 2u);
    EXPECT_EQ(w.log[w.log.size() - 2], "65km/h照査まで131m");
    EXPECT_EQ(w.log.back(), "65km/h照査によってブレーキ 速度90 パターン85");
    EXPECT_EQ(w.safety.PatternState, kPatternBrake);
    EXPECT_TRUE(w.vehicle.ServiceTrip);
    w.vehicle.Speed = 55.4L;  // rounds to 55, not below 65 − 10
    run(1);
    EXPECT_TRUE(w.vehicle.ServiceTrip);
    w.vehicle.Speed = 54;
    run(1);
    EXPECT_EQ(w.log.back(), "ブレーキ緩解");
    EXPECT_FALSE(w.vehicle.ServiceTrip);
}

TEST_F(SafetyPatterns, LimitTargetIsReleasedFourMetresBeforeIt) {
    data::SpeedLimitRecord limit;
    limit.Limit = 60;
    limit.TargetType = 1;
    limit.StartFrame = 6000;
    w.line.SpeedLimit = {limit};
    build();
    w.route.Aspect[0] = 4;
    const long double target = static_cast<long double>(w.line.FrameToDistance(6000));
    w.vehicle.Speed = 30;
    w.route.LineDistance = target - 2100;
    run(1);
    ASSERT_EQ(w.safety.TargetIndex, 1);
    w.route.LineDistance = target - 400;
    run(1);
    EXPECT_EQ(w.safety.TargetIndex, kNoTarget);
    EXPECT_EQ(w.log.back(), "速度照査パターン消去");
}

TEST_F(SafetyPatterns, TheVariantWithApproachWarningsBrakesWithTheEmergencyDemand) {
    w.spec.ATS_Alert = 1;
    build();
    const long double target = signalDistance();
    w.route.LineDistance = target - 28250;
    w.vehicle.Speed = 75;  // B at 282 m is 84: within 15 km/h
    run(1);
    EXPECT_EQ(w.safety.PatternState, kPatternApproach);
    EXPECT_EQ(w.log.back(), "ATS-PTパターン接近");
    EXPECT_TRUE(w.safety.Lamps.ATSP1);
    w.vehicle.Speed = 90;
    run(1);
    EXPECT_EQ(w.safety.PatternState, kPatternStop);
    EXPECT_TRUE(w.vehicle.EmergencyTrip);
}

TEST_F(SafetyPatterns, StationTargetIsHeldUntilTheDoorsClosedForTheDeparture) {
    w.line.Station[1].OverrunAllowance = 5;  // the target lies 5 m beyond B's stop position
    build();
    w.route.Aspect[0] = 4;
    const long double target = static_cast<long double>(w.line.Station[1].StopDistance) + 500;
    w.vehicle.Speed = 40;
    w.route.LineDistance = target - 13100;
    run(1);
    EXPECT_EQ(w.safety.TargetSpeed, 0);
    EXPECT_EQ(w.log.back(), "停車駅まで131m");
    EXPECT_EQ(w.safety.PatternB, 57);  // round(√(25.2 × 131))

    w.line.Station[1].Progress.DoorsClosedForDeparture = true;
    w.route.LineDistance = target - 300;
    w.vehicle.Speed = 5;
    run(1);
    EXPECT_EQ(w.safety.TargetIndex, kNoTarget);
    EXPECT_EQ(w.log.back(), "停車駅パターン消去");
}

TEST_F(SafetyPatterns, ContinuousVariantBrakesSlowTrainsWithTheEmergencyBrake) {
    w.spec.ATS_Alert = 2;
    build();
    const long double target = signalDistance();
    w.route.LineDistance = target - 5100;  // received at once, no beacon needed for the release
    w.vehicle.Speed = 20;
    run(1);
    ASSERT_EQ(w.safety.TargetIndex, 0);
    w.route.LineDistance = target - 900;  // B = 10
    run(1);
    EXPECT_EQ(w.safety.PatternState, kPatternBrake);
    EXPECT_TRUE(w.vehicle.EmergencyTrip);
    EXPECT_EQ(w.mixer.Status(kBell), sound::ChannelStatus::Looping);
    w.vehicle.Speed = 9;
    run(1);
    EXPECT_EQ(w.safety.PatternState, kPatternNone);
    EXPECT_EQ(w.log.back(), "ブレーキ緩解");
    EXPECT_TRUE(w.vehicle.EmergencyTrip);  // only the reset button withdraws it
}

}  // namespace
}  // namespace tressmoor::route
