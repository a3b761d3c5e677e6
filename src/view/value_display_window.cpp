// The value display window: value rows, signal grid, sound-channel grid, log and debug buttons.
#include "view/value_display_window.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "data/fatal_error.h"
#include "sim/driving_session.h"
#include "sim/status_text.h"
#include "sound/mixer.h"
#include "view/key_relay.h"

namespace tressmoor::view {

namespace {

constexpr int kChannelGridSize = 10;
constexpr const char* kPrecedingRow = "先行列車";

QString qs(std::string_view s) {
    return QString::fromUtf8(s.data(), static_cast<int>(s.size()));
}

QTableWidget* makeGrid(QWidget* parent, int rows, int columns, int cellWidth) {
    auto* grid = new QTableWidget(rows, columns, parent);
    grid->horizontalHeader()->hide();
    grid->verticalHeader()->hide();
    grid->horizontalHeader()->setDefaultSectionSize(cellWidth);
    grid->verticalHeader()->setDefaultSectionSize(20);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setSelectionMode(QAbstractItemView::NoSelection);
    grid->setFocusPolicy(Qt::ClickFocus);
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < columns; ++c) {
            auto* item = new QTableWidgetItem;
            item->setTextAlignment(Qt::AlignCenter);
            grid->setItem(r, c, item);
        }
    }
    grid->setFixedSize(columns * cellWidth + 2 * grid->frameWidth(),
                       rows * 20 + 2 * grid->frameWidth());
    grid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    grid->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    return grid;
}

void setItem(QTableWidgetItem* item, const QString& text, const QBrush& background) {
    if (item->text() != text) item->setText(text);
    if (item->background() != background) item->setBackground(background);
}

}  // namespace

ValueDisplayWindow::ValueDisplayWindow(QWidget* drivingWindow, SessionGetter session,
                                       sound::Mixer& mixer, std::filesystem::path programFolder)
    : QWidget(drivingWindow, Qt::Window),
      session_(std::move(session)),
      mixer_(mixer),
      programFolder_(std::move(programFolder)) {
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QStringLiteral("Value Display"));

    rowsBox_ = new QWidget(this);
    auto* rows = new QGridLayout(rowsBox_);
    rows->setContentsMargins(0, 0, 0, 0);
    rows->setVerticalSpacing(1);
    rows->setColumnMinimumWidth(1, 260);
    precedingBox_ = new QCheckBox(QStringLiteral("先行列車を表示"), this);
    precedingBox_->setChecked(true);

    // Signals: the number above, the aspect below.
    signals_ = makeGrid(this, 2, sim::kSignalGridColumns, 30);
    signals_->setObjectName(QStringLiteral("SignalGrid"));
    for (int i = 0; i < sim::kSignalGridColumns; ++i)
        signals_->item(0, i)->setText(QString::number(i));
    // Sound channels: cell (column c, row r) is channel 10 × r + c; a click stops it.
    channels_ = makeGrid(this, kChannelGridSize, kChannelGridSize, 52);
    channels_->setObjectName(QStringLiteral("StringGrid1"));
    connect(channels_, &QTableWidget::cellClicked, this, &ValueDisplayWindow::stopChannel);

    auto* reload = new QPushButton(QStringLiteral("SU再読込"), this);
    reload->setObjectName(QStringLiteral("ReloadSpeedUnit"));
    connect(reload, &QPushButton::clicked, this, &ValueDisplayWindow::reloadSpeedUnit);
    auto* jump = new QPushButton(QStringLiteral("jump"), this);
    jump->setObjectName(QStringLiteral("Jump"));
    connect(jump, &QPushButton::clicked, this, [this] {
        // To just before the next signal's view frame, as Shift+F3 does.
        if (sim::DrivingSession* s = session_()) s->keyDown(input::Key::F3, true);
    });
    freeze_ = new QPushButton(QStringLiteral("抵抗解除"), this);
    freeze_->setObjectName(QStringLiteral("SpeedFreeze"));
    freeze_->setCheckable(true);
    connect(freeze_, &QPushButton::toggled, this, [this](bool on) {
        if (sim::DrivingSession* s = session_()) s->setSpeedFreeze(on);
    });
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(reload);
    buttons->addWidget(jump);
    buttons->addWidget(freeze_);
    buttons->addStretch();

    log_ = new QPlainTextEdit(this);
    log_->setObjectName(QStringLiteral("Memo1"));
    log_->setReadOnly(true);
    log_->setMaximumBlockCount(static_cast<int>(route::SafetyLog::kLogLines));

    auto* left = new QVBoxLayout;
    left->addWidget(rowsBox_);
    left->addWidget(precedingBox_);
    left->addStretch();
    auto* right = new QVBoxLayout;
    right->addWidget(channels_);
    right->addLayout(buttons);
    right->addWidget(log_, 1);
    auto* body = new QHBoxLayout;
    body->addLayout(left);
    body->addLayout(right);
    auto* outer = new QVBoxLayout(this);
    outer->addWidget(signals_);
    outer->addLayout(body);

    (new KeyRelay(drivingWindow, KeyRelay::Keys::All, this))->watch(this);
}

void ValueDisplayWindow::refresh(int fps) {
    sim::DrivingSession* s = session_();
    if (s == nullptr) return;
    const auto& state = s->state();
    const auto& service = s->service();
    const std::vector<sim::ValueRow> rows =
        sim::valueDisplayRows({service.line, service.train.spec, s->sounds(), mixer_, fps}, state);
    if (values_.size() != rows.size()) {
        auto* grid = static_cast<QGridLayout*>(rowsBox_->layout());
        for (std::size_t i = values_.size(); i < rows.size(); ++i) {
            auto* caption = new QLabel(rowsBox_);
            auto* value = new QLabel(rowsBox_);
            value->setTextInteractionFlags(Qt::NoTextInteraction);
            grid->addWidget(caption, static_cast<int>(i), 0);
            grid->addWidget(value, static_cast<int>(i), 1);
            captions_.push_back(caption);
            values_.push_back(value);
        }
    }
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const QString caption = qs(rows[i].caption);
        QString text = qs(rows[i].text);
        if (rows[i].caption == kPrecedingRow && !precedingBox_->isChecked()) text.clear();
        if (captions_[i]->text() != caption) captions_[i]->setText(caption);
        if (values_[i]->text() != text) values_[i]->setText(text);
    }

    for (int i = 0; i < sim::kSignalGridColumns; ++i) {
        const QString text = qs(sim::signalGridText(service.line, state, i));
        QTableWidgetItem* item = signals_->item(1, i);
        if (item->text() != text) item->setText(text);
    }

    // A playing channel in cyan with its volume, an idle one with a wave in the window colour,
    // one without a wave plain.
    const QBrush playing(Qt::cyan);
    const QBrush idle(palette().color(QPalette::Window));
    for (int r = 0; r < kChannelGridSize; ++r) {
        for (int c = 0; c < kChannelGridSize; ++c) {
            const sim::ChannelCell cell = sim::channelCell(mixer_, kChannelGridSize * r + c);
            QTableWidgetItem* item = channels_->item(r, c);
            if (cell.playing) {
                setItem(item, QString::number(cell.volume), playing);
            } else if (cell.hasWave) {
                setItem(item, QString(), idle);
            } else {
                setItem(item, QString(), QBrush());
            }
        }
    }

    const route::SafetyLog& log = state.safety.Log;
    if (log.total() != logShown_) {
        const std::uint64_t fresh =
            std::min<std::uint64_t>(log.total() - logShown_, log.lines().size());
        for (std::size_t i = log.lines().size() - fresh; i < log.lines().size(); ++i) {
            log_->appendPlainText(qs(log.lines()[i]));
        }
        logShown_ = log.total();
    }
}

QString ValueDisplayWindow::rowText(const QString& caption) const {
    for (std::size_t i = 0; i < captions_.size(); ++i) {
        if (captions_[i]->text() == caption) return values_[i]->text();
    }
    return {};
}

void ValueDisplayWindow::stopChannel(int row, int column) {
    const int channel = kChannelGridSize * row + column;
    if (mixer_.hasWave(channel)) mixer_.Stop(channel);
    // Shown at once, paused or not.
    sim::ChannelCell cell = sim::channelCell(mixer_, channel);
    if (!cell.playing) {
        setItem(channels_->item(row, column), QString(),
                cell.hasWave ? QBrush(palette().color(QPalette::Window)) : QBrush());
    }
}

void ValueDisplayWindow::reloadSpeedUnit() {
    sim::DrivingSession* s = session_();
    if (s == nullptr) return;
    try {
        s->reloadSpeedUnit(programFolder_);
    } catch (const data::FatalError& e) {
        QMessageBox::warning(this, windowTitle(), QString::fromStdString(e.what()));
    }
}

}  // namespace tressmoor::view
