// The alarm lanes of the curve view through the real windows on the offscreen platform: read
// from an alarm store in the background, placed on both X axes, listed in the panel, jumped to
// by key, and the reason told when there are none; checked through the chart adapter's state.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <QComboBox>
#include <QFileInfo>
#include <QHelpEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <QToolTip>
#include <cstdio>
#include <filesystem>
#include <functional>

#include "alarm_mapping_dialog.h"
#include "alarm_mapping_profile.h"
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

// An alarm store at folder beside the report's 12 records of 00:00:00..00:01:50, every 10 s:
// the alarm of 1001 is cleared twice.
void WriteAlarmStore(const std::string& folder) {
    RecordWriter writer(folder, 1, 1, "Alarm log", "ID,Event,Message");
    const struct {
        int second;
        const char* values;
    } lines[] = {{21, "1001,ALM,Boiler hot, very"},
                 {39, "1001,ACK,Boiler hot, very"},
                 {45, "1001,RST,reset"},
                 {62, "1001,CLR,Boiler hot, very"},
                 {90, "2001,ALM,Link lost"},
                 {100, "1001,CLR,Boiler hot, very"}};
    for (const auto& l : lines)
        ASSERT_TRUE(
            writer.Append(MakeCalendarTime(2024, 1, 1, 0, l.second / 60, l.second % 60), l.values));
    ASSERT_TRUE(writer.Close());
    const RootIndexEntry group{"Alarms", 1, 1};
    ASSERT_TRUE(WriteRootIndex(folder, &group, 1));
}

// Runs histavue-report on the curves of the report at in; its exit status, what it said on
// either stream, and the image it drew.
int Report(const QString& in, QStringList args, QString* said, QImage* image = nullptr) {
    const QString out = QFileInfo(in).path() + "/curves.png";
    args = QStringList{"histavue-report", "--in", in, "--plain", "--curves", out} + args;
    std::FILE* sink = std::tmpfile();
    const int status = RunReport(args, sink, sink);
    std::rewind(sink);
    char text[8192] = {0};
    text[std::fread(text, 1, sizeof text - 1, sink)] = 0;
    std::fclose(sink);
    *said = QString::fromUtf8(text);
    if (image != nullptr)
        *image = QImage(out);
    return status;
}

TEST_F(AlarmsTest, LanesFromTheAlarmStoreOnBothAxesWithListKeysAndReasons) {
    const std::string al = dir.path().toStdString() + "/AL/";
    WriteAlarmStore(al);
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
    // 45 lies as near to 40 as to 50 and takes the earlier. The second clear, at 100, ends and
    // starts nothing: a mark.
    ASSERT_EQ(lanes.lanes[0].spans.size(), 1);
    const ChartAlarmSpan& span = lanes.lanes[0].spans[0];
    EXPECT_EQ(span.from, 3);
    EXPECT_EQ(span.ack, 5);
    EXPECT_EQ(span.to, 7);
    EXPECT_TRUE(lanes.describe(span.key, false).contains("Boiler hot, very"));
    EXPECT_TRUE(lanes.describe(lanes.lanes[0].marks[0].key, true).contains("reset"));
    ASSERT_EQ(lanes.lanes[0].marks.size(), 2);
    EXPECT_EQ(lanes.lanes[0].marks[0].x, 5);
    EXPECT_EQ(lanes.lanes[0].marks[1].x, 11);
    // Without a clear, to the range's end.
    EXPECT_EQ(lanes.lanes[1].spans[0].from, 10);
    EXPECT_EQ(lanes.lanes[1].spans[0].to, 12);
    EXPECT_FALSE(lanes.lanes[1].spans[0].cleared);
    EXPECT_EQ(lanes.alarmPoints, QList<int>({2, 9}));
    EXPECT_TRUE(alarms->Status().contains(QString::fromUtf8("2 次报警")));

    // The lanes stand over the plot with every label whole, at any size, and a span's tip
    // stays while the mouse does.
    for (QSize size : {QSize(800, 500), QSize(1280, 800)}) {
        view->resize(size);
        Settle();
        const PlotLayout* l = c->Layout();
        EXPECT_EQ(l->lanes.left(), l->plot.left());
        EXPECT_EQ(l->lanes.right(), l->plot.right());
        EXPECT_LE(l->area.left() + l->laneLabelWidth, l->plot.left() - 4);
    }
    const QRectF lane = c->Layout()->LaneRect(0, 2);
    const QPoint onSpan(c->PlotPosition(4, 0).x(), static_cast<int>(lane.center().y()));
    QHelpEvent hover(QEvent::ToolTip, onSpan, c->Plot()->mapToGlobal(onSpan));
    QApplication::sendEvent(c->Plot(), &hover);
    QTest::qWait(1500);
    EXPECT_TRUE(QToolTip::isVisible());
    EXPECT_TRUE(QToolTip::text().contains("Boiler hot, very"));

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
    EXPECT_EQ(panel->AlarmRowCount(), 6);
    c->ZoomX(6, 12);
    ASSERT_EQ(panel->AlarmRowCount(), 3);
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
    QImage plain;
    QImage withAlarms;
    QString said;
    EXPECT_EQ(Report(in, {}, &said, &plain), 0);
    EXPECT_FALSE(said.contains(QString::fromUtf8("报警")));
    EXPECT_EQ(Report(in, {"--alarms", QString::fromStdString(al)}, &said, &withAlarms), 0);
    EXPECT_TRUE(said.contains(QString::fromUtf8("2 次报警"))) << said.toStdString();
    EXPECT_EQ(plain.size(), withAlarms.size());
    EXPECT_NE(plain, withAlarms);

    // The group's captions and words as the profile keeps them: with "RST" a clear, 1001 is
    // cleared at 00:00:45; before, that record fitted no word and was told so.
    EXPECT_TRUE(alarms->Status().contains(QString::fromUtf8("1 条报警记录不符合")));
    AlarmMapping mapping;
    mapping.clear = {"CLR", "rst"};
    StoreAlarmMapping("Alarms", mapping);
    view->DrawCurves();
    alarms->WaitForAlarms();
    ASSERT_EQ(c->AlarmLanes().lanes.size(), 2);
    EXPECT_EQ(c->AlarmLanes().lanes[0].spans[0].to, 45);
    EXPECT_FALSE(alarms->Status().contains(QString::fromUtf8("不符合")));
    StoreAlarmMapping("Alarms", DefaultAlarmMapping());

    // Roots without an alarm store: no lanes, and the status bar says why.
    SetAlarmStoreFolder(dir.path().toStdString() + "/none/");
    view->DrawCurves();
    alarms->WaitForAlarms();
    EXPECT_TRUE(c->AlarmLanes().lanes.isEmpty());
    EXPECT_EQ(alarms->Status(), QString::fromUtf8("当前的根目录没有报警记录库,不显示报警"));
    EXPECT_EQ(app->MainFrame()->statusBar()->currentMessage(), alarms->Status());
    SetAlarmStoreFolder(std::string());
}

TEST_F(AlarmsTest, WhatCannotGiveAlarmsIsNamedNotTakenForNoAlarms) {
    CHistavueView* view = OpenRecords(SampleRecordText(12));
    Run(kCmdDrawCurves);
    AlarmLayer* alarms = view->Curves()->Alarms();
    alarms->SetShown(true);
    const QString in = dir.path() + "/in.csv";
    ASSERT_TRUE(WriteRecordFile(in, SampleRecordText(12), false));
    auto fifo = [](const std::string& path) {
        std::filesystem::remove(path);
        ASSERT_EQ(mkfifo(path.c_str(), 0644), 0);
    };
    struct Case {
        const char* what;
        std::function<void(const std::string& al)> make;
        std::string file;    // under the folder: the file named
        const char* status;  // in the status bar, after the file
        const char* said;    // by the report tool, after the folder or file
        int exit;
    };
    const std::string index = "1/2024/01/01/00.idx";
    const Case cases[] = {
        {"no folder", [](const std::string&) {}, "", "当前的根目录没有报警记录库,不显示报警",
         ": no such folder", 1},
        {"no root index", [](const std::string& al) { std::filesystem::create_directories(al); },
         "", "当前的根目录没有报警记录库,不显示报警",
         ": no alarm store here (no root index NewDLRoot.idx)", 1},
        {"a data log",
         [](const std::string& al) {
             RecordWriter writer(al, 1, 1, "Line1", "T1,T2");
             ASSERT_TRUE(writer.Append(MakeCalendarTime(2024, 1, 1), "1,2"));
             ASSERT_TRUE(writer.Close());
             const RootIndexEntry group{"Line1", 1, 1};
             ASSERT_TRUE(WriteRootIndex(al, &group, 1));
         },
         "", "的记录组没有 Event 标题:这是数据记录,不是报警记录,不显示报警",
         ": a data log, not an alarm log (its groups have no Event caption)", 1},
        {"a FIFO for the root index",
         [&](const std::string& al) {
             WriteAlarmStore(al);
             fifo(al + "NewDLRoot.idx");
         },
         "NewDLRoot.idx", " 不是普通文件,不显示报警", ": not a regular file", 1},
        {"an index entry cut short",
         [&](const std::string& al) {
             WriteAlarmStore(al);
             std::filesystem::resize_file(al + index, 43);
         },
         index,
         " 有 43 字节,不是整数个 8 字节的条目(已损坏,或记录器正在写入:请稍后再试),不显示报警",
         ": the folder index has 43 bytes, not a whole number of 8-byte entries (damaged, or "
         "being written by the panel: try again)",
         1},
        {"an empty index",
         [&](const std::string& al) {
             WriteAlarmStore(al);
             std::filesystem::resize_file(al + index, 0);
         },
         index, " 是空的,不显示报警", ": the folder index is empty", 1},
        {"a folder for the block",
         [&](const std::string& al) {
             WriteAlarmStore(al);
             std::filesystem::remove(al + "1/2024/01/01/00(0).csv");
             std::filesystem::create_directory(al + "1/2024/01/01/00(0).csv");
         },
         "1/2024/01/01/00(0).csv", " 不是普通文件,不显示报警", ": not a regular file", 1},
        {"a range without alarms keeps its message",
         [&](const std::string& al) {
             WriteAlarmStore(al);
             std::filesystem::rename(al + "1/2024/01/01/00.idx", al + "1/2024/01/01/05.idx");
         },
         "", "报表的时间范围内没有报警", "", 0},
    };
    int n = 0;
    for (const Case& c : cases) {
        const std::string al = dir.path().toStdString() + "/case" + std::to_string(++n) + "/";
        c.make(al);
        SetAlarmStoreFolder(al);
        view->DrawCurves();
        alarms->WaitForAlarms();
        const std::string status = alarms->Status().toStdString();
        EXPECT_NE(status.find(c.file + c.status), std::string::npos) << c.what << ": " << status;
        EXPECT_EQ(app->MainFrame()->statusBar()->currentMessage(), alarms->Status()) << c.what;
        QString said;
        EXPECT_EQ(Report(in, {"--alarms", QString::fromStdString(al)}, &said), c.exit) << c.what;
        const std::string named = (c.file.empty() ? al : al + c.file) + c.said;
        if (c.exit != 0) {
            EXPECT_NE(said.toStdString().find(named), std::string::npos)
                << c.what << ": " << said.toStdString();
        }
    }
    // The alarms are drawn on the curves only.
    std::FILE* sink = std::tmpfile();
    EXPECT_EQ(RunReport({"histavue-report", "--in", in, "--plain", "--pdf", dir.path() + "/r.pdf",
                         "--alarms", dir.path()},
                        sink, sink),
              2);
    std::fclose(sink);
    SetAlarmStoreFolder(std::string());
}

TEST_F(AlarmsTest, TheMappingDialogKeepsTheGroupsOwnCaptionsAndOffersNoFault) {
    const std::string number = "\xE7\xBC\x96\xE5\x8F\xB7";  // a caption in UTF-8
    const std::string count = "\xE6\x95\xB0\xE9\x87\x8F";   // typed: UTF-8 as the header is
    struct Case {
        const char* what;
        int idItem;  // -1: typed
        std::string id;
        const char* event;
        const char* alarm;
        const char* ack;
        bool ok;
    };
    const Case cases[] = {
        {"chosen", 0, number, "State", "Come, Alarm On", "", true},
        {"typed", -1, count, "state", "Come", "Quit", true},
        {"no event caption", 0, number, " ", "Come", "", false},
        {"the event caption twice", -1, "State", "STATE", "Come", "", false},
        {"a word of two events", 0, number, "State", "Come", "come", false},
    };
    for (const Case& c : cases) {
        AlarmMappingDialog dialog(QStringLiteral("G"), {number, "State", "Text"},
                                  DefaultAlarmMapping());
        auto* id = dialog.findChild<QComboBox*>(QStringLiteral("id"));
        if (c.idItem >= 0)
            id->setCurrentIndex(c.idItem);
        else
            id->setEditText(QString::fromStdString(c.id));
        dialog.findChild<QComboBox*>(QStringLiteral("event"))->setEditText(c.event);
        dialog.findChild<QLineEdit*>(QStringLiteral("alarm"))->setText(c.alarm);
        dialog.findChild<QLineEdit*>(QStringLiteral("ack"))->setText(c.ack);
        EXPECT_EQ(dialog.findChild<QPushButton*>(QStringLiteral("ok"))->isEnabled(), c.ok)
            << c.what;
        if (c.ok) {
            const AlarmMapping m = dialog.Mapping();
            EXPECT_EQ(m.id, c.id) << c.what;
            EXPECT_EQ(m.alarm.size(), std::string(c.alarm).find(',') != std::string::npos ? 2u : 1u)
                << c.what;
        }
        dialog.findChild<QPushButton*>(QStringLiteral("defaults"))->click();
        EXPECT_TRUE(dialog.Mapping() == DefaultAlarmMapping()) << c.what;
    }
}

}  // namespace
