// The panel under the chart: a headline (range of the statistics, cursor times, Δt) over a table
// with one row per shown channel (values at the cursors, their difference, minimum and maximum
// with their times, mean, number of records). Only shows what it is given.
#pragma once

#include <QList>
#include <QStringList>
#include <QWidget>

#include "range_stats.h"

class QLabel;
class QTableWidget;

class CurvePanel : public QWidget {
    Q_OBJECT
  public:
    explicit CurvePanel(QWidget* parent = nullptr);

    // Shows contents; keeps the table's rows and columns when their number stays.
    void SetContents(const PanelContents& contents);
    const PanelContents& Contents() const { return contents_; }

    QString Headline() const;
    // A cell of the table as shown, empty past its end.
    QString CellText(int row, int column) const;

    // The list of alarms under the table (rows of time, ID, event and message), shown while
    // shown is set.
    void SetAlarmRows(const QList<QStringList>& rows, bool shown);
    int AlarmRowCount() const;
    QString AlarmCellText(int row, int column) const;

  private:
    PanelContents contents_;
    bool first_ = true;
    QLabel* headline_;
    QTableWidget* table_;
    QTableWidget* alarms_ = nullptr;  // made when first shown
};
