// The main window: menus (one set without a document, a fuller one with), the toolbar, the
// status bar and the area holding the document windows.
#pragma once

#include <QHash>
#include <QMainWindow>
#include <functional>

#include "document_manager.h"
#include "group_tree.h"

class QAction;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QToolBar;
class QPrinter;
class CHistavueDoc;
class CHistavueView;
class CDataListBar;

class CMainFrame : public QMainWindow, public ViewHost {
    Q_OBJECT
  public:
    // Shows the views of documents (which may be null: no document then opens) and prints on the
    // printer of the session that printer hands out. Files the data-list bar's exports create go
    // to registerTempFile.
    CMainFrame(DocumentManager* documents, std::function<QPrinter*()> printer,
               const TempFileRegistrar& registerTempFile);
    ~CMainFrame() override;

    // The action of a command id (see res/commands.h), or null.
    QAction* Action(int id) const { return actions_.value(id); }
    QMdiArea* MdiArea() const { return mdi_; }
    QToolBar* ToolBar() const { return toolbar_; }
    CDataListBar* DataListBar() const { return bar_; }

    CHistavueView* ActiveView() const;
    CHistavueDoc* ActiveDocument() const;

    // Puts a view into a new document window and activates it.
    void AddView(CHistavueView* view) override;
    void ActivateView(CHistavueView* view) override;
    QWidget* DialogParent() override { return this; }

    // Window placement kept between runs.
    void RestorePlacement();
    void SavePlacement() const;

    // Command handlers (main_frame_commands.cpp), public so that tests can drive them directly.
    void OnFileOpen();
    void OnOpenPlainCsv();
    void OnFileClose();
    void OnFileSave();
    void OnFileSaveAs();
    void OnExportPlainCsv();
    void OnPrintSetup();
    void OnFilePrint(bool askUser);
    void OnPrintPreview();
    void OnCurvePrint();
    void OnSettings();
    void OnQuery();
    // Opens the trend of the group or folder selected in the data records' tree.
    void OnTrend();
    // Opens the alarm analysis of the group or folder selected in the alarm records' tree, or of
    // the span [from, to) of the selected group (seconds of the file-time scale) when given.
    void OnAlarmAnalysis();
    void OpenAlarmAnalysis(qint64 from = 0, qint64 to = 0);
    // Opens a trend's span as a report, thinned when it holds more than a million records and
    // the user agrees.
    void OpenTrendAsReport(const QByteArray& group, qint64 from, qint64 to, qint64 records,
                           uint32_t interval);
    // What the settings and query commands do once their dialog closed with OK.
    void ApplySettings(const struct Roots& roots);
    void RunQuery(const struct QueryRequest& request);
    void OnToggleDataList();
    void OnShowReport();
    void OnDrawCurves();
    void OnCurveSettings();
    void OnWindowNew();
    void OnWindowArrange();
    void OnAbout();

  protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    void CreateActions();
    void CreateToolBar();
    void CreateStatusBar();
    void BuildMenus();
    void UpdateCommands();
    void UpdateCaption();
    QAction* MakeAction(int id);
    void ReportSaveFailure(const QString& target, const QString& reason);
    // Sets up the trees on roots, telling the user why a root cannot be used.
    void SetupTreesOrExplain(const struct Roots& roots);

    DocumentManager* documents_;
    std::function<QPrinter*()> printer_;
    QMdiArea* mdi_;
    QToolBar* toolbar_ = nullptr;
    CDataListBar* bar_ = nullptr;
    QHash<int, QAction*> actions_;
    QList<QAction*> recentActions_;
    bool menusWithDocument_ = false;
    QString caption_;  // the main window's title, which UpdateCaption alone changes
};

// The completion and failure messages of the plain CSV export (%1 the target, %2 the reason).
extern const char kPlainCsvDoneMessage[];
extern const char kPlainCsvFailedMessage[];
