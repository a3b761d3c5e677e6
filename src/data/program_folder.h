// Locating the program folder: the folder that holds the settings file and everything it names.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace tressmoor::data {

/// The program folder of an installation, relative to the folder of the installed executables
/// ("../share/tressmoor" for the usual bin/ and share/ layout). Deriving it from the executable
/// keeps an installation working when its whole prefix is moved elsewhere.
std::filesystem::path installedProgramFolder(const std::filesystem::path& executableFolder);

/// Where the program folder is, in this order:
///   1. the folder given on the command line (`--data DIR`),
///   2. the folder in the environment variable TRESSMOOR_DATA,
///   3. the executable's own folder, when it holds the settings file,
///   4. the installed program folder (installedProgramFolder), when it holds the settings file.
/// A folder named by 1 or 2 is taken as it is, even without a settings file: the user asked for
/// it. When neither 3 nor 4 holds a settings file the executable's folder is returned. The
/// result is absolute; callers report a missing settings file with their own message.
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
