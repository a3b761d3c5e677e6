// The OpenAL mixer, heard through a loopback device (no sound card needed), and the choice of
// output when no device opens.
#include "platform/openal_mixer.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>
#include <cstdlib>
#include <numbers>
#include <string>
#include <vector>

#include "platform/audio_output.h"
#include "sound/memory_mixer.h"
#include "test_support/temp_dir.h"

namespace tressmoor::platform {
namespace {

using sound::ChannelStatus;

constexpr int kRate = 44100;  ///< Hz, of the test waves and the loopback output

/// A tone written with libsndfile in `format` (SF_FORMAT_WAV | subtype).
struct Tone {
    double hz = 440;
    double seconds = 0.5;
    double amplitude = 0.5;  ///< of full scale
    int channels = 1;
    int format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
};

class OpenAlMixerTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string why;
        mixer_ = OpenAlMixer::openLoopback(kRate, false, &why);
        ASSERT_TRUE(mixer_) << why;
        mixer_->setReporter([this](const std::string& m) { reports_.push_back(m); });
    }

    std::string write(const std::string& name, const Tone& tone) {
        const auto path = (dir_.path() / name).string();
        SF_INFO info{};
        info.samplerate = kRate;
        info.channels = tone.channels;
        info.format = tone.format;
        SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
        EXPECT_NE(file, nullptr) << sf_strerror(nullptr);
        const auto frames = static_cast<int>(tone.seconds * kRate);
        std::vector<double> samples;
        for (int i = 0; i < frames; ++i) {
            const double v = tone.amplitude * std::sin(2 * std::numbers::pi * tone.hz * i / kRate);
            for (int c = 0; c < tone.channels; ++c) samples.push_back(c == 0 ? v : -v);
        }
        sf_writef_double(file, samples.data(), frames);
        sf_close(file);
        return path;
    }

    std::shared_ptr<sound::Wave> load(const std::string& name, const Tone& tone = {}) {
        auto wave = mixer_->loadWave(write(name, tone));
        EXPECT_TRUE(wave);
        return wave;
    }

    /// Renders `seconds` of output; interleaved left/right, full scale ±1.
    std::vector<float> render(double seconds) {
        std::vector<float> out(2 * static_cast<std::size_t>(seconds * kRate));
        EXPECT_TRUE(mixer_->render(out.data(), static_cast<int>(out.size() / 2)));
        return out;
    }

    /// Rising zero crossings of one side per second; the signal must go below −0.01 before a
    /// rise above 0 counts, so that quantisation noise around 0 is not counted.
    static double frequencyOf(const std::vector<float>& out, int side = 0) {
        int crossings = 0;
        bool below = false;
        for (std::size_t i = static_cast<std::size_t>(side); i < out.size(); i += 2) {
            if (out[i] < -0.01f) below = true;
            if (below && out[i] >= 0) {
                ++crossings;
                below = false;
            }
        }
        return crossings / (static_cast<double>(out.size() / 2) / kRate);
    }

    static double rmsOf(const std::vector<float>& out, int side) {
        double sum = 0;
        for (std::size_t i = static_cast<std::size_t>(side); i < out.size(); i += 2) {
            sum += static_cast<double>(out[i]) * out[i];
        }
        return std::sqrt(sum / static_cast<double>(out.size() / 2));
    }

    test_support::TempDir dir_;
    std::unique_ptr<OpenAlMixer> mixer_;
    std::vector<std::string> reports_;
};

TEST_F(OpenAlMixerTest, FreqRateScalesThePitch) {
    auto wave = load("a.wav", {.seconds = 1.0});
    mixer_->attach(0, wave);
    mixer_->Play(0);
    EXPECT_NEAR(frequencyOf(render(0.4)), 440, 5);

    mixer_->FreqRate(0, 1.5);
    mixer_->Play(0);
    render(0.05);  // let the new rate settle
    EXPECT_NEAR(frequencyOf(render(0.4)), 660, 5);

    // A ratio of 0 (a train at a stand) or below cannot be played by OpenAL: the channel plays
    // as slowly as it is allowed to and keeps playing.
    mixer_->FreqRate(0, 0.0);
    mixer_->FreqRate(0, -2.0);
    mixer_->FreqRate(0, std::nan(""));
    render(0.1);
    EXPECT_EQ(mixer_->Status(0), ChannelStatus::Once);
}

TEST_F(OpenAlMixerTest, VolumeIsAttenuationInHundredthsOfADecibel) {
    auto wave = load("a.wav", {.seconds = 2.0});
    mixer_->attach(0, wave);
    mixer_->Play(0);
    render(0.05);
    const double full = rmsOf(render(0.2), 0);
    ASSERT_GT(full, 0.05);

    mixer_->Volume(0, -2000);
    render(0.05);
    EXPECT_NEAR(rmsOf(render(0.2), 0) / full, 0.1, 0.005);
    EXPECT_EQ(mixer_->volume(0), -2000);

    mixer_->Volume(0, -10000);
    render(0.05);
    EXPECT_EQ(rmsOf(render(0.1), 0), 0.0);

    mixer_->Volume(0, -20000);
    EXPECT_EQ(mixer_->volume(0), -10000);
    mixer_->Volume(0, 300);
    EXPECT_EQ(mixer_->volume(0), 0);
}

TEST_F(OpenAlMixerTest, PanMovesTheSoundBetweenTheSidesAtRoughlyConstantLoudness) {
    auto wave = load("a.wav", {.seconds = 2.0});
    mixer_->attach(0, wave);
    mixer_->LoopPlay(0);
    auto powerAt = [&](int pan, double& left, double& right) {
        mixer_->Pan(0, pan);
        render(0.05);
        auto out = render(0.1);
        left = rmsOf(out, 0);
        right = rmsOf(out, 1);
        return left * left + right * right;
    };
    double l = 0, r = 0;
    const double centre = powerAt(0, l, r);
    EXPECT_NEAR(l / r, 1.0, 0.02);
    const double hardLeft = powerAt(-10000, l, r);
    EXPECT_GT(l, 4 * r);
    const double hardRight = powerAt(10000, l, r);
    EXPECT_GT(r, 4 * l);
    const double halfRight = powerAt(5000, l, r);
    EXPECT_GT(r, 1.5 * l);
    // Within 2 dB of the centre's power everywhere (OpenAL Soft's stereo panning gives 1.5 dB
    // more at the sides than ahead).
    for (double power : {hardLeft, hardRight, halfRight}) {
        EXPECT_GT(power / centre, 0.63);
        EXPECT_LT(power / centre, 1.59);
    }
}

TEST_F(OpenAlMixerTest, StatusFollowsPlaybackOnceAndLooping) {
    auto wave = load("short.wav", {.seconds = 0.1});
    EXPECT_NEAR(wave->lengthMs(), 100, 0.1);
    mixer_->attach(5, wave);
    EXPECT_EQ(mixer_->Status(5), ChannelStatus::Idle);

    mixer_->Play(5);
    EXPECT_EQ(mixer_->Status(5), ChannelStatus::Once);
    render(0.05);
    EXPECT_EQ(mixer_->Status(5), ChannelStatus::Once);
    render(0.07);
    EXPECT_EQ(mixer_->Status(5), ChannelStatus::Idle);

    mixer_->LoopPlay(5);
    render(0.35);
    EXPECT_EQ(mixer_->Status(5), ChannelStatus::Looping);
    mixer_->Stop(5);
    EXPECT_EQ(mixer_->Status(5), ChannelStatus::Idle);
    render(0.01);  // OpenAL fades a stopped source out over one update
    EXPECT_EQ(rmsOf(render(0.05), 0), 0.0);

    // A channel without a wave stays silent whatever it is told.
    mixer_->Play(6);
    mixer_->LoopPlay(6);
    EXPECT_EQ(mixer_->Status(6), ChannelStatus::Idle);
    EXPECT_FALSE(mixer_->hasWave(6));
}

TEST_F(OpenAlMixerTest, AllChannelsPlayAtOnce) {
    EXPECT_EQ(mixer_->sourceCount(), sound::kChannelCount);
    auto wave = load("short.wav", {.seconds = 0.1, .amplitude = 0.001});
    for (int ch = 0; ch < sound::kChannelCount; ++ch) {
        mixer_->attach(ch, wave);
        ch % 2 == 0 ? mixer_->Play(ch) : mixer_->LoopPlay(ch);
    }
    const double loudness = rmsOf(render(0.05), 0);
    for (int ch = 0; ch < sound::kChannelCount; ++ch) {
        EXPECT_EQ(mixer_->Status(ch), ch % 2 == 0 ? ChannelStatus::Once : ChannelStatus::Looping);
    }
    // 320 copies of the same tone in phase: far louder than one.
    mixer_->Stop(0);
    EXPECT_GT(loudness, 0.05);
    render(0.1);
    for (int ch = 0; ch < sound::kChannelCount; ++ch) {
        EXPECT_EQ(mixer_->Status(ch), ch % 2 == 0 ? ChannelStatus::Idle : ChannelStatus::Looping);
    }
}

TEST_F(OpenAlMixerTest, ChannelsShareOneLoadedWaveButPlayIndependently) {
    const auto path = write("a.wav", {.seconds = 0.2});
    auto wave = mixer_->loadWave(path);
    ASSERT_TRUE(wave);
    EXPECT_EQ(mixer_->loadWave(path), wave);
    EXPECT_EQ(mixer_->loadWave((dir_.path() / "." / "a.wav").string()), wave);

    mixer_->attach(3, wave);
    mixer_->attach(4, wave);
    mixer_->FreqRate(4, 0.5);
    mixer_->Play(3);
    mixer_->Play(4);
    render(0.15);
    mixer_->Play(3);  // rewinds channel 3 only
    render(0.15);
    EXPECT_EQ(mixer_->Status(3), ChannelStatus::Once);
    EXPECT_EQ(mixer_->Status(4), ChannelStatus::Once);  // half speed: 0.4 s long
    render(0.15);
    EXPECT_EQ(mixer_->Status(3), ChannelStatus::Idle);
    EXPECT_EQ(mixer_->Status(4), ChannelStatus::Idle);

    // Detaching one channel leaves the other playing the wave.
    mixer_->LoopPlay(3);
    mixer_->LoopPlay(4);
    mixer_->attach(3, nullptr);
    wave.reset();
    render(0.3);
    EXPECT_EQ(mixer_->Status(3), ChannelStatus::Idle);
    EXPECT_EQ(mixer_->Status(4), ChannelStatus::Looping);
    EXPECT_GT(rmsOf(render(0.05), 0), 0.05);
}

TEST_F(OpenAlMixerTest, ReadsPcmAndAdpcmWaves) {
    const struct {
        const char* name;
        Tone tone;
    } cases[] = {
        {"u8.wav", {.format = SF_FORMAT_WAV | SF_FORMAT_PCM_U8}},
        {"stereo.wav", {.channels = 2}},
        {"ima.wav", {.format = SF_FORMAT_WAV | SF_FORMAT_IMA_ADPCM}},
        {"ms.wav", {.format = SF_FORMAT_WAV | SF_FORMAT_MS_ADPCM}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto wave = load(c.name, c.tone);
        ASSERT_TRUE(wave);
        // ADPCM files end with a whole block, padded with silence.
        EXPECT_GE(wave->lengthMs(), 499.9);
        EXPECT_LE(wave->lengthMs(), 600);
        mixer_->attach(1, wave);
        mixer_->Play(1);
        auto out = render(0.3);
        EXPECT_NEAR(frequencyOf(out, 0), 440, 5);
        EXPECT_NEAR(frequencyOf(out, 1), 440, 5);
        EXPECT_GT(rmsOf(out, 0), 0.05);
        mixer_->Stop(1);
    }

    // Written by another encoder (sox): 22050 Hz, 256-byte blocks, a "fact" chunk.
    auto fixture = mixer_->loadWave(TRESSMOOR_FIXTURES_DIR "/sound/ima_adpcm_440hz.wav");
    ASSERT_TRUE(fixture);
    EXPECT_GE(fixture->lengthMs(), 249.9);
    EXPECT_LE(fixture->lengthMs(), 275);
    mixer_->attach(1, fixture);
    mixer_->Play(1);
    auto out = render(0.2);
    EXPECT_NEAR(frequencyOf(out, 0), 440, 10);
    EXPECT_GT(rmsOf(out, 0), 0.05);

    EXPECT_FALSE(mixer_->loadWave((dir_.path() / "missing.wav").string()));
    const auto text = (dir_.path() / "text.wav").string();
    std::FILE* f = std::fopen(text.c_str(), "w");
    std::fputs("not a wave", f);
    std::fclose(f);
    EXPECT_FALSE(mixer_->loadWave(text));
}

TEST_F(OpenAlMixerTest, InvalidChannelNumbersAreReportedAndIgnored) {
    auto wave = load("a.wav");
    mixer_->attach(-1, wave);
    mixer_->Play(320);
    mixer_->Volume(1000, -500);
    EXPECT_EQ(mixer_->Status(320), ChannelStatus::Idle);
    EXPECT_FALSE(mixer_->hasWave(-1));
    ASSERT_EQ(reports_.size(), 3u);
    EXPECT_EQ(reports_[0], sound::invalidChannelMessage(-1));
    EXPECT_EQ(reports_[1], sound::invalidChannelMessage(320));
    EXPECT_EQ(reports_[2], sound::invalidChannelMessage(1000));
}

TEST_F(OpenAlMixerTest, ReinitialiseStopsAndDetachesEverything) {
    auto wave = load("a.wav");
    mixer_->attach(0, wave);
    mixer_->attach(7, wave);
    mixer_->LoopPlay(0);
    mixer_->Volume(7, -300);
    ASSERT_TRUE(mixer_->reinitialise());
    EXPECT_FALSE(mixer_->hasWave(0));
    EXPECT_EQ(mixer_->Status(0), ChannelStatus::Idle);
    EXPECT_EQ(mixer_->volume(7), 0);
    render(0.01);
    EXPECT_EQ(rmsOf(render(0.05), 0), 0.0);
    // A wave still held elsewhere can be attached again.
    mixer_->attach(0, wave);
    mixer_->Play(0);
    EXPECT_GT(rmsOf(render(0.05), 0), 0.05);
}

TEST_F(OpenAlMixerTest, WavesOutliveTheirMixer) {
    auto wave = load("a.wav");
    mixer_->attach(0, wave);
    mixer_->Play(0);
    mixer_.reset();  // the device stays open until the wave goes
    EXPECT_NEAR(wave->lengthMs(), 500, 0.1);
    wave.reset();
}

class CreateMixerTest : public OpenAlMixerTest {};

TEST_F(CreateMixerTest, WithoutADeviceSoundsStillStartAndEndOnTime) {
    std::vector<std::string> notices;
    AudioOptions options;
    options.deviceName = "tressmoor: no such device";
    options.notice = [&](const std::string& text) { notices.push_back(text); };
    options.reporter = [&](const std::string& text) { reports_.push_back(text); };
    const bool userConfiguration = std::getenv("ALSOFT_CONF") != nullptr;
    auto mixer = createMixer(options);
    ASSERT_TRUE(mixer);
    // The period settings are handed to OpenAL only while the device opens.
    if (!userConfiguration) {
        EXPECT_EQ(std::getenv("ALSOFT_CONF"), nullptr);
    }
    mixer->Stop(320);
    EXPECT_EQ(reports_, std::vector<std::string>{sound::invalidChannelMessage(320)});
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_NE(notices[0].find("loopback"), std::string::npos) << notices[0];
    auto* openAl = dynamic_cast<OpenAlMixer*>(mixer.get());
    ASSERT_NE(openAl, nullptr);
    EXPECT_TRUE(openAl->isLoopback());

    auto wave = mixer->loadWave(write("short.wav", {.seconds = 0.1}));
    ASSERT_TRUE(wave);
    mixer->attach(2, wave);
    mixer->Play(2);
    mixer->advance(50);
    EXPECT_EQ(mixer->Status(2), ChannelStatus::Once);
    mixer->advance(16.7);
    mixer->advance(16.7);
    mixer->advance(16.7);
    EXPECT_EQ(mixer->Status(2), ChannelStatus::Idle);
}

TEST_F(CreateMixerTest, WithoutADeviceOrLoopbackTheMemoryMixerStandsIn) {
    std::vector<std::string> notices;
    AudioOptions options;
    options.tryDevice = false;
    options.allowLoopback = false;
    options.notice = [&](const std::string& text) { notices.push_back(text); };
    options.reporter = [&](const std::string& text) { reports_.push_back(text); };
    auto mixer = createMixer(options);
    ASSERT_NE(dynamic_cast<sound::MemoryMixer*>(mixer.get()), nullptr);
    EXPECT_EQ(notices.size(), 1u);
    mixer->Play(-7);
    EXPECT_EQ(reports_, std::vector<std::string>{sound::invalidChannelMessage(-7)});

    auto wave = mixer->loadWave(write("short.wav", {.seconds = 0.1}));
    ASSERT_TRUE(wave);
    mixer->attach(2, wave);
    mixer->LoopPlay(2);
    mixer->advance(500);
    EXPECT_EQ(mixer->Status(2), ChannelStatus::Looping);
}

}  // namespace
}  // namespace tressmoor::platform
