// The beginner's hint: which [InfoLabel] text the situation of the train calls for.
#include "sim/explanation.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "route/route_state.h"
#include "route/safety_state.h"
#include "sim/sim_state.h"
#include "sound/memory_mixer.h"

namespace tressmoor::sim {
namespace {

class ExplanationTest : public ::testing::Test {
protected:
    ExplanationTest() {
        for (int k = 1; k <= 28; ++k) settings.InfoLabel.push_back("t" + std::to_string(k));
        line.Station.resize(3);
        for (auto& st : line.Station) st.Kind = 0;
        line.Station[2].ArrivalSound = 1;
        spec.Sound_Ats2 = 4;
        spec.ATS_Time = 5000;
        // Drive sounds on channels 0 … 5, ambient (arrival) sounds after them.
        sounds.drive.resize(6);
        sounds.ambient.resize(2);
        mixer.attach(spec.Sound_Ats2, std::make_shared<sound::MemoryWave>("chime.wav", 2000));
        mixer.attach(sounds.ambientChannel(1),
                     std::make_shared<sound::MemoryWave>("arrive.wav", 8000));
        state.vehicle.DoorsOpen = false;
        state.route.CurrentDisplayFrame = route::kNone;
        state.stations.RemainingDistance = 100000;
    }

    std::string build() {
        std::string command = "stale";
        BuildExplanation({line, spec, settings, options, mixer, sounds, stationLimit}, state,
                         command);
        return command;
    }

    data::LineData line;
    data::TrainSpec spec;
    data::AppSettings settings;
    data::UserOptions options;
    sound::SoundSet sounds;
    sound::MemoryMixer mixer;
    int stationLimit = 999;
    SimState state;
};

TEST_F(ExplanationTest, NothingToSayGivesAnEmptyCommand) {
    EXPECT_EQ(build(), "");
}

TEST_F(ExplanationTest, ShortInfoLabelListGivesTheBareCommand) {
    settings.InfoLabel.resize(8);
    state.VigilanceMs = 60001;
    EXPECT_EQ(build(), "0");
    state.VigilanceMs = 60000;
    EXPECT_EQ(build(), "");
}

TEST_F(ExplanationTest, CautionSignalAndTheStopNearAddUp) {
    state.vehicle.Speed = 60;
    state.route.CurrentDisplayFrame = 8;
    state.stations.RemainingDistance = 30000;  // 300 − 125 = 175 < 60 ÷ 5 × 60 ÷ 3.6 = 200
    EXPECT_EQ(build(), "0t18t21");
    state.stations.RemainingDistance = 40000;  // 275 > 200
    EXPECT_EQ(build(), "0t18");
    state.stations.RemainingDistance = 24000;  // too close for this hint
    EXPECT_EQ(build(), "0t18");
    state.route.CurrentDisplayFrame = 9;
    state.stations.RemainingDistance = 30000;
    EXPECT_EQ(build(), "0t21");
}

TEST_F(ExplanationTest, SignalHintsNeedTheirSpeed) {
    state.route.CurrentDisplayFrame = 8;
    state.vehicle.Speed = 55.4L;  // rounds to 55
    EXPECT_EQ(build(), "");
    state.route.CurrentDisplayFrame = 24;
    state.vehicle.Speed = 76;
    EXPECT_EQ(build(), "0t19");
    state.route.CurrentDisplayFrame = 22;
    state.vehicle.Speed = 26;
    EXPECT_EQ(build(), "0t20");
}

TEST_F(ExplanationTest, AlarmChimeAndVigilanceComeBeforeTheSignal) {
    state.route.CurrentDisplayFrame = 8;
    state.vehicle.Speed = 60;
    state.VigilanceMs = 70000;
    EXPECT_EQ(build(), "0t17");
    state.safety.AlarmRinging = true;
    EXPECT_EQ(build(), "0t16");
    spec.ATS_Time = 0;
    EXPECT_EQ(build(), "0t17");
    state.vehicle.Speed = 0;
    mixer.Play(spec.Sound_Ats2);
    EXPECT_EQ(build(), "0t26");
}

class OneManDoorTest : public ExplanationTest {
protected:
    OneManDoorTest() {
        line.OneMan.Mode = 1;
        line.Station[1].Progress.InZone = true;
    }
};

TEST_F(OneManDoorTest, WrongDoorSideIsPointedOut) {
    line.Station[1].Kept[2] = 0;
    state.input.DoorSide = 1;
    EXPECT_EQ(build(), "0t9");
    line.Station[1].Kept[2] = 1;
    state.input.DoorSide = 0;
    EXPECT_EQ(build(), "0t10");
}

TEST_F(OneManDoorTest, MatchingSideAsksForTheStopUntilArrived) {
    line.Station[1].Kept[2] = 1;
    state.input.DoorSide = 1;
    EXPECT_EQ(build(), "0t28");
    line.Station[1].Progress.Arrived = true;
    EXPECT_EQ(build(), "0");
}

TEST_F(OneManDoorTest, NoDoorHintWhileMovingOrWithDoorsOpenOrWithAConductor) {
    state.vehicle.Speed = 3;
    EXPECT_EQ(build(), "");
    state.vehicle.Speed = 0;
    state.vehicle.DoorsOpen = true;
    EXPECT_EQ(build(), "");
    state.vehicle.DoorsOpen = false;
    line.OneMan.Mode = 0;
    EXPECT_EQ(build(), "");
}

TEST_F(ExplanationTest, ServiceEndsAtTheLastStationWhileTheArrivalSoundPlays) {
    auto& last = line.Station[2];
    last.Progress.InZone = true;
    state.vehicle.DoorsOpen = true;
    EXPECT_EQ(build(), "");
    mixer.Play(sounds.ambientChannel(1));
    EXPECT_EQ(build(), "0t27");
    last.Progress.DoorsClosedForDeparture = true;
    EXPECT_EQ(build(), "");
}

TEST_F(ExplanationTest, ServiceEndsAtTheServiceEndStation) {
    line.Station[1].Progress.InZone = true;
    line.Station[1].ArrivalSound = 1;
    line.Station[1].Kind = 2;
    mixer.Play(sounds.ambientChannel(1));
    EXPECT_EQ(build(), "");
    stationLimit = 1;
    EXPECT_EQ(build(), "0t27");
}

TEST_F(ExplanationTest, ClipSafetyOffAndEndOfVideo) {
    state.vehicle.PowerHandle = 2;
    state.video.VideoMode = route::kVideoStationClip;
    EXPECT_EQ(build(), "0t11");
    state.safety.On = false;
    EXPECT_EQ(build(), "0t23");
    options.ATS = 1;  // switched off by the option: no reminder
    EXPECT_EQ(build(), "0t11");

    state.vehicle.PowerHandle = 0;
    line.MovieStop = {1000};
    state.route.RoutePosition = 801;
    EXPECT_EQ(build(), "0t24");
    state.route.RoutePosition = 800;
    EXPECT_EQ(build(), "");
    state.route.RoutePosition = 1001;
    EXPECT_EQ(build(), "");
}

TEST_F(ExplanationTest, EmergencyDemandHints) {
    state.vehicle.EmergencyTrip = true;
    state.safety.AlarmRinging = true;
    state.vehicle.Speed = 20;
    EXPECT_EQ(build(), "0t13");
    state.safety.AlarmRinging = false;
    EXPECT_EQ(build(), "");  // no pattern braking: only a stop gets a hint
    state.vehicle.Speed = 0.05L;
    EXPECT_EQ(build(), "0t14");
    state.safety.PatternState = route::kPatternStop;
    EXPECT_EQ(build(), "0t13");
}

TEST_F(ExplanationTest, ServiceDemandHints) {
    state.vehicle.ServiceTrip = true;
    state.safety.PatternState = route::kPatternBrake;
    state.vehicle.Speed = 40;
    state.route.CurrentDisplayFrame = 8;  // signals give no hint under a demand
    EXPECT_EQ(build(), "0t12");
    state.vehicle.Speed = 0;
    EXPECT_EQ(build(), "0t15");
    state.safety.PatternState = route::kPatternNone;
    EXPECT_EQ(build(), "0t15");
}

TEST_F(ExplanationTest, StalledEngineOverridesEverything) {
    state.vehicle.EngineState = 0;
    state.vehicle.PowerHandle = 1;
    state.vehicle.EmergencyTrip = true;
    state.safety.AlarmRinging = true;
    state.vehicle.Speed = 20;
    EXPECT_EQ(build(), "0t13");  // still moving: no stall hint yet
    state.vehicle.Speed = 0.3L;
    EXPECT_EQ(build(), kStallExplanation);
    EXPECT_EQ(build(),
              "0エンストしました。変速レバーを変速段に入れてエンジンを再始動してください。");
    state.vehicle.PowerHandle = 0;
    EXPECT_EQ(build(), "0t14");
    state.vehicle.PowerHandle = 1;
    state.vehicle.EngineState = -1;  // starting
    EXPECT_EQ(build(), "0t14");
}

}  // namespace
}  // namespace tressmoor::sim
