// Registration of the Japanese font and the fonts built on it.
#include "view/fonts.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QStringList>
#include <algorithm>
#include <cmath>
#include <filesystem>

namespace tressmoor::view {

const QString& registerJapaneseFont() {
    static const QString family = [] {
        for (const char* file : {"/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf",
                                 "/usr/share/fonts/truetype/fonts-japanese-gothic.ttf"}) {
            std::error_code ec;
            if (!std::filesystem::exists(file, ec)) continue;
            const int id = QFontDatabase::addApplicationFont(QString::fromUtf8(file));
            if (id < 0) continue;
            const QStringList families = QFontDatabase::applicationFontFamilies(id);
            if (!families.isEmpty()) return families.front();
        }
        return QString();
    }();
    return family;
}

QFont japaneseFont(std::string_view family, int pixelSize) {
    QFont font;
    QStringList families{QString::fromUtf8(family.data(), static_cast<qsizetype>(family.size()))};
    const QString& fallback = registerJapaneseFont();
    if (!fallback.isEmpty()) families.append(fallback);
    font.setFamilies(families);
    font.setPixelSize(std::max(1, pixelSize));
    return font;
}

int pixelSizeForHeight(std::string_view family, int height) {
    if (height <= 0) return std::max(1, -height);
    // A cell height includes the internal leading: scale by the font's own proportions.
    constexpr int kProbe = 100;
    const QFontMetricsF m(japaneseFont(family, kProbe));
    const double cell = m.ascent() + m.descent();
    if (!(cell > 0)) return height;
    return std::max(1, static_cast<int>(std::lround(height * kProbe / cell)));
}

}  // namespace tressmoor::view
