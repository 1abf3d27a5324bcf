#include "group_tree.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMainWindow>
#include <QMenu>
#include <QPainter>
#include <QProgressDialog>
#include <QStatusBar>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <utility>

#include "calendar_time.h"
#include "curve_settings.h"
#include "document_manager.h"
#include "export_writer.h"
#include "file_system.h"
#include "histavue_doc.h"
#include "log_store.h"
#include "store_api.h"
#include "text_codec.h"
#include "ui_services.h"

namespace {

constexpr int kBytesRole = Qt::UserRole + 1;

// A long export shows its progress dialog after this long, and looks at its cancel button this
// often.
int g_progressShowAfterMs = 500;
int g_progressCheckEveryMs = 50;

QString WithSeparator(QString folder) {
    if (!folder.endsWith('/') && !folder.endsWith('\\'))
        folder += QDir::separator();
    return folder;
}

struct InsertContext {
    QTreeWidgetItem* parent;  // null for the top level
    QList<QTreeWidgetItem*>* topLevel;
    int leaf = 0;
};

QTreeWidgetItem* MakeItem(const QByteArray& bytes) {
    auto* item = new QTreeWidgetItem;
    item->setText(
        0, DecodeText(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size()))));
    item->setData(0, kBytesRole, bytes);
    return item;
}

// Splits the store's text at "\n" (runs count as one) and adds each piece as the last child.
void InsertPieces(InsertContext* c, const char* text, uint32_t length) {
    if (text == nullptr || length == 0)
        return;
    uint32_t start = 0;
    for (uint32_t i = 0; i <= length; ++i) {
        if (i == length || text[i] == '\n') {
            if (i > start) {
                QTreeWidgetItem* item =
                    MakeItem(QByteArray(text + start, static_cast<int>(i - start)));
                if (c->parent != nullptr) {
                    c->parent->addChild(item);
                } else {
                    c->topLevel->append(item);
                }
            }
            start = i + 1;
        }
    }
}

void InsertGroups(void* context, const char* text, uint32_t length) {
    InsertPieces(static_cast<InsertContext*>(context), text, length);
}

void InsertItems(void* context, const char* text, uint32_t length, int leaf) {
    auto* c = static_cast<InsertContext*>(context);
    c->leaf = leaf;
    InsertPieces(c, text, length);
}

void FillChildren(int kind, const QByteArray& group, const QByteArray& parentPath,
                  QTreeWidgetItem* parent) {
    for (int i = 0; i < parent->childCount(); ++i) {
        QTreeWidgetItem* child = parent->child(i);
        QByteArray path = CGroupTree::ItemBytes(child);
        if (!parentPath.isEmpty())
            path = parentPath + '\\' + path;
        InsertContext context{child, nullptr, 0};
        if (StoreListItems(kind, group.constData(), path.constData(), &context, InsertItems,
                           false) &&
            context.leaf == 0) {
            FillChildren(kind, group, path, child);
        }
    }
}

// The export of a double-click or a query, with a busy cursor and a progress dialog that
// appears once the work runs past half a second and whose cancel button stops it.
struct ExportTarget {
    ExportWriter writer;
    QProgressDialog* progress = nullptr;
    QElapsedTimer sinceCheck;
    bool cancelled = false;

    // Runs a store call that feeds this target; returns the call's result.
    bool Run(QWidget* parent, const QString& label, const std::function<bool()>& call) {
        QProgressDialog dialog(label, QCoreApplication::translate("Histavue", "取消"), 0, 0,
                               parent);
        dialog.setWindowModality(Qt::ApplicationModal);
        dialog.setMinimumDuration(g_progressShowAfterMs);
        dialog.setAutoClose(false);
        dialog.setAutoReset(false);
        dialog.setValue(0);
        progress = &dialog;
        sinceCheck.start();
        QApplication::setOverrideCursor(Qt::WaitCursor);
        const bool result = call();
        QApplication::restoreOverrideCursor();
        progress = nullptr;
        return result;
    }

    bool CheckCancel() {
        if (progress == nullptr || sinceCheck.elapsed() < g_progressCheckEveryMs)
            return cancelled;
        sinceCheck.restart();
        progress->setValue(0);
        QApplication::processEvents();
        cancelled = cancelled || progress->wasCanceled();
        return cancelled;
    }
};

struct ItemExportContext {
    ExportTarget* target;
    int* stop;
};

void ItemChunk(void* context, const char* text, uint32_t length) {
    auto* c = static_cast<ItemExportContext*>(context);
    c->target->writer.Chunk(text, length);
    if (c->target->CheckCancel())
        *c->stop = 1;
}

// Runs of whole record lines in their stored form go to the file as they are; the cancel button
// is looked at once a run.
void QueryRun(void* context, const char* stored, uint32_t length, uint32_t lines, int* stop) {
    auto* target = static_cast<ExportTarget*>(context);
    target->writer.Stored(stored, length, lines);
    *stop = target->CheckCancel() ? 1 : 0;
}

// Says in the status bar of the main window holding widget how many record lines the store left
// out for want of their line end; nothing when it left out none.
void SayLeftOut(QWidget* widget, const StoreLeftOut& left) {
    if (left.unendedLines == 0)
        return;
    for (QWidget* w = widget; w != nullptr; w = w->parentWidget()) {
        if (auto* frame = qobject_cast<QMainWindow*>(w)) {
            frame->statusBar()->showMessage(
                QCoreApplication::translate("Histavue", kUnendedLinesMessage)
                    .arg(left.unendedLines));
            return;
        }
    }
}

}  // namespace

const char kUnendedLinesMessage[] = QT_TRANSLATE_NOOP(
    "Histavue", "略去了 %1 行记录：块文件的最后一行没有行尾（副本被截断，或面板正在写入）");

const char kExportPathTooLongMessage[] =
    QT_TRANSLATE_NOOP("Histavue", "导出文件的路径太长（最多 259 字节），无法导出：\n%1");

QString GroupFileStem(const QByteArray& group) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(group.constData());
    const size_t n = static_cast<size_t>(group.size());
    const bool utf8 = IsValidUtf8(group.constData(), n);
    QByteArray flat = group;
    bool tagged = false;
    for (size_t i = 0; i < n;) {
        // UTF-8 never puts an ASCII byte inside a character; the code page does.
        const size_t width = utf8 ? 1 : CharacterLength(group.constData(), n, i, false);
        if (width == 1 && (bytes[i] == '\\' || bytes[i] == '/' || bytes[i] == '~')) {
            tagged = true;
            if (bytes[i] != '~')
                flat[static_cast<qsizetype>(i)] = '-';
        }
        i += width;
    }
    const QString text =
        DecodeText(std::string_view(flat.constData(), static_cast<size_t>(flat.size())));
    if (!utf8 && EncodeText(text) != flat.toStdString()) {
        tagged = true;  // bytes that do not decode all read as the same replacement character
    }
    if (!tagged) {
        return text;
    }
    uint64_t hash = 14695981039346656037ull;  // FNV-1a
    for (size_t i = 0; i < n; ++i) {
        hash = (hash ^ bytes[i]) * 1099511628211ull;
    }
    return text + QStringLiteral("~%1").arg(hash, 16, 16, QLatin1Char('0')).toUpper();
}

CGroupTree::CGroupTree(DocumentManager* documents, TempFileRegistrar registerTempFile,
                       QWidget* parent)
    : QTreeWidget(parent), documents_(documents), registerTempFile_(std::move(registerTempFile)) {
    setHeaderHidden(true);
    setRootIsDecorated(true);
    setUniformRowHeights(true);
    setColumnCount(1);
    connect(this, &QTreeWidget::itemDoubleClicked, this,
            [this](QTreeWidgetItem* item) { OpenGroupItem(item); });
}

CGroupTree::~CGroupTree() {
    Close();
}

void CGroupTree::SetPlaceholder(const QString& text) {
    placeholder_ = text;
    viewport()->update();
}

void CGroupTree::contextMenuEvent(QContextMenuEvent* event) {
    QTreeWidgetItem* item = itemAt(viewport()->mapFrom(this, event->pos()));
    if (item == nullptr || itemActions_.isEmpty())
        return;
    // The menu acts on the item clicked, as the commands act on the current item.
    setCurrentItem(item);
    QMenu menu(this);
    menu.addActions(itemActions_);
    menu.exec(event->globalPos());
}

void CGroupTree::paintEvent(QPaintEvent* event) {
    QTreeWidget::paintEvent(event);
    if (placeholder_.isEmpty() || topLevelItemCount() > 0)
        return;
    QPainter painter(viewport());
    painter.setPen(palette().color(QPalette::Active, QPalette::PlaceholderText));
    const int margin = fontMetrics().height() / 2;
    painter.drawText(viewport()->rect().adjusted(margin, margin, -margin, -margin),
                     Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, placeholder_);
}

QByteArray CGroupTree::ItemBytes(const QTreeWidgetItem* item) {
    return item != nullptr ? item->data(0, kBytesRole).toByteArray() : QByteArray();
}

bool CGroupTree::Open(int kind, const QString& stagingFolder, const QString& dataFolder) {
    if (IsOpen() || kind < 0 || kind > 2 || stagingFolder.isEmpty() || dataFolder.isEmpty()) {
        return false;
    }
    kind_ = kind;
    staging_ = WithSeparator(stagingFolder);
    data_ = WithSeparator(dataFolder);
    // The recorder's root index is the newer one; the staging copy follows it. The data folder
    // itself is only read.
    // When the copy fails, an older copy must not stand in for the data folder's index: the
    // store would list another store's groups and read this one's folders under their ids.
    const QString indexName = QString::fromLatin1(kRootIndexName);
    const std::string stagingIndex = PathBytes(staging_ + indexName);
    if (!storefs::CopyFile(PathBytes(data_ + indexName), stagingIndex, true)) {
        storefs::RemoveFile(stagingIndex);
        return false;
    }
    if (!StoreOpen(kind_, PathBytes(data_).c_str(), PathBytes(staging_).c_str())) {
        return false;
    }
    Fill();
    return true;
}

bool CGroupTree::Close() {
    if (!IsOpen()) {
        return false;
    }
    clear();
    StoreClose(kind_);
    kind_ = kNotOpen;
    return true;
}

void CGroupTree::Fill() {
    QList<QTreeWidgetItem*> groups;
    InsertContext root{nullptr, &groups, 0};
    StoreListGroups(kind_, &root, InsertGroups);
    for (QTreeWidgetItem* group : groups) {
        const QByteArray name = ItemBytes(group);
        InsertContext context{group, nullptr, 0};
        if (StoreListItems(kind_, name.constData(), nullptr, &context, InsertItems, false) &&
            context.leaf == 0) {
            FillChildren(kind_, name, QByteArray(), group);
        }
    }
    // The items are built apart from the view and handed over at once: much faster than one
    // insertion at a time.
    addTopLevelItems(groups);
}

bool CGroupTree::GetItemGroupPath(QTreeWidgetItem* item, ItemGroupPath* out) const {
    if (item == nullptr) {
        return false;
    }
    *out = ItemGroupPath();
    if (item->parent() == nullptr) {
        out->group = ItemBytes(item);
        return true;
    }
    out->leaf = item->childCount() == 0;
    QTreeWidgetItem* top = item;
    QByteArray path = ItemBytes(item);
    while (top->parent() != nullptr && top->parent()->parent() != nullptr) {
        top = top->parent();
        path = ItemBytes(top) + '\\' + path;
    }
    out->group = ItemBytes(top->parent() != nullptr ? top->parent() : top);
    out->path = path;
    return true;
}

QString CGroupTree::ItemExportPath(const ItemGroupPath& item) const {
    QByteArray path = item.path;
    path.replace('\\', '-');
    return staging_ + GroupFileStem(item.group) + '-' + QString::fromLatin1(path) +
           QStringLiteral(".csv");
}

QString CGroupTree::QueryFilePath(const QByteArray& group, const CalendarTime& start,
                                  unsigned random) const {
    char suffix[48];
    std::snprintf(suffix, sizeof suffix, "-%04hu-%02hu-%02hu-%02hu-%08X.csv", start.year,
                  start.month, start.day, start.hour, random);
    return staging_ + GroupFileStem(group) + QString::fromLatin1(suffix);
}

QString CGroupTree::FreeQueryPath(const QByteArray& group, const CalendarTime& start,
                                  const std::function<unsigned()>& random) const {
    // A fresh name each time: an existing file may be the working file of another query.
    QString path;
    for (int tries = 0; tries < 64; ++tries) {
        path = QueryFilePath(group, start, random());
        if (!QFile::exists(path))
            break;
    }
    return path;
}

void CGroupTree::SetProgressTiming(int showAfterMs, int checkEveryMs) {
    g_progressShowAfterMs = showAfterMs;
    g_progressCheckEveryMs = checkEveryMs;
}

QString CGroupTree::OpenGroupItem(QTreeWidgetItem* item) {
    ItemGroupPath target;
    QString opened;
    if (IsOpen() && GetItemGroupPath(item, &target) && target.leaf && !target.path.isEmpty()) {
        const QString path = ItemExportPath(target);
        const std::string bytes = PathBytes(path);
        if (bytes.size() > storefs::kMaxPath) {
            UiServices::Get().Message(
                window(),
                QCoreApplication::translate("Histavue", kExportPathTooLongMessage)
                    .arg(QDir::toNativeSeparators(path)),
                UiServices::Icon::kExclamation);
            setCurrentItem(item);
            return opened;
        }
        storefs::RemoveFile(bytes);
        const int existing = storefs::OpenExclusive(bytes, storefs::OpenMode::kExistingRead);
        if (existing >= 0) {
            // The old file could not be deleted (read-only): show what it holds.
            storefs::CloseFile(existing);
            if (documents_ != nullptr && documents_->OpenDocumentFile(path) != nullptr)
                opened = path;
        } else {
            ExportTarget job;
            job.writer.SetTarget(bytes, ExportWriter::Encoding::kInverted);
            int stop = 0;
            ItemExportContext context{&job, &stop};
            StoreLeftOut left;
            const QString label =
                QCoreApplication::translate("Histavue", "正在导出 %1 ...")
                    .arg(DecodeText(std::string_view(target.path.constData(),
                                                     static_cast<size_t>(target.path.size()))));
            const bool ok = job.Run(window(), label, [&] {
                return StoreExportItem(kind_, target.group.constData(), target.path.constData(),
                                       &context, ItemChunk, &stop, &left);
            });
            if (job.cancelled) {
                job.writer.Discard();
            } else {
                job.writer.Finish();
                if (job.writer.Created() && registerTempFile_)
                    registerTempFile_(path);
                // A document already open on this file shows the same folder's records, which
                // were just written afresh: it takes the new file as its own.
                CHistavueDoc* open =
                    documents_ != nullptr ? documents_->FindDocument(path) : nullptr;
                if (ok && open != nullptr && job.writer.Created()) {
                    open->AdoptWorkingFile();
                }
                if (ok && documents_ != nullptr && documents_->OpenDocumentFile(path) != nullptr) {
                    opened = path;
                }
                SayLeftOut(this, left);
            }
        }
    }
    if (item != nullptr) {
        setCurrentItem(item);
    }
    return opened;
}

CGroupTree::QueryResult CGroupTree::QueryGroup(const CalendarTime& start, const CalendarTime& end,
                                               int interval) {
    ItemGroupPath target;
    if (!IsOpen() || !GetItemGroupPath(currentItem(), &target)) {
        return QueryResult::kFailed;
    }
    std::srand(static_cast<unsigned>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                         std::chrono::steady_clock::now().time_since_epoch())
                                         .count()));
    const QString path = FreeQueryPath(target.group, start,
                                       [] { return static_cast<unsigned>(std::rand() & 0x7FFF); });
    ExportTarget job;
    job.writer.SetTarget(PathBytes(path), ExportWriter::Encoding::kInverted,
                         ExportWriter::Create::kNew);
    StoreLeftOut left;
    const bool ok = job.Run(window(), QCoreApplication::translate("Histavue", "正在查询 ..."), [&] {
        return StoreQueryRuns(kind_, target.group.constData(), &start, &end,
                              static_cast<uint32_t>(interval < 0 ? 0 : interval), &job, QueryRun,
                              nullptr, &left);
    });
    if (job.cancelled) {
        job.writer.Discard();
        return QueryResult::kCancelled;
    }
    const bool written = job.writer.Finish();
    CHistavueDoc* doc = nullptr;
    if (!ok || !written || !job.writer.Created()) {
        // Nothing delivered, or the file could not be written: nothing to open.
        job.writer.Discard();
    } else {
        doc = documents_ != nullptr ? documents_->OpenDocumentFile(path) : nullptr;
        if (doc == nullptr)
            QFile::remove(path);
    }
    SayLeftOut(this, left);  // after the new view, which may have said something first
    if (doc == nullptr)
        return QueryResult::kFailed;
    doc->SetTemporary(1);
    return QueryResult::kOpened;
}
