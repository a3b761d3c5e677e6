// Generates the sample content with mkcontent (without the route video) and checks that every
// file the data files name exists and has the shape the program needs.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QString>
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "data/line_file.h"
#include "data/path_resolver.h"
#include "data/random_source.h"
#include "data/settings_file.h"
#include "data/train_file.h"
#include "platform/ffmpeg_video_source.h"

namespace fs = std::filesystem;
using namespace tressmoor::data;

namespace {

const std::vector<std::string> kTrains = {"train_223.dat", "train_683.dat", "train_kiha40.dat"};
const std::vector<std::pair<std::string, std::string>> kServices = {
    {"line_kelvane1.dat", "train_223.dat"},
    {"line_kelvane2.dat", "train_223.dat"},
    {"line_kelvane3.dat", "train_223.dat"},
    {"line_rapid.dat", "train_223.dat"},
    {"line_exp.dat", "train_683.dat"}};

std::vector<unsigned char> bytesOf(const fs::path& p) {
    std::ifstream f(p, std::ios::binary);
    std::vector<unsigned char> bytes(fs::exists(p) ? fs::file_size(p) : 0);
    f.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return bytes;
}

std::uint32_t le32(const std::vector<unsigned char>& b, std::size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) |
           (static_cast<std::uint32_t>(b[at + 3]) << 24);
}

int runMkcontent(const fs::path& out) {
    const std::string command = std::string("\"") + MKCONTENT_EXE + "\" --source \"" +
                                TRESSMOOR_CONTENT_DIR + "\" --out \"" + out.string() +
                                "\" --no-video >\"" + (out.string() + ".log") + "\" 2>&1";
    return std::system(command.c_str());
}

/// The generated program folder, made once for all cases.
class GeneratedContent : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        root_ = fs::temp_directory_path() / ("tressmoor_content_" + std::to_string(::getpid()));
        fs::remove_all(root_);
        fs::create_directories(root_);
        status_ = runMkcontent(root_ / "program");
        if (status_ == 0) {
            ReadSettingsFile(root_ / "program", settings_);
            for (const auto& t : kTrains) trains_.push_back(LoadTrainFile(root_ / "program", t));
            for (const auto& [line, train] : kServices) {
                SeededRandom random(1);
                lines_.push_back(
                    LoadLineFile(root_ / "program", line, train, settings_.VideoFps, random));
            }
        }
    }
    static void TearDownTestSuite() { fs::remove_all(root_); }

    void SetUp() override {
        ASSERT_EQ(status_, 0) << "mkcontent failed; see " << root_ << "/program.log";
    }

    static fs::path folder() { return root_ / "program"; }

    /// The picture a data file names, loaded; an empty image when it does not exist or load.
    static QImage picture(const std::string& name) {
        const fs::path p = resolveDataPath(folder(), name);
        return QImage(QString::fromStdString(p.string()));
    }

    static std::vector<std::string> pictureNames() {
        std::vector<std::string> names;
        auto add = [&](const std::string& n) {
            if (!n.empty()) names.push_back(n);
        };
        for (const TrainFile& t : trains_) {
            const PanelLayout& l = t.panel;
            for (const Lamp* lamp :
                 {&l.Panel,      &l.Panel2,     &l.Lamp_Door,  &l.Lamp_Power, &l.Lamp_EB,
                  &l.Lamp_Gen,   &l.Lamp_Air,   &l.Lamp_Fin,   &l.Lamp_Ele,   &l.Lamp_Ats1,
                  &l.Lamp_Ats2,  &l.Lamp_Ats3,  &l.Lamp_TASC1, &l.Lamp_TASC2, &l.Lamp_TASC3,
                  &l.Lamp_ATSP1, &l.Lamp_ATSP2, &l.Lamp_G,     &l.Lamp_YG,    &l.Lamp_Y,
                  &l.Lamp_YY,    &l.Lamp_R,     &l.Lamp_Fwd,   &l.Lamp_Neut,  &l.Lamp_Back,
                  &l.Lamp_Const, &l.Lamp_Stop}) {
                add(lamp->file);
            }
            for (const Meter* m : {static_cast<const Meter*>(&l.Needle_Brake),
                                   static_cast<const Meter*>(&l.Needle_Speed), &l.Needle_BC,
                                   &l.Needle_SAP, &l.Needle_ER, &l.Needle_BP, &l.Needle_MR,
                                   &l.Needle_V, static_cast<const Meter*>(&l.Needle_I)}) {
                add(m->file);
            }
            for (const LinearMeter* m :
                 {&l.Needle_BC_L, &l.Needle_Ip_L, &l.Needle_Ib_L, &l.Needle_MR_L}) {
                add(m->file);
            }
            for (const ImageStrip* s :
                 {static_cast<const ImageStrip*>(&l.Lamp_signal), &l.NotchImageP, &l.NotchImageB,
                  &l.NotchImageP2, &l.NotchImageB2, &l.GearImageList, &l.GearImageList2,
                  &l.Digi_Speed}) {
                add(s->file);
            }
            for (const Lamp& o : l.Others) add(o.file);
            add(t.spec.Signal_Suppress.file);
        }
        for (const LineData& line : lines_) {
            for (const auto& s : line.SignImageList) add(s.File);
            add(line.SignalImageList.File);
            for (const auto& s : line.SignalImageList.Sub) add(s.File);
            for (const auto& s : line.Staf) add(s);
            if (line.Monitor.Present) add(line.Monitor.File);
            for (const auto& s : line.AnimImageList) add(s);
            for (const auto& s : line.TrafficSignalImageList) add(s);
        }
        return names;
    }

    /// Every sound the content names, once.
    static std::set<std::string> soundNames() {
        std::set<std::string> names = {"sound\\40225.wav"};
        auto add = [&](const std::string& n) {
            if (!n.empty()) names.insert(n);
        };
        for (const TrainFile& t : trains_) {
            for (const auto& n : t.spec.DriveSound) add(n);
            for (const auto& r : t.spec.EngineSound1) add(r.file);
            for (const auto& r : t.spec.EngineSound3) add(r.file);
        }
        for (const LineData& line : lines_) {
            for (const auto& n : line.SoundData) add(n);
            for (const auto& n : line.KankoSound1) add(n);
            for (const auto& n : line.KankoSound2) add(n);
            for (const auto& n : line.OtherKanko) add(n);
            for (const auto& n : line.LimitKanko) add(n);
        }
        return names;
    }

    static inline fs::path root_;
    static inline int status_ = -1;
    static inline AppSettings settings_;
    static inline std::vector<TrainFile> trains_;
    static inline std::vector<LineData> lines_;
};

TEST_F(GeneratedContent, EveryNamedPictureExistsAndLoads) {
    const auto names = pictureNames();
    EXPECT_GT(names.size(), 100u);
    for (const auto& n : names) {
        EXPECT_FALSE(picture(n).isNull()) << n;
    }
}

TEST_F(GeneratedContent, EveryNamedSoundIsCanonicalPcm16) {
    for (const auto& n : soundNames()) {
        const fs::path p = resolveDataPath(folder(), n);
        ASSERT_TRUE(fs::exists(p)) << n;
        const auto b = bytesOf(p);
        ASSERT_GE(b.size(), 46u) << n;
        EXPECT_EQ(std::string(b.begin(), b.begin() + 4), "RIFF") << n;
        EXPECT_EQ(std::string(b.begin() + 8, b.begin() + 16), "WAVEfmt ") << n;
        EXPECT_EQ(le32(b, 16), 16u) << n;          // fmt chunk of 16 bytes
        EXPECT_EQ(b[20] | (b[21] << 8), 1) << n;   // PCM
        EXPECT_EQ(b[34] | (b[35] << 8), 16) << n;  // 16 bits
        const std::uint32_t rate = le32(b, 24);
        EXPECT_TRUE(rate == 22050 || rate == 44100) << n;
        const int channels = b[22] | (b[23] << 8);
        // The program reads the duration from offsets 28 (bytes per second) and 40 (data size).
        EXPECT_EQ(le32(b, 28), rate * 2 * static_cast<std::uint32_t>(channels)) << n;
        EXPECT_EQ(std::string(b.begin() + 36, b.begin() + 40), "data") << n;
        EXPECT_EQ(le32(b, 40), b.size() - 44) << n;
        // Not silent: some sample is loud.
        int peak = 0;
        for (std::size_t i = 44; i + 1 < b.size(); i += 2) {
            peak = std::max(
                peak,
                std::abs(static_cast<int>(static_cast<std::int16_t>(b[i] | (b[i + 1] << 8)))));
        }
        EXPECT_GT(peak, 3000) << n;
    }
}

TEST_F(GeneratedContent, StationSoundsLastWholeSecondsForTheTimetable) {
    // The start clock and the departure sequence count whole seconds of the arrival and
    // departure sounds; a departure melody shorter than a second would skip the melody.
    for (const LineData& line : lines_) {
        for (const auto& st : line.Station) {
            const auto b = bytesOf(resolveDataPath(folder(), line.SoundData.at(st.DepartureSound)));
            EXPECT_GE(le32(b, 40) / le32(b, 28), 5u) << st.Name;
        }
    }
}

TEST_F(GeneratedContent, StripsHoldEveryCellTheStateCanSelect) {
    for (const TrainFile& t : trains_) {
        const PanelLayout& l = t.panel;
        const int brake = t.spec.BrakeType == 0 ? 4 : t.spec.Brake;
        auto cells = [](const ImageStrip& s, const QImage& img) {
            EXPECT_EQ(img.width() % s.patternWidth, 0) << s.file;
            EXPECT_EQ(img.height() % s.patternHeight, 0) << s.file;
            return (img.width() / s.patternWidth) * (img.height() / s.patternHeight);
        };
        if (!l.NotchImageP.file.empty()) {
            EXPECT_GE(cells(l.NotchImageP, picture(l.NotchImageP.file)), t.spec.Power + 1);
        }
        if (!l.NotchImageB.file.empty()) {
            EXPECT_GE(cells(l.NotchImageB, picture(l.NotchImageB.file)), brake + 1);
        }
        if (!l.NotchImageB2.file.empty()) {
            EXPECT_GE(cells(l.NotchImageB2, picture(l.NotchImageB2.file)), brake + 3);
        }
        if (!l.Digi_Speed.file.empty()) {
            EXPECT_GE(cells(l.Digi_Speed, picture(l.Digi_Speed.file)), 200);
        }
        if (!l.GearImageList.file.empty()) {
            EXPECT_GE(cells(l.GearImageList, picture(l.GearImageList.file)),
                      static_cast<int>(t.spec.Engine.size()));
        }
        if (!l.Lamp_signal.file.empty()) {
            const int most =
                *std::max_element(l.Lamp_signal.cells.begin(), l.Lamp_signal.cells.end());
            EXPECT_GT(cells(l.Lamp_signal, picture(l.Lamp_signal.file)), most);
        }
    }
    for (const LineData& line : lines_) {
        const QImage heads = picture(line.SignalImageList.File);
        EXPECT_GE((heads.width() / line.SignalImageList.Width) *
                      (heads.height() / line.SignalImageList.Height),
                  43);
        const QImage marker = picture(line.SignImageList[0].File);
        EXPECT_GE(marker.width() / line.SignImageList[0].PatternSize,
                  10 + static_cast<int>(line.Station.size()));
        const QImage slope = picture(line.SignImageList[4].File);
        EXPECT_GE(slope.width() / line.SignImageList[4].PatternSize,
                  static_cast<int>(line.Slope.size()) + 1);
        int limitCells = 0;
        for (const auto& r : line.SpeedLimit)
            limitCells = std::max({limitCells, r.SignPattern + 1, r.EndSignPattern + 1});
        const QImage limit = picture(line.SignImageList[5].File);
        EXPECT_GE(limit.width() / line.SignImageList[5].PatternSize, limitCells);
        if (line.Monitor.Present) {
            EXPECT_GE(picture(line.Monitor.File).width() / line.Monitor.PatternWidth,
                      static_cast<int>(line.Station.size()) + 1);
        }
    }
}

TEST_F(GeneratedContent, NeedlesHaveTheirDeclaredSizeAndSeeThroughCorner) {
    for (const TrainFile& t : trains_) {
        const PanelLayout& l = t.panel;
        for (const Meter* m : {static_cast<const Meter*>(&l.Needle_Speed), &l.Needle_BC,
                               &l.Needle_MR, &l.Needle_BP, &l.Needle_ER, &l.Needle_SAP, &l.Needle_V,
                               &l.Needle_Brake, static_cast<const Meter*>(&l.Needle_I)}) {
            if (m->file.empty()) continue;
            const QImage img = picture(m->file);
            EXPECT_EQ(img.size(), QSize(m->width, m->height)) << m->file;
            // The transparent colour is the bottom-left pixel's; the needle's corners show through.
            const QRgb key = img.pixel(0, img.height() - 1);
            EXPECT_EQ(img.pixel(img.width() - 1, 0), key) << m->file;
            EXPECT_NE(img.pixel(img.width() / 2, img.height() / 4), key)
                << m->file << " has no needle";
        }
    }
}

TEST_F(GeneratedContent, SpriteEdgesDoNotBlendIntoTheKeyColour) {
    // Only the exact key colour is see-through: an antialiased edge drawn onto it would show as
    // a pink or purple fringe over the route video.
    for (const LineData& line : lines_) {
        std::vector<std::string> sprites = {line.SignalImageList.File};
        for (const auto& s : line.SignImageList) sprites.push_back(s.File);
        for (const auto& s : line.SignalImageList.Sub) sprites.push_back(s.File);
        for (const auto& n : sprites) {
            if (n.empty()) continue;
            const QImage img = picture(n).convertToFormat(QImage::Format_RGB32);
            const QRgb key = img.pixel(0, img.height() - 1);
            int fringe = 0;
            for (int y = 0; y < img.height(); ++y) {
                for (int x = 0; x < img.width(); ++x) {
                    const QRgb c = img.pixel(x, y);
                    if (c == key) continue;
                    if (qRed(c) - qGreen(c) > 60 && qBlue(c) - qGreen(c) > 60) ++fringe;
                }
            }
            EXPECT_EQ(fringe, 0) << n;
        }
    }
}

TEST_F(GeneratedContent, TimetableCardFitsTheBlackAreaAboveTheLabels) {
    // The driving window is 1202 px wide with the cab view on its left 802 px; the status
    // labels start 340 px down.
    EXPECT_GE(settings_.StafLeft, 802);
    for (const LineData& line : lines_) {
        const QImage card = picture(line.Staf[0]);
        ASSERT_FALSE(card.isNull()) << line.Staf[0];
        EXPECT_LE(settings_.StafLeft + card.width(), 1202) << line.Staf[0];
        EXPECT_LT(card.height(), 340) << line.Staf[0];
    }
}

TEST_F(GeneratedContent, TitleWindowPicturesAndSound) {
    for (int i = 1; i <= 5; ++i) {
        const std::string name = "image\\title\\0" + std::to_string(i) + ".jpg";
        QImageReader reader(QString::fromStdString(resolveDataPath(folder(), name).string()));
        EXPECT_EQ(reader.format(), "jpeg") << name;
        EXPECT_EQ(reader.size(), QSize(800, 600)) << name;
    }
    for (const char* n :
         {"image\\title\\service1.png", "image\\title\\service5.png", "image\\title\\help.png",
          "image\\title\\quit.png", "image\\title\\loading.png"}) {
        EXPECT_FALSE(picture(n).isNull()) << n;
    }
    // The title sound is a short jingle of 2 to 4 seconds.
    const auto sound = bytesOf(folder() / "sound/40225.wav");
    ASSERT_GE(sound.size(), 44u);
    const double seconds = static_cast<double>(le32(sound, 40)) / le32(sound, 28);
    EXPECT_GE(seconds, 2.0);
    EXPECT_LE(seconds, 4.0);
}

TEST_F(GeneratedContent, OpeningMoviePlaysInTheTitleWindowsFirstSize) {
    tressmoor::platform::FfmpegVideoSource movie;
    ASSERT_EQ(movie.open(resolveDataPath(folder(), "move\\opening.avi").string()),
              tressmoor::route::kVideoOpened);
    EXPECT_EQ(movie.width(), 480);
    EXPECT_EQ(movie.height(), 270);
    EXPECT_DOUBLE_EQ(movie.frameRate(), 30.0);
    EXPECT_GE(movie.frameCount(), 6 * 30);
    EXPECT_LE(movie.frameCount(), 8 * 30);
    // Mean brightness of a frame: the movie ends faded to black from a bright picture.
    auto brightness = [&](int frame) {
        EXPECT_TRUE(movie.fetch(frame)) << frame;
        double sum = 0;
        for (int y = 0; y < movie.height(); ++y) {
            const auto* row = reinterpret_cast<const std::uint32_t*>(movie.pixels() +
                                                                     y * movie.stride());
            for (int x = 0; x < movie.width(); ++x) sum += qGray(row[x]);
        }
        return sum / (movie.width() * movie.height());
    };
    EXPECT_GT(brightness(movie.frameCount() / 2), 80.0);
    EXPECT_LT(brightness(movie.frameCount() - 1), 20.0);
}

TEST_F(GeneratedContent, EveryDataFileIsCopied) {
    for (const auto& entry : fs::directory_iterator(TRESSMOOR_CONTENT_DIR)) {
        if (!entry.is_regular_file()) continue;
        EXPECT_EQ(bytesOf(entry.path()), bytesOf(folder() / entry.path().filename()))
            << entry.path().filename();
    }
}

TEST_F(GeneratedContent, GeneratingAgainGivesTheSameFiles) {
    const fs::path again = root_ / "again";
    ASSERT_EQ(runMkcontent(again), 0);
    std::size_t compared = 0;
    for (const auto& entry : fs::recursive_directory_iterator(folder())) {
        if (!entry.is_regular_file()) continue;
        const fs::path relative = fs::relative(entry.path(), folder());
        EXPECT_EQ(bytesOf(entry.path()), bytesOf(again / relative)) << relative;
        ++compared;
    }
    EXPECT_GT(compared, 200u);
}

TEST_F(GeneratedContent, RouteVideosExistWhenGeneratedWithVideo) {
    // The full content (with the route video) is slow to make; point TRESSMOOR_FULL_CONTENT at a
    // program folder made by mkcontent without --no-video to check its videos.
    const char* full = std::getenv("TRESSMOOR_FULL_CONTENT");
    if (full == nullptr) GTEST_SKIP() << "TRESSMOOR_FULL_CONTENT not set";
    for (const LineData& line : lines_) {
        EXPECT_TRUE(
            fs::exists(resolveDataPath(full, settings_.VideoFolder + line.DataName + ".avi")));
        for (const auto& clip : line.MovieSwitch) {
            EXPECT_TRUE(
                fs::exists(resolveDataPath(full, settings_.VideoFolder + clip.Clip + ".avi")))
                << clip.Clip;
        }
    }
}

TEST(Mkcontent, MissingSourceFolderFailsWithAMessage) {
    const fs::path out =
        fs::temp_directory_path() / ("tressmoor_nosource_" + std::to_string(::getpid()));
    const std::string log = out.string() + ".log";
    const std::string command = std::string("\"") + MKCONTENT_EXE +
                                "\" --source /nonexistent/content --out \"" + out.string() +
                                "\" --no-video >\"" + log + "\" 2>&1";
    EXPECT_NE(std::system(command.c_str()), 0);
    std::ifstream f(log);
    const std::string text((std::istreambuf_iterator<char>(f)), {});
    EXPECT_NE(text.find("/nonexistent/content does not exist"), std::string::npos) << text;
    fs::remove_all(out);
    fs::remove(log);
}

}  // namespace

int main(int argc, char** argv) {
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QGuiApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
