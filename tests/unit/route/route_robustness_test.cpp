// Whatever the line file holds, the route state stays finite and within its tables: lines of
// random and extreme values driven forwards and backwards.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>

#include "route/preceding_train.h"
#include "route/route_update.h"
#include "route/video_position.h"
#include "route_test_world.h"

namespace tressmoor::route {
namespace {

using testing::RouteWorld;

class RouteRobustness : public ::testing::TestWithParam<int> {
protected:
    /// An integer that is often an edge value.
    int any() {
        static constexpr int kEdges[] = {0, 1, -1, 20, 999, 1000, INT_MAX, INT_MIN, INT_MAX - 5};
        if (rnd.uniformInt(4) == 0) return kEdges[rnd.uniformInt(9)];
        return rnd.uniformInt(4000) - 500;
    }
    int frame() { return rnd.uniformInt(6) == 0 ? any() : rnd.uniformInt(4000); }

    void buildLine() {
        data::LineData& l = w.line;
        const int segments = 1 + rnd.uniformInt(5);
        int at = 0;
        for (int k = 0; k < segments; ++k) {
            const int len = rnd.uniformInt(3) == 0 ? 0 : 1 + rnd.uniformInt(1500);
            w.segment(at, at + len, rnd.uniformInt(3) * 40, rnd.uniformInt(3) * 40);
            at += len;
        }
        for (int i = 0; i < 4; ++i) {
            data::StationRecord& s = w.station("s", frame(), frame());
            s.MaxSpeed = any();
            s.ZoneHalfLength = any();
        }
        l.Speed_Signal.assign(static_cast<std::size_t>(rnd.uniformInt(12)), 50);
        for (int i = 0; i < 8; ++i) {
            char digits[11];
            for (int d = 0; d < 10; ++d) digits[d] = static_cast<char>('0' + rnd.uniformInt(10));
            digits[10] = 0;
            data::SignalRecord& s = w.signal(frame(), rnd.uniformInt(14) - 2, digits);
            s.ViewFrame = frame();
            s.Control = rnd.uniformInt(5);
            s.FixedAspect = any();
            s.OverrideAspect = rnd.uniformInt(2) ? any() : 0;
            s.ReleaseStation = any();
            s.ClockTime = any();
            s.X = any();
            s.LeftPattern = any();
            s.LeftStopPattern = any();
        }
        for (int i = 0; i < 4; ++i) {
            l.Slope.push_back({data::fixed4::fromInt(any()), frame(), frame()});
            data::SpeedLimitRecord lim{};
            lim.Limit = any();
            lim.SignPattern = any();
            lim.StartFrame = frame();
            lim.EndFrame = frame();
            lim.EndSignPattern = any();
            l.SpeedLimit.push_back(lim);
            l.SpeedCheck1.push_back({any(), any(), frame(), any()});
            l.Cross.push_back({any(), 0, frame(), frame(), any()});
            l.Sign.push_back({any(), frame(), frame(), any()});
            l.Anim.push_back({frame(), frame(), any(), any()});
            l.Time.push_back({frame(), frame(), any()});
            l.Tunnel.push_back({frame(), frame(), any()});
            l.MovieStop.push_back(frame());
            data::TrafficSignalRecord t{};
            t.FirstFrame = frame();
            t.LastFrame = frame();
            for (auto& ph : t.Phase) ph = {any(), rnd.uniformInt(4) - 1, 0};
            t.SecondLight = 1;
            t.SecondPattern = any();
            l.TrafficSignal.push_back(t);
            data::MovieSwitchRecord m;
            m.Kind = rnd.uniformInt(3);
            m.FirstFrame = frame();
            m.LastFrame = frame();
            m.ClipLength = any();
            m.Station = any();
            m.StartTime = any();
            m.SoundFrame = any();
            m.Sound = any();
            l.MovieSwitch.push_back(m);
            data::PreTrainStep p;
            p.Station = any();
            p.Speed = any();
            p.DepartureTime = any();
            l.Pre_Train.Steps.push_back(p);
        }
        l.Pre_Train.StartFrame = frame();
        l.Pre_Train.ExitFrame = frame();
        l.Perspective.P = any();
        l.Perspective.H = any();
        w.spec.Cars = any() % 20;
        w.spec.Length = any();
        w.spec.ATS_Type = rnd.uniformInt(3);
        w.spec.Sound_Atc = any();
        w.settings.ViewHeight = any();
        w.sounds.drive.resize(3);
        w.sounds.ambient.resize(5);
        w.derive();
        // Extreme distances too.
        w.line.Tunnel[0].FirstDistance = 0;
        w.line.Tunnel[0].LastDistance = INT64_MAX;
    }

    data::SeededRandom rnd{static_cast<std::uint64_t>(GetParam())};
    RouteWorld w;
};

TEST_P(RouteRobustness, StateStaysFiniteAndWithinItsTables) {
    buildLine();
    InitRouteState(w.ctx);
    openMainVideo(w.ctx);
    startVideo(w.ctx);
    const int highest = std::max(0, static_cast<int>(w.line.Speed_Signal.size()) - 1);
    for (int i = 0; i < 1500; ++i) {
        const int pick = rnd.uniformInt(10);
        const long double speed = pick == 0 ? 1e7L : (pick == 1 ? -300 : rnd.uniformInt(250) - 20);
        w.vehicle.Speed = speed;
        w.frame.dtMs = rnd.uniformInt(5) == 0 ? 1000 : 1 + rnd.uniformInt(30);
        w.route.Clock = rnd.uniformInt(3) == 0 ? any() : w.route.Clock;
        if (rnd.uniformInt(50) == 0) w.route.RoutePosition = any() / 2;
        if (rnd.uniformInt(200) == 0) toggleAlternativeRoute(w.ctx);
        advanceVideo(w.ctx);
        MotionStep(w.ctx);
        UpdatePrecedingTrain(w.ctx, w.frame.dtMs);
        UpdateRoute(w.ctx);
        updateClips(w.ctx);
        placeStopLines(w.ctx, any(), any(), false);
        placeRemainIndicator(w.ctx, any());
        ASSERT_TRUE(std::isfinite(static_cast<double>(w.route.LineDistance)));
        ASSERT_TRUE(std::isfinite(static_cast<double>(w.video.ProjectedSpeed)));
        ASSERT_GT(w.video.ProjectedSpeed, 0);
        for (int a : w.route.Aspect) ASSERT_TRUE(a >= 0 && a <= highest);
        ASSERT_GE(w.route.PendingAspectCount, 0);
        ASSERT_LE(w.route.PendingAspectCount, kPendingAspectSlots);
    }
}

INSTANTIATE_TEST_SUITE_P(Seeds, RouteRobustness, ::testing::Range(1, 25));

}  // namespace
}  // namespace tressmoor::route
