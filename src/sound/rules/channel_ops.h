// Small channel helpers shared by the running-sound rules: range checks, starts that never
// restart a playing channel, and the level arithmetic.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "data/rounding.h"
#include "sound/mixer.h"
#include "sound/sound_set.h"

namespace tressmoor::sound::rules {

/// True for a channel number the mixer has (train-file sound numbers may be negative = none).
inline bool valid(int channel) {
    return channel >= 0 && channel < kChannelCount;
}

inline bool idle(const Mixer& m, int channel) {
    return m.Status(channel) == ChannelStatus::Idle;
}

/// Starts a loop unless the channel is already playing (Stop, then LoopPlay).
inline void loopIfIdle(Mixer& m, int channel) {
    if (!valid(channel) || !idle(m, channel)) return;
    m.Stop(channel);
    m.LoopPlay(channel);
}

/// Stops the channel when it is playing.
inline void stopIfPlaying(Mixer& m, int channel) {
    if (valid(channel) && !idle(m, channel)) m.Stop(channel);
}

/// Plays once from the start (Stop, then Play).
inline void restart(Mixer& m, int channel) {
    if (!valid(channel)) return;
    m.Stop(channel);
    m.Play(channel);
}

/// A level in hundredths of a dB, held within −10000 … 0; NaN and −inf give silence.
inline int level(long double hundredthsDb) {
    if (!(hundredthsDb > -10000)) return -10000;
    if (hundredthsDb > 0) return 0;
    return static_cast<int>(data::roundTiesEven(hundredthsDb));
}

/// k × log10(ratio) as a level; a ratio of 0 or less is silence.
inline int logLevel(long double k, long double ratio) {
    if (!(ratio > 0)) return -10000;
    return level(k * std::log10(ratio));
}

/// Channel of [SoundData] sound k, or −1 when the line has no such sound.
inline int ambient(const SoundSet& s, int k) {
    if (k < 0 || k >= s.nAmbient()) return -1;
    const int ch = s.ambientChannel(k);
    return valid(ch) ? ch : -1;
}

}  // namespace tressmoor::sound::rules
