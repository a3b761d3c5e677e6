// The driving window's side windows: the simple cab, the value display and the train-settings
// dialog, made when first shown and refreshed from the frame loop while they are shown.
#include <QScreen>
#include <algorithm>

#include "view/driving_window.h"
#include "view/simple_cab_window.h"
#include "view/train_settings_dialog.h"
#include "view/value_display_window.h"

namespace tressmoor::view {

SimpleCabWindow* DrivingWindow::simpleCab() {
    if (simpleCab_ == nullptr) {
        simpleCab_ = new SimpleCabWindow(this, [this] { return session_.get(); });
    }
    return simpleCab_;
}

ValueDisplayWindow* DrivingWindow::valueDisplay() {
    if (valueDisplay_ == nullptr) {
        valueDisplay_ = new ValueDisplayWindow(
            this, [this] { return session_.get(); }, mixer_, programFolder_);
    }
    return valueDisplay_;
}

TrainSettingsDialog* DrivingWindow::trainSettings() {
    if (trainSettings_ == nullptr) {
        trainSettings_ = new TrainSettingsDialog(this, [this] { return session_.get(); });
    }
    return trainSettings_;
}

void DrivingWindow::showSimpleCab() {
    if (!session_ || closed_) return;
    SimpleCabWindow* cab = simpleCab();
    cab->refresh();
    if (!cab->testAttribute(Qt::WA_Moved)) placeBeside(cab);
    cab->show();
    cab->raise();
}

void DrivingWindow::toggleValueDisplay() {
    if (!session_ || closed_) return;
    ValueDisplayWindow* display = valueDisplay();
    if (display->isVisible()) {
        display->hide();
        return;
    }
    display->refresh(0);
    if (!display->testAttribute(Qt::WA_Moved)) placeBeside(display);
    display->show();
}

void DrivingWindow::showTrainSettings() {
    if (!session_ || closed_) return;
    TrainSettingsDialog* dialog = trainSettings();
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
}

void DrivingWindow::placeBeside(QWidget* window) {
    // The first time it is shown: to the right of the driving window when the screen has room
    // there, else over its right edge. Later it opens where the user left it.
    window->adjustSize();
    const QRect frame = frameGeometry();
    QPoint at(frame.right() + 1, frame.top());
    if (const QScreen* screen = this->screen()) {
        const QRect room = screen->availableGeometry();
        at.setX(std::min(at.x(), room.right() + 1 - window->width()));
        at.setX(std::max(at.x(), room.left()));
    }
    window->move(at);
}

void DrivingWindow::refreshSideWindows(int fps) {
    // Side windows that are not shown cost nothing.
    if (simpleCab_ != nullptr && simpleCab_->isVisible()) simpleCab_->refresh();
    if (valueDisplay_ != nullptr && valueDisplay_->isVisible()) valueDisplay_->refresh(fps);
}

void DrivingWindow::closeSideWindows() {
    if (simpleCab_ != nullptr) simpleCab_->close();
    if (valueDisplay_ != nullptr) valueDisplay_->close();
    if (trainSettings_ != nullptr) trainSettings_->close();
}

}  // namespace tressmoor::view
