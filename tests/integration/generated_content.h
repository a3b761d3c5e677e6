// Sample content generated once for a whole test program that drives the desktop program.
#pragma once

#include <unistd.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
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

}  // namespace tressmoor::test_support
