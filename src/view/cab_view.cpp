#include "view/cab_view.h"

#include <QMouseEvent>
#include <QPainter>
#include <cmath>

#include "view/cab_renderer.h"

namespace tressmoor::view {

CabView::CabView(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    setMinimumSize(kWindowWidth / 4, kWindowHeight / 4);
    updateLayout();
}

void CabView::updateLayout() {
    const qreal dpr = devicePixelRatioF();
    if (dpr == layoutDpr_ && size() == layoutSize_) return;
    layoutDpr_ = dpr;
    layoutSize_ = size();
    const qreal w = std::max(1, width());
    const qreal h = std::max(1, height());
    const qreal scale = std::min(w / kWindowWidth, h / kWindowHeight);
    const qreal shownW = kWindowWidth * scale;
    const qreal shownH = kWindowHeight * scale;
    target_ = QRectF((w - shownW) / 2, (h - shownH) / 2, shownW, shownH);
    transform_ = QTransform::fromTranslate(target_.x(), target_.y()).scale(scale, scale);
    // Device pixels covered by the picture, rounded up so the buffer is never a pixel short.
    bufferScale_ = scale * dpr;
}

QImage& CabView::backBuffer() {
    updateLayout();
    const QSize pixels(static_cast<int>(std::ceil(kWindowWidth * bufferScale_ - 1e-6)),
                       static_cast<int>(std::ceil(kWindowHeight * bufferScale_ - 1e-6)));
    if (buffer_.size() != pixels) {
        buffer_ = QImage(pixels, QImage::Format_RGB32);
        buffer_.fill(Qt::black);
    }
    buffer_.setDevicePixelRatio(bufferScale_);
    return buffer_;
}

std::optional<QPointF> CabView::toLogical(QPointF widgetPos) const {
    if (!target_.contains(widgetPos)) return std::nullopt;
    return transform_.inverted().map(widgetPos);
}

void CabView::paintEvent(QPaintEvent*) {
    updateLayout();
    QPainter p(this);
    const QRectF all = rect();
    // Black bars around the picture.
    if (target_.top() > 0) p.fillRect(QRectF(0, 0, all.width(), target_.top()), Qt::black);
    if (target_.bottom() < all.height())
        p.fillRect(QRectF(0, target_.bottom(), all.width(), all.height() - target_.bottom()),
                   Qt::black);
    if (target_.left() > 0) p.fillRect(QRectF(0, 0, target_.left(), all.height()), Qt::black);
    if (target_.right() < all.width())
        p.fillRect(QRectF(target_.right(), 0, all.width() - target_.right(), all.height()),
                   Qt::black);
    if (scene_) {
        p.setClipRect(target_);
        p.setTransform(transform_);
        scene_(p);
    } else if (!buffer_.isNull()) {
        p.drawImage(target_, buffer_);
    }
}

void CabView::resizeEvent(QResizeEvent*) {
    updateLayout();
}

bool CabView::event(QEvent* e) {
    // A move to a screen with another scale shows up as a screen change or at the next paint.
    if (e->type() == QEvent::ScreenChangeInternal) updateLayout();
    return QWidget::event(e);
}

void CabView::mousePressEvent(QMouseEvent* e) {
    if (auto logical = toLogical(e->position())) emit pressed(*logical, e->button());
}

void CabView::mouseDoubleClickEvent(QMouseEvent* e) {
    if (auto logical = toLogical(e->position())) emit doubleClicked(*logical);
}

}  // namespace tressmoor::view
