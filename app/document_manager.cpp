#include "document_manager.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProgressDialog>
#include <algorithm>

#include "histavue_doc.h"
#include "histavue_view.h"
#include "profile.h"
#include "ui_services.h"

namespace {

// The path with links resolved when it exists, so that one folder reached two ways compares
// equal.
QString ResolvedPath(const QString& path) {
    const QFileInfo info(path);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : canonical;
}

}  // namespace

DocumentManager::DocumentManager() : profile_(std::make_unique<DeferredProfile>()) {}

DocumentManager::~DocumentManager() {
    for (CHistavueDoc* doc : docs_) {
        doc->OnCloseDocument();
        delete doc;
    }
}

CHistavueDoc* DocumentManager::FindDocument(const QString& path) const {
    const QString wanted = QFileInfo(path).absoluteFilePath();
    for (CHistavueDoc* doc : docs_) {
        if (doc->PathName() == wanted)
            return doc;
    }
    return nullptr;
}

CHistavueDoc* DocumentManager::OpenDocumentFile(const QString& path) {
    if (CHistavueDoc* open = FindDocument(path)) {
        if (!open->Views().empty() && host_ != nullptr) {
            host_->ActivateView(open->Views().front());
        }
        return open;
    }
    QWidget* parent = host_ != nullptr ? host_->DialogParent() : nullptr;
    auto* doc = new CHistavueDoc;
    auto* view = new CHistavueView(doc);
    doc->AddView(view, view);

    // Large files: a busy cursor at once, a progress dialog once parsing runs past a second.
    QApplication::setOverrideCursor(Qt::WaitCursor);
    QProgressDialog progress(
        QCoreApplication::translate("Histavue", "正在读取 %1 ...").arg(QFileInfo(path).fileName()),
        QString(), 0, 1000, parent);
    progress.setWindowModality(Qt::ApplicationModal);
    progress.setMinimumDuration(1000);
    progress.setAutoClose(false);
    view->List()->Table().SetProgress([&progress](uint32_t done, uint32_t total) {
        progress.setValue(total > 0 ? static_cast<int>(1000.0 * done / total) : 0);
    });
    const bool ok = doc->OnOpenDocument(path);
    view->List()->Table().SetProgress(nullptr);
    progress.reset();
    QApplication::restoreOverrideCursor();

    if (!ok) {
        const QString reason = doc->LastError();
        delete view;
        delete doc;
        UiServices::Get().Message(
            parent,
            QCoreApplication::translate("Histavue", "无法打开文件：\n%1\n\n%2")
                .arg(QDir::toNativeSeparators(path), reason),
            UiServices::Icon::kExclamation);
        return nullptr;
    }
    docs_.push_back(doc);
    if (host_ != nullptr) {
        host_->AddView(view);
    }
    if (!InWorkingFolder(doc->PathName()))
        AddRecentFile(doc->PathName(), doc->IsPlain());
    emit DocumentsChanged();
    return doc;
}

void DocumentManager::NewDocument() {
    CHistavueDoc doc;
    doc.OnNewDocument();  // always refuses: a document only exists with a record file
}

CHistavueView* DocumentManager::NewWindow(CHistavueDoc* doc) {
    if (doc == nullptr || doc->Views().empty()) {
        return nullptr;
    }
    const auto& text = doc->Views().front()->List()->Table().Text();
    auto* view = new CHistavueView(doc);
    if (!text || !view->LoadRecords(text, doc->Codec(), doc->IsPlain())) {
        delete view;
        return nullptr;
    }
    doc->AddView(view, view);
    if (host_ != nullptr) {
        host_->AddView(view);
    }
    emit DocumentsChanged();
    return view;
}

void DocumentManager::ViewClosing(CHistavueView* view) {
    CHistavueDoc* doc = view->Document();
    if (doc == nullptr) {
        return;
    }
    doc->RemoveView(view);
    if (doc->Views().empty()) {
        doc->OnCloseDocument();
        docs_.erase(std::remove(docs_.begin(), docs_.end(), doc), docs_.end());
        doc->deleteLater();
    }
    emit DocumentsChanged();
}

void DocumentManager::SetWorkingFolders(const QStringList& folders) {
    workingFolders_.clear();
    for (const QString& folder : folders) {
        QString bare = folder;
        while (bare.size() > 1 && (bare.endsWith('/') || bare.endsWith('\\')))
            bare.chop(1);
        const QString resolved = ResolvedPath(bare);
        if (!folder.isEmpty() && !workingFolders_.contains(resolved))
            workingFolders_.append(resolved);
    }
}

bool DocumentManager::InWorkingFolder(const QString& path) const {
    const QString resolved = ResolvedPath(path);
    for (const QString& folder : workingFolders_) {
        if (resolved.startsWith(folder.endsWith('/') ? folder : folder + '/'))
            return true;
    }
    return false;
}

CHistavueDoc* DocumentManager::OpenRecentFile(const QString& path) {
    CHistavueDoc* doc = nullptr;
    if (IsRecentPlain(path)) {
        CHistavueDoc::OpenPlainScope plain;
        doc = OpenDocumentFile(path);
    } else {
        doc = OpenDocumentFile(path);
    }
    if (doc == nullptr)
        RemoveRecentFile(path);
    return doc;
}

QStringList DocumentManager::RecentFiles() const {
    QStringList files;
    for (int i = 1; i <= kRecentFiles; ++i) {
        const QString f =
            profile_->Value(QStringLiteral("Recent File List/File%1").arg(i)).toString();
        if (!f.isEmpty())
            files.append(f);
    }
    return files;
}

QStringList DocumentManager::RecentPlainFiles() const {
    return profile_->Value(QStringLiteral("Recent File List/Plain")).toStringList();
}

bool DocumentManager::IsRecentPlain(const QString& path) const {
    return RecentPlainFiles().contains(path);
}

void DocumentManager::AddRecentFile(const QString& path, bool plain) {
    QStringList files = RecentFiles();
    files.removeIf([&](const QString& f) { return f == path; });
    files.prepend(path);
    QStringList plainFiles = RecentPlainFiles();
    plainFiles.removeAll(path);
    if (plain)
        plainFiles.append(path);
    WriteRecentFiles(files, plainFiles);
}

void DocumentManager::RemoveRecentFile(const QString& path) {
    QStringList files = RecentFiles();
    files.removeIf([&](const QString& f) { return f == path; });
    WriteRecentFiles(files, RecentPlainFiles());
}

void DocumentManager::WriteRecentFiles(const QStringList& files, const QStringList& plain) {
    // Written after a quiet second or at the end, not here: an open never waits for the disk.
    QStringList plainKept;
    for (int i = 1; i <= kRecentFiles; ++i) {
        const QString key = QStringLiteral("Recent File List/File%1").arg(i);
        if (i <= files.size()) {
            profile_->SetValue(key, files[i - 1]);
            if (plain.contains(files[i - 1]))
                plainKept.append(files[i - 1]);
        } else {
            profile_->SetValue(key, QVariant());
        }
    }
    // The form of each entry beside the list, which keeps the framework's layout.
    profile_->SetValue(QStringLiteral("Recent File List/Plain"),
                       plainKept.isEmpty() ? QVariant() : QVariant(plainKept));
    emit RecentFilesChanged();
}

void DocumentManager::FlushProfile() {
    profile_->Flush();
}
