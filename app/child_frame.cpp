#include "child_frame.h"

#include <QCloseEvent>

#include "document_manager.h"
#include "histavue_view.h"

CChildFrame::CChildFrame(CHistavueView* view, DocumentManager* documents)
    : view_(view), documents_(documents) {
    setWidget(view);
    setAttribute(Qt::WA_DeleteOnClose);
}

void CChildFrame::closeEvent(QCloseEvent* event) {
    if (view_ != nullptr && documents_ != nullptr) {
        documents_->ViewClosing(view_);
    }
    QMdiSubWindow::closeEvent(event);
}
