// A drive of the test line ("line_drive.dat" with "train_drive.dat") for the session tests.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "data/random_source.h"
#include "data/settings_store.h"
#include "route/video_source.h"
#include "sim/driving_session.h"
#include "sound/memory_mixer.h"
#include "test_support/temp_dir.h"

namespace tressmoor::sim {

class SessionFixture : public ::testing::Test {
protected:
    void SetUp() override { open(std::string(TRESSMOOR_FIXTURES_DIR) + "/drive"); }
    /// Starts the drive of the program folder `folder`.
    void open(const std::filesystem::path& folder) {
        ServiceChoice choice;
        choice.LineFile = "line_drive.dat";
        choice.TrainFile = "train_drive.dat";
        session_.reset();
        session_ = DrivingSession::create(folder, choice, {mixer_, video_, store_, random_},
                                          {.progress = [this](const std::string& text) {
                                               progress_.push_back(text);
                                           },
                                           .event = {},
                                           .notice = {},
                                           .panelBuilder = {}});
    }
    /// Starts the drive again with the train file's section `key` set to `value` (a copy of the
    /// test program folder).
    void openWithTrainValue(const std::string& key, const std::string& value) {
        const auto folder = folder_.path() / "drive";
        std::filesystem::copy(std::string(TRESSMOOR_FIXTURES_DIR) + "/drive", folder,
                              std::filesystem::copy_options::recursive |
                                  std::filesystem::copy_options::overwrite_existing);
        const auto file = folder / "train_drive.dat";
        std::ifstream in(file, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        std::string train = text.str();
        const auto at = train.find(key + "\n");
        ASSERT_NE(at, std::string::npos) << key;
        const auto valueStart = at + key.size() + 1;
        train.replace(valueStart, train.find('\n', valueStart) - valueStart, value);
        std::ofstream(file, std::ios::binary | std::ios::trunc) << train;
        open(folder);
    }
    /// Runs n whole frames of 16.667 ms.
    void frames(int n) {
        for (int i = 0; i < n; ++i) {
            session_->beginFrame(16.667L, 60);
            session_->endFrame();
        }
    }
    const vehicle::VehicleState& v() const { return session_->state().vehicle; }

    test_support::TempDir folder_;
    std::vector<std::string> progress_;
    sound::MemoryMixer mixer_;
    route::NullVideoSource video_;
    data::MemorySettingsStore store_;
    data::SeededRandom random_{1};
    std::unique_ptr<DrivingSession> session_;
};

}  // namespace tressmoor::sim
