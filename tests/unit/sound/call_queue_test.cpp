// The call queue and the time calls.
#include "sound/call_queue.h"

#include <gtest/gtest.h>

#include "sound/memory_mixer.h"

namespace tressmoor::sound {
namespace {

class CallQueueTest : public ::testing::Test {
protected:
    std::shared_ptr<Wave> wave(double ms) { return std::make_shared<MemoryWave>("w", ms); }
    void frame() {
        mixer_.advance(16.667);
        queue_.kanko_queue_play(mixer_, kChannel, callsOff_);
    }
    static constexpr int kChannel = 9;
    MemoryMixer mixer_;
    CallQueue queue_;
    bool callsOff_ = false;
};

TEST_F(CallQueueTest, CallsPlayOneAfterAnotherNeverTogether) {
    auto first = wave(100);
    auto second = wave(100);
    queue_.kanko_queue_add(first);
    queue_.kanko_queue_add(second);
    frame();
    EXPECT_EQ(mixer_.wave(kChannel), first.get());
    EXPECT_EQ(mixer_.Status(kChannel), ChannelStatus::Once);
    int frames = 1;
    while (mixer_.wave(kChannel) == first.get() && frames < 100) {
        frame();
        ++frames;
    }
    // 100 ms at 16.667 ms a frame: the first ends during frame 7 and the second starts then.
    EXPECT_EQ(frames, 7);
    EXPECT_EQ(mixer_.Status(kChannel), ChannelStatus::Once);
    EXPECT_EQ(queue_.size(), 1);
}

TEST_F(CallQueueTest, AFullQueueDropsTheThirteenthCall) {
    for (int i = 0; i < 13; ++i) queue_.kanko_queue_add(wave(10));
    EXPECT_EQ(queue_.size(), 12);
}

TEST_F(CallQueueTest, WithCallsOffTheQueueDrainsOneAFrameSilently) {
    callsOff_ = true;
    for (int i = 0; i < 3; ++i) queue_.kanko_queue_add(wave(1000));
    frame();
    EXPECT_EQ(mixer_.Status(kChannel), ChannelStatus::Idle);
    frame();
    frame();
    EXPECT_EQ(queue_.size(), 1);
    frame();
    EXPECT_EQ(queue_.size(), 0);
}

TEST_F(CallQueueTest, EmptySlotIsRemovedOnTheNextFrame) {
    queue_.kanko_queue_add(nullptr);
    frame();
    EXPECT_EQ(mixer_.Status(kChannel), ChannelStatus::Idle);
    frame();
    EXPECT_EQ(queue_.size(), 0);
}

TEST(TimeCall, OnTimeLateAndTooLate) {
    const std::int64_t eight = 864000;  // 08:00:00
    EXPECT_EQ(timeCallSlot(eight + 10 * 30, eight), 18);
    EXPECT_EQ(timeCallSlot(eight - 15 * 30, eight), 18);
    EXPECT_EQ(timeCallSlot(eight - 16 * 30, eight), -1);
    EXPECT_EQ(timeCallSlot(eight + 40 * 30, eight), 7);
    EXPECT_EQ(timeCallSlot(eight + 194 * 30, eight), 17);
    EXPECT_EQ(timeCallSlot(eight + 196 * 30, eight), -1);
}

}  // namespace
}  // namespace tressmoor::sound
