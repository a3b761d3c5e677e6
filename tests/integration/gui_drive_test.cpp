// Each sample service driven for half a minute in the real driving window (offscreen), with a
// script that takes a picture standing and one running; the pictures are judged region by region
// and kept in the build tree (tests/integration/gui_shots/serviceN/) for people to look at.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QColor>
#include <QImage>
#include <QProcess>
#include <QProcessEnvironment>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "data/path_resolver.h"
#include "data/train_file.h"
#include "desktop_test_support.h"
#include "sim/service.h"

namespace {

namespace fs = std::filesystem;
using tressmoor::test_support::changedPixels;
using tressmoor::test_support::meanLuma;

/// A folder of generated sample content shared by every case (the route video cut short).
class GuiDriveTest : public ::testing::TestWithParam<int> {
protected:
    static void SetUpTestSuite() {
        content_.generate("gui", 1500);
        root_ = content_.root;
        generated_ = content_.generated;
    }
    static void TearDownTestSuite() { content_.remove(); }

    struct Drive {
        int exitCode = -1;
        std::string stderrText;
        QImage standing;
        QImage running;
        fs::path stats;
        bool relativeShotSaved = false;    ///< the picture of a relative `shot` name
        bool programFolderChanged = true;  ///< anything added to or removed from the folder
    };

    /// Every entry below a folder, sorted.
    static std::vector<fs::path> listing(const fs::path& folder) {
        std::vector<fs::path> entries;
        for (const auto& e : fs::recursive_directory_iterator(folder)) entries.push_back(e.path());
        std::sort(entries.begin(), entries.end());
        return entries;
    }

    /// Drives service `service` with a script: pictures at 1 s and 29 s; power from 14 s. The
    /// program starts in a folder of its own and is given the script, the statistics file and
    /// one more picture by relative names: they belong there, not in the program folder.
    static Drive drive(int service) {
        // The pictures are kept for people to look at; the rest goes with the content.
        const fs::path shots = fs::path(GUI_SHOTS_DIR) / ("service" + std::to_string(service));
        fs::create_directories(shots);
        fs::remove(shots / "standing.png");
        fs::remove(shots / "running.png");
        const fs::path dir = root_ / ("service" + std::to_string(service));
        fs::create_directories(dir);
        const fs::path script = dir / "drive.txt";
        {
            std::ofstream out(script);
            out << "1 shot " << (shots / "standing.png").string() << "\n"
                << "14 key 5\n14.2 key 8\n14.4 key 8\n14.6 key 8\n14.8 key 8\n15.0 key 8\n"
                << "2 shot relative.png\n"
                << "20 hold 3 0.5\n"
                << "29 shot " << (shots / "running.png").string() << "\n"
                << "30 quit\n";
        }
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("HOME", QString::fromStdString(dir.string()));  // a fresh settings store
        env.insert("XDG_CONFIG_HOME", QString::fromStdString((dir / "config").string()));
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(QString::fromStdString(dir.string()));
        Drive d;
        d.stats = dir / "frames.csv";
        fs::remove(dir / "relative.png");
        const auto before = listing(root_ / "data");
        p.start(TRESSMOOR_EXE, {"--data", QString::fromStdString((root_ / "data").string()),
                                "--service", QString::number(service), "--script", "drive.txt",
                                "--step-ms", "16.667", "--silent", "--frame-stats", "frames.csv"});
        if (!p.waitForFinished(600000)) {
            p.kill();
            return d;
        }
        d.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
        d.stderrText = p.readAllStandardError().toStdString();
        d.standing.load(QString::fromStdString((shots / "standing.png").string()));
        d.running.load(QString::fromStdString((shots / "running.png").string()));
        d.relativeShotSaved = fs::is_regular_file(dir / "relative.png");
        d.programFolderChanged = listing(root_ / "data") != before;
        return d;
    }

    static inline tressmoor::test_support::GeneratedContent content_;
    static inline fs::path root_;
    static inline bool generated_ = false;
};

TEST_P(GuiDriveTest, ServiceDrivesInTheWindowAndItsPicturesShowIt) {
    ASSERT_TRUE(generated_);
    const int service = GetParam();
    const Drive d = drive(service);
    ASSERT_EQ(d.exitCode, 0) << d.stderrText;
    ASSERT_FALSE(d.standing.isNull());
    ASSERT_FALSE(d.running.isNull());
    EXPECT_EQ(d.standing.size(), QSize(1202, 801));
    EXPECT_TRUE(d.relativeShotSaved);
    EXPECT_FALSE(d.programFolderChanged);

    const auto choice = tressmoor::sim::ServiceChoice::forService(service - 1);
    const auto train = tressmoor::data::LoadTrainFile(root_ / "data", choice.TrainFile);
    const auto& panel = train.panel;

    // The route view shows the video, not black, standing and running.
    EXPECT_GT(meanLuma(d.standing, QRect(0, 0, 800, 400)), 25.0);
    EXPECT_GT(meanLuma(d.running, QRect(0, 0, 800, 400)), 25.0);
    // Running, the view ahead has moved on.
    EXPECT_GT(changedPixels(d.standing, d.running, QRect(0, 0, 800, 400)), 5000);

    // The speedometer's needle turned.
    const auto& sp = panel.Needle_Speed;
    ASSERT_FALSE(sp.file.empty());
    EXPECT_GT(changedPixels(d.standing, d.running, QRect(sp.x, sp.y, sp.width, sp.height)), 40);
    // The speed label changed; the clock label too.
    EXPECT_GT(changedPixels(d.standing, d.running, QRect(836, 646, 166, 30)), 30);
    EXPECT_GT(changedPixels(d.standing, d.running, QRect(1040, 763, 110, 30)), 10);
    // The power lamp is lit while powering and dark standing.
    const auto& lamp = panel.Lamp_Power;
    if (!lamp.file.empty()) {
        const QImage picture(QString::fromStdString(
            tressmoor::data::resolveDataPath(root_ / "data", lamp.file).string()));
        ASSERT_FALSE(picture.isNull());
        EXPECT_GT(changedPixels(d.standing, d.running,
                                QRect(lamp.x, lamp.y, picture.width(), picture.height())),
                  picture.width() * picture.height() / 4);
    }

    // One statistics row per frame: about 30 s of 16.667 ms frames.
    std::ifstream stats(d.stats);
    std::string header;
    std::getline(stats, header);
    EXPECT_EQ(header, "frame,dt_ms,decode_us,compose_us,present_us,physics_update_us,sound_us");
    int rows = 0;
    for (std::string row; std::getline(stats, row);) ++rows;
    EXPECT_NEAR(rows, 1800, 5);
}

INSTANTIATE_TEST_SUITE_P(AllServices, GuiDriveTest, ::testing::Values(1, 2, 3, 4, 5));

}  // namespace
