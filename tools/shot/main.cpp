// tressmoor-shot: drives a service headlessly with its route video and saves the driving
// window's picture at given moments, for looking at the composition and timing it.
#include <QGuiApplication>
#include <QImage>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "data/fatal_error.h"
#include "data/path_resolver.h"
#include "data/random_source.h"
#include "data/settings_store.h"
#include "platform/ffmpeg_video_source.h"
#include "sim/driving_session.h"
#include "sim/panel_state.h"
#include "sim/script.h"
#include "sound/memory_mixer.h"
#include "view/cab_renderer.h"

namespace {

constexpr const char* kUsage = R"(Usage: tressmoor-shot --data DIR [OPTIONS]

Drives a service of the program folder DIR without a window (keys from a script) and saves the
driving window's picture as PNG files at the given moments of simulated time. It also prints what
composing the picture costs.

Options:
  --service N      One of the five services (1-5, default 1).
  --script FILE    Timed key presses, as tressmoor-sim reads them (key and station commands).
  --at T1,T2,...   Simulated seconds at which to save a picture (default 1).
  --out PREFIX     File names: PREFIX + seconds + ".png" (default "shot_").
  --no-labels      Draw without the status labels (text display mode off).
  --no-video       Do not decode the route video.
)";

/// The decoder behind the data-file path rules: the route names its videos as the line file
/// writes them ("movie\\name.avi").
struct ResolvingDecoder {
    tressmoor::platform::FfmpegVideoSource decoder;
    tressmoor::route::ResolvingVideoSource source{decoder, "."};
};

/// Mean and worst of a series of durations, µs.
struct Stats {
    double total = 0, worst = 0;
    int count = 0;
    void add(double us) {
        total += us;
        worst = std::max(worst, us);
        ++count;
    }
};

}  // namespace

int main(int argc, char** argv) {
    std::filesystem::path data;
    int service = 1;
    std::optional<tressmoor::sim::Script> script;
    std::vector<double> at;
    std::string prefix = "shot_";
    bool labels = true, video = true;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const auto value = [&]() -> std::string {
            if (i + 1 >= argc) {
                std::cerr << a << " needs a value\n";
                std::exit(1);
            }
            return argv[++i];
        };
        if (a == "--data") {
            data = value();
        } else if (a == "--service") {
            service = std::stoi(value());
        } else if (a == "--script") {
            std::ifstream in(value());
            std::stringstream text;
            text << in.rdbuf();
            script = tressmoor::sim::parseScript(text.str());
        } else if (a == "--at") {
            std::stringstream list(value());
            for (std::string t; std::getline(list, t, ',');) at.push_back(std::stod(t));
        } else if (a == "--out") {
            prefix = value();
        } else if (a == "--no-labels") {
            labels = false;
        } else if (a == "--no-video") {
            video = false;
        } else {
            std::cout << kUsage;
            return a == "--help" ? 0 : 1;
        }
    }
    if (data.empty() || service < 1 || service > 5) {
        std::cout << kUsage;
        return 1;
    }
    if (at.empty()) at.push_back(1);
    // Like the desktop program, work in the program folder: the data files name their files
    // relative to it. The pictures are saved where the tool was started.
    data = std::filesystem::absolute(data);
    prefix = std::filesystem::absolute(prefix).string();
    std::filesystem::current_path(data);
    std::sort(at.begin(), at.end());

    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    using namespace tressmoor;
    try {
        sound::MemoryMixer mixer;
        ResolvingDecoder resolving;
        const platform::FfmpegVideoSource& decoder = resolving.decoder;
        route::NullVideoSource none;
        route::VideoSource& source =
            video ? static_cast<route::VideoSource&>(resolving.source) : none;
        data::MemorySettingsStore store;
        data::SeededRandom random(1);
        const auto choice = sim::ServiceChoice::forService(service - 1);
        auto session =
            sim::DrivingSession::create(data, choice, {mixer, source, store, random}, {});
        view::CabRenderer renderer(session->service(), data, sim::trainFolderOf(data, choice));
        session->setStripCells(renderer.stripCells());
        view::RenderOptions options;
        options.labels = labels;
        options.explanation = session->service().options.Information != 1;

        QImage frame(view::kWindowWidth, view::kWindowHeight, QImage::Format_RGB32);
        const auto& commands = script ? script->commands : std::vector<sim::ScriptCommand>{};
        std::size_t next = 0;
        std::size_t shot = 0;
        double now = 0;
        constexpr long double kFrameMs = 16.667L;
        Stats stats;
        while (shot < at.size()) {
            for (; next < commands.size() && commands[next].atSeconds <= now; ++next) {
                const auto& c = commands[next];
                if (c.kind == sim::ScriptCommand::Kind::Station) session->StationClick(c.number);
                if (c.kind != sim::ScriptCommand::Kind::Key &&
                    c.kind != sim::ScriptCommand::Kind::Hold) {
                    continue;
                }
                if (c.key.key == input::Key::None) {
                    session->keyPress(c.key.character);
                } else {
                    session->keyDown(c.key.key, c.key.shift);
                }
            }
            session->beginFrame(kFrameMs, 60);
            sim::UpdatePanelState(renderer.panel(), session->service().train.panel,
                                  session->service().train.spec, session->state(),
                                  session->service().options.Tunnel == 1);
            QImage picture;
            if (video && decoder.pixels() != nullptr) {
                picture = QImage(decoder.pixels(), decoder.width(), decoder.height(),
                                 decoder.stride(), QImage::Format_RGB32);
            }
            renderer.compose(frame, picture.isNull() ? nullptr : &picture, session->state(),
                             options);
            stats.add(renderer.lastTimes().composeUs);
            now += static_cast<double>(kFrameMs) / 1000;
            if (now >= at[shot]) {
                char name[64];
                std::snprintf(name, sizeof name, "%g.png", at[shot]);
                frame.save(QString::fromStdString(prefix + name));
                std::cout << prefix << name << ": frame " << session->state().route.RoutePosition
                          << ", " << static_cast<double>(session->state().vehicle.Speed)
                          << " km/h\n";
                ++shot;
            }
            session->endFrame();
        }
        std::printf("compose while driving: %d frames, mean %.0f us, worst %.0f us\n", stats.count,
                    stats.total / std::max(1, stats.count), stats.worst);
        // The last picture again and again: the cost without the decoder and the drive around
        // it, less disturbed by other work on the machine.
        QImage picture;
        if (video && decoder.pixels() != nullptr) {
            picture = QImage(decoder.pixels(), decoder.width(), decoder.height(), decoder.stride(),
                             QImage::Format_RGB32);
        }
        std::vector<double> repeat;
        for (int i = 0; i < 500; ++i) {
            renderer.compose(frame, picture.isNull() ? nullptr : &picture, session->state(),
                             options);
            repeat.push_back(renderer.lastTimes().composeUs);
        }
        std::sort(repeat.begin(), repeat.end());
        std::printf("compose of the last picture (video %dx%d): median %.0f us, fastest %.0f us\n",
                    picture.width(), picture.height(), repeat[repeat.size() / 2], repeat.front());
    } catch (const data::FatalError& e) {
        std::cerr << e.what() << '\n';
        return 2;
    }
    return 0;
}
