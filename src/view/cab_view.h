// CabView: presents the driving window's composed picture, scaled uniformly into the widget with
// black bars, and maps mouse positions back to the picture's logical coordinates.
#pragma once

#include <QImage>
#include <QTransform>
#include <QWidget>
#include <optional>

namespace tressmoor::view {

/// The widget the driving picture is shown in. The picture is composed into backBuffer() in
/// logical coordinates (kWindowWidth × kWindowHeight); the buffer itself has as many device
/// pixels as the picture covers on the screen, so it is presented without resampling and stays
/// sharp at any window size and on HiDPI screens. One transform, logical → widget, is used both
/// to present and to map clicks back.
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

    QImage buffer_;
    QTransform transform_;
    QRectF target_;  ///< where the picture goes, widget coordinates
    qreal bufferScale_ = 1;
    qreal layoutDpr_ = 0;
    QSize layoutSize_;
};

}  // namespace tressmoor::view
