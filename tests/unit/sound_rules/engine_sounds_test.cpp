// Motor and engine sounds of electric and diesel trains.
#include <cmath>

#include "sound_rules_fixture.h"

namespace tressmoor::sound::testing {
namespace {

data::EngineSound1Row motorRow(int mode) {
    data::EngineSound1Row r;
    r.file = "motor.wav";
    r.mode = mode;
    r.x = {0, 20, 40, 60};
    r.pitch = {0.5L, 1.0L, 1.2L, 1.5L};
    r.gain = {40, 80, 100, 60};
    return r;
}

using EngineTables = SoundRulesTest;

TEST_F(EngineTables, ElectricInterpolatesPerSegment) {
    const auto r = motorRow(0);
    long double pitch = 0;
    long double gain = 0;
    ASSERT_TRUE(electricEngineTable(r, 30, pitch, gain));
    EXPECT_NEAR(static_cast<double>(pitch), 1.1, 1e-12);
    EXPECT_NEAR(static_cast<double>(gain), 90, 1e-12);
    pitch = 7;
    EXPECT_FALSE(electricEngineTable(r, 0, pitch, gain)) << "x0 itself is outside";
    EXPECT_EQ(pitch, 7) << "the pitch is left as it was";
    EXPECT_EQ(gain, 1);
    EXPECT_FALSE(electricEngineTable(r, 61, pitch, gain));
}

TEST_F(EngineTables, DieselUsesOneSegmentWithFades) {
    auto r = motorRow(-1);
    long double pitch = 0;
    long double gain = 0;
    dieselEngineTable(r, 30, pitch, gain);
    EXPECT_NEAR(static_cast<double>(pitch), 1.0, 1e-12);  // 0.5 + 1.0 × 30 ÷ 60
    r.x = {20, 30, 40, 50};
    dieselEngineTable(r, 15, pitch, gain);
    EXPECT_NEAR(static_cast<double>(gain), 20, 1e-12);  // 40 × (15 − 20 + 10) ÷ 10
    dieselEngineTable(r, 57, pitch, gain);
    EXPECT_NEAR(static_cast<double>(gain), 18, 1e-12);  // 60 × (50 + 10 − 57) ÷ 10
    dieselEngineTable(r, 80, pitch, gain);
    EXPECT_EQ(gain, 1);
}

TEST_F(EngineTables, VolumeOfTheThreeGains) {
    EXPECT_EQ(engineVolume(100, 100, 100), 0);
    EXPECT_EQ(engineVolume(100, 100, 85), -117);
    EXPECT_EQ(engineVolume(0, 100, 85), -10000);
}

using MotorSounds = SoundRulesTest;

TEST_F(MotorSounds, PowerGateOpensTheMotorAndTheCommonGainRises) {
    spec.EngineSound1 = {motorRow(0)};
    build();
    const int ch = sounds.engineAChannel(0);
    vehicle.Speed = 30;
    frames();
    EXPECT_FALSE(playing(ch)) << "gate gain still at its start value";
    vehicle.PowerHandle = 3;
    frames(200);
    EXPECT_TRUE(playing(ch));
    EXPECT_NEAR(mixer.freqRate(ch), 1.1, 1e-9);
    EXPECT_EQ(state.commonGainA, 85);
    EXPECT_EQ(mixer.volume(ch), engineVolume(90, 100, 85));
    vehicle.PowerHandle = 0;
    frames(200);
    EXPECT_EQ(state.commonGainA, 15);
    EXPECT_LE(state.engineA[0].b, 11);
    EXPECT_TRUE(playing(ch)) << "keeps looping, silenced";
    EXPECT_EQ(mixer.volume(ch), -10000);
}

TEST_F(MotorSounds, ModeThreeIgnoresTheCommonGain) {
    spec.EngineSound1 = {motorRow(3)};
    build();
    const int ch = sounds.engineAChannel(0);
    vehicle.Speed = 50;
    frames();
    EXPECT_TRUE(playing(ch)) << "any position but emergency";
    EXPECT_EQ(mixer.volume(ch), engineVolume(80, 100, 100));
    vehicle.BrakeHandle = -8;
    frames();
    EXPECT_LT(state.engineA[0].b, 100);
}

TEST_F(MotorSounds, DieselIdleFollowsTheDoors) {
    spec.Engine_Type = 0;
    build();
    vehicle.EngineState = 1;
    frames();
    EXPECT_TRUE(playing(kIdle1));
    vehicle.DoorsOpen = true;
    frames();
    EXPECT_TRUE(playing(kIdle2));
    EXPECT_FALSE(playing(kIdle1));
    frames(60);
    EXPECT_TRUE(playing(kIdle1)) << "back to the plain idle after 55 frames";
    vehicle.EngineState = 0;
    frames();
    EXPECT_FALSE(playing(kIdle1));
    EXPECT_FALSE(playing(kIdle2));
}

TEST_F(MotorSounds, DieselEngineSoundsFollowGearAndEngine) {
    spec.Engine_Type = 0;
    spec.EngineSound1 = {motorRow(2)};  // gear 2
    data::EngineSound3Row t;
    t.mode = 1;
    t.gear = 1;
    t.x = {10, 50};
    t.pitch = {0.8L, 1.6L};
    t.gain = {50, 90};
    spec.EngineSound3 = {t};
    build();
    const int engine = sounds.engineAChannel(0);
    const int transmission = sounds.engineBChannel(0);
    vehicle.EngineState = 1;
    vehicle.EngineSpeed = 30;
    vehicle.Gear = 1;
    vehicle.PowerHandle = 2;
    vehicle.Speed = 30;
    frames(120);
    EXPECT_TRUE(playing(engine));
    EXPECT_NEAR(mixer.freqRate(engine), 1.0, 1e-9);
    EXPECT_EQ(state.engineA[0].b, 1) << "another gear";
    EXPECT_EQ(state.commonGainA, 95);
    EXPECT_NEAR(mixer.freqRate(transmission), 1.2, 1e-9);
    EXPECT_EQ(state.engineB[0].b, 95);
    EXPECT_EQ(state.commonGainB, 95);
    EXPECT_EQ(mixer.volume(transmission), engineVolume(70, 95, 95));
    vehicle.EngineState = 0;
    frames();
    EXPECT_FALSE(playing(engine)) << "a stopped engine makes no running sound";
}

}  // namespace
}  // namespace tressmoor::sound::testing
