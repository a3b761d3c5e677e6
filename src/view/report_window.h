// ReportWindow: the drive report "運転成績" — the score with the service's best, a table of the
// stops (stop error, arrival and departure delays), a table of the speed sections, and a chart
// of the speed against the distance with the speed limits drawn in.
#pragma once

#include <QWidget>
#include <optional>

#include "sim/drive_report.h"

class QLabel;
class QTableWidget;

namespace tressmoor::view {

/// The speed-against-distance chart of a report, painted with QPainter.
class ReportChart final : public QWidget {
public:
    explicit ReportChart(QWidget* parent = nullptr);
    void setReport(const sim::DriveReport& report);
    QSize sizeHint() const override { return {900, 300}; }
    QSize minimumSizeHint() const override { return {480, 220}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    sim::DriveReport report_;
};

/// A window of its own (owned by `parent`, the driving window, and closed with it).
class ReportWindow final : public QWidget {
    Q_OBJECT
public:
    explicit ReportWindow(QWidget* parent);

    /// Shows `report`; `best` is the service's kept best score (nullopt: none yet) and `newBest`
    /// says that this report has just become it.
    void setReport(const sim::DriveReport& report, std::optional<double> best, bool newBest);

    QLabel* summary() const { return summary_; }
    QTableWidget* stopsTable() const { return stops_; }
    QTableWidget* sectionsTable() const { return sections_; }
    ReportChart* chart() const { return chart_; }

private:
    QLabel* summary_;
    QTableWidget* stops_;
    QTableWidget* sections_;
    ReportChart* chart_;
};

}  // namespace tressmoor::view
