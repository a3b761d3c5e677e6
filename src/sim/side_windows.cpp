// The side windows' plain data: simple cab lamps, buttons and door text, the engine choice.
#include "sim/side_windows.h"

namespace tressmoor::sim {

SimpleCabLamps simpleCabLamps(int powerHandle, int brakeHandle) {
    SimpleCabLamps lamps;
    lamps.neutral =
        powerHandle == 0 && brakeHandle == 0 ? CabLampColour::Lime : CabLampColour::White;
    for (int k = 1; k <= kSimpleCabPowerLamps; ++k) {
        lamps.power[static_cast<std::size_t>(k - 1)] =
            powerHandle >= k ? CabLampColour::Yellow : CabLampColour::White;
    }
    for (int k = 1; k <= kSimpleCabBrakeLamps; ++k) {
        lamps.brake[static_cast<std::size_t>(k - 1)] =
            brakeHandle <= -k ? CabLampColour::Red : CabLampColour::White;
    }
    return lamps;
}

char simpleCabReverserCharacter(int reverser) {
    if (reverser == 1) return 'b';
    if (reverser == -1) return 'f';
    return 0;
}

std::string_view simpleCabDoorText(bool doorCommand, bool doorsOpen) {
    if (doorCommand) return "ドアが開いています";
    if (doorsOpen) return "ドアを閉めています";
    return "";
}

int engineChoiceOf(int engineState) {
    switch (engineState) {
        case -1:
            return kEngineStart;
        case 0:
            return kEngineOff;
        default:
            return kEngineRun;
    }
}

}  // namespace tressmoor::sim
