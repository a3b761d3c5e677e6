// Reader of the line file: sections into LineData, then the derived distances and targets.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "data/line_types.h"
#include "data/random_source.h"

namespace tressmoor::data {

/// First part of the message for a line that cannot be read; the section and the line follow.
inline constexpr const char* kLineFileError = "路線ファイルに誤りがあります。";
/// Section named in that message while no section is being read.
inline constexpr const char* kLineOtherSection = "その他";
/// Message when [Signal] and [Signal2] have different numbers of lines; the counts follow.
inline constexpr const char* kSignalCountMismatch = "信号機数不一致:";
/// Suffix of the message for a missing file, after its path.
inline constexpr const char* kFileNotFound = "が見つかりません";

/// Text of a value that is not a decimal integer (the second line of the error message).
std::string notAnIntegerText(std::string_view value);
/// Text of a value that is not a decimal number.
std::string notARealText(std::string_view value);

/// Reads the line file `name` (resolved below `folder`) and computes the derived data.
///
/// `trainFileName` is the loaded train's file name, compared with the first line of every
/// [Monitor] section; `videoFps` is the settings file's video frame rate, used to turn frames into
/// distances; `random` draws the preceding train's delays.
///
/// Throws FatalError:
/// - the file is missing: the path followed by "が見つかりません";
/// - a value does not convert: "路線ファイルに誤りがあります。" + section + ":" + line, a line
///   break, and the conversion error's text (two message boxes: split at the first line break);
/// - [Signal] and [Signal2] differ in length: "信号機数不一致:" + count + ":" + count.
LineData LoadLineFile(const std::filesystem::path& folder, std::string_view name,
                      const std::string& trainFileName, int videoFps, RandomSource& random);

/// The same from already-decoded lines (no file access).
LineData ParseLineLines(std::vector<std::string> lines, const std::string& trainFileName,
                        int videoFps, RandomSource& random);

/// Computes the derived data of a line whose sections have been read: segment end distances,
/// station stop and zone distances, limit and check distances, tunnel and Doppler distances, and
/// the sorted pattern target list. Uses line.VideoFps.
void DeriveLineData(LineData& line);

}  // namespace tressmoor::data
