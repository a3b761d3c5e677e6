// Tests of the route video renderer: frame layout, the AVI it writes, and what the frames show.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QImage>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <stdexcept>
#include <vector>

#include "data/line_file.h"
#include "data/random_source.h"
#include "route_video.h"
#include "route_video_scene.h"

namespace tressmoor::mkcontent {
namespace {

namespace fs = std::filesystem;

constexpr int kFps = 30;
constexpr int kWidth = 256;
constexpr int kHeight = 192;

// Frames of the fixture line (see its header): standing at the station 0–60, in the tunnel
// from 300 to 420, the tunnel starts 110 m along the line.
constexpr int kStationFrame = 30;
constexpr int kTunnelFrame = 330;

/// What the tests read back from an AVI file.
struct VideoInfo {
    AVCodecID codec = AV_CODEC_ID_NONE;
    int width = 0;
    int height = 0;
    AVRational rate{0, 1};
    int packets = 0;
    int longestKeyGap = 0;                       ///< most packets from one key frame to the next
    std::map<int, double> luma;                  ///< mean luma of the requested frames
    std::map<int, std::vector<uint8_t>> planes;  ///< luma plane of the requested frames
};

/// Opens `path` with libavformat and decodes every frame, keeping the luma of `wanted` frames.
VideoInfo readVideo(const fs::path& path, const std::set<int>& wanted = {}) {
    VideoInfo info;
    AVFormatContext* fmt = nullptr;
    if (avformat_open_input(&fmt, path.string().c_str(), nullptr, nullptr) < 0)
        throw std::runtime_error("cannot open " + path.string());
    std::unique_ptr<AVFormatContext, void (*)(AVFormatContext*)> fmtGuard(
        fmt, [](AVFormatContext* f) { avformat_close_input(&f); });
    if (avformat_find_stream_info(fmt, nullptr) < 0) throw std::runtime_error("no stream info");
    const int index = av_find_best_stream(fmt, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (index < 0) throw std::runtime_error("no video stream");
    const AVStream* stream = fmt->streams[index];
    info.codec = stream->codecpar->codec_id;
    info.width = stream->codecpar->width;
    info.height = stream->codecpar->height;
    info.rate = stream->avg_frame_rate;

    const AVCodec* decoder = avcodec_find_decoder(info.codec);
    AVCodecContext* ctx = avcodec_alloc_context3(decoder);
    std::unique_ptr<AVCodecContext, void (*)(AVCodecContext*)> ctxGuard(
        ctx, [](AVCodecContext* c) { avcodec_free_context(&c); });
    avcodec_parameters_to_context(ctx, stream->codecpar);
    if (avcodec_open2(ctx, decoder, nullptr) < 0) throw std::runtime_error("no decoder");
    AVPacket* pkt = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    int decoded = 0;
    int sinceKey = 0;
    auto take = [&] {
        while (avcodec_receive_frame(ctx, frame) == 0) {
            if (wanted.count(decoded)) {
                double sum = 0;
                std::vector<uint8_t> plane;
                for (int y = 0; y < frame->height; ++y) {
                    const uint8_t* row = frame->data[0] + y * frame->linesize[0];
                    plane.insert(plane.end(), row, row + frame->width);
                    for (int x = 0; x < frame->width; ++x) sum += row[x];
                }
                info.luma[decoded] = sum / (frame->width * frame->height);
                info.planes[decoded] = std::move(plane);
            }
            ++decoded;
        }
    };
    while (av_read_frame(fmt, pkt) >= 0) {
        if (pkt->stream_index == index) {
            ++info.packets;
            if (pkt->flags & AV_PKT_FLAG_KEY) {
                info.longestKeyGap = std::max(info.longestKeyGap, sinceKey);
                sinceKey = 0;
            }
            ++sinceKey;
            avcodec_send_packet(ctx, pkt);
            take();
        }
        av_packet_unref(pkt);
    }
    info.longestKeyGap = std::max(info.longestKeyGap, sinceKey);
    avcodec_send_packet(ctx, nullptr);
    take();
    av_frame_free(&frame);
    av_packet_free(&pkt);
    return info;
}

double meanDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
    double sum = 0;
    for (std::size_t i = 0; i < a.size() && i < b.size(); ++i) sum += std::abs(a[i] - b[i]);
    return a.empty() ? 0 : sum / static_cast<double>(a.size());
}

class RouteVideo : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (!QGuiApplication::instance()) {
            qputenv("QT_QPA_PLATFORM", "offscreen");
            static int argc = 1;
            static char name[] = "mkcontent_tests";
            static char* argv[] = {name, nullptr};
            app_ = new QGuiApplication(argc, argv);
        }
        data::SeededRandom random(1);
        line_ =
            new data::LineData(data::LoadLineFile(fs::path(TRESSMOOR_FIXTURES_DIR) / "mkcontent",
                                                  "video_line.dat", "train.dat", kFps, random));
        dir_ = new fs::path(fs::temp_directory_path() /
                            ("tressmoor_route_video_" + std::to_string(::getpid())));
        fs::create_directories(*dir_);
    }
    static void TearDownTestSuite() {
        std::error_code ignored;
        fs::remove_all(*dir_, ignored);
        delete dir_;
        delete line_;
    }

    /// The fixture line's route video, rendered once for the tests that read it.
    static fs::path mainVideo() {
        const fs::path path = *dir_ / "main.avi";
        if (!fs::exists(path)) renderRouteVideo(*line_, kFps, kWidth, kHeight, path);
        return path;
    }

    static inline QGuiApplication* app_ = nullptr;
    static inline data::LineData* line_ = nullptr;
    static inline fs::path* dir_ = nullptr;
};

TEST_F(RouteVideo, LayoutFollowsTheSpeedTableAndContinuesAfterIt) {
    const int total = routeVideoFrameCount(*line_, kFps);
    EXPECT_EQ(total, 421 + 10 * kFps);
    const RouteLayout layout = layoutFromLine(*line_, kFps, total);
    ASSERT_EQ(layout.frameMetres.size(), static_cast<std::size_t>(total));
    EXPECT_EQ(layout.frameMetres[0], 0);
    EXPECT_EQ(layout.frameMetres[60], 0);  // standing at the station
    EXPECT_NEAR(layout.frameMetres[210], 50, 0.01);
    EXPECT_NEAR(layout.frameMetres[420], 190, 0.01);
    // After the table the camera keeps the last recorded speed, 72 km/h = 20 m/s.
    EXPECT_NEAR(layout.frameMetres[450], 210, 0.01);
    for (std::size_t i = 1; i < layout.frameMetres.size(); ++i)
        ASSERT_GE(layout.frameMetres[i], layout.frameMetres[i - 1]) << "frame " << i;
    ASSERT_EQ(layout.tunnels.size(), 1u);
    EXPECT_NEAR(layout.tunnels[0].start, 110, 0.01);
    ASSERT_EQ(layout.stations.size(), 1u);
    EXPECT_EQ(layout.stations[0].name, "試験台");
}

TEST_F(RouteVideo, StationHasALoopBesideItAndTheTunnelHasNone) {
    const RouteLayout layout = layoutFromLine(*line_, kFps, routeVideoFrameCount(*line_, kFps));
    const RouteWorld world(layout);
    // The platform is on the left (door side 0), so the loop runs 4 m to the right.
    ASSERT_TRUE(world.secondTrack(20).has_value());
    EXPECT_NEAR(*world.secondTrack(20), 4.0, 1e-6);
    EXPECT_FALSE(world.secondTrack(150).has_value());  // inside the tunnel
    EXPECT_FALSE(world.secondTrack(400).has_value());  // open line
}

TEST_F(RouteVideo, SamePositionDrawsTheSamePicture) {
    const RouteLayout layout = layoutFromLine(*line_, kFps, routeVideoFrameCount(*line_, kFps));
    const RouteWorld world(layout);
    RouteRenderer renderer(world, kWidth, kHeight);
    QImage a(kWidth, kHeight, QImage::Format_RGB32), b(kWidth, kHeight, QImage::Format_RGB32);
    renderer.render(a, 80);
    renderer.render(b, 130);  // something else in between
    renderer.render(b, 80);
    EXPECT_TRUE(a == b);
}

TEST_F(RouteVideo, BadRateOrSizeIsRefusedBeforeWriting) {
    EXPECT_THROW(renderRouteVideo(*line_, 0, kWidth, kHeight, *dir_ / "bad.avi"),
                 std::invalid_argument);
    EXPECT_THROW(renderRouteVideo(*line_, kFps, kWidth + 1, kHeight, *dir_ / "bad.avi"),
                 std::invalid_argument);
    EXPECT_FALSE(fs::exists(*dir_ / "bad.avi"));
    EXPECT_FALSE(fs::exists(*dir_ / "bad.avi.part"));
}

TEST_F(RouteVideo, SpeedTableOfAbsurdLengthIsRefused) {
    data::LineData line = *line_;
    line.SpeedUnit.back().LastFrame = 2'000'000'000;
    EXPECT_THROW(routeVideoFrameCount(line, kFps), std::runtime_error);
}

TEST_F(RouteVideo, FileIsMpeg4AviWithOneFramePerVideoFrame) {
    const VideoInfo info = readVideo(mainVideo());
    EXPECT_EQ(info.codec, AV_CODEC_ID_MPEG4);
    EXPECT_EQ(info.width, kWidth);
    EXPECT_EQ(info.height, kHeight);
    EXPECT_EQ(info.rate.num, kFps);
    EXPECT_EQ(info.rate.den, 1);
    EXPECT_EQ(info.packets, routeVideoFrameCount(*line_, kFps));
    EXPECT_LE(info.longestKeyGap, kFps);
    EXPECT_FALSE(fs::exists(*dir_ / "main.avi.part"));
}

TEST_F(RouteVideo, StationFrameIsBrighterThanTunnelFrame) {
    const VideoInfo info = readVideo(mainVideo(), {kStationFrame, kTunnelFrame});
    ASSERT_EQ(info.luma.size(), 2u);
    EXPECT_GT(info.luma.at(kStationFrame), info.luma.at(kTunnelFrame) + 40)
        << "station " << info.luma.at(kStationFrame) << ", tunnel " << info.luma.at(kTunnelFrame);
}

TEST_F(RouteVideo, StandingFramesRepeatAndRunningFramesMove) {
    const VideoInfo info = readVideo(mainVideo(), {10, 50, 250, 256});
    // Frames 10 and 50 are both at the stop (across a key frame): the same picture.
    EXPECT_LT(meanDifference(info.planes.at(10), info.planes.at(50)), 1.0);
    // 0.2 s apart at 72 km/h the view has moved on.
    EXPECT_GT(meanDifference(info.planes.at(250), info.planes.at(256)), 3.0);
}

TEST_F(RouteVideo, SameLineGivesTheSameFile) {
    renderRouteVideo(*line_, kFps, kWidth, kHeight, *dir_ / "again.avi");
    std::ifstream a(mainVideo(), std::ios::binary), b(*dir_ / "again.avi", std::ios::binary);
    const std::vector<char> first((std::istreambuf_iterator<char>(a)), {});
    const std::vector<char> second((std::istreambuf_iterator<char>(b)), {});
    EXPECT_FALSE(first.empty());
    EXPECT_TRUE(first == second);
}

TEST_F(RouteVideo, ClipsAreWrittenOncePerNameBelowTheVideoFolder) {
    const std::vector<RouteClip> clips = routeClips(*line_);
    ASSERT_EQ(clips.size(), 1u);
    EXPECT_EQ(clips[0].kind, 2);
    EXPECT_EQ(clips[0].length, 60);
    int lastDone = 0, lastTotal = 0;
    renderRouteClips(*line_, kFps, kWidth, kHeight, *dir_ / "clips_out", [&](int done, int total) {
        lastDone = done;
        lastTotal = total;
    });
    const fs::path clip = *dir_ / "clips_out" / "clips" / "platform_pass.avi";
    ASSERT_TRUE(fs::exists(clip));
    const VideoInfo info = readVideo(clip, {0, 45});
    EXPECT_EQ(info.packets, 60 + kFps);
    EXPECT_EQ(lastDone, 60 + kFps);
    EXPECT_EQ(lastTotal, 60 + kFps);
    // The cab stands still, but the passing train changes the picture.
    EXPECT_GT(meanDifference(info.planes.at(0), info.planes.at(45)), 1.0);
}

TEST_F(RouteVideo, ClipNameLeavingTheVideoFolderIsRefused) {
    data::LineData line = *line_;
    line.MovieSwitch[0].Clip = "..\\..\\escape";
    EXPECT_THROW(renderRouteClips(line, kFps, kWidth, kHeight, *dir_ / "clips_bad"),
                 std::runtime_error);
    EXPECT_FALSE(fs::exists(*dir_ / "escape.avi"));
}

TEST_F(RouteVideo, UnwritableOutputThrowsAndLeavesNoFile) {
    const fs::path blocker = *dir_ / "not_a_folder";
    std::ofstream(blocker) << "x";
    EXPECT_THROW(renderRouteVideo(*line_, kFps, kWidth, kHeight, blocker / "main.avi"),
                 std::runtime_error);
}

}  // namespace
}  // namespace tressmoor::mkcontent
