// What the driving window's side windows show and send, as plain data: the simple cab's lamps,
// buttons and door text, and the train-settings dialog's engine choice.
#pragma once

#include <array>
#include <string_view>

namespace tressmoor::sim {

/// Colours of the simple cab's lamps.
enum class CabLampColour { White, Lime, Yellow, Red };

inline constexpr int kSimpleCabPowerLamps = 5;  ///< KP1 … KP5
inline constexpr int kSimpleCabBrakeLamps = 8;  ///< KB1 … KB8 (KB8 is never shown)

/// The simple cab's column of lamps for one handle state.
struct SimpleCabLamps {
    CabLampColour neutral = CabLampColour::White;  ///< KN
    std::array<CabLampColour, kSimpleCabPowerLamps> power{};
    std::array<CabLampColour, kSimpleCabBrakeLamps> brake{};
};

/// KN lime with both handles at 0; KPk yellow from power notch k; KBk red from brake step k.
SimpleCabLamps simpleCabLamps(int powerHandle, int brakeHandle);

/// A button of the simple cab that types one character into the driving window.
struct SimpleCabButton {
    std::string_view name;
    std::string_view caption;
    char character;
};

/// The handle, door and announcement buttons, then the safety system's acknowledge and reset,
/// without which an alarm could not be answered from the mouse.
inline constexpr std::array<SimpleCabButton, 8> kSimpleCabButtons = {{
    {"Button2", "加速", '8'},
    {"Button1", "減速", '2'},
    {"Button6", "ニュートラル", '5'},
    {"Button3", "ドア開閉", '7'},
    {"Button4", "案内放送", '1'},
    {"Button5", "巻戻し", '-'},
    {"ButtonAtsAck", "ATS確認", ' '},
    {"ButtonAtsReset", "ATS復帰", 'r'},
}};

/// The reverser button ("逆転器") turns the reverser round: "b" from forward, "f" from reverse,
/// nothing (0) from neutral.
char simpleCabReverserCharacter(int reverser);

/// The simple cab's status bar: "ドアが開いています" while the doors are commanded open,
/// "ドアを閉めています" while they are commanded closed and not yet closed, else "".
std::string_view simpleCabDoorText(bool doorCommand, bool doorsOpen);

/// Items of the train-settings dialog's "機関始動" group.
enum EngineChoice : int { kEngineStart = 0, kEngineRun = 1, kEngineOff = 2 };

/// The item the group shows for an engine state (1 running, 0 stopped, −1 starting,
/// −2 stopping): 始動 while starting, 切 when stopped, else 運転.
int engineChoiceOf(int engineState);

}  // namespace tressmoor::sim
