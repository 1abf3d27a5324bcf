#include "record_table_model.h"

#include "text_codec.h"

int RecordTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : table_->RowCount();
}

int RecordTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : table_->ColumnCount();
}

QVariant RecordTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= table_->RowCount() ||
        index.column() >= table_->ColumnCount()) {
        return QVariant();
    }
    switch (role) {
        case Qt::DisplayRole:
        case Qt::ToolTipRole:
            return DecodeShown(table_->Cell(index.row(), index.column()), table_->CellCodec());
        case Qt::TextAlignmentRole:
            return QVariant::fromValue(Qt::AlignCenter);
        default:
            return QVariant();
    }
}

QVariant RecordTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal) {
        if (section < 0 || section >= table_->ColumnCount()) {
            return QVariant();
        }
        if (role == Qt::DisplayRole)
            return DecodeShown(table_->Caption(section), table_->Codec());
        if (role == Qt::TextAlignmentRole)
            return QVariant::fromValue(Qt::AlignCenter);
        return QVariant();
    }
    if (role == Qt::DisplayRole && section >= 0 && section < table_->RowCount()) {
        return section + 1;
    }
    return QVariant();
}

void RecordTableModel::CaptionsChanged() {
    if (table_->ColumnCount() > 0) {
        emit headerDataChanged(Qt::Horizontal, 0, table_->ColumnCount() - 1);
    }
}
