// The simple cab window: lamps recoloured from the handles, buttons typing the driving keys.
#include "view/simple_cab_window.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QStatusBar>
#include <QVBoxLayout>

#include "sim/driving_session.h"
#include "view/key_relay.h"

namespace tressmoor::view {

LampShape::LampShape(QWidget* parent) : QWidget(parent) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void LampShape::setColour(const QColor& colour) {
    if (colour == colour_) return;
    colour_ = colour;
    update();
}

void LampShape::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setPen(Qt::black);
    p.setBrush(colour_);
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}

QColor lampColour(sim::CabLampColour colour) {
    switch (colour) {
        case sim::CabLampColour::Lime:
            return QColor(0, 255, 0);
        case sim::CabLampColour::Yellow:
            return QColor(255, 255, 0);
        case sim::CabLampColour::Red:
            return QColor(255, 0, 0);
        case sim::CabLampColour::White:
            break;
    }
    return QColor(255, 255, 255);
}

SimpleCabWindow::SimpleCabWindow(QWidget* drivingWindow, SessionGetter session)
    : QWidget(drivingWindow, Qt::Dialog),
      drivingWindow_(drivingWindow),
      session_(std::move(session)) {
    setObjectName(QStringLiteral("TForm6"));
    setWindowTitle(QStringLiteral("かんたん運転台"));

    // The lamp column: power notches at the top (5 uppermost), neutral, then the brake steps.
    auto* lamps = new QGridLayout;
    lamps->setVerticalSpacing(3);
    int row = 0;
    lamps->addWidget(new QLabel(QStringLiteral("加速"), this), row, 1, Qt::AlignLeft);
    lamps->addWidget(new QLabel(QStringLiteral("↑"), this), row++, 0, Qt::AlignCenter);
    for (int k = sim::kSimpleCabPowerLamps; k >= 1; --k) {
        auto* lamp = new LampShape(this);
        lamp->setObjectName(QStringLiteral("KP%1").arg(k));
        power_[static_cast<std::size_t>(k - 1)] = lamp;
        lamps->addWidget(new QLabel(QStringLiteral("P%1").arg(k), this), row, 0, Qt::AlignRight);
        lamps->addWidget(lamp, row++, 1);
    }
    neutral_ = new LampShape(this);
    neutral_->setObjectName(QStringLiteral("KN"));
    lamps->addWidget(new QLabel(QStringLiteral("惰行"), this), row, 0, Qt::AlignRight);
    lamps->addWidget(neutral_, row, 1);
    lamps->addWidget(new QLabel(QStringLiteral("（ニュートラル）"), this), row++, 2);
    for (int k = 1; k <= sim::kSimpleCabBrakeLamps; ++k) {
        auto* lamp = new LampShape(this);
        lamp->setObjectName(QStringLiteral("KB%1").arg(k));
        brake_[static_cast<std::size_t>(k - 1)] = lamp;
        // The eighth step is the emergency position of an eight-step brake: not shown.
        if (k == sim::kSimpleCabBrakeLamps) {
            lamp->hide();
            continue;
        }
        lamps->addWidget(new QLabel(QStringLiteral("B%1").arg(k), this), row, 0, Qt::AlignRight);
        lamps->addWidget(lamp, row++, 1);
    }
    lamps->addWidget(new QLabel(QStringLiteral("↓"), this), row, 0, Qt::AlignCenter);
    lamps->addWidget(new QLabel(QStringLiteral("ブレーキ"), this), row, 1, Qt::AlignLeft);

    auto* buttons = new QVBoxLayout;
    for (const sim::SimpleCabButton& b : sim::kSimpleCabButtons) {
        auto* button = new QPushButton(
            QString::fromUtf8(b.caption.data(), static_cast<int>(b.caption.size())), this);
        button->setObjectName(QString::fromLatin1(b.name.data(), static_cast<int>(b.name.size())));
        const char c = b.character;
        connect(button, &QPushButton::clicked, this,
                [this, c] { typeCharacter(drivingWindow_, c); });
        buttons->addWidget(button);
    }
    auto* reverser = new QPushButton(QStringLiteral("逆転器"), this);
    reverser->setObjectName(QStringLiteral("Button7"));
    connect(reverser, &QPushButton::clicked, this, [this] {
        const sim::DrivingSession* s = session_();
        if (s == nullptr) return;
        const char c = sim::simpleCabReverserCharacter(s->state().vehicle.Reverser);
        if (c != 0) typeCharacter(drivingWindow_, c);
    });
    buttons->addWidget(reverser);
    buttons->addStretch();

    auto* body = new QHBoxLayout;
    body->addLayout(lamps);
    body->addSpacing(12);
    body->addLayout(buttons);
    status_ = new QStatusBar(this);
    status_->setObjectName(QStringLiteral("StatusBar1"));
    status_->setSizeGripEnabled(false);
    auto* outer = new QVBoxLayout(this);
    outer->addLayout(body);
    outer->addWidget(status_);

    // Keys typed here (into the window or onto a button) drive the train.
    (new KeyRelay(drivingWindow, KeyRelay::Keys::All, this))->watch(this);
    refresh();
}

void SimpleCabWindow::refresh() {
    const sim::DrivingSession* s = session_();
    if (s == nullptr) return;
    const auto& v = s->state().vehicle;
    const sim::SimpleCabLamps lamps = sim::simpleCabLamps(v.PowerHandle, v.BrakeHandle);
    neutral_->setColour(lampColour(lamps.neutral));
    for (std::size_t k = 0; k < power_.size(); ++k)
        power_[k]->setColour(lampColour(lamps.power[k]));
    for (std::size_t k = 0; k < brake_.size(); ++k)
        brake_[k]->setColour(lampColour(lamps.brake[k]));
    const std::string_view door = sim::simpleCabDoorText(v.DoorCommand, v.DoorsOpen);
    const QString text = QString::fromUtf8(door.data(), static_cast<int>(door.size()));
    if (text != doorText_) {
        doorText_ = text;
        if (text.isEmpty()) {
            status_->clearMessage();
        } else {
            status_->showMessage(text);
        }
    }
}

}  // namespace tressmoor::view
