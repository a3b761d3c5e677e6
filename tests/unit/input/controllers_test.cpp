// Serial messages and joystick polls of the master controllers, decoded without a drive.
#include "input/controllers.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

namespace tressmoor::input {
namespace {

/// A map whose 23 codes all differ: "C01" … "C23" padded to five characters.
data::ControllerMap numberedMap() {
    data::ControllerMap map;
    for (int k = 1; k <= data::kSerialCodePositions; ++k) {
        map.SerialCodes.push_back("C" + std::string(k < 10 ? "0" : "") + std::to_string(k) + "xy");
    }
    return map;
}

std::uint32_t buttons(std::initializer_list<int> pressed) {
    std::uint32_t mask = 0;
    for (int b : pressed) mask |= 1U << b;
    return mask;
}

// Serial messages

TEST(SerialAssembler, KeepsCharactersUntilTheCarriageReturn) {
    SerialAssembler rx;
    EXPECT_FALSE(rx.receive("C0"));
    EXPECT_FALSE(rx.receive("5x"));
    EXPECT_EQ(rx.pending(), "C05x");
    auto message = rx.receive("y\rtail");
    ASSERT_TRUE(message);
    EXPECT_EQ(*message, "C05xy\rtail");
    EXPECT_EQ(rx.pending(), "");
    EXPECT_FALSE(rx.receive("C1"));
    EXPECT_EQ(rx.pending(), "C1");
}

TEST(SerialAssembler, NoiseWithoutCarriageReturnStaysBounded) {
    SerialAssembler rx;
    const std::string noise(1000, 'n');
    for (int i = 0; i < 50; ++i) EXPECT_FALSE(rx.receive(noise));
    EXPECT_EQ(rx.pending().size(), SerialAssembler::kMaxMessage);
    auto message = rx.receive("\r");
    ASSERT_TRUE(message);
    EXPECT_EQ(message->substr(0, 5), "nnnnn");
    EXPECT_EQ(message->back(), '\r');
    EXPECT_LE(message->size(), SerialAssembler::kMaxMessage + 1);

    // A very long line in one chunk, its carriage return far past the limit: the message keeps
    // the limit and its carriage return, and decodes by its first characters as before.
    std::string line = "C05" + std::string(100000, 'x') + "\r" + std::string(5000, 'y');
    message = rx.receive(line);
    ASSERT_TRUE(message);
    EXPECT_EQ(message->size(), SerialAssembler::kMaxMessage + 1);
    EXPECT_EQ(message->substr(0, 4), "C05x");
    EXPECT_EQ(message->back(), '\r');
    EXPECT_EQ(rx.pending(), "");
    // Exactly at the limit: the carriage return is the message's own last character.
    line = std::string(SerialAssembler::kMaxMessage - 1, 'z') + "\r";
    message = rx.receive(line);
    ASSERT_TRUE(message);
    EXPECT_EQ(*message, line);
}

TEST(SerialDecoding, EveryCodeHasItsOwnMeaning) {
    const auto map = numberedMap();
    for (int k = 1; k <= 16; ++k) {
        const auto command = decodeSerialMessage(map, map.serialCode(k) + "\r");
        EXPECT_EQ(command.handleCode, k) << k;
        EXPECT_FALSE(command.reverser);
        EXPECT_EQ(command.characters, "");
    }
    EXPECT_EQ(decodeSerialMessage(map, map.serialCode(17) + "\r").reverser, 1);
    EXPECT_EQ(decodeSerialMessage(map, map.serialCode(18) + "\r").reverser, 0);
    EXPECT_EQ(decodeSerialMessage(map, map.serialCode(19) + "\r").reverser, -1);
    EXPECT_EQ(decodeSerialMessage(map, map.serialCode(20) + "\r").characters, " ");
    EXPECT_EQ(decodeSerialMessage(map, map.serialCode(21) + "\r").characters, "3");
    EXPECT_EQ(decodeSerialMessage(map, map.serialCode(22) + "\r").characters, "7");
    const auto enter = decodeSerialMessage(map, map.serialCode(23) + "\r");
    EXPECT_TRUE(enter.enter);
    EXPECT_EQ(enter.handleCode, 0);
}

TEST(SerialDecoding, OnlyTheFirstFiveCharactersCount) {
    const auto map = numberedMap();
    // Two messages in one chunk: the second is never looked at.
    EXPECT_EQ(decodeSerialMessage(map, "C03xy\rC12xy\r").handleCode, 3);
    EXPECT_EQ(decodeSerialMessage(map, "C03x\r").handleCode, 0);
    EXPECT_EQ(decodeSerialMessage(map, "C03xz\r").handleCode, 0);
    const auto none = decodeSerialMessage(map, "hello\r");
    EXPECT_EQ(none.handleCode, 0);
    EXPECT_FALSE(none.reverser);
    EXPECT_FALSE(none.enter);
}

TEST(SerialDecoding, LaterCodesOverrideEarlierOnes) {
    auto map = numberedMap();
    map.SerialCodes[1] = "SAME!";   // power 2
    map.SerialCodes[11] = "SAME!";  // brake step 5
    map.SerialCodes[16] = "SAME!";  // forward
    map.SerialCodes[18] = "SAME!";  // reverse
    map.SerialCodes[19] = "SAME!";  // " "
    map.SerialCodes[21] = "SAME!";  // "7"
    const auto command = decodeSerialMessage(map, "SAME!\r");
    EXPECT_EQ(command.handleCode, 12);
    EXPECT_EQ(command.reverser, -1);
    EXPECT_EQ(command.characters, " 7");
}

TEST(SerialDecoding, MissingCodeLinesMatchNothing) {
    data::ControllerMap map;
    map.SerialCodes = {"P1abc", ""};
    EXPECT_EQ(decodeSerialMessage(map, "P1abc\r").handleCode, 1);
    EXPECT_EQ(decodeSerialMessage(map, "").handleCode, 0);
    EXPECT_FALSE(decodeSerialMessage(map, "").enter);
}

// Joystick polls

class JoystickPoll : public ::testing::Test {
protected:
    JoystickCommand poll(int type, JoystickReading r) {
        auto command = pollJoystick(type, map_, limits_, r, handles_, memory_);
        handles_ = command.handles;
        return command;
    }
    data::ControllerMap map_ = numberedMap();
    HandleLimits limits_{5, 8};
    HandlePositions handles_{0, -8, 0};
    JoystickMemory memory_;
};

TEST_F(JoystickPoll, ButtonSumsFollowTheButtonNumbers) {
    EXPECT_EQ(buttonSumA({0, 0, buttons({0, 1, 2, 3})}), 15);
    EXPECT_EQ(buttonSumA({0, 0, buttons({8})}), 16);
    EXPECT_EQ(buttonSumA({0, 0, buttons({15})}), 2048);
    EXPECT_EQ(buttonSumA({0, 0, buttons({4, 5, 6, 7})}), 0);
    EXPECT_EQ(buttonSumB({0, 0, buttons({4, 5, 6, 7})}), 15);
    EXPECT_EQ(buttonSumB({0, 0, buttons({5, 9})}), 2);
}

TEST_F(JoystickPoll, TwoAxisPowerStepsWithBoundaries) {
    const std::initializer_list<std::pair<int, int>> cases = {
        {32767, 0},  {0, 0},      {-1, 1},     {-4999, 1},  {-5000, 2},  {-11999, 2},
        {-12000, 3}, {-19999, 3}, {-20000, 4}, {-29999, 4}, {-30000, 5}, {-32768, 5}};
    for (const auto& [y, notch] : cases) EXPECT_EQ(twoAxisPowerNotch(y), notch) << y;
}

TEST_F(JoystickPoll, TwoAxisBrakeStepsWithBoundaries) {
    const std::initializer_list<std::pair<int, int>> cases = {
        {-32768, 0}, {0, 0},     {1, 1},     {999, 1},   {1000, 2},  {3999, 2}, {4000, 3},
        {5999, 3},   {6000, 4},  {7999, 4},  {8000, 5},  {9499, 5},  {9500, 6}, {10999, 6},
        {11000, 7},  {11999, 7}, {12000, 8}, {12999, 8}, {13000, 9}, {32767, 9}};
    for (const auto& [x, step] : cases) EXPECT_EQ(twoAxisBrakeStep(x), step) << x;
}

TEST_F(JoystickPoll, TwoAxisSetsBothHandlesWithinTheTrainsLimits) {
    auto command = poll(kTwoAxisPad, {4500, -25000, 0});
    EXPECT_TRUE(command.processed);
    EXPECT_EQ(command.handles.power, 4);
    EXPECT_EQ(command.handles.brake, -3);
    EXPECT_TRUE(command.powerChanged);
    EXPECT_TRUE(command.brakeChanged);
    EXPECT_EQ(command.caption, "X:4500 Y:-25000");
    // Beyond the train's notches and brake steps the handles stop at the last ones.
    limits_ = {3, 6};
    command = poll(kTwoAxisPad, {20000, -31000, 0});
    EXPECT_EQ(command.handles.power, 3);
    EXPECT_EQ(command.handles.brake, -6);
    EXPECT_EQ(memory_.LastPower, 3);
    EXPECT_EQ(memory_.LastBrake, -6);
    EXPECT_EQ(memory_.LastSignature, -11000);
}

TEST_F(JoystickPoll, TwoAxisButtonsTypeTheirKeys) {
    auto command = poll(kTwoAxisPad, {0, 0, buttons({0, 1, 2, 3, 5})});
    EXPECT_EQ(command.characters, "9137s");
    EXPECT_FALSE(command.enter);
    command = poll(kTwoAxisPad, {0, 0, buttons({4})});
    EXPECT_EQ(command.characters, "");
    EXPECT_TRUE(command.enter);
    EXPECT_FALSE(command.horn);
}

TEST_F(JoystickPoll, UnchangedStateSendsNothingHoweverLongAButtonIsHeld) {
    const JoystickReading held{200, -3000, buttons({0})};
    EXPECT_EQ(poll(kTwoAxisPad, held).characters, "9");
    for (int i = 0; i < 10; ++i) {
        const auto command = poll(kTwoAxisPad, held);
        EXPECT_FALSE(command.processed);
        EXPECT_EQ(command.characters, "");
        EXPECT_FALSE(command.powerChanged || command.brakeChanged);
    }
    // A state with the same sum counts as unchanged too.
    EXPECT_FALSE(poll(kTwoAxisPad, {201, -3001, buttons({0})}).processed);
}

TEST_F(JoystickPoll, FirstPollAtRestIsNotProcessed) {
    EXPECT_FALSE(poll(kTwoAxisPad, {0, 0, 0}).processed);
    EXPECT_EQ(handles_.brake, -8);
}

TEST_F(JoystickPoll, PendingChangesCompareWithTheLastProcessedPoll) {
    poll(kTwoAxisPad, {2000, -1000, 0});
    const auto command = poll(kTwoAxisPad, {2500, -1000, 0});  // same steps, new signature
    EXPECT_TRUE(command.processed);
    EXPECT_FALSE(command.powerChanged);
    EXPECT_FALSE(command.brakeChanged);
    const auto brake = poll(kTwoAxisPad, {7000, -1000, 0});
    EXPECT_FALSE(brake.powerChanged);
    EXPECT_TRUE(brake.brakeChanged);
}

TEST_F(JoystickPoll, HandleMovedByTheKeyboardCountsAsChanged) {
    poll(kTwoAxisPad, {2000, -1000, 0});  // P1, B2
    handles_ = {0, -6, 0};                // the keyboard moved both handles
    const auto command = poll(kTwoAxisPad, {2500, -1000, 0});
    EXPECT_EQ(command.handles.power, 1);
    EXPECT_EQ(command.handles.brake, -2);
    EXPECT_TRUE(command.powerChanged);
    EXPECT_TRUE(command.brakeChanged);
}

TEST_F(JoystickPoll, FirstPollReleasingTheStartBrakeIsAChange) {
    // The drive starts at emergency; the last processed state is still empty.
    const auto command = poll(kTwoAxisPad, {0, -2000, 0});
    EXPECT_EQ(command.handles.brake, 0);
    EXPECT_TRUE(command.brakeChanged);
}

TEST_F(JoystickPoll, PowerTakenLeavesTheHoldingBrake) {
    handles_ = {0, 0, 2};
    EXPECT_EQ(poll(kTwoAxisPad, {0, -100, 0}).handles.suppress, 0);
    handles_ = {0, 0, 2};
    EXPECT_EQ(poll(kTwoAxisPad, {1, 0, 0}).handles.suppress, 2);
}

TEST_F(JoystickPoll, CalibratedSumMatchingPowerAndBrakeSetsBoth) {
    map_.P = {100, 7, 300, 400, 500, 600};
    map_.B = {11, 12, 13, 7, 15, 16, 17, 18, 19};
    map_.EB = 20;
    // Buttons 0, 1 and 2 give A = 7 with the axes at rest; buttons 4, 5, 6 give B = 7.
    const auto command = poll(kCalibratedPad, {0, 0, buttons({0, 1, 2, 4, 5, 6})});
    EXPECT_EQ(command.handles.power, 1);
    EXPECT_EQ(command.handles.brake, -3);
    EXPECT_EQ(command.characters, "37");
}

TEST_F(JoystickPoll, CalibratedPositionsUseTheAxesAndEmergency) {
    map_.P = {10, 11, 12, 13, 14, 15};
    map_.B = {0, 1, 2, 3, 4, 5, 6, 7, 8};
    map_.EB = 9;
    // s = A + X + Y: 2 + 5 + 7 = 14 is P4; B = 1 + 8 = 9 is the emergency value.
    auto command = poll(kCalibratedPad, {5, 7, buttons({1, 4, 7})});
    EXPECT_EQ(command.handles.power, 4);
    EXPECT_EQ(command.handles.brake, -8);  // emergency, limited to the train's 8 steps
    EXPECT_EQ(command.characters, "3");
    // No power value matches: the power handle stays.
    command = poll(kCalibratedPad, {51, 0, buttons({5, 6})});
    EXPECT_EQ(command.handles.power, 4);
    EXPECT_EQ(command.handles.brake, -6);
    command = poll(kCalibratedPad, {0, 0, buttons({3, 8, 9})});
    EXPECT_EQ(command.characters, "19r");
}

TEST_F(JoystickPoll, FixedCodesSetPowerBrakeHornAndReverser) {
    struct Case {
        std::initializer_list<int> pressed;
        int power, brake;
    };
    // B from buttons 4–7 (1, 2, 4, 8), A from buttons 8–15 (16 … 2048) and 0–3 (1 … 8).
    const std::initializer_list<Case> cases = {
        {{6, 8}, 0, 0},        // (4, 16) off and released
        {{6, 8, 9}, 1, 0},     // (4, 48) P1
        {{6, 7}, 2, 0},        // (12, 0) P2
        {{6, 7, 9}, 3, 0},     // (12, 32) P3
        {{6, 7, 8}, 4, 0},     // (12, 16) P4
        {{6, 7, 8, 9}, 5, 0},  // (12, 48) P5
        {{6, 9}, 0, -1},       // (4, 32) B1
        {{6}, 0, -2},          // (4, 0) B2
        {{7, 8, 9}, 0, -3},    // (8, 48) B3
        {{7, 8}, 0, -4},       // (8, 16) B4
        {{7, 9}, 0, -5},       // (8, 32) B5
        {{7}, 0, -6},          // (8, 0) B6
        {{8, 9}, 0, -7},       // (0, 48) B7
        {{8}, 0, -8},          // (0, 16) B8
        {{9}, 0, -8},          // (0, 32) emergency, the train's last step
    };
    for (const auto& c : cases) {
        handles_ = {3, -2, 0};
        memory_.LastSignature = -1;
        JoystickReading r{0, -1, 0};
        for (int b : c.pressed) r.buttons |= 1U << b;
        const auto command = poll(kFixedCodePad, r);
        EXPECT_EQ(command.handles.power, c.power) << r.buttons;
        EXPECT_EQ(command.handles.brake, c.brake) << r.buttons;
    }
    auto command = poll(kFixedCodePad, {0, 1, buttons({0, 1, 2})});
    EXPECT_EQ(command.horn, true);
    EXPECT_EQ(command.characters, "47b");
    command = poll(kFixedCodePad, {0, 0, buttons({2})});
    EXPECT_EQ(command.horn, false);
    EXPECT_EQ(command.characters, "7n");
    command = poll(kFixedCodePad, {0, -5, 0});
    EXPECT_EQ(command.characters, "f");
}

TEST_F(JoystickPoll, FixedCodesWithoutAMatchKeepTheHandles) {
    handles_ = {2, 0, 0};
    const auto command = poll(kFixedCodePad, {0, 0, buttons({4, 12})});
    EXPECT_EQ(command.handles.power, 2);
    EXPECT_EQ(command.handles.brake, 0);
}

}  // namespace
}  // namespace tressmoor::input
