// The trend window: every channel of a group of the data store over a folder's span (or the
// whole group's), read straight from the store into the pixel columns of the plot, so that a
// span of any length draws the line of every record it holds. Zoom with the wheel or a dragged
// span, pan with the middle button, the whole span again with Home or its button; a channel
// list chooses what is drawn; the read-out tells a column's record, or its span, range and
// count where it holds many.
#pragma once

#include <QColor>
#include <QElapsedTimer>
#include <QPointer>
#include <QWidget>
#include <atomic>
#include <memory>
#include <thread>

#include "alarm_model.h"
#include "alarm_reader.h"
#include "channel_scales.h"
#include "plot_view.h"
#include "trend_source.h"

class QAction;
class QCheckBox;
class QListWidget;
class QProgressBar;
class QPushButton;
class QSplitter;
class SummaryGroup;

// A channel's line as the plot draws it: each run's first, lowest, highest and last value in
// their order in time (each once), X in seconds after origin, a point of no number (NaN) where
// the line breaks. Drawn pixel-aligned, it gives the image of every record of the runs.
QList<QPointF> TrendPoints(const TrendColumns& columns, int channel, TrendSeconds origin);

class TrendWindow : public QWidget, public PlotOwner {
    Q_OBJECT
  public:
    // With a staging root, the window keeps summaries of the group's folders under it (made on a
    // thread of its own the first time, brought up to date after) and draws from them.
    explicit TrendWindow(const TrendGroup& group, const std::string& stagingRoot = std::string(),
                         QWidget* parent = nullptr);
    ~TrendWindow() override;

    const TrendGroup& Group() const { return group_; }
    PlotView* Plot() const { return plot_; }
    const PlotScene& PlotState() const { return scene_; }
    QListWidget* ChannelList() const { return channels_; }
    QCheckBox* OwnScalesBox() const { return ownScales_; }
    QCheckBox* AlarmsBox() const { return alarmsBox_; }
    // Waits for the alarm log of the span (when an alarm store is set; it is read once the
    // summaries are checked) and draws its lanes.
    void WaitForAlarms();
    // What the alarm store gave: its state, what could not be read of it, and the lanes drawn.
    AlarmStoreState AlarmStore() const { return alarmStore_; }
    const ReadProblem& AlarmProblem() const { return alarmProblem_; }
    const AlarmPlan& Alarms() const { return alarmPlan_; }

    // Shows [from, to] in seconds after the group's span start, kept within the span and never
    // narrower than ten seconds.
    void ShowSpan(double from, double to);
    void ShowWhole();
    double ShownFrom() const { return scene_.xMin; }
    double ShownTo() const { return scene_.xMax; }
    // Waits until the columns of the shown span are read (tests and the report tool).
    void WaitForColumns();
    // Waits until the summaries are up to date (when there are any) and reads the shown span
    // from them.
    void WaitForSummaries();
    bool Summarised() const { return summarised_; }
    // The columns drawn now; null before the first are read.
    const TrendColumns* Columns() const { return columns_.get(); }
    // Puts the cursor on a pixel column of the plot and shows its read-out.
    void ShowColumn(int column);
    int CursorColumn() const { return cursor_; }
    QString ReadOut() const { return scene_.subtitle; }
    QString Status() const { return status_; }

  signals:
    // The shown span as a report: its records from the store, from and to inclusive.
    void OpenAsReportRequested(const QByteArray& group, qint64 from, qint64 to, qint64 records);
    // What the status bar shows: the records and cells left out, or the reading under way.
    void StatusChanged(const QString& text);
    // The user asked to print the trend as drawn.
    void PrintRequested();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    // Lets the plot take the room its labels leave it again (the window's size or what is drawn
    // changed).
    void ForgetRoom();
    // PlotOwner
    PlotScene& Scene() override { return scene_; }
    int PointCount() const override { return 0; }
    int CursorBPoint() const override { return -1; }
    void SetCursorBPoint(int) override {}
    QList<QAction*> ContextMenuActions() const override;
    void ZoomX(double min, double max) override { ShowSpan(min, max); }
    PlotHit HitTest(const QPoint& pos, bool anywhereInPlot, int* point) const override;
    void OnKey(int key, Qt::KeyboardModifiers modifiers) override;
    void PlotClicked(PlotHit hit, int point) override;
    void PlotHotSpot(PlotHit hit, int point) override;
    void PlotCursorBMoved(int) override {}
    void PlotLegendClicked(int series) override;
    bool StepAlarm(int) override { return false; }

    // Reads the columns anew when the span or the plot's width changed.
    void Refresh();
    void StartReading(const AxisMap& map);
    void StopReading();
    void ColumnsRead(std::shared_ptr<TrendColumns> columns, quint64 generation);
    // The series of the ticked channels from the columns, their range and the time labels.
    void BuildScene();
    void UpdateStatus();
    // The summaries opened on their thread, or none to be had (nullptr).
    void SummariesOpened(std::shared_ptr<SummaryGroup> summaries);
    void SummaryProgress(size_t done, size_t total);
    void SummariesDone(bool whole);
    // The alarm log of the whole span has been read: paired once, placed on every draw.
    void StartAlarms();
    void AlarmsRead();
    // Writes the plot as PNG or SVG where the user chooses.
    void SaveImage();

    TrendGroup group_;
    PlotScene scene_;
    ChannelScales scales_;
    PlotView* plot_ = nullptr;
    QListWidget* channels_ = nullptr;
    QCheckBox* ownScales_ = nullptr;
    QCheckBox* alarmsBox_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QPushButton* cancelSummaries_ = nullptr;
    std::shared_ptr<SummaryGroup> summaries_;
    std::thread summariser_;
    std::atomic<bool> stopSummaries_{false};
    bool summariesOpening_ = false;  // being opened on their thread
    bool summarised_ = false;
    bool summariesEnded_ = false;
    // Since the last drawing of what is summarised so far, and how many there were.
    QElapsedTimer progressDrawn_;
    int progressDraws_ = 0;
    std::string alarmFolder_;  // the alarm store of the data root, or none
    bool alarmsStarted_ = false;
    AlarmFetch alarmFetch_;
    AlarmStoreState alarmStore_ = AlarmStoreState::kNoFolder;
    ReadProblem alarmProblem_;
    std::shared_ptr<const AlarmLog> alarmLog_;
    AlarmPlan alarmPlan_;
    QSplitter* splitter_ = nullptr;
    bool splitterPlaced_ = false;
    QWidget* summaryRow_ = nullptr;  // the progress of the summaries and their cancel button
    QAction* wholeAction_ = nullptr;
    QAction* reportAction_ = nullptr;
    QAction* saveImageAction_ = nullptr;
    QAction* copyImageAction_ = nullptr;
    QAction* printAction_ = nullptr;
    QList<QColor> colors_;
    QList<int> shown_;  // the channel of each series drawn
    std::shared_ptr<TrendColumns> columns_;
    // Each channel's lowest and highest over the window's whole span, from the summaries'
    // coarsest level, for the axes until the columns of that span are read (empty: none).
    std::vector<SummaryRun> wholeRanges_;
    AxisMap wanted_;  // the map of the columns being read or read
    bool haveWanted_ = false;
    std::thread reader_;
    std::atomic<bool> cancel_{false};
    std::atomic<bool> reading_{false};
    quint64 generation_ = 0;
    int cursor_ = -1;
    QString status_;
};
