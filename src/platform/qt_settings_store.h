// The user's settings store kept with QSettings (the registry on Windows, ~/.config on Linux).
#pragma once

#include "data/settings_store.h"

namespace tressmoor::platform {

/// Keeps each store ("kelvane", "quillpad") as a QSettings application of the organisation
/// "Tressmoor" in user scope and native format. Not thread-safe: used from the UI thread only.
class QtSettingsStore final : public data::SettingsStore {
public:
    std::optional<int> readInt(std::string_view store, std::string_view name) override;
    std::optional<std::string> readString(std::string_view store, std::string_view name) override;
    bool writeInt(std::string_view store, std::string_view name, int value) override;
    bool writeString(std::string_view store, std::string_view name,
                     std::string_view value) override;
};

}  // namespace tressmoor::platform
