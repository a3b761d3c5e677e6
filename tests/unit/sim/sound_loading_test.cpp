// Loading the sounds of a drive onto their channels.
#include "sim/sound_loading.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "data/fatal_error.h"
#include "sound/memory_mixer.h"
#include "test_support/temp_dir.h"

namespace tressmoor::sim {
namespace {

/// A canonical 16-bit mono PCM WAV of `dataBytes` bytes at `bytesPerSecond`.
void writeWav(const std::filesystem::path& path, std::uint32_t bytesPerSecond,
              std::uint32_t dataBytes) {
    std::filesystem::create_directories(path.parent_path());
    std::string s = "RIFF";
    auto put32 = [&](std::uint32_t v) {
        for (int i = 0; i < 4; ++i) s.push_back(static_cast<char>(v >> (8 * i)));
    };
    auto put16 = [&](std::uint16_t v) {
        s.push_back(static_cast<char>(v));
        s.push_back(static_cast<char>(v >> 8));
    };
    put32(36 + dataBytes);
    s += "WAVEfmt ";
    put32(16);
    put16(1);
    put16(1);
    put32(bytesPerSecond / 2);
    put32(bytesPerSecond);
    put16(2);
    put16(16);
    s += "data";
    put32(dataBytes);
    s.append(dataBytes, '\0');
    std::ofstream(path, std::ios::binary) << s;
}

class SoundLoadingTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"d0.wav", "d1.wav", "d2.wav"}) {
            writeWav(dir_.path() / "train" / name, 44100, 1000);
        }
        writeWav(dir_.path() / "prog" / "sound" / "amb0.wav", 44100, 176400);
        writeWav(dir_.path() / "prog" / "sound" / "amb1.wav", 44100, 88199);
        writeWav(dir_.path() / "prog" / "sound" / "call.wav", 44100, 1000);
        spec_.DriveSound = {"d0.wav", "d1.wav", "d2.wav"};
        line_.SoundData = {"sound\\AMB0.wav", "sound\\amb1.wav"};
        line_.KankoSound1[18] = "sound\\call.wav";
        line_.KankoSound2 = {"sound\\call.wav"};
        folders_ = {dir_.path() / "train", dir_.path() / "prog"};
    }
    test_support::TempDir dir_;
    data::TrainSpec spec_;
    data::LineData line_;
    SoundFolders folders_;
    sound::MemoryMixer mixer_;
};

TEST_F(SoundLoadingTest, BlocksFollowEachOtherAndCallsComeAfterAFreeChannel) {
    std::vector<std::string> progress;
    auto set = LoadSounds(spec_, line_, folders_, mixer_,
                          [&](const std::string& p) { progress.push_back(p); });
    for (int c = 0; c < 5; ++c) EXPECT_TRUE(mixer_.hasWave(c)) << c;
    EXPECT_FALSE(mixer_.hasWave(5));
    EXPECT_EQ(set.ambientChannel(0), 3);
    EXPECT_EQ(set.callChannel(), 6);
    EXPECT_EQ(set.eventChannel(), 7);
    EXPECT_EQ(set.ambientSeconds[0], 4);
    EXPECT_EQ(set.ambientSeconds[1], 1);
    EXPECT_TRUE(set.call(18));
    EXPECT_TRUE(set.call(22));
    EXPECT_FALSE(set.call(17));  // an empty name stays an empty slot
    EXPECT_EQ(set.callTableEnd, 23);
    ASSERT_EQ(progress.size(), 4u);
    EXPECT_EQ(progress.back(), "サウンドを読み込んでいます");
}

TEST_F(SoundLoadingTest, MissingFileNamesFolderAndFile) {
    line_.SoundData.push_back("sound\\gone.wav");
    try {
        LoadSounds(spec_, line_, folders_, mixer_);
        FAIL() << "loaded a missing file";
    } catch (const data::FatalError& e) {
        EXPECT_EQ(std::string(e.what()),
                  (dir_.path() / "prog" / "sound" / "gone.wav").string() + "が見つかりません");
    }
}

TEST_F(SoundLoadingTest, ReleaseDetachesEverything) {
    auto set = LoadSounds(spec_, line_, folders_, mixer_);
    mixer_.LoopPlay(0);
    ReleaseSounds(set, mixer_);
    EXPECT_FALSE(mixer_.hasWave(0));
    EXPECT_EQ(mixer_.Status(0), sound::ChannelStatus::Idle);
    EXPECT_EQ(set.nDrive(), 0);
}

}  // namespace
}  // namespace tressmoor::sim
