// A drive of the test line ("line_drive.dat" with "train_drive.dat") for the session tests.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "data/random_source.h"
#include "data/settings_store.h"
#include "route/video_source.h"
#include "sim/driving_session.h"
#include "sound/memory_mixer.h"

namespace tressmoor::sim {

class SessionFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ServiceChoice choice;
        choice.LineFile = "line_drive.dat";
        choice.TrainFile = "train_drive.dat";
        session_ = DrivingSession::create(std::string(TRESSMOOR_FIXTURES_DIR) + "/drive", choice,
                                          {mixer_, video_, store_, random_}, {});
    }
    /// Runs n whole frames of 16.667 ms.
    void frames(int n) {
        for (int i = 0; i < n; ++i) {
            session_->beginFrame(16.667L, 60);
            session_->endFrame();
        }
    }
    const vehicle::VehicleState& v() const { return session_->state().vehicle; }

    sound::MemoryMixer mixer_;
    route::NullVideoSource video_;
    data::MemorySettingsStore store_;
    data::SeededRandom random_{1};
    std::unique_ptr<DrivingSession> session_;
};

}  // namespace tressmoor::sim
