// The sample line files agree with their route video and with each other: stops where the camera
// stands, signals in order with their coils and checks inside their windows, realistic gradients.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "data/line_file.h"
#include "data/random_source.h"
#include "data/settings_file.h"
#include "data/train_file.h"

using namespace tressmoor::data;

namespace {

struct Service {
    const char* line;
    const char* train;
};
const Service kServices[] = {{"line_kelvane1.dat", "train_223.dat"},
                             {"line_kelvane2.dat", "train_223.dat"},
                             {"line_kelvane3.dat", "train_223.dat"},
                             {"line_rapid.dat", "train_223.dat"},
                             {"line_exp.dat", "train_683.dat"}};

class SampleLines : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ReadSettingsFile(TRESSMOOR_CONTENT_DIR, settings_);
        for (const Service& s : kServices) {
            SeededRandom random(7);
            lines_.push_back(
                LoadLineFile(TRESSMOOR_CONTENT_DIR, s.line, s.train, settings_.VideoFps, random));
        }
    }

    /// Recording speed of the video at a frame (km/h), from the speed table.
    static double recordingSpeed(const LineData& line, int frame) {
        for (const auto& seg : line.SpeedUnit) {
            if (seg.FirstFrame <= frame && frame <= seg.LastFrame) {
                if (seg.LastFrame == seg.FirstFrame) return static_cast<double>(seg.FirstSpeed);
                return static_cast<double>(seg.FirstSpeed + (seg.LastSpeed - seg.FirstSpeed) *
                                                                (frame - seg.FirstFrame) /
                                                                (seg.LastFrame - seg.FirstFrame));
            }
        }
        return -1;
    }

    static inline AppSettings settings_;
    static inline std::vector<LineData> lines_;
};

TEST_F(SampleLines, AllServicesShareOneVideoAndOneRoute) {
    for (const LineData& line : lines_) {
        EXPECT_EQ(line.DataName, lines_.front().DataName);
        ASSERT_EQ(line.Station.size(), lines_.front().Station.size());
        for (std::size_t i = 0; i < line.Station.size(); ++i) {
            EXPECT_EQ(line.Station[i].StopFrame, lines_.front().Station[i].StopFrame);
            EXPECT_EQ(line.Station[i].Name, lines_.front().Station[i].Name);
        }
        EXPECT_EQ(line.Slope.size(), lines_.front().Slope.size());
    }
}

TEST_F(SampleLines, RouteHasTheIntendedShape) {
    const LineData& line = lines_.front();
    EXPECT_GE(line.Station.size(), 8u);
    EXPECT_LE(line.Station.size(), 10u);
    const double km = static_cast<double>(line.Station.back().StopDistance) / 100000.0;
    EXPECT_GE(km, 10.0);
    EXPECT_LE(km, 14.0);
    EXPECT_EQ(line.Tunnel.size(), 2u);
    EXPECT_GE(line.Cross.size(), 3u);
    double steepest = 0;
    for (const auto& s : line.Slope) steepest = std::max(steepest, std::abs(s.Gradient.toDouble()));
    EXPECT_LE(steepest, 25.0);
    EXPECT_GE(steepest, 20.0);
}

TEST_F(SampleLines, TheCameraStandsStillAtEveryStop) {
    for (const LineData& line : lines_) {
        for (const auto& st : line.Station) {
            EXPECT_EQ(recordingSpeed(line, st.StopFrame), 0.0) << st.Name;
            EXPECT_EQ(recordingSpeed(line, st.StopFrame + 1), 0.0) << st.Name;
        }
        // Start position and the end of the video.
        EXPECT_EQ(line.StartPos, line.Station.front().StopFrame);
        ASSERT_FALSE(line.MovieStop.empty());
        EXPECT_GT(line.MovieStop.front(), line.Station.back().StopFrame);
        // Turning back there puts the train two frames past the stop: the video's last frame.
        EXPECT_EQ(line.MovieStop.front() + 2, line.SpeedUnit.back().LastFrame);
    }
}

TEST_F(SampleLines, EverySoundEntryHasAFrameOnTheVideoWhereItCanPlay) {
    for (const LineData& line : lines_) {
        ASSERT_FALSE(line.MovieStop.empty());
        const int stop = line.MovieStop.front();
        bool bufferStop = false;
        for (const auto& e : line.Sound) {
            // Mode 1 plays strictly between trigger and end; the others from the trigger on.
            const int first = e.Mode == 1 ? e.TriggerFrame + 1 : e.TriggerFrame;
            EXPECT_LE(first, stop) << e.Sound;
            if (e.Mode == 1) {
                EXPECT_LT(first, e.EndFrame) << e.Sound;
            }
            if (e.TriggerFrame > line.Station.back().StopFrame) {
                // The buffer stop: the train standing at the movie stop lies inside its window.
                bufferStop = true;
                EXPECT_LT(e.TriggerFrame, stop);
                EXPECT_GT(e.EndFrame, stop);
            }
        }
        EXPECT_TRUE(bufferStop);
    }
}

TEST_F(SampleLines, SignalsAreInOrderWithCoilsAndChecksInTheirWindows) {
    for (const LineData& line : lines_) {
        ASSERT_EQ(line.Signal.size(), line.Signal2.size());
        ASSERT_GE(line.Signal.size(), 20u);
        int previous = -1;
        bool repeater = false, otherHeads = false;
        for (const auto& s : line.Signal) {
            EXPECT_GT(s.Frame, previous);
            previous = s.Frame;
            EXPECT_LE(s.ViewFrame, s.CoilFrame);
            EXPECT_LT(s.CoilFrame, s.Frame);
            EXPECT_LE(s.ViewFrame, s.CheckFrame);
            EXPECT_LT(s.CheckFrame, s.Frame);
            repeater |= s.HeadType == 0;
            otherHeads |= s.HeadType >= 5;
            // Signals 800 m or less apart: about 300 m of sighting, at most one km between them.
        }
        EXPECT_TRUE(repeater);
        EXPECT_TRUE(otherHeads);
        for (std::size_t i = 1; i < line.Signal.size(); ++i) {
            const double gap = static_cast<double>(line.FrameToDistance(line.Signal[i].Frame) -
                                                   line.FrameToDistance(line.Signal[i - 1].Frame)) /
                               100;
            EXPECT_GT(gap, 150) << "signal " << i;
            EXPECT_LT(gap, 1000) << "signal " << i;
        }
    }
}

TEST_F(SampleLines, StartingSignalsHoldOnlyWhereTheServiceStops) {
    for (const LineData& line : lines_) {
        for (const auto& s : line.Signal) {
            if (s.Control < 3) continue;
            EXPECT_NE(line.Station.at(s.ReleaseStation).Kind, 1)
                << line.LineName << ": a starting signal held at a station the service passes";
        }
    }
}

TEST_F(SampleLines, ServicesDifferAsIntended) {
    const LineData& local2 = lines_[1];
    const LineData& oneMan = lines_[2];
    const LineData& rapid = lines_[3];
    const LineData& exp = lines_[4];
    EXPECT_FALSE(local2.Pre_Train.Steps.empty());
    EXPECT_EQ(oneMan.OneMan.Mode, 1);
    EXPECT_FALSE(oneMan.Announce.Entries.empty());
    EXPECT_EQ(lines_[0].OneMan.Mode, 0);
    const auto passes = [](const LineData& l) {
        return std::count_if(l.Station.begin(), l.Station.end(),
                             [](const auto& s) { return s.Kind == 1; });
    };
    EXPECT_EQ(passes(lines_[0]), 0);
    EXPECT_GT(passes(rapid), 0);
    EXPECT_GT(passes(exp), passes(rapid));
    // The express's limits are guarded by patterns and it has a station clip.
    EXPECT_TRUE(std::all_of(exp.SpeedLimit.begin(), exp.SpeedLimit.end(),
                            [](const auto& r) { return r.TargetType == 1; }));
    EXPECT_FALSE(exp.MovieSwitch.empty());
    EXPECT_TRUE(exp.Monitor.Present);
    // Timetables run forward.
    for (const LineData& line : lines_) {
        int last = 0;
        for (const auto& st : line.Station) {
            if (st.DepartureTime == 0) continue;
            EXPECT_GT(st.DepartureTime, last) << st.Name;
            last = st.DepartureTime;
        }
    }
}

TEST_F(SampleLines, PrecedingTrainLeavesAheadOfTheService) {
    const LineData& line = lines_[1];
    for (const auto& step : line.Pre_Train.Steps) {
        const auto& st = line.Station.at(step.Station);
        EXPECT_LT(step.TimetableTime, st.DepartureTime) << st.Name;
    }
}

TEST(SampleTrains, PlausibleCommuterPerformance) {
    TrainFile t = LoadTrainFile(TRESSMOOR_CONTENT_DIR, "train_223.dat");
    // Starting acceleration of the top notch and the planned full-service deceleration.
    EXPECT_NEAR(static_cast<double>(t.spec.Notch.back().accel0), 3.0, 0.3);
    const double fullService = t.spec.plannedBrakeRate(t.spec.Brake - 1).toDouble();
    EXPECT_GE(fullService, 4.0);
    EXPECT_LE(fullService, 4.5);
    EXPECT_EQ(t.spec.Handle, 0);
    EXPECT_EQ(t.spec.Power, 5);
    EXPECT_EQ(t.spec.Brake, 8);

    TrainFile exp = LoadTrainFile(TRESSMOOR_CONTENT_DIR, "train_683.dat");
    EXPECT_EQ(exp.spec.MaxSpeed, 130);
    EXPECT_EQ(exp.spec.ATS_Type, 1);

    TrainFile kiha = LoadTrainFile(TRESSMOOR_CONTENT_DIR, "train_kiha40.dat");
    EXPECT_EQ(kiha.spec.Engine_Type, 0);
    EXPECT_EQ(kiha.spec.Gear_Type, GearType::MT);
    EXPECT_EQ(kiha.spec.Engine.size(), kiha.spec.EngineRate.size());
}

TEST(SampleTrains, EveryPanelSectionIsUsedByAtLeastOneTrain) {
    std::vector<TrainFile> trains;
    for (const char* f : {"train_223.dat", "train_683.dat", "train_kiha40.dat"}) {
        trains.push_back(LoadTrainFile(TRESSMOOR_CONTENT_DIR, f));
    }
    auto used = [&](auto member) {
        return std::any_of(trains.begin(), trains.end(),
                           [&](const TrainFile& t) { return !(t.panel.*member).file.empty(); });
    };
    EXPECT_TRUE(std::any_of(trains.begin(), trains.end(), [](const TrainFile& t) {
        return t.panel.Clock.x > 0 && t.panel.Clock.y > 0;
    }));
    for (auto m : {&PanelLayout::Panel,      &PanelLayout::Panel2,     &PanelLayout::Lamp_Door,
                   &PanelLayout::Lamp_Power, &PanelLayout::Lamp_EB,    &PanelLayout::Lamp_Gen,
                   &PanelLayout::Lamp_Air,   &PanelLayout::Lamp_Fin,   &PanelLayout::Lamp_Ele,
                   &PanelLayout::Lamp_Ats1,  &PanelLayout::Lamp_Ats2,  &PanelLayout::Lamp_Ats3,
                   &PanelLayout::Lamp_TASC1, &PanelLayout::Lamp_TASC2, &PanelLayout::Lamp_TASC3,
                   &PanelLayout::Lamp_ATSP1, &PanelLayout::Lamp_ATSP2, &PanelLayout::Lamp_G,
                   &PanelLayout::Lamp_YG,    &PanelLayout::Lamp_Y,     &PanelLayout::Lamp_YY,
                   &PanelLayout::Lamp_R,     &PanelLayout::Lamp_Fwd,   &PanelLayout::Lamp_Neut,
                   &PanelLayout::Lamp_Back,  &PanelLayout::Lamp_Const, &PanelLayout::Lamp_Stop}) {
        EXPECT_TRUE(used(m));
    }
    for (auto m : {&PanelLayout::Needle_Brake, &PanelLayout::Needle_BC, &PanelLayout::Needle_SAP,
                   &PanelLayout::Needle_ER, &PanelLayout::Needle_BP, &PanelLayout::Needle_MR,
                   &PanelLayout::Needle_V}) {
        EXPECT_TRUE(used(m));
    }
    EXPECT_TRUE(used(&PanelLayout::Needle_Speed));
    EXPECT_TRUE(used(&PanelLayout::Needle_I));
    for (auto m : {&PanelLayout::Needle_BC_L, &PanelLayout::Needle_Ip_L, &PanelLayout::Needle_Ib_L,
                   &PanelLayout::Needle_MR_L}) {
        EXPECT_TRUE(used(m));
    }
    for (auto m : {&PanelLayout::NotchImageP, &PanelLayout::NotchImageB, &PanelLayout::NotchImageP2,
                   &PanelLayout::NotchImageB2, &PanelLayout::GearImageList,
                   &PanelLayout::GearImageList2, &PanelLayout::Digi_Speed}) {
        EXPECT_TRUE(used(m));
    }
    EXPECT_TRUE(used(&PanelLayout::Lamp_signal));
    EXPECT_TRUE(std::any_of(trains.begin(), trains.end(),
                            [](const TrainFile& t) { return !t.panel.Others.empty(); }));
}

}  // namespace
