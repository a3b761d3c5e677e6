// The title window: the opening movie, the service menu and the progress line of a drive's loading.
#include "app/title_window.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QGuiApplication>
#include <QLinearGradient>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <algorithm>
#include <chrono>

#include "app/movie_surface.h"
#include "data/path_resolver.h"
#include "sim/service.h"

namespace tressmoor::app {

namespace {

constexpr int kWidth = 800;
constexpr int kHeight = 600;
constexpr int kMovieWidth = 480;
constexpr int kMovieHeight = 270;
constexpr int kProgressHeight = 18;
constexpr int kTickMs = 100;
constexpr int kServiceButtonX = 40;
constexpr std::array<int, 5> kServiceButtonY = {351, 391, 432, 473, 514};

constexpr const char* kMovieFile = "move\\opening.avi";
constexpr const char* kTitleSoundFile = "sound\\40225.wav";

/// A label that acts as a picture button.
class PictureButton final : public QLabel {
public:
    PictureButton(QWidget* parent, std::function<void(Qt::MouseButton)> onPress)
        : QLabel(parent), onPress_(std::move(onPress)) {
        setCursor(Qt::PointingHandCursor);
    }

protected:
    void mousePressEvent(QMouseEvent* event) override {
        if (onPress_) onPress_(event->button());
    }

private:
    std::function<void(Qt::MouseButton)> onPress_;
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

TitleWindowHooks defaultHooks() {
    TitleWindowHooks h;
    h.message = [](QWidget* owner, const QString& text) {
        QMessageBox::warning(owner, QStringLiteral("鉄道運転シミュレータ"), text);
    };
    h.pickTrainFile = [](QWidget* owner, const QString& caption, const QString& folder,
                         const QString& filter) {
        return QFileDialog::getOpenFileName(owner, caption, folder, filter);
    };
    h.openDocument = [](const QUrl& document) { QDesktopServices::openUrl(document); };
    return h;
}

}  // namespace

int centredOffset(int freeSpace) {
    int half = freeSpace / 2;
    if (freeSpace % 2 != 0 && half % 2 != 0) half += freeSpace > 0 ? 1 : -1;
    return half;
}

TitleWindow::TitleWindow(std::filesystem::path programFolder, sound::Mixer& mixer, QWidget* parent)
    : QWidget(parent, Qt::FramelessWindowHint),
      programFolder_(std::move(programFolder)),
      mixer_(mixer),
      hooks_(defaultHooks()),
      random_(static_cast<unsigned>(std::chrono::steady_clock::now().time_since_epoch().count())) {
    setWindowTitle(QStringLiteral("鉄道運転シミュレータ"));
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::black);
    setPalette(pal);

    picture_ = new QLabel(this);
    picture_->setObjectName(QStringLiteral("picture"));
    picture_->setGeometry(0, 0, kWidth, kHeight);
    picture_->setPixmap(titlePicture());

    progress_ = new QLabel(this);
    progress_->setObjectName(QStringLiteral("progress"));
    progress_->setGeometry(0, kHeight, kWidth, kProgressHeight);
    progress_->setStyleSheet(QStringLiteral("color: white; background: black;"));
    progress_->hide();

    static const char* const kCaptions[] = {"普通 (ケルヴェイン線)", "普通 (先行列車あり)",
                                            "ワンマン", "快速", "特急"};
    for (int i = 0; i < 5; ++i) {
        auto* button = new PictureButton(this, [this, i](Qt::MouseButton b) {
            if (b == Qt::LeftButton) chooseService(i, {}, {});
            if (b == Qt::RightButton) pickTrain(i);
        });
        button->setObjectName(QStringLiteral("service%1").arg(i + 1));
        QString name = QStringLiteral("image\\title\\service%1.png").arg(i + 1);
        button->setPixmap(loadOr(programFolder_, name.toStdString().c_str(), QSize(220, 34),
                                 QString::fromUtf8(kCaptions[i])));
        button->move(kServiceButtonX, kServiceButtonY[static_cast<std::size_t>(i)]);
        button->adjustSize();
        button->setToolTip(QString::fromUtf8(sim::kServices[static_cast<std::size_t>(i)].lineFile) +
                           QStringLiteral("（右クリックで列車を選んで運転）"));
        serviceButtons_[static_cast<std::size_t>(i)] = button;
    }
    help_ = new PictureButton(this, [this](Qt::MouseButton b) {
        if (b == Qt::LeftButton) openHelp();
    });
    help_->setObjectName(QStringLiteral("help"));
    help_->setPixmap(loadOr(programFolder_, "image\\title\\help.png", QSize(56, 24), "HELP"));
    help_->move(667, 569);
    help_->adjustSize();
    quit_ = new PictureButton(this, [this](Qt::MouseButton b) {
        if (b == Qt::LeftButton) close();
    });
    quit_->setObjectName(QStringLiteral("quit"));
    quit_->setPixmap(loadOr(programFolder_, "image\\title\\quit.png", QSize(56, 24), "QUIT"));
    quit_->move(731, 569);
    quit_->adjustSize();
    setMenuVisible(false);

    loading_ = new QLabel(this);
    loading_->setObjectName(QStringLiteral("loading"));
    loading_->setPixmap(
        loadOr(programFolder_, "image\\title\\loading.png", QSize(110, 58), "loading"));
    loading_->move(345, 271);
    loading_->adjustSize();
    loading_->hide();

    movie_ = new MovieSurface(this);
    movie_->setObjectName(QStringLiteral("movie"));
    movie_->setGeometry(0, 0, kMovieWidth, kMovieHeight);
    movie_->raise();
    connect(movie_, &MovieSurface::clicked, this, &TitleWindow::endMovie);
    // A movie shorter than the cut ends the opening when its last frame has been shown.
    connect(movie_, &MovieSurface::finished, this, &TitleWindow::endMovie);

    timer_ = new QTimer(this);
    connect(timer_, &QTimer::timeout, this, &TitleWindow::timerTick);

    setClientSize(kMovieWidth, kMovieHeight);
    centre();
}

TitleWindow::~TitleWindow() {
    releaseTitleSound();
}

void TitleWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!started_) start();
}

void TitleWindow::start() {
    started_ = true;
    titleTicks_ = 0;
    timer_->start(kTickMs);
    const auto movie = data::resolveDataPath(programFolder_, kMovieFile);
    if (std::filesystem::exists(movie) && !movie_->play(movie)) {
        // Said once the window is on the screen; the first tick then goes on to the menu.
        QTimer::singleShot(0, this, [this] {
            hooks_.message(this, QStringLiteral("オープニングムービーを開けません"));
        });
    }
}

bool TitleWindow::showsMovie() const {
    return !movie_->isHidden();
}

void TitleWindow::timerTick() {
    if (!movie_->holdsFile() && showsMovie()) endMovie();
    if (titleTicks_ == kMovieCutTicks && showsMovie()) endMovie();
    ++titleTicks_;
    if (titleTicks_ == 1) startTitleSound();
    for (std::size_t i = 0; i < serviceButtons_.size(); ++i) {
        if (titleTicks_ > 2 + static_cast<int>(i)) serviceButtons_[i]->show();
    }
    if (titleTicks_ > 8) help_->show();
    if (titleTicks_ > 9) quit_->show();
    // Silent outputs of the mixer only move on when told how much time has passed.
    mixer_.advance(kTickMs);
}

void TitleWindow::endMovie() {
    if (preparing_) return;
    setMenuVisible(false);
    titleTicks_ = 0;
    if (movie_->holdsFile()) movie_->stop();
    movie_->hide();
    setClientSize(kWidth, kHeight);
    centre();
}

void TitleWindow::startTitleSound() {
    // The title sound belongs to the menu: while the opening movie runs it waits, and the end of
    // the movie starts the count again, so it plays on the first tick of the menu.
    if (movie_->isPlaying()) return;
    if (!titleWave_) {
        titleWave_ =
            mixer_.loadWave(data::resolveDataPath(programFolder_, kTitleSoundFile).string());
    }
    if (!titleWave_) return;  // a program folder without the title sound opens silently
    mixer_.attach(kTitleSoundChannel, titleWave_);
    mixer_.Play(kTitleSoundChannel);
}

void TitleWindow::releaseTitleSound() {
    if (!titleWave_) return;
    mixer_.Stop(kTitleSoundChannel);
    mixer_.attach(kTitleSoundChannel, nullptr);
    titleWave_.reset();
}

void TitleWindow::pickTrain(int index) {
    if (preparing_) return;
    const QString path =
        hooks_.pickTrainFile(this, QStringLiteral("この路線を任意の列車で運転することができます"),
                             QString::fromStdString(programFolder_.string()),
                             QStringLiteral("列車データファイル (*.dat)"));
    if (path.isEmpty()) return;
    const qsizetype cut =
        std::max(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
    chooseService(index, path.mid(cut + 1), path.left(cut + 1));
}

void TitleWindow::chooseService(int index, const QString& pickedFile, const QString& pickedFolder) {
    if (preparing_) return;
    preparing_ = true;
    // The movie, the title sound and the timer end for good: the mixer now belongs to the drive.
    movie_->stop();
    movie_->hide();
    releaseTitleSound();
    timer_->stop();
    setMenuVisible(true);
    loading_->show();
    loading_->raise();
    loading_->repaint();
    // The working folder is left alone: the drive reads every file by its path below the
    // program folder or the picked train's folder.
    showProgress(QStringLiteral("Formを作成しています"));
    emit serviceChosen(index, pickedFile, pickedFolder);
}

void TitleWindow::endDrive() {
    preparing_ = false;
    loading_->hide();
    progress_->hide();
    movie_->hide();
    setClientSize(kWidth, kHeight);
    setMenuVisible(true);
    show();
}

void TitleWindow::openHelp() {
    hooks_.openDocument(QUrl::fromLocalFile(
        QString::fromStdString(data::resolveDataPath(programFolder_, "readme.html").string())));
}

void TitleWindow::setMenuVisible(bool visible) {
    for (QLabel* button : serviceButtons_) button->setVisible(visible);
    help_->setVisible(visible);
    quit_->setVisible(visible);
}

void TitleWindow::setClientSize(int width, int height) {
    setFixedSize(width, height);
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

void TitleWindow::centre() {
    QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) return;
    const QRect area = screen->geometry();
    move(area.x() + centredOffset(area.width() - width()),
         area.y() + centredOffset(area.height() - height()));
}

void TitleWindow::showProgress(const QString& text) {
    setClientSize(kWidth, kHeight + kProgressHeight);
    progress_->setText(text);
    progress_->show();
    progress_->repaint();
}

}  // namespace tressmoor::app
