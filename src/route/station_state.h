// StationState: run progress through the stations and the timetable — current and next stop,
// the texts of the station line, the approach board, the clock text and the end of service.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace tressmoor::route {

/// Station-call kinds of [StationKanko] (the moments at which a station's calls are queued).
enum StationCallKind : int {
    kCallDoorsOpen = 0,       ///< the doors open (after the arrival sound starts)
    kCallDepartureSound = 1,  ///< the departure sound starts
    kCallDoorsClosed = 2,     ///< the doors have closed (departure cue)
    kCallFirstPower = 3,      ///< the first power notch after the stop
    kCallAtRest = 4,          ///< the train came to rest at the stop
    kCallDoorsCloseDue = 5,   ///< departure time passed and the departure sound ended
};

/// The "station complete" text of the boarding line.
inline constexpr const char* kBoardingCompleteText = "乗降完了";

/// Station and timetable part of the driving state. Distances cm, times ticks of 1/30 s.
/// Per-station progress flags live with the stations in LineData (StationRecord::Progress).
struct StationState {
    int CurrentStation = 0;             ///< station whose zone was entered last
    int NextStop = 0;                   ///< next station of kind 0 or 2 and up
    long double NextStopDistance = 0;   ///< cm, stop distance of NextStop
    long double RemainingDistance = 0;  ///< cm, NextStopDistance − line distance
    std::int64_t ArrivalTime = 0;       ///< ticks when the last arrival or departure sound began
    int StartStation = 0;               ///< station of the last run start

    std::string WindowCaption;  ///< [LineName] after a run start
    std::string StatusText;     ///< station line: "ただいま …" / "次は …"
    int StatusTextKey = -1;     ///< station × 2 (+1 in its zone) the status text was built for
    std::array<std::string, 2> NextStationTexts;  ///< the next stop's name, twice
    std::string BoardingText;  ///< boarding line: kBoardingCompleteText once the doors closed
    std::string DoorText;      ///< door-side text of one-man trains that show it

    int StopMarkerPattern = 0;  ///< "img_unten_teimoku": approach board 1–5, 10 + i in a zone
    int MonitorPattern = 0;     ///< [Monitor] image pattern
    int DoorSoundRoll = 0;      ///< 0–99, drawn on entering a zone (one-man door sounds)
    int AnnouncePointer = 1;    ///< next [Announce] entry (1-based)

    bool ServiceEnd = false;     ///< the service ended at its last station
    bool BackRequested = false;  ///< leave the driving window (BackClick)

    // Clock text and analogue clock hands (rebuilt only when the second changes).
    std::string ClockText = "00:00:00";  ///< "HH:MM:SS"
    std::int64_t ClockTextSecond = -1;   ///< second of the day shown by ClockText
    double HourHand = 0;                 ///< degrees clockwise from 12
    double MinuteHand = 0;               ///< degrees
    double SecondHand = 0;               ///< degrees
};

/// State of the call key.
struct CallState {
    int LastCallKey = -1;  ///< de-duplication key of the last other/limit call queued
};

}  // namespace tressmoor::route
