#include "main_frame.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QPainter>
#include <QPrinter>
#include <QSettings>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <utility>

#include "child_frame.h"
#include "commands.h"
#include "data_list_bar.h"
#include "document_manager.h"
#include "group_tree.h"
#include "histavue_doc.h"
#include "histavue_view.h"
#include "profile.h"
#include "roots.h"
#include "store_api.h"
#include "ui_services.h"

namespace {

// A small drawn icon for the toolbar buttons that have no standard picture.
QIcon DrawnIcon(int id) {
    QPixmap pixmap(18, 18);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(40, 40, 40), 1));
    switch (id) {
        case kCmdShowReport:  // a table
            p.drawRect(2, 3, 13, 12);
            for (int y = 6; y < 15; y += 3)
                p.drawLine(2, y, 15, y);
            p.drawLine(7, 3, 7, 15);
            break;
        case kCmdDrawCurves:  // a curve over axes
            p.drawLine(2, 2, 2, 15);
            p.drawLine(2, 15, 16, 15);
            p.setPen(QPen(QColor(0, 0, 255), 1.5));
            p.drawPolyline(QPolygon({QPoint(3, 12), QPoint(7, 6), QPoint(10, 10), QPoint(15, 3)}));
            break;
        case kCmdCurveSettings:  // curve and a slider
            p.drawLine(2, 15, 16, 15);
            p.setPen(QPen(QColor(255, 0, 0), 1.5));
            p.drawPolyline(QPolygon({QPoint(2, 11), QPoint(7, 5), QPoint(11, 9), QPoint(16, 4)}));
            p.setPen(QPen(QColor(40, 40, 40), 1));
            p.drawRect(6, 12, 4, 5);
            break;
        case kCmdTextEdit:  // "T"
            p.setFont(QFont(QStringLiteral("Sans"), 11, QFont::Bold));
            p.drawText(QRect(0, 0, 18, 18), Qt::AlignCenter, QStringLiteral("T"));
            break;
        case kCmdCurvePrint:  // printer with a curve
        case kCmdFilePrint:   // printer
            p.drawRect(4, 2, 10, 5);
            p.drawRect(2, 7, 14, 6);
            p.drawRect(4, 11, 10, 5);
            if (id == kCmdCurvePrint) {
                p.setPen(QPen(QColor(0, 0, 255), 1));
                p.drawPolyline(
                    QPolygon({QPoint(5, 15), QPoint(8, 12), QPoint(10, 14), QPoint(13, 12)}));
            }
            break;
        case kCmdEditCut:  // scissors
            p.drawEllipse(2, 11, 5, 5);
            p.drawEllipse(11, 11, 5, 5);
            p.drawLine(6, 11, 13, 2);
            p.drawLine(12, 11, 5, 2);
            break;
        case kCmdEditCopy:  // two sheets
            p.setBrush(Qt::white);
            p.drawRect(2, 2, 9, 11);
            p.drawRect(7, 5, 9, 11);
            break;
        case kCmdEditPaste:  // a clipboard with a sheet
            p.setBrush(QColor(200, 170, 110));
            p.drawRect(2, 3, 11, 13);
            p.setBrush(Qt::white);
            p.drawRect(8, 7, 8, 10);
            break;
        default:
            break;
    }
    return QIcon(pixmap);
}

// Where a new document window of the given size goes in an area of the given size: no larger
// than the area, and moved back inside it where the placement left it sticking out.
QRect InsideArea(const QRect& window, const QSize& area) {
    const QSize size = window.size().boundedTo(area);
    const int x = qBound(0, window.x(), area.width() - size.width());
    const int y = qBound(0, window.y(), area.height() - size.height());
    return QRect(QPoint(x, y), size);
}

QIcon IconFor(int id, QStyle* style) {
    switch (id) {
        case kCmdFileOpen:
            return style->standardIcon(QStyle::SP_DialogOpenButton);
        case kCmdFileSave:
            return style->standardIcon(QStyle::SP_DialogSaveButton);
        case kCmdAppAbout:
            return style->standardIcon(QStyle::SP_MessageBoxInformation);
        default:
            return DrawnIcon(id);
    }
}

}  // namespace

CMainFrame::CMainFrame(DocumentManager* documents, std::function<QPrinter*()> printer,
                       const TempFileRegistrar& registerTempFile)
    : documents_(documents), printer_(std::move(printer)), mdi_(new QMdiArea(this)) {
    caption_ = QString::fromUtf8(kAppCaption);
    setWindowTitle(caption_);
    setCentralWidget(mdi_);
    mdi_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    mdi_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    CreateActions();
    CreateToolBar();
    CreateStatusBar();
    setDockOptions(QMainWindow::AnimatedDocks | QMainWindow::AllowNestedDocks);
    bar_ = new CDataListBar(this, documents_, registerTempFile);
    // A group or folder of the data records offers its trend.
    bar_->Tree(kDataRecords)->SetItemActions({actions_.value(kCmdTrend)});
    // A group or folder of the alarm records offers its analysis.
    bar_->Tree(kAlarmRecords)->SetItemActions({actions_.value(kCmdAlarmAnalysis)});
    addDockWidget(Qt::LeftDockWidgetArea, bar_);
    resizeDocks({bar_}, {240}, Qt::Horizontal);
    QAction* dataList = actions_.value(kCmdViewDataList);
    connect(bar_, &QDockWidget::visibilityChanged, this,
            [this, dataList] { dataList->setChecked(bar_->isVisible()); });
    Roots roots;
    if (ReadRoots(&roots)) {
        SetupTreesOrExplain(roots);
    }
    bar_->show();
    dataList->setChecked(true);
    BuildMenus();
    UpdateCommands();
    connect(mdi_, &QMdiArea::subWindowActivated, this, [this] {
        BuildMenus();
        UpdateCommands();
        UpdateCaption();
    });
    if (documents_ != nullptr) {
        connect(documents_, &DocumentManager::DocumentsChanged, this, [this] {
            BuildMenus();
            UpdateCommands();
            UpdateCaption();
        });
        connect(documents_, &DocumentManager::RecentFilesChanged, this, [this] { BuildMenus(); });
        documents_->SetViewHost(this);
    }
}

CMainFrame::~CMainFrame() {
    // The document windows and the bar are destroyed after this body has run, by which time this
    // is no longer a main frame: nothing they signal may reach it.
    disconnect(mdi_, nullptr, this, nullptr);
    if (documents_ != nullptr) {
        documents_->SetViewHost(nullptr);
        disconnect(documents_, nullptr, this, nullptr);
    }
    if (bar_ != nullptr) {
        disconnect(bar_, nullptr, this, nullptr);
        bar_->CloseAll();
    }
}

void CMainFrame::SetupTreesOrExplain(const Roots& roots) {
    QString problem;
    bar_->SetupTrees(roots.staging, roots.data, &problem);
    // Exports and query results live in the staging folders only until they are closed or the
    // session ends, so opening them leaves the recent-file list alone. The folders of former
    // roots are ordinary folders again.
    if (documents_ != nullptr) {
        QStringList working;
        for (int kind = 0; kind < kRecordKinds; ++kind) {
            const CGroupTree* tree = bar_->Tree(kind);
            if (tree != nullptr && tree->IsOpen())
                working.append(tree->StagingFolder());
        }
        documents_->SetWorkingFolders(working);
    }
    if (!problem.isEmpty()) {
        UiServices::Get().Message(this, problem, UiServices::Icon::kExclamation);
    }
}

QAction* CMainFrame::MakeAction(int id) {
    const CommandInfo* info = FindCommand(id);
    auto* action = new QAction(UiText(info->text), this);
    action->setData(id);
    action->setStatusTip(UiText(info->prompt));
    if (info->tip != nullptr)
        action->setToolTip(UiText(info->tip));
    if (!info->keys.isEmpty()) {
        action->setShortcuts(info->keys);
        action->setShortcutContext(Qt::ApplicationShortcut);
    }
    action->setIcon(IconFor(id, style()));
    action->setIconVisibleInMenu(false);
    actions_.insert(id, action);
    return action;
}

void CMainFrame::CreateActions() {
    for (const CommandInfo& info : CommandTable()) {
        if (info.id == kCmdNextPane || info.id == kCmdPrevPane) {
            continue;  // there are no split windows, so there is no pane to move to
        }
        MakeAction(info.id);
    }
    auto on = [this](int id, auto handler) {
        connect(actions_.value(id), &QAction::triggered, this, handler);
    };
    on(kCmdFileNew, [this] {
        if (documents_ != nullptr)
            documents_->NewDocument();
    });
    on(kCmdFileOpen, [this] { OnFileOpen(); });
    on(kCmdOpenPlainCsv, [this] { OnOpenPlainCsv(); });
    on(kCmdFileClose, [this] { OnFileClose(); });
    on(kCmdFileSave, [this] { OnFileSave(); });
    on(kCmdFileSaveAs, [this] { OnFileSaveAs(); });
    on(kCmdExportPlainCsv, [this] { OnExportPlainCsv(); });
    on(kCmdFilePrintSetup, [this] { OnPrintSetup(); });
    on(kCmdFilePrint, [this] { OnFilePrint(true); });
    on(kCmdFilePrintDirect, [this] { OnFilePrint(false); });
    on(kCmdFilePrintPreview, [this] { OnPrintPreview(); });
    on(kCmdCurvePrint, [this] { OnCurvePrint(); });
    on(kCmdSettings, [this] { OnSettings(); });
    on(kCmdQuery, [this] { OnQuery(); });
    on(kCmdTrend, [this] { OnTrend(); });
    on(kCmdAlarmAnalysis, [this] { OnAlarmAnalysis(); });
    on(kCmdViewDataList, [this] { OnToggleDataList(); });
    on(kCmdAppExit, [this] { close(); });
    on(kCmdShowReport, [this] { OnShowReport(); });
    on(kCmdDrawCurves, [this] { OnDrawCurves(); });
    on(kCmdRestoreCurves, [this] { OnDrawCurves(); });
    on(kCmdCurveSettings, [this] { OnCurveSettings(); });
    on(kCmdTextEdit, [this] {
        if (CHistavueView* view = ActiveView())
            view->OnTextEdit();
    });
    on(kCmdWindowNew, [this] { OnWindowNew(); });
    on(kCmdWindowCascade, [this] { mdi_->cascadeSubWindows(); });
    on(kCmdWindowTile, [this] { mdi_->tileSubWindows(); });
    on(kCmdWindowArrange, [this] { OnWindowArrange(); });
    on(kCmdAppAbout, [this] { OnAbout(); });

    QAction* toolbarToggle = actions_.value(kCmdViewToolbar);
    toolbarToggle->setCheckable(true);
    toolbarToggle->setChecked(true);
    QAction* statusToggle = actions_.value(kCmdViewStatusBar);
    statusToggle->setCheckable(true);
    statusToggle->setChecked(true);
    connect(statusToggle, &QAction::toggled, this,
            [this](bool on) { statusBar()->setVisible(on); });
    actions_.value(kCmdViewDataList)->setCheckable(true);

    for (int i = 0; i < DocumentManager::kRecentFiles; ++i) {
        auto* action = new QAction(this);
        connect(action, &QAction::triggered, this, [this, action] {
            if (documents_ != nullptr)
                documents_->OpenRecentFile(action->data().toString());
        });
        recentActions_.append(action);
    }
}

void CMainFrame::CreateToolBar() {
    toolbar_ = addToolBar(QStringLiteral("Standard"));
    toolbar_->setObjectName(QStringLiteral("toolbar59392"));
    toolbar_->setIconSize(QSize(18, 18));
    toolbar_->setAllowedAreas(Qt::AllToolBarAreas);
    for (int id : ToolbarButtons()) {
        if (id == 0) {
            toolbar_->addSeparator();
        } else {
            toolbar_->addAction(actions_.value(id));
        }
    }
    QAction* toggle = actions_.value(kCmdViewToolbar);
    connect(toggle, &QAction::toggled, toolbar_, &QToolBar::setVisible);
    connect(toolbar_, &QToolBar::visibilityChanged, toggle, &QAction::setChecked);
}

void CMainFrame::CreateStatusBar() {
    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("statusbar59393"));
    bar->showMessage(UiText(kIdlePrompt));
    connect(bar, &QStatusBar::messageChanged, bar, [bar](const QString& text) {
        if (text.isEmpty())
            bar->showMessage(UiText(kIdlePrompt));
    });
}

void CMainFrame::BuildMenus() {
    const bool withDocument = ActiveView() != nullptr;
    menusWithDocument_ = withDocument;
    QMenuBar* bar = menuBar();
    bar->clear();
    auto add = [this](QMenu* menu, int id) { menu->addAction(actions_.value(id)); };

    QMenu* file = bar->addMenu(UiText(kMenuFile));
    add(file, kCmdFileOpen);
    add(file, kCmdOpenPlainCsv);
    add(file, kCmdFileClose);
    if (withDocument) {
        add(file, kCmdFileSave);
        add(file, kCmdFileSaveAs);
        add(file, kCmdExportPlainCsv);
        file->addSeparator();
        add(file, kCmdFilePrint);
        add(file, kCmdCurvePrint);
        add(file, kCmdFilePrintPreview);
    }
    file->addSeparator();
    add(file, kCmdFilePrintSetup);
    file->addSeparator();
    add(file, kCmdSettings);
    add(file, kCmdQuery);
    file->addSeparator();
    const QStringList recent = documents_ != nullptr ? documents_->RecentFiles() : QStringList();
    if (recent.isEmpty()) {
        QAction* placeholder = actions_.value(kCmdFileMru);
        placeholder->setEnabled(false);
        file->addAction(placeholder);
    } else {
        for (int i = 0; i < recent.size() && i < recentActions_.size(); ++i) {
            QAction* a = recentActions_[i];
            a->setText(
                QStringLiteral("&%1 %2").arg(i + 1).arg(QDir::toNativeSeparators(recent[i])));
            a->setData(recent[i]);
            a->setStatusTip(UiText(FindCommand(kCmdFileMru)->prompt));
            file->addAction(a);
        }
    }
    file->addSeparator();
    add(file, kCmdAppExit);

    if (withDocument) {
        QMenu* edit = bar->addMenu(UiText(kMenuEdit));
        add(edit, kCmdEditUndo);
        edit->addSeparator();
        add(edit, kCmdEditCut);
        add(edit, kCmdEditCopy);
        add(edit, kCmdEditPaste);
    }

    QMenu* view = bar->addMenu(UiText(kMenuView));
    add(view, kCmdViewToolbar);
    add(view, kCmdViewStatusBar);
    QAction* dataList = actions_.value(kCmdViewDataList);
    dataList->setText(
        UiText(withDocument ? FindCommand(kCmdViewDataList)->text : kDataListTextNoDocument));
    view->addAction(dataList);
    add(view, kCmdTrend);
    add(view, kCmdAlarmAnalysis);
    if (withDocument) {
        add(view, kCmdDrawCurves);
        add(view, kCmdRestoreCurves);
        add(view, kCmdCurveSettings);
        add(view, kCmdShowReport);
        add(view, kCmdTextEdit);

        QMenu* window = bar->addMenu(UiText(kMenuWindow));
        add(window, kCmdWindowNew);
        add(window, kCmdWindowCascade);
        add(window, kCmdWindowTile);
        add(window, kCmdWindowArrange);
    }

    QMenu* help = bar->addMenu(UiText(kMenuHelp));
    add(help, kCmdAppAbout);
}

void CMainFrame::UpdateCommands() {
    const bool doc = ActiveView() != nullptr;
    for (int id :
         {kCmdFileClose, kCmdFileSave, kCmdFileSaveAs, kCmdExportPlainCsv, kCmdOpenPlainCsv,
          kCmdShowReport, kCmdWindowNew, kCmdWindowCascade, kCmdWindowTile, kCmdWindowArrange,
          kCmdDrawCurves, kCmdRestoreCurves, kCmdCurveSettings, kCmdFilePrint, kCmdFilePrintDirect,
          kCmdCurvePrint, kCmdFilePrintPreview, kCmdTextEdit}) {
        actions_.value(id)->setEnabled(doc);
    }
    // Commands whose features are not in this build yet stay visible and disabled.
    for (int id : {kCmdEditUndo, kCmdEditCut, kCmdEditCopy, kCmdEditPaste}) {
        actions_.value(id)->setEnabled(false);
    }
}

void CMainFrame::UpdateCaption() {
    // "X.csv — Histavue": ending in the application's name, so that the platform adds it no
    // second time.
    CHistavueDoc* doc = ActiveDocument();
    caption_ = QString::fromUtf8(kAppCaption);
    if (doc != nullptr)
        caption_ = doc->Title() + QStringLiteral(" \u2014 ") + caption_;
    setWindowTitle(caption_);
}

void CMainFrame::changeEvent(QEvent* event) {
    // A maximised document window writes "<title> - [<document>]" into the main window's
    // title; the caption names the document already, so it is put back. The nested change this
    // makes finds the caption in place and passes.
    if (event->type() == QEvent::WindowTitleChange && windowTitle() != caption_) {
        setWindowTitle(caption_);
        return;
    }
    QMainWindow::changeEvent(event);
}

CHistavueView* CMainFrame::ActiveView() const {
    auto* child = qobject_cast<CChildFrame*>(mdi_->activeSubWindow());
    if (child == nullptr) {
        // Without focus (at start-up, or offscreen) the top window still counts as active.
        const QList<QMdiSubWindow*> list = mdi_->subWindowList(QMdiArea::StackingOrder);
        if (!list.isEmpty())
            child = qobject_cast<CChildFrame*>(list.back());
    }
    return child != nullptr ? child->View() : nullptr;
}

CHistavueDoc* CMainFrame::ActiveDocument() const {
    CHistavueView* view = ActiveView();
    return view != nullptr ? view->Document() : nullptr;
}

void CMainFrame::AddView(CHistavueView* view) {
    auto* child = new CChildFrame(view, documents_);
    connect(view, &CHistavueView::PreviewClosed, this, [this](CHistavueView* closed) {
        // Back to the view that was previewed, and to the idle prompt.
        ActivateView(closed);
        statusBar()->showMessage(UiText(kIdlePrompt));
        UpdateCommands();
    });
    CHistavueDoc* doc = view->Document();
    const int windows = doc != nullptr ? static_cast<int>(doc->Views().size()) : 1;
    QString title = doc != nullptr ? doc->Title() : QString();
    if (windows > 1) {
        title += QStringLiteral(":%1").arg(windows);
    }
    child->setWindowTitle(title);
    // Sized before it is added, so that the area places it by the size it will have; kept
    // inside the area, which may be smaller than the smallest size asked for.
    const QSize area = mdi_->viewport()->size();
    child->resize(qMax(480, area.width() * 3 / 4), qMax(320, area.height() * 3 / 4));
    mdi_->addSubWindow(child);
    child->setGeometry(InsideArea(child->geometry(), area));
    child->show();
    mdi_->setActiveSubWindow(child);
    BuildMenus();
    UpdateCommands();
    UpdateCaption();
}

void CMainFrame::ActivateView(CHistavueView* view) {
    for (QMdiSubWindow* w : mdi_->subWindowList()) {
        auto* child = qobject_cast<CChildFrame*>(w);
        if (child != nullptr && child->View() == view) {
            if (child->isMinimized())
                child->showNormal();
            mdi_->setActiveSubWindow(child);
            return;
        }
    }
}

void CMainFrame::RestorePlacement() {
    QSettings profile = UserProfile();
    const QByteArray geometry = profile.value(QStringLiteral("Settings/MainWindow")).toByteArray();
    if (geometry.isEmpty() || !restoreGeometry(geometry)) {
        resize(1100, 720);
    }
}

void CMainFrame::SavePlacement() const {
    QSettings profile = UserProfile();
    profile.setValue(QStringLiteral("Settings/MainWindow"), saveGeometry());
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    SavePlacement();
    mdi_->closeAllSubWindows();
    QMainWindow::closeEvent(event);
}
