// The route position from the speed: frame advance, line distance and clock, movie stops,
// inserted clips, fetches and the overlays of the remaining distance.
#include "route/video_position.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>

#include "route/route_update.h"
#include "route_test_world.h"
#include "test_support/temp_dir.h"

namespace tressmoor::route {
namespace {

using testing::RouteWorld;

class VideoPosition : public ::testing::Test {
protected:
    void SetUp() override {
        w.segment(0, 3000, 60, 60);
        w.segment(3000, 6000, 60, 120);
        w.segment(6000, 9000, 30, 30);
        w.line.DataName = "kelvane";
        w.sounds.drive.resize(3);
        w.sounds.ambient.resize(4);
        w.derive();
        InitRouteState(w.ctx);
        openMainVideo(w.ctx);
        startVideo(w.ctx);
    }
    /// One frame of `dtMs` at `speed`: the video step, then the motion step.
    void frame(long double speed, long double dtMs) {
        w.vehicle.Speed = speed;
        w.frame.dtMs = dtMs;
        advanceVideo(w.ctx);
        MotionStep(w.ctx);
    }
    int& pos() { return w.route.RoutePosition; }

    RouteWorld w;
};

TEST_F(VideoPosition, AdvancesAtTheRatioOfSpeedToRecordingSpeedCarryingTheRemainder) {
    for (int i = 0; i < 10; ++i) frame(60, 50);  // 1.5 frames per 50 ms
    EXPECT_EQ(pos(), 15);
    EXPECT_NEAR(static_cast<double>(w.video.FrameAccumulator), 0, 1e-9);
    frame(30, 50);  // 45 of 60 owed: no frame yet
    EXPECT_EQ(pos(), 15);
    frame(30, 50);
    EXPECT_EQ(pos(), 16);
}

TEST_F(VideoPosition, DoubleTheRecordingSpeedTakesTwoFramesPerVideoFrameTime) {
    for (int i = 0; i < 30; ++i) frame(120, 100.0L / 3);
    EXPECT_NEAR(pos(), 60, 1);
}

TEST_F(VideoPosition, StandingStillDecodesNothing) {
    frame(0, 20);
    const int fetches = w.source.fetches;
    frame(0, 20);
    frame(0, 20);
    EXPECT_EQ(pos(), 0);
    EXPECT_EQ(w.source.fetches, fetches);
    EXPECT_FALSE(w.video.fetch.pending);
}

TEST_F(VideoPosition, FetchesEachNewFrameOnceAndNothingBeyondTheVideo) {
    frame(60, 50);
    EXPECT_TRUE(w.video.fetch.pending);
    EXPECT_EQ(w.video.fetch.frame, 1);
    EXPECT_EQ(w.source.lastFrame, 1);
    w.video.MainFrameCount = 2;
    frame(60, 100);  // 3 frames on: past the end, held at the last frame, already decoded
    EXPECT_EQ(pos(), 1);
    EXPECT_FALSE(w.video.fetch.pending);
}

TEST_F(VideoPosition, ReversingMovesTheVideoBack) {
    pos() = 100;
    repositionVideo(w.ctx);
    frame(-60, 100);
    EXPECT_EQ(pos(), 97);
}

TEST_F(VideoPosition, RollingBackAtTheStartOfTheLineStopsAtFrameZero) {
    frame(30, 200);  // 3 frames forward
    ASSERT_EQ(pos(), 3);
    for (int i = 0; i < 40; ++i) {
        frame(-10, 100);
        ASSERT_GE(pos(), 0);
        ASSERT_GE(w.route.LineDistance, 0);
    }
    EXPECT_EQ(pos(), 0);
    EXPECT_EQ(w.route.LineDistance, 0);
    EXPECT_EQ(w.vehicle.Speed, 0) << "stopped as at a buffer";
    EXPECT_GE(w.source.lastFrame, 0);
    frame(30, 200);  // and drives forward again from there
    EXPECT_EQ(pos(), 3);
}

TEST_F(VideoPosition, JumpOfTenSecondsOrMoreMovesOnlyOneSecond) {
    frame(700, 1000);  // 350 frames owed
    EXPECT_EQ(pos(), 30);
    frame(500, 1000);  // 250 frames: taken whole
    EXPECT_EQ(pos(), 280);
}

TEST_F(VideoPosition, MovieStopHoldsTheTrainAtItsFrame) {
    w.line.MovieStop = {100};
    pos() = 97;
    repositionVideo(w.ctx);
    w.vehicle.PowerHandle = 4;
    w.vehicle.Power = 4;
    w.mixer.attach(2, std::make_shared<sound::MemoryWave>("run", 1000));
    w.mixer.LoopPlay(2);
    frame(100, 100);  // 5 frames: 97 → 102
    EXPECT_EQ(pos(), 100);
    EXPECT_TRUE(w.video.MovieStopped);
    EXPECT_EQ(w.vehicle.Speed, 0);
    EXPECT_EQ(w.vehicle.PowerHandle, 0);
    EXPECT_EQ(w.vehicle.Power, 0);
    EXPECT_EQ(w.video.FrameAccumulator, 0);
    EXPECT_EQ(w.mixer.Status(2), sound::ChannelStatus::Idle);
    // Started again from the stop frame, the train is held there again: it cannot run past the
    // stop (on the sample lines, off the end of the route video).
    w.vehicle.PowerHandle = 4;
    frame(100, 100);
    EXPECT_EQ(pos(), 100);
    EXPECT_EQ(w.vehicle.Speed, 0);
    EXPECT_EQ(w.vehicle.PowerHandle, 0);
    // Creeping on without reaching the next frame leaves it standing where it is; backing away
    // and coming up to the stop again holds it as the first time.
    frame(1, 100);
    EXPECT_EQ(pos(), 100);
    EXPECT_EQ(w.vehicle.Speed, 1);
    frame(-100, 100);
    EXPECT_EQ(pos(), 95);
    frame(100, 200);
    EXPECT_EQ(pos(), 100);
    EXPECT_EQ(w.vehicle.Speed, 0);
}

TEST_F(VideoPosition, TheVideosLastFrameHoldsATrainRunningOnForward) {
    // Turned back at the movie stop (movie stops act backward), then driven forward: the video
    // of 110 frames ends at frame 109, and so does the run.
    w.line.MovieStop = {100};
    w.video.MainFrameCount = 110;
    pos() = 102;
    repositionVideo(w.ctx);
    w.video.MovieStopBackward = true;
    w.vehicle.PowerHandle = 3;
    frame(100, 100);  // 102 → 107
    EXPECT_EQ(pos(), 107);
    EXPECT_FALSE(w.video.MovieStopped);
    frame(100, 100);  // 112 is past the end
    EXPECT_EQ(pos(), 109);
    EXPECT_EQ(w.vehicle.Speed, 0);
    EXPECT_EQ(w.vehicle.PowerHandle, 0);
    EXPECT_TRUE(w.video.MovieStopped);
    frame(100, 100);
    EXPECT_EQ(pos(), 109);
    // Backward running is not held by the end.
    frame(-100, 100);
    EXPECT_EQ(pos(), 104);
}

TEST_F(VideoPosition, BackwardMovieStopActsOnlyWhenSelected) {
    w.line.MovieStop = {100};
    pos() = 103;
    repositionVideo(w.ctx);
    frame(-100, 100);
    EXPECT_EQ(pos(), 98);
    pos() = 103;
    repositionVideo(w.ctx);
    w.video.MovieStopBackward = true;
    frame(-100, 100);
    EXPECT_EQ(pos(), 101);
    EXPECT_EQ(w.vehicle.Speed, 0);
}

TEST_F(VideoPosition, LineDistanceAgreesWithTheFramesAcrossSegments) {
    // 90 km/h through a constant, a rising and a slow segment at 60 frames per second.
    long double worst = 0;
    while (pos() < 8900) {
        frame(90, 1000.0L / 60);
        const auto atFrame = static_cast<long double>(w.line.FrameToDistance(pos()));
        worst = std::max(worst, std::fabs(w.route.LineDistance - atFrame));
    }
    // Within the length of two video frames at the fastest recording speed (111 cm each).
    EXPECT_LT(static_cast<double>(worst), 222.0);
}

TEST_F(VideoPosition, EnteringASegmentPutsTheLineDistanceOnItsBoundary) {
    pos() = 2999;
    repositionVideo(w.ctx);
    w.route.LineDistance = 1;  // far off
    pos() = 3001;
    w.vehicle.Speed = 0;
    MotionStep(w.ctx);
    EXPECT_EQ(w.route.LineDistance, static_cast<long double>(w.line.SpeedUnit[0].EndDistance));
    pos() = 2990;
    MotionStep(w.ctx);
    EXPECT_EQ(w.route.LineDistance, static_cast<long double>(w.line.SpeedUnit[0].EndDistance));
}

TEST_F(VideoPosition, ProjectedSpeedFollowsTheRecordingAndIsNeverZero) {
    pos() = 4500;
    updateProjectedSpeed(w.ctx);
    EXPECT_NEAR(static_cast<double>(w.video.ProjectedSpeed), 90, 1e-9);
    w.line.SpeedUnit[2].FirstSpeed = 0;
    w.line.SpeedUnit[2].LastSpeed = 0;
    pos() = 7000;
    updateProjectedSpeed(w.ctx);
    EXPECT_NEAR(static_cast<double>(w.video.ProjectedSpeed), 0.1, 1e-9);
}

TEST_F(VideoPosition, ClockTicksThirtyTimesASecond) {
    EXPECT_EQ(advanceClock(w.route, 1000), 30);
    EXPECT_EQ(advanceClock(w.route, 1000.0L / 60), 0);
    EXPECT_EQ(advanceClock(w.route, 1000.0L / 60), 1);
    EXPECT_EQ(w.route.Clock, 31);
}

TEST_F(VideoPosition, MainVideoFrameCountAndOpenMessages) {
    NullVideoSource small(500);
    RouteContext other{.line = w.line,
                       .spec = w.spec,
                       .settings = w.settings,
                       .vehicle = w.vehicle,
                       .load = w.load,
                       .route = w.route,
                       .video = w.video,
                       .mixer = w.mixer,
                       .sounds = w.sounds,
                       .calls = w.calls,
                       .random = w.random,
                       .videoSource = small,
                       .frame = w.frame,
                       .onEvent = {},
                       .onSignalInView = {}};
    w.settings.LengthFactor = 2;
    EXPECT_EQ(openMainVideo(other), 0);
    EXPECT_EQ(small.lastPath, "video/kelvane.avi");
    EXPECT_EQ(w.video.MainFrameCount, 1000);
    EXPECT_EQ(videoOpenMessage(1, "video/x.avi"), "映像ファイルを開けませんvideo/x.avi");
    EXPECT_EQ(videoOpenMessage(4, ""), "映像オープンエラー");
    EXPECT_EQ(videoOpenMessage(0, ""), "");
    EXPECT_EQ(videoOpenHint(7), "DivXビデオコーデックがインストールされていない可能性があります。");
    EXPECT_EQ(videoOpenHint(5), "");
}

// ---------------------------------------------------------------------------------------------
// Inserted clips.

class VideoClips : public VideoPosition {
protected:
    void SetUp() override {
        VideoPosition::SetUp();
        w.station("甲", 100);
        w.station("乙", 4000);
        w.derive();
        startVideo(w.ctx);
    }
    data::MovieSwitchRecord& clip(int kind, int first, int last, int length, int x) {
        data::MovieSwitchRecord m;
        m.Kind = kind;
        m.FirstFrame = first;
        m.LastFrame = last;
        m.Clip = "clip" + std::to_string(w.line.MovieSwitch.size());
        m.ClipLength = length;
        m.Station = x;
        w.line.MovieSwitch.push_back(m);
        return w.line.MovieSwitch.back();
    }
};

TEST_F(VideoClips, TrackClipReplacesAStretchAndRejoinsTheMainVideo) {
    clip(0, 500, 520, 100, 2000);
    pos() = 505;
    updateClips(w.ctx);
    EXPECT_EQ(w.video.VideoMode, kVideoTrackClip);
    EXPECT_EQ(w.video.ClipBase, 500);
    EXPECT_EQ(w.video.ClipFrame, 5);
    EXPECT_EQ(w.source.lastPath, "video/clip0.avi");
    EXPECT_EQ(w.source.lastFrame, 1);
    EXPECT_TRUE(w.video.StepEnabled);

    frame(60, 100);  // 3 frames: clip frame 8
    EXPECT_EQ(w.video.ClipFrame, 8);
    EXPECT_EQ(w.video.fetch.file, VideoFile::Clip);
    EXPECT_EQ(w.source.lastFrame, 8);

    pos() = 600;
    frame(0, 20);
    updateClips(w.ctx);
    EXPECT_EQ(w.video.VideoMode, kVideoMain);
    EXPECT_EQ(pos(), 2000);
    EXPECT_EQ(w.source.lastPath, "video/kelvane.avi");
    EXPECT_TRUE(w.line.MovieSwitch[0].Played);

    pos() = 505;  // played once per run
    updateClips(w.ctx);
    EXPECT_EQ(w.video.VideoMode, kVideoMain);
    w.line.clearRunFlags();
    updateClips(w.ctx);
    EXPECT_EQ(w.video.VideoMode, kVideoTrackClip);
}

TEST_F(VideoClips, ClipWindowEnteredDuringAnotherClipWaitsForTheMainVideo) {
    clip(0, 500, 520, 100, 2000);
    clip(1, 2000, 2100, 50, 3000);
    pos() = 505;
    updateClips(w.ctx);
    pos() = 2010;  // inside the second window, but the first clip still plays
    w.video.ClipFrame = 10;
    updateClips(w.ctx);
    EXPECT_EQ(w.video.ClipRecord, 0);
    w.video.ClipFrame = 100;
    pos() = 600;
    updateClips(w.ctx);  // first ends at 2000, the second starts in the same pass
    EXPECT_EQ(w.video.ClipRecord, 1);
    EXPECT_EQ(w.video.VideoMode, kVideoTrackClip);
    EXPECT_EQ(w.video.ClipBase, 2000);
}

TEST_F(VideoClips, HeldPhysicsStepPostponesAClipWithoutLeavingTheSwitchHalfMade) {
    clip(0, 500, 520, 100, 2000);
    pos() = 505;
    w.video.StepEnabled = false;
    updateClips(w.ctx);
    EXPECT_EQ(w.video.VideoMode, kVideoMain);
    w.video.StepEnabled = true;
    updateClips(w.ctx);
    EXPECT_EQ(w.video.VideoMode, kVideoTrackClip);
}

TEST_F(VideoClips, StationClipRunsInRealTimeWhileTheTrainStands) {
    data::MovieSwitchRecord& m = clip(2, 0, 0, 60, 1);
    m.StartTime = 100;
    m.SoundFrame = 20;
    m.Sound = 2;
    w.mixer.attach(w.sounds.ambientChannel(2), std::make_shared<sound::MemoryWave>("s", 5000));
    pos() = 4002;
    w.route.LineDistance = static_cast<long double>(w.line.Station[1].StopDistance) + 100;
    w.route.Clock = 100;
    updateClips(w.ctx);
    EXPECT_EQ(w.video.VideoMode, kVideoMain);  // not later than its time yet
    w.route.Clock = 101;
    updateClips(w.ctx);
    EXPECT_EQ(w.video.VideoMode, kVideoStationClip);
    EXPECT_EQ(pos(), 4000);
    EXPECT_EQ(w.route.LineDistance, static_cast<long double>(w.line.Station[1].StopDistance));

    // Signals show their fixed aspect meanwhile.
    bool soundPlayed = false;
    for (int i = 0; i < 200 && w.video.VideoMode != kVideoMain; ++i) {
        frame(0, 1000.0L / 60);
        updateClips(w.ctx);
        soundPlayed =
            soundPlayed || w.mixer.Status(w.sounds.ambientChannel(2)) != sound::ChannelStatus::Idle;
    }
    EXPECT_TRUE(soundPlayed);
    EXPECT_EQ(w.video.VideoMode, kVideoMain);
    EXPECT_EQ(pos(), 4000);
    EXPECT_TRUE(w.line.MovieSwitch[0].Played);
    EXPECT_EQ(w.source.lastPath, "video/kelvane.avi");
}

TEST_F(VideoClips, StationClipLongerThanTheStopEndsWhenTheTrainMovesOff) {
    data::MovieSwitchRecord& m = clip(2, 0, 0, 600, 1);  // 20 s of clip
    m.StartTime = 100;
    pos() = 4000;
    w.route.LineDistance = static_cast<long double>(w.line.Station[1].StopDistance);
    w.route.Clock = 101;
    updateClips(w.ctx);
    ASSERT_EQ(w.video.VideoMode, kVideoStationClip);
    for (int i = 0; i < 60; ++i) {  // 1 s standing: the clip plays on
        frame(0, 1000.0L / 60);
        updateClips(w.ctx);
    }
    ASSERT_EQ(w.video.VideoMode, kVideoStationClip);
    for (int i = 0; i < 30; ++i) {
        frame(0.5L + i * 0.1L, 1000.0L / 60);  // moving off
        updateClips(w.ctx);
    }
    EXPECT_EQ(w.video.VideoMode, kVideoMain);
    EXPECT_TRUE(w.line.MovieSwitch[0].Played);
    EXPECT_EQ(w.source.lastPath, "video/kelvane.avi");
    EXPECT_GE(pos(), 4000);
    const int before = w.source.fetches;
    for (int i = 0; i < 60; ++i) frame(30, 1000.0L / 60);
    EXPECT_GT(w.source.fetches, before) << "the main video runs again";
}

TEST_F(VideoClips, AClipThatFailedToOpenEndsWithTheMainVideoOpenAgain) {
    clip(0, 500, 520, 100, 2000);
    w.source.openResult = kVideoCannotOpen;
    pos() = 505;
    updateClips(w.ctx);
    ASSERT_EQ(w.video.VideoMode, kVideoTrackClip);
    EXPECT_FALSE(w.video.VideoOpen);
    w.source.openResult = kVideoOpened;
    pos() = 600;
    w.video.ClipFrame = 100;
    updateClips(w.ctx);
    ASSERT_EQ(w.video.VideoMode, kVideoMain);
    EXPECT_TRUE(w.video.VideoOpen);
    const int before = w.source.fetches;
    for (int i = 0; i < 30; ++i) frame(60, 1000.0L / 60);
    EXPECT_GT(w.source.fetches, before);
}

// ---------------------------------------------------------------------------------------------
// Stop-position lines and the remaining-distance indicator (view 600 px high, perspective
// 20 m and 200 px).

class VideoOverlays : public VideoPosition {
protected:
    void SetUp() override {
        VideoPosition::SetUp();
        w.line.Perspective.P = 20;
        w.line.Perspective.H = 200;
    }
};

TEST_F(VideoOverlays, StopLinesStandInPerspectiveAroundTheStopPosition) {
    placeStopLines(w.ctx, 1000, 500, false);
    const auto& l = w.video.stopLines;
    EXPECT_TRUE(l[0].visible);
    EXPECT_EQ(l[0].y, 560);        // 5 m
    EXPECT_EQ(l[1].y, 533);        // 10 m
    EXPECT_EQ(l[2].y, 514);        // 15 m
    EXPECT_EQ(l[1].thickness, 2);  // 1.5 rounded away from zero

    placeStopLines(w.ctx, 300, 500, false);
    EXPECT_FALSE(l[0].visible);
    EXPECT_EQ(l[0].y, -100);
    EXPECT_TRUE(l[1].visible);
    EXPECT_TRUE(l[2].visible);

    placeStopLines(w.ctx, 2500, 500, false);
    EXPECT_FALSE(l[2].visible);
    placeStopLines(w.ctx, 1000, 500, true);
    EXPECT_FALSE(l[1].visible);
    w.line.Perspective.P = 0;
    placeStopLines(w.ctx, 1000, 500, false);
    EXPECT_FALSE(l[1].visible);
}

TEST_F(VideoOverlays, RemainingDistanceIndicatorShowsNearTheStopAndAfterAnOverrun) {
    placeRemainIndicator(w.ctx, 1500);
    EXPECT_TRUE(w.video.remain.visible);
    EXPECT_EQ(w.video.remain.pattern, 0);
    EXPECT_EQ(w.video.remain.y, 600 - 300 - 870);
    placeRemainIndicator(w.ctx, -1500);
    EXPECT_EQ(w.video.remain.pattern, 1);
    EXPECT_EQ(w.video.remain.y, 600 + 300 - 870);
    placeRemainIndicator(w.ctx, 3000);
    EXPECT_FALSE(w.video.remain.visible);
    placeRemainIndicator(w.ctx, -3001);
    EXPECT_FALSE(w.video.remain.visible);
}

}  // namespace
}  // namespace tressmoor::route

namespace tressmoor::route {
namespace {

TEST(ResolvingVideoSource, OpensTheLineFilesNamesBelowTheProgramFolder) {
    test_support::TempDir folder;
    std::filesystem::create_directories(folder.path() / "movie");
    std::ofstream(folder.path() / "movie" / "kelvane_main.avi") << "x";
    NullVideoSource decoder(1234);
    ResolvingVideoSource source(decoder, folder.path());
    EXPECT_EQ(source.open("MOVIE\\Kelvane_Main.AVI"), kVideoOpened);
    EXPECT_EQ(decoder.lastPath, (folder.path() / "movie" / "kelvane_main.avi").string());
    EXPECT_EQ(source.frameCount(), 1234);
    EXPECT_TRUE(source.fetch(7));
    EXPECT_EQ(decoder.lastFrame, 7);
}

}  // namespace
}  // namespace tressmoor::route
