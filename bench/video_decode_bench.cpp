// Route-video decoding speed: sequential, backward and random fetches from an 800 × 600 MPEG-4
// AVI encoded the way the sample route videos are (a key frame a second, no B-frames).
#include <benchmark/benchmark.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <random>
#include <stdexcept>
#include <string>

#include "platform/ffmpeg_video_source.h"
#include "test_support/test_video.h"

namespace {

namespace fs = std::filesystem;
using tressmoor::platform::FfmpegVideoSource;

constexpr int kWidth = 800;
constexpr int kHeight = 600;
constexpr int kFps = 30;
constexpr int kFrames = 300;

/// A detailed scene drifting across the picture: enough texture and motion to make the decoder
/// work as on a filmed route.
void paint(AVFrame* frame, int n) {
    for (int y = 0; y < kHeight; ++y) {
        std::uint8_t* row = frame->data[0] + y * frame->linesize[0];
        for (int x = 0; x < kWidth; ++x) {
            const int u = x + 3 * n, v = y + n;
            const std::uint32_t hash = (static_cast<std::uint32_t>(u) * 73856093u) ^
                                       (static_cast<std::uint32_t>(v) * 19349663u);
            const double wave = 60.0 * std::sin(u / 17.0) * std::cos(v / 23.0);
            row[x] = static_cast<std::uint8_t>(120 + wave + static_cast<int>(hash >> 27));
        }
    }
    for (int plane = 1; plane < 3; ++plane)
        for (int y = 0; y < kHeight / 2; ++y) {
            std::uint8_t* row = frame->data[plane] + y * frame->linesize[plane];
            for (int x = 0; x < kWidth / 2; ++x)
                row[x] =
                    static_cast<std::uint8_t>(128 + 30 * std::sin((x + y + n) / (40.0 + plane)));
        }
}

void writeVideo(const fs::path& path) {
    tressmoor::test_support::TestVideo video;
    video.width = kWidth;
    video.height = kHeight;
    video.frames = kFrames;
    video.fps = kFps;
    video.gop = kFps;
    video.quantiser = 5;
    video.fmp4Tag = true;
    video.paint = paint;
    tressmoor::test_support::writeTestVideo(path, video);
}

/// The benchmark video, written once and removed when the program ends.
class BenchVideo {
public:
    BenchVideo()
        : path_(fs::temp_directory_path() /
                ("tressmoor-video-bench-" + std::to_string(std::random_device{}()) + ".avi")) {
        writeVideo(path_);
    }
    ~BenchVideo() {
        std::error_code ec;
        fs::remove(path_, ec);
    }
    std::string path() const { return path_.string(); }

private:
    fs::path path_;
};

std::string videoPath() {
    static BenchVideo video;
    return video.path();
}

void openOrSkip(FfmpegVideoSource& source, benchmark::State& state) {
    if (source.open(videoPath()) != 0 || source.frameCount() != kFrames)
        state.SkipWithError("the benchmark video did not open");
}

// Running forward: every fetch is the frame after the last one.
void BM_SequentialFetch(benchmark::State& state) {
    FfmpegVideoSource source;
    openOrSkip(source, state);
    int n = 0;
    for (auto _ : state) {
        if (!source.fetch(n)) state.SkipWithError("fetch failed");
        n = (n + 1) % kFrames;
    }
    state.counters["seeks"] = source.seekCount();
}
BENCHMARK(BM_SequentialFetch)->Unit(benchmark::kMicrosecond);

// Running backwards: every fetch seeks to the key frame and decodes up to the frame.
void BM_BackwardFetch(benchmark::State& state) {
    FfmpegVideoSource source;
    openOrSkip(source, state);
    int n = kFrames - 1;
    for (auto _ : state) {
        if (!source.fetch(n)) state.SkipWithError("fetch failed");
        n = n == 0 ? kFrames - 1 : n - 1;
    }
}
BENCHMARK(BM_BackwardFetch)->Unit(benchmark::kMicrosecond);

// Rolling to and fro over two frames already decoded: only the colour conversion.
void BM_KeptFrameFetch(benchmark::State& state) {
    FfmpegVideoSource source;
    openOrSkip(source, state);
    for (int n = 0; n <= 11; ++n) source.fetch(n);
    int n = 10;
    for (auto _ : state) {
        if (!source.fetch(n)) state.SkipWithError("fetch failed");
        n = n == 10 ? 11 : 10;
    }
    state.counters["seeks"] = source.seekCount();
}
BENCHMARK(BM_KeptFrameFetch)->Unit(benchmark::kMicrosecond);

// Jumps anywhere (station jumps, restored saves): a seek and on average half a group of frames.
void BM_RandomFetch(benchmark::State& state) {
    FfmpegVideoSource source;
    openOrSkip(source, state);
    std::uint32_t seed = 12345;
    for (auto _ : state) {
        seed = seed * 1664525u + 1013904223u;
        if (!source.fetch(static_cast<int>((seed >> 8) % kFrames)))
            state.SkipWithError("fetch failed");
    }
}
BENCHMARK(BM_RandomFetch)->Unit(benchmark::kMicrosecond);

// Opening the file (station jumps and clip switches reopen the video).
void BM_Open(benchmark::State& state) {
    FfmpegVideoSource source;
    for (auto _ : state)
        if (source.open(videoPath()) != 0) state.SkipWithError("open failed");
}
BENCHMARK(BM_Open)->Unit(benchmark::kMicrosecond);

}  // namespace
