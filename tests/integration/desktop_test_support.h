// What the test programs that drive the desktop program share: sample content generated once
// for the whole program, and measures of the pictures it saves.
#pragma once

#include <unistd.h>

#include <QColor>
#include <QImage>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRect>
#include <QString>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>
#include <system_error>

namespace tressmoor::test_support {

/// A temporary folder holding `data`, the sample program folder made by mkcontent from the
/// project's content with a route video of `videoFrames` frames; removed with remove().
struct GeneratedContent {
    std::filesystem::path root;
    bool generated = false;

    void generate(const std::string& name, int videoFrames) {
        root = std::filesystem::temp_directory_path() /
               ("tressmoor_" + name + "_" + std::to_string(::getpid()));
        std::filesystem::create_directories(root);
        QProcess mk;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        mk.setProcessEnvironment(env);
        mk.start(MKCONTENT_EXE, {"--source", TRESSMOOR_CONTENT_DIR, "--out",
                                 QString::fromStdString(data().string()), "--video-frames",
                                 QString::number(videoFrames)});
        generated = mk.waitForFinished(600000) && mk.exitStatus() == QProcess::NormalExit &&
                    mk.exitCode() == 0;
        if (!generated) std::cerr << mk.readAllStandardError().toStdString();
    }
    std::filesystem::path data() const { return root / "data"; }
    void remove() const {
        std::error_code ec;
        std::filesystem::remove_all(root, ec);
    }
};

/// Pixels of `r` that differ between the two pictures by more than a faint shade.
inline int changedPixels(const QImage& a, const QImage& b, const QRect& r) {
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y) {
        for (int x = r.left(); x <= r.right(); ++x) {
            const QColor ca = a.pixelColor(x, y), cb = b.pixelColor(x, y);
            if (std::abs(ca.red() - cb.red()) + std::abs(ca.green() - cb.green()) +
                    std::abs(ca.blue() - cb.blue()) >
                30)
                ++n;
        }
    }
    return n;
}

/// Mean brightness of `r`, sampled every second pixel.
inline double meanLuma(const QImage& img, const QRect& r) {
    double sum = 0;
    for (int y = r.top(); y <= r.bottom(); y += 2) {
        for (int x = r.left(); x <= r.right(); x += 2) sum += qGray(img.pixel(x, y));
    }
    return sum / ((r.width() / 2.0) * (r.height() / 2.0));
}

}  // namespace tressmoor::test_support
