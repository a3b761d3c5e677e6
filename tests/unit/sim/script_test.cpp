// Driving scripts of the headless runner.
#include "sim/script.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace tressmoor::sim {
namespace {

TEST(Script, ReadsEveryCommandSortedByTime) {
    auto s = parseScript(
        "# departure\n"
        "5 key 8   # one notch\n"
        "0 key Shift+F5\n"
        "\n"
        "12.5 hold 3 2\r\n"
        "20 station 3\n"
        "30 save 1\n"
        "31 load 1\n"
        "5 keyup F2\n"
        "40 key #\n");
    ASSERT_EQ(s.commands.size(), 8u);
    EXPECT_EQ(s.commands[0].key.key, input::Key::F5);
    EXPECT_TRUE(s.commands[0].key.shift);
    EXPECT_EQ(s.commands[1].key.character, '8');
    EXPECT_EQ(s.commands[1].line, 2);
    EXPECT_EQ(s.commands[2].kind, ScriptCommand::Kind::KeyUp);  // same time: file order
    EXPECT_EQ(s.commands[3].kind, ScriptCommand::Kind::Hold);
    EXPECT_DOUBLE_EQ(s.commands[3].holdSeconds, 2.0);
    EXPECT_EQ(s.commands[4].number, 3);
    EXPECT_EQ(s.commands[5].kind, ScriptCommand::Kind::Save);
    EXPECT_EQ(s.commands[7].key.character, '#');
}

TEST(Script, ShotsKeepTheWholePathAndQuitTakesNothing) {
    auto s = parseScript(
        "2 shot /tmp/my shots/standing.png  # first picture\n"
        "3 quit\n"
        "1 shot a.png\n");
    ASSERT_EQ(s.commands.size(), 3u);
    EXPECT_EQ(s.commands[0].kind, ScriptCommand::Kind::Shot);
    EXPECT_EQ(s.commands[0].path, "a.png");
    EXPECT_EQ(s.commands[1].path, "/tmp/my shots/standing.png");
    EXPECT_EQ(s.commands[2].kind, ScriptCommand::Kind::Quit);
    EXPECT_DOUBLE_EQ(s.commands[2].atSeconds, 3.0);
}

TEST(Script, MenuCommandsNameTheirItem) {
    auto s = parseScript(
        "1 menu OFFC1  # text display mode\n"
        "0.5 menu Save2\n");
    ASSERT_EQ(s.commands.size(), 2u);
    EXPECT_EQ(s.commands[0].kind, ScriptCommand::Kind::Menu);
    EXPECT_EQ(s.commands[0].name, "Save2");
    EXPECT_EQ(s.commands[1].name, "OFFC1");
    EXPECT_EQ(s.commands[1].line, 1);
}

TEST(Script, ControllerCommandsCarryTheirTextTypeAndJoystickState) {
    auto s = parseScript(
        "1 serial AB#1 \\x41\\r\\\\  \n"
        "2 controller 3\n"
        "3 joy -32768 32767 0,5,31  # all three\n"
        "4 joy 12 -7 -\n");
    ASSERT_EQ(s.commands.size(), 4u);
    EXPECT_EQ(s.commands[0].kind, ScriptCommand::Kind::Serial);
    EXPECT_EQ(s.commands[0].path, "AB#1 A\r\\");
    EXPECT_EQ(s.commands[1].kind, ScriptCommand::Kind::Controller);
    EXPECT_EQ(s.commands[1].number, 3);
    EXPECT_EQ(s.commands[2].kind, ScriptCommand::Kind::Joy);
    EXPECT_EQ(s.commands[2].joy.x, -32768);
    EXPECT_EQ(s.commands[2].joy.y, 32767);
    EXPECT_EQ(s.commands[2].joy.buttons, (1U << 0) | (1U << 5) | (1U << 31));
    EXPECT_EQ(s.commands[3].joy.x, 12);
    EXPECT_EQ(s.commands[3].joy.y, -7);
    EXPECT_EQ(s.commands[3].joy.buttons, 0U);
}

TEST(Script, MalformedLinesNameTheLine) {
    for (const char* text :
         {"x key 8", "1 key", "1 press 8", "1 key F13", "1 save 4", "1 hold 3", "-1 key 8",
          "1 station -2", "1 key 8 9", "1 shot", "1 quit now", "1 menu", "1 menu D1 OFF1",
          "1 serial", "1 serial ab\\q", "1 serial ab\\x4", "1 controller 4", "1 controller -1",
          "1 joy 0 0", "1 joy 0 0 32", "1 joy 0 40000 -", "1 joy 0 0 1,", "1 joy 0 0 1 2",
          // Times a long double holds but a double does not.
          "1e400 key 8", "1 hold 8 1e400"}) {
        try {
            parseScript(std::string("\n") + text);
            ADD_FAILURE() << "accepted: " << text;
        } catch (const std::invalid_argument& e) {
            EXPECT_NE(std::string(e.what()).find("script line 2"), std::string::npos) << e.what();
        }
    }
}

}  // namespace
}  // namespace tressmoor::sim
