// Pausing and resuming the channels of a drive.
#include "sound/pause.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "sound/memory_mixer.h"
#include "test_support/temp_dir.h"

namespace tressmoor::sound {
namespace {

/// A one-second 16-bit mono PCM WAV at 8000 Hz, silent.
std::string oneSecondWav() {
    auto put32 = [](std::string& s, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) s.push_back(static_cast<char>(v >> (8 * i)));
    };
    auto put16 = [](std::string& s, std::uint16_t v) {
        s.push_back(static_cast<char>(v));
        s.push_back(static_cast<char>(v >> 8));
    };
    std::string s = "RIFF";
    put32(s, 36 + 16000);
    s += "WAVEfmt ";
    put32(s, 16);
    put16(s, 1);
    put16(s, 1);
    put32(s, 8000);
    put32(s, 16000);
    put16(s, 2);
    put16(s, 16);
    s += "data";
    put32(s, 16000);
    s.append(16000, '\0');
    return s;
}

class PauseChannels : public ::testing::Test {
protected:
    void SetUp() override {
        const auto path = (dir_.path() / "a.wav").string();
        std::ofstream(path, std::ios::binary) << oneSecondWav();
        wave_ = mixer_.loadWave(path);
        ASSERT_TRUE(wave_);
        for (int ch : {0, 1, 2, 3, 319}) mixer_.attach(ch, wave_);
        mixer_.setEventSink(
            [this](int ch, const char* what) { events_.push_back(std::to_string(ch) + what); });
    }

    test_support::TempDir dir_;
    MemoryMixer mixer_;
    std::shared_ptr<Wave> wave_;
    std::vector<std::string> events_;
};

TEST_F(PauseChannels, PauseRecordsOnceLoopingAndIdleAndStopsThePlayingOnes) {
    mixer_.Play(0);
    mixer_.LoopPlay(1);
    mixer_.Play(2);
    mixer_.LoopPlay(319);
    mixer_.advance(600);
    mixer_.Play(2);       // played again: still once
    mixer_.advance(600);  // channel 0 has ended by now
    events_.clear();

    const PausedChannelState state = pauseChannels(mixer_);

    EXPECT_EQ(state[0], ChannelStatus::Idle);
    EXPECT_EQ(state[1], ChannelStatus::Looping);
    EXPECT_EQ(state[2], ChannelStatus::Once);
    EXPECT_EQ(state[3], ChannelStatus::Idle);
    EXPECT_EQ(state[4], ChannelStatus::Idle);  // no wave
    EXPECT_EQ(state[319], ChannelStatus::Looping);
    EXPECT_EQ(events_, (std::vector<std::string>{"1stop", "2stop", "319stop"}));
    for (int ch = 0; ch < kChannelCount; ++ch) EXPECT_EQ(mixer_.Status(ch), ChannelStatus::Idle);
}

TEST_F(PauseChannels, ResumeRestartsOnceChannelsFromTheStartAndLoopsTheLoopingOnes) {
    mixer_.Play(2);
    mixer_.LoopPlay(1);
    mixer_.advance(700);
    const PausedChannelState state = pauseChannels(mixer_);
    events_.clear();

    resumeChannels(mixer_, state);

    EXPECT_EQ(events_, (std::vector<std::string>{"1loop", "2play"}));
    EXPECT_EQ(mixer_.Status(1), ChannelStatus::Looping);
    EXPECT_EQ(mixer_.Status(2), ChannelStatus::Once);
    EXPECT_EQ(mixer_.positionMs(2), 0.0);
    EXPECT_EQ(mixer_.Status(0), ChannelStatus::Idle);
    // The once channel plays its whole length again after the pause.
    mixer_.advance(900);
    EXPECT_EQ(mixer_.Status(2), ChannelStatus::Once);
    mixer_.advance(200);
    EXPECT_EQ(mixer_.Status(2), ChannelStatus::Idle);
}

TEST_F(PauseChannels, ResumeStopsAChannelThatWasStartedDuringThePauseBeforeReplayingIt) {
    mixer_.LoopPlay(3);
    const PausedChannelState state = pauseChannels(mixer_);
    mixer_.Play(3);
    mixer_.attach(1, nullptr);
    PausedChannelState withDetached = state;
    withDetached[1] = ChannelStatus::Once;
    events_.clear();

    resumeChannels(mixer_, withDetached);

    // Channel 1 lost its wave during the pause: nothing to play, nothing happens.
    EXPECT_EQ(events_, (std::vector<std::string>{"3stop", "3loop"}));
    EXPECT_EQ(mixer_.Status(3), ChannelStatus::Looping);
    EXPECT_EQ(mixer_.Status(1), ChannelStatus::Idle);
}

}  // namespace
}  // namespace tressmoor::sound
