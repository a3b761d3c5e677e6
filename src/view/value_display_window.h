// ValueDisplayWindow: the value display "Value Display" for authors of data sets — every
// internal quantity of the drive, the signals' aspects, a live map of the sound channels (a click
// stops a channel), the safety system's log and a few debugging buttons.
#pragma once

#include <QWidget>
#include <cstdint>
#include <filesystem>
#include <vector>

#include "view/simple_cab_window.h"

class QCheckBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTableWidget;

namespace tressmoor::sound {
class Mixer;
}

namespace tressmoor::view {

class ValueDisplayWindow final : public QWidget {
    Q_OBJECT
public:
    /// `drivingWindow` receives the typed keys and owns this window; `mixer` is the drive's.
    ValueDisplayWindow(QWidget* drivingWindow, SessionGetter session, sound::Mixer& mixer,
                       std::filesystem::path programFolder);

    /// Writes the present values, aspects and channels (once a frame while the window is
    /// shown; the driving window does not call it while the window is hidden).
    void refresh(int fps);

    QTableWidget* channelGrid() const { return channels_; }
    QTableWidget* signalGrid() const { return signals_; }
    /// The value text of the row captioned `caption` ("" when there is none).
    QString rowText(const QString& caption) const;

private:
    void stopChannel(int row, int column);
    void reloadSpeedUnit();

    SessionGetter session_;
    sound::Mixer& mixer_;
    std::filesystem::path programFolder_;
    QWidget* rowsBox_ = nullptr;
    std::vector<QLabel*> captions_;
    std::vector<QLabel*> values_;
    QCheckBox* precedingBox_ = nullptr;
    QTableWidget* signals_ = nullptr;
    QTableWidget* channels_ = nullptr;
    QPushButton* freeze_ = nullptr;
    QPlainTextEdit* log_ = nullptr;
    std::uint64_t logShown_ = 0;  ///< safety-log lines already in the text box
};

}  // namespace tressmoor::view
