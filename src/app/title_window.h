// The title window: the service menu shown at start and between drives.
#pragma once

#include <QLabel>
#include <QWidget>
#include <array>
#include <filesystem>
#include <random>

class QTimer;

namespace tressmoor::app {

/// Borderless 800 × 600 window with a title picture and the staged reveal of the five service
/// buttons, the help and the quit buttons. The progress line under the picture is shown while a
/// drive is being prepared.
class TitleWindow final : public QWidget {
    Q_OBJECT
public:
    explicit TitleWindow(std::filesystem::path programFolder, QWidget* parent = nullptr);

    /// Shows `text` in the progress line under the title picture and paints it at once.
    void showProgress(const QString& text);
    /// Hides the progress line again.
    void hideProgress();

signals:
    /// The user chose service `index` (0-based).
    void serviceChosen(int index);

private:
    void tick();
    void centre();
    QPixmap titlePicture();

    std::filesystem::path programFolder_;
    QLabel* picture_ = nullptr;
    QLabel* progress_ = nullptr;
    std::array<QLabel*, 5> serviceButtons_{};
    QLabel* help_ = nullptr;
    QLabel* quit_ = nullptr;
    QTimer* timer_ = nullptr;
    int titleTicks_ = 0;
    std::mt19937 random_;
};

}  // namespace tressmoor::app
