// AppSettings and ControllerMap: what configures a drive apart from the train and the line.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace tressmoor::data {

/// The five user options kept in the "kelvane" store.
struct UserOptions {
    int Kanko = 0;        ///< 1: calls are not spoken
    int Information = 0;  ///< 1: the explanation text over the route view is not drawn
    int ATS = 0;          ///< 1: the safety system is off
    int Tunnel = 0;       ///< 1: visual effects off (no tunnel overlay, no fade-out)
    int Moji = 1;         ///< 1: the text labels of the driving window are shown
};

/// The settings file "tressmoor.dat" and the user options. A key that is absent leaves its text
/// empty and its number 0.
struct AppSettings {
    // [Disp]
    int VideoFps = 0;      ///< frame rate of the route videos, frames/s
    int LengthFactor = 0;  ///< main video frame count = stream length × this
    int StafLeft = 0;      ///< left of the first [Staf] picture, px
    int ViewWidth = 0;     ///< width of the video view, px
    int ViewHeight = 0;    ///< height of the video view, px
    int DispUnused = 0;    ///< fifth [Disp] line: read and not used

    std::string VideoFolder;  ///< [Path]: prefix of every route video file name

    // Reverser, power and brake words.
    std::string Forward, Neutral, Reverse;
    std::string Neut2;  ///< power text at notch 0
    std::string Neut;   ///< brake text at release
    std::string EB;     ///< brake text at emergency
    std::string Apply, Hold, Maintain, Remove;  ///< automatic-air-brake positions −3, −2, −1, −5
    std::string Hold2;  ///< brake text while the holding brake is engaged
    std::string Const;  ///< power text under constant-speed control
    std::array<std::string, 3> Gears;  ///< neutral, converter, direct-stage prefix

    // Status words.
    std::string Stop, Pass, Stop2;  ///< next-station suffix for station kinds 0, 1, 2
    std::string Cars;               ///< suffix after the number of cars
    std::array<std::string, 2> Doors;
    std::string TC;                 ///< shown when a traffic signal ahead changes
    std::array<std::string, 2> Stops;  ///< distance-message prefixes: crossings, type-6 elements

    /// [InfoLabel] texts; InfoLabel[0] is text 1. Use infoLabel(i) for the 1-based texts.
    std::vector<std::string> InfoLabel;

    /// Main-menu captions; nullopt keeps the built-in caption.
    std::optional<std::string> StartCaption, MoveCaption, DisplayCaption, ControlCaption,
        SaveCaption;

    UserOptions Options;

    /// The i-th [InfoLabel] text (1-based); "" when the list is shorter.
    const std::string& infoLabel(int i) const;
};

/// Number of serial code positions the program uses (power 1–6, off, brake 1–9, reverser,
/// three keys, Enter).
inline constexpr int kSerialCodePositions = 23;

/// The controller map "mascon.dat" and the joystick calibration.
struct ControllerMap {
    /// Serial codes; SerialCodes[0] is line 1 (power notch 1). Lines after the 23rd are kept.
    std::vector<std::string> SerialCodes;
    std::array<int, 6> P{};  ///< joystick button sums for power positions P0 … P5
    std::array<int, 9> B{};  ///< joystick button sums for brake positions B0 … B8
    int EB = 0;              ///< joystick button sum for the emergency position

    /// Code of position k (1-based); "" when the map has no such line.
    const std::string& serialCode(int k) const;
};

}  // namespace tressmoor::data
