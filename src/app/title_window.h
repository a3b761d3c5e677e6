// The title window: the opening movie, the service menu and the progress line of a drive's loading.
#pragma once

#include <QLabel>
#include <QString>
#include <QUrl>
#include <QWidget>
#include <array>
#include <filesystem>
#include <functional>
#include <memory>
#include <random>

#include "sound/mixer.h"

class QTimer;

namespace tressmoor::app {

class MovieSurface;

/// Where the title window reaches out to the desktop. Each has a working default; scripts and
/// tests replace them.
struct TitleWindowHooks {
    /// Tells the user something (default: a warning box over the window).
    std::function<void(QWidget* owner, const QString& text)> message;
    /// Asks for a train file; its full path, or an empty string when the user cancels (default:
    /// a file-open dialog starting in `folder`).
    std::function<QString(QWidget* owner, const QString& caption, const QString& folder,
                          const QString& filter)>
        pickTrainFile;
    /// Opens a document with the desktop's default program (default: QDesktopServices).
    std::function<void(const QUrl& document)> openDocument;
};

/// Half of `freeSpace` rounded to the nearest integer, ties to even: the offset that centres a
/// window on the screen.
int centredOffset(int freeSpace);

/// The mixer channel of the title sound: the last one, which no drive lays a sound on.
inline constexpr int kTitleSoundChannel = sound::kChannelCount - 1;
/// Title-timer ticks (100 ms each) after which the opening movie is cut.
inline constexpr int kMovieCutTicks = 540;

/// Borderless title window. It opens at 480 × 270 on the opening movie `move\opening.avi`
/// (when the program folder has one); the end of the movie, a click on it or the cut after 54 s
/// turn it into the 800 × 600 menu, whose five service buttons, HELP and Quit appear one by one
/// on the ticks of a 100 ms timer while the title sound `sound\40225.wav` plays. Choosing a
/// service stops all that for good, shows the "loading" plate and a progress line under the
/// picture (client height 618) and emits serviceChosen(); the owner builds and runs the drive,
/// reporting progress with showProgress(), hides this window, and calls endDrive() when the
/// drive is over.
///
/// The timer and the movie start when the window is first shown. `mixer` must outlive the window.
class TitleWindow final : public QWidget {
    Q_OBJECT
public:
    TitleWindow(std::filesystem::path programFolder, sound::Mixer& mixer,
                QWidget* parent = nullptr);
    ~TitleWindow() override;

    /// Shows `text` in the progress line under the title picture and paints it at once.
    void showProgress(const QString& text);
    /// The drive is over: hides the loading plate and the progress line, returns to 800 × 600 and
    /// shows the window with the whole menu.
    void endDrive();

    /// Replaceable desktop services; change them before the window is first shown.
    TitleWindowHooks& hooks() { return hooks_; }

    /// One tick of the title timer (it runs this every 100 ms until a service is chosen).
    void timerTick();
    int titleTicks() const { return titleTicks_; }
    /// The opening movie is on the window.
    bool showsMovie() const;

signals:
    /// The user chose service `index` (0-based). `pickedFile` and `pickedFolder` (with its
    /// trailing separator) name the train file picked for it, both empty for the built-in train.
    void serviceChosen(int index, QString pickedFile, QString pickedFolder);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void start();
    void endMovie();
    void chooseService(int index, const QString& pickedFile, const QString& pickedFolder);
    void pickTrain(int index);
    void openHelp();
    void startTitleSound();
    void releaseTitleSound();
    void setMenuVisible(bool visible);
    void setClientSize(int width, int height);
    void centre();
    QPixmap titlePicture();

    std::filesystem::path programFolder_;
    sound::Mixer& mixer_;
    TitleWindowHooks hooks_;
    QLabel* picture_ = nullptr;
    QLabel* progress_ = nullptr;
    QLabel* loading_ = nullptr;
    std::array<QLabel*, 5> serviceButtons_{};
    QLabel* help_ = nullptr;
    QLabel* quit_ = nullptr;
    MovieSurface* movie_ = nullptr;
    QTimer* timer_ = nullptr;
    std::shared_ptr<sound::Wave> titleWave_;
    int titleTicks_ = 0;
    bool started_ = false;
    bool preparing_ = false;  ///< a service was chosen and its drive has not ended yet
    std::mt19937 random_;
};

}  // namespace tressmoor::app
