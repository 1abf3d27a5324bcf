// The report list: the record table of a view, shown as a table of one row per record with the
// time in column 0 and one column per channel.
#pragma once

#include <QTableView>
#include <functional>
#include <memory>

#include "record_table.h"
#include "report_printer.h"

class RecordTableModel;

class CRecordListCtrl : public QTableView {
    Q_OBJECT
  public:
    // Width of every column at load, in pixels.
    static constexpr int kColumnWidth = 120;

    explicit CRecordListCtrl(QWidget* parent = nullptr);
    ~CRecordListCtrl() override;

    // Parses a document text, in the document's code page, into the empty table (see
    // RecordTable::LoadTable).
    bool LoadTable(std::shared_ptr<const TextBuffer> text, TextCodec codec = TextCodec::kPerText,
                   bool csvQuotes = false);
    bool ParseHeaderLine(const char* text, uint32_t length);
    std::string ColumnCaptions() const { return table_.ColumnCaptions(); }
    void Clear();

    // Text of a cell; absent rows and columns read as empty.
    std::string CellText(int row, int column) const {
        return std::string(table_.Cell(row, column));
    }
    void SetCaption(int column, const std::string& caption);

    const RecordTable& Table() const { return table_; }
    RecordTable& Table() { return table_; }
    RecordTableModel* Model() const { return model_; }
    // The metrics of the last print job, measured again at the beginning of each.
    ReportPrintMetrics& PrintMetrics() { return printMetrics_; }

  private:
    void ApplyColumnLayout();

    RecordTable table_;
    RecordTableModel* model_;
    ReportPrintMetrics printMetrics_;
};
