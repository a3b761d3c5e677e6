// Lineside sprites: the pictures of the line file's image lists and their places on the route
// view, taken from the route, video and station state of the frame.
#include "sim/lineside_sprites.h"

#include <algorithm>
#include <cmath>

#include "data/rounding.h"
#include "sim/sim_state.h"

namespace tressmoor::sim {

namespace {

using I = LinesideItem;

/// px between the signs and the edges of the route view and between neighbouring signs.
constexpr int kMargin = 8;
/// Width assumed for a sign picture whose pattern size is not given, px.
constexpr int kDefaultSignWidth = 64;
/// Top of the second row of signs (traffic signals, animated objects), px.
constexpr int kSecondRowTop = 144;
/// Room kept for the traffic signal left of the animated object in the second row, px.
constexpr int kTrafficSlotWidth = 128;
/// How far left of the track centre the stop marker stands at the cab: 7/20 of the view width;
/// the offset shrinks with distance towards the vanishing point.
constexpr int kStopMarkerSideNum = 7;
constexpr int kStopMarkerSideDen = 20;

/// The sign-list indices of the items that come from [SignImageList].
constexpr I kSignItems[data::kSignImageCount] = {I::StopMarker,  I::StopLineNear, I::StopLine,
                                                 I::StopLineFar, I::SlopePost,    I::LimitSign,
                                                 I::Remain,      I::Cross,        I::OtherSign};

int signIndex(I item) {
    for (int k = 0; k < data::kSignImageCount; ++k) {
        if (kSignItems[k] == item) return k;
    }
    return -1;
}

const data::SignImage& sign(const data::LineData& line, I item) {
    return line.SignImageList[static_cast<std::size_t>(signIndex(item))];
}

/// Width the sign takes in the row: its pattern size, nothing when the line names no picture.
int signWidth(const data::LineData& line, I item) {
    const data::SignImage& s = sign(line, item);
    if (s.File.empty()) return 0;
    return s.PatternSize > 0 ? s.PatternSize : kDefaultSignWidth;
}

/// Right edge of the rows of signs: left of the remaining-distance ruler, which keeps the right
/// edge of the view to itself.
int rowRight(const LinesideContext& c) {
    const int ruler = signWidth(c.line, I::Remain);
    return c.settings.ViewWidth - kMargin - (ruler > 0 ? ruler + kMargin : 0);
}

/// Right edge of a sign in the top row: limit sign, gradient post, other signs, crossing
/// indicator, from the right.
int topRowRight(const LinesideContext& c, I item) {
    int right = rowRight(c);
    for (I k : {I::LimitSign, I::SlopePost, I::OtherSign, I::Cross}) {
        if (k == item) return right;
        const int w = signWidth(c.line, k);
        if (w > 0) right -= w + kMargin;
    }
    return right;
}

LinesidePlacement fromSprite(const route::SpriteState& s, SpriteAnchor anchor, int x, int y) {
    LinesidePlacement p;
    p.visible = s.visible;
    p.cell = s.pattern;
    p.x = x;
    p.y = y;
    p.anchor = anchor;
    return p;
}

LinesidePlacement topRowSign(const LinesideContext& c, const route::SpriteState& s, I item) {
    return fromSprite(s, SpriteAnchor::TopRight, topRowRight(c, item), kMargin);
}

/// Signal sprites stand where the signal record puts them.
LinesidePlacement atOwnPlace(const route::SpriteState& s) {
    return fromSprite(s, SpriteAnchor::TopLeft, s.x, s.y);
}

LinesidePlacement stopLine(const LinesideContext& c, const route::StopLine& line, I item) {
    LinesidePlacement p;
    const int w = signWidth(c.line, item);
    p.visible = line.visible && line.thickness > 0;
    p.x = (c.settings.ViewWidth - w) / 2;
    p.y = line.y;
    p.height = line.thickness;
    return p;
}

/// First stop-marker cell of the stations' own markers: cell 10 + i belongs to station i.
constexpr int kStationMarkerCell = 10;

/// cm from the cab to the stop the marker belongs to: a station's own marker stands at that
/// station's stop (the remaining distance already counts to the next stop once the train has
/// arrived); the approach boards count down to the next stop.
long double markerDistance(const LinesideContext& c, const SimState& s, int cell) {
    const int station = cell - kStationMarkerCell;
    if (station >= 0 && station < static_cast<int>(c.line.Station.size())) {
        return static_cast<long double>(
                   c.line.Station[static_cast<std::size_t>(station)].StopDistance) -
               s.route.LineDistance;
    }
    return s.stations.RemainingDistance;
}

/// The stop marker stands at its stop position, drawn in the perspective of the stop lines: at
/// d metres it stands on the ground at y = view height − d ÷ (d + P) × H, left of the track by
/// an offset that shrinks in the same proportion. It is not shown once the cab has passed it.
LinesidePlacement stopMarker(const LinesideContext& c, const SimState& s) {
    LinesidePlacement p;
    p.anchor = SpriteAnchor::BottomCentre;
    p.cell = s.stations.StopMarkerPattern;
    if (p.cell == 0) return p;
    const long double r = markerDistance(c, s, p.cell);
    const long double P = c.line.Perspective.P;
    const long double d = r / 100;
    if (!std::isfinite(r) || r < 0 || !(d + P > 0)) return p;
    const long double H = c.settings.ViewHeight;
    const long double G = c.line.Perspective.H;
    const long double W = c.settings.ViewWidth;
    const long double near = std::clamp(P / (d + P), 0.0L, 1.0L);
    const long double y = H - d / (d + P) * G;
    const long double x = W / 2 - W * kStopMarkerSideNum / kStopMarkerSideDen * near;
    if (!std::isfinite(x) || !std::isfinite(y)) return p;
    p.visible = true;
    p.x = static_cast<int>(data::roundHalfAway(std::clamp(x, -1e6L, 1e6L)));
    p.y = static_cast<int>(data::roundHalfAway(std::clamp(y, -1e6L, 1e6L)));
    return p;
}

}  // namespace

std::vector<LinesideSprite> BuildLinesideSprites(const data::LineData& line) {
    std::vector<LinesideSprite> sprites;
    const auto add = [&](I item, const char* name, const std::string& file, const char* error,
                         int w, int h) -> LinesideSprite* {
        if (file.empty()) return nullptr;
        LinesideSprite s;
        s.item = item;
        s.name = name;
        s.file = file;
        s.error = error;
        s.patternWidth = std::max(0, w);
        s.patternHeight = std::max(0, h);
        sprites.push_back(std::move(s));
        return &sprites.back();
    };
    for (int k = 0; k < data::kSignImageCount; ++k) {
        const data::SignImage& s = line.SignImageList[static_cast<std::size_t>(k)];
        add(kSignItems[k], data::kSignImageNames[static_cast<std::size_t>(k)], s.File,
            data::kSignImageErrors[static_cast<std::size_t>(k)], s.PatternSize, 0);
    }
    const data::SignalImages& sig = line.SignalImageList;
    add(I::Signal, data::kSignalImageName, sig.File, data::kSignalImageError, sig.Width,
        sig.Height);
    constexpr I kSubItems[data::kSubSignalImageCount] = {I::SignalSub, I::SignalLeft,
                                                         I::SignalRight};
    for (int k = 0; k < data::kSubSignalImageCount; ++k) {
        const auto i = static_cast<std::size_t>(k);
        add(kSubItems[k], data::kSubSignalImageNames[i], sig.Sub[i].File,
            data::kSubSignalImageErrors[i], sig.Sub[i].Width, sig.Sub[i].Height);
    }
    // The extra sub-signal is a further head drawn from the signal picture over the main one.
    add(I::SignalExtra, data::kSignalImageName, sig.File, data::kSignalImageError, sig.Width,
        sig.Height);

    // Pictures without a message of their own report a missing file.
    const auto list = [&](I item, const char* name, const std::vector<std::string>& files) {
        for (const std::string& file : files) {
            if (LinesideSprite* s = add(item, name, file, "", 0, 0)) s->listEntry = true;
        }
    };
    list(I::Anim, "img_anim", line.AnimImageList);
    list(I::Traffic, "img_traffic", line.TrafficSignalImageList);
    list(I::Traffic2, "img_traffic2", line.TrafficSignalImageList);

    if (line.Monitor.Present) {
        if (LinesideSprite* s = add(I::Monitor, data::kMonitorImageName, line.Monitor.File, "",
                                    line.Monitor.PatternWidth, line.Monitor.PatternHeight)) {
            s->onPanel = true;
        }
    }
    return sprites;
}

LinesidePlacement PlaceLineside(LinesideItem item, const LinesideContext& c,
                                const SimState& state) {
    const route::RouteState& r = state.route;
    const route::VideoState& v = state.video;
    switch (item) {
        case I::StopMarker:
            return stopMarker(c, state);
        case I::StopLineNear:
            return stopLine(c, v.stopLines[0], item);
        case I::StopLine:
            return stopLine(c, v.stopLines[1], item);
        case I::StopLineFar:
            return stopLine(c, v.stopLines[2], item);
        case I::SlopePost:
            return topRowSign(c, r.slopePost, item);
        case I::LimitSign:
            return topRowSign(c, r.limitSign, item);
        case I::Cross:
            return topRowSign(c, r.crossIndicator, item);
        case I::OtherSign:
            return topRowSign(c, r.otherSign, item);
        case I::Remain: {
            // The ruler keeps the right edge of the view; the state moves it up and down.
            const int w = signWidth(c.line, item);
            return fromSprite(v.remain, SpriteAnchor::TopLeft, c.settings.ViewWidth - kMargin - w,
                              v.remain.y);
        }
        case I::Signal:
            return atOwnPlace(r.signalSprites.main);
        case I::SignalSub:
            return atOwnPlace(r.signalSprites.subPlate);
        case I::SignalLeft:
            return atOwnPlace(r.signalSprites.left);
        case I::SignalRight:
            return atOwnPlace(r.signalSprites.right);
        case I::SignalExtra:
            return atOwnPlace(r.signalSprites.extra);
        case I::Anim: {
            // Outside every animation window the object is gone, not frozen at its first step.
            LinesidePlacement p = fromSprite(r.animSprite, SpriteAnchor::TopRight,
                                             rowRight(c) - kTrafficSlotWidth, kSecondRowTop);
            p.visible = p.visible && r.AnimRecord >= 0;
            return p;
        }
        case I::Traffic:
        case I::Traffic2: {
            const route::SpriteState& s = item == I::Traffic ? r.trafficSprite : r.trafficSprite2;
            LinesidePlacement p = fromSprite(s, SpriteAnchor::TopRight, rowRight(c), kSecondRowTop);
            p.visible = p.visible && r.TrafficInView >= 0;
            return p;
        }
        case I::Monitor: {
            LinesidePlacement p;
            p.visible = c.line.Monitor.Present;
            p.x = c.line.Monitor.X;
            p.y = c.line.Monitor.Y;
            p.cell = state.stations.MonitorPattern;
            return p;
        }
        case I::Count:
            break;
    }
    return {};
}

}  // namespace tressmoor::sim
