// The queue of calls and announcements: one at a time on the call channel.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "sound/mixer.h"

namespace tressmoor::sound {

/// First-in, first-out queue of 12 waves played one after another on the call channel, so that
/// two calls never overlap. The head stays in slot 0 while it plays and is removed on the first
/// frame after it has finished.
class CallQueue {
public:
    static constexpr int kSlots = 12;

    /// Appends a wave to the first empty slot; a full queue drops it. An empty (null) wave is
    /// queued too: it plays nothing and is removed on the next frame.
    void kanko_queue_add(std::shared_ptr<Wave> wave);
    /// Once per frame: starts the head on `callChannel` when that channel is free. With
    /// `callsOff` (the "no calls" option) the head is consumed without sound.
    void kanko_queue_play(Mixer& mixer, int callChannel, bool callsOff);
    /// Empties the queue (closing the driving window).
    void clear();

    /// Number of waves waiting, the playing head included.
    int size() const;
    const std::shared_ptr<Wave>& slot(int i) const { return slots_[static_cast<std::size_t>(i)]; }

    /// Called with each wave handed to the call channel (for traces); may be empty.
    std::function<void(const Wave*)> onPlay;

private:
    std::array<std::shared_ptr<Wave>, kSlots> slots_{};
    std::array<bool, kSlots> used_{};
    bool headPlayed_ = false;
};

/// The call slot for a scheduled time: `clock` and `scheduled` in ticks of 1/30 s.
/// 18 (on time) within 15 s either way; 5 + k when late by more than k × 15 s (k = 12 … 1);
/// −1 (no call) when more than 15 s early or more than 195 s late.
int timeCallSlot(std::int64_t clock, std::int64_t scheduled);

}  // namespace tressmoor::sound
