// ControllerMenu: the driving window's Controller menu — the controller type, the debug caption,
// the serial port's settings and connection — and the serial port it reads.
#pragma once

#include <QObject>
#include <QString>
#include <array>
#include <memory>

#include "platform/sdl_joystick.h"
#include "platform/serial_link.h"
#include "sim/driving_session.h"

class QAction;
class QMenu;
class QWidget;

namespace tressmoor::view {

/// Fills `menu` and drives `session` from the controllers. The controller type and the port
/// settings belong to the program: a later drive starts with those of the last one.
class ControllerMenu final : public QObject {
    Q_OBJECT
public:
    ControllerMenu(QMenu* menu, sim::DrivingSession& session, bool unattended, QWidget* window);
    ~ControllerMenu() override;

    /// The controller type (0 … 3) as the radio items set it; a joystick type starts reading the
    /// first joystick attached.
    void setControllerType(int type);
    /// The controller type the next drive starts with (0 until one is chosen).
    static int programControllerType();
    static void setProgramControllerType(int type);

    /// Opens the serial port as Connect does, `portName` replacing the chosen port when given.
    /// A failure is shown in a message box; the drive goes on. True when open.
    bool connectSerial(const QString& portName = {});
    /// Closes the serial port; nothing more is received for the drive.
    void closeSerial();
    bool serialOpen() const { return serial_.isOpen(); }
    /// The drive has ended: the port is closed and the session no longer used.
    void detach();

    QAction* typeAction(int type) const { return types_.at(static_cast<std::size_t>(type)); }
    QAction* debugAction() const { return debug_; }
    QAction* setupAction() const { return setup_; }
    QAction* connectAction() const { return connect_; }

private:
    void showSetup();
    void toggleConnection();

    sim::DrivingSession* session_;
    QWidget* window_;
    bool unattended_;
    std::array<QAction*, 4> types_{};
    QAction* debug_ = nullptr;
    QAction* setup_ = nullptr;
    QAction* connect_ = nullptr;
    platform::SerialLink serial_;
    /// Opened when a joystick controller type is first chosen.
    std::unique_ptr<platform::SdlJoystick> joystick_;
};

}  // namespace tressmoor::view
