// Frame pacing: when a pass runs a frame, and the length of that frame.
#include "sim/frame_clock.h"

#include <gtest/gtest.h>

namespace tressmoor::sim {
namespace {

TEST(FrameClock, PacesFramesAtSixtyPerSecond) {
    FrameClock clock;
    clock.last = 100.0L;
    EXPECT_EQ(clock.pass(100.010L), PaceAction::Sleep);
    EXPECT_EQ(clock.pass(100.016L), PaceAction::Yield);
    EXPECT_EQ(clock.last, 100.0L);  // nothing processed yet
    EXPECT_EQ(clock.pass(100.016667L), PaceAction::Process);
    EXPECT_NEAR(static_cast<double>(clock.dtMs), 16.667, 1e-6);
    EXPECT_EQ(clock.fps, 60);
    EXPECT_EQ(clock.last, 100.016667L);
}

TEST(FrameClock, LongStepsAfterAPauseAreClampedToTwentyMilliseconds) {
    FrameClock clock;
    clock.last = 10.0L;
    EXPECT_EQ(clock.pass(15.0L), PaceAction::Process);
    EXPECT_EQ(clock.dtMs, 20.0L);
    EXPECT_EQ(clock.fps, 50);
    clock.last = 10.0L;
    clock.pass(11.0L);  // exactly one second is kept
    EXPECT_NEAR(static_cast<double>(clock.dtMs), 1000.0, 1e-9);
    EXPECT_EQ(clock.fps, 1);
}

TEST(FrameClock, ZeroOrBackwardStepsNeverDivideByZero) {
    FrameClock clock;
    clock.last = 5.0L;
    EXPECT_EQ(clock.pass(5.0L), PaceAction::Sleep);
    EXPECT_EQ(clock.dtMs, 1.0L);
    EXPECT_EQ(clock.fps, 1000);
    EXPECT_EQ(clock.pass(4.0L), PaceAction::Sleep);
    EXPECT_EQ(clock.fps, 1000);
}

}  // namespace
}  // namespace tressmoor::sim
