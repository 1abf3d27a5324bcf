#include "data_list_bar.h"

#include <sys/stat.h>
#include <unistd.h>
#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QFrame>
#include <QMainWindow>
#include <QTabBar>
#include <cerrno>

#include "alarm_reader.h"
#include "calendar_time.h"
#include "commands.h"
#include "histavue_doc.h"
#include "store_api.h"

const char kStagingUnusableMessage[] =
    QT_TRANSLATE_NOOP("Histavue", "暂存文件夹无法使用，这一类记录的列表将保持为空：\n\n%1\n\n%2");

const char kRootsUnsetHint[] =
    QT_TRANSLATE_NOOP("Histavue", "尚未设置根文件夹。\n请在菜单 %1 中设置暂存根目录和数据根目录。");

QString RootsUnsetHint() {
    return QCoreApplication::translate("Histavue", kRootsUnsetHint)
        .arg(ShownMenuText(kMenuFile) + QStringLiteral(" > ") +
             ShownMenuText(FindCommand(kCmdSettings)->text));
}

namespace {

// Creates a staging folder (one level) and makes sure files can be written in it. Returns why
// not, or empty.
QString PrepareStagingFolder(const QString& folder) {
    const std::string bytes = PathBytes(QDir::cleanPath(folder));
    int error = 0;
    struct stat st;
    if (mkdir(bytes.c_str(), 0755) != 0 && errno != EEXIST) {
        error = errno;
    } else if (stat(bytes.c_str(), &st) != 0) {
        error = errno;
    } else if (!S_ISDIR(st.st_mode)) {
        return QCoreApplication::translate("Histavue", "这不是一个文件夹。");
    } else if (access(bytes.c_str(), W_OK | X_OK) != 0) {
        error = errno;
    }
    return error == 0 ? QString() : FileErrorText(error);
}

}  // namespace

BarLayout ComputeBarLayout(int w, int h, CSizingControlBar::DockSide side) {
    const int t = side == CSizingControlBar::DockSide::kVertical ? h - 18 : h - 14;
    BarLayout layout;
    layout.tab = QRect(7, 7, w - 14, t);
    layout.tree = QRect(2, 2, w - 19, t - 26);
    return layout;
}

CDataListBar::CDataListBar(QMainWindow* parent, DocumentManager* documents,
                           const TempFileRegistrar& registerTempFile)
    : CSizingControlBarG(QStringLiteral("DataLog"), parent, kBarId) {
    client_ = new QWidget(this);
    tabControl_ = new QFrame(client_);
    tabControl_->setObjectName(QStringLiteral("tab%1").arg(kTabId));
    tabControl_->setFrameShape(QFrame::StyledPanel);
    tabs_ = new QTabBar(tabControl_);
    tabs_->setShape(QTabBar::RoundedSouth);
    tabs_->setExpanding(false);
    for (const RecordKindRow& row : RecordKindTable) {
        tabs_->addTab(QCoreApplication::translate("Histavue", row.caption));
    }
    const QString hint = RootsUnsetHint();
    for (int i = 0; i < kRecordKinds; ++i) {
        trees_[i] = new CGroupTree(documents, registerTempFile, tabControl_);
        if (RecordKindTable[i].kind >= 0)
            trees_[i]->SetPlaceholder(hint);
        trees_[i]->setObjectName(QStringLiteral("tree%1").arg(kFirstTreeId + i));
        trees_[i]->setEnabled(false);
        trees_[i]->hide();
    }
    setWidget(client_);
    current_ = 0;
    trees_[0]->setEnabled(true);
    trees_[0]->show();
    tabs_->setCurrentIndex(0);
    connect(tabs_, &QTabBar::currentChanged, this, [this](int index) { SelectTab(index); });
    // The client area gets its new size after the bar's own resize (and not at all when only
    // the docking side changes), so the layout follows the client area itself and the side.
    client_->installEventFilter(this);
    connect(this, &QDockWidget::dockLocationChanged, this, [this] { LayoutChildren(); });
    connect(this, &QDockWidget::topLevelChanged, this, [this] { LayoutChildren(); });
    LayoutChildren();
}

bool CDataListBar::eventFilter(QObject* watched, QEvent* event) {
    if (watched == client_ && event->type() == QEvent::Resize) {
        LayoutChildren();
    }
    return CSizingControlBarG::eventFilter(watched, event);
}

void CDataListBar::SelectTab(int index) {
    if (index < 0 || index >= kRecordKinds || index == current_) {
        return;
    }
    if (current_ >= 0 && current_ < kRecordKinds) {
        trees_[current_]->setEnabled(false);
        trees_[current_]->hide();
    }
    current_ = index;
    trees_[current_]->setEnabled(true);
    trees_[current_]->show();
    if (tabs_->currentIndex() != index)
        tabs_->setCurrentIndex(index);
}

void CDataListBar::LayoutChildren() {
    const BarLayout layout = ComputeBarLayout(client_->width(), client_->height(), GetDockSide());
    tabControl_->setGeometry(layout.tab);
    for (CGroupTree* tree : trees_) {
        tree->setGeometry(layout.tree);
    }
    const int tabHeight = tabs_->sizeHint().height();
    tabs_->setGeometry(2, layout.tab.height() - tabHeight - 1, layout.tab.width() - 4, tabHeight);
}

bool CDataListBar::SetupTrees(const QString& stagingRoot, const QString& dataRoot,
                              QString* problem) {
    SetAlarmStoreFolder(std::string());
    const bool unset = stagingRoot.isEmpty() || dataRoot.isEmpty();
    for (int row = 0; row < kRecordKinds; ++row) {
        if (RecordKindTable[row].kind >= 0)
            trees_[row]->SetPlaceholder(unset ? RootsUnsetHint() : QString());
    }
    if (unset) {
        return false;
    }
    const QString overlap = CheckRootsApart({stagingRoot, dataRoot});
    if (!overlap.isEmpty()) {
        if (problem != nullptr)
            *problem = overlap;
        return false;
    }
    auto withSeparator = [](QString root) {
        if (!root.endsWith('/') && !root.endsWith('\\'))
            root += QDir::separator();
        return root;
    };
    const QString staging = withSeparator(stagingRoot);
    const QString data = withSeparator(dataRoot);
    QStringList problems;
    for (int row = 0; row < 2; ++row) {
        const QString stagingFolder =
            staging + QString::fromLatin1(RecordKindTable[row].stagingFolder);
        const QString dataFolder = data + QString::fromLatin1(RecordKindTable[row].dataFolder);
        const QString why = PrepareStagingFolder(stagingFolder);
        if (!why.isEmpty()) {
            problems.append(QCoreApplication::translate("Histavue", kStagingUnusableMessage)
                                .arg(QDir::toNativeSeparators(stagingFolder), why));
            continue;
        }
        trees_[row]->Open(RecordKindTable[row].kind, stagingFolder, dataFolder);
    }
    // The curves read the alarm log beside the tree, from the data folder alone.
    for (const RecordKindRow& row : RecordKindTable) {
        if (row.kind == kAlarmRecords)
            SetAlarmStoreFolder(PathBytes(data + QString::fromLatin1(row.dataFolder)));
    }
    if (problem != nullptr)
        *problem = problems.join(QStringLiteral("\n\n"));
    return true;
}

void CDataListBar::CloseAll() {
    SetAlarmStoreFolder(std::string());
    for (CGroupTree* tree : trees_) {
        tree->Close();
    }
}

CDataListBar::QueryResult CDataListBar::Query(const CalendarTime& start, const CalendarTime& end,
                                              int interval) {
    if (current_ < 0 || current_ >= kRecordKinds) {
        return QueryResult::kFailed;
    }
    switch (trees_[current_]->QueryGroup(start, end, interval)) {
        case CGroupTree::QueryResult::kOpened:
            return QueryResult::kOpened;
        case CGroupTree::QueryResult::kCancelled:
            return QueryResult::kCancelled;
        default:
            return QueryResult::kFailed;
    }
}
