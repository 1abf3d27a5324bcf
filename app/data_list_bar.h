// The data-list bar: a tab per record kind (data records, alarm records, and a reserved third
// tab that stays empty), each holding the group tree of its kind.
#pragma once

#include <QRect>
#include <QString>

#include "group_tree.h"
#include "roots.h"
#include "sizing_control_bar.h"

class QTabBar;
class QFrame;
struct CalendarTime;

// Where the tab control and the trees go in a bar's client area of w x h.
struct BarLayout {
    QRect tab;   // in the bar
    QRect tree;  // in the tab control
};
BarLayout ComputeBarLayout(int w, int h, CSizingControlBar::DockSide side);

// Why a staging folder cannot hold the working files (%1 the folder, %2 the reason).
extern const char kStagingUnusableMessage[];
// Shown in the empty trees while no roots are set (%1 the menu path of the settings command).
extern const char kRootsUnsetHint[];
// kRootsUnsetHint in the user's language, naming the menus as they read ("文件 > 设置").
QString RootsUnsetHint();

class CDataListBar : public CSizingControlBarG {
    Q_OBJECT
  public:
    static constexpr int kBarId = 1100;
    static constexpr int kTabId = 1101;
    static constexpr int kFirstTreeId = 1120;

    // The trees open their exports as documents of documents and hand the files they create to
    // registerTempFile.
    CDataListBar(QMainWindow* parent, DocumentManager* documents,
                 const TempFileRegistrar& registerTempFile);

    // Opens the data and alarm trees under the two roots (each gains a trailing separator; the
    // staging sub-folders are created). False when either root is empty (the two trees then say
    // where to set the roots, as they do from the bar's creation) or the roots overlap
    // (CheckRootsApart). A kind whose staging folder cannot be created or written stays empty.
    // When problem is given it receives what the user should be told, or stays empty.
    bool SetupTrees(const QString& stagingRoot, const QString& dataRoot,
                    QString* problem = nullptr);
    // Closes all three trees.
    void CloseAll();

    enum class QueryResult { kOpened, kFailed, kCancelled };
    // Queries the selected group of the current tab's tree.
    QueryResult Query(const CalendarTime& start, const CalendarTime& end, int interval);

    int CurrentTab() const { return current_; }
    void SelectTab(int index);
    CGroupTree* Tree(int row) const { return trees_[row]; }
    QTabBar* Tabs() const { return tabs_; }

    // The client area, for tests of the layout.
    QWidget* Client() const { return client_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void LayoutChildren();

    QWidget* client_;
    QFrame* tabControl_;
    QTabBar* tabs_;
    CGroupTree* trees_[kRecordKinds];
    int current_ = -1;
};
