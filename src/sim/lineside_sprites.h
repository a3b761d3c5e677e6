// Lineside sprites over the route view: the pictures the line file names and where the route
// state puts them each frame.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "data/line_types.h"
#include "data/settings_types.h"

namespace tressmoor::sim {

struct SimState;

/// Which state places a lineside sprite.
enum class LinesideItem : std::uint8_t {
    StopMarker,    ///< "img_unten_teimoku": approach boards and stop markers
    StopLineNear,  ///< "img_unten_teimokuS"
    StopLine,      ///< "img_unten_teimokuM"
    StopLineFar,   ///< "img_unten_teimokuE"
    SlopePost,     ///< "img_unten_slope"
    LimitSign,     ///< "img_unten_limit"
    Remain,        ///< "img_unten_remain"
    Cross,         ///< "img_unten_cross"
    OtherSign,     ///< "img_unten_other"
    Signal,        ///< "img_unten_signal"
    SignalSub,     ///< "img_unten_signal_S"
    SignalLeft,    ///< "img_unten_signal_L"
    SignalRight,   ///< "img_unten_signal_R"
    SignalExtra,   ///< the extra sub-signal: a cell of the signal picture over the main head
    Anim,          ///< an [AnimImageList] picture (the animated object)
    Traffic,       ///< a [TrafficSignalImageList] picture (the road traffic signal)
    Traffic2,      ///< a [TrafficSignalImageList] picture (the traffic signal's second light)
    Monitor,       ///< "img_mon": the [Monitor] image of the loaded train
    Count,
};

inline constexpr int kLinesideItemCount = static_cast<int>(LinesideItem::Count);

/// A lineside picture named by the line file.
struct LinesideSprite {
    LinesideItem item = LinesideItem::StopMarker;
    std::string name;  ///< picture name
    std::string file;  ///< picture file as written in the line file (program folder)
    /// Message when the picture cannot be loaded; "" = the picture's path followed by
    /// "が見つかりません".
    std::string error;
    int patternWidth = 0;   ///< px; 0 = the whole picture
    int patternHeight = 0;  ///< px; 0 = the picture's height
    /// One picture of an image list: the placement's cell picks the list entry (counted from 0)
    /// and the whole picture is drawn.
    bool listEntry = false;
    /// Drawn with the cab panel (over its sprites, moving with its shake) instead of the scene
    /// ahead: a cab device rather than a lineside object.
    bool onPanel = false;
};

/// Which point of the drawn sprite the placement's (x, y) gives.
enum class SpriteAnchor : std::uint8_t {
    TopLeft,
    TopRight,      ///< x is the right edge (pictures of unknown width lined up from the right)
    BottomCentre,  ///< the foot of a post standing on the ground at (x, y)
};

/// Where and how a lineside sprite shows this frame.
struct LinesidePlacement {
    bool visible = false;
    int x = 0;       ///< px on the route view (or the cab view for panel items)
    int y = 0;       ///< px
    int cell = 0;    ///< cell of the picture; for list entries, the entry shown
    int height = 0;  ///< px to draw (stop lines: their thickness); 0 = the cell's height
    SpriteAnchor anchor = SpriteAnchor::TopLeft;
};

/// What placing the lineside sprites reads besides the driving state.
struct LinesideContext {
    const data::LineData& line;
    const data::AppSettings& settings;
};

/// The lineside pictures of a line, in the order they are built (and drawn). Pictures with an
/// empty file name are left out.
std::vector<LinesideSprite> BuildLinesideSprites(const data::LineData& line);

/// Where the state puts lineside sprite `item` this frame.
LinesidePlacement PlaceLineside(LinesideItem item, const LinesideContext& c, const SimState& state);

}  // namespace tressmoor::sim
