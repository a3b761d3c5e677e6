// The FFmpeg route-video decoder against small videos the test encodes itself, in which every
// frame is a flat grey whose level tells the frame's number.
#include "platform/ffmpeg_video_source.h"

#include <gtest/gtest.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/log.h>
}

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <random>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "test_support/temp_dir.h"
#include "test_support/test_video.h"

namespace tressmoor::platform {
namespace {

namespace fs = std::filesystem;

constexpr int kFrames = 60;
constexpr int kGop = 10;
constexpr int kWidth = 64;
constexpr int kHeight = 48;

/// Grey level (0…255) of frame n in the test videos.
int greyOf(int n) {
    return n * 4;
}

void check(int rc, const char* what) {
    if (rc < 0) throw std::runtime_error(what);
}

/// Writes `frames` flat grey frames as MPEG-4 part 2 at 30 frames/s into `path` (the container
/// follows the extension), a key frame every `gop` frames. Frames for which `leftOut` is true are
/// not encoded: the file has a gap there.
void writeGreyVideo(const fs::path& path, int frames, int gop,
                    const std::function<bool(int)>& leftOut = {}) {
    test_support::TestVideo video;
    video.width = kWidth;
    video.height = kHeight;
    video.frames = frames;
    video.gop = gop;
    video.leftOut = leftOut;
    video.paint = [](AVFrame* frame, int n) {
        // Limited-range luma of the grey level, neutral chroma.
        const int y = 16 + static_cast<int>(std::lround(greyOf(n) * 219.0 / 255.0));
        for (int row = 0; row < kHeight; ++row)
            std::memset(frame->data[0] + row * frame->linesize[0], y, kWidth);
        for (int plane = 1; plane < 3; ++plane)
            for (int row = 0; row < kHeight / 2; ++row)
                std::memset(frame->data[plane] + row * frame->linesize[plane], 128, kWidth / 2);
    };
    test_support::writeTestVideo(path, video);
}

/// File positions of the video packets of `path`, in file order.
std::vector<std::int64_t> packetPositions(const fs::path& path) {
    AVFormatContext* format = nullptr;
    check(avformat_open_input(&format, path.c_str(), nullptr, nullptr), "open");
    std::vector<std::int64_t> positions;
    AVPacket* packet = av_packet_alloc();
    while (av_read_frame(format, packet) >= 0) {
        positions.push_back(packet->pos);
        av_packet_unref(packet);
    }
    av_packet_free(&packet);
    avformat_close_input(&format);
    return positions;
}

class FfmpegVideoSourceTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        av_log_set_level(AV_LOG_QUIET);  // the damaged files make the decoder talk
        dir_ = new test_support::TempDir;
        writeGreyVideo(avi(), kFrames, kGop);
    }
    static void TearDownTestSuite() {
        delete dir_;
        dir_ = nullptr;
    }
    static fs::path avi() { return dir_->path() / "grey.avi"; }

    /// Grey level of the middle pixel of the picture, from its green channel.
    int pictureGrey() const {
        const std::uint8_t* row = source_.pixels() + (kHeight / 2) * source_.stride();
        std::uint32_t pixel = 0;
        std::memcpy(&pixel, row + 4 * (kWidth / 2), 4);
        return static_cast<int>((pixel >> 8) & 0xFF);
    }
    /// Whether every pixel of the picture is opaque and the grey of frame n (within 2 levels,
    /// half the step between frames).
    ::testing::AssertionResult shows(int n) const {
        for (int y = 0; y < source_.height(); ++y) {
            const std::uint8_t* row = source_.pixels() + y * source_.stride();
            for (int x = 0; x < source_.width(); ++x) {
                std::uint32_t pixel = 0;
                std::memcpy(&pixel, row + 4 * x, 4);
                const int a = pixel >> 24, r = (pixel >> 16) & 0xFF, g = (pixel >> 8) & 0xFF,
                          b = pixel & 0xFF;
                if (a != 255 || std::abs(r - greyOf(n)) > 2 || std::abs(g - greyOf(n)) > 2 ||
                    std::abs(b - greyOf(n)) > 2)
                    return ::testing::AssertionFailure()
                           << "pixel " << x << "," << y << " is " << std::hex << pixel << std::dec
                           << ", frame " << n << " has grey " << greyOf(n);
            }
        }
        return ::testing::AssertionSuccess();
    }
    ::testing::AssertionResult fetchesExactly(int n) {
        if (!source_.fetch(n)) return ::testing::AssertionFailure() << "fetch " << n << " failed";
        return shows(n);
    }

    static test_support::TempDir* dir_;
    std::vector<std::string> notices_;  ///< what the source said about damaged files
    FfmpegVideoSource source_{[this](const std::string& text) { notices_.push_back(text); }};
};

test_support::TempDir* FfmpegVideoSourceTest::dir_ = nullptr;

TEST_F(FfmpegVideoSourceTest, OpensWithTheStreamsFrameCountSizeAndABlackPicture) {
    ASSERT_EQ(source_.open(avi().string()), route::kVideoOpened);
    EXPECT_TRUE(source_.isOpen());
    EXPECT_EQ(source_.frameCount(), kFrames);
    EXPECT_EQ(source_.width(), kWidth);
    EXPECT_EQ(source_.height(), kHeight);
    EXPECT_GE(source_.stride(), 4 * kWidth);
    EXPECT_EQ(source_.stride() % 4, 0);
    EXPECT_DOUBLE_EQ(source_.frameRate(), 30.0);
    EXPECT_EQ(source_.shownFrame(), -1);
    EXPECT_TRUE(shows(0));  // frame 0 is black
}

TEST_F(FfmpegVideoSourceTest, SequentialFetchesDecodeEveryFrameWithoutSeeking) {
    ASSERT_EQ(source_.open(avi().string()), route::kVideoOpened);
    for (int n = 0; n < kFrames; ++n) {
        ASSERT_TRUE(fetchesExactly(n));
        EXPECT_EQ(source_.shownFrame(), n);
    }
    EXPECT_EQ(source_.seekCount(), 0);
    // Standing still decodes nothing and keeps the picture.
    EXPECT_TRUE(fetchesExactly(kFrames - 1));
    EXPECT_EQ(source_.seekCount(), 0);
}

TEST_F(FfmpegVideoSourceTest, RandomFetchesAreFrameAccurateAcrossKeyFrames) {
    ASSERT_EQ(source_.open(avi().string()), route::kVideoOpened);
    // Key frames, the frames either side of them, far jumps both ways, the last frame.
    for (int n : {35, 9, 10, 11, 59, 0, 21, 19, 20, 29, 30, 45, 44, 1, 58, 40, 39})
        ASSERT_TRUE(fetchesExactly(n)) << "after a jump to " << n;
    // Running backwards frame by frame through several key frames.
    for (int n = kFrames - 1; n >= 0; --n) ASSERT_TRUE(fetchesExactly(n));
}

TEST_F(FfmpegVideoSourceTest, ShortJumpsAheadWithinAGroupDecodeForward) {
    ASSERT_EQ(source_.open(avi().string()), route::kVideoOpened);
    ASSERT_TRUE(fetchesExactly(21));
    const int seeks = source_.seekCount();
    ASSERT_TRUE(fetchesExactly(25));  // no key frame between: decode on
    ASSERT_TRUE(fetchesExactly(29));
    ASSERT_TRUE(fetchesExactly(30));  // the key frame right after the last one: decode on
    EXPECT_EQ(source_.seekCount(), seeks);
    ASSERT_TRUE(fetchesExactly(55));  // far ahead: seek to key frame 50
    EXPECT_EQ(source_.seekCount(), seeks + 1);
}

TEST_F(FfmpegVideoSourceTest, RunningBackwardsSeeksOncePerGroupOfFrames) {
    ASSERT_EQ(source_.open(avi().string()), route::kVideoOpened);
    for (int n = 45; n >= 0; --n) ASSERT_TRUE(fetchesExactly(n));
    EXPECT_EQ(source_.seekCount(), 5);  // to key frames 40, 30, 20, 10 and 0
    // Back and forth inside what was decoded: nothing is decoded again.
    for (int n : {3, 17, 45, 44, 31, 9}) ASSERT_TRUE(fetchesExactly(n));
    EXPECT_EQ(source_.seekCount(), 5);
}

TEST_F(FfmpegVideoSourceTest, ReversingAfterRunningForwardDecodesNothingAgain) {
    ASSERT_EQ(source_.open(avi().string()), route::kVideoOpened);
    for (int n = 0; n < kFrames; ++n) ASSERT_TRUE(source_.fetch(n));
    for (int n = kFrames - 1; n >= 0; --n) ASSERT_TRUE(fetchesExactly(n));
    EXPECT_EQ(source_.seekCount(), 0);
}

TEST_F(FfmpegVideoSourceTest, FetchesOutsideTheVideoFailAndKeepThePicture) {
    ASSERT_EQ(source_.open(avi().string()), route::kVideoOpened);
    ASSERT_TRUE(fetchesExactly(12));
    EXPECT_FALSE(source_.fetch(kFrames));
    EXPECT_FALSE(source_.fetch(kFrames + 1000));
    EXPECT_FALSE(source_.fetch(-1));
    EXPECT_TRUE(shows(12));
    EXPECT_EQ(source_.shownFrame(), 12);
    EXPECT_TRUE(fetchesExactly(kFrames - 1));
}

TEST_F(FfmpegVideoSourceTest, FramesLeftOutOfTheFileShowTheFrameBefore) {
    const fs::path gappy = dir_->path() / "gaps.avi";
    writeGreyVideo(gappy, kFrames, kGop, [](int n) { return (n >= 23 && n <= 25) || n == 41; });
    ASSERT_EQ(source_.open(gappy.string()), route::kVideoOpened);
    ASSERT_EQ(source_.frameCount(), kFrames);
    for (int n = 0; n < kFrames; ++n) {
        const int expected = n >= 23 && n <= 25 ? 22 : n == 41 ? 40 : n;
        ASSERT_TRUE(source_.fetch(n)) << n;
        ASSERT_TRUE(shows(expected)) << "sequential fetch of " << n;
    }
    for (int n : {24, 26, 41, 23, 42, 25}) {
        const int expected = n >= 23 && n <= 25 ? 22 : n == 41 ? 40 : n;
        ASSERT_TRUE(source_.fetch(n)) << n;
        ASSERT_TRUE(shows(expected)) << "jump to " << n;
    }
}

TEST_F(FfmpegVideoSourceTest, OtherContainersWorkWithoutAFrameCountInTheFile) {
    // Matroska keeps no frame count and millisecond timestamps: the count comes from the duration
    // and frame numbers from rounding the timestamps.
    const fs::path mkv = dir_->path() / "grey.mkv";
    writeGreyVideo(mkv, kFrames, kGop);
    ASSERT_EQ(source_.open(mkv.string()), route::kVideoOpened);
    EXPECT_EQ(source_.frameCount(), kFrames);
    for (int n : {0, 1, 2, 33, 32, 59, 10, 9, 47}) ASSERT_TRUE(fetchesExactly(n)) << n;
}

TEST_F(FfmpegVideoSourceTest, FilesThatCannotBeOpenedGiveTheirCodes) {
    EXPECT_EQ(source_.open((dir_->path() / "missing.avi").string()), route::kVideoCannotOpen);
    EXPECT_FALSE(source_.isOpen());
    EXPECT_EQ(source_.frameCount(), 0);
    EXPECT_FALSE(source_.fetch(0));
    EXPECT_EQ(source_.pixels(), nullptr);

    EXPECT_EQ(source_.open(dir_->path().string()), route::kVideoCannotOpen);  // a folder

    const fs::path text = dir_->path() / "notes.avi";
    std::ofstream(text) << "This is a text file and not a video.\r\n" << std::string(4000, 'x');
    const int code = source_.open(text.string());
    EXPECT_NE(code, route::kVideoOpened);
    EXPECT_GE(code, route::kVideoBadFormat);
    EXPECT_LE(code, route::kVideoNoDecoder);
    EXPECT_FALSE(source_.fetch(0));

    const fs::path empty = dir_->path() / "empty.avi";
    std::ofstream{empty};
    EXPECT_NE(source_.open(empty.string()), route::kVideoOpened);
}

TEST_F(FfmpegVideoSourceTest, FilesWithoutAPictureStreamOrDecoderGiveTheirCodes) {
    // A sound file: readable, but nothing to show.
    const fs::path wave = dir_->path() / "sound.avi";
    {
        std::ofstream out(wave, std::ios::binary);
        auto put32 = [&](std::uint32_t v) { out.write(reinterpret_cast<const char*>(&v), 4); };
        auto put16 = [&](std::uint16_t v) { out.write(reinterpret_cast<const char*>(&v), 2); };
        const std::uint32_t samples = 8000;
        out << "RIFF";
        put32(36 + 2 * samples);
        out << "WAVEfmt ";
        put32(16);
        put16(1);  // PCM
        put16(1);  // mono
        put32(8000);
        put32(16000);
        put16(2);
        put16(16);
        out << "data";
        put32(2 * samples);
        for (std::uint32_t i = 0; i < samples; ++i) put16(static_cast<std::uint16_t>(i * 97));
    }
    EXPECT_EQ(source_.open(wave.string()), route::kVideoNoStream);
    EXPECT_FALSE(source_.fetch(0));

    // A video whose compression no decoder knows (its four-character code is made up).
    std::ifstream in(avi(), std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    int tags = 0;
    for (auto at = bytes.find("FMP4"); at != std::string::npos; at = bytes.find("FMP4", at)) {
        bytes.replace(at, 4, "QZQZ");
        ++tags;
    }
    ASSERT_GT(tags, 0);
    const fs::path unknown = dir_->path() / "unknown.avi";
    std::ofstream(unknown, std::ios::binary) << bytes;
    EXPECT_EQ(source_.open(unknown.string()), route::kVideoNoDecoder);
    EXPECT_FALSE(source_.isOpen());
    EXPECT_FALSE(source_.fetch(0));
}

TEST_F(FfmpegVideoSourceTest, OpeningAnotherFileReplacesTheOpenOne) {
    ASSERT_EQ(source_.open(avi().string()), route::kVideoOpened);
    ASSERT_TRUE(fetchesExactly(30));
    EXPECT_EQ(source_.open((dir_->path() / "missing.avi").string()), route::kVideoCannotOpen);
    EXPECT_FALSE(source_.isOpen());
    EXPECT_FALSE(source_.fetch(30));
    ASSERT_EQ(source_.open(avi().string()), route::kVideoOpened);
    EXPECT_EQ(source_.shownFrame(), -1);
    EXPECT_EQ(source_.seekCount(), 0);
    EXPECT_TRUE(fetchesExactly(31));
}

TEST_F(FfmpegVideoSourceTest, ATruncatedFileFailsPastItsEndWithoutHarm) {
    // Cut off in the middle of frame 30's packet: no index, a header that still says 60 frames.
    const fs::path cut = dir_->path() / "cut.avi";
    fs::copy_file(avi(), cut);
    const auto positions = packetPositions(avi());
    ASSERT_EQ(positions.size(), static_cast<std::size_t>(kFrames));
    fs::resize_file(cut, static_cast<std::uintmax_t>(positions[30] + 12));
    ASSERT_EQ(source_.open(cut.string()), route::kVideoOpened);
    for (int n = 0; n < 30; ++n) ASSERT_TRUE(fetchesExactly(n));
    EXPECT_FALSE(source_.fetch(31));
    EXPECT_TRUE(shows(29));
    // Running on past the end of the data gives up at once instead of seeking every frame.
    const int seeks = source_.seekCount();
    for (int n = 32; n < kFrames; ++n) EXPECT_FALSE(source_.fetch(n));
    EXPECT_EQ(source_.seekCount(), seeks);
    // Jumps, into the missing part as well, never abort.
    for (int n : {kFrames - 1, 3, kFrames - 2, 0, 35, 1}) {
        if (source_.fetch(n)) {
            EXPECT_TRUE(shows(n)) << n;
        }
    }
    EXPECT_TRUE(fetchesExactly(25));
    EXPECT_TRUE(fetchesExactly(2));
}

TEST_F(FfmpegVideoSourceTest, DamageInsideTheFileSpoilsOnlyFramesBeforeTheNextKeyFrame) {
    const fs::path bad = dir_->path() / "damaged.avi";
    fs::copy_file(avi(), bad);
    const auto positions = packetPositions(avi());
    ASSERT_EQ(positions.size(), static_cast<std::size_t>(kFrames));
    {
        // Garbage over the packets of frames 25 to 29, sparing their chunk headers.
        std::fstream file(bad, std::ios::in | std::ios::out | std::ios::binary);
        for (int n = 25; n < 30; ++n) {
            const auto length = positions[n + 1] - positions[n] - 16;
            if (length <= 0) continue;
            file.seekp(positions[n] + 8);
            file << std::string(static_cast<std::size_t>(length), '\x5A');
        }
    }
    ASSERT_EQ(source_.open(bad.string()), route::kVideoOpened);
    for (int n = 0; n < kFrames; ++n) {
        const bool fetched = source_.fetch(n);
        if (n < 25 || n >= 30) {
            ASSERT_TRUE(fetched) << n;
            ASSERT_TRUE(shows(n)) << n;
        }
    }
    for (int n : {27, 31, 26, 24}) {
        const bool fetched = source_.fetch(n);
        if (n >= 30 || n < 25) {
            ASSERT_TRUE(fetched && shows(n)) << n;
        }
    }
}

TEST_F(FfmpegVideoSourceTest, AFailedFetchLeavesTheLastGoodPictureThroughAnyDamage) {
    // Driving forward frame by frame through a file cut off in the middle of a group, and
    // through one with a stretch overwritten right across its chunk headers (frames 22 … 33):
    // whatever a fetch cannot decode leaves the picture it had, and the frames before the damage
    // are exact.
    const auto positions = packetPositions(avi());
    ASSERT_EQ(positions.size(), static_cast<std::size_t>(kFrames));
    const fs::path cut = dir_->path() / "cut_in_group.avi";
    fs::copy_file(avi(), cut, fs::copy_options::overwrite_existing);
    fs::resize_file(cut, static_cast<std::uintmax_t>(positions[44] + 5));
    const fs::path holed = dir_->path() / "holed.avi";
    fs::copy_file(avi(), holed, fs::copy_options::overwrite_existing);
    {
        std::fstream file(holed, std::ios::in | std::ios::out | std::ios::binary);
        file.seekp(positions[22] - 8);
        file << std::string(static_cast<std::size_t>(positions[34] - positions[22]), '\xA7');
    }
    ASSERT_EQ(source_.open(avi().string()), route::kVideoOpened);
    for (int n = 0; n < kFrames; ++n) ASSERT_TRUE(source_.fetch(n));
    EXPECT_TRUE(notices_.empty());  // an intact file says nothing
    for (const auto& [path, firstDamaged] : {std::pair{cut, 44}, std::pair{holed, 22}}) {
        SCOPED_TRACE(path.filename().string());
        notices_.clear();
        ASSERT_EQ(source_.open(path.string()), route::kVideoOpened);
        const std::size_t bytes = static_cast<std::size_t>(source_.height() * source_.stride());
        std::vector<std::uint8_t> before;
        int failed = 0;
        int lastGood = -1;
        for (int n = 0; n < kFrames; ++n) {
            before.assign(source_.pixels(), source_.pixels() + bytes);
            if (source_.fetch(n)) {
                if (n < firstDamaged) {
                    ASSERT_TRUE(shows(n)) << n;
                }
                lastGood = n;
                continue;
            }
            ++failed;
            ASSERT_GE(n, firstDamaged);
            ASSERT_TRUE(std::equal(before.begin(), before.end(), source_.pixels())) << n;
        }
        // The damage is said once, naming the file.
        ASSERT_EQ(notices_.size(), 1U);
        EXPECT_NE(notices_[0].find(path.filename().string()), std::string::npos) << notices_[0];
        if (path == cut) {
            // Past the cut (in frame 44's packet) nothing decodes: the last good picture stays.
            EXPECT_GE(failed, kFrames - 45);
            if (lastGood == 43) {
                EXPECT_TRUE(shows(43));
            }
        }
    }
}

TEST_F(FfmpegVideoSourceTest, RandomDamageNeverAborts) {
    std::ifstream in(avi(), std::ios::binary);
    const std::string original((std::istreambuf_iterator<char>(in)),
                               std::istreambuf_iterator<char>());
    std::mt19937 random(20261208);
    const fs::path bad = dir_->path() / "noise.avi";
    int opened = 0;
    for (int round = 0; round < 40; ++round) {
        std::string bytes = original;
        // Headers in the first rounds, anywhere afterwards.
        const std::size_t span =
            round < 10 ? std::min<std::size_t>(bytes.size(), 512) : bytes.size();
        for (int i = 0; i < 24; ++i) bytes[random() % span] = static_cast<char>(random() & 0xFF);
        if (round % 5 == 4) bytes.resize(random() % bytes.size());
        std::ofstream(bad, std::ios::binary | std::ios::trunc) << bytes;
        if (source_.open(bad.string()) != route::kVideoOpened) continue;
        ++opened;
        const int count = std::min(source_.frameCount(), 4 * kFrames);
        for (int i = 0; i < count + 20; ++i)
            source_.fetch(static_cast<int>(random() % (count + 2)));
        for (int n = count; n >= count - 15; --n) source_.fetch(n);
    }
    EXPECT_GT(opened, 20);  // most damage leaves a file that opens and must then be decoded
}

}  // namespace
}  // namespace tressmoor::platform
