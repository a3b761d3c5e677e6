// Keyboard commands of the driving window: key-down keys, typed characters and key releases.
#include <algorithm>
#include <climits>
#include <cmath>

#include "route/calls.h"
#include "route/route_update.h"
#include "route/video_position.h"
#include "sim/driving_session.h"
#include "vehicle/handles.h"

namespace tressmoor::sim {

using Kind = RecordedInput::Kind;

namespace {

constexpr int kClockShortStep = 90;   // ticks, 3 s
constexpr int kClockLongStep = 900;   // ticks, 30 s

}  // namespace

void DrivingSession::keyDown(input::Key key, bool shift) {
    if (!accept([&] { return RecordedInput::ofKey(Kind::KeyDown, {key, 0, shift}); })) return;
    const Nested nested(inputDepth_);
    using input::Key;
    auto& route = state_.route;
    auto& video = state_.video;
    auto& v = state_.vehicle;
    const auto& line = service_.line;
    auto shiftBy = [&](int ticks, int frames) {
        route.Clock += ticks;
        long long target = std::max(0LL, static_cast<long long>(route.RoutePosition) + frames);
        if (frames > 0 && !video.MovieStopBackward) {
            // Like running, a jump ahead ends at the next movie stop: the video cannot be run
            // past it (on the sample lines it marks the end of the video).
            for (int s : line.MovieStop) {
                if (s >= route.RoutePosition && s < target) target = s;
            }
        }
        if (video.VideoOpen && video.MainFrameCount > 0) {
            target = std::min<long long>(target, video.MainFrameCount - 1);
        }
        route.RoutePosition = static_cast<int>(std::min<long long>(target, INT_MAX / 2));
        route::repositionVideo(route_);
    };
    switch (key) {
        case Key::Backspace: {
            // Turning back at the end of the line: standing just before the first movie stop.
            if (line.MovieStop.empty() || std::fabs(static_cast<double>(v.Speed)) >= 0.1) break;
            const int s = line.MovieStop.front();
            if (route.RoutePosition > s - 200 && route.RoutePosition <= s) {
                route.RoutePosition = s + 2;
                video.MovieStopBackward = true;
                route::repositionVideo(route_);
            }
            break;
        }
        case Key::ScrollLock:
            state_.input.SwapTwoEight = !state_.input.SwapTwoEight;
            break;
        case Key::Esc: {
            const auto& sw = service_.train.spec.Signal_Suppress;
            platform_.mixer.Stop(sw.soundOn);
            platform_.mixer.Stop(sw.soundOff);
            const bool on = route::toggleAlternativeRoute(route_);
            platform_.mixer.Play(on ? sw.soundOn : sw.soundOff);
            break;
        }
        case Key::Up:
            if (shift && state_.input.PanelTop >= -149) state_.input.PanelTop -= 50;
            break;
        case Key::Down:
            if (shift && state_.input.PanelTop < 0) state_.input.PanelTop += 50;
            break;
        case Key::Enter: {
            auto calls = stations_.calls();
            route::CallKey(calls);
            break;
        }
        case Key::F1:
            state_.input.FollowVideoSpeed = shift;
            break;
        case Key::F2:
            state_.input.EngineSwitchKey = shift ? 2 : 1;
            break;
        case Key::F3:
            if (shift) {
                // Jump to just before the next signal's view frame.
                for (std::size_t i = 0; i + 1 < line.Signal.size(); ++i) {
                    if (route.RoutePosition >= line.Signal[i].ViewFrame &&
                        route.RoutePosition < line.Signal[i + 1].ViewFrame) {
                        route.RoutePosition = line.Signal[i + 1].ViewFrame - 10;
                        route::ResetSignalCalls(route);
                        route::repositionVideo(route_);
                        break;
                    }
                }
            }
            break;  // showing the value display is the GUI's part of F3
        case Key::F5:
            if (shift) shiftBy(-kClockShortStep, -100);
            break;
        case Key::F6:
            if (shift) shiftBy(kClockShortStep, 100);
            break;
        case Key::F7:
            if (shift) shiftBy(-kClockLongStep, -1000);
            break;
        case Key::F8:
            if (shift) shiftBy(kClockLongStep, 1000);
            break;
        case Key::F9:
            if (shift) route.Clock -= kClockLongStep;
            break;
        case Key::F10:
            if (shift) route.Clock += kClockLongStep;
            break;
        case Key::F11:
            if (shift && v.Speed > 10) v.Speed -= 10;
            break;
        case Key::F12:
            if (shift && v.Speed < 1000) v.Speed += 10;
            break;
        case Key::PageUp:
        case Key::PageDown:
            if (!v.DoorsOpen) {
                const int side = key == Key::PageUp ? 0 : 1;
                state_.input.DoorSide = side;
                if (line.OneMan.Mode > 0 && line.OneMan.ShowInfo == 1) {
                    state_.stations.DoorText = service_.settings.Doors[static_cast<std::size_t>(side)];
                }
            }
            break;
        case Key::Space:
            keyPress(' ');
            break;
        default:
            break;
    }
}

void DrivingSession::keyUp(input::Key key) {
    if (!accept([&] { return RecordedInput::ofKey(Kind::KeyUp, {key, 0, false}); })) return;
    const Nested nested(inputDepth_);
    if (key == input::Key::F2) state_.input.EngineSwitchKey = 0;
}

void DrivingSession::wheel(int stepsDown) {
    if (!accept([&] { return RecordedInput::of(Kind::Wheel, stepsDown); })) return;
    const Nested nested(inputDepth_);
    for (; stepsDown > 0; --stepsDown) keyPress('8');
    for (; stepsDown < 0; ++stepsDown) {
        const int lastService = 1 - service_.train.spec.Brake;
        keyPress(state_.vehicle.BrakeHandle == lastService ? '0' : '2');
    }
}

void DrivingSession::keyPress(char c) {
    if (!accept([&] { return RecordedInput::ofKey(Kind::Char, {input::Key::None, c, false}); })) {
        return;
    }
    const Nested nested(inputDepth_);
    if (!state_.input.Created) return;
    if (c != '\r' && !state_.vehicle.VigilanceTrip) {
        // Any operation shows the driver is alert.
        state_.VigilanceMs = 0;
        state_.EbLamp = false;
        platform_.mixer.Stop(service_.train.spec.Sound_EBring);
    }
    if (state_.input.SwapTwoEight) {
        if (c == '2') c = '8';
        else if (c == '8') c = '2';
    }
    applyHandleCharacter(c);
}

void DrivingSession::applyHandleCharacter(char c) {
    const auto& spec = service_.train.spec;
    const auto& line = service_.line;
    auto& v = state_.vehicle;
    auto& mixer = platform_.mixer;
    const double speed = std::fabs(static_cast<double>(v.Speed));
    const bool twoHandle = spec.Handle == 1;
    bool handle = true;
    switch (c) {
        case 'f':
            if (speed <= 1) vehicle::SetReverser(vehicle_, 1);
            break;
        case 'b':
            if (speed <= 1) vehicle::SetReverser(vehicle_, -1);
            break;
        case 'n':
            if (speed <= 1) vehicle::SetReverser(vehicle_, 0);
            break;
        case 'z':
            twoHandle ? vehicle::PowerUp(vehicle_) : vehicle::StepTowardPower(vehicle_);
            break;
        case 'a':
            twoHandle ? vehicle::PowerDown(vehicle_) : vehicle::StepTowardBrake(vehicle_);
            break;
        case 'q':
            if (!twoHandle) vehicle::EmergencyPosition(vehicle_);
            break;
        case ',':
            if (twoHandle) vehicle::BrakeRelease(vehicle_);
            break;
        case '.':
            if (twoHandle) vehicle::BrakeApply(vehicle_);
            break;
        case '/':
            if (twoHandle) vehicle::BrakeEmergency(vehicle_);
            break;
        case '8':
            vehicle::StepTowardPower(vehicle_);
            break;
        case '2':
            vehicle::StepTowardBrake(vehicle_);
            break;
        case '5':
            vehicle::AllOff(vehicle_);
            break;
        case '0':
            vehicle::EmergencyPosition(vehicle_);
            break;
        default:
            handle = false;
            break;
    }
    if (handle) {
        vehicle::masconupdate(vehicle_);
        return;
    }
    switch (c) {
        case '3':
        case '6':
            if (mixer.Status(spec.Sound_Horn) == sound::ChannelStatus::Idle) {
                mixer.Play(spec.Sound_Horn);
            }
            break;
        case '9':
            if (mixer.Status(spec.Sound_Horn3) != sound::ChannelStatus::Idle) {
                mixer.Stop(spec.Sound_Horn3);
            } else {
                mixer.LoopPlay(spec.Sound_Horn3);
            }
            break;
        case 'd':
        case '7':
            if (line.OneMan.Mode > 0) runDoorOperation();
            break;
        case 'r':
            // The reset button checks the handle and the speed itself.
            route::SafetyReset(safety_);
            break;
        case ' ':
            route::SafetyAcknowledge(safety_);
            break;
        case 'c':
        case '1':
            if (line.OneMan.Mode == 1) sound::NextAnnouncement(runningSounds_);
            break;
        case '-':
            if (line.OneMan.Mode == 1) sound::BackAnnouncement(runningSounds_);
            break;
        case 't':
            vehicle::ConstSpeedKey(vehicle_);
            break;
        case 'w':
        case 's':
        case 'x':
            if (spec.Engine_Type == 0 && spec.Gear_Type == data::GearType::MT) {
                vehicle::SetGearLever(vehicle_, c == 'w' ? 2 : c == 's' ? 0 : 1);
            } else if (spec.Engine_Type == 1 && !spec.Suppress.empty()) {
                if (c == 's') vehicle::SuppressDown(vehicle_);
                if (c == 'x') vehicle::SuppressUp(vehicle_);
            }
            break;
        default:
            break;
    }
}

}  // namespace tressmoor::sim
