// Renders the sample route video and its inserted clips from a line file into AVI files.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace tressmoor::data {
struct LineData;
}

namespace tressmoor::mkcontent {

/// Progress report: `done` of `total` frames written.
using VideoProgress = std::function<void(int done, int total)>;

/// Renders the route video of `line`: the view from the cab of a train running the line at the
/// recording speed of its [SpeedUnit] table (frame n shows the line at the frame's distance), with
/// stations, tunnels, level crossings and gradients where the line file puts them. Frames of a
/// standstill repeat the same picture. The video has routeVideoFrameCount() frames of
/// `width` × `height` at `fps` frames/s, MPEG-4 in an AVI file, a key frame every second.
///
/// Needs a QGuiApplication (the station name boards are drawn with a Japanese font). The output is
/// the same for the same line and arguments. Throws std::runtime_error when the file cannot be
/// written. A `frameLimit` above 0 ends the video after that many frames (quick test content).
void renderRouteVideo(const tressmoor::data::LineData& line, int fps, int width, int height,
                      const std::filesystem::path& out,
                      std::function<void(int done, int total)> progress = {}, int frameLimit = 0);

/// Frames of the route video: the last [SpeedUnit] frame, plus ten seconds.
int routeVideoFrameCount(const tressmoor::data::LineData& line, int fps);

/// One clip file named by the line's [MovieSwitch] records.
struct RouteClip {
    std::string name;    ///< file name without ".avi", as written in the line file
    int kind = 0;        ///< 2 = shown while the train stands at a station; else a track clip
    int firstFrame = 0;  ///< main-video frame at which a track clip takes over
    int length = 0;      ///< frames the line file plays of the clip (the longest of its records)
    int station = 0;     ///< station index of a station clip
};

/// The clips of the line's [MovieSwitch] records, once per file name, in file order.
std::vector<RouteClip> routeClips(const tressmoor::data::LineData& line);

/// Renders one clip: a station clip shows the platform seen from the cab standing at the
/// station's stop position while a train passes on the other track; a track clip shows the line
/// from its first frame on at the recording speed while a train passes the other way. The clip
/// has its length plus one second of frames. Same format and requirements as renderRouteVideo.
void renderRouteClip(const tressmoor::data::LineData& line, const RouteClip& clip, int fps,
                     int width, int height, const std::filesystem::path& out,
                     std::function<void(int done, int total)> progress = {});

/// Renders every clip of routeClips() as `folder`/name.avi.
void renderRouteClips(const tressmoor::data::LineData& line, int fps, int width, int height,
                      const std::filesystem::path& folder,
                      std::function<void(int done, int total)> progress = {});

}  // namespace tressmoor::mkcontent
