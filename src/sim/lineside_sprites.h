// Lineside sprites over the route view: the pictures the line file names and where the route
// state puts them each frame.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "data/line_types.h"

namespace tressmoor::sim {

struct SimState;


/// Which state places a lineside sprite.
enum class LinesideItem : std::uint8_t {
    StopMarker,   ///< "img_unten_teimoku": approach boards and stop markers
    StopLineNear, ///< "img_unten_teimokuS"
    StopLine,     ///< "img_unten_teimokuM"
    StopLineFar,  ///< "img_unten_teimokuE"
    SlopePost,    ///< "img_unten_slope"
    LimitSign,    ///< "img_unten_limit"
    Remain,       ///< "img_unten_remain"
    Cross,        ///< "img_unten_cross"
    OtherSign,    ///< "img_unten_other"
    Signal,       ///< "img_unten_signal"
    SignalSub,    ///< "img_unten_signal_S"
    SignalLeft,   ///< "img_unten_signal_L"
    SignalRight,  ///< "img_unten_signal_R"
    Count,
};

/// A lineside picture named by the line file.
struct LinesideSprite {
    LinesideItem item = LinesideItem::StopMarker;
    std::string name;   ///< picture name
    std::string file;   ///< picture file as written in the line file (program folder)
    std::string error;  ///< message when the picture cannot be loaded
    int patternWidth = 0;   ///< px; 0 = the whole picture
    int patternHeight = 0;  ///< px; 0 = the picture's height
};

/// Where and how a lineside sprite shows this frame.
struct LinesidePlacement {
    bool visible = false;
    int x = 0;           ///< px on the route view
    int y = 0;           ///< px
    int cell = 0;        ///< cell of the picture
    int height = 0;      ///< px to draw (stop lines: their thickness); 0 = the cell's height
};

/// The lineside pictures of a line, in the order they are built (and drawn). Pictures with an
/// empty file name are left out.
std::vector<LinesideSprite> BuildLinesideSprites(const data::LineData& line);

/// Where the state puts lineside sprite `item` this frame.
LinesidePlacement PlaceLineside(LinesideItem item, const SimState& state);

}  // namespace tressmoor::sim
