// SdlJoystick: opening, hot-plugging and reading the first joystick through SDL.
#include "platform/sdl_joystick.h"

#include <SDL.h>

#include <algorithm>

namespace tressmoor::platform {

SdlJoystick::SdlJoystick() {
    // Controllers are read while another window (a side window, a dialog) has the focus too.
    SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
    // Ctrl+C and the desktop's quit requests stay the program's own, not SDL events nobody reads.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    started_ = SDL_InitSubSystem(SDL_INIT_JOYSTICK) == 0;
    // The state is read directly each poll; no events pile up in SDL's queue.
    if (started_) SDL_JoystickEventState(SDL_IGNORE);
}

SdlJoystick::~SdlJoystick() {
    release();
    if (started_) SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
}

void SdlJoystick::release() {
    if (joystick_ != nullptr) SDL_JoystickClose(joystick_);
    joystick_ = nullptr;
}

std::optional<input::JoystickReading> SdlJoystick::poll() {
    if (!started_) return std::nullopt;
    // Also finds joysticks plugged in or pulled out since the last poll.
    SDL_JoystickUpdate();
    if (joystick_ != nullptr && !SDL_JoystickGetAttached(joystick_)) release();
    if (joystick_ == nullptr) {
        if (SDL_NumJoysticks() < 1) return std::nullopt;
        joystick_ = SDL_JoystickOpen(0);
        if (joystick_ == nullptr) return std::nullopt;
        SDL_JoystickUpdate();
    }
    input::JoystickReading r;
    const int axes = SDL_JoystickNumAxes(joystick_);
    if (axes > 0) r.x = SDL_JoystickGetAxis(joystick_, 0);
    if (axes > 1) r.y = SDL_JoystickGetAxis(joystick_, 1);
    const int buttons = std::min(SDL_JoystickNumButtons(joystick_), 32);
    for (int b = 0; b < buttons; ++b) {
        if (SDL_JoystickGetButton(joystick_, b) != 0) r.buttons |= 1U << b;
    }
    return r;
}

}  // namespace tressmoor::platform
