// The title window, driven offscreen: the opening movie, the staged menu, the title sound, the
// service choice with and without a picked train, and the return after a drive.
#include "app/title_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QScreen>
#include <QTest>
#include <algorithm>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "sound/memory_mixer.h"
#include "test_support/temp_dir.h"
#include "test_support/test_video.h"

namespace tressmoor::app {
namespace {

namespace fs = std::filesystem;

/// One serviceChosen signal.
struct Choice {
    int index;
    QString file;
    QString folder;
};

class TitleWindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        static int argc = 1;
        static char name[] = "app_tests";
        static char* argv[] = {name, nullptr};
        qputenv("QT_QPA_PLATFORM", "offscreen");
        if (QApplication::instance() == nullptr) app_ = new QApplication(argc, argv);
    }

    void SetUp() override {
        mixer_.setEventSink([this](int channel, const char* what) {
            sounds_.push_back(std::to_string(channel) + " " + what);
        });
    }

    /// A window on the test folder with recording hooks, shown (which starts it).
    TitleWindow& open() {
        window_ = std::make_unique<TitleWindow>(folder_.path(), mixer_);
        window_->hooks().message = [this](QWidget*, const QString& text) { messages_ << text; };
        window_->hooks().pickTrainFile = [this](QWidget*, const QString& caption, const QString&,
                                                const QString& filter) {
            dialogs_ << caption + " | " + filter;
            return picked_;
        };
        window_->hooks().openDocument = [this](const QUrl& url) { opened_ << url; };
        QObject::connect(window_.get(), &TitleWindow::serviceChosen,
                         [this](int i, const QString& file, const QString& folder) {
                             choices_.push_back({i, file, folder});
                         });
        window_->show();
        return *window_;
    }

    /// Opens the window without a movie and runs the ten ticks that reveal the whole menu.
    TitleWindow& openMenu() {
        TitleWindow& w = open();
        for (int i = 0; i < 10; ++i) w.timerTick();
        return w;
    }

    QLabel* item(const char* name) { return window_->findChild<QLabel*>(QString::fromUtf8(name)); }

    /// Names of the menu items shown, in menu order.
    QStringList shownItems() {
        QStringList shown;
        for (const char* name :
             {"service1", "service2", "service3", "service4", "service5", "help", "quit"}) {
            if (item(name)->isVisibleTo(window_.get())) shown << QString::fromUtf8(name);
        }
        return shown;
    }

    void addTitleSound() {
        fs::create_directories(folder_.path() / "sound");
        fs::copy_file(fs::path(TRESSMOOR_FIXTURES_DIR) / "sound_rules/chime.wav",
                      folder_.path() / "sound/40225.wav");
    }

    /// A 64 × 48 movie of `frames` frames at 30 frames/s, every frame a light grey.
    void addMovie(int frames) {
        fs::create_directories(folder_.path() / "move");
        test_support::TestVideo video;
        video.frames = frames;
        video.paint = [&video](AVFrame* frame, int) {
            for (int plane = 0; plane < 3; ++plane) {
                const int rows = plane == 0 ? video.height : video.height / 2;
                const int bytes = plane == 0 ? video.width : video.width / 2;
                for (int row = 0; row < rows; ++row)
                    std::memset(frame->data[plane] + row * frame->linesize[plane],
                                plane == 0 ? 200 : 128, static_cast<std::size_t>(bytes));
            }
        };
        test_support::writeTestVideo(folder_.path() / "move/opening.avi", video);
    }

    static inline QApplication* app_ = nullptr;
    test_support::TempDir folder_;
    sound::MemoryMixer mixer_;
    std::vector<std::string> sounds_;
    QStringList messages_;
    QStringList dialogs_;
    QString picked_;
    QList<QUrl> opened_;
    std::vector<Choice> choices_;
    std::unique_ptr<TitleWindow> window_;
};

TEST(CentredOffset, HalvesTheFreeSpaceWithTiesToEven) {
    EXPECT_EQ(centredOffset(0), 0);
    EXPECT_EQ(centredOffset(1), 0);
    EXPECT_EQ(centredOffset(3), 2);
    EXPECT_EQ(centredOffset(5), 2);
    EXPECT_EQ(centredOffset(320), 160);
    EXPECT_EQ(centredOffset(330), 165);
    EXPECT_EQ(centredOffset(-1), 0);
    EXPECT_EQ(centredOffset(-3), -2);
    EXPECT_EQ(centredOffset(-5), -2);
}

TEST_F(TitleWindowTest, WithoutAMovieTheFirstTickOpensTheMenuAndStartsTheTitleSound) {
    addTitleSound();
    TitleWindow& w = open();
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(w.size(), QSize(480, 270));
    EXPECT_EQ(w.pos(),
              screen.topLeft() + QPoint((screen.width() - 480) / 2, (screen.height() - 270) / 2));
    EXPECT_TRUE(sounds_.empty());

    w.timerTick();
    EXPECT_EQ(w.size(), QSize(800, 600));
    EXPECT_EQ(w.pos(),
              screen.topLeft() + QPoint((screen.width() - 800) / 2, (screen.height() - 600) / 2));
    EXPECT_FALSE(w.showsMovie());
    EXPECT_EQ(w.titleTicks(), 1);
    EXPECT_EQ(sounds_, std::vector<std::string>{"319 play"});
    EXPECT_TRUE(messages_.isEmpty());
}

TEST_F(TitleWindowTest, TheMenuAppearsOneItemPerTick) {
    TitleWindow& w = open();
    // Items shown after each of the ticks 1 … 10.
    const std::vector<int> expected = {0, 0, 1, 2, 3, 4, 5, 5, 6, 7};
    for (std::size_t tick = 0; tick < expected.size(); ++tick) {
        w.timerTick();
        EXPECT_EQ(shownItems().size(), expected[tick]) << "after tick " << tick + 1;
    }
    EXPECT_EQ(shownItems().last(), QStringLiteral("quit"));
    EXPECT_EQ(w.childAt(60, 524), item("service5"));
}

TEST_F(TitleWindowTest, TheMovieShowsAt480x270AndAClickEndsIt) {
    addTitleSound();
    addMovie(60);
    TitleWindow& w = open();
    EXPECT_EQ(w.size(), QSize(480, 270));
    EXPECT_TRUE(w.showsMovie());
    // The 4:3 picture fills the height, with black bars left and right.
    const QImage shot = w.grab().toImage();
    EXPECT_GT(qGray(shot.pixel(240, 135)), 180);
    EXPECT_EQ(qGray(shot.pixel(20, 135)), 0);

    for (int i = 0; i < 4; ++i) w.timerTick();
    EXPECT_EQ(w.size(), QSize(480, 270));
    EXPECT_TRUE(sounds_.empty()) << "the title sound waits for the end of the movie";

    QTest::mouseClick(w.findChild<QWidget*>(QStringLiteral("movie")), Qt::LeftButton);
    EXPECT_FALSE(w.showsMovie());
    EXPECT_EQ(w.size(), QSize(800, 600));
    EXPECT_EQ(w.titleTicks(), 0);
    EXPECT_TRUE(shownItems().isEmpty()) << "the staged reveal starts again";
    w.timerTick();
    EXPECT_EQ(sounds_, std::vector<std::string>{"319 play"});
}

TEST_F(TitleWindowTest, TheMovieIsCutAfter540Ticks) {
    addTitleSound();
    addMovie(60);
    TitleWindow& w = open();
    for (int i = 0; i < kMovieCutTicks; ++i) w.timerTick();
    EXPECT_TRUE(w.showsMovie());
    EXPECT_EQ(w.titleTicks(), 540);
    w.timerTick();
    EXPECT_FALSE(w.showsMovie());
    EXPECT_EQ(w.size(), QSize(800, 600));
    EXPECT_EQ(w.titleTicks(), 1);
    EXPECT_EQ(sounds_, std::vector<std::string>{"319 play"});
}

TEST_F(TitleWindowTest, AMovieThatEndsOpensTheMenu) {
    addMovie(6);
    TitleWindow& w = open();
    EXPECT_TRUE(w.showsMovie());
    QTRY_VERIFY_WITH_TIMEOUT(!w.showsMovie(), 10000);
    EXPECT_EQ(w.size(), QSize(800, 600));
}

TEST_F(TitleWindowTest, AMovieThatCannotBeOpenedIsReportedAndTheMenuFollows) {
    fs::create_directories(folder_.path() / "move");
    std::ofstream(folder_.path() / "move/opening.avi") << "not a movie";
    TitleWindow& w = open();
    QTRY_COMPARE(messages_, QStringList{QStringLiteral("オープニングムービーを開けません")});
    w.timerTick();
    EXPECT_EQ(w.size(), QSize(800, 600));
    EXPECT_FALSE(w.showsMovie());
}

TEST_F(TitleWindowTest, RightClickThenCancelDoesNothing) {
    addTitleSound();
    TitleWindow& w = openMenu();
    QTest::mouseClick(item("service5"), Qt::RightButton);
    EXPECT_EQ(dialogs_, QStringList{QStringLiteral("この路線を任意の列車で運転することができます | "
                                                   "列車データファイル (*.dat)")});
    EXPECT_TRUE(choices_.empty());
    EXPECT_EQ(w.size(), QSize(800, 600));
    EXPECT_FALSE(item("loading")->isVisibleTo(&w));
    EXPECT_EQ(sounds_.front(), "319 play");
    EXPECT_EQ(std::count(sounds_.begin(), sounds_.end(), "319 stop"), 0)
        << "the title sound plays on";
}

TEST_F(TitleWindowTest, APickedTrainDrivesTheLineOnceThenTheBuiltInTrainAgain) {
    TitleWindow& w = openMenu();
    picked_ = QStringLiteral("/home/user/my trains/train_kiha40.dat");
    QTest::mouseClick(item("service5"), Qt::RightButton);
    ASSERT_EQ(choices_.size(), 1u);
    EXPECT_EQ(choices_[0].index, 4);
    EXPECT_EQ(choices_[0].file, QStringLiteral("train_kiha40.dat"));
    EXPECT_EQ(choices_[0].folder, QStringLiteral("/home/user/my trains/"));

    w.endDrive();
    QTest::mouseClick(item("service2"), Qt::LeftButton);
    ASSERT_EQ(choices_.size(), 2u);
    EXPECT_EQ(choices_[1].index, 1);
    EXPECT_TRUE(choices_[1].file.isEmpty());
    EXPECT_TRUE(choices_[1].folder.isEmpty());

    w.endDrive();
    picked_ = QStringLiteral("C:\\trains\\train_683.dat");  // a path with "\" splits there too
    QTest::mouseClick(item("service1"), Qt::RightButton);
    ASSERT_EQ(choices_.size(), 3u);
    EXPECT_EQ(choices_[2].file, QStringLiteral("train_683.dat"));
    EXPECT_EQ(choices_[2].folder, QStringLiteral("C:\\trains\\"));
}

TEST_F(TitleWindowTest, ChoosingAServiceShowsTheLoadingPlateAndTheProgressLine) {
    addTitleSound();
    TitleWindow& w = open();
    w.timerTick();
    w.timerTick();  // only the title sound so far: no button shown yet
    QObject::connect(&w, &TitleWindow::serviceChosen, [&] {
        EXPECT_EQ(w.size(), QSize(800, 618));
        EXPECT_TRUE(item("loading")->isVisibleTo(&w));
        EXPECT_EQ(item("loading")->pos(), QPoint(345, 271));
        EXPECT_TRUE(item("progress")->isVisibleTo(&w));
        EXPECT_EQ(item("progress")->geometry(), QRect(0, 600, 800, 18));
        EXPECT_EQ(item("progress")->text(), QStringLiteral("Formを作成しています"));
        EXPECT_EQ(shownItems().size(), 7);
        EXPECT_FALSE(mixer_.hasWave(kTitleSoundChannel)) << "the drive has the mixer now";
    });
    QTest::mouseClick(item("service3"), Qt::LeftButton);
    ASSERT_EQ(choices_.size(), 1u);
    EXPECT_EQ(choices_[0].index, 2);
    EXPECT_EQ(sounds_, (std::vector<std::string>{"319 play", "319 stop"}));

    QTest::mouseClick(item("service1"), Qt::LeftButton);
    EXPECT_EQ(choices_.size(), 1u) << "no second choice while a drive is prepared";
    w.showProgress(QStringLiteral("サウンドを読み込んでいます"));
    EXPECT_EQ(item("progress")->text(), QStringLiteral("サウンドを読み込んでいます"));
    w.hide();
}

TEST_F(TitleWindowTest, AfterTheDriveTheWholeMenuReturnsAt800x600AndStays) {
    TitleWindow& w = openMenu();
    QTest::mouseClick(item("service4"), Qt::LeftButton);
    w.hide();
    w.endDrive();
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(w.size(), QSize(800, 600));
    EXPECT_FALSE(item("loading")->isVisibleTo(&w));
    EXPECT_FALSE(item("progress")->isVisibleTo(&w));
    EXPECT_EQ(shownItems().size(), 7);
    const int ticks = w.titleTicks();
    QTest::qWait(250);
    EXPECT_EQ(w.titleTicks(), ticks) << "the title timer stopped for good";
}

TEST_F(TitleWindowTest, HelpOpensTheReadMeAndQuitClosesTheWindow) {
    TitleWindow& w = openMenu();
    QTest::mouseClick(item("help"), Qt::LeftButton);
    ASSERT_EQ(opened_.size(), 1);
    EXPECT_EQ(opened_[0].toLocalFile(),
              QString::fromStdString((folder_.path() / "readme.html").string()));
    QTest::mouseClick(item("quit"), Qt::LeftButton);
    EXPECT_FALSE(w.isVisible());
}

}  // namespace
}  // namespace tressmoor::app
