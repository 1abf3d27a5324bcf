// The tree of one record kind in the data-list bar: the groups of its store and their time
// partitions down to the deepest folders, filled eagerly when the kind is opened. A double-click
// on a deepest folder exports it to the staging folder and opens it; the query command exports
// a time range of the selected group.
#pragma once

#include <QByteArray>
#include <QString>
#include <QTreeWidget>
#include <functional>

class DocumentManager;
class QAction;

// Adds an exported file to the files deleted when the session ends.
using TempFileRegistrar = std::function<void(const QString& path)>;

struct ItemGroupPath {
    QByteArray group;   // group name, bytes as the store holds them
    QByteArray path;    // "2024\03\01\02", empty for a group
    bool leaf = false;  // the item has no children (normally a deepest folder)
};

class CGroupTree : public QTreeWidget {
    Q_OBJECT
  public:
    static constexpr int kNotOpen = 3;

    // Exports open as documents of documents (none when null); the files they create are handed
    // to registerTempFile.
    CGroupTree(DocumentManager* documents, TempFileRegistrar registerTempFile,
               QWidget* parent = nullptr);
    ~CGroupTree() override;

    // Opens the kind's store over the two folders (a "\" or "/" appended when missing) after
    // copying the data folder's root index over the staging copy, and fills the tree. False when
    // the tree is open already, kind is not 0..2, a folder is empty, or the store does not open
    // (the tree then stays empty but counts as open until Close).
    bool Open(int kind, const QString& stagingFolder, const QString& dataFolder);
    // Empties the tree and closes its store. False when it was not open.
    bool Close();
    bool IsOpen() const { return kind_ != kNotOpen; }
    int Kind() const { return kind_; }
    QString StagingFolder() const { return staging_; }
    QString DataFolder() const { return data_; }

    // Builds the whole tree from the store.
    void Fill();

    // Group name, item path and leaf flag of an item; false for none.
    bool GetItemGroupPath(QTreeWidgetItem* item, ItemGroupPath* out) const;

    // The double-click action on an item: a deepest folder is exported and opened. Returns the
    // path opened, or an empty string when nothing was opened.
    QString OpenGroupItem(QTreeWidgetItem* item);

    enum class QueryResult { kOpened, kFailed, kCancelled };
    // Exports the records of the selected item's group from start to end, thinned to interval
    // seconds, into a new file in the staging folder and opens it as a temporary document.
    QueryResult QueryGroup(const struct CalendarTime& start, const struct CalendarTime& end,
                           int interval);

    // The file of an item export: staging folder + GroupFileStem(group) + "-" + path + ".csv",
    // every "\" of the path turned into "-".
    QString ItemExportPath(const ItemGroupPath& item) const;
    // A query file name with the given random number.
    QString QueryFilePath(const QByteArray& group, const struct CalendarTime& start,
                          unsigned random) const;

    // A query file name that no file holds yet, drawing random numbers (0..32767) until one is
    // free (at most 64 draws).
    QString FreeQueryPath(const QByteArray& group, const struct CalendarTime& start,
                          const std::function<unsigned()>& random) const;

    // How soon the progress dialog of a long export appears (default 500 ms) and how often its
    // cancel button is looked at (default 50 ms).
    static void SetProgressTiming(int showAfterMs, int checkEveryMs);

    // Bytes of an item's text as the store gave it.
    static QByteArray ItemBytes(const QTreeWidgetItem* item);

    // Actions a right click on an item offers (the item becomes the current one first); none:
    // no menu. The caller keeps them.
    void SetItemActions(const QList<QAction*>& actions) { itemActions_ = actions; }

    // A text the tree shows while it has no items (where to set the roots), or none when empty.
    void SetPlaceholder(const QString& text);
    QString Placeholder() const { return placeholder_; }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

  private:
    DocumentManager* documents_;
    TempFileRegistrar registerTempFile_;
    int kind_ = kNotOpen;
    QString staging_;
    QString data_;
    QString placeholder_;
    QList<QAction*> itemActions_;
};

// The part of export file names that stands for a group: the name as display text with every
// "\" and "/" turned into "-" (characters of the code page whose second byte is "\" stay whole),
// so that it cannot leave the staging folder. A name that this changes, or that holds "~" or
// bytes that do not decode, also gets "~" and a 64-bit hash of its bytes, so that different
// groups never share a file.
QString GroupFileStem(const QByteArray& group);

// Shown when an item's export file would need a path longer than 259 bytes (%1 the path).
extern const char kExportPathTooLongMessage[];
// Shown in the status bar when an export or a query left out record lines that end their block
// without a line end (%1 how many).
extern const char kUnendedLinesMessage[];
