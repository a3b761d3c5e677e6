// Running a drive headlessly: the frame loop, scripted input, the trace and the events file.
#pragma once

#include <cstdint>
#include <filesystem>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "data/settings_file.h"
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
    /// Joystick calibration values the run's (empty) user settings hold.
    std::optional<data::CalibrationValues> calibration;
    std::optional<sim::Script> script;
    std::ostream* trace = nullptr;           ///< CSV, one row per frame
    std::ostream* events = nullptr;          ///< one line per event
    bool autopilot = false;                  ///< drive by the autopilot (sim/autopilot.h)
    std::optional<std::uint64_t> randomDriver;  ///< drive with sim::RandomDriver of this seed
    bool checkInvariants = false;            ///< check sim::InvariantChecker after every frame
    double rssEverySeconds = 0;              ///< > 0: sample resident memory this often
    std::ostream* rss = nullptr;             ///< "rss <seconds> <kB>" lines
    std::ostream* report = nullptr;          ///< the drive report, written when the run ends
    bool reportJson = false;                 ///< the report as JSON instead of text
    std::ostream* record = nullptr;          ///< the drive's record (sim/drive_record.h)
    /// Drive this record again (its inputs and frame lengths; choice and seed come from it).
    const sim::DriveRecord* replay = nullptr;
};

struct RunResult {
    double simulatedSeconds = 0;
    std::int64_t frames = 0;
    bool serviceEnded = false;
    std::vector<std::string> violations;  ///< broken invariants of the frame the run stopped at
};

/// Drives the service frame after frame as fast as the machine allows. Ends when the service
/// ends at its last station, when `seconds` have been simulated, or — with a script and no
/// `seconds` — ten minutes after the script's last command; without either, after three hours.
/// The random driver goes on past the service end (it restarts at a station). With the invariant
/// checks on, the run stops after the first frame that breaks one.
/// Throws data::FatalError for fatal data errors.
RunResult runService(const RunOptions& options);

}  // namespace tressmoor::tools
