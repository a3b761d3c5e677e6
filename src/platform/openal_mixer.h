// The channel mixer of the desktop program: 320 OpenAL sources playing buffers read by libsndfile.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>

#include "sound/mixer.h"

namespace tressmoor::platform {

class AlOutput;
class AlWave;

/// How the playback device is opened.
struct AudioDeviceSettings {
    int refreshHz = 100;  ///< mixing updates per second asked of the device (ALC_REFRESH)
    int sampleRate = 0;   ///< output rate in Hz; 0 lets the device choose
};

/// One OpenAL source per channel, one AL buffer per loaded file (shared by every channel the wave
/// is attached to and by every load of the same path while any holder keeps it).
///
/// Volume is attenuation in hundredths of a dB mapped to the gain 10^(v/2000), with −10000 as
/// silence (gain 0). Pan −10000 … 10000 places the source on a unit circle around the listener,
/// from hard left through straight ahead to hard right, so that its loudness stays roughly the
/// same across the range (the distance never changes and distance attenuation is off). Stereo
/// waves are played as recorded: OpenAL does not pan them.
///
/// When the device offers fewer than 320 sources, the channels without one report Idle and
/// ignore every operation except Volume (which is still read back as set).
///
/// Single-threaded: called from the simulation's thread only. Every call makes this mixer's
/// OpenAL context current first, so several mixers (tests) can live in one process.
class OpenAlMixer final : public sound::Mixer {
public:
    using Reporter = std::function<void(const std::string& message)>;

    /// Opens the named playback device (empty: the system's default); nullptr when no device
    /// opens. `error` receives the reason.
    static std::unique_ptr<OpenAlMixer> openDevice(const std::string& deviceName,
                                                   const AudioDeviceSettings& settings,
                                                   std::string* error = nullptr);
    /// Opens an OpenAL Soft loopback device producing stereo 32-bit float samples (full scale
    /// ±1, no dither) at `sampleRate` Hz. Nothing
    /// plays until samples are rendered: with `renderOnAdvance`, advance(ms) renders that much
    /// and discards it (an output for machines without sound); otherwise the owner renders
    /// with render(). nullptr when the implementation has no loopback device.
    static std::unique_ptr<OpenAlMixer> openLoopback(int sampleRate, bool renderOnAdvance,
                                                     std::string* error = nullptr);

    ~OpenAlMixer() override;
    OpenAlMixer(const OpenAlMixer&) = delete;
    OpenAlMixer& operator=(const OpenAlMixer&) = delete;

    /// Reads a WAV file (8- or 16-bit PCM, IMA or Microsoft ADPCM, mono or stereo) into an AL
    /// buffer as 16-bit samples. Loading a path that is still loaded returns the same wave.
    std::shared_ptr<sound::Wave> loadWave(const std::string& path) override;
    /// Attaching resets the channel's rate, volume and pan and stops it. A wave that did not come
    /// from this mixer leaves the channel silent.
    void attach(int channel, std::shared_ptr<sound::Wave> wave) override;
    bool hasWave(int channel) const override;
    void Play(int channel) override;
    void LoopPlay(int channel) override;
    void Stop(int channel) override;
    /// The channel plays at trunc(wave rate × ratio) samples per second, at least
    /// kMinPlaybackRate (OpenAL cannot play at 0 or backwards) and at most 255 × the wave rate.
    void FreqRate(int channel, double ratio) override;
    void Volume(int channel, int hundredthsDb) override;
    int volume(int channel) const override;
    void Pan(int channel, int pan) override;
    sound::ChannelStatus Status(int channel) const override;
    /// Renders and discards `ms` of output on a loopback device opened with renderOnAdvance;
    /// otherwise nothing (a real device plays in real time).
    void advance(double ms) override;
    /// Stops and detaches every channel. When the device has been disconnected, it is opened
    /// again (waves loaded before stay valid but can no longer be attached); false when that
    /// fails.
    bool reinitialise() override;

    /// Where invalid channel numbers are reported (default: one line on stderr).
    void setReporter(Reporter reporter) { reporter_ = std::move(reporter); }

    /// Renders `frames` stereo frames of interleaved float samples into `out` (loopback devices
    /// only; false otherwise).
    bool render(float* out, int frames);

    /// Channels that have an OpenAL source (320 unless the device offers fewer).
    int sourceCount() const { return sourceCount_; }
    bool isLoopback() const;
    /// Name of the device as OpenAL reports it.
    std::string deviceName() const;
    /// Output rate, Hz.
    int sampleRate() const;
    /// Mixing updates per second the device actually runs.
    int refreshHz() const;
    /// Output latency the device reports, ms; negative when it reports none.
    double latencyMs() const;

    /// Slowest playback the channels are set to, samples per second.
    static constexpr double kMinPlaybackRate = 100.0;

private:
    struct Channel {
        std::shared_ptr<AlWave> wave;
        unsigned source = 0;  ///< AL source name, valid when hasSource
        bool hasSource = false;
        bool looping = false;  ///< last started with LoopPlay
        int volume = 0;        ///< hundredths of a dB, as set
    };

    OpenAlMixer(std::shared_ptr<AlOutput> output, bool renderOnAdvance);
    void createSources();
    void deleteSources();
    void resetSource(const Channel& c) const;
    Channel* channel(int number);
    const Channel* channel(int number) const;
    Channel* playable(int number);

    std::shared_ptr<AlOutput> output_;
    std::array<Channel, sound::kChannelCount> channels_;
    int sourceCount_ = 0;
    bool renderOnAdvance_ = false;
    double pendingFrames_ = 0;  ///< fraction of a frame advance() has not rendered yet
    std::unordered_map<std::string, std::weak_ptr<AlWave>> cache_;  ///< by normalised path
    Reporter reporter_;
};

}  // namespace tressmoor::platform
