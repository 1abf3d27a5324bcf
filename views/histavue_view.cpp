#include "histavue_view.h"

#include <QCoreApplication>
#include <QMainWindow>
#include <QResizeEvent>
#include <QStatusBar>
#include <mutex>
#include <utility>

#include "config_file.h"
#include "curve_init.h"
#include "curve_setting_dialog.h"
#include "curve_view.h"
#include "histavue_doc.h"
#include "print_output.h"
#include "record_table_model.h"
#include "report_job.h"
#include "report_preview.h"
#include "text_edit_dialog.h"
#include "ui_services.h"

namespace {

std::mutex g_counterLock;
int g_viewCounter = 0;

// Says on the main window's status bar when another font stands in for the report's own, as the
// pages may then break differently than on other machines.
void SayReportFontStandIn(QWidget* view) {
    const QString warning = ReportFontWarning();
    auto* frame = qobject_cast<QMainWindow*>(view->window());
    if (!warning.isEmpty() && frame != nullptr)
        frame->statusBar()->showMessage(warning);
}

}  // namespace

CHistavueView::CHistavueView(CHistavueDoc* doc, QWidget* parent) : QWidget(parent), doc_(doc) {
    {
        std::lock_guard<std::mutex> lock(g_counterLock);
        serial_ = g_viewCounter++;
    }
    list_ = new CRecordListCtrl(this);
    list_->setObjectName(QStringLiteral("list%1").arg(ListId()));
    list_->setGeometry(0, 0, width(), height());
    list_->show();
    curves_ = new CurveView(this, &settings_, &list_->Table());
    connect(curves_, &CurveView::SettingsRequested, this, &CHistavueView::OnCurveSettings);
}

CHistavueView::~CHistavueView() {
    // The curves go first: their statistics may be read from the table on a thread of their
    // own, which ends with them.
    delete curves_;
    curves_ = nullptr;
    list_->Clear();
    std::lock_guard<std::mutex> lock(g_counterLock);
    --g_viewCounter;
}

int CHistavueView::LiveViews() {
    std::lock_guard<std::mutex> lock(g_counterLock);
    return g_viewCounter;
}

const RecordTable& CHistavueView::Records() const {
    return list_->Table();
}

bool CHistavueView::LoadRecords(std::shared_ptr<const TextBuffer> text, TextCodec codec,
                                bool csvQuotes) {
    if (!list_->LoadTable(std::move(text), codec, csvQuotes)) {
        return false;
    }
    InitCurveSettings(&settings_, list_->Table());
    return true;
}

void CHistavueView::ShowReport() {
    if (list_ == nullptr || !list_->isHidden()) {
        return;
    }
    curves_->DestroyChart();
    list_->show();
}

QWidget* CHistavueView::Chart() const {
    return curves_->Chart();
}

void CHistavueView::DrawCurves() {
    list_->hide();
    curves_->DrawCurves();
}

CHisCurveSettingDialog* CHistavueView::CurveDialog() {
    if (curveDialog_ == nullptr)
        curveDialog_ = new CHisCurveSettingDialog(this);
    return curveDialog_;
}

void CHistavueView::OnCurveSettings() {
    CHisCurveSettingDialog* dialog = CurveDialog();
    dialog->SetSettings(&settings_, list_->Table().Codec());
    if (dialog->exec() == QDialog::Accepted)
        DrawCurves();
}

CTextEditDialog* CHistavueView::TextDialog() {
    if (textDialog_ == nullptr)
        textDialog_ = new CTextEditDialog(this);
    return textDialog_;
}

void CHistavueView::OnTextEdit() {
    CTextEditDialog* dialog = TextDialog();
    dialog->SetSettings(&settings_, list_->Table().Codec());
    if (dialog->exec() != QDialog::Accepted)
        return;
    ApplyTextSettings();
    DrawCurves();
}

void CHistavueView::ApplyTextSettings() {
    curves_->Extras()->StopComputing();  // nothing reads the table while it changes
    RecordTable& table = list_->Table();
    table.SetTitle(settings_.title);
    table.SetRemark(RemoveLineBreaks(settings_.remark));
    // The captions change in the table, and the header hears of it once: a notice per column
    // makes a wide report's header take quadratic time.
    const std::vector<const CurveChannel*> byIndex = std::as_const(settings_).ChannelsByIndex();
    for (int32_t i = 0; i < settings_.channelCount; ++i) {
        if (const CurveChannel* c = byIndex[static_cast<size_t>(i)])
            table.SetCaption(i + 1, c->Name());
    }
    list_->Model()->CaptionsChanged();
}

void CHistavueView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    list_->setGeometry(0, 0, event->size().width(), event->size().height());
    if (QWidget* chart = curves_->Chart())
        chart->setGeometry(0, 0, event->size().width(), event->size().height());
}

bool CHistavueView::PrintsOntoWorkingFile(const QPrinter* printer) {
    if (doc_ == nullptr || !PrintsOntoFile(*printer, doc_->PathName()))
        return false;
    UiServices::Get().Message(this,
                              QCoreApplication::translate("Histavue", kPrintOntoRecordFileMessage),
                              UiServices::Icon::kExclamation);
    return true;
}

void CHistavueView::PrintReport(QPrinter* printer, bool askUser) {
    RecordTable* table = &list_->Table();
    auto tooSmall = [this] {
        UiServices::Get().Message(this,
                                  QCoreApplication::translate("Histavue", kPaperTooSmallMessage),
                                  UiServices::Icon::kExclamation);
    };
    ReportPrintMetrics& metrics = list_->PrintMetrics();
    if (!BeginReportJob(printer, table, settings_, &metrics))
        return tooSmall();
    SayReportFontStandIn(this);
    if (askUser) {
        if (!UiServices::Get().AskPrinter(this, printer, metrics.pageCount))
            return;
        // The dialog may have changed the paper.
        if (!BeginReportJob(printer, table, settings_, &metrics))
            return tooSmall();
    }
    // Also without the dialog: the file last chosen may be this document's.
    if (PrintsOntoWorkingFile(printer))
        return;
    if (!PrintReportPages(printer, *table, metrics))
        UiServices::Get().Message(this,
                                  QCoreApplication::translate("Histavue", kPrintFailedMessage),
                                  UiServices::Icon::kExclamation);
}

CReportPreview* CHistavueView::PrintPreview(QPrinter* printer) {
    if (inPreview_ != 0) {
        preview_->raise();
        preview_->activateWindow();
        return nullptr;
    }
    ReportPrintMetrics& metrics = list_->PrintMetrics();
    if (!BeginReportJob(printer, &list_->Table(), settings_, &metrics)) {
        UiServices::Get().Message(this,
                                  QCoreApplication::translate("Histavue", kPaperTooSmallMessage),
                                  UiServices::Icon::kExclamation);
        return nullptr;
    }
    SayReportFontStandIn(this);
    inPreview_ = 1;
    preview_ = new CReportPreview(&list_->Table(), &settings_, printer, metrics,
                                  doc_ != nullptr ? doc_->PathName() : QString(), this);
    preview_->setWindowFlag(Qt::Window);
    preview_->setAttribute(Qt::WA_DeleteOnClose);
    connect(preview_, &QDialog::finished, this, [this] {
        inPreview_ = 0;
        preview_ = nullptr;
        emit PreviewClosed(this);
    });
    preview_->show();
    return preview_;
}

void CHistavueView::PrintCurves(QPrinter* printer) {
    QWidget* chart = Chart();
    if (chart == nullptr || !chart->isVisible()) {
        UiServices::Get().Message(this,
                                  QCoreApplication::translate("Histavue", kNoCurveToPrintMessage),
                                  UiServices::Icon::kExclamation);
        return;
    }
    if (!UiServices::Get().AskPrinter(this, printer, 0) || PrintsOntoWorkingFile(printer))
        return;
    if (!PrintChart(printer, chart))
        UiServices::Get().Message(this,
                                  QCoreApplication::translate("Histavue", kPrintFailedMessage),
                                  UiServices::Icon::kExclamation);
}
