// Geometry tables and scenery of the route video's world, shared by the world builder and the
// renderer.
#pragma once

#include <QImage>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "route_video_scene.h"

namespace tressmoor::mkcontent {

// Sizes of the railway, in metres. Everything stands at the level of the rail (no embankments).
inline constexpr double kGauge = 1.067;           ///< m between the rails
inline constexpr double kPlatformEdge = 1.55;     ///< m from the track centre to the platform edge
inline constexpr double kPlatformHeight = 1.1;    ///< m above the rail
inline constexpr double kPlatformWidth = 4.5;     ///< m
inline constexpr double kLoopOffset = 4.0;        ///< m between the main track and the loop
inline constexpr double kTunnelHalfWidth = 2.5;   ///< m
inline constexpr double kTunnelWallHeight = 3.6;  ///< m, where the vault starts
inline constexpr double kTunnelCrown = 5.8;       ///< m, top of the vault

/// A thing standing beside the track.
struct Prop {
    enum Kind : std::uint8_t { Tree, Conifer, House };
    double s = 0;   ///< m along the line
    float lat = 0;  ///< m from the track centre, positive = right
    Kind kind = Tree;
    std::uint8_t variant = 0;
    float size = 0;   ///< m: tree height, house length along the track
    float size2 = 0;  ///< m: house depth
    float size3 = 0;  ///< m: house wall height
};

/// An overhead-line support: a mast beside the track or, in stations, a gantry over the tracks.
struct Pole {
    double s = 0;  ///< m along the line
    bool gantry = false;
    float lat = 3.1f;  ///< m, side and distance of a single mast
};

/// Platform and other station furniture of one station.
struct StationSite {
    double stop = 0;   ///< m
    double start = 0;  ///< m, platform begins
    double end = 0;    ///< m, platform ends
    double side = -1;  ///< −1 platform on the left, +1 on the right
    QImage board;      ///< the station name board
};

struct RouteWorld::Data {
    RouteLayout layout;
    double length = 0;                   ///< m covered by the tables
    std::vector<float> heading;          ///< rad at each metre
    std::vector<float> rightX;           ///< unit vector to the right of the track at each metre, x
    std::vector<float> rightY;           ///< and y
    std::vector<double> x;               ///< m, plan position at each metre
    std::vector<double> y;               ///< m
    std::vector<float> elevation;        ///< m at each metre
    std::vector<float> grade;            ///< per mille at each metre, smoothed into vertical curves
    std::vector<float> loop;             ///< m, lateral offset of the second track; NaN = none
    std::vector<std::uint8_t> tunnel;    ///< 1 inside a tunnel
    std::vector<std::uint8_t> crossing;  ///< 1 on a level-crossing road
    std::vector<std::uint8_t> region;    ///< scenery kind of every metre (see world builder)
    std::vector<Prop> props;             ///< by ascending s
    std::vector<Pole> poles;             ///< by ascending s
    std::vector<StationSite> sites;
    std::vector<SceneRange> tunnels;  ///< by ascending start
    std::vector<double> crossings;    ///< by ascending distance

    std::vector<QImage> treeSprites;     ///< broadleaf trees, premultiplied ARGB
    std::vector<QImage> coniferSprites;  ///< conifers
    std::vector<QImage> cloudSprites;

    std::size_t index(double s) const {
        if (!(s > 0)) return 0;
        const auto i = static_cast<std::size_t>(s);
        return i + 1 < heading.size() ? i : heading.size() - 2;
    }
    /// Linear interpolation of a per-metre table.
    template <class T>
    double at(const std::vector<T>& table, double s) const {
        const std::size_t i = index(s);
        const double t = std::clamp(s - static_cast<double>(i), 0.0, 1.0);
        return table[i] + (table[i + 1] - table[i]) * t;
    }
    /// Plan position of the point `lat` m to the right of the track at s.
    void place(double s, double lat, double& px, double& py) const {
        const std::size_t i = index(s);
        const double t = std::clamp(s - static_cast<double>(i), 0.0, 1.0);
        const double rx = rightX[i] + (rightX[i + 1] - rightX[i]) * t;
        const double ry = rightY[i] + (rightY[i + 1] - rightY[i]) * t;
        px = x[i] + (x[i + 1] - x[i]) * t + lat * rx;
        py = y[i] + (y[i + 1] - y[i]) * t + lat * ry;
    }
    bool inTunnel(double s) const { return tunnel[index(s + 0.5)] != 0; }
};

/// A deterministic hash of a cell number and a stream, uniform in [0, 1).
double cellRandom(std::int64_t cell, std::uint64_t stream);

}  // namespace tressmoor::mkcontent
