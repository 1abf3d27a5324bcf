// The print preview of a report: shows one page at a time, drawn when it is shown, so that a
// report of thousands of pages opens at once and holds no page in memory. Its print button
// prints the report through the print dialog.
#pragma once

#include <QDialog>

#include "report_printer.h"

class QLabel;
class QPrinter;
class QSpinBox;

class CReportPreview : public QDialog {
    Q_OBJECT
  public:
    // table, settings and printer outlive the preview. Measure the job with BeginReportJob first
    // and hand its metrics over. The print button refuses to print onto recordFile, the file the
    // records came from.
    CReportPreview(RecordTable* table, const CurveSettings* settings, QPrinter* printer,
                   const ReportPrintMetrics& metrics, const QString& recordFile, QWidget* parent);

    int CurrentPage() const { return page_; }
    int PageCount() const { return metrics_.pageCount; }
    void ShowPage(int page);

  private:
    class PageWidget;
    void Print();

    RecordTable* table_;
    const CurveSettings* settings_;
    QPrinter* printer_;
    ReportPrintMetrics metrics_;
    QString recordFile_;
    int page_ = 1;
    PageWidget* pageWidget_;
    QSpinBox* pageBox_;
    QLabel* countLabel_;
};
