#include "sim/panel_state.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "data/rounding.h"
#include "sim/sim_state.h"

namespace tressmoor::sim {

namespace {

struct Builder {
    PanelState& panel;

    PanelSprite& add(PanelItem item, PanelSpriteKind kind, const char* name,
                     const std::string& file, int x, int y, int order, bool visible) {
        PanelSprite s;
        s.item = item;
        s.kind = kind;
        s.name = name;
        s.file = file;
        s.x = x;
        s.y = y;
        s.order = order;
        s.visible = visible;
        panel.sprites.push_back(std::move(s));
        return panel.sprites.back();
    }
    void lamp(PanelItem item, const char* name, const data::Lamp& l, int order, bool visible) {
        if (!l.file.empty())
            add(item, PanelSpriteKind::Image, name, l.file, l.x, l.y, order, visible);
    }
    void needle(PanelItem item, const char* name, const data::Meter& m, int order) {
        if (!m.file.empty())
            add(item, PanelSpriteKind::Needle, name, m.file, m.x, m.y, order, true);
    }
    void bar(PanelItem item, const char* name, const data::LinearMeter& m, int order) {
        if (!m.file.empty()) add(item, PanelSpriteKind::Bar, name, m.file, m.x, m.y, order, true);
    }
    void strip(PanelItem item, const char* name, const data::ImageStrip& s, int order) {
        if (s.file.empty()) return;
        auto& sprite = add(item, PanelSpriteKind::Strip, name, s.file, s.x, s.y, order, true);
        sprite.patternWidth = s.patternWidth;
        sprite.patternHeight = s.patternHeight;
    }
};

long double bcNeedleAngle(const data::Meter& m, std::int64_t tenThousandths) {
    return static_cast<long double>(data::roundTiesEven(NeedleAngle4(m, tenThousandths)));
}

int barPixels(long double value, long double scale) {
    const std::int64_t px = data::roundTiesEven(value * scale);
    return static_cast<int>(std::clamp<std::int64_t>(px, 0, std::numeric_limits<int>::max()));
}

void show(PanelState& panel, PanelItem item, bool visible) {
    if (auto* s = panel.find(item)) s->visible = visible;
}

void setStrip(PanelState& panel, PanelItem item, int cell, bool visible) {
    if (auto* s = panel.find(item)) {
        s->cell = cell;
        s->visible = visible;
    }
}

/// [Lamp_Fin]: the current-controlled traction has reached the last step of the present notch.
bool lastCurrentStep(const data::TrainSpec& spec, const vehicle::VehicleState& v) {
    const auto rows = static_cast<int>(spec.CurrentP.size());
    const int step = v.CurrentStep;
    if (step < 1 || step >= rows) return false;
    const int notch = spec.CurrentP[static_cast<std::size_t>(step)].notch;
    if (notch != v.Power) return false;
    // After the last row there is no further step: it is the last one of its notch.
    return step + 1 >= rows || spec.CurrentP[static_cast<std::size_t>(step + 1)].notch != notch;
}

/// [Lamp_signal]: cab-signalling trains show the aspect the route set; the others show the
/// speed of the speed checks, as the cell whose listed speed it is.
void updateCabSignal(PanelState& panel, const data::PanelLayout& layout,
                     const data::TrainSpec& spec, const SimState& state) {
    auto* s = panel.find(PanelItem::Lamp_signal);
    if (s == nullptr) return;
    if (spec.ATS_Type >= 2) {
        const route::SpriteState& cab = state.route.signalSprites.cabSignal;
        s->visible = cab.visible;
        s->cell = cab.pattern;
        return;
    }
    const int speed = state.safety.CabIndicatorSpeed;
    const auto& cells = layout.Lamp_signal.cells;
    const auto it = speed < 0 ? cells.end() : std::find(cells.begin(), cells.end(), speed);
    s->visible = it != cells.end();
    if (s->visible) s->cell = static_cast<int>(it - cells.begin());
}

/// [Lamp_R] … [Lamp_G]: the aspect of the signal in view (0 R, 1 YY, 2 Y, 3 YG, 4 and up G),
/// dark with no signal in view. The alarm darkens YG, Y and YY until the lamps are set again
/// for another signal or aspect.
void updateAspectLamps(PanelState& panel, const SimState& state) {
    const route::RouteState& r = state.route;
    const int signal = r.CurrentSignal;
    int aspect = -1;
    if (signal >= 0 && signal < static_cast<int>(r.Aspect.size())) {
        aspect = r.Aspect[static_cast<std::size_t>(signal)];
    }
    const int shownSignal = aspect < 0 ? -1 : signal;
    if (shownSignal != panel.aspectSignal || aspect != panel.aspect) {
        panel.aspectSignal = shownSignal;
        panel.aspect = aspect;
        panel.aspectsHidden = false;
    }
    const std::uint32_t hides = state.safety.Lamps.CabAspectHides;
    if (hides != panel.aspectHides) {
        panel.aspectHides = hides;
        panel.aspectsHidden = true;
    }
    const bool middle = !panel.aspectsHidden;
    show(panel, PanelItem::Lamp_R, aspect == 0);
    show(panel, PanelItem::Lamp_YY, aspect == 1 && middle);
    show(panel, PanelItem::Lamp_Y, aspect == 2 && middle);
    show(panel, PanelItem::Lamp_YG, aspect == 3 && middle);
    show(panel, PanelItem::Lamp_G, aspect >= 4);
}

}  // namespace

PanelState BuildPanelState(const data::PanelLayout& l, const data::TrainSpec& spec) {
    PanelState panel;
    Builder b{panel};
    using I = PanelItem;
    // The image strips are made while the train file is read, before the panel's other
    // records; among equal drawing orders the earlier sprite is drawn first.
    b.strip(I::Lamp_signal, "img_cabsignal", l.Lamp_signal, 30);
    b.strip(I::NotchImageP, "img_lamp_p", l.NotchImageP, 41);
    b.strip(I::NotchImageB, "img_lamp_b", l.NotchImageB, 33);
    b.strip(I::NotchImageP2, "img_lamp_p2", l.NotchImageP2, 41);
    b.strip(I::NotchImageB2, "img_lamp_b2", l.NotchImageB2, 33);
    b.strip(I::GearImageList, "img_lamp_gear", l.GearImageList, 40);
    b.strip(I::GearImageList2, "img_gearlever", l.GearImageList2, 40);
    b.strip(I::Digi_Speed, "img_digi_speed", l.Digi_Speed, 37);

    b.lamp(I::Panel, "img_Panel", l.Panel, 0, true);
    b.lamp(I::Panel2, "img_Panel2", l.Panel2, 50, true);
    b.lamp(I::Lamp_Door, "img_Lamp_Door", l.Lamp_Door, 30, true);
    b.lamp(I::Lamp_Power, "img_Lamp_Power", l.Lamp_Power, 52, true);
    b.lamp(I::Lamp_EB, "img_Lamp_EB", l.Lamp_EB, 53, false);
    b.lamp(I::Lamp_Gen, "img_Lamp_Gen", l.Lamp_Gen, 54, true);
    b.lamp(I::Lamp_Air, "img_Lamp_Air", l.Lamp_Air, 54, true);
    b.lamp(I::Lamp_Fin, "img_Lamp_fin", l.Lamp_Fin, 55, true);
    b.lamp(I::Lamp_Ele, "img_Lamp_Ele", l.Lamp_Ele, 26, true);
    b.lamp(I::Lamp_Ats1, "img_Lamp_Ats1", l.Lamp_Ats1, 57, false);
    b.lamp(I::Lamp_Ats2, "img_Lamp_Ats2", l.Lamp_Ats2, 58, false);
    b.lamp(I::Lamp_Ats3, "img_Lamp_Ats3", l.Lamp_Ats3, 58, false);
    b.lamp(I::Lamp_TASC1, "img_Lamp_tasc1", l.Lamp_TASC1, 58, false);
    b.lamp(I::Lamp_TASC2, "img_Lamp_tasc2", l.Lamp_TASC2, 58, false);
    b.lamp(I::Lamp_TASC3, "img_Lamp_tasc3", l.Lamp_TASC3, 58, false);
    b.lamp(I::Lamp_ATSP1, "img_Lamp_Atsp1", l.Lamp_ATSP1, 59, false);
    b.lamp(I::Lamp_ATSP2, "img_Lamp_Atsp2", l.Lamp_ATSP2, 60, false);
    b.lamp(I::Lamp_Fwd, "img_Lamp_Fwd", l.Lamp_Fwd, 40, true);
    b.lamp(I::Lamp_Neut, "img_Lamp_Neu", l.Lamp_Neut, 40, true);
    b.lamp(I::Lamp_Suppress, "img_Lamp_suppress",
           data::Lamp{spec.Signal_Suppress.file, spec.Signal_Suppress.x, spec.Signal_Suppress.y},
           60, false);
    b.lamp(I::Lamp_Back, "img_Lamp_Bck", l.Lamp_Back, 40, false);
    b.lamp(I::Lamp_Stop, "img_Lamp_stopalert", l.Lamp_Stop, 63, false);
    // The cab aspect lamps have no order of their own: they are drawn with the safety-system
    // lamps.
    b.lamp(I::Lamp_G, "img_Lamp_G", l.Lamp_G, 58, false);
    b.lamp(I::Lamp_YG, "img_Lamp_YG", l.Lamp_YG, 58, false);
    b.lamp(I::Lamp_Y, "img_Lamp_Y", l.Lamp_Y, 58, false);
    b.lamp(I::Lamp_YY, "img_Lamp_YY", l.Lamp_YY, 58, false);
    b.lamp(I::Lamp_R, "img_Lamp_R", l.Lamp_R, 58, false);
    b.needle(I::Needle_Speed, "img_Needle_speed", l.Needle_Speed, 34);
    b.needle(I::Needle_Brake, "img_Needle_brake", l.Needle_Brake, 34);
    b.needle(I::Needle_ER, "img_Needle_ER", l.Needle_ER, 36);
    b.needle(I::Needle_BP, "img_Needle_BP", l.Needle_BP, 38);
    b.needle(I::Needle_MR, "img_Needle_MR", l.Needle_MR, 35);
    b.needle(I::Needle_SAP, "img_Needle_SAP", l.Needle_SAP, 39);
    b.needle(I::Needle_BC, "img_Needle_BC", l.Needle_BC, 37);
    b.needle(I::Needle_V, "img_Needle_V", l.Needle_V, 40);
    b.needle(I::Needle_I, "img_Needle_I", l.Needle_I, 21);
    b.lamp(I::Lamp_Const, "img_Lamp_const", l.Lamp_Const, 72, false);
    b.bar(I::Needle_BC_L, "img_Needle_BC_L", l.Needle_BC_L, 23);
    b.bar(I::Needle_MR_L, "img_Needle_MR_L", l.Needle_MR_L, 24);
    b.bar(I::Needle_Ip_L, "img_Needle_Ip_L", l.Needle_Ip_L, 23);
    b.bar(I::Needle_Ib_L, "img_Needle_Ib_L", l.Needle_Ib_L, 23);
    // [Others] keep the sprite component's default order, 0.
    for (const auto& other : l.Others) b.lamp(I::Other, "img_other", other, 0, true);

    std::stable_sort(panel.sprites.begin(), panel.sprites.end(),
                     [](const PanelSprite& a, const PanelSprite& b) { return a.order < b.order; });
    panel.index.fill(-1);
    for (std::size_t i = 0; i < panel.sprites.size(); ++i) {
        auto& slot = panel.index[static_cast<std::size_t>(panel.sprites[i].item)];
        if (slot < 0) slot = static_cast<int>(i);
    }
    panel.clock.shown = l.Clock.x > 0 && l.Clock.y > 0;
    panel.clock.x = l.Clock.x;
    panel.clock.y = l.Clock.y;
    panel.clock.handLength = l.Clock.handLength;
    panel.clock.hourHandLength =
        static_cast<int>(data::roundTiesEven(0.6L * static_cast<long double>(l.Clock.handLength)));
    // The cylinders start empty: the smoothing ring starts at the needle's 0 kPa angle.
    panel.bcRing.fill(bcNeedleAngle(l.Needle_BC, 0));
    return panel;
}

int MotorState(const vehicle::VehicleState& v) {
    if (v.EBrakeValue > 0) return kMotorBraking;
    if (v.Power > 0 && v.TractionForce.raw != 0) return kMotorPowering;
    return kMotorIdle;
}

long double NeedleAngle(const data::Meter& m, long double value) {
    return (value * m.scale + static_cast<long double>(m.zero)) * kNeedleUnitsPerDegree;
}

long double NeedleAngle4(const data::Meter& m, std::int64_t tenThousandths) {
    return (static_cast<long double>(tenThousandths) * m.scale +
            static_cast<long double>(m.zero) * 10000) *
           kNeedleUnitsPerDegree / 10000;
}

long double SpeedNeedleAngle(const data::SpeedMeter& m, long double v) {
    const long double u = std::fabs(v);
    const long double zero = m.zero;
    if (m.secondScale == 0) return (u * m.scale + zero) * kNeedleUnitsPerDegree;
    if (u < 10) return (u * m.secondScale + zero) * kNeedleUnitsPerDegree;
    return (u * m.scale + zero - (m.scale - m.secondScale) * 10) * kNeedleUnitsPerDegree;
}

void UpdatePanelState(PanelState& panel, const data::PanelLayout& layout,
                      const data::TrainSpec& spec, const SimState& state, bool tunnelOverlayOff) {
    const vehicle::VehicleState& v = state.vehicle;
    const route::RouteState& r = state.route;
    const route::SafetyLamps& lamps = state.safety.Lamps;
    using I = PanelItem;

    // The sprites are moved after the picture is presented: this picture shows the offset of
    // the frame before.
    panel.shake = panel.nextShake;
    panel.nextShake = state.PanelShake;

    // Needles.
    if (auto* s = panel.find(I::Needle_Speed)) {
        const long double speed = v.Speed;
        const bool creeping = speed > -1 && speed < 0;
        if (std::fabs(speed) < 160 && !creeping) {
            s->angle = SpeedNeedleAngle(layout.Needle_Speed, speed);
        }
    }
    if (auto* s = panel.find(I::Needle_Brake)) {
        s->angle = NeedleAngle(layout.Needle_Brake, static_cast<long double>(v.BrakeCommand));
    }
    if (auto* s = panel.find(I::Needle_BP)) s->angle = NeedleAngle(layout.Needle_BP, v.BrakePipe);
    if (auto* s = panel.find(I::Needle_ER)) {
        s->angle = NeedleAngle4(layout.Needle_ER, v.EqualisingReservoir.raw);
    }
    if (auto* s = panel.find(I::Needle_SAP)) {
        s->angle = NeedleAngle4(layout.Needle_SAP, v.SapPressure.raw);
    }
    if (auto* s = panel.find(I::Needle_MR)) {
        s->angle = NeedleAngle4(layout.Needle_MR, v.MainReservoir.raw);
    }
    if (auto* s = panel.find(I::Needle_V)) {
        s->angle = NeedleAngle4(layout.Needle_V, static_cast<std::int64_t>(r.LineVoltage) * 10000);
    }
    const data::fixed4 cylinder = spec.Mc == 0 ? v.CylinderT : v.CylinderM;
    if (auto* s = panel.find(I::Needle_BC)) {
        std::move(panel.bcRing.begin() + 1, panel.bcRing.end(), panel.bcRing.begin());
        panel.bcRing.back() = bcNeedleAngle(layout.Needle_BC, cylinder.raw);
        long double sum = 0;
        for (const long double a : panel.bcRing) sum += a;
        s->angle = sum / static_cast<long double>(panel.bcRing.size());
    }
    if (auto* s = panel.find(I::Needle_I)) {
        const auto& m = layout.Needle_I;
        const auto current = static_cast<long double>(v.AmMeter);
        switch (m.sign) {
            case 1:
                s->angle = NeedleAngle(m, std::fabs(current));
                break;
            case 2:
                s->angle = NeedleAngle(m, 0);
                break;
            default:
                s->angle = NeedleAngle(m, current);
                break;
        }
    }

    // Bars, and the lamps of the motor state.
    panel.motorState = MotorState(v);
    const long double current = std::fabs(static_cast<long double>(v.AmMeter));
    if (auto* s = panel.find(I::Needle_Ip_L)) {
        s->barPixels = barPixels(current, layout.Needle_Ip_L.scale);
        if (panel.motorState != kMotorIdle) s->visible = panel.motorState == kMotorPowering;
    }
    if (auto* s = panel.find(I::Needle_Ib_L)) {
        s->barPixels = barPixels(current, layout.Needle_Ib_L.scale);
        if (panel.motorState != kMotorIdle) s->visible = panel.motorState == kMotorBraking;
    }
    if (auto* s = panel.find(I::Needle_BC_L)) {
        s->barPixels = barPixels(cylinder.toReal(), layout.Needle_BC_L.scale);
    }
    if (auto* s = panel.find(I::Needle_MR_L)) {
        s->barPixels = barPixels(v.MainReservoir.toReal(), layout.Needle_MR_L.scale);
    }
    show(panel, I::Lamp_Power, panel.motorState == kMotorPowering);
    show(panel, I::Lamp_Gen, panel.motorState == kMotorBraking);

    // Digital speed.
    if (auto* s = panel.find(I::Digi_Speed)) {
        const std::int64_t shown = data::roundTiesEven(v.Speed);
        const std::int64_t magnitude = shown < 0 ? -shown : shown;
        if (magnitude < 200) {
            s->visible = true;
            s->cell = static_cast<int>(magnitude);
        }
    }

    // Handle lamps.
    const int n = spec.Brake;
    const bool serviceNotch = -n < v.BrakeHandle && v.BrakeHandle < 0;
    const bool powerNotch = v.PowerHandle > 0;
    show(panel, I::Lamp_Air, serviceNotch);
    const bool doorsPermit = spec.DoorLock == 0 || (spec.DoorLock == 1 && !v.DoorsOpen);
    show(panel, I::Lamp_Ele, doorsPermit && (powerNotch || (serviceNotch && v.EBrakeValue > 0)));
    show(panel, I::Lamp_Const, v.ConstSpeed);
    show(panel, I::Lamp_Fin, lastCurrentStep(spec, v));
    const vehicle::MasconDisplay& d = v.Display;
    show(panel, I::Lamp_Fwd, d.forwardLamp);
    show(panel, I::Lamp_Neut, d.neutralLamp);
    show(panel, I::Lamp_Back, d.reverseLamp);
    setStrip(panel, I::NotchImageP, d.powerFrame, d.powerVisible);
    setStrip(panel, I::NotchImageB, d.brakeFrame, true);
    setStrip(panel, I::NotchImageP2, d.powerFrame2, d.powerVisible2);
    setStrip(panel, I::NotchImageB2, d.brakeFrame2, true);
    setStrip(panel, I::GearImageList, d.gearFrame, true);
    setStrip(panel, I::GearImageList2, d.gearLeverFrame, true);

    // Lamps switched by the sound steps, the doors, the safety system and the route.
    show(panel, I::Lamp_Door, v.DoorsClosedLit);
    show(panel, I::Lamp_EB, state.EbLamp);
    show(panel, I::Lamp_Stop, state.sounds.stopLamp);
    show(panel, I::Lamp_Ats1, lamps.Ats1);
    show(panel, I::Lamp_Ats2, lamps.Ats2);
    show(panel, I::Lamp_Ats3, lamps.Ats3);
    show(panel, I::Lamp_ATSP1, lamps.ATSP1);
    show(panel, I::Lamp_ATSP2, lamps.ATSP2);
    // No stop-assist system is modelled: its lamps stay dark.
    show(panel, I::Lamp_TASC1, false);
    show(panel, I::Lamp_TASC2, false);
    show(panel, I::Lamp_TASC3, false);
    show(panel, I::Lamp_Suppress, r.AlternativeRoute);
    show(panel, I::Panel2, !tunnelOverlayOff && r.InTunnel && r.TunnelLevel != 0);
    updateCabSignal(panel, layout, spec, state);
    updateAspectLamps(panel, state);

    // Analogue clock (the hands are computed with the clock text by the station logic).
    if (panel.clock.shown) {
        const route::StationState& st = state.stations;
        panel.clock.hourDegrees = st.HourHand;
        panel.clock.minuteDegrees = st.MinuteHand;
        panel.clock.secondDegrees = st.SecondHand;
        panel.clock.second = st.ClockTextSecond;
    }
}

}  // namespace tressmoor::sim
