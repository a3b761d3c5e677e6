// Route video and clip rendering: walks the frames, draws each view and hands it to the AVI writer.
#include "route_video.h"

#include <QGuiApplication>
#include <QImage>
#include <algorithm>
#include <cmath>
#include <optional>
#include <stdexcept>
#include <system_error>

#include "data/line_types.h"
#include "route_video_encoder.h"
#include "route_video_scene.h"
#include "route_video_world_data.h"

namespace tressmoor::mkcontent {
namespace {

/// Checks what every rendering needs before anything is allocated or written.
void checkArguments(int fps, int width, int height) {
    if (!QGuiApplication::instance())
        throw std::logic_error("rendering the route video needs a QGuiApplication");
    if (fps <= 0 || fps > 1000 || width < 16 || height < 16 || width > 8192 || height > 8192 ||
        width % 2 || height % 2)
        throw std::invalid_argument("video frame rate or size out of range (sizes must be even)");
}

/// Writes into `<out>.part` and renames it to `out` once complete, so that an interrupted run
/// never leaves a file that looks finished.
class PartFile {
public:
    explicit PartFile(std::filesystem::path out) : out_(std::move(out)), part_(out_) {
        part_ += ".part";
        if (out_.has_parent_path()) std::filesystem::create_directories(out_.parent_path());
    }
    ~PartFile() {
        std::error_code ignored;
        if (!done_) std::filesystem::remove(part_, ignored);
    }
    PartFile(const PartFile&) = delete;
    PartFile& operator=(const PartFile&) = delete;

    const std::filesystem::path& path() const { return part_; }
    void commit() {
        std::filesystem::rename(part_, out_);
        done_ = true;
    }

private:
    std::filesystem::path out_;
    std::filesystem::path part_;
    bool done_ = false;
};

/// Renders `count` frames, frame i with the cab at metres(i) and the passing train train(i).
template <class Metres, class Train>
void renderFrames(const RouteWorld& world, int count, int fps, int width, int height,
                  const std::filesystem::path& out, const VideoProgress& progress, Metres metres,
                  Train train) {
    RouteRenderer renderer(world, width, height);
    QImage picture(width, height, QImage::Format_RGB32);
    PartFile file(out);
    AviWriter writer(file.path(), fps, width, height);
    std::optional<double> shown;
    for (int i = 0; i < count; ++i) {
        const double m = metres(i);
        const std::optional<PassingTrain> t = train(i);
        // A standing cab with nothing moving shows the same picture again.
        if (t || !shown || *shown != m) {
            renderer.render(picture, m, t);
            shown = t ? std::nullopt : std::optional<double>(m);
        }
        writer.addFrame(picture);
        if (progress && ((i + 1) % fps == 0 || i + 1 == count)) progress(i + 1, count);
    }
    writer.finish();
    file.commit();
}

/// Output file of a clip name from the line file: "\" separates folders; a name that would leave
/// the video folder is refused.
std::filesystem::path clipPath(const std::filesystem::path& folder, const std::string& name) {
    std::string rel = name;
    std::replace(rel.begin(), rel.end(), '\\', '/');
    const std::filesystem::path p = std::filesystem::path(rel).lexically_normal();
    if (rel.empty() || p.is_absolute() || p.has_root_name() || *p.begin() == "..")
        throw std::runtime_error("clip name outside the video folder: " + name);
    return folder / (p.string() + ".avi");
}

}  // namespace

int routeVideoFrameCount(const data::LineData& line, int fps) {
    return routeFrameCount(line, fps);
}

void renderRouteVideo(const data::LineData& line, int fps, int width, int height,
                      const std::filesystem::path& out,
                      std::function<void(int done, int total)> progress, int frameLimit) {
    checkArguments(fps, width, height);
    const int total = routeVideoFrameCount(line, fps);
    const RouteLayout layout = layoutFromLine(line, fps, total);
    const RouteWorld world(layout);
    renderFrames(
        world, frameLimit > 0 ? std::min(total, frameLimit) : total, fps, width, height, out, progress,
        [&](int i) { return layout.frameMetres[static_cast<std::size_t>(i)]; },
        [](int) { return std::optional<PassingTrain>(); });
}

std::vector<RouteClip> routeClips(const data::LineData& line) {
    std::vector<RouteClip> clips;
    for (const auto& rec : line.MovieSwitch) {
        if (rec.Clip.empty()) continue;
        auto same = std::find_if(clips.begin(), clips.end(),
                                 [&](const RouteClip& c) { return c.name == rec.Clip; });
        if (same != clips.end()) {
            same->length = std::max(same->length, rec.ClipLength);
            continue;
        }
        RouteClip c;
        c.name = rec.Clip;
        c.kind = rec.Kind;
        c.firstFrame = rec.FirstFrame;
        c.length = std::max(rec.ClipLength, 0);
        c.station = rec.Station;
        clips.push_back(std::move(c));
    }
    return clips;
}

void renderRouteClip(const data::LineData& line, const RouteClip& clip, int fps, int width,
                     int height, const std::filesystem::path& out,
                     std::function<void(int done, int total)> progress) {
    checkArguments(fps, width, height);
    // Clip lengths and frames come from the line file: keep the arithmetic within bounds.
    constexpr int kLongestClip = 1'000'000;
    if (clip.length > kLongestClip || clip.firstFrame > 10'000'000)
        throw std::runtime_error("clip " + clip.name + " is too long or starts outside the video");
    const int count = std::max(clip.length, 1) + fps;
    const int mainFrames =
        std::max(routeVideoFrameCount(line, fps), std::max(clip.firstFrame, 0) + count + 1);
    const RouteLayout layout = layoutFromLine(line, fps, mainFrames);
    const RouteWorld world(layout);
    const double seconds = static_cast<double>(count) / fps;

    if (clip.kind == 2 && clip.station >= 0 &&
        clip.station < static_cast<int>(layout.stations.size())) {
        // The cab stands at the stop; a train runs past on the loop towards the camera.
        const SceneStation& st = layout.stations[static_cast<std::size_t>(clip.station)];
        const double stop = st.stop;
        const double speed = std::clamp(440 / (0.85 * seconds), 6.0, 22.0);  // m/s
        const double fallback = (st.platformRight ? -1 : 1) * kLoopOffset;
        renderFrames(
            world, count, fps, width, height, out, progress, [&](int) { return stop; },
            [&](int i) {
                PassingTrain t;
                t.front = stop - 100 + speed * (0.85 * seconds - static_cast<double>(i) / fps);
                t.track = fallback;
                return std::optional<PassingTrain>(t);
            });
        return;
    }
    // A track clip: the line from the clip's first frame on, with a train passing the other way.
    const int first = std::clamp(clip.firstFrame, 0, mainFrames - 1);
    const double start = layout.frameMetres[static_cast<std::size_t>(first)];
    renderFrames(
        world, count, fps, width, height, out, progress,
        [&](int i) {
            return layout
                .frameMetres[static_cast<std::size_t>(std::min(first + i, mainFrames - 1))];
        },
        [&](int i) {
            PassingTrain t;
            t.front = start + 320 - 20.0 * i / fps;
            t.track = kLoopOffset;
            return std::optional<PassingTrain>(t);
        });
}

void renderRouteClips(const data::LineData& line, int fps, int width, int height,
                      const std::filesystem::path& folder,
                      std::function<void(int done, int total)> progress) {
    for (const RouteClip& clip : routeClips(line))
        renderRouteClip(line, clip, fps, width, height, clipPath(folder, clip.name), progress);
}

}  // namespace tressmoor::mkcontent
