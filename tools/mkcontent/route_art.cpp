// Pictures a line file names: lineside signs, signal heads, timetable card, monitor.
#include "route_art.h"

#include <QFontMetrics>
#include <QLinearGradient>
#include <QPainterPath>
#include <QPolygonF>
#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <optional>
#include <stdexcept>
#include <vector>

namespace tressmoor::mkcontent {
namespace {

QString qs(const std::string& s) {
    return QString::fromUtf8(s.c_str());
}

const QColor kRed(235, 35, 30), kYellow(255, 190, 0), kGreen(40, 225, 130), kWhite(245, 245, 240);

QString clockText(int ticks) {
    const int s = ticks / 30;
    return QString("%1:%2:%3")
        .arg(s / 3600, 2, 10, QChar('0'))
        .arg(s / 60 % 60, 2, 10, QChar('0'))
        .arg(s % 60, 2, 10, QChar('0'));
}

/// A board: rounded rectangle with a border, text centred.
void board(QPainter& p, const QRectF& r, QColor ground, QColor ink, const QString& text, int size,
           QColor border = QColor(20, 20, 20)) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(QPen(border, 3));
    p.setBrush(ground);
    p.drawRoundedRect(r, 4, 4);
    drawCentred(p, r, text, ink, size, true);
    p.restore();
}

/// A post under a board, from y to the bottom of the cell.
void post(QPainter& p, double cx, double y, double bottom) {
    p.fillRect(QRectF(cx - 3, y, 6, bottom - y), QColor(120, 120, 120));
}

// --- Signal heads --------------------------------------------------------------------------

struct HeadLook {
    std::vector<QColor> lamps;  ///< top to bottom
    std::vector<int> lit;       ///< indices of the lamps that are on
    int housing = 0;            ///< 0 plain, 1 with a white rim, 2 tall hood
};

std::optional<HeadLook> headLook(int frame) {
    const std::vector<QColor> l3 = {kGreen, kYellow, kRed};
    const std::vector<QColor> l4 = {kYellow, kGreen, kYellow, kRed};
    const std::vector<QColor> l4b = {kGreen, kYellow, kRed, kGreen};
    const std::vector<QColor> l5 = {kYellow, kGreen, kYellow, kRed, kGreen};
    switch (frame) {
        case 4:
            return HeadLook{l3, {2}, 0};
        case 5:
            return HeadLook{l3, {1}, 0};
        case 6:
            return HeadLook{l3, {0}, 0};
        case 7:
            return HeadLook{l3, {2}, 1};
        case 8:
            return HeadLook{l3, {1}, 1};
        case 9:
            return HeadLook{l3, {0}, 1};
        case 10:
            return HeadLook{l3, {2}, 2};
        case 11:
            return HeadLook{l3, {1}, 2};
        case 12:
            return HeadLook{l3, {0}, 2};
        case 13:
            return HeadLook{l4, {3}, 1};
        case 14:
            return HeadLook{l4, {2}, 1};
        case 15:
            return HeadLook{l4, {0, 1}, 1};
        case 16:
            return HeadLook{l4, {1}, 1};
        case 17:
            return HeadLook{l4, {3}, 0};
        case 18:
            return HeadLook{l4, {0, 2}, 0};
        case 19:
            return HeadLook{l4, {2}, 0};
        case 20:
            return HeadLook{l4, {1}, 0};
        case 21:
            return HeadLook{l5, {3}, 1};
        case 22:
            return HeadLook{l5, {0, 2}, 1};
        case 23:
            return HeadLook{l5, {2}, 1};
        case 24:
            return HeadLook{l5, {0, 1}, 1};
        case 25:
            return HeadLook{l5, {1}, 1};
        case 26:
            return HeadLook{l4b, {2}, 2};
        case 27:
            return HeadLook{l4b, {1}, 2};
        case 28:
            return HeadLook{l4b, {0}, 2};
        case 29:
            return HeadLook{l4b, {0, 3}, 2};
        case 30:
            return HeadLook{l5, {3}, 2};
        case 31:
            return HeadLook{l5, {2}, 2};
        case 32:
            return HeadLook{l5, {0, 1}, 2};
        case 33:
            return HeadLook{l5, {1}, 2};
        case 34:
            return HeadLook{l5, {1, 4}, 2};
        default:
            return std::nullopt;
    }
}

void drawHead(QPainter& p, const QRect& cell, int frame) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    const double cx = cell.x() + cell.width() / 2.0;
    if (frame >= 1 && frame <= 3) {
        // Repeater: a round black disc with a bar of three white lamps; its angle is the aspect.
        const QPointF c(cx, cell.y() + cell.height() * 0.32);
        const double r = cell.width() * 0.42;
        post(p, cx, c.y(), cell.bottom() + 1);
        p.setPen(QPen(kWhite, 2));
        p.setBrush(QColor(15, 15, 15));
        p.drawEllipse(c, r, r);
        const double angle = frame == 1 ? 90 : frame == 2 ? 45 : 0;
        p.translate(c);
        p.rotate(angle);
        p.setPen(Qt::NoPen);
        p.setBrush(kWhite);
        for (int i = -1; i <= 1; ++i) p.drawEllipse(QPointF(0, i * r * 0.55), r * 0.2, r * 0.2);
        p.restore();
        return;
    }
    if (frame >= 35) {
        // Cab-signal section board: a square marker with the section number.
        const QRectF b(cx - 28, cell.y() + 10, 56, 56);
        post(p, cx, b.bottom(), cell.bottom() + 1);
        board(p, b, QColor(250, 250, 250), QColor(20, 20, 20), QString::number(frame - 35), 26);
        p.restore();
        return;
    }
    const auto look = headLook(frame);
    if (!look) {
        p.restore();
        return;
    }
    const int n = static_cast<int>(look->lamps.size());
    const double lampR = 11;
    const double pitch = 26;
    const double height = n * pitch + 14;
    const QRectF plate(cx - 24, cell.y() + 6, 48, height);
    post(p, cx, plate.bottom(), cell.bottom() + 1);
    p.setPen(look->housing == 1 ? QPen(kWhite, 3) : QPen(QColor(60, 60, 60), 2));
    p.setBrush(QColor(12, 12, 12));
    p.drawRoundedRect(plate, look->housing == 2 ? 12 : 6, look->housing == 2 ? 12 : 6);
    for (int i = 0; i < n; ++i) {
        const QPointF c(cx, plate.y() + 7 + pitch * (i + 0.5));
        const bool on = std::find(look->lit.begin(), look->lit.end(), i) != look->lit.end();
        const QColor colour = look->lamps[static_cast<std::size_t>(i)];
        p.setPen(QPen(QColor(0, 0, 0), 2));
        p.setBrush(on ? colour : colour.darker(700));
        p.drawEllipse(c, lampR, lampR);
        if (on) {
            p.setPen(Qt::NoPen);
            p.setBrush(colour.lighter(160));
            p.drawEllipse(c + QPointF(-3, -3), 3.5, 3.5);
        }
        if (look->housing == 2) {  // hoods
            p.setPen(QPen(QColor(40, 40, 40), 3));
            p.drawArc(QRectF(c.x() - 14, c.y() - 14, 28, 28), 20 * 16, 140 * 16);
        }
    }
    p.restore();
}

QImage signalHeads(int w, int h) {
    constexpr int kFrames = 43, kPerRow = 11;
    QImage img = stripImage(kFrames, kPerRow, w, h);
    QPainter p(&img);
    for (int f = 1; f < kFrames; ++f)
        drawHead(p, QRect(cellOrigin(f, kPerRow, w, h), QSize(w, h)), f);
    p.end();
    markKeyCorner(img);
    return img;
}

/// One labelled board per cell (cell 0 stays empty) on a see-through picture; the caller may draw
/// more and finishes it with markKeyCorner.
QImage labelledCells(int w, int h, const std::vector<QString>& labels, QColor ground, QColor ink) {
    const int cells = static_cast<int>(labels.size());
    QImage img = stripImage(cells, 1000, w, h);
    QPainter p(&img);
    for (int k = 1; k < cells; ++k) {
        if (labels[static_cast<std::size_t>(k)].isEmpty()) continue;
        const QRect r(cellOrigin(k, cells, w, h), QSize(w, h));
        board(p, QRectF(r).adjusted(2, 2, -2, -2), ground, ink, labels[static_cast<std::size_t>(k)],
              std::min(h - 14, 20));
    }
    p.end();
    return img;
}

// --- Sign strips ----------------------------------------------------------------------------

QImage stopMarkers(const data::LineData& line, int cw, int h) {
    const int cells = 10 + static_cast<int>(line.Station.size());
    QImage img = stripImage(cells, 1000, cw, h);
    QPainter p(&img);
    static const std::array<const char*, 6> boards = {"", "50", "100", "150", "200", "300"};
    for (int k = 1; k <= 5; ++k) {
        const QRect r(cellOrigin(k, cells, cw, h), QSize(cw, h));
        const QRectF b(r.x() + cw * 0.2, r.y() + 4, cw * 0.6, h * 0.55);
        post(p, r.x() + cw / 2.0, b.bottom(), r.bottom() + 1);
        board(p, b, kWhite, QColor(20, 20, 20),
              QString::fromUtf8(boards[static_cast<std::size_t>(k)]), 22);
    }
    for (std::size_t i = 0; i < line.Station.size(); ++i) {
        const QRect r(cellOrigin(10 + static_cast<int>(i), cells, cw, h), QSize(cw, h));
        const QRectF b(r.x() + 8, r.y() + 4, cw - 16, h * 0.62);
        post(p, r.x() + cw / 2.0, b.bottom(), r.bottom() + 1);
        p.save();
        p.setRenderHint(QPainter::Antialiasing, true);
        p.setPen(QPen(QColor(20, 20, 20), 3));
        p.setBrush(QColor(255, 215, 0));
        p.drawRect(b);
        drawCentred(p, QRectF(b.x(), b.y() + 2, b.width(), b.height() * 0.55), "停止位置",
                    QColor(20, 20, 20), 17, true);
        drawCentred(p, QRectF(b.x(), b.y() + b.height() * 0.55, b.width(), b.height() * 0.42),
                    qs(line.Station[i].Name), QColor(20, 20, 20), 13, true);
        p.restore();
    }
    p.end();
    markKeyCorner(img);
    return img;
}

QImage stopLine(int w, QColor colour) {
    QImage img(std::max(1, w), 6, QImage::Format_RGB32);
    img.fill(colour);
    markKeyCorner(img);
    return img;
}

QImage gradientPosts(const data::LineData& line, int cw, int h) {
    const int cells = static_cast<int>(line.Slope.size()) + 1;
    QImage img = stripImage(cells, 1000, cw, h);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, true);
    for (int k = 0; k < cells; ++k) {
        const QRect r(cellOrigin(k, cells, cw, h), QSize(cw, h));
        const double cx = r.x() + cw / 2.0;
        post(p, cx, r.y() + 30, r.bottom() + 1);
        if (k == 0) {
            board(p, QRectF(cx - 18, r.y() + 8, 36, 30), kWhite, QColor(20, 20, 20), "L", 20);
            continue;
        }
        const double g = line.Slope[static_cast<std::size_t>(k - 1)].Gradient.toDouble();
        // Arms: the left arm shows the gradient ahead (up or down), the right arm the one behind.
        const double tilt = g > 0 ? -16 : g < 0 ? 16 : 0;
        p.setPen(QPen(QColor(20, 20, 20), 2));
        p.setBrush(kWhite);
        QPolygonF arm;
        arm << QPointF(cx, r.y() + 30) << QPointF(cx - cw * 0.45, r.y() + 30 + tilt)
            << QPointF(cx - cw * 0.45, r.y() + 44 + tilt) << QPointF(cx, r.y() + 44);
        p.drawPolygon(arm);
        QPolygonF other;
        other << QPointF(cx, r.y() + 30) << QPointF(cx + cw * 0.45, r.y() + 38)
              << QPointF(cx + cw * 0.45, r.y() + 52) << QPointF(cx, r.y() + 44);
        p.drawPolygon(other);
        board(p, QRectF(cx - cw * 0.45, r.y() + 62, cw * 0.9, 26), kWhite, QColor(20, 20, 20),
              QString::number(std::abs(g), 'f', std::abs(g - std::round(g)) < 1e-6 ? 0 : 1), 18);
    }
    p.end();
    markKeyCorner(img);
    return img;
}

QImage limitSigns(const data::LineData& line, int cw, int h) {
    std::map<int, std::pair<int, bool>> cells;  // pattern → (limit, end sign)
    for (const auto& r : line.SpeedLimit) {
        if (r.SignPattern > 0) cells.emplace(r.SignPattern, std::make_pair(r.Limit, false));
        if (r.EndSignPattern > 0) cells.emplace(r.EndSignPattern, std::make_pair(r.Limit, true));
    }
    const int count = cells.empty() ? 1 : cells.rbegin()->first + 1;
    QImage img = stripImage(count, 1000, cw, h);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, true);
    for (const auto& [pattern, what] : cells) {
        const QRect r(cellOrigin(pattern, count, cw, h), QSize(cw, h));
        const QRectF b(r.x() + 6, r.y() + 4, cw - 12, h * 0.58);
        post(p, r.x() + cw / 2.0, b.bottom(), r.bottom() + 1);
        if (!what.second) {
            board(p, b, QColor(255, 205, 0), QColor(15, 15, 15), QString::number(what.first), 30);
        } else {
            board(p, b, kWhite, QColor(15, 15, 15), "解除", 18);
            p.setPen(QPen(QColor(15, 15, 15), 3));
            p.drawLine(b.bottomLeft() + QPointF(6, -6), b.topRight() + QPointF(-6, 6));
        }
    }
    p.end();
    markKeyCorner(img);
    return img;
}

QImage remainRuler(int cw) {
    const int h = kRemainMarkY + 600;
    QImage img = stripImage(2, 2, cw, h);
    QPainter p(&img);
    for (int cell = 0; cell < 2; ++cell) {
        const QRect r(cellOrigin(cell, 2, cw, h), QSize(cw, h));
        const QColor ground = cell == 0 ? QColor(20, 40, 70) : QColor(90, 20, 20);
        p.fillRect(QRect(r.x() + cw / 2 - 6, r.y(), 12, h), ground);
        // One metre is 20 px; numbers every 5 m to the stop mark and beyond it.
        for (int m = -43; m <= 30; ++m) {
            const int y = r.y() + kRemainMarkY + m * 20;
            if (y < r.y() || y >= r.y() + h) continue;
            const bool five = m % 5 == 0;
            p.fillRect(QRect(r.x() + (five ? 4 : cw / 2 - 8), y - 1, five ? cw - 8 : 16, 2),
                       QColor(230, 230, 230));
            if (five && m != 0) {
                drawCentred(p, QRectF(r.x(), y - 16, cw, 14), QString::number(std::abs(m)),
                            Qt::white, 11, true);
            }
        }
        p.fillRect(QRect(r.x(), r.y() + kRemainMarkY - 3, cw, 6), QColor(255, 40, 40));
        drawCentred(p, QRectF(r.x(), r.y() + kRemainMarkY + 4, cw, 16), "停止", Qt::white, 12,
                    true);
    }
    p.end();
    markKeyCorner(img);
    return img;
}

QImage crossingIndicator(const data::LineData& line, int cw, int h) {
    int count = 2;
    for (const auto& c : line.Cross) count = std::max(count, c.Pattern + 1);
    QImage img = stripImage(count, 1000, cw, h);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, true);
    for (int k = 1; k < count; ++k) {
        const QRect r(cellOrigin(k, count, cw, h), QSize(cw, h));
        const QRectF b = QRectF(r).adjusted(6, 6, -6, -6);
        p.setPen(QPen(kWhite, 2));
        p.setBrush(QColor(10, 10, 10));
        p.drawRect(b);
        const QColor lamp = k == 1 ? QColor(255, 250, 220) : QColor(90, 90, 80);
        p.setPen(QPen(lamp, 6, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(b.topLeft() + QPointF(9, 9), b.bottomRight() - QPointF(9, 9));
        p.drawLine(b.topRight() + QPointF(-9, 9), b.bottomLeft() + QPointF(9, -9));
    }
    p.end();
    markKeyCorner(img);
    return img;
}

QImage otherSigns(const data::LineData& line, int cw, int h) {
    int count = 5;
    for (const auto& s : line.Sign) count = std::max(count, s.Pattern + 2);
    QImage img = stripImage(count, 1000, cw, h);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, true);
    for (int k = 0; k < count; ++k) {
        const QRect r(cellOrigin(k, count, cw, h), QSize(cw, h));
        const QRectF b(r.x() + 8, r.y() + 4, cw - 16, h * 0.55);
        post(p, r.x() + cw / 2.0, b.bottom(), r.bottom() + 1);
        switch (k) {
            case 0:
                board(p, b, QColor(40, 90, 200), kWhite, "時刻", 20);
                break;
            case 1:
                board(p, b, kWhite, QColor(15, 15, 15), "笛", 34);
                break;
            case 2:
                board(p, b, QColor(150, 150, 150), QColor(70, 70, 70), "笛", 34);
                break;
            case 3:
                board(p, b, QColor(15, 15, 15), kWhite, "惰行", 22);
                break;
            case 4:
                board(p, b, kWhite, QColor(15, 15, 15), "力行", 22);
                break;
            default:
                board(p, b, kWhite, QColor(15, 15, 15), QString::number(k), 22);
                break;
        }
    }
    p.end();
    markKeyCorner(img);
    return img;
}

// --- Timetable card, pause picture, route map, monitor ---------------------------------------

/// The timetable card: it sits at the top of the black area right of the cab view, above the
/// status labels (which start 340 px down).
QImage timetableCard(const data::LineData& line) {
    constexpr int kW = kTimetableCardWidth, kH = kTimetableCardHeight;
    constexpr int kHeader = 44, kFooter = 22;
    QImage img(kW, kH, QImage::Format_RGB32);
    img.fill(QColor(238, 232, 210));
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.fillRect(QRect(0, 0, kW, kHeader), QColor(40, 60, 110));
    p.setFont(japaneseFont(13, true));
    p.setPen(Qt::white);
    p.drawText(QRect(6, 2, kW - 12, kHeader - 4), Qt::AlignCenter | Qt::TextWordWrap,
               qs(line.LineName));
    const int rows = std::max<int>(1, static_cast<int>(line.Station.size()));
    const int rowH = std::max(14, std::min(30, (kH - kHeader - kFooter - 8) / rows));
    const int nameW = kW / 2;
    int y = kHeader + 4;
    p.setPen(QPen(QColor(120, 110, 90), 1));
    for (const auto& st : line.Station) {
        p.drawLine(8, y + rowH, kW - 8, y + rowH);
        drawCentred(p, QRectF(6, y, nameW - 6, rowH), qs(st.Name), QColor(20, 20, 20), 15, true);
        QString time = st.Kind == 1           ? QString("レ")
                       : st.DepartureTime > 0 ? clockText(st.DepartureTime)
                                              : QString("・");
        drawCentred(p, QRectF(nameW, y, kW - nameW - 6, rowH), time, QColor(20, 20, 20), 15,
                    st.Kind != 1);
        y += rowH;
    }
    drawCentred(p, QRectF(0, kH - kFooter, kW, kFooter - 2), "レ = 通過", QColor(90, 80, 60), 12);
    p.end();
    return img;
}

QImage pausePicture() {
    QImage img(800, 600, QImage::Format_RGB32);
    QPainter p(&img);
    QLinearGradient g(0, 0, 0, 600);
    g.setColorAt(0, QColor(20, 30, 60));
    g.setColorAt(1, QColor(5, 8, 16));
    p.fillRect(img.rect(), g);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(QPen(QColor(80, 90, 120), 4));
    p.drawLine(330, 600, 395, 330);
    p.drawLine(470, 600, 405, 330);
    drawCentred(p, QRectF(0, 200, 800, 80), "一時停止中", QColor(240, 240, 240), 56, true);
    drawCentred(p, QRectF(0, 290, 800, 40), "画面をクリックすると運転を再開します",
                QColor(200, 210, 230), 22);
    p.end();
    return img;
}

QImage routeMap(const data::LineData& line) {
    QImage img(400, 120, QImage::Format_RGB32);
    img.fill(QColor(250, 250, 245));
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, true);
    const auto n = static_cast<int>(line.Station.size());
    if (n > 0) {
        const double x0 = 24, x1 = 376;
        const double y = 48;
        const double last =
            std::max<double>(1, static_cast<double>(line.Station.back().StopDistance));
        p.setPen(QPen(QColor(40, 110, 60), 6));
        p.drawLine(QPointF(x0, y), QPointF(x1, y));
        for (int i = 0; i < n; ++i) {
            const auto& st = line.Station[static_cast<std::size_t>(i)];
            const double x = x0 + (x1 - x0) * static_cast<double>(st.StopDistance) / last;
            p.setPen(QPen(QColor(20, 20, 20), 2));
            p.setBrush(st.Kind == 1 ? QColor(250, 250, 245) : QColor(230, 60, 40));
            p.drawEllipse(QPointF(x, y), 6, 6);
            p.save();
            p.translate(x, y + 12);
            p.rotate(60);
            p.setFont(japaneseFont(12, st.Kind != 1));
            p.setPen(QColor(20, 20, 20));
            p.drawText(0, 6, qs(st.Name));
            p.restore();
        }
    }
    drawCentred(p, QRectF(0, 2, 400, 22), qs(line.LineName2), QColor(60, 60, 60), 13, true);
    p.end();
    return img;
}

QImage monitorStrip(const data::LineData& line) {
    const int w = line.Monitor.PatternWidth, h = line.Monitor.PatternHeight;
    const int cells = static_cast<int>(line.Station.size()) + 1;
    QImage img = stripImage(cells, 1000, w, h);
    QPainter p(&img);
    for (int k = 0; k < cells; ++k) {
        const QRect r(cellOrigin(k, cells, w, h), QSize(w, h));
        p.fillRect(r, QColor(10, 10, 30));
        p.fillRect(r.adjusted(3, 3, -3, -3), QColor(0, 40, 90));
        QString text = k == 0 ? QString("運転中")
                       : k < cells - 1
                           ? "次は\n" + qs(line.Station[static_cast<std::size_t>(k)].Name)
                           : QString("終点");
        p.setFont(japaneseFont(std::max(9, h / 4), true));
        p.setPen(QColor(255, 230, 120));
        p.drawText(r, Qt::AlignCenter, text);
    }
    p.end();
    markKeyCorner(img);
    return img;
}

}  // namespace

void drawLinePictures(const data::LineData& line, const ImageSink& put) {
    const auto& signs = line.SignImageList;
    const auto size = [&](int i) {
        return std::max(1, signs[static_cast<std::size_t>(i)].PatternSize);
    };
    const auto file = [&](int i) { return signs[static_cast<std::size_t>(i)].File; };
    if (!file(0).empty()) put(file(0), stopMarkers(line, size(0), 100));
    if (!file(1).empty()) put(file(1), stopLine(size(1), QColor(255, 220, 0)));
    if (!file(2).empty()) put(file(2), stopLine(size(2), QColor(255, 40, 30)));
    if (!file(3).empty()) put(file(3), stopLine(size(3), QColor(40, 140, 255)));
    if (!file(4).empty()) put(file(4), gradientPosts(line, size(4), 120));
    if (!file(5).empty()) put(file(5), limitSigns(line, size(5), 100));
    if (!file(6).empty()) put(file(6), remainRuler(size(6)));
    if (!file(7).empty()) put(file(7), crossingIndicator(line, size(7), 64));
    if (!file(8).empty()) put(file(8), otherSigns(line, size(8), 100));

    const auto& sig = line.SignalImageList;
    if (!sig.File.empty())
        put(sig.File, signalHeads(std::max(8, sig.Width), std::max(8, sig.Height)));
    const std::array<std::vector<QString>, 3> subLabels = {
        std::vector<QString>{"", "出発", "場内", "閉そく", "中継"},
        std::vector<QString>{"", "←", ""}, std::vector<QString>{"", "55", ""}};
    for (std::size_t i = 0; i < sig.Sub.size(); ++i) {
        const auto& sub = sig.Sub[i];
        if (sub.File.empty()) continue;
        const QColor ground = i == 0 ? kWhite : QColor(12, 12, 12);
        const QColor ink = i == 0 ? QColor(15, 15, 15) : kWhite;
        QImage img = labelledCells(std::max(8, sub.Width), std::max(8, sub.Height), subLabels[i],
                                   ground, ink);
        if (i > 0) {  // the dark state of the indicators (cell 2): an unlit black board
            QPainter p(&img);
            const int w = std::max(8, sub.Width), h = std::max(8, sub.Height);
            const QRectF r(QRectF(cellOrigin(2, 3, w, h), QSizeF(w, h)).adjusted(2, 2, -2, -2));
            board(p, r, QColor(12, 12, 12), QColor(60, 60, 60), "", 10);
            p.end();
        }
        markKeyCorner(img);
        put(sub.File, img);
    }

    if (!line.Staf[0].empty()) put(line.Staf[0], timetableCard(line));
    if (!line.Staf[1].empty()) put(line.Staf[1], pausePicture());
    if (!line.Staf[2].empty()) put(line.Staf[2], routeMap(line));
    if (line.Monitor.Present && !line.Monitor.File.empty())
        put(line.Monitor.File, monitorStrip(line));
}

}  // namespace tressmoor::mkcontent
