// The autopilot's braking curve, brake model and notch choices, and a whole drive of the test
// line by the autopilot.
#include "sim/autopilot.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "session_fixture.h"

namespace tressmoor::sim {
namespace {

using namespace autopilot;

TEST(AutopilotCurve, CurveSpeedAndRequiredDecelAreInverse) {
    // 10 km/h at 200 m with 3.5 km/h/s: √(100 + 7.2 × 3.5 × 200).
    EXPECT_DOUBLE_EQ(CurveSpeed(10, 200, 3.5), std::sqrt(5140.0));
    // A stop 100 m ahead from 72 km/h needs 72² ÷ 720 = 7.2 km/h/s.
    EXPECT_DOUBLE_EQ(RequiredDecel(72, 0, 100), 7.2);
    const double cases[][3] = {{0, 35, 1.1}, {25, 180, 2.4}, {55, 412, 3.7}, {5, 9, 0.6}};
    for (const auto& c : cases) {
        const double v = CurveSpeed(c[0], c[1], c[2]);
        EXPECT_NEAR(RequiredDecel(v, c[0], c[1]), c[2], 1e-12) << c[0] << ' ' << c[1];
    }
    // No distance left: the target speed itself, and any speed above it needs more than any
    // brake has. Already slow enough (either direction of travel): nothing needed.
    EXPECT_EQ(CurveSpeed(40, 0, 2.5), 40);
    EXPECT_EQ(CurveSpeed(-3, -5, 2.5), 0);
    EXPECT_EQ(RequiredDecel(40.1, 40, 0), std::numeric_limits<double>::infinity());
    EXPECT_EQ(RequiredDecel(39.9, 40, 10), 0);
    EXPECT_DOUBLE_EQ(RequiredDecel(-30, 0, 50), 900.0 / 360);
}

TEST(AutopilotCurve, ShoeFrictionFollowsTheTrainsLaw) {
    data::TrainSpec spec;
    spec.AirBrakeRate.rate = data::fixed4::fromInt(5);
    spec.AirBrakeRate.refSpeed = data::fixed4::fromInt(80);
    spec.BrakeRate2 = 0.012L;
    EXPECT_DOUBLE_EQ(ShoeFriction(spec, 80), 1);
    EXPECT_DOUBLE_EQ(ShoeFriction(spec, 95), 1);
    EXPECT_DOUBLE_EQ(ShoeFriction(spec, 0), 1);
    // 20 km/h: (1.2 ÷ 1.24) ÷ (1.8 ÷ 1.96).
    EXPECT_NEAR(ShoeFriction(spec, 20), (1.2 / 1.24) / (1.8 / 1.96), 1e-12);
    EXPECT_NEAR(ShoeFriction(spec, -20), ShoeFriction(spec, 20), 1e-12);
    EXPECT_GT(ShoeFriction(spec, 5), ShoeFriction(spec, 20));
}

data::TrainSpec brakeSpec(int brakeType, std::vector<double> planned) {
    data::TrainSpec spec;
    spec.BrakeType = brakeType;
    spec.Brake = static_cast<int>(planned.size());  // released … last service, + emergency
    spec.AirBrakeRate.rate = data::fixed4::fromReal(4.5);
    spec.BrakeDelay = 450;
    spec.BrakeUp = 200;
    for (double r : planned) spec.PlannedBrakeRate.push_back(data::fixed4::fromReal(r));
    return spec;
}

TEST(AutopilotBrakeModel, PlannedRatesWithDerivedGapsAndTheLag) {
    // Steps 1 … 5; step 3 has no planned rate and takes its share of full-service pressure.
    auto spec = brakeSpec(1, {0, 0.7, 1.3, 0, 2.9, 3.4});
    vehicle::TrainLoad load;
    load.PS = 400;
    load.PE = 500;
    const auto m = MakeBrakeModel(spec, load);
    ASSERT_EQ(m.steps(), 5);
    EXPECT_FALSE(m.automatic);
    EXPECT_DOUBLE_EQ(m.rate[1], 0.7);
    EXPECT_DOUBLE_EQ(m.rate[2], 1.3);
    EXPECT_DOUBLE_EQ(m.rate[3], 4.5 * (400.0 * 3 / 5) / 500);
    EXPECT_DOUBLE_EQ(m.rate[5], 3.4);
    EXPECT_DOUBLE_EQ(m.lagSeconds, 0.45 + 0.5 * 400 / 200);
    EXPECT_DOUBLE_EQ(m.planDecel(), 3.4 * 0.62);

    // The automatic brake's valve positions all come from the pressure they lead to.
    auto air = brakeSpec(0, {0, 1, 2, 3});
    load.PS = 340;
    load.PE = 420;
    const auto a = MakeBrakeModel(air, load);
    ASSERT_EQ(a.steps(), 3);
    EXPECT_TRUE(a.automatic);
    EXPECT_DOUBLE_EQ(a.rate[3], 4.5 * 340.0 / 420);
    EXPECT_DOUBLE_EQ(a.rate[1], 4.5 * (340.0 / 3) / 420);
    EXPECT_GT(a.lagSeconds, m.lagSeconds);
}

BrakeModel fiveSteps() {
    BrakeModel m;
    m.rate = {0, 0.5, 1.1, 1.8, 2.6, 3.2};
    return m;
}

TEST(AutopilotBrakeStep, TheLeastStepThatDoesItWithTheGradient) {
    const auto m = fiveSteps();
    EXPECT_EQ(ChooseBrakeStep(m, 1.0, 0, 1, 0, 0), 2);   // 1.1 ≥ 1.05
    EXPECT_EQ(ChooseBrakeStep(m, 1.06, 0, 1, 0, 0), 3);  // 1.1 < 1.11
    EXPECT_EQ(ChooseBrakeStep(m, 0, 0, 1, 0, 0), 1);     // braking at all: step 1
    // Uphill the gradient helps; downhill it takes away.
    EXPECT_EQ(ChooseBrakeStep(m, 1.3, 0.3, 1, 0, 0), 2);
    EXPECT_EQ(ChooseBrakeStep(m, 1.3, -0.5, 1, 0, 0), 4);
    // A brake found weaker than planned needs a higher step; beyond full service: full service.
    EXPECT_EQ(ChooseBrakeStep(m, 1.0, 0, 0.5, 0, 0), 4);
    EXPECT_EQ(ChooseBrakeStep(m, 9, 0, 1, 2, 0), 5);
}

TEST(AutopilotBrakeStep, StepsUpAtOnceAndDownSlowly) {
    const auto m = fiveSteps();
    // Short: up at once, however briefly the step was held.
    EXPECT_EQ(ChooseBrakeStep(m, 2.0, 0, 1, 2, 0.01), 4);
    // Too strong: held for a second before one step down, and only with room to spare.
    EXPECT_EQ(ChooseBrakeStep(m, 1.0, 0, 1, 4, 0.99), 4);
    EXPECT_EQ(ChooseBrakeStep(m, 1.0, 0, 1, 4, 1.0), 3);
    EXPECT_EQ(ChooseBrakeStep(m, 1.54, 0, 1, 3, 5), 3);  // 1.1 < 1.54 + 0.25: stays
    EXPECT_EQ(ChooseBrakeStep(m, 0.85, 0, 1, 3, 5), 2);  // 1.1 ≥ 0.85 + 0.25
    EXPECT_EQ(ChooseBrakeStep(m, 0.0, 0, 1, 1, 5), 1);   // never below step 1 while braking
}

TEST(AutopilotPower, FullPowerBelowTheBandOffNearTheCeiling) {
    // Ceiling 60: full power below 54, off from 58, the notch kept in between.
    EXPECT_EQ(ChoosePower(40, 60, 0, 5, 10), 5);
    EXPECT_EQ(ChoosePower(55, 60, 0, 5, 10), 0);
    EXPECT_EQ(ChoosePower(55, 60, 5, 5, 0), 5);
    EXPECT_EQ(ChoosePower(58, 60, 5, 5, 0), 0);
    EXPECT_EQ(ChoosePower(57.9, 60, 3, 4, 0), 3);
    // Right after power was cut it stays off a while, even well below the ceiling.
    EXPECT_EQ(ChoosePower(40, 60, 0, 5, 2.9), 0);
    EXPECT_EQ(ChoosePower(40, 60, 0, 5, 3.0), 5);
    EXPECT_EQ(ChoosePower(10, 12, 0, 4, 100, 6, 2, 3), 0);
}

// The test line: three stations 900 m apart, two-man operation.
class AutopilotDrive : public SessionFixture {};

TEST_F(AutopilotDrive, DrivesTheTestLineToItsEndStoppingAtEveryMarker) {
    std::vector<std::string> lines;
    Autopilot pilot(*session_);
    pilot.event = [&](std::string_view text) { lines.emplace_back(text); };
    const auto& stations = session_->service().line.Station;
    bool tripped = false;
    int frame = 0;
    for (; frame < 60 * 60 * 20 && !session_->serviceEnded(); ++frame) {
        pilot.beforeFrame(*session_, 16.667);
        session_->beginFrame(16.667L, 60);
        session_->endFrame();
        tripped |= v().EmergencyTrip || v().VigilanceTrip || v().ServiceTrip;
    }
    ASSERT_TRUE(session_->serviceEnded()) << "after " << frame << " frames";
    EXPECT_FALSE(tripped);
    std::vector<std::string> stops;
    for (const auto& l : lines) {
        if (l.starts_with("autopilot stop ")) stops.push_back(l);
    }
    ASSERT_EQ(stops.size(), 2u);
    for (std::size_t i = 0; i < stops.size(); ++i) {
        EXPECT_TRUE(stops[i].starts_with("autopilot stop " + std::to_string(i + 1) + " at "))
            << stops[i];
        const double at = std::stod(stops[i].substr(stops[i].find(" at ") + 4));
        EXPECT_LT(std::fabs(at) * 100, stations[i + 1].ZoneHalfLength) << stops[i];
        EXPECT_LT(std::fabs(at), 2.0) << stops[i];
    }
    // It left the middle station at its time, not before: the doors had closed.
    bool departed = false;
    for (const auto& l : lines) departed |= l.starts_with("autopilot departure 1 (");
    EXPECT_TRUE(departed);
}

// The test line with its first signal held at stop for good: the autopilot stops short of the
// signal's check point and waits there, with the bell-family and with the pattern safety system.
TEST_F(AutopilotDrive, WaitsShortOfASignalAtStop) {
    for (const char* train : {"train_drive.dat", "train_pattern.dat"}) {
        ServiceChoice choice;
        choice.LineFile = "line_red.dat";
        choice.TrainFile = train;
        session_.reset();
        session_ = DrivingSession::create(std::string(TRESSMOOR_FIXTURES_DIR) + "/drive", choice,
                                          {mixer_, video_, store_, random_}, {});
        Autopilot pilot(*session_);
        std::vector<std::string> lines;
        pilot.event = [&](std::string_view text) { lines.emplace_back(text); };
        const auto& red = session_->service().line.Signal[0];
        bool tripped = false;
        double top = 0;
        for (int frame = 0; frame < 60 * 150; ++frame) {
            pilot.beforeFrame(*session_, 16.667);
            session_->beginFrame(16.667L, 60);
            session_->endFrame();
            tripped |= v().EmergencyTrip || v().VigilanceTrip || v().ServiceTrip;
            top = std::max(top, static_cast<double>(v().Speed));
        }
        EXPECT_FALSE(tripped) << train;
        EXPECT_GT(top, 20) << train;  // it did set off toward the signal
        EXPECT_EQ(v().Speed, 0) << train;
        EXPECT_LT(session_->state().route.RoutePosition, red.CheckFrame) << train;
        EXPECT_GT(session_->state().route.RoutePosition, red.ViewFrame) << train;
        for (const auto& l : lines) EXPECT_FALSE(l.starts_with("autopilot stop")) << l;
    }
}

}  // namespace
}  // namespace tressmoor::sim
