// The opening movie of the title window: a train passing through the countryside, then the title.
#include "opening_movie.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <algorithm>
#include <cmath>

#include "art_common.h"
#include "route_video_encoder.h"

namespace tressmoor::mkcontent {
namespace {

constexpr double kW = kOpeningWidth;
constexpr double kH = kOpeningHeight;

constexpr double kPanSpeed = 90;     ///< px/s the view moves along the line
constexpr double kTrainSpeed = 330;  ///< px/s the train runs along the line
constexpr double kRailY = 214;       ///< top of the rail on the screen
constexpr double kCarLength = 190;
constexpr double kCarGap = 6;
constexpr int kCars = 3;
constexpr double kPoleSpacing = 170;

constexpr double kTitleIn = 4.4;  ///< s, the title starts to fade in
constexpr double kFadeOut = 6.5;  ///< s, the picture starts to fade to black

/// A smooth deterministic ridge line: a few sines with fixed phases.
double ridge(double x, double seed) {
    return 18 * std::sin(x / 83.0 + seed) + 10 * std::sin(x / 37.0 + seed * 1.7) +
           4 * std::sin(x / 11.0 + seed * 2.3);
}

void drawHills(QPainter& p, double offset, double base, double seed, double scale,
               const QColor& colour) {
    QPolygonF hills;
    hills << QPointF(0, kH);
    for (int x = 0; x <= kOpeningWidth; x += 4) {
        hills << QPointF(x, base + scale * ridge(x + offset, seed));
    }
    hills << QPointF(kW, kH);
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawPolygon(hills);
}

/// One car seen from the side, its left end at `x`; `lead` gives it a sloped nose on the right.
void drawCar(QPainter& p, double x, bool lead, bool pantograph) {
    const double top = kRailY - 52;
    const double bottom = kRailY - 10;
    QPainterPath body;
    body.moveTo(x, top + 4);
    if (lead) {
        body.lineTo(x + kCarLength - 26, top);
        body.cubicTo(x + kCarLength - 6, top, x + kCarLength, top + 18, x + kCarLength, bottom);
    } else {
        body.lineTo(x + kCarLength, top);
        body.lineTo(x + kCarLength, bottom);
    }
    body.lineTo(x, bottom);
    body.closeSubpath();
    p.setPen(QPen(QColor(70, 70, 75), 1));
    p.setBrush(QColor(236, 236, 232));
    p.drawPath(body);
    // The blue band and the windows.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(40, 110, 190));
    p.drawRect(QRectF(x + 2, bottom - 13, kCarLength - (lead ? 6 : 4), 5));
    p.setBrush(QColor(40, 50, 65));
    for (int w = 0; w < 6; ++w) {
        p.drawRect(QRectF(x + 14 + w * 27, top + 10, 18, 13));
    }
    if (lead) {
        QPolygonF screen;
        screen << QPointF(x + kCarLength - 24, top + 6) << QPointF(x + kCarLength - 10, top + 6)
               << QPointF(x + kCarLength - 4, top + 22) << QPointF(x + kCarLength - 24, top + 22);
        p.drawPolygon(screen);
        p.setBrush(QColor(255, 245, 200));
        p.drawEllipse(QPointF(x + kCarLength - 3, bottom - 8), 2.5, 2.5);
    }
    // Doors.
    p.setPen(QPen(QColor(150, 150, 150), 1));
    p.setBrush(Qt::NoBrush);
    for (int d = 0; d < 3; ++d) {
        p.drawRect(QRectF(x + 30 + d * 58, top + 8, 14, bottom - top - 12));
    }
    // Bogies and wheels.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(45, 45, 48));
    for (double b : {x + 30, x + kCarLength - 30}) {
        p.drawRect(QRectF(b - 20, bottom, 40, 5));
        p.drawEllipse(QPointF(b - 11, kRailY - 3), 4.5, 4.5);
        p.drawEllipse(QPointF(b + 11, kRailY - 3), 4.5, 4.5);
    }
    if (pantograph) {
        const double c = x + kCarLength / 2;
        p.setPen(QPen(QColor(50, 50, 50), 1.5));
        p.drawLine(QPointF(c - 14, top), QPointF(c, top - 18));
        p.drawLine(QPointF(c + 14, top), QPointF(c, top - 18));
        p.drawLine(QPointF(c - 10, top - 18), QPointF(c + 10, top - 18));
    }
}

void drawTitle(QPainter& p, double alpha) {
    if (alpha <= 0) return;
    p.save();
    p.setOpacity(alpha);
    QPainterPath path;
    path.addText(0, 0, japaneseFont(38, true), "鉄道運転シミュレータ");
    const QRectF bounds = path.boundingRect();
    path.translate(kW / 2 - bounds.center().x(), 70 - bounds.center().y());
    p.setPen(QPen(QColor(10, 20, 40), 5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(path);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawPath(path);
    drawCentred(p, QRectF(0, 96, kW, 26), "ケルヴェーン線  霧沢 － 七ツ森", Qt::white, 15, true);
    p.restore();
}

}  // namespace

QImage openingFrame(int n) {
    const double t = static_cast<double>(n) / kOpeningFps;
    const double pan = kPanSpeed * t;
    QImage img(kOpeningWidth, kOpeningHeight, QImage::Format_RGB32);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, true);

    QLinearGradient sky(0, 0, 0, 170);
    sky.setColorAt(0, QColor(80, 140, 220));
    sky.setColorAt(1, QColor(215, 230, 245));
    p.fillRect(QRectF(0, 0, kW, kH), sky);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 240));
    p.drawEllipse(QPointF(380 - pan * 0.02, 48), 18, 18);

    // Far mountains, near hills and the embankment, each moving with its depth.
    drawHills(p, pan * 0.08, 128, 0.5, 1.6, QColor(120, 155, 175));
    drawHills(p, pan * 0.3, 168, 2.0, 1.0, QColor(80, 130, 85));
    p.fillRect(QRectF(0, 190, kW, kH - 190), QColor(115, 150, 80));
    p.fillRect(QRectF(0, kRailY - 2, kW, 18), QColor(135, 125, 115));
    p.fillRect(QRectF(0, kRailY + 16, kW, kH - kRailY - 16), QColor(100, 135, 70));

    // Sleepers and the rail.
    const double sleeperPhase = std::fmod(pan, 12.0);
    p.setBrush(QColor(85, 65, 50));
    for (double x = -sleeperPhase; x < kW; x += 12) p.drawRect(QRectF(x, kRailY + 2, 7, 5));
    p.fillRect(QRectF(0, kRailY, kW, 3), QColor(170, 170, 175));

    // Catenary poles and the contact wire, behind the train.
    const double polePhase = std::fmod(pan, kPoleSpacing);
    p.setPen(QPen(QColor(90, 90, 90), 3));
    for (double x = 40 - polePhase; x < kW + kPoleSpacing; x += kPoleSpacing) {
        p.drawLine(QPointF(x, kRailY - 4), QPointF(x, kRailY - 92));
        p.drawLine(QPointF(x, kRailY - 84), QPointF(x + 22, kRailY - 84));
    }
    p.setPen(QPen(QColor(60, 60, 60), 1));
    p.drawLine(QPointF(0, kRailY - 70), QPointF(kW, kRailY - 70));

    // The train: its front enters from the left and it runs out on the right.
    const double front = -20 + (kTrainSpeed - kPanSpeed) * t;
    for (int c = 0; c < kCars; ++c) {
        const double left = front - kCarLength - c * (kCarLength + kCarGap);
        if (left > kW || left + kCarLength < 0) continue;
        drawCar(p, left, c == 0, c == 1);
    }

    drawTitle(p, std::clamp((t - kTitleIn) / 0.8, 0.0, 1.0));
    const double dark = std::clamp((t - kFadeOut) / (7.0 - kFadeOut), 0.0, 1.0);
    if (dark > 0) p.fillRect(QRectF(0, 0, kW, kH), QColor(0, 0, 0, static_cast<int>(dark * 255)));
    p.end();
    return img;
}

void renderOpeningMovie(const std::filesystem::path& out) {
    AviWriter writer(out, kOpeningFps, kOpeningWidth, kOpeningHeight);
    for (int n = 0; n < kOpeningFrames; ++n) writer.addFrame(openingFrame(n));
    writer.finish();
}

}  // namespace tressmoor::mkcontent
