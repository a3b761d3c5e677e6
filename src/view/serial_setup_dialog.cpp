// The serial port settings dialog.
#include "view/serial_setup_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QSerialPortInfo>

namespace tressmoor::view {

namespace {

/// Adds `items` (text, value) to `box` and selects the one equal to `current`.
QComboBox* choiceBox(QWidget* parent, std::initializer_list<std::pair<const char*, int>> items,
                     int current) {
    auto* box = new QComboBox(parent);
    for (const auto& [text, value] : items) box->addItem(QString::fromUtf8(text), value);
    const int at = box->findData(current);
    box->setCurrentIndex(at >= 0 ? at : 0);
    return box;
}

int valueOf(const QComboBox* box) {
    return box->currentData().toInt();
}

}  // namespace

SerialSetupDialog::SerialSetupDialog(const platform::SerialSettings& current, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(QString::fromUtf8("QXマスコン（設定）"));
    port_ = new QComboBox(this);
    port_->setEditable(true);  // a device path may be typed in
    for (const auto& info : QSerialPortInfo::availablePorts()) port_->addItem(info.portName());
    const QString name =
        current.portName.isEmpty() ? platform::firstSerialPort() : current.portName;
    if (!name.isEmpty() && port_->findText(name) < 0) port_->addItem(name);
    port_->setCurrentText(name);

    baud_ = choiceBox(this,
                      {{"1200", 1200},
                       {"2400", 2400},
                       {"4800", 4800},
                       {"9600", 9600},
                       {"19200", 19200},
                       {"38400", 38400},
                       {"57600", 57600},
                       {"115200", 115200}},
                      current.baudRate);
    dataBits_ = choiceBox(this,
                          {{"5", QSerialPort::Data5},
                           {"6", QSerialPort::Data6},
                           {"7", QSerialPort::Data7},
                           {"8", QSerialPort::Data8}},
                          current.dataBits);
    parity_ = choiceBox(this,
                        {{"なし", QSerialPort::NoParity},
                         {"偶数", QSerialPort::EvenParity},
                         {"奇数", QSerialPort::OddParity},
                         {"マーク", QSerialPort::MarkParity},
                         {"スペース", QSerialPort::SpaceParity}},
                        current.parity);
    stopBits_ = choiceBox(this,
                          {{"1", QSerialPort::OneStop},
                           {"1.5", QSerialPort::OneAndHalfStop},
                           {"2", QSerialPort::TwoStop}},
                          current.stopBits);
    flow_ = choiceBox(this,
                      {{"なし", QSerialPort::NoFlowControl},
                       {"ハードウェア (RTS/CTS)", QSerialPort::HardwareControl},
                       {"ソフトウェア (XON/XOFF)", QSerialPort::SoftwareControl}},
                      current.flowControl);

    auto* form = new QFormLayout(this);
    form->addRow(QString::fromUtf8("ポート"), port_);
    form->addRow(QString::fromUtf8("通信速度"), baud_);
    form->addRow(QString::fromUtf8("データビット"), dataBits_);
    form->addRow(QString::fromUtf8("パリティ"), parity_);
    form->addRow(QString::fromUtf8("ストップビット"), stopBits_);
    form->addRow(QString::fromUtf8("フロー制御"), flow_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    form->addRow(buttons);
}

platform::SerialSettings SerialSetupDialog::settings() const {
    platform::SerialSettings s;
    s.portName = port_->currentText().trimmed();
    s.baudRate = valueOf(baud_);
    s.dataBits = static_cast<QSerialPort::DataBits>(valueOf(dataBits_));
    s.parity = static_cast<QSerialPort::Parity>(valueOf(parity_));
    s.stopBits = static_cast<QSerialPort::StopBits>(valueOf(stopBits_));
    s.flowControl = static_cast<QSerialPort::FlowControl>(valueOf(flow_));
    return s;
}

}  // namespace tressmoor::view
