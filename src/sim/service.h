// The service a drive runs: the title window's choice and the loading of its data files.
#pragma once

#include <array>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "data/line_types.h"
#include "data/random_source.h"
#include "data/settings_store.h"
#include "data/settings_types.h"
#include "data/train_file.h"

namespace tressmoor::sim {

/// One prepared service of the title menu: a line file and its built-in train.
struct ServiceEntry {
    const char* lineFile;
    const char* trainFile;
};

/// The five services, in the order of the title window's buttons.
inline constexpr std::array<ServiceEntry, 5> kServices = {{
    {"line_kelvane1.dat", "train_223.dat"},
    {"line_kelvane2.dat", "train_223.dat"},
    {"line_kelvane3.dat", "train_223.dat"},
    {"line_rapid.dat", "train_223.dat"},
    {"line_exp.dat", "train_683.dat"},
}};

/// What the title window hands to the driving window.
struct ServiceChoice {
    std::string LineFile;     ///< line file name, relative to the program folder
    std::string TrainFile;    ///< train file name
    std::string TrainFolder;  ///< folder of the train file; empty for the built-in trains
    int StartStation = 0;     ///< station index at which driving starts
    int StationLimit = 999;   ///< stations below this index are offered in the Move menu

    /// The choice for service `index` (0 … 4): its line with the train file `pickedFile` from
    /// `pickedFolder` (a folder with its trailing separator), or with the service's built-in
    /// train when no file was picked.
    static ServiceChoice forService(int index, const std::string& pickedFile = {},
                                    const std::string& pickedFolder = {});
};

/// One item of the Move menu: a station a run can be (re)started at.
struct MoveMenuItem {
    int station = 0;      ///< station index
    std::string name;     ///< "Sta" + index
    std::string caption;  ///< the station's name
};

/// Everything read from the data files for one drive, in the driving window's loading order.
struct LoadedService {
    ServiceChoice choice;
    data::UserOptions options;
    data::ControllerMap controllers;
    data::AppSettings settings;
    data::TrainFile train;
    data::LineData line;
    std::vector<MoveMenuItem> moveMenu;
};

/// Progress texts of the loading, shown in the title window's progress line.
using ProgressSink = std::function<void(const std::string& text)>;

/// Reads the options, the joystick calibration, the controller map, the settings file, the train
/// file and the line file, in that order, and builds the Move menu. Throws data::FatalError with
/// the message to show on the first fatal error (a missing controller map: its path followed by
/// "が見つかりません"). The train start rules (brake positions) are applied at the end.
LoadedService LoadService(const std::filesystem::path& programFolder, const ServiceChoice& choice,
                          data::SettingsStore& store, data::RandomSource& random,
                          const ProgressSink& progress = {});

/// The Move menu: every station of kind 0 or 2 from the second-to-last down to 0 with
/// StartStation ≤ i < StationLimit, listed in route order (the last station is never offered).
std::vector<MoveMenuItem> BuildMoveMenu(const data::LineData& line, int startStation,
                                        int stationLimit);

/// Folder the train file is read from: TrainFolder, or the program folder when it is empty.
std::filesystem::path trainFolderOf(const std::filesystem::path& programFolder,
                                    const ServiceChoice& choice);

}  // namespace tressmoor::sim
