#include "data/program_folder.h"

#include <system_error>

#include "data/path_resolver.h"
#include "data/settings_file.h"

namespace tressmoor::data {

std::filesystem::path resolveProgramFolder(const std::optional<std::string>& dataOption,
                                           const char* environmentValue,
                                           const std::filesystem::path& executableFolder) {
    std::filesystem::path folder = executableFolder;
    if (dataOption && !dataOption->empty()) {
        folder = *dataOption;
    } else if (environmentValue != nullptr && *environmentValue != '\0') {
        folder = environmentValue;
    }
    std::error_code ec;
    auto absolute = std::filesystem::absolute(folder, ec);
    return ec ? folder : absolute.lexically_normal();
}

bool holdsSettingsFile(const std::filesystem::path& folder) {
    std::error_code ec;
    return std::filesystem::is_regular_file(resolveDataPath(folder, kSettingsFileName), ec);
}

}  // namespace tressmoor::data
