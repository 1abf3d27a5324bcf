// The alarm analysis of a group of an alarm store as the user sees it: its events read from the
// store, the texts of its key figures and of its per-ID table, its printed pages (pages across
// and down, as reports print), and its CSV tables in GB18030 or UTF-8 with a byte-order mark.
// The window and the report tool share all of it.
#pragma once

#include <QSettings>
#include <QString>
#include <QStringList>
#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "alarm_analysis.h"
#include "alarm_model.h"
#include "alarm_reader.h"

class QPrinter;

// The thresholds of the analysis as the user set them (the defaults where nothing is set), kept
// in the user's settings under "AlarmAnalysis/".
alarms::AlarmThresholds LoadAlarmThresholds(QSettings& settings);
void SaveAlarmThresholds(QSettings& settings, const alarms::AlarmThresholds& t);

// The events of one alarm group read for an analysis, with the log whose texts they point to.
struct AlarmAnalysisInput {
    AlarmStoreState store = AlarmStoreState::kNoFolder;
    bool cancelled = false;
    bool noGroup = false;  // the store has no group of the name asked for
    std::shared_ptr<const AlarmLog> log;
    std::vector<alarms::AlarmEvent> events;
    ReadProblem problem;
};

// Reads the records of group (empty: every group of the store) of the alarm store at dataFolder
// for the span [from, to) in seconds of the file-time scale, and a day before it, so that the
// alarms standing when the span begins are known. Each group reads by its mapping of captions
// and words. stop, when set, ends the read early.
AlarmAnalysisInput ReadAlarmAnalysisInput(const std::string& dataFolder, const std::string& group,
                                          int64_t from, int64_t to, const AlarmMappings& mappings,
                                          const std::atomic<bool>* stop = nullptr);

// Why an input holds no analysis (no alarm store, no such group, an unreadable part), in the
// user's language; empty when it was read whole.
QString AlarmInputProblem(const AlarmAnalysisInput& input, const QString& folder,
                          const QString& group);

// "YYYY-MM-DD hh:mm:ss"; empty for no time.
QString AlarmTimeString(int64_t seconds);
// Seconds as "h:mm:ss" (hours past 24 as they are); "—" for none (negative).
QString AlarmDurationString(int64_t seconds);

// The key figures as the window and the pages show them: name, value, target, verdict.
QStringList KeyFigureHeader();
QStringList KeyFigureRow(const alarms::KeyFigure& k);
// The per-ID table: header and one row per ID.
QStringList AlarmIdHeader();
QStringList AlarmIdRow(const alarms::IdFigures& f);

// Alarms per period of the span (10 minutes or an hour), as the chart draws them.
struct AlarmRateSeries {
    int64_t first = 0;  // start of the first period
    int64_t period = 600;
    uint32_t floodLimit = 10;  // more than this in a period is a flood
    std::vector<uint32_t> counts;
};
AlarmRateSeries RateSeriesOf(const alarms::AlarmAnalysis& a, const alarms::AlarmThresholds& t,
                             bool hourly);

// What a printed analysis shows.
struct AlarmAnalysisPrint {
    QString title;  // the group, or the store
    alarms::AlarmAnalysis analysis;
    alarms::AlarmThresholds thresholds;
    bool hourly = false;  // the chart's periods
};

// Prints the key figures and the chart on the first page, the per-ID table on the pages after
// (pages across when its columns are wider than the page, then down). A PDF file is written
// whole or not at all. False, with the reason in *error when given, when the printer cannot be
// painted on or the file cannot be written.
bool PrintAlarmAnalysis(QPrinter* printer, const AlarmAnalysisPrint& report,
                        QString* error = nullptr);

enum class CsvEncoding { kGb18030, kUtf8Bom };

// The CSV table of the key figures or of the IDs, in the encoding; IDs and messages read as
// stored (UTF-8 when valid, else GB18030) and written in that encoding.
QByteArray KeyFiguresCsv(const alarms::AlarmAnalysis& a, CsvEncoding encoding);
QByteArray AlarmIdsCsv(const alarms::AlarmAnalysis& a, CsvEncoding encoding);
// Writes bytes to path whole or not at all; false with the system's reason in *error.
bool WriteWholeFile(const QString& path, const QByteArray& bytes, QString* error);
