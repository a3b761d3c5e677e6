// Calls bound to signals, stations and timing points, the on-time call and the call key.
#include "route/calls.h"

#include <string>

#include "data/rounding.h"
#include "route/route_update.h"

namespace tressmoor::route {

namespace {

/// Highest value of a call record that names a call slot; 999 runs the call key; 1000 and up
/// are scheduled times.
constexpr int kLastSlotValue = 998;
constexpr int kCallKeyValue = 999;
/// Call queued before the first-power calls of a station.
constexpr int kFirstPowerSlot = 20;

/// Display codes of the stop aspect call (slot 0); a suppressing record ends the scan there.
bool suppressesAt(int displayCode) {
    switch (displayCode) {
        case 1:
        case 7:
        case 10:
        case 13:
        case 17:
        case 21:
        case 26:
        case 30:
            return true;
        default:
            return false;
    }
}

/// The last code of the signal-aspect calls; higher codes (and 999, no signal) give none.
constexpr int kLastAspectCode = 34;

bool hasWave(const std::vector<std::shared_ptr<sound::Wave>>& list, int index) {
    return index >= 0 && index < static_cast<int>(list.size()) &&
           list[static_cast<std::size_t>(index)] != nullptr;
}

int dedupKey(const CallContext& c, int index) {
    const auto& s = c.route.sounds;
    return index + s.nDrive() + s.nAmbient() + s.callTableEnd;
}

}  // namespace

void queueCallSlot(CallContext& c, int slot) {
    if (slot < 0 || slot >= sound::kCallSlots) return;
    c.route.calls.kanko_queue_add(c.route.sounds.call(slot));
    c.route.event("call " + std::to_string(slot));
}

void Timekanko(CallContext& c, std::int64_t scheduled, int /*kind*/) {
    const int slot = sound::timeCallSlot(c.route.route.Clock, scheduled);
    if (slot >= 0) queueCallSlot(c, slot);
}

void Timecheck(CallContext& c, int selector) {
    if (selector != 0) return;
    const int pos = c.route.route.RoutePosition;
    for (const auto& t : c.route.line.Time) {
        if (t.FirstFrame < pos && pos < t.LastFrame) Timekanko(c, t.Value, 1);
    }
}

void kanko_add(CallContext& c, int mode) {
    const int signal = c.route.route.CurrentSignal;
    const int code = c.route.route.CurrentDisplayFrame;
    for (const auto& r : c.route.line.SignalKanko) {
        if (r.Signal != signal) continue;
        const bool slotRecord = (mode == 1 && r.Kind == 0) || (mode == 2 && r.Kind == 2);
        if (slotRecord) {
            if (r.Suppress == 1 && suppressesAt(code)) return;
            if (r.Value <= kLastSlotValue) queueCallSlot(c, r.Value);
        } else if (mode == 2 && r.Kind == 1) {
            if (r.Suppress == 1 && suppressesAt(code)) return;
            if (r.Value > kLastSlotValue) {
                Timekanko(c, r.Value, 0);
            } else {
                queueCallSlot(c, r.Value);
            }
        }
    }
}

void StationCalls(CallContext& c, int kind, int station) {
    if (kind == kCallFirstPower) queueCallSlot(c, kFirstPowerSlot);
    for (const auto& r : c.route.line.StationKanko) {
        if (r.Station != station || r.Kind != kind) continue;
        if (r.Value <= kLastSlotValue) {
            queueCallSlot(c, r.Value);
        } else if (r.Value == kCallKeyValue) {
            CallKey(c);
        } else {
            Timekanko(c, r.Value, 0);
        }
    }
}

void StationCalls(CallContext& c, int kind) {
    StationCalls(c, kind, c.stations.CurrentStation);
}

void CallKey(CallContext& c) {
    auto& r = c.route.route;
    auto& s = c.state;
    const auto& sounds = c.route.sounds;

    // 1. A pending other call (or the time check).
    const int other = r.PendingOtherCall;
    if (other != kNone && (other == kTimeCheckCall || hasWave(sounds.otherCalls, other))) {
        const int key = dedupKey(c, other);
        if (key != s.LastCallKey) {
            if (other == kTimeCheckCall) {
                Timecheck(c, 0);
            } else {
                c.route.calls.kanko_queue_add(sounds.otherCalls[static_cast<std::size_t>(other)]);
                c.route.event("call other " + std::to_string(other));
            }
            s.LastCallKey = key;
            return;
        }
    } else {
        // 2 and 3. A pending limit call while running.
        const int limit = r.PendingLimitCall;
        const bool moving = data::roundTiesEven(c.route.vehicle.Speed) != 0;
        if (limit != kNone && hasWave(sounds.limitCalls, limit) && moving &&
            (r.LimitCallEnable1 || r.LimitCallEnable2)) {
            const int key = dedupKey(c, limit);
            if (key != s.LastCallKey) {
                c.route.calls.kanko_queue_add(sounds.limitCalls[static_cast<std::size_t>(limit)]);
                c.route.event("call limit " + std::to_string(limit));
                s.LastCallKey = key;
                return;
            }
        }
    }

    // 4. The aspect of the signal in view.
    const bool atRest = data::roundTiesEven(c.route.vehicle.Speed) == 0;
    bool stopMarker = false;
    for (const auto& line : c.route.video.stopLines) stopMarker = stopMarker || line.visible;
    if (r.PendingAspectCount <= 0 || atRest || stopMarker) {
        const int code = r.CurrentDisplayFrame;
        if (code > kLastAspectCode || code < 0) return;
        kanko_add(c, 1);
        const int slot = aspectCallSlot(code);
        if (slot >= 0) queueCallSlot(c, slot);
        kanko_add(c, 2);
        return;
    }

    // 5. The head of the pending aspect list.
    queueCallSlot(c, r.PendingAspect[0]);
    for (int i = 1; i < r.PendingAspectCount && i < kPendingAspectSlots; ++i) {
        r.PendingAspect[static_cast<std::size_t>(i - 1)] =
            r.PendingAspect[static_cast<std::size_t>(i)];
    }
    --r.PendingAspectCount;
}

}  // namespace tressmoor::route
