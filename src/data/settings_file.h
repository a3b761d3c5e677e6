// Readers of the settings file, the controller map, the joystick calibration and the options.
#pragma once

#include <array>
#include <filesystem>
#include <optional>
#include <string_view>

#include "data/settings_store.h"
#include "data/settings_types.h"

namespace tressmoor::data {

/// Name of the settings file in the program folder.
inline constexpr const char* kSettingsFileName = "tressmoor.dat";
/// Name of the controller map in the program folder.
inline constexpr const char* kControllerMapName = "mascon.dat";

/// Message for a missing, unreadable or malformed settings file.
inline constexpr const char* kSettingsFileError = "stringファイルに誤りがあります";

/// Reads folder/"tressmoor.dat" into `settings` (the options are left as they are).
/// Throws FatalError(kSettingsFileError) when the file is missing or unreadable or a [Disp]
/// value is not an integer.
void ReadSettingsFile(const std::filesystem::path& folder, AppSettings& settings);

/// Parses settings-file lines (already decoded) into `settings`; the same rules as
/// ReadSettingsFile.
void ParseSettingsLines(std::vector<std::string> lines, AppSettings& settings);

/// Reads folder/"mascon.dat" into the serial codes. Returns false (codes untouched) when the
/// file is missing or unreadable; the caller reports that and stops building the drive.
bool ReadControllerMap(const std::filesystem::path& folder, ControllerMap& map);

/// Lines up to (not including) the first line whose first character is "#".
std::vector<std::string> ParseControllerMapLines(const std::vector<std::string>& lines);

/// Reads P0 … P5, B0 … B8, EB in this order from the "quillpad" store; the first value that is
/// missing or not an integer ends the reading, and it and every later value are 0.
void ReadControllerCalibration(SettingsStore& store, ControllerMap& map);

/// The calibration values in their stored order: P0 … P5, B0 … B8, EB.
using CalibrationValues = std::array<int, 16>;
/// "v,v,…" with the 16 values as whole numbers; nullopt for any other text.
std::optional<CalibrationValues> ParseCalibrationList(std::string_view text);
/// Writes the 16 values where ReadControllerCalibration finds them (as a calibration tool
/// keeps them). False when a value could not be written.
bool WriteControllerCalibration(SettingsStore& store, const CalibrationValues& values);

/// Reads Kanko, Information, ATS, Tunnel, Moji from the "kelvane" store; if any is missing or
/// not an integer, all five take their defaults (0, 0, 0, 0, 1).
UserOptions ReadUserOptions(SettingsStore& store);
/// Writes the five options back; failures are ignored.
void WriteUserOptions(SettingsStore& store, const UserOptions& options);

}  // namespace tressmoor::data
