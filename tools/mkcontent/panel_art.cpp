// Pictures of a train's cab panel, drawn from the panel sections of its train file.
#include "panel_art.h"

#include <QFontMetrics>
#include <QLinearGradient>
#include <QPainterPath>
#include <QPointF>
#include <QRadialGradient>
#include <algorithm>
#include <cmath>
#include <map>
#include <optional>
#include <vector>

namespace tressmoor::mkcontent {
namespace {

using data::Lamp;
using data::Meter;
using data::PanelLayout;

constexpr double kPi = 3.14159265358979323846;
constexpr int kPanelWidth = 800;
constexpr int kPanelHeight = 200;
constexpr int kLampWidth = 42;
constexpr int kLampHeight = 22;
constexpr int kBarWidth = 150;
constexpr int kBarHeight = 14;

QString qs(const std::string& s) {
    return QString::fromUtf8(s.c_str());
}

enum class GaugeKind { Speed, Pressure, Current, Voltage, BrakeCommand };

/// One needle on a face.
struct NeedleInfo {
    const Meter* meter = nullptr;
    long double secondScale = 0;  ///< speedometer only
    GaugeKind kind = GaugeKind::Pressure;
    QColor colour;
    QString label;  ///< legend on a face with several needles
};

/// Dial angle in degrees, clockwise from straight up.
double angleOf(const NeedleInfo& n, double value) {
    const double s = static_cast<double>(n.meter->scale);
    const double s2 = static_cast<double>(n.secondScale);
    const double zero = n.meter->zero;
    if (n.kind == GaugeKind::Speed && s2 != 0) {
        return value < 10 ? value * s2 + zero : value * s + zero - (s - s2) * 10;
    }
    return value * s + zero;
}

QPointF onDial(QPointF c, double radius, double degrees) {
    const double r = degrees * kPi / 180.0;
    return {c.x() + radius * std::sin(r), c.y() - radius * std::cos(r)};
}

/// The panel's look: console colours by train.
struct PanelStyle {
    QColor top, bottom, edge;
};

PanelStyle styleFor(const std::string& title) {
    if (title.find("683") != std::string::npos)
        return {{58, 66, 82}, {30, 34, 44}, {150, 160, 180}};
    if (title.find("キハ") != std::string::npos)
        return {{92, 108, 88}, {52, 62, 50}, {170, 180, 150}};
    return {{112, 116, 118}, {66, 70, 72}, {190, 190, 180}};
}

struct LampLook {
    QString label;
    QColor lit;
};

LampLook lampLook(const std::string& section) {
    static const std::map<std::string, LampLook> looks = {
        {"Lamp_Door", {"戸閉", {255, 176, 0}}},       {"Lamp_Power", {"力行", {255, 214, 64}}},
        {"Lamp_EB", {"EB", {255, 48, 48}}},           {"Lamp_Gen", {"回生", {64, 255, 128}}},
        {"Lamp_Air", {"空制", {128, 192, 255}}},      {"Lamp_Fin", {"限流", {240, 240, 240}}},
        {"Lamp_Ele", {"電制", {64, 224, 255}}},       {"Lamp_Ats1", {"ATS電源", {245, 245, 245}}},
        {"Lamp_Ats2", {"ATS", {255, 40, 40}}},        {"Lamp_Ats3", {"確認", {255, 220, 60}}},
        {"Lamp_TASC1", {"TASC", {245, 245, 245}}},    {"Lamp_TASC2", {"TASC制御", {80, 255, 120}}},
        {"Lamp_TASC3", {"TASC故障", {255, 60, 60}}},  {"Lamp_ATSP1", {"P接近", {255, 160, 32}}},
        {"Lamp_ATSP2", {"Pブレーキ", {255, 48, 48}}}, {"Lamp_G", {"G", {40, 255, 120}}},
        {"Lamp_YG", {"YG", {200, 255, 60}}},          {"Lamp_Y", {"Y", {255, 210, 40}}},
        {"Lamp_YY", {"YY", {255, 190, 30}}},          {"Lamp_R", {"R", {255, 40, 40}}},
        {"Lamp_Fwd", {"前", {120, 255, 120}}},        {"Lamp_Neut", {"中", {245, 245, 245}}},
        {"Lamp_Back", {"後", {255, 170, 60}}},        {"Lamp_Const", {"定速", {80, 255, 120}}},
        {"Lamp_Stop", {"停車", {255, 150, 30}}},      {"Signal_Suppress", {"抑止", {255, 150, 30}}},
    };
    auto it = looks.find(section);
    return it != looks.end() ? it->second : LampLook{"", {255, 255, 255}};
}

/// Draws a lamp (lit or dark) filling the rectangle, its label fitted to the width.
void paintLamp(QPainter& p, const QRect& r, const LampLook& look, bool lit) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(QPen(QColor(20, 20, 20), 2));
    p.setBrush(lit ? look.lit : look.lit.darker(420));
    p.drawRoundedRect(QRectF(r).adjusted(1, 1, -1, -1), 4, 4);
    int size = 13;
    QFontMetrics fm(japaneseFont(size, true));
    while (size > 7 && fm.horizontalAdvance(look.label) > r.width() - 6) {
        fm = QFontMetrics(japaneseFont(--size, true));
    }
    drawCentred(p, r, look.label, lit ? QColor(20, 20, 20) : QColor(110, 110, 110), size, true);
    p.restore();
}

/// The lamp records of the panel with their section names, in the table's order.
std::vector<std::pair<std::string, const Lamp*>> lampsOf(const data::TrainFile& t) {
    const PanelLayout& l = t.panel;
    return {
        {"Lamp_Door", &l.Lamp_Door},   {"Lamp_Power", &l.Lamp_Power}, {"Lamp_EB", &l.Lamp_EB},
        {"Lamp_Gen", &l.Lamp_Gen},     {"Lamp_Air", &l.Lamp_Air},     {"Lamp_Fin", &l.Lamp_Fin},
        {"Lamp_Ele", &l.Lamp_Ele},     {"Lamp_Ats1", &l.Lamp_Ats1},   {"Lamp_Ats2", &l.Lamp_Ats2},
        {"Lamp_Ats3", &l.Lamp_Ats3},   {"Lamp_TASC1", &l.Lamp_TASC1}, {"Lamp_TASC2", &l.Lamp_TASC2},
        {"Lamp_TASC3", &l.Lamp_TASC3}, {"Lamp_ATSP1", &l.Lamp_ATSP1}, {"Lamp_ATSP2", &l.Lamp_ATSP2},
        {"Lamp_G", &l.Lamp_G},         {"Lamp_YG", &l.Lamp_YG},       {"Lamp_Y", &l.Lamp_Y},
        {"Lamp_YY", &l.Lamp_YY},       {"Lamp_R", &l.Lamp_R},         {"Lamp_Fwd", &l.Lamp_Fwd},
        {"Lamp_Neut", &l.Lamp_Neut},   {"Lamp_Back", &l.Lamp_Back},   {"Lamp_Const", &l.Lamp_Const},
        {"Lamp_Stop", &l.Lamp_Stop}};
}

std::vector<NeedleInfo> needlesOf(const data::TrainFile& t) {
    const PanelLayout& l = t.panel;
    std::vector<NeedleInfo> v;
    auto add = [&](const Meter& m, GaugeKind k, QColor c, const char* label, long double s2 = 0) {
        if (!m.file.empty()) v.push_back({&m, s2, k, c, QString::fromUtf8(label)});
    };
    add(l.Needle_Speed, GaugeKind::Speed, QColor(20, 20, 20), "km/h", l.Needle_Speed.secondScale);
    add(l.Needle_Brake, GaugeKind::BrakeCommand, QColor(230, 110, 0), "ブレーキ指令");
    add(l.Needle_BC, GaugeKind::Pressure, QColor(20, 20, 20), "BC");
    add(l.Needle_MR, GaugeKind::Pressure, QColor(200, 20, 20), "MR");
    add(l.Needle_BP, GaugeKind::Pressure, QColor(20, 20, 20), "BP");
    add(l.Needle_ER, GaugeKind::Pressure, QColor(200, 20, 20), "ER");
    add(l.Needle_SAP, GaugeKind::Pressure, QColor(20, 60, 200), "SAP");
    add(l.Needle_V, GaugeKind::Voltage, QColor(20, 20, 20), "kV");
    add(l.Needle_I, GaugeKind::Current, QColor(20, 20, 20), "×100A");
    return v;
}

/// Draws one gauge face with the ticks and numbers of its first needle and a legend of all.
void paintFace(QPainter& p, QPointF c, double radius, const std::vector<const NeedleInfo*>& ns,
               int brakePositions) {
    const NeedleInfo& n = *ns.front();
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    QRadialGradient bezel(c, radius);
    bezel.setColorAt(0.85, QColor(40, 40, 40));
    bezel.setColorAt(1.0, QColor(10, 10, 10));
    p.setPen(Qt::NoPen);
    p.setBrush(bezel);
    p.drawEllipse(c, radius, radius);
    p.setBrush(QColor(244, 241, 232));
    p.drawEllipse(c, radius - 5, radius - 5);

    struct Tick {
        double value;
        bool major;
        QString label;
    };
    std::vector<Tick> ticks;
    switch (n.kind) {
        case GaugeKind::Speed: {
            const double limit = angleOf(n, 0) + 270.5;
            for (int v = 0; v <= 200 && angleOf(n, v) <= limit; v += 5) {
                ticks.push_back(
                    {double(v), v % 10 == 0, v % 20 == 0 ? QString::number(v) : QString()});
            }
            if (n.secondScale != 0) ticks.push_back({5, true, QString()});
            break;
        }
        case GaugeKind::Pressure:
            for (int v = 0; v <= 1000; v += 50) {
                ticks.push_back(
                    {double(v), v % 100 == 0, v % 200 == 0 ? QString::number(v / 100) : QString()});
            }
            break;
        case GaugeKind::Current:
            for (int v = -500; v <= 500; v += 50) {
                ticks.push_back(
                    {double(v), v % 100 == 0, v % 100 == 0 ? QString::number(v / 100) : QString()});
            }
            break;
        case GaugeKind::Voltage:
            for (int v = 0; v <= 2000; v += 100) {
                ticks.push_back({double(v), v % 500 == 0,
                                 v % 1000 == 0 ? QString::number(v / 1000) : QString()});
            }
            break;
        case GaugeKind::BrakeCommand:
            for (int k = 0; k <= brakePositions; ++k) {
                QString label = k == 0 ? "緩" : k == brakePositions ? "非" : QString::number(k);
                ticks.push_back({double(-k), true, label});
            }
            break;
    }
    const int labelSize = std::max(8, static_cast<int>(radius * 0.17));
    for (const Tick& t : ticks) {
        const double a = angleOf(n, t.value);
        const double inner = radius - 6 - (t.major ? radius * 0.13 : radius * 0.07);
        p.setPen(QPen(QColor(20, 20, 20), t.major ? 2.2 : 1.2));
        p.drawLine(onDial(c, radius - 6, a), onDial(c, inner, a));
        if (!t.label.isEmpty()) {
            const QPointF at = onDial(c, radius * 0.62, a);
            drawCentred(p, QRectF(at.x() - 20, at.y() - 10, 40, 20), t.label, QColor(20, 20, 20),
                        labelSize, true);
        }
    }
    // Legend: the unit, or the needle names in their colours.
    const QRectF legend(c.x() - radius * 0.4, c.y() + radius * 0.5, radius * 0.8, radius * 0.28);
    if (ns.size() == 1) {
        QString unit = n.label;
        if (n.kind == GaugeKind::Pressure && radius >= 55) unit = n.label + " ×100kPa";
        drawCentred(p, legend, unit, QColor(60, 60, 60), std::max(7, labelSize - 3));
    } else {
        const double w = legend.width() / static_cast<double>(ns.size());
        for (std::size_t i = 0; i < ns.size(); ++i) {
            drawCentred(
                p, QRectF(legend.x() + w * static_cast<double>(i), legend.y(), w, legend.height()),
                ns[i]->label, ns[i]->colour, std::max(8, labelSize - 1), true);
        }
    }
    p.restore();
}

QImage needleImage(const NeedleInfo& n) {
    const int w = std::max(8, n.meter->width);
    const int h = std::max(8, n.meter->height);
    QImage img = keyedImage(w, h);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, false);  // no blending into the colour key
    const QPointF c(w / 2.0, h / 2.0);
    const double length = (std::min(w, h) / 2.0 - 5) * 0.86;
    QPolygonF shape;
    const double half = n.kind == GaugeKind::Speed ? 2.5 : 2.0;
    shape << QPointF(c.x() - half, c.y() + length * 0.15)
          << QPointF(c.x() - half * 0.6, c.y() - length)
          << QPointF(c.x() + half * 0.6, c.y() - length)
          << QPointF(c.x() + half, c.y() + length * 0.15);
    p.setPen(Qt::NoPen);
    p.setBrush(n.colour);
    p.drawPolygon(shape);
    p.setBrush(QColor(50, 50, 50));
    p.drawEllipse(c, 5, 5);
    p.end();
    markKeyCorner(img);
    return img;
}

/// The label of notch cell k of a power strip.
QString powerLabel(const data::TrainSpec& s, int k) {
    if (k == 0) return "切";
    const std::string prefix = s.PowerMode.empty() ? "P" : s.PowerMode.front().prefix;
    return qs(prefix) + QString::number(k);
}

/// The label of brake cell k (k = −BrakeHandle).
QString brakeLabel(const data::TrainSpec& s, int k) {
    const int n = s.BrakeType == 0 ? 4 : s.Brake;
    if (s.BrakeType == 0) {
        static const char* valve[] = {"緩め", "重なり", "保ち", "常用", "非常"};
        return k <= 4 ? QString::fromUtf8(valve[k]) : QString::number(k);
    }
    if (k == 0) return "切";
    if (k >= n) return "非常";
    return "B" + QString::number(k);
}

/// A strip of text cells in LCD style.
QImage textStrip(const std::vector<QString>& labels, int cw, int ch, QColor ink, QColor ground,
                 int perRow = 1000) {
    const int cells = static_cast<int>(labels.size());
    QImage img = stripImage(cells, perRow, cw, ch);
    QPainter p(&img);
    for (int k = 0; k < cells; ++k) {
        const QPoint o = cellOrigin(k, std::min(cells, perRow), cw, ch);
        const QRect r(o, QSize(cw, ch));
        p.fillRect(r, QColor(15, 15, 15));
        p.fillRect(r.adjusted(2, 2, -2, -2), ground);
        int size = ch - 8;
        QFontMetrics fm(japaneseFont(size, true));
        while (size > 7 && fm.horizontalAdvance(labels[static_cast<std::size_t>(k)]) > cw - 8) {
            fm = QFontMetrics(japaneseFont(--size, true));
        }
        drawCentred(p, r, labels[static_cast<std::size_t>(k)], ink, size, true);
    }
    p.end();
    markKeyCorner(img);
    return img;
}

/// The one-handle indicator: a row of boxes "非常 B7 … B1 切 P1 … P5" with one of them lit.
QImage combinedNotchStrip(const data::TrainSpec& s, const data::ImageStrip& st, bool power) {
    const int n = s.Brake;
    const int np = s.Power;
    const int boxes = n + 1 + np;
    const int cells = power ? np + 1 : n + 1;
    QImage img = stripImage(cells, 1000, st.patternWidth, st.patternHeight);
    QPainter p(&img);
    const double bw = static_cast<double>(st.patternWidth) / boxes;
    for (int k = 0; k < cells; ++k) {
        const int litBox = power ? n + k : n - k;  // box index of the lit position
        const QPoint o = cellOrigin(k, cells, st.patternWidth, st.patternHeight);
        p.fillRect(QRect(o, QSize(st.patternWidth, st.patternHeight)), QColor(18, 18, 18));
        for (int b = 0; b < boxes; ++b) {
            QString label;
            QColor lit;
            if (b < n) {
                const int step = n - b;
                label = step == n ? "非" : QString::number(step);
                lit = step == n ? QColor(255, 40, 40) : QColor(255, 120, 60);
            } else if (b == n) {
                label = "切";
                lit = QColor(240, 240, 240);
            } else {
                label = QString::number(b - n);
                lit = QColor(120, 220, 255);
            }
            const QRectF r(o.x() + b * bw + 1, o.y() + 3, bw - 2, st.patternHeight - 6);
            const bool on = b == litBox;
            p.fillRect(r, on ? lit : lit.darker(500));
            drawCentred(p, r, label, on ? QColor(10, 10, 10) : QColor(90, 90, 90),
                        std::max(7, st.patternHeight - 16), true);
        }
    }
    p.end();
    markKeyCorner(img);
    return img;
}

QImage gearStrip(const data::ImageStrip& st, int gears) {
    static const char* names[] = {"中立", "変速", "直結", "直結2", "直結3", "直結4"};
    const int cells = std::max(3, gears);
    QImage img = stripImage(cells, 1000, st.patternWidth, st.patternHeight);
    QPainter p(&img);
    const double bw = static_cast<double>(st.patternWidth) / cells;
    for (int k = 0; k < cells; ++k) {
        const QPoint o = cellOrigin(k, cells, st.patternWidth, st.patternHeight);
        p.fillRect(QRect(o, QSize(st.patternWidth, st.patternHeight)), QColor(18, 18, 18));
        for (int b = 0; b < cells; ++b) {
            const QRectF r(o.x() + b * bw + 1, o.y() + 3, bw - 2, st.patternHeight - 6);
            const QColor lit = b == 0 ? QColor(240, 240, 240) : QColor(255, 190, 40);
            p.fillRect(r, b == k ? lit : lit.darker(500));
            drawCentred(p, r, QString::fromUtf8(names[std::min(b, 5)]),
                        b == k ? QColor(10, 10, 10) : QColor(90, 90, 90), 10, true);
        }
    }
    p.end();
    markKeyCorner(img);
    return img;
}

QImage gearLeverStrip(const data::ImageStrip& st, int gears) {
    static const char* names[] = {"中立", "変速", "直結", "直結2", "直結3", "直結4"};
    const int cells = std::max(3, gears);
    QImage img = stripImage(cells, 1000, st.patternWidth, st.patternHeight);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, true);
    for (int k = 0; k < cells; ++k) {
        const QPoint o = cellOrigin(k, cells, st.patternWidth, st.patternHeight);
        const QRect cell(o, QSize(st.patternWidth, st.patternHeight));
        p.fillRect(cell, QColor(40, 44, 40));
        const double slotX = o.x() + st.patternWidth * 0.72;
        const double top = o.y() + 8, bottom = o.y() + st.patternHeight - 8;
        p.setPen(QPen(QColor(10, 10, 10), 6, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(slotX, top), QPointF(slotX, bottom));
        for (int b = 0; b < cells; ++b) {
            const double y = top + (bottom - top) * b / std::max(1, cells - 1);
            drawCentred(p, QRectF(o.x() + 2, y - 8, st.patternWidth * 0.55, 16),
                        QString::fromUtf8(names[std::min(b, 5)]),
                        b == k ? QColor(255, 220, 120) : QColor(150, 150, 140), 10, b == k);
            if (b == k) {
                p.setPen(QPen(QColor(20, 20, 20), 1));
                p.setBrush(QColor(200, 40, 30));
                p.drawEllipse(QPointF(slotX, y), 8, 8);
            }
        }
    }
    p.end();
    markKeyCorner(img);
    return img;
}

QImage digitStrip(const data::ImageStrip& st) {
    std::vector<QString> labels;
    for (int v = 0; v < 200; ++v) labels.push_back(QString::number(v));
    QImage img = textStrip(labels, st.patternWidth, st.patternHeight, QColor(90, 255, 140),
                           QColor(6, 20, 10), 10);
    return img;
}

QImage cabSignalStrip(const data::CabSignalStrip& st) {
    int cells = 8;
    for (int c : st.cells) cells = std::max(cells, c + 1);
    const int cw = st.patternWidth, ch = st.patternHeight;
    QImage img = stripImage(cells, 10, cw, ch);
    QPainter p(&img);
    for (int k = 0; k < cells; ++k) {
        const QRect r(cellOrigin(k, std::min(cells, 10), cw, ch), QSize(cw, ch));
        p.fillRect(r, QColor(10, 10, 10));
        if (k == 0) {
            drawCentred(p, r, "×", QColor(255, 50, 50), ch - 6, true);
        } else {
            drawCentred(p, r, QString::number(k), QColor(255, 200, 60), ch - 8, true);
        }
    }
    p.end();
    markKeyCorner(img);
    return img;
}

QImage barImage(QColor colour) {
    QImage img(kBarWidth, kBarHeight, QImage::Format_RGB32);
    QPainter p(&img);
    QLinearGradient g(0, 0, 0, kBarHeight);
    g.setColorAt(0, colour.lighter(140));
    g.setColorAt(1, colour.darker(140));
    p.fillRect(img.rect(), g);
    for (int x = 10; x < kBarWidth; x += 10) p.fillRect(x, 0, 1, kBarHeight, colour.darker(180));
    p.end();
    markKeyCorner(img);
    return img;
}

QImage tunnelOverlay(int width, int height) {
    QImage img = keyedImage(width, height);
    QPainter p(&img);
    // Reflections of the cab's lamps in the windscreen, and the centre pillar.
    p.fillRect(QRect(width / 2 - 5, 0, 10, height), QColor(18, 20, 24));
    p.fillRect(QRect(60, 30, 120, 6), QColor(70, 80, 92));
    p.fillRect(QRect(width - 180, 30, 120, 6), QColor(70, 80, 92));
    p.fillRect(QRect(90, 44, 60, 3), QColor(52, 60, 70));
    p.fillRect(QRect(width - 150, 44, 60, 3), QColor(52, 60, 70));
    p.end();
    markKeyCorner(img);
    return img;
}

QImage plateImage(const std::string& title) {
    const QString text = qs(title);
    QFontMetrics fm(japaneseFont(15, true));
    const bool small = fm.horizontalAdvance(text) < 40;
    const int w = small ? 50 : fm.horizontalAdvance(text) + 24;
    const int h = small ? 22 : 28;
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(QColor(30, 30, 30));
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setBrush(QColor(24, 52, 120));
    p.setPen(QPen(QColor(210, 210, 210), 2));
    p.drawRoundedRect(QRectF(1, 1, w - 2, h - 2), 5, 5);
    drawCentred(p, QRectF(0, 0, w, h), text, Qt::white, small ? 13 : 15, true);
    p.end();
    markKeyCorner(img);
    return img;
}

std::string stemOf(const std::string& name) {
    std::string n = name;
    std::replace(n.begin(), n.end(), '\\', '/');
    const auto slash = n.rfind('/');
    std::string file = slash == std::string::npos ? n : n.substr(slash + 1);
    const auto dot = file.rfind('.');
    return dot == std::string::npos ? file : file.substr(0, dot);
}

}  // namespace

void drawTrainPictures(const data::TrainFile& train, const std::string& title,
                       const ImageSink& put) {
    const PanelLayout& l = train.panel;
    const data::TrainSpec& s = train.spec;
    const PanelStyle style = styleFor(title);
    const QPoint origin(l.Panel.x, l.Panel.y);
    const int brakePositions = s.BrakeType == 0 ? 4 : s.Brake;

    // Panel background: console, gauge faces, unlit lamps, bar frames, clock dial.
    if (!l.Panel.file.empty()) {
        QImage img(kPanelWidth, kPanelHeight, QImage::Format_RGB32);
        QPainter p(&img);
        QLinearGradient g(0, 0, 0, kPanelHeight);
        g.setColorAt(0, style.top);
        g.setColorAt(1, style.bottom);
        p.fillRect(img.rect(), g);
        p.fillRect(QRect(0, 0, kPanelWidth, 3), style.edge);
        p.setRenderHint(QPainter::Antialiasing, true);
        p.translate(-origin);

        const auto needles = needlesOf(train);
        std::vector<std::vector<const NeedleInfo*>> faces;
        for (const NeedleInfo& n : needles) {
            bool placed = false;
            for (auto& f : faces) {
                const Meter* m = f.front()->meter;
                if (m->x == n.meter->x && m->y == n.meter->y && m->width == n.meter->width) {
                    f.push_back(&n);
                    placed = true;
                }
            }
            if (!placed) faces.push_back({&n});
        }
        for (const auto& f : faces) {
            const Meter* m = f.front()->meter;
            const QPointF c(m->x + m->width / 2.0, m->y + m->height / 2.0);
            paintFace(p, c, std::min(m->width, m->height) / 2.0 - 2, f, brakePositions);
        }
        for (const auto& [section, lamp] : lampsOf(train)) {
            if (lamp->file.empty()) continue;
            paintLamp(p, QRect(lamp->x, lamp->y, kLampWidth, kLampHeight), lampLook(section),
                      false);
        }
        if (!s.Signal_Suppress.file.empty()) {
            paintLamp(p, QRect(s.Signal_Suppress.x, s.Signal_Suppress.y, kLampWidth, kLampHeight),
                      lampLook("Signal_Suppress"), false);
        }
        const std::pair<const data::LinearMeter*, const char*> bars[] = {{&l.Needle_BC_L, "BC"},
                                                                         {&l.Needle_MR_L, "MR"},
                                                                         {&l.Needle_Ip_L, "力行"},
                                                                         {&l.Needle_Ib_L, "電制"}};
        for (const auto& [bar, label] : bars) {
            if (bar->file.empty()) continue;
            const QRect frame(bar->x - 2, bar->y - 2, kBarWidth + 4, kBarHeight + 4);
            p.fillRect(frame, QColor(12, 12, 12));
            drawCentred(p, QRectF(bar->x + kBarWidth + 3, bar->y - 2, 30, kBarHeight + 4),
                        QString::fromUtf8(label), QColor(230, 230, 230), 10, true);
        }
        if (l.Clock.x > 0 && l.Clock.y > 0) {
            const QPointF c(l.Clock.x + 25, l.Clock.y + 25);
            p.setPen(QPen(QColor(20, 20, 20), 2));
            p.setBrush(QColor(250, 250, 245));
            p.drawEllipse(c, 25, 25);
            for (int h = 0; h < 12; ++h) {
                p.setPen(QPen(QColor(20, 20, 20), h % 3 == 0 ? 2 : 1));
                p.drawLine(onDial(c, 23, h * 30), onDial(c, h % 3 == 0 ? 18 : 20, h * 30));
            }
        }
        p.end();
        markKeyCorner(img);
        put(l.Panel.file, img);
    }
    if (!l.Panel2.file.empty()) put(l.Panel2.file, tunnelOverlay(800, 600));

    for (const auto& [section, lamp] : lampsOf(train)) {
        if (lamp->file.empty()) continue;
        QImage img(kLampWidth, kLampHeight, QImage::Format_RGB32);
        img.fill(style.top);
        QPainter p(&img);
        paintLamp(p, img.rect(), lampLook(section), true);
        p.end();
        markKeyCorner(img);
        put(lamp->file, img);
    }
    if (!s.Signal_Suppress.file.empty()) {
        QImage img(kLampWidth, kLampHeight, QImage::Format_RGB32);
        img.fill(style.top);
        QPainter p(&img);
        paintLamp(p, img.rect(), lampLook("Signal_Suppress"), true);
        p.end();
        markKeyCorner(img);
        put(s.Signal_Suppress.file, img);
    }
    for (const NeedleInfo& n : needlesOf(train)) put(n.meter->file, needleImage(n));

    if (!l.Needle_BC_L.file.empty()) put(l.Needle_BC_L.file, barImage(QColor(230, 60, 50)));
    if (!l.Needle_MR_L.file.empty()) put(l.Needle_MR_L.file, barImage(QColor(240, 150, 40)));
    if (!l.Needle_Ip_L.file.empty()) put(l.Needle_Ip_L.file, barImage(QColor(200, 230, 60)));
    if (!l.Needle_Ib_L.file.empty()) put(l.Needle_Ib_L.file, barImage(QColor(60, 200, 240)));

    // Notch strips: one cell per handle position (and two more on the second brake strip for
    // the safety system's service and emergency demands).
    const bool oneHandle = s.Handle == 0;
    std::vector<QString> power, brake;
    for (int k = 0; k <= s.Power; ++k) power.push_back(powerLabel(s, k));
    for (int k = 0; k <= brakePositions; ++k) brake.push_back(brakeLabel(s, k));
    std::vector<QString> brake2 = brake;
    brake2.push_back("ATS常用");
    brake2.push_back("ATS非常");
    auto emitText = [&](const data::ImageStrip& st, const std::vector<QString>& labels,
                        QColor ink) {
        if (!st.file.empty()) {
            put(st.file,
                textStrip(labels, st.patternWidth, st.patternHeight, ink, QColor(8, 14, 20)));
        }
    };
    if (oneHandle) {
        if (!l.NotchImageP.file.empty())
            put(l.NotchImageP.file, combinedNotchStrip(s, l.NotchImageP, true));
        if (!l.NotchImageB.file.empty())
            put(l.NotchImageB.file, combinedNotchStrip(s, l.NotchImageB, false));
    } else {
        emitText(l.NotchImageP, power, QColor(120, 220, 255));
        emitText(l.NotchImageB, brake, QColor(255, 140, 70));
    }
    emitText(l.NotchImageP2, power, QColor(120, 220, 255));
    emitText(l.NotchImageB2, brake2, QColor(255, 140, 70));
    const int gears = static_cast<int>(s.Engine.size());
    if (!l.GearImageList.file.empty()) put(l.GearImageList.file, gearStrip(l.GearImageList, gears));
    if (!l.GearImageList2.file.empty())
        put(l.GearImageList2.file, gearLeverStrip(l.GearImageList2, gears));
    if (!l.Digi_Speed.file.empty()) put(l.Digi_Speed.file, digitStrip(l.Digi_Speed));
    if (!l.Lamp_signal.file.empty()) put(l.Lamp_signal.file, cabSignalStrip(l.Lamp_signal));

    for (const Lamp& other : l.Others) {
        if (other.file.empty()) continue;
        if (stemOf(other.file) == "plate") {
            put(other.file, plateImage(title));
        } else {
            throw std::runtime_error("no recipe for the panel picture \"" + other.file + "\"");
        }
    }
}

}  // namespace tressmoor::mkcontent
