// The user's settings store kept with QSettings (the registry on Windows, ~/.config on Linux).
#pragma once

#include <functional>
#include <string>

#include "data/settings_store.h"

class QSettings;

namespace tressmoor::platform {

/// Keeps each store ("kelvane", "quillpad") as a QSettings application of the organisation
/// "Tressmoor" in user scope and native format. Not thread-safe: used from the UI thread only.
///
/// A place that cannot be written (a read-only folder, a file where the folder should be) leaves
/// the program working with its options not kept: the first write that fails is said once
/// through the notice (stderr unless given), later ones silently.
class QtSettingsStore final : public data::SettingsStore {
public:
    using Notice = std::function<void(const std::string&)>;
    explicit QtSettingsStore(Notice notice = {}) : notice_(std::move(notice)) {}

    std::optional<int> readInt(std::string_view store, std::string_view name) override;
    std::optional<std::string> readString(std::string_view store, std::string_view name) override;
    bool writeInt(std::string_view store, std::string_view name, int value) override;
    bool writeString(std::string_view store, std::string_view name,
                     std::string_view value) override;

private:
    bool commit(QSettings& settings);

    Notice notice_;
    bool noticed_ = false;
};

}  // namespace tressmoor::platform
