// The three save slots of a run: snapshot strings, menu captions, saving and restoring.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "data/settings_store.h"
#include "route/stations.h"

namespace tressmoor::route {

inline constexpr int kSaveSlots = 3;

/// Messages of the save menu.
inline constexpr const char* kSavedMessage = "運転状態を保存しました";
inline constexpr const char* kNothingSavedMessage = "運転状態が保存されていません";
inline constexpr const char* kOtherLineMessage = "運転状態を保存したダイヤではありません";
/// Caption of a slot without a title.
inline constexpr const char* kNoDataCaption = "No Data";

/// What a slot holds: the train's place, speed and time.
struct SaveSnapshot {
    std::string lineFile;          ///< name of the line file the run uses
    int station = 0;               ///< current station index
    long double speed = 0;         ///< km/h (saved rounded to an integer)
    int routePosition = 0;         ///< frame
    std::int64_t clock = 0;        ///< ticks of 1/30 s
    long double lineDistance = 0;  ///< cm (saved rounded to an integer)
    int precedingPosition = 0;     ///< frame of the preceding train
};

/// One item of the Save menu.
struct SaveMenuItem {
    std::string caption;
    bool enabled = true;
};

/// The load and save items of the three slots.
struct SaveMenu {
    std::array<SaveMenuItem, kSaveSlots> load;
    std::array<SaveMenuItem, kSaveSlots> save;
};

/// Names of slot n's values (n = 1 … 3): "Save<n>" and "Save<n>Title".
std::string slotValueName(int slot);
std::string slotTitleName(int slot);

/// The snapshot string: seven fields joined by ",", speed and distance rounded.
std::string snapshotString(const SaveSnapshot& s);
/// Reads a snapshot string (missing fields read "0"); nullopt with `error` set when a number
/// does not convert or a speed or distance lies beyond the 64-bit range it is written in.
std::optional<SaveSnapshot> parseSnapshot(const std::string& text, std::string& error);
/// The slot title for a train at `lineDistance`: [LineName2] + "（" + A + "～" + B + "）" for the
/// stations around it; "" when no station lies behind the train.
std::string snapshotTitle(const data::LineData& line, long double lineDistance);

/// The present run as a snapshot.
SaveSnapshot captureSnapshot(const StationContext& c, const std::string& lineFile);

/// Opening the Save menu: the captions and enabled states of the six items.
SaveMenu Saveloadclick(data::SettingsStore& store);

/// Saves the present run into slot `slot` (1 … 3); returns the message to show.
std::string S2Click(StationContext& c, data::SettingsStore& store, int slot,
                    const std::string& lineFile);

/// Result of a restore: whether the run was changed, and the message to show ("" for none).
struct RestoreResult {
    bool restored = false;
    std::string message;
};

/// Restores slot `slot` (1 … 3) into the run of `lineFile`.
RestoreResult L1Click(StationContext& c, data::SettingsStore& store, int slot,
                      const std::string& lineFile);

/// Applies a snapshot of the loaded line to the run (the restore after its checks).
void restoreSnapshot(StationContext& c, const SaveSnapshot& snap);

}  // namespace tressmoor::route
