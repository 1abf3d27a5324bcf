// The trend of a group or folder of the data-list bar, read straight from the store: opened from
// the tree's selection, zoomed, and read at the cursor.
#include <QAction>
#include <QDir>
#include <QImage>
#include <QListWidget>
#include <QMdiSubWindow>

#include "commands.h"
#include "datalist_fixture.h"
#include "histavue_view.h"
#include "record_list_ctrl.h"
#include "report.h"
#include "trend_window.h"

namespace {

TEST_F(DataListTest, TrendOfAGroupAndOfAFolderZoomedAndReadAtTheCursor) {
    // Nothing chosen: the user is told where to choose.
    Tree(0)->setCurrentItem(nullptr);
    Frame()->Action(kCmdTrend)->trigger();
    EXPECT_TRUE(ui.messages.back().contains(QString::fromUtf8("数据记录列表")));

    // The whole group: two hours every 10 s, both channels, from the captions.
    Tree(0)->setCurrentItem(Find(Tree(0), {"Line1"}));
    Frame()->Action(kCmdTrend)->trigger();
    auto* trend = qobject_cast<TrendWindow*>(Frame()->MdiArea()->activeSubWindow()->widget());
    ASSERT_NE(trend, nullptr);
    Frame()->MdiArea()->activeSubWindow()->resize(900, 500);
    Settle();
    trend->WaitForColumns();
    ASSERT_NE(trend->Columns(), nullptr);
    EXPECT_EQ(trend->Columns()->Total(), 720u);
    EXPECT_EQ(trend->ChannelList()->count(), 2);
    EXPECT_EQ(trend->ChannelList()->item(1)->text(), "T2");
    EXPECT_EQ(trend->PlotState().series.size(), 2);
    EXPECT_EQ(trend->ShownTo() - trend->ShownFrom(), 7200.0);
    // Read for the pixel columns as drawn, once the numbers' axis has taken its room.
    const auto readForPlot = [trend] {
        return trend->Columns()->Columns() ==
               static_cast<int>(trend->Plot()->Layout().plot.width());
    };
    EXPECT_TRUE(readForPlot());
    // A column of many records reads as its span, range and count.
    trend->ShowColumn(0);
    EXPECT_TRUE(trend->ReadOut().contains(QString::fromUtf8("条记录")));
    EXPECT_TRUE(trend->PlotState().series[0].name.startsWith("T1(0.00.."))
        << trend->ReadOut().toStdString();
    // The read-out's wider legend leaves the plot fewer pixel columns: read again, the cursor
    // kept at its time (within a column).
    trend->ShowColumn(300);
    const double at = trend->PlotState().cursorAX;
    trend->WaitForColumns();
    EXPECT_TRUE(readForPlot());
    EXPECT_NEAR(trend->PlotState().cursorAX, at, 7200.0 / trend->Columns()->Columns());

    // Zoomed to a minute: a column holds one record, read as it is.
    trend->ShowSpan(600, 660);
    trend->WaitForColumns();
    EXPECT_EQ(trend->Columns()->Total(), 6u);
    QTest::keyClick(trend->Plot(), Qt::Key_Right);
    EXPECT_EQ(trend->ReadOut(), QString::fromUtf8("当前时间:2024-01-01 00:10:00"));
    EXPECT_EQ(trend->PlotState().series[0].name, "T1(600.00)");
    // Unticked, a channel is not drawn; Home shows the whole span again.
    trend->ChannelList()->item(0)->setCheckState(Qt::Unchecked);
    EXPECT_EQ(trend->PlotState().series.size(), 1);
    trend->WaitForColumns();
    EXPECT_TRUE(readForPlot());
    QTest::keyClick(trend->Plot(), Qt::Key_Home);
    EXPECT_EQ(trend->ShownTo() - trend->ShownFrom(), 7200.0);

    // The trend as drawn: a picture, a PDF of lines and text, and its span as a report.
    ui.files.push_back(root.path() + "/trend.png");
    for (QAction* action : static_cast<PlotOwner*>(trend)->ContextMenuActions()) {
        if (action->text().startsWith(QString::fromUtf8("保存图像")))
            action->trigger();
    }
    EXPECT_EQ(QImage(root.path() + "/trend.png").size(), trend->Plot()->size());
    ui.printPdf = root.path() + "/trend.pdf";
    for (QAction* action : static_cast<PlotOwner*>(trend)->ContextMenuActions()) {
        if (action->text().startsWith(QString::fromUtf8("打印")))
            action->trigger();
    }
    EXPECT_GT(QFileInfo(root.path() + "/trend.pdf").size(), 1000);
    trend->ShowSpan(600, 660);
    trend->WaitForColumns();
    for (QAction* action : static_cast<PlotOwner*>(trend)->ContextMenuActions()) {
        if (action->text() == QString::fromUtf8("以报表打开"))
            action->trigger();
    }
    ASSERT_NE(Frame()->ActiveView(), nullptr);
    EXPECT_EQ(Frame()->ActiveView()->List()->Table().RowCount(), 7);  // 00:10:00..00:11:00

    // A folder: its own hour.
    Tree(0)->setCurrentItem(Find(Tree(0), {"Tank", "2024", "02", "29"}));
    Frame()->Action(kCmdTrend)->trigger();
    trend = qobject_cast<TrendWindow*>(Frame()->MdiArea()->activeSubWindow()->widget());
    ASSERT_NE(trend, nullptr);
    Settle();
    trend->WaitForSummaries();
    ASSERT_NE(trend->Columns(), nullptr);
    EXPECT_TRUE(trend->Summarised());
    EXPECT_EQ(trend->Columns()->Total(), 24u);
    // The summaries are kept beside the working files, never in the data folder.
    EXPECT_TRUE(QDir(staging.path() + "/DLTemp/summaries").exists());
    EXPECT_FALSE(QDir(root.path() + "/DL/summaries").exists());
}

}  // namespace

namespace {

TEST_F(DataListTest, ReportToolDrawsATrendStraightFromTheStore) {
    const QString dl = root.path() + "/DL";
    const QString svg = staging.path() + "/trend.svg";
    std::FILE* sink = std::tmpfile();
    EXPECT_EQ(RunReport({"histavue-report", "--store", dl, "--group", "Line1", "--staging",
                         staging.path(), "--from", "2024-01-01 01:00", "--to",
                         "2024-01-01 01:59:59", "--curves", svg},
                        sink, sink),
              0);
    std::rewind(sink);
    char said[256] = {};
    EXPECT_NE(std::fgets(said, sizeof said - 1, sink), nullptr);
    EXPECT_TRUE(QString::fromUtf8(said).contains("360 records")) << said;  // one hour of 10 s
    QFile file(svg);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().contains("Line1"));

    // With --alarms, the lanes of that alarm store over the span: an alarm inside it, one
    // before it.
    const QString alarms = staging.path() + "/alarm-root/AL";
    QDir().mkpath(alarms);
    {
        const std::string al = Bytes(alarms) + "\\";
        RecordWriter w(al, 1, 1, "Alarms", "ID,Event,Message");
        w.Append(At(2024, 1, 1, 0, 30, 0), "7,ALM,Early");
        w.Append(At(2024, 1, 1, 0, 31, 0), "7,CLR,Early");
        w.Append(At(2024, 1, 1, 1, 10, 0), "9,ALM,High");
        w.Append(At(2024, 1, 1, 1, 20, 0), "9,CLR,High");
        w.Close();
        const RootIndexEntry groups[] = {{"Alarm", 1, 1}};
        ASSERT_TRUE(WriteRootIndex(al, groups, 1));
    }
    std::rewind(sink);
    EXPECT_EQ(
        RunReport({"histavue-report", "--store", dl, "--group", "Line1", "--staging",
                   staging.path(), "--from", "2024-01-01 01:00", "--to", "2024-01-01 01:59:59",
                   "--curves", svg, "--alarms", alarms, "--own-scales"},
                  sink, sink),
        0);
    std::rewind(sink);
    QString told;
    while (std::fgets(said, sizeof said - 1, sink) != nullptr)
        told += QString::fromUtf8(said);
    EXPECT_TRUE(told.contains("1 alarms of 1 IDs drawn")) << told.toStdString();
    file.close();
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().contains(">9<"));  // the lane's ID beside it

    // Refused: a group that is not there, a trend with report pages, a span backwards, lanes
    // from a store that is no alarm log, own scales of no trend.
    for (const QStringList& args :
         {QStringList{"--store", dl, "--group", "Nope", "--staging", staging.path(), "--curves",
                      svg},
          QStringList{"--store", dl, "--group", "Line1", "--pdf", svg + ".pdf"},
          QStringList{"--store", dl, "--group", "Line1", "--from", "2024-01-02", "--to",
                      "2024-01-01", "--curves", svg},
          QStringList{"--store", dl, "--group", "Line1", "--staging", staging.path(), "--curves",
                      svg, "--alarms", dl},
          QStringList{"--in", svg, "--own-scales", "--curves", svg + ".png"}}) {
        EXPECT_NE(RunReport(QStringList{"histavue-report"} + args, sink, sink), 0)
            << args.join(' ').toStdString();
    }
    std::fclose(sink);
}

}  // namespace
