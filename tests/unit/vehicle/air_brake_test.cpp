// The air brake: release law, the three brake types, self-application and the compressor.
#include "vehicle/air_brake.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "vehicle_rig.h"

namespace tressmoor::vehicle::test {
namespace {

/// Sets the brake handle and lets the command follow at once.
void setBrake(VehicleRig& rig, int position) {
    rig.s().BrakeHandle = position;
    setAllPending(rig.s());
    masconupdate(rig.ctx());
}

/// Every pressure lies between 0 and the main reservoir's working ceiling.
void expectBounded(VehicleRig& rig) {
    const VehicleState& s = rig.s();
    const double ceiling = 880.0 + 1;
    for (double p : {s.MainReservoir.toDouble(), static_cast<double>(s.BrakePipe),
                     s.EqualisingReservoir.toDouble(), s.SapPressure.toDouble(),
                     s.CylinderM.toDouble(), s.CylinderT.toDouble()}) {
        ASSERT_GE(p, 0);
        ASSERT_LE(p, ceiling);
    }
    ASSERT_LE(s.CylinderT.toDouble(), s.MainReservoir.toDouble());
    ASSERT_LE(s.CylinderM.toDouble(), s.MainReservoir.toDouble());
}

class AirBrakeRules : public ::testing::Test {};

TEST_F(AirBrakeRules, ReleaseIsFastWhenFullAndSlowNearEmpty) {
    EXPECT_NEAR(static_cast<double>(releaseDivisor(1.2L, 400)), 1.0, 0.01);
    EXPECT_DOUBLE_EQ(static_cast<double>(releaseDivisor(1.2L, 0)), 11.0);
    EXPECT_GT(releaseDivisor(1.5L, 10), releaseDivisor(1.5L, 50));
}

TEST_F(AirBrakeRules, ServiceStepHoldsTheCylinderJustBelowItsShare) {
    VehicleRig rig(commuterTrain());
    rig.readyToDrive();
    setBrake(rig, -3);
    rig.run(8);
    const double target = 400.0 / 7 * 3;
    EXPECT_LE(rig.s().CylinderT.toDouble(), target);
    EXPECT_GE(rig.s().CylinderT.toDouble(), target - 10);
    EXPECT_GE(rig.s().CylinderM.toDouble(), target - 10);
    // A lower step releases down to its own share.
    setBrake(rig, -1);
    rig.run(10);
    EXPECT_LE(rig.s().CylinderT.toDouble(), 400.0 / 7 + 1);
}

TEST_F(AirBrakeRules, AutomaticBrakeAppliesOnlyOnceThePipeHasFallen) {
    data::TrainSpec t = commuterTrain();
    t.BrakeType = 0;
    t.ELBR = 20;
    VehicleRig rig(t);
    rig.readyToDrive();
    ASSERT_NEAR(static_cast<double>(rig.s().BrakePipe), 489, 2);
    ASSERT_NEAR(rig.s().CylinderT.toDouble(), 0, 1);
    setBrake(rig, -3);
    bool roseEarly = false;
    rig.runUntil(
        [&] {
            const double drop = static_cast<double>(rig.s().FeedPressure - rig.s().BrakePipe);
            if (drop <= 20 && rig.s().CylinderT.toDouble() > 1) roseEarly = true;
            return drop > 25;
        },
        10);
    EXPECT_FALSE(roseEarly);
    rig.run(2);
    EXPECT_GT(rig.s().CylinderT.toDouble(), 5);
}

TEST_F(AirBrakeRules, LappedAutomaticBrakeFillsTheCylindersToTheShareOfThePipeReduction) {
    data::TrainSpec t = commuterTrain();
    t.BrakeType = 0;
    t.ELBR = 20;
    VehicleRig rig(t);
    rig.readyToDrive();
    setBrake(rig, -3);
    ASSERT_TRUE(rig.runUntil(
        [&] { return rig.s().FeedPressure - rig.s().BrakePipe > 70; }, 20));
    setBrake(rig, -2);  // lap: the pipe holds, the cylinders catch up with the reduction
    rig.run(15);
    const double drop = static_cast<double>(rig.s().FeedPressure - rig.s().BrakePipe);
    ASSERT_GT(drop, 70);
    ASSERT_LT(drop, 100);
    // Full service (400 kPa) answers a reduction of 140 kPa; the cylinders fill in steps of
    // [BrakeUp] ÷ 60 = 3 kPa and stop at the first step that reaches the share.
    const double share = drop * 400 / 140;
    EXPECT_LE(rig.s().CylinderT.toDouble(), share + 3);
    EXPECT_GE(rig.s().CylinderT.toDouble(), share);
    EXPECT_LE(rig.s().CylinderM.toDouble(), share + 3);
    EXPECT_GE(rig.s().CylinderM.toDouble(), share);
}

TEST_F(AirBrakeRules, LowMainReservoirAppliesTheBrakeByItself) {
    data::TrainSpec t = commuterTrain();
    t.BrakeType = 2;
    t.LowAirPress = 0;  // the compressor stays off
    VehicleRig rig(t);
    rig.readyToDrive();
    ASSERT_LT(rig.s().CylinderT.toDouble(), 1);
    rig.s().MainReservoir = fx(330);
    rig.run(3);
    EXPECT_GT(rig.s().CylinderT.toDouble(), 300);
    EXPECT_EQ(rig.s().BrakeHandle, 0);
}

TEST_F(AirBrakeRules, TripOnAutomaticBrakeVentsThePipe) {
    data::TrainSpec t = commuterTrain();
    t.BrakeType = 0;
    VehicleRig rig(t);
    rig.readyToDrive();
    rig.s().EmergencyTrip = true;
    rig.run(3);
    EXPECT_NEAR(rig.s().CylinderT.toDouble(), 480, 10);
    EXPECT_LT(static_cast<double>(rig.s().BrakePipe), 1);
}

class Compressor : public ::testing::Test {
protected:
    VehicleRig rig{commuterTrain()};
    std::vector<std::string> events;
    void SetUp() override {
        rig.mixer().setEventSink(
            [this](int ch, const char* what) { events.push_back(std::to_string(ch) + what); });
    }
};

TEST_F(Compressor, StartsBelowLowAndStopsAtHighWithItsSounds) {
    rig.s().MainReservoir = fx(779);
    compressorStep(rig.ctx(), 30);
    EXPECT_TRUE(rig.s().CompressorOn);
    EXPECT_EQ(events, (std::vector<std::string>{"30play", "31loop"}));
    EXPECT_NEAR(rig.s().MainReservoir.toDouble(), 779.1, 1e-9);
    events.clear();
    rig.s().MainReservoir = fx(880);
    compressorStep(rig.ctx(), 0);  // exactly at the high pressure: stops in this frame
    EXPECT_FALSE(rig.s().CompressorOn);
    EXPECT_EQ(events, (std::vector<std::string>{"32play", "31stop"}));
}

TEST_F(Compressor, DieselFillsInProportionToEngineSpeed) {
    VehicleRig diesel(dieselRailcar());
    diesel.s().MainReservoir = fx(700);
    diesel.s().EngineSpeed = 50;
    compressorStep(diesel.ctx(), 30);
    EXPECT_NEAR(diesel.s().MainReservoir.toDouble(), 700.05, 1e-9);
}

/// Every brake type and blending mode driven through all positions at a held speed.
class AllBrakeTypes : public ::testing::TestWithParam<std::pair<int, int>> {};

TEST_P(AllBrakeTypes, PressuresStayBoundedAndTheBrakeFollowsTheHandle) {
    data::TrainSpec t = commuterTrain();
    t.BrakeType = GetParam().first;
    t.BrakeType2 = GetParam().second;
    if (t.BrakeType == 0) t.ELBR = 20;
    VehicleRig rig(t);
    rig.readyToDrive();
    const int n = brakePositions(t);
    auto hold = [&](double seconds) {
        const long double end = rig.timeS + seconds;
        while (rig.timeS < end) {
            rig.s().Speed = 60;
            rig.frame();
            expectBounded(rig);
            if (HasFatalFailure()) return;
        }
    };
    hold(2);
    EXPECT_LT(rig.s().BrakeForce.toDouble(), 1);
    double last = 0;
    if (t.BrakeType == 0) {
        // Apply, hold (lap), apply again, then emergency.
        setBrake(rig, -3);
        hold(3);
        const double applied = rig.s().BrakeForce.toDouble();
        EXPECT_GT(applied, 1000);
        setBrake(rig, -2);
        hold(3);
        EXPECT_GE(rig.s().BrakeForce.toDouble(), applied - 1);
        setBrake(rig, -1);  // release position: the motor cars release
        hold(5);
        EXPECT_LT(rig.s().CylinderM.toDouble(), 100);
        rig.s().BrakeCommand = -5;  // lap position
        hold(2);
        last = rig.s().BrakeForce.toDouble();
    } else {
        for (int k = 1; k < n; ++k) {
            setBrake(rig, -k);
            hold(4);
            const double force = rig.s().BrakeForce.toDouble();
            EXPECT_GE(force, last * 0.98) << "step " << k;
            last = force;
        }
        EXPECT_GT(last, 150000);
    }
    setBrake(rig, -n);
    hold(4);
    // Emergency is air only; with blending the full service step may brake harder.
    if (t.BrakeType2 == 0) {
        EXPECT_GE(rig.s().BrakeForce.toDouble(), last * 0.98);
    }
    EXPECT_GT(rig.s().CylinderT.toDouble(), 300);
    setBrake(rig, 0);
    hold(40);
    EXPECT_LT(rig.s().CylinderT.toDouble(), 15);
    EXPECT_LT(rig.s().CylinderM.toDouble(), 15);
    EXPECT_LT(rig.s().EBrakeValue, 1);
}

INSTANTIATE_TEST_SUITE_P(TypesAndBlending, AllBrakeTypes,
                         ::testing::Values(std::pair{0, 0}, std::pair{1, 0}, std::pair{1, 1},
                                           std::pair{1, 2}, std::pair{2, 0}, std::pair{2, 1},
                                           std::pair{2, 2}));

class Blending : public ::testing::Test {};

TEST_F(Blending, ElectricBrakeTakesOverFromTheMotorCars) {
    data::TrainSpec t = commuterTrain();
    t.BrakeType2 = 1;
    VehicleRig rig(t);
    rig.readyToDrive();
    rig.s().Speed = 80;
    for (int i = 0; i < 5; ++i) StepTowardBrake(rig.ctx());
    rig.run(4);
    EXPECT_GT(rig.s().EBrakeValue, 200);
    EXPECT_LT(rig.s().AmMeter, -200);
    EXPECT_LT(rig.s().CylinderM.toDouble(), rig.s().CylinderT.toDouble());
    EXPECT_GT(rig.s().Speed, 20);
    // Below the fade speed the electric brake goes and the air takes over to the stop.
    ASSERT_TRUE(rig.runUntil([&] { return rig.s().Speed == 0; }, 60));
    EXPECT_EQ(rig.s().EBrakeValue, 0);
    EXPECT_GT(rig.s().CylinderM.toDouble(), 200);
}

}  // namespace
}  // namespace tressmoor::vehicle::test
