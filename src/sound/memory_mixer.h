// The in-memory mixer: channel bookkeeping without audio, advanced by simulated time.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "sound/mixer.h"

namespace tressmoor::sound {

/// A wave known only by its length (and the path it came from).
class MemoryWave final : public Wave {
public:
    MemoryWave(std::string path, double lengthMs) : path_(std::move(path)), lengthMs_(lengthMs) {}
    double lengthMs() const override { return lengthMs_; }
    const std::string& path() const { return path_; }

private:
    std::string path_;
    double lengthMs_;
};

/// Mixer for tests and the headless runner. Waves are read from WAV files for their length
/// only; playback position advances with advance(ms) × the channel's frequency ratio.
/// Every start and stop can be observed through the event callback.
class MemoryMixer final : public Mixer {
public:
    /// Called for channel starts and stops: (channel, "play" | "loop" | "stop" | "end").
    using EventSink = std::function<void(int channel, const char* what)>;
    /// Called with the message for an invalid channel number.
    using Reporter = std::function<void(const std::string& message)>;

    MemoryMixer();

    std::shared_ptr<Wave> loadWave(const std::string& path) override;
    void attach(int channel, std::shared_ptr<Wave> wave) override;
    bool hasWave(int channel) const override;
    void Play(int channel) override;
    void LoopPlay(int channel) override;
    void Stop(int channel) override;
    void FreqRate(int channel, double ratio) override;
    void Volume(int channel, int hundredthsDb) override;
    int volume(int channel) const override;
    void Pan(int channel, int pan) override;
    ChannelStatus Status(int channel) const override;
    void advance(double ms) override;
    bool reinitialise() override;

    void setEventSink(EventSink sink) { events_ = std::move(sink); }
    void setReporter(Reporter reporter) { reporter_ = std::move(reporter); }

    /// Inspection for tests.
    double freqRate(int channel) const;
    int pan(int channel) const;
    double positionMs(int channel) const;
    const Wave* wave(int channel) const;

private:
    struct Channel {
        std::shared_ptr<Wave> wave;
        ChannelStatus status = ChannelStatus::Idle;
        double positionMs = 0;  ///< playback position within the wave
        double ratio = 1.0;     ///< frequency ratio
        int volume = 0;         ///< hundredths of a dB
        int pan = 0;
    };

    Channel* channel(int number);
    const Channel* channel(int number) const;
    void notifyEvent(int number, const char* what);

    std::array<Channel, kChannelCount> channels_;
    EventSink events_;
    Reporter reporter_;
};

/// What the program needs from a WAV file's header, found by walking its RIFF chunks.
struct WavInfo {
    std::uint16_t formatTag = 0;  ///< 1 = PCM, 2 = MS ADPCM, 0x11 = IMA ADPCM, …
    std::uint16_t channels = 0;
    std::uint32_t sampleRate = 0;  ///< samples per second
    std::uint32_t bytesPerSecond = 0;
    std::uint16_t bitsPerSample = 0;
    std::uint32_t dataSize = 0;  ///< bytes of sample data

    /// Length when played at its own rate, ms (0 when the header gives no byte rate).
    double lengthMs() const;
    /// Whole seconds, truncated (0 when the header gives no byte rate).
    int durationSeconds() const;
};

/// Reads the header of a WAV file; nullopt when the file cannot be read or has no "fmt " and
/// "data" chunks. A data chunk that claims more bytes than the file holds is cut to the file.
std::optional<WavInfo> readWavInfo(const std::string& path);
/// The same for the bytes of a stream that can seek (the whole stream is the file).
std::optional<WavInfo> readWavInfo(std::istream& in);

}  // namespace tressmoor::sound
