// Reader of train files: the vehicle sections into TrainSpec and the cab panel into PanelLayout.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "data/panel_types.h"
#include "data/train_types.h"

namespace tressmoor::data {

/// Train file used when the title window names none.
inline constexpr const char* kDefaultTrainFileName = "train_223.dat";

/// A value of the train file does not convert, a value line is missing or a capacity is
/// exceeded: this text, immediately followed by the label of the section being read.
inline constexpr const char* kTrainFileError = "車両ファイルに誤りがあります";
/// Label of every vehicle section that is not a list from [Notch] on.
inline constexpr const char* kTrainBasicLabel = "- 列車の基本設定";
/// A diesel railcar ([Engine_Type] 0 so far) has a [Notch] list.
inline constexpr const char* kDieselHasNotchError = "動力が気動車なのにNotch指定があります";
/// An electric train ([Engine_Type] 1 so far) has an [Engine] list.
inline constexpr const char* kElectricHasEngineError = "動力が電車なのにEngine指定があります";
/// A brake with brake pipe or steps ([BrakeType] not 0) has fewer than 3 positions.
inline constexpr const char* kTooFewBrakeStepsError = "ブレーキの段数を3段以上に設定してください";

/// Everything a train file holds.
struct TrainFile {
    TrainSpec spec;
    PanelLayout panel;
};

/// Reads the train file `name` (resolved below `folder` with the data-file path rules) in one
/// pass. Throws FatalError with the exact message to show when the file is malformed; a file
/// that cannot be opened gives kTrainFileError followed by "- " and the path.
TrainFile LoadTrainFile(const std::filesystem::path& folder, std::string_view name);

/// Parses train-file lines (already decoded); the same rules as LoadTrainFile.
TrainFile ParseTrainLines(std::vector<std::string> lines);

/// Rules applied at start-up once the train file and the line file have been read: an automatic
/// air brake ([BrakeType] 0) always has 4 positions; any other brake needs at least 3
/// (FatalError(kTooFewBrakeStepsError) otherwise).
void ApplyTrainStartRules(TrainSpec& spec);

}  // namespace tressmoor::data
