// The title window, driven offscreen.
#include "app/title_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>

#include "test_support/temp_dir.h"

namespace tressmoor::app {
namespace {

class TitleWindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        static int argc = 1;
        static char name[] = "app_tests";
        static char* argv[] = {name, nullptr};
        qputenv("QT_QPA_PLATFORM", "offscreen");
        if (QApplication::instance() == nullptr) app_ = new QApplication(argc, argv);
    }
    static inline QApplication* app_ = nullptr;
    test_support::TempDir folder_;
};

TEST_F(TitleWindowTest, MenuAppearsInStagesAndClicksChooseServices) {
    TitleWindow window(folder_.path());
    window.show();
    EXPECT_EQ(window.size(), QSize(800, 600));
    EXPECT_EQ(window.windowTitle(), QStringLiteral("鉄道運転シミュレータ"));

    auto visibleButtons = [&] {
        int n = 0;
        for (auto* child : window.findChildren<QLabel*>()) {
            if (child->isVisible() && child->cursor().shape() == Qt::PointingHandCursor) ++n;
        }
        return n;
    };
    EXPECT_EQ(visibleButtons(), 0);
    QTest::qWait(1300);  // ten ticks of 100 ms reveal everything
    EXPECT_EQ(visibleButtons(), 7);

    int chosen = -1;
    QObject::connect(&window, &TitleWindow::serviceChosen, [&](int i) { chosen = i; });
    QTest::mouseClick(window.childAt(60, 524), Qt::LeftButton);
    EXPECT_EQ(chosen, 4);
}

TEST_F(TitleWindowTest, ProgressLineGrowsTheWindowWhileShown) {
    TitleWindow window(folder_.path());
    window.showProgress(QStringLiteral("Formを作成しています"));
    EXPECT_EQ(window.height(), 618);
    window.hideProgress();
    EXPECT_EQ(window.height(), 600);
}

}  // namespace
}  // namespace tressmoor::app
