// VirtualControllers: a pseudo-terminal pair and an SDL virtual joystick.
#include "platform/virtual_controllers.h"

#include <SDL.h>
#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace tressmoor::platform {

VirtualControllers::VirtualControllers() {
    char name[256] = {};
    if (openpty(&master_, &slave_, name, nullptr, nullptr) == 0) {
        // Raw, so that the carriage returns and every other byte arrive as written.
        termios t{};
        if (tcgetattr(slave_, &t) == 0) {
            cfmakeraw(&t);
            tcsetattr(slave_, TCSANOW, &t);
        }
        // A port nobody reads fills the terminal's buffer; what does not fit then is lost
        // rather than stopping the program.
        fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
        portName_ = name;
    } else {
        error_ = std::string("no pseudo-terminal: ") + std::strerror(errno);
    }

    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    sdlStarted_ = SDL_InitSubSystem(SDL_INIT_JOYSTICK) == 0;
    if (sdlStarted_) {
        device_ = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, 2, 32, 0);
        if (device_ >= 0) joystick_ = SDL_JoystickOpen(device_);
    }
    if (joystick_ == nullptr) {
        if (!error_.empty()) error_ += "; ";
        error_ += std::string("no virtual joystick: ") + SDL_GetError();
    }
}

VirtualControllers::~VirtualControllers() {
    if (joystick_ != nullptr) SDL_JoystickClose(joystick_);
    if (device_ >= 0) SDL_JoystickDetachVirtual(device_);
    if (sdlStarted_) SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
    if (master_ >= 0) ::close(master_);
    if (slave_ >= 0) ::close(slave_);
}

bool VirtualControllers::sendSerial(std::string_view text) {
    if (master_ < 0) return false;
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(master_, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

void VirtualControllers::setJoystick(const input::JoystickReading& reading) {
    if (joystick_ == nullptr) return;
    auto axis = [](int v) {
        return static_cast<Sint16>(v < -32768 ? -32768 : v > 32767 ? 32767 : v);
    };
    SDL_JoystickSetVirtualAxis(joystick_, 0, axis(reading.x));
    SDL_JoystickSetVirtualAxis(joystick_, 1, axis(reading.y));
    for (int b = 0; b < 32; ++b) {
        SDL_JoystickSetVirtualButton(joystick_, b, reading.pressed(b) ? 1 : 0);
    }
}

}  // namespace tressmoor::platform
