#include "sim/panel_state.h"

#include <algorithm>

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
        if (!l.file.empty()) add(item, PanelSpriteKind::Image, name, l.file, l.x, l.y, order, visible);
    }
    void needle(PanelItem item, const char* name, const data::Meter& m, int order) {
        if (!m.file.empty()) add(item, PanelSpriteKind::Needle, name, m.file, m.x, m.y, order, true);
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

}  // namespace

PanelState BuildPanelState(const data::PanelLayout& l, const data::TrainSpec& spec) {
    PanelState panel;
    Builder b{panel};
    using I = PanelItem;
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
    // The cab aspect lamps are drawn with the safety-system lamps they belong to.
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
    for (const auto& other : l.Others) b.lamp(I::Other, "img_other", other, 0, true);
    b.strip(I::Lamp_signal, "img_cabsignal", l.Lamp_signal, 30);
    b.strip(I::NotchImageP, "img_lamp_p", l.NotchImageP, 41);
    b.strip(I::NotchImageB, "img_lamp_b", l.NotchImageB, 33);
    b.strip(I::NotchImageP2, "img_lamp_p2", l.NotchImageP2, 41);
    b.strip(I::NotchImageB2, "img_lamp_b2", l.NotchImageB2, 33);
    b.strip(I::GearImageList, "img_lamp_gear", l.GearImageList, 40);
    b.strip(I::GearImageList2, "img_gearlever", l.GearImageList2, 40);
    b.strip(I::Digi_Speed, "img_digi_speed", l.Digi_Speed, 37);

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
    return panel;
}

void UpdatePanelState(PanelState& panel, const data::PanelLayout&, const data::TrainSpec&,
                      const SimState& state, bool) {
    panel.shake = state.PanelShake;
}

}  // namespace tressmoor::sim
