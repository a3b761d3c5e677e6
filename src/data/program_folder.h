// Locating the program folder: the folder that holds the settings file and everything it names.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace tressmoor::data {

/// Where the program folder is: the folder given on the command line (`--data DIR`) wins, then
/// the environment variable TRESSMOOR_DATA, then the executable's own folder. The result is
/// absolute; it is not checked for a settings file (callers report that with their own message).
std::filesystem::path resolveProgramFolder(const std::optional<std::string>& dataOption,
                                           const char* environmentValue,
                                           const std::filesystem::path& executableFolder);

/// True when the folder holds the settings file "tressmoor.dat" (in any letter case, as a
/// folder copied from Windows may have it).
bool holdsSettingsFile(const std::filesystem::path& folder);

/// Message shown when the settings file is not in the program folder.
inline constexpr const char* kMisplacedProgramMessage =
    "実行ファイルが正しい場所に配置されていません";

}  // namespace tressmoor::data
