// The frame of a drive: what runs in which half, and what the frame does besides the physics.
#include "sim/driving_session.h"

#include <gtest/gtest.h>

#include "session_fixture.h"

namespace tressmoor::sim {
namespace {

class DrivingSessionTest : public SessionFixture {
protected:
    /// Releases the brake and takes full power once the doors have closed.
    void startMoving() {
        frames(60);
        session_->keyPress('5');
        for (int i = 0; i < 4; ++i) session_->keyPress('8');
        frames(600);
    }
};

TEST_F(DrivingSessionTest, TheFirstHalfShowsThePreviousPhysicsAndOnlyTheSecondMovesTheTrain) {
    startMoving();
    const long double speed = session_->state().vehicle.Speed;
    const long double distance = session_->state().route.LineDistance;
    ASSERT_GT(speed, 5);
    // A frame whose picture cannot be drawn ends after its first half: no physics step.
    for (int i = 0; i < 30; ++i) session_->beginFrame(16.667L, 60);
    EXPECT_EQ(session_->state().vehicle.Speed, speed);
    EXPECT_EQ(session_->state().route.LineDistance, distance);
    session_->endFrame();
    EXPECT_GT(session_->state().route.LineDistance, distance);
}

TEST_F(DrivingSessionTest, PausingFreezesTheTrainAndTheClock) {
    startMoving();
    session_->setPaused(true);
    const auto clock = session_->state().route.Clock;
    const long double distance = session_->state().route.LineDistance;
    frames(120);
    EXPECT_EQ(session_->state().route.Clock, clock);
    EXPECT_EQ(session_->state().route.LineDistance, distance);
    session_->setPaused(false);
    frames(60);
    EXPECT_GT(session_->state().route.Clock, clock);
}

TEST_F(DrivingSessionTest, TheCompressorRefillsTheMainReservoir) {
    auto& v = session_->mutableState().vehicle;
    v.MainReservoir = data::fixed4::fromInt(700);  // below [LowAirPress] 780
    frames(1);
    EXPECT_TRUE(session_->state().vehicle.CompressorOn);
    frames(600);
    EXPECT_GT(session_->state().vehicle.MainReservoir, data::fixed4::fromInt(700));
}

TEST_F(DrivingSessionTest, TheMoveMenuRestartsTheRunAtAStation) {
    ASSERT_EQ(session_->service().moveMenu.size(), 2u);  // the last station is never offered
    session_->StationClick(1);
    frames(2);
    EXPECT_EQ(session_->state().stations.CurrentStation, 1);
    EXPECT_NEAR(static_cast<double>(session_->state().route.LineDistance), 100000, 1);
    EXPECT_EQ(session_->state().vehicle.Speed, 0);
}

}  // namespace
}  // namespace tressmoor::sim
