// The cab panel's per-frame state: sprites built from the train file, needles, bars, strips,
// lamps, the clock and the shake, from the state of the frame.
#include "sim/panel_state.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <new>
#include <string>

#include "data/rounding.h"
#include "route/stations.h"
#include "sim/sim_state.h"

namespace tressmoor::sim::test {
std::size_t gPanelAllocations = 0;
}  // namespace tressmoor::sim::test

void* operator new(std::size_t size) {
    ++tressmoor::sim::test::gPanelAllocations;
    if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
    throw std::bad_alloc();
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    ++tressmoor::sim::test::gPanelAllocations;
    return std::malloc(size == 0 ? 1 : size);
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
    std::free(p);
}

namespace tressmoor::sim::test {
namespace {

constexpr long double k = kNeedleUnitsPerDegree;
constexpr long double kTol = 1e-9L;

data::Lamp lamp(const char* file, int x, int y) {
    return data::Lamp{file, x, y};
}

template <typename M>
M meter(const char* file, int x, int y, int zero, long double scale) {
    M m;
    m.file = file;
    m.x = x;
    m.y = y;
    m.width = 100;
    m.height = 100;
    m.zero = zero;
    m.scale = scale;
    return m;
}

data::LinearMeter bar(const char* file, int x, int y, long double scale) {
    data::LinearMeter m;
    m.file = file;
    m.x = x;
    m.y = y;
    m.scale = scale;
    return m;
}

template <typename S>
S strip(const char* file, int x, int y, int w, int h) {
    S s;
    s.file = file;
    s.x = x;
    s.y = y;
    s.patternWidth = w;
    s.patternHeight = h;
    return s;
}

/// A panel with every item, each needle with its own zero and scale so that a swapped input
/// shows.
data::PanelLayout fullLayout() {
    data::PanelLayout l;
    l.Clock = {740, 735, 20};
    l.Panel = lamp("panel.png", 0, 600);
    l.Panel2 = lamp("tunnel.png", 1, 601);
    l.Lamp_Door = lamp("door.png", 10, 610);
    l.Lamp_Power = lamp("power.png", 11, 611);
    l.Lamp_EB = lamp("eb.png", 12, 612);
    l.Lamp_Gen = lamp("gen.png", 13, 613);
    l.Lamp_Air = lamp("air.png", 14, 614);
    l.Lamp_Fin = lamp("fin.png", 15, 615);
    l.Lamp_Ele = lamp("ele.png", 16, 616);
    l.Lamp_Ats1 = lamp("ats1.png", 17, 617);
    l.Lamp_Ats2 = lamp("ats2.png", 18, 618);
    l.Lamp_Ats3 = lamp("ats3.png", 19, 619);
    l.Lamp_TASC1 = lamp("tasc1.png", 20, 620);
    l.Lamp_TASC2 = lamp("tasc2.png", 21, 621);
    l.Lamp_TASC3 = lamp("tasc3.png", 22, 622);
    l.Lamp_ATSP1 = lamp("atsp1.png", 23, 623);
    l.Lamp_ATSP2 = lamp("atsp2.png", 24, 624);
    l.Lamp_G = lamp("g.png", 25, 625);
    l.Lamp_YG = lamp("yg.png", 26, 626);
    l.Lamp_Y = lamp("y.png", 27, 627);
    l.Lamp_YY = lamp("yy.png", 28, 628);
    l.Lamp_R = lamp("r.png", 29, 629);
    l.Lamp_Fwd = lamp("fwd.png", 30, 630);
    l.Lamp_Neut = lamp("neut.png", 31, 631);
    l.Lamp_Back = lamp("back.png", 32, 632);
    l.Lamp_Const = lamp("const.png", 33, 633);
    l.Lamp_Stop = lamp("stop.png", 34, 634);
    l.Needle_Brake = meter<data::Meter>("n_brake.png", 40, 640, -120, -30);
    l.Needle_Speed = meter<data::SpeedMeter>("n_speed.png", 41, 641, -135, 1.5L);
    l.Needle_Speed.secondScale = 2.0L;
    l.Needle_BC = meter<data::Meter>("n_bc.png", 42, 642, -130, 0.27L);
    l.Needle_BC_L = bar("b_bc.png", 43, 643, 0.3L);
    l.Needle_Ip_L = bar("b_ip.png", 44, 644, 0.36L);
    l.Needle_Ib_L = bar("b_ib.png", 45, 645, 0.5L);
    l.Needle_SAP = meter<data::Meter>("n_sap.png", 46, 646, -125, 0.25L);
    l.Needle_ER = meter<data::Meter>("n_er.png", 47, 647, -110, 0.3L);
    l.Needle_BP = meter<data::Meter>("n_bp.png", 48, 648, -100, 0.35L);
    l.Needle_MR = meter<data::Meter>("n_mr.png", 49, 649, -115, 0.2L);
    l.Needle_MR_L = bar("b_mr.png", 50, 650, 0.18L);
    l.Needle_V = meter<data::Meter>("n_v.png", 51, 651, -140, 0.135L);
    l.Needle_I = meter<data::CurrentMeter>("n_i.png", 52, 652, -5, 0.4L);
    l.Lamp_signal = strip<data::CabSignalStrip>("cab.png", 60, 660, 70, 30);
    l.Lamp_signal.cells = {0, 25, 45, 55, 65, 75, 95};
    l.NotchImageP = strip<data::ImageStrip>("notch_p.png", 61, 661, 95, 26);
    l.NotchImageB = strip<data::ImageStrip>("notch_b.png", 62, 662, 135, 26);
    l.NotchImageP2 = strip<data::ImageStrip>("notch_p2.png", 63, 663, 96, 27);
    l.NotchImageB2 = strip<data::ImageStrip>("notch_b2.png", 64, 664, 136, 27);
    l.GearImageList = strip<data::ImageStrip>("gear.png", 65, 665, 90, 30);
    l.GearImageList2 = strip<data::ImageStrip>("lever.png", 66, 666, 90, 70);
    l.Digi_Speed = strip<data::ImageStrip>("digits.png", 67, 667, 80, 34);
    l.Others = {lamp("plate1.png", 70, 670), lamp("plate2.png", 71, 671)};
    return l;
}

data::TrainSpec fullSpec() {
    data::TrainSpec spec;
    spec.Brake = 8;
    spec.DoorLock = 1;
    spec.Mc = 1;
    spec.ATS_Type = 0;
    spec.Signal_Suppress.file = "suppress.png";
    spec.Signal_Suppress.x = 80;
    spec.Signal_Suppress.y = 680;
    // Rows 0–5 with notches 1, 1, 2, 2, 2, 3.
    for (const int notch : {1, 1, 2, 2, 2, 3}) {
        data::CurrentPRow row;
        row.notch = notch;
        spec.CurrentP.push_back(row);
    }
    return spec;
}

class PanelTest : public ::testing::Test {
protected:
    PanelTest() : panel(BuildPanelState(layout, spec)) {
        state.route.Aspect.assign(5, 0);
        state.vehicle.DoorsOpen = false;
    }

    void update(bool tunnelOverlayOff = false) {
        UpdatePanelState(panel, layout, spec, state, tunnelOverlayOff);
    }
    const PanelSprite& sprite(PanelItem item) const {
        const PanelSprite* s = panel.find(item);
        EXPECT_NE(s, nullptr);
        return *s;
    }
    bool visible(PanelItem item) const { return sprite(item).visible; }
    long double angle(PanelItem item) const { return sprite(item).angle; }
    void rebuild() { panel = BuildPanelState(layout, spec); }

    data::PanelLayout layout = fullLayout();
    data::TrainSpec spec = fullSpec();
    SimState state;
    PanelState panel;
};

// ---------------------------------------------------------------------------------------------
// Building.

TEST_F(PanelTest, BuildsOneSpriteForEveryRecordWithAPicture) {
    // 8 strips, 41 records (the suppress and cab aspect lamps included), 2 others.
    EXPECT_EQ(panel.sprites.size(), 8u + 41u + 2u);
    for (int i = 0; i < kPanelItemCount; ++i) {
        if (static_cast<PanelItem>(i) == PanelItem::Other) continue;
        EXPECT_GE(panel.index[static_cast<std::size_t>(i)], 0) << "item " << i;
    }
    const PanelSprite& speed = sprite(PanelItem::Needle_Speed);
    EXPECT_EQ(speed.name, "img_Needle_speed");
    EXPECT_EQ(speed.kind, PanelSpriteKind::Needle);
    EXPECT_EQ(speed.file, "n_speed.png");
    EXPECT_EQ(speed.x, 41);
    EXPECT_EQ(speed.y, 641);
    EXPECT_EQ(speed.order, 34);
    const PanelSprite& p2 = sprite(PanelItem::NotchImageP2);
    EXPECT_EQ(p2.kind, PanelSpriteKind::Strip);
    EXPECT_EQ(p2.patternWidth, 96);
    EXPECT_EQ(p2.patternHeight, 27);
    EXPECT_EQ(sprite(PanelItem::Needle_Ib_L).kind, PanelSpriteKind::Bar);
    const PanelSprite& suppress = sprite(PanelItem::Lamp_Suppress);
    EXPECT_EQ(suppress.name, "img_Lamp_suppress");
    EXPECT_EQ(suppress.file, "suppress.png");
    EXPECT_EQ(suppress.x, 80);
    EXPECT_EQ(suppress.order, 60);
    EXPECT_EQ(sprite(PanelItem::Lamp_Neut).name, "img_Lamp_Neu");
    EXPECT_EQ(sprite(PanelItem::Lamp_Back).name, "img_Lamp_Bck");
    EXPECT_EQ(sprite(PanelItem::Lamp_Stop).name, "img_Lamp_stopalert");
    EXPECT_EQ(sprite(PanelItem::Lamp_Stop).order, 63);
    EXPECT_EQ(sprite(PanelItem::Lamp_Const).order, 72);
    EXPECT_EQ(sprite(PanelItem::Needle_I).order, 21);
}

TEST_F(PanelTest, SpritesAreInDrawingOrderWithStripsFirstAmongEqualOrders) {
    for (std::size_t i = 1; i < panel.sprites.size(); ++i) {
        EXPECT_LE(panel.sprites[i - 1].order, panel.sprites[i].order);
    }
    const auto at = [&](PanelItem item) { return panel.index[static_cast<std::size_t>(item)]; };
    // Strips are made while the train file is read, before the table's records.
    EXPECT_LT(at(PanelItem::Lamp_signal), at(PanelItem::Lamp_Door));    // both 30
    EXPECT_LT(at(PanelItem::GearImageList), at(PanelItem::Lamp_Fwd));   // both 40
    EXPECT_LT(at(PanelItem::GearImageList2), at(PanelItem::Needle_V));  // both 40
    EXPECT_LT(at(PanelItem::Digi_Speed), at(PanelItem::Needle_BC));     // both 37
    // The table's own order among equal orders.
    EXPECT_LT(at(PanelItem::Needle_Speed), at(PanelItem::Needle_Brake));  // both 34
    EXPECT_LT(at(PanelItem::Lamp_Gen), at(PanelItem::Lamp_Air));          // both 54
    EXPECT_LT(at(PanelItem::Lamp_Fwd), at(PanelItem::Lamp_Neut));         // both 40
    // The background first, the [Others] plates (order 0) over it.
    EXPECT_EQ(panel.sprites[0].item, PanelItem::Panel);
    EXPECT_EQ(panel.sprites[1].item, PanelItem::Other);
    EXPECT_EQ(panel.sprites[1].file, "plate1.png");
    EXPECT_EQ(panel.sprites[2].file, "plate2.png");
    EXPECT_EQ(panel.sprites.back().item, PanelItem::Lamp_Const);
}

TEST_F(PanelTest, StartVisibilityFollowsTheTable) {
    for (const PanelItem shown :
         {PanelItem::Panel, PanelItem::Panel2, PanelItem::Lamp_Door, PanelItem::Lamp_Power,
          PanelItem::Lamp_Gen, PanelItem::Lamp_Air, PanelItem::Lamp_Fin, PanelItem::Lamp_Ele,
          PanelItem::Lamp_Fwd, PanelItem::Lamp_Neut, PanelItem::Needle_Speed,
          PanelItem::Needle_BC_L, PanelItem::Digi_Speed}) {
        EXPECT_TRUE(visible(shown)) << static_cast<int>(shown);
    }
    for (const PanelItem hidden :
         {PanelItem::Lamp_EB, PanelItem::Lamp_Ats1, PanelItem::Lamp_Ats2, PanelItem::Lamp_TASC3,
          PanelItem::Lamp_ATSP2, PanelItem::Lamp_Suppress, PanelItem::Lamp_Back,
          PanelItem::Lamp_Stop, PanelItem::Lamp_Const, PanelItem::Lamp_G, PanelItem::Lamp_R}) {
        EXPECT_FALSE(visible(hidden)) << static_cast<int>(hidden);
    }
}

TEST_F(PanelTest, ItemsWithoutAPictureHaveNoSprite) {
    layout.Panel2.file.clear();
    layout.Needle_BP.file.clear();
    layout.Digi_Speed.file.clear();
    spec.Signal_Suppress.file.clear();
    rebuild();
    EXPECT_EQ(panel.find(PanelItem::Panel2), nullptr);
    EXPECT_EQ(panel.find(PanelItem::Needle_BP), nullptr);
    EXPECT_EQ(panel.find(PanelItem::Digi_Speed), nullptr);
    EXPECT_EQ(panel.find(PanelItem::Lamp_Suppress), nullptr);
    // Every frame step skips them.
    state.vehicle.Speed = 50;
    state.route.InTunnel = true;
    state.route.TunnelLevel = 3;
    update();
    EXPECT_NEAR(angle(PanelItem::Needle_Speed), (50 * 1.5L - 135 + 5) * k, kTol);
}

TEST_F(PanelTest, ClockFaceIsDrawnOnlyWithAPlace) {
    EXPECT_TRUE(panel.clock.shown);
    EXPECT_EQ(panel.clock.x, 740);
    EXPECT_EQ(panel.clock.y, 735);
    EXPECT_EQ(panel.clock.handLength, 20);
    EXPECT_EQ(panel.clock.hourHandLength, 12);
    layout.Clock = {0, 735, 25};
    rebuild();
    EXPECT_FALSE(panel.clock.shown);
    EXPECT_EQ(panel.clock.hourHandLength, 15);
    layout.Clock = {5, 5, 5};  // 0.6 × 5 = 3
    rebuild();
    EXPECT_TRUE(panel.clock.shown);
    EXPECT_EQ(panel.clock.hourHandLength, 3);
}

// ---------------------------------------------------------------------------------------------
// Needles.

TEST_F(PanelTest, SpeedometerUsesItsSecondScaleBelowTenKmh) {
    state.vehicle.Speed = 5;
    update();
    EXPECT_NEAR(angle(PanelItem::Needle_Speed), (5 * 2.0L - 135) * k, kTol);
    state.vehicle.Speed = 20;
    update();
    EXPECT_NEAR(angle(PanelItem::Needle_Speed), (20 * 1.5L - 135 - (1.5L - 2.0L) * 10) * k, kTol);
    EXPECT_NEAR(angle(PanelItem::Needle_Speed), -100 * k, kTol);
    EXPECT_NEAR(angle(PanelItem::Needle_Speed) / k, -100, 1e-9L);
    // The two parts meet at 10 km/h.
    EXPECT_NEAR(SpeedNeedleAngle(layout.Needle_Speed, 9.9999999L),
                SpeedNeedleAngle(layout.Needle_Speed, 10), 1e-5L);
    // Backwards the needle reads the magnitude.
    state.vehicle.Speed = -20;
    update();
    EXPECT_NEAR(angle(PanelItem::Needle_Speed), -100 * k, kTol);
}

TEST_F(PanelTest, SpeedometerWithoutSecondScaleIsLinear) {
    layout.Needle_Speed.secondScale = 0;
    state.vehicle.Speed = 5;
    update();
    EXPECT_NEAR(angle(PanelItem::Needle_Speed), (5 * 1.5L - 135) * k, kTol);
    state.vehicle.Speed = 120;
    update();
    EXPECT_NEAR(angle(PanelItem::Needle_Speed), (120 * 1.5L - 135) * k, kTol);
}

TEST_F(PanelTest, SpeedometerKeepsItsAngleAtOneSixtyAndWhileCreepingBack) {
    state.vehicle.Speed = 100;
    update();
    const long double at100 = angle(PanelItem::Needle_Speed);
    state.vehicle.Speed = 170;
    update();
    EXPECT_EQ(angle(PanelItem::Needle_Speed), at100);
    state.vehicle.Speed = 160;
    update();
    EXPECT_EQ(angle(PanelItem::Needle_Speed), at100);
    state.vehicle.Speed = 159.5L;
    update();
    EXPECT_NEAR(angle(PanelItem::Needle_Speed), (159.5L * 1.5L - 135 + 5) * k, kTol);
    state.vehicle.Speed = 0;
    update();
    const long double atRest = angle(PanelItem::Needle_Speed);
    EXPECT_NEAR(atRest, -135 * k, kTol);
    state.vehicle.Speed = -0.5L;
    update();
    EXPECT_EQ(angle(PanelItem::Needle_Speed), atRest);
    state.vehicle.Speed = -1;
    update();
    EXPECT_NEAR(angle(PanelItem::Needle_Speed), (1 * 2.0L - 135) * k, kTol);
    state.vehicle.Speed = -170;
    update();
    EXPECT_NEAR(angle(PanelItem::Needle_Speed), (1 * 2.0L - 135) * k, kTol);
}

TEST_F(PanelTest, EveryGaugeReadsItsOwnValue) {
    auto& v = state.vehicle;
    v.BrakeCommand = -3;
    v.BrakePipe = 470.5L;
    v.EqualisingReservoir = data::fixed4{4800000};  // 480 kPa
    v.SapPressure = data::fixed4{3000000};          // 300 kPa
    v.MainReservoir = data::fixed4{7805000};        // 780.5 kPa
    state.route.LineVoltage = 1500;
    update();
    EXPECT_NEAR(angle(PanelItem::Needle_Brake), (-3 * -30.0L - 120) * k, kTol);
    EXPECT_NEAR(angle(PanelItem::Needle_BP), (470.5L * 0.35L - 100) * k, kTol);
    EXPECT_NEAR(angle(PanelItem::Needle_ER), (480 * 0.3L - 110) * k, kTol);
    EXPECT_NEAR(angle(PanelItem::Needle_SAP), (300 * 0.25L - 125) * k, kTol);
    EXPECT_NEAR(angle(PanelItem::Needle_MR), (780.5L * 0.2L - 115) * k, kTol);
    EXPECT_NEAR(angle(PanelItem::Needle_V), (1500 * 0.135L - 140) * k, kTol);
    // The voltmeter follows the line voltage.
    state.route.LineVoltage = 0;
    update();
    EXPECT_NEAR(angle(PanelItem::Needle_V), -140 * k, kTol);
}

TEST_F(PanelTest, AmmeterSignSelector) {
    state.vehicle.AmMeter = 250;
    update();
    const long double powering = angle(PanelItem::Needle_I);
    EXPECT_NEAR(powering, (250 * 0.4L - 5) * k, kTol);
    state.vehicle.AmMeter = -250;  // regenerating
    update();
    EXPECT_NEAR(angle(PanelItem::Needle_I), (-250 * 0.4L - 5) * k, kTol);

    layout.Needle_I.sign = 1;
    update();
    EXPECT_NEAR(angle(PanelItem::Needle_I), powering, kTol);

    layout.Needle_I.sign = 2;
    update();
    EXPECT_NEAR(angle(PanelItem::Needle_I), -5 * k, kTol);
    state.vehicle.AmMeter = 250;
    update();
    EXPECT_NEAR(angle(PanelItem::Needle_I), -5 * k, kTol);
}

TEST_F(PanelTest, BrakeCylinderNeedleMovesATenthOfAStepPerFrame) {
    const auto bc = [](long double kpa) {
        return static_cast<long double>(
            data::roundTiesEven((kpa * 10000 * 0.27L + -130 * 10000.0L) * k / 10000));
    };
    const long double from = bc(0);
    const long double to = bc(400);
    EXPECT_EQ(panel.bcRing[0], from);  // the ring starts at the 0 kPa angle
    update();
    EXPECT_NEAR(angle(PanelItem::Needle_BC), from, kTol);

    // [Mc] 1: the motor-car cylinders; the trailer cars hold something else.
    state.vehicle.CylinderM = data::fixed4{4000000};
    state.vehicle.CylinderT = data::fixed4{1000000};
    for (int frame = 1; frame <= 10; ++frame) {
        update();
        EXPECT_NEAR(angle(PanelItem::Needle_BC), from + (to - from) * frame / 10, 1e-9L)
            << "frame " << frame;
    }
    update();
    EXPECT_NEAR(angle(PanelItem::Needle_BC), to, kTol);

    // [Mc] 0: the trailer cars.
    spec.Mc = 0;
    for (int frame = 0; frame < 10; ++frame) update();
    EXPECT_NEAR(angle(PanelItem::Needle_BC), bc(100), kTol);
}

// ---------------------------------------------------------------------------------------------
// Bars, the motor state and the digital speed.

TEST_F(PanelTest, BarsShowTheRoundedValueTimesScale) {
    auto& v = state.vehicle;
    v.AmMeter = 251;
    v.CylinderM = data::fixed4{4000000};  // 400 kPa
    v.CylinderT = data::fixed4{2000000};
    v.MainReservoir = data::fixed4{7800000};  // 780 kPa
    update();
    EXPECT_EQ(sprite(PanelItem::Needle_Ip_L).barPixels, 90);   // 90.36
    EXPECT_EQ(sprite(PanelItem::Needle_Ib_L).barPixels, 126);  // 125.5 → 126 (even)
    EXPECT_EQ(sprite(PanelItem::Needle_BC_L).barPixels, 120);
    EXPECT_EQ(sprite(PanelItem::Needle_MR_L).barPixels, 140);  // 140.4
    // The brake bar reads the regenerative current's magnitude.
    v.AmMeter = -249;
    update();
    EXPECT_EQ(sprite(PanelItem::Needle_Ib_L).barPixels, 124);  // 124.5 → 124 (even)
    // A bar never gets a negative width.
    layout.Needle_MR_L.scale = -0.18L;
    update();
    EXPECT_EQ(sprite(PanelItem::Needle_MR_L).barPixels, 0);
}

TEST_F(PanelTest, MotorStatePicksLampsAndCurrentBars) {
    auto& v = state.vehicle;
    update();
    EXPECT_EQ(panel.motorState, kMotorIdle);
    EXPECT_FALSE(visible(PanelItem::Lamp_Power));
    EXPECT_FALSE(visible(PanelItem::Lamp_Gen));
    EXPECT_TRUE(visible(PanelItem::Needle_Ip_L));  // state 0 keeps both bars as they are
    EXPECT_TRUE(visible(PanelItem::Needle_Ib_L));

    v.Power = 3;
    v.TractionForce = data::fixed4{1200000000};
    v.AmMeter = 300;
    update();
    EXPECT_EQ(panel.motorState, kMotorPowering);
    EXPECT_TRUE(visible(PanelItem::Lamp_Power));
    EXPECT_FALSE(visible(PanelItem::Lamp_Gen));
    EXPECT_TRUE(visible(PanelItem::Needle_Ip_L));
    EXPECT_FALSE(visible(PanelItem::Needle_Ib_L));

    // A notch whose traction is cut (doors, trips, top speed) is not powering.
    v.TractionForce = data::fixed4{};
    update();
    EXPECT_EQ(panel.motorState, kMotorIdle);
    EXPECT_FALSE(visible(PanelItem::Lamp_Power));
    EXPECT_TRUE(visible(PanelItem::Needle_Ip_L));  // kept
    EXPECT_FALSE(visible(PanelItem::Needle_Ib_L));

    v.Power = 0;
    v.EBrakeValue = 180;
    v.AmMeter = -180;
    update();
    EXPECT_EQ(panel.motorState, kMotorBraking);
    EXPECT_FALSE(visible(PanelItem::Lamp_Power));
    EXPECT_TRUE(visible(PanelItem::Lamp_Gen));
    EXPECT_FALSE(visible(PanelItem::Needle_Ip_L));
    EXPECT_TRUE(visible(PanelItem::Needle_Ib_L));

    v.EBrakeValue = 0;
    v.AmMeter = 0;
    update();
    EXPECT_FALSE(visible(PanelItem::Lamp_Gen));
    EXPECT_FALSE(visible(PanelItem::Needle_Ip_L));
    EXPECT_TRUE(visible(PanelItem::Needle_Ib_L));
}

TEST_F(PanelTest, DigitalSpeedShowsTheRoundedSpeedBelowTwoHundred) {
    state.vehicle.Speed = 57.5L;
    update();
    EXPECT_TRUE(visible(PanelItem::Digi_Speed));
    EXPECT_EQ(sprite(PanelItem::Digi_Speed).cell, 58);
    state.vehicle.Speed = 56.5L;  // ties to even
    update();
    EXPECT_EQ(sprite(PanelItem::Digi_Speed).cell, 56);
    state.vehicle.Speed = -12.4L;
    update();
    EXPECT_EQ(sprite(PanelItem::Digi_Speed).cell, 12);
    state.vehicle.Speed = 199.4L;
    update();
    EXPECT_EQ(sprite(PanelItem::Digi_Speed).cell, 199);
    state.vehicle.Speed = 199.5L;  // rounds to 200: the strip keeps its cell
    update();
    EXPECT_EQ(sprite(PanelItem::Digi_Speed).cell, 199);
}

// ---------------------------------------------------------------------------------------------
// Lamps.

TEST_F(PanelTest, AirLampWhileAServiceNotchIsTaken) {
    for (int handle = 0; handle >= -8; --handle) {
        state.vehicle.BrakeHandle = handle;
        update();
        EXPECT_EQ(visible(PanelItem::Lamp_Air), handle < 0 && handle > -8) << handle;
    }
}

TEST_F(PanelTest, ElectricLampFollowsNotchesBrakeForceAndDoorLock) {
    auto& v = state.vehicle;
    v.PowerHandle = 2;
    update();
    EXPECT_TRUE(visible(PanelItem::Lamp_Ele));
    v.DoorsOpen = true;  // [DoorLock] 1: nothing with the doors open
    update();
    EXPECT_FALSE(visible(PanelItem::Lamp_Ele));
    spec.DoorLock = 0;
    update();
    EXPECT_TRUE(visible(PanelItem::Lamp_Ele));
    spec.DoorLock = 2;
    update();
    EXPECT_FALSE(visible(PanelItem::Lamp_Ele));

    spec.DoorLock = 1;
    v.DoorsOpen = false;
    v.PowerHandle = 0;
    v.BrakeHandle = -3;
    update();
    EXPECT_FALSE(visible(PanelItem::Lamp_Ele));  // service notch, no electric brake force
    v.EBrakeValue = 0.5L;
    update();
    EXPECT_TRUE(visible(PanelItem::Lamp_Ele));
    v.BrakeHandle = -8;  // emergency is no service notch
    update();
    EXPECT_FALSE(visible(PanelItem::Lamp_Ele));
    v.BrakeHandle = 0;
    update();
    EXPECT_FALSE(visible(PanelItem::Lamp_Ele));
}

TEST_F(PanelTest, ConstantSpeedLamp) {
    state.vehicle.ConstSpeed = true;
    update();
    EXPECT_TRUE(visible(PanelItem::Lamp_Const));
    state.vehicle.ConstSpeed = false;
    update();
    EXPECT_FALSE(visible(PanelItem::Lamp_Const));
}

TEST_F(PanelTest, FinLampAtTheLastStepOfThePresentNotch) {
    // Rows 0–5 hold notches 1, 1, 2, 2, 2, 3.
    const auto fin = [&](int power, int step) {
        state.vehicle.Power = power;
        state.vehicle.CurrentStep = step;
        update();
        return visible(PanelItem::Lamp_Fin);
    };
    EXPECT_FALSE(fin(1, 0));  // step 0 never
    EXPECT_TRUE(fin(1, 1));   // row 1: notch 1, next row notch 2
    EXPECT_FALSE(fin(2, 1));  // row 1 belongs to notch 1, not 2
    EXPECT_FALSE(fin(2, 2));  // row 2: notch 2, next row notch 2 as well
    EXPECT_FALSE(fin(2, 3));
    EXPECT_TRUE(fin(2, 4));   // row 4: notch 2, next row notch 3
    EXPECT_TRUE(fin(3, 5));   // the last row
    EXPECT_FALSE(fin(3, 6));  // beyond the rows
    EXPECT_FALSE(fin(0, 4));
    spec.CurrentP.clear();
    EXPECT_FALSE(fin(2, 4));
}

TEST_F(PanelTest, OneSecondBlinkFromTheTenthsCounter) {
    // Frames of 2 ticks (1/15 s): lit from tenth 0 to 4, dark from 5 to 9, lit again at 10.
    bool lit = false;
    for (std::int64_t ticks = 0; ticks < 120; ticks += 2) {
        lit = route::OneSecondBlink(ticks, lit);
        const std::int64_t tenths = ticks / 3;
        EXPECT_EQ(lit, tenths % 10 < 5) << "tick " << ticks;
    }
    // Between the switching tenths the lamp stays as it was.
    EXPECT_TRUE(route::OneSecondBlink(3 * 7, true));
    EXPECT_FALSE(route::OneSecondBlink(3 * 7, false));
    EXPECT_TRUE(route::OneSecondBlink(3 * 20 + 2, false));  // tenth 20
    EXPECT_FALSE(route::OneSecondBlink(3 * 15 + 1, true));  // tenth 15
}

TEST_F(PanelTest, LampsSetByTheSoundStepsDoorsAndSafetySystem) {
    state.sounds.stopLamp = true;
    state.EbLamp = true;
    state.vehicle.DoorsClosedLit = true;
    state.safety.Lamps.Ats1 = true;
    state.safety.Lamps.Ats3 = true;
    state.safety.Lamps.ATSP2 = true;
    update();
    EXPECT_TRUE(visible(PanelItem::Lamp_Stop));
    EXPECT_TRUE(visible(PanelItem::Lamp_EB));
    EXPECT_TRUE(visible(PanelItem::Lamp_Door));
    EXPECT_TRUE(visible(PanelItem::Lamp_Ats1));
    EXPECT_FALSE(visible(PanelItem::Lamp_Ats2));
    EXPECT_TRUE(visible(PanelItem::Lamp_Ats3));
    EXPECT_FALSE(visible(PanelItem::Lamp_ATSP1));
    EXPECT_TRUE(visible(PanelItem::Lamp_ATSP2));
    EXPECT_FALSE(visible(PanelItem::Lamp_TASC1));

    state.sounds.stopLamp = false;
    state.EbLamp = false;
    state.vehicle.DoorsClosedLit = false;
    state.safety.Lamps = {};
    state.safety.Lamps.Ats2 = true;
    state.safety.Lamps.ATSP1 = true;
    update();
    EXPECT_FALSE(visible(PanelItem::Lamp_Stop));
    EXPECT_FALSE(visible(PanelItem::Lamp_EB));
    EXPECT_FALSE(visible(PanelItem::Lamp_Door));
    EXPECT_FALSE(visible(PanelItem::Lamp_Ats1));
    EXPECT_TRUE(visible(PanelItem::Lamp_Ats2));
    EXPECT_FALSE(visible(PanelItem::Lamp_Ats3));
    EXPECT_TRUE(visible(PanelItem::Lamp_ATSP1));
    EXPECT_FALSE(visible(PanelItem::Lamp_ATSP2));
}

TEST_F(PanelTest, HandleDisplayDrivesReverserLampsAndStrips) {
    auto& d = state.vehicle.Display;
    d.forwardLamp = false;
    d.neutralLamp = false;
    d.reverseLamp = true;
    d.powerFrame = 3;
    d.powerVisible = false;
    d.brakeFrame = 5;
    d.powerFrame2 = 2;
    d.powerVisible2 = true;
    d.brakeFrame2 = 7;
    d.gearFrame = 4;
    d.gearLeverFrame = 6;
    update();
    EXPECT_FALSE(visible(PanelItem::Lamp_Fwd));
    EXPECT_FALSE(visible(PanelItem::Lamp_Neut));
    EXPECT_TRUE(visible(PanelItem::Lamp_Back));
    EXPECT_EQ(sprite(PanelItem::NotchImageP).cell, 3);
    EXPECT_FALSE(visible(PanelItem::NotchImageP));
    EXPECT_EQ(sprite(PanelItem::NotchImageB).cell, 5);
    EXPECT_EQ(sprite(PanelItem::NotchImageP2).cell, 2);
    EXPECT_TRUE(visible(PanelItem::NotchImageP2));
    EXPECT_EQ(sprite(PanelItem::NotchImageB2).cell, 7);
    EXPECT_EQ(sprite(PanelItem::GearImageList).cell, 4);
    EXPECT_EQ(sprite(PanelItem::GearImageList2).cell, 6);
}

TEST_F(PanelTest, TunnelOverlayInsideATunnelUnlessEffectsAreOff) {
    update();
    EXPECT_FALSE(visible(PanelItem::Panel2));
    state.route.InTunnel = true;
    state.route.TunnelLevel = 100;
    update();
    EXPECT_TRUE(visible(PanelItem::Panel2));
    update(true);
    EXPECT_FALSE(visible(PanelItem::Panel2));
    // A section of value 0 (or its ramp where the value rounds to 0) shows nothing.
    state.route.TunnelLevel = 0;
    update();
    EXPECT_FALSE(visible(PanelItem::Panel2));
}

TEST_F(PanelTest, SuppressLampFollowsTheAlternativeRoute) {
    state.route.AlternativeRoute = true;
    update();
    EXPECT_TRUE(visible(PanelItem::Lamp_Suppress));
    state.route.AlternativeRoute = false;
    update();
    EXPECT_FALSE(visible(PanelItem::Lamp_Suppress));
}

TEST_F(PanelTest, CabIndicatorShowsTheCellOfTheListedSpeed) {
    state.safety.CabIndicatorSpeed = 45;
    update();
    EXPECT_TRUE(visible(PanelItem::Lamp_signal));
    EXPECT_EQ(sprite(PanelItem::Lamp_signal).cell, 2);
    state.safety.CabIndicatorSpeed = 0;
    update();
    EXPECT_TRUE(visible(PanelItem::Lamp_signal));
    EXPECT_EQ(sprite(PanelItem::Lamp_signal).cell, 0);
    state.safety.CabIndicatorSpeed = 30;  // not listed
    update();
    EXPECT_FALSE(visible(PanelItem::Lamp_signal));
    state.safety.CabIndicatorSpeed = -1;
    update();
    EXPECT_FALSE(visible(PanelItem::Lamp_signal));
}

TEST_F(PanelTest, CabSignallingTrainsShowTheRoutesAspectCell) {
    spec.ATS_Type = 2;
    state.safety.CabIndicatorSpeed = 45;  // not used by cab signalling
    state.route.signalSprites.cabSignal.pattern = 4;
    state.route.signalSprites.cabSignal.visible = true;
    update();
    EXPECT_TRUE(visible(PanelItem::Lamp_signal));
    EXPECT_EQ(sprite(PanelItem::Lamp_signal).cell, 4);
    state.route.signalSprites.cabSignal.visible = false;
    update();
    EXPECT_FALSE(visible(PanelItem::Lamp_signal));
}

TEST_F(PanelTest, AspectLampsShowTheSignalInViewAndTheAlarmDarkensTheMiddleOnes) {
    const auto lit = [&] {
        std::string s;
        if (visible(PanelItem::Lamp_R)) s += "R";
        if (visible(PanelItem::Lamp_YY)) s += "YY";
        if (visible(PanelItem::Lamp_Y)) s += "Y";
        if (visible(PanelItem::Lamp_YG)) s += "YG";
        if (visible(PanelItem::Lamp_G)) s += "G";
        return s;
    };
    auto& r = state.route;
    r.CurrentSignal = route::kNone;
    update();
    EXPECT_EQ(lit(), "");
    r.CurrentSignal = 2;
    const char* names[] = {"R", "YY", "Y", "YG", "G"};
    for (int a = 0; a <= 4; ++a) {
        r.Aspect[2] = a;
        update();
        EXPECT_EQ(lit(), names[a]);
    }
    r.Aspect[2] = 3;
    update();
    EXPECT_EQ(lit(), "YG");
    ++state.safety.Lamps.CabAspectHides;  // an alarm starts
    update();
    EXPECT_EQ(lit(), "");
    update();
    EXPECT_EQ(lit(), "");
    r.Aspect[2] = 2;  // the lamps are set again
    update();
    EXPECT_EQ(lit(), "Y");
    ++state.safety.Lamps.CabAspectHides;
    r.Aspect[2] = 0;  // stop and proceed stay lit through an alarm
    update();
    EXPECT_EQ(lit(), "R");
    r.Aspect[2] = 1;
    update();
    EXPECT_EQ(lit(), "YY");
    r.CurrentSignal = route::kNone;  // passed
    update();
    EXPECT_EQ(lit(), "");
}

// ---------------------------------------------------------------------------------------------
// Clock and shake.

TEST_F(PanelTest, ClockHandsForEightFiveAndThreeSeconds) {
    const std::int64_t ticks = (8 * 3600 + 5 * 60 + 3) * 30 + 17;
    route::timecalc(state.stations, ticks);
    update();
    EXPECT_DOUBLE_EQ(panel.clock.secondDegrees, 18.0);
    EXPECT_DOUBLE_EQ(panel.clock.minuteDegrees, 30.3);
    EXPECT_DOUBLE_EQ(panel.clock.hourDegrees, 242.5);
    EXPECT_EQ(panel.clock.second, 8 * 3600 + 5 * 60 + 3);
}

TEST_F(PanelTest, ShakeOfTheFrameBeforeMovesThePicture) {
    state.PanelShake = 2;
    update();
    EXPECT_EQ(panel.shake, 0);
    state.PanelShake = -3;
    update();
    EXPECT_EQ(panel.shake, 2);
    update();
    EXPECT_EQ(panel.shake, -3);
}

// ---------------------------------------------------------------------------------------------
// Cost.

TEST_F(PanelTest, FramesAllocateNothing) {
    route::timecalc(state.stations, 1000);
    update();
    const std::size_t before = gPanelAllocations;
    for (int frame = 0; frame < 200; ++frame) {
        auto& v = state.vehicle;
        v.Speed = frame * 0.9L;
        v.AmMeter = frame % 2 == 0 ? frame : -frame;
        v.EBrakeValue = frame % 2 == 0 ? 0 : frame;
        v.Power = frame % 5;
        v.TractionForce = data::fixed4{frame * 1000};
        v.CylinderM = data::fixed4{frame * 20000};
        v.CurrentStep = frame % 7;
        state.route.CurrentSignal = frame % 3;
        state.route.Aspect[static_cast<std::size_t>(frame % 3)] = frame % 5;
        state.safety.CabIndicatorSpeed = (frame % 8) * 10;
        state.safety.Lamps.CabAspectHides = static_cast<std::uint32_t>(frame / 20);
        state.route.InTunnel = frame % 4 == 0;
        state.route.TunnelLevel = frame % 3;
        update(frame % 9 == 0);
    }
    EXPECT_EQ(gPanelAllocations, before);
}

}  // namespace
}  // namespace tressmoor::sim::test
