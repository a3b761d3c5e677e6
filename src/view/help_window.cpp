#include "view/help_window.h"

#include <QPlainTextEdit>
#include <QVBoxLayout>

#include "data/text_file.h"
#include "view/fonts.h"
#include "view/key_relay.h"

namespace tressmoor::view {

namespace {

constexpr const char* kDefaultCaption = "Help";
/// Client size of the window, px: room for the sample help text's longest lines.
constexpr int kWidth = 640;
constexpr int kHeight = 600;
/// Character height of the text, px (a fixed-pitch font keeps the text's columns).
constexpr int kTextPixelSize = 14;

}  // namespace

HelpWindow::HelpWindow(QWidget* keyTarget, QWidget* parent)
    : QWidget(parent, Qt::Window), text_(new QPlainTextEdit(this)) {
    setObjectName(QStringLiteral("TForm4"));
    setWindowTitle(QString::fromUtf8(kDefaultCaption));
    text_->setObjectName(QStringLiteral("Memo1"));
    text_->setReadOnly(true);
    text_->setLineWrapMode(QPlainTextEdit::NoWrap);
    text_->setFont(japaneseFont("ＭＳ ゴシック", kTextPixelSize));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(text_);
    resize(kWidth, kHeight);
    // The text box still scrolls with the keys it passes on.
    (new KeyRelay(keyTarget, KeyRelay::Keys::All, this, KeyRelay::Watched::KeepsKeys))
        ->watch(text_);
}

bool HelpWindow::load(const std::filesystem::path& file) {
    const auto lines = data::readTextLines(file);
    if (!lines) return false;
    QStringList rest;
    for (std::size_t i = 0; i < lines->size(); ++i) {
        const QString line = QString::fromStdString((*lines)[i]);
        if (i == 0) {
            setWindowTitle(line);
        } else {
            rest.append(line);
        }
    }
    text_->setPlainText(rest.join(QLatin1Char('\n')));
    return true;
}

}  // namespace tressmoor::view
