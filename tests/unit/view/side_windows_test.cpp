// The side windows of the driving window, driven offscreen with real widgets: the simple cab's
// lamps and buttons, the value display's channel grid, the train-settings dialog, and keys typed
// into each of them reaching the train.
#include "sim/side_windows.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTableWidget>
#include <QTest>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "sound/memory_mixer.h"
#include "test_support/temp_dir.h"
#include "unit/view/gui_application.h"
#include "view/driving_window.h"
#include "view/simple_cab_window.h"
#include "view/train_settings_dialog.h"
#include "view/value_display_window.h"

namespace tressmoor::view {
namespace {

const std::filesystem::path kFolder = std::filesystem::path(TRESSMOOR_FIXTURES_DIR) / "drive";
const QColor kWhite(255, 255, 255);
const QColor kRed(255, 0, 0);

/// A wave of one second.
class SecondWave final : public sound::Wave {
public:
    double lengthMs() const override { return 1000; }
};

class SideWindowsTest : public ::testing::Test {
protected:
    void SetUp() override {
        sim::ServiceChoice choice;
        choice.LineFile = "line_drive.dat";
        choice.TrainFile = "train_drive.dat";
        DriveOptions options;
        options.fixedStepMs = 1000.0L / 60;
        options.unattended = true;
        w_ = std::make_unique<DrivingWindow>(kFolder, choice, mixer_, store_, std::move(options));
        w_->show();
    }

    const sim::SimState& state() { return w_->session().state(); }
    /// Runs `n` more frames of the drive.
    void runFrames(int n) {
        const long long until = w_->framesProcessed() + n;
        ASSERT_TRUE(QTest::qWaitFor([&] { return w_->framesProcessed() >= until; }, 20000));
    }
    void click(QWidget* parent, const char* name) {
        auto* button = parent->findChild<QPushButton*>(QString::fromLatin1(name));
        ASSERT_NE(button, nullptr) << name;
        QTest::mouseClick(button, Qt::LeftButton);
    }
    static QColor lamp(QWidget* cab, const QString& name) {
        auto* shape = cab->findChild<LampShape*>(name);
        return shape != nullptr ? shape->colour() : QColor();
    }
    /// Saves a picture of `window` for a look (into the folder named by TRESSMOOR_SHOTS_DIR).
    static void keepShot(QWidget* window, const char* name) {
        const QImage shot = window->grab().toImage();
        ASSERT_FALSE(shot.isNull());
        const QByteArray dir = qgetenv("TRESSMOOR_SHOTS_DIR");
        if (!dir.isEmpty()) shot.save(QString::fromLocal8Bit(dir) + "/" + name, "PNG");
    }

    sound::MemoryMixer mixer_;
    data::MemorySettingsStore store_;
    std::unique_ptr<DrivingWindow> w_;
};

TEST_F(SideWindowsTest, SimpleCabLampsFollowTheBrakeFromB3ToEmergency) {
    w_->showSimpleCab();
    SimpleCabWindow* cab = w_->simpleCab();
    ASSERT_TRUE(cab->isVisible());
    w_->startDriving();
    click(cab, "Button6");  // neutral
    for (int i = 0; i < 3; ++i) click(cab, "Button1");
    ASSERT_EQ(state().vehicle.BrakeHandle, -3);
    runFrames(2);
    for (int k = 1; k <= 8; ++k) {
        EXPECT_EQ(lamp(cab, QStringLiteral("KB%1").arg(k)), k <= 3 ? kRed : kWhite) << k;
    }
    EXPECT_EQ(lamp(cab, "KN"), kWhite);
    EXPECT_EQ(lamp(cab, "KP1"), kWhite);
    keepShot(cab, "simple_cab_b3.png");

    // The emergency key typed into the simple cab: every brake lamp of the eight-step brake.
    QTest::keyClick(cab, Qt::Key_0);
    ASSERT_EQ(state().vehicle.BrakeHandle, -8);
    runFrames(2);
    for (int k = 1; k <= 8; ++k) EXPECT_EQ(lamp(cab, QStringLiteral("KB%1").arg(k)), kRed) << k;
    EXPECT_FALSE(cab->findChild<LampShape*>("KB8")->isVisible());
    EXPECT_EQ(cab->findChild<QStatusBar*>("StatusBar1")->currentMessage(),
              QStringLiteral("ドアが開いています"));
    keepShot(cab, "simple_cab_emergency.png");
}

TEST_F(SideWindowsTest, SimpleCabButtonsMoveTheHandlesAndTurnTheReverser) {
    w_->showSimpleCab();
    SimpleCabWindow* cab = w_->simpleCab();
    const auto& v = state().vehicle;
    click(cab, "Button6");
    ASSERT_EQ(v.BrakeHandle, 0);
    ASSERT_EQ(v.PowerHandle, 0);
    click(cab, "Button2");
    click(cab, "Button2");
    EXPECT_EQ(v.PowerHandle, 2);
    click(cab, "Button1");
    EXPECT_EQ(v.PowerHandle, 1);
    click(cab, "Button6");
    EXPECT_EQ(v.PowerHandle, 0);
    cab->refresh();
    EXPECT_EQ(lamp(cab, "KN"), QColor(0, 255, 0));

    ASSERT_EQ(v.Reverser, 1);
    click(cab, "Button7");
    EXPECT_EQ(v.Reverser, -1);
    click(cab, "Button7");
    EXPECT_EQ(v.Reverser, 1);
    w_->session().mutableState().vehicle.Reverser = 0;
    click(cab, "Button7");
    EXPECT_EQ(v.Reverser, 0) << "the reverser button does nothing at neutral";
}

TEST_F(SideWindowsTest, KeysTypedIntoTheSideWindowsReachTheTrain) {
    const auto& v = state().vehicle;
    w_->showSimpleCab();
    SimpleCabWindow* cab = w_->simpleCab();
    int brake = v.BrakeHandle;
    QTest::keyClick(cab, Qt::Key_8);
    EXPECT_EQ(v.BrakeHandle, ++brake);
    QTest::keyClick(cab->findChild<QPushButton*>("Button3"), Qt::Key_8);
    EXPECT_EQ(v.BrakeHandle, ++brake) << "a key on a button goes on too";

    // A held horn key ends when it is let go in the side window.
    w_->startDriving();
    QTest::keyPress(cab, Qt::Key_3);
    runFrames(2);
    EXPECT_TRUE(state().input.HornKey1);
    QTest::keyRelease(cab, Qt::Key_3);
    runFrames(2);
    EXPECT_FALSE(state().input.HornKey1);

    // F3 shows the value display; keys typed there drive, and F3 there hides it again.
    QTest::keyClick(w_.get(), Qt::Key_F3);
    ValueDisplayWindow* display = w_->valueDisplay();
    ASSERT_TRUE(display->isVisible());
    QTest::keyClick(display->channelGrid(), Qt::Key_8);
    EXPECT_EQ(v.BrakeHandle, ++brake);
    QTest::keyClick(display, Qt::Key_F3);
    EXPECT_FALSE(display->isVisible());

    // The train-settings dialog passes the driving keys only.
    w_->showTrainSettings();
    TrainSettingsDialog* dialog = w_->trainSettings();
    QTest::keyClick(dialog, Qt::Key_8);
    EXPECT_EQ(v.BrakeHandle, brake) << "characters stay in the dialog";
    w_->session().mutableState().vehicle.Speed = 50;
    QTest::keyClick(dialog->atsButton(true), Qt::Key_F11, Qt::ShiftModifier);
    EXPECT_DOUBLE_EQ(static_cast<double>(v.Speed), 40.0);
}

TEST_F(SideWindowsTest, ValueDisplayPaintsChannelsByStateAndAClickStopsOne) {
    // Three channels of the first hundred that the drive leaves free: one gets a wave and plays,
    // one gets a wave and stays idle, one stays without a wave.
    std::vector<int> free;
    for (int c = 0; c < 100 && free.size() < 3; ++c) {
        if (!mixer_.hasWave(c)) free.push_back(c);
    }
    ASSERT_EQ(free.size(), 3u);
    const int playing = free[0];
    const int idle = free[1];
    const int empty = free[2];
    mixer_.attach(playing, std::make_shared<SecondWave>());
    mixer_.attach(idle, std::make_shared<SecondWave>());
    mixer_.Volume(playing, -1234);
    mixer_.LoopPlay(playing);
    mixer_.Stop(idle);

    QTest::keyClick(w_.get(), Qt::Key_F3);
    ValueDisplayWindow* display = w_->valueDisplay();
    ASSERT_TRUE(display->isVisible());
    display->refresh(60);
    QTableWidget* grid = display->channelGrid();
    auto cell = [&](int channel) { return grid->item(channel / 10, channel % 10); };
    EXPECT_EQ(cell(playing)->background().color(), QColor(Qt::cyan));
    EXPECT_EQ(cell(playing)->text(), QStringLiteral("-1234"));
    EXPECT_EQ(cell(idle)->background().color(), display->palette().color(QPalette::Window));
    EXPECT_EQ(cell(idle)->text(), QString());
    EXPECT_EQ(cell(empty)->background().style(), Qt::NoBrush);
    EXPECT_EQ(display->rowText(QStringLiteral("速度")), QStringLiteral("0.00 km/h"));
    EXPECT_EQ(display->rowText(QStringLiteral("FPS")), QStringLiteral("60"));
    keepShot(display, "value_display.png");

    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                      grid->visualItemRect(cell(playing)).center());
    EXPECT_EQ(mixer_.Status(playing), sound::ChannelStatus::Idle);
    EXPECT_EQ(cell(playing)->background().color(), display->palette().color(QPalette::Window));
    EXPECT_EQ(cell(playing)->text(), QString());
}

TEST_F(SideWindowsTest, ValueDisplayIsRefreshedOnlyWhileShownAndKeepsTheSafetyLog) {
    QTest::keyClick(w_.get(), Qt::Key_F3);
    ValueDisplayWindow* display = w_->valueDisplay();
    w_->startDriving();
    runFrames(2);
    EXPECT_EQ(display->rowText(QStringLiteral("速度")), QStringLiteral("0.00 km/h"));

    // Hidden, it keeps its last values; shown again, it catches up, log lines included.
    QTest::keyClick(w_.get(), Qt::Key_F3);
    ASSERT_FALSE(display->isVisible());
    auto& log = w_->session().mutableState().safety.Log;
    for (int i = 1; i <= 3; ++i) log.add("line " + std::to_string(i));
    w_->session().mutableState().vehicle.Speed = 12.5L;
    runFrames(2);
    EXPECT_EQ(display->rowText(QStringLiteral("速度")), QStringLiteral("0.00 km/h"));
    auto* memo = display->findChild<QPlainTextEdit*>(QStringLiteral("Memo1"));
    ASSERT_NE(memo, nullptr);
    EXPECT_TRUE(memo->toPlainText().isEmpty());
    QTest::keyClick(w_.get(), Qt::Key_F3);
    EXPECT_NE(display->rowText(QStringLiteral("速度")), QStringLiteral("0.00 km/h"));
    EXPECT_EQ(memo->toPlainText(), QStringLiteral("line 1\nline 2\nline 3"));
    log.add("line 4");
    runFrames(1);
    EXPECT_EQ(memo->blockCount(), 4);

    // The preceding train's row is blanked while its box is unticked; 抵抗解除 holds the speed.
    display->findChild<QCheckBox*>()->setChecked(false);
    runFrames(1);
    EXPECT_EQ(display->rowText(QStringLiteral("先行列車")), QString());
    click(display, "SpeedFreeze");
    EXPECT_TRUE(w_->session().speedFreeze());
    click(display, "SpeedFreeze");
    EXPECT_FALSE(w_->session().speedFreeze());
}

TEST_F(SideWindowsTest, TrainSettingsSwitchTheSafetySystemAndStartTheEngine) {
    w_->showTrainSettings();
    TrainSettingsDialog* dialog = w_->trainSettings();
    ASSERT_TRUE(dialog->isVisible());
    EXPECT_TRUE(dialog->isModal());
    EXPECT_TRUE(dialog->atsButton(true)->isChecked());
    EXPECT_TRUE(dialog->engineButton(sim::kEngineRun)->isChecked());
    QTest::mouseClick(dialog->atsButton(false), Qt::LeftButton);
    EXPECT_FALSE(state().safety.On);
    EXPECT_FALSE(state().safety.Lamps.Ats1);

    QTest::mouseClick(dialog->engineButton(sim::kEngineOff), Qt::LeftButton);
    EXPECT_EQ(state().vehicle.EngineState, 0);
    QTest::mouseClick(dialog->engineButton(sim::kEngineStart), Qt::LeftButton);
    EXPECT_EQ(state().vehicle.EngineState, -1);
    EXPECT_TRUE(dialog->engineButton(sim::kEngineRun)->isChecked());
    keepShot(dialog, "train_settings.png");

    // The drive runs on behind the dialog; the engine runs 700 ms of driven time later.
    const double from = w_->drivenSeconds();
    double lastStarting = 0;
    double running = 0;
    w_->startDriving();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            const double t = w_->drivenSeconds() - from;
            if (state().vehicle.EngineState == -1) lastStarting = t;
            if (state().vehicle.EngineState != 1) return false;
            running = t;
            return true;
        },
        20000));
    EXPECT_LT(lastStarting, 0.7);
    EXPECT_GT(running, 0.69);
    EXPECT_LT(running, 0.8);

    // Opened again, it shows the present state.
    dialog->accept();
    w_->showTrainSettings();
    EXPECT_TRUE(dialog->atsButton(false)->isChecked());
    EXPECT_TRUE(dialog->engineButton(sim::kEngineRun)->isChecked());
}

}  // namespace
}  // namespace tressmoor::view
