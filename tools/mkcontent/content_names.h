// The sample content as the program reads it, and the media file names it holds.
#pragma once

#include <array>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "data/line_types.h"
#include "data/settings_types.h"
#include "data/train_file.h"

namespace tressmoor::mkcontent {

/// Line files of the five services of the title window, in button order.
inline constexpr std::array<const char*, 5> kServiceLineFiles = {
    "line_kelvane1.dat", "line_kelvane2.dat", "line_kelvane3.dat", "line_rapid.dat",
    "line_exp.dat"};
/// Built-in train of each service.
inline constexpr std::array<const char*, 5> kServiceTrainFiles = {
    "train_223.dat", "train_223.dat", "train_223.dat", "train_223.dat", "train_683.dat"};

/// The title sound played by the title window.
inline constexpr const char* kTitleSound = "sound\\40225.wav";

/// Every data file of a program folder, read with the program's own readers.
struct ContentSet {
    data::AppSettings settings;
    std::vector<std::pair<std::string, data::TrainFile>> trains;  ///< "train_*.dat", by name
    std::vector<std::pair<std::string, data::LineData>> lines;    ///< "line_*.dat", by name

    /// [LineName] of a line file, or its file name when it is not loaded.
    std::string serviceTitle(const std::string& lineFile) const;
};

/// Copies the regular files of `source` (not its folders) into `out`; returns their names, sorted.
std::vector<std::string> copyDataFiles(const std::filesystem::path& source,
                                       const std::filesystem::path& out);

/// Reads tressmoor.dat, every train_*.dat and every line_*.dat of `folder` with the program's
/// readers (in name order). A line file is read with the train of its service (so [Monitor]
/// applies), other lines with train_223.dat. Throws data::FatalError with the program's message.
ContentSet loadContent(const std::filesystem::path& folder);

/// Every sound file the content names, as written, in a fixed order (duplicates kept): the
/// trains' [DriveSound], [EngineSound1] and [EngineSound3] files, the lines' [SoundData], call
/// slots, [OtherKanko] and [LimitKanko] files, then the title sound.
std::vector<std::string> soundNames(const ContentSet& content);

}  // namespace tressmoor::mkcontent
