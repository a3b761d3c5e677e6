// tressmoor-sim: the headless runner. Loads data exactly as the driving window does and reports.
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "data/fatal_error.h"
#include "data/program_folder.h"
#include "data/settings_file.h"
#include "data/settings_store.h"

namespace {

constexpr const char* kUsage = R"(Usage: tressmoor-sim [--data DIR] COMMAND

Headless runner of the Tressmoor railway driving simulator. It loads the data files exactly as
the driving window does, without a window, sound or video.

Commands:
  --print-settings   Load the settings file (tressmoor.dat), the controller map (mascon.dat)
                     and the joystick calibration, and print every value, one key per line.
  --help             Show this text.

Options:
  --data DIR         Program folder holding tressmoor.dat and the files it names. Without it,
                     the folder in the environment variable TRESSMOOR_DATA, else the folder of
                     this executable.

Exit status: 0 on success; 2 on a fatal data error, whose exact message goes to stderr;
1 on a usage error.
)";

struct Options {
    std::optional<std::string> data;
    bool printSettings = false;
};

std::optional<Options> parseArguments(int argc, char* argv[]) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::cout << kUsage;
            std::exit(0);
        } else if (arg == "--data" && i + 1 < argc) {
            o.data = argv[++i];
        } else if (arg.starts_with("--data=")) {
            o.data = arg.substr(7);
        } else if (arg == "--print-settings") {
            o.printSettings = true;
        } else {
            std::cerr << "tressmoor-sim: unknown argument '" << arg << "'\n\n" << kUsage;
            return std::nullopt;
        }
    }
    if (!o.printSettings) {
        std::cerr << "tressmoor-sim: no command given\n\n" << kUsage;
        return std::nullopt;
    }
    return o;
}

void printSettings(const tressmoor::data::AppSettings& s,
                   const tressmoor::data::ControllerMap& map) {
    auto& out = std::cout;
    out << "VideoFps=" << s.VideoFps << "\nLengthFactor=" << s.LengthFactor
        << "\nStafLeft=" << s.StafLeft << "\nViewWidth=" << s.ViewWidth
        << "\nViewHeight=" << s.ViewHeight << "\nVideoFolder=" << s.VideoFolder << '\n';
    const std::pair<const char*, const std::string*> texts[] = {
        {"Forward", &s.Forward}, {"Neutral", &s.Neutral},   {"Reverse", &s.Reverse},
        {"Stop", &s.Stop},       {"Pass", &s.Pass},         {"Stop2", &s.Stop2},
        {"Neut", &s.Neut},       {"Neut2", &s.Neut2},       {"Apply", &s.Apply},
        {"Maintain", &s.Maintain}, {"Remove", &s.Remove},   {"Hold", &s.Hold},
        {"Hold2", &s.Hold2},     {"EB", &s.EB},             {"Const", &s.Const},
        {"Cars", &s.Cars},       {"TC", &s.TC},             {"Stops.1", &s.Stops[0]},
        {"Stops.2", &s.Stops[1]}, {"Doors.1", &s.Doors[0]}, {"Doors.2", &s.Doors[1]},
        {"Gears.1", &s.Gears[0]}, {"Gears.2", &s.Gears[1]}, {"Gears.3", &s.Gears[2]},
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

}  // namespace

int main(int argc, char* argv[]) {
    using namespace tressmoor::data;
    auto options = parseArguments(argc, argv);
    if (!options) return 1;

    std::error_code ec;
    auto exe = std::filesystem::canonical("/proc/self/exe", ec).parent_path();
    const auto folder = resolveProgramFolder(options->data, std::getenv("TRESSMOOR_DATA"), exe);
    if (!holdsSettingsFile(folder)) {
        std::cerr << kMisplacedProgramMessage << '\n';
        return 2;
    }
    try {
        // Same order as the driving window: calibration, controller map, settings file.
        MemorySettingsStore store;
        ControllerMap map;
        ReadControllerCalibration(store, map);
        if (!ReadControllerMap(folder, map)) {
            throw FatalError((folder / kControllerMapName).string() + "が見つかりません");
        }
        AppSettings settings;
        ReadSettingsFile(folder, settings);
        if (options->printSettings) printSettings(settings, map);
    } catch (const FatalError& e) {
        std::cerr << e.what() << '\n';
        return 2;
    }
    return 0;
}
