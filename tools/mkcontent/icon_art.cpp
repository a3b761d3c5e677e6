#include "icon_art.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QString>
#include <stdexcept>

namespace tressmoor::mkcontent {

namespace {

// Drawn on a 256 × 256 grid and scaled to the size asked for.
constexpr double kGrid = 256.0;

void drawPlate(QPainter& p) {
    QLinearGradient sky(0, 8, 0, 248);
    sky.setColorAt(0.0, QColor(24, 52, 92));
    sky.setColorAt(0.62, QColor(64, 120, 170));
    sky.setColorAt(0.63, QColor(70, 78, 72));
    sky.setColorAt(1.0, QColor(44, 48, 44));
    p.setPen(Qt::NoPen);
    p.setBrush(sky);
    p.drawRoundedRect(QRectF(8, 8, 240, 240), 44, 44);
}

void drawTrack(QPainter& p, bool detailed) {
    // Two rails running from the lower edge toward the train's wheels.
    p.setPen(Qt::NoPen);
    if (detailed) {
        p.setBrush(QColor(96, 88, 76));
        for (int i = 0; i < 4; ++i) {
            const double y = 214 + i * 9.0;
            const double half = 62 + i * 10.0;
            p.drawRect(QRectF(128 - half, y, 2 * half, 4.0 + i));
        }
    }
    p.setBrush(QColor(196, 200, 204));
    QPainterPath left;
    left.moveTo(88, 200);
    left.lineTo(96, 200);
    left.lineTo(66, 248);
    left.lineTo(48, 248);
    left.closeSubpath();
    QPainterPath right;
    right.moveTo(160, 200);
    right.lineTo(168, 200);
    right.lineTo(208, 248);
    right.lineTo(190, 248);
    right.closeSubpath();
    p.drawPath(left);
    p.drawPath(right);
}

void drawSignal(QPainter& p) {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(30, 30, 30));
    p.drawRect(QRectF(214, 60, 6, 150));
    p.drawRoundedRect(QRectF(200, 36, 34, 62), 10, 10);
    QRadialGradient glow(217, 82, 20);
    glow.setColorAt(0.0, QColor(190, 255, 200));
    glow.setColorAt(0.45, QColor(40, 220, 90));
    glow.setColorAt(1.0, QColor(40, 220, 90, 0));
    p.setBrush(glow);
    p.drawEllipse(QPointF(217, 82), 18, 18);
    p.setBrush(QColor(70, 20, 20));
    p.drawEllipse(QPointF(217, 52), 8, 8);
}

void drawTrainFront(QPainter& p, bool detailed) {
    // The body: a cab front slightly narrower at the roof.
    QPainterPath body;
    body.moveTo(60, 66);
    body.quadTo(128, 40, 196, 66);
    body.lineTo(204, 196);
    body.quadTo(204, 208, 192, 208);
    body.lineTo(64, 208);
    body.quadTo(52, 208, 52, 196);
    body.closeSubpath();
    QLinearGradient metal(52, 0, 204, 0);
    metal.setColorAt(0.0, QColor(206, 210, 214));
    metal.setColorAt(0.5, QColor(246, 247, 248));
    metal.setColorAt(1.0, QColor(196, 200, 206));
    p.setPen(QPen(QColor(40, 44, 52), detailed ? 4 : 8));
    p.setBrush(metal);
    p.drawPath(body);

    // The windscreen, split by the gangway door in the middle.
    p.setPen(Qt::NoPen);
    QPainterPath screen;
    screen.moveTo(70, 84);
    screen.quadTo(128, 64, 186, 84);
    screen.lineTo(190, 138);
    screen.lineTo(66, 138);
    screen.closeSubpath();
    QLinearGradient glass(0, 70, 0, 138);
    glass.setColorAt(0.0, QColor(60, 90, 120));
    glass.setColorAt(1.0, QColor(18, 26, 36));
    p.setBrush(glass);
    p.drawPath(screen);
    if (detailed) {
        p.setBrush(QColor(226, 228, 230));
        p.drawRect(QRectF(120, 70, 16, 92));
        // Destination board above the door.
        p.setBrush(QColor(20, 20, 20));
        p.drawRect(QRectF(100, 56, 56, 12));
        p.setBrush(QColor(255, 160, 40));
        p.drawRect(QRectF(106, 59, 44, 6));
        // The line colours across the front.
        p.setBrush(QColor(40, 96, 190));
        p.drawRect(QRectF(55, 146, 146, 10));
        p.setBrush(QColor(150, 80, 40));
        p.drawRect(QRectF(55, 158, 146, 6));
    } else {
        p.setBrush(QColor(40, 96, 190));
        p.drawRect(QRectF(54, 146, 148, 16));
    }

    // Headlights.
    const double r = detailed ? 11 : 16;
    for (const double x : {80.0, 176.0}) {
        QRadialGradient lamp(x, 182, r * 1.6);
        lamp.setColorAt(0.0, QColor(255, 255, 230));
        lamp.setColorAt(0.6, QColor(255, 236, 150));
        lamp.setColorAt(1.0, QColor(255, 236, 150, 0));
        p.setBrush(lamp);
        p.drawEllipse(QPointF(x, 182), r * 1.6, r * 1.6);
        p.setBrush(QColor(255, 255, 240));
        p.drawEllipse(QPointF(x, 182), r * 0.7, r * 0.7);
    }
    if (detailed) {
        // Coupler.
        p.setBrush(QColor(40, 44, 52));
        p.drawRect(QRectF(116, 196, 24, 16));
    }
}

}  // namespace

QImage drawIcon(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / kGrid, size / kGrid);
    const bool detailed = size >= 32;
    drawPlate(p);
    // Rails and signal end at the plate's rounded edge.
    QPainterPath plate;
    plate.addRoundedRect(QRectF(8, 8, 240, 240), 44, 44);
    p.setClipPath(plate);
    drawTrack(p, detailed);
    if (size >= 48) drawSignal(p);
    drawTrainFront(p, detailed);
    p.end();
    return image;
}

std::vector<std::filesystem::path> writeIcons(const std::filesystem::path& folder,
                                              const std::string& name) {
    std::vector<std::filesystem::path> written;
    for (const int size : kIconSizes) {
        const auto dir = folder / "hicolor" / (std::to_string(size) + "x" + std::to_string(size)) /
                         "apps";
        std::filesystem::create_directories(dir);
        const auto file = dir / (name + ".png");
        if (!drawIcon(size).save(QString::fromStdString(file.string()), "PNG")) {
            throw std::runtime_error("cannot write the icon " + file.string());
        }
        written.push_back(file);
    }
    return written;
}

}  // namespace tressmoor::mkcontent
