// The alarm analysis window: the alarm log of a group's span read on a thread of its own (with a
// busy bar and a way to stop it), measured against the usual targets of alarm management. It
// shows the key figures with their targets and verdicts, a sortable table of the alarm IDs and a
// chart of alarms per 10 minutes or per hour with the floods in red; a click on a bar narrows the
// tables to its period, and the whole span comes back by a button. It prints (key figures, chart
// and the ID table, pages across and down) and writes each table as CSV.
#pragma once

#include <QWidget>
#include <atomic>
#include <memory>
#include <string>
#include <thread>

#include "alarm_analysis_report.h"

class QAction;
class QComboBox;
class QLabel;
class QPrinter;
class QProgressBar;
class QPushButton;
class QTableWidget;
class QTabWidget;
class QToolButton;
class AlarmRateChart;

class AlarmAnalysisWindow : public QWidget {
    Q_OBJECT
  public:
    // The span [from, to) in seconds of the file-time scale of group (bytes as stored; empty for
    // every group) of the alarm store at dataFolder; groupText is how the user reads its name.
    AlarmAnalysisWindow(const std::string& dataFolder, const std::string& group,
                        const QString& groupText, int64_t from, int64_t to,
                        QWidget* parent = nullptr);
    ~AlarmAnalysisWindow() override;

    // Waits for the read under way and shows its analysis (tests and the snapshot tool).
    void WaitForAnalysis();
    bool Analysed() const { return analysed_; }
    // The analysis the tables show: of the whole span, or of the period picked on the chart.
    const alarms::AlarmAnalysis& Shown() const { return shown_; }
    const alarms::AlarmThresholds& Thresholds() const { return thresholds_; }
    QString GroupText() const { return groupText_; }
    QString Status() const;

    QTableWidget* KeyFigureTable() const { return figures_; }
    QTableWidget* IdTable() const { return ids_; }
    QTableWidget* UnfitTable() const { return unfit_; }
    AlarmRateChart* Chart() const { return chart_; }
    QComboBox* PeriodChoice() const { return periodChoice_; }
    QAction* PrintAction() const { return printAction_; }
    QAction* KeyFiguresCsvAction() const { return figuresCsvAction_; }
    QAction* IdsCsvAction() const { return idsCsvAction_; }
    QAction* Utf8Action() const { return utf8Action_; }
    QAction* MappingAction() const { return mappingAction_; }
    QTabWidget* Tables() const { return tables_; }

    // Narrows the tables to [from, to) (kept within the span); ShowWhole goes back.
    void ShowPeriod(int64_t from, int64_t to);
    void ShowWhole();
    // Analyses again with new thresholds (kept in the user's settings).
    void SetThresholds(const alarms::AlarmThresholds& t);
    // Prints onto printer (a PDF file whole or not at all); false with the reason in *error.
    bool PrintTo(QPrinter* printer, QString* error = nullptr) const;

  signals:
    // The user asked to print: the main window hands out its printer.
    void PrintRequested();
    void StatusChanged(const QString& text);

  private:
    void StartRead();
    void StopRead();
    void Arrived();
    void Show(const alarms::AlarmAnalysis& analysis);
    void FillChart();
    void EditThresholds();
    // Sets which captions and words of the group make its alarms, keeps them in the profile
    // and reads the span again by them.
    void EditMapping();
    void SaveCsv(bool ids);

    std::string dataFolder_;
    std::string group_;
    QString groupText_;
    int64_t from_ = 0, to_ = 0;
    alarms::AlarmThresholds thresholds_;
    std::thread reader_;
    std::shared_ptr<std::atomic<bool>> stop_;
    std::shared_ptr<AlarmAnalysisInput> input_;  // written by the reader, taken once it ended
    std::atomic<bool> ended_{false};
    bool analysed_ = false;
    bool narrowed_ = false;
    alarms::AlarmAnalysis whole_;
    alarms::AlarmAnalysis shown_;
    QString problem_;

    QLabel* countsLabel_ = nullptr;
    QComboBox* periodChoice_ = nullptr;
    QAction* wholeAction_ = nullptr;
    QAction* mappingAction_ = nullptr;
    QTabWidget* tables_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QPushButton* cancelButton_ = nullptr;
    QTableWidget* figures_ = nullptr;
    QTableWidget* ids_ = nullptr;
    QTableWidget* unfit_ = nullptr;  // the records that make no event
    AlarmRateChart* chart_ = nullptr;
    QAction* printAction_ = nullptr;
    QAction* figuresCsvAction_ = nullptr;
    QAction* idsCsvAction_ = nullptr;
    QAction* utf8Action_ = nullptr;
};
