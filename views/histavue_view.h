// The view of a record document: its report list (the in-memory record table) and, in curve
// mode, the chart; one of them fills the view at a time. Each view owns the curve settings
// derived from its table.
#pragma once

#include <QWidget>
#include <memory>

#include "curve_settings.h"
#include "document_view.h"
#include "record_list_ctrl.h"

class CHistavueDoc;
class CHisCurveSettingDialog;
class CTextEditDialog;
class CurveView;
class CReportPreview;
class QPrinter;

class CHistavueView : public QWidget, public DocumentView {
    Q_OBJECT
  public:
    // Id of the first view's list; each live view takes the next number.
    static constexpr int kListIdBase = 1300;

    explicit CHistavueView(CHistavueDoc* doc, QWidget* parent = nullptr);
    ~CHistavueView() override;

    CHistavueDoc* Document() const { return doc_; }

    // Fills the table from a document text in the document's code page (with CSV quoting when
    // csvQuotes) and rebuilds the curve settings. False when the table already holds something or
    // the text has no title or header.
    bool LoadRecords(std::shared_ptr<const TextBuffer> text, TextCodec codec = TextCodec::kPerText,
                     bool csvQuotes = false) override;
    const RecordTable& Records() const override;

    // Shows the report (hiding and dropping a chart, if any). Nothing happens when it is shown.
    void ShowReport();

    // Hides the report and draws the historic curves of the settings in its place (commands
    // "绘制历史曲线" and "恢复曲线图"). The report stays hidden when the chart cannot be made.
    void DrawCurves();
    // Runs the curve settings dialog on the settings; draws the curves again on OK.
    void OnCurveSettings();
    CHisCurveSettingDialog* CurveDialog();
    // Runs the text dialog on the settings (command "文本编辑"). On OK the report takes the
    // title, the remark (without its line breaks) and the channel names as column captions, and
    // the curves are drawn again.
    // Puts the title, remark and channel names of the curve settings into the report.
    void ApplyTextSettings();
    void OnTextEdit();
    CTextEditDialog* TextDialog();
    CurveView* Curves() const { return curves_; }

    // Prints the report to printer, after the print dialog when askUser. Tells the user when the
    // paper holds no row, the printer cannot be written or would write the document's own
    // working file, and prints nothing then.
    void PrintReport(QPrinter* printer, bool askUser);
    // Opens the print preview of the report on printer's paper, unless this view has one open
    // (then the preview is raised and nothing else happens). Null when none could be opened.
    CReportPreview* PrintPreview(QPrinter* printer);
    bool InPreview() const { return inPreview_ != 0; }
    // Prints the drawn chart, fitted to the page, after the print dialog; without a drawn chart
    // the user is told so and nothing is printed.
    void PrintCurves(QPrinter* printer);

    int Serial() const { return serial_; }
    int ListId() const { return kListIdBase + serial_; }
    CRecordListCtrl* List() const { return list_; }
    QWidget* Chart() const;
    CurveSettings& Settings() { return settings_; }

    // Number of views alive in the process.
    static int LiveViews();

  signals:
    // The print preview of this view was closed.
    void PreviewClosed(CHistavueView* view);

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    // True, after telling the user, when printer would print onto the working file.
    bool PrintsOntoWorkingFile(const QPrinter* printer);

    CReportPreview* preview_ = nullptr;
    int inPreview_ = 0;
    CHistavueDoc* doc_;
    CRecordListCtrl* list_ = nullptr;
    CurveView* curves_ = nullptr;
    CHisCurveSettingDialog* curveDialog_ = nullptr;
    CTextEditDialog* textDialog_ = nullptr;
    int serial_ = 0;
    CurveSettings settings_;
};
