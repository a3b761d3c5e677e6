// Builds the route video's world from a line: frame distances, track plan and profile, station
// sites, scenery placement and the sprites shared by every frame.
#include <QColor>
#include <QFont>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <stdexcept>

#include "data/line_file.h"
#include "data/line_types.h"
#include "route_video_world_data.h"

namespace tressmoor::mkcontent {
namespace {

/// Longest video and line the renderer accepts (about 90 hours at 30 frames/s, 2000 km): beyond
/// that the speed table is taken as broken rather than allocating without bound.
constexpr std::int64_t kMaxFrames = 10'000'000;
constexpr double kMaxLength = 2'000'000;  // m

/// Seed streams of the scenery draws; fixed so that every build draws the same world.
enum Stream : std::uint64_t {
    kCurveGap = 11,
    kCurveLength,
    kCurveRadius,
    kCurveSide,
    kLimitSide,
    kRegion,
    kTreeChance,
    kTreeLat,
    kTreeKind,
    kTreeSize,
    kHouseChance,
    kHouseLat,
    kHouseSize,
    kHouseVariant,
};

double smoothStep(double t) {
    t = std::clamp(t, 0.0, 1.0);
    return t * t * (3 - 2 * t);
}

/// 1 inside [a, b], 0 farther than `ramp` outside, smooth between.
double window(double s, double a, double b, double ramp) {
    if (s < a) return smoothStep(1 - (a - s) / ramp);
    if (s > b) return smoothStep(1 - (s - b) / ramp);
    return 1;
}

}  // namespace

double cellRandom(std::int64_t cell, std::uint64_t stream) {
    // splitmix64 of the cell and stream.
    std::uint64_t z =
        static_cast<std::uint64_t>(cell) * 0x9E3779B97F4A7C15ull + stream * 0xD1B54A32D192ED03ull;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    z ^= z >> 31;
    return static_cast<double>(z >> 11) / 9007199254740992.0;
}

int routeFrameCount(const data::LineData& line, int fps) {
    std::int64_t last = 0;
    for (const auto& seg : line.SpeedUnit) last = std::max<std::int64_t>(last, seg.LastFrame);
    const std::int64_t count = last + 1 + 10 * static_cast<std::int64_t>(std::clamp(fps, 1, 1000));
    if (count > kMaxFrames) throw std::runtime_error("the route video would be too long");
    return static_cast<int>(count);
}

RouteLayout layoutFromLine(const data::LineData& lineIn, int fps, int frameCount) {
    // Distances follow the video's frame rate; re-derive them when the line was read for another.
    const data::LineData* line = &lineIn;
    data::LineData copy;
    if (lineIn.VideoFps != fps) {
        copy = lineIn;
        copy.VideoFps = fps;
        data::DeriveLineData(copy);
        line = &copy;
    }

    RouteLayout out;
    const auto frames = static_cast<std::size_t>(std::max(frameCount, 1));
    out.frameMetres.assign(frames, 0.0);
    std::vector<std::uint8_t> covered(frames, 0);
    const data::SpeedUnitSegment* lastSegment = nullptr;
    for (const auto& seg : line->SpeedUnit) {
        if (seg.LastFrame <= seg.FirstFrame || seg.FirstFrame < 0) continue;
        if (!lastSegment || seg.LastFrame > lastSegment->LastFrame) lastSegment = &seg;
        const int end = std::min<int>(seg.LastFrame, static_cast<int>(frames) - 1);
        for (int p = seg.FirstFrame; p <= end; ++p) {
            if (covered[static_cast<std::size_t>(p)]) continue;
            out.frameMetres[static_cast<std::size_t>(p)] =
                static_cast<double>(line->FrameToDistance(p)) / 100.0;
            covered[static_cast<std::size_t>(p)] = 1;
        }
    }
    double held = 0;
    for (std::size_t p = 0; p < frames; ++p) {
        if (covered[p]) {
            held = out.frameMetres[p];
        } else if (lastSegment && static_cast<int>(p) > lastSegment->LastFrame) {
            const double speed = static_cast<double>(lastSegment->LastSpeed) / 3.6;  // m/s
            const double end = static_cast<double>(lastSegment->EndDistance) / 100.0;
            out.frameMetres[p] =
                end +
                speed * static_cast<double>(static_cast<int>(p) - lastSegment->LastFrame) / fps;
        } else {
            out.frameMetres[p] = held;
        }
    }
    auto metresOf = [&](int frame) {
        return out.frameMetres[static_cast<std::size_t>(
            std::clamp<int>(frame, 0, static_cast<int>(frames) - 1))];
    };

    for (std::size_t i = 0; i < line->Station.size(); ++i) {
        const auto& st = line->Station[i];
        SceneStation s;
        s.name = st.Name;
        if (i > 0) s.previous = line->Station[i - 1].Name;
        if (i + 1 < line->Station.size()) s.next = line->Station[i + 1].Name;
        s.stop = metresOf(st.StopFrame);
        s.platformRight = st.DoorSide == 1;
        out.stations.push_back(std::move(s));
    }
    for (const auto& t : line->Tunnel) {
        if (t.LastFrame > t.FirstFrame)
            out.tunnels.push_back({metresOf(t.FirstFrame), metresOf(t.LastFrame)});
    }
    for (const auto& c : line->Cross) out.crossings.push_back(metresOf(c.Frame));
    for (const auto& sl : line->Slope) {
        if (sl.EndFrame > sl.StartFrame)
            out.slopes.push_back(
                {metresOf(sl.StartFrame), metresOf(sl.EndFrame), sl.Gradient.toDouble()});
    }
    for (const auto& l : line->SpeedLimit) {
        if (l.EndFrame > l.StartFrame)
            out.limits.push_back({metresOf(l.StartFrame), metresOf(l.EndFrame), l.Limit});
    }
    return out;
}

namespace {

QImage makeTree(int variant) {
    QImage img(96, 160, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(92, 70, 48));
    p.drawRect(QRectF(43, 100, 10, 60));
    const QColor greens[3][3] = {{QColor(52, 98, 42), QColor(70, 122, 52), QColor(96, 146, 66)},
                                 {QColor(44, 84, 46), QColor(60, 106, 54), QColor(84, 128, 64)},
                                 {QColor(74, 104, 40), QColor(98, 128, 50), QColor(124, 150, 66)}};
    const auto& g = greens[variant % 3];
    for (int layer = 0; layer < 3; ++layer) {
        p.setBrush(g[layer]);
        for (int k = 0; k < 6; ++k) {
            const double a = cellRandom(variant * 100 + layer * 10 + k, 1);
            const double b = cellRandom(variant * 100 + layer * 10 + k, 2);
            const double cx = 48 + (a - 0.5) * (50 - layer * 12);
            const double cy = 60 + (b - 0.5) * (70 - layer * 16) - layer * 8;
            const double r = 26 - layer * 5 + a * 8;
            p.drawEllipse(QPointF(cx, cy), r, r * 0.9);
        }
    }
    return img;
}

QImage makeConifer(int variant) {
    QImage img(64, 160, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(80, 60, 44));
    p.drawRect(QRectF(29, 128, 6, 32));
    const QColor dark = variant ? QColor(30, 66, 40) : QColor(36, 74, 44);
    const QColor light = variant ? QColor(44, 86, 52) : QColor(50, 94, 56);
    for (int k = 0; k < 5; ++k) {
        const double top = 4 + k * 24;
        const double half = 10 + k * 5.5;
        QPolygonF tri;
        tri << QPointF(32, top) << QPointF(32 - half, top + 38) << QPointF(32 + half, top + 38);
        p.setBrush(k % 2 ? light : dark);
        p.drawPolygon(tri);
    }
    return img;
}

QImage makeCloud(int variant) {
    QImage img(320, 110, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    for (int k = 0; k < 9; ++k) {
        const double a = cellRandom(variant * 50 + k, 3);
        const double b = cellRandom(variant * 50 + k, 4);
        const QPointF c(50 + a * 220, 62 + (b - 0.5) * 30 - std::sin(a * std::numbers::pi) * 18);
        const double r = 26 + b * 22;
        QRadialGradient grad(c, r);
        grad.setColorAt(0, QColor(255, 255, 255, 215));
        grad.setColorAt(0.6, QColor(246, 248, 252, 160));
        grad.setColorAt(1, QColor(240, 244, 250, 0));
        p.setBrush(grad);
        p.drawEllipse(c, r * 1.4, r);
    }
    return img;
}

QImage makeBoard(const SceneStation& st) {
    QImage img(480, 168, QImage::Format_RGB32);
    img.fill(QColor(250, 250, 246));
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setPen(QPen(QColor(60, 60, 60), 6));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(3, 3, 474, 162));
    QFont big("IPAGothic");
    big.setPixelSize(70);
    big.setBold(true);
    p.setFont(big);
    p.setPen(QColor(20, 20, 20));
    p.drawText(QRectF(10, 6, 460, 100), Qt::AlignCenter, QString::fromStdString(st.name));
    p.fillRect(QRectF(6, 112, 468, 50), QColor(0, 128, 88));
    QFont small("IPAGothic");
    small.setPixelSize(28);
    p.setFont(small);
    p.setPen(Qt::white);
    if (!st.previous.empty())
        p.drawText(QRectF(16, 112, 220, 50), Qt::AlignLeft | Qt::AlignVCenter,
                   QStringLiteral("← ") + QString::fromStdString(st.previous));
    if (!st.next.empty())
        p.drawText(QRectF(244, 112, 220, 50), Qt::AlignRight | Qt::AlignVCenter,
                   QString::fromStdString(st.next) + QStringLiteral(" →"));
    return img;
}

}  // namespace

RouteWorld::RouteWorld(const RouteLayout& layout) : data_(std::make_unique<Data>()) {
    Data& d = *data_;
    d.layout = layout;
    double last = 0;
    for (double m : layout.frameMetres) last = std::max(last, m);
    for (const auto& st : layout.stations) last = std::max(last, st.stop);
    for (const auto& t : layout.tunnels) last = std::max(last, t.end);
    if (!(last < kMaxLength)) throw std::runtime_error("the line is too long for the route video");
    d.length = last + 3000;  // the view reaches about 2.5 km ahead
    const auto n = static_cast<std::size_t>(std::ceil(d.length)) + 2;

    // Curvature: straights and gentle curves drawn from fixed seeds, sharper curves inside the
    // speed limits, straight track through stations.
    std::vector<double> curv(n, 0.0);
    {
        double s = 150;
        for (std::int64_t k = 0; s < static_cast<double>(n); ++k) {
            s += 250 + 650 * cellRandom(k, kCurveGap);
            const double len = 250 + 450 * cellRandom(k, kCurveLength);
            const double radius = 700 + 900 * cellRandom(k, kCurveRadius);
            const double sign = cellRandom(k, kCurveSide) < 0.5 ? -1 : 1;
            for (double i = std::floor(s); i < s + len && i < static_cast<double>(n); i += 1) {
                const double t = std::min({(i - s) / 80, (s + len - i) / 80, 1.0});
                curv[static_cast<std::size_t>(i)] = sign / radius * smoothStep(t);
            }
            s += len;
        }
        for (std::size_t k = 0; k < layout.limits.size(); ++k) {
            const auto& l = layout.limits[k];
            const double a = l.start + 40, b = l.end - 40;
            if (b - a < 80) continue;
            const double sign = cellRandom(static_cast<std::int64_t>(k), kLimitSide) < 0.5 ? -1 : 1;
            const double radius = std::max(300.0, std::pow(l.kmh / 3.6, 2) / 0.6);
            for (double i = std::max(0.0, std::floor(a)); i <= b && i < static_cast<double>(n);
                 i += 1) {
                const double t = std::min({(i - a) / 60, (b - i) / 60, 1.0});
                curv[static_cast<std::size_t>(i)] = sign / radius * smoothStep(t);
            }
        }
        for (const auto& st : layout.stations) {
            const auto lo = static_cast<std::size_t>(std::clamp(st.stop - 420, 0.0, double(n)));
            const auto hi = static_cast<std::size_t>(std::clamp(st.stop + 270, 0.0, double(n)));
            for (std::size_t i = lo; i < hi; ++i)
                curv[i] *= 1 - window(static_cast<double>(i), st.stop - 320, st.stop + 170, 100);
        }
    }
    d.heading.assign(n, 0);
    d.rightX.assign(n, 0);
    d.rightY.assign(n, 0);
    d.x.assign(n, 0);
    d.y.assign(n, 0);
    double h = 0, px = 0, py = 0;
    for (std::size_t i = 0; i < n; ++i) {
        d.heading[i] = static_cast<float>(h);
        d.rightX[i] = static_cast<float>(std::sin(h));
        d.rightY[i] = static_cast<float>(-std::cos(h));
        d.x[i] = px;
        d.y[i] = py;
        const double mid = h + curv[i] * 0.5;
        px += std::cos(mid);
        py += std::sin(mid);
        h += curv[i];
    }

    // Profile: the gradient sections, rounded into vertical curves over 100 m.
    std::vector<double> raw(n, 0.0);
    for (const auto& sl : layout.slopes) {
        const auto a = static_cast<std::size_t>(std::clamp(sl.start, 0.0, double(n)));
        const auto b = static_cast<std::size_t>(std::clamp(sl.end, 0.0, double(n)));
        for (std::size_t i = a; i < b; ++i) raw[i] = sl.permille;
    }
    std::vector<double> prefix(n + 1, 0.0);
    for (std::size_t i = 0; i < n; ++i) prefix[i + 1] = prefix[i] + raw[i];
    d.grade.assign(n, 0);
    d.elevation.assign(n, 0);
    double e = 0;
    constexpr std::size_t kHalf = 50;
    for (std::size_t i = 0; i < n; ++i) {
        const std::size_t a = i > kHalf ? i - kHalf : 0;
        const std::size_t b = std::min(n, i + kHalf + 1);
        const double g = (prefix[b] - prefix[a]) / static_cast<double>(b - a);
        d.grade[i] = static_cast<float>(g);
        d.elevation[i] = static_cast<float>(e);
        e += g / 1000;
    }

    d.tunnels = layout.tunnels;
    std::sort(d.tunnels.begin(), d.tunnels.end(),
              [](const SceneRange& a, const SceneRange& b) { return a.start < b.start; });
    d.tunnel.assign(n, 0);
    for (const auto& t : d.tunnels) {
        const auto a = static_cast<std::size_t>(std::clamp(std::ceil(t.start), 0.0, double(n)));
        const auto b = static_cast<std::size_t>(std::clamp(t.end, 0.0, double(n)));
        for (std::size_t i = a; i < b; ++i) d.tunnel[i] = 1;
    }
    d.crossings = layout.crossings;
    std::sort(d.crossings.begin(), d.crossings.end());
    d.crossing.assign(n, 0);
    for (double c : d.crossings) {
        const auto a = static_cast<std::size_t>(std::clamp(c - 3, 0.0, double(n)));
        const auto b = static_cast<std::size_t>(std::clamp(c + 3, 0.0, double(n)));
        for (std::size_t i = a; i < b; ++i) d.crossing[i] = 1;
    }

    // Stations: platform beside the main track, a loop on the other side with its own platform.
    d.loop.assign(n, std::numeric_limits<float>::quiet_NaN());
    for (const auto& st : layout.stations) {
        StationSite site;
        site.stop = st.stop;
        site.start = st.stop - 150;
        site.end = st.stop + 25;
        site.side = st.platformRight ? 1 : -1;
        site.board = makeBoard(st);
        const double loopLat = -site.side * kLoopOffset;
        const auto lo = static_cast<std::size_t>(std::clamp(st.stop - 300, 0.0, double(n)));
        const auto hi = static_cast<std::size_t>(std::clamp(st.stop + 150, 0.0, double(n)));
        for (std::size_t i = lo; i < hi; ++i) {
            if (d.tunnel[i]) continue;
            const double w = window(static_cast<double>(i), st.stop - 220, st.stop + 70, 60);
            if (w > 0) d.loop[i] = static_cast<float>(loopLat * w);
        }
        d.sites.push_back(std::move(site));
    }

    // Scenery kind of every metre: 0 fields, 1 town, 2 forest, 3 rice paddies.
    d.region.assign(n, 0);
    for (std::size_t i = 0; i < n; ++i) {
        const double r = cellRandom(static_cast<std::int64_t>(i / 150), kRegion);
        d.region[i] = r < 0.35 ? 0 : r < 0.55 ? 3 : r < 0.75 ? 2 : 1;
    }
    for (const auto& t : d.tunnels) {
        const auto a = static_cast<std::size_t>(std::clamp(t.start - 300, 0.0, double(n)));
        const auto b = static_cast<std::size_t>(std::clamp(t.end + 300, 0.0, double(n)));
        for (std::size_t i = a; i < b; ++i) d.region[i] = 2;
    }
    for (const auto& st : layout.stations) {
        const auto a = static_cast<std::size_t>(std::clamp(st.stop - 500, 0.0, double(n)));
        const auto b = static_cast<std::size_t>(std::clamp(st.stop + 400, 0.0, double(n)));
        for (std::size_t i = a; i < b; ++i) d.region[i] = 1;
    }

    auto blocked = [&](double s, double lat) {
        const double a = std::abs(lat);
        for (const auto& t : d.tunnels)
            if (s > t.start - 40 && s < t.end + 10 && a < 45) return true;
        for (const auto& site : d.sites)
            if (s > site.start - 160 && s < site.end + 140 && a < 15) return true;
        for (double c : d.crossings)
            if (std::abs(s - c) < 10) return true;
        return false;
    };
    auto regionAt = [&](double s) { return d.region[d.index(s)]; };

    std::vector<Prop> trees, houses;
    const auto cells5 = static_cast<std::int64_t>(d.length / 5);
    for (std::int64_t c = 0; c < cells5; ++c) {
        for (int side = -1; side <= 1; side += 2) {
            const std::int64_t cell = c * 2 + (side > 0);
            const double s = static_cast<double>(c) * 5 + 5 * cellRandom(cell, kTreeLat + 100);
            const int reg = regionAt(s);
            const double chance = reg == 2 ? 0.85 : reg == 0 ? 0.08 : reg == 3 ? 0.035 : 0.07;
            if (cellRandom(cell, kTreeChance) >= chance) continue;
            const double u = cellRandom(cell, kTreeLat);
            const double lat = side * (6.5 + (reg == 2 ? 40 : 80) * u * u);
            if (blocked(s, lat)) continue;
            Prop p;
            p.s = s;
            p.lat = static_cast<float>(lat);
            const bool conifer = cellRandom(cell, kTreeKind) < (reg == 2 ? 0.6 : 0.2);
            p.kind = conifer ? Prop::Conifer : Prop::Tree;
            p.variant = static_cast<std::uint8_t>(cellRandom(cell, kTreeKind + 100) * 3);
            p.size = static_cast<float>((reg == 2 ? 10 : 7) + 6 * cellRandom(cell, kTreeSize));
            trees.push_back(p);
        }
    }
    const auto cells16 = static_cast<std::int64_t>(d.length / 16);
    for (std::int64_t c = 0; c < cells16; ++c) {
        for (int row = 0; row < 2; ++row) {
            for (int side = -1; side <= 1; side += 2) {
                const std::int64_t cell = c * 4 + row * 2 + (side > 0);
                const double s = static_cast<double>(c) * 16 + 3;
                const int reg = regionAt(s);
                double chance = reg == 1 ? 0.72 : reg == 0 ? 0.04 : reg == 3 ? 0.03 : 0.0;
                if (row == 1) chance *= 0.7;
                if (cellRandom(cell, kHouseChance) >= chance) continue;
                const double u = cellRandom(cell, kHouseLat);
                const double lat = side * (row == 0 ? 11 + 16 * u : 38 + 30 * u);
                if (blocked(s, lat) || blocked(s + 12, lat)) continue;
                Prop p;
                p.s = s;
                p.lat = static_cast<float>(lat);
                p.kind = Prop::House;
                p.variant = static_cast<std::uint8_t>(cellRandom(cell, kHouseVariant) * 6);
                p.size = static_cast<float>(8 + 4 * cellRandom(cell, kHouseSize));
                p.size2 = static_cast<float>(7 + 3 * cellRandom(cell, kHouseSize + 100));
                p.size3 = static_cast<float>(cellRandom(cell, kHouseSize + 200) < 0.6 ? 6.0 : 3.4);
                houses.push_back(p);
            }
        }
    }
    d.props.reserve(trees.size() + houses.size());
    std::merge(trees.begin(), trees.end(), houses.begin(), houses.end(),
               std::back_inserter(d.props), [](const Prop& a, const Prop& b) { return a.s < b.s; });

    for (double s = 25; s < d.length; s += 50) {
        if (d.tunnel[d.index(s)]) continue;
        bool crossingNear = false;
        for (double c : d.crossings) crossingNear |= std::abs(s - c) < 8;
        if (crossingNear) continue;
        Pole pole;
        pole.s = s;
        for (const auto& site : d.sites) pole.gantry |= s > site.stop - 300 && s < site.stop + 150;
        d.poles.push_back(pole);
    }

    for (int v = 0; v < 3; ++v) d.treeSprites.push_back(makeTree(v));
    for (int v = 0; v < 2; ++v) d.coniferSprites.push_back(makeConifer(v));
    for (int v = 0; v < 4; ++v) d.cloudSprites.push_back(makeCloud(v));
}

RouteWorld::~RouteWorld() = default;

const RouteLayout& RouteWorld::layout() const {
    return data_->layout;
}

double RouteWorld::length() const {
    return data_->length;
}

std::optional<double> RouteWorld::secondTrack(double metres) const {
    const float v = data_->loop[data_->index(metres)];
    if (std::isnan(v)) return std::nullopt;
    return v;
}

}  // namespace tressmoor::mkcontent
