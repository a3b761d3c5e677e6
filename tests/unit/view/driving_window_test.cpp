// The driving window, driven offscreen on the test program folder: keys, held keys, pausing,
// leaving, full screen, scripts and pictures.
#include "view/driving_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "data/fatal_error.h"
#include "data/settings_file.h"
#include "sim/script.h"
#include "sound/memory_mixer.h"
#include "test_support/temp_dir.h"
#include "unit/view/gui_application.h"
#include "view/cab_renderer.h"
#include "view/cab_view.h"

namespace tressmoor::view {
namespace {

const std::filesystem::path kFolder = std::filesystem::path(TRESSMOOR_FIXTURES_DIR) / "drive";

class DrivingWindowTest : public ::testing::Test {
protected:
    std::unique_ptr<DrivingWindow> open(DriveOptions options = {}) {
        sim::ServiceChoice choice;
        choice.LineFile = "line_drive.dat";
        choice.TrainFile = "train_drive.dat";
        if (!options.fixedStepMs) options.fixedStepMs = 1000.0L / 60;
        options.unattended = true;
        return std::make_unique<DrivingWindow>(kFolder, choice, mixer_, store_, std::move(options));
    }

    /// Runs the event loop until `done` holds or two seconds of real time have passed.
    template <typename Pred>
    static bool runUntil(Pred done) {
        return QTest::qWaitFor(done, 20000);
    }

    sound::MemoryMixer mixer_;
    data::MemorySettingsStore store_;
    test_support::TempDir temp_;
};

TEST_F(DrivingWindowTest, CharacterKeysMoveTheHandlesAndDrivingKeysKeepTheirMeaning) {
    auto w = open();
    w->show();
    const auto& v = w->session().state().vehicle;
    const int brake = v.BrakeHandle;
    QTest::keyClick(w.get(), Qt::Key_8);
    EXPECT_EQ(v.BrakeHandle, brake + 1) << "'8' is one step toward power";
    QTest::keyClick(w.get(), Qt::Key_8);
    QTest::keyClick(w.get(), Qt::Key_2);
    EXPECT_EQ(v.BrakeHandle, brake + 1) << "'2' is one step toward brake";

    // Shift+F11 is the driving key "speed −10 km/h"; plain F11 switches full screen.
    w->session().mutableState().vehicle.Speed = 50;
    QTest::keyClick(w.get(), Qt::Key_F11, Qt::ShiftModifier);
    EXPECT_DOUBLE_EQ(static_cast<double>(v.Speed), 40.0);
    EXPECT_FALSE(w->isFullScreen());
    QTest::keyClick(w.get(), Qt::Key_F11);
    EXPECT_TRUE(w->isFullScreen());
    EXPECT_DOUBLE_EQ(static_cast<double>(v.Speed), 40.0);
    QTest::keyClick(w.get(), Qt::Key_F11);
    EXPECT_FALSE(w->isFullScreen());
}

TEST_F(DrivingWindowTest, HeldHornAndSafetyKeysAreSampledEveryFrame) {
    auto w = open();
    w->show();
    w->startDriving();
    const auto& input = w->session().state().input;
    QTest::keyPress(w.get(), Qt::Key_3);
    long long from = w->framesProcessed();
    ASSERT_TRUE(runUntil([&] { return w->framesProcessed() > from + 2; }));
    EXPECT_TRUE(input.HornKey1);
    EXPECT_FALSE(input.HornKey2);
    EXPECT_FALSE(input.SafetyKey);
    QTest::keyPress(w.get(), Qt::Key_4);
    QTest::keyRelease(w.get(), Qt::Key_3);
    from = w->framesProcessed();
    ASSERT_TRUE(runUntil([&] { return w->framesProcessed() > from + 2; }));
    EXPECT_FALSE(input.HornKey1);
    EXPECT_TRUE(input.SafetyKey);
    QTest::keyRelease(w.get(), Qt::Key_4);
}

TEST_F(DrivingWindowTest, PausedDriveRunsNoFramesAndAClickOnTheViewResumes) {
    auto w = open();
    w->show();
    w->startDriving();
    ASSERT_TRUE(runUntil([&] { return w->framesProcessed() > 3; }));
    w->setPaused(true);
    const long long frames = w->framesProcessed();
    const auto clock = w->session().state().route.Clock;
    QTest::qWait(150);
    EXPECT_EQ(w->framesProcessed(), frames);
    EXPECT_EQ(w->session().state().route.Clock, clock);

    // A click on the route view resumes; one on the label area does not.
    CabView* view = w->cabView();
    const QPoint labels = view->transform().map(QPointF(1000, 100)).toPoint();
    QTest::mouseClick(view, Qt::LeftButton, {}, labels);
    EXPECT_TRUE(w->paused());
    const QPoint route = view->transform().map(QPointF(400, 300)).toPoint();
    QTest::mouseClick(view, Qt::LeftButton, {}, route);
    EXPECT_FALSE(w->paused());
    ASSERT_TRUE(runUntil([&] { return w->framesProcessed() > frames + 2; }));
}

TEST_F(DrivingWindowTest, HiddenWindowLosesThePhysicsStep) {
    auto w = open();
    w->session().mutableState().vehicle.Speed = 36;  // 10 m/s
    const long double before = w->session().state().route.LineDistance;
    w->startDriving();  // never shown: nothing can be drawn
    ASSERT_TRUE(runUntil([&] { return w->framesProcessed() > 10; }));
    EXPECT_EQ(w->session().state().route.LineDistance, before);
    w->show();
    const long long from = w->framesProcessed();
    ASSERT_TRUE(runUntil([&] { return w->framesProcessed() > from + 10; }));
    EXPECT_GT(w->session().state().route.LineDistance, before);
}

TEST_F(DrivingWindowTest, BackFadesOutOverFiftyOneFramesOrClosesAtOnceWithoutEffects) {
    for (const int effectsOff : {0, 1}) {
        data::UserOptions options;
        options.Tunnel = effectsOff;
        data::WriteUserOptions(store_, options);
        auto w = open();
        bool finished = false;
        QObject::connect(w.get(), &DrivingWindow::finished, [&] { finished = true; });
        w->show();
        w->startDriving();
        ASSERT_TRUE(runUntil([&] { return w->framesProcessed() > 2; }));
        // No frame runs between these lines: frames run from the event loop only.
        const long long start = w->framesProcessed();
        w->BackClick();
        EXPECT_FALSE(finished);
        ASSERT_TRUE(runUntil([&] { return finished; }));
        EXPECT_EQ(w->framesProcessed() - start, effectsOff ? 1 : 51)
            << "effects off " << effectsOff;
        EXPECT_FALSE(w->isVisible());
    }
}

TEST_F(DrivingWindowTest, BackWhilePausedLeavesAtOnceAndTheOptionsAreWrittenBack) {
    data::UserOptions options;
    options.Kanko = 1;
    options.Moji = 0;
    data::WriteUserOptions(store_, options);
    auto w = open();
    bool finished = false;
    QObject::connect(w.get(), &DrivingWindow::finished, [&] { finished = true; });
    w->show();
    w->setPaused(true);
    CabView* view = w->cabView();
    QTest::mouseClick(view, Qt::LeftButton, {},
                      view->transform().map(QPointF(DrivingWindow::backRect().center())).toPoint());
    EXPECT_TRUE(finished);
    const data::UserOptions back = data::ReadUserOptions(store_);
    EXPECT_EQ(back.Kanko, 1);
    EXPECT_EQ(back.Moji, 0);
}

TEST_F(DrivingWindowTest, ScriptTypesKeysTakesShotsAndQuits) {
    const auto shot = temp_.path() / "standing.png";
    DriveOptions options;
    options.script = sim::parseScript("0.5 key 8\n0.5 key 8\n1.0 hold 3 0.5\n1.2 shot " +
                                      shot.string() + "\n2.0 quit\n");
    auto w = open(std::move(options));
    bool finished = false;
    QObject::connect(w.get(), &DrivingWindow::finished, [&] { finished = true; });
    const int brake = w->session().state().vehicle.BrakeHandle;
    int lastBrake = brake;
    bool hornSeen = false;
    bool hornLast = false;
    w->show();
    w->startDriving();
    // The drive's state is released when the window closes: read it while it runs.
    ASSERT_TRUE(runUntil([&] {
        if (finished) return true;
        const auto& s = w->session().state();
        lastBrake = s.vehicle.BrakeHandle;
        hornLast = s.input.HornKey1;
        hornSeen |= hornLast;
        return false;
    }));
    EXPECT_EQ(lastBrake, brake + 2);
    EXPECT_TRUE(hornSeen);
    EXPECT_FALSE(hornLast) << "the held key was let go";
    EXPECT_NEAR(w->drivenSeconds(), 2.0, 0.05);
    QImage picture(QString::fromStdString(shot.string()));
    ASSERT_FALSE(picture.isNull());
    EXPECT_EQ(picture.size(), QSize(kWindowWidth, kWindowHeight));
    EXPECT_EQ(w->scriptStatus(), 0);
}

TEST_F(DrivingWindowTest, LoadingReportsEveryStageInOrder) {
    std::vector<std::string> progress;
    DriveOptions options;
    options.progress = [&](const std::string& text) { progress.push_back(text); };
    auto w = open(std::move(options));
    const std::vector<std::string> expected = {
        "設定ファイルを読み込んでいます",
        "運転台を描画しています",
        "DirectSoundオブジェクトを作成しています(走行音)",
        "DirectSoundオブジェクトを作成しています(環境音)",
        "DirectSoundオブジェクトを作成しています(喚呼)",
        "サウンドを読み込んでいます",
        "環境をセットアップしています",
    };
    EXPECT_EQ(progress, expected);
}

TEST_F(DrivingWindowTest, APanelPictureThatCannotBeLoadedStopsTheDriveWithItsMessage) {
    // A copy of the test folder whose train names a panel picture that is not there.
    const auto folder = temp_.path() / "broken";
    std::filesystem::copy(kFolder, folder, std::filesystem::copy_options::recursive);
    {
        std::ofstream train(folder / "train_drive.dat", std::ios::app);
        train << "[Panel]\npanel\\missing.png\n0\n0\n";
    }
    sim::ServiceChoice choice;
    choice.LineFile = "line_drive.dat";
    choice.TrainFile = "train_drive.dat";
    DriveOptions options;
    options.unattended = true;
    try {
        DrivingWindow w(folder, choice, mixer_, store_, std::move(options));
        ADD_FAILURE() << "the drive was built";
    } catch (const data::FatalError& e) {
        EXPECT_STREQ(e.what(), "panel\\missing.pngの生成エラー");
    }
}

TEST_F(DrivingWindowTest, AResizedWindowShowsThePictureScaledBetweenBlackBars) {
    auto w = open();
    w->show();
    CabView* view = w->cabView();
    view->setMinimumSize(2804, 1602);  // picture at scale 2, bars of 200 px left and right
    w->startDriving();
    ASSERT_TRUE(
        runUntil([&] { return view->size() == QSize(2804, 1602) && w->framesProcessed() > 3; }));
    const QImage screen = view->grab().toImage();
    const QImage shot = w->composeShot();
    // The back button, a point inside its frame and one of its letters' surroundings.
    for (const QPoint logical : {DrivingWindow::backRect().topLeft() + QPoint(4, 4),
                                 DrivingWindow::backRect().bottomRight() - QPoint(4, 4)}) {
        const QPoint device = view->transform().map(QPointF(logical)).toPoint();
        EXPECT_EQ(screen.pixelColor(device), shot.pixelColor(logical)) << logical.x();
    }
    EXPECT_NE(shot.pixelColor(DrivingWindow::backRect().topLeft() + QPoint(4, 4)),
              QColor(Qt::black));
    EXPECT_EQ(screen.pixelColor(100, 800), QColor(Qt::black));   // left bar
    EXPECT_EQ(screen.pixelColor(2750, 800), QColor(Qt::black));  // right bar
}

TEST_F(DrivingWindowTest, WheelStepsTowardBrakeAwayFromTheDriver) {
    auto w = open();
    w->show();
    const auto& v = w->session().state().vehicle;
    QTest::keyClick(w.get(), Qt::Key_8);
    QTest::keyClick(w.get(), Qt::Key_8);
    const int brake = v.BrakeHandle;
    QWheelEvent away(QPointF(10, 10), QPointF(10, 10), QPoint(), QPoint(0, 120), Qt::NoButton,
                     Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(w.get(), &away);
    EXPECT_EQ(v.BrakeHandle, brake - 1);
    // Half a notch does nothing until the other half comes.
    QWheelEvent half(QPointF(10, 10), QPointF(10, 10), QPoint(), QPoint(0, -60), Qt::NoButton,
                     Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(w.get(), &half);
    EXPECT_EQ(v.BrakeHandle, brake - 1);
    QCoreApplication::sendEvent(w.get(), &half);
    EXPECT_EQ(v.BrakeHandle, brake);
}

}  // namespace
}  // namespace tressmoor::view
