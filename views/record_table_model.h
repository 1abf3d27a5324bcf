// The report's table model: rows and columns of a RecordTable, decoded for display on demand.
#pragma once

#include <QAbstractTableModel>

#include "record_table.h"

class RecordTableModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    explicit RecordTableModel(const RecordTable* table, QObject* parent = nullptr)
        : QAbstractTableModel(parent), table_(table) {}

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    // Call around any change of the table.
    void BeginReset() { beginResetModel(); }
    void EndReset() { endResetModel(); }
    // Tell the views that column captions changed.
    void CaptionsChanged();

  private:
    const RecordTable* table_;
};
