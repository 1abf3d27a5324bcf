#include "report.h"

#include <sys/stat.h>
#include <unistd.h>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPageSize>
#include <QPainter>
#include <QPrinter>
#include <QTemporaryFile>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <utility>

#include "alarm_analysis_report.h"
#include "alarm_layer.h"
#include "alarm_mapping_profile.h"
#include "alarm_reader.h"
#include "chart_image.h"
#include "curve_init.h"
#include "curve_view.h"
#include "file_system.h"
#include "histavue_doc.h"
#include "histavue_view.h"
#include "plain_csv.h"
#include "profile.h"
#include "report_font.h"
#include "report_job.h"
#include "text_codec.h"
#include "text_edit_dialog.h"
#include "trend_window.h"

namespace {

const char kUsage[] =
    "Usage: histavue-report --in FILE [--plain] [--pdf OUT.pdf] [--curves OUT] [OPTION]...\n"
    "  or:  histavue-report --store DIR --group NAME [--from TIME --to TIME] --curves OUT\n"
    "  or:  histavue-report --alarm-analysis --alarms DIR [--group NAME]\n"
    "                       [--from TIME --to TIME] --pdf OUT.pdf | --csv OUT.csv\n"
    "\n"
    "Opens a record file and writes its report pages as the print command lays them out\n"
    "and its historic curves as the curve view draws them; or draws the trend of a group\n"
    "of a data store, read straight from the store, as the trend window draws it; or\n"
    "measures an alarm log against the usual targets of alarm management, as the alarm\n"
    "analysis window does.\n"
    "Each output replaces its file only once written whole; it may not be the record file,\n"
    "the settings file or the other output.\n"
    "\n"
    "Options:\n"
    "  --in FILE         the record file: an export file (inverted), or plain CSV with\n"
    "                    --plain; '-' reads standard input\n"
    "  --plain           the record file is plain CSV (a title line or not, then the\n"
    "                    header line)\n"
    "  --pdf OUT.pdf     write the report pages as PDF\n"
    "  --curves OUT      write the historic curves as PNG, SVG or PDF (by the name's end)\n"
    "  --page-size NAME  paper of the PDFs, such as A4, A3, Letter (default A4)\n"
    "  --landscape       landscape pages (default portrait)\n"
    "  --ini FILE        title, remark, names and curve settings from a configuration file\n"
    "  --alarms DIR      draw the alarms of the report's time range above the curves, read\n"
    "                    from the alarm store whose data folder is DIR (the one holding\n"
    "                    NewDLRoot.idx, such as out/sample/AL); it is only read;\n"
    "                    needs --curves\n"
    "  --store DIR       the data folder of a data store (holding NewDLRoot.idx, such as\n"
    "                    out/sample/DL); it is only read\n"
    "  --group NAME      the group whose trend is drawn\n"
    "  --from TIME       the trend's span, 'YYYY-MM-DD hh:mm[:ss]', both inclusive (default:\n"
    "  --to TIME         the whole group)\n"
    "  --own-scales      draw each channel of the trend on a scale of its own, from its\n"
    "                    lowest to its highest number in the span, as the trend window's\n"
    "                    choice does (a counter in the millions no longer flattens the rest)\n"
    "  --staging DIR     where the trend keeps the summaries of the group's folders, so that\n"
    "                    a later run reads only what is new (default:\n"
    "                    $XDG_CACHE_HOME/histavue, else ~/.cache/histavue)\n"
    "  --alarm-analysis  analyse the alarm log of --alarms DIR: of the group --group NAME\n"
    "                    (default: every group, each ID after its group's name), over\n"
    "                    --from and --to (default: the group's whole span), with the\n"
    "                    thresholds set in the viewer's analysis window\n"
    "  --csv OUT.csv     write the analysis' key figures to OUT.csv and its table of alarm\n"
    "                    IDs to OUT-ids.csv, in GB18030\n"
    "  --encoding utf-8  write the CSV files in UTF-8 after a byte-order mark instead\n"
    "  -h, --help        show this text\n"
    "  --version         show the version\n"
    "\n"
    "At least one of --pdf and --curves is needed; a trend needs --curves; an alarm\n"
    "analysis needs --pdf, --csv or both.\n"
    "Exit status: 0 success, 1 failure (reason on standard error), 2 usage error.\n";

void Say(std::FILE* f, const QString& text) {
    const QByteArray bytes = text.toUtf8();
    std::fprintf(f, "%s\n", bytes.constData());
}

int Usage(std::FILE* err, const QString& reason) {
    Say(err, QStringLiteral("histavue-report: ") + reason);
    std::fputs(kUsage, err);
    return 2;
}

int Fail(std::FILE* err, const QString& reason) {
    Say(err, QStringLiteral("histavue-report: ") + reason);
    return 1;
}

struct Options {
    QString in, ini, pdf, curves, alarms, pageSize = QStringLiteral("A4");
    QString store, group, from, to, staging, csv, encoding;
    bool alarmAnalysis = false;
    bool ownScales = false;
    bool plain = false;
    bool landscape = false;
};

// A page size by its name (A4, Letter, ...), or an invalid one.
QPageSize PageSizeNamed(const QString& name) {
    for (int id = 0; id <= QPageSize::LastPageSize; ++id) {
        const auto size = static_cast<QPageSize::PageSizeId>(id);
        if (QPageSize::key(size).compare(name, Qt::CaseInsensitive) == 0)
            return QPageSize(size);
    }
    return QPageSize();
}

void SetUpPdf(QPrinter* printer, const QString& path, const Options& o) {
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setOutputFileName(path);
    printer->setPageSize(PageSizeNamed(o.pageSize));
    printer->setPageOrientation(o.landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
}

// Standard input is kept in a temporary file, so that the document opens it as it opens any.
// Returns why it could not be, or an empty text.
QString CopyStandardInput(QTemporaryFile* file, bool closed) {
    struct stat st;
    if (closed || fstat(STDIN_FILENO, &st) != 0)
        return QStringLiteral("standard input is closed");
    if (S_ISDIR(st.st_mode))
        return QStringLiteral("standard input is a folder");
    if (!file->open())
        return QStringLiteral("cannot create a temporary file in %1: %2")
            .arg(QDir::tempPath(), file->errorString());
    QFile in;
    if (!in.open(stdin, QIODevice::ReadOnly))
        return QStringLiteral("cannot read standard input: %1").arg(in.errorString());
    const QByteArray bytes = in.readAll();
    if (in.error() != QFileDevice::NoError)
        return QStringLiteral("cannot read standard input: %1").arg(in.errorString());
    // Written past Qt's buffer, so that a full folder's error is the system's own.
    for (qsizetype done = 0; done < bytes.size();) {
        const ssize_t n = write(file->handle(), bytes.constData() + done,
                                static_cast<size_t>(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n == 0)
            errno = EIO;
        if (n <= 0)
            return QStringLiteral("cannot keep standard input in %1: %2")
                .arg(file->fileName(), QString::fromLocal8Bit(std::strerror(errno)));
        done += n;
    }
    return QString();
}

// Why an input path cannot be a record file, or an empty text. A path that does not exist is
// left to the document, which says so.
QString InputKindProblem(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists())
        return QString();
    if (info.isDir())
        return QStringLiteral("%1: is a folder").arg(path);
    if (!info.isFile())
        return QStringLiteral("%1: is not a regular file").arg(path);
    return QString();
}

// Why the files to write clash with each other or with the files read, or an empty text: a
// report written over its own record file or configuration would destroy them, and of two
// outputs with one name only the second would be left.
QString OutputClash(const Options& o) {
    const std::pair<const char*, QString> outputs[] = {{"--pdf", o.pdf}, {"--curves", o.curves}};
    const std::pair<const char*, QString> inputs[] = {{"--in", o.in}, {"--ini", o.ini}};
    for (const auto& [option, path] : outputs) {
        if (path.isEmpty())
            continue;
        for (const auto& [inOption, input] : inputs) {
            if (!input.isEmpty() && input != QLatin1String("-") &&
                storefs::SameFile(PathBytes(path), PathBytes(input)))
                return QStringLiteral("%1 '%2' is the file of %3: it would be overwritten")
                    .arg(QLatin1String(option), path, QLatin1String(inOption));
        }
    }
    if (!o.pdf.isEmpty() && !o.curves.isEmpty() &&
        storefs::SameFile(PathBytes(o.pdf), PathBytes(o.curves)))
        return QStringLiteral("--pdf and --curves name the same file '%1'").arg(o.pdf);
    return QString();
}

// Why DIR cannot give the alarm lanes, or an empty text.
QString AlarmStoreRefusal(const QString& dir, const AlarmStoreCheck& check) {
    const QString root = QString::fromLatin1(kRootIndexName);
    switch (check.state) {
        case AlarmStoreState::kAlarmLog:
            return QString();
        case AlarmStoreState::kNoFolder:
            return QStringLiteral("%1: no such folder").arg(dir);
        case AlarmStoreState::kNotAFolder:
            return QStringLiteral("%1: not a folder").arg(dir);
        case AlarmStoreState::kNoRootIndex:
            return QStringLiteral("%1: no alarm store here (no root index %2)").arg(dir, root);
        case AlarmStoreState::kNoGroups:
            return QStringLiteral("%1: the root index %2 names no group").arg(dir, root);
        case AlarmStoreState::kDataLog:
            return QStringLiteral(
                       "%1: a data log, not an alarm log (its groups have no Event "
                       "caption)")
                .arg(dir);
        case AlarmStoreState::kUnreadable:
            break;
    }
    return QStringLiteral("%1: %2").arg(
        dir, QString::fromLocal8Bit(ReadProblemText(check.problem).c_str()));
}

// Seconds of a typed time ("YYYY-MM-DD hh:mm[:ss]"); false when it is no time.
bool TypedSeconds(const QString& text, TrendSeconds* seconds) {
    int f[6];
    const QByteArray bytes = text.trimmed().toUtf8();
    return ReadRecordTime(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())),
                          f) &&
           IsValidCalendarTime(MakeCalendarTime(f[0], f[1], f[2], f[3], f[4], f[5])) &&
           TrendSecondsOf(MakeCalendarTime(f[0], f[1], f[2], f[3], f[4], f[5]), seconds);
}

// The span [from, to) with the typed --from and --to in place of its ends (the typed last
// second is in the span); false when one does not read or they are out of order.
bool TypedSpan(const Options& o, TrendSeconds* from, TrendSeconds* to) {
    if ((!o.from.isEmpty() && !TypedSeconds(o.from, from)) ||
        (!o.to.isEmpty() && !TypedSeconds(o.to, to)) || *to < *from)
        return false;
    if (!o.to.isEmpty())
        *to += 1;
    return true;
}

// The trend of a group drawn headless, as the trend window draws it.
int RunTrend(const Options& o, const QString& suffix, std::FILE* out, std::FILE* err) {
    // The group as typed: its stored bytes, or its name as the viewer shows it (a GB18030 name
    // typed in a UTF-8 terminal).
    const std::string data = PathBytes(o.store);
    std::vector<LogGroup> groups;
    ReadGroupsOf(data + "/", &groups);
    std::string name;
    for (const LogGroup& g : groups) {
        if (g.name == o.group.toLocal8Bit().toStdString() || DecodeShown(g.name) == o.group)
            name = g.name;
    }
    if (name.empty())
        return Fail(err, QStringLiteral("%1: no group '%2' in the store").arg(o.store, o.group));
    TrendGroup group;
    std::string error;
    if (!OpenTrendGroup(data, name, std::string(), &group, &error))
        return Fail(err, QStringLiteral("%1: %2").arg(o.store, QString::fromStdString(error)));
    TrendSeconds from = group.from;
    TrendSeconds to = group.to;
    if (!TypedSpan(o, &from, &to))
        return Usage(err, QStringLiteral("--from and --to need two times, the first not after "
                                         "the second, as 'YYYY-MM-DD hh:mm[:ss]'"));
    QString staging = o.staging;
    if (staging.isEmpty()) {
        const QByteArray cache = qgetenv("XDG_CACHE_HOME");
        staging = (cache.startsWith('/') ? QFile::decodeName(cache)
                                         : QDir::homePath() + QStringLiteral("/.cache")) +
                  QStringLiteral("/histavue");
    }
    if (!QDir().mkpath(staging))
        return Fail(err, QStringLiteral("cannot create the staging folder %1").arg(staging));
    // The alarm lanes from the store named, and from no other.
    if (!o.alarms.isEmpty()) {
        const QString refusal = AlarmStoreRefusal(o.alarms, CheckAlarmStore(PathBytes(o.alarms)));
        if (!refusal.isEmpty())
            return Fail(err, refusal);
    }
    SetAlarmStoreFolder(o.alarms.isEmpty() ? std::string() : PathBytes(o.alarms));
    TrendWindow trend(group, PathBytes(staging));
    trend.setAttribute(Qt::WA_DeleteOnClose, false);
    trend.OwnScalesBox()->setChecked(o.ownScales);
    trend.resize(o.landscape ? QSize(1600, 1000) : QSize(1000, 1400));
    trend.show();
    QApplication::processEvents();
    trend.ShowSpan(static_cast<double>(from - group.from), static_cast<double>(to - group.from));
    QApplication::processEvents();
    trend.WaitForSummaries();
    QApplication::processEvents();
    trend.WaitForColumns();
    QApplication::processEvents();
    size_t alarmLanes = 0;
    size_t alarmSpans = 0;
    if (!o.alarms.isEmpty()) {
        trend.WaitForAlarms();
        // Lanes drawn from a part of the log are no report of it.
        AlarmStoreCheck read;
        read.state = trend.AlarmStore();
        read.problem = trend.AlarmProblem();
        if (read.state == AlarmStoreState::kAlarmLog && read.problem.Any())
            read.state = AlarmStoreState::kUnreadable;
        const QString refusal = AlarmStoreRefusal(o.alarms, read);
        if (!refusal.isEmpty())
            return Fail(err, refusal);
        // What of them lies in the span drawn.
        for (const AlarmLane& lane : trend.Alarms().lanes) {
            const auto in =
                std::count_if(lane.spans.begin(), lane.spans.end(),
                              [&](const AlarmSpan& a) { return a.from < to && a.to >= from; });
            alarmLanes += in > 0 ? 1 : 0;
            alarmSpans += static_cast<size_t>(in);
        }
        QApplication::processEvents();
        // The lanes' labels may have taken room from the plot: its columns as now laid out.
        trend.WaitForColumns();
    }
    bool written;
    QString problem;
    if (suffix != QLatin1String("pdf")) {
        written = SaveChartImage(trend.Plot(), o.curves, &problem);
    } else {
        QPrinter printer(QPrinter::HighResolution);
        SetUpPdf(&printer, o.curves, o);
        written = PrintChart(&printer, trend.Plot(), &problem);
    }
    if (!written)
        return Fail(err, QStringLiteral("cannot write %1: %2").arg(o.curves, problem));
    const TrendColumns* columns = trend.Columns();
    Say(out, QStringLiteral("%1: trend of %2, %3 records, %4 cells not numbers")
                 .arg(o.curves, o.group)
                 .arg(columns != nullptr ? columns->Total() : 0)
                 .arg(columns != nullptr ? columns->Skipped() : 0));
    if (!o.alarms.isEmpty())
        Say(out, QStringLiteral("%1: %2 alarms of %3 IDs drawn")
                     .arg(o.curves)
                     .arg(alarmSpans)
                     .arg(alarmLanes));
    return 0;
}

// The file beside OUT.csv that takes the table of alarm IDs: OUT-ids.csv.
QString IdsCsvPath(const QString& csv) {
    const QFileInfo info(csv);
    return info.dir().filePath(info.completeBaseName() + QStringLiteral("-ids.csv"));
}

// The alarm analysis of a group (or of every group) of an alarm store, printed and as CSV.
int RunAlarmAnalysis(const Options& o, std::FILE* out, std::FILE* err) {
    const std::string data = PathBytes(o.alarms);
    const AlarmStoreCheck check = CheckAlarmStore(data);
    const QString refusal = AlarmStoreRefusal(o.alarms, check);
    if (!refusal.isEmpty())
        return Fail(err, refusal);
    // The group as typed: its stored bytes, or its name as the viewer shows it.
    std::string name;
    std::vector<std::string> spanned;
    for (const LogGroup& g : check.groups) {
        if (!o.group.isEmpty() &&
            (g.name == o.group.toLocal8Bit().toStdString() || DecodeShown(g.name) == o.group))
            name = g.name;
        spanned.push_back(g.name);
    }
    if (!o.group.isEmpty() && name.empty())
        return Fail(err,
                    QStringLiteral("%1: no group '%2' in the alarm store").arg(o.alarms, o.group));
    if (!name.empty())
        spanned = {name};
    // The whole span: from the first folder of the groups to the end of their last.
    TrendSeconds from = 0, to = 0;
    bool any = false;
    for (const std::string& g : spanned) {
        TrendGroup group;
        std::string error;
        if (!OpenTrendGroup(data, g, std::string(), &group, &error))
            continue;
        from = any ? std::min(from, group.from) : group.from;
        to = any ? std::max(to, group.to) : group.to;
        any = true;
    }
    if (!TypedSpan(o, &from, &to))
        return Usage(err, QStringLiteral("--from and --to need two times, the first not after "
                                         "the second, as 'YYYY-MM-DD hh:mm[:ss]'"));
    if (!any && (o.from.isEmpty() || o.to.isEmpty()))
        return Fail(err, QStringLiteral("%1: the alarm log holds no records to take a span from: "
                                        "give --from and --to")
                             .arg(o.alarms));
    if (to <= from)
        to = from + 1;

    const AlarmAnalysisInput input =
        ReadAlarmAnalysisInput(data, name, from, to, StoredAlarmMappings());
    const QString problem = AlarmInputProblem(input, o.alarms, o.group);
    if (!problem.isEmpty())
        return Fail(err, problem);
    AlarmAnalysisPrint report;
    report.title = name.empty() ? o.alarms : DecodeShown(name);
    // The thresholds the user set in the viewer's analysis window, else the usual ones.
    QSettings profile = UserProfile();
    report.thresholds = LoadAlarmThresholds(profile);
    report.analysis = alarms::Analyse(input.events, from, to, report.thresholds);
    report.hourly = to - from > 2 * 86400;
    if (!o.pdf.isEmpty()) {
        QPrinter printer(QPrinter::HighResolution);
        SetUpPdf(&printer, o.pdf, o);
        QString why;
        if (!PrintAlarmAnalysis(&printer, report, &why))
            return Fail(err, QStringLiteral("cannot write %1: %2").arg(o.pdf, why));
    }
    if (!o.csv.isEmpty()) {
        const CsvEncoding encoding =
            o.encoding.isEmpty() ? CsvEncoding::kGb18030 : CsvEncoding::kUtf8Bom;
        const QString ids = IdsCsvPath(o.csv);
        QString why;
        if (!WriteWholeFile(o.csv, KeyFiguresCsv(report.analysis, encoding), &why))
            return Fail(err, QStringLiteral("cannot write %1: %2").arg(o.csv, why));
        if (!WriteWholeFile(ids, AlarmIdsCsv(report.analysis, encoding), &why))
            return Fail(err, QStringLiteral("cannot write %1: %2").arg(ids, why));
    }
    Say(out, QStringLiteral("alarm analysis of %1, %2 to %3: %4 records, %5 alarms of %6 IDs")
                 .arg(report.title, AlarmTimeString(from), AlarmTimeString(to))
                 .arg(report.analysis.events)
                 .arg(report.analysis.alarms)
                 .arg(report.analysis.ids.size()));
    return 0;
}

}  // namespace

const char* ReportUsage() {
    return kUsage;
}

int RunReport(const QStringList& args, std::FILE* out, std::FILE* err, bool stdinClosed) {
    Options o;
    for (int i = 1; i < args.size(); ++i) {
        const QString& a = args[i];
        auto value = [&](QString* target) {
            if (i + 1 >= args.size())
                return false;
            *target = args[++i];
            return true;
        };
        bool ok = true;
        if (a == QLatin1String("-h") || a == QLatin1String("--help")) {
            std::fputs(kUsage, out);
            return 0;
        } else if (a == QLatin1String("--version")) {
            std::fputs("histavue-report " HISTAVUE_VERSION "\n", out);
            return 0;
        } else if (a == QLatin1String("--in")) {
            ok = value(&o.in);
        } else if (a == QLatin1String("--ini")) {
            if (value(&o.ini) && o.ini.isEmpty())
                return Usage(err, QStringLiteral("--ini needs a file name, not an empty text"));
            ok = !o.ini.isEmpty();
        } else if (a == QLatin1String("--pdf")) {
            ok = value(&o.pdf);
        } else if (a == QLatin1String("--curves")) {
            ok = value(&o.curves);
        } else if (a == QLatin1String("--alarms")) {
            ok = value(&o.alarms) && !o.alarms.isEmpty();
        } else if (a == QLatin1String("--store")) {
            ok = value(&o.store) && !o.store.isEmpty();
        } else if (a == QLatin1String("--group")) {
            ok = value(&o.group) && !o.group.isEmpty();
        } else if (a == QLatin1String("--staging")) {
            ok = value(&o.staging) && !o.staging.isEmpty();
        } else if (a == QLatin1String("--from")) {
            ok = value(&o.from);
        } else if (a == QLatin1String("--to")) {
            ok = value(&o.to);
        } else if (a == QLatin1String("--page-size")) {
            ok = value(&o.pageSize);
        } else if (a == QLatin1String("--alarm-analysis")) {
            o.alarmAnalysis = true;
        } else if (a == QLatin1String("--csv")) {
            ok = value(&o.csv) && !o.csv.isEmpty();
        } else if (a == QLatin1String("--encoding")) {
            if (value(&o.encoding) &&
                o.encoding.compare(QLatin1String("utf-8"), Qt::CaseInsensitive) != 0)
                return Usage(
                    err, QStringLiteral("unknown encoding '%1' (expected utf-8)").arg(o.encoding));
            ok = !o.encoding.isEmpty();
        } else if (a == QLatin1String("--plain")) {
            o.plain = true;
        } else if (a == QLatin1String("--landscape")) {
            o.landscape = true;
        } else if (a == QLatin1String("--own-scales")) {
            o.ownScales = true;
        } else {
            return Usage(err, QStringLiteral("unknown argument '%1'").arg(a));
        }
        if (!ok)
            return Usage(err, QStringLiteral("%1 needs a value").arg(a));
    }
    if (o.alarmAnalysis) {
        if (o.alarms.isEmpty())
            return Usage(err, QStringLiteral("an alarm analysis needs --alarms DIR"));
        if (!o.in.isEmpty() || o.plain || !o.ini.isEmpty() || !o.curves.isEmpty() ||
            !o.store.isEmpty() || !o.staging.isEmpty() || o.ownScales)
            return Usage(err, QStringLiteral("an alarm analysis is made from --alarms alone: leave "
                                             "out --in, --plain, --ini, --curves, --store, "
                                             "--staging and --own-scales"));
        if (o.pdf.isEmpty() && o.csv.isEmpty())
            return Usage(err, QStringLiteral("nothing to write: give --pdf or --csv"));
        if (!PageSizeNamed(o.pageSize).isValid())
            return Usage(err, QStringLiteral("unknown page size '%1'").arg(o.pageSize));
        if (!o.pdf.isEmpty() && QFileInfo(o.pdf).suffix().toLower() != QLatin1String("pdf"))
            return Usage(err, QStringLiteral("--pdf must name a .pdf file"));
        if (!o.csv.isEmpty() && QFileInfo(o.csv).suffix().toLower() != QLatin1String("csv"))
            return Usage(err, QStringLiteral("--csv must name a .csv file"));
        if (!o.encoding.isEmpty() && o.csv.isEmpty())
            return Usage(err, QStringLiteral("--encoding is the CSV files': give --csv"));
        if (!o.pdf.isEmpty() && !o.csv.isEmpty() &&
            (storefs::SameFile(PathBytes(o.pdf), PathBytes(o.csv)) ||
             storefs::SameFile(PathBytes(o.pdf), PathBytes(IdsCsvPath(o.csv)))))
            return Usage(err, QStringLiteral("--pdf and --csv name the same file '%1'").arg(o.pdf));
        return RunAlarmAnalysis(o, out, err);
    }
    if (!o.csv.isEmpty() || !o.encoding.isEmpty())
        return Usage(err, QStringLiteral("--csv and --encoding are an alarm analysis': give "
                                         "--alarm-analysis"));
    if (!o.store.isEmpty() || !o.group.isEmpty()) {
        if (o.store.isEmpty() || o.group.isEmpty())
            return Usage(err, QStringLiteral("a trend needs both --store and --group"));
        if (!o.in.isEmpty() || !o.pdf.isEmpty() || !o.ini.isEmpty() || o.plain)
            return Usage(err, QStringLiteral("a trend is drawn from --store alone: leave out "
                                             "--in, --plain, --ini and --pdf"));
    } else if (!o.from.isEmpty() || !o.to.isEmpty() || !o.staging.isEmpty() || o.ownScales) {
        return Usage(err, QStringLiteral("--from, --to, --staging and --own-scales are a trend's: "
                                         "give --store"));
    }
    if (o.in.isEmpty() && o.store.isEmpty())
        return Usage(err, QStringLiteral("--in FILE is required"));
    if (o.pdf.isEmpty() && o.curves.isEmpty())
        return Usage(err, QStringLiteral("nothing to write: give --pdf or --curves"));
    if (!o.alarms.isEmpty() && o.curves.isEmpty())
        return Usage(err, QStringLiteral("--alarms draws on the curves: give --curves too"));
    if (!PageSizeNamed(o.pageSize).isValid())
        return Usage(err, QStringLiteral("unknown page size '%1'").arg(o.pageSize));
    const QString curvesSuffix = QFileInfo(o.curves).suffix().toLower();
    if (!o.curves.isEmpty() && curvesSuffix != QLatin1String("png") &&
        curvesSuffix != QLatin1String("svg") && curvesSuffix != QLatin1String("pdf"))
        return Usage(err, QStringLiteral("--curves must name a .png, .svg or .pdf file"));
    if (!o.pdf.isEmpty() && QFileInfo(o.pdf).suffix().toLower() != QLatin1String("pdf"))
        return Usage(err, QStringLiteral("--pdf must name a .pdf file"));
    const QString clash = OutputClash(o);
    if (!clash.isEmpty())
        return Usage(err, clash);

    if (!o.store.isEmpty())
        return RunTrend(o, curvesSuffix, out, err);

    if (!o.alarms.isEmpty()) {
        const QString refusal = AlarmStoreRefusal(o.alarms, CheckAlarmStore(PathBytes(o.alarms)));
        if (!refusal.isEmpty())
            return Fail(err, refusal);
    }

    QString path = o.in;
    QTemporaryFile input;
    if (o.in == QLatin1String("-")) {
        const QString problem = CopyStandardInput(&input, stdinClosed);
        if (!problem.isEmpty())
            return Fail(err, problem);
        path = input.fileName();
    } else {
        const QString problem = InputKindProblem(o.in);
        if (!problem.isEmpty())
            return Fail(err, problem);
    }

    CHistavueDoc doc;
    CHistavueView view(&doc);
    doc.AddView(&view, &view);
    bool opened;
    if (o.plain) {
        CHistavueDoc::OpenPlainScope plain;
        // A headed CSV is titled by its name; standard input's is what the user gave.
        opened = doc.OnOpenDocument(path, QFileInfo(o.in).fileName());
    } else {
        opened = doc.OnOpenDocument(path);
    }
    doc.RemoveView(&view);
    if (!opened && doc.WrongForm())
        return Fail(
            err, o.plain ? QStringLiteral("%1: an inverted record file (a store export), "
                                          "not plain CSV: read it without --plain")
                               .arg(o.in)
                         : QStringLiteral("%1: a plain CSV file: read it with --plain").arg(o.in));
    if (!opened)
        return Fail(err, QStringLiteral("%1: %2").arg(o.in, doc.LastError()));
    if (!o.ini.isEmpty()) {
        std::string title;
        std::string remark;
        IniRefusal refusal = IniRefusal::kNone;
        int error = 0;
        if (!ReadConfigFile(PathBytes(o.ini), &view.Settings(), &title, &remark,
                            FileCodec(view.List()->Table().Codec()), &refusal, &error))
            return Fail(err, QStringLiteral("%1: %2").arg(
                                 o.ini, QString::fromLocal8Bit(IniRefusalText(refusal, error))));
        view.ApplyTextSettings();
    }
    if (NoRowTimes(view.Settings())) {
        // Curves over no time would stand at a time axis of zeros; the report's pages hold the
        // rows as they are.
        const QString why = QStringLiteral(
                                "%1: no row's time can be read (its first column should hold times "
                                "such as 2024-01-01 08:00:00)")
                                .arg(o.in);
        if (!o.curves.isEmpty())
            return Fail(err, why + QStringLiteral(": no curves drawn"));
        Say(err, QStringLiteral("histavue-report: ") + why);
    }
    SetAlarmStoreFolder(o.alarms.isEmpty() ? std::string() : PathBytes(o.alarms));
    if (!o.alarms.isEmpty())
        view.Settings().alarms = 1;

    if (!o.pdf.isEmpty()) {
        QPrinter printer(QPrinter::HighResolution);
        SetUpPdf(&printer, o.pdf, o);
        ReportPrintMetrics metrics;
        if (!BeginReportJob(&printer, &view.List()->Table(), view.Settings(), &metrics))
            return Fail(
                err,
                QStringLiteral("page too small: the %1 page holds no report row").arg(o.pageSize));
        const QString standIn = ReportFixedStandIn();
        if (!standIn.isEmpty())
            Say(err, QStringLiteral("histavue-report: warning: the report's font %1 is not "
                                    "installed (Debian package %2); %3 stands in for it, so the "
                                    "pages may break differently")
                         .arg(QString::fromLatin1(kReportFixedFamily),
                              QString::fromLatin1(kReportFixedPackage), standIn));
        QString error;
        if (!PrintReportPages(&printer, view.List()->Table(), metrics, &error))
            return Fail(err, QStringLiteral("cannot write %1: %2").arg(o.pdf, error));
        Say(out, QStringLiteral("%1: %2 pages").arg(o.pdf).arg(metrics.pageCount));
    }

    if (!o.curves.isEmpty()) {
        view.resize(o.landscape ? QSize(1600, 1000) : QSize(1000, 1400));
        view.show();
        view.DrawCurves();
        if (view.Settings().alarms != 0 && view.Curves() != nullptr) {
            AlarmLayer* alarms = view.Curves()->Alarms();
            alarms->WaitForAlarms();
            // Lanes drawn from a part of the log are no report of it.
            AlarmStoreCheck read;
            read.state = alarms->StoreState();
            read.problem = alarms->Problem();
            if (read.state == AlarmStoreState::kAlarmLog && read.problem.Any())
                read.state = AlarmStoreState::kUnreadable;
            const QString refusal = AlarmStoreRefusal(o.alarms, read);
            if (!refusal.isEmpty())
                return Fail(err, refusal);
        }
        QApplication::processEvents();
        QWidget* chart = view.Chart();
        if (chart == nullptr)
            return Fail(err, QStringLiteral("the curves could not be drawn"));
        bool written;
        QString error;
        if (curvesSuffix != QLatin1String("pdf")) {
            written = SaveChartImage(chart, o.curves, &error);
        } else {
            QPrinter printer(QPrinter::HighResolution);
            SetUpPdf(&printer, o.curves, o);
            written = PrintChart(&printer, chart, &error);
        }
        if (!written)
            return Fail(err, QStringLiteral("cannot write %1: %2").arg(o.curves, error));
        Say(out, QStringLiteral("%1: curves").arg(o.curves));
        // Why there are no lanes, or what they show.
        if (view.Settings().alarms != 0 && view.Curves() != nullptr)
            Say(out, QStringLiteral("%1: %2").arg(o.curves, view.Curves()->Alarms()->Status()));
    }
    return 0;
}
