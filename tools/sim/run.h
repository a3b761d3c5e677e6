// Running a drive headlessly: the frame loop, scripted input, the trace and the events file.
#pragma once

#include <cstdint>
#include <filesystem>
#include <iosfwd>
#include <optional>

#include "sim/drive_record.h"
#include "sim/script.h"
#include "sim/service.h"

namespace tressmoor::tools {

struct RunOptions {
    std::filesystem::path programFolder;
    sim::ServiceChoice choice;
    long double frameMs = 16.667L;           ///< simulated length of every frame
    std::optional<double> seconds;           ///< stop after this much simulated time
    std::uint64_t seed = 1;
    bool video = false;                      ///< open route videos through the real decoder
    std::optional<sim::Script> script;
    std::ostream* trace = nullptr;           ///< CSV, one row per frame
    std::ostream* events = nullptr;          ///< one line per event
    std::ostream* record = nullptr;          ///< the drive's record (sim/drive_record.h)
    /// Drive this record again (its inputs and frame lengths; choice and seed come from it).
    const sim::DriveRecord* replay = nullptr;
};

struct RunResult {
    double simulatedSeconds = 0;
    std::int64_t frames = 0;
    bool serviceEnded = false;
};

/// Drives the service frame after frame as fast as the machine allows. Ends when the service
/// ends at its last station, when `seconds` have been simulated, or — with a script and no
/// `seconds` — ten minutes after the script's last command; without either, after three hours.
/// Throws data::FatalError for fatal data errors.
RunResult runService(const RunOptions& options);

}  // namespace tressmoor::tools
