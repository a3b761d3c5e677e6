#include "run.h"

#include <climits>
#include <cmath>
#include <exception>
#include <cstdio>
#include <fstream>
#include <optional>
#include <iostream>
#include <ostream>
#include <string>
#include <vector>

#include "data/line_file.h"
#include "data/random_source.h"
#include "data/rounding.h"
#include "data/settings_store.h"
#include "route/video_source.h"
#include "sim/autopilot.h"
#include "sim/drive_report.h"
#include "sim/drive_trace.h"
#include "sim/driving_session.h"
#include "sim/event_log.h"
#include "sim/invariants.h"
#include "sim/random_driver.h"
#include "sim/panel_state.h"
#include "sound/memory_mixer.h"

#ifdef TRESSMOOR_SIM_VIDEO
#include "platform/ffmpeg_video_source.h"
#endif

namespace tressmoor::tools {

namespace {

/// Resident memory of this process, kB (Linux; 0 where it cannot be read).
long residentKb() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    if (!(statm >> pages >> resident)) return 0;
    return resident * 4;  // 4 kB pages
}

/// Frames of the line's recording (its last [SpeedUnit] frame + 1): the length the runner gives
/// the route video it does not open. Endless when the line cannot be read here; the drive's own
/// loading then reports why.
int recordedFrames(const RunOptions& options) {
    try {
        data::SeededRandom random(0);
        const auto line = data::LoadLineFile(options.programFolder, options.choice.LineFile,
                                             options.choice.TrainFile, 30, random);
        if (!line.SpeedUnit.empty() && line.SpeedUnit.back().LastFrame >= 0 &&
            line.SpeedUnit.back().LastFrame < INT_MAX) {
            return line.SpeedUnit.back().LastFrame + 1;
        }
    } catch (const std::exception&) {
    }
    return INT_MAX;
}

struct HeldKey {
    char character;
    double untilSeconds;
};

}  // namespace

RunResult runService(const RunOptions& options) {
    sound::MemoryMixer mixer;
    std::unique_ptr<route::VideoSource> decoder =
        std::make_unique<route::NullVideoSource>(recordedFrames(options));
#ifdef TRESSMOOR_SIM_VIDEO
    if (options.video) decoder = std::make_unique<platform::FfmpegVideoSource>();
#endif
    // The line names its videos as written ("movie\\name.avi"): resolved in the program folder.
    auto video = std::make_unique<route::ResolvingVideoSource>(*decoder, options.programFolder);
    data::MemorySettingsStore store;
    if (options.calibration) data::WriteControllerCalibration(store, *options.calibration);
    data::SeededRandom random(options.seed);

    double now = 0;  // simulated seconds
    const sim::DrivingSession* current = nullptr;
    auto event = [&](std::string_view text) {
        if (options.events == nullptr) return;
        const std::int64_t clock = current != nullptr ? current->state().route.Clock : 0;
        *options.events << sim::eventLine(now, clock, text) << '\n';
    };
    mixer.setEventSink([&](int channel, const char* what) {
        if (options.events == nullptr) return;
        event("sound " + std::to_string(channel) + ' ' + what);
    });
    // A record is written as the drive runs; a replay answers the drive's outside reads.
    std::optional<sim::DriveRecorder> recorder;
    std::optional<sim::DriveReplayer> replayer;
    if (options.record != nullptr) {
        recorder.emplace(*options.record, options.programFolder, options.choice, options.seed);
    }
    if (options.replay != nullptr) {
        replayer.emplace(*options.replay);
        replayer->replayProgramFolder = options.programFolder;
        replayer->onDiverged = [](const std::string& what) {
            std::cerr << "tressmoor-sim: warning: the replay no longer follows the record: "
                      << what << '\n';
        };
    }
    sim::SessionSinks sinks;
    sinks.event = event;
    sinks.notice = [&](const std::string& text) { event("notice " + text); };

    auto session = sim::DrivingSession::create(options.programFolder, options.choice,
                                               {mixer, *video, store, random}, sinks,
                                               {recorder ? &*recorder : nullptr,
                                                replayer ? &*replayer : nullptr});
    current = session.get();
    // Watched only when asked for, so that plain runs cost what they did.
    std::optional<sim::DriveReportBuilder> report;
    if (options.report != nullptr) report.emplace(sim::planReport(*session));
    if (options.video) {
        event("video frames " + std::to_string(session->state().video.MainFrameCount));
    }
    std::optional<sim::DriveTrace> trace;
    if (options.trace != nullptr) trace.emplace(*options.trace);
    // The panel as the driving window would draw it (no pictures are loaded).
    const auto& train = session->service().train;
    sim::PanelState panel = sim::BuildPanelState(train.panel, train.spec);

    double endSeconds = 3 * 3600.0;
    if (options.seconds) {
        endSeconds = *options.seconds;
    } else if (options.script && !options.script->commands.empty()) {
        endSeconds = options.script->commands.back().atSeconds + 600.0;
    } else if (replayer) {
        endSeconds = HUGE_VAL;  // to the record's last frame
    }
    const auto& commands =
        options.script ? options.script->commands : std::vector<sim::ScriptCommand>{};
    std::size_t next = 0;
    std::vector<HeldKey> held;
    const int fps = static_cast<int>(data::roundTiesEven(1000.0L / options.frameMs));

    std::unique_ptr<sim::Autopilot> pilot;
    if (options.autopilot) {
        pilot = std::make_unique<sim::Autopilot>(*session);
        pilot->event = event;
    }
    std::optional<sim::RandomDriver> driver;
    if (options.randomDriver) {
        driver.emplace(*options.randomDriver);
        driver->log = event;
    }
    std::optional<sim::InvariantChecker> checker;
    if (options.checkInvariants) {
        checker.emplace(sim::InvariantLimits::of(session->service(), options.frameMs,
                                                 session->state().video.MainFrameCount));
    }
    double nextRss = 0;

    RunResult result;
    bool lastEnded = false;
    while (now < endSeconds) {
        for (; next < commands.size() && commands[next].atSeconds <= now; ++next) {
            const auto& c = commands[next];
            event("script " + std::to_string(c.line));
            switch (c.kind) {
                case sim::ScriptCommand::Kind::Key:
                    if (c.key.key == input::Key::None) {
                        session->keyPress(c.key.character);
                    } else {
                        session->keyDown(c.key.key, c.key.shift);
                    }
                    break;
                case sim::ScriptCommand::Kind::KeyUp:
                    session->keyUp(c.key.key);
                    break;
                case sim::ScriptCommand::Kind::Hold:
                    held.push_back({c.key.character, now + c.holdSeconds});
                    if (c.key.key == input::Key::None) session->keyPress(c.key.character);
                    break;
                case sim::ScriptCommand::Kind::Station:
                    session->StationClick(c.number);
                    break;
                case sim::ScriptCommand::Kind::Save:
                    event("save " + std::to_string(c.number) + ": " + session->save(c.number));
                    break;
                case sim::ScriptCommand::Kind::Load:
                    event("load " + std::to_string(c.number) + ": " + session->load(c.number));
                    break;
                case sim::ScriptCommand::Kind::Menu:
                    event("menu " + c.name + " (no menu without a window)");
                    break;
                case sim::ScriptCommand::Kind::Shot:
                    event("shot " + c.path + " (no picture without a window)");
                    break;
                case sim::ScriptCommand::Kind::Quit:
                    endSeconds = now;
                    break;
                case sim::ScriptCommand::Kind::Serial:
                    session->serialReceive(c.path);
                    break;
                case sim::ScriptCommand::Kind::Controller:
                    session->setControllerType(c.number);
                    break;
                case sim::ScriptCommand::Kind::Joy:
                    session->setJoystickReading(c.joy);
                    break;
            }
        }
        std::erase_if(held, [&](const HeldKey& h) { return h.untilSeconds <= now; });
        bool horn1 = false, horn2 = false, safety = false;
        for (const auto& h : held) {
            horn1 |= h.character == '3';
            horn2 |= h.character == '6';
            safety |= h.character == '4';
        }
        if (driver) {
            const sim::HeldKeys keys = driver->beforeFrame(*session, now);
            horn1 |= keys.horn1;
            horn2 |= keys.horn2;
            safety |= keys.safety;
        }
        session->setHeldKeys(horn1, horn2, safety);
        sim::ReplayFrame frame{options.frameMs, fps, true};
        if (replayer) {
            const auto recorded = replayer->nextFrame(*session);
            if (!recorded) break;
            frame = *recorded;
        }
        if (pilot) pilot->beforeFrame(*session, static_cast<double>(frame.dtMs));
        session->beginFrame(frame.dtMs, frame.fps);
        sim::UpdatePanelState(panel, train.panel, train.spec, session->state(),
                              session->service().options.Tunnel == 1);
        if (frame.stepped) session->endFrame();
        if (report) report->observe(*session, frame.dtMs);
        now += static_cast<double>(frame.dtMs) / 1000.0;
        ++result.frames;
        if (trace) trace->row(frame.dtMs, *session, panel);
        const bool ended = session->serviceEnded();
        if (ended && !lastEnded) event("service end");
        lastEnded = ended;
        if (checker) {
            for (const auto& v : checker->check(result.frames, session->state(), &panel, &mixer)) {
                result.violations.push_back(v.message());
            }
            if (!result.violations.empty()) break;
        }
        if (options.rss != nullptr && options.rssEverySeconds > 0 && now >= nextRss) {
            *options.rss << "rss " << std::llround(now) << ' ' << residentKb() << std::endl;
            nextRss += options.rssEverySeconds;
        }
        if (ended && next >= commands.size() && !driver && !replayer) break;
    }
    if (report) {
        const sim::DriveReport r = report->report();
        *options.report << (options.reportJson ? sim::reportJson(r) + "\n" : sim::reportText(r));
    }
    result.simulatedSeconds = now;
    result.serviceEnded = lastEnded;
    return result;
}

}  // namespace tressmoor::tools
