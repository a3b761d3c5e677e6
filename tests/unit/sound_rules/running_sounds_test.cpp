// Sounds of the train itself: brakes, squeak, safety warning, vigilance ring, stop alarm, horns.
#include <cmath>
#include <string>
#include <vector>

#include "sound_rules_fixture.h"

namespace tressmoor::sound::testing {
namespace {

using BrakeSounds = SoundRulesTest;

TEST_F(BrakeSounds, FurtherNotchPlaysOnceTheCylindersTakeAir) {
    build();
    frames();  // the first frame only notes where the handle stands
    vehicle.BrakeHandle = -2;
    frames(3);
    EXPECT_EQ(starts(kBk), 0) << "no air yet";
    setCylinder(60);
    frames(5);
    EXPECT_EQ(starts(kBk), 1) << "one start per handle movement";
    vehicle.BrakeHandle = -1;
    frames(2);
    EXPECT_EQ(starts(kBr), 1) << "first sound of the row below half the full-service pressure";
    setCylinder(300);
    vehicle.BrakeHandle = 0;
    frames();
    EXPECT_EQ(starts(kBrStrong), 1) << "second sound at or above half";
}

TEST_F(BrakeSounds, StartingAtEmergencyIsSilentAndLeavingItPlaysTheRelease) {
    vehicle.BrakeHandle = -8;
    setCylinder(480);
    build();
    frames(3);
    EXPECT_EQ(starts(kEb), 0);
    EXPECT_EQ(starts(kBa), 0);
    vehicle.BrakeHandle = 0;
    frames();
    EXPECT_EQ(starts(kBrStrong), 1);
}

TEST_F(BrakeSounds, EmergencyPlaysOncePerVisit) {
    build();
    frames();
    vehicle.BrakeHandle = -8;
    frames(10);
    EXPECT_EQ(starts(kEb), 1);
    EXPECT_EQ(starts(kBa), 1);
    vehicle.BrakeHandle = -7;
    frames();
    vehicle.BrakeHandle = -8;
    frames();
    EXPECT_EQ(starts(kEb), 2);
}

TEST_F(BrakeSounds, StepBrakeEmergencyDependsOnSpeedAndPressure) {
    spec.BrakeType = 2;
    build();
    frames();
    vehicle.BrakeHandle = -8;
    vehicle.Speed = 20;  // below the 30 km/h of [Sound_EB]
    frames();
    EXPECT_EQ(starts(kEb), 0);
    vehicle.Speed = 50;
    frames();
    EXPECT_EQ(starts(kEb), 1);
}

TEST_F(BrakeSounds, BrakeValveLevelsFollowThePipe) {
    spec.BrakeType = 0;
    build();
    vehicle.BrakeHandle = -3;
    vehicle.BrakePipe = 50;
    frames();
    EXPECT_TRUE(playing(kApply));
    EXPECT_EQ(mixer.volume(kApply), -602);  // 2000 × log10(0.5)
    vehicle.BrakeHandle = -2;
    frames();
    EXPECT_FALSE(playing(kApply));

    vehicle.BrakeHandle = 0;
    vehicle.BrakePipe = 470;
    vehicle.MainReservoir = data::fixed4::fromInt(800);
    frames();
    EXPECT_TRUE(playing(kExhaust));
    EXPECT_EQ(mixer.volume(kExhaust), -1398);  // 2000 × log10((490 − 470) ÷ 100)
    vehicle.BrakePipe = 300;
    frames();
    EXPECT_EQ(mixer.volume(kExhaust), 0);
    vehicle.BrakePipe = 495;
    frames();
    EXPECT_FALSE(playing(kExhaust));
}

TEST_F(BrakeSounds, SqueakFollowsTheAirBrakeAndDiesAway) {
    spec.BrakeType2 = 1;
    build();
    setCylinder(400);
    vehicle.Speed = 5;
    frames();
    EXPECT_TRUE(playing(kSqueak));
    EXPECT_EQ(mixer.volume(kSqueak), 0) << "full at low speed and full pressure";
    vehicle.Speed = 40;
    frames();
    EXPECT_EQ(mixer.volume(kSqueak), -2408);  // (10 ÷ 40)² → 2000 × log10(1/16)
    vehicle.EBrakeValue = 5;
    frames();
    EXPECT_EQ(mixer.volume(kSqueak), -2508) << "lowered by 100 a frame";
    vehicle.EBrakeValue = 0;
    setCylinder(0);
    vehicle.Speed = 0.5L;
    frames(3);
    EXPECT_FALSE(playing(kSqueak)) << "stopped once below -5000";
}

TEST_F(BrakeSounds, OnlyAnElectricBrakeThatActsSilencesTheSqueak) {
    // Without an electric brake the value a [CurrentB] table computes brakes nothing.
    spec.BrakeType2 = 0;
    build();
    setCylinder(400);
    vehicle.Speed = 40;
    vehicle.EBrakeValue = 5;
    frames();
    EXPECT_TRUE(playing(kSqueak));
    EXPECT_EQ(mixer.volume(kSqueak), -2408);
    spec.BrakeType2 = 1;
    frames();
    EXPECT_EQ(mixer.volume(kSqueak), -2508) << "dies away while the electric brake acts";
}

TEST_F(BrakeSounds, SoundNumbersBeyondTheChannelsAreReportedOnceNegativeOnesAreNone) {
    spec.Sound_squeak = 400;
    spec.Sound_BK[2] = {320, 400};
    spec.Sound_Horn2.sounds = {-1, -1, -1, -1, 0};
    spec.ATS_Warn = -1;
    build();
    std::vector<std::string> reports;
    mixer.setReporter([&](const std::string& m) { reports.push_back(m); });
    ReportBadSoundNumbers(spec, mixer);
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_EQ(reports[0], "チャンネル番号320は無効です、0～319の範囲で指定してください");
    EXPECT_EQ(reports[1], "チャンネル番号400は無効です、0～319の範囲で指定してください");
    setCylinder(400);
    vehicle.Speed = 40;
    vehicle.BrakeHandle = -3;
    frames(20);
    EXPECT_EQ(reports.size(), 2u) << "the frames pass over them";
}

using AlarmSounds = SoundRulesTest;

TEST_F(AlarmSounds, RollBackAlarmSoundsAgainstTheReverserAboveSevenKmH) {
    spec.Back = 1;
    build();
    vehicle.Reverser = 1;
    vehicle.Speed = -7;
    frames();
    EXPECT_FALSE(playing(kAtc)) << "7 km/h itself is not above the limit";
    vehicle.Speed = -7.01L;
    frames();
    EXPECT_TRUE(playing(kAtc));
    frames(80);  // the 1 s wave ends and starts again while the train rolls back
    EXPECT_EQ(starts(kAtc), 2);
    EXPECT_FALSE(vehicle.EmergencyTrip) << "it warns; it does not brake";
    EXPECT_FALSE(vehicle.VigilanceTrip);

    mixer.Stop(kAtc);
    vehicle.Reverser = -1;  // running backwards as the reverser says
    vehicle.Speed = -20;
    frames(2);
    vehicle.Reverser = 0;
    frames(2);
    EXPECT_FALSE(playing(kAtc));
    vehicle.Reverser = -1;
    vehicle.Speed = 7.5L;
    frames();
    EXPECT_TRUE(playing(kAtc));
}

TEST_F(AlarmSounds, NoRollBackAlarmWithoutTheDevice) {
    spec.Back = 0;
    build();
    vehicle.Speed = -20;
    frames(10);
    EXPECT_FALSE(playing(kAtc));
}

TEST_F(AlarmSounds, SafetyWarningWhenPoweringWithTheSystemOff) {
    build();
    safety.On = false;
    vehicle.PowerHandle = 1;
    frames();
    EXPECT_FALSE(playing(kAtsWarn));
    vehicle.PowerHandle = 2;
    frames(3);
    EXPECT_TRUE(playing(kAtsWarn));
    EXPECT_EQ(starts(kAtsWarn), 1);
    safety.On = true;
    frames();
    EXPECT_FALSE(playing(kAtsWarn));
}

TEST_F(AlarmSounds, StopAlarmUsesTheBrakingEstimate) {
    build();
    vehicle.Speed = 60;  // 60 ÷ 5 × 60 ÷ 3.6 = 200 m against the distance less 125 m
    stations.RemainingDistance = 32600;
    frames();
    EXPECT_FALSE(playing(kStopAlarm));
    stations.RemainingDistance = 32400;
    frames();
    EXPECT_TRUE(playing(kStopAlarm));
    frames(120);  // the wave ends; once per approach
    EXPECT_EQ(starts(kStopAlarm), 1);
    vehicle.Speed = 0.5L;
    frames();
    EXPECT_FALSE(state.stopAlarmLatch);
    EXPECT_FALSE(state.stopLamp);
    vehicle.Speed = 60;
    frames();
    EXPECT_EQ(starts(kStopAlarm), 2) << "a new approach";
}

TEST_F(AlarmSounds, RepeatingStopAlarmAndItsBlink) {
    spec.Stop = {kStopAlarm, 1};
    build();
    vehicle.Speed = 60;
    stations.RemainingDistance = 20000;
    route.Clock = 30;  // tenth 10: shown
    frames();
    EXPECT_TRUE(state.stopLamp);
    route.Clock = 45;  // tenth 15: hidden
    frames();
    EXPECT_FALSE(state.stopLamp);
    frames(70);
    EXPECT_GE(starts(kStopAlarm), 2) << "restarted whenever it is idle";
}

TEST_F(AlarmSounds, VigilanceRingsThenBrakes) {
    build();
    vehicle.Speed = 30;
    vigilanceMs = 60000;
    frames(1, 0.5);
    EXPECT_FALSE(playing(kEbRing));
    frames(1, 0.5);  // 60 001 ms
    EXPECT_TRUE(playing(kEbRing));
    EXPECT_TRUE(ebLamp);
    vigilanceMs = 65000;
    frames(1, 0.5);
    EXPECT_FALSE(vehicle.VigilanceTrip);
    frames(1, 0.5);  // 65 001 ms
    EXPECT_TRUE(vehicle.VigilanceTrip);
    EXPECT_TRUE(vehicle.BrakePending) << "the delayed brake command takes the demand";
    EXPECT_TRUE(vehicle.EBrakePending);
    EXPECT_EQ(vigilanceMs, 0);
    ASSERT_EQ(events.size(), 1u);
    vehicle.BrakeHandle = -8;
    frames();
    EXPECT_FALSE(playing(kEbRing));
    EXPECT_FALSE(ebLamp);
}

TEST_F(AlarmSounds, VigilanceCountsOnlyWhileMovingWithTheDeviceFitted) {
    build();
    vehicle.Speed = 1;
    frames(10);
    EXPECT_EQ(vigilanceMs, 0);
    spec.EB = 0;
    vehicle.Speed = 50;
    frames(10);
    EXPECT_EQ(vigilanceMs, 0);
}

using Horns = SoundRulesTest;

TEST_F(Horns, StagesAdvanceAfterTheStepTimeAndReleaseOnce) {
    build();
    route.Clock = 100;
    UpdateHorns(*ctx, true, false);
    EXPECT_TRUE(playing(kHornA));
    route.Clock = 110;  // not more than T = 10 ticks yet
    UpdateHorns(*ctx, true, false);
    EXPECT_FALSE(playing(kHornB));
    route.Clock = 111;
    UpdateHorns(*ctx, true, false);
    EXPECT_TRUE(playing(kHornB));
    route.Clock = 122;
    UpdateHorns(*ctx, true, false);
    EXPECT_TRUE(playing(kHornC));
    UpdateHorns(*ctx, false, false);
    EXPECT_FALSE(playing(kHornD)) << "the release waits for the step time";
    route.Clock = 133;
    UpdateHorns(*ctx, false, false);
    EXPECT_TRUE(playing(kHornD));
    EXPECT_FALSE(playing(kHornB));
    route.Clock = 200;
    mixer.advance(1500);
    UpdateHorns(*ctx, false, false);
    EXPECT_EQ(starts(kHornD), 1);
}

TEST_F(Horns, AHornWithoutStagesIsNotFitted) {
    build();  // [Sound_Horn2] left at zeros
    route.Clock = 100;
    UpdateHorns(*ctx, false, true);
    EXPECT_FALSE(playing(0));
}

}  // namespace
}  // namespace tressmoor::sound::testing
