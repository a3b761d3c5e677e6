// SerialSetupDialog: the settings of the serial controller's port (port, speed, framing, flow).
#pragma once

#include <QDialog>

#include "platform/serial_link.h"

class QComboBox;

namespace tressmoor::view {

/// A small dialog listing the serial ports and the line settings, starting from `current`.
class SerialSetupDialog final : public QDialog {
    Q_OBJECT
public:
    SerialSetupDialog(const platform::SerialSettings& current, QWidget* parent = nullptr);
    /// The settings as chosen in the dialog.
    platform::SerialSettings settings() const;

    QComboBox* portBox() const { return port_; }
    QComboBox* baudBox() const { return baud_; }
    QComboBox* dataBitsBox() const { return dataBits_; }
    QComboBox* parityBox() const { return parity_; }
    QComboBox* stopBitsBox() const { return stopBits_; }
    QComboBox* flowBox() const { return flow_; }

private:
    QComboBox* port_ = nullptr;
    QComboBox* baud_ = nullptr;
    QComboBox* dataBits_ = nullptr;
    QComboBox* parity_ = nullptr;
    QComboBox* stopBits_ = nullptr;
    QComboBox* flow_ = nullptr;
};

}  // namespace tressmoor::view
