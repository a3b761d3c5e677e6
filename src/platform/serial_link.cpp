// SerialLink: opening, reading and closing the serial controller's port.
#include "platform/serial_link.h"

#include <QByteArray>
#include <QSerialPortInfo>

namespace tressmoor::platform {

QString firstSerialPort() {
    const auto ports = QSerialPortInfo::availablePorts();
    return ports.isEmpty() ? QString() : ports.first().portName();
}

SerialLink::SerialLink(Receiver receiver) : receiver_(std::move(receiver)) {
    QObject::connect(&port_, &QSerialPort::readyRead, [this] { readAvailable(); });
    QObject::connect(&port_, &QSerialPort::errorOccurred, [this](QSerialPort::SerialPortError e) {
        // A port that went away (a controller unplugged) is closed; the handles stay.
        if (e == QSerialPort::ResourceError && port_.isOpen()) port_.close();
    });
}

SerialLink::~SerialLink() {
    close();
}

QString SerialLink::open(const SerialSettings& settings) {
    close();
    const QString name = settings.portName.isEmpty() ? firstSerialPort() : settings.portName;
    if (name.isEmpty()) return QStringLiteral("シリアルポートが見つかりません");
    port_.setPortName(name);
    port_.setBaudRate(settings.baudRate);
    port_.setDataBits(settings.dataBits);
    port_.setParity(settings.parity);
    port_.setStopBits(settings.stopBits);
    port_.setFlowControl(settings.flowControl);
    if (!port_.open(QIODevice::ReadOnly)) {
        const QString error = name + ": " + port_.errorString();
        port_.clearError();
        return error;
    }
    // The controller is powered without the modem lines; some devices (pseudo-terminals) have
    // none, which is no error.
    port_.setDataTerminalReady(false);
    if (settings.flowControl != QSerialPort::HardwareControl) port_.setRequestToSend(false);
    port_.clearError();
    return {};
}

void SerialLink::close() {
    if (port_.isOpen()) port_.close();
}

void SerialLink::readAvailable() {
    const QByteArray data = port_.readAll();
    if (!data.isEmpty() && receiver_) receiver_(std::string_view(data.constData(), data.size()));
}

}  // namespace tressmoor::platform
