// The value of a save slot as the settings store holds it: the Load menu item either refuses it
// with a message or restores the run from it, and the run then goes on. The line is a small
// one of three stations; the slot value is the input.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "data/settings_store.h"
#include "route/route_update.h"
#include "route/saves.h"
#include "route/stations.h"
#include "station_test_world.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tressmoor;
    const std::string text(reinterpret_cast<const char*>(data), size);

    route::testing::StationWorld w;
    w.segment(0, 40000, 60, 60);
    w.line.LineName = "テスト線";
    w.line.LineName2 = "本線";
    w.station("A", 100);
    w.station("P", 4000).Kind = 1;
    w.station("B", 9000);
    w.derive();
    route::InitRouteState(w.ctx);
    route::StationClick(w.st, 0);
    data::MemorySettingsStore store;
    store.writeString(data::kOptionsStore, route::slotValueName(1), text);

    if (text.empty()) {
        // An empty value is an empty slot.
        if (route::L1Click(w.st, store, 1, "").message != route::kNothingSavedMessage) {
            __builtin_trap();
        }
        return 0;
    }
    std::string error;
    const auto snap = route::parseSnapshot(text, error);
    if (!snap) {
        if (error.empty()) __builtin_trap();
        return 0;
    }
    // Numbers read from a slot read the same once written again.
    std::string again;
    const auto back = route::parseSnapshot(route::snapshotString(*snap), again);
    if (!back || back->station != snap->station || back->routePosition != snap->routePosition ||
        back->clock != snap->clock || back->precedingPosition != snap->precedingPosition) {
        __builtin_trap();
    }

    const auto result = route::L1Click(w.st, store, 1, snap->lineFile);
    if (!result.restored) __builtin_trap();
    route::Saveloadclick(store);
    // A few frames of running from the restored place.
    for (int frame = 0; frame < 4; ++frame) route::UpdateRoute(w.ctx);
    if (!std::isfinite(static_cast<double>(w.route.LineDistance))) __builtin_trap();
    return 0;
}
