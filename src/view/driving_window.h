// DrivingWindow: the window a service is driven in — the cab view with its panel and labels, the
// frame loop, keys and mouse, the menus and options, pausing, saving, full screen, the fade-out
// on leaving, scripted runs.
#pragma once

#include <QMainWindow>
#include <QPointF>
#include <array>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>

#include "data/random_source.h"
#include "data/settings_store.h"
#include "data/settings_types.h"
#include "platform/ffmpeg_video_source.h"
#include "sim/drive_report.h"
#include "sim/drive_record.h"
#include "sim/drive_trace.h"
#include "sim/driving_session.h"
#include "sim/script.h"
#include "sim/service.h"
#include "sound/mixer.h"

class QAction;
class QPainter;
class QMenu;

namespace tressmoor::platform {
class VirtualControllers;
}

namespace tressmoor::view {

class CabRenderer;
class CabView;
class ControllerMenu;
class FramePacer;
class HelpWindow;
class ReportWindow;
struct RenderOptions;
class SimpleCabWindow;
class TimedVideoSource;
class TrainSettingsDialog;
class ValueDisplayWindow;

/// How a drive is run besides the user's own input.
struct DriveOptions {
    /// Commands played at their times (seconds of driven time from the first frame).
    std::optional<sim::Script> script;
    /// One CSV row per processed frame: dtMs and where the frame's time went.
    std::filesystem::path frameStatsPath;
    /// Frames back to back with this length instead of real time (reproducible runs).
    std::optional<long double> fixedStepMs;
    /// Messages are also written to stderr and close by themselves after a moment, so that a
    /// scripted run never waits for a click.
    bool unattended = false;
    /// When the service was chosen; with frame statistics the time to the first picture is
    /// written to stderr.
    std::chrono::steady_clock::time_point chosenAt{};
    /// Loading progress texts, in order.
    std::function<void(const std::string&)> progress;
    /// Serial port opened when driving starts, as the Controller menu's Connect does ("" none).
    std::string serialPort;
    /// A software serial controller on a pseudo-terminal (opened as the serial port) and a
    /// virtual joystick: the script's `serial` and `joy` commands go through them, and so
    /// through the same port reads and joystick polls as a real controller's data.
    bool virtualControllers = false;
    /// One line per event of the drive (arrivals, doors, safety system, …), as the headless
    /// runner writes them; times in driven time.
    std::filesystem::path eventsPath;
    /// The drive's record is written here as it runs ("" none).
    std::filesystem::path recordPath;
    /// Play this record back instead of taking the user's input: its service and seed, its
    /// inputs, and its frame lengths (the frames come at the pace of the frame loop).
    std::optional<sim::DriveRecord> replay;
    /// One CSV row per frame, as the headless runner's --trace writes it ("" none).
    std::filesystem::path tracePath;
};

/// Shows `text` in a message box (the program's title as caption). In unattended runs the text
/// also goes to stderr and the box closes by itself after a moment.
void showMessage(QWidget* parent, const QString& text, bool unattended);

/// The driving window of one drive. Created ready to drive; closing it (the back picture, a
/// script's `quit`, the window's close button) ends the drive and releases its sounds.
class DrivingWindow final : public QMainWindow {
    Q_OBJECT
public:
    /// Reads every data file, builds the panel, opens the route video, loads the sounds and puts
    /// the train at its start station. Throws data::FatalError with the message to show when a
    /// data file or picture is wrong; nothing is left half-loaded.
    DrivingWindow(const std::filesystem::path& programFolder, const sim::ServiceChoice& choice,
                  sound::Mixer& mixer, data::SettingsStore& store, DriveOptions options);
    ~DrivingWindow() override;

    /// The drive; released when the window closes.
    sim::DrivingSession& session() { return *session_; }
    const CabRenderer& renderer() const { return *renderer_; }
    CabView* cabView() const { return view_; }
    /// The Controller menu with the serial port.
    ControllerMenu* controllers() const { return controllers_; }

    /// Starts the frame loop (driving starts running).
    void startDriving();
    /// Pause (true) or resume (false), as the Start menu does.
    void setPaused(bool paused);
    bool paused() const;
    /// Leaves the drive: the window fades out (unless visual effects are off) and closes.
    void BackClick();
    /// Full screen on or off (plain F11, a double click on the view).
    void toggleFullScreen();

    // Side windows: made when first shown, kept for the drive, closed with it.
    /// Shows the simple cab beside the driving window.
    void showSimpleCab();
    /// Shows the value display if it is hidden, else hides it (F3).
    void toggleValueDisplay();
    /// Opens the train-settings dialog (modal; the drive runs on behind it).
    void showTrainSettings();
    SimpleCabWindow* simpleCab();
    ValueDisplayWindow* valueDisplay();
    TrainSettingsDialog* trainSettings();

    /// Composes the present state into a kWindowWidth × kWindowHeight picture (logical size).
    QImage composeShot();
    /// Frames processed so far and the driven time they covered.
    long long framesProcessed() const { return frames_; }
    double drivenSeconds() const { return drivenMs_ / 1000.0; }
    /// The exit status a scripted run should end with (0, or 1 after a failed shot).
    int scriptStatus() const { return scriptStatus_; }

    /// The rectangle of the back picture, in logical picture coordinates.
    static QRect backRect();

    /// Runs the menu item whose object name is `name` ("OFFC1", "Save2", "Sta3" …) as a click
    /// on it would; a hidden item runs as if it were shown, a disabled one does nothing, and a
    /// submenu ("SaveS1") is opened, which runs what its opening runs. Returns false when the
    /// window has no such item. Scripts (`menu <name>`) and tests reach every item this way.
    bool triggerMenuItem(const QString& name);
    /// The help window, once the help has been opened in this drive; null before.
    HelpWindow* helpWindow() const { return help_; }

    /// Shows the drive report so far (the Display menu's "運転成績", and at the service end),
    /// keeping its score as the service's best when it is a better whole-service score.
    void showReport();
    /// The report window, once shown in this drive; null before.
    ReportWindow* reportWindow() const { return reportWindow_; }
    /// The drive report so far.
    sim::DriveReport driveReport() const { return report_->report(); }

signals:
    /// The drive has ended and the window is closed.
    void finished();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void frame(long double dtMs, int fps);
    bool canDraw() const;
    void runDueCommands();
    void sendKey(const input::KeyStroke& stroke, bool press, bool release);
    void presentPaused();
    void buildMenus();
    /// What the present options change in the picture.
    RenderOptions renderOptions() const;

    // Menu handlers.
    void menu_d1Click();            ///< opens the help window
    void D1Click(bool checked);     ///< no explanation text
    void OFF1Click(bool checked);   ///< no calls
    void OFF2Click(bool checked);   ///< no stop-position lines
    void OFFV1Click(bool checked);  ///< no visual effects
    void OFFC1Click(bool checked);  ///< text display mode (the labels)
    /// Sets one option to the new check mark of its item; the picture follows at once.
    void setOption(int data::UserOptions::*option, bool checked);
    /// Opening the Save menu: the slot captions from the store.
    void Saveloadclick();
    /// Saves the run into slot 1 … 3, then the message.
    void S2Click(int slot);
    /// Restores slot 1 … 3; a message when nothing was restored.
    void L1Click(int slot);
    void updateCaption();
    void writeStatsRow(long double dtMs, double composeUs, double presentUs);
    void onViewPressed(QPointF logical, Qt::MouseButton button);
    void setOpacity(double opacity);
    /// Draws the whole picture (route view, panel, labels, back button) in logical coordinates.
    void paintScene(QPainter& p);
    /// The picture over the route view: the decoder's frame (wrapped in `wrapper`), the pause
    /// picture while paused, or none.
    const QImage* currentPicture(QImage& wrapper) const;
    void refreshSideWindows(int fps);
    void closeSideWindows();
    void placeBeside(QWidget* window);

    std::filesystem::path programFolder_;
    sound::Mixer& mixer_;
    data::SettingsStore& store_;
    DriveOptions options_;
    std::uint64_t seed_;
    data::SeededRandom random_;
    platform::FfmpegVideoSource decoder_;
    std::unique_ptr<TimedVideoSource> video_;
    std::unique_ptr<CabRenderer> renderer_;
    // The record and the replay outlive the drive that runs through them.
    std::ofstream recordFile_;
    std::unique_ptr<sim::DriveRecorder> recorder_;
    std::unique_ptr<sim::DriveReplayer> replayer_;
    std::unique_ptr<sim::DrivingSession> session_;
    CabView* view_ = nullptr;
    FramePacer* pacer_ = nullptr;
    QAction* startAction_ = nullptr;
    QMenu* moveMenu_ = nullptr;
    QMenu* displayMenu_ = nullptr;         ///< Show1; the side windows' items N3 and P1 are in it
    QMenu* controllerMenu_ = nullptr;      ///< Controller1, filled by the controllers
    std::array<QAction*, 3> loadItems_{};  ///< Load1 … Load3
    std::array<QAction*, 3> saveItems_{};  ///< Save1 … Save3
    HelpWindow* help_ = nullptr;           ///< made when the help is first opened
    std::unique_ptr<sim::DriveReportBuilder> report_;  ///< watches every processed frame
    ReportWindow* reportWindow_ = nullptr;             ///< made when the report is first shown
    bool reportShownAtEnd_ = false;  ///< the report has been shown for the present service end
    SimpleCabWindow* simpleCab_ = nullptr;
    ValueDisplayWindow* valueDisplay_ = nullptr;
    TrainSettingsDialog* trainSettings_ = nullptr;
    ControllerMenu* controllers_ = nullptr;  ///< the Controller menu's items and the controllers

    std::set<int> heldKeys_;  ///< Qt key codes held down
    int wheelRemainder_ = 0;  ///< 1/8 degree steps of the wheel not yet turned into a notch
    int fadeLevel_ = 0;       ///< 0 = no fade; else the present fade step
    bool firstPresented_ = false;
    std::string shownCaption_;  ///< caption last given to the window
    double composeUs_ = 0;      ///< µs the last picture took to compose
    bool closed_ = false;
    QByteArray normalGeometry_;

    long long frames_ = 0;
    double drivenMs_ = 0;
    std::size_t nextCommand_ = 0;
    struct HeldScriptKey {
        input::KeyStroke key;
        double untilMs;
    };
    std::vector<HeldScriptKey> scriptHeld_;
    int scriptStatus_ = 0;
    std::FILE* stats_ = nullptr;
    std::ofstream events_;
    std::unique_ptr<platform::VirtualControllers> virtualControllers_;
    std::ofstream traceFile_;
    std::unique_ptr<sim::DriveTrace> trace_;
};

}  // namespace tressmoor::view
