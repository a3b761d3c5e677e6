// A composed picture of a cab panel with its needles, lamps and strips.
#include "panel_preview.h"

#include <QPainter>
#include <QString>
#include <stdexcept>

#include "data/path_resolver.h"

namespace tressmoor::mkcontent {
namespace {

/// Loads a sprite picture and makes its bottom-left pixel's colour see-through.
QImage sprite(const std::filesystem::path& folder, const std::string& name) {
    QImage img(QString::fromStdString(data::resolveDataPath(folder, name).string()));
    if (img.isNull()) throw std::runtime_error("cannot load " + name);
    img = img.convertToFormat(QImage::Format_ARGB32);
    const QRgb key = img.pixel(0, img.height() - 1);
    for (int y = 0; y < img.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < img.width(); ++x) {
            if ((row[x] & 0xFFFFFF) == (key & 0xFFFFFF)) row[x] = 0;
        }
    }
    return img;
}

void needle(QPainter& p, const std::filesystem::path& folder, const data::Meter& m,
            double degrees) {
    if (m.file.empty()) return;
    const QImage img = sprite(folder, m.file);
    p.save();
    p.translate(m.x + img.width() / 2.0, m.y + img.height() / 2.0);
    p.rotate(degrees);
    p.drawImage(QPointF(-img.width() / 2.0, -img.height() / 2.0), img);
    p.restore();
}

void cell(QPainter& p, const std::filesystem::path& folder, const data::ImageStrip& s, int k) {
    if (s.file.empty()) return;
    const QImage img = sprite(folder, s.file);
    const int perRow = std::max(1, img.width() / std::max(1, s.patternWidth));
    p.drawImage(QPoint(s.x, s.y), img,
                QRect((k % perRow) * s.patternWidth, (k / perRow) * s.patternHeight, s.patternWidth,
                      s.patternHeight));
}

}  // namespace

QImage composePanelPreview(const data::TrainFile& train, const std::filesystem::path& folder) {
    const data::PanelLayout& l = train.panel;
    QImage out(800, 800, QImage::Format_RGB32);
    out.fill(QColor(0, 0, 0));
    QPainter p(&out);
    p.fillRect(QRect(0, 0, 800, 600), QColor(96, 110, 120));
    p.setRenderHint(QPainter::SmoothPixmapTransform, true);
    if (!l.Panel.file.empty())
        p.drawImage(QPoint(l.Panel.x, l.Panel.y), sprite(folder, l.Panel.file));
    const data::Lamp* lamps[] = {
        &l.Lamp_Door,  &l.Lamp_Power, &l.Lamp_EB,    &l.Lamp_Gen,   &l.Lamp_Air,
        &l.Lamp_Fin,   &l.Lamp_Ele,   &l.Lamp_Ats1,  &l.Lamp_Ats2,  &l.Lamp_Ats3,
        &l.Lamp_TASC1, &l.Lamp_TASC2, &l.Lamp_TASC3, &l.Lamp_ATSP1, &l.Lamp_ATSP2,
        &l.Lamp_G,     &l.Lamp_YG,    &l.Lamp_Y,     &l.Lamp_YY,    &l.Lamp_R,
        &l.Lamp_Fwd,   &l.Lamp_Neut,  &l.Lamp_Back,  &l.Lamp_Const, &l.Lamp_Stop};
    for (const data::Lamp* lamp : lamps) {
        if (!lamp->file.empty()) p.drawImage(QPoint(lamp->x, lamp->y), sprite(folder, lamp->file));
    }
    for (const data::Lamp& other : l.Others) {
        if (!other.file.empty()) p.drawImage(QPoint(other.x, other.y), sprite(folder, other.file));
    }
    auto deg = [](const data::Meter& m, double v) {
        return v * static_cast<double>(m.scale) + m.zero;
    };
    const double v = 72;
    const auto& sp = l.Needle_Speed;
    const double s2 = static_cast<double>(sp.secondScale), s = static_cast<double>(sp.scale);
    needle(p, folder, sp, s2 != 0 ? v * s + sp.zero - (s - s2) * 10 : deg(sp, v));
    needle(p, folder, l.Needle_Brake, deg(l.Needle_Brake, -3));
    needle(p, folder, l.Needle_BC, deg(l.Needle_BC, 180));
    needle(p, folder, l.Needle_MR, deg(l.Needle_MR, 820));
    needle(p, folder, l.Needle_BP, deg(l.Needle_BP, 420));
    needle(p, folder, l.Needle_ER, deg(l.Needle_ER, 430));
    needle(p, folder, l.Needle_SAP, deg(l.Needle_SAP, 150));
    needle(p, folder, l.Needle_V, deg(l.Needle_V, 1500));
    needle(p, folder, l.Needle_I, deg(l.Needle_I, 260));
    const std::pair<const data::LinearMeter*, double> bars[] = {
        {&l.Needle_BC_L, 180}, {&l.Needle_MR_L, 820}, {&l.Needle_Ip_L, 260}, {&l.Needle_Ib_L, 0}};
    for (const auto& [bar, value] : bars) {
        if (bar->file.empty()) continue;
        const QImage img = sprite(folder, bar->file);
        const int shown =
            std::min(img.width(), static_cast<int>(value * static_cast<double>(bar->scale)));
        if (shown > 0) p.drawImage(QPoint(bar->x, bar->y), img, QRect(0, 0, shown, img.height()));
    }
    cell(p, folder, l.NotchImageB, 3);
    if (train.spec.Handle != 0) cell(p, folder, l.NotchImageP, 3);
    cell(p, folder, l.NotchImageP2, 3);
    cell(p, folder, l.NotchImageB2, 3);
    cell(p, folder, l.GearImageList, 2);
    cell(p, folder, l.GearImageList2, 2);
    cell(p, folder, l.Digi_Speed, static_cast<int>(v));
    if (!l.Lamp_signal.cells.empty())
        cell(p, folder, l.Lamp_signal,
             l.Lamp_signal.cells[std::min<std::size_t>(3, l.Lamp_signal.cells.size() - 1)]);
    p.end();
    return out;
}

}  // namespace tressmoor::mkcontent
