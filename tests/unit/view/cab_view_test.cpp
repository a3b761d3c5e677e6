// The cab view's letterboxing: one transform presents the picture and maps clicks back.
#include "view/cab_view.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>

#include "unit/view/gui_application.h"
#include "view/cab_renderer.h"

namespace tressmoor::view {
namespace {

class CabViewTest : public ::testing::Test {
protected:
};

TEST_F(CabViewTest, AtItsOwnSizeThePictureFillsTheViewOneToOne) {
    CabView view;
    view.resize(kWindowWidth, kWindowHeight);
    EXPECT_EQ(view.backBuffer().size(), QSize(kWindowWidth, kWindowHeight));
    EXPECT_DOUBLE_EQ(view.bufferScale(), 1.0);
    EXPECT_EQ(view.toLogical(QPointF(0, 0)), QPointF(0, 0));
    EXPECT_EQ(view.toLogical(QPointF(1201, 800)), QPointF(1201, 800));
}

TEST_F(CabViewTest, AWideViewGetsBarsLeftAndRightAndClicksMapBack) {
    CabView view;
    // Height limits: scale 2, picture 2404 wide, bars of (2804 − 2404) / 2 = 200 px.
    view.resize(2804, 1602);
    const QImage& buffer = view.backBuffer();
    EXPECT_EQ(buffer.size(), QSize(2404, 1602));
    EXPECT_DOUBLE_EQ(view.bufferScale(), 2.0);
    EXPECT_FALSE(view.toLogical(QPointF(199, 600)).has_value());
    EXPECT_FALSE(view.toLogical(QPointF(2605, 600)).has_value());
    const auto p = view.toLogical(QPointF(200 + 300, 400));
    ASSERT_TRUE(p.has_value());
    EXPECT_DOUBLE_EQ(p->x(), 150.0);
    EXPECT_DOUBLE_EQ(p->y(), 200.0);
    // The transform used to present is the one that maps back.
    EXPECT_EQ(view.transform().map(QPointF(150, 200)), QPointF(500, 400));
}

TEST_F(CabViewTest, ATallViewGetsBarsAboveAndBelowAndPressesReportLogicalPlaces) {
    CabView view;
    view.resize(601, 1000);  // width limits: scale 0.5, picture 400.5 high
    view.show();
    QSignalSpy pressed(&view, &CabView::pressed);
    const qreal top = (1000 - 400.5) / 2;
    QTest::mouseClick(&view, Qt::LeftButton, {}, QPoint(300, 10));  // on the bar
    EXPECT_EQ(pressed.count(), 0);
    QTest::mouseClick(&view, Qt::LeftButton, {}, QPoint(300, static_cast<int>(top + 100)));
    ASSERT_EQ(pressed.count(), 1);
    const QPointF logical = pressed.front().front().toPointF();
    EXPECT_NEAR(logical.x(), 600.0, 0.01);
    EXPECT_NEAR(logical.y(), (static_cast<int>(top + 100) - top) * 2, 0.01);
}

TEST_F(CabViewTest, TheSceneIsPaintedThroughTheSameTransformWithBarsBlack) {
    CabView view;
    view.resize(2804, 1602);  // scale 2, bars of 200 px left and right
    view.setScene([](QPainter& p) {
        p.fillRect(QRect(0, 0, kWindowWidth, kWindowHeight), Qt::blue);
        p.fillRect(QRect(100, 50, 10, 20), Qt::red);
        // Anything drawn past the picture stays off the bars.
        p.fillRect(QRect(kWindowWidth - 5, 0, 100, 100), Qt::green);
    });
    const QImage shot = view.grab().toImage();
    EXPECT_EQ(shot.pixelColor(200 + 2 * 100 + 1, 2 * 50 + 1), QColor(Qt::red));
    EXPECT_EQ(shot.pixelColor(200 + 2 * 110 + 1, 2 * 50 + 1), QColor(Qt::blue));
    EXPECT_EQ(shot.pixelColor(100, 100), QColor(Qt::black));
    EXPECT_EQ(shot.pixelColor(2804 - 100, 50), QColor(Qt::black));
    EXPECT_EQ(shot.pixelColor(200 + 2 * (kWindowWidth - 2), 50), QColor(Qt::green));
}

}  // namespace
}  // namespace tressmoor::view
