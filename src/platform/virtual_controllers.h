// VirtualControllers: a serial master controller and a joystick that exist only in software, for
// driving the real controller paths from a script without hardware.
#pragma once

#include <string>
#include <string_view>

#include "input/controllers.h"

struct _SDL_Joystick;

namespace tressmoor::platform {

/// A pseudo-terminal whose other side the program opens as its serial port, and a virtual SDL
/// joystick (two axes, 32 buttons) that SdlJoystick finds as the first attached joystick.
/// What is written here reaches the program exactly as a real controller's data would: through
/// the port's reads and SDL's joystick state.
class VirtualControllers {
public:
    VirtualControllers();
    ~VirtualControllers();
    VirtualControllers(const VirtualControllers&) = delete;
    VirtualControllers& operator=(const VirtualControllers&) = delete;

    /// The device name of the serial side to open ("/dev/pts/7"); empty when no pseudo-terminal
    /// could be made.
    const std::string& serialPortName() const { return portName_; }
    /// Sends characters as the controller would; false when they could not all be written (the
    /// rest is lost, as when nothing reads the port).
    bool sendSerial(std::string_view text);
    /// True while the virtual joystick is attached.
    bool joystickAttached() const { return joystick_ != nullptr; }
    /// Sets the virtual joystick's axes and buttons; the next poll reads them.
    void setJoystick(const input::JoystickReading& reading);
    /// What went wrong while setting up ("" when both controllers are there).
    const std::string& error() const { return error_; }

private:
    int master_ = -1;
    int slave_ = -1;
    std::string portName_;
    bool sdlStarted_ = false;
    int device_ = -1;
    _SDL_Joystick* joystick_ = nullptr;
    std::string error_;
};

}  // namespace tressmoor::platform
