// Serial message and joystick decoding of the master controllers.
#include "input/controllers.h"

#include <algorithm>
#include <array>
#include <initializer_list>
#include <utility>

namespace tressmoor::input {

namespace {

constexpr std::size_t kCompared = 5;  // characters of a message compared with the codes

constexpr int kFirstPowerCode = 1;  // codes 1 … 6: power notches
constexpr int kOffCode = 7;         // all off
constexpr int kLastBrakeCode = 16;  // codes 8 … 16: brake steps 1 … 9
constexpr int kForwardCode = 17;    // 17 forward, 18 neutral, 19 reverse
constexpr int kFirstKeyCode = 20;   // 20 … 22 type " ", "3", "7"
constexpr int kEnterCode = 23;

void setPower(HandlePositions& h, const HandleLimits& limits, int notch) {
    h.power = std::clamp(notch, 0, std::max(limits.powerNotches, 0));
}

void setBrake(HandlePositions& h, const HandleLimits& limits, int step) {
    h.brake = -std::clamp(step, 0, std::max(limits.brakeSteps, 0));
}

/// Leaving the holding brake when power is taken.
void dropHoldingBrake(HandlePositions& h) {
    if (h.suppress > 0 && h.power > 0) h.suppress = 0;
}

void appendPressed(const JoystickReading& r, std::initializer_list<std::pair<int, char>> keys,
                   std::string& out) {
    for (const auto& [button, c] : keys) {
        if (r.pressed(button)) out.push_back(c);
    }
}

void calibratedRules(const data::ControllerMap& map, const HandleLimits& limits,
                     const JoystickReading& r, JoystickCommand& out) {
    HandlePositions& h = out.handles;
    const int s = buttonSumA(r) + r.x + r.y;
    for (int k = 0; k < static_cast<int>(map.P.size()); ++k) {
        if (s == map.P[static_cast<std::size_t>(k)]) {
            setPower(h, limits, k);
            break;
        }
    }
    dropHoldingBrake(h);
    const int b = buttonSumB(r);
    bool matched = false;
    for (int k = 0; k < static_cast<int>(map.B.size()) && !matched; ++k) {
        if (b == map.B[static_cast<std::size_t>(k)]) {
            setBrake(h, limits, k);
            matched = true;
        }
    }
    if (!matched && b == map.EB) setBrake(h, limits, 9);
    appendPressed(r, {{9, '1'}, {1, '3'}, {2, '7'}, {3, '9'}, {8, 'r'}}, out.characters);
}

void fixedCodeRules(const HandleLimits& limits, const JoystickReading& r, JoystickCommand& out) {
    HandlePositions& h = out.handles;
    const int a = buttonSumA(r);
    const int b = buttonSumB(r);
    struct Code {
        int b, a, position;
    };
    static constexpr std::array<Code, 6> kPower = {
        {{4, 16, 0}, {4, 48, 1}, {12, 0, 2}, {12, 32, 3}, {12, 16, 4}, {12, 48, 5}}};
    static constexpr std::array<Code, 10> kBrake = {{{4, 16, 0},
                                                     {4, 32, 1},
                                                     {4, 0, 2},
                                                     {8, 48, 3},
                                                     {8, 16, 4},
                                                     {8, 32, 5},
                                                     {8, 0, 6},
                                                     {0, 48, 7},
                                                     {0, 16, 8},
                                                     {0, 32, 9}}};
    for (const Code& c : kPower) {
        if (c.b == b && c.a == a) setPower(h, limits, c.position);
    }
    if (h.power > 0) h.brake = 0;
    dropHoldingBrake(h);
    for (const Code& c : kBrake) {
        if (c.b == b && c.a == a) setBrake(h, limits, c.position);
    }
    if (h.brake < 0) h.power = 0;
    out.horn = r.pressed(0);
    appendPressed(r, {{1, '4'}, {2, '7'}}, out.characters);
    out.characters.push_back(r.y < 0 ? 'f' : r.y == 0 ? 'n' : 'b');
}

void twoAxisRules(const HandleLimits& limits, const JoystickReading& r, JoystickCommand& out) {
    HandlePositions& h = out.handles;
    setPower(h, limits, twoAxisPowerNotch(r.y));
    dropHoldingBrake(h);
    setBrake(h, limits, twoAxisBrakeStep(r.x));
    appendPressed(r, {{0, '9'}, {1, '1'}, {2, '3'}, {3, '7'}}, out.characters);
    if (r.pressed(4)) out.enter = true;
    appendPressed(r, {{5, 's'}}, out.characters);
}

}  // namespace

std::optional<std::string> SerialAssembler::receive(std::string_view chunk) {
    if (chunk.find('\r') == std::string_view::npos) {
        const std::size_t room = kMaxMessage - std::min(pending_.size(), kMaxMessage);
        pending_.append(chunk.substr(0, room));
        return std::nullopt;
    }
    std::string message = std::move(pending_);
    const std::size_t room = kMaxMessage - std::min(message.size(), kMaxMessage);
    message.append(chunk.substr(0, room));
    // A carriage return beyond the limit still ends the message (which then ends with it); what
    // lies further cannot change the comparison.
    if (chunk.find('\r') >= room) message.push_back('\r');
    pending_.clear();
    return message;
}

SerialCommand decodeSerialMessage(const data::ControllerMap& map, std::string_view message) {
    SerialCommand out;
    const std::string_view prefix = message.substr(0, std::min(message.size(), kCompared));
    auto matches = [&](int k) {
        const std::string& code = map.serialCode(k);
        return !code.empty() && code == prefix;
    };
    for (int k = kFirstPowerCode; k <= kLastBrakeCode; ++k) {
        if (matches(k)) out.handleCode = k;
    }
    for (int k = kForwardCode; k < kForwardCode + 3; ++k) {
        if (matches(k)) out.reverser = kForwardCode + 1 - k;
    }
    static constexpr std::array<char, 3> kKeys = {' ', '3', '7'};
    for (int i = 0; i < 3; ++i) {
        if (matches(kFirstKeyCode + i))
            out.characters.push_back(kKeys[static_cast<std::size_t>(i)]);
    }
    out.enter = matches(kEnterCode);
    return out;
}

int buttonSumA(const JoystickReading& r) {
    int sum = 0;
    for (int i = 0; i < 4; ++i) {
        if (r.pressed(i)) sum += 1 << i;
    }
    for (int i = 8; i < 16; ++i) {
        if (r.pressed(i)) sum += 1 << (i - 4);
    }
    return sum;
}

int buttonSumB(const JoystickReading& r) {
    int sum = 0;
    for (int i = 4; i < 8; ++i) {
        if (r.pressed(i)) sum += 1 << (i - 4);
    }
    return sum;
}

int twoAxisPowerNotch(int y) {
    if (y >= 0) return 0;
    if (y > -5000) return 1;
    if (y > -12000) return 2;
    if (y > -20000) return 3;
    if (y > -30000) return 4;
    return 5;
}

int twoAxisBrakeStep(int x) {
    // Lower edge of brake steps 1 … 9; a reading on an edge belongs to the step above it.
    static constexpr std::array<int, 9> kEdges = {1,    1000,  4000,  6000, 8000,
                                                  9500, 11000, 12000, 13000};
    int step = 0;
    for (int edge : kEdges) {
        if (x >= edge) ++step;
    }
    return step;
}

JoystickCommand pollJoystick(int type, const data::ControllerMap& map, const HandleLimits& limits,
                             const JoystickReading& r, const HandlePositions& now,
                             JoystickMemory& memory) {
    JoystickCommand out;
    out.handles = now;
    // Summed wide, so that no reading can overflow.
    const auto signature =
        static_cast<int>(static_cast<long long>(r.x) + r.y + buttonSumA(r) + buttonSumB(r));
    if (signature == memory.LastSignature) return out;
    out.processed = true;
    switch (type) {
        case kCalibratedPad:
            calibratedRules(map, limits, r, out);
            break;
        case kFixedCodePad:
            fixedCodeRules(limits, r, out);
            break;
        case kTwoAxisPad:
            twoAxisRules(limits, r, out);
            break;
        default:
            break;
    }
    out.caption = "X:" + std::to_string(r.x) + " Y:" + std::to_string(r.y);
    memory.LastSignature = signature;
    // A handle the keyboard moved since the last poll counts as changed too, so the delayed
    // commands always follow the handle the controller set.
    out.powerChanged = out.handles.power != memory.LastPower || out.handles.power != now.power;
    out.brakeChanged = out.handles.brake != memory.LastBrake || out.handles.brake != now.brake;
    memory.LastPower = out.handles.power;
    memory.LastBrake = out.handles.brake;
    return out;
}

}  // namespace tressmoor::input
