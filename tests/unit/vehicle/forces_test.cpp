// The physics step: force laws, adhesion, standstill, and whole runs of a commuter train.
#include "vehicle/forces.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <new>

#include "vehicle_rig.h"

namespace tressmoor::vehicle::test {
namespace {

class ForceLaws : public ::testing::Test {};

TEST_F(ForceLaws, RunningResistanceOfSixCarsAtHundred) {
    EXPECT_NEAR(static_cast<double>(runningResistance(300, 6, 100)), 15268.4, 1e-6);
    EXPECT_NEAR(static_cast<double>(runningResistance(300, 6, -100)), 15268.4, 1e-6);
}

TEST_F(ForceLaws, BrakeShoeFrictionRisesAtLowSpeedAndKeepsRateAtReferenceSpeed) {
    const data::TrainSpec t = commuterTrain();  // rate 4.5, reference 30 km/h, coefficient 0.02
    EXPECT_DOUBLE_EQ(static_cast<double>(brakeFrictionFactor(t, 30)), 4.5);
    EXPECT_DOUBLE_EQ(static_cast<double>(brakeFrictionFactor(t, 0)), 4.5);
    EXPECT_DOUBLE_EQ(static_cast<double>(brakeFrictionFactor(t, 60)), 1.0);
    const double expected =
        ((0.01 * 10 + 1) / (0.02 * 10 + 1)) / ((0.01 * 30 + 1) / (0.02 * 30 + 1));
    EXPECT_NEAR(static_cast<double>(brakeFrictionFactor(t, 10)), expected, 1e-12);
    EXPECT_GT(expected, 1.0);
}

TEST_F(ForceLaws, NotchForceFollowsItsThreeSpeedRanges) {
    const data::TrainSpec t = commuterTrain();
    const long double m = 300 * 1000 / 3.6L;  // N per km/h/s
    for (int k = 1; k <= 5; ++k) {
        const data::NotchRow& n = t.Notch[static_cast<std::size_t>(k - 1)];
        const long double v1 = n.speed1;
        const long double v2 = n.speed2;
        // Between rest and V1 the acceleration runs linearly from a0 to a1; up to V2 the power
        // is constant; beyond it the force decays.
        const long double below = v1 / 4;
        const long double between = (v1 + v2) / 2;
        const long double above = v2 + 7;
        const long double expected[3] = {
            m * (n.accel0 + (n.accel1 - n.accel0) / v1 * below), m * v1 * n.accel1 / between,
            m * (n.accel1 * v1 / v2) * std::pow(n.decay, v2) / std::pow(n.decay, std::round(above))};
        const long double speeds[3] = {below, between, above};
        for (int i = 0; i < 3; ++i) {
            VehicleRig rig(t);
            rig.readyToDrive();
            rig.s().Speed = speeds[i];
            rig.s().Power = rig.s().PowerHandle = k;
            rig.frame();
            EXPECT_NEAR(rig.s().DriveForceBeforeBrake.toDouble(), static_cast<double>(expected[i]),
                        0.001)
                << "notch " << k << " at " << static_cast<double>(speeds[i]) << " km/h";
        }
    }
}

TEST_F(ForceLaws, ACoastingTrainComesToRestOnLevelTrack) {
    VehicleRig rig(commuterTrain());
    rig.readyToDrive();
    StepTowardPower(rig.ctx());
    rig.run(8);
    ASSERT_GT(rig.s().Speed, 1);
    AllOff(rig.ctx());
    ASSERT_TRUE(rig.runUntil([&] { return rig.s().Speed == 0; }, 600));
    const long double distance = rig.distanceM;
    rig.run(60);
    EXPECT_EQ(rig.s().Speed, 0);
    EXPECT_EQ(rig.distanceM, distance);
}

TEST_F(ForceLaws, RetardingNotchActsOnlyBetweenItsSpeeds) {
    data::TrainSpec t = commuterTrain();
    t.Notch[0] = {-1.0L, 0, 10, 80, 1, 0};
    for (double speed : {5.0, 10.0, 50.0, 79.0, 80.0, 90.0}) {
        VehicleRig rig(t);
        rig.readyToDrive();
        rig.s().Speed = speed;
        rig.s().Power = rig.s().PowerHandle = 1;
        rig.frame();
        const double expected = (speed >= 10 && speed < 80) ? -300 * 1000 / 3.6 : 0;
        EXPECT_NEAR(rig.s().DriveForceBeforeBrake.toDouble(), expected, 0.01) << speed;
    }
}

TEST_F(ForceLaws, NoAdhesionSpinsTheWheelsAndTheTrainStaysPut) {
    VehicleRig rig(commuterTrain());
    rig.route.friction = fixed4{};
    rig.readyToDrive();
    for (int i = 0; i < 5; ++i) StepTowardPower(rig.ctx());
    rig.run(10);
    EXPECT_EQ(rig.s().SlipText, kSlipText);
    EXPECT_EQ(rig.s().Speed, 0);
}

TEST_F(ForceLaws, DoorLockTwoNeverTakesPower) {
    data::TrainSpec t = commuterTrain();
    t.DoorLock = 2;
    VehicleRig rig(t);
    rig.readyToDrive();
    for (int i = 0; i < 5; ++i) StepTowardPower(rig.ctx());
    rig.run(10);
    EXPECT_EQ(rig.s().Power, 5);
    EXPECT_EQ(rig.s().TractionForce.raw, 0);
    EXPECT_EQ(rig.s().Speed, 0);
}

TEST_F(ForceLaws, StandstillOnDownGradientMovesWithFullGravityThenBrakeOpposes) {
    data::TrainSpec t = commuterTrain();
    VehicleRig rig(t);
    rig.readyToDrive();
    rig.route.gradient = fx(-35);
    // A weak brake: B1 with the cylinders just starting to fill.
    StepTowardBrake(rig.ctx());
    rig.run(1);
    rig.s().CylinderM = rig.s().CylinderT = fx(10);
    rig.s().Speed = 0;
    rig.frame();
    const double gravityAccel =
        300 * 1000 * 9.8 * 35 / std::sqrt(35.0 * 35 + 1e6) * 3.6 / (300 * 1000) / 60;
    EXPECT_NEAR(static_cast<double>(rig.s().Speed), gravityAccel, 1e-4);
    const double first = static_cast<double>(rig.s().Speed);
    rig.frame();
    // Now moving: the brake enters the force and the second step gains less.
    EXPECT_LT(static_cast<double>(rig.s().Speed) - first, first);
}

TEST_F(ForceLaws, ReverserBackwardsDrivesTheTrainBackwards) {
    VehicleRig rig(commuterTrain());
    rig.readyToDrive();
    EmergencyPosition(rig.ctx());
    ASSERT_TRUE(SetReverser(rig.ctx(), -1));
    AllOff(rig.ctx());
    for (int i = 0; i < 3; ++i) StepTowardPower(rig.ctx());
    rig.run(10);
    EXPECT_LT(rig.s().Speed, -5);
    // Braking stops it without reversing the direction.
    for (int i = 0; i < 7; ++i) StepTowardBrake(rig.ctx());
    ASSERT_TRUE(rig.runUntil([&] { return rig.s().Speed == 0; }, 60));
    rig.run(2);
    EXPECT_EQ(rig.s().Speed, 0);
}

TEST_F(ForceLaws, StopStateOneHoldsTheNotchAndTheGradient) {
    VehicleRig rig(commuterTrain());
    rig.readyToDrive();
    rig.s().StopState = 1;
    rig.route.gradient = fx(-20);
    StepTowardPower(rig.ctx());
    rig.run(2);
    EXPECT_EQ(rig.s().Power, 0);
    EXPECT_EQ(rig.s().Speed, 0);
}

/// Trains whose file holds zeros or nonsense never produce a non-finite value.
class Robustness : public ::testing::Test {
protected:
    static void expectFinite(const VehicleState& s) {
        EXPECT_TRUE(finite(s.Speed));
        EXPECT_TRUE(finite(s.EBrakeValue));
        EXPECT_TRUE(finite(s.EngineSpeed));
        EXPECT_TRUE(finite(s.DriveAccel));
        EXPECT_TRUE(finite(s.NetAccel));
        EXPECT_TRUE(finite(s.BrakePipe));
        EXPECT_TRUE(finite(s.CabShake));
    }
    static void drive(VehicleRig& rig) {
        rig.closeDoors();
        AllOff(rig.ctx());
        for (int i = 0; i < 12; ++i) StepTowardPower(rig.ctx());
        rig.run(3);
        expectFinite(rig.s());
        rig.s().Speed = 50;
        rig.run(1);
        for (int i = 0; i < 12; ++i) StepTowardBrake(rig.ctx());
        rig.run(3);
        expectFinite(rig.s());
        EmergencyPosition(rig.ctx());
        rig.s().EmergencyTrip = true;
        rig.run(2);
        expectFinite(rig.s());
    }
};

TEST_F(Robustness, EmptyTrainFileDrivesWithoutNonFiniteValues) {
    for (int type : {0, 1, 2}) {
        data::TrainSpec t;
        t.BrakeType = type;
        t.Engine_Type = 1;
        VehicleRig rig(t);
        drive(rig);
    }
}

TEST_F(Robustness, ZeroMassesRatesAndPressuresKeepValuesFinite) {
    for (int engine : {0, 1}) {
        for (int powerType : {0, 1}) {
            data::TrainSpec t = engine == 1 ? commuterTrain() : dieselRailcar();
            t.Power_Type = powerType;
            t.Tons = {};
            t.Mt = {};
            t.Tt = {};
            t.MAXPress = {};
            t.EBPress = {};
            t.SAPPress = {};
            t.BrakeUp = t.BrakeDown = 0;
            t.AirBrakeRate = {};
            t.BrakeRate2 = -1.0L / 30;  // makes the friction law's reference divide by zero
            t.Notch = {{1, 1, 0, 0, 0, 0}, {1, 1, 0, 10, 0, 0}};
            t.Engine = {{5, 5, 5, 1, 1, 1}};
            t.CurrentPHeader = {0, 1, 0};
            t.CurrentP = {{1, 0, 0, 0, 0}};
            t.CurrentB = {{0, 0, 0}};
            t.BrakeCurrentLimit = {1, 1, 1};
            t.Brake_Type = 0;
            t.BrakeType2 = 2;
            VehicleRig rig(t, 100);
            drive(rig);
        }
    }
}

/// A current-controlled train ([Power_Type] 0) with a current-table electric brake.
data::TrainSpec currentControlledTrain() {
    data::TrainSpec t = commuterTrain();
    t.Power_Type = 0;
    t.Brake_Type = 0;
    t.BrakeType2 = 1;
    t.CurrentPHeader = {400, 3.0L, 40};
    // Steps 0–2 on notch 1, steps 3–7 from notch 3: the current falls as the speed rises.
    for (int i = 0; i < 8; ++i) {
        t.CurrentP.push_back({i < 3 ? 1 : 3, 1500.0L + 400 * i, -5.0L, 100, 0});
    }
    t.CurrentB = {{0.5L, 0, 0}, {0.3L, 0, 0}, {0.2L, 0, 0}};
    t.BrakeCurrentLimit = {0, 100, 200, 300, 300, 300, 300, 300};
    return t;
}

class CurrentControl : public ::testing::Test {};

TEST_F(CurrentControl, StepsAdvanceWithTheNotchAndResetWithPowerOff) {
    VehicleRig rig(currentControlledTrain());
    rig.readyToDrive();
    int stepSounds = 0;
    StepTowardPower(rig.ctx());
    for (int i = 0; i < 120; ++i) {
        rig.frame();
        if (rig.s().Events.stepChangeSound) ++stepSounds;
        rig.s().Events.stepChangeSound = false;
    }
    EXPECT_EQ(rig.s().CurrentStep, 2);  // the last step of notch 1
    EXPECT_EQ(stepSounds, 2);
    EXPECT_GT(rig.s().Speed, 0);
    EXPECT_EQ(rig.s().AmMeter, rig.s().MotorCurrent);
    EXPECT_GT(rig.s().MotorCurrent, 0);
    for (int i = 0; i < 4; ++i) StepTowardPower(rig.ctx());
    rig.run(5);
    EXPECT_GT(rig.s().CurrentStep, 2);
    rig.run(30);
    EXPECT_GT(rig.s().Speed, 40);
    AllOff(rig.ctx());
    rig.run(1);
    EXPECT_EQ(rig.s().CurrentStep, 0);
    EXPECT_EQ(rig.s().MotorCurrent, 0);
}

TEST_F(CurrentControl, TwoTwoThreeFilesReadDoubleAboveStepFive) {
    EXPECT_TRUE(ammeterDoublesFor("train_223.dat"));
    EXPECT_FALSE(ammeterDoublesFor("train_221.dat"));
    EXPECT_FALSE(ammeterDoublesFor("t.dat"));
    VehicleRig rig(currentControlledTrain());
    rig.ctx().ammeterDoubling = true;
    rig.readyToDrive();
    for (int i = 0; i < 5; ++i) StepTowardPower(rig.ctx());
    rig.run(3);
    ASSERT_GT(rig.s().CurrentStep, 5);
    EXPECT_EQ(rig.s().AmMeter, 2 * rig.s().MotorCurrent);
}

TEST_F(CurrentControl, CurrentTableBrakeWalksItsRowsUnderTheStepLimit) {
    VehicleRig rig(currentControlledTrain());
    rig.readyToDrive();
    rig.s().Speed = 60;
    StepTowardBrake(rig.ctx());
    StepTowardBrake(rig.ctx());
    rig.run(1);
    EXPECT_EQ(rig.s().EBrakeCommand, -2);
    EXPECT_GT(rig.s().EBrakeValue, 0);
    EXPECT_LE(rig.s().EBrakeValue, 300);
    EXPECT_EQ(rig.s().AmMeter,
              -static_cast<int>(std::lround(static_cast<double>(rig.s().EBrakeValue))));
    AllOff(rig.ctx());
    rig.run(1);
    EXPECT_EQ(rig.s().EBrakeValue, 0);
}

/// The step allocates nothing once running.
class AllocationFree : public ::testing::Test {};

}  // namespace

std::size_t gAllocations = 0;

}  // namespace tressmoor::vehicle::test

void* operator new(std::size_t size) {
    ++tressmoor::vehicle::test::gAllocations;
    if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}

namespace tressmoor::vehicle::test {
namespace {

TEST_F(AllocationFree, FramesOfPoweringAndBrakingAllocateNothing) {
    for (const data::TrainSpec& spec :
         {commuterTrain(), dieselRailcar(), currentControlledTrain()}) {
        VehicleRig rig(spec);
        rig.readyToDrive();
        for (int i = 0; i < 5; ++i) StepTowardPower(rig.ctx());
        rig.run(1);
        const std::size_t before = gAllocations;
        rig.run(20);
        AllOff(rig.ctx());
        for (int i = 0; i < 5; ++i) StepTowardBrake(rig.ctx());
        rig.run(20);
        EXPECT_EQ(gAllocations, before);
    }
}

/// Whole runs of the commuter train on level, dry track. The figures are printed; the bands
/// only catch sign and unit errors.
class CommuterRuns : public ::testing::Test {
protected:
    VehicleRig rig{commuterTrain()};

    void fullPower() {
        for (int i = 0; i < 5; ++i) StepTowardPower(rig.ctx());
    }
    static void report(const char* what, double value, const char* unit) {
        std::printf("[ figure ] %-40s %8.1f %s\n", what, value, unit);
    }
};

TEST_F(CommuterRuns, AccelerationFromRest) {
    rig.readyToDrive();
    fullPower();
    const long double t0 = rig.timeS;
    ASSERT_TRUE(rig.runUntil([&] { return rig.s().Speed >= 60; }, 120));
    const double to60 = static_cast<double>(rig.timeS - t0);
    ASSERT_TRUE(rig.runUntil([&] { return rig.s().Speed >= 100; }, 200));
    const double to100 = static_cast<double>(rig.timeS - t0);
    report("0 -> 60 km/h, full power", to60, "s");
    report("0 -> 100 km/h, full power", to100, "s");
    EXPECT_GT(to60, 12);
    EXPECT_LT(to60, 45);
    EXPECT_GT(to100, 30);
    EXPECT_LT(to100, 120);
    EXPECT_TRUE(rig.s().SlipText.empty());
    EXPECT_GT(rig.s().AmMeter, 0);
}

TEST_F(CommuterRuns, CoastingFromHundred) {
    rig.readyToDrive();
    rig.s().Speed = 100;
    rig.run(60);
    const double loss = 100 - static_cast<double>(rig.s().Speed);
    report("coasting loss from 100 km/h", loss, "km/h per min");
    EXPECT_GT(loss, 3);
    EXPECT_LT(loss, 30);
}

TEST_F(CommuterRuns, FullServiceAndEmergencyStops) {
    double distances[2];
    for (int emergency = 0; emergency < 2; ++emergency) {
        VehicleRig r(commuterTrain());
        r.readyToDrive();
        r.s().Speed = 100;
        const long double d0 = r.distanceM;
        if (emergency) {
            EmergencyPosition(r.ctx());
        } else {
            for (int i = 0; i < 7; ++i) StepTowardBrake(r.ctx());
            ASSERT_EQ(r.s().BrakeHandle, -7);
        }
        ASSERT_TRUE(r.runUntil([&] { return r.s().Speed == 0; }, 120));
        distances[emergency] = static_cast<double>(r.distanceM - d0);
        r.run(5);
        EXPECT_EQ(r.s().Speed, 0);
    }
    report("full-service stop from 100 km/h", distances[0], "m");
    report("emergency stop from 100 km/h", distances[1], "m");
    EXPECT_GT(distances[0], 250);
    EXPECT_LT(distances[0], 800);
    EXPECT_GT(distances[1], 180);
    EXPECT_LT(distances[1], distances[0]);
}

TEST_F(CommuterRuns, HillStartOnTwentyFivePerMille) {
    rig.route.gradient = fx(25);
    rig.closeDoors();
    rig.run(5);  // standing in emergency: the brake holds on the hill
    EXPECT_EQ(rig.s().Speed, 0);
    AllOff(rig.ctx());
    fullPower();
    const long double t0 = rig.timeS;
    long double lowest = 0;
    const bool reached = rig.runUntil(
        [&] {
            lowest = std::min(lowest, rig.s().Speed);
            return rig.s().Speed >= 30;
        },
        120);
    ASSERT_TRUE(reached);
    report("hill start 25 permille: 0 -> 30 km/h", static_cast<double>(rig.timeS - t0), "s");
    report("hill start: roll-back speed", static_cast<double>(-lowest), "km/h");
    EXPECT_LT(rig.timeS - t0, 60);
    EXPECT_GT(lowest, -3);
}

TEST_F(CommuterRuns, LowAdhesionSlipsAndSlides) {
    rig.route.friction = fx(0.05);
    rig.readyToDrive();
    fullPower();
    bool slipped = false;
    rig.runUntil([&] { return (slipped = slipped || rig.s().SlipText == kSlipText) && false; }, 5);
    EXPECT_TRUE(slipped);
    rig.run(20);
    const double speedAt25 = static_cast<double>(rig.s().Speed);
    report("speed after 25 s on low adhesion (mu 0.05)", speedAt25, "km/h");
    EXPECT_GT(speedAt25, 1);
    EXPECT_LT(speedAt25, 45);  // dry rail gives 60+ km/h by now
    AllOff(rig.ctx());
    EmergencyPosition(rig.ctx());
    bool slid = false;
    rig.runUntil([&] { return (slid = slid || rig.s().SlipText == kSlideText) && false; }, 5);
    EXPECT_TRUE(slid);
}

TEST_F(CommuterRuns, PassengerLoadAddsMassAndBrakePressure) {
    VehicleRig loaded(commuterTrain(), 2000);
    EXPECT_EQ(loaded.load().M, fixed4::fromInt(410));
    EXPECT_EQ(loaded.load().MM, fixed4::fromInt(246));
    EXPECT_EQ(loaded.load().PS, 440);
    EXPECT_EQ(loaded.load().PE, 520);
    // The notch table gives accelerations, so the load changes the force, not the pull-away.
    loaded.readyToDrive();
    for (int i = 0; i < 5; ++i) StepTowardPower(loaded.ctx());
    loaded.run(5);
    const double u = static_cast<double>(loaded.s().Speed);
    ASSERT_LT(u, 40);  // below V1 of notch 5: 3.1 km/h/s at rest, 2.9 at 40 km/h
    loaded.frame();
    EXPECT_NEAR(loaded.s().TractionForce.toDouble(), 410 * 1000 / 3.6 * (3.1 - 0.2 / 40 * u), 1.0);
}

}  // namespace
}  // namespace tressmoor::vehicle::test
