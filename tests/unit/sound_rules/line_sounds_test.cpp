// Sounds placed on the line: [Sound] entries, [Atten], points, announcements, Doppler sources
// and route-event waves.
#include <cmath>

#include "sound_rules_fixture.h"

namespace tressmoor::sound::testing {
namespace {

data::SoundRecord entry(int sound, int trigger, int end, int ref, int loop, int mode, int fade) {
    data::SoundRecord r;
    r.Sound = sound;
    r.TriggerFrame = trigger;
    r.EndFrame = end;
    r.ReferenceSpeed = ref;
    r.Loop = loop;
    r.Pitch = 1;
    r.Volume = 1;
    r.Mode = mode;
    r.Fade = fade;
    return r;
}

using SoundEntries = SoundRulesTest;

TEST_F(SoundEntries, OneShotStartsOnceInItsWindow) {
    line.Sound = {entry(0, 1000, 1000, 50, 0, 0, 0)};
    build();
    vehicle.Speed = 25;
    route.RoutePosition = 999;
    frames();
    EXPECT_EQ(starts(amb(0)), 0);
    for (int f = 1000; f < 1030; ++f) {
        route.RoutePosition = f;
        frames(10);  // the 2-second wave ends inside the window
    }
    EXPECT_EQ(starts(amb(0)), 1);
    EXPECT_DOUBLE_EQ(mixer.freqRate(amb(0)), 0.5);
    EXPECT_EQ(mixer.volume(amb(0)), -1505);  // 5000 × log10(25 ÷ 50)
    route.RoutePosition = 1030;
    frames();
    route.RoutePosition = 1000;
    frames();
    EXPECT_EQ(starts(amb(0)), 2) << "a new pass through the window";
}

TEST_F(SoundEntries, LoopFadesInAndOutWithTheFloor) {
    line.Sound = {entry(1, 1000, 2000, 50, 1, 0, 1)};
    build();
    vehicle.Speed = 50;
    route.RoutePosition = 1010;
    frames();
    EXPECT_TRUE(playing(amb(1)));
    EXPECT_NEAR(static_cast<double>(state.attenuation), 0.33, 1e-12);
    EXPECT_EQ(mixer.volume(amb(1)), -2407);  // 5000 × log10(0.33)
    route.RoutePosition = 1001;
    frames();
    EXPECT_NEAR(static_cast<double>(state.attenuation), 0.1, 1e-12);
    EXPECT_EQ(mixer.volume(amb(1)), -5000);
    route.RoutePosition = 1500;
    frames();
    EXPECT_EQ(starts(amb(1)), 1) << "a playing loop is never restarted";
    vehicle.Speed = 0.5L;
    frames();
    EXPECT_EQ(mixer.volume(amb(1)), -10000) << "silent while standing";
    vehicle.Speed = 50;
    route.RoutePosition = 1990;
    frames();
    EXPECT_NEAR(static_cast<double>(state.attenuation), 0.33, 1e-12);
    route.RoutePosition = 2005;
    frames();
    EXPECT_FALSE(playing(amb(1)));
}

TEST_F(SoundEntries, LoopLeftBackwardsIsStopped) {
    line.Sound = {entry(1, 1000, 2000, 50, 1, 0, 0)};
    build();
    vehicle.Speed = 10;
    route.RoutePosition = 1005;
    frames();
    ASSERT_TRUE(playing(amb(1)));
    route.RoutePosition = 990;
    frames();
    EXPECT_FALSE(playing(amb(1)));
    route.RoutePosition = 1002;
    frames();
    EXPECT_TRUE(playing(amb(1))) << "and starts again on the next pass";
}

TEST_F(SoundEntries, ModeOnePlaysOnlyWhenPassingSlowly) {
    line.Sound = {entry(2, 1000, 1100, 15, 0, 1, 0)};
    build();
    vehicle.Speed = 40;
    route.RoutePosition = 1050;
    frames();
    EXPECT_FALSE(playing(amb(2)));
    vehicle.Speed = 15.4L;
    frames();
    EXPECT_TRUE(playing(amb(2)));
}

TEST_F(SoundEntries, AttenuatedStretchScalesTheVolume) {
    line.Sound = {entry(0, 1000, 1000, 50, 0, 0, 0)};
    line.Atten = {{900, 1100, 0, 50}};
    build();
    vehicle.Speed = 50;
    route.RoutePosition = 1000;
    frames();
    EXPECT_NEAR(static_cast<double>(state.attenuation), 0.5, 1e-12);
    EXPECT_EQ(mixer.volume(amb(0)), -1505);
    route.RoutePosition = 1100;  // the last frame itself is outside
    frames();
    EXPECT_NEAR(static_cast<double>(state.attenuation), 1.0, 1e-12);
}

TEST_F(SoundEntries, PointsPlayTheFirstMatchingRowOncePerSwitch) {
    line.Switch = {{1000, 1}, {1005, 2}};
    build();
    vehicle.Speed = 60;  // above the 40 km/h row: the 200 km/h row applies
    for (int f = 990; f <= 1012; ++f) {
        route.RoutePosition = f;
        frames();
    }
    EXPECT_EQ(starts(kSwitchSlow), 1);
    EXPECT_EQ(starts(kSwitchFast), 0);
    EXPECT_EQ(log.size(), 1u) << "type 2 has no row: passed silently";
}

using Announcements = SoundRulesTest;

TEST_F(Announcements, EntriesPlayInTheirWindowAndMoveThePointer) {
    line.Station.resize(2);
    line.Station[0].StopDistance = 10000;
    line.Station[1].StopDistance = 200000;
    line.Announce.StopAnnounceSound = 5;
    line.Announce.Entries = {{{3, 0, 0, 100, 400}}, {{4, 1, 1, 0, 100}}};
    stations.NextStop = 1;
    stations.RemainingDistance = 50000;
    build();
    route.LineDistance = 19000;
    frames();
    EXPECT_FALSE(playing(amb(3)));
    route.LineDistance = 20000;
    frames();
    EXPECT_TRUE(playing(amb(3)));
    EXPECT_EQ(pointer, 2);
    route.LineDistance = 210000;
    frames();
    EXPECT_FALSE(playing(amb(4))) << "kind 1 plays only by key";
    EXPECT_TRUE(NextAnnouncement(*ctx));
    EXPECT_TRUE(playing(amb(4)));
    EXPECT_EQ(pointer, 3);
    EXPECT_FALSE(NextAnnouncement(*ctx));
    BackAnnouncement(*ctx);
    EXPECT_EQ(pointer, 2);
    EXPECT_FALSE(playing(amb(4)));
    EXPECT_TRUE(NextAnnouncement(*ctx));
    EXPECT_EQ(starts(amb(4)), 2);
}

TEST_F(Announcements, OverrunAnnouncementOncePerStation) {
    line.Station.resize(2);
    line.Station[1].ArrivalSound = 0;
    line.Station[1].DepartureSound = 1;
    line.Announce.StopAnnounceSound = 5;
    stations.NextStop = 1;
    stations.RemainingDistance = -300;
    build();
    vehicle.Speed = 3;
    frames();
    EXPECT_FALSE(playing(amb(5)));
    vehicle.Speed = 0;
    mixer.Play(amb(0));  // the arrival sound is playing
    frames();
    EXPECT_FALSE(playing(amb(5)));
    mixer.Stop(amb(0));
    frames();
    EXPECT_TRUE(playing(amb(5)));
    mixer.advance(5000);
    frames();
    EXPECT_EQ(starts(amb(5)), 1);
}

TEST_F(Announcements, NoAnnounceSectionMeansNoOverrunAnnouncement) {
    line.Station.resize(2);
    stations.NextStop = 1;
    stations.RemainingDistance = -300;
    build();
    frames();
    EXPECT_EQ(starts(amb(0)), 0);
}

using Doppler = SoundRulesTest;

TEST_F(Doppler, PitchAndLevelAroundTheSource) {
    EXPECT_NEAR(static_cast<double>(dopplerRatio(1000, 100)), 1.0852, 1e-4);
    EXPECT_NEAR(static_cast<double>(dopplerRatio(-1000, 100)), 1220 / (1220 + 95.7826), 1e-4);
    EXPECT_DOUBLE_EQ(static_cast<double>(dopplerRatio(0, 100)), 1.0) << "right beside it";
    EXPECT_EQ(dopplerVolume(0, 25000), 0);
    EXPECT_EQ(dopplerVolume(12500, 25000), -602);
    EXPECT_EQ(dopplerVolume(25000, 25000), -10000) << "silent at the very edge";
    EXPECT_EQ(dopplerVolume(0, 0), -10000);
}

TEST_F(Doppler, SourcesStartInRangeAndStopWhenNoneIs) {
    data::DopplerRecord r;
    r.Sound = 2;
    r.Radius = 25000;
    r.SourceDistance = 100000;
    line.Doppler = {r};
    r.Sound = 3;
    r.Condition = 1;  // only while signal 1 shows a proceed aspect
    line.Doppler.push_back(r);
    route.Aspect = {0};
    build();
    vehicle.Speed = 100;
    route.LineDistance = 99000;
    frames();
    EXPECT_TRUE(playing(amb(2)));
    EXPECT_FALSE(playing(amb(3)));
    EXPECT_NEAR(mixer.freqRate(amb(2)), 1.0852, 1e-4);
    route.Aspect = {2};
    frames();
    EXPECT_TRUE(playing(amb(3)));
    route.LineDistance = 125001;
    frames();
    EXPECT_FALSE(playing(amb(2)));
    EXPECT_FALSE(playing(amb(3)));
}

using RouteEvents = SoundRulesTest;

TEST_F(RouteEvents, WavesPlayOnTheEventChannelOncePerCommand) {
    build();
    const int ch = sounds.eventChannel();
    command = "0走行してください";
    frames();
    EXPECT_FALSE(mixer.hasWave(ch)) << "texts are the view's";
    command = "1chime.wav";
    frames(3);
    EXPECT_EQ(starts(ch), 1);
    command = "2chime.wav";
    frames();
    EXPECT_EQ(mixer.Status(ch), ChannelStatus::Looping);
    command = "1missing.wav";
    frames();
    EXPECT_FALSE(playing(ch)) << "a missing file leaves the channel silent";
}

}  // namespace
}  // namespace tressmoor::sound::testing
