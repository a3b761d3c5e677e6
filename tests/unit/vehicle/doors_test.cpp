// The doors: opening at a standstill, closing when the door sounds have ended.
#include "vehicle/doors.h"

#include <gtest/gtest.h>

#include <vector>

#include "vehicle_rig.h"

namespace tressmoor::vehicle::test {
namespace {

class Doors : public ::testing::Test {
protected:
    VehicleRig rig{commuterTrain()};
    VehicleState& s = rig.s();
    std::vector<int> played;
    void SetUp() override {
        rig.mixer().setEventSink([this](int ch, const char* what) {
            if (std::string(what) == "play") played.push_back(ch);
        });
        rig.closeDoors();
        s.Events = {};
        played.clear();
    }
};

TEST_F(Doors, StartOpenAndCloseOnceTheClosingSoundHasEnded) {
    VehicleRig fresh(commuterTrain());
    EXPECT_TRUE(fresh.s().DoorsOpen);
    EXPECT_TRUE(fresh.s().DoorCommand);
    EXPECT_EQ(doorStatusText(fresh.s()), kDoorsOpenText);
    Door_operate(fresh.ctx(), {});
    EXPECT_EQ(doorStatusText(fresh.s()), kDoorsClosingText);
    fresh.run(2.4);
    EXPECT_TRUE(fresh.s().DoorsOpen);
    fresh.run(0.2);
    EXPECT_FALSE(fresh.s().DoorsOpen);
    EXPECT_TRUE(fresh.s().Events.doorsClosed);
    EXPECT_TRUE(doorLampVisible(fresh.ctx()));
    EXPECT_EQ(doorStatusText(fresh.s()), "");
}

TEST_F(Doors, OpenOnlyBelowFiveHundredthsOfAKilometrePerHour) {
    s.Speed = 0.06L;
    Door_operate(rig.ctx(), {});
    EXPECT_FALSE(s.DoorsOpen);
    EXPECT_TRUE(played.empty());
    s.Speed = 0.04L;
    Door_operate(rig.ctx(), {});
    EXPECT_TRUE(s.DoorsOpen);
    EXPECT_TRUE(s.DoorCommand);
    EXPECT_FALSE(doorLampVisible(rig.ctx()));
    EXPECT_EQ(played, std::vector<int>{kDoorOpen});
}

TEST_F(Doors, ClosingWaitsForBothSounds) {
    Door_operate(rig.ctx(), {});
    rig.run(0.5);
    Door_operate(rig.ctx(), {});  // close while the opening sound still plays
    EXPECT_EQ(played, (std::vector<int>{kDoorOpen, kDoorClose}));
    rig.run(2.4);
    EXPECT_TRUE(s.DoorsOpen);
    rig.run(0.2);
    EXPECT_FALSE(s.DoorsOpen);
    EXPECT_EQ(played.back(), kDepSign);
}

TEST_F(Doors, ClosingCompletesWithoutADoorLamp) {
    rig.ctx().hasDoorLamp = false;
    Door_operate(rig.ctx(), {});
    rig.run(3);
    Door_operate(rig.ctx(), {});
    rig.run(3);
    EXPECT_FALSE(s.DoorsOpen);
    EXPECT_TRUE(s.Events.doorsClosed);
    EXPECT_FALSE(doorLampVisible(rig.ctx()));
}

TEST_F(Doors, DoorLockHoldsTractionUntilTheCloseHasCompleted) {
    Door_operate(rig.ctx(), {});
    AllOff(rig.ctx());
    rig.run(15);  // doors open, brakes released
    for (int i = 0; i < 5; ++i) StepTowardPower(rig.ctx());
    rig.run(1);
    EXPECT_EQ(s.Speed, 0);
    Door_operate(rig.ctx(), {});
    rig.run(2);
    EXPECT_EQ(s.Speed, 0);
    EXPECT_TRUE(s.DoorsOpen);
    rig.run(2);
    EXPECT_FALSE(s.DoorsOpen);
    EXPECT_GT(s.Speed, 0);
}

TEST_F(Doors, OneManLineSoundsByChanceAndIndicatorZeroOnlyCommandsClose) {
    DoorOperateInputs oneMan{.oneMan = true, .soundChance = 30, .drawnRandom = 50};
    Door_operate(rig.ctx(), oneMan);
    EXPECT_TRUE(s.DoorsOpen);
    EXPECT_TRUE(played.empty());
    EXPECT_TRUE(s.Events.clearCarCountText);
    oneMan.drawnRandom = 30;
    Door_operate(rig.ctx(), oneMan);
    EXPECT_EQ(played, std::vector<int>{kDoorClose});

    DoorOperateInputs parked{.indicatorAtFrameZero = true};
    rig.run(3);
    Door_operate(rig.ctx(), parked);
    EXPECT_FALSE(s.DoorsOpen);
    EXPECT_FALSE(s.DoorCommand);
}

}  // namespace
}  // namespace tressmoor::vehicle::test
