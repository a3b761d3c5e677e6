// The Japanese user-interface font: one registered font, so that every machine shows the same
// letters whatever fontconfig would pick first.
#pragma once

#include <QFont>
#include <QString>

namespace tressmoor::view {

/// The family of the Japanese font the program registers at first use (IPA Gothic when it is
/// installed); empty when none could be registered, so the system's choice applies.
QString japaneseFamily();

/// A font asking for `family` (a Windows name such as "Meiryo UI") with the registered Japanese
/// font behind it, `pointSize` points.
QFont uiFont(const QString& family, int pointSize);

}  // namespace tressmoor::view
