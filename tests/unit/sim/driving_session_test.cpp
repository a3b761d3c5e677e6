// The frame of a drive: what runs in which half, and what the frame does besides the physics.
#include "sim/driving_session.h"

#include <gtest/gtest.h>

#include <utility>

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

TEST_F(DrivingSessionTest, TheLastProgressTextIsTheSetUpOfTheDrive) {
    ASSERT_FALSE(progress_.empty());
    EXPECT_EQ(progress_.back(), "環境をセットアップしています");
    EXPECT_EQ(progress_[progress_.size() - 2], "サウンドを読み込んでいます");
}

TEST_F(DrivingSessionTest, SaveSlotsWithValuesFromNowhereAreRefusedOrDrivenSafely) {
    startMoving();
    const auto before = session_->state().route;
    const long double speed = v().Speed;
    // Damaged or foreign values: their messages, and nothing moves.
    const std::pair<const char*, const char*> refused[] = {
        {"line_drive.dat,1,9.9.9,100,0,0,0", "'9.9.9' は数値に変換できません"},
        {"line_drive.dat,1,0,99999999999,0,0,0", "'99999999999' は数値に変換できません"},
        {"line_drive.dat,1,0,100,0,nan,0", "'nan' は数値に変換できません"},
        {"\xff\xfe\x01,,,", "'' は数値に変換できません"},
        {"line_other.dat,1,0,100,0,0,0", "運転状態を保存したダイヤではありません"},
    };
    for (const auto& [value, message] : refused) {
        store_.writeString(data::kOptionsStore, "Save2", value);
        EXPECT_EQ(session_->load(2), message) << value;
        EXPECT_EQ(session_->state().route.RoutePosition, before.RoutePosition) << value;
        EXPECT_EQ(session_->state().route.Clock, before.Clock) << value;
        EXPECT_EQ(v().Speed, speed) << value;
    }
    // Numbers that read but lie far outside the line (a slot edited by hand): the drive goes on
    // without harm.
    for (const char* value : {"line_drive.dat,-5,1e300,2147483647,-2147483648,1e300,2147483647",
                              "line_drive.dat,99,-1e300,-2147483648,2147483647,-1e300,-1"}) {
        store_.writeString(data::kOptionsStore, "Save2", value);
        session_->load(2);
        frames(120);
    }
}

TEST_F(DrivingSessionTest, TheVigilanceEmergencyBrakesTheTrainToAStand) {
    openWithTrainValue("[EB]", "1");
    frames(60);
    session_->keyPress('5');
    for (int i = 0; i < 4; ++i) session_->keyPress('8');
    ASSERT_TRUE([&] {
        for (int i = 0; i < 3600 && v().Speed < 28; ++i) frames(1);
        return v().Speed >= 28;
    }());
    session_->keyPress('5');  // all off, then nothing more
    const auto untilTrip = [&] {
        for (int i = 0; i < 70 * 60 && !v().VigilanceTrip; ++i) frames(1);
        return v().VigilanceTrip;
    };
    ASSERT_TRUE(untilTrip());
    ASSERT_GT(v().Speed, 10);
    frames(60);
    EXPECT_EQ(v().BrakeCommand, -8) << "the delayed command takes the demand";
    EXPECT_GT(v().CylinderT.toDouble(), 100);
    frames(30 * 60);
    EXPECT_EQ(v().Speed, 0);
}

TEST_F(DrivingSessionTest, ShiftF3JumpsToTheNextSignalWithTheSignalCallsReset) {
    auto& route = session_->mutableState().route;
    route.RoutePosition = 700;  // signal 0 in view
    frames(2);
    ASSERT_EQ(session_->state().route.CurrentSignal, 0);
    ASSERT_EQ(session_->state().route.CurrentSignalCall, 1);
    session_->keyDown(input::Key::F3, true);
    EXPECT_EQ(session_->state().route.RoutePosition, 1840);
    EXPECT_EQ(session_->state().route.CurrentSignal, route::kNone);
    EXPECT_EQ(session_->state().route.CurrentSignalCall, route::kNone);
    EXPECT_EQ(session_->state().route.PendingAspectCount, 0);
    EXPECT_EQ(session_->state().route.PreviousDisplayFrame, route::kForceSignalUpdate);
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
