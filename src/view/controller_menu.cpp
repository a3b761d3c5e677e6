// The Controller menu of the driving window and the serial controller's port.
#include "view/controller_menu.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <algorithm>

#include "view/driving_window.h"
#include "view/serial_setup_dialog.h"

namespace tressmoor::view {

namespace {

/// Kept from drive to drive while the program runs.
int gControllerType = input::kSerialOnly;
platform::SerialSettings& programSerialSettings() {
    static platform::SerialSettings settings;
    return settings;
}

constexpr std::array<const char*, 4> kTypeCaptions = {
    "標準/QXマスコン(&N)", "Windows用電車でGO! コントローラ(&U)", "PS用電車でGO! コントローラ(&M)",
    "三鶯重工 OHC-PC01(&S)"};

}  // namespace

int ControllerMenu::programControllerType() {
    return gControllerType;
}

void ControllerMenu::setProgramControllerType(int type) {
    gControllerType = std::clamp(type, 0, 3);
}

ControllerMenu::ControllerMenu(QMenu* menu, sim::DrivingSession& session, bool unattended,
                               QWidget* window)
    : QObject(menu),
      session_(&session),
      window_(window),
      unattended_(unattended),
      serial_([this](std::string_view chunk) {
          if (session_ != nullptr) session_->serialReceive(chunk);
      }) {
    auto* group = new QActionGroup(this);
    group->setExclusive(true);
    for (int type = 0; type < 4; ++type) {
        QAction* a =
            menu->addAction(QString::fromUtf8(kTypeCaptions[static_cast<std::size_t>(type)]));
        a->setCheckable(true);
        group->addAction(a);
        connect(a, &QAction::triggered, this, [this, type] { setControllerType(type); });
        types_[static_cast<std::size_t>(type)] = a;
    }
    debug_ = menu->addAction(QString::fromUtf8("デバッグオプション(&D)"));
    debug_->setCheckable(true);
    connect(debug_, &QAction::toggled, this, [this](bool on) {
        if (session_ != nullptr) session_->setControllerDebug(on);
    });
    menu->addSeparator();
    setup_ = menu->addAction(QString::fromUtf8("QXマスコン（設定）(&P)"));
    connect(setup_, &QAction::triggered, this, [this] { showSetup(); });
    connect_ = menu->addAction(QString::fromUtf8("QXマスコン（接続）(&C)"));
    connect_->setCheckable(true);
    connect(connect_, &QAction::triggered, this, [this] { toggleConnection(); });
    setControllerType(gControllerType);
}

ControllerMenu::~ControllerMenu() {
    closeSerial();
}

void ControllerMenu::setControllerType(int type) {
    setProgramControllerType(type);
    types_[static_cast<std::size_t>(gControllerType)]->setChecked(true);
    if (session_ == nullptr) return;
    session_->setControllerType(gControllerType);
    if (input::isJoystickType(gControllerType) && !joystick_) {
        joystick_ = std::make_unique<platform::SdlJoystick>();
        session_->setJoystick(joystick_.get());
    }
}

bool ControllerMenu::connectSerial(const QString& portName) {
    auto& settings = programSerialSettings();
    if (!portName.isEmpty()) settings.portName = portName;
    const QString error = serial_.open(settings);
    connect_->setChecked(serial_.isOpen());
    if (!error.isEmpty()) {
        showMessage(window_, QString::fromUtf8("シリアルポートを開けませんでした。\n") + error,
                    unattended_);
    }
    return serial_.isOpen();
}

void ControllerMenu::closeSerial() {
    serial_.close();
    if (connect_ != nullptr) connect_->setChecked(false);
}

void ControllerMenu::detach() {
    closeSerial();
    if (session_ != nullptr) session_->setJoystick(nullptr);
    session_ = nullptr;
}

void ControllerMenu::toggleConnection() {
    if (serial_.isOpen()) {
        closeSerial();
    } else {
        connectSerial();
    }
}

void ControllerMenu::showSetup() {
    SerialSetupDialog dialog(programSerialSettings(), window_);
    if (dialog.exec() != QDialog::Accepted) return;
    programSerialSettings() = dialog.settings();
    // An open port takes the new settings at once.
    if (serial_.isOpen()) connectSerial();
}

}  // namespace tressmoor::view
