// The driving window's menus, offscreen on a copy of the test program folder: the items and
// their captions, the options with their effects and their storage, the save slots, the Move
// menu, the help window and the script command that runs menu items.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QImage>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QTest>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "data/settings_file.h"
#include "data/text_file.h"
#include "route/saves.h"
#include "sim/script.h"
#include "sound/memory_mixer.h"
#include "test_support/temp_dir.h"
#include "unit/view/gui_application.h"
#include "view/cab_renderer.h"
#include "view/cab_view.h"
#include "view/driving_window.h"
#include "view/help_window.h"

namespace tressmoor::view {
namespace {

const std::filesystem::path kFixtures = std::filesystem::path(TRESSMOOR_FIXTURES_DIR) / "drive";

QString u(const char* text) {
    return QString::fromUtf8(text);
}

void append(const std::filesystem::path& file, const std::string& text) {
    std::ofstream out(file, std::ios::binary | std::ios::app);
    out << text;
}

/// A silent 16-bit mono WAV file of `ms` milliseconds at 8 kHz.
void writeWav(const std::filesystem::path& file, int ms) {
    const std::uint32_t samples = static_cast<std::uint32_t>(8 * ms);
    const std::uint32_t bytes = samples * 2;
    std::ofstream out(file, std::ios::binary);
    auto u32 = [&](std::uint32_t v) {
        for (int i = 0; i < 4; ++i) out.put(static_cast<char>((v >> (8 * i)) & 0xff));
    };
    auto u16 = [&](std::uint16_t v) {
        out.put(static_cast<char>(v & 0xff));
        out.put(static_cast<char>(v >> 8));
    };
    out << "RIFF";
    u32(36 + bytes);
    out << "WAVEfmt ";
    u32(16);
    u16(1);     // PCM
    u16(1);     // mono
    u32(8000);  // samples per second
    u32(16000);
    u16(2);
    u16(16);
    out << "data";
    u32(bytes);
    for (std::uint32_t i = 0; i < bytes; ++i) out.put('\0');
}

class DrivingWindowMenusTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::copy(kFixtures, folder_, std::filesystem::copy_options::recursive);
    }

    std::unique_ptr<DrivingWindow> open(DriveOptions options = {}) {
        sim::ServiceChoice choice;
        choice.LineFile = "line_drive.dat";
        choice.TrainFile = "train_drive.dat";
        if (!options.fixedStepMs) options.fixedStepMs = 1000.0L / 60;
        options.unattended = true;
        auto w =
            std::make_unique<DrivingWindow>(folder_, choice, mixer_, store_, std::move(options));
        // The test folder has no route video: the boxes saying so are not the menus' messages.
        for (QMessageBox* box : w->findChildren<QMessageBox*>()) earlierBoxes_.insert(box);
        return w;
    }

    /// Runs the event loop until `done` holds (at most 20 s of real time).
    template <typename Pred>
    static bool runUntil(Pred done) {
        return QTest::qWaitFor(done, 20000);
    }

    /// Runs `frames` more frames of a shown, driving window.
    static void runFrames(DrivingWindow& w, int frames) {
        const long long until = w.framesProcessed() + frames;
        ASSERT_TRUE(runUntil([&] { return w.framesProcessed() >= until; }));
    }

    static QAction* item(DrivingWindow& w, const char* name) {
        return w.menuBar()->findChild<QAction*>(QString::fromLatin1(name));
    }

    /// The texts of the message boxes the window shows at present, apart from those it showed
    /// while it was built.
    std::vector<std::string> messages(DrivingWindow& w) const {
        std::vector<std::string> out;
        for (QMessageBox* box : w.findChildren<QMessageBox*>()) {
            if (!earlierBoxes_.contains(box)) out.push_back(box->text().toStdString());
        }
        return out;
    }

    /// Closes the window the way the user does when paused (at once) and waits for the end.
    static void leave(DrivingWindow& w) {
        bool finished = false;
        QObject::connect(&w, &DrivingWindow::finished, [&] { finished = true; });
        w.close();
        ASSERT_TRUE(finished);
    }

    /// Pixels of the label area (right of the cab view) that are not black.
    static int litLabelPixels(const QImage& shot) {
        int lit = 0;
        for (int y = 0; y < shot.height(); ++y) {
            for (int x = kCabViewWidth; x < shot.width(); ++x) {
                if (DrivingWindow::backRect().contains(x, y)) continue;
                if ((shot.pixel(x, y) & 0xffffffu) != 0) ++lit;
            }
        }
        return lit;
    }

    test_support::TempDir temp_;
    const std::filesystem::path folder_ = temp_.path() / "drive";
    sound::MemoryMixer mixer_;
    data::MemorySettingsStore store_;
    std::set<QMessageBox*> earlierBoxes_;
};

TEST_F(DrivingWindowMenusTest, MenuBarHoldsTheFiveItemsCaptionedFromTheSettingsFile) {
    append(folder_ / "tressmoor.dat",
           "[Start]\nスタート\n[Move]\n移動(&M)\n[Display]\n表示(&D)\n[Control]\nコントローラ\n"
           "[Save]\nセーブ\n");
    auto w = open();
    const QList<QAction*> top = w->menuBar()->actions();
    ASSERT_EQ(top.size(), 5);
    const std::vector<std::pair<const char*, const char*>> expected = {
        {"start1", "スタート"},
        {"GoTo1", "移動(&M)"},
        {"Show1", "表示(&D)"},
        {"Controller1", "コントローラ"},
        {"SaveS1", "セーブ"}};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(top[i]->objectName(), QString::fromLatin1(expected[std::size_t(i)].first));
        EXPECT_EQ(top[i]->text(), u(expected[std::size_t(i)].second));
    }
    EXPECT_EQ(top[0]->menu(), nullptr) << "Start is a command of the bar itself";

    // Driving starts: the Start item offers the pause, and the resume while paused.
    w->show();
    w->startDriving();
    EXPECT_EQ(top[0]->text(), u("一時停止(&S)"));
    top[0]->trigger();
    EXPECT_TRUE(w->paused());
    EXPECT_EQ(top[0]->text(), u("運転再開(&S)"));
    ASSERT_TRUE(w->triggerMenuItem(QStringLiteral("start1")));
    EXPECT_FALSE(w->paused());
    EXPECT_EQ(top[0]->text(), u("一時停止(&S)"));
}

TEST_F(DrivingWindowMenusTest, WithoutSettingsCaptionsTheMenusKeepTheirOwn) {
    auto w = open();
    const QList<QAction*> top = w->menuBar()->actions();
    ASSERT_EQ(top.size(), 5);
    EXPECT_EQ(top[0]->text(), u("Start"));
    EXPECT_EQ(top[1]->text(), u("Move"));
    EXPECT_EQ(top[2]->text(), u("Display"));
    EXPECT_EQ(top[3]->text(), u("Controller(&C)"));
    EXPECT_EQ(top[4]->text(), u("Save(&S)"));
}

TEST_F(DrivingWindowMenusTest, DisplayAndSaveMenusListTheirItemsInOrder) {
    auto w = open();
    QMenu* display = w->menuBar()->findChild<QMenu*>(QStringLiteral("Show1"));
    ASSERT_NE(display, nullptr);
    struct Expected {
        const char* name;
        const char* caption;
        bool visible;
        bool checkable;
    };
    const std::vector<Expected> items = {
        {"menu_d1", "操作説明(&U)", true, false},
        {"D1", "解説なし(&D)", true, true},
        {"N3", "かんたん運転台(&E)", true, false},
        {"OFF1", "喚呼なし(&K)", true, true},
        {"OFF2", "停止位置ラインを表示しない(&S)", true, true},
        {"P1", "列車設定(&P)", false, false},
        {"OFFV1", "視覚効果OFF(&V)", false, true},
        {"OFFC1", "文字表示モード切り替え(&C)", true, true},
        {"report1", "運転成績(&R)", true, false},  // the drive report, after the menu's own items
    };
    const QList<QAction*> actions = display->actions();
    ASSERT_EQ(actions.size(), static_cast<qsizetype>(items.size()));
    for (std::size_t i = 0; i < items.size(); ++i) {
        const QAction* a = actions[static_cast<qsizetype>(i)];
        EXPECT_EQ(a->objectName(), QString::fromLatin1(items[i].name));
        EXPECT_EQ(a->text(), u(items[i].caption)) << items[i].name;
        EXPECT_EQ(a->isVisible(), items[i].visible) << items[i].name;
        EXPECT_EQ(a->isCheckable(), items[i].checkable) << items[i].name;
    }

    QMenu* save = w->menuBar()->findChild<QMenu*>(QStringLiteral("SaveS1"));
    ASSERT_NE(save, nullptr);
    ASSERT_EQ(save->actions().size(), 2);
    EXPECT_EQ(save->actions()[0]->objectName(), QStringLiteral("L1"));
    EXPECT_EQ(save->actions()[0]->text(), u("運転状態を復元(&L)"));
    EXPECT_EQ(save->actions()[1]->objectName(), QStringLiteral("S2"));
    EXPECT_EQ(save->actions()[1]->text(), u("運転状態を保存(&S)"));
    for (int slot = 1; slot <= 3; ++slot) {
        const QAction* load = item(*w, ("Load" + std::to_string(slot)).c_str());
        const QAction* store = item(*w, ("Save" + std::to_string(slot)).c_str());
        ASSERT_NE(load, nullptr);
        ASSERT_NE(store, nullptr);
        // Three empty slots: every item reads "No Data"; only the save items can be chosen.
        EXPECT_EQ(load->text(), QStringLiteral("No Data"));
        EXPECT_FALSE(load->isEnabled());
        EXPECT_EQ(store->text(), QStringLiteral("No Data"));
        EXPECT_TRUE(store->isEnabled());
    }
}

TEST_F(DrivingWindowMenusTest, CheckMarksFollowTheStoredOptions) {
    {
        auto w = open();  // nothing stored: the defaults, text display mode on
        EXPECT_FALSE(item(*w, "D1")->isChecked());
        EXPECT_FALSE(item(*w, "OFF1")->isChecked());
        EXPECT_FALSE(item(*w, "OFF2")->isChecked());
        EXPECT_FALSE(item(*w, "OFFV1")->isChecked());
        EXPECT_TRUE(item(*w, "OFFC1")->isChecked());
    }
    data::WriteUserOptions(store_,
                           {.Kanko = 1, .Information = 1, .ATS = 1, .Tunnel = 1, .Moji = 0});
    {
        auto w = open();
        EXPECT_TRUE(item(*w, "D1")->isChecked());
        EXPECT_TRUE(item(*w, "OFF1")->isChecked());
        EXPECT_TRUE(item(*w, "OFF2")->isChecked());
        EXPECT_TRUE(w->session().state().StopLinesHidden);
        EXPECT_FALSE(w->session().state().safety.On) << "ATS 1 switches the safety system off";
        EXPECT_TRUE(item(*w, "OFFV1")->isChecked());
        EXPECT_FALSE(item(*w, "OFFC1")->isChecked());
    }
    // A value other than 0 and 1 leaves its item unchecked.
    data::WriteUserOptions(store_,
                           {.Kanko = 2, .Information = 2, .ATS = 2, .Tunnel = 2, .Moji = 2});
    {
        auto w = open();
        for (const char* name : {"D1", "OFF1", "OFF2", "OFFV1", "OFFC1"}) {
            EXPECT_FALSE(item(*w, name)->isChecked()) << name;
        }
    }
    // One value missing: all five take their defaults.
    data::MemorySettingsStore partial;
    partial.writeInt(data::kOptionsStore, "Kanko", 1);
    EXPECT_EQ(data::ReadUserOptions(partial).Kanko, 0);
}

TEST_F(DrivingWindowMenusTest, TextDisplayModeHidesTheLabelsAtOnceAndIsKeptForTheNextDrive) {
    {
        auto w = open();
        w->show();
        w->startDriving();
        runFrames(*w, 3);
        const int litBefore = litLabelPixels(w->composeShot());
        EXPECT_GT(litBefore, 100) << "the labels show their texts";
        ASSERT_TRUE(w->triggerMenuItem(QStringLiteral("OFFC1")));
        EXPECT_FALSE(item(*w, "OFFC1")->isChecked());
        EXPECT_EQ(w->session().service().options.Moji, 0);
        EXPECT_EQ(litLabelPixels(w->composeShot()), 0) << "the label area is black at once";
        runFrames(*w, 2);
        EXPECT_EQ(litLabelPixels(w->composeShot()), 0);
        leave(*w);
    }
    EXPECT_EQ(data::ReadUserOptions(store_).Moji, 0);
    {
        auto w = open();
        EXPECT_FALSE(item(*w, "OFFC1")->isChecked());
        w->show();
        w->startDriving();
        runFrames(*w, 3);
        EXPECT_EQ(litLabelPixels(w->composeShot()), 0) << "the next drive starts without labels";
        ASSERT_TRUE(w->triggerMenuItem(QStringLiteral("OFFC1")));
        runFrames(*w, 2);
        EXPECT_GT(litLabelPixels(w->composeShot()), 100);
        leave(*w);
    }
    EXPECT_EQ(data::ReadUserOptions(store_).Moji, 1);
}

TEST_F(DrivingWindowMenusTest, LabelsChangeOnThePausedPictureToo) {
    auto w = open();
    w->show();
    w->startDriving();
    runFrames(*w, 3);
    w->setPaused(true);
    const QImage before = w->cabView()->grab().toImage();
    ASSERT_TRUE(w->triggerMenuItem(QStringLiteral("OFFC1")));
    const QImage after = w->cabView()->grab().toImage();
    EXPECT_GT(litLabelPixels(before), 100);
    EXPECT_EQ(litLabelPixels(after), 0);
}

TEST_F(DrivingWindowMenusTest, NoExplanationHidesTheHintOverTheRouteView) {
    auto w = open();
    w->show();
    auto& texts = w->session().mutableState().Texts;
    texts.ExplanationText.clear();
    const QImage plain = w->composeShot();
    texts.ExplanationText = "ブレーキを緩めてください";
    const QImage hinted = w->composeShot();
    EXPECT_NE(hinted, plain) << "the hint is drawn over the route view";

    ASSERT_TRUE(w->triggerMenuItem(QStringLiteral("D1")));
    EXPECT_TRUE(item(*w, "D1")->isChecked());
    EXPECT_EQ(w->session().service().options.Information, 1);
    EXPECT_EQ(w->composeShot(), plain) << "checked, the hint is not drawn";
    ASSERT_TRUE(w->triggerMenuItem(QStringLiteral("D1")));
    EXPECT_EQ(w->session().service().options.Information, 0);
    EXPECT_EQ(w->composeShot(), hinted);
}

TEST_F(DrivingWindowMenusTest, NoCallsConsumesTheCallsWithoutASound) {
    // The first station's at-rest call: call slot 0, a wave of half a second.
    writeWav(folder_ / "call.wav", 500);
    append(folder_ / "line_drive.dat",
           "[KankoSound1]\ncall.wav\n" + std::string(21, '\n') + "[StationKanko]\n0,4,0\n#\n");
    for (const bool callsOff : {false, true}) {
        auto w = open();
        const int channel = w->session().sounds().callChannel();
        int plays = 0;
        mixer_.setEventSink([&](int c, const char* what) {
            if (c == channel && std::string(what) == "play") ++plays;
        });
        if (callsOff) {
            ASSERT_TRUE(w->triggerMenuItem(QStringLiteral("OFF1")));
        }
        w->show();
        w->startDriving();
        runFrames(*w, 6);
        EXPECT_EQ(plays, callsOff ? 0 : 1) << "calls off " << callsOff;
        if (callsOff) {
            EXPECT_EQ(w->session().callQueue().size(), 0) << "the call was consumed";
        }
        mixer_.setEventSink({});
        leave(*w);
        EXPECT_EQ(data::ReadUserOptions(store_).Kanko, callsOff ? 1 : 0);
    }
}

TEST_F(DrivingWindowMenusTest, StopLineItemHidesTheLinesWithoutTouchingTheSafetySystem) {
    append(folder_ / "line_drive.dat", "[Perspective]\n50\n300\n");
    auto w = open();
    auto& state = w->session().mutableState();
    const auto visibleLines = [&] {
        int n = 0;
        for (const auto& line : w->session().state().video.stopLines) n += line.visible ? 1 : 0;
        return n;
    };
    // 10 m before the stop: the lines stand in the view.
    state.stations.RemainingDistance = 1000;
    ASSERT_FALSE(item(*w, "OFF2")->isChecked());
    ASSERT_TRUE(w->triggerMenuItem(QStringLiteral("OFF2")));
    EXPECT_TRUE(state.StopLinesHidden);
    EXPECT_EQ(visibleLines(), 0);
    ASSERT_TRUE(w->triggerMenuItem(QStringLiteral("OFF2")));
    EXPECT_FALSE(state.StopLinesHidden);
    EXPECT_GT(visibleLines(), 0);
    ASSERT_TRUE(w->triggerMenuItem(QStringLiteral("OFF2")));
    EXPECT_TRUE(w->session().state().safety.On);
    EXPECT_EQ(w->session().service().options.ATS, 0);
    leave(*w);
    EXPECT_EQ(data::ReadUserOptions(store_).ATS, 0) << "the stop-line item is not stored";
}

TEST_F(DrivingWindowMenusTest, VisualEffectsOffLeavesWithoutFading) {
    {
        auto w = open();
        bool finished = false;
        QObject::connect(w.get(), &DrivingWindow::finished, [&] { finished = true; });
        w->show();
        w->startDriving();
        runFrames(*w, 2);
        // The hidden item, as a script reaches it.
        ASSERT_TRUE(w->triggerMenuItem(QStringLiteral("OFFV1")));
        EXPECT_TRUE(item(*w, "OFFV1")->isChecked());
        EXPECT_FALSE(item(*w, "OFFV1")->isVisible()) << "it stays hidden";
        EXPECT_EQ(w->session().service().options.Tunnel, 1);
        const long long start = w->framesProcessed();
        w->BackClick();
        ASSERT_TRUE(runUntil([&] { return finished; }));
        EXPECT_EQ(w->framesProcessed() - start, 1) << "no fade-out";
    }
    EXPECT_EQ(data::ReadUserOptions(store_).Tunnel, 1);
    auto w = open();
    EXPECT_TRUE(item(*w, "OFFV1")->isChecked());
}

TEST_F(DrivingWindowMenusTest, EveryOptionIsReadBackByTheNextDrive) {
    {
        auto w = open();
        for (const char* name : {"D1", "OFF1", "OFFV1", "OFFC1", "OFF2"}) {
            ASSERT_TRUE(w->triggerMenuItem(QString::fromLatin1(name))) << name;
        }
        leave(*w);
    }
    const data::UserOptions stored = data::ReadUserOptions(store_);
    EXPECT_EQ(stored.Kanko, 1);
    EXPECT_EQ(stored.Information, 1);
    EXPECT_EQ(stored.ATS, 0);
    EXPECT_EQ(stored.Tunnel, 1);
    EXPECT_EQ(stored.Moji, 0);
    auto w = open();
    const auto& o = w->session().service().options;
    EXPECT_EQ(o.Kanko, 1);
    EXPECT_EQ(o.Information, 1);
    EXPECT_EQ(o.Tunnel, 1);
    EXPECT_EQ(o.Moji, 0);
    EXPECT_TRUE(item(*w, "D1")->isChecked());
    EXPECT_TRUE(item(*w, "OFF1")->isChecked());
    EXPECT_FALSE(item(*w, "OFF2")->isChecked());
    EXPECT_TRUE(item(*w, "OFFV1")->isChecked());
    EXPECT_FALSE(item(*w, "OFFC1")->isChecked());
}

TEST_F(DrivingWindowMenusTest, SaveAtSpeedThenLoadRestoresTheRunAndTheCaptionsFollow) {
    auto w = open();
    w->show();
    w->startDriving();
    auto& state = w->session().mutableState();
    // Running at 60 km/h between the first two stations.
    QTest::keyClick(w.get(), Qt::Key_5);
    state.vehicle.Speed = 60;
    runFrames(*w, 120);
    ASSERT_GT(state.vehicle.Speed, 30);

    ASSERT_TRUE(w->triggerMenuItem(QStringLiteral("Save2")));
    const auto savedFrame = state.route.RoutePosition;
    const auto savedClock = state.route.Clock;
    const long double savedSpeed = state.vehicle.Speed;
    EXPECT_EQ(messages(*w), std::vector<std::string>{route::kSavedMessage});
    const QString title = u("始点 - 終点（始点～中央）");
    EXPECT_EQ(item(*w, "Load2")->text(), title) << "the captions are read again after a save";
    EXPECT_TRUE(item(*w, "Load2")->isEnabled());
    EXPECT_EQ(item(*w, "Save2")->text(), title);
    EXPECT_EQ(item(*w, "Load1")->text(), QStringLiteral("No Data"));
    EXPECT_EQ(store_.readString(data::kOptionsStore, "Save2Title"), title.toStdString());

    // Drive on and stop, then restore.
    runFrames(*w, 60);
    state.vehicle.Speed = 0;
    runFrames(*w, 2);
    ASSERT_NE(state.route.RoutePosition, savedFrame);
    ASSERT_TRUE(w->triggerMenuItem(QStringLiteral("Load2")));
    EXPECT_EQ(state.route.RoutePosition, savedFrame);
    EXPECT_EQ(state.route.Clock, savedClock);
    EXPECT_NEAR(static_cast<double>(state.vehicle.Speed), std::round(double(savedSpeed)), 1e-9);
    EXPECT_EQ(state.vehicle.BrakeHandle, 0) << "restored at speed with the brake released";
    runFrames(*w, 2);
    EXPECT_GT(state.vehicle.Speed, 30) << "and runs on";
    EXPECT_EQ(w->windowTitle(), u("試験線"));
}

TEST_F(DrivingWindowMenusTest, EmptyForeignAndCorruptSlotsChangeNothing) {
    auto w = open();
    w->show();
    const auto& state = w->session().state();
    const auto frame = state.route.RoutePosition;
    const auto clock = state.route.Clock;
    const auto station = state.stations.CurrentStation;

    // The empty slot's item cannot be chosen.
    ASSERT_TRUE(w->triggerMenuItem(QStringLiteral("Load1")));
    EXPECT_TRUE(messages(*w).empty());

    store_.writeString(data::kOptionsStore, "Save1", "line_other.dat,1,50,900,865000,90000,950");
    store_.writeString(data::kOptionsStore, "Save1Title", "他線（A～B）");
    store_.writeString(data::kOptionsStore, "Save3", "line_drive.dat,1,abc,900,865000,90000,950");
    store_.writeString(data::kOptionsStore, "Save3Title", "壊れた");
    ASSERT_TRUE(w->triggerMenuItem(QStringLiteral("SaveS1")));  // opening reads the captions
    EXPECT_EQ(item(*w, "Load1")->text(), u("他線（A～B）"));
    EXPECT_EQ(item(*w, "Load3")->text(), u("壊れた"));
    ASSERT_TRUE(w->triggerMenuItem(QStringLiteral("Load1")));
    ASSERT_TRUE(w->triggerMenuItem(QStringLiteral("Load3")));
    EXPECT_EQ(messages(*w),
              (std::vector<std::string>{route::kOtherLineMessage, "'abc' は数値に変換できません"}));
    EXPECT_EQ(state.route.RoutePosition, frame);
    EXPECT_EQ(state.route.Clock, clock);
    EXPECT_EQ(state.stations.CurrentStation, station);
    EXPECT_EQ(state.vehicle.Speed, 0);
}

TEST_F(DrivingWindowMenusTest, MoveMenuOffersTheStationsAndRestartsAtTheChosenOne) {
    auto w = open();
    QMenu* move = w->menuBar()->findChild<QMenu*>(QStringLiteral("GoTo1"));
    ASSERT_NE(move, nullptr);
    std::vector<std::string> names, captions;
    for (const QAction* a : move->actions()) {
        names.push_back(a->objectName().toStdString());
        captions.push_back(a->text().toStdString());
    }
    EXPECT_EQ(names, (std::vector<std::string>{"Sta0", "Sta1"}))
        << "the last station is never offered";
    EXPECT_EQ(captions, (std::vector<std::string>{"始点", "中央"}));
    ASSERT_TRUE(w->triggerMenuItem(QStringLiteral("Sta1")));
    EXPECT_EQ(w->session().state().stations.CurrentStation, 1);
    EXPECT_EQ(w->session().state().route.LineDistance, 100000) << "1000 m, at its stop";
}

TEST_F(DrivingWindowMenusTest, HelpWindowShowsTheHelpTextAndPassesKeysToTheTrain) {
    // A Shift_JIS help file: the caption line, then the text.
    {
        std::ofstream out(folder_ / "operation.dat", std::ios::binary);
        out << data::encodeCp932("操作説明\r\n【ハンドル】\r\n  8 ・・・ 力行側へ1段\r\n");
    }
    auto w = open();
    w->show();
    w->startDriving();
    EXPECT_EQ(w->helpWindow(), nullptr);
    ASSERT_TRUE(w->triggerMenuItem(QStringLiteral("menu_d1")));
    HelpWindow* help = w->helpWindow();
    ASSERT_NE(help, nullptr);
    EXPECT_TRUE(help->isVisible());
    EXPECT_TRUE(help->isWindow()) << "a window of its own";
    EXPECT_EQ(help->windowTitle(), u("操作説明"));
    EXPECT_EQ(help->text()->toPlainText(), u("【ハンドル】\n  8 ・・・ 力行側へ1段"));
    EXPECT_TRUE(help->text()->isReadOnly());
    EXPECT_TRUE(messages(*w).empty());

    // Characters and driving keys typed into the help text reach the train.
    const auto& v = w->session().state().vehicle;
    const int brake = v.BrakeHandle;
    QTest::keyClick(help->text(), Qt::Key_8);
    EXPECT_EQ(v.BrakeHandle, brake + 1);
    EXPECT_EQ(help->text()->toPlainText(), u("【ハンドル】\n  8 ・・・ 力行側へ1段"))
        << "the text stays as it was";
    w->session().mutableState().vehicle.Speed = 50;
    QTest::keyClick(help->text(), Qt::Key_F12, Qt::ShiftModifier);
    EXPECT_DOUBLE_EQ(static_cast<double>(v.Speed), 60.0);
    // A held horn key sounds from press to release.
    const auto& input = w->session().state().input;
    QTest::keyPress(help->text(), Qt::Key_3);
    runFrames(*w, 2);
    EXPECT_TRUE(input.HornKey1);
    QTest::keyRelease(help->text(), Qt::Key_3);
    runFrames(*w, 2);
    EXPECT_FALSE(input.HornKey1);

    // Opening it again shows the same window; leaving the drive closes it.
    help->hide();
    ASSERT_TRUE(w->triggerMenuItem(QStringLiteral("menu_d1")));
    EXPECT_EQ(w->helpWindow(), help);
    EXPECT_TRUE(help->isVisible());
    leave(*w);
    EXPECT_FALSE(help->isVisible());
}

TEST_F(DrivingWindowMenusTest, MissingHelpFileIsReportedAndLeavesAnEmptyHelpWindow) {
    auto w = open();
    w->show();
    ASSERT_TRUE(w->triggerMenuItem(QStringLiteral("menu_d1")));
    HelpWindow* help = w->helpWindow();
    ASSERT_NE(help, nullptr);
    EXPECT_EQ(help->windowTitle(), QStringLiteral("Help"));
    EXPECT_TRUE(help->text()->toPlainText().isEmpty());
    EXPECT_EQ(messages(*w),
              std::vector<std::string>{(folder_ / "operation.dat").string() + "が見つかりません"});
}

TEST_F(DrivingWindowMenusTest, ScriptsRunMenuItemsByName) {
    DriveOptions options;
    options.script = sim::parseScript(
        "0.2 menu OFFC1\n"
        "0.3 menu OFF1\n"
        "0.4 load 2\n"
        "0.5 menu Save3\n"
        "0.6 menu SaveS1\n"
        "0.7 menu Sta1\n"
        "0.8 menu NoSuchItem\n"
        "1.0 quit\n");
    auto w = open(std::move(options));
    bool finished = false;
    QObject::connect(w.get(), &DrivingWindow::finished, [&] { finished = true; });
    int station = 0;
    std::vector<std::string> shown;
    w->show();
    w->startDriving();
    ASSERT_TRUE(runUntil([&] {
        if (!finished) station = w->session().state().stations.CurrentStation;
        for (const std::string& m : messages(*w)) {
            if (std::find(shown.begin(), shown.end(), m) == shown.end()) shown.push_back(m);
        }
        return finished;
    }));
    EXPECT_EQ(station, 1);
    EXPECT_EQ(shown, (std::vector<std::string>{route::kNothingSavedMessage, route::kSavedMessage}))
        << "a load of an empty slot says so";
    EXPECT_EQ(item(*w, "Load3")->text(), u("始点 - 終点（始点～中央）"));
    EXPECT_TRUE(item(*w, "Load3")->isEnabled());
    const data::UserOptions stored = data::ReadUserOptions(store_);
    EXPECT_EQ(stored.Moji, 0);
    EXPECT_EQ(stored.Kanko, 1);
    EXPECT_EQ(w->scriptStatus(), 1) << "a name the window does not have fails the run";
}

TEST_F(DrivingWindowMenusTest, AScriptPausesForAShotAndResumesAtTheSameMoment) {
    const auto shot = temp_.path() / "paused.png";
    DriveOptions options;
    options.script = sim::parseScript("0.5 menu start1\n0.5 shot " + shot.string() +
                                      "\n0.5 menu start1\n1.0 quit\n");
    auto w = open(std::move(options));
    bool finished = false;
    QObject::connect(w.get(), &DrivingWindow::finished, [&] { finished = true; });
    w->show();
    w->startDriving();
    ASSERT_TRUE(runUntil([&] { return finished; }));
    EXPECT_NEAR(w->drivenSeconds(), 1.0, 0.05) << "driving went on after the pause";
    EXPECT_FALSE(QImage(QString::fromStdString(shot.string())).isNull());
    EXPECT_EQ(w->scriptStatus(), 0);
}

}  // namespace
}  // namespace tressmoor::view
