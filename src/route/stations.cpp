// Stations and the timetable: run start at a station, zones and texts, arrival, doors, departure,
// the next stop, the end of the service, and the clock text.
#include "route/stations.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "data/rounding.h"
#include "route/preceding_train.h"
#include "route/route_update.h"
#include "route/video_position.h"
#include "vehicle/handles.h"

namespace tressmoor::route {

namespace {

using data::roundTiesEven;
using data::StationRecord;

constexpr std::int64_t kTicksPerSecond = 30;
constexpr std::int64_t kTicksPerHour = 108000;
/// Half width of the window around the stop position in which the station ambience plays, cm.
constexpr long double kAmbienceRange = 2000;

const char* const kNowAt = "ただいま ";
const char* const kNextIs = "次は ";

int stationCount(const data::LineData& line) {
    return static_cast<int>(line.Station.size());
}

StationRecord& station(StationContext& c, int i) {
    return c.route.line.Station[static_cast<std::size_t>(i)];
}

/// Channel of [SoundData] sound k, or −1 when the sound does not exist.
int ambientChannel(const StationContext& c, int k) {
    if (k < 0 || k >= c.route.sounds.nAmbient()) return -1;
    return c.route.sounds.ambientChannel(k);
}

void restartAmbient(StationContext& c, int k) {
    const int ch = ambientChannel(c, k);
    if (ch < 0) return;
    c.route.mixer.Stop(ch);
    c.route.mixer.Play(ch);
}

void stopAmbient(StationContext& c, int k) {
    const int ch = ambientChannel(c, k);
    if (ch >= 0) c.route.mixer.Stop(ch);
}

bool ambientPlaying(const StationContext& c, int k) {
    const int ch = ambientChannel(c, k);
    return ch >= 0 && c.route.mixer.Status(ch) != sound::ChannelStatus::Idle;
}

void doorOperate(StationContext& c) {
    if (c.Door_operate) {
        c.Door_operate();
        return;
    }
    // Without a vehicle door operation: open at a standstill, otherwise request closing.
    auto& v = c.vehicle.state;
    if (!v.DoorsOpen) {
        if (std::fabs(v.Speed) >= 0.05L) return;
        v.DoorCommand = true;
        v.DoorsOpen = true;
        c.route.mixer.Play(c.vehicle.spec.Sound_DoorOpen);
    } else {
        v.DoorCommand = false;
        c.route.mixer.Play(c.vehicle.spec.Sound_DoorClose);
    }
}

void stationCalls(StationContext& c, int kind, int i) {
    auto calls = c.calls();
    StationCalls(calls, kind, i);
}

/// Puts station `next` in as the next stop.
void takeNextStop(StationContext& c, int from) {
    const int next = nextStopAfter(c.route.line, from);
    if (next < 0) return;
    auto& s = c.stations;
    s.NextStop = next;
    s.NextStopDistance = static_cast<long double>(station(c, next).StopDistance);
    s.RemainingDistance = s.NextStopDistance - c.route.route.LineDistance;
    s.NextStationTexts[0] = station(c, next).Name;
    s.NextStationTexts[1] = station(c, next).Name;
}

void markArrival(StationContext& c, int i) {
    auto& st = station(c, i);
    st.Progress.Arrived = true;
    restartAmbient(c, st.ArrivalSound);
    c.stations.ArrivalTime = c.route.route.Clock;
    c.vehicle.state.DepartureMarker = true;
    c.route.event("arrival " + std::to_string(i));
}

std::string nextStationText(const StationContext& c, int next) {
    const auto& line = c.route.line;
    const auto& settings = c.route.settings;
    const auto& st = line.Station[static_cast<std::size_t>(next)];
    switch (st.Kind) {
        case 0:
            return kNextIs + st.Name + settings.Stop;
        case 1:
            return kNextIs + st.Name + settings.Pass;
        case 2:
            return kNextIs + st.Name + settings.Stop2;
        case 3:
            return settings.infoLabel(1);
        default:
            return kNextIs + st.Name;
    }
}

/// Sets the status text for station i ("now at" when inZone, "next" otherwise), building it only
/// when it changes.
void setStatus(StationContext& c, int i, bool inZone) {
    auto& s = c.stations;
    const int key = i * 2 + (inZone ? 1 : 0);
    if (s.StatusTextKey == key) return;
    s.StatusTextKey = key;
    if (inZone) {
        s.StatusText = kNowAt + station(c, i).Name;
    } else {
        s.StatusText = nextStationText(c, i + 1);
    }
}

bool sound2Covers(const data::LineData& line, int i, bool departure) {
    if (line.Sound2.size() != 1) return false;
    const auto& r = line.Sound2.front();
    return departure ? (r.FirstStation <= i && i < r.LastStation) : i == r.LastStation;
}

void resetSignalSprites(RouteState& r) {
    for (SpriteState* sp : {&r.signalSprites.main, &r.signalSprites.subPlate, &r.signalSprites.left,
                            &r.signalSprites.right, &r.signalSprites.extra}) {
        sp->pattern = 0;
    }
    r.CurrentSignal = kNone;
    r.CurrentDisplayFrame = kNone;
    r.CurrentSignalCall = kNone;
}

// ---------------------------------------------------------------------------------------------
// Per-frame steps of one station.

void leaveZone(StationContext& c, int i) {
    const auto& line = c.route.line;
    auto& s = c.stations;
    const int n = stationCount(line);
    const long double ld = c.route.route.LineDistance;
    auto& st = station(c, i);
    if (!(static_cast<long double>(st.ZoneEnd) < ld)) return;
    const bool last = i == n - 1;
    if (!last && !(static_cast<long double>(station(c, i + 1).ZoneStart) > ld)) return;
    if (!last) setStatus(c, i, false);
    s.StopMarkerPattern = approachBoardPattern(s.RemainingDistance);
    if (st.Progress.InZone) s.BoardingText.clear();
    st.Progress.InZone = false;
    if (!last) station(c, i + 1).Progress.InZone = false;
    s.MonitorPattern = i + 1;
}

bool ambience(StationContext& c, int i) {
    const auto& st = station(c, i);
    const long double off =
        std::fabs(c.route.route.LineDistance - static_cast<long double>(st.StopDistance));
    if (!(off < kAmbienceRange)) return false;
    const int ch = ambientChannel(c, st.AmbientSound);
    if (ch < 0) return true;
    if (c.route.mixer.Status(ch) == sound::ChannelStatus::Idle) c.route.mixer.LoopPlay(ch);
    const long double level = 2000 * std::log10((kAmbienceRange - off) / kAmbienceRange);
    const auto volume = std::max<std::int64_t>(roundTiesEven(level), -10000);
    c.route.mixer.Volume(ch, static_cast<int>(volume));
    return true;
}

void enterZone(StationContext& c, int i) {
    auto& st = station(c, i);
    const long double ld = c.route.route.LineDistance;
    if (st.Kind == 1) return;
    if (!(static_cast<long double>(st.ZoneStart) <= ld &&
          ld <= static_cast<long double>(st.ZoneEnd))) {
        return;
    }
    auto& s = c.stations;
    if (!st.Progress.InZone) {
        s.StopMarkerPattern = 10 + i;
        s.DoorSoundRoll = c.route.random.uniformInt(100);
        s.CurrentStation = i;
        st.Progress.InZone = true;
        c.route.event("zone " + std::to_string(i));
    }
    setStatus(c, i, true);
}

void arrive(StationContext& c, int i) {
    auto& st = station(c, i);
    auto& v = c.vehicle.state;
    auto& p = st.Progress;
    if (!p.InZone || roundTiesEven(v.Speed) != 0) return;
    const bool twoMan = c.route.line.OneMan.Mode == 0;
    const bool firstOrStart = i == 0 || i == c.serviceStartStation;

    if (firstOrStart && (st.Kind == 0 || st.Kind == 2) && !p.Arrived) {
        p.Arrived = true;
        c.stations.ArrivalTime = c.route.route.Clock;
        c.vehicle.state.DepartureMarker = true;
        restartAmbient(c, 0);
        // A two-man train opens its doors in the same frame, as at any stop.
        if (!twoMan) return;
    }
    if (st.Kind == 0) {
        if (twoMan) {
            // A run started here is marked arrived already: the doors still open once, but
            // never again after they closed for the departure.
            if (!v.DoorsOpen && !p.DoorsClosedForDeparture && std::fabs(v.Speed) < 0.05L) {
                if (!p.OneManStopNoted) {
                    p.OneManStopNoted = true;  // the at-rest calls once per stop
                    stationCalls(c, kCallAtRest, i);
                }
                doorOperate(c);
                if (!v.DoorsOpen) return;  // the doors refused to open
                markArrival(c, i);
                stationCalls(c, kCallDoorsOpen, i);
                if (sound2Covers(c.route.line, i, false)) {
                    stopAmbient(c, c.route.line.Sound2.front().Sound);
                }
            }
        } else if (!v.DoorsOpen) {
            if (!p.OneManStopNoted) {
                p.OneManStopNoted = true;
                stationCalls(c, kCallAtRest, i);
            }
        } else if (!p.Arrived) {
            markArrival(c, i);
            stationCalls(c, kCallDoorsOpen, i);
            takeNextStop(c, i);
        }
    } else if (st.Kind >= 2 && !p.Arrived) {
        stationCalls(c, kCallAtRest, i);
        markArrival(c, i);
    }
}

void depart(StationContext& c, int i) {
    auto& st = station(c, i);
    auto& p = st.Progress;
    // Only the station the train stands at departs (never one left behind).
    if (st.Kind == 1 || !p.InZone || !p.Arrived || p.DepartureSignalled) return;
    if (i == stationCount(c.route.line) - 1) return;  // nothing departs from the terminus
    const auto& sounds = c.route.sounds;
    const std::int64_t clock = c.route.route.Clock;
    const std::int64_t melody = soundSeconds(sounds, st.DepartureSound) * kTicksPerSecond;
    const std::int64_t arrival = soundSeconds(sounds, st.ArrivalSound) * kTicksPerSecond;
    if (!(clock > st.DepartureTime - melody) || !(clock - c.stations.ArrivalTime > arrival)) return;
    const auto& v = c.vehicle.state;
    if (st.Kind >= 2 ? !(std::fabs(v.Speed) < 0.1L) : !v.DoorsOpen) return;
    takeNextStop(c, i);
    restartAmbient(c, st.DepartureSound);
    p.DepartureSignalled = true;
    c.route.route.CrossLamp = false;
    c.stations.ArrivalTime = clock;
    c.route.event("departure signalled " + std::to_string(i));
    stationCalls(c, kCallDepartureSound, i);
    if (st.Kind >= 2) {
        c.route.mixer.Stop(c.vehicle.spec.DepSign);
        c.route.mixer.Play(c.vehicle.spec.DepSign);
    }
}

void closeDoors(StationContext& c, int i) {
    auto& st = station(c, i);
    auto& p = st.Progress;
    const auto& v = c.vehicle.state;
    if (st.Kind != 0 || !p.InZone || !p.Arrived || p.DoorsClosedForDeparture) return;
    if (c.route.line.OneMan.Mode != 0) {
        // One-man: the driver closes the doors; the stop is over once they are shut.
        if (!v.DoorsOpen && p.DepartureSignalled) {
            p.DoorsClosedForDeparture = true;
            c.stations.BoardingText = kBoardingCompleteText;
        }
        return;
    }
    if (!v.DoorsOpen || !p.DepartureSignalled) return;
    const std::int64_t clock = c.route.route.Clock;
    const std::int64_t melody = soundSeconds(c.route.sounds, st.DepartureSound) * kTicksPerSecond;
    if (!(clock > st.DepartureTime) || !(clock - c.stations.ArrivalTime > melody)) return;
    doorOperate(c);
    p.DoorsClosedForDeparture = true;
    c.stations.BoardingText = kBoardingCompleteText;
    stopAmbient(c, st.ArrivalSound);
    c.route.event("doors closing " + std::to_string(i));
    stationCalls(c, kCallDoorsCloseDue, i);
    if (sound2Covers(c.route.line, i, true)) {
        const int ch = ambientChannel(c, c.route.line.Sound2.front().Sound);
        if (ch >= 0 && c.route.mixer.Status(ch) == sound::ChannelStatus::Idle) {
            c.route.mixer.Stop(ch);
            c.route.mixer.LoopPlay(ch);
        }
    }
}

void endOfService(StationContext& c, int i) {
    auto& s = c.stations;
    if (s.ServiceEnd) return;
    const int n = stationCount(c.route.line);
    if (i != n - 1 && i != c.serviceEndStation) return;
    const auto& st = station(c, i);
    const auto& v = c.vehicle.state;
    if (!st.Progress.InZone || !st.Progress.Arrived || !(std::fabs(v.Speed) < 0.1L)) return;
    if (!((st.Kind == 0 && v.DoorsOpen) || st.Kind >= 2)) return;
    const std::int64_t arrival = soundSeconds(c.route.sounds, st.ArrivalSound) * kTicksPerSecond;
    if (!(c.route.route.Clock - s.ArrivalTime > arrival)) return;
    s.ServiceEnd = true;
    s.BackRequested = true;
    c.route.event("service end " + std::to_string(i));
}

}  // namespace

// ---------------------------------------------------------------------------------------------

int soundSeconds(const sound::SoundSet& sounds, int k) {
    if (k < 0 || k >= static_cast<int>(sounds.ambientSeconds.size())) return 0;
    return std::max(sounds.ambientSeconds[static_cast<std::size_t>(k)], 0);
}

std::int64_t runStartClock(const data::LineData& line, const sound::SoundSet& sounds, int s) {
    const int n = static_cast<int>(line.Station.size());
    if (s < 0 || s >= n) return 0;
    const auto& st = line.Station[static_cast<std::size_t>(s)];
    long double base = st.DepartureTime;
    if (st.DepartureTime == 0) {
        int p = 0;
        for (int i = s - 1; i >= 0; --i) {
            if (line.Station[static_cast<std::size_t>(i)].DepartureTime != 0) {
                p = i;
                break;
            }
        }
        int next = -1;
        for (int i = s + 1; i < n; ++i) {
            if (line.Station[static_cast<std::size_t>(i)].DepartureTime != 0) {
                next = i;
                break;
            }
        }
        const auto& sp = line.Station[static_cast<std::size_t>(p)];
        const long double tp = sp.DepartureTime;
        base = tp;
        if (next >= 0) {
            // Interpolated by stop distance; without a later timed station (or with both at the
            // same place) the earlier time stands.
            const auto& sn = line.Station[static_cast<std::size_t>(next)];
            const long double span = static_cast<long double>(sn.StopDistance) -
                                     static_cast<long double>(sp.StopDistance);
            if (span != 0) {
                base = tp + (sn.DepartureTime - tp) / span *
                                (static_cast<long double>(st.StopDistance) -
                                 static_cast<long double>(sp.StopDistance));
            }
        }
        base = static_cast<long double>(roundTiesEven(base));
    }
    const std::int64_t clock = static_cast<std::int64_t>(base) -
                               soundSeconds(sounds, st.DepartureSound) * kTicksPerSecond -
                               soundSeconds(sounds, st.ArrivalSound) * kTicksPerSecond;
    return std::max<std::int64_t>(clock, 0);
}

int announcePointerFor(const data::LineData& line, int s) {
    const auto& entries = line.Announce.Entries;
    for (std::size_t j = 0; j < entries.size(); ++j) {
        if (entries[j].Values[2] >= s && entries[j].Values[1] == 0) return static_cast<int>(j) + 1;
    }
    return static_cast<int>(entries.size()) + 1;
}

int approachBoardPattern(long double r) {
    if (r >= 27500 && r < 30000) return 5;
    if (r >= 17500 && r < 20000) return 4;
    if (r >= 12500 && r < 15000) return 3;
    if (r >= 7500 && r < 10000) return 2;
    if (r >= 3000 && r < 5000) return 1;
    return 0;
}

int nextStopAfter(const data::LineData& line, int i) {
    const int n = static_cast<int>(line.Station.size());
    if (i >= n) return -1;
    // An index before the first station (a save slot edited by hand) looks from the start.
    for (int k = std::max(i + 1, 0); k < n; ++k) {
        if (line.Station[static_cast<std::size_t>(k)].Kind != 1) return k;
    }
    return -1;
}

void leaveInsertedClip(StationContext& c) {
    auto& video = c.route.video;
    if (video.VideoMode != kVideoStationClip && video.VideoMode != kVideoTrackClip) return;
    openMainVideo(c.route);
    video.VideoMode = kVideoMain;
    video.ClipRecord = -1;
    video.ClipFrame = 0;
    video.LastFetched = -1;
}

void resetSignalsOutOfView(RouteContext& c) {
    auto& r = c.route;
    const int pos = r.RoutePosition;
    bool signalWindow = false;
    for (const auto& sig : c.line.Signal) {
        signalWindow = signalWindow || (sig.ViewFrame <= pos && pos < sig.Frame);
    }
    if (!signalWindow) resetSignalSprites(r);
    bool trafficWindow = false;
    for (const auto& t : c.line.TrafficSignal) {
        trafficWindow = trafficWindow || (t.FirstFrame <= pos && pos < t.LastFrame);
    }
    if (!trafficWindow) {
        r.trafficSprite.pattern = 0;
        r.trafficSprite2.pattern = 0;
        r.TrafficInView = -1;
    }
}

void clearRunProgress(StationContext& c) {
    c.route.line.clearRunFlags();
    if (c.onRunStart) c.onRunStart();
    for (int ch = 1; ch < sound::kChannelCount; ++ch) {
        if (c.route.mixer.Status(ch) != sound::ChannelStatus::Idle) c.route.mixer.Stop(ch);
    }
}

void resetHandlesKeepingDemands(vehicle::VehicleContext& v) {
    const bool emergency = v.state.EmergencyTrip;
    const bool vigilance = v.state.VigilanceTrip;
    const bool service = v.state.ServiceTrip;
    vehicle::resetHandles(v);
    v.state.EmergencyTrip = emergency;
    v.state.VigilanceTrip = vigilance;
    v.state.ServiceTrip = service;
}

void StationClick(StationContext& c, int s) {
    auto& line = c.route.line;
    auto& r = c.route.route;
    auto& st = c.stations;
    auto& v = c.vehicle.state;
    if (s < 0 || s >= stationCount(line)) return;
    const auto& station0 = line.Station[static_cast<std::size_t>(s)];

    st.AnnouncePointer = announcePointerFor(line, s);
    leaveInsertedClip(c);

    st.WindowCaption = line.LineName;
    v.Speed = 0;
    clearRunProgress(c);
    v.DoorsOpen = false;
    v.DoorCommand = false;
    v.DoorsClosedLit = true;

    r.RoutePosition = station0.StopFrame;
    st.StatusTextKey = -1;
    setStatus(c, s, true);

    r.Clock = runStartClock(line, c.route.sounds, s);
    st.ArrivalTime = r.Clock;
    // The start station is marked arrived by the start-station rule of the first frame, on
    // two-man and one-man lines alike: that rule also plays the first [SoundData] sound and sets
    // the departure marker.

    r.Pre.Position = precedingTrainStartPosition(line, r.Clock);
    r.Pre.Accumulator = 0;

    r.LineDistance = static_cast<long double>(station0.StopDistance);
    st.NextStopDistance = r.LineDistance;
    st.RemainingDistance = 0;
    st.NextStop = s;
    st.CurrentStation = s;
    st.StartStation = s;
    st.NextStationTexts = {station0.Name, station0.Name};
    st.ServiceEnd = false;
    st.BackRequested = false;
    st.BoardingText.clear();
    st.StopMarkerPattern = 0;
    ResetRouteState(c.route);
    ResetSafety(c.safety);
    resetHandlesKeepingDemands(c.vehicle);
    r.GradientText.clear();
    r.GradientTextUnsigned.clear();

    rebuildActiveCrossings(c.route);
    repositionVideo(c.route);

    resetSignalsOutOfView(c.route);

    vehicle::masconupdate(c.vehicle);
    c.route.event("run start " + std::to_string(s));
}

void UpdateStations(StationContext& c) {
    auto& s = c.stations;
    s.RemainingDistance = s.NextStopDistance - c.route.route.LineDistance;
    const int n = stationCount(c.route.line);
    bool ambienceWindow = false;
    for (int i = 0; i < n; ++i) {
        leaveZone(c, i);
        ambienceWindow = ambience(c, i) || ambienceWindow;
        enterZone(c, i);
        arrive(c, i);
        depart(c, i);
        closeDoors(c, i);
        endOfService(c, i);
    }
    if (!ambienceWindow) {
        for (const auto& st : c.route.line.Station) {
            if (ambientPlaying(c, st.AmbientSound)) stopAmbient(c, st.AmbientSound);
        }
    }
}

void OnFirstPower(StationContext& c) {
    stationCalls(c, kCallFirstPower, c.stations.CurrentStation);
}

void OnDoorsClosed(StationContext& c) {
    auto calls = c.calls();
    queueCallSlot(calls, 19);
    StationCalls(calls, kCallDoorsClosed, c.stations.CurrentStation);
}

bool SetDoorSide(StationContext& c, int side) {
    if (c.vehicle.state.DoorsOpen || side < 0 || side > 1) return false;
    const auto& oneMan = c.route.line.OneMan;
    if (oneMan.Mode > 0 && oneMan.ShowInfo == 1) {
        c.stations.DoorText = c.route.settings.Doors[static_cast<std::size_t>(side)];
    }
    return true;
}

std::string formatClock(std::int64_t ticks) {
    if (ticks < 0) ticks = 0;
    const std::int64_t hours = ticks / kTicksPerHour;
    const std::int64_t rest = (ticks % kTicksPerHour) / kTicksPerSecond;
    char text[32];
    std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld", static_cast<long long>(hours),
                  static_cast<long long>(rest / 60), static_cast<long long>(rest % 60));
    return text;
}

const std::string& timecalc(StationState& s, std::int64_t ticks) {
    if (ticks < 0) ticks = 0;
    const std::int64_t second = ticks / kTicksPerSecond;
    if (second == s.ClockTextSecond) return s.ClockText;
    s.ClockTextSecond = second;
    s.ClockText = formatClock(ticks);
    const std::int64_t hours = ticks / kTicksPerHour;
    const std::int64_t rest = (ticks % kTicksPerHour) / kTicksPerSecond;
    const double minutes = static_cast<double>(rest / 60);
    const double seconds = static_cast<double>(rest % 60);
    s.HourHand = static_cast<double>(hours) * 30 + minutes * 0.5;
    s.MinuteHand = minutes * 6 + seconds * 0.1;
    s.SecondHand = seconds * 6;
    return s.ClockText;
}

}  // namespace tressmoor::route
