// The per-frame running-sound step with every sound of the first sample service loaded: the
// train is moved along the whole line so that positional, point, Doppler and announcement
// windows are passed, with the motor and brake sounds running.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "data/random_source.h"
#include "data/settings_store.h"
#include "route/video_source.h"
#include "sim/driving_session.h"
#include "sound/memory_mixer.h"
#include "sound/rules/running_sounds.h"

namespace {

namespace sim = tressmoor::sim;
namespace sound = tressmoor::sound;
namespace data = tressmoor::data;
namespace route = tressmoor::route;

/// The sample program folder: TRESSMOOR_PROGDATA (set by scripts/run-benchmarks), or
/// build/data.
std::filesystem::path programFolder() {
    const char* env = std::getenv("TRESSMOOR_PROGDATA");
    return env != nullptr ? std::filesystem::path(env) : std::filesystem::path("build/data");
}

void BM_RunningSoundsFrame(benchmark::State& bench) {
    const auto folder = programFolder();
    if (!std::filesystem::exists(folder / "line_kelvane1.dat")) {
        bench.SkipWithError("no sample program folder (make content, or set TRESSMOOR_PROGDATA)");
        return;
    }
    sound::MemoryMixer mixer;
    route::NullVideoSource video;
    data::MemorySettingsStore store;
    data::SeededRandom random(1);
    auto session = sim::DrivingSession::create(folder, sim::ServiceChoice::forService(0),
                                               {mixer, video, store, random}, {});
    // Power away from the first station so that the motor sounds run.
    session->keyPress('5');
    for (int i = 0; i < 4; ++i) session->keyPress('8');
    for (int f = 0; f < 600; ++f) {
        session->beginFrame(1000.0L / 60, 60);
        session->endFrame();
    }

    sim::SimState& s = session->mutableState();
    const auto& service = session->service();
    const auto& line = service.line;
    std::string command;
    vehicle::VehicleContext rules(service.train.spec, service.settings, mixer, s.vehicle, s.load);
    sound::RunningSoundContext c{.spec = service.train.spec,
                                 .line = line,
                                 .sounds = session->sounds(),
                                 .mixer = mixer,
                                 .vehicle = s.vehicle,
                                 .vehicleRules = rules,
                                 .load = s.load,
                                 .route = s.route,
                                 .safety = s.safety,
                                 .stations = s.stations,
                                 .state = s.sounds,
                                 .vigilanceMs = s.VigilanceMs,
                                 .ebLamp = s.EbLamp,
                                 .eventCommand = command,
                                 .announcePointer = s.stations.AnnouncePointer,
                                 .atsDisabled = false,
                                 .programFolder = folder,
                                 .onEvent = {}};
    int lastFrame = 0;
    for (const auto& st : line.Station) lastFrame = std::max(lastFrame, st.StopFrame);
    int frame = 0;
    for (auto _ : bench) {
        frame = (frame + 5) % (lastFrame + 1);
        s.route.RoutePosition = frame;
        s.route.LineDistance = static_cast<long double>(line.FrameToDistance(frame));
        sound::UpdateRunningSounds(c, 1000.0L / 60);
        mixer.advance(1000.0 / 60);
    }
    bench.counters["sound_entries"] = static_cast<double>(line.Sound.size());
    bench.counters["switches"] = static_cast<double>(line.Switch.size());
    bench.counters["doppler"] = static_cast<double>(line.Doppler.size());
}
BENCHMARK(BM_RunningSoundsFrame)->Unit(benchmark::kMicrosecond);

}  // namespace
