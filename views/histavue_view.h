// The view of a record document: its report list (the in-memory record table) and, in curve
// mode, the chart; one of them fills the view at a time. Each view owns the curve settings
// derived from its table.
#pragma once

#include <QWidget>
#include <memory>

#include "curve_settings.h"
#include "record_list_ctrl.h"

class CHistavueDoc;

class CHistavueView : public QWidget {
    Q_OBJECT
  public:
    // Id of the first view's list; each live view takes the next number.
    static constexpr int kListIdBase = 1300;

    explicit CHistavueView(CHistavueDoc* doc, QWidget* parent = nullptr);
    ~CHistavueView() override;

    CHistavueDoc* Document() const { return doc_; }

    // Fills the table from a document text and rebuilds the curve settings. False when the table
    // already holds something or the text has no title or header.
    bool LoadRecords(std::shared_ptr<const TextBuffer> text);

    // Shows the report (hiding and dropping a chart, if any). Nothing happens when it is shown.
    void ShowReport();

    int Serial() const { return serial_; }
    int ListId() const { return kListIdBase + serial_; }
    CRecordListCtrl* List() const { return list_; }
    QWidget* Chart() const { return chart_; }
    CurveSettings& Settings() { return settings_; }

    // Number of views alive in the process.
    static int LiveViews();

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    CHistavueDoc* doc_;
    CRecordListCtrl* list_ = nullptr;
    QWidget* chart_ = nullptr;
    int serial_ = 0;
    CurveSettings settings_;
};
