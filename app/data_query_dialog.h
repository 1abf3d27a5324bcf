// The query dialog "查询": start and end time and a sampling interval in seconds.
#pragma once

#include <QDialog>

#include "calendar_time.h"

class QDateTimeEdit;
class QDialogButtonBox;
class QPushButton;
class QLineEdit;
class QToolButton;

struct QueryRequest {
    CalendarTime start;
    CalendarTime end;
    int interval = 0;  // seconds; never negative
};

// Reads the interval text as the dialog does: an optional sign and decimal digits that fit an
// int. False for anything else (an empty field included).
bool ParseIntervalText(const QString& text, int* value);

class CDataQuery : public QDialog {
    Q_OBJECT
  public:
    explicit CDataQuery(QWidget* parent = nullptr);

    // Start, end and interval (raised to 0 when negative), valid after OK. The times are the
    // whole minutes the pickers show: seconds and milliseconds are 0.
    QueryRequest Result() const;

    QDateTimeEdit* StartEdit() const { return start_; }
    QDateTimeEdit* EndEdit() const { return end_; }
    QLineEdit* IntervalEdit() const { return interval_; }
    QToolButton* UpButton() const { return up_; }
    QToolButton* DownButton() const { return down_; }

    // OK: a field that holds no integer is reported and the dialog stays open.
    void accept() override;

    // Adds the button "报警分析" (for an alarm group), which closes the dialog with the typed
    // range as OK does, and the analysis chosen instead of the query.
    void OfferAlarmAnalysis();
    QPushButton* AlarmAnalysisButton() const { return analysis_; }
    bool AlarmAnalysisChosen() const { return analysisChosen_; }

  private:
    void Step(int delta);

    QDateTimeEdit* start_;
    QDateTimeEdit* end_;
    QLineEdit* interval_;
    QToolButton* up_;
    QToolButton* down_;
    QDialogButtonBox* buttons_ = nullptr;
    QPushButton* analysis_ = nullptr;
    bool analysisChosen_ = false;
    QueryRequest result_;
};

// The message for an interval that is not an integer, and the query's failure message.
extern const char kIntegerRequiredMessage[];
extern const char kQueryFailedMessage[];
