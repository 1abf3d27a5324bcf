// The alarm lanes of the curve view through the real windows on the offscreen platform: read
// from an alarm store in the background, placed on both X axes, listed in the panel, jumped to
// by key, and the reason told when there are none; checked through the chart adapter's state.
#include <gtest/gtest.h>

#include <QStatusBar>
#include <QTest>
#include <cstdio>

#include "alarm_reader.h"
#include "chart_adapter.h"
#include "commands.h"
#include "curve_extras.h"
#include "curve_view.h"
#include "gui_app_test.h"
#include "histavue_view.h"
#include "main_frame.h"
#include "record_writer.h"
#include "report.h"

namespace {

using AlarmsTest = AppTest;

TEST_F(AlarmsTest, LanesFromTheAlarmStoreOnBothAxesWithListKeysAndReasons) {
    // An alarm store beside the report's 12 records of 00:00:00..00:01:50, every 10 s.
    const std::string al = dir.path().toStdString() + "/AL/";
    RecordWriter writer(al, 1, 1, "Alarm log", "ID,Event,Message");
    const struct {
        int second;
        const char* values;
    } lines[] = {{21, "1001,ALM,Boiler hot, very"},
                 {39, "1001,ACK,Boiler hot, very"},
                 {45, "1001,RST,reset"},
                 {62, "1001,CLR,Boiler hot, very"},
                 {90, "2001,ALM,Link lost"}};
    for (const auto& l : lines)
        ASSERT_TRUE(
            writer.Append(MakeCalendarTime(2024, 1, 1, 0, l.second / 60, l.second % 60), l.values));
    ASSERT_TRUE(writer.Close());
    const RootIndexEntry group{"Alarms", 1, 1};
    ASSERT_TRUE(WriteRootIndex(al, &group, 1));
    SetAlarmStoreFolder(al);

    CHistavueView* view = OpenRecords(SampleRecordText(12));
    Run(kCmdDrawCurves);
    ChartAdapter* c = view->Curves()->Adapter();
    AlarmLayer* alarms = view->Curves()->Alarms();
    EXPECT_TRUE(c->AlarmLanes().lanes.isEmpty());  // off until chosen
    EXPECT_TRUE(c->MenuActions().contains(alarms->Action()));

    alarms->SetShown(true);
    alarms->WaitForAlarms();
    const ChartAlarmLanes& lanes = c->AlarmLanes();
    ASSERT_EQ(lanes.lanes.size(), 2);
    EXPECT_EQ(lanes.lanes[0].label, "1001");
    // The nearest points (X = point + 1): 00:00:21 at 00:00:20, 39 at 40, 62 at 60; the mark at
    // 45 lies as near to 40 as to 50 and takes the earlier.
    ASSERT_EQ(lanes.lanes[0].spans.size(), 1);
    const ChartAlarmSpan& span = lanes.lanes[0].spans[0];
    EXPECT_EQ(span.from, 3);
    EXPECT_EQ(span.ack, 5);
    EXPECT_EQ(span.to, 7);
    EXPECT_TRUE(lanes.describe(span.key, false).contains("Boiler hot, very"));
    EXPECT_TRUE(lanes.describe(lanes.lanes[0].marks[0].key, true).contains("reset"));
    ASSERT_EQ(lanes.lanes[0].marks.size(), 1);
    EXPECT_EQ(lanes.lanes[0].marks[0].x, 5);
    // Without a clear, to the range's end.
    EXPECT_EQ(lanes.lanes[1].spans[0].from, 10);
    EXPECT_EQ(lanes.lanes[1].spans[0].to, 12);
    EXPECT_FALSE(lanes.lanes[1].spans[0].cleared);
    EXPECT_EQ(lanes.alarmPoints, QList<int>({2, 9}));
    EXPECT_TRUE(alarms->Status().contains(QString::fromUtf8("2 次报警")));

    // N and P jump cursor A from alarm to alarm, and the read-out follows.
    QWidget* plot = view->Chart()->focusProxy();
    QTest::keyClick(plot, Qt::Key_N);
    EXPECT_EQ(c->CursorPoint(), 2);
    EXPECT_EQ(c->SeriesLabel(0), "T1(2.50)");
    QTest::keyClick(plot, Qt::Key_Right, Qt::ControlModifier);
    EXPECT_EQ(c->CursorPoint(), 9);
    QTest::keyClick(plot, Qt::Key_N);
    EXPECT_EQ(c->CursorPoint(), 9);
    QTest::keyClick(plot, Qt::Key_P);
    EXPECT_EQ(c->CursorPoint(), 2);

    // The panel lists the alarms of the shown range.
    view->Curves()->Extras()->SetPanelShown(true);
    CurvePanel* panel = view->Curves()->Extras()->Panel();
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(panel->AlarmRowCount(), 5);
    c->ZoomX(6, 12);
    ASSERT_EQ(panel->AlarmRowCount(), 2);
    EXPECT_EQ(panel->AlarmCellText(0, 0), "2024-01-01 00:01:02");
    EXPECT_EQ(panel->AlarmCellText(0, 3), "Boiler hot, very");

    // On the true time axis at their times, in seconds after the first record.
    view->Settings().timeAxis = 1;
    view->DrawCurves();
    ASSERT_EQ(c->AlarmLanes().lanes.size(), 2);  // the records read before, placed at once
    EXPECT_EQ(c->AlarmLanes().lanes[0].spans[0].from, 21);
    EXPECT_EQ(c->AlarmLanes().lanes[0].spans[0].ack, 39);

    // The report tool draws them too, from the folder it is given.
    const QString in = dir.path() + "/in.csv";
    ASSERT_TRUE(WriteRecordFile(in, SampleRecordText(12), false));
    auto report = [&](QStringList args, QImage* image) {
        const QString out = dir.path() + "/curves.png";
        args = QStringList{"histavue-report", "--in", in, "--plain", "--curves", out} + args;
        std::FILE* sink = std::tmpfile();
        EXPECT_EQ(RunReport(args, sink, sink), 0);
        std::rewind(sink);
        char text[4096] = {0};
        text[std::fread(text, 1, sizeof text - 1, sink)] = 0;
        std::fclose(sink);
        *image = QImage(out);
        return QString::fromUtf8(text);
    };
    QImage plain;
    QImage withAlarms;
    EXPECT_FALSE(report({}, &plain).contains(QString::fromUtf8("报警")));
    EXPECT_TRUE(report({"--alarms", QString::fromStdString(al)}, &withAlarms)
                    .contains(QString::fromUtf8("2 次报警")));
    EXPECT_EQ(plain.size(), withAlarms.size());
    EXPECT_NE(plain, withAlarms);

    // Roots without an alarm store: no lanes, and the status bar says why.
    SetAlarmStoreFolder(dir.path().toStdString() + "/none/");
    view->DrawCurves();
    alarms->WaitForAlarms();
    EXPECT_TRUE(c->AlarmLanes().lanes.isEmpty());
    EXPECT_EQ(alarms->Status(), QString::fromUtf8("当前的根目录没有报警记录库,不显示报警"));
    EXPECT_EQ(app->MainFrame()->statusBar()->currentMessage(), alarms->Status());
    SetAlarmStoreFolder(std::string());
}

}  // namespace
