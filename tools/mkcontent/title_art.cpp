// Pictures of the title window: five title scenes, the service buttons, HELP, Quit, "loading".
#include "title_art.h"

#include <QFontMetrics>
#include <QLinearGradient>
#include <QPainterPath>
#include <QPolygonF>
#include <QRadialGradient>
#include <cmath>
#include <cstdint>

namespace tressmoor::mkcontent {
namespace {

struct Scene {
    QColor skyTop, skyBottom, hills, ground, trainBody, trainBand;
    bool night = false;
    bool snow = false;
    bool sea = false;
};

/// A smooth deterministic ridge line: a few sines with fixed phases.
double ridge(double x, int seed) {
    return 40 * std::sin(x / 97.0 + seed) + 22 * std::sin(x / 41.0 + seed * 1.7) +
           9 * std::sin(x / 13.0 + seed * 2.3);
}

QImage scene(int index) {
    static const Scene scenes[5] = {
        {{90, 150, 230},
         {200, 225, 245},
         {70, 120, 80},
         {110, 140, 80},
         {230, 230, 225},
         {40, 120, 200}},
        {{60, 40, 110}, {250, 150, 70}, {60, 50, 60}, {80, 70, 60}, {220, 220, 215}, {200, 80, 40}},
        {{5, 10, 35},
         {30, 40, 80},
         {15, 20, 30},
         {25, 28, 30},
         {200, 200, 205},
         {40, 160, 120},
         true},
        {{160, 180, 210},
         {235, 240, 245},
         {200, 210, 220},
         {240, 242, 245},
         {240, 240, 235},
         {30, 90, 170},
         false,
         true},
        {{70, 160, 230},
         {210, 235, 250},
         {90, 130, 100},
         {120, 150, 90},
         {235, 235, 230},
         {220, 140, 20},
         false,
         false,
         true},
    };
    const Scene& s = scenes[index];
    QImage img(800, 600, QImage::Format_RGB32);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, true);
    const double horizon = 330;
    QLinearGradient sky(0, 0, 0, horizon);
    sky.setColorAt(0, s.skyTop);
    sky.setColorAt(1, s.skyBottom);
    p.fillRect(QRectF(0, 0, 800, horizon), sky);
    if (s.night) {
        std::uint32_t r = 12345;
        p.setPen(Qt::NoPen);
        for (int i = 0; i < 120; ++i) {
            r = r * 1664525u + 1013904223u;
            const double x = (r >> 8) % 800;
            r = r * 1664525u + 1013904223u;
            const double y = (r >> 8) % 280;
            p.setBrush(QColor(255, 255, 230, 200));
            p.drawEllipse(QPointF(x, y), 1.2, 1.2);
        }
        p.setBrush(QColor(250, 245, 210));
        p.drawEllipse(QPointF(640, 90), 26, 26);
    } else {
        p.setPen(Qt::NoPen);
        p.setBrush(index == 1 ? QColor(255, 210, 120) : QColor(255, 255, 240));
        p.drawEllipse(QPointF(index == 1 ? 560 : 150, index == 1 ? 250 : 90), 34, 34);
    }
    // Far hills and near hills.
    for (int layer = 0; layer < 2; ++layer) {
        QPolygonF hills;
        hills << QPointF(0, horizon + 10);
        for (int x = 0; x <= 800; x += 8) {
            hills << QPointF(
                x, horizon - 40 - layer * 30 + ridge(x, index * 3 + layer) * (layer ? 0.6 : 1.0));
        }
        hills << QPointF(800, horizon + 10);
        p.setBrush(layer == 0 ? s.hills.lighter(125) : s.hills);
        p.drawPolygon(hills);
    }
    if (s.sea) {
        p.fillRect(QRectF(0, horizon - 6, 380, 40), QColor(40, 110, 180));
    }
    // Ground.
    p.fillRect(QRectF(0, horizon, 800, 600 - horizon), s.ground);
    // Ballast, sleepers and rails in perspective towards a vanishing point.
    const QPointF vp(400, horizon);
    QPolygonF ballast;
    ballast << QPointF(392, horizon) << QPointF(408, horizon) << QPointF(640, 600)
            << QPointF(160, 600);
    p.setBrush(s.snow ? QColor(215, 215, 220) : QColor(130, 120, 110));
    p.drawPolygon(ballast);
    for (int i = 0; i < 40; ++i) {
        const double t = std::pow(i / 40.0, 2.2);
        const double y = horizon + (600 - horizon) * t;
        const double half = 6 + 220 * t;
        p.setPen(QPen(QColor(80, 60, 45), std::max(1.0, 10 * t)));
        p.drawLine(QPointF(400 - half, y), QPointF(400 + half, y));
    }
    p.setPen(QPen(QColor(60, 60, 65), 4));
    p.drawLine(QPointF(397, horizon), QPointF(250, 600));
    p.drawLine(QPointF(403, horizon), QPointF(550, 600));
    p.setPen(QPen(QColor(200, 200, 205), 1.5));
    p.drawLine(QPointF(397, horizon), QPointF(252, 600));
    p.drawLine(QPointF(403, horizon), QPointF(548, 600));
    // Catenary poles and the contact wire.
    for (int i = 1; i < 8; ++i) {
        const double t = std::pow(i / 8.0, 2.0);
        const double y = horizon + (600 - horizon) * t;
        const double x = 400 - (20 + 330 * t);
        const double h = 30 + 420 * t;
        p.setPen(QPen(QColor(70, 70, 70), std::max(1.0, 8 * t)));
        p.drawLine(QPointF(x, y), QPointF(x, y - h));
        p.drawLine(QPointF(x, y - h * 0.9), QPointF(400 + 4 * t, y - h * 0.88));
    }
    p.setPen(QPen(QColor(50, 50, 50), 1.2));
    p.drawLine(QPointF(400, horizon - 30), QPointF(405, 0));
    // An approaching train (front view) on the track.
    const double tx = 400, ty = horizon + 95, tw = 120, th = 110;
    QRectF body(tx - tw / 2, ty - th, tw, th);
    p.setPen(QPen(QColor(30, 30, 30), 2));
    p.setBrush(s.trainBody);
    p.drawRoundedRect(body, 12, 12);
    p.setBrush(QColor(30, 40, 55));
    p.drawRoundedRect(QRectF(tx - tw / 2 + 10, ty - th + 12, tw - 20, 40), 6, 6);
    p.fillRect(QRectF(tx - tw / 2, ty - 44, tw, 10), s.trainBand);
    p.setBrush(QColor(255, 250, 210));
    p.drawEllipse(QPointF(tx - tw / 2 + 18, ty - 20), 7, 7);
    p.drawEllipse(QPointF(tx + tw / 2 - 18, ty - 20), 7, 7);
    if (s.night) {
        QRadialGradient beam(QPointF(tx, ty - 20), 160);
        beam.setColorAt(0, QColor(255, 250, 210, 120));
        beam.setColorAt(1, QColor(255, 250, 210, 0));
        p.setPen(Qt::NoPen);
        p.setBrush(beam);
        p.drawEllipse(QPointF(tx, ty - 20), 160, 90);
    }
    p.setPen(QPen(QColor(40, 40, 40), 3));
    p.drawLine(QPointF(tx - 20, ty - th), QPointF(tx, ty - th - 30));
    p.drawLine(QPointF(tx + 20, ty - th), QPointF(tx, ty - th - 30));
    if (s.snow) {
        std::uint32_t r = 777;
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 255, 255, 220));
        for (int i = 0; i < 300; ++i) {
            r = r * 1664525u + 1013904223u;
            const double x = (r >> 8) % 800;
            r = r * 1664525u + 1013904223u;
            const double y = (r >> 8) % 600;
            p.drawEllipse(QPointF(x, y), 2, 2);
        }
    }
    // The title.
    QFont font = japaneseFont(54, true);
    QPainterPath path;
    path.addText(0, 0, font, "鉄道運転シミュレータ");
    const QRectF bounds = path.boundingRect();
    path.translate(400 - bounds.center().x(), 120 - bounds.center().y());
    p.setPen(QPen(QColor(10, 20, 40), 6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(path);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255));
    p.drawPath(path);
    drawCentred(p, QRectF(0, 160, 800, 36), "ケルヴェーン線  霧沢 － 七ツ森", QColor(255, 255, 255),
                22, true);
    p.end();
    return img;
}

QImage button(const QString& text, int w, int h, QColor ground) {
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(QColor(0, 0, 0));
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, true);
    QLinearGradient g(0, 0, 0, h);
    g.setColorAt(0, ground.lighter(140));
    g.setColorAt(1, ground.darker(130));
    p.setPen(QPen(QColor(240, 240, 240), 2));
    p.setBrush(g);
    p.drawRoundedRect(QRectF(1, 1, w - 2, h - 2), 8, 8);
    int size = h > 30 ? 16 : 13;
    while (size > 9 && QFontMetrics(japaneseFont(size, true)).horizontalAdvance(text) > w - 16)
        --size;
    drawCentred(p, QRectF(8, 0, w - 16, h), text, Qt::white, size, true);
    p.end();
    return img;
}

}  // namespace

void drawTitlePictures(const std::array<std::string, 5>& serviceNames, const ImageSink& put) {
    for (int i = 0; i < 5; ++i) put(kTitlePictures[static_cast<std::size_t>(i)], scene(i));
    static const QColor colours[5] = {
        {40, 110, 60}, {40, 90, 140}, {110, 80, 40}, {140, 60, 40}, {120, 30, 60}};
    for (std::size_t i = 0; i < 5; ++i) {
        put(kServiceButtons[i],
            button(QString::fromUtf8(serviceNames[i].c_str()), 320, 36, colours[i]));
    }
    put(kHelpButton, button("HELP", 60, 26, QColor(60, 60, 70)));
    put(kQuitButton, button("終了", 60, 26, QColor(90, 30, 30)));
    QImage loading = button("読み込み中…", 110, 58, QColor(20, 40, 80));
    put(kLoadingPlate, loading);
}

}  // namespace tressmoor::mkcontent
