// Master controllers of the driving session: serial messages and joystick polls set the handles
// as absolute positions and type the same characters and keys as the keyboard.
#include <algorithm>
#include <cmath>

#include "sim/driving_session.h"
#include "vehicle/handles.h"

namespace tressmoor::sim {

using Kind = RecordedInput::Kind;

namespace {

void setBrakePending(vehicle::VehicleState& v) {
    v.BrakePending = true;
    v.SapPending = true;
    v.EBrakePending = true;
}

}  // namespace

void DrivingSession::controllerAlert() {
    if (state_.vehicle.VigilanceTrip) return;
    state_.VigilanceMs = 0;
    state_.EbLamp = false;
    platform_.mixer.Stop(service_.train.spec.Sound_EBring);
}

void DrivingSession::serialReceive(std::string_view chunk) {
    if (!accept([&] { return RecordedInput::ofText(Kind::Serial, chunk); })) return;
    const Nested nested(inputDepth_);
    if (auto message = serial_.receive(chunk)) serialMessage(*message);
}

void DrivingSession::serialMessage(std::string_view message) {
    if (!accept([&] { return RecordedInput::ofText(Kind::SerialMessage, message); })) return;
    const Nested nested(inputDepth_);
    const auto& spec = service_.train.spec;
    auto& v = state_.vehicle;
    const input::SerialCommand command = input::decodeSerialMessage(service_.controllers, message);
    controllerAlert();
    state_.SerialMessage.assign(message);

    const int code = command.handleCode;
    if (code > 0) {
        v.Holding = false;
        if (code <= 6) {
            v.PowerHandle = std::min(code, vehicle::reachablePowerNotches(spec));
            v.BrakeHandle = 0;
        } else {
            v.PowerHandle = 0;
            v.BrakeHandle = -std::min(code - 7, vehicle::brakePositions(spec));
        }
        vehicle::setAllPending(v);
        vehicle::masconupdate(vehicle_);
    }
    if (v.SuppressIndex > 0 && v.PowerHandle > 0) {
        v.SuppressIndex = 0;
        vehicle::masconupdate(vehicle_);
    }
    // The reverser follows the controller directly, without the interlock or its sound.
    if (command.reverser && std::fabs(static_cast<double>(v.Speed)) <= 1) {
        v.Reverser = *command.reverser;
        vehicle::masconupdate(vehicle_);
    }
    for (char c : command.characters) keyPress(c);
    if (command.enter) keyDown(input::Key::Enter, false);
}

void DrivingSession::setControllerType(int type) {
    if (!accept([&] { return RecordedInput::of(Kind::Controller, std::clamp(type, 0, 3)); })) {
        return;
    }
    const Nested nested(inputDepth_);
    controllerType_ = std::clamp(type, 0, 3);
    if (controllerType_ != input::kFixedCodePad) state_.input.ControllerHorn = false;
}

void DrivingSession::setJoystickReading(const input::JoystickReading& reading) {
    scriptedJoystick_.set(reading);
    joystick_ = &scriptedJoystick_;
}

void DrivingSession::setControllerDebug(bool on) {
    if (!accept([&] { return RecordedInput::of(Kind::ControllerDebug, on ? 1 : 0); })) return;
    const Nested nested(inputDepth_);
    controllerDebug_ = on;
    if (!on) state_.ControllerCaption.clear();
}

void DrivingSession::pollJoystick() {
    // A replayed drive reads the recorded polls; a recorded one notes each poll (none while no
    // joystick is attached).
    std::optional<input::JoystickReading> reading;
    if (replayer_ != nullptr) {
        reading = replayer_->nextPoll();
    } else if (joystick_ != nullptr) {
        reading = joystick_->poll();
    }
    if (recorder_ != nullptr) recorder_->poll(reading);
    // A controller pulled out leaves the handles where they are; its horn button can no longer
    // be held, so the horn stops.
    if (!reading) {
        state_.input.ControllerHorn = false;
        return;
    }
    const auto& spec = service_.train.spec;
    auto& v = state_.vehicle;
    const input::HandleLimits limits{vehicle::reachablePowerNotches(spec),
                                     vehicle::brakePositions(spec)};
    const input::HandlePositions now{v.PowerHandle, v.BrakeHandle, v.SuppressIndex};
    const input::JoystickCommand command = input::pollJoystick(
        controllerType_, service_.controllers, limits, *reading, now, joystickMemory_);
    if (!command.processed) return;
    state_.VigilanceMs = 0;
    if (command.handles.brake != v.BrakeHandle) v.Holding = false;
    v.PowerHandle = command.handles.power;
    v.BrakeHandle = command.handles.brake;
    const bool suppressChanged = command.handles.suppress != v.SuppressIndex;
    v.SuppressIndex = command.handles.suppress;
    if (command.horn) state_.input.ControllerHorn = *command.horn;
    if (controllerDebug_) state_.ControllerCaption = command.caption;
    if (command.powerChanged) v.PowerPending = true;
    if (command.brakeChanged) setBrakePending(v);
    if (command.powerChanged || command.brakeChanged || suppressChanged) {
        vehicle::masconupdate(vehicle_);
    }
    for (char c : command.characters) keyPress(c);
    if (command.enter) keyDown(input::Key::Enter, false);
}

}  // namespace tressmoor::sim
