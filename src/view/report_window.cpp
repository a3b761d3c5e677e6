#include "view/report_window.h"

#include <QFontMetrics>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <array>
#include <cmath>
#include <iterator>

#include "view/fonts.h"

namespace tressmoor::view {

namespace {

QString qs(const std::string& s) {
    return QString::fromStdString(s);
}

QString signedNumber(double v, int decimals) {
    // A value that rounds to zero shows no sign.
    const double shown = std::round(v * std::pow(10, decimals)) / std::pow(10, decimals);
    QString text = QString::number(std::fabs(shown), 'f', decimals);
    if (shown > 0) return QStringLiteral("+") + text;
    if (shown < 0) return QStringLiteral("-") + text;
    return text;
}

QString optionalNumber(const std::optional<double>& v, int decimals) {
    return v ? signedNumber(*v, decimals) : QStringLiteral("—");
}

QString outcomeText(const sim::StopResult& s) {
    QString text;
    switch (s.outcome) {
        case sim::StopOutcome::NotReached:
            text = QStringLiteral("未到着");
            break;
        case sim::StopOutcome::Start:
            text = QStringLiteral("始発");
            break;
        case sim::StopOutcome::Stopped:
            text = QStringLiteral("停車");
            break;
        case sim::StopOutcome::Passed:
            text = QStringLiteral("通過（停車せず）");
            break;
    }
    if (s.overrun) text += QStringLiteral("・オーバーラン");
    return text;
}

QTableWidgetItem* cell(const QString& text, Qt::Alignment align = Qt::AlignRight) {
    auto* item = new QTableWidgetItem(text);
    item->setTextAlignment(align | Qt::AlignVCenter);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    return item;
}

QTableWidget* makeTable(QWidget* parent, const QStringList& headers, const char* name) {
    auto* t = new QTableWidget(0, static_cast<int>(headers.size()), parent);
    t->setObjectName(QString::fromLatin1(name));
    t->setHorizontalHeaderLabels(headers);
    t->verticalHeader()->setVisible(false);
    t->setEditTriggers(QAbstractItemView::NoEditTriggers);
    t->setSelectionMode(QAbstractItemView::NoSelection);
    t->setFocusPolicy(Qt::NoFocus);
    t->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    t->horizontalHeader()->setStretchLastSection(true);
    t->horizontalHeader()->setStyleSheet(
        QStringLiteral("QHeaderView::section { padding: 2px 8px; }"));
    t->verticalHeader()->setDefaultSectionSize(22);
    return t;
}

/// A tick step of 1, 2 or 5 × 10^n giving at most `maxTicks` ticks over `span`.
double niceStep(double span, int maxTicks) {
    const double raw = span / std::max(1, maxTicks);
    const double base = std::pow(10.0, std::floor(std::log10(std::max(raw, 1e-9))));
    for (double m : {1.0, 2.0, 5.0, 10.0}) {
        if (base * m >= raw) return base * m;
    }
    return base * 10;
}

}  // namespace

ReportChart::ReportChart(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("reportChart"));
    setAutoFillBackground(false);
}

void ReportChart::setReport(const sim::DriveReport& report) {
    report_ = report;
    update();
}

void ReportChart::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(rect(), QColor(252, 252, 250));
    const QFont font = japaneseFont("Meiryo UI", 12);
    p.setFont(font);
    const QFontMetrics fm(font);

    // The stretch: from the first stop to the last, widened to what was driven.
    double x0 = 0, x1 = 1;
    bool any = false;
    auto widen = [&](double m) {
        if (!any) {
            x0 = x1 = m;
            any = true;
        }
        x0 = std::min(x0, m);
        x1 = std::max(x1, m);
    };
    for (const auto& s : report_.stops) widen(static_cast<double>(s.stopCm) / 100);
    for (const auto& s : report_.profile) widen(s.distanceM);
    if (x1 - x0 < 100) x1 = x0 + 100;
    double vMax = 0;
    for (const auto& s : report_.profile) vMax = std::max(vMax, s.speedKmh);
    for (const auto& s : report_.sections) vMax = std::max(vMax, static_cast<double>(s.limitKmh));
    const double yTop = std::max(40.0, std::ceil((vMax + 5) / 20) * 20);

    const int rowH = fm.height();
    // Left: the axis title (turned upright) and the tick labels; top: two rows of station names.
    const QRect plot = rect().adjusted(rowH + fm.horizontalAdvance(QStringLiteral("000")) + 14,
                                       2 * rowH + 10, -16, -(2 * rowH + 8));
    if (plot.width() < 50 || plot.height() < 50) return;
    auto px = [&](double m) { return plot.left() + (m - x0) / (x1 - x0) * plot.width(); };
    auto py = [&](double kmh) { return plot.bottom() - kmh / yTop * plot.height(); };

    // Grid and axes.
    p.setPen(QPen(QColor(225, 225, 225), 1));
    for (double v = 20; v < yTop + 0.5; v += 20)
        p.drawLine(QPointF(plot.left(), py(v)), QPointF(plot.right(), py(v)));
    const double spanKm = (x1 - x0) / 1000;
    const double stepKm = niceStep(spanKm, std::max(2, plot.width() / 70));
    p.setPen(QColor(60, 60, 60));
    for (double v = 0; v < yTop + 0.5; v += 20) {
        const QRectF label(rowH, py(v) - rowH / 2.0, plot.left() - 6 - rowH, rowH);
        p.drawText(label, Qt::AlignRight | Qt::AlignVCenter, QString::number(v, 'f', 0));
    }
    const double firstKm = std::ceil(x0 / 1000 / stepKm) * stepKm;
    for (double km = firstKm; km <= x1 / 1000 + 1e-9; km += stepKm) {
        const double x = px(km * 1000);
        p.setPen(QColor(225, 225, 225));
        p.drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom()));
        p.setPen(QColor(60, 60, 60));
        p.drawLine(QPointF(x, plot.bottom()), QPointF(x, plot.bottom() + 4));
        const int decimals = stepKm < 1 ? (stepKm < 0.1 ? 2 : 1) : 0;
        p.drawText(QRectF(x - 40, plot.bottom() + 5, 80, rowH), Qt::AlignHCenter | Qt::AlignTop,
                   QString::number(km, 'f', decimals));
    }
    p.setPen(QPen(QColor(60, 60, 60), 1));
    p.drawLine(plot.bottomLeft(), plot.bottomRight());
    p.drawLine(plot.bottomLeft(), plot.topLeft());
    p.drawText(QRectF(plot.left(), plot.bottom() + rowH + 6, plot.width(), rowH),
               Qt::AlignHCenter | Qt::AlignTop, QStringLiteral("距離 (km)"));
    p.save();
    p.translate(2, plot.center().y());
    p.rotate(-90);
    p.drawText(QRectF(-plot.height() / 2.0, 0, plot.height(), rowH), Qt::AlignCenter,
               QStringLiteral("速度 (km/h)"));
    p.restore();

    // Stations: a dotted line at each stop position, the names over the plot in two rows so
    // that close stations do not overlap.
    std::array<double, 2> rowEnd{-1e9, -1e9};
    for (const auto& s : report_.stops) {
        const double x = px(static_cast<double>(s.stopCm) / 100);
        p.setPen(QPen(QColor(150, 150, 150), 1, Qt::DotLine));
        p.drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom()));
        const QString name = qs(s.name);
        const int w = fm.horizontalAdvance(name);
        double left = std::clamp(x - w / 2.0, 0.0, static_cast<double>(width() - w));
        int row = left > rowEnd[0] + 4 ? 0 : (left > rowEnd[1] + 4 ? 1 : -1);
        if (row < 0) continue;  // no room for the name
        rowEnd[static_cast<std::size_t>(row)] = left + w;
        p.setPen(QColor(40, 40, 40));
        p.drawText(QRectF(left, plot.top() - (2 - row) * rowH - 4, w, rowH),
                   Qt::AlignLeft | Qt::AlignBottom, name);
    }

    // Speed limits: the section maxima dashed, the limits solid; overspeed shaded.
    p.save();
    p.setClipRect(plot.adjusted(0, -2, 0, 0));
    for (const auto& s : report_.sections) {
        const double a = px(static_cast<double>(s.startCm) / 100);
        const double b = px(static_cast<double>(s.endCm) / 100);
        const double y = py(s.limitKmh);
        if (s.overspeed()) {
            p.fillRect(QRectF(a, plot.top(), b - a, plot.height()), QColor(255, 0, 0, 28));
        }
        if (s.kind == sim::SpeedSection::Kind::Limit) {
            p.setPen(QPen(QColor(210, 30, 30), 2, Qt::SolidLine, Qt::FlatCap));
        } else {
            p.setPen(QPen(QColor(230, 140, 20), 2, Qt::DashLine, Qt::FlatCap));
        }
        p.drawLine(QPointF(a, y), QPointF(b, y));
    }
    // The speed.
    if (report_.profile.size() >= 2) {
        QPainterPath path;
        path.moveTo(px(report_.profile.front().distanceM), py(report_.profile.front().speedKmh));
        for (std::size_t i = 1; i < report_.profile.size(); ++i) {
            path.lineTo(px(report_.profile[i].distanceM), py(report_.profile[i].speedKmh));
        }
        p.setPen(QPen(QColor(20, 80, 200), 2));
        p.setBrush(Qt::NoBrush);
        p.drawPath(path);
    }
    p.restore();

    // Legend at the lower right, under the axis.
    struct Entry {
        QString text;
        QPen pen;
    };
    const Entry entries[] = {
        {QStringLiteral("速度"), QPen(QColor(20, 80, 200), 2)},
        {QStringLiteral("制限速度"), QPen(QColor(210, 30, 30), 2)},
        {QStringLiteral("区間最高速度"), QPen(QColor(230, 140, 20), 2, Qt::DashLine)},
    };
    double x = plot.right();
    const double y = plot.bottom() + rowH + 6;
    for (int i = static_cast<int>(std::size(entries)) - 1; i >= 0; --i) {
        const Entry& e = entries[i];
        const int w = fm.horizontalAdvance(e.text);
        x -= w;
        p.setPen(QColor(40, 40, 40));
        p.drawText(QRectF(x, y, w, rowH), Qt::AlignLeft | Qt::AlignTop, e.text);
        x -= 26;
        p.setPen(e.pen);
        p.drawLine(QPointF(x, y + rowH / 2.0), QPointF(x + 20, y + rowH / 2.0));
        x -= 14;
    }
}

ReportWindow::ReportWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("reportWindow"));
    setWindowTitle(QStringLiteral("運転成績"));
    setFont(japaneseFont("Meiryo UI", 14));
    summary_ = new QLabel(this);
    summary_->setObjectName(QStringLiteral("reportSummary"));
    summary_->setTextFormat(Qt::RichText);
    summary_->setWordWrap(true);
    stops_ =
        makeTable(this,
                  {QStringLiteral("駅"), QStringLiteral("停止誤差 m"), QStringLiteral("到着遅れ s"),
                   QStringLiteral("発車遅れ s"), QStringLiteral("備考")},
                  "reportStops");
    sections_ = makeTable(
        this, {QStringLiteral("区間"), QStringLiteral("制限 km/h"), QStringLiteral("最高 km/h")},
        "reportSections");
    auto* legend = new QLabel(
        QStringLiteral("停止誤差は＋が停止位置の先、－が手前。遅れは＋が遅れ、－が早着・早発。"),
        this);
    legend->setWordWrap(true);
    chart_ = new ReportChart(this);

    auto* tables = new QHBoxLayout;
    tables->addWidget(stops_, 3);
    tables->addWidget(sections_, 2);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(summary_);
    layout->addLayout(tables, 1);
    layout->addWidget(legend);
    layout->addWidget(chart_, 1);
    resize(960, 760);
}

void ReportWindow::setReport(const sim::DriveReport& r, std::optional<double> best, bool newBest) {
    QString html = QStringLiteral("<p style='font-size:22px'>得点 <b>%1</b> 点")
                       .arg(QString::number(r.score, 'f', 1));
    if (newBest) {
        html += QStringLiteral("　<span style='color:#c02020'>自己ベスト更新！</span>");
    } else if (best) {
        html += QStringLiteral("　<span style='font-size:16px'>自己ベスト %1 点</span>")
                    .arg(QString::number(*best, 'f', 1));
    } else {
        html += QStringLiteral("　<span style='font-size:16px'>自己ベスト なし</span>");
    }
    html += QStringLiteral("</p><p>");
    html += qs(r.lineName).toHtmlEscaped();
    const int seconds = static_cast<int>(std::lround(r.drivenSeconds));
    html += QStringLiteral("　運転時間 %1分%2秒　")
                .arg(seconds / 60)
                .arg(seconds % 60, 2, 10, QLatin1Char('0'));
    if (r.serviceEnded) {
        html += QStringLiteral("終点到着");
    } else {
        html += QStringLiteral("運転中（途中経過）");
    }
    if (!r.wholeService()) {
        html += QStringLiteral(
            "<br><span style='color:#606060'>始発駅から終点まで移動・復元なしで"
            "運転した成績だけが自己ベストになります。</span>");
    }
    html += QStringLiteral("<br>ATS警報 %1回　ATSブレーキ %2回　ATS非常ブレーキ %3回")
                .arg(r.safety.alarms)
                .arg(r.safety.serviceBrakes)
                .arg(r.safety.emergencyBrakes);
    if (r.safety.vigilanceFitted) {
        html += QStringLiteral("　EB %1回").arg(r.safety.vigilanceTrips);
    }
    const auto& d = r.deductions;
    html += QStringLiteral(
                "<br>減点：停止位置 %1　オーバーラン %2　通過 %3　時刻 %4　安全装置 %5　"
                "速度超過 %6</p>")
                .arg(QString::number(d.stopError, 'f', 1), QString::number(d.overrun, 'f', 1),
                     QString::number(d.passed, 'f', 1), QString::number(d.time, 'f', 1),
                     QString::number(d.safety, 'f', 1), QString::number(d.overspeed, 'f', 1));
    summary_->setText(html);

    stops_->setRowCount(static_cast<int>(r.stops.size()));
    for (int row = 0; row < static_cast<int>(r.stops.size()); ++row) {
        const sim::StopResult& s = r.stops[static_cast<std::size_t>(row)];
        stops_->setItem(row, 0, cell(qs(s.name), Qt::AlignLeft));
        stops_->setItem(row, 1, cell(optionalNumber(s.stopErrorM, 2)));
        stops_->setItem(row, 2, cell(optionalNumber(s.arrivalDelayS, 0)));
        stops_->setItem(row, 3, cell(optionalNumber(s.departureDelayS, 0)));
        stops_->setItem(row, 4, cell(outcomeText(s), Qt::AlignLeft));
        if (s.overrun || s.outcome == sim::StopOutcome::Passed) {
            for (int c = 0; c < stops_->columnCount(); ++c) {
                stops_->item(row, c)->setForeground(QColor(190, 20, 20));
            }
        }
    }
    int shown = 0;
    for (const auto& s : r.sections) shown += s.visited ? 1 : 0;
    sections_->setRowCount(shown);
    int row = 0;
    for (const auto& s : r.sections) {
        if (!s.visited) continue;
        sections_->setItem(row, 0, cell(qs(s.label), Qt::AlignLeft));
        sections_->setItem(row, 1, cell(QString::number(s.limitKmh)));
        sections_->setItem(row, 2, cell(QString::number(s.maxSpeedKmh, 'f', 1)));
        if (s.overspeed()) {
            for (int c = 0; c < 3; ++c) sections_->item(row, c)->setForeground(QColor(190, 20, 20));
        }
        ++row;
    }
    chart_->setReport(r);
}

}  // namespace tressmoor::view
