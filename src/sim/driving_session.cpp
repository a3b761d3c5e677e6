#include "sim/driving_session.h"

#include <chrono>
#include <cmath>

#include "data/rounding.h"
#include "route/preceding_train.h"
#include "route/saves.h"
#include "route/route_update.h"
#include "route/video_position.h"
#include "sim/explanation.h"
#include "sim/sound_loading.h"
#include "sim/status_text.h"
#include "vehicle/air_brake.h"
#include "vehicle/doors.h"
#include "vehicle/engine.h"
#include "vehicle/forces.h"
#include "vehicle/handles.h"
#include "vehicle/vehicle_setup.h"

namespace tressmoor::sim {

using Kind = RecordedInput::Kind;

std::unique_ptr<DrivingSession> DrivingSession::create(const std::filesystem::path& programFolder,
                                                       const ServiceChoice& choice,
                                                       SessionPlatform platform,
                                                       SessionSinks sinks, DriveTaps taps) {
    // A recorded drive reads the store, the mixer and the video through the recorder's
    // stand-ins, a replayed one through the replayer's.
    const SessionPlatform used = taps.recorder != nullptr   ? taps.recorder->wrap(platform)
                                 : taps.replayer != nullptr ? taps.replayer->wrap(platform)
                                                            : platform;
    return build(programFolder, choice, used, std::move(sinks), taps);
}

std::unique_ptr<DrivingSession> DrivingSession::build(const std::filesystem::path& programFolder,
                                                      const ServiceChoice& choice,
                                                      SessionPlatform platform, SessionSinks sinks,
                                                      DriveTaps taps) {
    LoadedService service =
        LoadService(programFolder, choice, platform.store, platform.random, sinks.progress);
    if (sinks.progress) sinks.progress("運転台を描画しています");
    if (sinks.panelBuilder) sinks.panelBuilder(service);
    SoundFolders folders{trainFolderOf(programFolder, choice), programFolder};
    sound::SoundSet sounds =
        LoadSounds(service.train.spec, service.line, folders, platform.mixer, sinks.progress,
                   sinks.notice);
    std::unique_ptr<DrivingSession> session(
        new DrivingSession(std::move(service), std::move(sounds), platform, std::move(sinks)));
    session->runningSounds_.programFolder = programFolder;
    session->recorder_ = taps.recorder;
    session->replayer_ = taps.replayer;
    session->start();
    return session;
}

DrivingSession::DrivingSession(LoadedService service, sound::SoundSet sounds,
                               SessionPlatform platform, SessionSinks sinks)
    : service_(std::move(service)),
      sounds_(std::move(sounds)),
      platform_(platform),
      sinks_(std::move(sinks)),
      vehicle_(service_.train.spec, service_.settings, platform.mixer, state_.vehicle,
               state_.load),
      route_{.line = service_.line,
             .spec = service_.train.spec,
             .settings = service_.settings,
             .vehicle = state_.vehicle,
             .load = state_.load,
             .route = state_.route,
             .video = state_.video,
             .mixer = platform.mixer,
             .sounds = sounds_,
             .calls = calls_,
             .random = platform.random,
             .videoSource = platform.video,
             .frame = timing_,
             .onEvent = sinks_.event,
             .onSignalInView = {}},
      safety_{route_, vehicle_, state_.safety},
      stations_{.route = route_,
                .vehicle = vehicle_,
                .safety = safety_,
                .stations = state_.stations,
                .callState = state_.calls,
                .Door_operate = {},
                .onRunStart = {},
                .serviceStartStation = service_.choice.StartStation,
                .serviceEndStation = service_.choice.StationLimit},
      runningSounds_{.spec = service_.train.spec,
                     .line = service_.line,
                     .sounds = sounds_,
                     .mixer = platform.mixer,
                     .vehicle = state_.vehicle,
                     .vehicleRules = vehicle_,
                     .load = state_.load,
                     .route = state_.route,
                     .safety = state_.safety,
                     .stations = state_.stations,
                     .state = state_.sounds,
                     .vigilanceMs = state_.VigilanceMs,
                     .ebLamp = state_.EbLamp,
                     .eventCommand = state_.Explanation,
                     .announcePointer = state_.stations.AnnouncePointer,
                     .atsDisabled = service_.options.ATS == 1,
                     .programFolder = {},
                     .onEvent = sinks_.event} {
    state_.sounds = sound::RunningSoundState::forDrive(service_.train.spec, service_.line);
    stations_.onRunStart = [this] { sound::ResetRunLatches(state_.sounds); };
    route_.onSignalInView = [this](int signal) { route::CheckSignalInView(safety_, signal); };
    stations_.Door_operate = [this] { runDoorOperation(); };
    state_.safety.Log.onLine = sinks_.event;
    calls_.onPlay = [this](const sound::Wave*) {
        if (sinks_.event) sinks_.event("call played");
    };
}

DrivingSession::~DrivingSession() {
    ReleaseSounds(sounds_, platform_.mixer);
    if (recorder_ != nullptr) recorder_->finish();
}

void DrivingSession::start() {
    if (sinks_.progress) sinks_.progress("環境をセットアップしています");
    const auto& spec = service_.train.spec;
    // The door lamp decides how closing completes; the notch-strip cell counts come from the
    // pictures and are set by the view that loads them.
    vehicle_.hasDoorLamp = !service_.train.panel.Lamp_Door.file.empty();
    vehicle_.ammeterDoubling = vehicle::ammeterDoublesFor(service_.choice.TrainFile);

    const int code = route::openMainVideo(route_);
    if (code != route::kVideoOpened && sinks_.notice) {
        sinks_.notice(route::videoOpenMessage(code, route::mainVideoPath(route_)));
        const std::string hint = route::videoOpenHint(code);
        if (!hint.empty()) sinks_.notice(hint);
    }
    sound::ReportBadSoundNumbers(spec, platform_.mixer);
    route::InitRouteState(route_);
    route::startVideo(route_);
    state_.load = vehicle::computeTrainLoad(spec, service_.choice.StartStation, 0);
    vehicle::initialiseVehicle(vehicle_);
    route::InitSafety(safety_, service_.options.ATS != 1);
    route::StationClick(stations_, service_.choice.StartStation);
    vehicle::masconupdate(vehicle_);
    state_.StopLinesHidden = service_.options.ATS == 1;
    state_.input.Created = true;
    state_.Running = true;
}

void DrivingSession::beginFrame(long double dtMs, int fps) {
    if (recorder_ != nullptr) recorder_->beginFrame(dtMs, fps);
    const Nested nested(inputDepth_);
    // A paused drive processes no frames at all.
    if (!state_.Running) return;
    timing_.dtMs = dtMs;
    timing_.fps = fps;
    // The line gives no passenger counts, so the empty-train values apply.
    state_.load = vehicle::computeTrainLoad(service_.train.spec, state_.stations.CurrentStation, 0);
    state_.PanelShake = vehicle::panelShakeOffset(state_.vehicle);
    state_.FrameStartAccel = vehicle::frameStartAcceleration(state_.vehicle, state_.load);
    // The compressor runs with the frame, not with the physics step.
    vehicle::compressorStep(vehicle_, timing_.dtMs);
    route::advanceVideo(route_);
    route::SafetyKeyHeld(safety_, state_.input.SafetyKey);
    sound::UpdateHorns(runningSounds_, state_.input.HornKey1 || state_.input.ControllerHorn,
                       state_.input.HornKey2);
    placeStopLines();
    route::placeRemainIndicator(route_, state_.stations.RemainingDistance);
}

namespace {

using SteadyClock = std::chrono::steady_clock;

double microsecondsSince(SteadyClock::time_point& mark) {
    const auto now = SteadyClock::now();
    const double us = std::chrono::duration<double, std::micro>(now - mark).count();
    mark = now;
    return us;
}

}  // namespace

void DrivingSession::endFrame() {
    if (recorder_ != nullptr) recorder_->endFrame();
    const Nested nested(inputDepth_);
    auto mark = SteadyClock::now();
    timings_ = {};
    if (state_.video.StepEnabled && state_.Running) {
        vehicle::KeisanInputs in;
        in.dtMs = timing_.dtMs;
        in.fps = timing_.fps;
        in.gradient = state_.route.EffectiveGradient;
        in.inTunnel = state_.route.InTunnel;
        in.tunnelResistance = service_.line.TunnelR;
        in.friction = service_.line.Friction;
        in.lineVoltage = state_.route.LineVoltage;
        in.speedFreeze = speedFreeze_;
        state_.vehicle.EngineKey = state_.input.EngineSwitchKey;
        vehicle::keisan(vehicle_, in);
        if (state_.input.FollowVideoSpeed) state_.vehicle.Speed = state_.video.ProjectedSpeed;
        route::MotionStep(route_);
        route::UpdatePrecedingTrain(route_, timing_.dtMs);
    }
    timings_.physicsUs = microsecondsSince(mark);
    if (!state_.Running) return;

    // The per-frame update: the joystick, route, safety system, stations, then the doors, the
    // engine, the clips and the call queue (drained last).
    if (input::isJoystickType(controllerType_)) pollJoystick();
    state_.route.RemainingDistance = state_.stations.RemainingDistance;
    route::UpdateRoute(route_);
    route::UpdateSafety(safety_);
    route::UpdateStations(stations_);
    BuildExplanation({service_.line, service_.train.spec, service_.settings, service_.options,
                      platform_.mixer, sounds_, service_.choice.StationLimit},
                     state_, state_.Explanation);
    vehicle::doorFrameUpdate(vehicle_);
    vehicle::engineFrameUpdate(vehicle_, timing_.dtMs);
    handleVehicleEvents();
    route::updateClips(route_);
    route::timecalc(state_.stations, state_.route.Clock);
    timings_.updateUs = microsecondsSince(mark);
    sound::UpdateRunningSounds(runningSounds_, timing_.dtMs);
    calls_.kanko_queue_play(platform_.mixer, sounds_.callChannel(), service_.options.Kanko == 1);
    platform_.mixer.advance(static_cast<double>(timing_.dtMs));
    timings_.soundUs = microsecondsSince(mark);
    UpdateStatusTexts({service_.line, service_.settings, service_.options}, state_);
    timings_.updateUs += microsecondsSince(mark);
}

void DrivingSession::handleVehicleEvents() {
    auto& events = state_.vehicle.Events;
    if (events.departureCall) {
        events.departureCall = false;
        route::OnFirstPower(stations_);
    }
    if (events.doorsClosed) {
        events.doorsClosed = false;
        if (sinks_.event) sinks_.event("doors closed");
        route::OnDoorsClosed(stations_);
    }
    if (events.stalled) {
        events.stalled = false;
        if (sinks_.event) sinks_.event("engine stalled");
    }
    events.clearCarCountText = false;
    events.stepChangeSound = false;
}

void DrivingSession::runDoorOperation() {
    const auto& line = service_.line;
    vehicle::DoorOperateInputs in;
    in.oneMan = line.OneMan.Mode > 0;
    const int station = state_.stations.CurrentStation;
    if (station >= 0 && station < static_cast<int>(line.Station.size())) {
        in.soundChance = line.Station[static_cast<std::size_t>(station)].DoorSoundChance;
    }
    in.drawnRandom = state_.stations.DoorSoundRoll;
    const bool wasOpen = state_.vehicle.DoorsOpen;
    vehicle::Door_operate(vehicle_, in);
    if (sinks_.event && state_.vehicle.DoorsOpen != wasOpen) sinks_.event("doors open");
}

void DrivingSession::setOptions(const data::UserOptions& options) {
    if (!accept([&] {
            RecordedInput in = RecordedInput::of(Kind::Options);
            in.options = options;
            return in;
        })) {
        return;
    }
    const Nested nested(inputDepth_);
    const int ats = service_.options.ATS;
    service_.options = options;
    service_.options.ATS = ats;
}

void DrivingSession::setStopLinesHidden(bool hidden) {
    if (!accept([&] { return RecordedInput::of(Kind::StopLinesHidden, hidden ? 1 : 0); })) return;
    const Nested nested(inputDepth_);
    state_.StopLinesHidden = hidden;
    placeStopLines();
}

void DrivingSession::placeStopLines() {
    const auto& line = service_.line;
    const int next = state_.stations.NextStop;
    const int tolerance = next >= 0 && next < static_cast<int>(line.Station.size())
                              ? line.Station[static_cast<std::size_t>(next)].ZoneHalfLength
                              : 0;
    route::placeStopLines(route_, state_.stations.RemainingDistance, tolerance,
                          state_.StopLinesHidden);
}

void DrivingSession::setSpeedFreeze(bool on) {
    if (!accept([&] { return RecordedInput::of(Kind::SpeedFreeze, on ? 1 : 0); })) return;
    speedFreeze_ = on;
}

void DrivingSession::setStripCells(const vehicle::StripCells& cells) {
    if (!accept([&] {
            RecordedInput in = RecordedInput::of(Kind::StripCells);
            in.cells = cells;
            return in;
        })) {
        return;
    }
    const Nested nested(inputDepth_);
    vehicle_.strips = cells;
    vehicle::masconupdate(vehicle_);
}

void DrivingSession::setHeldKeys(bool horn1, bool horn2, bool safety) {
    // Held keys are sampled every frame; only a change is an input worth recording.
    auto& held = state_.input;
    if (held.HornKey1 == horn1 && held.HornKey2 == horn2 && held.SafetyKey == safety) return;
    if (!accept([&] {
            RecordedInput in = RecordedInput::of(Kind::Held);
            in.held = {horn1, horn2, safety};
            return in;
        })) {
        return;
    }
    state_.input.HornKey1 = horn1;
    state_.input.HornKey2 = horn2;
    state_.input.SafetyKey = safety;
}

void DrivingSession::setPaused(bool paused) {
    if (!accept([&] { return RecordedInput::of(Kind::Pause, paused ? 1 : 0); })) return;
    const Nested nested(inputDepth_);
    auto& mixer = platform_.mixer;
    if (paused && state_.Running) {
        for (int c = 0; c < sound::kChannelCount; ++c) {
            auto& saved = pausedChannels_[static_cast<std::size_t>(c)];
            saved = mixer.hasWave(c) ? mixer.Status(c) : sound::ChannelStatus::Idle;
            if (saved != sound::ChannelStatus::Idle) mixer.Stop(c);
        }
        state_.Running = false;
        route::pauseVideo(route_);
    } else if (!paused && !state_.Running) {
        state_.Running = true;
        for (int c = 0; c < sound::kChannelCount; ++c) {
            const auto saved = pausedChannels_[static_cast<std::size_t>(c)];
            if (saved == sound::ChannelStatus::Once) {
                mixer.Stop(c);
                mixer.Play(c);
            } else if (saved == sound::ChannelStatus::Looping) {
                mixer.Stop(c);
                mixer.LoopPlay(c);
            }
        }
        pausedChannels_.fill(sound::ChannelStatus::Idle);
    }
}

std::string DrivingSession::save(int slot) {
    if (!accept([&] { return RecordedInput::of(Kind::Save, slot); })) return {};
    const Nested nested(inputDepth_);
    return route::S2Click(stations_, platform_.store, slot, service_.choice.LineFile);
}

std::string DrivingSession::load(int slot) {
    if (!accept([&] { return RecordedInput::of(Kind::Load, slot); })) return {};
    const Nested nested(inputDepth_);
    return route::L1Click(stations_, platform_.store, slot, service_.choice.LineFile).message;
}

void DrivingSession::StationClick(int index) {
    if (!accept([&] { return RecordedInput::of(Kind::Station, index); })) return;
    const Nested nested(inputDepth_);
    route::StationClick(stations_, index);
    route::repositionVideo(route_);
}

}  // namespace tressmoor::sim
