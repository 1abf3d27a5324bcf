// Development aid: starts the viewer as a user would, opens record files or double-clicks tree
// items, and saves a screenshot of the screen (run it under Xvfb).
//   histavue-snapshot OUT.png [FILE | tree:GROUP/LEVEL/.../LEAF | dialog:query |
//   dialog:settings | dialog:picker | command:ID | maximize]...
// command:ID runs a command of the main window by its id on the open document, for example
// command:32777 to draw the curves; maximize maximizes the active document window.
// For the curves of the active view: interval:SECONDS sets the plotting interval (give it before
// the draw command), and after the draw cursor-a:N and cursor-b:N put the cursors on point N,
// panel opens the statistics panel, envelope turns envelope thinning on and timeaxis the true
// time axis, alarms the alarm lanes and next-alarm puts cursor A on the next alarm; ymanual (before
// the draw) sets the manual Y range. size:WxH shows the main window at that size and saves it
// alone. show:A,B,... (before the draw) shows only the channels named; ownscales (after the draw)
// puts each channel on its own scale, scale:N then shows series N's.
// trend opens the trend of the tree item chosen last (trend-summarised: once its summaries are
// made), trend-span:FROM,TO then shows those seconds of its span. alarm-analysis opens the
// alarm analysis of the alarm tree's first group (alarm-analysis:GROUP of that group).
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QGuiApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPixmap>
#include <QScreen>
#include <QTimer>

#include "alarm_analysis_window.h"
#include "chart_adapter.h"
#include "commands.h"
#include "curve_extras.h"
#include "curve_view.h"
#include "data_list_bar.h"
#include "data_query_dialog.h"
#include "data_setting_dialog.h"
#include "document_manager.h"
#include "folder_pick_dialog.h"
#include "group_tree.h"
#include "histavue_app.h"
#include "histavue_view.h"
#include "main_frame.h"
#include "store_api.h"
#include "trend_window.h"

namespace {

// Double-clicks the item at a "/"-separated path of tree texts in the current tab.
void OpenTreeItem(CMainFrame* frame, const QString& path) {
    CGroupTree* tree = frame->DataListBar()->Tree(frame->DataListBar()->CurrentTab());
    const QStringList parts = path.split('/');
    QTreeWidgetItem* item = nullptr;
    for (int i = 0; i < tree->topLevelItemCount() && item == nullptr; ++i) {
        if (tree->topLevelItem(i)->text(0) == parts[0])
            item = tree->topLevelItem(i);
    }
    for (int level = 1; item != nullptr && level < parts.size(); ++level) {
        QTreeWidgetItem* next = nullptr;
        for (int i = 0; i < item->childCount(); ++i) {
            if (item->child(i)->text(0) == parts[level])
                next = item->child(i);
        }
        if (next != nullptr)
            tree->expandItem(item);
        item = next;
    }
    if (item != nullptr) {
        tree->setCurrentItem(item);
        tree->OpenGroupItem(item);
    }
}

// Shows only the channels named, in their order in the report.
void ShowOnly(CurveSettings* settings, const QStringList& names) {
    int shown = 0;
    for (CurveChannel& c : settings->channels) {
        c.show = names.contains(QString::fromStdString(c.Name())) ? 1 : 0;
        c.showIndex = c.show == 1 ? shown++ : -1;
    }
    settings->shownCount = shown;
}

}  // namespace

int main(int argc, char* argv[]) {
    QApplication qapp(argc, argv);
    if (argc < 2) {
        return 2;
    }
    CHistavueApp app;
    app.InitInstance({QApplication::arguments().first()});  // its own arguments name no report
    bool grabFrame = false;
    for (int i = 2; i < argc; ++i) {
        const QString arg = QString::fromLocal8Bit(argv[i]);
        if (arg.startsWith(QStringLiteral("tree:"))) {
            OpenTreeItem(app.MainFrame(), arg.mid(5));
        } else if (arg.startsWith(QStringLiteral("command:"))) {
            // Run from the event loop, so that a command that opens a modal dialog still lets
            // the screenshot be taken.
            if (QAction* action = app.MainFrame()->Action(arg.mid(8).toInt()))
                QTimer::singleShot(0, action, &QAction::trigger);
        } else if (arg.startsWith(QStringLiteral("interval:"))) {
            if (CHistavueView* view = app.MainFrame()->ActiveView()) {
                view->Settings().queryInterval = arg.mid(9).toInt();
                view->Settings().queryChanged = 1;
            }
        } else if (arg == QStringLiteral("ymanual")) {
            // The manual Y range of the settings (0..100, a grid every 4 unless changed).
            if (CHistavueView* view = app.MainFrame()->ActiveView())
                view->Settings().yAxisMode = 1;
        } else if (arg.startsWith(QStringLiteral("show:"))) {
            if (CHistavueView* view = app.MainFrame()->ActiveView())
                ShowOnly(&view->Settings(), arg.mid(5).split(','));
        } else if (arg.startsWith(QStringLiteral("cursor-")) || arg == QStringLiteral("panel") ||
                   arg == QStringLiteral("envelope") || arg == QStringLiteral("timeaxis") ||
                   arg == QStringLiteral("ownscales") || arg.startsWith(QStringLiteral("scale:")) ||
                   arg == QStringLiteral("alarms") || arg == QStringLiteral("next-alarm")) {
            // After the draw command queued before it.
            CMainFrame* frame = app.MainFrame();
            QTimer::singleShot(0, frame, [frame, arg] {
                CHistavueView* view = frame->ActiveView();
                if (view == nullptr)
                    return;
                ChartAdapter* chart = view->Curves()->Adapter();
                CurveExtras* extras = view->Curves()->Extras();
                if (arg.startsWith(QStringLiteral("cursor-a:"))) {
                    chart->SetCursorPoint(arg.mid(9).toInt());
                    view->Curves()->ShowCursorValues(chart->CursorPoint());
                } else if (arg.startsWith(QStringLiteral("cursor-b:"))) {
                    chart->SetCursorBPoint(arg.mid(9).toInt());
                    emit chart->CursorBMoved(chart->CursorBPoint());
                } else if (arg == QStringLiteral("panel")) {
                    extras->SetPanelShown(true);
                } else if (arg == QStringLiteral("timeaxis")) {
                    extras->SetTimeAxis(true);
                } else if (arg == QStringLiteral("ownscales")) {
                    extras->SetOwnScales(true);
                } else if (arg.startsWith(QStringLiteral("scale:"))) {
                    chart->SetScaleSeries(arg.mid(6).toInt());
                    emit chart->ScaleSeriesChosen(chart->ScaleSeries());
                } else if (arg == QStringLiteral("alarms")) {
                    view->Curves()->Alarms()->SetShown(true);
                    view->Curves()->Alarms()->WaitForAlarms();
                } else if (arg == QStringLiteral("next-alarm")) {
                    chart->StepAlarm(1);
                    view->Curves()->ShowCursorValues(chart->CursorPoint());
                } else {
                    extras->SetEnvelope(true);
                }
            });
        } else if (arg == QStringLiteral("trend") || arg == QStringLiteral("trend-summarised")) {
            app.MainFrame()->Action(kCmdTrend)->trigger();
            QMdiSubWindow* w = app.MainFrame()->MdiArea()->currentSubWindow();
            auto* trend = w != nullptr ? qobject_cast<TrendWindow*>(w->widget()) : nullptr;
            if (trend != nullptr && arg == QStringLiteral("trend-summarised"))
                trend->WaitForSummaries();
        } else if (arg.startsWith(QStringLiteral("alarm-analysis"))) {
            CDataListBar* bar = app.MainFrame()->DataListBar();
            bar->SelectTab(kAlarmRecords);
            CGroupTree* tree = bar->Tree(kAlarmRecords);
            const QString group = arg.section(':', 1);
            for (int g = tree->topLevelItemCount() - 1; g >= 0; --g) {
                if (group.isEmpty() || tree->topLevelItem(g)->text(0) == group)
                    tree->setCurrentItem(tree->topLevelItem(g));
            }
            app.MainFrame()->Action(kCmdAlarmAnalysis)->trigger();
            QMdiSubWindow* w = app.MainFrame()->MdiArea()->currentSubWindow();
            if (auto* analysis =
                    w != nullptr ? qobject_cast<AlarmAnalysisWindow*>(w->widget()) : nullptr)
                analysis->WaitForAnalysis();
        } else if (arg.startsWith(QStringLiteral("trend-span:"))) {
            const QStringList span = arg.mid(11).split(',');
            QMdiSubWindow* w = app.MainFrame()->MdiArea()->currentSubWindow();
            auto* trend = w != nullptr ? qobject_cast<TrendWindow*>(w->widget()) : nullptr;
            if (trend != nullptr && span.size() == 2)
                QTimer::singleShot(300, trend, [trend, span] {
                    trend->ShowSpan(span[0].toDouble(), span[1].toDouble());
                });
        } else if (arg.startsWith(QStringLiteral("size:"))) {
            // The main window at a size of its own, grabbed alone.
            const QStringList wh = arg.mid(5).split('x');
            if (wh.size() == 2) {
                app.MainFrame()->showNormal();
                app.MainFrame()->resize(wh[0].toInt(), wh[1].toInt());
                grabFrame = true;
            }
        } else if (arg == QStringLiteral("maximize")) {
            if (QMdiSubWindow* w = app.MainFrame()->MdiArea()->currentSubWindow())
                w->showMaximized();
        } else if (arg == QStringLiteral("dialog:query")) {
            (new CDataQuery(app.MainFrame()))->show();
        } else if (arg == QStringLiteral("dialog:picker")) {
            (new CFolderPickDialog(QString::fromUtf8("选择文件夹"),
                                   QString::fromUtf8("数据根文件夹"), QDir::homePath(),
                                   app.MainFrame()))
                ->show();
        } else if (arg == QStringLiteral("dialog:settings")) {
            (new CDataSetting(app.MainFrame()))->show();
        } else {
            app.OpenFiles({arg});  // in the form its bytes show
        }
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    QTimer::singleShot(1500, [&] {
        QScreen* screen = QGuiApplication::primaryScreen();
        QPixmap shot = screen != nullptr && !grabFrame ? screen->grabWindow(0) : QPixmap();
        if (shot.isNull() || shot.toImage().allGray())
            shot = app.MainFrame()->grab();
        shot.save(out);
        app.MainFrame()->close();
        QApplication::quit();
    });
    return app.Run();
}
