// Calls bound to signals, stations and timing points, the on-time call and the call key.
#pragma once

#include <cstdint>

#include "route/route_context.h"
#include "route/station_state.h"

namespace tressmoor::route {

/// What the call rules act on.
struct CallContext {
    RouteContext& route;
    CallState& state;
    const StationState& stations;
};

/// Queues call slot `slot` (nothing for a slot outside the call table).
void queueCallSlot(CallContext& c, int slot);

/// The on-time or lateness call for `scheduled` (ticks) against the clock; `kind` 0 or 1 behave
/// alike.
void Timekanko(CallContext& c, std::int64_t scheduled, int kind);

/// Selector 0: the on-time call of every [Time] window holding the route position (strict).
void Timecheck(CallContext& c, int selector);

/// The [SignalKanko] calls of the signal in view: 1 = kind-0 records, 2 = kind-2 and kind-1
/// records (a kind-1 time value gives the on-time call).
void kanko_add(CallContext& c, int mode);

/// The [StationKanko] calls of `station` for `kind` (StationCallKind). The first-power kind
/// queues call 20 first.
void StationCalls(CallContext& c, int kind, int station);
/// Same for the current station.
void StationCalls(CallContext& c, int kind);

/// The call key (Enter).
void CallKey(CallContext& c);

}  // namespace tressmoor::route
