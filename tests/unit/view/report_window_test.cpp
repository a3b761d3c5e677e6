// The drive report window: its summary and tables, the driving window's menu item and the best
// score it keeps in the settings store at the service end.
#include "view/report_window.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QTableWidget>
#include <QTest>
#include <cstdlib>
#include <filesystem>

#include "data/settings_store.h"
#include "sound/memory_mixer.h"
#include "unit/view/gui_application.h"
#include "view/driving_window.h"

namespace tressmoor::view {
namespace {

QString text(QTableWidget* t, int row, int column) {
    const QTableWidgetItem* item = t->item(row, column);
    return item != nullptr ? item->text() : QStringLiteral("(none)");
}

sim::DriveReport sampleReport() {
    sim::DriveReport r;
    r.lineName = "霧沢線";
    r.serviceEnded = true;
    r.drivenSeconds = 754;
    sim::StopResult start;
    start.name = "霧沢";
    start.outcome = sim::StopOutcome::Start;
    start.departureDelayS = 4.2;
    sim::StopResult early = start;
    early.name = "東霧沢";
    early.stopCm = 100000;
    early.outcome = sim::StopOutcome::Stopped;
    early.stopErrorM = -0.426;
    early.arrivalDelayS = -12.0;
    early.departureDelayS = 0.2;
    sim::StopResult over = early;
    over.name = "柳台";
    over.stopCm = 200000;
    over.stopErrorM = 6.5;
    over.overrun = true;
    over.arrivalDelayS = 31;
    over.departureDelayS = std::nullopt;
    r.stops = {start, early, over};
    sim::SpeedSection s;
    s.label = "霧沢–東霧沢";
    s.limitKmh = 100;
    s.endCm = 100000;
    s.visited = true;
    s.maxSpeedKmh = 62.34;
    sim::SpeedSection limit = s;
    limit.kind = sim::SpeedSection::Kind::Limit;
    limit.label = "制限55";
    limit.limitKmh = 55;
    limit.startCm = 120000;
    limit.endCm = 150000;
    limit.maxSpeedKmh = 58;
    sim::SpeedSection ahead = s;
    ahead.visited = false;
    r.sections = {s, limit, ahead};
    r.profile = {{0, 0}, {500, 62}, {1000, 0}, {1500, 58}, {2006.5, 0}};
    sim::scoreReport(r);
    return r;
}

TEST(ReportWindowTest, TablesShowEveryStopAndEveryDrivenSection) {
    ReportWindow w(nullptr);
    const sim::DriveReport r = sampleReport();
    w.setReport(r, 88.5, false);
    QTableWidget* stops = w.stopsTable();
    ASSERT_EQ(stops->rowCount(), 3);
    EXPECT_EQ(text(stops, 0, 0), QStringLiteral("霧沢"));
    EXPECT_EQ(text(stops, 0, 1), QStringLiteral("—"));
    EXPECT_EQ(text(stops, 0, 3), QStringLiteral("+4"));
    EXPECT_EQ(text(stops, 0, 4), QStringLiteral("始発"));
    EXPECT_EQ(text(stops, 1, 1), QStringLiteral("-0.43"));
    EXPECT_EQ(text(stops, 1, 2), QStringLiteral("-12"));
    EXPECT_EQ(text(stops, 1, 3), QStringLiteral("0"));  // 0.2 s shows no sign
    EXPECT_EQ(text(stops, 2, 1), QStringLiteral("+6.50"));
    EXPECT_EQ(text(stops, 2, 3), QStringLiteral("—"));
    EXPECT_EQ(text(stops, 2, 4), QStringLiteral("停車・オーバーラン"));
    QTableWidget* sections = w.sectionsTable();
    ASSERT_EQ(sections->rowCount(), 2);  // the section not driven is left out
    EXPECT_EQ(text(sections, 0, 2), QStringLiteral("62.3"));
    EXPECT_EQ(text(sections, 1, 0), QStringLiteral("制限55"));
    EXPECT_EQ(text(sections, 1, 1), QStringLiteral("55"));
    EXPECT_EQ(text(sections, 1, 2), QStringLiteral("58.0"));
    // 100 − stop error 11 − overrun 10 − time 4.2 − overspeed 5.
    EXPECT_DOUBLE_EQ(r.score, 69.8);
    const QString summary = w.summary()->text();
    EXPECT_TRUE(summary.contains(QStringLiteral("<b>69.8</b>"))) << summary.toStdString();
    EXPECT_TRUE(summary.contains(QStringLiteral("自己ベスト 88.5 点")));
    EXPECT_TRUE(summary.contains(QStringLiteral("運転時間 12分34秒")));
    w.setReport(r, 69.8, true);
    EXPECT_TRUE(w.summary()->text().contains(QStringLiteral("自己ベスト更新")));

    // A picture for people to look at, when asked for.
    if (const char* shot = std::getenv("TRESSMOOR_REPORT_SHOT")) {
        w.show();
        w.grab().save(QString::fromUtf8(shot));
    }
}

TEST(ReportWindowTest, TheMenuItemShowsTheReportAndTheServiceEndKeepsTheBestScore) {
    sound::MemoryMixer mixer;
    data::MemorySettingsStore store;
    sim::ServiceChoice choice;
    choice.LineFile = "line_drive.dat";
    choice.TrainFile = "train_drive.dat";
    DriveOptions options;
    options.fixedStepMs = 1000.0L / 60;
    options.unattended = true;
    const auto folder = std::filesystem::path(TRESSMOOR_FIXTURES_DIR) / "drive";
    auto w = std::make_unique<DrivingWindow>(folder, choice, mixer, store, options);
    w->show();
    ASSERT_TRUE(w->triggerMenuItem(QStringLiteral("report1")));
    ASSERT_NE(w->reportWindow(), nullptr);
    EXPECT_TRUE(w->reportWindow()->isVisible());
    // The test line's three stops, the run not yet begun.
    ASSERT_EQ(w->reportWindow()->stopsTable()->rowCount(), 3);
    EXPECT_EQ(text(w->reportWindow()->stopsTable(), 2, 4), QStringLiteral("未到着"));
    const std::string name = sim::bestScoreName("line_drive.dat", "train_drive.dat");
    EXPECT_FALSE(store.readInt(data::kOptionsStore, name));

    // The service ends (as at the last station): the report is kept as the best score.
    w->reportWindow()->hide();
    w->startDriving();
    ASSERT_TRUE(QTest::qWaitFor([&] { return w->framesProcessed() >= 3; }, 20000));
    w->session().mutableState().stations.ServiceEnd = true;
    ASSERT_TRUE(QTest::qWaitFor([&] { return w->reportWindow()->isVisible(); }, 20000));
    EXPECT_EQ(store.readInt(data::kOptionsStore, name), 1000);
    EXPECT_TRUE(w->reportWindow()->summary()->text().contains(QStringLiteral("自己ベスト更新")));
    w->close();

    // The next drive shows it as the best to beat.
    auto next = std::make_unique<DrivingWindow>(folder, choice, mixer, store, options);
    next->show();
    ASSERT_TRUE(next->triggerMenuItem(QStringLiteral("report1")));
    EXPECT_TRUE(
        next->reportWindow()->summary()->text().contains(QStringLiteral("自己ベスト 100.0 点")));
    next->close();
}

}  // namespace
}  // namespace tressmoor::view
