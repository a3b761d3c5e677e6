// The sample content as the program reads it, and the media file names it holds.
#include "content_names.h"

#include <algorithm>

#include "data/line_file.h"
#include "data/random_source.h"
#include "data/settings_file.h"

namespace fs = std::filesystem;

namespace tressmoor::mkcontent {

std::string ContentSet::serviceTitle(const std::string& lineFile) const {
    for (const auto& [file, line] : lines) {
        if (file == lineFile) return line.LineName;
    }
    return lineFile;
}

std::vector<std::string> copyDataFiles(const fs::path& source, const fs::path& out) {
    if (!fs::is_directory(source)) {
        throw std::runtime_error("the content folder " + source.string() + " does not exist");
    }
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(source)) {
        if (!entry.is_regular_file()) continue;
        fs::copy_file(entry.path(), out / entry.path().filename(),
                      fs::copy_options::overwrite_existing);
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

ContentSet loadContent(const fs::path& folder) {
    ContentSet content;
    data::ReadSettingsFile(folder, content.settings);
    std::vector<std::string> files;
    for (const auto& entry : fs::directory_iterator(folder)) {
        if (entry.is_regular_file()) files.push_back(entry.path().filename().string());
    }
    std::sort(files.begin(), files.end());
    for (const std::string& f : files) {
        if (f.starts_with("train_") && f.ends_with(".dat")) {
            data::TrainFile train = data::LoadTrainFile(folder, f);
            data::ApplyTrainStartRules(train.spec);
            content.trains.emplace_back(f, std::move(train));
        }
    }
    for (const std::string& f : files) {
        if (!(f.starts_with("line_") && f.ends_with(".dat"))) continue;
        std::string train = "train_223.dat";
        for (std::size_t i = 0; i < kServiceLineFiles.size(); ++i) {
            if (f == kServiceLineFiles[i]) train = kServiceTrainFiles[i];
        }
        data::SeededRandom random(1);
        content.lines.emplace_back(
            f, data::LoadLineFile(folder, f, train, content.settings.VideoFps, random));
    }
    return content;
}

std::vector<std::string> soundNames(const ContentSet& content) {
    std::vector<std::string> names;
    auto add = [&](const std::string& n) {
        if (!n.empty()) names.push_back(n);
    };
    for (const auto& [file, train] : content.trains) {
        for (const auto& n : train.spec.DriveSound) add(n);
        for (const auto& r : train.spec.EngineSound1) add(r.file);
        for (const auto& r : train.spec.EngineSound3) add(r.file);
    }
    for (const auto& [file, line] : content.lines) {
        for (const auto& n : line.SoundData) add(n);
        for (const auto& n : line.KankoSound1) add(n);
        for (const auto& n : line.KankoSound2) add(n);
        for (const auto& n : line.OtherKanko) add(n);
        for (const auto& n : line.LimitKanko) add(n);
    }
    add(kTitleSound);
    return names;
}

}  // namespace tressmoor::mkcontent
