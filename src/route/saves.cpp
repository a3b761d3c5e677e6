// The three save slots of a run: snapshot strings, menu captions, saving and restoring.
#include "route/saves.h"

#include <algorithm>
#include <cmath>

#include "data/fields.h"
#include "data/rounding.h"
#include "route/route_update.h"
#include "route/safety.h"
#include "route/video_position.h"
#include "vehicle/handles.h"

namespace tressmoor::route {

namespace {

using data::kOptionsStore;
using data::roundTiesEven;

std::string conversionError(const std::string& field) {
    return "'" + field + "' は数値に変換できません";
}

bool validSlot(int slot) {
    return slot >= 1 && slot <= kSaveSlots;
}

}  // namespace

std::string slotValueName(int slot) {
    return "Save" + std::to_string(slot);
}
std::string slotTitleName(int slot) {
    return "Save" + std::to_string(slot) + "Title";
}

std::string snapshotString(const SaveSnapshot& s) {
    return s.lineFile + "," + std::to_string(s.station) + "," +
           std::to_string(roundTiesEven(s.speed)) + "," + std::to_string(s.routePosition) + "," +
           std::to_string(s.clock) + "," + std::to_string(roundTiesEven(s.lineDistance)) + "," +
           std::to_string(s.precedingPosition);
}

std::optional<SaveSnapshot> parseSnapshot(const std::string& text, std::string& error) {
    SaveSnapshot s;
    s.lineFile = data::FieldOf(text, 1);
    const auto integer = [&](int n, auto& out) {
        const std::string field = data::FieldOf(text, n);
        const auto value = data::parseInt(field);
        if (!value) {
            error = conversionError(field);
            return false;
        }
        out = *value;
        return true;
    };
    const auto real = [&](int n, long double& out) {
        const std::string field = data::FieldOf(text, n);
        const auto value = data::parseReal(field);
        // The program writes speed and distance as 64-bit whole numbers; a slot beyond that range
        // was not written by it and would leave the run with distances no line has.
        if (!value || std::fabs(*value) > 0x1p63L) {
            error = conversionError(field);
            return false;
        }
        out = *value;
        return true;
    };
    if (!integer(2, s.station) || !real(3, s.speed) || !integer(4, s.routePosition) ||
        !integer(5, s.clock) || !real(6, s.lineDistance) || !integer(7, s.precedingPosition)) {
        return std::nullopt;
    }
    return s;
}

std::string snapshotTitle(const data::LineData& line, long double lineDistance) {
    const int n = static_cast<int>(line.Station.size());
    for (int a = 0; a < n; ++a) {
        const auto& here = line.Station[static_cast<std::size_t>(a)];
        if (!(static_cast<long double>(here.StopDistance) <= lineDistance)) continue;
        const bool last = a == n - 1;
        if (!last) {
            const auto& next = line.Station[static_cast<std::size_t>(a + 1)];
            if (!(lineDistance < static_cast<long double>(next.StopDistance))) continue;
            return line.LineName2 + "（" + here.Name + "～" + next.Name + "）";
        }
        return line.LineName2 + "（" + here.Name + "～）";
    }
    return "";
}

SaveSnapshot captureSnapshot(const StationContext& c, const std::string& lineFile) {
    const auto& r = c.route.route;
    SaveSnapshot s;
    s.lineFile = lineFile;
    s.station = c.stations.CurrentStation;
    s.speed = c.vehicle.state.Speed;
    s.routePosition = r.RoutePosition;
    s.clock = r.Clock;
    s.lineDistance = r.LineDistance;
    s.precedingPosition = r.Pre.Position;
    return s;
}

SaveMenu Saveloadclick(data::SettingsStore& store) {
    SaveMenu menu;
    for (int slot = 1; slot <= kSaveSlots; ++slot) {
        const auto title = store.readString(kOptionsStore, slotTitleName(slot)).value_or("");
        auto& load = menu.load[static_cast<std::size_t>(slot - 1)];
        auto& save = menu.save[static_cast<std::size_t>(slot - 1)];
        load.caption = title.empty() ? kNoDataCaption : title;
        load.enabled = !title.empty();
        save.caption = load.caption;
        save.enabled = true;
    }
    return menu;
}

std::string S2Click(StationContext& c, data::SettingsStore& store, int slot,
                    const std::string& lineFile) {
    if (validSlot(slot)) {
        const SaveSnapshot snap = captureSnapshot(c, lineFile);
        // A store that cannot be written keeps its old values; the message is the same.
        store.writeString(kOptionsStore, slotValueName(slot), snapshotString(snap));
        store.writeString(kOptionsStore, slotTitleName(slot),
                          snapshotTitle(c.route.line, c.route.route.LineDistance));
        c.route.event("saved slot " + std::to_string(slot));
    }
    return kSavedMessage;
}

RestoreResult L1Click(StationContext& c, data::SettingsStore& store, int slot,
                      const std::string& lineFile) {
    RestoreResult result;
    const auto text =
        validSlot(slot) ? store.readString(kOptionsStore, slotValueName(slot)) : std::nullopt;
    if (!text || text->empty()) {
        result.message = kNothingSavedMessage;
        return result;
    }
    std::string error;
    const auto snap = parseSnapshot(*text, error);
    if (!snap) {
        result.message = error;
        return result;
    }
    if (snap->lineFile != lineFile) {
        result.message = kOtherLineMessage;
        return result;
    }
    restoreSnapshot(c, *snap);
    result.restored = true;
    c.route.event("restored slot " + std::to_string(slot));
    return result;
}

void restoreSnapshot(StationContext& c, const SaveSnapshot& snap) {
    auto& line = c.route.line;
    auto& r = c.route.route;
    auto& st = c.stations;
    auto& v = c.vehicle.state;
    const int n = static_cast<int>(line.Station.size());
    // A slot value is text in the user's settings: a station index the line does not have is
    // taken as the nearest station it has.
    const int station = std::clamp(snap.station, 0, std::max(n - 1, 0));

    // Stopping places passed before the saved station.
    int passedStops = 0;
    for (int i = 0; i < snap.station && i < n; ++i) {
        if (line.Station[static_cast<std::size_t>(i)].Kind == 0) ++passedStops;
    }

    leaveInsertedClip(c);
    st.WindowCaption = line.LineName;
    v.Speed = std::isfinite(static_cast<double>(snap.speed)) ? snap.speed : 0;
    clearRunProgress(c);
    v.DoorsOpen = false;
    v.DoorCommand = false;
    v.DoorsClosedLit = true;

    r.RoutePosition = snap.routePosition;
    r.Clock = std::max<std::int64_t>(snap.clock, 0);
    r.Pre.Position = snap.precedingPosition;
    r.Pre.Accumulator = 0;
    st.CurrentStation = station;
    r.PreviousDisplayFrame = kForceSignalUpdate;
    r.Gradient = data::fixed4{};
    r.GradientText = "L";
    r.GradientTextUnsigned = "L";
    st.ServiceEnd = false;
    st.BackRequested = false;
    st.StatusTextKey = -1;

    if (snap.speed > 0) {
        // Running: handles off and the brake released at once.
        v.PowerHandle = 0;
        v.Power = 0;
        v.Holding = false;
        v.BrakeHandle = 0;
        v.BrakeCommand = 0;
        v.SapCommand = 0;
        v.EBrakeCommand = 0;
        vehicle::setAllPending(v);
    } else {
        resetHandlesKeepingDemands(c.vehicle);
    }

    r.LineDistance = snap.lineDistance;
    r.LastSampleDistance = snap.lineDistance;
    // As at a run start: nothing pending, and the point checks behind the restored position
    // count as made (the run progress cleared above cleared them all).
    ResetSafety(c.safety);

    const int next = nextStopAfter(line, station);
    if (next >= 0) {
        st.NextStop = next;
        st.NextStopDistance =
            static_cast<long double>(line.Station[static_cast<std::size_t>(next)].StopDistance);
        const auto& name = line.Station[static_cast<std::size_t>(next)].Name;
        st.NextStationTexts = {name, name};
    }
    st.RemainingDistance = st.NextStopDistance - r.LineDistance;
    st.AnnouncePointer = 2 * passedStops + 1;

    rebuildActiveCrossings(c.route);
    resetSignalsOutOfView(c.route);
    // The saved distance belongs to the saved frame: only the segment and the recording speed
    // are taken again, the distance is not moved to a segment boundary.
    repositionVideo(c.route);
    vehicle::masconupdate(c.vehicle);
}

}  // namespace tressmoor::route
