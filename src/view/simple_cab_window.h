// SimpleCabWindow: the simple cab "かんたん運転台" beside the driving window, to drive with the
// mouse alone: a column of lamps for the handle position and buttons that type the handle, door,
// announcement and reverser keys.
#pragma once

#include <QColor>
#include <QWidget>
#include <array>
#include <functional>

#include "sim/side_windows.h"

class QPushButton;
class QStatusBar;

namespace tressmoor::sim {
class DrivingSession;
}

namespace tressmoor::view {

/// The driving session the side windows read; nullptr once the drive has ended.
using SessionGetter = std::function<sim::DrivingSession*()>;

/// One lamp of the simple cab: a filled shape of one colour.
class LampShape final : public QWidget {
    Q_OBJECT
public:
    explicit LampShape(QWidget* parent);
    void setColour(const QColor& colour);
    QColor colour() const { return colour_; }
    QSize sizeHint() const override { return {72, 14}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor colour_ = Qt::white;
};

QColor lampColour(sim::CabLampColour colour);

class SimpleCabWindow final : public QWidget {
    Q_OBJECT
public:
    /// `drivingWindow` receives the typed keys and owns this window.
    SimpleCabWindow(QWidget* drivingWindow, SessionGetter session);

    /// Recolours the lamps and sets the door text from the present state (once a frame while
    /// the window is shown).
    void refresh();

private:
    QWidget* drivingWindow_;
    SessionGetter session_;
    LampShape* neutral_ = nullptr;
    std::array<LampShape*, sim::kSimpleCabPowerLamps> power_{};
    std::array<LampShape*, sim::kSimpleCabBrakeLamps> brake_{};
    QStatusBar* status_ = nullptr;
    QString doorText_;
};

}  // namespace tressmoor::view
