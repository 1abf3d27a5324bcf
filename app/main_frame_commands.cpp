// The main window's command handlers: files, printing, the data-list bar's settings and query,
// the views' commands and the window arrangement.
#include "main_frame.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QPageSetupDialog>
#include <QStatusBar>
#include <algorithm>

#include "alarm_analysis_window.h"
#include "child_frame.h"
#include "commands.h"
#include "data_list_bar.h"
#include "data_query_dialog.h"
#include "data_setting_dialog.h"
#include "document_manager.h"
#include "histavue_doc.h"
#include "histavue_view.h"
#include "report_job.h"
#include "roots.h"
#include "store_api.h"
#include "text_codec.h"
#include "trend_window.h"
#include "ui_services.h"

const char kPlainCsvDoneMessage[] = QT_TRANSLATE_NOOP("CMainFrame", "完成导出csv数据文件！");
const char kPlainCsvFailedMessage[] =
    QT_TRANSLATE_NOOP("CMainFrame", "无法导出csv数据文件：\n%1\n\n%2");

namespace {

const char kRecordFilter[] = QT_TRANSLATE_NOOP("CMainFrame", "CSV Files (*.csv);;所有文件 (*)");
const char kPlainFilter[] = "CSV data File (*.csv)";

}  // namespace

void CMainFrame::OnFileOpen() {
    const QString path = UiServices::Get().OpenFileName(this, tr("打开"), tr(kRecordFilter));
    if (!path.isEmpty() && documents_ != nullptr) {
        documents_->OpenDocumentFile(path);
    }
}

void CMainFrame::OnOpenPlainCsv() {
    if (ActiveDocument() == nullptr) {
        return;  // the command belongs to an open document
    }
    const QString path = UiServices::Get().OpenFileName(this, tr("打开正常csv"), tr(kPlainFilter));
    if (path.isEmpty() || documents_ == nullptr) {
        return;
    }
    CHistavueDoc::OpenPlainScope plain;
    documents_->OpenDocumentFile(path);
}

void CMainFrame::OnFileClose() {
    CHistavueDoc* doc = ActiveDocument();
    if (doc == nullptr) {
        return;
    }
    for (QMdiSubWindow* w : mdi_->subWindowList()) {
        auto* child = qobject_cast<CChildFrame*>(w);
        if (child != nullptr && child->View()->Document() == doc) {
            child->close();
        }
    }
}

void CMainFrame::ReportSaveFailure(const QString& target, const QString& reason) {
    QString text = tr("无法保存文件：\n%1").arg(QDir::toNativeSeparators(target));
    if (!reason.isEmpty())
        text += QStringLiteral("\n\n") + reason;
    UiServices::Get().Message(this, text, UiServices::Icon::kExclamation);
}

void CMainFrame::OnFileSave() {
    CHistavueDoc* doc = ActiveDocument();
    if (doc != nullptr && !doc->SaveToPath(doc->PathName())) {
        ReportSaveFailure(doc->PathName(), doc->LastError());
    }
}

void CMainFrame::OnFileSaveAs() {
    CHistavueDoc* doc = ActiveDocument();
    if (doc == nullptr) {
        return;
    }
    const QString path = UiServices::Get().SaveFileName(this, tr("另存为"), tr(kRecordFilter),
                                                        QStringLiteral("csv"));
    if (path.isEmpty())
        return;
    if (!doc->SaveToPath(path)) {
        ReportSaveFailure(path, doc->LastError());
    } else if (documents_ != nullptr && QFileInfo(path).absoluteFilePath() != doc->PathName()) {
        // The copy outlives the session, unlike a working file of the staging folder.
        documents_->AddRecentFile(QFileInfo(path).absoluteFilePath(), doc->IsPlain());
    }
}

void CMainFrame::OnExportPlainCsv() {
    CHistavueDoc* doc = ActiveDocument();
    if (doc == nullptr) {
        return;
    }
    const QString path =
        UiServices::Get().SaveFileName(this, tr("存为正常csv"), tr(kPlainFilter),
                                       QStringLiteral("csv"), QFileInfo(doc->PathName()).path());
    if (path.isEmpty()) {
        return;
    }
    if (doc->ExportPlainCsv(path)) {
        if (documents_ != nullptr)
            documents_->AddRecentFile(QFileInfo(path).absoluteFilePath(), true);
        UiServices::Get().Message(this, tr(kPlainCsvDoneMessage), UiServices::Icon::kInformation);
    } else {
        UiServices::Get().Message(
            this, tr(kPlainCsvFailedMessage).arg(QDir::toNativeSeparators(path), doc->LastError()),
            UiServices::Icon::kExclamation);
    }
}

void CMainFrame::OnPrintSetup() {
    QPageSetupDialog dialog(printer_(), this);
    dialog.exec();
}

void CMainFrame::OnFilePrint(bool askUser) {
    if (CHistavueView* view = ActiveView())
        view->PrintReport(printer_(), askUser);
}

void CMainFrame::OnPrintPreview() {
    CHistavueView* view = ActiveView();
    if (view == nullptr)
        return;
    if (view->InPreview()) {
        activateWindow();
        view->PrintPreview(printer_());  // raises the open preview
        return;
    }
    view->PrintPreview(printer_());
}

void CMainFrame::OnCurvePrint() {
    if (CHistavueView* view = ActiveView())
        view->PrintCurves(printer_());
}

void CMainFrame::OnSettings() {
    CDataSetting dialog(this);
    if (dialog.exec() == QDialog::Accepted) {
        ApplySettings(dialog.Values());
    }
}

void CMainFrame::ApplySettings(const Roots& roots) {
    // The trees follow the dialog's roots even when they could not be written to the settings.
    bar_->CloseAll();
    SetupTreesOrExplain(roots);
}

void CMainFrame::OnQuery() {
    CDataQuery dialog(this);
    if (bar_->CurrentTab() == kAlarmRecords)
        dialog.OfferAlarmAnalysis();
    if (dialog.exec() != QDialog::Accepted)
        return;
    TrendSeconds from = 0, to = 0;
    if (!dialog.AlarmAnalysisChosen()) {
        RunQuery(dialog.Result());
    } else if (TrendSecondsOf(dialog.Result().start, &from) &&
               TrendSecondsOf(dialog.Result().end, &to) && from < to) {
        // The typed range from its start up to its end: a month is typed from its first
        // midnight to the next month's.
        OpenAlarmAnalysis(from, to);
    } else {
        UiServices::Get().Message(
            this, QCoreApplication::translate("Histavue", "结束时间必须晚于开始时间。"),
            UiServices::Icon::kExclamation);
    }
}

void CMainFrame::RunQuery(const QueryRequest& request) {
    if (bar_->Query(request.start, request.end, request.interval) ==
        CDataListBar::QueryResult::kFailed) {
        UiServices::Get().Message(this,
                                  QCoreApplication::translate("CDataQuery", kQueryFailedMessage),
                                  UiServices::Icon::kExclamation);
    }
}

void CMainFrame::OnToggleDataList() {
    bar_->setVisible(bar_->isHidden());
    actions_.value(kCmdViewDataList)->setChecked(!bar_->isHidden());
}

void CMainFrame::OnShowReport() {
    if (CHistavueView* view = ActiveView())
        view->ShowReport();
}

void CMainFrame::OnDrawCurves() {
    if (CHistavueView* view = ActiveView())
        view->DrawCurves();
}

void CMainFrame::OnCurveSettings() {
    if (CHistavueView* view = ActiveView())
        view->OnCurveSettings();
}

void CMainFrame::OnWindowNew() {
    if (documents_ != nullptr)
        documents_->NewWindow(ActiveDocument());
}

void CMainFrame::OnWindowArrange() {
    // Minimised windows line up along the bottom edge, left to right.
    int x = 0;
    for (QMdiSubWindow* w : mdi_->subWindowList()) {
        if (!w->isMinimized())
            continue;
        const QSize size = w->size();
        w->move(x, mdi_->viewport()->height() - size.height());
        x += size.width();
    }
}

void CMainFrame::OnAbout() {
    QMessageBox::about(this, tr("关于 Histavue"),
                       tr("<b>Histavue</b> 版本 %1<br><br>操作面板数据记录与报警记录查看器。")
                           .arg(QStringLiteral(HISTAVUE_VERSION)));
}

void CMainFrame::OnTrend() {
    CGroupTree* tree = bar_->Tree(kDataRecords);
    ItemGroupPath item;
    if (tree == nullptr || !tree->IsOpen() || !tree->GetItemGroupPath(tree->currentItem(), &item)) {
        UiServices::Get().Message(
            this,
            QCoreApplication::translate("Histavue", "请先在数据记录列表中选择一个组或文件夹。"),
            UiServices::Icon::kInformation);
        return;
    }
    TrendGroup group;
    std::string error;
    const QByteArray data = QFile::encodeName(tree->DataFolder());
    if (!OpenTrendGroup(data.toStdString(), item.group.toStdString(), item.path.toStdString(),
                        &group, &error)) {
        UiServices::Get().Message(this,
                                  QCoreApplication::translate("Histavue", "无法显示趋势图: %1")
                                      .arg(QString::fromLocal8Bit(error.c_str())),
                                  UiServices::Icon::kExclamation);
        return;
    }
    // The summaries live in the data records' staging folder, beside the working files.
    auto* trend = new TrendWindow(group, QFile::encodeName(tree->StagingFolder()).toStdString());
    const uint32_t interval = group.group.interval;
    connect(trend, &TrendWindow::StatusChanged, this,
            [this](const QString& text) { statusBar()->showMessage(text); });
    connect(trend, &TrendWindow::OpenAsReportRequested, this,
            [this, interval](const QByteArray& name, qint64 from, qint64 to, qint64 records) {
                OpenTrendAsReport(name, from, to, records, interval);
            });
    connect(trend, &TrendWindow::PrintRequested, this, [this, trend] {
        QPrinter* printer = printer_();
        if (!UiServices::Get().AskPrinter(trend, printer, 0))
            return;
        if (!PrintChart(printer, trend->Plot()))
            UiServices::Get().Message(trend,
                                      QCoreApplication::translate("Histavue", kPrintFailedMessage),
                                      UiServices::Icon::kExclamation);
    });
    QMdiSubWindow* child = mdi_->addSubWindow(trend);
    child->resize(mdi_->size() * 0.9);
    child->show();
    trend->setFocus();
}

void CMainFrame::OnAlarmAnalysis() {
    OpenAlarmAnalysis();
}

void CMainFrame::OpenAlarmAnalysis(qint64 from, qint64 to) {
    CGroupTree* tree = bar_->Tree(kAlarmRecords);
    ItemGroupPath item;
    if (tree == nullptr || !tree->IsOpen() || !tree->GetItemGroupPath(tree->currentItem(), &item)) {
        UiServices::Get().Message(
            this,
            QCoreApplication::translate("Histavue", "请先在报警记录列表中选择一个组或文件夹。"),
            UiServices::Icon::kInformation);
        return;
    }
    const std::string data = QFile::encodeName(tree->DataFolder()).toStdString();
    if (to <= from) {
        // The span of the group's folders, or of the folder chosen.
        TrendGroup group;
        std::string error;
        if (!OpenTrendGroup(data, item.group.toStdString(), item.path.toStdString(), &group,
                            &error)) {
            UiServices::Get().Message(this,
                                      QCoreApplication::translate("Histavue", "无法分析报警: %1")
                                          .arg(QString::fromLocal8Bit(error.c_str())),
                                      UiServices::Icon::kExclamation);
            return;
        }
        from = group.from;
        to = group.to;
    }
    auto* analysis = new AlarmAnalysisWindow(data, item.group.toStdString(),
                                             DecodeText(item.group.toStdString()), from, to);
    connect(analysis, &AlarmAnalysisWindow::StatusChanged, this,
            [this](const QString& text) { statusBar()->showMessage(text.section('\n', -1)); });
    connect(analysis, &AlarmAnalysisWindow::PrintRequested, this, [this, analysis] {
        QPrinter* printer = printer_();
        if (!UiServices::Get().AskPrinter(analysis, printer, 0))
            return;
        if (!analysis->PrintTo(printer))
            UiServices::Get().Message(analysis,
                                      QCoreApplication::translate("Histavue", kPrintFailedMessage),
                                      UiServices::Icon::kExclamation);
    });
    QMdiSubWindow* child = mdi_->addSubWindow(analysis);
    child->resize(mdi_->size() * 0.9);
    child->show();
    analysis->setFocus();
}

void CMainFrame::OpenTrendAsReport(const QByteArray& group, qint64 from, qint64 to, qint64 records,
                                   uint32_t interval) {
    // More than a million records are thinned, when the user agrees, to about a million.
    constexpr qint64 kMostRecords = 1000000;
    int every = 0;
    if (records > kMostRecords) {
        const qint64 step = (records + kMostRecords - 1) / kMostRecords;
        every = static_cast<int>(step * std::max<uint32_t>(1, interval));
        if (!UiServices::Get().AskYesNo(
                this, QCoreApplication::translate(
                          "Histavue", "该时段有 %1 条记录。每 %2 秒取一条记录打开为报表吗?")
                          .arg(records)
                          .arg(every)))
            return;
    }
    // The query runs on the group's item of the data records' tree.
    bar_->SelectTab(kDataRecords);
    CGroupTree* tree = bar_->Tree(kDataRecords);
    for (int i = 0; i < tree->topLevelItemCount(); ++i) {
        if (CGroupTree::ItemBytes(tree->topLevelItem(i)) == group)
            tree->setCurrentItem(tree->topLevelItem(i));
    }
    QueryRequest request;
    request.start = TrendTime(from);
    request.end = TrendTime(to);
    request.interval = every;
    RunQuery(request);
}
