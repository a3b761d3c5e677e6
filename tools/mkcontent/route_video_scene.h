// The route video's world: the line laid out in metres (curves, gradients, stations, tunnels,
// crossings, scenery) and the renderer that draws the view from the cab at one position.
#pragma once

#include <QImage>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tressmoor::data {
struct LineData;
}

namespace tressmoor::mkcontent {

/// A station as the picture needs it.
struct SceneStation {
    std::string name;            ///< shown on the name boards
    std::string previous;        ///< name of the station before ("" at the first)
    std::string next;            ///< name of the station after ("" at the last)
    double stop = 0;             ///< m, where the cab stands at the stop
    bool platformRight = false;  ///< platform on the right of the track (left otherwise)
};

/// A stretch of the line between two distances.
struct SceneRange {
    double start = 0;  ///< m
    double end = 0;    ///< m
};

/// A gradient section.
struct SceneSlope {
    double start = 0;     ///< m
    double end = 0;       ///< m
    double permille = 0;  ///< positive uphill
};

/// A speed limit section; the world puts a sharper curve into it.
struct SceneLimit {
    double start = 0;  ///< m
    double end = 0;    ///< m
    int kmh = 0;
};

/// Everything of a line file that shows in the route video, in metres along the line.
struct RouteLayout {
    std::vector<double> frameMetres;  ///< m along the line of every video frame
    std::vector<SceneStation> stations;
    std::vector<SceneRange> tunnels;
    std::vector<double> crossings;  ///< m
    std::vector<SceneSlope> slopes;
    std::vector<SceneLimit> limits;
};

/// Frames of the main video for a line: its last [SpeedUnit] frame plus ten seconds.
int routeFrameCount(const data::LineData& line, int fps);

/// Lays out a loaded line for a video of `frameCount` frames at `fps` frames/s. Frames inside the
/// speed table sit at the line's own frame distance; frames after its last segment continue at
/// the last recorded speed; frames before or between segments keep the distance before them.
RouteLayout layoutFromLine(const data::LineData& line, int fps, int frameCount);

/// A train running on the second track (at stations: the loop beside the main track), drawn in
/// the clips.
struct PassingTrain {
    double front = 0;      ///< m along the line of the train's leading end
    int cars = 4;          ///< cars of 20 m
    bool oncoming = true;  ///< runs towards the camera (its front faces the camera)
    /// m, lateral offset of the track the train runs on where the line has no second track (a
    /// temporary track is drawn there); 0 = the train shows only on the line's own second track
    double track = 0;
};

class RouteWorld;

/// Draws the view from the cab. Not thread-safe; one renderer per thread.
class RouteRenderer {
public:
    RouteRenderer(const RouteWorld& world, int width, int height);
    ~RouteRenderer();

    /// Draws the view with the cab at `metres` along the line into `picture`, which is made a
    /// Format_RGB32 picture of the renderer's size when it is not one. The picture depends only
    /// on the arguments.
    void render(QImage& picture, double metres, const std::optional<PassingTrain>& train = {});

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

/// The line turned into geometry: track plan and profile, second tracks, platforms, scenery.
class RouteWorld {
public:
    explicit RouteWorld(const RouteLayout& layout);
    ~RouteWorld();

    const RouteLayout& layout() const;
    double length() const;  ///< m of geometry (the last frame's distance plus room to look ahead)

    /// Lateral offset of the second track at `metres` when one runs there (m, positive = right).
    std::optional<double> secondTrack(double metres) const;

    struct Data;
    const Data& data() const { return *data_; }

private:
    std::unique_ptr<Data> data_;
};

}  // namespace tressmoor::mkcontent
