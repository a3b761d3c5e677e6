// DrivingSession: one drive, from loading its data to the last frame.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "data/random_source.h"
#include "data/settings_store.h"
#include "input/controllers.h"
#include "input/keys.h"
#include "route/calls.h"
#include "route/route_context.h"
#include "route/safety.h"
#include "route/stations.h"
#include "route/video_source.h"
#include "sim/drive_record.h"
#include "sim/service.h"
#include "sim/sim_state.h"
#include "sound/call_queue.h"
#include "sound/mixer.h"
#include "sound/rules/running_sounds.h"
#include "sound/sound_set.h"
#include "vehicle/vehicle_context.h"

namespace tressmoor::sim {

/// The platform pieces a drive runs on; they outlive the session.
struct SessionPlatform {
    sound::Mixer& mixer;
    route::VideoSource& video;
    data::SettingsStore& store;
    data::RandomSource& random;
};

/// Things worth telling while a drive is built and run.
struct SessionSinks {
    ProgressSink progress;  ///< loading progress texts
    /// Events of the drive (arrivals, doors, calls, safety-system log lines …), one line each.
    std::function<void(std::string_view)> event;
    /// Messages the desktop program shows in a message box and then carries on (a route video
    /// that cannot be opened).
    std::function<void(const std::string&)> notice;
    /// Builds the cab panel's pictures once the data files are read and before the route video
    /// and the sounds are opened; throws data::FatalError for a picture that cannot be made.
    std::function<void(const LoadedService&)> panelBuilder;
};

/// Where the second half of the last frame spent its time, µs (for the frame statistics).
struct FrameTimings {
    double physicsUs = 0;  ///< the physics step
    double updateUs = 0;   ///< the per-frame update without its sound steps
    double soundUs = 0;    ///< the running sounds, the call queue and the mixer
};

/// Where a drive is recorded to or replayed from (at most one of them; neither by default). The
/// recorder or replayer must outlive the session.
struct DriveTaps {
    DriveRecorder* recorder = nullptr;
    DriveReplayer* replayer = nullptr;
};

/// One drive of one service. Created like the driving window: every data file is read, the
/// route video opened, the sounds loaded, the train put at its start station; fatal data errors
/// throw data::FatalError before anything is driven.
///
/// A frame is split where the picture is presented: beginFrame (everything up to the
/// overlays and the panel state), then the view presents (a view that cannot draw skips
/// endFrame, losing that frame's physics), then endFrame (the physics step and the per-frame
/// update). Keys and menu commands run between frames. Not thread-safe: one thread only.
///
/// With a recorder every input from outside (these methods, called by the program rather than
/// by the session itself) and every frame is written down; with a replayer the session takes
/// its inputs only from the record and ignores the program's own.
class DrivingSession {
public:
    static std::unique_ptr<DrivingSession> create(const std::filesystem::path& programFolder,
                                                  const ServiceChoice& choice,
                                                  SessionPlatform platform, SessionSinks sinks,
                                                  DriveTaps taps = {});
    ~DrivingSession();
    DrivingSession(const DrivingSession&) = delete;
    DrivingSession& operator=(const DrivingSession&) = delete;

    /// First half of a frame of `dtMs` ms (as measured by FrameClock): the present load, the
    /// panel shake, the route-video advance and fetch, the held keys, the stop lines.
    void beginFrame(long double dtMs, int fps);
    /// Second half: the physics step (unless paused or a video switch holds it) and the
    /// per-frame update.
    void endFrame();

    // Input between frames.
    void keyDown(input::Key key, bool shift);
    void keyPress(char character);
    void keyUp(input::Key key);
    /// Mouse wheel: each step down is one step toward power ("8"), each step up one step
    /// toward brake ("2"), or the emergency position ("0") from the last service step.
    void wheel(int stepsDown);
    /// Held keys as sampled at the start of a frame.
    void setHeldKeys(bool horn1, bool horn2, bool safety);

    // Master controllers, between frames.
    /// Characters received from the serial controller; a carriage return ends a message, which
    /// then sets the handles, the reverser and types the keys its code stands for.
    void serialReceive(std::string_view chunk);
    /// Decodes one whole serial message.
    void serialMessage(std::string_view message);
    /// Controller type 0 … 3 (input::ControllerType); joysticks are polled once in every
    /// processed frame while it is 1 … 3.
    void setControllerType(int type);
    int controllerType() const { return controllerType_; }
    /// Where the joystick polls read; nullptr for none (not owned, must outlive its use).
    void setJoystick(input::JoystickSource* source) { joystick_ = source; }
    /// The reading the next polls see, as a script sets it (replaces the joystick source).
    void setJoystickReading(const input::JoystickReading& reading);
    /// With the debug option on, each processed poll shows "X:… Y:…" as the window caption;
    /// switching it off restores the usual caption.
    void setControllerDebug(bool on);
    bool controllerDebug() const { return controllerDebug_; }

    /// Pause (true) or resume (false); pausing records and stops the playing sounds, resuming
    /// restarts them.
    void setPaused(bool paused);
    /// Restarts the run at station `index` (the Move menu).
    void StationClick(int index);
    /// Saves the run into slot 1 … 3 of the settings store; returns the message to show.
    std::string save(int slot);
    /// Restores slot 1 … 3; returns the message to show ("" when there is none).
    std::string load(int slot);

    /// The options changed by the Display menu: calls (Kanko), the explanation text
    /// (Information), visual effects (Tunnel) and the labels (Moji) act from the next frame on,
    /// and the driving window writes these values back when it closes. ATS belongs to the
    /// drive's start, where it switches the safety system on or off, and keeps its value.
    void setOptions(const data::UserOptions& options);
    /// Hides or shows the three stop-position lines at once (the Display menu's stop-line item;
    /// the ATS option is not changed).
    void setStopLinesHidden(bool hidden);
    // Commands of the side windows.
    /// Train settings, "ATS": the safety system on or off, its lamp with it.
    void trainSettingsAts(bool on);
    /// Train settings, "機関始動": kEngineStart starts a stopped engine (it runs 700 ms later),
    /// kEngineOff stops a running one, kEngineRun does nothing. Returns the item to show now.
    int trainSettingsEngine(int choice);
    /// Value display, "SU再読込": reads the line file's [SpeedUnit] section again and derives
    /// every distance from it anew (stop positions, limits, checks, pattern targets). Throws
    /// data::FatalError when the line file cannot be read; the drive then goes on unchanged.
    void reloadSpeedUnit(const std::filesystem::path& programFolder);
    /// Value display, "抵抗解除": while on, no force changes the speed.
    void setSpeedFreeze(bool on);
    bool speedFreeze() const { return speedFreeze_; }

    /// Cell counts of the notch strips, known once the view has loaded their pictures; the
    /// handle display shows only cells a strip has.
    void setStripCells(const vehicle::StripCells& cells);

    const LoadedService& service() const { return service_; }
    /// Time spent by the last endFrame.
    const FrameTimings& lastFrameTimings() const { return timings_; }
    const SimState& state() const { return state_; }
    SimState& mutableState() { return state_; }
    const sound::SoundSet& sounds() const { return sounds_; }
    const sound::CallQueue& callQueue() const { return calls_; }
    /// True once the service has ended at its last station.
    bool serviceEnded() const { return state_.stations.ServiceEnd; }

private:
    DrivingSession(LoadedService service, sound::SoundSet sounds, SessionPlatform platform,
                   SessionSinks sinks);
    /// create() on the platform as the taps have wrapped it.
    static std::unique_ptr<DrivingSession> build(const std::filesystem::path& programFolder,
                                                 const ServiceChoice& choice,
                                                 SessionPlatform platform, SessionSinks sinks,
                                                 DriveTaps taps);
    void start();
    void handleVehicleEvents();
    void runDoorOperation();
    void applyHandleCharacter(char c);
    /// The three stop-position lines for the present remaining distance.
    void placeStopLines();
    void pollJoystick();
    void controllerAlert();
    /// Whether an input from outside is taken: the session's own nested calls always are; while
    /// a replay drives the session only the replay's are. A taken outside input is recorded
    /// (`make` gives its record).
    template <class Make>
    bool accept(Make&& make) {
        if (inputDepth_ > 0) return true;
        if (replayer_ != nullptr && !replayer_->feeding()) return false;
        if (recorder_ != nullptr) recorder_->input(make());
        return true;
    }
    /// Marks the calls the session makes while handling one input (or a frame) as its own.
    struct Nested {
        explicit Nested(int& depth) : depth_(depth) { ++depth_; }
        ~Nested() { --depth_; }
        Nested(const Nested&) = delete;
        Nested& operator=(const Nested&) = delete;
        int& depth_;
    };

    LoadedService service_;
    sound::SoundSet sounds_;
    SessionPlatform platform_;
    SessionSinks sinks_;
    SimState state_;
    sound::CallQueue calls_;
    route::FrameTiming timing_;
    std::array<sound::ChannelStatus, sound::kChannelCount> pausedChannels_{};
    FrameTimings timings_;
    bool speedFreeze_ = false;

    int controllerType_ = input::kSerialOnly;
    bool controllerDebug_ = false;
    input::SerialAssembler serial_;
    input::JoystickMemory joystickMemory_;
    input::FixedJoystick scriptedJoystick_;
    input::JoystickSource* joystick_ = nullptr;

    DriveRecorder* recorder_ = nullptr;
    DriveReplayer* replayer_ = nullptr;
    int inputDepth_ = 0;

    vehicle::VehicleContext vehicle_;
    route::RouteContext route_;
    route::SafetyContext safety_;
    route::StationContext stations_;
    sound::RunningSoundContext runningSounds_;
};

}  // namespace tressmoor::sim
