// The alarm log on the curves, a choice of the user kept per view and off until chosen: the
// alarm records of the report's time range are read in the background while the curves draw,
// paired into spans per alarm ID and drawn as lanes above the plot; the statistics panel lists
// the alarms of the shown range, and the chart's keys jump the cursor from alarm to alarm. Why
// no lanes are drawn is said in the status bar.
#pragma once

#include <QAction>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "alarm_model.h"
#include "alarm_reader.h"
#include "calendar_time.h"
#include "chart_adapter.h"
#include "curve_panel.h"
#include "curve_settings.h"
#include "record_table.h"

class CurveExtras;

// The lanes of paired alarms over the times shownFrom..shownTo, each ID a lane (those past the
// last but one share it), spans and marks at X = xOf(time), their hover texts made from log when
// asked for. alarmAt, when given, is told the time of each alarm raised in the span; *spans, when
// given, receives how many spans the lanes hold.
ChartAlarmLanes PlaceAlarmLanes(const std::shared_ptr<const AlarmLog>& log, const AlarmPlan& plan,
                                int64_t shownFrom, int64_t shownTo,
                                const std::function<double(int64_t)>& xOf,
                                const std::function<void(int64_t)>& alarmAt, int* spans);

class AlarmLayer : public QObject {
    Q_OBJECT
  public:
    // adapter, settings, table and extras belong to the curve view and outlive this.
    AlarmLayer(ChartAdapter* adapter, CurveSettings* settings, const RecordTable* table,
               CurveExtras* extras, QObject* parent = nullptr);
    ~AlarmLayer() override;

    // The context menu's entry.
    QAction* Action() const { return action_; }

    // After every build of the chart (timeOrigin: the time of X = 0 on a time axis): the menu
    // entry, and when chosen the lanes, at once when the range's records are at hand, else once
    // they have been read.
    void ChartBuilt(const CalendarTime& timeOrigin);
    // The shown X range changed: the panel's list follows.
    void RangeChanged(double min, double max, bool whole);
    // The choice is kept in the settings (alarms).
    void SetShown(bool on);
    // Waits for a read under way and draws what it read, for output made without an event loop.
    void WaitForAlarms();

    // What the status bar was last told about the lanes.
    QString Status() const { return status_; }
    // The rows of the panel's alarm list for the shown range: time, ID, event, message.
    QList<QStringList> ListRows() const;
    // Records read for the present range.
    int RecordCount() const { return static_cast<int>(log_->Size()); }
    // What the last read found at the alarm folder, and what of it could not be read.
    AlarmStoreState StoreState() const { return store_; }
    const ReadProblem& Problem() const { return problem_; }

  signals:
    void StatusChanged(const QString& text);

  private:
    struct Range {
        std::string folder;
        int64_t from = kNoAlarmTime;
        int64_t to = kNoAlarmTime;
        AlarmMappings mappings;  // of the groups, as the profile keeps them
        bool operator==(const Range& o) const {
            return folder == o.folder && from == o.from && to == o.to && mappings == o.mappings;
        }
    };
    // The report's range: its first and last readable row times; false when it has none.
    bool ReportRange(Range* range) const;
    // Draws the lanes of the report's range, reading its records first when needed.
    void Load();
    void Start(const Range& range);
    void Arrived();
    void Place();
    void Clear();
    void Say(const QString& text);
    // What the lanes show (lanes and spans drawn), what was left out and what could not be read.
    QString StatusText(int lanes, int spans) const;
    void FillPanel();

    ChartAdapter* adapter_;
    CurveSettings* settings_;
    const RecordTable* table_;
    CurveExtras* extras_;
    QAction* action_;
    AlarmFetch fetch_;
    Range pending_;  // the range being read
    Range read_;     // the range records_ belong to
    bool haveRecords_ = false;
    // Shared with the lanes' describe function, which may outlive this layer.
    std::shared_ptr<const AlarmLog> log_ = std::make_shared<const AlarmLog>();
    AlarmStoreState store_ = AlarmStoreState::kAlarmLog;
    ReadProblem problem_;
    std::vector<double> recordX_;  // X of each record on the chart, NaN when not on it
    std::vector<int32_t> untimed_;
    CalendarTime origin_;
    double min_ = 0.0;
    double max_ = 0.0;
    bool whole_ = true;
    QString status_;
};
