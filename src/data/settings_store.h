// The per-user key-value store for options, save slots and controller calibration.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace tressmoor::data {

/// The two stores the program uses.
inline constexpr std::string_view kOptionsStore = "kelvane";      ///< options and save slots
inline constexpr std::string_view kCalibrationStore = "quillpad";  ///< joystick calibration

/// Integers and strings by name under one of the program's stores ("kelvane", "quillpad").
/// The desktop program keeps them in the user's settings (QSettings, organisation "Tressmoor");
/// tests and the headless runner use MemorySettingsStore.
class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    /// nullopt when the value is missing or is not an integer.
    virtual std::optional<int> readInt(std::string_view store, std::string_view name) = 0;
    /// nullopt when the value is missing.
    virtual std::optional<std::string> readString(std::string_view store,
                                                  std::string_view name) = 0;
    /// false when the value could not be written.
    virtual bool writeInt(std::string_view store, std::string_view name, int value) = 0;
    virtual bool writeString(std::string_view store, std::string_view name,
                             std::string_view value) = 0;
};

/// A store held in memory, for tests and headless runs. Values written as strings that read as
/// integers are returned by readInt as well, as the desktop store does.
class MemorySettingsStore final : public SettingsStore {
public:
    std::optional<int> readInt(std::string_view store, std::string_view name) override;
    std::optional<std::string> readString(std::string_view store, std::string_view name) override;
    bool writeInt(std::string_view store, std::string_view name, int value) override;
    bool writeString(std::string_view store, std::string_view name,
                     std::string_view value) override;

private:
    std::map<std::string, std::string, std::less<>> values_;  ///< "store/name" → text
};

}  // namespace tressmoor::data
