// Pictures a line file names: lineside signs, signal heads, timetable card, monitor.
#pragma once

#include "art_common.h"
#include "data/line_types.h"

namespace tressmoor::mkcontent {

/// Draws every picture of the line file's image lists and [Staf] and [Monitor] sections.
///
/// Sign strips ([SignImageList]) are single rows of cells, each as wide as the list's pattern
/// size and as tall as the picture; the cells follow the patterns the line uses: stop-marker
/// boards (1–5 approach boards for 50 … 300 m, 10 + i the stop marker of station i), gradient
/// posts (k + 1 for [Slope] record k, 0 level), limit signs (the [SpeedLimit] patterns), the
/// remaining-distance ruler (0 before the stop, 1 overrun), the crossing indicator and the other
/// signs. The signal picture ([SignalImageList]) holds the display frames 0 … 42 in rows of 11.
void drawLinePictures(const data::LineData& line, const ImageSink& put);

/// Extent of the remaining-distance ruler: the stop mark sits this many pixels below its top.
inline constexpr int kRemainMarkY = 870;

/// Size of the timetable card (the first [Staf] picture), px: it fits the black area right of
/// the cab view above the status labels.
inline constexpr int kTimetableCardWidth = 380;
inline constexpr int kTimetableCardHeight = 330;

}  // namespace tressmoor::mkcontent
