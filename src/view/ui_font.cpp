#include "view/ui_font.h"

#include <QFontDatabase>
#include <QStringList>
#include <array>

namespace tressmoor::view {

QString japaneseFamily() {
    static const QString family = [] {
        // The font the set-up installs, under the names Debian and other systems give it.
        static constexpr std::array<const char*, 3> kFiles = {
            "/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf",
            "/usr/share/fonts/truetype/fonts-japanese-gothic.ttf",
            "/usr/share/fonts/ipa-gothic/ipag.ttf",
        };
        for (const char* file : kFiles) {
            const int id = QFontDatabase::addApplicationFont(QString::fromUtf8(file));
            if (id < 0) continue;
            const QStringList families = QFontDatabase::applicationFontFamilies(id);
            if (!families.isEmpty()) return families.front();
        }
        return QString();
    }();
    return family;
}

QFont uiFont(const QString& family, int pointSize) {
    QFont font(family, pointSize);
    QStringList families{family};
    if (const QString fallback = japaneseFamily(); !fallback.isEmpty()) families << fallback;
    font.setFamilies(families);
    return font;
}

}  // namespace tressmoor::view
