// Driving scripts: timed key presses, station jumps, saves and loads, menu items, pictures.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "input/controllers.h"
#include "input/keys.h"

namespace tressmoor::sim {

/// One scripted command.
struct ScriptCommand {
    enum class Kind { Key, KeyUp, Hold, Station, Save, Load, Menu, Shot, Quit, Serial, Controller, Joy };
    double atSeconds = 0;   ///< simulated seconds from the start of the run
    Kind kind = Kind::Key;
    input::KeyStroke key;   ///< Key, KeyUp, Hold
    double holdSeconds = 0; ///< Hold: how long the key stays down
    int number = 0;         ///< Station: station index; Save/Load: slot 1 … 3; Controller: type
    int line = 0;           ///< line of the script file, for messages
    std::string path;       ///< Shot: where the picture is saved (PNG); Serial: the characters
    std::string name;       ///< Menu: the object name of the menu item ("OFFC1", "Save2" …)
    input::JoystickReading joy;  ///< Joy: the joystick state the next polls see
};

/// A parsed script, sorted by time (commands at the same time keep their file order).
struct Script {
    std::vector<ScriptCommand> commands;
};

/// Parses script text: one command per line, "<seconds> <command>", where the command is
/// `key <name>`, `keyup <name>`, `hold <name> <seconds>`, `station <index>`, `save <slot>` or
/// `load <slot>`, `menu <objectName>` (the driving window runs that menu item; the headless
/// runner has no menus), `shot <file.png>` (the driving window saves its picture; the headless
/// runner has none) or `quit` (leave the drive); key names as input::parseKeyName reads them.
/// Controllers: `serial <text>` (characters as the serial port receives them; `\r` is the
/// carriage return, `\n`, `\t`, `\\` and `\xHH` as usual), `controller <0…3>` (the controller
/// type, as the menu sets it) and `joy <x> <y> <buttons>` (axes −32768 … 32767, the pressed
/// buttons as a comma-separated list of numbers 0 … 31, or `-` for none). Blank lines and text
/// after "#" are ignored (a serial text keeps its "#"). Throws std::invalid_argument naming the
/// line on a malformed command.
Script parseScript(std::string_view text);

}  // namespace tressmoor::sim
