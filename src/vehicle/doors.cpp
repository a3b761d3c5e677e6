// The passenger doors.
#include "vehicle/doors.h"

#include <cmath>

namespace tressmoor::vehicle {

namespace {

bool soundActive(const sound::Mixer& mixer, int channel) {
    return channel >= 0 && mixer.Status(channel) == sound::ChannelStatus::Once;
}

}  // namespace

void Door_operate(VehicleContext& v, const DoorOperateInputs& in) {
    VehicleState& s = v.state;
    s.DoorCommand = false;
    if (in.oneMan) s.Events.clearCarCountText = true;
    if (in.indicatorAtFrameZero) return;
    const bool closed = !s.DoorsOpen;
    // Doors open only at a standstill; closing is always allowed.
    if (closed && std::fabs(s.Speed) >= 0.05L) return;
    const bool audible = !in.oneMan || in.soundChance >= in.drawnRandom;
    if (closed) {
        s.DoorCommand = true;
        if (audible) playOnce(v.mixer, v.spec.Sound_DoorOpen);
    } else if (audible) {
        playOnce(v.mixer, v.spec.Sound_DoorClose);
    }
    if (s.DoorCommand) {
        s.DoorsOpen = true;
        s.DoorsClosedLit = false;
    }
}

bool doorFrameUpdate(VehicleContext& v) {
    VehicleState& s = v.state;
    if (s.DoorCommand || s.DoorsClosedLit) return false;
    if (soundActive(v.mixer, v.spec.Sound_DoorOpen) ||
        soundActive(v.mixer, v.spec.Sound_DoorClose)) {
        return false;
    }
    s.DoorsClosedLit = true;
    s.DoorsOpen = false;
    if (v.spec.DepSign >= 0) {
        v.mixer.Stop(v.spec.DepSign);
        v.mixer.Play(v.spec.DepSign);
    }
    s.Events.doorsClosed = true;
    return true;
}

std::string_view doorStatusText(const VehicleState& s) {
    if (s.DoorCommand) return kDoorsOpenText;
    if (s.DoorsOpen) return kDoorsClosingText;
    return {};
}

}  // namespace tressmoor::vehicle
