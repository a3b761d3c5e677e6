// tressmoor-sim: the headless runner. Loads data exactly as the driving window does and reports.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "data/fatal_error.h"
#include "data/fields.h"
#include "data/program_folder.h"
#include "data/random_source.h"
#include "data/settings_file.h"
#include "data/settings_store.h"
#include "sim/service.h"
#include "data/text_file.h"
#include "run.h"

#include <fstream>
#include <sstream>
#include <stdexcept>

namespace {

constexpr const char* kUsage = R"(Usage: tressmoor-sim [--data DIR] [COMMAND] [SERVICE] [RUN OPTIONS]

Headless runner of the Tressmoor railway driving simulator. It loads the data files exactly as
the driving window does and drives the service without a window, sound output or video, as
fast as the machine allows.

Without a command it drives the service: from its start station until the service ends at the
last station, until --seconds of simulated time, or, with a script and no --seconds, until ten
minutes after the script's last command (three hours at most).

Commands:
  --print-settings     Load the settings file (tressmoor.dat), the controller map (mascon.dat)
                       and the joystick calibration, and print every value, one key per line.
  --check              Load the settings, the controller map, the train file and the line file
                       of a service and print a summary: stations with their stop distance in
                       metres, signals, speed limits, the safety-pattern target list and the
                       route video file.
  --help               Show this text.

Service (for --check; default: --service 1):
  --service N          One of the five services of the title window (1-5).
  --line FILE          A line file of the program folder, with --train.
  --train FILE         A train file; with --line, or with --service to replace its train.
  --train-folder DIR   Folder of the train file (default: the program folder).
  --start-station N    Station index the run starts at (default 0).

Run options:
  --seconds S          Simulated seconds to drive.
  --frame-ms X         Length of every frame in milliseconds (default 16.667).
  --script FILE        Timed input, one command per line: "<seconds> <command>", where the
                       command is "key <name>", "keyup <name>", "hold <name> <seconds>",
                       "station <index>", "save <slot>" or "load <slot>" ("menu <name>"
                       and "shot <file>", which need the driving window, are only reported as
                       events; "quit" ends the run). Names are characters ("8", "z", ",")
                       or Enter, Esc, Space, Backspace, PageUp, PageDown, Up, Down,
                       ScrollLock, F1-F12, each optionally with "Shift+". "#" starts a
                       comment. Controllers: "serial <text>" (received characters, \r for the
                       carriage return), "controller <0-3>" (the controller type) and
                       "joy <x> <y> <buttons>" (axes -32768-32767, pressed buttons "0,5" or "-").
  --trace FILE         Write a CSV row per frame: time, clock, route position, line distance,
                       speed, handles, effective commands, pressures (kPa), the signal in view,
                       the safety system, the station state, the speed and brake-cylinder
                       needles (degrees), the lit panel lamps and the status text.
  --video              Open the route video through the real decoder (FFmpeg), so the run
                       knows the video's frame count and stops at its end; without it the
                       video is taken to end at the line's last recorded frame ([SpeedUnit]).
                       Only in builds with the desktop program.
  --autopilot          Drive the service by the autopilot: it releases the brake, takes power,
                       keeps to the signals, speed limits and the safety system's patterns,
                       stops at every stop, works the doors on one-man lines and leaves on
                       time, all through the driver's keys (a script may still add keys).
                       Its own lines in the events file start with "autopilot".
  --record FILE        Write the drive's record to FILE: the service, the data files' hashes,
                       the seed, every input and every frame's length (docs/drive-records.md).
  --replay FILE        Drive a record again, exactly: its service, seed, inputs and frame
                       lengths (no --script; --frame-ms and the service options are ignored).
                       A data file that differs from the recorded one is named on stderr and
                       the replay goes on.
  --events FILE        Write one line per event: time (ms), clock, and what happened (arrivals,
                       doors, calls, safety-system log lines, sound channels started and
                       stopped, script commands, the service end).
  --random-driver SEED Drive with a seeded random driver: sensible notches, stops at the
                       stations, and now and then odd things (emergency brake at speed, the
                       reverser or doors while moving, horns, debugging keys, jumps to
                       stations, saving and restoring slots, pauses). The same seed does the
                       same drive. It drives on past the service end; with a script both act.
                       Turns on --check-invariants.
  --check-invariants   After every frame check that every simulated quantity is finite and
                       that pressures, speed, route position and station indices stay in
                       range; the first frame that breaks one ends the run with status 3 and
                       a line per broken invariant on stderr (frame, quantity, value, range).
  --rss-every S        Print "rss <seconds> <kB>" (resident memory) to stdout every S
                       simulated seconds.
  --report FILE        Write the drive report when the run ends: every stop's stop error (m,
                       beyond the stop position positive), arrival and departure against the
                       timetable (s, late positive), overruns, the safety devices' alarms and
                       brakings, the highest speed in each speed-limit section, the score
                       (0-100) and the speed-against-distance profile. JSON when FILE ends in
                       ".json", else text.

Options:
  --data DIR           Program folder holding tressmoor.dat and the files it names. Without it,
                       the folder in the environment variable TRESSMOOR_DATA, else the folder of
                       this executable when it holds tressmoor.dat, else the installed program
                       folder ../share/tressmoor beside it (/usr/share/tressmoor for
                       /usr/bin/tressmoor-sim).
  --seed N             Seed of the random source (the preceding train's delays); default 1.
  --calibration LIST   Joystick calibration values for the calibrated button-coded controller
                       (controller type 2): P0,P1,...,P5,B0,...,B8,EB, 16 whole numbers. The
                       run has no user settings, so without it every value is 0.

Exit status: 0 on success; 2 on a fatal data error, whose exact message goes to stderr;
1 on a usage error; 3 when an invariant was broken.
)";

struct Options {
    std::optional<std::string> data;
    bool printSettings = false;
    bool check = false;
    int service = 1;
    std::optional<std::string> line, train, trainFolder;
    int startStation = 0;
    std::uint64_t seed = 1;
    std::optional<double> seconds;
    long double frameMs = 16.667L;
    std::optional<std::string> script, trace, events, report, record, replay;
    bool video = false;
    std::optional<tressmoor::data::CalibrationValues> calibration;
    bool autopilot = false;
    std::optional<std::uint64_t> randomDriver;
    bool checkInvariants = false;
    double rssEvery = 0;
};

[[noreturn]] void usageError(const std::string& text) {
    std::cerr << "tressmoor-sim: " << text << "\n\n" << kUsage;
    std::exit(1);
}

int intArgument(const std::string& name, const char* value, int low, int high) {
    auto v = tressmoor::data::parseInt(value);
    if (!v || *v < low || *v > high) usageError(name + " needs a whole number from " +
                                                std::to_string(low) + " to " + std::to_string(high));
    return *v;
}

Options parseArguments(int argc, char* argv[]) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        auto next = [&]() -> const char* {
            if (i + 1 >= argc) usageError(arg + " needs a value");
            return argv[++i];
        };
        if (arg == "--help" || arg == "-h") {
            std::cout << kUsage;
            std::exit(0);
        } else if (arg == "--data") {
            o.data = next();
        } else if (arg == "--print-settings") {
            o.printSettings = true;
        } else if (arg == "--check") {
            o.check = true;
        } else if (arg == "--service") {
            o.service = intArgument(arg, next(), 1, 5);
        } else if (arg == "--line") {
            o.line = next();
        } else if (arg == "--train") {
            o.train = next();
        } else if (arg == "--train-folder") {
            o.trainFolder = next();
        } else if (arg == "--start-station") {
            o.startStation = intArgument(arg, next(), 0, 100000);
        } else if (arg == "--seconds" || arg == "--frame-ms") {
            auto v = tressmoor::data::parseReal(next());
            if (!v || *v <= 0) usageError(arg + " needs a positive number");
            if (arg == "--seconds") {
                o.seconds = static_cast<double>(*v);
            } else {
                if (*v > 1000) usageError("--frame-ms is at most 1000");
                o.frameMs = *v;
            }
        } else if (arg == "--random-driver") {
            o.randomDriver = static_cast<std::uint64_t>(intArgument(arg, next(), 0, 2147483647));
            o.checkInvariants = true;
        } else if (arg == "--check-invariants") {
            o.checkInvariants = true;
        } else if (arg == "--rss-every") {
            auto v = tressmoor::data::parseReal(next());
            if (!v || *v <= 0) usageError(arg + " needs a positive number");
            o.rssEvery = static_cast<double>(*v);
        } else if (arg == "--video") {
#ifdef TRESSMOOR_SIM_VIDEO
            o.video = true;
#else
            usageError("--video needs a build with the desktop program (FFmpeg)");
#endif
        } else if (arg == "--autopilot") {
            o.autopilot = true;
        } else if (arg == "--script") {
            o.script = next();
        } else if (arg == "--trace") {
            o.trace = next();
        } else if (arg == "--events") {
            o.events = next();
        } else if (arg == "--calibration") {
            o.calibration = tressmoor::data::ParseCalibrationList(next());
            if (!o.calibration) {
                usageError("--calibration needs 16 whole numbers separated by commas");
            }
        } else if (arg == "--report") {
            o.report = next();
        } else if (arg == "--record") {
            o.record = next();
        } else if (arg == "--replay") {
            o.replay = next();
        } else if (arg == "--seed") {
            o.seed = static_cast<std::uint64_t>(intArgument(arg, next(), 0, 2147483647));
        } else {
            usageError("unknown argument '" + arg + "'");
        }
    }
    if (o.line && !o.train) usageError("--line needs --train");
    if (o.replay && (o.script || o.record)) usageError("--replay takes no --script or --record");
    return o;
}

void printSettings(const tressmoor::data::AppSettings& s,
                   const tressmoor::data::ControllerMap& map) {
    auto& out = std::cout;
    out << "VideoFps=" << s.VideoFps << "\nLengthFactor=" << s.LengthFactor
        << "\nStafLeft=" << s.StafLeft << "\nViewWidth=" << s.ViewWidth
        << "\nViewHeight=" << s.ViewHeight << "\nVideoFolder=" << s.VideoFolder << '\n';
    const std::pair<const char*, const std::string*> texts[] = {
        {"Forward", &s.Forward},   {"Neutral", &s.Neutral},   {"Reverse", &s.Reverse},
        {"Stop", &s.Stop},         {"Pass", &s.Pass},         {"Stop2", &s.Stop2},
        {"Neut", &s.Neut},         {"Neut2", &s.Neut2},       {"Apply", &s.Apply},
        {"Maintain", &s.Maintain}, {"Remove", &s.Remove},     {"Hold", &s.Hold},
        {"Hold2", &s.Hold2},       {"EB", &s.EB},             {"Const", &s.Const},
        {"Cars", &s.Cars},         {"TC", &s.TC},             {"Stops.1", &s.Stops[0]},
        {"Stops.2", &s.Stops[1]},  {"Doors.1", &s.Doors[0]},  {"Doors.2", &s.Doors[1]},
        {"Gears.1", &s.Gears[0]},  {"Gears.2", &s.Gears[1]},  {"Gears.3", &s.Gears[2]},
    };
    for (const auto& [key, value] : texts) out << key << '=' << *value << '\n';
    for (std::size_t i = 0; i < s.InfoLabel.size(); ++i) {
        out << "InfoLabel." << i + 1 << '=' << s.InfoLabel[i] << '\n';
    }
    const std::pair<const char*, const std::optional<std::string>*> captions[] = {
        {"Start", &s.StartCaption},     {"Move", &s.MoveCaption},
        {"Display", &s.DisplayCaption}, {"Control", &s.ControlCaption},
        {"Save", &s.SaveCaption}};
    for (const auto& [key, value] : captions) {
        out << key << '=' << (*value ? **value : std::string("(built-in)")) << '\n';
    }
    for (std::size_t i = 0; i < map.SerialCodes.size(); ++i) {
        out << "SerialCode." << i + 1 << '=' << map.SerialCodes[i] << '\n';
    }
    for (std::size_t i = 0; i < map.P.size(); ++i) out << 'P' << i << '=' << map.P[i] << '\n';
    for (std::size_t i = 0; i < map.B.size(); ++i) out << 'B' << i << '=' << map.B[i] << '\n';
    out << "EB.calibration=" << map.EB << '\n';
}

const char* stationKind(int kind) {
    switch (kind) {
        case 0: return "停車";
        case 1: return "通過";
        case 2: return "運転停車";
        case 3: return "停車(案内)";
        default: return "?";
    }
}

void printSummary(const tressmoor::sim::LoadedService& s) {
    const auto& line = s.line;
    const auto& spec = s.train.spec;
    std::printf("line: %s (%s)  %s\n", s.choice.LineFile.c_str(), line.LineName.c_str(),
                line.LineName2.c_str());
    std::printf("train: %s  cars %d  notches %d  brake positions %d  brake type %d\n",
                s.choice.TrainFile.c_str(), spec.Cars, spec.Power, spec.Brake, spec.BrakeType);
    std::printf("video: %s%s.avi  (%d fps)\n", s.settings.VideoFolder.c_str(),
                line.DataName.c_str(), s.settings.VideoFps);
    std::printf("stations: %zu\n", line.Station.size());
    for (std::size_t i = 0; i < line.Station.size(); ++i) {
        const auto& st = line.Station[i];
        std::printf("  %2zu %-16s %-10s frame %7d  stop %9.1f m", i, st.Name.c_str(),
                    stationKind(st.Kind), st.StopFrame, static_cast<double>(st.StopDistance) / 100);
        if (st.DepartureTime > 0) {
            int t = st.DepartureTime / 30;
            std::printf("  dep %02d:%02d:%02d", t / 3600, t / 60 % 60, t % 60);
        }
        std::printf("\n");
    }
    std::printf("signals: %zu\n", line.Signal.size());
    std::printf("speed limits: %zu\n", line.SpeedLimit.size());
    for (const auto& l : line.SpeedLimit) {
        std::printf("  %3d km/h from %9.1f m\n", l.Limit,
                    static_cast<double>(l.StartDistance) / 100);
    }
    std::printf("speed checks: %zu point, %zu window, %zu window (brake)\n",
                line.SpeedCheck1.size(), line.SpeedCheck2.size(), line.SpeedCheck3.size());
    std::printf("crossings: %zu  tunnels: %zu  signs: %zu\n", line.Cross.size(),
                line.Tunnel.size(), line.Sign.size());
    std::printf("pattern targets: %zu\n", line.PatternTargets.size());
    if (!line.SpeedUnit.empty()) {
        const auto& last = line.SpeedUnit.back();
        std::printf("recorded frames: %d (%.1f m)\n", last.LastFrame,
                    static_cast<double>(line.FrameToDistance(last.LastFrame)) / 100);
    }
    std::printf("move menu:");
    for (const auto& item : s.moveMenu) std::printf(" %s", item.caption.c_str());
    std::printf("\n");
}

std::ofstream openOutput(const std::string& path) {
    std::ofstream out(path, std::ios::binary);
    if (!out) {
        std::cerr << "tressmoor-sim: cannot write " << path << '\n';
        std::exit(1);
    }
    return out;
}

int drive(const Options& options, const std::filesystem::path& folder,
          const tressmoor::sim::ServiceChoice& choice) {
    using namespace tressmoor;
    tools::RunOptions run;
    run.programFolder = folder;
    run.choice = choice;
    run.frameMs = options.frameMs;
    run.seconds = options.seconds;
    run.seed = options.seed;
    run.video = options.video;
    run.calibration = options.calibration;
    run.autopilot = options.autopilot;
    run.randomDriver = options.randomDriver;
    run.checkInvariants = options.checkInvariants;
    run.rssEverySeconds = options.rssEvery;
    run.rss = &std::cout;
    if (options.script) {
        std::ifstream in(*options.script, std::ios::binary);
        if (!in) {
            std::cerr << "tressmoor-sim: cannot read " << *options.script << '\n';
            return 1;
        }
        std::stringstream text;
        text << in.rdbuf();
        try {
            run.script = sim::parseScript(data::decodeText(text.str()));
        } catch (const std::invalid_argument& e) {
            std::cerr << "tressmoor-sim: " << *options.script << ": " << e.what() << '\n';
            return 1;
        }
    }
    std::optional<sim::DriveRecord> replay;
    if (options.replay) {
        try {
            replay = sim::readDriveRecordFile(*options.replay);
        } catch (const sim::DriveRecordError& e) {
            std::cerr << "tressmoor-sim: " << e.what() << '\n';
            return 1;
        }
        for (const auto& warning : sim::checkRecordedFiles(*replay, folder)) {
            std::cerr << "tressmoor-sim: warning: " << warning << "; the replay goes on\n";
        }
        run.choice = replay->choice;
        run.seed = replay->seed;
        run.replay = &*replay;
    }
    std::ofstream trace, events, report, record;
    if (options.record) {
        record = openOutput(*options.record);
        run.record = &record;
    }
    if (options.trace) {
        trace = openOutput(*options.trace);
        run.trace = &trace;
    }
    if (options.events) {
        events = openOutput(*options.events);
        run.events = &events;
    }
    if (options.report) {
        report = openOutput(*options.report);
        run.report = &report;
        run.reportJson = options.report->ends_with(".json");
    }
    const auto result = tools::runService(run);
    std::fprintf(stderr, "drove %.1f s in %lld frames%s\n", result.simulatedSeconds,
                 static_cast<long long>(result.frames),
                 result.serviceEnded ? "; the service ended" : "");
    for (const auto& v : result.violations) std::cerr << "invariant broken: " << v << '\n';
    return result.violations.empty() ? 0 : 3;
}

}  // namespace

int main(int argc, char* argv[]) {
    using namespace tressmoor;
    Options options = parseArguments(argc, argv);

    std::error_code ec;
    auto exe = std::filesystem::canonical("/proc/self/exe", ec).parent_path();
    const auto folder =
        data::resolveProgramFolder(options.data, std::getenv("TRESSMOOR_DATA"), exe);
    if (!data::holdsSettingsFile(folder)) {
        std::cerr << data::kMisplacedProgramMessage << '\n';
        return 2;
    }
    try {
        data::MemorySettingsStore store;
        if (options.calibration) data::WriteControllerCalibration(store, *options.calibration);
        if (options.printSettings) {
            // Same order as the driving window: calibration, controller map, settings file.
            data::ControllerMap map;
            data::ReadControllerCalibration(store, map);
            if (!data::ReadControllerMap(folder, map)) {
                throw data::FatalError((folder / data::kControllerMapName).string() +
                                       "が見つかりません");
            }
            data::AppSettings settings;
            data::ReadSettingsFile(folder, settings);
            printSettings(settings, map);
        }
        sim::ServiceChoice choice = sim::ServiceChoice::forService(options.service - 1);
        if (options.line) choice.LineFile = *options.line;
        if (options.train) choice.TrainFile = *options.train;
        if (options.trainFolder) choice.TrainFolder = *options.trainFolder;
        choice.StartStation = options.startStation;
        if (options.check) {
            data::SeededRandom random(options.seed);
            printSummary(sim::LoadService(folder, choice, store, random));
        }
        if (!options.check && !options.printSettings) return drive(options, folder, choice);
    } catch (const data::FatalError& e) {
        std::cerr << e.what() << '\n';
        return 2;
    }
    return 0;
}
