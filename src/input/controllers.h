// Master controllers: serial messages and joystick polls decoded into handle positions,
// characters and keys.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "data/settings_types.h"

namespace tressmoor::input {

/// Kinds of controller chosen in the Controller menu. Serial controllers work with every kind.
enum ControllerType : int {
    kSerialOnly = 0,     ///< standard / QX master controller on the serial port
    kTwoAxisPad = 1,     ///< two-axis train controller (power on Y, brake on X)
    kCalibratedPad = 2,  ///< button-coded train controller with calibration values
    kFixedCodePad = 3,   ///< button-coded one-handle controller with fixed codes
};

/// True for the controller types polled as joysticks.
constexpr bool isJoystickType(int type) {
    return type >= kTwoAxisPad && type <= kFixedCodePad;
}

/// Collects received serial characters into messages ended by a carriage return.
class SerialAssembler {
public:
    /// Characters kept from a line that has not ended yet; a controller sending noise without a
    /// carriage return cannot make the program grow without bound. Only the first five
    /// characters of a message are ever compared.
    static constexpr std::size_t kMaxMessage = 256;

    /// Adds one received chunk. When it holds a carriage return the message is everything kept
    /// so far plus the chunk (the carriage return and what follows included), cut to
    /// kMaxMessage characters and then ended with a carriage return when the cut left it out;
    /// it is returned and the kept text is cleared. Otherwise the chunk is kept (up to
    /// kMaxMessage characters in all) and nullopt returned.
    std::optional<std::string> receive(std::string_view chunk);
    /// Text received since the last carriage return.
    const std::string& pending() const { return pending_; }
    void clear() { pending_.clear(); }

private:
    std::string pending_;
};

/// What one serial message asks for.
struct SerialCommand {
    /// The last matching handle code: 1 … 6 power notch, 7 all off, 8 … 16 brake step 1 … 9;
    /// 0 when no handle code matched.
    int handleCode = 0;
    std::optional<int> reverser;  ///< 1, 0 or −1 when a reverser code matched (the last one)
    std::string characters;       ///< characters to type, in order
    bool enter = false;           ///< the Enter key is pressed
};

/// Compares the first five characters of `message` with the codes of the map, in code order
/// (later matches override earlier ones). A code line the map lacks matches nothing.
SerialCommand decodeSerialMessage(const data::ControllerMap& map, std::string_view message);

/// One reading of a joystick: the first two axes raw (−32768 … 32767) and the buttons.
struct JoystickReading {
    int x = 0;
    int y = 0;
    std::uint32_t buttons = 0;  ///< bit i set while button i (numbered from 0) is pressed

    bool pressed(int button) const {
        return button >= 0 && button < 32 && (buttons >> button) & 1U;
    }
};

/// Where joystick readings come from (a device, or a script).
class JoystickSource {
public:
    virtual ~JoystickSource() = default;
    /// Reads the joystick now; nullopt while none is attached.
    virtual std::optional<JoystickReading> poll() = 0;
};

/// A joystick whose reading is set by hand (scripts and tests).
class FixedJoystick final : public JoystickSource {
public:
    void set(const JoystickReading& reading) { reading_ = reading; }
    void detach() { reading_.reset(); }
    std::optional<JoystickReading> poll() override { return reading_; }

private:
    std::optional<JoystickReading> reading_;
};

/// Button sum A: 1, 2, 4, 8 for buttons 0–3 and 16 … 2048 for buttons 8–15.
int buttonSumA(const JoystickReading& r);
/// Button sum B: 1, 2, 4, 8 for buttons 4–7.
int buttonSumB(const JoystickReading& r);

/// Handle positions the joystick rules work on.
struct HandlePositions {
    int power = 0;     ///< power notch
    int brake = 0;     ///< brake step, 0 released, negative applied
    int suppress = 0;  ///< holding-brake step of the current-table brake
};

/// How far the handles of the train reach.
struct HandleLimits {
    int powerNotches = 0;  ///< highest notch of the power handle
    int brakeSteps = 0;    ///< brake positions (the last is emergency)
};

/// What the joystick remembers between polls of one drive.
struct JoystickMemory {
    int LastSignature = 0;  ///< X + Y + A + B of the last processed poll
    int LastPower = 0;      ///< power notch after the last processed poll
    int LastBrake = 0;      ///< brake step after the last processed poll
};

/// The outcome of one poll.
struct JoystickCommand {
    bool processed = false;     ///< the state changed: the driver is alert, the rules ran
    HandlePositions handles;    ///< positions after the rules
    /// The power notch differs from the last processed poll's or from the one before this poll.
    bool powerChanged = false;
    /// The brake step differs from the last processed poll's or from the one before this poll.
    bool brakeChanged = false;
    std::string characters;     ///< characters to type, in order
    bool enter = false;         ///< the Enter key is pressed
    std::optional<bool> horn;   ///< horn button state (fixed-code controller only)
    std::string caption;        ///< "X:… Y:…" for the debug caption
};

/// One poll of a joystick of `type` (1 … 3) reading `r`, with the handles at `now`. An unchanged
/// signature does nothing (however long a button is held). Updates `memory` when processed.
JoystickCommand pollJoystick(int type, const data::ControllerMap& map, const HandleLimits& limits,
                             const JoystickReading& r, const HandlePositions& now,
                             JoystickMemory& memory);

/// Power notch of the two-axis controller for a Y reading (pushed forward is negative). A
/// reading exactly on a boundary takes the further notch.
int twoAxisPowerNotch(int y);
/// Brake step (0 … 9) of the two-axis controller for an X reading. A reading exactly on a
/// boundary takes the stronger step.
int twoAxisBrakeStep(int x);

}  // namespace tressmoor::input
