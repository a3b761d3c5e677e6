// The train-settings dialog: ATS 入/切 and 機関始動 始動/運転/切.
#include "view/train_settings_dialog.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "sim/driving_session.h"
#include "sim/side_windows.h"
#include "view/key_relay.h"

namespace tressmoor::view {

TrainSettingsDialog::TrainSettingsDialog(QWidget* drivingWindow, SessionGetter session)
    : QDialog(drivingWindow), session_(std::move(session)) {
    setObjectName(QStringLiteral("Tjumpdlg"));
    setWindowTitle(QStringLiteral("列車設定"));
    setModal(true);

    auto* ats = new QGroupBox(QStringLiteral("ATS"), this);
    ats->setObjectName(QStringLiteral("RadioGroup2"));
    atsOn_ = new QRadioButton(QStringLiteral("入"), ats);
    atsOff_ = new QRadioButton(QStringLiteral("切"), ats);
    auto* atsLayout = new QVBoxLayout(ats);
    atsLayout->addWidget(atsOn_);
    atsLayout->addWidget(atsOff_);
    connect(atsOn_, &QRadioButton::clicked, this, [this] {
        if (sim::DrivingSession* s = session_()) s->trainSettingsAts(true);
    });
    connect(atsOff_, &QRadioButton::clicked, this, [this] {
        if (sim::DrivingSession* s = session_()) s->trainSettingsAts(false);
    });

    auto* engine = new QGroupBox(QStringLiteral("機関始動"), this);
    engine->setObjectName(QStringLiteral("RadioGroup4"));
    auto* engineLayout = new QVBoxLayout(engine);
    const char* captions[3] = {"始動", "運転", "切"};
    for (int i = 0; i < 3; ++i) {
        engine_[i] = new QRadioButton(QString::fromUtf8(captions[i]), engine);
        engineLayout->addWidget(engine_[i]);
        connect(engine_[i], &QRadioButton::clicked, this, [this, i] { chooseEngine(i); });
    }

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("Button1"));
    ok->setAutoDefault(false);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* groups = new QHBoxLayout;
    groups->addWidget(ats);
    groups->addWidget(engine);
    auto* outer = new QVBoxLayout(this);
    outer->addLayout(groups);
    outer->addWidget(ok, 0, Qt::AlignRight);

    // Only the driving keys go on from here; typed characters stay in the dialog.
    (new KeyRelay(drivingWindow, KeyRelay::Keys::DrivingKeysOnly, this))->watch(this);
}

QRadioButton* TrainSettingsDialog::engineButton(int choice) const {
    return choice >= 0 && choice < 3 ? engine_[choice] : nullptr;
}

void TrainSettingsDialog::showEvent(QShowEvent* event) {
    if (const sim::DrivingSession* s = session_()) {
        (s->state().safety.On ? atsOn_ : atsOff_)->setChecked(true);
        engine_[sim::engineChoiceOf(s->state().vehicle.EngineState)]->setChecked(true);
    }
    QDialog::showEvent(event);
}

void TrainSettingsDialog::chooseEngine(int choice) {
    sim::DrivingSession* s = session_();
    if (s == nullptr) return;
    const int shown = s->trainSettingsEngine(choice);
    if (shown >= 0 && shown < 3) engine_[shown]->setChecked(true);
}

}  // namespace tressmoor::view
