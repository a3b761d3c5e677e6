// The desktop program driving service 1 through faults around it: a route video cut off in the
// middle, no sound device, a settings place that cannot be written, and save slots holding a
// damaged value and one of another line. Every drive goes on to its end with at most the one
// message the fault calls for; the drive of a fault that must change nothing is compared with an
// undisturbed one.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QColor>
#include <QImage>
#include <QProcess>
#include <QProcessEnvironment>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "desktop_test_support.h"

namespace {

namespace fs = std::filesystem;
using tressmoor::test_support::changedPixels;
using tressmoor::test_support::meanLuma;

/// Lines of `text` that hold `part`.
int linesWith(const std::string& text, const std::string& part) {
    std::istringstream in(text);
    int n = 0;
    for (std::string line; std::getline(in, line);) n += line.find(part) != std::string::npos;
    return n;
}

class FaultDriveTest : public ::testing::Test {
protected:
    /// Sample content with a short route video (900 frames; the train passes frame 300 at about
    /// 28 s of this drive and frame 600 at about 40 s).
    static void SetUpTestSuite() {
        content_.generate("faults", 900);
        root_ = content_.root;
        generated_ = content_.generated;
    }
    static void TearDownTestSuite() { content_.remove(); }

    struct Drive {
        int exitCode = -1;
        std::string stderrText;
        int frames = 0;  ///< rows of the frame statistics
        int quitAt = 0;
        std::vector<QImage> pictures;  ///< at the times of Setup::shots
    };
    struct Setup {
        std::string name;
        fs::path data;                      ///< program folder (the shared one unless given)
        std::vector<std::string> commands;  ///< extra script lines
        bool silent = true;
        std::vector<std::pair<QString, QString>> environment;
        fs::path config;                    ///< XDG_CONFIG_HOME (a fresh folder unless given)
        std::vector<int> shots = {24, 30};  ///< seconds at which pictures are taken
        int quitAt = 31;
    };

    /// Service 1: the doors close at 9 s, power from 14 s, the train leaves at about 21 s.
    static Drive drive(const Setup& s) {
        const fs::path dir = root_ / s.name;
        fs::create_directories(dir);
        const fs::path script = dir / "drive.txt";
        {
            std::ofstream out(script);
            out << "14 key 5\n14.2 key 8\n14.4 key 8\n14.6 key 8\n14.8 key 8\n15.0 key 8\n";
            for (const auto& c : s.commands) out << c << "\n";
            for (int t : s.shots) out << t << " shot " << picture(dir, t) << "\n";
            out << s.quitAt << " quit\n";
        }
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("HOME", QString::fromStdString(dir.string()));
        env.insert("XDG_CONFIG_HOME",
                   QString::fromStdString((s.config.empty() ? dir / "config" : s.config).string()));
        for (const auto& [name, value] : s.environment) env.insert(name, value);
        p.setProcessEnvironment(env);
        QStringList args = {
            "--data",
            QString::fromStdString((s.data.empty() ? root_ / "data" : s.data).string()),
            "--service",
            "1",
            "--script",
            QString::fromStdString(script.string()),
            "--step-ms",
            "16.667",
            "--frame-stats",
            QString::fromStdString((dir / "frames.csv").string())};
        if (s.silent) args << "--silent";
        p.start(TRESSMOOR_EXE, args);
        Drive d;
        if (!p.waitForFinished(600000)) {
            p.kill();
            return d;
        }
        d.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
        d.stderrText = p.readAllStandardError().toStdString();
        std::ifstream stats(dir / "frames.csv");
        for (std::string row; std::getline(stats, row);) ++d.frames;
        for (int t : s.shots) d.pictures.emplace_back(QString::fromStdString(picture(dir, t)));
        d.quitAt = s.quitAt;
        return d;
    }
    static std::string picture(const fs::path& dir, int t) {
        return (dir / (std::to_string(t) + ".png")).string();
    }

    static ::testing::AssertionResult drove(const Drive& d) {
        if (d.exitCode != 0)
            return ::testing::AssertionFailure() << "exit " << d.exitCode << "\n" << d.stderrText;
        if (std::abs(d.frames - 1 - d.quitAt * 60) > 5)
            return ::testing::AssertionFailure() << d.frames << " statistics rows";
        for (const QImage& picture : d.pictures)
            if (picture.isNull()) return ::testing::AssertionFailure() << "a picture is missing";
        return ::testing::AssertionSuccess();
    }

    /// The speed label and the speedometer: where a drive that went otherwise would show it.
    static const inline QRect kSpeedLabel{836, 646, 166, 30};
    static const inline QRect kView{0, 0, 800, 400};

    static inline tressmoor::test_support::GeneratedContent content_;
    static inline fs::path root_;
    static inline bool generated_ = false;
};

TEST_F(FaultDriveTest, RouteVideoCutOffInTheMiddleFreezesTheViewAndTheDriveGoesOn) {
    ASSERT_TRUE(generated_);
    // A copy of the folder whose route video lacks its last two thirds (about frame 300 on).
    const fs::path data = root_ / "cut_data";
    fs::copy(root_ / "data", data, fs::copy_options::recursive);
    const fs::path video = data / "movie" / "kelvane_main.avi";
    ASSERT_TRUE(fs::exists(video));
    fs::resize_file(video, fs::file_size(video) / 3);
    Setup s;
    s.name = "cut";
    s.data = data;
    s.shots = {26, 30, 40, 44};
    s.quitAt = 45;
    const Drive d = drive(s);
    ASSERT_TRUE(drove(d));
    // One line says the video is damaged; FFmpeg's own complaints do not reach the user.
    EXPECT_EQ(linesWith(d.stderrText, "video: "), 1) << d.stderrText;
    EXPECT_EQ(linesWith(d.stderrText, "kelvane_main.avi is damaged"), 1) << d.stderrText;
    EXPECT_EQ(linesWith(d.stderrText, " @ 0x"), 0) << d.stderrText;
    // Before the cut the view moves; past it the last good picture stays (only the lineside
    // signs drawn over it may differ) and it is not black.
    EXPECT_GT(changedPixels(d.pictures[0], d.pictures[1], kView), 5000);
    EXPECT_GT(meanLuma(d.pictures[3], kView), 25.0);
    EXPECT_LT(changedPixels(d.pictures[2], d.pictures[3], kView), 2000);
    // The train ran on: the speed label changed between 40 and 44 s.
    EXPECT_GT(changedPixels(d.pictures[2], d.pictures[3], kSpeedLabel), 30);
}

TEST_F(FaultDriveTest, FaultsThatMustChangeNothingLeaveTheDriveAsItWas) {
    ASSERT_TRUE(generated_);
    Setup plain;
    plain.name = "reference";
    const Drive reference = drive(plain);
    ASSERT_TRUE(drove(reference));
    // Running at 30 s.
    EXPECT_GT(changedPixels(reference.pictures[0], reference.pictures[1], kSpeedLabel), 30);

    // No sound device at all: the one notice, and the sounds start and end on time (the doors
    // close when their sound ends, so the train leaves and runs as in the reference).
    {
        Setup s;
        s.name = "no_device";
        s.silent = false;
        s.environment = {{"ALSOFT_DRIVERS", "tressmoor-no-such-driver"}};
        const Drive d = drive(s);
        ASSERT_TRUE(drove(d));
        EXPECT_EQ(linesWith(d.stderrText, "audio:"), 1) << d.stderrText;
        EXPECT_EQ(linesWith(d.stderrText, "audio: no audio device opens"), 1) << d.stderrText;
        for (std::size_t i = 0; i < d.pictures.size(); ++i)
            EXPECT_EQ(changedPixels(reference.pictures[i], d.pictures[i], kSpeedLabel), 0) << i;
    }

    // Save slots holding a damaged value and a value of another line: their messages, and the
    // drive goes on untouched.
    {
        const fs::path config = root_ / "saves_config";
        fs::create_directories(config / "Tressmoor");
        const std::string conf =
            "[General]\n"
            "Save1=\"line_kelvane1.dat,0,fast,300,28800,0,0\"\nSave1Title=x\n"
            "Save2=\"line_rapid.dat,3,40,9000,30000,500000,0\"\nSave2Title=y\n"
            "Save3=\"line_kelvane1.dat,\\x1\\x2\\xff\\xfe\"\nSave3Title=z\n";
        std::ofstream(config / "Tressmoor" / "kelvane.conf") << conf;
        Setup s;
        s.name = "saves";
        s.commands = {"16 menu Load1", "17 menu Load2", "18 menu Load3", "26 menu Load1"};
        s.config = config;
        const Drive d = drive(s);
        ASSERT_TRUE(drove(d));
        EXPECT_EQ(linesWith(d.stderrText, "'fast' は数値に変換できません"), 2) << d.stderrText;
        EXPECT_EQ(linesWith(d.stderrText, "運転状態を保存したダイヤではありません"), 1)
            << d.stderrText;
        EXPECT_EQ(linesWith(d.stderrText, "は数値に変換できません"), 3) << d.stderrText;
        std::ifstream kept(config / "Tressmoor" / "kelvane.conf");
        const std::string after((std::istreambuf_iterator<char>(kept)),
                                std::istreambuf_iterator<char>());
        for (const char* slot : {"Save1=\"line_kelvane1.dat,0,fast,300,28800,0,0\"",
                                 "Save2=\"line_rapid.dat,3,40,9000,30000,500000,0\""})
            EXPECT_NE(after.find(slot), std::string::npos) << after;
        for (std::size_t i = 0; i < d.pictures.size(); ++i)
            EXPECT_EQ(changedPixels(reference.pictures[i], d.pictures[i], kSpeedLabel), 0) << i;
    }

    // A file where the settings folder should be: options and saves are not kept, said once.
    {
        const fs::path blocked = root_ / "blocked_config";
        std::ofstream(blocked) << "a file, not a folder";
        Setup s;
        s.name = "unwritable";
        s.commands = {"16 menu OFFC1", "16.5 menu OFFC1", "17 menu Save1", "18 menu Save2"};
        s.config = blocked;
        const Drive d = drive(s);
        ASSERT_TRUE(drove(d));
        EXPECT_EQ(linesWith(d.stderrText, "settings:"), 1) << d.stderrText;
        EXPECT_EQ(linesWith(d.stderrText, "運転状態を保存しました"), 2) << d.stderrText;
        EXPECT_TRUE(fs::is_regular_file(blocked));
        for (std::size_t i = 0; i < d.pictures.size(); ++i)
            EXPECT_EQ(changedPixels(reference.pictures[i], d.pictures[i], kSpeedLabel), 0) << i;
    }
}

}  // namespace
