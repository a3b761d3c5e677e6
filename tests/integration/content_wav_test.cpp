// The WAV reader and writer of mkcontent: canonical output, and reading the chunked, stereo or
// 8-bit files a speech synthesiser may write.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "wav_file.h"

namespace fs = std::filesystem;
using namespace tressmoor::mkcontent;

namespace {

class WavFiles : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("tressmoor_wav_" + std::to_string(::getpid()));
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    static void put32(std::string& s, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
    }
    static void put16(std::string& s, std::uint16_t v) {
        s += static_cast<char>(v & 0xFF);
        s += static_cast<char>(v >> 8);
    }
    /// A WAV with a LIST chunk before "fmt " and the given format and sample bytes.
    fs::path writeRaw(int channels, int bits, int rate, const std::string& samples,
                      bool openSize = false) {
        std::string body = "WAVE";
        body += "LIST";
        put32(body, 6);
        body += "INFOab";
        body += "fmt ";
        put32(body, 16);
        put16(body, 1);
        put16(body, static_cast<std::uint16_t>(channels));
        put32(body, static_cast<std::uint32_t>(rate));
        put32(body, static_cast<std::uint32_t>(rate * channels * bits / 8));
        put16(body, static_cast<std::uint16_t>(channels * bits / 8));
        put16(body, static_cast<std::uint16_t>(bits));
        body += "data";
        put32(body, openSize ? 0xFFFFFFFFu : static_cast<std::uint32_t>(samples.size()));
        body += samples;
        std::string file = "RIFF";
        put32(file, static_cast<std::uint32_t>(body.size()));
        file += body;
        const fs::path p = dir_ / ("raw" + std::to_string(count_++) + ".wav");
        std::ofstream(p, std::ios::binary) << file;
        return p;
    }

    fs::path dir_;
    int count_ = 0;
};

TEST_F(WavFiles, WritesTheCanonicalHeaderTheProgramReadsDurationsFrom) {
    PcmSound s;
    s.samples.assign(44100, 1000);  // two seconds at 22050 Hz
    const fs::path p = dir_ / "two_seconds.wav";
    writeWav(p, s);
    std::ifstream f(p, std::ios::binary);
    std::vector<unsigned char> b((std::istreambuf_iterator<char>(f)), {});
    ASSERT_EQ(b.size(), 44u + 88200u);
    auto le32 = [&](std::size_t at) {
        return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) |
               (static_cast<std::uint32_t>(b[at + 3]) << 24);
    };
    EXPECT_EQ(le32(28), 44100u);  // bytes per second
    EXPECT_EQ(le32(40), 88200u);  // data size
    EXPECT_EQ(le32(40) / le32(28), 2u);
    EXPECT_EQ(readWav(p).samples, s.samples);
}

TEST_F(WavFiles, ReadsChunkedStereoAndEightBitFiles) {
    std::string stereo;
    put16(stereo, 1000);
    put16(stereo, 3000);
    put16(stereo, static_cast<std::uint16_t>(-2000));
    put16(stereo, static_cast<std::uint16_t>(-4000));
    const PcmSound a = readWav(writeRaw(2, 16, 16000, stereo));
    EXPECT_EQ(a.sampleRate, 16000);
    EXPECT_EQ(a.samples, (std::vector<std::int16_t>{2000, -3000}));

    const PcmSound b = readWav(writeRaw(1, 8, 8000, std::string("\x80\xC0\x40", 3)));
    EXPECT_EQ(b.samples, (std::vector<std::int16_t>{0, 64 * 256, -64 * 256}));
}

TEST_F(WavFiles, AStreamedFileWithoutDataSizeReadsToTheEnd) {
    std::string samples;
    for (int i = 0; i < 5; ++i) put16(samples, static_cast<std::uint16_t>(i * 100));
    EXPECT_EQ(readWav(writeRaw(1, 16, 22050, samples, true)).samples.size(), 5u);
}

TEST_F(WavFiles, RejectsWhatIsNotPcm) {
    const fs::path text = dir_ / "text.wav";
    std::ofstream(text) << "not a wave file at all";
    EXPECT_THROW(readWav(text), std::runtime_error);
    EXPECT_THROW(readWav(dir_ / "missing.wav"), std::runtime_error);
}

TEST_F(WavFiles, ResamplingKeepsDurationAndShape) {
    PcmSound s;
    s.sampleRate = 44100;
    for (int i = 0; i < 44100; ++i) s.samples.push_back(static_cast<std::int16_t>(i % 100 * 100));
    const PcmSound r = resample(s, 22050);
    EXPECT_EQ(r.sampleRate, 22050);
    EXPECT_EQ(r.samples.size(), 22050u);
    EXPECT_EQ(r.samples[10], s.samples[20]);
}

}  // namespace
