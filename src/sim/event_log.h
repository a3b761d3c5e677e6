// The events file both programs write: one line per thing that happened in a drive.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tressmoor::sim {

/// "HH:MM:SS" of a timetable clock in ticks (30 a second); a negative clock reads 00:00:00.
std::string clockText(std::int64_t ticks);

/// One line of an events file, without its line end: the driven time in whole milliseconds,
/// the clock and what happened ("141300 08:02:21 arrival 1").
std::string eventLine(double drivenSeconds, std::int64_t clock, std::string_view text);

}  // namespace tressmoor::sim
