// SoundSet: the loaded waves of a drive and the channel each plays on.
#pragma once

#include <array>
#include <memory>
#include <vector>

#include "sound/mixer.h"

namespace tressmoor::sound {

/// Call-table size: slots 0–21 from [KankoSound1], 22 onward from [KankoSound2].
inline constexpr int kCallSlots = 500;

/// Every wave of a drive and the channel layout: the drive waves on channels 0 … nDrive − 1,
/// the ambient waves after them, then the engine waves A and B, then one free channel, the
/// call channel and the event channel.
struct SoundSet {
    std::vector<std::shared_ptr<Wave>> drive;     ///< [DriveSound] entry i (null when empty)
    std::vector<int> driveSeconds;                ///< whole seconds of each drive wave
    std::vector<std::shared_ptr<Wave>> ambient;   ///< [SoundData] entry k
    std::vector<int> ambientSeconds;              ///< whole seconds of each ambient wave
    std::vector<std::shared_ptr<Wave>> engineA;   ///< [EngineSound1] record j
    std::vector<std::shared_ptr<Wave>> engineB;   ///< [EngineSound3] record j
    std::array<std::shared_ptr<Wave>, kCallSlots> calls{};  ///< call slots
    int callTableEnd = 22;                        ///< 22 + length of [KankoSound2]
    std::vector<std::shared_ptr<Wave>> otherCalls;  ///< [OtherKanko]
    std::vector<std::shared_ptr<Wave>> limitCalls;  ///< [LimitKanko]
    std::shared_ptr<Wave> event;                  ///< wave named at run time by a route event

    int nDrive() const { return static_cast<int>(drive.size()); }
    int nAmbient() const { return static_cast<int>(ambient.size()); }
    int nEngineA() const { return static_cast<int>(engineA.size()); }
    int nEngineB() const { return static_cast<int>(engineB.size()); }
    /// Channel of ambient sound k.
    int ambientChannel(int k) const { return nDrive() + k; }
    /// Channel of engine wave A j / B j.
    int engineAChannel(int j) const { return nDrive() + nAmbient() + j; }
    int engineBChannel(int j) const { return nDrive() + nAmbient() + nEngineA() + j; }
    /// The call channel: after the four blocks and one free channel.
    int callChannel() const { return nDrive() + nAmbient() + nEngineA() + nEngineB() + 1; }
    /// The event channel, right after the call channel.
    int eventChannel() const { return callChannel() + 1; }

    /// Call slot `slot`, or null when the slot is out of range or empty.
    std::shared_ptr<Wave> call(int slot) const {
        if (slot < 0 || slot >= kCallSlots) return nullptr;
        return calls[static_cast<std::size_t>(slot)];
    }
};

}  // namespace tressmoor::sound
