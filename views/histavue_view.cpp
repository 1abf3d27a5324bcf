#include "histavue_view.h"

#include <QResizeEvent>
#include <mutex>

#include "curve_init.h"

namespace {

std::mutex g_counterLock;
int g_viewCounter = 0;

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
}

CHistavueView::~CHistavueView() {
    list_->Clear();
    std::lock_guard<std::mutex> lock(g_counterLock);
    --g_viewCounter;
}

int CHistavueView::LiveViews() {
    std::lock_guard<std::mutex> lock(g_counterLock);
    return g_viewCounter;
}

bool CHistavueView::LoadRecords(std::shared_ptr<const TextBuffer> text) {
    if (!list_->LoadTable(std::move(text))) {
        return false;
    }
    InitCurveSettings(&settings_, list_->Table());
    return true;
}

void CHistavueView::ShowReport() {
    if (list_ == nullptr || !list_->isHidden()) {
        return;
    }
    if (chart_ != nullptr) {
        chart_->deleteLater();
        chart_ = nullptr;
    }
    list_->show();
}

void CHistavueView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    list_->setGeometry(0, 0, event->size().width(), event->size().height());
    if (chart_ != nullptr) {
        chart_->setGeometry(0, 0, event->size().width(), event->size().height());
    }
}
