// The Japanese fonts of the driving window: the family names the windows ask for, backed by the
// IPA Gothic font registered with the application, so text looks the same on every machine.
#pragma once

#include <QFont>
#include <QString>
#include <string_view>

namespace tressmoor::view {

/// Registers IPA Gothic (installed with the program's dependencies) with the application once
/// and returns its family name; "" when the font file is not there (the system's fallback font
/// then draws Japanese text). Needs a QGuiApplication.
const QString& registerJapaneseFont();

/// A font that asks for `family` ("Meiryo UI", "Meiryo", "ＭＳ Ｐゴシック") first and falls back to
/// the registered Japanese font, at `pixelSize` px (the character height).
QFont japaneseFont(std::string_view family, int pixelSize);

/// The pixel size of a font given as the font API takes its height: a negative height is the
/// character height in px; a positive one the cell height (character plus internal leading).
int pixelSizeForHeight(std::string_view family, int height);

}  // namespace tressmoor::view
