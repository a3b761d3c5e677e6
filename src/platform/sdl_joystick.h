// SdlJoystick: joystick-class train controllers read through SDL's joystick subsystem.
#pragma once

#include <optional>

#include "input/controllers.h"

struct _SDL_Joystick;

namespace tressmoor::platform {

/// The first attached joystick, read with SDL (its joystick subsystem only: no SDL window and
/// no SDL events). Axes are raw (−32768 … 32767) and buttons numbered from 0. A joystick
/// plugged in later is found by the next poll; one pulled out reads as none.
class SdlJoystick final : public input::JoystickSource {
public:
    SdlJoystick();
    ~SdlJoystick() override;
    SdlJoystick(const SdlJoystick&) = delete;
    SdlJoystick& operator=(const SdlJoystick&) = delete;

    /// False when SDL's joystick subsystem could not start (then every poll reads none).
    bool available() const { return started_; }
    std::optional<input::JoystickReading> poll() override;

private:
    void release();

    bool started_ = false;
    _SDL_Joystick* joystick_ = nullptr;
};

}  // namespace tressmoor::platform
