// Tests of the cab renderer: pictures loaded from a small program folder, frames composed from
// hand-set state, checked pixel by pixel.
#include "view/cab_renderer.h"

#include <gtest/gtest.h>

#include <QPainter>
#include <filesystem>

#include "data/fatal_error.h"
#include "sim/sim_state.h"
#include "test_support/temp_dir.h"
#include "unit/view/gui_application.h"

namespace tressmoor::view {
namespace {

const QColor kKey(255, 0, 255);
const QColor kRed(230, 20, 20), kGreen(20, 200, 40), kBlue(30, 60, 240), kYellow(240, 220, 0);
const QColor kCyan(0, 220, 220), kVideo(10, 100, 200), kCard(200, 180, 120), kPanel(90, 90, 90);
/// Cells of the notch strip, left to right, then top to bottom.
const QColor kCells[6] = {QColor(250, 0, 0),   QColor(0, 250, 0),   QColor(0, 0, 250),
                          QColor(250, 250, 0), QColor(0, 250, 250), QColor(250, 120, 0)};

/// A picture of one colour whose bottom-left pixel carries the colour key.
QImage solid(int w, int h, QColor colour) {
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(colour);
    img.setPixelColor(0, h - 1, kKey);
    return img;
}

bool near(QColor a, QColor b, int tolerance = 40) {
    return std::abs(a.red() - b.red()) <= tolerance &&
           std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance;
}

/// Pixels of `rect` brighter than mid grey (text drawn white on black).
int brightPixels(const QImage& img, const QRect& rect) {
    int n = 0;
    for (int y = rect.top(); y <= rect.bottom(); ++y) {
        for (int x = rect.left(); x <= rect.right(); ++x) {
            if (qGray(img.pixel(x, y)) > 128) ++n;
        }
    }
    return n;
}

class CabRendererTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto& root = folder_.path();
        std::filesystem::create_directories(root / "train" / "Lamps");
        std::filesystem::create_directories(root / "image");
        const auto save = [&](const QImage& img, const std::filesystem::path& path) {
            ASSERT_TRUE(img.save(QString::fromStdString(path.string())));
        };
        save(solid(10, 10, kRed), root / "train" / "Lamps" / "red.png");
        save(solid(10, 10, kGreen), root / "train" / "Lamps" / "green.png");
        save(solid(10, 10, kBlue), root / "train" / "Lamps" / "blue.png");
        // Left half in the key colour: see-through.
        QImage half = solid(10, 10, kYellow);
        for (int y = 0; y < 10; ++y) {
            for (int x = 0; x < 5; ++x) half.setPixelColor(x, y, kKey);
        }
        save(half, root / "train" / "half.png");
        // A needle pointing up: a white shaft from the centre and a red tip.
        QImage needle = solid(41, 41, kKey);
        for (int y = 4; y <= 20; ++y) {
            for (int x = 19; x <= 21; ++x) needle.setPixelColor(x, y, Qt::white);
        }
        for (int y = 1; y <= 3; ++y) {
            for (int x = 19; x <= 21; ++x) needle.setPixelColor(x, y, kRed);
        }
        save(needle, root / "train" / "needle.png");
        save(solid(50, 6, kCyan), root / "train" / "bar.png");
        QImage strip(30, 20, QImage::Format_RGB32);
        for (int k = 0; k < 6; ++k) {
            for (int y = 0; y < 10; ++y) {
                for (int x = 0; x < 10; ++x) {
                    strip.setPixelColor((k % 3) * 10 + x, (k / 3) * 10 + y, kCells[k]);
                }
            }
        }
        save(strip, root / "train" / "strip.png");
        save(solid(20, 10, kGreen), root / "train" / "power.png");
        save(solid(200, 40, kPanel), root / "train" / "panel.png");
        // Signal picture: two 8 × 8 cells, the second one green.
        QImage heads(16, 8, QImage::Format_RGB32);
        heads.fill(kKey);
        for (int y = 0; y < 8; ++y) {
            for (int x = 8; x < 16; ++x) heads.setPixelColor(x, y, kGreen);
        }
        save(heads, root / "image" / "heads.png");
        save(solid(8, 8, kYellow), root / "image" / "marker.png");
        save(solid(50, 60, kCard), root / "image" / "card.png");
        save(solid(80, 60, kBlue), root / "image" / "map.png");

        auto& s = service_.settings;
        s.ViewWidth = 800;
        s.ViewHeight = 600;
        s.StafLeft = 900;
        auto& l = service_.train.panel;
        l.Lamp_Door = {"Lamps\\RED.png", 20, 650};
        l.Lamp_Power = {"lamps\\green.png", 40, 650};
        l.Lamp_EB = {"lamps\\blue.png", 60, 650};  // starts dark
        l.Lamp_Gen = {"half.png", 80, 650};
        l.Needle_Speed.file = "needle.png";
        l.Needle_Speed.x = 100;
        l.Needle_Speed.y = 620;
        l.Needle_BC_L = {"bar.png", 200, 650, 1};
        l.NotchImageB = {300, 650, 10, 10, "strip.png"};
        l.NotchImageP = {320, 680, 10, 10, "power.png"};
        l.Panel = {"panel.png", 500, 700};
        l.Clock = {700, 740, 20};
        auto& line = service_.line;
        line.SignalImageList.Width = 8;
        line.SignalImageList.Height = 8;
        line.SignalImageList.File = "image\\heads.png";
        line.SignImageList[1] = {"image\\marker.png", 8};  // near stop line
        line.Staf = {"image\\card.png", "image\\missing_pause.png", "image\\map.png"};
    }

    std::unique_ptr<CabRenderer> make() {
        return std::make_unique<CabRenderer>(service_, folder_.path(), folder_.path() / "train");
    }

    QImage compose(CabRenderer& r, const QImage* video = nullptr,
                   const RenderOptions& options = {}) {
        r.compose(frame_, video, state_, options);
        return frame_;
    }

    test_support::TempDir folder_;
    sim::LoadedService service_;
    sim::SimState state_;
    QImage frame_{kWindowWidth, kWindowHeight, QImage::Format_RGB32};
};

TEST_F(CabRendererTest, LampsShowOnlyWhileVisibleAndTheKeyColourIsSeeThrough) {
    auto r = make();
    QImage img = compose(*r);
    EXPECT_TRUE(near(img.pixelColor(25, 655), kRed));
    EXPECT_TRUE(near(img.pixelColor(45, 655), kGreen));
    EXPECT_TRUE(near(img.pixelColor(65, 655), Qt::black));  // the dark lamp is not drawn
    EXPECT_TRUE(near(img.pixelColor(82, 655), Qt::black));  // keyed half
    EXPECT_TRUE(near(img.pixelColor(87, 655), kYellow));
    EXPECT_TRUE(near(img.pixelColor(20, 659), Qt::black));  // the key corner itself

    r->panel().find(sim::PanelItem::Lamp_EB)->visible = true;
    r->panel().find(sim::PanelItem::Lamp_Door)->visible = false;
    img = compose(*r);
    EXPECT_TRUE(near(img.pixelColor(25, 655), Qt::black));
    EXPECT_TRUE(near(img.pixelColor(65, 655), kBlue));
}

TEST_F(CabRendererTest, ABufferWithMoreDevicePixelsIsDrawnInLogicalPlaces) {
    auto r = make();
    QImage big(kWindowWidth * 2, kWindowHeight * 2, QImage::Format_RGB32);
    big.setDevicePixelRatio(2.0);
    const uchar* before = big.constBits();
    r->compose(big, nullptr, state_, {});
    EXPECT_EQ(big.size(), QSize(kWindowWidth * 2, kWindowHeight * 2)) << "kept, not replaced";
    EXPECT_EQ(big.constBits(), before);
    EXPECT_TRUE(near(big.pixelColor(50, 1310), kRed));    // logical (25, 655)
    EXPECT_TRUE(near(big.pixelColor(90, 1310), kGreen));  // logical (45, 655)
    EXPECT_TRUE(near(big.pixelColor(130, 1310), Qt::black));
}

TEST_F(CabRendererTest, APainterThatScalesKeepsItsMappingPastTurnedNeedles) {
    // A window painting itself scales the picture; a turned needle must not undo that for the
    // sprites drawn after it.
    auto r = make();
    r->panel().find(sim::PanelItem::Needle_Speed)->angle = 90 * sim::kNeedleUnitsPerDegree;
    r->panel().find(sim::PanelItem::Lamp_EB)->visible = true;  // drawn after the needle
    QImage big(kWindowWidth * 2, kWindowHeight * 2, QImage::Format_RGB32);
    big.fill(Qt::black);
    {
        QPainter p(&big);
        p.setTransform(QTransform::fromScale(2, 2));
        r->compose(p, nullptr, state_, {});
    }
    EXPECT_TRUE(near(big.pixelColor(276, 1280), kRed, 60));  // needle tip, logical (138, 640)
    EXPECT_TRUE(near(big.pixelColor(130, 1310), kBlue));     // lamp, logical (65, 655)
    EXPECT_TRUE(near(big.pixelColor(65, 655), Qt::black));
}

TEST_F(CabRendererTest, PanelShakeMovesEverySpriteDown) {
    auto r = make();
    r->panel().shake = 3;
    const QImage img = compose(*r);
    EXPECT_TRUE(near(img.pixelColor(25, 651), Qt::black));
    EXPECT_TRUE(near(img.pixelColor(25, 653), kRed));
    EXPECT_TRUE(near(img.pixelColor(25, 662), kRed));
    EXPECT_TRUE(near(img.pixelColor(510, 702), Qt::black));
    EXPECT_TRUE(near(img.pixelColor(510, 703), kPanel));
}

TEST_F(CabRendererTest, NeedleTurnsAboutItsCentre) {
    auto r = make();
    QImage img = compose(*r);
    EXPECT_TRUE(near(img.pixelColor(120, 622), kRed, 60));   // tip straight up at 0°
    EXPECT_TRUE(near(img.pixelColor(138, 640), Qt::black));  // nothing to the right

    r->panel().find(sim::PanelItem::Needle_Speed)->angle = 90 * sim::kNeedleUnitsPerDegree;
    img = compose(*r);
    EXPECT_TRUE(near(img.pixelColor(138, 640), kRed, 60));  // tip to the right at 90°
    EXPECT_TRUE(near(img.pixelColor(120, 622), Qt::black));
    EXPECT_TRUE(near(img.pixelColor(130, 640), Qt::white, 60));  // the shaft

    r->panel().find(sim::PanelItem::Needle_Speed)->angle = -90 * sim::kNeedleUnitsPerDegree;
    img = compose(*r);
    EXPECT_TRUE(near(img.pixelColor(102, 640), kRed, 60));  // anticlockwise: to the left
}

TEST_F(CabRendererTest, BarShowsItsLeftColumnsAndStripItsCell) {
    auto r = make();
    auto* bar = r->panel().find(sim::PanelItem::Needle_BC_L);
    auto* strip = r->panel().find(sim::PanelItem::NotchImageB);
    bar->barPixels = 17;
    strip->cell = 4;
    QImage img = compose(*r);
    EXPECT_TRUE(near(img.pixelColor(216, 652), kCyan));
    EXPECT_TRUE(near(img.pixelColor(217, 652), Qt::black));
    EXPECT_TRUE(near(img.pixelColor(305, 655), kCells[4], 5));

    bar->barPixels = 0;
    strip->cell = 2;
    img = compose(*r);
    EXPECT_TRUE(near(img.pixelColor(200, 652), Qt::black));
    EXPECT_TRUE(near(img.pixelColor(305, 655), kCells[2], 5));

    // A cell the strip does not have, and a bar wider than its picture.
    bar->barPixels = 500;
    strip->cell = 6;
    img = compose(*r);
    EXPECT_TRUE(near(img.pixelColor(249, 652), kCyan));
    EXPECT_TRUE(near(img.pixelColor(250, 652), Qt::black));
    EXPECT_TRUE(near(img.pixelColor(305, 655), Qt::black));
}

TEST_F(CabRendererTest, StripCellsCountWholeCells) {
    const auto cells = make()->stripCells();
    EXPECT_EQ(cells.brake, 6);  // 30 × 20 in 10 × 10 cells
    EXPECT_EQ(cells.power, 2);  // 20 × 10
    EXPECT_EQ(cells.power2, 0);
    EXPECT_EQ(cells.brake2, 0);
}

TEST_F(CabRendererTest, VideoFillsTheRouteViewAndNothingElse) {
    auto r = make();
    QImage video(40, 30, QImage::Format_RGB32);
    video.fill(kVideo);
    QImage img = compose(*r, &video);
    EXPECT_TRUE(near(img.pixelColor(0, 0), kVideo, 2));
    EXPECT_TRUE(near(img.pixelColor(799, 599), kVideo, 2));
    EXPECT_TRUE(near(img.pixelColor(800, 300), Qt::black, 0));
    EXPECT_TRUE(near(img.pixelColor(400, 600), Qt::black, 0));

    service_.settings.ViewWidth = 640;
    service_.settings.ViewHeight = 480;
    img = compose(*r, &video);
    EXPECT_TRUE(near(img.pixelColor(639, 479), kVideo, 2));
    EXPECT_TRUE(near(img.pixelColor(640, 200), Qt::black, 0));
    EXPECT_TRUE(near(img.pixelColor(300, 480), Qt::black, 0));

    img = compose(*r, nullptr);
    EXPECT_TRUE(near(img.pixelColor(300, 300), Qt::black, 0));
}

TEST_F(CabRendererTest, LinesideSpritesAreDrawnOverTheVideoAndUnderThePanel) {
    service_.train.panel.Panel = {"panel.png", 20, 30};  // over the signal
    auto r = make();
    QImage video(800, 600, QImage::Format_RGB32);
    video.fill(kVideo);
    state_.route.signalSprites.main = {1, 300, 40, true};
    state_.route.signalSprites.extra = {1, 24, 40, true};  // under the panel picture
    QImage img = compose(*r, &video);
    EXPECT_TRUE(near(img.pixelColor(303, 43), kGreen, 5));  // cell 1 of the signal picture
    EXPECT_TRUE(near(img.pixelColor(299, 43), kVideo, 2));
    EXPECT_TRUE(near(img.pixelColor(27, 43), kPanel, 5));

    state_.route.signalSprites.main.pattern = 0;  // cell 0: see-through
    img = compose(*r, &video);
    EXPECT_TRUE(near(img.pixelColor(303, 43), kVideo, 2));
    state_.route.signalSprites.main = {1, 300, 40, false};
    img = compose(*r, &video);
    EXPECT_TRUE(near(img.pixelColor(303, 43), kVideo, 2));
}

TEST_F(CabRendererTest, StopLineIsDrawnWithItsThickness) {
    auto r = make();
    state_.video.stopLines[0] = {true, 500, 2};
    QImage img = compose(*r);
    EXPECT_TRUE(near(img.pixelColor(400, 499), Qt::black, 0));
    EXPECT_TRUE(near(img.pixelColor(400, 500), kYellow));
    EXPECT_TRUE(near(img.pixelColor(400, 501), kYellow));
    EXPECT_TRUE(near(img.pixelColor(400, 502), Qt::black, 0));
    EXPECT_TRUE(near(img.pixelColor(395, 500), Qt::black, 0));  // 8 px wide, centred
    EXPECT_TRUE(near(img.pixelColor(396, 500), kYellow));
}

TEST_F(CabRendererTest, ClockFaceIsRedrawnOnlyWhenTheSecondChanges) {
    auto r = make();
    auto& c = r->panel().clock;
    c.shown = true;
    c.handLength = 20;
    c.hourHandLength = 12;
    c.second = 10;
    c.secondDegrees = 90;
    c.minuteDegrees = 180;
    c.hourDegrees = 270;
    QImage img = compose(*r);
    EXPECT_GT(img.pixelColor(740, 765).red(), 120);  // second hand to the right of (725, 765)
    EXPECT_GT(qGray(img.pixel(725, 780)), 0);        // minute hand down
    EXPECT_EQ(qGray(img.pixel(725, 752)), 0);        // nothing up

    c.secondDegrees = 0;  // same second: the face is kept
    img = compose(*r);
    EXPECT_GT(img.pixelColor(740, 765).red(), 120);
    EXPECT_EQ(qGray(img.pixel(725, 752)), 0);

    c.second = 11;
    img = compose(*r);
    EXPECT_GT(img.pixelColor(725, 752).red(), 120);
    EXPECT_EQ(img.pixelColor(740, 765).red(), 0);
}

TEST_F(CabRendererTest, TimetableCardSitsAtItsLeftAndThePausePictureMayBeMissing) {
    auto r = make();
    const QImage img = compose(*r);
    EXPECT_TRUE(near(img.pixelColor(900, 0), kCard, 2));
    EXPECT_TRUE(near(img.pixelColor(949, 59), kCard, 2));
    EXPECT_TRUE(near(img.pixelColor(950, 30), Qt::black, 0));
    EXPECT_TRUE(r->pausedPicture().isNull());
}

class CabRendererTextTest : public CabRendererTest {
protected:
    /// Label11 (the speed), right-aligned.
    const QRect speedLabel{836, 646, 166, 30};
    /// Label0 (the reverser).
    const QRect reverserLabel{820, 692, 48, 30};
};

TEST_F(CabRendererTextTest, LabelsShowTheirCaptionsThenTheirTexts) {
    auto r = make();
    QImage img = compose(*r);
    EXPECT_GT(brightPixels(img, reverserLabel), 20);  // "前進"
    const int caption = brightPixels(img, speedLabel);
    EXPECT_GT(caption, 20);  // "0.0 km/h"

    state_.Texts.Labels[11] = "118.8 km/h";
    img = compose(*r);
    const int text = brightPixels(img, speedLabel);
    EXPECT_GT(text, caption);
    // Right-aligned: the text ends at the right edge of the label.
    EXPECT_GT(brightPixels(img, QRect(speedLabel.right() - 12, 646, 12, 30)), 0);
    EXPECT_EQ(brightPixels(img, QRect(speedLabel.left(), 646, 30, 30)), 0);

    state_.Texts.Labels[0].clear();
    img = compose(*r);
    EXPECT_EQ(brightPixels(img, reverserLabel), 0);
}

TEST_F(CabRendererTextTest, LabelsAreNotDrawnOrRefreshedWithTheOptionOff) {
    auto r = make();
    RenderOptions off;
    off.labels = false;
    state_.Texts.Labels[11] = "118.8 km/h";
    const QImage img = compose(*r, nullptr, off);
    EXPECT_EQ(brightPixels(img, QRect(808, 330, 394, 471)), 0);
}

TEST_F(CabRendererTextTest, ExplanationTextIsDrawnOverTheRouteViewUnlessHidden) {
    auto r = make();
    const QRect bottom(0, 500, 800, 100);
    QImage img = compose(*r);
    EXPECT_EQ(brightPixels(img, bottom), 0);
    state_.Texts.ExplanationText = "ATSが鳴っています。スペースキーで確認してください。";
    img = compose(*r);
    EXPECT_GT(brightPixels(img, bottom), 100);
    RenderOptions hidden;
    hidden.explanation = false;
    img = compose(*r, nullptr, hidden);
    EXPECT_EQ(brightPixels(img, bottom), 0);
}

TEST_F(CabRendererTextTest, ExplanationTextStaysAboveTheStopMarkerAtTheStop) {
    QImage board = solid(20, 60, kRed);
    ASSERT_TRUE(
        board.save(QString::fromStdString((folder_.path() / "image" / "board.png").string())));
    service_.line.SignImageList[0] = {"image\\board.png", 20};
    auto r = make();
    state_.Texts.ExplanationText = "ATSが鳴っています。スペースキーで確認してください。";
    const QImage img = compose(*r);
    EXPECT_EQ(brightPixels(img, QRect(0, 600 - 16 - 60, 800, 76)), 0);
    EXPECT_GT(brightPixels(img, QRect(0, 400, 800, 124)), 100);
}

class CabRendererLoadTest : public CabRendererTest {
protected:
    std::string loadError() {
        try {
            make();
        } catch (const data::FatalError& e) {
            return e.what();
        }
        return "";
    }
};

TEST_F(CabRendererLoadTest, MissingPanelPictureNamesTheFileAsWritten) {
    service_.train.panel.Lamp_Air = {"Lamps\\gone.png", 0, 0};
    EXPECT_EQ(loadError(), "Lamps\\gone.pngの生成エラー");
}

TEST_F(CabRendererLoadTest, MissingLinesidePictureGivesItsOwnMessage) {
    service_.line.SignImageList[0] = {"image\\teimoku.png", 120};
    EXPECT_EQ(loadError(), "停目の生成エラー");
    service_.line.SignImageList[0] = {};
    service_.line.SignalImageList.Sub[2] = {60, 60, "image\\speed.png"};
    EXPECT_EQ(loadError(), "サブ信号機2の生成エラー");
}

TEST_F(CabRendererLoadTest, MissingFirstOrThirdTimetablePictureIsFatal) {
    service_.line.Staf[0] = "image\\nocard.png";
    EXPECT_EQ(loadError(), (folder_.path() / "image" / "nocard.png").string() + "が見つかりません");
    service_.line.Staf[0].clear();  // no card at all is fine
    service_.line.Staf[2] = "image\\nomap.png";
    EXPECT_EQ(loadError(), (folder_.path() / "image" / "nomap.png").string() + "が見つかりません");
    service_.line.Staf[2].clear();
    EXPECT_EQ(loadError(), "");
}

}  // namespace
}  // namespace tressmoor::view
