// Handle operations, the delayed commands, holding brake, constant speed and the handle display.
#include "vehicle/handles.h"

#include <gtest/gtest.h>

#include <vector>

#include "vehicle_rig.h"

namespace tressmoor::vehicle::test {
namespace {

class HandleOperations : public ::testing::Test {
protected:
    VehicleRig rig{commuterTrain()};
    VehicleState& s = rig.s();
    VehicleContext& v = rig.ctx();
};

TEST_F(HandleOperations, StartsInEmergencyWithBrakesCommanded) {
    EXPECT_EQ(s.BrakeHandle, -8);
    EXPECT_EQ(s.BrakeCommand, -8);
    EXPECT_EQ(s.SapCommand, -8);
    EXPECT_EQ(s.EBrakeCommand, 0);
    EXPECT_EQ(s.Reverser, 1);
    EXPECT_EQ(s.MainReservoir, fixed4::fromInt(880));
    EXPECT_EQ(s.Display.brakeLabel, "非常");
    EXPECT_EQ(s.Display.powerLabel, "切");
}

TEST_F(HandleOperations, BrakeStepsStopAtTheLastServiceStep) {
    AllOff(v);
    for (int i = 0; i < 6; ++i) StepTowardBrake(v);
    EXPECT_EQ(s.BrakeHandle, -6);
    StepTowardBrake(v);
    EXPECT_EQ(s.BrakeHandle, -7);
    StepTowardBrake(v);
    EXPECT_EQ(s.BrakeHandle, -7);
    EmergencyPosition(v);
    EXPECT_EQ(s.BrakeHandle, -8);
    EXPECT_TRUE(s.PowerPending && s.BrakePending && s.SapPending && s.EBrakePending);
}

TEST_F(HandleOperations, OneHandleGoesThroughReleaseBetweenBrakeAndPower) {
    AllOff(v);
    StepTowardBrake(v);
    StepTowardPower(v);
    EXPECT_EQ(s.BrakeHandle, 0);
    EXPECT_EQ(s.PowerHandle, 0);
    StepTowardPower(v);
    StepTowardPower(v);
    EXPECT_EQ(s.PowerHandle, 2);
    StepTowardBrake(v);
    StepTowardBrake(v);
    EXPECT_EQ(s.PowerHandle, 0);
    EXPECT_EQ(s.BrakeHandle, 0);
    for (int i = 0; i < 20; ++i) StepTowardPower(v);
    EXPECT_EQ(s.PowerHandle, 5);
}

TEST_F(HandleOperations, TwoHandleCabRaisesPowerWithTheBrakeApplied) {
    rig.spec().Handle = 1;
    AllOff(v);
    BrakeApply(v);
    BrakeApply(v);
    PowerUp(v);
    EXPECT_EQ(s.PowerHandle, 1);
    EXPECT_EQ(s.BrakeHandle, -2);
    StepTowardPower(v);  // the one-handle step neither adds power nor releases with power on
    EXPECT_EQ(s.PowerHandle, 1);
    EXPECT_EQ(s.BrakeHandle, -2);
    PowerDown(v);
    EXPECT_EQ(s.PowerHandle, 0);
    BrakeRelease(v);
    EXPECT_EQ(s.BrakeHandle, -1);
    BrakeEmergency(v);
    EXPECT_EQ(s.BrakeHandle, -8);
    BrakeRelease(v);
    EXPECT_EQ(s.BrakeHandle, -7);
}

TEST_F(HandleOperations, NotchesOutsideGroupZeroCannotBeTaken) {
    rig.spec().Notch[3].group = 1;
    rig.spec().Notch[4].group = 1;
    AllOff(v);
    for (int i = 0; i < 10; ++i) StepTowardPower(v);
    EXPECT_EQ(s.PowerHandle, 3);
    for (int i = 0; i < 10; ++i) PowerUp(v);
    EXPECT_EQ(s.PowerHandle, 3);
}

TEST_F(HandleOperations, HoldOneSitsBetweenReleaseAndBOne) {
    rig.spec().Hold = 1;
    AllOff(v);
    StepTowardBrake(v);
    EXPECT_TRUE(s.Holding);
    EXPECT_EQ(s.BrakeHandle, 0);
    EXPECT_EQ(s.Display.brakeLabel, "抑速");
    EXPECT_EQ(s.Display.brakeFrame, 1);
    StepTowardBrake(v);
    EXPECT_FALSE(s.Holding);
    EXPECT_EQ(s.BrakeHandle, -1);
    EXPECT_EQ(s.Display.brakeFrame, 2);
    // From B1 toward power: release with holding, then plain release, then notch 1.
    StepTowardPower(v);
    EXPECT_TRUE(s.Holding);
    EXPECT_EQ(s.BrakeHandle, 0);
    StepTowardPower(v);
    EXPECT_FALSE(s.Holding);
    EXPECT_EQ(s.PowerHandle, 0);
    StepTowardPower(v);
    EXPECT_EQ(s.PowerHandle, 1);
}

TEST_F(HandleOperations, HoldAboveOneEngagesWhileTheStepStillActs) {
    rig.spec().Hold = 3;
    AllOff(v);
    for (int i = 0; i < 3; ++i) StepTowardBrake(v);
    s.BrakeCommand = -3;
    StepTowardPower(v);  // handle to B2 before the brake delay has passed
    EXPECT_EQ(s.BrakeHandle, -2);
    EXPECT_TRUE(s.Holding);
    StepTowardPower(v);  // no notch while holding: the click only leaves it
    EXPECT_FALSE(s.Holding);
    EXPECT_EQ(s.BrakeHandle, -1);
}

TEST_F(HandleOperations, SuppressStepsAndPowerCancelEachOther) {
    rig.spec().Suppress = {2, 4};
    AllOff(v);
    StepTowardPower(v);
    SuppressUp(v);
    EXPECT_EQ(s.SuppressIndex, 1);
    EXPECT_EQ(s.PowerHandle, 0);
    SuppressUp(v);
    SuppressUp(v);
    EXPECT_EQ(s.SuppressIndex, 2);
    EXPECT_EQ(s.Display.modeLabel, "");
    StepTowardPower(v);
    EXPECT_EQ(s.SuppressIndex, 0);
    SuppressDown(v);
    EXPECT_EQ(s.SuppressIndex, 0);
}

class Reverser : public HandleOperations {
protected:
    std::vector<int> played;
    void SetUp() override {
        rig.mixer().setEventSink([this](int ch, const char* what) {
            if (std::string(what) == "play") played.push_back(ch);
        });
    }
};

TEST_F(Reverser, OnlyAtAStandstillAndWithTheSoundOfTheNewPosition) {
    s.Speed = 1.5;
    EXPECT_FALSE(SetReverser(v, -1));
    EXPECT_EQ(s.Reverser, 1);
    s.Speed = -1.0;
    EXPECT_TRUE(SetReverser(v, -1));
    EXPECT_TRUE(SetReverser(v, -1));  // no change, no sound
    EXPECT_TRUE(SetReverser(v, 0));
    EXPECT_TRUE(SetReverser(v, 1));
    EXPECT_EQ(played, (std::vector<int>{kRevReverse, kRevNeutral, kRevForward}));
    EXPECT_TRUE(s.Display.forwardLamp);
    EXPECT_FALSE(s.Display.reverseLamp);
    EXPECT_EQ(s.Display.reverserLabel, "前進");
}

TEST_F(Reverser, InterlockNeedsTheEmergencyPosition) {
    rig.spec().InterLock = 1;
    AllOff(v);
    EXPECT_FALSE(SetReverser(v, 0));
    EmergencyPosition(v);
    EXPECT_TRUE(SetReverser(v, 0));
    EXPECT_TRUE(s.Display.neutralLamp);
    rig.spec().InterLock = 2;
    EXPECT_FALSE(SetReverser(v, 1));
}

class DelayedCommands : public HandleOperations {};

TEST_F(DelayedCommands, PowerFollowsTheHandleAfterItsDelay) {
    rig.closeDoors();
    AllOff(v);
    StepTowardPower(v);
    runPowerDelay(v, 150, 1500);
    EXPECT_EQ(s.Power, 0);
    runPowerDelay(v, 50, 1500);
    EXPECT_EQ(s.Power, 1);
    StepTowardPower(v);
    runPowerDelay(v, 500, 0);  // no line voltage: the delay does not run
    EXPECT_EQ(s.Power, 1);
}

TEST_F(DelayedCommands, NotchBackKeepsTheHigherNotch) {
    rig.spec().NotchBack = 3;
    AllOff(v);
    for (int i = 0; i < 5; ++i) StepTowardPower(v);
    runPowerDelay(v, 200, 1500);
    ASSERT_EQ(s.Power, 5);
    for (int i = 0; i < 3; ++i) StepTowardBrake(v);
    ASSERT_EQ(s.PowerHandle, 2);
    runPowerDelay(v, 200, 1500);
    EXPECT_EQ(s.Power, 5);
    StepTowardBrake(v);
    StepTowardBrake(v);
    runPowerDelay(v, 200, 1500);
    EXPECT_EQ(s.Power, 0);
}

TEST_F(DelayedCommands, StopStateOneKeepsTheNotch) {
    AllOff(v);
    s.StopState = 1;
    StepTowardPower(v);
    runPowerDelay(v, 200, 1500);
    EXPECT_EQ(s.Power, 0);
    EXPECT_FALSE(s.PowerPending);
}

TEST_F(DelayedCommands, BrakeAnswersAfterSeventyPercentWithAirInTheCylinders) {
    AllOff(v);
    s.CylinderT = fixed4{};
    runBrakeDelays(v, 299);
    EXPECT_EQ(s.BrakeCommand, -8);
    runBrakeDelays(v, 1);
    EXPECT_EQ(s.BrakeCommand, 0);
    StepTowardBrake(v);
    s.CylinderT = fx(50);
    runBrakeDelays(v, 209);
    EXPECT_EQ(s.BrakeCommand, 0);
    runBrakeDelays(v, 1);
    EXPECT_EQ(s.BrakeCommand, -1);
    EXPECT_EQ(s.SapCommand, 0);  // the straight air pipe keeps its own full delay
    runBrakeDelays(v, 90);
    EXPECT_EQ(s.SapCommand, -1);
}

TEST_F(DelayedCommands, TripsOverrideTheHandle) {
    AllOff(v);
    s.ServiceTrip = true;
    runBrakeDelays(v, 300);
    EXPECT_EQ(s.BrakeCommand, -7);
    EmergencyPosition(v);
    runBrakeDelays(v, 300);
    EXPECT_EQ(s.BrakeCommand, -8);
    AllOff(v);
    s.VigilanceTrip = true;
    runBrakeDelays(v, 300);
    EXPECT_EQ(s.BrakeCommand, -8);
    s.VigilanceTrip = s.ServiceTrip = false;
    s.EmergencyTrip = true;
    setAllPending(s);
    runBrakeDelays(v, 300);
    EXPECT_EQ(s.BrakeCommand, -8);
}

TEST_F(DelayedCommands, ElectricBrakeIsDroppedWhenSlowAndFollowsAtOnceWhenWorking) {
    AllOff(v);
    s.Speed = 5;  // below the 10 km/h drop speed
    StepTowardBrake(v);
    runBrakeDelays(v, 1000);
    EXPECT_EQ(s.EBrakeCommand, 0);
    EXPECT_FALSE(s.EBrakePending);
    s.Speed = 50;
    StepTowardBrake(v);
    runBrakeDelays(v, 299);
    EXPECT_EQ(s.EBrakeCommand, 0);
    runBrakeDelays(v, 1);
    EXPECT_EQ(s.EBrakeCommand, -2);
    StepTowardBrake(v);
    runBrakeDelays(v, 1);
    EXPECT_EQ(s.EBrakeCommand, -3);
}

class ConstantSpeed : public HandleOperations {
protected:
    void SetUp() override {
        rig.spec().Const = {3, 40};
        AllOff(v);
        for (int i = 0; i < 4; ++i) StepTowardPower(v);
        s.Power = 4;
        s.PowerPending = false;
        s.BrakeCommand = 0;
    }
};

TEST_F(ConstantSpeed, SteppingBackFromTheNotchAboveEngagesIt) {
    s.Speed = 50;
    StepTowardBrake(v);
    EXPECT_TRUE(s.ConstSpeed);
    EXPECT_EQ(s.Display.powerLabel, "定速");
    // The force balances the resistance.
    rig.closeDoors();
    rig.frame();
    EXPECT_NEAR(rig.s().DriveForce.toDouble(), -rig.s().Resistance.toDouble(), 0.001);
}

TEST_F(ConstantSpeed, NotBelowTheMinimumSpeedAndNotUnderATrip) {
    s.Speed = 30;
    StepTowardBrake(v);
    EXPECT_FALSE(s.ConstSpeed);
    s.Speed = 50;
    StepTowardPower(v);
    s.Power = 4;
    StepTowardBrake(v);
    ASSERT_TRUE(s.ConstSpeed);
    s.ServiceTrip = true;
    masconupdate(v);
    EXPECT_FALSE(s.ConstSpeed);
    EXPECT_EQ(s.Power, 3);
}

TEST_F(ConstantSpeed, AVigilanceDemandEndsItAndBrakesAfterTheDelay) {
    s.Speed = 50;
    StepTowardBrake(v);
    ASSERT_TRUE(s.ConstSpeed);
    rig.closeDoors();
    SetDemand(v, Demand::Vigilance, true);
    EXPECT_TRUE(s.VigilanceTrip);
    EXPECT_FALSE(s.ConstSpeed);
    EXPECT_TRUE(s.BrakePending);
    EXPECT_TRUE(s.SapPending);
    EXPECT_TRUE(s.EBrakePending);
    rig.run(0.5);  // past [BrakeDelay] 300 ms
    EXPECT_EQ(s.BrakeCommand, -8);
    EXPECT_EQ(s.SapCommand, -8);
    rig.run(3);
    EXPECT_GT(s.CylinderT.toDouble(), 100);
    EXPECT_LT(s.Speed, 50);
}

TEST_F(ConstantSpeed, KeyEngagesAtFullPowerWhenTheTrainOffersIt) {
    rig.spec().Const = {1, 40};
    StepTowardPower(v);
    s.Power = 5;
    s.Speed = 60;
    ConstSpeedKey(v);
    EXPECT_TRUE(s.ConstSpeed);
    s.BrakeCommand = -1;  // a brake command that differs from the handle cancels it
    masconupdate(v);
    EXPECT_FALSE(s.ConstSpeed);
}

class HandleDisplay : public HandleOperations {};

TEST_F(HandleDisplay, LabelsForEveryBrakeArrangement) {
    AllOff(v);
    EXPECT_EQ(s.Display.brakeLabel, "緩解");
    StepTowardBrake(v);
    StepTowardBrake(v);
    StepTowardBrake(v);
    EXPECT_EQ(s.Display.brakeLabel, "B3");
    EXPECT_EQ(s.Display.brakeFrame, 3);
    AllOff(v);
    StepTowardPower(v);
    StepTowardPower(v);
    EXPECT_EQ(s.Display.powerLabel, "P2");
    EXPECT_EQ(s.Display.powerFrame, 2);
    EXPECT_EQ(s.Display.modeLabel, "通常");

    rig.spec().BrakeType = 0;
    AllOff(v);
    const char* expected[] = {"緩解", "保ち", "重なり", "重なり込め", "非常"};
    for (int k = 0; k <= 4; ++k) {
        s.BrakeHandle = -k;
        masconupdate(v);
        EXPECT_EQ(s.Display.brakeLabel, expected[k]) << k;
    }
    s.BrakeHandle = -5;
    masconupdate(v);
    EXPECT_EQ(s.Display.brakeLabel, "抜取");
}

TEST_F(HandleDisplay, StripCellsStayWithinTheirImages) {
    v.strips = {6, 5, 6, 5};
    AllOff(v);
    for (int i = 0; i < 4; ++i) StepTowardBrake(v);
    EXPECT_EQ(s.Display.brakeFrame, 4);
    StepTowardBrake(v);  // B5 has no cell on a five-cell strip: the last cell shown stays
    EXPECT_EQ(s.Display.brakeFrame, 4);
    EXPECT_FALSE(s.Display.powerVisible);  // one-handle cab braking
    AllOff(v);
    EXPECT_TRUE(s.Display.powerVisible);
}

TEST_F(HandleDisplay, SecondSetShowsTheTrips) {
    AllOff(v);
    s.EmergencyTrip = true;
    masconupdate(v);
    EXPECT_EQ(s.Display.brakeFrame2, 9);
    EXPECT_FALSE(s.Display.powerVisible2);
    s.EmergencyTrip = false;
    s.ServiceTrip = true;
    masconupdate(v);
    EXPECT_EQ(s.Display.brakeFrame2, 8);
}

TEST_F(HandleDisplay, DieselModeLabelFollowsTheGearLever) {
    VehicleRig diesel(dieselRailcar());
    VehicleContext& d = diesel.ctx();
    SetGearLever(d, 0);
    EXPECT_EQ(diesel.s().Display.modeLabel, "中立");
    SetGearLever(d, 1);
    EXPECT_EQ(diesel.s().Display.modeLabel, "変速");
    SetGearLever(d, 2);  // three [Engine] rows: the direct stage alone
    EXPECT_EQ(diesel.s().Display.modeLabel, "直結");
    diesel.spec().Engine.push_back({50, 70, 110, 900, 800, 300});
    SetGearLever(d, 3);
    EXPECT_EQ(diesel.s().Display.modeLabel, "直結2");
    EXPECT_EQ(diesel.s().Display.gearLeverFrame, 3);
}

TEST_F(HandleDisplay, FirstNotchWithDoorsClosedAfterAStopCallsTheDeparture) {
    rig.closeDoors();
    AllOff(v);
    s.DepartureMarker = true;
    StepTowardPower(v);
    EXPECT_TRUE(s.Events.departureCall);
    EXPECT_FALSE(s.DepartureMarker);
}

}  // namespace
}  // namespace tressmoor::vehicle::test
