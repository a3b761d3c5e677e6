// The channel mixer the simulation plays every sound through.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace tressmoor::sound {

/// Number of channels of the mixer; channels are numbered 0 … kChannelCount − 1.
inline constexpr int kChannelCount = 320;

/// Playback state of a channel as the program reads it.
enum class ChannelStatus : std::uint8_t {
    Idle = 0,     ///< not playing
    Once = 1,     ///< playing once
    Looping = 5,  ///< playing in a loop
};

/// A loaded wave, shared by every channel it is attached to.
class Wave {
public:
    virtual ~Wave() = default;
    /// Length of the wave when played at its own rate, in milliseconds.
    virtual double lengthMs() const = 0;
};

/// A fixed array of 320 channels, each playing one attached wave at a time. The desktop program
/// uses OpenAL; tests and the headless runner use MemoryMixer, which advances playback by the
/// simulated time so that a wave played once ends after its length.
///
/// A channel number outside 0 … 319 is reported once through the mixer's reporter with the
/// message "チャンネル番号%dは無効です、%d～%dの範囲で指定してください" and the call does nothing else.
/// Single-threaded: called from the simulation's thread only.
class Mixer {
public:
    virtual ~Mixer() = default;

    /// Loads a PCM WAV file; nullptr when it cannot be read.
    virtual std::shared_ptr<Wave> loadWave(const std::string& path) = 0;
    /// Attaches `wave` to `channel` (nullptr detaches: the channel stays silent).
    virtual void attach(int channel, std::shared_ptr<Wave> wave) = 0;
    /// True when a wave is attached.
    virtual bool hasWave(int channel) const = 0;

    /// Rewinds and plays once.
    virtual void Play(int channel) = 0;
    /// Rewinds and plays in a loop.
    virtual void LoopPlay(int channel) = 0;
    /// Stops without rewinding (the next Play/LoopPlay rewinds).
    virtual void Stop(int channel) = 0;
    /// Playback rate as a ratio to the wave's own sample rate (1.0 = as recorded).
    virtual void FreqRate(int channel, double ratio) = 0;
    /// Attenuation in hundredths of a decibel, 0 (full) … −10000 (silent); values outside that
    /// range are clamped.
    virtual void Volume(int channel, int hundredthsDb) = 0;
    /// The last volume set (0 when never set).
    virtual int volume(int channel) const = 0;
    /// −10000 (left) … 10000 (right).
    virtual void Pan(int channel, int pan) = 0;
    virtual ChannelStatus Status(int channel) const = 0;

    /// Advances playback by `ms` of simulated time (the in-memory mixer ends waves played once
    /// after their length; a real mixer plays in real time and ignores this).
    virtual void advance(double ms) = 0;
    /// Stops every channel and detaches every wave; false when the device could not be set up
    /// again.
    virtual bool reinitialise() = 0;
};

/// The message for a channel number outside the mixer's range.
std::string invalidChannelMessage(int channel);

}  // namespace tressmoor::sound
