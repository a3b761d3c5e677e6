// Pausing and resuming every sound of a drive.
#pragma once

#include <array>

#include "sound/mixer.h"

namespace tressmoor::sound {

/// What each channel was doing when the drive paused.
using PausedChannelState = std::array<ChannelStatus, kChannelCount>;

/// Records, for every channel holding a wave, whether it is playing once, looping or idle, and
/// stops the ones that play. Channels without a wave are recorded as idle.
PausedChannelState pauseChannels(Mixer& mixer);

/// Starts again from the beginning every channel recorded as playing once, and loop-plays every
/// channel recorded as looping (each is stopped first). Idle channels are left alone.
void resumeChannels(Mixer& mixer, const PausedChannelState& state);

}  // namespace tressmoor::sound
