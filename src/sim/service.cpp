// The service a drive runs: the title window's choice and the loading of its data files.
#include "sim/service.h"

#include "data/fatal_error.h"
#include "data/line_file.h"
#include "data/settings_file.h"

namespace tressmoor::sim {

ServiceChoice ServiceChoice::forService(int index, const std::string& pickedFile,
                                        const std::string& pickedFolder) {
    ServiceChoice c;
    const auto& entry = kServices.at(static_cast<std::size_t>(index));
    c.LineFile = entry.lineFile;
    if (pickedFile.empty()) {
        c.TrainFile = entry.trainFile;
    } else {
        c.TrainFile = pickedFile;
        c.TrainFolder = pickedFolder;
    }
    return c;
}

std::filesystem::path trainFolderOf(const std::filesystem::path& programFolder,
                                    const ServiceChoice& choice) {
    return choice.TrainFolder.empty() ? programFolder : std::filesystem::path(choice.TrainFolder);
}

std::vector<MoveMenuItem> BuildMoveMenu(const data::LineData& line, int startStation,
                                        int stationLimit) {
    std::vector<MoveMenuItem> items;
    const int last = static_cast<int>(line.Station.size()) - 1;
    for (int i = 0; i < last; ++i) {
        const auto& s = line.Station[static_cast<std::size_t>(i)];
        if ((s.Kind == 0 || s.Kind == 2) && startStation <= i && i < stationLimit) {
            items.push_back({i, "Sta" + std::to_string(i), s.Name});
        }
    }
    return items;
}

LoadedService LoadService(const std::filesystem::path& programFolder, const ServiceChoice& choice,
                          data::SettingsStore& store, data::RandomSource& random,
                          const ProgressSink& progress) {
    auto say = [&](const char* text) {
        if (progress) progress(text);
    };
    LoadedService s;
    s.choice = choice;
    s.options = data::ReadUserOptions(store);
    data::ReadControllerCalibration(store, s.controllers);

    say("設定ファイルを読み込んでいます");
    if (!data::ReadControllerMap(programFolder, s.controllers)) {
        throw data::FatalError((programFolder / data::kControllerMapName).string() +
                               data::kFileNotFound);
    }
    data::ReadSettingsFile(programFolder, s.settings);
    s.settings.Options = s.options;

    s.train = data::LoadTrainFile(trainFolderOf(programFolder, choice), choice.TrainFile);
    s.line = data::LoadLineFile(programFolder, choice.LineFile, choice.TrainFile,
                                s.settings.VideoFps, random);
    s.moveMenu = BuildMoveMenu(s.line, choice.StartStation, choice.StationLimit);
    data::ApplyTrainStartRules(s.train.spec);
    return s;
}

}  // namespace tressmoor::sim
