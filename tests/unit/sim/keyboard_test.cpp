// Keyboard commands driving a real session on the test line.
#include <gtest/gtest.h>

#include "session_fixture.h"

namespace tressmoor::sim {
namespace {

using KeyboardTest = SessionFixture;

TEST_F(KeyboardTest, HandleCharactersStepThroughThePositions) {
    EXPECT_EQ(v().BrakeHandle, -8);  // the run starts at emergency
    session_->keyPress('5');
    EXPECT_EQ(v().BrakeHandle, 0);
    session_->keyPress('8');
    session_->keyPress('z');
    EXPECT_EQ(v().PowerHandle, 2);
    session_->keyPress('a');
    session_->keyPress('2');
    session_->keyPress('2');
    EXPECT_EQ(v().PowerHandle, 0);
    EXPECT_EQ(v().BrakeHandle, -1);
    session_->keyPress('0');
    EXPECT_EQ(v().BrakeHandle, -8);
}

TEST_F(KeyboardTest, ScrollLockSwapsTwoAndEight) {
    session_->keyPress('5');
    session_->keyDown(input::Key::ScrollLock, false);
    session_->keyPress('8');
    EXPECT_EQ(v().BrakeHandle, -1);
    session_->keyDown(input::Key::ScrollLock, false);
    session_->keyPress('5');
    session_->keyPress('8');
    EXPECT_EQ(v().PowerHandle, 1);
}

TEST_F(KeyboardTest, WheelUpFromTheLastServiceStepGivesEmergency) {
    session_->keyPress('5');
    for (int i = 0; i < 7; ++i) session_->wheel(-1);
    EXPECT_EQ(v().BrakeHandle, -7);
    session_->wheel(-1);
    EXPECT_EQ(v().BrakeHandle, -8);
    session_->keyPress('5');
    session_->wheel(2);
    EXPECT_EQ(v().PowerHandle, 2);
}

TEST_F(KeyboardTest, ReverserOnlyChangesAtWalkingPace) {
    auto& state = session_->mutableState().vehicle;
    state.Speed = 1.2L;
    session_->keyPress('n');
    EXPECT_EQ(v().Reverser, 1);
    state.Speed = 0.9L;
    session_->keyPress('n');
    EXPECT_EQ(v().Reverser, 0);
}

TEST_F(KeyboardTest, EnterDoesNotCountAsAnOperationButOtherKeysDo) {
    frames(60);
    session_->mutableState().VigilanceMs = 5000;
    session_->keyDown(input::Key::Enter, false);
    session_->keyPress('\r');
    EXPECT_EQ(session_->state().VigilanceMs, 5000);
    session_->keyPress('x');
    EXPECT_EQ(session_->state().VigilanceMs, 0);
}

TEST_F(KeyboardTest, ShiftFunctionKeysMoveTheClockAndTheSpeed) {
    const auto clock = session_->state().route.Clock;
    session_->keyDown(input::Key::F8, true);
    EXPECT_EQ(session_->state().route.Clock, clock + 900);
    EXPECT_EQ(session_->state().route.RoutePosition, 1000);
    session_->keyDown(input::Key::F8, false);  // without Shift: nothing
    EXPECT_EQ(session_->state().route.Clock, clock + 900);
    auto& state = session_->mutableState().vehicle;
    state.Speed = 995;
    session_->keyDown(input::Key::F12, true);
    EXPECT_EQ(v().Speed, 1005);
    session_->keyDown(input::Key::F12, true);
    EXPECT_EQ(v().Speed, 1005);
}

TEST_F(KeyboardTest, JumpsAheadEndAtTheMovieStop) {
    // The test line's movie stop is frame 3990; its video has no end (0 frames known).
    auto& route = session_->mutableState().route;
    route.RoutePosition = 3100;
    session_->keyDown(input::Key::F8, true);  // +1000 would be 4100
    EXPECT_EQ(route.RoutePosition, 3990);
    session_->keyDown(input::Key::F6, true);  // standing at the stop: stays
    EXPECT_EQ(route.RoutePosition, 3990);
    session_->keyDown(input::Key::F5, true);  // back is free
    EXPECT_EQ(route.RoutePosition, 3890);
    session_->keyDown(input::Key::F6, true);  // up to the stop exactly
    EXPECT_EQ(route.RoutePosition, 3990);
    // Turned back (movie stops act on backward running), a jump ahead is not held there.
    session_->mutableState().video.MovieStopBackward = true;
    session_->keyDown(input::Key::F6, true);
    EXPECT_EQ(route.RoutePosition, 4090);
}

}  // namespace
}  // namespace tressmoor::sim
