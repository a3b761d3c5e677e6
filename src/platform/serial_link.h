// SerialLink: the serial master controller's port, opened and read through QtSerialPort.
#pragma once

#include <QSerialPort>
#include <QString>
#include <functional>
#include <string_view>

namespace tressmoor::platform {

/// Port settings; the defaults are the master controllers': 9600 baud, 8 data bits, no parity,
/// one stop bit, no flow control.
struct SerialSettings {
    QString portName;  ///< a name from the port list or a device path; "" for the first port
    qint32 baudRate = 9600;
    QSerialPort::DataBits dataBits = QSerialPort::Data8;
    QSerialPort::Parity parity = QSerialPort::NoParity;
    QSerialPort::StopBits stopBits = QSerialPort::OneStop;
    QSerialPort::FlowControl flowControl = QSerialPort::NoFlowControl;
};

/// Name of the first available serial port; "" when there is none.
QString firstSerialPort();

/// One serial port whose received characters go to a receiver. Reception runs on the thread
/// that owns the link (the user-interface thread) through its event loop, so the receiver is
/// called between frames, never during one.
class SerialLink {
public:
    using Receiver = std::function<void(std::string_view)>;

    explicit SerialLink(Receiver receiver);
    ~SerialLink();
    SerialLink(const SerialLink&) = delete;
    SerialLink& operator=(const SerialLink&) = delete;

    /// Opens the port with `settings` (DTR and RTS off). Returns "" when open, else the port's
    /// error text. An open port is closed first.
    QString open(const SerialSettings& settings);
    void close();
    bool isOpen() const { return port_.isOpen(); }
    /// Name of the open port ("" when closed).
    QString portName() const { return isOpen() ? port_.portName() : QString(); }

private:
    void readAvailable();

    QSerialPort port_;
    Receiver receiver_;
};

}  // namespace tressmoor::platform
