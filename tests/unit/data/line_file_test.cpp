// The line file reader, the frame-to-distance conversion, the derived data and the random source.
#include "data/line_file.h"

#include <gtest/gtest.h>

#include <deque>
#include <fstream>
#include <sstream>

#include "data/fatal_error.h"
#include "data/text_file.h"
#include "test_support/temp_dir.h"

namespace tressmoor::data {
namespace {

constexpr const char* kTrain = "train_223.dat";

/// Hands out scripted draws and remembers the ranges asked for.
class ScriptedRandom final : public RandomSource {
public:
    explicit ScriptedRandom(std::deque<int> draws = {}) : draws_(std::move(draws)) {}
    int uniformInt(int n) override {
        ranges.push_back(n);
        if (n <= 0 || draws_.empty()) return 0;
        int v = draws_.front();
        draws_.pop_front();
        return v;
    }
    double uniformReal() override { return 0; }

    std::vector<int> ranges;

private:
    std::deque<int> draws_;
};

std::string readFixture(const std::string& name) {
    std::ifstream in(std::string(TRESSMOOR_FIXTURES_DIR "/line/") + name, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

class LineFileTest : public ::testing::Test {
protected:
    LineData parse(const std::string& text, int fps = 10) {
        return ParseLineLines(splitLines(text), kTrain, fps, random_);
    }
    /// The message of the FatalError that parsing `text` throws ("" when none is thrown).
    std::string errorOf(const std::string& text) {
        try {
            parse(text);
        } catch (const FatalError& e) {
            return e.what();
        }
        return "";
    }
    static std::string lineError(const std::string& section, const std::string& line,
                                 const std::string& detail) {
        return std::string("路線ファイルに誤りがあります。") + section + ":" + line + "\n" + detail;
    }

    ScriptedRandom random_;
};

// --- Frame to distance and the derived distances ---------------------------------------------

class FrameToDistanceTest : public LineFileTest {};

// Three segments at 30 frames/s: 60 km/h steady, 60 → 90 km/h, 90 → 0 km/h.
constexpr const char* kThreeSegments = "[SpeedUnit]\n0,300,60,60\n300,600,60,90\n600,660,90,0\n#\n";

TEST_F(FrameToDistanceTest, SegmentEndDistancesAddRoundedLengths) {
    LineData d = parse(kThreeSegments, 30);
    ASSERT_EQ(d.SpeedUnit.size(), 3u);
    // 120 × 300 ÷ 2.16 = 16666.7; 150 × 300 ÷ 2.16 = 20833.3; 90 × 60 ÷ 2.16 = 2500.
    EXPECT_EQ(d.SpeedUnit[0].EndDistance, 16667);
    EXPECT_EQ(d.SpeedUnit[1].EndDistance, 37500);
    EXPECT_EQ(d.SpeedUnit[2].EndDistance, 40000);
}

TEST_F(FrameToDistanceTest, FramesInsideSegmentsUseTheMeanSpeedFromTheSegmentStart) {
    LineData d = parse(kThreeSegments, 30);
    EXPECT_EQ(d.FrameToDistance(0), 0);
    EXPECT_EQ(d.FrameToDistance(150), 8333);   // 120 ÷ 7.2 × 5 s × 100
    EXPECT_EQ(d.FrameToDistance(300), 16667);  // the first segment that holds the frame
    EXPECT_EQ(d.FrameToDistance(450), 26042);  // 16667 + (75 + 60) ÷ 7.2 × 5 × 100
    EXPECT_EQ(d.FrameToDistance(600), 37500);
    EXPECT_EQ(d.FrameToDistance(630), 39375);  // 37500 + (45 + 90) ÷ 7.2 × 1 × 100
    EXPECT_EQ(d.FrameToDistance(660), 40000);
}

TEST_F(FrameToDistanceTest, FrameInNoSegmentHasNoDistance) {
    LineData d = parse(kThreeSegments, 30);
    EXPECT_EQ(d.FrameToDistance(-1), 0);
    EXPECT_EQ(d.FrameToDistance(661), 0);
    EXPECT_EQ(parse("[Station]\nA,0,100\n#\n", 30).Station[0].StopDistance, 0);
}

TEST_F(FrameToDistanceTest, DegenerateTablesGiveFiniteDistances) {
    // A one-frame segment, a reversed one and a video rate of 0 must not divide by zero.
    LineData d = parse("[SpeedUnit]\n0,0,50,50\n0,100,36,36\n200,100,36,36\n#\n", 10);
    EXPECT_EQ(d.FrameToDistance(0), 0);
    EXPECT_EQ(d.FrameToDistance(100), 10000);
    LineData still = parse(kThreeSegments, 0);
    EXPECT_EQ(still.SpeedUnit[2].EndDistance, 0);
    EXPECT_EQ(still.FrameToDistance(450), 0);
}

TEST_F(FrameToDistanceTest, HugeSpeedsSaturateInsteadOfOverflowing) {
    LineData d = parse("[SpeedUnit]\n0,2000000000,1e300,1e300\n0,10,1e300,1e300\n#\n", 1);
    EXPECT_EQ(d.SpeedUnit[1].EndDistance, std::numeric_limits<std::int64_t>::max());
    EXPECT_GT(d.FrameToDistance(5), 0);
}

TEST_F(FrameToDistanceTest, LoaderConvertsEveryFrameLaterPartsNeed) {
    LineData d =
        LoadLineFile(TRESSMOOR_FIXTURES_DIR "/line", "small_line.dat", kTrain, 10, random_);
    // 36 km/h at 10 frames/s is 100 cm per frame up to frame 1000.
    ASSERT_EQ(d.Station.size(), 3u);
    EXPECT_EQ(d.Station[0].StopDistance, 10000);
    EXPECT_EQ(d.Station[0].ZoneStart, 7500);
    EXPECT_EQ(d.Station[0].ZoneEnd, 12500);
    EXPECT_EQ(d.Station[2].StopDistance, 162500);  // 100000 + (54 + 36) ÷ 7.2 × 50 s × 100
    EXPECT_EQ(d.Station[2].ZoneStart, 160000);
    EXPECT_EQ(d.SpeedLimit[0].StartDistance, 70000);
    EXPECT_EQ(d.SpeedCheck1[0].CheckDistance, 65000);
    EXPECT_EQ(d.SpeedCheck2[0].CheckDistance, 30000);
    EXPECT_EQ(d.SpeedCheck3[0].CheckDistance, 122000);
    EXPECT_EQ(d.Tunnel[0].FirstDistance, 80000);
    EXPECT_EQ(d.Tunnel[0].LastDistance, 122000);
    EXPECT_EQ(d.Doppler[0].SourceDistance, 110500);
}

// --- Pattern targets -------------------------------------------------------------------------

class PatternTargetTest : public LineFileTest {};

TEST_F(PatternTargetTest, TargetsFromSignalsLimitsAndStopStations) {
    LineData d =
        LoadLineFile(TRESSMOOR_FIXTURES_DIR "/line", "small_line.dat", kTrain, 10, random_);
    ASSERT_EQ(d.PatternTargets.size(), 5u);
    const auto& t = d.PatternTargets;
    // Station 0: stop at 10000 cm plus 10 m allowance.
    EXPECT_EQ(t[0].Distance, 11000);
    EXPECT_EQ(t[0].Type, 3);
    EXPECT_EQ(t[0].Station, 0);
    EXPECT_EQ(t[0].Speed, 0);
    EXPECT_EQ(t[0].Signal, kNoIndex);
    EXPECT_EQ(t[1].Distance, 15000);
    EXPECT_EQ(t[1].Type, 2);
    EXPECT_EQ(t[1].Signal, 0);
    EXPECT_EQ(t[1].Speed, 10);
    EXPECT_EQ(t[2].Signal, 1);
    EXPECT_EQ(t[3].Distance, 70000);
    EXPECT_EQ(t[3].Type, 1);
    EXPECT_EQ(t[3].Speed, 45);
    EXPECT_EQ(t[4].Distance, 163000);
    EXPECT_EQ(t[4].Station, 2);
}

TEST_F(PatternTargetTest, EqualDistancesKeepSignalsThenLimitsThenStationsInFileOrder) {
    // 100 cm per frame. Signal 1, signal 2, limit B and station 1 all lie at 41000 cm.
    LineData d = parse(
        "[SpeedUnit]\n0,1000,36,36\n#\n"
        "[Signal]\n0,0,0,1,0,900\n0,0,0,1,0,410\n0,0,0,1,0,410\n#\n"
        "[Signal2]\n0123401234\n0123401234\n0123401234\n#\n"
        "[SpeedLimit]\n60,0,1,200,300\n45,0,0,410,500\n#\n"
        "[Station]\nA,0,50,0,0,0,0,0,0,0\nB,0,400,0,0,0,0,0,0,10\nC,1,600,0,0,0,0,0,0,5\n"
        "D,2,700,0,0,0,0,0,0,5\n#\n");
    std::vector<std::pair<int, int>> order;  // (type, signal or station index)
    for (const auto& t : d.PatternTargets) {
        order.emplace_back(t.Type, t.Type == 2 ? t.Signal : t.Type == 3 ? t.Station : -1);
    }
    std::vector<std::pair<int, int>> expected = {{1, -1}, {2, 1}, {2, 2}, {0, -1}, {3, 1}, {2, 0}};
    EXPECT_EQ(order, expected);
    EXPECT_EQ(d.PatternTargets[3].Speed, 45);
    for (std::size_t i = 1; i < 5; ++i) EXPECT_EQ(d.PatternTargets[i].Distance, 41000);
}

TEST_F(PatternTargetTest, ReverseOrderedTargetsComeOutSorted) {
    std::string text = "[SpeedUnit]\n0,1000,36,36\n#\n[Signal]\n";
    std::string digits = "[Signal2]\n";
    for (int frame = 900; frame >= 0; frame -= 100) {
        text += "0,0,0,1,0," + std::to_string(frame) + "\n";
        digits += "0000000000\n";
    }
    LineData d = parse(text + "#\n" + digits + "#\n");
    ASSERT_EQ(d.PatternTargets.size(), 10u);
    for (std::size_t i = 0; i < 10; ++i) {
        EXPECT_EQ(d.PatternTargets[i].Distance, static_cast<std::int64_t>(i) * 10000);
        EXPECT_EQ(d.PatternTargets[i].Signal, 9 - static_cast<int>(i));
    }
}

// --- Sections --------------------------------------------------------------------------------

class LineSectionsTest : public LineFileTest {};

TEST_F(LineSectionsTest, FixtureFixedSectionsAndImageLists) {
    LineData d =
        LoadLineFile(TRESSMOOR_FIXTURES_DIR "/line", "small_line.dat", kTrain, 10, random_);
    EXPECT_EQ(d.LineName, "試験線 上り");
    EXPECT_EQ(d.LineName2, "試験線");
    EXPECT_EQ(d.StartPos, 10);
    EXPECT_EQ(d.Staf[0], "staf1.bmp");
    EXPECT_EQ(d.Staf[1], "");
    EXPECT_EQ(d.Staf[2], "staf3.bmp");
    EXPECT_EQ(d.Friction.raw, 3500);
    EXPECT_EQ(d.DataName, "testline");
    EXPECT_DOUBLE_EQ(d.Perspective.P, 12.5);
    EXPECT_EQ(d.Perspective.H, 240);
    EXPECT_EQ(d.OneMan.Mode, 1);
    EXPECT_EQ(d.OneMan.ShowInfo, 1);
    EXPECT_EQ(d.TunnelR, 3);
    EXPECT_EQ(d.MaxSpeedCheck, 2);
    EXPECT_EQ(d.SignImageList[0].File, "teimoku.bmp");
    EXPECT_EQ(d.SignImageList[0].PatternSize, 64);
    EXPECT_EQ(d.SignImageList[8].File, "other.bmp");
    EXPECT_EQ(d.SignImageList[8].PatternSize, 56);
    EXPECT_EQ(d.SignalImageList.X, 100);
    EXPECT_EQ(d.SignalImageList.Height, 128);
    EXPECT_EQ(d.SignalImageList.File, "signal.bmp");
    EXPECT_EQ(d.SignalImageList.Sub[2].Width, 22);
    EXPECT_EQ(d.SignalImageList.Sub[2].File, "signal_r.bmp");
    EXPECT_EQ(d.AnimImageList, std::vector<std::string>{"anim1.bmp"});
    EXPECT_EQ(d.Speed_Signal, (std::vector<int>{0, 25, 45, 75, 95}));
}

TEST_F(LineSectionsTest, FixtureRecordsKeepEveryField) {
    LineData d =
        LoadLineFile(TRESSMOOR_FIXTURES_DIR "/line", "small_line.dat", kTrain, 10, random_);
    const StationRecord& s = d.Station[0];
    EXPECT_EQ(s.Name, "北浜");
    EXPECT_EQ(s.StopFrame, 100);
    EXPECT_EQ(s.DepartureTime, 1080000);
    EXPECT_EQ(s.MaxSpeed, 80);
    EXPECT_EQ(s.OverrunAllowance, 10);
    EXPECT_EQ(s.DoorSide, 1);
    EXPECT_EQ(s.DoorSoundChance, 50);
    EXPECT_EQ(s.PrecedingStopFrame, 120);
    const SignalRecord& g = d.Signal[1];
    EXPECT_EQ(g.Control, 3);
    EXPECT_EQ(g.HeadType, 4);
    EXPECT_EQ(g.Frame, 600);
    EXPECT_EQ(g.ClockTime, 1080000);
    EXPECT_EQ(g.ReleaseStation, 1);
    EXPECT_EQ(g.SubPlateY, 41);
    EXPECT_EQ(g.RightStopPattern, 9);
    EXPECT_EQ(d.Signal2[1].Digits, (std::array<int, 10>{0, 0, 1, 1, 2, 0, 0, 1, 1, 2}));
    EXPECT_EQ(d.Slope[0].Gradient.raw, -25000);
    EXPECT_EQ(d.Slope[1].Gradient.raw, 102500);
    EXPECT_EQ(d.SpeedLimit[0].EndSignPattern, 4);
    EXPECT_EQ(d.Cross[0].Station, 1);
    EXPECT_EQ(d.SoundData.size(), 3u);
    // The ";" line inside [Sound] is skipped, not counted.
    ASSERT_EQ(d.Sound.size(), 2u);
    EXPECT_EQ(d.Sound[1].Sound, 2);
    EXPECT_EQ(d.Sound[1].Fade, 1);
}

TEST_F(LineSectionsTest, ShiftJisFileWithJapaneseNamesLoads) {
    test_support::TempDir dir;
    {
        std::ofstream out(dir.path() / "line_test.dat", std::ios::binary);
        out << encodeCp932(readFixture("small_line.dat"));
    }
    // The name is written the way a data file names it, in another case.
    LineData d = LoadLineFile(dir.path(), "LINE_TEST.DAT", kTrain, 10, random_);
    ASSERT_EQ(d.Station.size(), 3u);
    EXPECT_EQ(d.Station[1].Name, "中町");
    EXPECT_EQ(d.Station[2].Name, "南ヶ丘");
    EXPECT_EQ(d.LineName, "試験線 上り");
}

TEST_F(LineSectionsTest, StationWithThreeFieldsOrAnEmptyNameReadsZeros) {
    LineData d = parse("[Station]\n東,0,250\n,2,300,100\n#\n");
    ASSERT_EQ(d.Station.size(), 2u);
    EXPECT_EQ(d.Station[0].Name, "東");
    EXPECT_EQ(d.Station[0].StopFrame, 250);
    EXPECT_EQ(d.Station[0].ZoneHalfLength, 0);
    EXPECT_EQ(d.Station[0].Kept17, 0);
    EXPECT_EQ(d.Station[1].Name, "");
    EXPECT_EQ(d.Station[1].Kind, 2);
}

TEST_F(LineSectionsTest, KeyWithTrailingTextOpensButSignal2IsNotSignal) {
    LineData d = parse(
        "[Signal] signals of the down line\n0,0,0,1,0,10\n#\n"
        "[Signal2]\n0123401234\n#\n");
    ASSERT_EQ(d.Signal.size(), 1u);
    EXPECT_EQ(d.Signal[0].Frame, 10);
    ASSERT_EQ(d.Signal2.size(), 1u);
    EXPECT_EQ(d.Signal2[0].Digits, (std::array<int, 10>{0, 1, 2, 3, 4, 0, 1, 2, 3, 4}));
}

TEST_F(LineSectionsTest, SecondOccurrenceOfAListReplacesTheFirst) {
    LineData d = parse(
        "[Station]\nA,0,1\nB,0,2\nC,0,3\n#\n[SoundData]\na.wav\n#\n"
        "[Station]\nD,0,4\n#\n[Pre_Train]\n1,2\n0,60,100,0\n0,60,200,0\n#\n"
        "[Pre_Train]\n5,6\n0,30,300,0\n#\n");
    ASSERT_EQ(d.Station.size(), 1u);
    EXPECT_EQ(d.Station[0].Name, "D");
    ASSERT_EQ(d.Pre_Train.Steps.size(), 1u);
    EXPECT_EQ(d.Pre_Train.StartFrame, 5);
    EXPECT_EQ(d.Pre_Train.Steps[0].Speed, 30);
}

TEST_F(LineSectionsTest, ListsKeepTheirFirstEntriesUpToCapacity) {
    std::string text = "[Station]\n";
    for (int i = 0; i < 600; ++i)
        text += "S" + std::to_string(i) + ",0," + std::to_string(i) + "\n";
    text += "#\n[Speed_Signal]\n";
    for (int i = 0; i < 15; ++i) text += std::to_string(i * 10) + "\n";
    text += "#\n[StafSwitch]\n1\n";
    for (int i = 2; i <= 15; ++i) text += std::to_string(i) + "\n";
    text += "#\n[Time]\n";
    for (int i = 0; i < 120; ++i) text += "1,2,3\n";
    text += "#\n";
    LineData d = parse(text);
    ASSERT_EQ(d.Station.size(), static_cast<std::size_t>(kStationCapacity));
    EXPECT_EQ(d.Station.back().Name, "S500");
    EXPECT_EQ(d.Speed_Signal.size(), 11u);
    EXPECT_EQ(d.Speed_Signal.back(), 100);
    EXPECT_EQ(d.StafSwitch, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
    EXPECT_EQ(d.Time.size(), 100u);
}

TEST_F(LineSectionsTest, ValueLineThatBeginsWithAKeyAlsoOpensIt) {
    LineData d = parse("[LineName]\n[DataName]\nvideo1\n");
    EXPECT_EQ(d.LineName, "[DataName]");
    EXPECT_EQ(d.DataName, "video1");
}

TEST_F(LineSectionsTest, ListWithoutHashLineEndsAtEndOfFile) {
    LineData d = parse("[OtherKanko]\na.wav\nb.wav");
    EXPECT_EQ(d.OtherKanko, (std::vector<std::string>{"a.wav", "b.wav"}));
}

TEST_F(LineSectionsTest, MonitorIsReadOnlyForTheLoadedTrain) {
    // Another train's five lines are ordinary lines: the "[DataName]" among them opens.
    LineData other = parse("[Monitor]\ntrain_113.dat\n1\n2\n[DataName]\nclip\n5\n");
    EXPECT_FALSE(other.Monitor.Present);
    EXPECT_EQ(other.DataName, "clip");

    LineData mine = parse(
        "[Monitor]\ntrain_113.dat\n1\n2\n3\n4\nmon113.bmp\n"
        "[Monitor]\ntrain_223.dat\n10\n20\n30\n40\nmon223.bmp\n");
    ASSERT_TRUE(mine.Monitor.Present);
    EXPECT_EQ(mine.Monitor.X, 10);
    EXPECT_EQ(mine.Monitor.PatternHeight, 40);
    EXPECT_EQ(mine.Monitor.File, "mon223.bmp");
}

TEST_F(LineSectionsTest, CallSlotsFromKankoSound1AndKankoSound2) {
    std::string text = "[KankoSound1]\n";
    for (int i = 0; i < 22; ++i) text += i == 5 ? "\n" : "k" + std::to_string(i) + ".wav\n";
    // The 23rd line is not a call: it is an ordinary line after the section.
    text += "extra.wav\n[KankoSound2]\nk22.wav\nk23.wav\n#\n";
    LineData d = parse(text);
    EXPECT_EQ(d.callWave(0), "k0.wav");
    EXPECT_EQ(d.callWave(5), "");
    EXPECT_EQ(d.callWave(21), "k21.wav");
    EXPECT_EQ(d.callWave(22), "k22.wav");
    EXPECT_EQ(d.callWave(23), "k23.wav");
    EXPECT_EQ(d.callWave(24), "");
    EXPECT_EQ(d.callWave(-1), "");
    EXPECT_EQ(d.callSlotCount(), 24);
}

TEST_F(LineSectionsTest, AnnounceHeaderAndEntriesNumberedFromOne) {
    LineData d = parse("[Announce]\n0,7\n1,0,2,3,4\n5,0,6,7,8\n#\n");
    EXPECT_EQ(d.Announce.StopAnnounceSound, 7);
    ASSERT_NE(d.Announce.entry(2), nullptr);
    EXPECT_EQ(d.Announce.entry(2)->Values[2], 6);
    EXPECT_EQ(d.Announce.entry(0), nullptr);
    EXPECT_EQ(d.Announce.entry(3), nullptr);
}

TEST_F(LineSectionsTest, PreTrainDelaysAccumulateFromStepToStep) {
    ScriptedRandom random({30, 12});
    LineData d = ParseLineLines(
        splitLines("[Pre_Train]\n100,9000\n1,60,1000,60\n2,50,2000,0\n3,40,3000,20\n#\n"), kTrain,
        10, random);
    EXPECT_EQ(d.Pre_Train.StartFrame, 100);
    EXPECT_EQ(d.Pre_Train.ExitFrame, 9000);
    ASSERT_EQ(d.Pre_Train.Steps.size(), 3u);
    EXPECT_EQ(random.ranges, (std::vector<int>{60, 0, 20}));
    EXPECT_EQ(d.Pre_Train.Steps[0].DepartureTime, 1030);
    EXPECT_EQ(d.Pre_Train.Steps[1].DepartureTime, 2030);  // range 0 adds nothing of its own
    EXPECT_EQ(d.Pre_Train.Steps[2].DepartureTime, 3042);
    EXPECT_EQ(d.Pre_Train.Steps[2].Delay, 42);
    EXPECT_EQ(d.Pre_Train.Steps[2].TimetableTime, 3000);
}

TEST_F(LineSectionsTest, FixedFourDecimalValuesAreRounded) {
    LineData d = parse("[Friction]\n0.123456\n[Slope]\n1.00005,0,10\n-3,10,20\n#\n");
    EXPECT_EQ(d.Friction.raw, 1235);
    EXPECT_EQ(d.Slope[0].Gradient.raw, 10000);  // ties to even at the fifth decimal
    EXPECT_EQ(d.Slope[1].Gradient.raw, -30000);
}

TEST_F(LineSectionsTest, RunFlagsAreClearedForANewRun) {
    LineData d =
        parse("[Station]\nA,0,1\n#\n[SpeedCheck1]\n1,2,3,0\n#\n[MovieSwitch]\n2,1,2,c\n#\n");
    d.Station[0].Progress.Arrived = true;
    d.SpeedCheck1[0].Made = true;
    d.MovieSwitch[0].Played = true;
    EXPECT_EQ(d.MovieSwitch[0].Clip, "c");
    d.clearRunFlags();
    EXPECT_FALSE(d.Station[0].Progress.Arrived);
    EXPECT_FALSE(d.SpeedCheck1[0].Made);
    EXPECT_FALSE(d.MovieSwitch[0].Played);
}

// --- Fatal errors ----------------------------------------------------------------------------

class LineErrorsTest : public LineFileTest {};

TEST_F(LineErrorsTest, ValueThatIsNotANumberNamesSectionAndLine) {
    EXPECT_EQ(errorOf("[Station]\nA,0,1\n北浜,x,100\n#\n"),
              lineError("[Station]", "北浜,x,100", "'x' は有効な整数値ではありません"));
    EXPECT_EQ(
        errorOf("[SpeedUnit]\n0,100,36,fast\n#\n"),
        lineError("[SpeedUnit]", "0,100,36,fast", "'fast' は有効な浮動小数点値ではありません"));
    EXPECT_EQ(errorOf("[Slope]\n1,5,2.5\n#\n"),
              lineError("[Slope]", "1,5,2.5", "'2.5' は有効な整数値ではありません"));
    EXPECT_EQ(errorOf("[Friction]\nhigh\n"),
              lineError("[Friction]", "high", "'high' は有効な浮動小数点値ではありません"));
}

TEST_F(LineErrorsTest, FixedSectionCutOffByTheEndOfFileIsAnError) {
    EXPECT_EQ(errorOf("[OneMan]\n1\n"),
              lineError("[OneMan]", "", "'' は有効な整数値ではありません"));
}

TEST_F(LineErrorsTest, Signal2NeedsTenDigits) {
    EXPECT_EQ(errorOf("[Signal2]\n012340123\n#\n"),
              lineError("[Signal2]", "012340123", "'' は有効な整数値ではありません"));
    EXPECT_EQ(errorOf("[Signal2]\n01234-1234\n#\n"),
              lineError("[Signal2]", "01234-1234", "'-' は有効な整数値ではありません"));
    EXPECT_EQ(errorOf("[Signal2]\n0123４01234\n#\n"),
              lineError("[Signal2]", "0123４01234", "'４' は有効な整数値ではありません"));
}

TEST_F(LineErrorsTest, SignalCountsMustMatch) {
    std::string text = "[Signal]\n";
    for (int i = 0; i < 12; ++i) text += "0,0,0,1,0," + std::to_string(i * 10) + "\n";
    text += "#\n[Signal2]\n";
    for (int i = 0; i < 11; ++i) text += "0000000000\n";
    EXPECT_EQ(errorOf(text + "#\n"), "信号機数不一致:12:11");
}

TEST_F(LineErrorsTest, ErrorOnTheDroppedSideOfACapacityStillCounts) {
    std::string text = "[Time]\n";
    for (int i = 0; i < 100; ++i) text += "1,2,3\n";
    EXPECT_EQ(errorOf(text + "1,2,x\n#\n"),
              lineError("[Time]", "1,2,x", "'x' は有効な整数値ではありません"));
}

TEST_F(LineErrorsTest, MissingFileNamesItsPath) {
    test_support::TempDir dir;
    try {
        LoadLineFile(dir.path(), "line_none.dat", kTrain, 30, random_);
        FAIL() << "no error";
    } catch (const FatalError& e) {
        EXPECT_EQ(std::string(e.what()),
                  (dir.path() / "line_none.dat").string() + "が見つかりません");
    }
}

// --- Random source ---------------------------------------------------------------------------

class SeededRandomTest : public ::testing::Test {};

TEST_F(SeededRandomTest, SameSeedGivesTheSameDraws) {
    SeededRandom a(42), b(42), c(43);
    std::vector<int> da, db, dc;
    for (int i = 0; i < 50; ++i) {
        da.push_back(a.uniformInt(1000));
        db.push_back(b.uniformInt(1000));
        dc.push_back(c.uniformInt(1000));
    }
    EXPECT_EQ(da, db);
    EXPECT_NE(da, dc);
}

TEST_F(SeededRandomTest, DrawsStayInRange) {
    SeededRandom r(7);
    std::vector<int> seen(10, 0);
    for (int i = 0; i < 2000; ++i) {
        int v = r.uniformInt(10);
        ASSERT_GE(v, 0);
        ASSERT_LT(v, 10);
        ++seen[static_cast<std::size_t>(v)];
        double x = r.uniformReal();
        ASSERT_GE(x, 0.0);
        ASSERT_LT(x, 1.0);
    }
    for (int count : seen) EXPECT_GT(count, 100);
    EXPECT_EQ(r.uniformInt(0), 0);
    EXPECT_EQ(r.uniformInt(-5), 0);
    EXPECT_EQ(r.uniformInt(1), 0);
}

}  // namespace
}  // namespace tressmoor::data
