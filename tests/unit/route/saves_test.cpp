// The save slots: snapshot strings and titles, the Save menu captions, saving and restoring.
#include "route/saves.h"

#include <gtest/gtest.h>

#include "data/settings_store.h"
#include "route/route_update.h"
#include "route/video_position.h"
#include "station_test_world.h"

namespace tressmoor::route {
namespace {

using testing::StationWorld;

constexpr const char* kLine = "line_test.dat";

// Three stations on a line recorded at 60 km/h (frame 9000 lies at 5 km).
class Saves : public ::testing::Test {
protected:
    void SetUp() override {
        w.segment(0, 40000, 60, 60);
        w.line.LineName = "テスト線";
        w.line.LineName2 = "本線";
        w.station("A", 100);
        w.station("P", 4000).Kind = 1;
        w.station("B", 9000);
        w.station("C", 18000);
        w.derive();
        InitRouteState(w.ctx);
        StationClick(w.st, 0);
    }
    long double distanceOf(int i) const {
        return static_cast<long double>(w.line.Station[static_cast<std::size_t>(i)].StopDistance);
    }
    /// Puts the train at frame `frame` at `speed`.
    void runningAt(int frame, long double speed) {
        w.route.RoutePosition = frame;
        w.route.LineDistance = static_cast<long double>(w.line.FrameToDistance(frame));
        w.vehicle.Speed = speed;
        w.vehicle.BrakeHandle = 0;
    }

    StationWorld w;
    data::MemorySettingsStore store;
};

TEST_F(Saves, TitleNamesTheStationsAroundTheTrain) {
    EXPECT_EQ(snapshotTitle(w.line, distanceOf(0) + 100), "本線（A～P）");
    EXPECT_EQ(snapshotTitle(w.line, distanceOf(2)), "本線（B～C）");
    EXPECT_EQ(snapshotTitle(w.line, distanceOf(3) + 100), "本線（C～）");
    EXPECT_EQ(snapshotTitle(w.line, distanceOf(0) - 1), "");
}

TEST_F(Saves, EmptySlotsReadNoDataAndOnlyTheSaveItemsStayEnabled) {
    const SaveMenu menu = Saveloadclick(store);
    for (int i = 0; i < kSaveSlots; ++i) {
        EXPECT_EQ(menu.load[static_cast<std::size_t>(i)].caption, kNoDataCaption);
        EXPECT_FALSE(menu.load[static_cast<std::size_t>(i)].enabled);
        EXPECT_EQ(menu.save[static_cast<std::size_t>(i)].caption, kNoDataCaption);
        EXPECT_TRUE(menu.save[static_cast<std::size_t>(i)].enabled);
    }
}

TEST_F(Saves, SavingWritesTheSnapshotAndItsTitle) {
    runningAt(5000, 79.6L);
    w.route.Clock = 1081000;
    w.route.Pre.Position = 12000;
    EXPECT_EQ(S2Click(w.st, store, 2, kLine), kSavedMessage);
    EXPECT_EQ(store.readString(data::kOptionsStore, "Save2").value_or(""),
              "line_test.dat,0,80,5000,1081000," + std::to_string(w.line.FrameToDistance(5000)) +
                  ",12000");
    EXPECT_EQ(store.readString(data::kOptionsStore, "Save2Title").value_or(""), "本線（P～B）");
    const SaveMenu menu = Saveloadclick(store);
    EXPECT_EQ(menu.load[1].caption, "本線（P～B）");
    EXPECT_TRUE(menu.load[1].enabled);
    EXPECT_FALSE(menu.load[0].enabled);
}

TEST_F(Saves, RestoreAtSpeedResumesWithTheBrakeReleased) {
    runningAt(5000, 80);
    w.route.Clock = 1081000;
    S2Click(w.st, store, 1, kLine);
    StationClick(w.st, 0);
    ASSERT_EQ(w.vehicle.BrakeHandle, -8);

    const RestoreResult r = L1Click(w.st, store, 1, kLine);
    EXPECT_TRUE(r.restored);
    EXPECT_EQ(r.message, "");
    EXPECT_EQ(w.route.RoutePosition, 5000);
    EXPECT_EQ(w.route.Clock, 1081000);
    EXPECT_EQ(w.route.LineDistance, static_cast<long double>(w.line.FrameToDistance(5000)));
    EXPECT_EQ(w.vehicle.Speed, 80);
    EXPECT_EQ(w.vehicle.BrakeHandle, 0);
    EXPECT_EQ(w.vehicle.BrakeCommand, 0);
    EXPECT_EQ(w.stations.NextStop, 2);  // the pass station is skipped
    EXPECT_EQ(w.stations.RemainingDistance, distanceOf(2) - w.route.LineDistance);
    EXPECT_EQ(w.route.GradientText, "L");
    EXPECT_EQ(w.video.Segment, 0);
}

TEST_F(Saves, RestoreCountsThePointChecksBehindTheTrainAsMade) {
    data::SpeedCheck1Record behind;  // passed at 80 km/h before the save: no trip on restore
    behind.CheckSpeed = 45;
    behind.Frame = 3000;
    data::SpeedCheck1Record ahead = behind;
    ahead.CheckSpeed = 75;
    ahead.Frame = 5003;
    w.line.SpeedCheck1 = {behind, ahead};
    w.derive();
    runningAt(5000, 80);
    S2Click(w.st, store, 1, kLine);
    StationClick(w.st, 0);

    ASSERT_TRUE(L1Click(w.st, store, 1, kLine).restored);
    EXPECT_TRUE(w.line.SpeedCheck1[0].Made);
    EXPECT_FALSE(w.line.SpeedCheck1[1].Made);
    UpdateSafety(w.sctx);
    EXPECT_FALSE(w.safety.AlarmRinging);
    EXPECT_FALSE(w.vehicle.EmergencyTrip);

    // The check ahead still works.
    w.route.LineDistance = static_cast<long double>(w.line.FrameToDistance(5004));
    UpdateSafety(w.sctx);
    EXPECT_TRUE(w.safety.AlarmRinging);
}

TEST_F(Saves, LeavingAClipThatFailedToOpenOpensTheMainVideoAgain) {
    data::MovieSwitchRecord m;
    m.FirstFrame = 500;
    m.LastFrame = 520;
    m.Clip = "clip";
    m.ClipLength = 100;
    m.Station = 2000;
    w.line.MovieSwitch = {m};
    for (const bool restore : {false, true}) {
        runningAt(505, 60);
        if (restore) S2Click(w.st, store, 3, kLine);
        w.line.clearRunFlags();
        w.source.openResult = kVideoCannotOpen;
        updateClips(w.ctx);
        ASSERT_EQ(w.video.VideoMode, kVideoTrackClip);
        ASSERT_FALSE(w.video.VideoOpen);
        w.source.openResult = kVideoOpened;
        if (restore) {
            ASSERT_TRUE(L1Click(w.st, store, 3, kLine).restored);
        } else {
            StationClick(w.st, 2);  // the Move menu
        }
        EXPECT_EQ(w.source.lastPath, "video/.avi");
        EXPECT_EQ(w.video.VideoMode, kVideoMain);
        EXPECT_TRUE(w.video.VideoOpen) << (restore ? "restore" : "move");
        const int before = w.source.fetches;
        w.vehicle.Speed = 60;
        w.frame.dtMs = 100;
        advanceVideo(w.ctx);
        EXPECT_GT(w.source.fetches, before) << (restore ? "restore" : "move");
    }
}

TEST_F(Saves, RestoreAtAStationStartsAtRestWithDoorsClosedAndFreshFlags) {
    w.route.Clock = 1090000;
    w.stations.CurrentStation = 2;
    w.route.RoutePosition = 9000;
    w.route.LineDistance = distanceOf(2);
    S2Click(w.st, store, 3, kLine);
    w.line.Station[2].Progress.Arrived = true;
    w.line.Station[2].Progress.DepartureSignalled = true;
    w.vehicle.DoorsOpen = true;

    ASSERT_TRUE(L1Click(w.st, store, 3, kLine).restored);
    EXPECT_FALSE(w.vehicle.DoorsOpen);
    EXPECT_EQ(w.vehicle.Speed, 0);
    EXPECT_EQ(w.vehicle.BrakeHandle, -8);
    EXPECT_FALSE(w.line.Station[2].Progress.Arrived);
    EXPECT_FALSE(w.line.Station[2].Progress.DepartureSignalled);
    EXPECT_EQ(w.stations.CurrentStation, 2);
    EXPECT_EQ(w.stations.NextStop, 3);
    EXPECT_EQ(w.stations.AnnouncePointer, 3);  // one stopping station (A) before B
}

TEST_F(Saves, RefusedRestoresChangeNothing) {
    EXPECT_EQ(L1Click(w.st, store, 1, kLine).message, kNothingSavedMessage);

    store.writeString(data::kOptionsStore, "Save1", "line_other.dat,0,0,5000,0,0,0");
    auto r = L1Click(w.st, store, 1, kLine);
    EXPECT_FALSE(r.restored);
    EXPECT_EQ(r.message, kOtherLineMessage);
    EXPECT_EQ(w.route.RoutePosition, 100);

    store.writeString(data::kOptionsStore, "Save1", "line_test.dat,0,fast,5000,0,0,0");
    r = L1Click(w.st, store, 1, kLine);
    EXPECT_FALSE(r.restored);
    EXPECT_NE(r.message.find("fast"), std::string::npos);
    EXPECT_EQ(w.route.RoutePosition, 100);

    EXPECT_EQ(L1Click(w.st, store, 4, kLine).message, kNothingSavedMessage);  // no such slot
}

TEST_F(Saves, StationIndexBeyondTheListIsHeldToTheLastStation) {
    store.writeString(data::kOptionsStore, "Save1", "line_test.dat,40,0,18000,0,1000000,0");
    ASSERT_TRUE(L1Click(w.st, store, 1, kLine).restored);
    EXPECT_EQ(w.stations.CurrentStation, 3);
    EXPECT_EQ(w.stations.AnnouncePointer, 2 * 3 + 1);  // A, B and C stop before index 40
}

TEST_F(Saves, StationIndexAtTheEndsOfTheIntegerRangeIsHeldToTheLine) {
    // Index, current station, next stop (−1: none after the last, the old one stays),
    // announcement pointer.
    const struct {
        const char* index;
        int current, next, pointer;
    } cases[] = {{"-20", 0, 2, 1}, {"-2147483648", 0, 2, 1}, {"2147483647", 3, -1, 2 * 3 + 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.index);
        StationClick(w.st, 1);
        const int before = w.stations.NextStop;
        store.writeString(data::kOptionsStore, "Save1",
                          std::string("line_test.dat,") + c.index + ",0,100,0,0,0");
        ASSERT_TRUE(L1Click(w.st, store, 1, kLine).restored);
        EXPECT_EQ(w.stations.CurrentStation, c.current);
        EXPECT_EQ(w.stations.NextStop, c.next < 0 ? before : c.next);
        EXPECT_EQ(w.stations.AnnouncePointer, c.pointer);
    }
}

TEST_F(Saves, SpeedOrDistanceBeyondThe64BitRangeIsRefused) {
    for (const char* value : {"line_test.dat,0,0,100,0,9223372036854775807,0",
                              "line_test.dat,0,-9223372036854775808,100,0,0,0"}) {
        std::string error;
        EXPECT_TRUE(parseSnapshot(value, error).has_value()) << value;
    }
    for (const char* field : {"1e19", "-1e19", "277e770"}) {
        SCOPED_TRACE(field);
        std::string value = std::string("line_test.dat,0,0,5000,0,") + field + ",0";
        store.writeString(data::kOptionsStore, "Save1", value);
        auto r = L1Click(w.st, store, 1, kLine);
        EXPECT_FALSE(r.restored);
        EXPECT_NE(r.message.find(field), std::string::npos);
        EXPECT_EQ(w.route.RoutePosition, 100);

        value = std::string("line_test.dat,0,") + field + ",5000,0,0,0";
        store.writeString(data::kOptionsStore, "Save1", value);
        r = L1Click(w.st, store, 1, kLine);
        EXPECT_FALSE(r.restored);
        EXPECT_EQ(w.route.RoutePosition, 100);
    }
}

TEST_F(Saves, MissingFieldsReadAsZero) {
    std::string error;
    const auto snap = parseSnapshot("line_test.dat,2", error);
    ASSERT_TRUE(snap.has_value());
    EXPECT_EQ(snap->station, 2);
    EXPECT_EQ(snap->routePosition, 0);
    EXPECT_EQ(snap->precedingPosition, 0);
}

}  // namespace
}  // namespace tressmoor::route
