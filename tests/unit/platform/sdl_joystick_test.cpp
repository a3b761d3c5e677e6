// Joysticks through SDL, driven by SDL's virtual joystick: raw axes, buttons and hot-plugging.
#include "platform/sdl_joystick.h"

#include <SDL.h>
#include <gtest/gtest.h>

namespace tressmoor::platform {
namespace {

class SdlJoystickTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!joystick_.available()) GTEST_SKIP() << "no SDL joystick subsystem";
        if (SDL_NumJoysticks() > 0) GTEST_SKIP() << "a real joystick is attached";
    }
    void TearDown() override { detach(); }
    void attach() {
        device_ = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, 2, 16, 0);
        ASSERT_GE(device_, 0) << SDL_GetError();
        handle_ = SDL_JoystickOpen(device_);
        ASSERT_NE(handle_, nullptr) << SDL_GetError();
    }
    void detach() {
        if (handle_ != nullptr) SDL_JoystickClose(handle_);
        handle_ = nullptr;
        if (device_ >= 0) SDL_JoystickDetachVirtual(device_);
        device_ = -1;
    }
    void set(int x, int y, std::initializer_list<int> pressed) {
        SDL_JoystickSetVirtualAxis(handle_, 0, static_cast<Sint16>(x));
        SDL_JoystickSetVirtualAxis(handle_, 1, static_cast<Sint16>(y));
        for (int b = 0; b < 16; ++b) SDL_JoystickSetVirtualButton(handle_, b, SDL_RELEASED);
        for (int b : pressed) SDL_JoystickSetVirtualButton(handle_, b, SDL_PRESSED);
    }

    SdlJoystick joystick_;
    int device_ = -1;
    SDL_Joystick* handle_ = nullptr;
};

TEST_F(SdlJoystickTest, ReadsRawAxesAndNumberedButtons) {
    EXPECT_FALSE(joystick_.poll());
    attach();
    set(-32768, 32767, {0, 5, 15});
    auto r = joystick_.poll();
    ASSERT_TRUE(r);
    EXPECT_EQ(r->x, -32768);
    EXPECT_EQ(r->y, 32767);
    EXPECT_EQ(r->buttons, (1U << 0) | (1U << 5) | (1U << 15));
    set(4500, -12000, {8});
    r = joystick_.poll();
    ASSERT_TRUE(r);
    EXPECT_EQ(r->x, 4500);
    EXPECT_EQ(r->y, -12000);
    EXPECT_EQ(r->buttons, 1U << 8);
}

TEST_F(SdlJoystickTest, PluggedInAndPulledOutWhileDriving) {
    EXPECT_FALSE(joystick_.poll());
    attach();
    set(100, -200, {3});
    auto r = joystick_.poll();
    ASSERT_TRUE(r);
    EXPECT_EQ(r->x, 100);
    detach();
    EXPECT_FALSE(joystick_.poll());
    attach();
    set(-7, 9, {});
    r = joystick_.poll();
    ASSERT_TRUE(r);
    EXPECT_EQ(r->y, 9);
    EXPECT_EQ(r->buttons, 0U);
}

}  // namespace
}  // namespace tressmoor::platform
