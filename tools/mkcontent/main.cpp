// mkcontent: copies the sample data files into a program folder and generates every picture,
// sound and route video they name.
#include <QGuiApplication>
#include <QImage>
#include <QString>
#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <iostream>
#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "content_names.h"
#include "opening_movie.h"
#include "data/fatal_error.h"
#include "data/path_resolver.h"
#include "icon_art.h"
#include "panel_art.h"
#include "panel_preview.h"
#include "route_art.h"
#include "route_video.h"
#include "sound_synth.h"
#include "title_art.h"
#include "wav_file.h"

namespace fs = std::filesystem;
using namespace tressmoor;
using namespace tressmoor::mkcontent;

namespace {

constexpr const char* kUsage =
    "Usage: mkcontent --source <content dir> --out <program folder> [--no-video]\n"
    "                 [--video-frames N]\n"
    "                 [--preview TRAIN FILE.png]...\n"
    "       mkcontent --icons DIR NAME\n"
    "\n"
    "Copies every data file of the content folder into the program folder, then generates every\n"
    "picture, sound and route video the data files name (and the title window's pictures,\n"
    "sound and opening movie) into it. The output is the same for the same inputs.\n"
    "\n"
    "  --source DIR   folder with tressmoor.dat, the train files and the line files\n"
    "  --out DIR      program folder to fill (created when missing)\n"
    "  --no-video     skip the route videos (the slow part)\n"
    "  --video-frames N\n"
    "                 end the main route video after N frames and skip the clips (quick\n"
    "                 content for tests)\n"
    "  --preview TRAIN FILE.png\n"
    "                 after generating, also write a composed picture of TRAIN's cab panel\n"
    "                 (needles, lamps and strips at a sample driving state)\n"
    "  --icons DIR NAME\n"
    "                 only draw the program's icon, at every size of the desktop icon theme,\n"
    "                 into DIR/hicolor/<N>x<N>/apps/NAME.png\n"
    "  --help         this text\n";

struct Options {
    fs::path source;
    fs::path out;
    bool video = true;
    int videoFrames = 0;  ///< frames of the main video; 0 = the whole line, clips included
    std::vector<std::pair<std::string, fs::path>> previews;  ///< train file, picture to write
    fs::path iconFolder;  ///< --icons: the only thing to make
    std::string iconName;
};

/// Readings (kana) of the sample line's station names, for the spoken announcements.
const std::map<std::string, std::string>& stationReadings() {
    static const std::map<std::string, std::string> readings = {
        {"霧沢", "きりさわ"},    {"東霧沢", "ひがしきりさわ"}, {"柳台", "やなぎだい"},
        {"小此木", "おこのぎ"},  {"湊川", "みなとがわ"},       {"桜坂", "さくらざか"},
        {"石蔵", "いしくら"},    {"白浜台", "しらはまだい"},   {"鷹ノ巣", "たかのす"},
        {"七ツ森", "ななつもり"}};
    return readings;
}

/// Plate title of each train file.
std::string trainTitle(const std::string& file) {
    if (file.find("223") != std::string::npos) return "クモハ223-2001";
    if (file.find("683") != std::string::npos) return "683";
    if (file.find("kiha") != std::string::npos) return "キハ40 2001";
    return fs::path(file).stem().string();
}

/// Normalised key of a data-file name: forward slashes, ASCII lower case.
std::string nameKey(std::string name) {
    std::replace(name.begin(), name.end(), '\\', '/');
    for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return name;
}

/// Path below the program folder for a data-file name (created folders included).
fs::path outputPath(const fs::path& out, const std::string& name) {
    // Names come from the data files: none may lead out of the program folder.
    const fs::path relative(data::toSlashes(name));
    if (relative.is_absolute()) throw std::runtime_error("a file name is absolute: " + name);
    for (const auto& part : relative) {
        if (part == "..") throw std::runtime_error("a file name leaves the program folder: " + name);
    }
    const fs::path p = out / relative;
    fs::create_directories(p.parent_path());
    return p;
}

void saveImage(const fs::path& file, const QImage& image) {
    const std::string ext = nameKey(file.extension().string());
    const char* format = ext == ".jpg" || ext == ".jpeg" ? "JPG" : ext == ".bmp" ? "BMP" : "PNG";
    const int quality = std::string(format) == "JPG" ? 90 : -1;
    if (!image.save(QString::fromStdString(file.string()), format, quality)) {
        throw std::runtime_error("cannot write the picture " + file.string());
    }
}

Options parseOptions(int argc, char** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--help" || a == "-h") {
            std::cout << kUsage;
            std::exit(0);
        } else if (a == "--source" && i + 1 < argc) {
            o.source = argv[++i];
        } else if (a == "--out" && i + 1 < argc) {
            o.out = argv[++i];
        } else if (a == "--preview" && i + 2 < argc) {
            o.previews.emplace_back(argv[i + 1], argv[i + 2]);
            i += 2;
        } else if (a == "--icons" && i + 2 < argc) {
            o.iconFolder = argv[i + 1];
            o.iconName = argv[i + 2];
            i += 2;
        } else if (a == "--no-video") {
            o.video = false;
        } else if (a == "--video-frames" && i + 1 < argc) {
            o.videoFrames = std::max(1, std::atoi(argv[++i]));
        } else {
            throw std::invalid_argument("unknown or incomplete option \"" + a + "\"\n\n" + kUsage);
        }
    }
    if (!o.iconFolder.empty()) {
        if (o.iconName.empty() || o.iconName.find('/') != std::string::npos) {
            throw std::invalid_argument("--icons needs a plain icon name\n\n" + std::string(kUsage));
        }
        return o;
    }
    if (o.source.empty() || o.out.empty()) {
        throw std::invalid_argument(std::string("--source and --out are required\n\n") + kUsage);
    }
    return o;
}

int run(const Options& o) {
    if (!o.iconFolder.empty()) {
        for (const auto& file : writeIcons(o.iconFolder, o.iconName)) {
            std::cout << "wrote " << file.string() << "\n";
        }
        return 0;
    }
    const auto started = std::chrono::steady_clock::now();
    fs::create_directories(o.out);
    const auto copied = copyDataFiles(o.source, o.out);
    std::cout << "copied " << copied.size() << " data files into " << o.out.string() << "\n";

    const ContentSet content = loadContent(o.out);

    // Pictures: every name once; the first maker of a name wins.
    std::set<std::string> made;
    int pictures = 0;
    ImageSink put = [&](const std::string& name, const QImage& image) {
        if (!made.insert(nameKey(name)).second) return;
        saveImage(outputPath(o.out, name), image);
        ++pictures;
    };
    for (const auto& [file, train] : content.trains) {
        std::cout << "drawing the cab panel of " << file << "\n" << std::flush;
        drawTrainPictures(train, trainTitle(file), put);
    }
    for (const auto& [file, line] : content.lines) {
        std::cout << "drawing the signs and signals of " << file << "\n" << std::flush;
        drawLinePictures(line, put);
    }
    std::array<std::string, 5> services;
    for (std::size_t i = 0; i < services.size(); ++i) {
        services[i] = content.serviceTitle(kServiceLineFiles[i]);
    }
    std::cout << "drawing the title pictures\n" << std::flush;
    drawTitlePictures(services, put);
    std::cout << "  " << pictures << " pictures\n";
    std::cout << "rendering the opening movie\n" << std::flush;
    renderOpeningMovie(outputPath(o.out, kOpeningMovie));

    // Sounds.
    SoundContext context;
    if (!content.lines.empty()) {
        const auto& stations = content.lines.front().second.Station;
        for (std::size_t i = 0; i < stations.size(); ++i) {
            auto it = stationReadings().find(stations[i].Name);
            if (it != stationReadings().end())
                context.stationReadings[static_cast<int>(i)] = it->second;
        }
    }
    const std::vector<std::string> sounds = soundNames(content);
    std::set<std::string> done;
    int count = 0;
    for (const std::string& name : sounds) {
        if (!done.insert(nameKey(name)).second) continue;
        if (++count % 20 == 1) std::cout << "synthesising sounds (" << count << ")\n" << std::flush;
        writeWav(outputPath(o.out, name), makeSound(name, context));
    }
    std::cout << "  " << count << " sounds\n";

    // Route videos and their clips.
    if (o.video) {
        std::set<std::string> rendered;
        for (const auto& [file, line] : content.lines) {
            const std::string name = content.settings.VideoFolder + line.DataName + ".avi";
            if (!rendered.insert(nameKey(name)).second) continue;
            std::cout << "rendering the route video " << name << "\n" << std::flush;
            int lastPercent = -1;
            renderRouteVideo(line, content.settings.VideoFps, content.settings.ViewWidth,
                             content.settings.ViewHeight, outputPath(o.out, name),
                             [&](int doneFrames, int total) {
                                 const int percent = total > 0 ? doneFrames * 100 / total : 100;
                                 if (percent / 10 != lastPercent / 10) {
                                     std::cout << "  " << percent << " %\n" << std::flush;
                                     lastPercent = percent;
                                 }
                             },
                             o.videoFrames);
        }
        for (const auto& [file, line] : content.lines) {
            if (o.videoFrames > 0) break;
            for (const RouteClip& clip : routeClips(line)) {
                const std::string name = content.settings.VideoFolder + clip.name + ".avi";
                if (!rendered.insert(nameKey(name)).second) continue;
                std::cout << "rendering the clip " << name << "\n" << std::flush;
                renderRouteClip(line, clip, content.settings.VideoFps, content.settings.ViewWidth,
                                content.settings.ViewHeight, outputPath(o.out, name));
            }
        }
    }
    for (const auto& [trainFile, picture] : o.previews) {
        bool found = false;
        for (const auto& [file, train] : content.trains) {
            if (file != trainFile) continue;
            saveImage(picture, composePanelPreview(train, o.out));
            std::cout << "wrote the panel preview " << picture.string() << "\n";
            found = true;
        }
        if (!found) throw std::runtime_error("--preview: no train file " + trainFile);
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::printf("done in %.1f s\n", seconds);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    try {
        options = parseOptions(argc, argv);
    } catch (const std::exception& e) {
        std::cerr << "mkcontent: " << e.what();
        return 2;
    }
    // Pictures are drawn without a display.
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QGuiApplication app(argc, argv);
    try {
        return run(options);
    } catch (const data::FatalError& e) {
        std::cerr << "mkcontent: error in the data files: " << e.what() << "\n";
    } catch (const std::exception& e) {
        std::cerr << "mkcontent: error: " << e.what() << "\n";
    }
    return 1;
}
