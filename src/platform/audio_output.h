// Choosing the mixer the desktop program plays through: the sound device, or a silent stand-in.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/openal_mixer.h"
#include "sound/mixer.h"

namespace tressmoor::platform {

/// How createMixer looks for an output.
struct AudioOptions {
    std::string deviceName;     ///< OpenAL device name; empty: the system's default device
    bool tryDevice = true;      ///< false: go straight to the silent outputs
    bool allowLoopback = true;  ///< false: fall back to the in-memory mixer directly
    /// OpenAL Soft mixes in periods of this many frames, `periods` of them queued at the device:
    /// 256 × 3 at 44.1 kHz is about 17 ms, one frame of the 60 Hz loop. Applied through a
    /// generated configuration file when the user has no ALSOFT_CONF of their own; it only takes
    /// effect when this is the process's first use of OpenAL (OpenAL Soft reads its
    /// configuration once). 0 leaves OpenAL's own setting.
    int periodFrames = 256;
    int periods = 3;
    AudioDeviceSettings device;    ///< context attributes for the real device
    int silentSampleRate = 44100;  ///< Hz, for the loopback stand-in
    /// Receives the one-line notes about falling back (default: stderr).
    std::function<void(const std::string&)> notice;
    /// Installed on the mixer: receives the message for an invalid channel number (default:
    /// stderr for the OpenAL mixer, nothing for the in-memory one).
    std::function<void(const std::string&)> reporter;
};

/// Opens the default (or named) OpenAL device. When none opens, plays through an OpenAL Soft
/// loopback device that renders in advance() and discards the output, so sounds still start and
/// end on time; when that is missing too, through sound::MemoryMixer. Either fallback is said
/// once through `notice`. Never returns nullptr. The owner must call advance(frame time) every
/// frame: the silent outputs only move on through it.
std::unique_ptr<sound::Mixer> createMixer(const AudioOptions& options = {});

}  // namespace tressmoor::platform
