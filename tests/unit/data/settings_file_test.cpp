// The settings file, the controller map, the joystick calibration and the user options.
#include "data/settings_file.h"

#include <gtest/gtest.h>

#include <fstream>

#include "data/fatal_error.h"
#include "data/text_file.h"
#include "test_support/temp_dir.h"

namespace tressmoor::data {
namespace {

class SettingsFileTest : public ::testing::Test {
protected:
    AppSettings parse(const std::string& text) {
        AppSettings s;
        ParseSettingsLines(splitLines(text), s);
        return s;
    }
};

TEST_F(SettingsFileTest, DispReadsFiveLinesAndAMissingFieldReadsZero) {
    auto s = parse("[Disp]\n30\n12\n800\n600\n0\n");
    EXPECT_EQ(s.VideoFps, 30);
    EXPECT_EQ(s.LengthFactor, 0);
    EXPECT_EQ(s.StafLeft, 12);
    EXPECT_EQ(s.ViewWidth, 800);
    EXPECT_EQ(s.ViewHeight, 600);
}

TEST_F(SettingsFileTest, DispValueThatIsNotAnIntegerIsFatal) {
    for (const char* text : {"[Disp]\n30,x\n0\n800\n600\n0\n", "[Disp]\n30\n0\n800px\n600\n0\n",
                             "[Disp]\n30,1\n0\n800\n"}) {
        try {
            parse(text);
            ADD_FAILURE() << "accepted: " << text;
        } catch (const FatalError& e) {
            EXPECT_STREQ(e.what(), "stringファイルに誤りがあります");
        }
    }
}

TEST_F(SettingsFileTest, KeyWithTrailingTextStillOpensItsSection) {
    auto s = parse("[Stops] prefixes\n踏切まで\n信号まで\n");
    EXPECT_EQ(s.Stops[0], "踏切まで");
    EXPECT_EQ(s.Stops[1], "信号まで");
}

TEST_F(SettingsFileTest, ValueLineThatIsALaterKeyAlsoOpensIt) {
    auto s = parse("[Neutral]\n[Stop]\n停車\n");
    EXPECT_EQ(s.Neutral, "[Stop]");
    EXPECT_EQ(s.Stop, "停車");
}

TEST_F(SettingsFileTest, ValueLineThatIsAnEarlierKeyIsOnlyAValue) {
    // [Forward] is tested before [Stop]; once the pass reaches [Stop] its value is not retested
    // against [Forward].
    auto s = parse("[Stop]\n[Forward]\n前進\n");
    EXPECT_EQ(s.Stop, "[Forward]");
    EXPECT_EQ(s.Forward, "");
}

TEST_F(SettingsFileTest, InfoLabelListEndsAtHashOrEndOfFile) {
    auto closed = parse("[InfoLabel]\none\ntwo\n#\n[Cars]\n両\n");
    EXPECT_EQ(closed.InfoLabel, (std::vector<std::string>{"one", "two"}));
    EXPECT_EQ(closed.infoLabel(2), "two");
    EXPECT_EQ(closed.infoLabel(3), "");
    EXPECT_EQ(closed.infoLabel(0), "");
    EXPECT_EQ(closed.Cars, "両");

    auto open = parse("[InfoLabel]\none\n[Cars]\n");
    EXPECT_EQ(open.InfoLabel, (std::vector<std::string>{"one", "[Cars]"}));
}

TEST_F(SettingsFileTest, AbsentKeysStayEmptyAndLaterOccurrencesWin) {
    auto s = parse("comment line\n[Forward]\nA\n[Forward]\nB\n[Gears]\nN\nC\n");
    EXPECT_EQ(s.Forward, "B");
    EXPECT_EQ(s.Gears[0], "N");
    EXPECT_EQ(s.Gears[1], "C");
    EXPECT_EQ(s.Gears[2], "");  // the missing third line at the end of the file reads empty
    EXPECT_EQ(s.Reverse, "");
    EXPECT_EQ(s.VideoFps, 0);
    EXPECT_FALSE(s.StartCaption);
}

TEST_F(SettingsFileTest, MenuCaptionsReplaceTheBuiltInOnes) {
    auto s = parse("[Start]\n開始\n[Save]\n保存\n");
    EXPECT_EQ(s.StartCaption, "開始");
    EXPECT_EQ(s.SaveCaption, "保存");
    EXPECT_FALSE(s.MoveCaption);
}

TEST_F(SettingsFileTest, ReadsShiftJisFileFromTheFolderAndFailsWhenMissing) {
    test_support::TempDir dir;
    AppSettings s;
    EXPECT_THROW(ReadSettingsFile(dir.path(), s), FatalError);
    {
        std::ofstream out(dir.path() / "tressmoor.dat", std::ios::binary);
        out << encodeCp932("[Disp]\r\n30,2\r\n0\r\n800\r\n600\r\n0\r\n[Forward]\r\n前進\r\n");
    }
    ReadSettingsFile(dir.path(), s);
    EXPECT_EQ(s.LengthFactor, 2);
    EXPECT_EQ(s.Forward, "前進");
}

TEST(ControllerMap, CodesRunToTheFirstHashLine) {
    auto codes = ParseControllerMapLines({"P1ABC", "P2ABC", "#", "P3ABC"});
    EXPECT_EQ(codes, (std::vector<std::string>{"P1ABC", "P2ABC"}));
    ControllerMap map;
    map.SerialCodes = codes;
    EXPECT_EQ(map.serialCode(2), "P2ABC");
    EXPECT_EQ(map.serialCode(3), "");
}

TEST(ControllerMap, MissingFileIsReportedToTheCaller) {
    test_support::TempDir dir;
    ControllerMap map;
    EXPECT_FALSE(ReadControllerMap(dir.path(), map));
    std::ofstream(dir.path() / "mascon.dat") << "AAAAA\r\nBBBBB\r\n";
    ASSERT_TRUE(ReadControllerMap(dir.path(), map));
    EXPECT_EQ(map.SerialCodes, (std::vector<std::string>{"AAAAA", "BBBBB"}));
}

TEST(ControllerCalibration, FirstMissingValueEndsTheReading) {
    MemorySettingsStore store;
    const char* names[] = {"P0", "P1", "P2", "P3", "P4", "P5", "B0", "B1", "B2"};
    int v = 1;
    for (const char* n : names) store.writeInt("quillpad", n, v++);
    store.writeInt("quillpad", "B4", 99);  // after the gap: never read
    store.writeInt("quillpad", "EB", 98);
    ControllerMap map;
    ReadControllerCalibration(store, map);
    EXPECT_EQ(map.P, (std::array<int, 6>{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(map.B[0], 7);
    EXPECT_EQ(map.B[2], 9);
    EXPECT_EQ(map.B[3], 0);
    EXPECT_EQ(map.B[4], 0);
    EXPECT_EQ(map.EB, 0);
}

TEST(ControllerCalibration, NonIntegerValueEndsTheReading) {
    MemorySettingsStore store;
    store.writeInt("quillpad", "P0", 5);
    store.writeString("quillpad", "P1", "five");
    store.writeInt("quillpad", "P2", 6);
    ControllerMap map;
    map.P.fill(-1);
    ReadControllerCalibration(store, map);
    EXPECT_EQ(map.P[0], 5);
    EXPECT_EQ(map.P[1], 0);
    EXPECT_EQ(map.P[2], 0);
}

TEST(ControllerCalibration, ListIsWrittenWhereTheReadingFindsIt) {
    const auto values = ParseCalibrationList(
        "-1,500,2500,5000,7000,8500,10000,11500,12500,-3,14,-15,16,17,18,-32768");
    ASSERT_TRUE(values);
    MemorySettingsStore store;
    ASSERT_TRUE(WriteControllerCalibration(store, *values));
    ControllerMap map;
    ReadControllerCalibration(store, map);
    EXPECT_EQ(map.P, (std::array<int, 6>{-1, 500, 2500, 5000, 7000, 8500}));
    EXPECT_EQ(map.B, (std::array<int, 9>{10000, 11500, 12500, -3, 14, -15, 16, 17, 18}));
    EXPECT_EQ(map.EB, -32768);

    // Exactly sixteen whole numbers, nothing else.
    EXPECT_FALSE(ParseCalibrationList("1,2,3,4,5,6,7,8,9,10,11,12,13,14,15"));
    EXPECT_FALSE(ParseCalibrationList("1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17"));
    EXPECT_FALSE(ParseCalibrationList("1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,"));
    EXPECT_FALSE(ParseCalibrationList("1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,x"));
    EXPECT_FALSE(ParseCalibrationList(""));
    EXPECT_TRUE(ParseCalibrationList("1, 2,3,4,5,6,7,8,9,10,11,12,13,14,15,+16"));
}

TEST(UserOptions, AnyMissingValueGivesAllDefaults) {
    MemorySettingsStore store;
    EXPECT_EQ(ReadUserOptions(store).Moji, 1);
    store.writeInt("kelvane", "Kanko", 1);
    store.writeInt("kelvane", "Information", 1);
    store.writeInt("kelvane", "ATS", 1);
    store.writeInt("kelvane", "Tunnel", 1);
    auto partial = ReadUserOptions(store);
    EXPECT_EQ(partial.Kanko, 0);
    EXPECT_EQ(partial.Moji, 1);

    UserOptions o{1, 1, 0, 1, 0};
    WriteUserOptions(store, o);
    auto back = ReadUserOptions(store);
    EXPECT_EQ(back.Kanko, 1);
    EXPECT_EQ(back.Tunnel, 1);
    EXPECT_EQ(back.Moji, 0);
}

}  // namespace
}  // namespace tressmoor::data
