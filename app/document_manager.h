// The framework's document handling: open a document by path (an open one comes to the front
// instead of loading again), the recent-file list of 4, closing documents with their windows.
#pragma once

#include <QObject>
#include <QStringList>
#include <memory>
#include <vector>

class CHistavueDoc;
class DeferredProfile;
class CHistavueView;
class QWidget;

// The window that shows the documents' views, as the document manager sees it.
class ViewHost {
  public:
    virtual ~ViewHost() = default;
    // Puts a view into a new document window and activates it.
    virtual void AddView(CHistavueView* view) = 0;
    // Brings the window of a view to the front.
    virtual void ActivateView(CHistavueView* view) = 0;
    // The parent of the progress dialogs and messages of opening a file.
    virtual QWidget* DialogParent() = 0;
};

class DocumentManager : public QObject {
    Q_OBJECT
  public:
    static constexpr int kRecentFiles = 4;

    DocumentManager();
    ~DocumentManager() override;

    // The window new views go to; without one, documents open without a window.
    void SetViewHost(ViewHost* host) { host_ = host; }

    // Opens path as a document in a new window, or brings its open document to the front. On
    // failure tells the user which file and why, and returns null. A file opened from outside
    // the working folders enters the recent-file list.
    CHistavueDoc* OpenDocumentFile(const QString& path);

    // The new-document command: a document refuses to be created empty, so nothing opens.
    void NewDocument();

    // Opens a further window on an open document.
    CHistavueView* NewWindow(CHistavueDoc* doc);

    // A view's window is closing; the document closes with its last view.
    void ViewClosing(CHistavueView* view);

    const std::vector<CHistavueDoc*>& Documents() const { return docs_; }
    CHistavueDoc* FindDocument(const QString& path) const;

    // The folders whose files last only for the session (the staging folders of the current
    // roots, where exports and query results are written and deleted again): their files and
    // those of their sub-folders never enter the recent-file list. Replaces the folders set
    // before, which are ordinary folders from then on.
    void SetWorkingFolders(const QStringList& folders);
    bool InWorkingFolder(const QString& path) const;

    // The recent-file list, newest first. A plain entry was opened or written as plain CSV and
    // is opened in that form again.
    QStringList RecentFiles() const;
    bool IsRecentPlain(const QString& path) const;
    void AddRecentFile(const QString& path, bool plain = false);
    void RemoveRecentFile(const QString& path);
    // Opens a recent-file entry in its form; an entry that no longer opens leaves the list.
    CHistavueDoc* OpenRecentFile(const QString& path);
    // Changes of the list reach the profile after a quiet second, at the application's end and
    // when the manager ends; this writes them now.
    void FlushProfile();

  signals:
    void DocumentsChanged();
    void RecentFilesChanged();

  private:
    void WriteRecentFiles(const QStringList& files, const QStringList& plain);
    QStringList RecentPlainFiles() const;

    ViewHost* host_ = nullptr;
    QStringList workingFolders_;
    std::vector<CHistavueDoc*> docs_;
    std::unique_ptr<DeferredProfile> profile_;
};
