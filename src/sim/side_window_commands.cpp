// The driving session's commands from the side windows: the train-settings dialog's switches and
// the value display's debugging buttons.
#include "data/line_file.h"
#include "data/random_source.h"
#include "route/safety.h"
#include "sim/driving_session.h"
#include "sim/side_windows.h"
#include "vehicle/engine.h"

namespace tressmoor::sim {

using Kind = RecordedInput::Kind;

void DrivingSession::trainSettingsAts(bool on) {
    if (!accept([&] { return RecordedInput::of(Kind::TrainAts, on ? 1 : 0); })) return;
    const Nested nested(inputDepth_);
    route::SetSafetyOn(safety_, on);
}

int DrivingSession::trainSettingsEngine(int choice) {
    if (!accept([&] { return RecordedInput::of(Kind::TrainEngine, choice); })) {
        return engineChoiceOf(state_.vehicle.EngineState);
    }
    const Nested nested(inputDepth_);
    switch (choice) {
        case kEngineStart:
            return vehicle::TrainSettingsEngineStart(vehicle_);
        case kEngineOff:
            vehicle::TrainSettingsEngineOff(vehicle_);
            break;
        default:
            break;
    }
    return engineChoiceOf(state_.vehicle.EngineState);
}

void DrivingSession::reloadSpeedUnit(const std::filesystem::path& programFolder) {
    if (!accept([&] { return RecordedInput::of(Kind::ReloadSpeedUnit); })) return;
    const Nested nested(inputDepth_);
    // The preceding train's delays of the fresh copy are drawn from a random source of its own,
    // so that reading the table again leaves the drive's random sequence as it was.
    data::SeededRandom random(0);
    const data::LineData fresh =
        data::LoadLineFile(programFolder, service_.choice.LineFile, service_.choice.TrainFile,
                           service_.settings.VideoFps, random);
    service_.line.SpeedUnit = fresh.SpeedUnit;
    data::DeriveLineData(service_.line);
}

}  // namespace tressmoor::sim
