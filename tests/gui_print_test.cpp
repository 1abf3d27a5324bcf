// Printing through the real windows on the offscreen platform: the report pages as a PDF read back
// with pdftotext, the preview and its one-per-view rule, curve printing and its message, the
// paper-too-small message, and histavue-report.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFontInfo>
#include <QMdiArea>
#include <QPageSize>
#include <QPainter>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QThread>
#include <cerrno>
#include <cstring>

#include "commands.h"
#include "config_file.h"
#include "curve_init.h"
#include "document_manager.h"
#include "gui_app_test.h"
#include "histavue_app.h"
#include "histavue_doc.h"
#include "histavue_view.h"
#include "main_frame.h"
#include "record_table.h"
#include "report.h"
#include "report_font.h"
#include "report_job.h"
#include "report_preview.h"

namespace {

// The text of one page of a PDF (from 1), or of all pages when page is 0.
QString PdfText(const QString& pdf, int page = 0) {
    QStringList args{QStringLiteral("-layout")};
    if (page > 0)
        args << QStringLiteral("-f") << QString::number(page) << QStringLiteral("-l")
             << QString::number(page);
    QProcess p;
    p.start(QStringLiteral("pdftotext"), args << pdf << QStringLiteral("-"));
    EXPECT_TRUE(p.waitForFinished(30000)) << "pdftotext (poppler-utils) is needed";
    return QString::fromUtf8(p.readAllStandardOutput());
}

// Runs histavue-report in this process; what it says goes to *said when given.
int RunTool(QStringList args, QString* said = nullptr) {
    std::FILE* sink = std::tmpfile();
    args.prepend(QStringLiteral("histavue-report"));
    const int status = RunReport(args, sink, sink);
    if (said != nullptr) {
        std::rewind(sink);
        QFile f;
        f.open(sink, QIODevice::ReadOnly);
        *said = QString::fromUtf8(f.readAll());
    }
    std::fclose(sink);
    return status;
}

int PdfPages(const QString& pdf) {
    return static_cast<int>(PdfText(pdf).count(QChar('\f')));
}

// Blanks collapsed, so that the columns of a row read as "a b c".
QString Words(const QString& text) {
    return text.simplified();
}

class PrintTest : public AppTest {
  protected:
    void SetUp() override {
        AppTest::SetUp();
        app->Printer()->setPageSize(QPageSize(QPageSize::A4));
        ui.printPdf = dir.path() + "/out.pdf";
    }
    CHistavueView* Open(int rows, const std::string& title = "锅炉一号",
                        const std::string& channels = "Alpha,Beta") {
        return OpenRecords(SampleRecordText(rows, title, channels));
    }
    // Rows on a page of the app's printer.
    int RowsOnPage(CHistavueView* view) {
        ReportPrintMetrics m;
        EXPECT_TRUE(BeginReportJob(app->Printer(), &view->List()->Table(), view->Settings(), &m));
        return m.rowsPerPage - 1;
    }
};

TEST_F(PrintTest, ReportPagesCarryHeaderRowsFooterAndRemark) {
    CHistavueView* probe = Open(1);
    const int perPage = RowsOnPage(probe);
    app->MainFrame()->MdiArea()->closeAllSubWindows();
    Settle();
    ASSERT_GT(perPage, 10);

    // Rows that fill two pages exactly print two pages, not a blank third.
    CHistavueView* view = Open(2 * perPage);
    view->List()->Table().SetRemark(std::string(100, 'r'));
    EXPECT_TRUE(app->MainFrame()->Action(kCmdFilePrint)->isEnabled());
    Run(kCmdFilePrint);
    EXPECT_EQ(ui.printDialogs, 1);
    EXPECT_EQ(ui.lastMaxPage, 2);
    ASSERT_EQ(PdfPages(ui.printPdf), 2);

    const QString page1 = PdfText(ui.printPdf, 1);
    EXPECT_TRUE(page1.contains(QString::fromUtf8("锅炉一号"))) << page1.toStdString();
    EXPECT_TRUE(Words(page1).contains("Time Alpha Beta"));
    EXPECT_TRUE(Words(page1).contains("2024-01-01 00:00:00 0.5 0"));
    EXPECT_TRUE(page1.contains(QString::fromUtf8("第 1 页 / 共 2 页")));
    EXPECT_TRUE(page1.contains(QString::fromUtf8(kReportCompanyLine)));
    EXPECT_TRUE(page1.contains(QString::fromUtf8("备注:")));
    EXPECT_TRUE(page1.contains(QString(80, 'r'))) << page1.toStdString();
    EXPECT_FALSE(page1.contains(QString(81, 'r')));
    // The last row of page 1 and the first of page 2 are neighbours.
    const int last = perPage - 1;
    EXPECT_TRUE(page1.contains(QStringLiteral("%1.5").arg(last)));
    const QString page2 = PdfText(ui.printPdf, 2);
    EXPECT_FALSE(page2.contains(QStringLiteral(" %1.5 ").arg(last)));
    EXPECT_TRUE(page2.contains(QStringLiteral("%1.5").arg(perPage)));
    EXPECT_TRUE(page2.contains(QString::fromUtf8("第 2 页 / 共 2 页")));

    // The direct print goes to the printer as it was last chosen, without the dialog.
    QFile::remove(ui.printPdf);
    Run(kCmdFilePrintDirect);
    EXPECT_EQ(ui.printDialogs, 1);
    EXPECT_EQ(PdfPages(ui.printPdf), 2);

    // A hidden channel leaves the caption line and the rows.
    view->Settings().channels.back().show = 0;
    Run(kCmdFilePrint);
    const QString hidden = Words(PdfText(ui.printPdf, 1));
    EXPECT_TRUE(hidden.contains("Time Alpha 2024-01-01 00:00:00 0.5 2024-01-01 00:00:10 1.5"))
        << hidden.toStdString();
    EXPECT_FALSE(hidden.contains("Beta"));
}

// The pages are laid out in the report's own fixed-pitch face, whatever the machine prefers, and
// a table whose caption line fits the page prints on one page across.
TEST_F(PrintTest, OwnFixedFaceAndOnePageAcrossWhenTheCaptionLineFits) {
    EXPECT_EQ(QFontInfo(ReportFixedFont(12, kReportDpi)).family(), QString(kReportFixedFamily));
    EXPECT_TRUE(ReportFontWarning().isEmpty());
    CHistavueView* view = Open(10, "Fits", "P1,Flow,Level,A,Temperature,Humidity_in");
    ReportPrintMetrics m;
    ASSERT_TRUE(BeginReportJob(app->Printer(), &view->List()->Table(), view->Settings(), &m));
    EXPECT_LE(m.tableWidth, m.page.width());
    EXPECT_EQ(m.bands.size(), 1u);
    EXPECT_EQ(m.pageCount, 1);
}

// A header of more channels than the most pages across hold prints those pages, each caption
// measured once, and every page says how many channels were left out.
TEST_F(PrintTest, ChannelsPastTheMostPagesAcrossAreCountedOnThePage) {
    RecordTable table;
    auto text = std::make_shared<TextBuffer>();
    const std::string wide = "Wide\nTime" + std::string(20000, ',') + "\n2024-01-01 00:00:00,1\n";
    text->Append(wide.data(), static_cast<int64_t>(wide.size()));
    ASSERT_TRUE(table.LoadTable(text));
    CurveSettings settings;
    InitCurveSettings(&settings, table);
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir.path() + "/wide.pdf");
    ReportPrintMetrics m;
    ASSERT_TRUE(BeginReportJob(&printer, &table, settings, &m));
    ASSERT_EQ(m.bands.size(), static_cast<size_t>(kReportMaxBands));
    EXPECT_EQ(m.pageCount, kReportMaxBands);
    EXPECT_GT(m.leftOut, 0);
    EXPECT_EQ(m.leftOut, 20000 - (m.bands.back().end - 1));
    QPainter painter(&printer);
    PrintReportPage(painter, table, m, kReportMaxBands);
    painter.end();
    EXPECT_TRUE(PdfText(dir.path() + "/wide.pdf")
                    .contains(QString::fromUtf8("另有 %1 个通道未打印").arg(m.leftOut)));
}

TEST_F(PrintTest, CancelUnwritableFileAndTooSmallPaper) {
    Open(30);
    ui.printPdf.clear();
    Run(kCmdFilePrint);
    EXPECT_EQ(ui.printDialogs, 1);
    EXPECT_TRUE(ui.messages.isEmpty());

    // A file that cannot be written is reported, not passed over.
    ui.printPdf = dir.path() + "/missing/folder/out.pdf";
    Run(kCmdFilePrint);
    ASSERT_EQ(ui.messages.size(), 1);
    EXPECT_EQ(ui.messages.takeFirst(), QString::fromUtf8(kPrintFailedMessage));

    // Printing into the document's own working file is refused and leaves it as it was.
    const QString working = app->MainFrame()->ActiveView()->Document()->PathName();
    const std::string records = ReadRecordFile(working);
    ui.printPdf = working;
    Run(kCmdFilePrint);
    ASSERT_EQ(ui.messages.size(), 1);
    EXPECT_EQ(ui.messages.takeFirst(), QString::fromUtf8(kPrintOntoRecordFileMessage));
    EXPECT_EQ(ReadRecordFile(working), records);

    ui.printPdf = dir.path() + "/small.pdf";
    app->Printer()->setPageSize(QPageSize(QSizeF(60, 40), QPageSize::Millimeter));
    Run(kCmdFilePrint);
    Run(kCmdFilePrintPreview);
    EXPECT_EQ(ui.printDialogs, 3);  // not asked again: the paper was refused first
    ASSERT_EQ(ui.messages.size(), 2);
    EXPECT_EQ(ui.messages[0], QString::fromUtf8(kPaperTooSmallMessage));
    EXPECT_FALSE(QFile::exists(ui.printPdf));
    EXPECT_FALSE(app->MainFrame()->ActiveView()->InPreview());
}

TEST_F(PrintTest, OnePreviewPerViewThatPagesAndPrints) {
    CHistavueView* view = Open(200);
    const int perPage = RowsOnPage(view);
    Run(kCmdFilePrintPreview);
    ASSERT_TRUE(view->InPreview());
    Run(kCmdFilePrintPreview);
    QList<CReportPreview*> previews = view->findChildren<CReportPreview*>();
    ASSERT_EQ(previews.size(), 1);
    CReportPreview* preview = previews.front();
    EXPECT_EQ(preview->PageCount(), (200 + perPage - 1) / perPage);
    preview->findChild<QPushButton*>("next")->click();
    EXPECT_EQ(preview->CurrentPage(), 2);
    // The page shows the whole sheet, as the printer has it, so the footer's text that reaches
    // into the bottom margin is not cut off.
    const QImage shown = preview->findChild<QWidget*>("page")->grab().toImage();
    QRect paper;
    int lowestInk = -1;
    for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x) {
            const QRgb pixel = shown.pixel(x, y);
            if (pixel == qRgb(255, 255, 255))
                paper |= QRect(x, y, 1, 1);
            else if (qGray(pixel) < 100)
                lowestInk = y;
        }
    const QSizeF sheet = app->Printer()->pageLayout().fullRect().size();
    EXPECT_NEAR(paper.width() / double(paper.height()), sheet.width() / sheet.height(), 0.01);
    EXPECT_LT(lowestInk, paper.bottom() - 2);
    preview->ShowPage(1000);
    EXPECT_EQ(preview->CurrentPage(), preview->PageCount());

    // Printing from the preview prints every page and closes it.
    preview->findChild<QPushButton*>("print")->click();
    Settle();
    EXPECT_EQ(PdfPages(ui.printPdf), (200 + perPage - 1) / perPage);
    EXPECT_FALSE(view->InPreview());
    Run(kCmdFilePrintPreview);
    EXPECT_TRUE(view->InPreview());
    view->findChild<CReportPreview*>()->reject();
    Settle();
    EXPECT_FALSE(view->InPreview());
}

TEST_F(PrintTest, CurvePrintNeedsADrawnChart) {
    CHistavueView* view = Open(30);
    Run(kCmdCurvePrint);
    ASSERT_EQ(ui.messages.size(), 1);
    EXPECT_EQ(ui.messages[0], QString::fromUtf8("没找到要打印的曲线，请先画出曲线!"));
    EXPECT_EQ(ui.printDialogs, 0);

    view->resize(800, 600);
    Run(kCmdDrawCurves);
    Run(kCmdCurvePrint);
    EXPECT_EQ(ui.messages.size(), 1);
    EXPECT_EQ(PdfPages(ui.printPdf), 1);
    // Drawn as lines and texts, not as a bitmap: the title and the legend read back.
    const QString curves = Words(PdfText(ui.printPdf));
    EXPECT_TRUE(curves.contains(QString::fromUtf8("锅炉一号"))) << curves.toStdString();
    EXPECT_TRUE(curves.contains("Alpha") && curves.contains("Beta")) << curves.toStdString();

    // The report prints while the view shows curves, and curves are gone with the report shown.
    Run(kCmdFilePrint);
    EXPECT_TRUE(Words(PdfText(ui.printPdf)).contains("Time Alpha Beta"));
    Run(kCmdShowReport);
    Run(kCmdCurvePrint);
    EXPECT_EQ(ui.messages.size(), 2);
}

TEST_F(PrintTest, ReportToolWritesPagesAndExplainsFailures) {
    const QString in = dir.path() + "/in.csv";
    ASSERT_TRUE(WriteRecordFile(in, SampleRecordText(300, "锅炉一号 水风页", "P1,C01"), false));
    const QString pdf = dir.path() + "/rep.pdf";
    const QString png = dir.path() + "/cur.png";
    auto run = [](const QStringList& args) { return RunTool(args); };
    EXPECT_EQ(run({"--in", in, "--plain", "--pdf", pdf, "--curves", png}), 0);
    EXPECT_GE(PdfPages(pdf), 2);
    // A new PDF gets the mode the user's umask gives new files.
    const QString own = dir.path() + "/own.pdf";
    const mode_t mask = umask(077);
    EXPECT_EQ(run({"--in", in, "--plain", "--pdf", own}), 0);
    umask(mask);
    struct stat st {};
    EXPECT_EQ(stat(QFile::encodeName(own).constData(), &st) == 0 ? st.st_mode & 0777 : 0, 0600u);
    // Each form read the other way is named, with the option that reads it.
    QString said;
    EXPECT_EQ(RunTool({"--in", in, "--pdf", pdf}, &said), 1);
    EXPECT_TRUE(said.contains("a plain CSV file: read it with --plain")) << said.toStdString();
    // The program itself says nothing on standard error in a normal run, even without a
    // runtime folder (cron).
    const QString tool = QCoreApplication::applicationDirPath() + "/histavue-report";
    if (QFile::exists(tool)) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove("XDG_RUNTIME_DIR");
        p.setProcessEnvironment(env);
        p.start(tool, {"--in", in, "--plain", "--pdf", pdf, "--curves", png});
        ASSERT_TRUE(p.waitForFinished(120000));
        EXPECT_EQ(p.exitCode(), 0);
        EXPECT_EQ(p.readAllStandardError(), QByteArray());
    }
    // The text read back is the text printed: no radicals for the characters that look like
    // them, no digits lost after letters.
    const QString page1 = Words(PdfText(pdf, 1));
    for (const char* printed :
         {"锅炉一号 水风页", "Time P1 C01", "2024-01-01 00:00:10 1.5 2", "第 1 页 / 共", "备注:"})
        EXPECT_TRUE(page1.contains(QString::fromUtf8(printed))) << printed << "\n"
                                                                << page1.toStdString();
    EXPECT_FALSE(QImage(png).isNull());
    EXPECT_EQ(run({"--in", in, "--plain", "--pdf", pdf, "--landscape", "--page-size", "A3"}), 0);

    // Channels wider than the paper continue on pages across, each with the title, the time
    // column and the footer, numbered over all pages; none is lost.
    QStringList channels;
    for (int c = 1; c <= 13; ++c)
        channels << QStringLiteral("Ch%1").arg(c, 2, 10, QChar('0'));
    const QString wide = dir.path() + "/wide.csv";
    ASSERT_TRUE(WriteRecordFile(wide, SampleRecordText(5, "Wide", channels.join(',').toStdString()),
                                false));
    EXPECT_EQ(run({"--in", wide, "--plain", "--pdf", pdf}), 0);
    const int pages = PdfPages(pdf);
    EXPECT_GE(pages, 2);
    QStringList printed;
    for (int page = 1; page <= pages; ++page) {
        const QString text = Words(PdfText(pdf, page));
        EXPECT_TRUE(text.startsWith("Wide Time Ch")) << text.toStdString();
        EXPECT_TRUE(text.contains("2024-01-01 00:00:40"));
        EXPECT_TRUE(text.contains(QString::fromUtf8("第 %1 页 / 共 %2 页").arg(page).arg(pages)));
        printed << text.split(' ').filter(QRegularExpression("^Ch\\d\\d$"));
    }
    EXPECT_EQ(printed.join(" ").toStdString(), channels.join(" ").toStdString());

    // A configuration file gives the pages its title and channel names.
    RecordTable table;
    auto text = std::make_shared<TextBuffer>();
    const std::string sample = SampleRecordText(3, "Line1", "P1,C01");
    text->Append(sample.data(), static_cast<int64_t>(sample.size()));
    ASSERT_TRUE(table.LoadTable(text));
    CurveSettings settings;
    InitCurveSettings(&settings, table);
    settings.channels.front().SetName("Flow");
    const QString ini = dir.path() + "/names.ini";
    ASSERT_TRUE(WriteConfigFile(PathBytes(ini), "Pump station", "", settings));
    EXPECT_EQ(run({"--in", in, "--plain", "--ini", ini, "--pdf", pdf}), 0);
    EXPECT_TRUE(PdfText(pdf, 1).contains("Pump station"));
    EXPECT_TRUE(Words(PdfText(pdf, 1)).contains("Time Flow C01"));
    EXPECT_EQ(run({"--in", in, "--plain", "--ini", in, "--pdf", pdf}), 1);  // not a configuration
    EXPECT_EQ(run({"--in", in, "--plain", "--ini", "", "--pdf", pdf}), 2);

    EXPECT_EQ(run({"--pdf", pdf}), 2);
    EXPECT_EQ(run({"--in", in, "--bogus"}), 2);
    EXPECT_EQ(run({"--in", in, "--pdf", pdf, "--page-size", "Napkin"}), 2);
    EXPECT_EQ(run({"--in", dir.path() + "/none.csv", "--pdf", pdf}), 1);
    EXPECT_EQ(run({"--in", in, "--pdf", pdf}), 1);  // plain text read as inverted
    EXPECT_EQ(run({"--in", in, "--plain", "--pdf", pdf, "--page-size", "A10", "--landscape"}),
              1);  // no row fits

    // Times that cannot be read draw no curves; the pages print, with a word on standard error.
    const QString us = dir.path() + "/us.csv";
    ASSERT_TRUE(WriteRecordFile(
        us, "Time,A\n02/28/24 12:00,1\n02/28/24 12:01,2\n02/28/24 12:02,3\n", false));
    for (const bool curves : {true, false}) {
        QStringList args{"--in", us, "--plain", "--pdf", pdf};
        if (curves)
            args << "--curves" << png;
        QString said;
        EXPECT_EQ(RunTool(args, &said), curves ? 1 : 0);
        EXPECT_TRUE(said.contains(us + ": no row's time can be read")) << said.toStdString();
    }

    // Inputs that are no record file are named with what they are.
    const QString fifo = dir.path() + "/fifo";
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    for (const QString& input : {dir.path(), QStringLiteral("/dev/null"), fifo}) {
        QString said;
        EXPECT_EQ(RunTool({"--in", input, "--pdf", pdf}, &said), 1);
        EXPECT_TRUE(said.contains(
            input + (input == dir.path() ? ": is a folder" : ": is not a regular file")))
            << said.toStdString();
    }
}

TEST_F(PrintTest, ReportToolWritesOutputsWholeOrNotAtAll) {
    const QString in = dir.path() + "/big.csv";
    ASSERT_TRUE(WriteRecordFile(in, SampleRecordText(20000, "Big", "P1,C01,C02"), false));
    const QString pdf = dir.path() + "/rep.pdf";
    const QString curves = dir.path() + "/cur.pdf";
    const QString image = dir.path() + "/cur.png";
    const QByteArray old = "the old output\n";
    auto keepsOld = [&](const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) && f.readAll() == old;
    };
    auto leftovers = [&] { return QDir(dir.path()).entryList(QDir::Hidden | QDir::Files); };
    const QStringList files = leftovers();
    for (const QString& path : {pdf, curves, image}) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.write(old) == old.size());
    }

    // An output that is an input or the other output, or a PDF under another format's name, is
    // refused before anything is written.
    const QString fresh = dir.path() + "/fresh.pdf";
    for (const QStringList& args :
         {QStringList{"--in", pdf, "--plain", "--pdf", pdf},
          QStringList{"--in", in, "--plain", "--pdf", pdf, "--curves", dir.path() + "/./rep.pdf"},
          QStringList{"--in", in, "--plain", "--pdf", fresh, "--curves", fresh},
          QStringList{"--in", in, "--plain", "--pdf", dir.path() + "/x.png"}})
        EXPECT_EQ(RunTool(args), 2) << args.join(' ').toStdString();
    EXPECT_TRUE(keepsOld(pdf));

    // A disk that fills up (a file-size limit in the child) fails with the system's reason, and a
    // run stopped midway leaves nothing either: the old file stays, no new file is left.
    const QString tool = QCoreApplication::applicationDirPath() + "/histavue-report";
    if (!QFile::exists(tool))
        GTEST_SKIP() << "histavue-report not built";
    struct Case {
        QString output;
        bool stop;  // stopped once its new file appears; otherwise the disk fills up
    };
    for (const Case& c :
         {Case{pdf, false}, Case{curves, false}, Case{image, false}, Case{pdf, true}}) {
        QProcess p;
        p.setChildProcessModifier([stop = c.stop] {
            const rlimit limit{16 << 10, 16 << 10};
            if (!stop && setrlimit(RLIMIT_FSIZE, &limit) == 0)
                signal(SIGXFSZ, SIG_IGN);
        });
        p.start(tool, {"--in", in, "--plain", c.output == pdf ? "--pdf" : "--curves", c.output});
        if (c.stop) {
            QElapsedTimer waited;
            waited.start();
            while (leftovers().size() == files.size() + 3 && waited.elapsed() < 60000 &&
                   p.state() != QProcess::NotRunning)
                QThread::msleep(1);
            p.terminate();
        }
        ASSERT_TRUE(p.waitForFinished(120000));
        if (!c.stop) {
            EXPECT_EQ(p.exitCode(), 1);
            EXPECT_TRUE(p.readAllStandardError().contains(std::strerror(EFBIG)));
        } else {
            EXPECT_EQ(p.exitStatus(), QProcess::CrashExit);
        }
        EXPECT_TRUE(keepsOld(c.output)) << c.output.toStdString();
        EXPECT_EQ(leftovers().size(), files.size() + 3) << leftovers().join(' ').toStdString();
    }
}

}  // namespace
