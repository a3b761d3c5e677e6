// The diesel engine: start and stop commands, stall, gear selection and shifting.
#include "vehicle/engine.h"

#include <gtest/gtest.h>

#include <vector>

#include "vehicle_rig.h"

namespace tressmoor::vehicle::test {
namespace {

class EngineCommands : public ::testing::Test {
protected:
    VehicleRig rig{dieselRailcar()};
    VehicleState& s = rig.s();
    std::vector<int> played;
    void SetUp() override {
        rig.mixer().setEventSink([this](int ch, const char* what) {
            if (std::string(what) == "play") played.push_back(ch);
        });
    }
    void frames(int count) {
        for (int i = 0; i < count; ++i) rig.frame();
    }
};

TEST_F(EngineCommands, HoldingTheStartKeyFiftyFramesStartsTheEngine) {
    s.EngineState = 0;
    s.EngineKey = 1;
    frames(1);
    EXPECT_EQ(s.EngineState, -1);
    EXPECT_EQ(played, std::vector<int>{kEngineStart});
    frames(48);
    EXPECT_EQ(s.EngineState, -1);
    frames(1);
    EXPECT_EQ(s.EngineState, 1);
    s.EngineKey = 0;
    frames(1);
    EXPECT_EQ(s.EngineState, 1);
}

TEST_F(EngineCommands, ReleasingTheStartKeyEarlyFails) {
    s.EngineState = 0;
    s.EngineKey = 1;
    frames(30);
    s.EngineKey = 0;
    frames(1);
    EXPECT_EQ(s.EngineState, 0);
    EXPECT_EQ(played, (std::vector<int>{kEngineStart, kEngineStop}));
}

TEST_F(EngineCommands, StopKeyNeedsThePowerHandleOff) {
    rig.closeDoors();
    AllOff(rig.ctx());
    StepTowardPower(rig.ctx());
    s.EngineKey = 2;
    frames(60);
    EXPECT_EQ(s.EngineState, 1);
}

TEST_F(EngineCommands, StopKeyStopsAfterFiftyFramesAndAnEarlyReleaseKeepsItRunning) {
    s.EngineKey = 2;
    frames(39);
    EXPECT_EQ(s.EngineState, -2);
    EXPECT_TRUE(played.empty());
    frames(1);
    EXPECT_EQ(played, std::vector<int>{kEngineStop});
    frames(10);
    EXPECT_EQ(s.EngineState, 0);

    s.EngineKey = 0;
    frames(1);
    s.EngineState = 1;
    s.EngineKey = 2;
    frames(20);
    s.EngineKey = 0;
    frames(1);
    EXPECT_EQ(s.EngineState, 1);
}

TEST_F(EngineCommands, TrainSettingsDialogStartsAfterSevenHundredMilliseconds) {
    s.EngineState = 0;
    EXPECT_EQ(TrainSettingsEngineStart(rig.ctx()), 1);
    EXPECT_EQ(played, std::vector<int>{kEngineStart});
    rig.run(0.6);
    EXPECT_EQ(s.EngineState, -1);
    rig.run(0.2);
    EXPECT_EQ(s.EngineState, 1);
    TrainSettingsEngineOff(rig.ctx());
    EXPECT_EQ(s.EngineState, 0);
    EXPECT_EQ(played.back(), kEngineStop);
    bool ats = false, lamp = false;
    TrainSettingsAts(true, ats, lamp);
    EXPECT_TRUE(ats && lamp);
}

TEST_F(EngineCommands, EngineSpeedFallsToZeroWhenStoppedAndIdlesWhenRunning) {
    rig.run(2);
    EXPECT_NEAR(static_cast<double>(s.EngineSpeed), 30, 3);
    s.EngineState = 0;
    rig.run(2);
    EXPECT_EQ(s.EngineSpeed, 0);
}

class Transmission : public EngineCommands {};

TEST_F(Transmission, AutomaticGearboxShiftsUpAndTheDieselAccelerates) {
    rig.readyToDrive();
    for (int i = 0; i < 4; ++i) StepTowardPower(rig.ctx());
    rig.run(1);
    EXPECT_EQ(s.Gear, 1);
    ASSERT_TRUE(rig.runUntil([&] { return s.GearLever == 2; }, 120));
    EXPECT_GE(s.Speed, 50);
    rig.frame();
    rig.frame();
    EXPECT_EQ(s.Gear, 2);
    rig.run(20);
    EXPECT_GT(s.Speed, 60);
    EXPECT_LT(s.Speed, 96);
    EXPECT_GT(s.EngineSpeed, 30);
    std::printf("[ figure ] diesel railcar speed after powering to gear 2 + 20 s: %.1f km/h\n",
                static_cast<double>(s.Speed));
    // Power off: the gear disengages.
    AllOff(rig.ctx());
    rig.run(1);
    EXPECT_EQ(s.Gear, 0);
}

TEST_F(Transmission, StandingInTopGearWithPowerStallsTheEngine) {
    rig.readyToDrive();
    s.GearLever = 2;
    s.Gear = 2;
    s.Power = 1;
    s.PowerHandle = 1;
    s.Speed = 0.2L;
    s.BrakeHandle = 0;
    rig.frame();
    EXPECT_EQ(s.EngineState, 0);
    EXPECT_EQ(s.Power, 0);
    EXPECT_TRUE(s.Events.stalled);
    EXPECT_EQ(played.back(), kEngineStop);
    EXPECT_TRUE(engineStalledAtStandstill(rig.ctx()));
}

TEST_F(Transmission, ManualNeutralRacesTheEngineWithoutDrive) {
    rig.spec().Gear_Type = data::GearType::MT;
    rig.readyToDrive();
    SetGearLever(rig.ctx(), 0);
    for (int i = 0; i < 4; ++i) StepTowardPower(rig.ctx());
    rig.run(5);
    EXPECT_EQ(s.Gear, 0);
    EXPECT_NEAR(static_cast<double>(s.EngineSpeed), 95, 0.01);
    EXPECT_EQ(s.Speed, 0);
}

}  // namespace
}  // namespace tressmoor::vehicle::test
