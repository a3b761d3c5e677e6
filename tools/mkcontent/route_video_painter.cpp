// Draws one view from the cab: sky, hills, ground and track row by row in perspective, then the
// lineside things from far to near, and the tunnel tube when the cab is inside one.
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <numbers>

#include "route_video_world_data.h"

namespace tressmoor::mkcontent {
namespace {

constexpr double kEye = 2.9;              ///< m, driver's eye above the rail
constexpr double kHorizon = 0.40;         ///< horizon of level track, fraction of the height
constexpr double kFocal = 0.78;           ///< focal length, fraction of the width
constexpr double kGroundReach = 2600;     ///< m of track followed ahead
constexpr double kPropReach = 700;        ///< m within which trees and houses are drawn
constexpr double kNear = 1.2;             ///< m, nothing nearer than this is drawn
constexpr double kSleeperPitch = 0.6;     ///< m between sleepers
constexpr double kRailHalfWidth = 0.035;  ///< m, half the width of a rail head

struct Rgb {
    int r, g, b;
};

constexpr Rgb kHaze{206, 216, 226};

QRgb mix(Rgb c, Rgb to, double t) {
    return qRgb(static_cast<int>(c.r + (to.r - c.r) * t), static_cast<int>(c.g + (to.g - c.g) * t),
                static_cast<int>(c.b + (to.b - c.b) * t));
}

QColor fogged(Rgb c, double dist) {
    return QColor(mix(c, kHaze, 1 - std::exp(-dist / 2200)));
}

/// Camera-space point: lat right, up above the eye, z ahead (m).
struct V3 {
    double lat, up, z;
};

/// One row of ground as drawn, kept to redraw the floor inside tunnels.
struct Row {
    int y;
    double s, centre, scale, z;
};

/// One sample of the track ahead.
struct Sample {
    double a;       ///< m of track ahead
    double z;       ///< m, depth
    double sx, sy;  ///< screen position of the track centre
    int top;        ///< first ground row drawn nearer than this sample (rows above are farther)
};

enum class ItemKind { Prop, Pole, Platform, Canopy, Board, Building, Portal, Crossing, Car };

struct Item {
    double key;    ///< m, distance from the eye; drawn from the largest
    double depth;  ///< m, depth of the item's foot (for hiding it behind a crest)
    ItemKind kind;
    int index;      ///< record in the world's list; for a car piece 1 = it carries the front face
    double s0, s1;  ///< m along the line covered by the item (s1 unused for single things)
    double lat;     ///< m, lateral place of the item (platform edge, board, loop of a car)
};

const std::array<Rgb, 6> kWalls{Rgb{226, 218, 196}, Rgb{236, 236, 230}, Rgb{200, 190, 170},
                                Rgb{190, 160, 128}, Rgb{172, 182, 192}, Rgb{228, 218, 172}};
const std::array<Rgb, 6> kRoofs{Rgb{62, 72, 92},  Rgb{112, 72, 52}, Rgb{72, 72, 76},
                                Rgb{52, 82, 122}, Rgb{150, 82, 62}, Rgb{52, 52, 58}};

}  // namespace

struct RouteRenderer::Impl {
    const RouteWorld::Data& w;
    int width, height;
    double f, cx, hy;

    // Per frame.
    double camS = 0, camX = 0, camY = 0, camE = 0, ch = 1, sh = 0, pitch = 0, heading = 0;
    double horizon = 0;
    const PassingTrain* train = nullptr;
    QRgb* bits = nullptr;
    qsizetype stride = 0;  // in pixels
    std::vector<Sample> samples;
    std::vector<Row> rows;
    std::vector<Item> items;

    Impl(const RouteWorld& world, int wdt, int hgt)
        : w(world.data()),
          width(wdt),
          height(hgt),
          f(kFocal * wdt),
          cx(wdt / 2.0),
          hy(kHorizon * hgt) {
        makeTables();
    }

    // ---- geometry -------------------------------------------------------------------------

    void placeCamera(double s) {
        camS = s;
        camX = w.at(w.x, s);
        camY = w.at(w.y, s);
        heading = w.at(w.heading, s);
        ch = std::cos(heading);
        sh = std::sin(heading);
        camE = w.at(w.elevation, s) + kEye;
        pitch = std::clamp(w.at(w.grade, s) / 1000, -0.1, 0.1);
        horizon = hy + f * pitch;
    }

    V3 toCamera(double s, double lat, double hgt) const {
        double wx = 0, wy = 0;
        w.place(s, lat, wx, wy);
        const double dx = wx - camX, dy = wy - camY;
        const double fwd = dx * ch + dy * sh;
        const double side = dx * sh - dy * ch;
        const double up = w.at(w.elevation, s) + hgt - camE;
        return {side, up - pitch * fwd, fwd + pitch * up};
    }

    QPointF project(const V3& v) const {
        const double z = std::max(v.z, 0.05);
        return {cx + f * v.lat / z, hy - f * v.up / z};
    }
    QPointF at(double s, double lat, double hgt) const { return project(toCamera(s, lat, hgt)); }
    double scaleAt(double z) const { return f / std::max(z, 0.05); }

    /// Second track offset at s: the line's loop or the passing train's temporary track.
    double secondTrack(double s) const {
        const float v = w.loop[w.index(s)];
        if (!std::isnan(v)) return v;
        if (train && train->track != 0 && !w.inTunnel(s)) return train->track;
        return std::nan("");
    }

    // ---- pixels ---------------------------------------------------------------------------

    /// Fills n pixels: the first few one by one, the rest by doubling copies (fast in every
    /// build type).
    static void fill(QRgb* p, int n, QRgb c) {
        const int first = std::min(n, 16);
        for (int i = 0; i < first; ++i) p[i] = c;
        for (int done = first; done < n;) {
            const int k = std::min(done, n - done);
            std::memcpy(p + done, p, static_cast<std::size_t>(k) * sizeof(QRgb));
            done += k;
        }
    }

    void span(QRgb* row, double x0, double x1, QRgb c) const {
        if (!(x1 > x0)) return;  // also refuses NaN
        const auto a = static_cast<int>(std::clamp(std::floor(x0), 0.0, double(width)));
        const auto b = static_cast<int>(std::clamp(std::ceil(x1), 0.0, double(width)));
        if (a < b) fill(row + a, b - a, c);
    }

    void drawSky() {
        const int end = std::clamp(static_cast<int>(std::ceil(horizon)), 0, height);
        for (int y = 0; y < end; ++y) {
            const double t = std::clamp((horizon - y) / (0.75 * height), 0.0, 1.0);
            const double k = std::pow(t, 0.7);
            const QRgb c = mix(Rgb{216, 228, 238}, Rgb{78, 128, 198}, k);
            fill(bits + y * stride, width, c);
        }
        const QRgb far = mix(Rgb{120, 148, 110}, kHaze, 0.55);
        for (int y = end; y < height; ++y) fill(bits + y * stride, width, far);
    }

    void drawClouds(QPainter& p) {
        const double unit = width / 800.0;
        for (int k = 0; k < 14; ++k) {
            const double az = 2 * std::numbers::pi * (k + cellRandom(k, 40)) / 14;
            double rel = std::remainder(az - heading, 2 * std::numbers::pi);
            if (std::abs(rel) > 1.2) continue;
            const double elev = 0.05 + 0.22 * cellRandom(k, 41);
            const double sc = (0.7 + 0.8 * cellRandom(k, 42)) * unit * (1.2 - elev * 2);
            const QImage& img = w.cloudSprites[static_cast<std::size_t>(k) % w.cloudSprites.size()];
            const double x = cx - f * std::tan(rel);
            const double y = horizon - f * std::tan(elev);
            const QRectF r(x - img.width() * sc / 2, y - img.height() * sc / 2, img.width() * sc,
                           img.height() * sc);
            if (r.right() < 0 || r.left() > width || r.bottom() < 0) continue;
            p.drawImage(r, img);
        }
    }

    /// Heights of the far and near hills (rad above the horizon) around the compass, and the
    /// direction of every pixel column relative to the view axis.
    static constexpr int kHillSteps = 8192;
    std::vector<float> farHill, nearHill, columnAngle;

    void makeTables() {
        farHill.resize(kHillSteps);
        nearHill.resize(kHillSteps);
        for (int k = 0; k < kHillSteps; ++k) {
            const double az = 2 * std::numbers::pi * k / kHillSteps;
            const double e1 = 0.016 + 0.011 * std::sin(3 * az + 1.3) +
                              0.006 * std::sin(7 * az + 0.4) + 0.003 * std::sin(13 * az + 2.1) +
                              0.0015 * std::sin(31 * az);
            const double e2 = 0.006 + 0.005 * std::sin(5 * az + 2) + 0.003 * std::sin(11 * az + 1) +
                              0.0015 * std::sin(23 * az + 0.5);
            farHill[static_cast<std::size_t>(k)] = static_cast<float>(std::max(e1, 0.002));
            nearHill[static_cast<std::size_t>(k)] = static_cast<float>(std::max(e2, 0.001));
        }
        columnAngle.resize(static_cast<std::size_t>(width));
        for (int x = 0; x < width; ++x)
            columnAngle[static_cast<std::size_t>(x)] = static_cast<float>(std::atan((x - cx) / f));
    }

    void drawHills() {
        const QRgb farC = qRgb(140, 162, 182), nearC = qRgb(112, 140, 126);
        const int base = std::min(height, static_cast<int>(std::ceil(horizon)));
        const double turn = kHillSteps / (2 * std::numbers::pi);
        for (int x = 0; x < width; ++x) {
            const double az = heading - columnAngle[static_cast<std::size_t>(x)];
            const auto k = static_cast<std::size_t>(
                (static_cast<std::int64_t>(std::floor(az * turn)) % kHillSteps + kHillSteps) %
                kHillSteps);
            const int top1 = std::max(0, static_cast<int>(horizon - f * farHill[k]));
            const int top2 = std::max(0, static_cast<int>(horizon - f * nearHill[k]));
            for (int y = top1; y < base; ++y) bits[y * stride + x] = y >= top2 ? nearC : farC;
        }
    }

    void drawTrack(QRgb* row, double centre, double scale, double s, double z, double rowMetres,
                   double fog, bool tunnel) {
        const Rgb ballast = tunnel ? Rgb{46, 44, 42} : Rgb{132, 124, 114};
        const Rgb sleeper = tunnel ? Rgb{62, 60, 58} : Rgb{164, 160, 152};
        const Rgb rail = tunnel ? Rgb{96, 96, 100} : Rgb{204, 206, 212};
        span(row, centre - 1.45 * scale, centre + 1.45 * scale, mix(ballast, kHaze, fog));
        if (rowMetres < kSleeperPitch * 0.4) {
            if (std::fmod(s, kSleeperPitch) < 0.22)
                span(row, centre - scale, centre + scale, mix(sleeper, kHaze, fog));
        } else if (z < 400) {
            const Rgb blend{(ballast.r * 2 + sleeper.r) / 3, (ballast.g * 2 + sleeper.g) / 3,
                            (ballast.b * 2 + sleeper.b) / 3};
            span(row, centre - scale, centre + scale, mix(blend, kHaze, fog));
        }
        const double hw = std::max(0.5, kRailHalfWidth * scale);
        const double g = kGauge / 2 * scale;
        const QRgb rc = mix(rail, kHaze, fog);
        span(row, centre - g - hw, centre - g + hw, rc);
        span(row, centre + g - hw, centre + g + hw, rc);
    }

    void drawRow(int y, double s, double z, double centre, double scale) {
        QRgb* row = bits + y * stride;
        const double fog = 1 - std::exp(-z / 2200);
        const double rowMetres = z * z / (f * kEye);  // ground covered by one pixel row
        const std::size_t i = w.index(s);
        if (w.tunnel[i]) {
            fill(row, width, mix(Rgb{34, 33, 32}, kHaze, fog * 0.3));
            span(row, centre - kTunnelHalfWidth * scale, centre + kTunnelHalfWidth * scale,
                 qRgb(40, 38, 36));
            drawTrack(row, centre, scale, s, z, rowMetres, 0, true);
            rows.push_back({y, s, centre, scale, z});
            return;
        }
        if (w.crossing[i]) {
            fill(row, width, mix(Rgb{78, 78, 80}, kHaze, fog));
            span(row, centre - 1.3 * scale, centre + 1.3 * scale, mix(Rgb{58, 58, 60}, kHaze, fog));
            const double hw = std::max(0.5, kRailHalfWidth * scale);
            const double g = kGauge / 2 * scale;
            const QRgb rc = mix(Rgb{200, 200, 206}, kHaze, fog);
            span(row, centre - g - hw, centre - g + hw, rc);
            span(row, centre + g - hw, centre + g + hw, rc);
            return;
        }
        Rgb a{}, b{};
        double stripe = 6;
        switch (w.region[i]) {
            case 1:
                a = {124, 136, 102};
                b = {114, 128, 94};
                stripe = 8;
                break;
            case 2:
                a = {72, 102, 52};
                b = {64, 94, 48};
                stripe = 5;
                break;
            case 3:
                a = {122, 154, 74};
                b = {100, 136, 66};
                stripe = 3;
                break;
            default:
                a = {110, 144, 66};
                b = {124, 156, 74};
                stripe = 6;
                break;
        }
        Rgb ground = a;
        if (rowMetres < stripe * 0.5) {
            if (static_cast<std::int64_t>(std::floor(s / stripe)) & 1) ground = b;
        } else {
            ground = {(a.r + b.r) / 2, (a.g + b.g) / 2, (a.b + b.b) / 2};
        }
        fill(row, width, mix(ground, kHaze, fog));
        span(row, centre - 2.7 * scale, centre + 2.7 * scale, mix(Rgb{148, 140, 116}, kHaze, fog));
        const double second = secondTrack(s);
        if (!std::isnan(second)) {
            const double c2 = centre + second * scale;
            span(row, std::min(centre, c2) - 2.7 * scale, std::max(centre, c2) + 2.7 * scale,
                 mix(Rgb{148, 140, 116}, kHaze, fog));
            drawTrack(row, c2, scale, s, z, rowMetres, fog, false);
        }
        drawTrack(row, centre, scale, s, z, rowMetres, fog, false);
    }

    void drawGround() {
        samples.clear();
        rows.clear();
        auto sampleAt = [&](double a) {
            const V3 v = toCamera(camS + a, 0, 0);
            const QPointF p = project(v);
            return Sample{a, v.z, p.x(), p.y(), 0};
        };
        Sample prev = sampleAt(0.6);
        int top = height;  // rows from `top` down are drawn
        for (double a = 0.6; a < kGroundReach && top > 0;) {
            a += std::clamp(a * 0.03, 0.3, 30.0);
            Sample cur = sampleAt(a);
            if (cur.z < 0.5) break;
            cur.top = top;
            samples.push_back(cur);
            if (cur.sy < top) {
                const auto from =
                    static_cast<int>(std::clamp(std::ceil(cur.sy), 0.0, double(height)));
                const double w0 = 1 / std::max(prev.z, 0.05), w1 = 1 / cur.z;
                const double a0 = prev.a * w0, a1 = cur.a * w1;
                const double dy = prev.sy - cur.sy;
                for (int y = top - 1; y >= from; --y) {
                    const double t = dy > 1e-9 ? std::clamp((prev.sy - y) / dy, 0.0, 1.0) : 1.0;
                    const double wz = w0 + (w1 - w0) * t;
                    const double arc = (a0 + (a1 - a0) * t) / wz;
                    const double centre = prev.sx + (cur.sx - prev.sx) * t;
                    drawRow(y, camS + arc, 1 / wz, centre, f * wz);
                }
                top = from;
            }
            prev = cur;
        }
    }

    /// Top of the ground drawn nearer than depth `z` m: things standing there are hidden below it.
    int groundTop(double z) const {
        auto it =
            std::find_if(samples.begin(), samples.end(), [z](const Sample& s) { return s.z >= z; });
        if (it == samples.end()) return samples.empty() ? height : samples.back().top;
        return it->top;
    }

    void drawWire(QPainter& p) {
        QPolygonF line;
        for (const Sample& s : samples) {
            if (s.a < 2) continue;
            if (s.a > 900) break;
            line << at(camS + s.a, 0, 5.3);
        }
        p.setPen(QPen(QColor(52, 52, 56), 1));
        p.drawPolyline(line);
        p.setPen(Qt::NoPen);
    }

    // ---- lineside things ----------------------------------------------------------------------

    void collect() {
        items.clear();
        // Adds an item whose distance is measured at (s, lat, hgt); the rest of the fields follow.
        auto add = [&](double s, double lat, double hgt, double bias, ItemKind kind, int index,
                       double s0, double s1, double itemLat) {
            const V3 v = toCamera(s, lat, hgt);
            items.push_back({std::hypot(v.z, v.lat) + bias, v.z, kind, index, s0, s1, itemLat});
        };
        const double lo = camS + kNear, hi = camS + kPropReach;
        auto first = std::lower_bound(w.props.begin(), w.props.end(), lo - 15,
                                      [](const Prop& p, double v) { return p.s < v; });
        for (auto it = first; it != w.props.end() && it->s < hi; ++it) {
            if (it->s < lo && it->kind != Prop::House) continue;
            const double s = it->kind == Prop::House ? std::max(it->s, lo) : it->s;
            if (it->kind == Prop::House && it->s + it->size < lo) continue;
            add(s, it->lat, 0, 0, ItemKind::Prop, static_cast<int>(it - w.props.begin()), s, 0,
                it->lat);
        }
        auto pole = std::lower_bound(w.poles.begin(), w.poles.end(), lo,
                                     [](const Pole& p, double v) { return p.s < v; });
        for (; pole != w.poles.end() && pole->s < camS + 1500; ++pole)
            add(pole->s, pole->gantry ? 0 : pole->lat, 0, 0, ItemKind::Pole,
                static_cast<int>(pole - w.poles.begin()), pole->s, 0, 0);

        for (std::size_t k = 0; k < w.sites.size(); ++k) {
            const StationSite& site = w.sites[k];
            if (site.end < lo || site.start > camS + 1600) continue;
            const int idx = static_cast<int>(k);
            const double near = site.side * kPlatformEdge;
            const double far = -site.side * (kLoopOffset + kPlatformEdge);
            for (double s = site.start; s < site.end; s += 5) {
                const double s0 = std::max(s, lo), s1 = std::min(s + 5, site.end);
                if (s1 <= s0) continue;
                add(s0, near, 1, 0, ItemKind::Platform, idx, s0, s1, near);
                add(s0, far, 1, 0, ItemKind::Platform, idx, s0, s1, far);
                if (s >= site.stop - 75 && s < site.stop - 5)
                    add(s0, near + site.side * 1.0, 3.8, -0.1, ItemKind::Canopy, idx, s0, s1, near);
            }
            for (double off : {15.0, -45.0, -105.0}) {
                const double s = site.stop + off;
                if (s < lo + 1) continue;
                const double latN = site.side * (kPlatformEdge + 2.6);
                const double latF = -site.side * (kLoopOffset + kPlatformEdge + 2.6);
                add(s, latN, 2, 0, ItemKind::Board, idx, s, 0, latN);
                if (off < 0) add(s, latF, 2, 0, ItemKind::Board, idx, s, 0, latF);
            }
            const double bs0 = std::max(site.stop - 45, lo), bs1 = site.stop - 15;
            if (bs1 > bs0) {
                const double lat = site.side * (kPlatformEdge + kPlatformWidth + 1);
                add(bs0, lat, 0, 0, ItemKind::Building, idx, bs0, bs1, lat);
            }
        }
        for (std::size_t k = 0; k < w.tunnels.size(); ++k) {
            const double e = w.tunnels[k].start;
            if (e > camS + 1.0 && e < camS + 2000)
                add(e, 0, 0, 1, ItemKind::Portal, static_cast<int>(k), e, 0, 0);
        }
        for (std::size_t k = 0; k < w.crossings.size(); ++k) {
            const double c = w.crossings[k];
            if (c > camS - 3 && c < camS + 900)
                add(std::max(c, lo), 0, 0, 0, ItemKind::Crossing, static_cast<int>(k), c, 0, 0);
        }
        if (train) {
            for (int k = 0; k < train->cars; ++k) {
                const double a =
                    train->oncoming ? train->front + 20.0 * k : train->front - 20.0 * (k + 1);
                for (double s = a; s < a + 19.6; s += 5) {
                    const double s0 = std::max(s, lo), s1 = std::min(s + 5, a + 19.6);
                    if (s1 <= s0 || s0 > camS + 1500) continue;
                    const double lat = secondTrack(s0);
                    if (std::isnan(lat)) continue;
                    const bool front = train->oncoming && s == a && k == 0;
                    add(s0, lat - std::copysign(1.45, lat), 1.5, -0.2, ItemKind::Car, front ? 1 : 0,
                        s0, s1, lat);
                }
            }
        }
        std::sort(items.begin(), items.end(),
                  [](const Item& a, const Item& b) { return a.key > b.key; });
    }

    void quad(QPainter& p, const QPointF& a, const QPointF& b, const QPointF& c, const QPointF& d,
              const QColor& col) const {
        const QPointF pts[4] = {a, b, c, d};
        p.setBrush(col);
        p.drawPolygon(pts, 4);
    }

    /// A box-shaped building beside the track with a gable roof along the track.
    void drawHouse(QPainter& p, double s0, double s1, double lat, double depth, double wall,
                   int variant, double dist) {
        const double side = lat < 0 ? -1 : 1;
        const double latF = lat + side * depth;
        const double latM = lat + side * depth / 2;
        const double ridge = wall + depth * 0.3;
        const Rgb wc = kWalls[static_cast<std::size_t>(variant) % kWalls.size()];
        const Rgb rc = kRoofs[static_cast<std::size_t>(variant) % kRoofs.size()];
        const Rgb wcDark{wc.r * 4 / 5, wc.g * 4 / 5, wc.b * 4 / 5};
        // Side wall facing the track.
        quad(p, at(s0, lat, 0), at(s1, lat, 0), at(s1, lat, wall), at(s0, lat, wall),
             fogged(wcDark, dist));
        // Windows.
        if (dist < 250) {
            const QColor glass = fogged(Rgb{70, 84, 100}, dist);
            const int n = static_cast<int>((s1 - s0) / 3.2);
            for (int k = 0; k < n; ++k) {
                const double a = s0 + 1 + k * 3.2, b = a + 1.4;
                if (b > s1 - 0.5) break;
                for (double h0 : {1.0, 3.8}) {
                    if (h0 + 1.3 > wall - 0.3) break;
                    quad(p, at(a, lat, h0), at(b, lat, h0), at(b, lat, h0 + 1.2),
                         at(a, lat, h0 + 1.2), glass);
                }
            }
        }
        // Roof slope facing the track.
        quad(p, at(s0, lat - side * 0.4, wall - 0.2), at(s1, lat - side * 0.4, wall - 0.2),
             at(s1, latM, ridge), at(s0, latM, ridge), fogged(rc, dist));
        // Gable end facing the camera.
        if (s0 > camS + kNear) {
            const QPointF pts[5] = {at(s0, lat, 0), at(s0, latF, 0), at(s0, latF, wall),
                                    at(s0, latM, ridge), at(s0, lat, wall)};
            p.setBrush(fogged(wc, dist));
            p.drawPolygon(pts, 5);
            const QPointF roof[3] = {at(s0, lat - side * 0.4, wall - 0.2),
                                     at(s0, latM, ridge + 0.15),
                                     at(s0, latF + side * 0.4, wall - 0.2)};
            p.setPen(QPen(fogged(rc, dist), std::max(1.0, scaleAt(toCamera(s0, lat, 0).z) * 0.25)));
            p.drawPolyline(roof, 3);
            p.setPen(Qt::NoPen);
        }
    }

    void drawProp(QPainter& p, const Item& it) {
        const Prop& pr = w.props[static_cast<std::size_t>(it.index)];
        const V3 base = toCamera(it.s0, pr.lat, 0);
        if (base.z < kNear) return;
        const double dist = it.key;
        if (pr.kind == Prop::House) {
            drawHouse(p, it.s0, pr.s + pr.size, pr.lat, pr.size2, pr.size3, pr.variant, dist);
            return;
        }
        const QPointF b = project(base);
        const double hPx = scaleAt(base.z) * pr.size;
        if (b.x() < -hPx || b.x() > width + hPx) return;
        const auto& sprites = pr.kind == Prop::Conifer ? w.coniferSprites : w.treeSprites;
        const QImage& img = sprites[pr.variant % sprites.size()];
        const double wPx = hPx * img.width() / img.height();
        if (hPx < 5) {
            p.fillRect(QRectF(b.x() - wPx / 2, b.y() - hPx, std::max(1.0, wPx), std::max(1.0, hPx)),
                       fogged(pr.kind == Prop::Conifer ? Rgb{36, 72, 44} : Rgb{64, 108, 50}, dist));
            return;
        }
        p.drawImage(QRectF(b.x() - wPx / 2, b.y() - hPx, wPx, hPx), img);
    }

    void drawMast(QPainter& p, double s, double lat, double height, double dist) {
        const V3 b = toCamera(s, lat, 0);
        if (b.z < kNear) return;
        const QPointF p0 = project(b), p1 = at(s, lat, height);
        const double wPx = std::max(1.0, scaleAt(b.z) * 0.3);
        p.fillRect(QRectF(p0.x() - wPx / 2, p1.y(), wPx, p0.y() - p1.y()),
                   fogged(Rgb{150, 150, 146}, dist));
    }

    void drawPole(QPainter& p, const Item& it) {
        const Pole& pole = w.poles[static_cast<std::size_t>(it.index)];
        const double z = toCamera(pole.s, 0, 0).z;
        if (z < kNear) return;
        const QColor steel = fogged(Rgb{110, 112, 116}, it.key);
        if (pole.gantry) {
            drawMast(p, pole.s, -7.8, 7.6, it.key);
            drawMast(p, pole.s, 7.8, 7.6, it.key);
            p.setPen(QPen(steel, std::max(1.0, scaleAt(z) * 0.35)));
            p.drawLine(at(pole.s, -7.8, 7.2), at(pole.s, 7.8, 7.2));
        } else {
            drawMast(p, pole.s, pole.lat, 7.6, it.key);
            p.setPen(QPen(steel, std::max(1.0, scaleAt(z) * 0.12)));
            p.drawLine(at(pole.s, pole.lat, 6.6), at(pole.s, -0.4, 6.6));
            p.drawLine(at(pole.s, pole.lat, 5.6), at(pole.s, -0.2, 5.4));
        }
        p.setPen(Qt::NoPen);
    }

    void drawPlatform(QPainter& p, const Item& it) {
        const double edge = it.lat, side = edge < 0 ? -1 : 1;
        const double outer = edge + side * kPlatformWidth;
        const double s0 = it.s0, s1 = it.s1, dist = it.key;
        const double hgt = kPlatformHeight;
        quad(p, at(s0, edge, 0), at(s1, edge, 0), at(s1, edge, hgt), at(s0, edge, hgt),
             fogged(Rgb{118, 114, 106}, dist));
        quad(p, at(s0, edge, hgt), at(s1, edge, hgt), at(s1, outer, hgt), at(s0, outer, hgt),
             fogged(Rgb{176, 174, 168}, dist));
        quad(p, at(s0, edge + side * 0.8, hgt), at(s1, edge + side * 0.8, hgt),
             at(s1, edge + side * 1.1, hgt), at(s0, edge + side * 1.1, hgt),
             fogged(Rgb{226, 190, 40}, dist));
        if (s0 > camS + kNear + 0.01 &&
            std::abs(s0 - w.sites[static_cast<std::size_t>(it.index)].start) < 0.01)
            quad(p, at(s0, edge, 0), at(s0, outer, 0), at(s0, outer, hgt), at(s0, edge, hgt),
                 fogged(Rgb{140, 136, 128}, dist));
        // Fence along the back of the platform.
        quad(p, at(s0, outer, hgt), at(s1, outer, hgt), at(s1, outer, hgt + 1.1),
             at(s0, outer, hgt + 1.1), fogged(Rgb{120, 130, 128}, dist));
    }

    void drawCanopy(QPainter& p, const Item& it) {
        const double edge = it.lat, side = edge < 0 ? -1 : 1;
        const double in = edge + side * 0.7, out = edge + side * kPlatformWidth;
        const double s0 = it.s0, s1 = it.s1, dist = it.key;
        const double col = edge + side * 2.8;
        for (double s = std::ceil(s0 / 8) * 8; s < s1; s += 8) {
            const V3 b = toCamera(s, col, kPlatformHeight);
            if (b.z < kNear) continue;
            const QPointF p0 = project(b), p1 = at(s, col, 3.8);
            const double wPx = std::max(1.0, scaleAt(b.z) * 0.25);
            p.fillRect(QRectF(p0.x() - wPx / 2, p1.y(), wPx, p0.y() - p1.y()),
                       fogged(Rgb{90, 96, 104}, dist));
        }
        quad(p, at(s0, in, 3.8), at(s1, in, 3.8), at(s1, out, 3.9), at(s0, out, 3.9),
             fogged(Rgb{92, 94, 98}, dist));
        quad(p, at(s0, in, 3.8), at(s1, in, 3.8), at(s1, in, 4.2), at(s0, in, 4.2),
             fogged(Rgb{196, 198, 200}, dist));
    }

    void drawBoard(QPainter& p, const Item& it) {
        const StationSite& site = w.sites[static_cast<std::size_t>(it.index)];
        const V3 b = toCamera(it.s0, it.lat, kPlatformHeight);
        if (b.z < kNear + 1) return;
        const double sc = scaleAt(b.z);
        const QPointF foot = project(b);
        const double wPx = 2.2 * sc, hPx = 0.77 * sc;
        const double top = foot.y() - 2.4 * sc;
        if (foot.x() + wPx < 0 || foot.x() - wPx > width) return;
        const QColor post = fogged(Rgb{80, 84, 90}, it.key);
        const double pw = std::max(1.0, 0.08 * sc);
        p.fillRect(QRectF(foot.x() - wPx * 0.4, top, pw, foot.y() - top), post);
        p.fillRect(QRectF(foot.x() + wPx * 0.4 - pw, top, pw, foot.y() - top), post);
        const QRectF r(foot.x() - wPx / 2, top - hPx, wPx, hPx);
        if (wPx < 6) {
            p.fillRect(r, fogged(Rgb{236, 236, 232}, it.key));
            return;
        }
        p.save();
        p.setRenderHint(QPainter::SmoothPixmapTransform, wPx < site.board.width());
        p.drawImage(r, site.board);
        p.restore();
    }

    void drawBuilding(QPainter& p, const Item& it) {
        drawHouse(p, it.s0, it.s1, it.lat, 8, 4.6, 1, it.key);
    }

    /// Points of the tunnel's cross-section at s, from the left foot over the vault to the right.
    QPolygonF tunnelSection(double s, double extra) const {
        QPolygonF poly;
        const double hw = kTunnelHalfWidth + extra;
        poly << at(s, -hw, -0.3) << at(s, -hw, kTunnelWallHeight);
        for (int k = 1; k < 8; ++k) {
            const double t = std::numbers::pi * k / 8;
            poly << at(
                s, -hw * std::cos(t),
                kTunnelWallHeight + (kTunnelCrown + extra - kTunnelWallHeight) * std::sin(t));
        }
        poly << at(s, hw, kTunnelWallHeight) << at(s, hw, -0.3);
        return poly;
    }

    void drawPortal(QPainter& p, const Item& it) {
        const SceneRange& t = w.tunnels[static_cast<std::size_t>(it.index)];
        const double e = t.start, dist = it.key;
        QPolygonF hill;
        hill << at(e, -320, -0.2);
        for (int k = 0; k <= 32; ++k) {
            const double lat = -320 + 20.0 * k;
            const double bump = 6 * cellRandom(it.index * 100 + k, 60);
            const double hgt = 12 + 30 * std::exp(-std::pow(lat / 150, 2)) + bump;
            hill << at(e + 2 + std::abs(lat) * 0.1, lat, hgt);
        }
        hill << at(e, 320, -0.2);
        p.setBrush(fogged(Rgb{58, 86, 50}, dist));
        p.drawPolygon(hill);
        // Trees on the hill side, as dark blobs.
        p.setBrush(fogged(Rgb{44, 70, 40}, dist));
        for (int k = 0; k < 24; ++k) {
            const double lat = -150 + 300 * cellRandom(it.index * 100 + k, 61);
            const double hgt = 4 + 20 * cellRandom(it.index * 100 + k, 62);
            if (std::abs(lat) < 6 && hgt < 9) continue;
            const V3 v = toCamera(e + 3, lat, hgt);
            if (v.z < kNear) continue;
            const QPointF c = project(v);
            const double r = scaleAt(v.z) * 3;
            p.drawEllipse(c, r, r * 0.8);
        }
        quad(p, at(e, -4.3, -0.2), at(e, 4.3, -0.2), at(e, 4.3, 7.6), at(e, -4.3, 7.6),
             fogged(Rgb{156, 152, 144}, dist));
        const QPolygonF opening = tunnelSection(e, 0);
        p.setBrush(QColor(16, 16, 16));
        p.drawPolygon(opening);
        const V3 exitV = toCamera(t.end, 0, 0);
        if (exitV.z > kNear && t.end - e < 1500) {
            QPainterPath clip;
            clip.addPolygon(opening);
            p.save();
            p.setClipPath(clip);
            p.setBrush(QColor(190, 200, 204));
            p.drawPolygon(tunnelSection(t.end, 0));
            p.restore();
        }
    }

    void drawCrossing(QPainter& p, const Item& it) {
        const double c = it.s0, dist = it.key;
        const bool lit = static_cast<std::int64_t>(std::floor(camS / 7)) % 2 == 0;
        const QColor black = fogged(Rgb{30, 30, 30}, dist),
                     yellow = fogged(Rgb{232, 196, 30}, dist);
        for (int side = -1; side <= 1; side += 2) {
            // Barrier: post at the road edge, boom across the road lane.
            const double lat = side * 3.6;
            const double sp = c - side * 3.6, se = c + side * 2.8;
            if (std::min(sp, se) < camS + kNear) continue;
            drawMast(p, sp, lat, 1.3, dist);
            const double z = toCamera(c, lat, 1).z;
            const double pw = std::max(1.0, scaleAt(z) * 0.1);
            for (int k = 0; k < 6; ++k) {
                const double a = sp + (se - sp) * k / 6, b = sp + (se - sp) * (k + 1) / 6;
                p.setPen(QPen(k % 2 ? black : yellow, pw));
                p.drawLine(at(a, lat, 1.0), at(b, lat, 1.0));
            }
            // Warning post with crossbuck and lamps.
            const double ws = c - 4.6, wl = side * 3.0;
            const V3 base = toCamera(ws, wl, 0);
            if (base.z < kNear) continue;
            const double sc = scaleAt(base.z);
            const QPointF foot = project(base), head = at(ws, wl, 3.3);
            p.setPen(Qt::NoPen);
            const double mw = std::max(1.0, 0.14 * sc);
            p.fillRect(QRectF(foot.x() - mw / 2, head.y(), mw, foot.y() - head.y()), yellow);
            for (int k = 0; k < 5; ++k) {
                const QPointF a = at(ws, wl, 0.4 * k * 2), b = at(ws, wl, 0.4 * k * 2 + 0.4);
                p.fillRect(QRectF(foot.x() - mw / 2, b.y(), mw, a.y() - b.y()), black);
            }
            const QPointF x0 = at(ws, wl, 3.3);
            const double arm = 0.55 * sc;
            p.setPen(QPen(yellow, std::max(1.0, 0.16 * sc)));
            p.drawLine(QPointF(x0.x() - arm, x0.y() - arm * 0.6),
                       QPointF(x0.x() + arm, x0.y() + arm * 0.6));
            p.drawLine(QPointF(x0.x() - arm, x0.y() + arm * 0.6),
                       QPointF(x0.x() + arm, x0.y() - arm * 0.6));
            p.setPen(Qt::NoPen);
            const QPointF lamp = at(ws, wl, 2.5);
            const double r = std::max(1.0, 0.16 * sc);
            p.fillRect(QRectF(lamp.x() - 0.45 * sc, lamp.y() - 0.05 * sc, 0.9 * sc, 0.1 * sc),
                       black);
            p.setBrush(lit ? QColor(255, 40, 30) : QColor(90, 20, 20));
            p.drawEllipse(QPointF(lamp.x() - 0.4 * sc, lamp.y()), r, r);
            p.setBrush(lit ? QColor(90, 20, 20) : QColor(255, 40, 30));
            p.drawEllipse(QPointF(lamp.x() + 0.4 * sc, lamp.y()), r, r);
        }
        p.setPen(Qt::NoPen);
    }

    void drawCar(QPainter& p, const Item& it) {
        const double lat = it.lat, side = lat < 0 ? -1 : 1;
        const double face = lat - side * 1.45, back = lat + side * 1.45;
        const double s0 = it.s0, s1 = it.s1, dist = it.key;
        quad(p, at(s0, face, 0.5), at(s1, face, 0.5), at(s1, face, 1.15), at(s0, face, 1.15),
             fogged(Rgb{40, 40, 44}, dist));
        quad(p, at(s0, face, 1.15), at(s1, face, 1.15), at(s1, face, 3.8), at(s0, face, 3.8),
             fogged(Rgb{196, 200, 206}, dist));
        quad(p, at(s0, face, 1.55), at(s1, face, 1.55), at(s1, face, 1.8), at(s0, face, 1.8),
             fogged(Rgb{30, 90, 170}, dist));
        quad(p, at(s0, face, 2.05), at(s1, face, 2.05), at(s1, face, 3.0), at(s0, face, 3.0),
             fogged(Rgb{52, 60, 70}, dist));
        // Window pillars.
        for (double s = std::ceil(s0 / 2.5) * 2.5; s < s1; s += 2.5)
            quad(p, at(s, face, 2.05), at(s + 0.25, face, 2.05), at(s + 0.25, face, 3.0),
                 at(s, face, 3.0), fogged(Rgb{196, 200, 206}, dist));
        if (it.index == 1 && s0 > camS + kNear) {
            quad(p, at(s0, face, 0.5), at(s0, back, 0.5), at(s0, back, 3.8), at(s0, face, 3.8),
                 fogged(Rgb{206, 210, 214}, dist));
            quad(p, at(s0, face + side * 0.2, 2.1), at(s0, back - side * 0.2, 2.1),
                 at(s0, back - side * 0.2, 3.2), at(s0, face + side * 0.2, 3.2),
                 fogged(Rgb{30, 36, 44}, dist));
            quad(p, at(s0, face, 1.5), at(s0, back, 1.5), at(s0, back, 1.75), at(s0, face, 1.75),
                 fogged(Rgb{30, 90, 170}, dist));
            const double sc = scaleAt(toCamera(s0, lat, 1).z);
            for (double l : {face + side * 0.45, back - side * 0.45}) {
                const QPointF c = at(s0, l, 1.1);
                p.fillRect(QRectF(c.x() - 0.15 * sc, c.y() - 0.08 * sc, 0.3 * sc, 0.16 * sc),
                           QColor(255, 250, 220));
            }
        }
    }

    void drawItems(QPainter& p) {
        for (const Item& it : items) {
            const int top = groundTop(it.depth);
            const bool clip = top + 3 < height && it.kind != ItemKind::Car;
            if (clip) p.setClipRect(QRect(0, 0, width, top + 3));
            switch (it.kind) {
                case ItemKind::Prop:
                    drawProp(p, it);
                    break;
                case ItemKind::Pole:
                    drawPole(p, it);
                    break;
                case ItemKind::Platform:
                    drawPlatform(p, it);
                    break;
                case ItemKind::Canopy:
                    drawCanopy(p, it);
                    break;
                case ItemKind::Board:
                    drawBoard(p, it);
                    break;
                case ItemKind::Building:
                    drawBuilding(p, it);
                    break;
                case ItemKind::Portal:
                    drawPortal(p, it);
                    break;
                case ItemKind::Crossing:
                    drawCrossing(p, it);
                    break;
                case ItemKind::Car:
                    drawCar(p, it);
                    break;
            }
            if (clip) p.setClipping(false);
        }
    }

    // ---- inside a tunnel ----------------------------------------------------------------------

    void drawTube(QPainter& p, const SceneRange& t) {
        // Rings of the lining at fixed places along the tunnel, far to near, each filling the
        // wall between itself and the next ring further in; the innermost hole is the exit.
        std::vector<double> ring;
        const double end = std::min(t.end, camS + 1500);
        for (double s = std::ceil((camS + 0.8) / 5) * 5; s < end; s += s - camS < 300 ? 5 : 25)
            ring.push_back(s);
        const bool exitSeen = t.end < camS + 1500;
        QPolygonF inner = exitSeen ? tunnelSection(t.end, 0) : QPolygonF();
        for (auto r = ring.rbegin(); r != ring.rend(); ++r) {
            const double s = *r;
            QPolygonF outer = s - camS < 1.5 ? QPolygonF(QRectF(-10, -10, width + 20, height + 20))
                                             : tunnelSection(s, 0);
            QPainterPath path;
            path.setFillRule(Qt::OddEvenFill);
            path.addPolygon(outer);
            if (!inner.isEmpty()) path.addPolygon(inner);
            const double a = s - camS;
            const double light = 58 * std::exp(-a / 120) + 16;
            const int band = (static_cast<std::int64_t>(std::floor(s / 5)) & 1) ? 6 : 0;
            const int v = static_cast<int>(light) + band;
            p.fillPath(path, QColor(v, v - 2, v - 4));
            inner = outer;
        }
        if (!inner.isEmpty() && (ring.empty() || ring.front() - camS >= 1.5)) {
            QPainterPath path;
            path.setFillRule(Qt::OddEvenFill);
            path.addRect(QRectF(-10, -10, width + 20, height + 20));
            path.addPolygon(inner);
            p.fillPath(path, QColor(74, 72, 70));
        }
        // Lamps on the left wall every 40 m.
        p.setPen(Qt::NoPen);
        for (double s = std::ceil((camS + 3) / 40) * 40; s < end; s += 40) {
            const V3 v = toCamera(s, -kTunnelHalfWidth + 0.1, 3.2);
            if (v.z < kNear) continue;
            const QPointF c = project(v);
            const double sc = scaleAt(v.z);
            p.fillRect(QRectF(c.x() - 0.15 * sc, c.y() - 0.1 * sc, std::max(1.0, 0.3 * sc),
                              std::max(1.0, 0.2 * sc)),
                       QColor(250, 230, 170));
        }
        p.end();
        // The floor again over the rings.
        for (const Row& r : rows) {
            if (r.s >= t.end) continue;
            QRgb* row = bits + r.y * stride;
            span(row, r.centre - kTunnelHalfWidth * r.scale, r.centre + kTunnelHalfWidth * r.scale,
                 qRgb(40, 38, 36));
            drawTrack(row, r.centre, r.scale, r.s, r.z, r.z * r.z / (f * kEye), 0, true);
        }
    }

    const SceneRange* tunnelAround(double s) const {
        for (const auto& t : w.tunnels)
            if (s >= t.start - 0.8 && s < t.end - 0.5) return &t;
        return nullptr;
    }

    void render(QImage& img, double metres, const PassingTrain* passing) {
        train = passing;
        bits = reinterpret_cast<QRgb*>(img.bits());
        stride = img.bytesPerLine() / 4;
        placeCamera(metres);
        drawSky();
        {
            QPainter p(&img);
            drawClouds(p);
        }
        drawHills();
        drawGround();
        collect();
        QPainter p(&img);
        p.setPen(Qt::NoPen);
        drawWire(p);
        drawItems(p);
        if (const SceneRange* t = tunnelAround(metres)) {
            drawTube(p, *t);  // ends the painter
        }
    }
};

RouteRenderer::RouteRenderer(const RouteWorld& world, int width, int height)
    : impl_(std::make_unique<Impl>(world, width, height)) {}

RouteRenderer::~RouteRenderer() = default;

void RouteRenderer::render(QImage& picture, double metres,
                           const std::optional<PassingTrain>& train) {
    if (picture.width() != impl_->width || picture.height() != impl_->height ||
        picture.format() != QImage::Format_RGB32)
        picture = QImage(impl_->width, impl_->height, QImage::Format_RGB32);
    impl_->render(picture, metres, train ? &*train : nullptr);
}

}  // namespace tressmoor::mkcontent
