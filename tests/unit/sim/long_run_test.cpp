// The invariant checker and the random driver of long unattended runs, on the test line.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "session_fixture.h"
#include "sim/invariants.h"
#include "sim/panel_state.h"
#include "sim/random_driver.h"

namespace tressmoor::sim {
namespace {

using data::fixed4;

class InvariantTest : public SessionFixture {
protected:
    std::vector<std::string> broken(const PanelState* panel = nullptr) const {
        InvariantChecker checker(InvariantLimits::of(session_->service(), 16.667L, 0));
        std::vector<std::string> out;
        for (const auto& v : checker.check(42, session_->state(), panel, &mixer_)) {
            out.push_back(v.message());
        }
        return out;
    }
    SimState& state() { return session_->mutableState(); }
};

TEST_F(InvariantTest, LimitsComeFromTheTrainTheLineAndTheVideo) {
    // Test train: cut-out 880 kPa, top speed 110 km/h; test line: frames 0 … 4000, 3 stations.
    const auto l = InvariantLimits::of(session_->service(), 30, 0);
    EXPECT_EQ(l.maxPressure, 880 + 30.0L / 300);
    EXPECT_EQ(l.maxSpeed, 165);
    EXPECT_EQ(l.lastFrame, 4000);
    EXPECT_EQ(l.stationCount, 3);
    EXPECT_EQ(InvariantLimits::of(session_->service(), 30, 2500).lastFrame, 2499);
    EXPECT_EQ(InvariantLimits::of(session_->service(), 30, std::numeric_limits<int>::max())
                  .lastFrame,
              4000);
}

TEST_F(InvariantTest, AStartedAndDrivenRunHoldsEveryInvariant) {
    const auto& train = session_->service().train;
    PanelState panel = BuildPanelState(train.panel, train.spec);
    frames(30);
    session_->keyPress('5');
    for (int i = 0; i < 3; ++i) session_->keyPress('8');
    for (int i = 0; i < 600; ++i) {
        session_->beginFrame(16.667L, 60);
        UpdatePanelState(panel, train.panel, train.spec, session_->state(), false);
        session_->endFrame();
    }
    EXPECT_GT(v().Speed, 10);
    EXPECT_EQ(broken(&panel), std::vector<std::string>{});
}

TEST_F(InvariantTest, RangesHoldAtTheirEndsAndBreakJustPastThem) {
    const long double top = 880 + 16.667L / 300;
    state().vehicle.CylinderM = fixed4::fromRaw(static_cast<std::int64_t>(top * 10000));
    state().vehicle.Speed = -165;
    state().route.RoutePosition = 4000;
    state().stations.NextStop = 2;
    EXPECT_EQ(broken(), std::vector<std::string>{});

    state().vehicle.CylinderM = fixed4::fromRaw(8810000);
    state().vehicle.CylinderT = fixed4::fromRaw(-1);
    state().vehicle.Speed = 165.5L;
    state().route.RoutePosition = 4001;
    state().stations.NextStop = 3;
    state().stations.CurrentStation = -1;
    EXPECT_EQ(broken(), (std::vector<std::string>{
                            "frame 42: vehicle.Speed = 165.5, allowed -165 … 165 km/h",
                            "frame 42: vehicle.CylinderM = 881, allowed 0 … 880.056 kPa",
                            "frame 42: vehicle.CylinderT = -0.0001, allowed 0 … 880.056 kPa",
                            "frame 42: route.RoutePosition = 4001, allowed 0 … 4000",
                            "frame 42: stations.CurrentStation = -1, allowed 0 … 2",
                            "frame 42: stations.NextStop = 3, allowed 0 … 2",
                        }));
}

TEST_F(InvariantTest, NotANumberAndInfinityAreCaughtWhereverTheyAppear) {
    const long double nan = std::numeric_limits<long double>::quiet_NaN();
    const long double inf = std::numeric_limits<long double>::infinity();
    state().vehicle.BrakePipe = nan;
    state().vehicle.NetAccel = -inf;
    state().route.LineDistance = inf;
    state().video.FrameAccumulator = nan;
    state().stations.SecondHand = static_cast<double>(nan);
    PanelState panel;
    PanelSprite needle;
    needle.kind = PanelSpriteKind::Needle;
    needle.name = "img_Needle_speed";
    needle.angle = nan;
    PanelSprite picture = needle;  // not a needle: its angle means nothing
    picture.kind = PanelSpriteKind::Image;
    picture.name = "img_panel";
    panel.sprites = {needle, picture};
    EXPECT_EQ(broken(&panel), (std::vector<std::string>{
                                  "frame 42: vehicle.BrakePipe = nan, allowed finite",
                                  "frame 42: vehicle.NetAccel = -inf, allowed finite",
                                  "frame 42: route.LineDistance = inf, allowed finite",
                                  "frame 42: video.FrameAccumulator = nan, allowed finite",
                                  "frame 42: stations.SecondHand = nan, allowed finite",
                                  "frame 42: panel.img_Needle_speed = nan, allowed finite",
                              }));
}

/// What a drive looked like, frame by frame, for comparing two drives.
struct DriveRecord {
    std::vector<long double> distance;
    std::vector<int> handles;
    std::int64_t actions = 0;
    std::vector<std::string> violations;
    int stationsPassed = 0;
};

class RandomDriverTest : public SessionFixture {
protected:
    DriveRecord driveFor(std::uint64_t seed, int frameCount) {
        open(std::string(TRESSMOOR_FIXTURES_DIR) + "/drive");
        RandomDriver driver(seed);
        InvariantChecker checker(InvariantLimits::of(session_->service(), 16.667L, 0));
        DriveRecord r;
        int lastStation = session_->state().stations.CurrentStation;
        for (int f = 0; f < frameCount && r.violations.empty(); ++f) {
            const HeldKeys held = driver.beforeFrame(*session_, f * 0.016667);
            session_->setHeldKeys(held.horn1, held.horn2, held.safety);
            session_->beginFrame(16.667L, 60);
            session_->endFrame();
            r.distance.push_back(session_->state().route.LineDistance);
            r.handles.push_back(v().PowerHandle * 100 + v().BrakeHandle);
            if (session_->state().stations.CurrentStation > lastStation) ++r.stationsPassed;
            lastStation = session_->state().stations.CurrentStation;
            for (const auto& v : checker.check(f, session_->state(), nullptr, &mixer_)) {
                r.violations.push_back(v.message());
            }
        }
        r.actions = driver.actions();
        return r;
    }
};

TEST_F(RandomDriverTest, TheSameSeedDrivesTheSameWayAndAnotherSeedNot) {
    const DriveRecord a = driveFor(11, 6000);
    const DriveRecord b = driveFor(11, 6000);
    const DriveRecord c = driveFor(12, 6000);
    EXPECT_EQ(a.distance, b.distance);
    EXPECT_EQ(a.handles, b.handles);
    EXPECT_EQ(a.actions, b.actions);
    EXPECT_NE(a.handles, c.handles);
}

TEST_F(RandomDriverTest, DrivesAlongTheLineFromStationToStationKeepingEveryInvariant) {
    // Twenty simulated minutes on the short test line: the driver reaches the stations, and
    // the service's end is no end of the drive.
    const DriveRecord r = driveFor(3, 72000);
    EXPECT_EQ(r.violations, std::vector<std::string>{});
    EXPECT_GT(r.actions, 500);
    EXPECT_GE(r.stationsPassed, 2);
    long double furthest = 0;
    for (long double d : r.distance) furthest = std::max(furthest, d);
    EXPECT_GT(furthest, 100000);  // cm: beyond the first kilometre
}

}  // namespace
}  // namespace tressmoor::sim
