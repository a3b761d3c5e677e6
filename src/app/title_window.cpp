#include "app/title_window.h"

#include <QDesktopServices>
#include <QGuiApplication>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <QUrl>
#include <chrono>

#include "data/path_resolver.h"
#include "sim/service.h"

namespace tressmoor::app {

namespace {

constexpr int kWidth = 800;
constexpr int kHeight = 600;
constexpr int kProgressHeight = 18;
constexpr int kServiceButtonX = 40;
constexpr std::array<int, 5> kServiceButtonY = {351, 391, 432, 473, 514};

/// A label that acts as a picture button.
class PictureButton final : public QLabel {
public:
    PictureButton(QWidget* parent, std::function<void()> onClick)
        : QLabel(parent), onClick_(std::move(onClick)) {
        setCursor(Qt::PointingHandCursor);
    }

protected:
    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton && onClick_) onClick_();
    }

private:
    std::function<void()> onClick_;
};

QPixmap loadOr(const std::filesystem::path& folder, const char* name, const QSize& size,
               const QString& caption) {
    QPixmap pixmap(QString::fromStdString(data::resolveDataPath(folder, name).string()));
    if (!pixmap.isNull()) return pixmap;
    // Drawn stand-in when the picture is not in the program folder.
    QPixmap drawn(size);
    drawn.fill(QColor(20, 40, 80));
    QPainter p(&drawn);
    p.setPen(QColor(230, 230, 240));
    p.drawRect(0, 0, size.width() - 1, size.height() - 1);
    QFont font = p.font();
    font.setPixelSize(std::max(10, size.height() / 2));
    p.setFont(font);
    p.drawText(drawn.rect(), Qt::AlignCenter, caption);
    return drawn;
}

}  // namespace

TitleWindow::TitleWindow(std::filesystem::path programFolder, QWidget* parent)
    : QWidget(parent, Qt::FramelessWindowHint),
      programFolder_(std::move(programFolder)),
      random_(static_cast<unsigned>(
          std::chrono::steady_clock::now().time_since_epoch().count())) {
    setWindowTitle(QStringLiteral("鉄道運転シミュレータ"));
    setFixedSize(kWidth, kHeight);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::black);
    setPalette(pal);

    picture_ = new QLabel(this);
    picture_->setGeometry(0, 0, kWidth, kHeight);
    picture_->setPixmap(titlePicture());

    progress_ = new QLabel(this);
    progress_->setGeometry(0, kHeight, kWidth, kProgressHeight);
    progress_->setStyleSheet(QStringLiteral("color: white; background: black;"));
    progress_->hide();

    static const char* const kCaptions[] = {"普通 (ケルヴェイン線)", "普通 (先行列車あり)",
                                            "ワンマン", "快速", "特急"};
    for (int i = 0; i < 5; ++i) {
        auto* button = new PictureButton(this, [this, i] { emit serviceChosen(i); });
        QString name = QStringLiteral("image\\title\\service%1.png").arg(i + 1);
        button->setPixmap(loadOr(programFolder_, name.toStdString().c_str(), QSize(220, 34),
                                 QString::fromUtf8(kCaptions[i])));
        button->move(kServiceButtonX, kServiceButtonY[static_cast<std::size_t>(i)]);
        button->adjustSize();
        button->setToolTip(QString::fromUtf8(sim::kServices[static_cast<std::size_t>(i)].lineFile));
        button->hide();
        serviceButtons_[static_cast<std::size_t>(i)] = button;
    }
    help_ = new PictureButton(this, [this] {
        QDesktopServices::openUrl(QUrl::fromLocalFile(
            QString::fromStdString((programFolder_ / "readme.html").string())));
    });
    help_->setPixmap(loadOr(programFolder_, "image\\title\\help.png", QSize(56, 24), "HELP"));
    help_->move(667, 569);
    help_->adjustSize();
    help_->hide();
    quit_ = new PictureButton(this, [this] { close(); });
    quit_->setPixmap(loadOr(programFolder_, "image\\title\\quit.png", QSize(56, 24), "QUIT"));
    quit_->move(731, 569);
    quit_->adjustSize();
    quit_->hide();

    timer_ = new QTimer(this);
    connect(timer_, &QTimer::timeout, this, &TitleWindow::tick);
    timer_->start(100);
    centre();
}

QPixmap TitleWindow::titlePicture() {
    std::uniform_int_distribution<int> pick(1, 5);
    QString name = QStringLiteral("image\\title\\%1.jpg").arg(pick(random_), 2, 10, QChar('0'));
    QPixmap pixmap(
        QString::fromStdString(data::resolveDataPath(programFolder_, name.toStdString()).string()));
    if (!pixmap.isNull()) return pixmap.scaled(kWidth, kHeight);

    // Drawn title when the pictures have not been generated: a dusk sky over a plain.
    QPixmap drawn(kWidth, kHeight);
    QPainter p(&drawn);
    QLinearGradient sky(0, 0, 0, kHeight);
    sky.setColorAt(0.0, QColor(30, 50, 110));
    sky.setColorAt(0.6, QColor(220, 140, 90));
    sky.setColorAt(1.0, QColor(40, 40, 40));
    p.fillRect(drawn.rect(), sky);
    p.setPen(Qt::white);
    QFont font = p.font();
    font.setPixelSize(48);
    font.setBold(true);
    p.setFont(font);
    p.drawText(QRect(0, 120, kWidth, 80), Qt::AlignCenter, QStringLiteral("鉄道運転シミュレータ"));
    font.setPixelSize(20);
    font.setBold(false);
    p.setFont(font);
    p.drawText(QRect(0, 200, kWidth, 40), Qt::AlignCenter, QStringLiteral("Tressmoor"));
    return drawn;
}

void TitleWindow::tick() {
    ++titleTicks_;
    for (int i = 0; i < 5; ++i) {
        serviceButtons_[static_cast<std::size_t>(i)]->setVisible(titleTicks_ > 2 + i);
    }
    help_->setVisible(titleTicks_ > 8);
    quit_->setVisible(titleTicks_ > 9);
    if (titleTicks_ > 9) timer_->stop();
}

void TitleWindow::centre() {
    QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) return;
    QRect area = screen->geometry();
    // Half the free space on each side, rounded to the nearest pixel with ties to even.
    auto half = [](int free) {
        int h = free / 2;
        if (free % 2 != 0 && h % 2 != 0) h += free > 0 ? 1 : -1;
        return h;
    };
    move(area.x() + half(area.width() - width()), area.y() + half(area.height() - height()));
}

void TitleWindow::showProgress(const QString& text) {
    setFixedSize(kWidth, kHeight + kProgressHeight);
    progress_->setText(text);
    progress_->show();
    progress_->repaint();
}

void TitleWindow::hideProgress() {
    progress_->hide();
    setFixedSize(kWidth, kHeight);
}

}  // namespace tressmoor::app
