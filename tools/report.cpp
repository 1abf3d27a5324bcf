#include "report.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPageSize>
#include <QPainter>
#include <QPrinter>
#include <QTemporaryFile>
#include <cstdio>
#include <memory>

#include "chart_image.h"
#include "histavue_doc.h"
#include "histavue_view.h"
#include "report_job.h"
#include "text_edit_dialog.h"

namespace {

const char kUsage[] =
    "Usage:\n"
    "  histavue-report --in FILE [--plain] [--ini SETTINGS.ini] [--pdf OUT.pdf]\n"
    "                  [--curves OUT.png|OUT.svg|OUT.pdf] [--page-size NAME] [--landscape]\n"
    "\n"
    "Opens a record file (an export file, inverted, or plain CSV with --plain; '-' reads\n"
    "standard input) and writes its report pages as the print command lays them out (--pdf)\n"
    "and its historic curves as the curve view draws them (--curves, PNG, SVG or PDF).\n"
    "\n"
    "Options:\n"
    "  --page-size NAME  paper of the PDFs, such as A4, A3, Letter (default A4)\n"
    "  --landscape       landscape pages (default portrait)\n"
    "  --ini FILE        title, remark, names and curve settings from a configuration file\n"
    "  -h, --help        show this text\n"
    "  --version         show the version\n"
    "\n"
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
    QString in, ini, pdf, curves, pageSize = QStringLiteral("A4");
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
bool CopyStandardInput(QTemporaryFile* file) {
    QFile in;
    if (!file->open() || !in.open(stdin, QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = in.readAll();
    return file->write(bytes) == bytes.size() && file->flush();
}

}  // namespace

const char* ReportUsage() {
    return kUsage;
}

int RunReport(const QStringList& args, std::FILE* out, std::FILE* err) {
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
        } else if (a == QLatin1String("--page-size")) {
            ok = value(&o.pageSize);
        } else if (a == QLatin1String("--plain")) {
            o.plain = true;
        } else if (a == QLatin1String("--landscape")) {
            o.landscape = true;
        } else {
            return Usage(err, QStringLiteral("unknown argument '%1'").arg(a));
        }
        if (!ok)
            return Usage(err, QStringLiteral("%1 needs a value").arg(a));
    }
    if (o.in.isEmpty())
        return Usage(err, QStringLiteral("--in FILE is required"));
    if (o.pdf.isEmpty() && o.curves.isEmpty())
        return Usage(err, QStringLiteral("nothing to write: give --pdf or --curves"));
    if (!PageSizeNamed(o.pageSize).isValid())
        return Usage(err, QStringLiteral("unknown page size '%1'").arg(o.pageSize));
    const QString curvesSuffix = QFileInfo(o.curves).suffix().toLower();
    if (!o.curves.isEmpty() && curvesSuffix != QLatin1String("png") &&
        curvesSuffix != QLatin1String("svg") && curvesSuffix != QLatin1String("pdf"))
        return Usage(err, QStringLiteral("--curves must name a .png, .svg or .pdf file"));

    QString path = o.in;
    QTemporaryFile input;
    if (o.in == QLatin1String("-")) {
        if (!CopyStandardInput(&input))
            return Fail(err, QStringLiteral("cannot read standard input"));
        path = input.fileName();
    }

    CHistavueDoc doc;
    CHistavueView view(&doc);
    doc.AddView(&view);
    bool opened;
    if (o.plain) {
        CHistavueDoc::OpenPlainScope plain;
        opened = doc.OnOpenDocument(path);
    } else {
        opened = doc.OnOpenDocument(path);
    }
    doc.RemoveView(&view);
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

    if (!o.pdf.isEmpty()) {
        QPrinter printer(QPrinter::HighResolution);
        SetUpPdf(&printer, o.pdf, o);
        ReportPrintMetrics metrics;
        if (!BeginReportJob(&printer, &view.List()->Table(), view.Settings(), &metrics))
            return Fail(
                err,
                QStringLiteral("page too small: the %1 page holds no report row").arg(o.pageSize));
        if (!PrintReportPages(&printer, view.List()->Table(), metrics))
            return Fail(err, QStringLiteral("cannot write %1").arg(o.pdf));
        Say(out, QStringLiteral("%1: %2 pages").arg(o.pdf).arg(metrics.pageCount));
    }

    if (!o.curves.isEmpty()) {
        view.resize(o.landscape ? QSize(1600, 1000) : QSize(1000, 1400));
        view.show();
        view.DrawCurves();
        QApplication::processEvents();
        QWidget* chart = view.Chart();
        if (chart == nullptr)
            return Fail(err, QStringLiteral("the curves could not be drawn"));
        bool written;
        if (curvesSuffix != QLatin1String("pdf")) {
            written = SaveChartImage(chart, o.curves);
        } else {
            QPrinter printer(QPrinter::HighResolution);
            SetUpPdf(&printer, o.curves, o);
            written = PrintChart(&printer, chart);
        }
        if (!written)
            return Fail(err, QStringLiteral("cannot write %1").arg(o.curves));
        Say(out, QStringLiteral("%1: curves").arg(o.curves));
    }
    return 0;
}
