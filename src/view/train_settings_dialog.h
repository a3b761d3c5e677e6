// TrainSettingsDialog: the train-settings dialog "列車設定" — the safety system's switch and the
// engine's start and stop.
#pragma once

#include <QDialog>

#include "view/simple_cab_window.h"

class QRadioButton;

namespace tressmoor::view {

class TrainSettingsDialog final : public QDialog {
    Q_OBJECT
public:
    /// `drivingWindow` receives the driving keys typed here and owns the dialog.
    TrainSettingsDialog(QWidget* drivingWindow, SessionGetter session);

    QRadioButton* atsButton(bool on) const { return on ? atsOn_ : atsOff_; }
    /// The "機関始動" item for sim::EngineChoice `choice`.
    QRadioButton* engineButton(int choice) const;

protected:
    /// Every time it opens, the dialog shows the present safety-system and engine states.
    void showEvent(QShowEvent* event) override;

private:
    void chooseEngine(int choice);

    SessionGetter session_;
    QRadioButton* atsOn_ = nullptr;
    QRadioButton* atsOff_ = nullptr;
    QRadioButton* engine_[3] = {};
};

}  // namespace tressmoor::view
