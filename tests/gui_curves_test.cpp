// The historic curves through the real windows on the offscreen platform: the draw, restore,
// report and settings commands, the chart's state behind its adapter, the cursor read-out, the
// check tree and the curve settings dialog with its messages.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMdiArea>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>
#include <cmath>
#include <cstdio>
#include <string>

#include "chart_adapter.h"
#include "check_tree_ctrl.h"
#include "commands.h"
#include "curve_extras.h"
#include "curve_setting_dialog.h"
#include "curve_view.h"
#include "document_manager.h"
#include "gui_app_test.h"
#include "histavue_app.h"
#include "histavue_view.h"
#include "main_frame.h"

namespace {

class CurvesTest : public AppTest {
  protected:
    // Opens 12 records every 10 s (T1 = i.5, T2 = 2i) and returns its view.
    CHistavueView* Open(const std::string& channels = "T1,T2", int rows = 12) {
        return OpenRecords(SampleRecordText(rows, "Line1", channels));
    }
    ChartAdapter* Chart(CHistavueView* view) { return view->Curves()->Adapter(); }
    PlotView* PlotOf(CHistavueView* view) {
        return view->Chart()->findChild<PlotView*>();
    }
    // A key to the widget that has the focus after a draw (the plot).
    void Key(CHistavueView* view, Qt::Key key) {
        QTest::keyClick(view->Chart()->focusProxy(), key);
    }
    // Moves the mouse to pos over widget. A move to where the mouse already is (where an earlier
    // run left it) is dropped by the platform: the mouse goes by a point beside it first.
    void Hover(QWidget* widget, const QPoint& pos) {
        QTest::mouseMove(widget, pos + QPoint(20, 20));
        QTest::mouseMove(widget, pos);
    }
};

TEST_F(CurvesTest, DrawBuildsTheChartFromTheSettings) {
    CHistavueView* view = Open("T1,T2,T3");
    view->Settings().remark = "note";
    EXPECT_TRUE(app->MainFrame()->Action(kCmdDrawCurves)->isEnabled());
    EXPECT_TRUE(app->MainFrame()->Action(kCmdTextEdit)->isEnabled());
    Run(kCmdDrawCurves);
    ChartAdapter* c = Chart(view);
    ASSERT_NE(view->Chart(), nullptr);
    EXPECT_EQ(view->Chart()->objectName(), "chart1001");
    EXPECT_TRUE(view->List()->isHidden());
    EXPECT_EQ(c->SeriesCount(), 3);
    EXPECT_EQ(c->PointCount(), 12);
    const Qt::PenStyle styles[] = {Qt::SolidLine, Qt::DashLine, Qt::DotLine};
    for (int i = 0; i < 3; ++i) {
        const RgbColor& rgb = CurveColorTable[i];
        EXPECT_EQ(c->SeriesColor(i), QColor(rgb.r, rgb.g, rgb.b));
        EXPECT_EQ(c->SeriesPenStyle(i), styles[i]);
    }
    EXPECT_EQ(c->SeriesLabel(1), "T2");
    EXPECT_EQ(c->SeriesData(0).size(), 12);
    EXPECT_EQ(c->SeriesData(0)[1], QPointF(2, 1.5));
    EXPECT_EQ(c->SeriesData(1)[11], QPointF(12, 22));
    EXPECT_EQ(c->Title(), "Line1");
    EXPECT_EQ(c->Subtitle(), " ");
    EXPECT_EQ(c->YAxisLabel(), "采样值");
    EXPECT_EQ(c->FooterEntries(), QStringList({"note||", "备注:||"}));
    EXPECT_EQ(c->TimeLabels().keys(), QList<int>({0, 2, 4, 6, 8, 10, 11}));
    EXPECT_EQ(c->TimeLabels().value(11), "|h2024/01/01\n00:01:50");
    EXPECT_EQ(c->Background(), QColor(255, 255, 255));
    EXPECT_EQ(c->Foreground(), QColor(0, 0, 0));
    EXPECT_EQ(c->XMin(), 0.0);
    EXPECT_EQ(c->XMax(), 12.0);
    EXPECT_LE(c->YMin(), 0.0);  // automatic: the data's range
    EXPECT_GE(c->YMax(), 22.0);
    EXPECT_FALSE(c->ManualYGrid());
    EXPECT_EQ(c->CursorPoint(), 1);
    EXPECT_EQ(view->Chart()->focusProxy(), PlotOf(view));
    // The chart follows the view's size.
    view->resize(700, 500);
    EXPECT_EQ(view->Chart()->size(), QSize(700, 500));

    // The report command brings the table back; restore draws the whole range again.
    Run(kCmdShowReport);
    EXPECT_EQ(view->Chart(), nullptr);
    EXPECT_FALSE(view->List()->isHidden());
    Run(kCmdDrawCurves);
    c->ZoomX(3, 6);
    EXPECT_EQ(c->XMin(), 3.0);
    // A zoomed span labels its own points, the edges included.
    EXPECT_EQ(c->AxisLabels().size(), 4);
    EXPECT_EQ(c->AxisLabels().front(), "2024/01/01<br>00:00:20");
    Run(kCmdRestoreCurves);
    EXPECT_EQ(c->XMin(), 0.0);
    EXPECT_EQ(c->XMax(), 12.0);
    EXPECT_EQ(c->AxisLabels().size(), 7);
}

TEST_F(CurvesTest, ASmallWindowShowsFewerLabelsEachWhole) {
    CHistavueView* view = Open("T1,T2", 300);
    view->Settings().yAxisMode = 1;  // 0..100, a grid line every 4
    view->resize(500, 360);
    view->DrawCurves();
    ChartAdapter* c = Chart(view);
    QApplication::processEvents();
    // The grid keeps its 25 steps; the labels fall on every few of them.
    EXPECT_GT(c->YLabelEvery(), 1);
    const ValueTicks& y = c->Layout()->y;
    EXPECT_DOUBLE_EQ(y.step, 4.0);
    EXPECT_EQ(y.lines.size(), 26u);
    EXPECT_LT(c->VisibleAxisLabels().size(), c->AxisLabels().size());
    EXPECT_EQ(c->VisibleAxisLabels().back(), c->AxisLabels().back());
    // Grown again, every grid line is labelled and every time label shown.
    view->resize(1600, 1000);
    QApplication::processEvents();
    EXPECT_EQ(c->YLabelEvery(), 1);
    EXPECT_EQ(c->VisibleAxisLabels().size(), c->AxisLabels().size());
}

TEST_F(CurvesTest, ThousandsOfChannelsEachHaveALegendEntry) {
    std::string names = "c0";
    for (int i = 1; i < 60; ++i)
        names += ",c" + std::to_string(i);
    // 60 channels beside a plot of a large screen, the panel open: every entry shown, none
    // scrolled away, each where a click finds it.
    CHistavueView* view = Open(names, 5);
    view->resize(1900, 1000);
    Run(kCmdDrawCurves);
    view->Curves()->Extras()->SetPanelShown(true);
    Settle();
    ChartAdapter* c = Chart(view);
    EXPECT_EQ(c->Layout()->legendLayout.MaxScroll(), 0.0);
    for (int i = 0; i < 60; ++i)
        ASSERT_EQ(c->Plot()->LegendEntryAt(c->LegendEntryRect(i).center()), i) << i;

    // Every channel is a series with its own legend entry; what does not fit scrolls.
    for (int i = 60; i < 1000; ++i)
        names += ",c" + std::to_string(i);
    app->MainFrame()->MdiArea()->closeAllSubWindows();
    view = Open(names, 5);
    Run(kCmdDrawCurves);
    c = Chart(view);
    EXPECT_EQ(c->SeriesCount(), 1000);
    EXPECT_EQ(c->Layout()->legendLayout.entries.size(), 1000u);
    EXPECT_EQ(c->SeriesLabel(999), "c999");
    EXPECT_EQ(c->SeriesData(999).size(), 5);
    EXPECT_EQ(c->SeriesColor(999), QColor(0, 0, 255));
}

TEST_F(CurvesTest, SettingsShapeTheChartAndStrayNumbersFallBack) {
    CHistavueView* view = Open();
    CurveSettings& s = view->Settings();
    s.yAxisMode = 1;
    s.yMin = 0;
    s.yMax = 100;
    s.yGridInterval = 0.1;
    s.gridMode = 3;
    s.backgroundColor = 99;
    s.channels.front().colorIndex = 40;
    s.channels.front().lineType = 9;
    s.channels.back().lineType = 6;
    view->DrawCurves();
    ChartAdapter* c = Chart(view);
    EXPECT_EQ(c->YMin(), 0.0);
    EXPECT_EQ(c->YMax(), 100.0);
    EXPECT_TRUE(c->ManualYGrid());
    EXPECT_DOUBLE_EQ(c->YGridSpacing(), 2.5);
    EXPECT_FALSE(c->PlotState().xGrid);
    EXPECT_FALSE(c->PlotState().yGrid);
    EXPECT_EQ(c->Background(), QColor(255, 255, 255));
    EXPECT_EQ(c->SeriesColor(0), QColor(0, 0, 255));
    EXPECT_EQ(c->SeriesPenStyle(0), Qt::SolidLine);
    EXPECT_EQ(c->SeriesPenWidth(0), 1);
    EXPECT_EQ(c->SeriesPenWidth(1), 4);
    s.backgroundColor = 30;  // black: white text and lines
    s.yMin = s.yMax = 5;
    view->DrawCurves();
    EXPECT_EQ(c->Foreground(), QColor(255, 255, 255));
    EXPECT_EQ(c->YMin(), 4.0);
    EXPECT_EQ(c->YMax(), 6.0);
    // A range between two rows still gives a chart, without points.
    s.queryStart = MakeCalendarTime(2024, 1, 1, 0, 0, 11);
    s.queryEnd = MakeCalendarTime(2024, 1, 1, 0, 0, 12);
    s.queryChanged = 1;
    view->DrawCurves();
    EXPECT_EQ(c->SeriesCount(), 2);
    EXPECT_EQ(c->PointCount(), 0);
    QWheelEvent wheel(QPointF(50, 50), QPointF(50, 50), {}, QPoint(0, 120), Qt::NoButton, {},
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(PlotOf(view), &wheel);
    QTest::keyClick(PlotOf(view), Qt::Key_Right);
    EXPECT_EQ(c->CursorPoint(), 0);
}

TEST_F(CurvesTest, CursorReadOutFollowsKeysAndClicks) {
    CHistavueView* view = Open();
    Run(kCmdDrawCurves);
    ChartAdapter* c = Chart(view);
    Key(view, Qt::Key_Right);
    EXPECT_EQ(c->CursorPoint(), 2);
    EXPECT_EQ(c->SeriesLabel(0), "T1(2.50)");
    EXPECT_EQ(c->SeriesLabel(1), "T2(4.00)");
    EXPECT_EQ(c->Subtitle(), "当前时间:2024/01/01  00:00:20");
    for (int i = 0; i < 4; ++i)
        Key(view, Qt::Key_Left);
    EXPECT_EQ(c->CursorPoint(), 0);
    EXPECT_EQ(c->SeriesLabel(0), "T1(0.50)");
    Key(view, Qt::Key_End);  // other keys show the cursor's own point
    EXPECT_EQ(c->SeriesLabel(0), "T1(0.50)");

    // A click in the plot moves the cursor to the nearest point in time.
    PlotView* plot = PlotOf(view);
    view->resize(800, 500);
    Settle();
    QTest::mouseClick(plot, Qt::LeftButton, {}, c->PlotPosition(6, 11));
    EXPECT_EQ(c->CursorPoint(), 5);
    EXPECT_EQ(c->SeriesLabel(1), "T2(10.00)");
    // Hovering over a plotted point moves the cursor there.
    Hover(plot, c->PlotPosition(8, 7.5));
    EXPECT_EQ(c->CursorPoint(), 7);
    EXPECT_EQ(c->SeriesLabel(0), "T1(7.50)");
}

TEST_F(CurvesTest, CellsOfNoNumberBreakTheLineAndAreSkippedInTheStatistics) {
    std::string text = "Line1\nTime,T1\n";
    for (int i = 0; i < 12; ++i) {
        const char* cells[] = {"N/A", "", "12abc"};
        char line[64];
        std::snprintf(line, sizeof line, "2024-01-01 00:%02d:%02d,%s\n", i * 10 / 60, i * 10 % 60,
                      i == 3 || i == 7 || i == 8 ? cells[i % 3] : std::to_string(100 + i).c_str());
        text += line;
    }
    CHistavueView* view = OpenRecords(text);
    Run(kCmdDrawCurves);
    ChartAdapter* c = Chart(view);
    for (int p : {3, 7, 8})
        EXPECT_TRUE(std::isnan(c->SeriesData(0)[p].y())) << p;
    EXPECT_GT(c->YMin(), 50.0);  // no value of 0 pulls the range down
    view->Chart()->grab();       // the line is drawn in pieces around them
    Key(view, Qt::Key_Right);
    Key(view, Qt::Key_Right);
    EXPECT_EQ(c->SeriesLabel(0), "T1()");
    view->Curves()->Extras()->SetPanelShown(true);
    const ChannelStats stats = view->Curves()->Extras()->Contents().channels.at(0).stats;
    EXPECT_EQ(stats.count, 9);
    EXPECT_EQ(stats.skipped, 3);
    EXPECT_EQ(stats.min, 100.0);
}

TEST_F(CurvesTest, OneShownChannelNamesTheSubtitle) {
    CHistavueView* view = Open("T1");
    Run(kCmdDrawCurves);
    ChartAdapter* c = Chart(view);
    EXPECT_EQ(c->Subtitle(), "T1");
    Key(view, Qt::Key_Right);
    EXPECT_EQ(c->Subtitle(), "当前时间:2024/01/01  00:00:20     T1(2.50)");
}

// Times that cannot be read (month first) give no time axis of zeros: the points go by their row
// numbers, and the status bar says why.
TEST_F(CurvesTest, ReportWithoutReadableTimesGoesByRowNumbers) {
    std::string text = "Line1\nTime,T1\n";
    for (int i = 0; i < 12; ++i)
        text += "02/28/24 12:" + std::to_string(10 + i) + "," + std::to_string(i) + "\n";
    CHistavueView* view = OpenRecords(text);
    view->Settings().timeAxis = 1;
    Run(kCmdDrawCurves);
    ChartAdapter* c = Chart(view);
    EXPECT_FALSE(c->TimeAxis());
    EXPECT_EQ(c->TimeLabels().value(0), "1");
    EXPECT_EQ(c->TimeLabels().value(11), "12");
    Key(view, Qt::Key_Right);
    EXPECT_EQ(c->Subtitle(), "行号:3     T1(2.00)");
    EXPECT_TRUE(app->MainFrame()->statusBar()->currentMessage().contains("行号"))
        << app->MainFrame()->statusBar()->currentMessage().toStdString();
}

TEST_F(CurvesTest, ChineseNamesShowInTheSubtitleAndPanelInEitherCodePage) {
    // "温度" as GB18030 bytes, and as UTF-8.
    for (const char* name : {"\xCE\xC2\xB6\xC8", "温度"}) {
        CHistavueView* view = Open(name);
        Run(kCmdDrawCurves);
        Key(view, Qt::Key_Right);
        EXPECT_EQ(Chart(view)->Subtitle(), "当前时间:2024/01/01  00:00:20     温度(2.50)") << name;
        view->Curves()->Extras()->SetPanelShown(true);
        ASSERT_NE(view->Curves()->Extras()->Panel(), nullptr);
        EXPECT_EQ(view->Curves()->Extras()->Panel()->CellText(0, 0), "温度") << name;
        app->MainFrame()->MdiArea()->closeAllSubWindows();
        Settle();
    }
}

TEST_F(CurvesTest, CheckTreeTogglesOnTheBoxAndSpaceOnly) {
    CCheckTreeCtrl tree;
    tree.resize(300, 200);
    auto* root = new QTreeWidgetItem(&tree, {"root"});
    tree.SetItemCheckState(root, kNoCheckBox, false);
    auto* a = new QTreeWidgetItem(root, {"a"});
    auto* b = new QTreeWidgetItem(root, {"b"});
    tree.SetItemCheckState(a, kChecked, true);
    tree.SetItemCheckState(b, kUnchecked, true);
    tree.expandAll();
    tree.show();
    Settle();
    // The label selects without changing a state; the box toggles.
    const QRect label = tree.visualItemRect(b);
    QTest::mouseClick(tree.viewport(), Qt::LeftButton, {},
                      QPoint(label.right() - 5, label.center().y()));
    EXPECT_EQ(tree.currentItem(), b);
    EXPECT_EQ(CCheckTreeCtrl::CheckStateOf(b), kUnchecked);
    QTest::mouseClick(tree.viewport(), Qt::LeftButton, {}, tree.StateImageRect(b).center());
    EXPECT_TRUE(tree.LastHitOnStateImage());
    EXPECT_EQ(CCheckTreeCtrl::CheckStateOf(b), kChecked);
    EXPECT_EQ(CCheckTreeCtrl::CheckStateOf(root), kNoCheckBox);
    QTest::keyClick(&tree, Qt::Key_Space);
    EXPECT_EQ(CCheckTreeCtrl::CheckStateOf(b), kUnchecked);
    // Space on the item without a box changes nothing and keeps the selection.
    tree.setCurrentItem(root);
    QTest::keyClick(&tree, Qt::Key_Space);
    EXPECT_EQ(tree.currentItem(), root);
    EXPECT_EQ(CCheckTreeCtrl::CheckStateOf(root), kNoCheckBox);
    EXPECT_EQ(CCheckTreeCtrl::CheckStateOf(a), kChecked);
}

class DialogTest : public CurvesTest {
  protected:
    void SetUp() override {
        CurvesTest::SetUp();
        view = Open();
        dialog = view->CurveDialog();
        dialog->SetSettings(&view->Settings());
        dialog->Open();
        tree = dialog->ControlAs<CCheckTreeCtrl>(CHisCurveSettingDialog::kIdTree);
    }
    template <class T>
    T* Ctl(int id) {
        return dialog->ControlAs<T>(id);
    }
    CurveSettings& S() { return view->Settings(); }

    CHistavueView* view = nullptr;
    CHisCurveSettingDialog* dialog = nullptr;
    CCheckTreeCtrl* tree = nullptr;
};

TEST_F(DialogTest, OpensFromTheRecord) {
    QTreeWidgetItem* root = tree->topLevelItem(0);
    EXPECT_EQ(root->text(0), "Line1");
    EXPECT_EQ(CCheckTreeCtrl::CheckStateOf(root), kNoCheckBox);
    ASSERT_EQ(root->childCount(), 2);
    EXPECT_EQ(CCheckTreeCtrl::CheckStateOf(root->child(1)), kChecked);
    EXPECT_EQ(Ctl<QComboBox>(1010)->count(), 32);
    EXPECT_EQ(Ctl<QComboBox>(1011)->count(), 7);
    EXPECT_EQ(Ctl<QComboBox>(1012)->currentIndex(), 29);
    EXPECT_EQ(Ctl<QComboBox>(1013)->itemText(3), "XY都不显示");
    EXPECT_EQ(Ctl<QLineEdit>(1016)->text(), "10");
    EXPECT_TRUE(Ctl<QRadioButton>(1018)->isChecked());
    EXPECT_TRUE(Ctl<QRadioButton>(1023)->isChecked());
    EXPECT_FALSE(Ctl<QLineEdit>(1017)->isEnabled());
    EXPECT_EQ(Ctl<QLineEdit>(1020)->text(), "100.000");
}

TEST_F(DialogTest, OkStoresBeforeItsMessageAndCancelKeepsBoxChanges) {
    // A click on a box also selects its item.
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {},
                      tree->StateImageRect(tree->topLevelItem(0)->child(0)).center());
    // A colour chosen for the channel selected in the tree is written at once.
    tree->setCurrentItem(tree->topLevelItem(0)->child(1));
    EXPECT_EQ(Ctl<QComboBox>(1010)->currentIndex(), 1);
    QTest::keyClick(Ctl<QComboBox>(1010), Qt::Key_Down);
    EXPECT_EQ(S().channels.back().colorIndex, 2);
    EXPECT_TRUE(tree->topLevelItem(0)->child(1)->font(0).bold());

    Ctl<QLineEdit>(1016)->setText("0");
    QTest::mouseClick(Ctl<QPushButton>(CHisCurveSettingDialog::kIdOk), Qt::LeftButton);
    EXPECT_EQ(ui.messages, QStringList({"查询间隔不能小于1秒!"}));
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(S().queryInterval, 1);
    EXPECT_EQ(S().shownCount, 1);
    EXPECT_EQ(S().channels.back().showIndex, 0);

    QTest::mouseClick(Ctl<QPushButton>(CHisCurveSettingDialog::kIdCancel), Qt::LeftButton);
    EXPECT_EQ(dialog->result(), QDialog::Rejected);
    EXPECT_EQ(S().channels.back().colorIndex, 2);
    // The next opening edits the channel selected last time.
    dialog->Open();
    tree = Ctl<CCheckTreeCtrl>(CHisCurveSettingDialog::kIdTree);
    EXPECT_EQ(dialog->CurrentChannel(), 1);
    EXPECT_EQ(CCheckTreeCtrl::CheckStateOf(tree->topLevelItem(0)->child(0)), kUnchecked);
}

TEST_F(DialogTest, YControlsAndTheirMessages) {
    Ctl<QRadioButton>(1019)->click();
    EXPECT_TRUE(Ctl<QLineEdit>(1017)->isEnabled());
    EXPECT_TRUE(Ctl<QLineEdit>(1021)->isEnabled());
    Ctl<QLineEdit>(1017)->clear();
    QTest::keyClicks(Ctl<QLineEdit>(1017), "5a");
    EXPECT_EQ(ui.messages, QStringList({"请输入数字!"}));
    Ctl<QLineEdit>(1020)->setText("1e3");
    dialog->OnOK();
    EXPECT_EQ(ui.messages.last(), "Y轴下限值请输入数字!");
    EXPECT_EQ(S().yAxisMode, 1);
    Ctl<QLineEdit>(1017)->setText("-1.5");
    Ctl<QLineEdit>(1020)->setText("+2");
    Ctl<QRadioButton>(1022)->click();
    EXPECT_FALSE(Ctl<QLineEdit>(1021)->isEnabled());
    dialog->OnOK();
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(S().yMin, -1.5);
    EXPECT_EQ(S().yMax, 2.0);
    EXPECT_EQ(S().yGridMode, 0);

    // A mode from outside the table checks no button; OK then takes the limits as manual, so
    // they show the record's values, open for editing, whatever an earlier opening showed.
    S().yAxisMode = 0;
    dialog->Open();
    Ctl<QLineEdit>(1017)->setText("-7");
    Ctl<QPushButton>(CHisCurveSettingDialog::kIdCancel)->click();
    S().yAxisMode = 5;
    S().yMin = 10;
    S().yMax = 20;
    dialog->Open();
    EXPECT_FALSE(Ctl<QRadioButton>(1018)->isChecked());
    EXPECT_FALSE(Ctl<QRadioButton>(1019)->isChecked());
    EXPECT_EQ(Ctl<QLineEdit>(1017)->text(), "10.000");
    EXPECT_TRUE(Ctl<QLineEdit>(1020)->isEnabled());
    dialog->OnOK();
    EXPECT_EQ(S().yAxisMode, 1);
    EXPECT_EQ(S().yMin, 10.0);
    EXPECT_EQ(S().yMax, 20.0);
}

TEST_F(DialogTest, TypingInTheGridBoxChangesNothingAndReturnPressesOk) {
    QComboBox* grid = Ctl<QComboBox>(CHisCurveSettingDialog::kIdGrid);
    grid->setFocus();
    grid->lineEdit()->setText("只显示X轴");
    QTest::keyClick(grid->lineEdit(), Qt::Key_Return);
    EXPECT_EQ(grid->currentIndex(), 0);
    EXPECT_EQ(S().gridMode, 0);
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
}

TEST_F(DialogTest, SettingsCommandRedrawsOnOk) {
    dialog->hide();
    QTimer::singleShot(0, dialog, [this] { dialog->OnOK(); });
    Run(kCmdCurveSettings);
    ASSERT_NE(view->Chart(), nullptr);
    EXPECT_EQ(Chart(view)->SeriesCount(), 2);
}

}  // namespace
