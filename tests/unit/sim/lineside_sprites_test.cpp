// Tests of the lineside sprites: which pictures a line file gives and where the state puts them.
#include "sim/lineside_sprites.h"

#include <gtest/gtest.h>

#include "sim/sim_state.h"

namespace tressmoor::sim {
namespace {

using I = LinesideItem;

class LinesideSpritesTest : public ::testing::Test {
protected:
    void SetUp() override {
        // Every picture a different width, so a swapped index shows in the positions.
        const int sizes[data::kSignImageCount] = {120, 600, 790, 780, 64, 80, 48, 70, 66};
        for (int k = 0; k < data::kSignImageCount; ++k) {
            auto& s = line_.SignImageList[static_cast<std::size_t>(k)];
            s.File = "image\\sign\\s" + std::to_string(k) + ".png";
            s.PatternSize = sizes[k];
        }
        auto& sig = line_.SignalImageList;
        sig.X = 5;
        sig.Y = 7;
        sig.Width = 80;
        sig.Height = 160;
        sig.File = "heads.png";
        sig.Sub[0] = {81, 41, "plates.png"};
        sig.Sub[1] = {61, 62, "left.png"};
        sig.Sub[2] = {63, 64, "right.png"};
        line_.Perspective.P = 20;
        line_.Perspective.H = 280;
        settings_.ViewWidth = 800;
        settings_.ViewHeight = 600;
    }

    LinesidePlacement place(I item) const { return PlaceLineside(item, {line_, settings_}, s_); }

    data::LineData line_;
    data::AppSettings settings_;
    SimState s_;
};

TEST_F(LinesideSpritesTest, SignPicturesKeepTheirListPlaceNameAndMessage) {
    line_.SignImageList[7].File.clear();  // no crossing indicator
    const auto sprites = BuildLinesideSprites(line_);
    ASSERT_GE(sprites.size(), 8u);
    EXPECT_EQ(sprites[0].item, I::StopMarker);
    EXPECT_EQ(sprites[0].name, "img_unten_teimoku");
    EXPECT_EQ(sprites[0].error, "停目の生成エラー");
    EXPECT_EQ(sprites[0].patternWidth, 120);
    EXPECT_EQ(sprites[0].patternHeight, 0);
    EXPECT_EQ(sprites[6].item, I::Remain);
    EXPECT_EQ(sprites[6].file, "image\\sign\\s6.png");
    EXPECT_EQ(sprites[6].patternWidth, 48);
    // The crossing indicator is left out; the other signs keep their own message.
    EXPECT_EQ(sprites[7].item, I::OtherSign);
    EXPECT_EQ(sprites[7].error, "その他標識の生成エラー");
    EXPECT_EQ(sprites[7].patternWidth, 66);
}

TEST_F(LinesideSpritesTest, SignalPicturesHaveTheirCellSizesAndTheExtraHeadUsesTheMainPicture) {
    const auto sprites = BuildLinesideSprites(line_);
    ASSERT_EQ(sprites.size(), 9u + 5u);
    const LinesideSprite& main = sprites[9];
    EXPECT_EQ(main.item, I::Signal);
    EXPECT_EQ(main.error, "信号機の生成エラー");
    EXPECT_EQ(main.patternWidth, 80);
    EXPECT_EQ(main.patternHeight, 160);
    const I subs[3] = {I::SignalSub, I::SignalLeft, I::SignalRight};
    const char* errors[3] = {"サブ信号機0の生成エラー", "サブ信号機1の生成エラー",
                             "サブ信号機2の生成エラー"};
    const int widths[3] = {81, 61, 63}, heights[3] = {41, 62, 64};
    for (int k = 0; k < 3; ++k) {
        const LinesideSprite& s = sprites[static_cast<std::size_t>(10 + k)];
        EXPECT_EQ(s.item, subs[k]);
        EXPECT_EQ(s.error, errors[k]);
        EXPECT_EQ(s.patternWidth, widths[k]);
        EXPECT_EQ(s.patternHeight, heights[k]);
    }
    EXPECT_EQ(sprites[13].item, I::SignalExtra);
    EXPECT_EQ(sprites[13].file, "heads.png");
    EXPECT_EQ(sprites[13].patternWidth, 80);
}

TEST_F(LinesideSpritesTest, ImageListsGiveOneWholePictureEachAndTheMonitorBelongsToThePanel) {
    line_.AnimImageList = {"a0.png", "a1.png"};
    line_.TrafficSignalImageList = {"t0.png", "", "t2.png"};
    const auto without = BuildLinesideSprites(line_);
    line_.Monitor = {true, 600, 440, 120, 60, "mon.png"};
    const auto sprites = BuildLinesideSprites(line_);
    ASSERT_EQ(sprites.size(), without.size() + 1);
    int anim = 0, traffic = 0, traffic2 = 0;
    for (const auto& s : sprites) {
        if (s.item == I::Anim) ++anim;
        if (s.item == I::Traffic) ++traffic;
        if (s.item == I::Traffic2) ++traffic2;
        if (s.item == I::Anim || s.item == I::Traffic || s.item == I::Traffic2) {
            EXPECT_TRUE(s.listEntry);
            EXPECT_EQ(s.patternWidth, 0);
            EXPECT_TRUE(s.error.empty());  // a missing picture names its path
        }
    }
    EXPECT_EQ(anim, 2);
    EXPECT_EQ(traffic, 2);  // the empty name is left out
    EXPECT_EQ(traffic2, 2);
    const LinesideSprite& mon = sprites.back();
    EXPECT_EQ(mon.item, I::Monitor);
    EXPECT_EQ(mon.name, "img_mon");
    EXPECT_TRUE(mon.onPanel);
    EXPECT_EQ(mon.patternWidth, 120);
    EXPECT_EQ(mon.patternHeight, 60);
}

TEST_F(LinesideSpritesTest, StopLinesShowAtTheirOwnHeightAndThicknessCentredOnTheView) {
    s_.video.stopLines[0] = {true, 520, 2};
    s_.video.stopLines[1] = {true, 540, 3};
    s_.video.stopLines[2] = {false, -100, 0};
    const LinesidePlacement near = place(I::StopLineNear);
    EXPECT_TRUE(near.visible);
    EXPECT_EQ(near.x, 100);  // (800 − 600) ÷ 2
    EXPECT_EQ(near.y, 520);
    EXPECT_EQ(near.height, 2);
    const LinesidePlacement stop = place(I::StopLine);
    EXPECT_EQ(stop.x, 5);
    EXPECT_EQ(stop.y, 540);
    EXPECT_EQ(stop.height, 3);
    EXPECT_FALSE(place(I::StopLineFar).visible);
    // A line without thickness draws nothing.
    s_.video.stopLines[1].thickness = 0;
    EXPECT_FALSE(place(I::StopLine).visible);
}

TEST_F(LinesideSpritesTest, StopMarkerStandsAtTheStopInPerspective) {
    s_.stations.StopMarkerPattern = 3;     // the 150 m board
    s_.stations.RemainingDistance = 1000;  // 10 m
    LinesidePlacement p = place(I::StopMarker);
    EXPECT_TRUE(p.visible);
    EXPECT_EQ(p.anchor, SpriteAnchor::BottomCentre);
    EXPECT_EQ(p.cell, 3);
    EXPECT_EQ(p.y, 507);  // 600 − 10 ÷ 30 × 280 = 506.67
    EXPECT_EQ(p.x, 213);  // 400 − 0.35 × 800 × 20 ÷ 30 = 213.33

    // At 300 m both coordinates fall on a half and round away from zero.
    s_.stations.StopMarkerPattern = 5;
    s_.stations.RemainingDistance = 30000;
    p = place(I::StopMarker);
    EXPECT_EQ(p.y, 338);  // 600 − 300 ÷ 320 × 280 = 337.5
    EXPECT_EQ(p.x, 383);  // 400 − 280 × 20 ÷ 320 = 382.5
    EXPECT_EQ(p.cell, 5);

    // At the stop the marker stands at the bottom of the view, furthest from the track.
    s_.stations.RemainingDistance = 0;
    p = place(I::StopMarker);
    EXPECT_TRUE(p.visible);
    EXPECT_EQ(p.y, 600);
    EXPECT_EQ(p.x, 120);
}

TEST_F(LinesideSpritesTest, StationMarkerStandsAtItsOwnStationsStop) {
    line_.Station.resize(3);
    line_.Station[1].StopDistance = 500000;
    line_.Station[2].StopDistance = 900000;
    s_.route.LineDistance = 499000;          // 10 m before station 1
    s_.stations.RemainingDistance = 401000;  // already counting to station 2
    s_.stations.StopMarkerPattern = 11;
    LinesidePlacement p = place(I::StopMarker);
    EXPECT_TRUE(p.visible);
    EXPECT_EQ(p.cell, 11);
    EXPECT_EQ(p.y, 507);
    EXPECT_EQ(p.x, 213);
    // Standing 5 cm past it, the marker is behind the cab.
    s_.route.LineDistance = 500005;
    EXPECT_FALSE(place(I::StopMarker).visible);
    // A marker cell beyond the station list counts to the next stop.
    s_.stations.StopMarkerPattern = 13;
    EXPECT_TRUE(place(I::StopMarker).visible);
}

TEST_F(LinesideSpritesTest, StopMarkerIsHiddenWithoutABoardBehindTheCabOrWithoutPerspective) {
    s_.stations.StopMarkerPattern = 0;
    s_.stations.RemainingDistance = 4000;
    EXPECT_FALSE(place(I::StopMarker).visible);
    s_.stations.StopMarkerPattern = 4;
    s_.stations.RemainingDistance = -1;
    EXPECT_FALSE(place(I::StopMarker).visible);
    s_.stations.RemainingDistance = 0;
    line_.Perspective.P = 0;  // 0 ÷ 0 at the stop
    EXPECT_FALSE(place(I::StopMarker).visible);
}

TEST_F(LinesideSpritesTest, SignsLineUpFromTheRightLeftOfTheRuler) {
    s_.route.limitSign = {4, 0, 0, true};
    s_.route.slopePost = {3, 0, 0, true};
    s_.route.otherSign = {2, 0, 0, false};
    s_.route.crossIndicator = {1, 0, 0, true};
    const LinesidePlacement limit = place(I::LimitSign);
    EXPECT_EQ(limit.anchor, SpriteAnchor::TopRight);
    EXPECT_EQ(limit.x, 736);  // 800 − 8 − 48 (ruler) − 8
    EXPECT_EQ(limit.y, 8);
    EXPECT_EQ(limit.cell, 4);
    EXPECT_TRUE(limit.visible);
    const LinesidePlacement slope = place(I::SlopePost);
    EXPECT_EQ(slope.x, 648);  // limit 80 wide
    EXPECT_EQ(slope.cell, 3);
    const LinesidePlacement other = place(I::OtherSign);
    EXPECT_EQ(other.x, 576);  // slope post 64 wide
    EXPECT_FALSE(other.visible);
    const LinesidePlacement cross = place(I::Cross);
    EXPECT_EQ(cross.x, 502);  // other sign 66 wide
    EXPECT_EQ(cross.cell, 1);

    // Without a ruler or a limit sign the row moves right.
    line_.SignImageList[6].File.clear();
    line_.SignImageList[5].File.clear();
    EXPECT_EQ(place(I::SlopePost).x, 792);
    EXPECT_EQ(place(I::Cross).x, 792 - 64 - 8 - 66 - 8);
}

TEST_F(LinesideSpritesTest, RulerKeepsTheRightEdgeAndFollowsTheVideoState) {
    s_.video.remain = {1, 0, -700, true};
    const LinesidePlacement p = place(I::Remain);
    EXPECT_TRUE(p.visible);
    EXPECT_EQ(p.x, 744);
    EXPECT_EQ(p.y, -700);
    EXPECT_EQ(p.cell, 1);
    EXPECT_EQ(p.anchor, SpriteAnchor::TopLeft);
}

TEST_F(LinesideSpritesTest, SignalSpritesStandWhereTheRouteStateSetsThem) {
    auto& sig = s_.route.signalSprites;
    sig.main = {17, 45, 47, true};
    sig.subPlate = {2, 45, 212, true};
    sig.left = {1, 130, 67, false};
    sig.right = {3, 131, 137, true};
    sig.extra = {9, 46, 48, true};
    const std::pair<I, route::SpriteState> cases[] = {{I::Signal, sig.main},
                                                      {I::SignalSub, sig.subPlate},
                                                      {I::SignalLeft, sig.left},
                                                      {I::SignalRight, sig.right},
                                                      {I::SignalExtra, sig.extra}};
    for (const auto& [item, expected] : cases) {
        const LinesidePlacement p = place(item);
        EXPECT_EQ(p.visible, expected.visible);
        EXPECT_EQ(p.x, expected.x);
        EXPECT_EQ(p.y, expected.y);
        EXPECT_EQ(p.cell, expected.pattern);
        EXPECT_EQ(p.anchor, SpriteAnchor::TopLeft);
    }
}

TEST_F(LinesideSpritesTest, AnimatedObjectsAndTrafficSignalsShowOnlyInsideTheirWindows) {
    s_.route.animSprite = {6, 0, 0, true};
    s_.route.trafficSprite = {2, 0, 0, true};
    s_.route.trafficSprite2 = {4, 0, 0, true};
    s_.route.AnimRecord = 0;
    s_.route.TrafficInView = 1;
    const LinesidePlacement anim = place(I::Anim);
    EXPECT_TRUE(anim.visible);
    EXPECT_EQ(anim.cell, 6);
    EXPECT_EQ(anim.x, 736 - 128);
    EXPECT_EQ(anim.y, 144);
    const LinesidePlacement traffic = place(I::Traffic);
    EXPECT_TRUE(traffic.visible);
    EXPECT_EQ(traffic.cell, 2);
    EXPECT_EQ(traffic.x, 736);
    EXPECT_EQ(place(I::Traffic2).cell, 4);

    // Leaving the windows: the route keeps pattern 0 on the sprites, which then are not drawn.
    s_.route.AnimRecord = -1;
    s_.route.TrafficInView = -1;
    s_.route.animSprite.pattern = 0;
    EXPECT_FALSE(place(I::Anim).visible);
    EXPECT_FALSE(place(I::Traffic).visible);
    EXPECT_FALSE(place(I::Traffic2).visible);
}

TEST_F(LinesideSpritesTest, MonitorShowsTheStationPatternOnlyForTheTrainItNames) {
    s_.stations.MonitorPattern = 3;
    EXPECT_FALSE(place(I::Monitor).visible);
    line_.Monitor = {true, 600, 440, 120, 60, "mon.png"};
    const LinesidePlacement p = place(I::Monitor);
    EXPECT_TRUE(p.visible);
    EXPECT_EQ(p.x, 600);
    EXPECT_EQ(p.y, 440);
    EXPECT_EQ(p.cell, 3);
}

}  // namespace
}  // namespace tressmoor::sim
