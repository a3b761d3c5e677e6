// InputState: what the keyboard and the controllers keep between frames.
#pragma once

namespace tressmoor::input {

/// Input state of one drive; everything starts false or 0 with each driving window.
struct InputState {
    bool SwapTwoEight = false;  ///< "2" and "8" exchanged before dispatch (Scroll Lock)
    int DoorSide = 0;           ///< door side chosen with Page Up (0) / Page Down (1)
    int EngineSwitchKey = 0;    ///< 0 none, 1 F2 held, 2 F2 held with Shift
    bool FollowVideoSpeed = false;  ///< the physics step takes the video's projected speed
    bool HornKey1 = false;      ///< "3" or numeric-pad 3 held
    bool HornKey2 = false;      ///< "6" or numeric-pad 6 held
    bool SafetyKey = false;     ///< "4" or numeric-pad 4 held
    bool ControllerHorn = false;  ///< horn button of a fixed-code joystick controller held
    bool Created = false;       ///< the driving window has finished its creation: keys count
    int PanelTop = 0;           ///< px offset of the cab view moved with Shift+Up / Shift+Down
};

}  // namespace tressmoor::input
