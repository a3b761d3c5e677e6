// Status texts beside the cab view: number formats, label refresh, one-man texts, the
// information line and the value display.
#include "sim/status_text.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "route/stations.h"
#include "sim/sim_state.h"
#include "sound/memory_mixer.h"

namespace tressmoor::sim {
namespace {

std::string speedText(long double kmh) {
    std::string s;
    formatSpeed(s, kmh);
    return s;
}

std::string remainingText(long double cm) {
    std::string s;
    formatRemaining(s, cm);
    return s;
}

TEST(StatusFormat, SpeedHasOneDecimalInFiveCharacters) {
    EXPECT_EQ(speedText(0), "  0.0 km/h");
    EXPECT_EQ(speedText(112.345L), "112.3 km/h");
    EXPECT_EQ(speedText(-12.34L), "-12.3 km/h");
    // Rolling back a little shows no "-0.0".
    EXPECT_EQ(speedText(-0.04L), "  0.0 km/h");
    EXPECT_EQ(speedText(0.05L), "  0.1 km/h");
}

TEST(StatusFormat, RemainingDistanceChangesPrecisionAtTenAndFiveMetres) {
    EXPECT_EQ(remainingText(123456), " 1235 m");
    EXPECT_EQ(remainingText(100050), " 1001 m");   // 1000.5 m: halves go away from zero
    EXPECT_EQ(remainingText(1000.5L), "   10 m");  // just beyond 10 m: whole metres
    EXPECT_EQ(remainingText(1000), " 10.0 m");
    EXPECT_EQ(remainingText(800), "  8.0 m");
    EXPECT_EQ(remainingText(725), "  7.3 m");  // 7.25 m
    EXPECT_EQ(remainingText(500.5L), "  5.0 m");
    EXPECT_EQ(remainingText(500), " 5.00 m");
    EXPECT_EQ(remainingText(432), " 4.32 m");
    EXPECT_EQ(remainingText(300), " 3.00 m");
    EXPECT_EQ(remainingText(0), " 0.00 m");
}

TEST(StatusFormat, RemainingDistanceAfterAnOverrunIsNegative) {
    EXPECT_EQ(remainingText(-150), "-1.50 m");
    EXPECT_EQ(remainingText(-725), " -7.3 m");
    EXPECT_EQ(remainingText(-2000), "  -20 m");
    EXPECT_EQ(remainingText(-0.2L), " 0.00 m");
    EXPECT_EQ(remainingText(-1234567), "-12346 m");  // wider than five: nothing is cut
}

TEST(StatusFormat, NonFiniteValuesShowAsZero) {
    EXPECT_EQ(remainingText(std::numeric_limits<long double>::quiet_NaN()), " 0.00 m");
    EXPECT_EQ(speedText(std::numeric_limits<long double>::infinity()), "  0.0 km/h");
}

TEST(StatusFormat, ExplanationTextDropsTheLeadingZero) {
    EXPECT_EQ(explanationText("0停車しました。"), "停車しました。");
    EXPECT_EQ(explanationText("0"), "");
    EXPECT_EQ(explanationText(""), "");
    EXPECT_EQ(explanationText("1wave.wav"), "");
}

class StatusTextsTest : public ::testing::Test {
protected:
    StatusTextsTest() {
        line.LineName = "霧沢線";
        line.Station.resize(3);
        line.Station[0].Name = "霧沢";
        line.Station[1].Name = "東霧沢";
        line.Station[2].Name = "柳台";
        line.Speed_Signal = {0, 25, 45, 75, 110};
        settings.InfoLabel = {"t1",          "t2",   "停止パターン", "照査まで ",
                              "点照査まで ", "(次 ", "(次の制限 ",   "照査"};
        settings.TC = "信号変化";
        state.route.Boards.fill(route::ApproachBoard{});
    }

    void update() { UpdateStatusTexts({line, settings, options}, state); }

    data::LineData line;
    data::AppSettings settings;
    data::UserOptions options;
    SimState state;
};

TEST_F(StatusTextsTest, ComposesTheLabelsFromTheState) {
    state.vehicle.Display.reverserLabel = "前";
    state.vehicle.Display.powerLabel = "P3";
    state.vehicle.Display.brakeLabel = "B2";
    state.vehicle.Display.modeLabel = "抑速1";
    state.vehicle.Speed = 61.26L;
    state.stations.RemainingDistance = 43200;
    state.stations.StatusText = "次は 東霧沢";
    state.stations.CurrentStation = 0;
    state.stations.NextStationTexts = {"東霧沢", "東霧沢"};
    state.route.SectionMaxText = "最高95";
    state.route.DistanceText = "踏切 120m";
    route::timecalc(state.stations, 873090);  // 8:05:03
    update();

    const auto& l = state.Texts.Labels;
    EXPECT_EQ(l[0], "前");
    EXPECT_EQ(l[1], "P3");
    EXPECT_EQ(l[2], "B2");
    EXPECT_EQ(l[3], "抑速1");
    EXPECT_EQ(l[4], "次は 東霧沢");
    EXPECT_EQ(l[7], "08:05:03");
    EXPECT_EQ(l[8], "踏切 120m");
    EXPECT_EQ(l[11], " 61.3 km/h");
    EXPECT_EQ(l[12], "  432 m");
    EXPECT_EQ(l[13], "霧沢");
    EXPECT_EQ(l[14], "東霧沢");
    EXPECT_EQ(l[15], "最高95 km/h");
    EXPECT_EQ(l[5], "");
}

TEST_F(StatusTextsTest, TextDisplayModeOffLeavesTheLabelsAlone) {
    options.Moji = 0;
    state.vehicle.Speed = 80;
    update();
    EXPECT_FALSE(state.Texts.LabelsVisible);
    EXPECT_EQ(state.Texts.Labels[11], "0.0 km/h");  // design-time caption
    EXPECT_EQ(state.Texts.Labels[15], "最高 110 km/h");
    EXPECT_EQ(state.Texts.Speed, " 80.0 km/h");  // the strings themselves are still kept

    options.Moji = 1;
    update();
    EXPECT_TRUE(state.Texts.LabelsVisible);
    EXPECT_EQ(state.Texts.Labels[11], " 80.0 km/h");

    options.Moji = 0;
    state.vehicle.Speed = 20;
    update();
    EXPECT_EQ(state.Texts.Labels[11], " 80.0 km/h");  // the last refresh stays
}

TEST_F(StatusTextsTest, CaptionBecomesTheLineNameOnce) {
    EXPECT_EQ(state.Texts.Caption, kDefaultCaption);
    update();
    EXPECT_EQ(state.Texts.Caption, "霧沢線");
    line.LineName = "別線";
    update();
    EXPECT_EQ(state.Texts.Caption, "霧沢線");
}

TEST_F(StatusTextsTest, DoorTextOnlyOnOneManTrainsThatAskForIt) {
    state.stations.DoorText = "左側ドア";
    update();
    EXPECT_EQ(state.Texts.DoorText, "");
    line.OneMan = {1, 0};
    update();
    EXPECT_EQ(state.Texts.DoorText, "");
    line.OneMan = {1, 1};
    update();
    EXPECT_EQ(state.Texts.DoorText, "左側ドア");
}

TEST_F(StatusTextsTest, OneManBoardingLineFallsBackToTheTrafficSignalChange) {
    line.OneMan = {1, 1};
    state.route.TrafficInView = 0;
    update();
    EXPECT_EQ(state.Texts.BoardingText, "");
    state.route.TrafficChanged = true;
    update();
    EXPECT_EQ(state.Texts.BoardingText, "信号変化");
    state.route.TrafficChanged = false;
    update();
    EXPECT_EQ(state.Texts.BoardingText, "信号変化");  // held while the signal is in view
    state.stations.BoardingText = route::kBoardingCompleteText;
    update();
    EXPECT_EQ(state.Texts.BoardingText, "乗降完了");
    state.stations.BoardingText.clear();
    state.route.TrafficInView = -1;
    update();
    EXPECT_EQ(state.Texts.BoardingText, "");
}

TEST_F(StatusTextsTest, TwoManBoardingLineIsTheStationCompleteTextOnly) {
    state.route.TrafficInView = 0;
    state.route.TrafficChanged = true;
    update();
    EXPECT_EQ(state.Texts.BoardingText, "");
    state.stations.BoardingText = route::kBoardingCompleteText;
    update();
    EXPECT_EQ(state.Texts.BoardingText, "乗降完了");
}

TEST_F(StatusTextsTest, ExplanationIsDrawnUnlessSwitchedOff) {
    state.Explanation = "0ATSが鳴っています。";
    update();
    EXPECT_EQ(state.Texts.ExplanationText, "ATSが鳴っています。");
    EXPECT_TRUE(state.Texts.ExplanationShown);
    options.Information = 1;
    update();
    EXPECT_FALSE(state.Texts.ExplanationShown);
    options.Information = 0;
    state.Explanation.clear();
    update();
    EXPECT_EQ(state.Texts.ExplanationText, "");
    EXPECT_FALSE(state.Texts.ExplanationShown);
}

class InformationLineTest : public StatusTextsTest {
protected:
    void target(int speed, long double aheadCm) {
        state.safety.TargetIndex = 4;
        state.safety.TargetSpeed = speed;
        state.safety.TargetDistance = state.route.LineDistance + aheadCm;
    }
    void board(int b, int speed, std::int64_t toRun) {
        auto& x = state.route.Boards[static_cast<std::size_t>(b)];
        x.state = 0;
        x.speed = speed;
        x.toRun = toRun;
    }
    std::string info() {
        update();
        return state.Texts.Information;
    }
};

TEST_F(InformationLineTest, EmptyWithNothingAhead) {
    state.vehicle.Speed = 60;
    EXPECT_EQ(info(), "");
    EXPECT_EQ(state.Texts.Information2, "");
}

TEST_F(InformationLineTest, StationStopPatternAheadWhileMoving) {
    state.route.LineDistance = 50000;
    target(0, 8000);
    state.vehicle.Speed = 30;
    EXPECT_EQ(info(), "停止パターン");
    state.vehicle.Speed = 1;
    EXPECT_EQ(info(), "");
    state.vehicle.Speed = 30;
    target(0, -10);  // passed
    EXPECT_EQ(info(), "");
}

TEST_F(InformationLineTest, SignalStopPatternShowsDistanceLessTenMetres) {
    state.route.LineDistance = 1000;
    target(10, 30000);
    state.vehicle.Speed = 81;  // above 110 − 30
    EXPECT_EQ(info(), "10km/h 照査まで 290m");
    state.vehicle.Speed = 80;
    EXPECT_EQ(info(), "");
}

TEST_F(InformationLineTest, PointCheckBeforeLimitWithTheNextOne) {
    state.vehicle.Speed = 50;
    board(route::kBoardA, 60, 50000);
    board(route::kBoardB, 40, 90000);
    EXPECT_EQ(info(), "60km/h 照査まで500m");
    EXPECT_EQ(state.Texts.Information2, "(次の制限 40km/h 照査)");

    board(route::kBoardCheck1, 45, 12345);
    EXPECT_EQ(info(), "45km/h 点照査まで 123m");
    EXPECT_EQ(state.Texts.Information2, "");
    board(route::kBoardCheck2, 35, 40000);
    EXPECT_EQ(info(), "45km/h 点照査まで 123m");
    EXPECT_EQ(state.Texts.Information2, "(次 35km/h 照査)");
}

TEST_F(InformationLineTest, ReleasedTargetFallsBackToTheBoards) {
    state.vehicle.Speed = 90;
    target(10, 30000);
    state.safety.TargetIndex = route::kNoTarget;
    board(route::kBoardA, 60, 50000);
    EXPECT_EQ(info(), "60km/h 照査まで500m");
}

class ValueDisplayTest : public StatusTextsTest {
protected:
    ValueDisplayTest() {
        line.Signal.resize(4);
        line.Signal[2].HeadType = 0;  // repeater
        line.Signal[1].HeadType = 3;
        line.Signal[0].HeadType = 3;
        line.Signal[3].HeadType = 3;
        state.route.Aspect = {0, 3, 2, 7};
        spec.Brake = 8;
    }
    std::string row(std::string_view caption) {
        for (auto& r : valueDisplayRows({line, spec, sounds, mixer, 58}, state)) {
            if (r.caption == caption) return r.text;
        }
        ADD_FAILURE() << "no row " << caption;
        return {};
    }
    data::TrainSpec spec;
    sound::SoundSet sounds;
    sound::MemoryMixer mixer;
};

TEST_F(ValueDisplayTest, RowsCarryTheirUnits) {
    state.vehicle.Speed = 45.678L;
    state.vehicle.Power = 3;
    state.vehicle.BrakeCommand = -2;
    state.stations.RemainingDistance = 12345;
    EXPECT_EQ(row("速度"), "45.68 km/h");
    EXPECT_EQ(row("ノッチ状態"), "P 3 B -2");
    EXPECT_EQ(row("残距離"), "12345 cm");
    EXPECT_EQ(row("FPS"), "58");
    EXPECT_EQ(row("非常"), "");
    state.vehicle.BrakeCommand = -8;
    EXPECT_EQ(row("非常"), "EB");
    state.vehicle.BrakeCommand = -7;
    EXPECT_EQ(row("非常"), "MAX");
}

TEST_F(ValueDisplayTest, SignalGridNamesAspectsAndChecks) {
    EXPECT_EQ(signalGridText(line, state, 0), "R");
    EXPECT_EQ(signalGridText(line, state, 1), "YG");
    EXPECT_EQ(signalGridText(line, state, 2), "-");   // repeater
    EXPECT_EQ(signalGridText(line, state, 3), "-");   // aspect without a name
    EXPECT_EQ(signalGridText(line, state, 31), "-");  // no such signal
    line.SpeedCheck1.resize(1);
    line.SpeedCheck1[0].Signal = 1;
    line.SpeedCheck1[0].CheckSpeed = 15;
    EXPECT_EQ(signalGridText(line, state, 1), "●15");
    line.SpeedCheck1[0].Made = true;
    EXPECT_EQ(signalGridText(line, state, 1), "○15");
}

TEST_F(ValueDisplayTest, ChannelCellShowsPlayingChannelsWithTheirVolume) {
    EXPECT_FALSE(channelCell(mixer, 5).hasWave);
    mixer.attach(5, std::make_shared<sound::MemoryWave>("a.wav", 1000));
    mixer.Volume(5, -1200);
    EXPECT_TRUE(channelCell(mixer, 5).hasWave);
    EXPECT_FALSE(channelCell(mixer, 5).playing);
    mixer.LoopPlay(5);
    const auto cell = channelCell(mixer, 5);
    EXPECT_TRUE(cell.playing);
    EXPECT_EQ(cell.volume, -1200);
    EXPECT_FALSE(channelCell(mixer, 400).hasWave);
}

}  // namespace
}  // namespace tressmoor::sim
