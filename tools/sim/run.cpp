#include "run.h"

#include <climits>
#include <cmath>
#include <exception>
#include <cstdio>
#include <fstream>
#include <optional>
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

constexpr const char* kTraceHeader =
    "t_ms,clock,frame,distance_cm,speed_kmh,reverser,power_handle,power,brake_handle,"
    "brake_command,bc_t,bc_m,mr,bp,er,sap,signal,display_frame,aspect,check_value,"
    "pattern_state,emergency_trip,service_trip,vigilance_trip,station,next_stop,remaining_cm,"
    "doors_open,speed_needle_deg,bc_needle_deg,lamps,status,info";

/// The lamps of the panel trace, by the names of their train-file sections.
struct TracedLamp {
    sim::PanelItem item;
    const char* name;
};
constexpr TracedLamp kTracedLamps[] = {
    {sim::PanelItem::Panel2, "Panel2"},
    {sim::PanelItem::Lamp_Door, "Door"},
    {sim::PanelItem::Lamp_Power, "Power"},
    {sim::PanelItem::Lamp_EB, "EB"},
    {sim::PanelItem::Lamp_Gen, "Gen"},
    {sim::PanelItem::Lamp_Air, "Air"},
    {sim::PanelItem::Lamp_Fin, "Fin"},
    {sim::PanelItem::Lamp_Ele, "Ele"},
    {sim::PanelItem::Lamp_Ats1, "Ats1"},
    {sim::PanelItem::Lamp_Ats2, "Ats2"},
    {sim::PanelItem::Lamp_Ats3, "Ats3"},
    {sim::PanelItem::Lamp_ATSP1, "ATSP1"},
    {sim::PanelItem::Lamp_ATSP2, "ATSP2"},
    {sim::PanelItem::Lamp_Fwd, "Fwd"},
    {sim::PanelItem::Lamp_Neut, "Neut"},
    {sim::PanelItem::Lamp_Back, "Back"},
    {sim::PanelItem::Lamp_Suppress, "Suppress"},
    {sim::PanelItem::Lamp_Stop, "Stop"},
    {sim::PanelItem::Lamp_G, "G"},
    {sim::PanelItem::Lamp_YG, "YG"},
    {sim::PanelItem::Lamp_Y, "Y"},
    {sim::PanelItem::Lamp_YY, "YY"},
    {sim::PanelItem::Lamp_R, "R"},
    {sim::PanelItem::Lamp_Const, "Const"},
};

/// Needle angle in degrees, or nothing when the train has no such needle.
std::string needleDegrees(const sim::PanelState& panel, sim::PanelItem item) {
    const sim::PanelSprite* s = panel.find(item);
    if (s == nullptr) return "";
    char text[32];
    std::snprintf(text, sizeof text, "%.1Lf", s->angle / sim::kNeedleUnitsPerDegree);
    return text;
}

/// The lit lamps the train has, joined by "+".
std::string litLamps(const sim::PanelState& panel) {
    std::string out;
    for (const auto& lamp : kTracedLamps) {
        const sim::PanelSprite* s = panel.find(lamp.item);
        if (s == nullptr || !s->visible) continue;
        if (!out.empty()) out += '+';
        out += lamp.name;
    }
    return out;
}

void writeTraceRow(std::ostream& out, double tMs, const sim::DrivingSession& session,
                   const sim::PanelState& panel) {
    const auto& s = session.state();
    const auto& v = s.vehicle;
    const auto& r = s.route;
    const int signal = r.CurrentSignal;
    const bool inView = signal >= 0 && signal < static_cast<int>(r.Aspect.size());
    char row[512];
    std::snprintf(
        row, sizeof row,
        "%.1f,%s,%d,%.0Lf,%.3Lf,%d,%d,%d,%d,%d,%.1f,%.1f,%.1f,%.1Lf,%.1f,%.1f,%d,%d,%d,%d,%d,%d,"
        "%d,%d,%d,%d,%.0Lf,%d,",
        tMs, sim::clockText(r.Clock).c_str(), r.RoutePosition, r.LineDistance, v.Speed, v.Reverser,
        v.PowerHandle, v.Power, v.BrakeHandle, v.BrakeCommand, v.CylinderT.toDouble(),
        v.CylinderM.toDouble(), v.MainReservoir.toDouble(), v.BrakePipe,
        v.EqualisingReservoir.toDouble(), v.SapPressure.toDouble(), inView ? signal : -1,
        r.CurrentDisplayFrame, inView ? r.Aspect[static_cast<std::size_t>(signal)] : -1,
        s.safety.CheckValue, s.safety.PatternState, v.EmergencyTrip ? 1 : 0, v.ServiceTrip ? 1 : 0,
        v.VigilanceTrip ? 1 : 0, s.stations.CurrentStation, s.stations.NextStop,
        s.stations.RemainingDistance, v.DoorsOpen ? 1 : 0);
    out << row << needleDegrees(panel, sim::PanelItem::Needle_Speed) << ','
        << needleDegrees(panel, sim::PanelItem::Needle_BC) << ',' << litLamps(panel) << ',';
    // The status text may hold commas; quote it for CSV readers.
    std::string status = s.stations.StatusText;
    std::string quoted = "\"";
    for (char c : status) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    out << quoted << "\",\"";
    for (char c : s.Texts.Information) {
        if (c == '"') out << '"';
        out << c;
    }
    out << "\"\n";
}

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
    sim::SessionSinks sinks;
    sinks.event = event;
    sinks.notice = [&](const std::string& text) { event("notice " + text); };

    auto session = sim::DrivingSession::create(options.programFolder, options.choice,
                                               {mixer, *video, store, random}, sinks);
    current = session.get();
    // Watched only when asked for, so that plain runs cost what they did.
    std::optional<sim::DriveReportBuilder> report;
    if (options.report != nullptr) report.emplace(sim::planReport(*session));
    if (options.video) {
        event("video frames " + std::to_string(session->state().video.MainFrameCount));
    }
    if (options.trace != nullptr) *options.trace << kTraceHeader << '\n';
    // The panel as the driving window would draw it (no pictures are loaded).
    const auto& train = session->service().train;
    sim::PanelState panel = sim::BuildPanelState(train.panel, train.spec);

    double endSeconds = 3 * 3600.0;
    if (options.seconds) {
        endSeconds = *options.seconds;
    } else if (options.script && !options.script->commands.empty()) {
        endSeconds = options.script->commands.back().atSeconds + 600.0;
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
        if (pilot) pilot->beforeFrame(*session, static_cast<double>(options.frameMs));
        session->beginFrame(options.frameMs, fps);
        sim::UpdatePanelState(panel, train.panel, train.spec, session->state(),
                              session->service().options.Tunnel == 1);
        session->endFrame();
        if (report) report->observe(*session, options.frameMs);
        now += static_cast<double>(options.frameMs) / 1000.0;
        ++result.frames;
        if (options.trace != nullptr) writeTraceRow(*options.trace, now * 1000, *session, panel);
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
        if (ended && next >= commands.size() && !driver) break;
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
