// The surface the title window plays its opening movie on.
#include "app/movie_surface.h"

#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>
#include <algorithm>
#include <cmath>

namespace tressmoor::app {

namespace {

/// Frame rate used when the file states none that makes sense.
constexpr double kFallbackFps = 30.0;

/// A late frame at most this many frames ahead is reached by decoding the frames between, which
/// is cheaper than seeking to its key frame.
constexpr int kDecodeForward = 8;

}  // namespace

MovieSurface::MovieSurface(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    timer_ = new QTimer(this);
    timer_->setSingleShot(true);
    timer_->setTimerType(Qt::PreciseTimer);
    connect(timer_, &QTimer::timeout, this, &MovieSurface::advance);
}

bool MovieSurface::play(const std::filesystem::path& file) {
    stop();
    if (video_.open(file.string()) != route::kVideoOpened || !video_.isOpen() ||
        video_.frameCount() <= 0 || !video_.fetch(0)) {
        video_.close();
        return false;
    }
    const double fps = video_.frameRate();
    fps_ = fps > 0.5 && fps <= 240.0 ? fps : kFallbackFps;
    ended_ = false;
    clock_.start();
    update();
    advance();
    return true;
}

void MovieSurface::stop() {
    timer_->stop();
    video_.close();
    ended_ = false;
    update();
}

bool MovieSurface::isPlaying() const {
    return video_.isOpen() && !ended_;
}

void MovieSurface::advance() {
    if (!isPlaying()) return;
    const double elapsedMs = static_cast<double>(clock_.nsecsElapsed()) / 1e6;
    const int due = static_cast<int>(std::floor(elapsedMs * fps_ / 1000.0));
    if (due >= video_.frameCount()) {
        ended_ = true;
        emit finished();
        return;
    }
    const int shown = video_.shownFrame();
    if (due > shown) {
        // A frame that cannot be decoded leaves the one before it on the surface.
        if (due - shown <= kDecodeForward) {
            for (int n = shown + 1; n <= due; ++n) video_.fetch(n);
        } else {
            video_.fetch(due);
        }
        update();
    }
    const double nextMs = (due + 1) * 1000.0 / fps_;
    timer_->start(std::max(1, static_cast<int>(std::ceil(nextMs - elapsedMs))));
}

void MovieSurface::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), Qt::black);
    if (video_.pixels() == nullptr || video_.width() <= 0 || video_.height() <= 0) return;
    const QImage picture(video_.pixels(), video_.width(), video_.height(), video_.stride(),
                         QImage::Format_RGB32);
    const QSize fitted = picture.size().scaled(size(), Qt::KeepAspectRatio);
    const QRect target((width() - fitted.width()) / 2, (height() - fitted.height()) / 2,
                       fitted.width(), fitted.height());
    p.setRenderHint(QPainter::SmoothPixmapTransform, true);
    p.drawImage(target, picture);
}

void MovieSurface::mousePressEvent(QMouseEvent* event) {
    event->accept();
    emit clicked();
}

}  // namespace tressmoor::app
