// Stations and the timetable: the clock at a run start, zones and texts, arrival, departure,
// doors, the end of the service and the clock text.
#include "route/stations.h"

#include <gtest/gtest.h>

#include "route/route_update.h"
#include "station_test_world.h"

namespace tressmoor::route {
namespace {

using testing::kDoorClose;
using testing::StationWorld;

constexpr std::int64_t kTen = 1080000;  // 10:00:00 in ticks

// A straight line recorded at 60 km/h (30 frames/s: frame 18000 lies at 10 km).
class StationsWorld : public ::testing::Test {
protected:
    void SetUp() override {
        w.segment(0, 200000, 60, 60);
        w.settings.Stop = "停車";
        w.settings.Pass = "通過";
        w.settings.Stop2 = "運転停車";
        w.ambient(0, 1);
        w.ambient(1, 2);   // arrival
        w.ambient(2, 15);  // departure melody
        w.ambient(3, 3);   // ambience
    }
    data::StationRecord& stop(const std::string& name, int frame, int time = 0, int kind = 0) {
        auto& s = w.station(name, frame);
        s.Kind = kind;
        s.DepartureTime = time;
        s.ArrivalSound = 1;
        s.DepartureSound = 2;
        s.AmbientSound = 3;
        s.MaxSpeed = 100;
        return s;
    }
    void build() {
        w.derive();
        InitRouteState(w.ctx);
    }
    void at(long double cm) { w.route.LineDistance = cm; }
    long double distanceOf(int station) const {
        return static_cast<long double>(
            w.line.Station[static_cast<std::size_t>(station)].StopDistance);
    }
    data::StationProgress& progress(int i) {
        return w.line.Station[static_cast<std::size_t>(i)].Progress;
    }

    StationWorld w;
};

// ---------------------------------------------------------------------------------------------
// Run start.

using StationStart = StationsWorld;

TEST_F(StationStart, ClockIsInterpolatedByDistanceLessBothStationSounds) {
    stop("P", 0, kTen);
    stop("S", 7200);  // 4 km, no time
    stop("N", 18000, kTen + 18000);
    build();
    EXPECT_EQ(runStartClock(w.line, w.sounds, 1), kTen + 7200 - (2 + 15) * 30);
    EXPECT_EQ(runStartClock(w.line, w.sounds, 0), kTen - (2 + 15) * 30);
}

TEST_F(StationStart, WithoutALaterTimedStationTheEarlierTimeStands) {
    stop("P", 0, kTen);
    stop("S", 7200);
    build();
    EXPECT_EQ(runStartClock(w.line, w.sounds, 1), kTen - 17 * 30);
}

TEST_F(StationStart, RunStartPutsTheTrainAtRestAtTheStopWithDoorsClosed) {
    stop("A", 100, kTen);
    stop("B", 5000, kTen + 9000);
    build();
    w.vehicle.Speed = 40;
    w.vehicle.DoorsOpen = true;
    progress(1).Arrived = true;
    w.line.Station[1].Progress.DepartureSignalled = true;
    StationClick(w.st, 0);
    EXPECT_EQ(w.route.RoutePosition, 100);
    EXPECT_EQ(w.route.LineDistance, distanceOf(0));
    EXPECT_EQ(w.vehicle.Speed, 0);
    EXPECT_FALSE(w.vehicle.DoorsOpen);
    EXPECT_EQ(w.vehicle.BrakeHandle, -8);
    EXPECT_EQ(w.stations.StatusText, "ただいま A");
    EXPECT_FALSE(progress(1).Arrived);
    EXPECT_FALSE(progress(1).DepartureSignalled);
    EXPECT_EQ(w.route.Clock, kTen - 17 * 30);
}

TEST_F(StationStart, TheFirstFrameMarksTheStartArrivedAndPlaysTheFirstSoundOnEitherLine) {
    for (const int oneMan : {0, 1}) {
        w.line.Station.clear();
        stop("A", 100, kTen);
        stop("B", 5000, kTen + 9000);
        w.line.OneMan.Mode = oneMan;
        build();
        w.vehicle.DepartureMarker = false;
        StationClick(w.st, 0);
        EXPECT_FALSE(w.playing(w.sounds.ambientChannel(0))) << oneMan;
        UpdateStations(w.st);
        EXPECT_TRUE(progress(0).Arrived) << oneMan;
        EXPECT_TRUE(w.playing(w.sounds.ambientChannel(0))) << oneMan;
        EXPECT_TRUE(w.vehicle.DepartureMarker) << oneMan;
    }
}

TEST_F(StationStart, PerStationFlagsFollowTheLengthOfTheStationList) {
    for (int i = 0; i < 150; ++i) stop("S" + std::to_string(i), 100 + 1000 * i);
    build();
    StationClick(w.st, 120);
    at(distanceOf(121) - 1000);
    UpdateStations(w.st);
    EXPECT_TRUE(progress(121).InZone);
    EXPECT_EQ(w.stations.CurrentStation, 121);
    EXPECT_EQ(w.stations.StatusText, "ただいま S121");
}

// ---------------------------------------------------------------------------------------------
// Zones, texts and boards.

using StationZones = StationsWorld;

TEST_F(StationZones, PassStationNeverCountsAsEntered) {
    stop("A", 100);
    stop("B", 3000, 0, 1);
    stop("C", 9000);
    build();
    StationClick(w.st, 0);
    at(distanceOf(0) + 6000);  // left A's zone
    UpdateStations(w.st);
    EXPECT_EQ(w.stations.StatusText, "次は B通過");
    at(distanceOf(1));
    UpdateStations(w.st);
    EXPECT_FALSE(progress(1).InZone);
    EXPECT_EQ(w.stations.StatusText, "次は B通過");
    at(distanceOf(1) + 6000);
    UpdateStations(w.st);
    EXPECT_EQ(w.stations.StatusText, "次は C停車");
}

TEST_F(StationZones, ApproachBoardsByRemainingDistance) {
    EXPECT_EQ(approachBoardPattern(29000), 5);
    EXPECT_EQ(approachBoardPattern(26000), 0);
    EXPECT_EQ(approachBoardPattern(19999), 4);
    EXPECT_EQ(approachBoardPattern(4000), 1);
    EXPECT_EQ(approachBoardPattern(2999), 0);
}

TEST_F(StationZones, AmbienceFadesWithDistanceAndStopsOutsideTheWindow) {
    stop("A", 100);
    stop("B", 9000);
    build();
    StationClick(w.st, 0);
    const int ch = w.sounds.ambientChannel(3);
    at(distanceOf(0) + 1000);
    UpdateStations(w.st);
    EXPECT_EQ(w.mixer.Status(ch), sound::ChannelStatus::Looping);
    EXPECT_EQ(w.mixer.volume(ch), -602);  // 2000 × log10(0.5)
    at(distanceOf(0) + 2500);
    UpdateStations(w.st);
    EXPECT_FALSE(w.playing(ch));
}

// ---------------------------------------------------------------------------------------------
// Arrival, departure and doors (two-man unless said otherwise).

using StationStops = StationsWorld;

TEST_F(StationStops, TwoManDoorsOpenByThemselvesOnlyBelowFiveHundredthsOfAKmH) {
    stop("A", 100);
    stop("B", 9000, kTen);
    build();
    StationClick(w.st, 0);
    UpdateStations(w.st);  // the start station's arrival opens the doors
    EXPECT_TRUE(w.vehicle.DoorsOpen);

    w.vehicle.DoorsOpen = false;
    at(distanceOf(0) + 20000);  // between the stations
    UpdateStations(w.st);
    at(distanceOf(1) - 100);
    w.vehicle.Speed = 0.06L;
    UpdateStations(w.st);
    EXPECT_TRUE(progress(1).InZone);
    EXPECT_FALSE(w.vehicle.DoorsOpen);
    w.vehicle.Speed = 0.04L;
    UpdateStations(w.st);
    EXPECT_TRUE(w.vehicle.DoorsOpen);
    EXPECT_TRUE(progress(1).Arrived);
    EXPECT_TRUE(w.vehicle.DepartureMarker);
    EXPECT_TRUE(w.playing(w.sounds.ambientChannel(1)));
}

TEST_F(StationStops, MelodyStartsItsLengthBeforeTheDepartureAndDoorsCloseAfterIt) {
    stop("A", 100, kTen);
    stop("B", 9000, kTen + 9000);
    build();
    StationClick(w.st, 0);
    UpdateStations(w.st);
    ASSERT_TRUE(w.vehicle.DoorsOpen);
    const std::int64_t melodyStart = kTen - 15 * 30;  // 09:59:45

    w.route.Clock = melodyStart;
    UpdateStations(w.st);
    EXPECT_FALSE(progress(0).DepartureSignalled);
    w.route.Clock = melodyStart + 1;
    UpdateStations(w.st);
    EXPECT_TRUE(progress(0).DepartureSignalled);
    EXPECT_TRUE(w.playing(w.sounds.ambientChannel(2)));
    EXPECT_EQ(w.stations.NextStop, 1);
    EXPECT_EQ(w.stations.NextStationTexts[0], "B");

    w.route.Clock = kTen + 1;  // departure time passed, melody not yet over
    UpdateStations(w.st);
    EXPECT_FALSE(progress(0).DoorsClosedForDeparture);
    w.route.Clock = melodyStart + 1 + 451;
    UpdateStations(w.st);
    EXPECT_TRUE(progress(0).DoorsClosedForDeparture);
    EXPECT_FALSE(w.vehicle.DoorCommand);
    EXPECT_TRUE(w.playing(kDoorClose));
    EXPECT_EQ(w.stations.BoardingText, kBoardingCompleteText);
}

TEST_F(StationStops, StationCallsFollowTheStopInOrder) {
    stop("A", 100, kTen);
    stop("B", 9000, kTen + 9000);
    w.line.StationKanko = {{0, kCallDoorsOpen, 30},
                           {0, kCallAtRest, 31},
                           {0, kCallDepartureSound, 32},
                           {0, kCallDoorsCloseDue, 33},
                           {1, kCallAtRest, 34}};
    build();
    StationClick(w.st, 0);
    UpdateStations(w.st);
    w.route.Clock = kTen - 15 * 30 + 1;
    UpdateStations(w.st);
    w.route.Clock = kTen + 452;
    UpdateStations(w.st);
    ASSERT_EQ(w.calls.size(), 4);
    EXPECT_EQ(w.queued(0), 31);  // at rest
    EXPECT_EQ(w.queued(1), 30);  // doors open
    EXPECT_EQ(w.queued(2), 32);  // departure sound
    EXPECT_EQ(w.queued(3), 33);  // doors close by themselves
}

TEST_F(StationStops, OneManWaitsForTheDriverToOpenTheDoors) {
    w.line.OneMan.Mode = 1;
    stop("A", 100);
    stop("B", 9000, kTen);
    stop("C", 18000, kTen + 9000);
    w.line.StationKanko = {{1, kCallAtRest, 22}, {1, kCallDoorsOpen, 23}};
    build();
    StationClick(w.st, 0);
    at(distanceOf(1));
    UpdateStations(w.st);
    EXPECT_FALSE(w.vehicle.DoorsOpen);
    EXPECT_FALSE(progress(1).Arrived);
    EXPECT_EQ(w.queued(0), 22);
    UpdateStations(w.st);
    EXPECT_EQ(w.calls.size(), 1);  // the at-rest calls only once

    w.vehicle.DoorsOpen = true;  // the driver's door key
    UpdateStations(w.st);
    EXPECT_TRUE(progress(1).Arrived);
    EXPECT_EQ(w.queued(1), 23);
    EXPECT_EQ(w.stations.NextStop, 2);
    EXPECT_EQ(w.stations.NextStopDistance, distanceOf(2));
}

TEST_F(StationStops, ServiceEndsAtTheLastStationOnceTheArrivalSoundIsOver) {
    stop("A", 100);
    stop("B", 9000);
    build();
    StationClick(w.st, 0);
    at(distanceOf(0) + 20000);
    UpdateStations(w.st);
    w.vehicle.DoorsOpen = false;
    at(distanceOf(1));
    UpdateStations(w.st);
    ASSERT_TRUE(progress(1).Arrived);
    EXPECT_FALSE(w.stations.ServiceEnd);
    w.route.Clock += 61;  // the 2-second arrival sound is over
    UpdateStations(w.st);
    EXPECT_TRUE(w.stations.ServiceEnd);
    EXPECT_TRUE(w.stations.BackRequested);
}

// ---------------------------------------------------------------------------------------------
// The clock text.

TEST(StationClock, TextAndHandsAreRebuiltWhenTheSecondChanges) {
    StationState s;
    EXPECT_EQ(timecalc(s, 873090), "08:05:03");
    EXPECT_DOUBLE_EQ(s.HourHand, 8 * 30 + 5 * 0.5);
    EXPECT_DOUBLE_EQ(s.MinuteHand, 5 * 6 + 3 * 0.1);
    EXPECT_DOUBLE_EQ(s.SecondHand, 18);
    s.ClockText = "unchanged";
    EXPECT_EQ(timecalc(s, 873091), "unchanged");  // same second
    EXPECT_EQ(timecalc(s, 873120), "08:05:04");
    EXPECT_EQ(formatClock(-5), "00:00:00");
}

}  // namespace
}  // namespace tressmoor::route
