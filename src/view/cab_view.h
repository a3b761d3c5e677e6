// CabView: presents the driving window's composed picture, scaled uniformly into the widget with
// black bars, and maps mouse positions back to the picture's logical coordinates.
#pragma once

#include <QImage>
#include <QTransform>
#include <QWidget>
#include <functional>
#include <optional>

namespace tressmoor::view {

/// The widget the driving picture is shown in. The picture (kWindowWidth × kWindowHeight logical
/// pixels) is drawn by the scene function straight onto the widget through one transform,
/// logical → widget, or composed into backBuffer(), which has as many device pixels as the
/// picture covers on the screen; either way it is drawn once at the screen's resolution and stays
/// sharp at any window size and on HiDPI screens. The same transform maps clicks back.
class CabView final : public QWidget {
    Q_OBJECT
public:
    explicit CabView(QWidget* parent = nullptr);

    /// The buffer to compose the next picture into, sized for the widget's present size and
    /// device pixel ratio (its device pixel ratio maps the logical picture onto it).
    QImage& backBuffer();
    /// Logical picture → widget coordinates.
    const QTransform& transform() const { return transform_; }
    /// Widget position → logical picture position; nullopt on the black bars.
    std::optional<QPointF> toLogical(QPointF widgetPos) const;
    /// Device pixels per logical picture pixel.
    qreal bufferScale() const { return bufferScale_; }

    /// Draws the picture straight onto the window when it is painted, in logical coordinates,
    /// instead of showing the back buffer: one copy of the picture less per frame. An empty
    /// function shows the back buffer again.
    void setScene(std::function<void(QPainter&)> scene) { scene_ = std::move(scene); }

signals:
    /// A mouse press inside the picture, at logical coordinates.
    void pressed(QPointF logical, Qt::MouseButton button);
    /// A double click inside the picture (switches full screen).
    void doubleClicked(QPointF logical);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    bool event(QEvent* event) override;

private:
    void updateLayout();

    std::function<void(QPainter&)> scene_;
    QImage buffer_;
    QTransform transform_;
    QRectF target_;  ///< where the picture goes, widget coordinates
    qreal bufferScale_ = 1;
    qreal layoutDpr_ = 0;
    QSize layoutSize_;
};

}  // namespace tressmoor::view
