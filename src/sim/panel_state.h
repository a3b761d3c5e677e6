// PanelState: what the cab panel and the lineside sprites show this frame, as plain data. The
// view loads the pictures once and draws exactly what this says.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "data/line_types.h"
#include "data/panel_types.h"
#include "data/train_types.h"
#include "vehicle/vehicle_state.h"

namespace tressmoor::sim {

struct SimState;

/// Needle rotation units per degree: a needle turned by `angle` units is turned by
/// angle ÷ kNeedleUnitsPerDegree degrees clockwise from its picture's upright position.
inline constexpr long double kNeedleUnitsPerDegree = 2.8416666666666666667L;

/// Every item of the cab panel that the frame updates, plus the fixed images. The value names
/// the train-file section it comes from.
enum class PanelItem : std::uint8_t {
    Panel,
    Panel2,
    Lamp_Door,
    Lamp_Power,
    Lamp_EB,
    Lamp_Gen,
    Lamp_Air,
    Lamp_Fin,
    Lamp_Ele,
    Lamp_Ats1,
    Lamp_Ats2,
    Lamp_Ats3,
    Lamp_TASC1,
    Lamp_TASC2,
    Lamp_TASC3,
    Lamp_ATSP1,
    Lamp_ATSP2,
    Lamp_Fwd,
    Lamp_Neut,
    Lamp_Suppress,
    Lamp_Back,
    Lamp_Stop,
    Lamp_G,
    Lamp_YG,
    Lamp_Y,
    Lamp_YY,
    Lamp_R,
    Needle_Speed,
    Needle_Brake,
    Needle_ER,
    Needle_BP,
    Needle_MR,
    Needle_SAP,
    Needle_BC,
    Needle_V,
    Needle_I,
    Lamp_Const,
    Needle_BC_L,
    Needle_MR_L,
    Needle_Ip_L,
    Needle_Ib_L,
    Lamp_signal,
    NotchImageP,
    NotchImageB,
    NotchImageP2,
    NotchImageB2,
    GearImageList,
    GearImageList2,
    Digi_Speed,
    Other,  ///< an [Others] image (several sprites may carry it)
    Count,
};

inline constexpr int kPanelItemCount = static_cast<int>(PanelItem::Count);

/// How a panel sprite is drawn.
enum class PanelSpriteKind : std::uint8_t {
    Image,   ///< the whole picture at (x, y)
    Needle,  ///< the picture turned about its centre by `angle`
    Bar,     ///< the left `barPixels` columns of the picture
    Strip,   ///< cell `cell` of a picture cut into patternWidth × patternHeight cells
};

/// One sprite of the cab panel: built once from the train file, updated every frame.
struct PanelSprite {
    PanelItem item = PanelItem::Other;
    PanelSpriteKind kind = PanelSpriteKind::Image;
    std::string name;       ///< picture name, e.g. "img_Needle_speed"
    std::string file;       ///< picture file as written in the train file (relative to its folder)
    int x = 0;              ///< px on the cab view, before the panel shake
    int y = 0;              ///< px
    int order = 0;          ///< drawing order: higher orders are drawn over lower ones
    int patternWidth = 0;   ///< px, strips only
    int patternHeight = 0;  ///< px, strips only
    bool visible = true;
    long double angle = 0;  ///< needles: rotation in needle units (kNeedleUnitsPerDegree per °)
    int cell = 0;           ///< strips: cell shown, counted left to right, then top to bottom
    int barPixels = 0;      ///< bars: columns of the picture shown from its left edge, px
};

/// The analogue clock face ([Clock] with x > 0 and y > 0): a 50 × 50 face at (x, y) whose
/// hands are drawn from its centre (25, 25).
struct ClockFace {
    bool shown = false;
    int x = 0;                 ///< px
    int y = 0;                 ///< px
    int handLength = 0;        ///< px of the minute and second hands
    int hourHandLength = 0;    ///< px, round(0.6 × handLength)
    double hourDegrees = 0;    ///< clockwise from 12
    double minuteDegrees = 0;  ///< clockwise from 12
    double secondDegrees = 0;  ///< clockwise from 12
    std::int64_t second = -1;  ///< second of the day the hands show; the face is redrawn when
                               ///< it changes
};

/// What the traction motors do this frame (the "motor state"): it picks the power and
/// generator lamps and which current bar shows.
enum MotorStateValue : int {
    kMotorIdle = 0,      ///< neither powering nor braking electrically
    kMotorBraking = 1,   ///< the electric brake works (electric-brake value above 0)
    kMotorPowering = 2,  ///< a power notch gives traction force
};

/// Motor state of the vehicle: braking while the electric-brake value is above 0, else powering
/// while the effective notch is above 0 and the traction gives force, else idle.
int MotorState(const vehicle::VehicleState& v);

/// Needle angle in needle units of a gauge reading `value`: (value × scale + zero) × k.
long double NeedleAngle(const data::Meter& m, long double value);
/// The same for a value kept in ten-thousandths (pressures and the voltage):
/// (value × scale + zero × 10000) × k ÷ 10000.
long double NeedleAngle4(const data::Meter& m, std::int64_t tenThousandths);
/// Speedometer angle for speed `v` (km/h, signed), with its second scale below 10 km/h.
long double SpeedNeedleAngle(const data::SpeedMeter& m, long double v);

/// The cab panel of one drive. Sprites are kept in drawing order; equal orders keep the order
/// in which the sprites are created: the image strips first (they are made while the train file
/// is read), then the panel's other records. `index` finds the sprite of an item (−1: the
/// train has none).
struct PanelState {
    std::vector<PanelSprite> sprites;
    std::array<int, kPanelItemCount> index{};
    ClockFace clock;
    /// px added to every panel sprite's y in the picture of this frame: the offset of the frame
    /// before, since the sprites are moved after the picture is presented.
    int shake = 0;
    int nextShake = 0;  ///< the offset of this frame, applied from the next picture on

    /// Last 10 brake-cylinder needle angles, oldest first; the needle shows their mean. Built
    /// full of the angle at 0 kPa.
    std::array<long double, 10> bcRing{};

    int motorState = kMotorIdle;  ///< MotorStateValue of this frame

    // The cab aspect lamps: the signal and aspect they were last set for, and the alarm's
    // hiding of [Lamp_YG], [Lamp_Y], [Lamp_YY] until the aspect lamps are set again.
    int aspectSignal = -1;          ///< signal in view when last set; −1 none
    int aspect = -1;                ///< its aspect then; −1 none
    std::uint32_t aspectHides = 0;  ///< SafetyLamps::CabAspectHides acted on
    bool aspectsHidden = false;

    PanelSprite* find(PanelItem item) {
        const int i = index[static_cast<std::size_t>(item)];
        return i < 0 ? nullptr : &sprites[static_cast<std::size_t>(i)];
    }
    const PanelSprite* find(PanelItem item) const {
        const int i = index[static_cast<std::size_t>(item)];
        return i < 0 ? nullptr : &sprites[static_cast<std::size_t>(i)];
    }
};

/// Builds the panel's sprites from the train file: every record with a picture, with its
/// picture name, drawing order and start visibility. Items without a picture get no sprite.
PanelState BuildPanelState(const data::PanelLayout& layout, const data::TrainSpec& spec);

/// Sets every sprite's angle, cell, bar width and visibility, the clock hands and the shake from
/// the state of the frame (the physics of the previous frame). Call it exactly once per
/// processed frame, after DrivingSession::beginFrame and before the picture is composed (the
/// brake-cylinder needle smooths over frames). `tunnelOverlayOff` is the visual-effects option
/// (the tunnel overlay is never shown when it is set). Allocates nothing.
void UpdatePanelState(PanelState& panel, const data::PanelLayout& layout,
                      const data::TrainSpec& spec, const SimState& state, bool tunnelOverlayOff);

}  // namespace tressmoor::sim
