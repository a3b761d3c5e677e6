// PanelLayout: the cab panel sections of a train file (panels, lamps, needles, strips, clock).
#pragma once

#include <string>
#include <vector>

namespace tressmoor::data {

/// Room for [Others] images.
inline constexpr int kMaxOtherImages = 11;
/// Room for [Lamp_signal] aspect cells.
inline constexpr int kMaxCabSignalCells = 12;

// Coordinates are pixels on the cab view surface (origin top left). File names are relative to
// the train folder; an empty file name means "no image": the item is not drawn.

/// One image drawn at a fixed place when its condition holds (also used for the panels).
struct Lamp {
    std::string file;
    int x = 0;  ///< px
    int y = 0;  ///< px
};

/// A rotating needle. Its angle is (value × scale + zero) × 2.8416666666666666667.
struct Meter {
    std::string file;
    int x = 0;              ///< px
    int y = 0;              ///< px
    int width = 0;          ///< px
    int height = 0;         ///< px
    int zero = 0;           ///< angle offset at value 0 (gauge units)
    long double scale = 0;  ///< gauge units per unit of the shown value
};

/// The speedometer: a needle with a second scale used below 10 km/h (0 = not used).
struct SpeedMeter : Meter {
    long double secondScale = 0;
};

/// The ammeter: a needle with a sign selector for the current.
struct CurrentMeter : Meter {
    int sign = 0;  ///< 0 = signed current, 1 = magnitude, 2 = needle fixed at zero
};

/// A linear bar gauge.
struct LinearMeter {
    std::string file;
    int x = 0;              ///< px
    int y = 0;              ///< px
    long double scale = 0;  ///< px per unit of the shown value
};

/// An image cut into equal cells of patternWidth × patternHeight; the cell shown follows the
/// state. With an empty file name no image or sprite is made; the other values are kept.
struct ImageStrip {
    int x = 0;              ///< px
    int y = 0;              ///< px
    int patternWidth = 0;   ///< px
    int patternHeight = 0;  ///< px
    std::string file;
};

/// [Lamp_signal]: the cab-signal strip and the cell shown per aspect index.
struct CabSignalStrip : ImageStrip {
    std::vector<int> cells;  ///< cells[i] is the cell shown for aspect index i (at most 12)
};

/// [Clock]: the analogue clock, drawn only when x > 0 and y > 0.
struct ClockSpec {
    int x = 0;           ///< px
    int y = 0;           ///< px
    int handLength = 0;  ///< minute and second hands, px; the hour hand is round(0.6 × length)
};

/// The cab panel sections of a train file. Absent sections leave their items empty (not drawn).
struct PanelLayout {
    ClockSpec Clock;

    Lamp Panel;   ///< panel background
    Lamp Panel2;  ///< second panel image: the tunnel overlay

    Lamp Lamp_Door;                                 ///< doors closed
    Lamp Lamp_Power;                                ///< powering
    Lamp Lamp_EB;                                   ///< emergency brake / vigilance
    Lamp Lamp_Gen;                                  ///< generator (electric braking)
    Lamp Lamp_Air;                                  ///< air brake applied
    Lamp Lamp_Fin;                                  ///< last step of the present notch reached
    Lamp Lamp_Ele;                                  ///< electric brake
    Lamp Lamp_Ats1, Lamp_Ats2, Lamp_Ats3;           ///< safety-system lamps
    Lamp Lamp_TASC1, Lamp_TASC2, Lamp_TASC3;        ///< stop-assist lamps
    Lamp Lamp_ATSP1, Lamp_ATSP2;                    ///< pattern safety-system lamps
    Lamp Lamp_G, Lamp_YG, Lamp_Y, Lamp_YY, Lamp_R;  ///< cab aspects: proceed … stop
    Lamp Lamp_Fwd, Lamp_Neut, Lamp_Back;            ///< reverser positions
    Lamp Lamp_Const;                                ///< constant-speed control on
    Lamp Lamp_Stop;                                 ///< stop-position alarm

    Meter Needle_Brake;       ///< brake command
    SpeedMeter Needle_Speed;  ///< speedometer, km/h
    Meter Needle_BC;          ///< brake-cylinder pressure, kPa
    LinearMeter Needle_BC_L;  ///< brake-cylinder pressure bar, kPa
    LinearMeter Needle_Ip_L;  ///< power-current bar, A
    LinearMeter Needle_Ib_L;  ///< brake-current bar, A
    Meter Needle_SAP;         ///< straight-air-pipe pressure, kPa
    Meter Needle_ER;          ///< equalising-reservoir pressure, kPa
    Meter Needle_BP;          ///< brake-pipe pressure, kPa
    Meter Needle_MR;          ///< main-reservoir pressure, kPa
    LinearMeter Needle_MR_L;  ///< main-reservoir pressure bar, kPa
    Meter Needle_V;           ///< voltmeter
    CurrentMeter Needle_I;    ///< ammeter, A

    CabSignalStrip Lamp_signal;  ///< image "img_cabsignal", order 30
    ImageStrip NotchImageP;      ///< image "img_lamp_p", order 41
    ImageStrip NotchImageB;      ///< image "img_lamp_b", order 33
    ImageStrip NotchImageP2;     ///< image "img_lamp_p2", order 41
    ImageStrip NotchImageB2;     ///< image "img_lamp_b2", order 33
    ImageStrip GearImageList;    ///< image "img_lamp_gear", order 40
    ImageStrip GearImageList2;   ///< image "img_gearlever", order 40
    ImageStrip Digi_Speed;       ///< image "img_digi_speed", order 37

    std::vector<Lamp> Others;  ///< further fixed images (at most 11)
};

}  // namespace tressmoor::data
