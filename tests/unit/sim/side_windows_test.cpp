// The side windows' plain data (simple cab lamps, reverser key, door text, engine choice) and the
// session's commands from them (train settings, speed-table reload, speed freeze).
#include "sim/side_windows.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "data/fatal_error.h"
#include "unit/sim/session_fixture.h"

namespace tressmoor::sim {
namespace {

using enum CabLampColour;

TEST(SimpleCabLampsTest, BrakeStepsLightRedUpToTheHandle) {
    const SimpleCabLamps b3 = simpleCabLamps(0, -3);
    EXPECT_EQ(b3.neutral, White);
    const std::array<CabLampColour, 8> expected = {Red,   Red,   Red,   White,
                                                   White, White, White, White};
    EXPECT_EQ(b3.brake, expected);
    for (const CabLampColour c : b3.power) EXPECT_EQ(c, White);

    // The emergency position of an eight-step brake lights every brake lamp.
    const SimpleCabLamps eb = simpleCabLamps(0, -8);
    for (const CabLampColour c : eb.brake) EXPECT_EQ(c, Red);
    EXPECT_EQ(simpleCabLamps(0, -7).brake[7], White);
}

TEST(SimpleCabLampsTest, PowerNotchesLightYellowAndNeutralNeedsBothHandlesAtZero) {
    const SimpleCabLamps p2 = simpleCabLamps(2, 0);
    const std::array<CabLampColour, 5> expected = {Yellow, Yellow, White, White, White};
    EXPECT_EQ(p2.power, expected);
    EXPECT_EQ(p2.neutral, White);
    EXPECT_EQ(simpleCabLamps(5, 0).power[4], Yellow);
    EXPECT_EQ(simpleCabLamps(0, 0).neutral, Lime);
    EXPECT_EQ(simpleCabLamps(0, -1).neutral, White);
    for (const CabLampColour c : simpleCabLamps(0, 0).brake) EXPECT_EQ(c, White);
}

TEST(SimpleCabLampsTest, ReverserButtonTurnsTheReverserRoundAndDoesNothingAtNeutral) {
    EXPECT_EQ(simpleCabReverserCharacter(1), 'b');
    EXPECT_EQ(simpleCabReverserCharacter(-1), 'f');
    EXPECT_EQ(simpleCabReverserCharacter(0), 0);
}

TEST(SimpleCabLampsTest, DoorTextFollowsTheCommandAndTheClosingDoors) {
    EXPECT_EQ(simpleCabDoorText(true, true), "ドアが開いています");
    EXPECT_EQ(simpleCabDoorText(false, true), "ドアを閉めています");
    EXPECT_EQ(simpleCabDoorText(false, false), "");
}

TEST(SimpleCabLampsTest, EngineChoiceShowsTheEngineState) {
    EXPECT_EQ(engineChoiceOf(1), kEngineRun);
    EXPECT_EQ(engineChoiceOf(0), kEngineOff);
    EXPECT_EQ(engineChoiceOf(-1), kEngineStart);
    EXPECT_EQ(engineChoiceOf(-2), kEngineRun);
}

class SideWindowCommandsTest : public SessionFixture {};

TEST_F(SideWindowCommandsTest, EngineStartsSevenHundredMillisecondsAfterTheDialogSaysSo) {
    EXPECT_EQ(session_->trainSettingsEngine(kEngineOff), kEngineOff);
    EXPECT_EQ(v().EngineState, 0);
    EXPECT_EQ(session_->trainSettingsEngine(kEngineStart), kEngineRun);
    EXPECT_EQ(v().EngineState, -1);
    frames(41);  // 41 × 17 ms = 697 ms
    EXPECT_EQ(v().EngineState, -1);
    frames(1);
    EXPECT_EQ(v().EngineState, 1);
    // 運転 changes nothing; 切 stops the running engine.
    EXPECT_EQ(session_->trainSettingsEngine(kEngineRun), kEngineRun);
    EXPECT_EQ(v().EngineState, 1);
    session_->trainSettingsEngine(kEngineOff);
    EXPECT_EQ(v().EngineState, 0);
}

TEST_F(SideWindowCommandsTest, AtsSwitchTurnsTheSafetySystemAndItsLampOffAndOn) {
    ASSERT_TRUE(session_->state().safety.On);
    session_->trainSettingsAts(false);
    EXPECT_FALSE(session_->state().safety.On);
    EXPECT_FALSE(session_->state().safety.Lamps.Ats1);
    session_->trainSettingsAts(true);
    EXPECT_TRUE(session_->state().safety.On);
    EXPECT_TRUE(session_->state().safety.Lamps.Ats1);
}

TEST_F(SideWindowCommandsTest, SpeedFreezeKeepsTheSpeedWhateverTheBrake) {
    frames(1);
    session_->mutableState().vehicle.Speed = 50;
    session_->setSpeedFreeze(true);
    frames(30);
    EXPECT_EQ(static_cast<double>(v().Speed), 50.0);
    session_->setSpeedFreeze(false);
    frames(30);
    EXPECT_LT(static_cast<double>(v().Speed), 50.0);
}

TEST_F(SideWindowCommandsTest, SpeedTableReloadRederivesTheStopDistances) {
    const auto folder = folder_.path() / "drive";
    std::filesystem::copy(std::string(TRESSMOOR_FIXTURES_DIR) + "/drive", folder,
                          std::filesystem::copy_options::recursive);
    open(folder);
    const auto before = session_->service().line.Station[1].StopDistance;
    ASSERT_GT(before, 0);

    // The video was recorded at half the speed: every distance halves.
    std::stringstream text;
    text << std::ifstream(folder / "line_drive.dat", std::ios::binary).rdbuf();
    std::string line = text.str();
    const auto at = line.find("0,4000,60,60");
    ASSERT_NE(at, std::string::npos);
    line.replace(at, 12, "0,4000,30,30");
    std::ofstream(folder / "line_drive.dat", std::ios::binary | std::ios::trunc) << line;
    session_->reloadSpeedUnit(folder);
    EXPECT_EQ(session_->service().line.Station[1].StopDistance, before / 2);

    // A line file that cannot be read leaves the drive as it was.
    std::filesystem::remove(folder / "line_drive.dat");
    EXPECT_THROW(session_->reloadSpeedUnit(folder), data::FatalError);
    EXPECT_EQ(session_->service().line.Station[1].StopDistance, before / 2);
}

}  // namespace
}  // namespace tressmoor::sim
