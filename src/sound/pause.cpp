#include "sound/pause.h"

namespace tressmoor::sound {

PausedChannelState pauseChannels(Mixer& mixer) {
    PausedChannelState state;
    state.fill(ChannelStatus::Idle);
    for (int channel = 0; channel < kChannelCount; ++channel) {
        if (!mixer.hasWave(channel)) continue;
        const ChannelStatus status = mixer.Status(channel);
        state[static_cast<std::size_t>(channel)] = status;
        if (status != ChannelStatus::Idle) mixer.Stop(channel);
    }
    return state;
}

void resumeChannels(Mixer& mixer, const PausedChannelState& state) {
    for (int channel = 0; channel < kChannelCount; ++channel) {
        switch (state[static_cast<std::size_t>(channel)]) {
            case ChannelStatus::Once:
                mixer.Stop(channel);
                mixer.Play(channel);
                break;
            case ChannelStatus::Looping:
                mixer.Stop(channel);
                mixer.LoopPlay(channel);
                break;
            case ChannelStatus::Idle:
                break;
        }
    }
}

}  // namespace tressmoor::sound
