#include "record_list_ctrl.h"

#include <QHeaderView>

#include "record_table_model.h"

CRecordListCtrl::CRecordListCtrl(QWidget* parent)
    : QTableView(parent), model_(new RecordTableModel(&table_, this)) {
    setModel(model_);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    // Rows share one height, so a million rows scroll as fast as a hundred.
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    verticalHeader()->hide();
    horizontalHeader()->setDefaultSectionSize(kColumnWidth);
    horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
    horizontalHeader()->setHighlightSections(false);
}

CRecordListCtrl::~CRecordListCtrl() = default;

bool CRecordListCtrl::LoadTable(std::shared_ptr<const TextBuffer> text, TextCodec codec,
                                bool csvQuotes) {
    model_->BeginReset();
    table_.SetCodec(codec);
    const bool ok = table_.LoadTable(std::move(text), csvQuotes);
    model_->EndReset();
    ApplyColumnLayout();
    return ok;
}

bool CRecordListCtrl::ParseHeaderLine(const char* text, uint32_t length) {
    model_->BeginReset();
    const bool ok = table_.ParseHeaderLine(text, length);
    model_->EndReset();
    ApplyColumnLayout();
    return ok;
}

void CRecordListCtrl::Clear() {
    model_->BeginReset();
    table_.Clear();
    model_->EndReset();
}

void CRecordListCtrl::SetCaption(int column, const std::string& caption) {
    table_.SetCaption(column, caption);
    model_->CaptionsChanged();
}

void CRecordListCtrl::ApplyColumnLayout() {
    for (int c = 0; c < table_.ColumnCount(); ++c) {
        setColumnWidth(c, kColumnWidth);
    }
    // The time column is widened when the font would cut the time short.
    const int timeWidth =
        fontMetrics().horizontalAdvance(QStringLiteral("0000-00-00 00:00:00")) + 16;
    if (table_.ColumnCount() > 0 && timeWidth > kColumnWidth) {
        setColumnWidth(0, timeWidth);
    }
}
