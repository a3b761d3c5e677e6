// Master controllers driving a real session on the test line: serial messages and joystick polls.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "session_fixture.h"

namespace tressmoor::sim {
namespace {

/// Code of position k in the test controller map: "Mk" padded with letters to five characters.
std::string code(int k) {
    return "M" + std::to_string(100 + k) + "z";
}

class ControllerTest : public SessionFixture {
protected:
    void SetUp() override {
        const auto folder = folder_.path() / "drive";
        std::filesystem::copy(std::string(TRESSMOOR_FIXTURES_DIR) + "/drive", folder,
                              std::filesystem::copy_options::recursive);
        std::ofstream map(folder / "mascon.dat", std::ios::binary | std::ios::trunc);
        for (int k = 1; k <= 23; ++k) map << code(k) << "\r\n";
        map.close();
        open(folder);
    }
    vehicle::VehicleState& mutableVehicle() { return session_->mutableState().vehicle; }
    void clearPending() {
        auto& s = mutableVehicle();
        s.PowerPending = s.BrakePending = s.SapPending = s.EBrakePending = false;
    }
    void joy(int x, int y, std::uint32_t buttons = 0) {
        session_->setJoystickReading({x, y, buttons});
        frames(1);
    }
};

TEST_F(ControllerTest, PowerCodeSetsTheNotchWithinTheTrainAndReleasesTheBrake) {
    clearPending();
    session_->serialReceive(code(5) + "\r");
    EXPECT_EQ(v().PowerHandle, 4);  // the train has four notches
    EXPECT_EQ(v().BrakeHandle, 0);
    EXPECT_TRUE(v().PowerPending && v().BrakePending && v().SapPending && v().EBrakePending);
    session_->serialReceive(code(2) + "\r");
    EXPECT_EQ(v().PowerHandle, 2);
}

TEST_F(ControllerTest, BrakeAndOffCodesAreAbsolutePositions) {
    session_->serialReceive(code(3) + "\r");
    session_->serialReceive(code(10) + "\r");  // brake step 3
    EXPECT_EQ(v().PowerHandle, 0);
    EXPECT_EQ(v().BrakeHandle, -3);
    session_->serialReceive(code(16) + "\r");  // step 9: the train's emergency at 8
    EXPECT_EQ(v().BrakeHandle, -8);
    session_->serialReceive(code(7) + "\r");
    EXPECT_EQ(v().BrakeHandle, 0);
    EXPECT_EQ(v().PowerHandle, 0);
}

TEST_F(ControllerTest, MessagesSplitAcrossChunksAndTwoInOneChunk) {
    const std::string p3 = code(3);
    session_->serialReceive(p3.substr(0, 2));
    session_->serialReceive(p3.substr(2, 2));
    EXPECT_EQ(v().PowerHandle, 0);  // no carriage return yet
    session_->serialReceive(p3.substr(4) + "\r");
    EXPECT_EQ(v().PowerHandle, 3);
    EXPECT_EQ(session_->state().SerialMessage, p3 + "\r");
    // Two messages in one chunk: only the first counts.
    session_->serialReceive(code(1) + "\r" + code(12) + "\r");
    EXPECT_EQ(v().PowerHandle, 1);
    EXPECT_EQ(v().BrakeHandle, 0);
}

TEST_F(ControllerTest, ReverserCodesOnlyAtWalkingPace) {
    mutableVehicle().Speed = 3;
    session_->serialReceive(code(19) + "\r");
    EXPECT_EQ(v().Reverser, 1);
    mutableVehicle().Speed = -0.8L;
    session_->serialReceive(code(19) + "\r");
    EXPECT_EQ(v().Reverser, -1);
    session_->serialReceive(code(18) + "\r");
    EXPECT_EQ(v().Reverser, 0);
    session_->serialReceive(code(17) + "\r");
    EXPECT_EQ(v().Reverser, 1);
}

TEST_F(ControllerTest, AnyMessageShowsTheDriverIsAlert) {
    session_->mutableState().VigilanceMs = 4000;
    session_->serialReceive("noise\r");
    EXPECT_EQ(session_->state().VigilanceMs, 0);
    EXPECT_EQ(v().BrakeHandle, -8);  // an unknown message moves nothing
    EXPECT_EQ(session_->state().SerialMessage, "noise\r");
}

TEST_F(ControllerTest, JoysticksArePolledOnlyForJoystickTypes) {
    session_->setJoystickReading({5000, -13000, 0});
    frames(1);
    EXPECT_EQ(v().BrakeHandle, -8);  // serial-only controller type
    session_->setControllerType(input::kTwoAxisPad);
    frames(1);
    EXPECT_EQ(v().PowerHandle, 3);
    EXPECT_EQ(v().BrakeHandle, -3);
}

TEST_F(ControllerTest, TwoAxisDrivesAndSetsPendingOnlyForTheHandleThatMoved) {
    session_->setControllerType(input::kTwoAxisPad);
    joy(0, -6000);
    EXPECT_EQ(v().PowerHandle, 2);
    EXPECT_EQ(v().BrakeHandle, 0);
    clearPending();
    joy(0, -13000);
    EXPECT_EQ(v().PowerHandle, 3);
    EXPECT_TRUE(v().PowerPending);
    EXPECT_FALSE(v().BrakePending);
    clearPending();
    session_->mutableState().VigilanceMs = 3000;
    joy(100, 0);
    EXPECT_EQ(session_->state().VigilanceMs, 0);
    EXPECT_EQ(v().PowerHandle, 0);
    EXPECT_EQ(v().BrakeHandle, -1);
    EXPECT_TRUE(v().BrakePending && v().SapPending && v().EBrakePending);
}

TEST_F(ControllerTest, UnpluggedJoystickLeavesTheHandles) {
    session_->setControllerType(input::kTwoAxisPad);
    joy(3000, 0);
    EXPECT_EQ(v().BrakeHandle, -2);
    input::FixedJoystick none;
    session_->setJoystick(&none);
    frames(5);
    EXPECT_EQ(v().BrakeHandle, -2);
    session_->setJoystick(nullptr);
}

TEST_F(ControllerTest, SerialNoiseLeavesTheHandlesAndStaysBounded) {
    session_->serialReceive(code(3) + "\r");
    ASSERT_EQ(v().PowerHandle, 3);
    // Random bytes with no carriage return for a long time (none of the codes starts with a
    // byte above 'M'), a very long line, and random lines: nothing matches a code.
    std::mt19937 random(20261209);
    std::string noise;
    for (int chunk = 0; chunk < 200; ++chunk) {
        noise.clear();
        for (int i = 0; i < 4096; ++i) {
            char c = static_cast<char>('N' + random() % 100);
            noise.push_back(c == '\r' ? 'N' : c);
        }
        session_->serialReceive(noise);
    }
    frames(2);
    EXPECT_EQ(v().PowerHandle, 3);
    session_->serialReceive(std::string(1 << 20, 'N') + "\r");
    EXPECT_LE(session_->state().SerialMessage.size(), input::SerialAssembler::kMaxMessage + 1);
    for (int line = 0; line < 100; ++line) {
        noise.assign(random() % 300, 'Q');
        for (char& c : noise) c = static_cast<char>(random() % 256);
        if (!noise.empty() && noise.front() == 'M') noise.front() = 'N';
        session_->serialReceive(noise + "\r");
        ASSERT_LE(session_->state().SerialMessage.size(), input::SerialAssembler::kMaxMessage + 1);
    }
    frames(2);
    EXPECT_EQ(v().PowerHandle, 3);
    EXPECT_EQ(v().BrakeHandle, 0);
    // The controller's next code after the noise is read as usual.
    session_->serialReceive(code(10) + "\r");
    EXPECT_EQ(v().BrakeHandle, -3);
}

TEST_F(ControllerTest, JoystickPulledOutWithTheHornHeldStopsTheHorn) {
    session_->setControllerType(input::kFixedCodePad);
    joy(0, 0, (1U << 6) | (1U << 8));       // off and released
    joy(0, 0, (1U << 6) | (1U << 8) | 1U);  // the horn button held as well
    ASSERT_TRUE(session_->state().input.ControllerHorn);
    input::FixedJoystick none;
    session_->setJoystick(&none);
    frames(3);
    EXPECT_FALSE(session_->state().input.ControllerHorn);
    EXPECT_EQ(v().BrakeHandle, 0);
    EXPECT_EQ(v().PowerHandle, 0);
    session_->setJoystick(nullptr);
}

TEST_F(ControllerTest, FixedCodeHornAndReverserCharacters) {
    session_->setControllerType(input::kFixedCodePad);
    // (B, A) = (4, 16): off and released; Y > 0 types "b".
    joy(0, 1, (1U << 6) | (1U << 8));
    EXPECT_EQ(v().BrakeHandle, 0);
    EXPECT_FALSE(session_->state().input.ControllerHorn);
    EXPECT_EQ(v().Reverser, -1);
    // The horn button adds to the button sum: no handle code, the handles stay.
    joy(0, -3, (1U << 6) | (1U << 8) | 1U);
    EXPECT_TRUE(session_->state().input.ControllerHorn);
    EXPECT_EQ(v().BrakeHandle, 0);
    EXPECT_EQ(v().Reverser, 1);
    joy(0, 0, (1U << 6) | (1U << 8));
    EXPECT_FALSE(session_->state().input.ControllerHorn);
    EXPECT_EQ(v().Reverser, 0);
    joy(0, 0, (1U << 6) | (1U << 8) | 1U);
    EXPECT_TRUE(session_->state().input.ControllerHorn);
    session_->setControllerType(input::kSerialOnly);
    EXPECT_FALSE(session_->state().input.ControllerHorn);
}

TEST_F(ControllerTest, DebugCaptionShowsTheAxesAndIsRestored) {
    session_->setControllerType(input::kTwoAxisPad);
    session_->setControllerDebug(true);
    joy(1234, -567);
    EXPECT_EQ(session_->state().ControllerCaption, "X:1234 Y:-567");
    joy(-20, 0);
    EXPECT_EQ(session_->state().ControllerCaption, "X:-20 Y:0");
    session_->setControllerDebug(false);
    EXPECT_EQ(session_->state().ControllerCaption, "");
    joy(1, -5);
    EXPECT_EQ(session_->state().ControllerCaption, "");
}

}  // namespace
}  // namespace tressmoor::sim
