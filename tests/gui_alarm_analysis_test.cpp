// The alarm analysis of the demo sample store's alarm log through the real windows: opened from
// the alarm tree, its key figures read, a bar of its chart clicked, printed to PDF and read back,
// a table written as CSV; and the report tool's analysis with its refusals of bad input.
#include <QApplication>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <cstdio>

#include "alarm_analysis_window.h"
#include "alarm_mapping_dialog.h"
#include "alarm_mapping_profile.h"
#include "alarm_rate_chart.h"
#include "commands.h"
#include "data_list_bar.h"
#include "data_query_dialog.h"
#include "gui_app_test.h"
#include "report.h"
#include "roots.h"
#include "sample_store.h"
#include "store_api.h"

namespace {

class AlarmAnalysisTest : public AppTest {
  protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(root.isValid() && staging.isValid());
        ASSERT_TRUE(WriteSampleStore(root.path().toStdString(), "demo", 1, &error)) << error;
        ASSERT_TRUE(WriteRoots({staging.path(), root.path()}));
        AppTest::SetUp();
    }
    QTemporaryDir root, staging;
};

QString Cell(QTableWidget* table, int row, int column) {
    QTableWidgetItem* item = table->item(row, column);
    return item != nullptr ? item->text() : QString();
}

TEST_F(AlarmAnalysisTest, OpensFromTheAlarmTreeNarrowsByABarPrintsAndWritesCsv) {
    CGroupTree* tree = app->MainFrame()->DataListBar()->Tree(kAlarmRecords);
    ASSERT_GT(tree->topLevelItemCount(), 0);
    tree->setCurrentItem(tree->topLevelItem(0));
    Run(kCmdAlarmAnalysis);
    auto* window = qobject_cast<AlarmAnalysisWindow*>(
        app->MainFrame()->MdiArea()->activeSubWindow()->widget());
    ASSERT_NE(window, nullptr);
    app->MainFrame()->MdiArea()->activeSubWindow()->resize(1000, 700);
    window->WaitForAnalysis();
    ASSERT_TRUE(window->Analysed());

    // The group's span of about four days: its rates, its busiest period, the ten most frequent
    // alarms (all eight IDs) against their target, and the median time to acknowledge.
    const struct {
        int row;
        const char* name;
        const char* value;
        const char* target;
        const char* verdict;
    } figures[] = {
        {0, "每天报警数(平均)", "33.1", "≤ 150(可管理 ≤ 300)", "达标"},
        {3, "最繁忙的10分钟", "3 (2024-02-29 11:50:00)", "≤ 10", "达标"},
        {7, "最频繁10个报警的负荷占比", "100.00%", "≤ 5%", "未达标"},
        {13, "确认时间(中位数)", "0:04:29", "", ""},
    };
    QTableWidget* keys = window->KeyFigureTable();
    for (const auto& f : figures) {
        EXPECT_EQ(Cell(keys, f.row, 0), QString::fromUtf8(f.name));
        EXPECT_EQ(Cell(keys, f.row, 1), QString::fromUtf8(f.value)) << f.name;
        EXPECT_EQ(Cell(keys, f.row, 2), QString::fromUtf8(f.target)) << f.name;
        EXPECT_EQ(Cell(keys, f.row, 3), QString::fromUtf8(f.verdict)) << f.name;
    }
    EXPECT_EQ(window->IdTable()->rowCount(), 8);

    // A click on the busiest hour's bar narrows the tables to that hour; the whole span returns.
    window->PeriodChoice()->setCurrentIndex(1);
    AlarmRateChart* chart = window->Chart();
    const std::vector<uint32_t>& counts = chart->Series().counts;
    const int busiest =
        static_cast<int>(std::max_element(counts.begin(), counts.end()) - counts.begin());
    const QRect plot = AlarmRatePlotArea(chart->rect(), chart->font());
    const double width = static_cast<double>(plot.width()) / counts.size();
    QTest::mouseClick(
        chart, Qt::LeftButton, {},
        QPoint(plot.left() + static_cast<int>((busiest + 0.5) * width), plot.center().y()));
    EXPECT_EQ(window->Shown().from, chart->Series().first + 3600 * busiest);
    EXPECT_EQ(window->Shown().alarms, counts[static_cast<size_t>(busiest)]);
    EXPECT_LT(window->IdTable()->rowCount(), 8);
    window->ShowWhole();
    EXPECT_EQ(window->IdTable()->rowCount(), 8);

    // The query dialog on the alarm tab analyses the range typed, from its start to its end.
    app->MainFrame()->DataListBar()->SelectTab(kAlarmRecords);
    QTimer::singleShot(0, [] {
        auto* dialog = qobject_cast<CDataQuery*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        if (dialog->AlarmAnalysisButton() == nullptr) {
            ADD_FAILURE() << "the query dialog offers no alarm analysis";
            dialog->reject();
            return;
        }
        dialog->StartEdit()->setDateTime(QDateTime(QDate(2024, 2, 29), QTime(0, 0)));
        dialog->EndEdit()->setDateTime(QDateTime(QDate(2024, 3, 1), QTime(0, 0)));
        dialog->AlarmAnalysisButton()->click();
    });
    Run(kCmdQuery);
    auto* typed = qobject_cast<AlarmAnalysisWindow*>(
        app->MainFrame()->MdiArea()->activeSubWindow()->widget());
    ASSERT_TRUE(typed != nullptr && typed != window);
    typed->WaitForAnalysis();
    EXPECT_EQ(AlarmTimeString(typed->Shown().from), "2024-02-29 00:00:00");
    EXPECT_EQ(AlarmTimeString(typed->Shown().to), "2024-03-01 00:00:00");
    // Thresholds set there are the user's from then on: the day's busiest 10 minutes flood.
    alarms::AlarmThresholds lower;
    lower.floodPeriod = 2;
    typed->SetThresholds(lower);
    QSettings profile;
    EXPECT_EQ(LoadAlarmThresholds(profile).floodPeriod, 2u);
    EXPECT_NE(Cell(typed->KeyFigureTable(), 5, 1), "0.00%");
    // The alarm fields set from the window are the group's from then on, and the span is read
    // again by them: with "ALM" no longer a word of an alarm, no record raises one.
    ASSERT_GT(typed->Shown().alarms, 0u);
    QTimer::singleShot(0, [] {
        auto* dialog = qobject_cast<AlarmMappingDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        dialog->findChild<QLineEdit*>("alarm")->setText("RAISED");
        dialog->findChild<QPushButton*>("ok")->click();
    });
    typed->MappingAction()->trigger();
    typed->WaitForAnalysis();
    EXPECT_EQ(typed->Shown().alarms, 0u);
    // Its ALM records are listed as they read.
    ASSERT_GT(typed->UnfitTable()->rowCount(), 0);
    EXPECT_TRUE(Cell(typed->UnfitTable(), 0, 0).startsWith("2024-02-2"));
    ASSERT_EQ(StoredAlarmMappings().size(), 1u);
    EXPECT_EQ(StoredAlarmMappings().begin()->second.alarm, std::vector<std::string>{"RAISED"});

    // The ID table as CSV: in GB18030 unless UTF-8 with its mark is chosen, the panel's
    // messages readable in either.
    const QString gb = dir.path() + "/ids-gb.csv";
    ui.files.push_back(gb);
    window->IdsCsvAction()->trigger();
    QFile gbWritten(gb);
    ASSERT_TRUE(gbWritten.open(QIODevice::ReadOnly));
    QStringDecoder fromGb("GB18030");
    EXPECT_TRUE(
        QString(fromGb(gbWritten.readAll())).contains(QString::fromUtf8("锅炉一号 压力低")));
    const QString csv = dir.path() + "/ids.csv";
    ui.files.push_back(csv);
    window->Utf8Action()->setChecked(true);
    window->IdsCsvAction()->trigger();
    QFile written(csv);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_TRUE(written.readLine().startsWith("\xEF\xBB\xBFid,alarms,share_percent"));
    EXPECT_TRUE(
        QString::fromUtf8(written.readAll()).contains(QString::fromUtf8("锅炉一号 压力低")));

    // Printed: the key figures on the first page, the IDs after it.
    ui.printPdf = dir.path() + "/analysis.pdf";
    window->PrintAction()->trigger();
    ASSERT_TRUE(QFile::exists(ui.printPdf));
    const QString pdftotext = QStandardPaths::findExecutable("pdftotext");
    if (pdftotext.isEmpty())
        GTEST_SKIP() << "pdftotext is not installed: the PDF's text is not read back";
    QProcess read;
    read.start(pdftotext, {ui.printPdf, "-"});
    ASSERT_TRUE(read.waitForFinished(30000));
    const QString text = QString::fromUtf8(read.readAllStandardOutput());
    for (const char* expected :
         {"报警分析", "每天报警数(平均)", "33.1", "未达标", "1006", "0:04:29"})
        EXPECT_TRUE(text.contains(QString::fromUtf8(expected))) << expected;
}

// histavue-report's alarm analysis: what it writes, and why it refuses.
TEST_F(AlarmAnalysisTest, ReportToolAnalysesAndRefusesBadInput) {
    const QString al = root.path() + "/AL";
    const QString out = dir.path() + "/month.csv";
    const struct {
        QStringList args;
        int status;
        const char* said;
    } runs[] = {
        {{"--alarms", al, "--csv", out}, 2, "give --alarm-analysis"},
        {{"--alarm-analysis", "--csv", out}, 2, "needs --alarms DIR"},
        {{"--alarm-analysis", "--alarms", al}, 2, "give --pdf or --csv"},
        {{"--alarm-analysis", "--alarms", al, "--csv", dir.path() + "/x.txt"}, 2, ".csv file"},
        {{"--alarm-analysis", "--alarms", al, "--csv", out, "--encoding", "latin1"},
         2,
         "unknown encoding"},
        {{"--alarm-analysis", "--alarms", root.path() + "/DL", "--csv", out}, 1, "a data log"},
        {{"--alarm-analysis", "--alarms", al, "--group", "None", "--csv", out}, 1, "no group"},
        {{"--alarm-analysis", "--alarms", al, "--from", "2024-02-29 12:00", "--to", "2024-02-29",
          "--csv", out},
         2,
         "the first not after"},
        {{"--alarm-analysis", "--alarms", al, "--from", "2024-02-29 00:00", "--to",
          "2024-02-29 23:59:59", "--csv", out, "--encoding", "utf-8"},
         0,
         "2024-02-29 00:00:00 to 2024-03-01 00:00:00"},
    };
    for (const auto& r : runs) {
        std::FILE* sink = std::tmpfile();
        const int status = RunReport(QStringList{"histavue-report"} + r.args, sink, sink);
        std::rewind(sink);
        char said[4096] = {0};
        said[std::fread(said, 1, sizeof said - 1, sink)] = 0;
        std::fclose(sink);
        EXPECT_EQ(status, r.status) << said;
        EXPECT_TRUE(QString::fromUtf8(said).contains(QString::fromUtf8(r.said))) << said;
    }
    QFile ids(dir.path() + "/month-ids.csv");
    ASSERT_TRUE(ids.open(QIODevice::ReadOnly));
    EXPECT_TRUE(ids.readLine().startsWith("\xEF\xBB\xBFid,alarms"));
}

}  // namespace
