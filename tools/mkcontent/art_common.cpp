// Drawing helpers shared by the picture makers of mkcontent.
#include "art_common.h"

#include <QFontDatabase>
#include <QStringList>
#include <algorithm>
#include <filesystem>

namespace tressmoor::mkcontent {

QImage keyedImage(int width, int height) {
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

void markKeyCorner(QImage& image) {
    if (image.isNull()) return;
    if (image.hasAlphaChannel()) {
        // Antialiased edges would blend into the key colour and show as a pink fringe, since
        // only the exact key is see-through: a pixel at least half covered takes its own
        // colour, the rest the key.
        QImage flat = image.convertToFormat(QImage::Format_ARGB32);
        const QRgb key = kKey.rgb();
        for (int y = 0; y < flat.height(); ++y) {
            auto* row = reinterpret_cast<QRgb*>(flat.scanLine(y));
            for (int x = 0; x < flat.width(); ++x) {
                row[x] = qAlpha(row[x]) >= 128 ? (row[x] | 0xFF000000u) : key;
            }
        }
        image = flat.convertToFormat(QImage::Format_RGB32);
    }
    image.setPixelColor(0, image.height() - 1, kKey);
}

QFont japaneseFont(int pixelSize, bool bold) {
    static const QString family = [] {
        const QStringList wanted = {"IPAGothic", "IPAPGothic", "Noto Sans CJK JP"};
        for (const QString& f : wanted) {
            if (QFontDatabase::families().contains(f)) return f;
        }
        for (const char* file : {"/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf",
                                 "/usr/share/fonts/truetype/fonts-japanese-gothic.ttf"}) {
            if (!std::filesystem::exists(file)) continue;
            const int id = QFontDatabase::addApplicationFont(QString::fromUtf8(file));
            if (id >= 0 && !QFontDatabase::applicationFontFamilies(id).isEmpty()) {
                return QFontDatabase::applicationFontFamilies(id).front();
            }
        }
        return QString("Sans");
    }();
    QFont font(family);
    font.setPixelSize(std::max(1, pixelSize));
    font.setBold(bold);
    font.setHintingPreference(QFont::PreferFullHinting);
    return font;
}

void drawCentred(QPainter& p, const QRectF& r, const QString& text, const QColor& colour,
                 int pixelSize, bool bold) {
    p.save();
    p.setFont(japaneseFont(pixelSize, bold));
    p.setPen(colour);
    p.drawText(r, Qt::AlignCenter, text);
    p.restore();
}

QImage stripImage(int cells, int perRow, int cellWidth, int cellHeight) {
    const int columns = std::max(1, std::min(cells, perRow));
    const int rows = std::max(1, (cells + columns - 1) / columns);
    return keyedImage(columns * cellWidth, rows * cellHeight);
}

QPoint cellOrigin(int index, int perRow, int cellWidth, int cellHeight) {
    return {(index % perRow) * cellWidth, (index / perRow) * cellHeight};
}

}  // namespace tressmoor::mkcontent
