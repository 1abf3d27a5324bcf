#include "curve_panel.h"

#include <QCoreApplication>
#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

QString FromUtf8(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

CurvePanel::CurvePanel(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("curvePanel"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 2, 0, 2);
    layout->setSpacing(2);
    headline_ = new QLabel(this);
    headline_->setTextFormat(Qt::PlainText);
    table_ = new QTableWidget(this);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionMode(QAbstractItemView::NoSelection);
    table_->setFocusPolicy(Qt::NoFocus);
    table_->verticalHeader()->hide();
    table_->verticalHeader()->setDefaultSectionSize(table_->fontMetrics().height() + 4);
    table_->setMaximumHeight(8 * (table_->fontMetrics().height() + 4));
    layout->addWidget(headline_);
    layout->addWidget(table_);
}

void CurvePanel::SetContents(const PanelContents& contents) {
    // Columns are fitted when the statistics or the columns change, not on every cursor step:
    // fitting measures every cell.
    bool refit =
        contents.hasB != contents_.hasB || contents.channels.size() != contents_.channels.size();
    for (size_t i = 0; !refit && i < contents.channels.size(); ++i) {
        const ChannelStats& a = contents.channels[i].stats;
        const ChannelStats& b = contents_.channels[i].stats;
        refit = a.count != b.count || a.min != b.min || a.max != b.max || a.mean != b.mean;
    }
    contents_ = contents;
    headline_->setText(FromUtf8(PanelHeadline(contents)));
    const std::vector<std::string> captions = PanelCaptions(contents.hasB, contents.texts);
    const std::vector<std::vector<std::string>> cells = PanelCells(contents);
    const int columns = static_cast<int>(captions.size());
    const int rows = static_cast<int>(cells.size());
    if (table_->columnCount() != columns) {
        table_->setColumnCount(columns);
        QStringList labels;
        for (const std::string& c : captions)
            labels.append(FromUtf8(c));
        table_->setHorizontalHeaderLabels(labels);
    }
    if (table_->rowCount() != rows)
        table_->setRowCount(rows);
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < columns; ++c) {
            const QString text = FromUtf8(cells[static_cast<size_t>(r)][static_cast<size_t>(c)]);
            QTableWidgetItem* item = table_->item(r, c);
            if (item == nullptr)
                table_->setItem(r, c, new QTableWidgetItem(text));
            else if (item->text() != text)
                item->setText(text);
        }
    }
    if (refit || first_)
        table_->resizeColumnsToContents();
    first_ = false;
}

QString CurvePanel::Headline() const {
    return headline_->text();
}

QString CurvePanel::CellText(int row, int column) const {
    const QTableWidgetItem* item = table_->item(row, column);
    return item != nullptr ? item->text() : QString();
}

void CurvePanel::SetAlarmRows(const QList<QStringList>& rows, bool shown) {
    if (alarms_ == nullptr) {
        if (!shown)
            return;
        alarms_ = new QTableWidget(this);
        alarms_->setObjectName(QStringLiteral("alarmList"));
        alarms_->setEditTriggers(QAbstractItemView::NoEditTriggers);
        alarms_->setSelectionMode(QAbstractItemView::NoSelection);
        alarms_->setFocusPolicy(Qt::NoFocus);
        alarms_->verticalHeader()->hide();
        alarms_->verticalHeader()->setDefaultSectionSize(alarms_->fontMetrics().height() + 4);
        alarms_->setMaximumHeight(6 * (alarms_->fontMetrics().height() + 4));
        alarms_->horizontalHeader()->setStretchLastSection(true);
        alarms_->setColumnCount(4);
        alarms_->setHorizontalHeaderLabels({QCoreApplication::translate("Histavue", "报警时间"),
                                            QCoreApplication::translate("Histavue", "报警编号"),
                                            QCoreApplication::translate("Histavue", "事件"),
                                            QCoreApplication::translate("Histavue", "报警信息")});
        layout()->addWidget(alarms_);
    }
    alarms_->setVisible(shown);
    alarms_->setRowCount(static_cast<int>(rows.size()));
    for (int r = 0; r < rows.size(); ++r) {
        for (int c = 0; c < 4; ++c) {
            const QString text = rows[r].value(c);
            QTableWidgetItem* item = alarms_->item(r, c);
            if (item == nullptr)
                alarms_->setItem(r, c, new QTableWidgetItem(text));
            else if (item->text() != text)
                item->setText(text);
        }
    }
    alarms_->resizeColumnToContents(0);
    alarms_->resizeColumnToContents(1);
    alarms_->resizeColumnToContents(2);
}

int CurvePanel::AlarmRowCount() const {
    return alarms_ != nullptr && alarms_->isVisibleTo(this) ? alarms_->rowCount() : 0;
}

QString CurvePanel::AlarmCellText(int row, int column) const {
    const QTableWidgetItem* item = alarms_ != nullptr ? alarms_->item(row, column) : nullptr;
    return item != nullptr ? item->text() : QString();
}
