// The Qt application (with widgets) of the view tests: made before the first test and destroyed after the
// last, while Qt's own statics still exist (a static application would outlive them).
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <memory>

namespace tressmoor::view {

class GuiApplicationEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        if (QCoreApplication::instance() == nullptr) {
            app_ = std::make_unique<QApplication>(argc_, argv_);
        }
    }
    void TearDown() override { app_.reset(); }

private:
    int argc_ = 1;
    char name_[11] = "view_tests";
    char* argv_[2] = {name_, nullptr};
    std::unique_ptr<QApplication> app_;
};

/// GoogleTest owns the environments it is given.
inline ::testing::Environment* const kGuiApplication =
    ::testing::AddGlobalTestEnvironment(new GuiApplicationEnvironment);

}  // namespace tressmoor::view
