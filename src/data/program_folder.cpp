#include "data/program_folder.h"

#include <system_error>

#include "data/path_resolver.h"
#include "data/settings_file.h"

// The build sets this from the install layout (bin folder to data folder); the default is the
// usual prefix layout.
#ifndef TRESSMOOR_INSTALLED_DATA_RELATIVE
#define TRESSMOOR_INSTALLED_DATA_RELATIVE "../share/tressmoor"
#endif

namespace tressmoor::data {

namespace {

std::filesystem::path absoluteFolder(const std::filesystem::path& folder) {
    std::error_code ec;
    auto absolute = std::filesystem::absolute(folder, ec);
    return ec ? folder : absolute.lexically_normal();
}

}  // namespace

std::filesystem::path installedProgramFolder(const std::filesystem::path& executableFolder) {
    return absoluteFolder(executableFolder / TRESSMOOR_INSTALLED_DATA_RELATIVE);
}

std::filesystem::path resolveProgramFolder(const std::optional<std::string>& dataOption,
                                           const char* environmentValue,
                                           const std::filesystem::path& executableFolder) {
    if (dataOption && !dataOption->empty()) return absoluteFolder(*dataOption);
    if (environmentValue != nullptr && *environmentValue != '\0') {
        return absoluteFolder(environmentValue);
    }
    const auto besideExecutable = absoluteFolder(executableFolder);
    if (holdsSettingsFile(besideExecutable)) return besideExecutable;
    const auto installed = installedProgramFolder(executableFolder);
    if (holdsSettingsFile(installed)) return installed;
    return besideExecutable;
}

bool holdsSettingsFile(const std::filesystem::path& folder) {
    std::error_code ec;
    return std::filesystem::is_regular_file(resolveDataPath(folder, kSettingsFileName), ec);
}

}  // namespace tressmoor::data
