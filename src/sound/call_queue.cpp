#include "sound/call_queue.h"

namespace tressmoor::sound {

void CallQueue::kanko_queue_add(std::shared_ptr<Wave> wave) {
    for (int i = 0; i < kSlots; ++i) {
        auto k = static_cast<std::size_t>(i);
        if (!used_[k]) {
            slots_[k] = std::move(wave);
            used_[k] = true;
            return;
        }
    }
}

void CallQueue::kanko_queue_play(Mixer& mixer, int callChannel, bool callsOff) {
    if (mixer.Status(callChannel) == ChannelStatus::Once) return;
    if (headPlayed_) {
        headPlayed_ = false;
        for (std::size_t i = 0; i + 1 < slots_.size(); ++i) {
            slots_[i] = std::move(slots_[i + 1]);
            used_[i] = used_[i + 1];
        }
        slots_.back().reset();
        used_.back() = false;
    }
    if (!used_[0]) return;
    mixer.attach(callChannel, slots_[0]);
    if (!callsOff) {
        mixer.Play(callChannel);
        if (onPlay) onPlay(slots_[0].get());
    }
    headPlayed_ = true;
}

void CallQueue::clear() {
    for (auto& s : slots_) s.reset();
    used_.fill(false);
    headPlayed_ = false;
}

int CallQueue::size() const {
    int n = 0;
    for (bool u : used_) n += u ? 1 : 0;
    return n;
}

int timeCallSlot(std::int64_t clock, std::int64_t scheduled) {
    constexpr std::int64_t kStep = 450;  // 15 s
    const std::int64_t d = clock - scheduled;
    if (d >= -kStep && d <= kStep) return 18;
    if (d > 13 * kStep) return -1;
    for (int k = 12; k >= 1; --k) {
        if (d > k * kStep) return 5 + k;
    }
    return -1;
}

}  // namespace tressmoor::sound
