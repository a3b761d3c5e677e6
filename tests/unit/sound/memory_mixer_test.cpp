// The in-memory mixer and the WAV header reader.
#include "sound/memory_mixer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <vector>

#include "test_support/temp_dir.h"

namespace tressmoor::sound {
namespace {

void put32(std::string& s, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) s.push_back(static_cast<char>(v >> (8 * i)));
}
void put16(std::string& s, std::uint16_t v) {
    s.push_back(static_cast<char>(v));
    s.push_back(static_cast<char>(v >> 8));
}

/// A PCM WAV file; `extraChunk` puts a LIST chunk before "data" (a non-canonical header).
std::string wavBytes(std::uint32_t bytesPerSecond, std::uint32_t dataSize, bool extraChunk) {
    std::string s = "RIFF";
    put32(s, 0);
    s += "WAVEfmt ";
    put32(s, 16);
    put16(s, 1);
    put16(s, 1);
    put32(s, bytesPerSecond / 2);
    put32(s, bytesPerSecond);
    put16(s, 2);
    put16(s, 16);
    if (extraChunk) {
        s += "LIST";
        put32(s, 5);
        s += "INFOx";
        s.push_back('\0');  // pad byte of the odd-sized chunk
    }
    s += "data";
    put32(s, dataSize);
    s.append(dataSize, '\0');
    return s;
}

class MemoryMixerTest : public ::testing::Test {
protected:
    std::string write(const std::string& name, const std::string& bytes) {
        auto path = (dir_.path() / name).string();
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }
    test_support::TempDir dir_;
    MemoryMixer mixer_;
};

TEST_F(MemoryMixerTest, DurationTruncatesToWholeSecondsAndWalksChunks) {
    auto canonical = readWavInfo(write("a.wav", wavBytes(44100, 176400, false)));
    ASSERT_TRUE(canonical);
    EXPECT_EQ(canonical->durationSeconds(), 4);
    EXPECT_EQ(readWavInfo(write("b.wav", wavBytes(44100, 88199, false)))->durationSeconds(), 1);
    auto withList = readWavInfo(write("c.wav", wavBytes(44100, 88200, true)));
    ASSERT_TRUE(withList);
    EXPECT_EQ(withList->durationSeconds(), 2);
    EXPECT_DOUBLE_EQ(withList->lengthMs(), 2000.0);
    EXPECT_EQ(WavInfo{}.durationSeconds(), 0);  // no byte rate: no division by zero
    EXPECT_FALSE(readWavInfo(write("d.wav", "not a wave")));
    EXPECT_FALSE(readWavInfo((dir_.path() / "missing.wav").string()));
}

TEST_F(MemoryMixerTest, OncePlaybackEndsAfterTheWaveLengthScaledByTheRate) {
    auto wave = mixer_.loadWave(write("a.wav", wavBytes(44100, 44100, false)));  // 1 s
    ASSERT_TRUE(wave);
    std::vector<std::string> events;
    mixer_.setEventSink([&](int ch, const char* what) {
        events.push_back(std::to_string(ch) + what);
    });
    mixer_.attach(7, wave);
    mixer_.attach(8, wave);
    mixer_.FreqRate(8, 2.0);
    mixer_.Play(7);
    mixer_.Play(8);
    EXPECT_EQ(mixer_.Status(7), ChannelStatus::Once);
    mixer_.advance(600);
    EXPECT_EQ(mixer_.Status(7), ChannelStatus::Once);
    EXPECT_EQ(mixer_.Status(8), ChannelStatus::Idle);  // twice as fast: over after 500 ms
    mixer_.advance(500);
    EXPECT_EQ(mixer_.Status(7), ChannelStatus::Idle);
    EXPECT_EQ(events, (std::vector<std::string>{"7play", "8play", "8end", "7end"}));
}

TEST_F(MemoryMixerTest, LoopingKeepsPlayingAndStopDoesNotRewind) {
    mixer_.attach(0, mixer_.loadWave(write("a.wav", wavBytes(1000, 500, false))));  // 500 ms
    mixer_.LoopPlay(0);
    mixer_.advance(1200);
    EXPECT_EQ(mixer_.Status(0), ChannelStatus::Looping);
    EXPECT_NEAR(mixer_.positionMs(0), 200, 1e-9);
    mixer_.Stop(0);
    EXPECT_EQ(mixer_.Status(0), ChannelStatus::Idle);
    EXPECT_NEAR(mixer_.positionMs(0), 200, 1e-9);
    mixer_.Play(0);
    EXPECT_EQ(mixer_.positionMs(0), 0);
}

TEST_F(MemoryMixerTest, InvalidChannelIsReportedAndIgnored) {
    std::vector<std::string> messages;
    mixer_.setReporter([&](const std::string& m) { messages.push_back(m); });
    mixer_.Play(320);
    mixer_.Volume(-1, -100);
    EXPECT_EQ(mixer_.Status(320), ChannelStatus::Idle);
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0], "チャンネル番号320は無効です、0～319の範囲で指定してください");
}

TEST_F(MemoryMixerTest, VolumeIsClampedAndReadBackAndChannelsWithoutWaveStaySilent) {
    mixer_.Volume(3, -2000);
    EXPECT_EQ(mixer_.volume(3), -2000);
    mixer_.Volume(3, -20000);
    EXPECT_EQ(mixer_.volume(3), -10000);
    mixer_.Play(3);
    EXPECT_EQ(mixer_.Status(3), ChannelStatus::Idle);
    EXPECT_FALSE(mixer_.hasWave(3));
}

}  // namespace
}  // namespace tressmoor::sound
