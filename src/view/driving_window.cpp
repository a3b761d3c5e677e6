#include "view/driving_window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <QWindow>
#include <chrono>
#include <iostream>

#include "data/path_resolver.h"
#include "data/settings_file.h"
#include "route/saves.h"
#include "platform/virtual_controllers.h"
#include "sim/event_log.h"
#include "sim/panel_state.h"
#include "sim/status_text.h"
#include "view/cab_renderer.h"
#include "view/cab_view.h"
#include "view/controller_menu.h"
#include "view/fonts.h"
#include "view/frame_pacer.h"
#include "view/help_window.h"
#include "view/key_relay.h"
#include "view/report_window.h"

namespace tressmoor::view {

namespace {

constexpr const char* kProgramTitle = "鉄道運転シミュレータ";
constexpr const char* kPauseCaption = "一時停止(&S)";
constexpr const char* kResumeCaption = "運転再開(&S)";
constexpr const char* kSoundReinitFailed = "DirectSoundを初期化できませんでした。";
/// How long an unattended run's message box stays before it closes itself, ms.
constexpr int kUnattendedMessageMs = 1500;

QString qs(const std::string& s) {
    return QString::fromStdString(s);
}

/// A caption from the data shown as a menu item: its "&" are characters, not mnemonics.
QString menuText(const std::string& s) {
    return qs(s).replace(QLatin1Char('&'), QStringLiteral("&&"));
}

/// The driving key a Qt key stands for; Key::None for character keys.
input::Key drivingKeyOf(int qtKey) {
    using input::Key;
    switch (qtKey) {
        case Qt::Key_Backspace:
            return Key::Backspace;
        case Qt::Key_ScrollLock:
            return Key::ScrollLock;
        case Qt::Key_Escape:
            return Key::Esc;
        case Qt::Key_Up:
            return Key::Up;
        case Qt::Key_Down:
            return Key::Down;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return Key::Enter;
        case Qt::Key_PageUp:
            return Key::PageUp;
        case Qt::Key_PageDown:
            return Key::PageDown;
        case Qt::Key_Space:
            return Key::Space;
        default:
            break;
    }
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F12) {
        return static_cast<Key>(static_cast<int>(Key::F1) + (qtKey - Qt::Key_F1));
    }
    return Key::None;
}

/// The Qt key code of a driving key.
int qtKeyOf(input::Key key) {
    using input::Key;
    switch (key) {
        case Key::Backspace:
            return Qt::Key_Backspace;
        case Key::ScrollLock:
            return Qt::Key_ScrollLock;
        case Key::Esc:
            return Qt::Key_Escape;
        case Key::Up:
            return Qt::Key_Up;
        case Key::Down:
            return Qt::Key_Down;
        case Key::Enter:
            return Qt::Key_Return;
        case Key::PageUp:
            return Qt::Key_PageUp;
        case Key::PageDown:
            return Qt::Key_PageDown;
        case Key::Space:
            return Qt::Key_Space;
        case Key::None:
            return 0;
        default:
            break;
    }
    return Qt::Key_F1 + (static_cast<int>(key) - static_cast<int>(input::Key::F1));
}

bool isShiftOnly(Qt::KeyboardModifiers m) {
    return (m & ~Qt::KeypadModifier) == Qt::ShiftModifier;
}

using SteadyClock = std::chrono::steady_clock;

double usSince(SteadyClock::time_point start) {
    return std::chrono::duration<double, std::micro>(SteadyClock::now() - start).count();
}

}  // namespace

/// The route-video decoder as the drive sees it: the line's video names are resolved in the
/// program folder, and a stopwatch tells how long the fetches of a frame took.
class TimedVideoSource final : public route::VideoSource {
public:
    TimedVideoSource(route::VideoSource& inner, std::filesystem::path programFolder)
        : inner_(inner, std::move(programFolder)) {}
    int open(const std::string& path) override { return inner_.open(path); }
    int frameCount() const override { return inner_.frameCount(); }
    bool fetch(int frame) override {
        const auto start = SteadyClock::now();
        const bool ok = inner_.fetch(frame);
        spentUs_ += usSince(start);
        return ok;
    }
    /// µs spent decoding since the last call.
    double takeSpentUs() { return std::exchange(spentUs_, 0.0); }

private:
    route::ResolvingVideoSource inner_;
    double spentUs_ = 0;
};

void showMessage(QWidget* parent, const QString& text, bool unattended) {
    if (unattended) {
        std::cerr << text.toStdString() << std::endl;
        auto* box = new QMessageBox(QMessageBox::Information, QString::fromUtf8(kProgramTitle),
                                    text, QMessageBox::Ok, parent);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->open();
        QTimer::singleShot(kUnattendedMessageMs, box, &QWidget::close);
        return;
    }
    QMessageBox box(QMessageBox::Information, QString::fromUtf8(kProgramTitle), text,
                    QMessageBox::Ok, parent);
    box.exec();
}

DrivingWindow::DrivingWindow(const std::filesystem::path& programFolder,
                             const sim::ServiceChoice& choice, sound::Mixer& mixer,
                             data::SettingsStore& store, DriveOptions options)
    : programFolder_(programFolder),
      mixer_(mixer),
      store_(store),
      options_(std::move(options)),
      seed_(options_.replay ? options_.replay->seed : data::clockSeed()),
      random_(seed_),
      video_(std::make_unique<TimedVideoSource>(decoder_, programFolder)) {
    setWindowTitle(QString::fromUtf8(kProgramTitle));
    setAttribute(Qt::WA_DeleteOnClose, false);

    sim::SessionSinks sinks;
    sinks.progress = options_.progress;
    if (!options_.eventsPath.empty()) {
        events_.open(options_.eventsPath);
        if (!events_) {
            std::cerr << "cannot write the events file " << options_.eventsPath.string()
                      << std::endl;
        }
        sinks.event = [this](std::string_view text) {
            if (!events_) return;
            const std::int64_t clock = session_ ? session_->state().route.Clock : 0;
            events_ << sim::eventLine(drivenMs_ / 1000.0, clock, text) << '\n';
        };
    }
    sinks.notice = [this](const std::string& text) {
        showMessage(this, qs(text), options_.unattended);
    };
    const std::filesystem::path trainFolder = sim::trainFolderOf(programFolder, choice);
    sinks.panelBuilder = [this, programFolder, trainFolder](const sim::LoadedService& service) {
        renderer_ = std::make_unique<CabRenderer>(service, programFolder, trainFolder);
    };
    if (options_.replay) {
        replayer_ = std::make_unique<sim::DriveReplayer>(*options_.replay);
        replayer_->replayProgramFolder = programFolder;
        replayer_->onDiverged = [](const std::string& what) {
            std::cerr << "tressmoor: warning: the replay no longer follows the record: " << what
                      << std::endl;
        };
    } else if (!options_.recordPath.empty()) {
        recordFile_.open(options_.recordPath, std::ios::binary | std::ios::trunc);
        if (recordFile_) {
            recorder_ = std::make_unique<sim::DriveRecorder>(recordFile_, programFolder, choice,
                                                             seed_);
        } else {
            std::cerr << "cannot write " << options_.recordPath.string() << std::endl;
        }
    }
    session_ = sim::DrivingSession::create(programFolder, choice,
                                           {mixer_, *video_, store_, random_}, std::move(sinks),
                                           {recorder_.get(), replayer_.get()});
    renderer_->rebind(session_->service());
    report_ = std::make_unique<sim::DriveReportBuilder>(sim::planReport(*session_));
    session_->setStripCells(renderer_->stripCells());

    view_ = new CabView(this);
    setCentralWidget(view_);
    view_->setScene([this](QPainter& p) { paintScene(p); });
    connect(view_, &CabView::pressed, this, &DrivingWindow::onViewPressed);
    connect(view_, &CabView::doubleClicked, this, [this](QPointF) { toggleFullScreen(); });
    buildMenus();
    if (auto* cab = findChild<QAction*>(QStringLiteral("N3"))) {
        connect(cab, &QAction::triggered, this, &DrivingWindow::showSimpleCab);
    }
    if (auto* settings = findChild<QAction*>(QStringLiteral("P1"))) {
        connect(settings, &QAction::triggered, this, &DrivingWindow::showTrainSettings);
    }

    pacer_ =
        new FramePacer([this](long double dtMs, int fps) { frame(dtMs, fps); },
                       [this] { return session_ && session_->state().Running && !closed_; }, this);
    pacer_->setFixedStep(options_.fixedStepMs);

    if (!options_.frameStatsPath.empty()) {
        stats_ = std::fopen(options_.frameStatsPath.string().c_str(), "w");
        if (stats_ != nullptr) {
            std::fputs("frame,dt_ms,decode_us,compose_us,present_us,physics_update_us,sound_us\n",
                       stats_);
        } else {
            std::cerr << "cannot write " << options_.frameStatsPath.string() << std::endl;
        }
    }
    if (!options_.tracePath.empty()) {
        traceFile_.open(options_.tracePath, std::ios::binary | std::ios::trunc);
        if (traceFile_) {
            trace_ = std::make_unique<sim::DriveTrace>(traceFile_);
        } else {
            std::cerr << "cannot write " << options_.tracePath.string() << std::endl;
        }
    }

    // The client area is the picture's logical size; the window starts at the screen's top left.
    resize(kWindowWidth, kWindowHeight + menuBar()->sizeHint().height());
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        move(screen->availableGeometry().topLeft());
    }
}

DrivingWindow::~DrivingWindow() {
    if (controllers_ != nullptr) controllers_->detach();
    if (stats_ != nullptr) std::fclose(stats_);
}

void DrivingWindow::buildMenus() {
    const auto& settings = session_->service().settings;
    auto caption = [](const std::optional<std::string>& fromFile, const char* fallback) {
        return fromFile ? qs(*fromFile) : QString::fromUtf8(fallback);
    };
    QMenuBar* bar = menuBar();
    // The Start item is a command of the bar itself, which a native (global) menu bar cannot
    // hold.
    bar->setNativeMenuBar(false);
    auto addMenu = [](auto* parent, const QString& text, const char* name) {
        QMenu* menu = parent->addMenu(text);
        menu->setObjectName(QString::fromLatin1(name));
        menu->menuAction()->setObjectName(QString::fromLatin1(name));
        return menu;
    };
    auto addItem = [](QMenu* menu, const char* name, const char* text) {
        QAction* item = menu->addAction(QString::fromUtf8(text));
        item->setObjectName(QString::fromLatin1(name));
        return item;
    };
    // An option item: checked when its stored value is 1 (any other value leaves it unchecked).
    auto addOption = [this, &addItem](QMenu* menu, const char* name, const char* text, int value,
                                      void (DrivingWindow::*handler)(bool)) {
        QAction* item = addItem(menu, name, text);
        item->setCheckable(true);
        item->setChecked(value == 1);
        connect(item, &QAction::triggered, this, handler);
        return item;
    };

    // Start: pause and resume; the caption becomes the pause caption when driving starts.
    startAction_ = bar->addAction(caption(settings.StartCaption, "Start"));
    startAction_->setObjectName(QStringLiteral("start1"));
    connect(startAction_, &QAction::triggered, this, [this] { setPaused(!paused()); });

    // Move: the stations a run can be restarted at.
    moveMenu_ = addMenu(bar, caption(settings.MoveCaption, "Move"), "GoTo1");
    for (const auto& item : session_->service().moveMenu) {
        QAction* a = moveMenu_->addAction(menuText(item.caption));
        a->setObjectName(qs(item.name));
        const int station = item.station;
        connect(a, &QAction::triggered, this, [this, station] {
            if (session_) session_->StationClick(station);
            if (paused()) presentPaused();
        });
    }

    // Display: the help, the options and the side windows.
    const data::UserOptions& o = session_->service().options;
    displayMenu_ = addMenu(bar, caption(settings.DisplayCaption, "Display"), "Show1");
    connect(addItem(displayMenu_, "menu_d1", "操作説明(&U)"), &QAction::triggered, this,
            &DrivingWindow::menu_d1Click);
    addOption(displayMenu_, "D1", "解説なし(&D)", o.Information, &DrivingWindow::D1Click);
    // The simple cab; its window connects here.
    addItem(displayMenu_, "N3", "かんたん運転台(&E)");
    addOption(displayMenu_, "OFF1", "喚呼なし(&K)", o.Kanko, &DrivingWindow::OFF1Click);
    // Starts checked when the safety system is off; toggling it never changes the ATS option.
    addOption(displayMenu_, "OFF2", "停止位置ラインを表示しない(&S)", o.ATS,
              &DrivingWindow::OFF2Click);
    // The train-settings dialog (hidden); its dialog connects here.
    addItem(displayMenu_, "P1", "列車設定(&P)")->setVisible(false);
    addOption(displayMenu_, "OFFV1", "視覚効果OFF(&V)", o.Tunnel, &DrivingWindow::OFFV1Click)
        ->setVisible(false);
    addOption(displayMenu_, "OFFC1", "文字表示モード切り替え(&C)", o.Moji,
              &DrivingWindow::OFFC1Click);
    connect(addItem(displayMenu_, "report1", "運転成績(&R)"), &QAction::triggered, this,
            &DrivingWindow::showReport);

    // Controller: the controller types, the debug caption and the serial port.
    controllerMenu_ =
        addMenu(bar, caption(settings.ControlCaption, "Controller(&C)"), "Controller1");
    controllers_ = new ControllerMenu(controllerMenu_, *session_, options_.unattended, this);

    // Save: three slots to restore and to save into; the captions are read when it opens.
    QMenu* save = addMenu(bar, caption(settings.SaveCaption, "Save(&S)"), "SaveS1");
    connect(save, &QMenu::aboutToShow, this, &DrivingWindow::Saveloadclick);
    QMenu* load = addMenu(save, QString::fromUtf8("運転状態を復元(&L)"), "L1");
    QMenu* store = addMenu(save, QString::fromUtf8("運転状態を保存(&S)"), "S2");
    for (int slot = 1; slot <= route::kSaveSlots; ++slot) {
        const auto i = static_cast<std::size_t>(slot - 1);
        loadItems_[i] = load->addAction(QString());
        loadItems_[i]->setObjectName(QStringLiteral("Load%1").arg(slot));
        connect(loadItems_[i], &QAction::triggered, this, [this, slot] { L1Click(slot); });
        saveItems_[i] = store->addAction(QString());
        saveItems_[i]->setObjectName(QStringLiteral("Save%1").arg(slot));
        connect(saveItems_[i], &QAction::triggered, this, [this, slot] { S2Click(slot); });
    }
    Saveloadclick();
}

bool DrivingWindow::triggerMenuItem(const QString& name) {
    QAction* item = menuBar()->findChild<QAction*>(name);
    if (item == nullptr) return false;
    if (QMenu* menu = item->menu()) {
        // Opening a menu runs only what its opening runs (the Save menu reads its captions).
        emit menu->aboutToShow();
        return true;
    }
    if (item->isVisible()) {
        item->trigger();
    } else {
        // A hidden item cannot be triggered (Qt disables it): show it for the moment.
        item->setVisible(true);
        item->trigger();
        item->setVisible(false);
    }
    return true;
}

RenderOptions DrivingWindow::renderOptions() const {
    const data::UserOptions& o = session_->service().options;
    return {sim::labelsVisible(o), o.Information != 1, o.Tunnel == 1};
}

void DrivingWindow::menu_d1Click() {
    if (help_ == nullptr) {
        help_ = new HelpWindow(this, this);
        const auto file = data::resolveDataPath(programFolder_, kHelpFileName);
        if (!help_->load(file)) {
            std::error_code ec;
            const char* why =
                std::filesystem::exists(file, ec) ? "を読み込めません" : "が見つかりません";
            showMessage(this, qs(file.string()) + QString::fromUtf8(why), options_.unattended);
        }
    }
    help_->show();
    help_->raise();
    help_->activateWindow();
}

void DrivingWindow::showReport() {
    if (!session_) return;
    const sim::DriveReport report = report_->report();
    const bool newBest = sim::recordBestScore(store_, report);
    const std::optional<double> best = sim::readBestScore(store_, report);
    if (reportWindow_ == nullptr) reportWindow_ = new ReportWindow(this);
    reportWindow_->setReport(report, best, newBest);
    // The first time over the middle of the driving window; later where the user left it.
    if (!reportWindow_->testAttribute(Qt::WA_Moved)) {
        reportWindow_->move(frameGeometry().center() - reportWindow_->rect().center());
    }
    reportWindow_->show();
    reportWindow_->raise();
}

void DrivingWindow::setOption(int data::UserOptions::*option, bool checked) {
    if (!session_) return;
    data::UserOptions o = session_->service().options;
    o.*option = checked ? 1 : 0;
    session_->setOptions(o);
    // No frame runs while paused: show the change on the paused picture.
    if (paused()) presentPaused();
}

void DrivingWindow::D1Click(bool checked) {
    setOption(&data::UserOptions::Information, checked);
}

void DrivingWindow::OFF1Click(bool checked) {
    setOption(&data::UserOptions::Kanko, checked);
}

void DrivingWindow::OFF2Click(bool checked) {
    if (!session_) return;
    session_->setStopLinesHidden(checked);
    if (paused()) presentPaused();
}

void DrivingWindow::OFFV1Click(bool checked) {
    setOption(&data::UserOptions::Tunnel, checked);
}

void DrivingWindow::OFFC1Click(bool checked) {
    setOption(&data::UserOptions::Moji, checked);
}

void DrivingWindow::Saveloadclick() {
    const route::SaveMenu menu = route::Saveloadclick(store_);
    for (std::size_t i = 0; i < loadItems_.size(); ++i) {
        loadItems_[i]->setText(menuText(menu.load[i].caption));
        loadItems_[i]->setEnabled(menu.load[i].enabled);
        saveItems_[i]->setText(menuText(menu.save[i].caption));
        saveItems_[i]->setEnabled(menu.save[i].enabled);
    }
}

void DrivingWindow::S2Click(int slot) {
    if (!session_) return;
    const std::string message = session_->save(slot);
    Saveloadclick();
    showMessage(this, qs(message), options_.unattended);
}

void DrivingWindow::L1Click(int slot) {
    if (!session_) return;
    const std::string message = session_->load(slot);
    updateCaption();
    if (paused()) presentPaused();
    if (!message.empty()) showMessage(this, qs(message), options_.unattended);
}

void DrivingWindow::startDriving() {
    // As the last step of the creation: driving starts running, the Start item offers a pause.
    startAction_->setText(QString::fromUtf8(kPauseCaption));
    if (options_.virtualControllers) {
        virtualControllers_ = std::make_unique<platform::VirtualControllers>();
        if (!virtualControllers_->error().empty()) {
            std::cerr << "virtual controllers: " << virtualControllers_->error() << std::endl;
        }
        if (!virtualControllers_->serialPortName().empty()) {
            options_.serialPort = virtualControllers_->serialPortName();
        }
    }
    if (!options_.serialPort.empty()) controllers_->connectSerial(qs(options_.serialPort));
    pacer_->start();
}

bool DrivingWindow::paused() const {
    return session_ && !session_->state().Running;
}

void DrivingWindow::setPaused(bool pause) {
    if (!session_ || pause == paused()) return;
    session_->setPaused(pause);
    startAction_->setText(QString::fromUtf8(pause ? kResumeCaption : kPauseCaption));
    if (pause) presentPaused();
}

void DrivingWindow::presentPaused() {
    // While paused the route view shows the line's pause picture over the last panel.
    if (canDraw()) view_->repaint();
}

QRect DrivingWindow::backRect() {
    return QRect(1156, 768, 42, 26);
}

bool DrivingWindow::canDraw() const {
    const QWindow* w = windowHandle();
    return isVisible() && !isMinimized() && w != nullptr && w->isExposed();
}

void DrivingWindow::frame(long double dtMs, int fps) {
    if (!session_ || closed_ || !session_->state().Running) return;
    runDueCommands();
    if (closed_ || !session_->state().Running) return;
    auto& s = *session_;
    // A replay feeds the recorded inputs and runs the recorded frame; it ends with the record.
    bool step = true;
    if (replayer_) {
        const auto recorded = replayer_->nextFrame(s);
        if (!recorded) {
            close();
            return;
        }
        dtMs = recorded->dtMs;
        fps = recorded->fps;
        step = recorded->stepped;
    }
    s.setHeldKeys(heldKeys_.contains(Qt::Key_3), heldKeys_.contains(Qt::Key_6),
                  heldKeys_.contains(Qt::Key_4));
    video_->takeSpentUs();
    s.beginFrame(dtMs, fps);
    const double decodeUs = video_->takeSpentUs();
    const auto& service = s.service();
    sim::UpdatePanelState(renderer_->panel(), service.train.panel, service.train.spec, s.state(),
                          service.options.Tunnel == 1);
    ++frames_;
    drivenMs_ += static_cast<double>(dtMs);

    if (!canDraw()) {
        // Nothing can be shown: this frame loses its physics step (a replay keeps the recorded
        // one).
        if (replayer_ && step) s.endFrame();
        if (trace_) trace_->row(dtMs, s, renderer_->panel());
        if (stats_ != nullptr) {
            std::fprintf(stats_, "%lld,%.3f,%.1f,0,0,0,0\n", frames_, static_cast<double>(dtMs),
                         decodeUs);
        }
        return;
    }
    const auto& o = service.options;

    // Leaving: the window fades out over 51 frames (at once with visual effects off).
    bool closeNow = false;
    if (fadeLevel_ > 0) {
        if (o.Tunnel == 1) fadeLevel_ = 256;
        setOpacity((255 - fadeLevel_ % 256) / 255.0);
        fadeLevel_ += 5;
        if (fadeLevel_ > 255) {
            fadeLevel_ = 0;
            closeNow = true;
        }
    }
    // The picture is composed while the window paints itself.
    composeUs_ = 0;
    const auto start = SteadyClock::now();
    view_->repaint();
    const double composeUs = composeUs_;
    const double presentUs = std::max(0.0, usSince(start) - composeUs);
    updateCaption();
    if (!firstPresented_) {
        firstPresented_ = true;
        if (stats_ != nullptr && options_.chosenAt != SteadyClock::time_point{}) {
            std::cerr << "tressmoor: first frame presented "
                      << static_cast<long long>(usSince(options_.chosenAt) / 1000.0)
                      << " ms after the service was chosen" << std::endl;
        }
    }

    if (step) s.endFrame();
    if (trace_) trace_->row(dtMs, s, renderer_->panel());
    report_->observe(s, dtMs);
    if (s.serviceEnded() && !reportShownAtEnd_) {
        reportShownAtEnd_ = true;
        showReport();
    }
    if (!s.serviceEnded()) reportShownAtEnd_ = false;
    refreshSideWindows(fps);
    if (stats_ != nullptr) {
        const auto& t = s.lastFrameTimings();
        std::fprintf(stats_, "%lld,%.3f,%.1f,%.1f,%.1f,%.1f,%.1f\n", frames_,
                     static_cast<double>(dtMs), decodeUs, composeUs, presentUs,
                     t.physicsUs + t.updateUs, t.soundUs);
    }
    if (closeNow) close();
}

void DrivingWindow::updateCaption() {
    const std::string& debug = session_->state().ControllerCaption;
    const std::string& caption = debug.empty() ? session_->state().stations.WindowCaption : debug;
    // Compared as it is kept, so an unchanged caption costs no conversion each frame.
    if (!caption.empty() && caption != shownCaption_) {
        shownCaption_ = caption;
        setWindowTitle(qs(caption));
    }
}

void DrivingWindow::runDueCommands() {
    for (auto it = scriptHeld_.begin(); it != scriptHeld_.end();) {
        if (it->untilMs <= drivenMs_) {
            sendKey(it->key, false, true);
            it = scriptHeld_.erase(it);
        } else {
            ++it;
        }
    }
    if (!options_.script) return;
    const auto& commands = options_.script->commands;
    while (nextCommand_ < commands.size() &&
           commands[nextCommand_].atSeconds * 1000.0 <= drivenMs_) {
        const sim::ScriptCommand& c = commands[nextCommand_++];
        using Kind = sim::ScriptCommand::Kind;
        switch (c.kind) {
            case Kind::Key:
                // A character is typed (pressed and let go); a driving key stays down until its
                // keyup, as F2 must.
                sendKey(c.key, true, c.key.key == input::Key::None);
                break;
            case Kind::KeyUp:
                sendKey(c.key, false, true);
                break;
            case Kind::Hold:
                sendKey(c.key, true, false);
                scriptHeld_.push_back({c.key, drivenMs_ + c.holdSeconds * 1000.0});
                break;
            case Kind::Station:
                session_->StationClick(c.number);
                break;
            case Kind::Save:
                S2Click(c.number);
                break;
            case Kind::Load:
                L1Click(c.number);
                break;
            case Kind::Menu:
                if (!triggerMenuItem(qs(c.name))) {
                    std::cerr << "script line " << c.line << ": the window has no menu item "
                              << c.name << std::endl;
                    scriptStatus_ = 1;
                }
                break;
            case Kind::Shot: {
                const QImage shot = composeShot();
                if (!shot.save(QString::fromStdString(c.path), "PNG")) {
                    std::cerr << "cannot save the picture " << c.path << std::endl;
                    scriptStatus_ = 1;
                }
                break;
            }
            case Kind::Quit:
                close();
                return;
            case Kind::Serial:
                // Through the pseudo-terminal: lost, as a real controller's data would be, when
                // the port is not open.
                if (virtualControllers_) {
                    virtualControllers_->sendSerial(c.path);
                } else {
                    session_->serialReceive(c.path);
                }
                break;
            case Kind::Controller:
                controllers_->setControllerType(c.number);
                break;
            case Kind::Joy:
                if (virtualControllers_) {
                    virtualControllers_->setJoystick(c.joy);
                } else {
                    session_->setJoystickReading(c.joy);
                }
                break;
        }
        if (closed_) return;
    }
}

void DrivingWindow::sendKey(const input::KeyStroke& stroke, bool press, bool release) {
    int code = 0;
    QString text;
    if (stroke.key != input::Key::None) {
        code = qtKeyOf(stroke.key);
        if (stroke.key == input::Key::Space) text = QStringLiteral(" ");
        if (stroke.key == input::Key::Enter) text = QStringLiteral("\r");
    } else {
        code = characterKeyCode(stroke.character);
        text = QString(QChar::fromLatin1(stroke.character));
    }
    const Qt::KeyboardModifiers mods = stroke.shift ? Qt::ShiftModifier : Qt::NoModifier;
    if (press) {
        QKeyEvent down(QEvent::KeyPress, code, mods, text);
        QCoreApplication::sendEvent(this, &down);
    }
    if (release) {
        QKeyEvent up(QEvent::KeyRelease, code, mods, text);
        QCoreApplication::sendEvent(this, &up);
    }
}

void DrivingWindow::keyPressEvent(QKeyEvent* e) {
    if (!session_) return;
    const bool shift = isShiftOnly(e->modifiers());
    const bool plain = (e->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    if (e->key() == Qt::Key_F11 && plain) {
        // Plain F11 switches full screen; Shift+F11 stays the driving key.
        if (!e->isAutoRepeat()) toggleFullScreen();
        return;
    }
    if (!e->isAutoRepeat()) heldKeys_.insert(e->key());
    if (e->key() == Qt::Key_F3 && !e->isAutoRepeat()) toggleValueDisplay();
    const input::Key key = drivingKeyOf(e->key());
    if (key != input::Key::None) {
        session_->keyDown(key, shift);
        return;
    }
    const QString text = e->text();
    if (text.size() == 1 && text[0].unicode() >= 0x20 && text[0].unicode() < 0x7f) {
        session_->keyPress(static_cast<char>(text[0].unicode()));
        return;
    }
    QMainWindow::keyPressEvent(e);
}

void DrivingWindow::keyReleaseEvent(QKeyEvent* e) {
    if (e->isAutoRepeat() || !session_) return;
    heldKeys_.erase(e->key());
    const input::Key key = drivingKeyOf(e->key());
    if (key != input::Key::None) session_->keyUp(key);
}

void DrivingWindow::wheelEvent(QWheelEvent* e) {
    if (!session_) return;
    // 120 eighths of a degree make one notch; turning away from the driver is a step to brake.
    wheelRemainder_ += e->angleDelta().y();
    const int steps = wheelRemainder_ / 120;
    wheelRemainder_ -= steps * 120;
    if (steps != 0) session_->wheel(-steps);
    e->accept();
}

void DrivingWindow::onViewPressed(QPointF logical, Qt::MouseButton button) {
    if (button != Qt::LeftButton) return;
    if (backRect().contains(logical.toPoint())) {
        BackClick();
        return;
    }
    // A click on the route view resumes a paused drive.
    if (logical.x() < kCabViewWidth && paused()) setPaused(false);
}

void DrivingWindow::BackClick() {
    // Paused, no frame would run the fade: leave at once.
    if (paused()) {
        close();
        return;
    }
    if (fadeLevel_ == 0) fadeLevel_ = 1;
}

void DrivingWindow::toggleFullScreen() {
    if (isFullScreen()) {
        showNormal();
        if (!normalGeometry_.isEmpty()) restoreGeometry(normalGeometry_);
    } else {
        normalGeometry_ = saveGeometry();
        showFullScreen();
    }
}

void DrivingWindow::changeEvent(QEvent* e) {
    if (e->type() == QEvent::WindowStateChange) {
        // Settle the new size before the next frame is composed for it.
        view_->backBuffer();
    }
    QMainWindow::changeEvent(e);
}

void DrivingWindow::setOpacity(double opacity) {
    // Platforms without window opacity (the offscreen one) fade nothing and say so every call.
    static const bool supported = QGuiApplication::platformName() != QLatin1String("offscreen");
    if (supported) setWindowOpacity(opacity);
}

const QImage* DrivingWindow::currentPicture(QImage& wrapper) const {
    if (paused() && !renderer_->pausedPicture().isNull()) return &renderer_->pausedPicture();
    if (decoder_.pixels() == nullptr) return nullptr;
    // The decoder's own picture, shown without a copy.
    wrapper = QImage(decoder_.pixels(), decoder_.width(), decoder_.height(), decoder_.stride(),
                     QImage::Format_RGB32);
    return &wrapper;
}

void DrivingWindow::paintScene(QPainter& p) {
    if (!session_) {
        p.fillRect(QRect(0, 0, kWindowWidth, kWindowHeight), Qt::black);
        return;
    }
    const auto start = SteadyClock::now();
    QImage wrapper;
    renderer_->compose(p, currentPicture(wrapper), session_->state(), renderOptions());
    const QRect r = backRect();
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(200, 200, 200), 1));
    p.setBrush(QColor(40, 40, 48));
    p.drawRoundedRect(QRectF(r).adjusted(0.5, 0.5, -0.5, -0.5), 4, 4);  // inside its rectangle
    static const QFont font = japaneseFont("Meiryo UI", 15);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(r, Qt::AlignCenter, QStringLiteral("戻る"));
    p.restore();
    composeUs_ = usSince(start);
}

QImage DrivingWindow::composeShot() {
    QImage shot(kWindowWidth, kWindowHeight, QImage::Format_RGB32);
    shot.fill(Qt::black);
    QPainter p(&shot);
    paintScene(p);
    return shot;
}

void DrivingWindow::closeEvent(QCloseEvent* e) {
    e->accept();
    if (closed_) return;
    closed_ = true;
    pacer_->stop();
    if (help_ != nullptr) help_->close();
    if (reportWindow_ != nullptr) reportWindow_->close();
    closeSideWindows();
    controllers_->detach();
    // Release the drive's sounds, then start the sound output afresh for the next drive.
    data::UserOptions options;
    if (session_) {
        options = session_->service().options;
        for (int c = 0; c < sound::kChannelCount; ++c) {
            if (mixer_.hasWave(c)) mixer_.Stop(c);
        }
        session_.reset();
    }
    recorder_.reset();
    recordFile_.close();
    replayer_.reset();
    trace_.reset();
    traceFile_.close();
    if (!mixer_.reinitialise()) {
        showMessage(this, QString::fromUtf8(kSoundReinitFailed), options_.unattended);
        std::exit(1);
    }
    data::WriteUserOptions(store_, options);
    setOpacity(1.0);
    emit finished();
}

}  // namespace tressmoor::view
