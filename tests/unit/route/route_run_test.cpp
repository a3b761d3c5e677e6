// A run along a small line file: the frame's route steps together, as the session calls them.
#include <gtest/gtest.h>

#include <cmath>

#include "data/line_file.h"
#include "route/preceding_train.h"
#include "route/route_update.h"
#include "route/video_position.h"
#include "route_test_world.h"

namespace tressmoor::route {
namespace {

using testing::RouteWorld;

class RouteRun : public ::testing::Test {
protected:
    void SetUp() override {
        w.line = data::LoadLineFile(TRESSMOOR_FIXTURES_DIR "/route", "short_line.dat",
                                    "train_test.dat", 30, w.random);
        InitRouteState(w.ctx);
        openMainVideo(w.ctx);
        startVideo(w.ctx);
        w.frame.dtMs = 1000.0L / 60;
        w.frame.fps = 60;
    }
    /// One frame at a held speed: video, motion (with the preceding train), route update.
    void frame(long double speed) {
        w.vehicle.Speed = speed;
        advanceVideo(w.ctx);
        if (w.video.StepEnabled) {
            MotionStep(w.ctx);
            UpdatePrecedingTrain(w.ctx, w.frame.dtMs);
        }
        UpdateRoute(w.ctx);
        updateClips(w.ctx);
    }

    RouteWorld w;
};

TEST_F(RouteRun, DrivingUpToTheMovieStopSeesEverythingOnTheWay) {
    bool tunnel = false, crossing = false, limit = false, gradient = false;
    int frames = 0;
    int displayOfSignal0 = 0;
    while (w.route.RoutePosition < 3990 && frames < 20000) {
        frame(60);
        ++frames;
        ASSERT_TRUE(std::isfinite(static_cast<double>(w.route.LineDistance)));
        tunnel = tunnel || w.route.InTunnel;
        crossing = crossing || w.route.crossIndicator.visible;
        limit = limit || w.route.CurrentLimit == 45;
        gradient = gradient || w.route.EffectiveGradient.raw > 0;
        if (w.route.CurrentSignal == 0) displayOfSignal0 = w.route.CurrentDisplayFrame;
    }
    EXPECT_TRUE(tunnel);
    EXPECT_TRUE(crossing);
    EXPECT_TRUE(limit);
    EXPECT_TRUE(gradient);
    // The preceding train waits at the middle station, between signals 3 and 4.
    EXPECT_EQ(w.route.Pre.Position, 4500);
    EXPECT_EQ(w.route.Aspect[3], 0);
    EXPECT_EQ(w.route.Aspect[2], 1);
    EXPECT_EQ(displayOfSignal0, 5);  // head 1 at aspect 3
    // Held at the movie stop, with signal 3 at stop in view.
    EXPECT_EQ(w.route.RoutePosition, 3990);
    EXPECT_EQ(w.vehicle.Speed, 0);
    EXPECT_EQ(w.route.CurrentSignal, 3);
    EXPECT_EQ(w.route.CurrentDisplayFrame, 4);
    EXPECT_EQ(w.route.SectionMaxText, "最高100");
    EXPECT_EQ(w.route.Pre.StatusLine, "(中間停車中 0秒遅延)");
    EXPECT_NEAR(static_cast<double>(w.route.LineDistance),
                static_cast<double>(w.line.FrameToDistance(3990)), 120.0);
}

}  // namespace
}  // namespace tressmoor::route
