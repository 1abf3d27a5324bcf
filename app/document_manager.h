// The framework's document handling: open a document by path (an open one comes to the front
// instead of loading again), the recent-file list of 4, closing documents with their windows.
#pragma once

#include <QObject>
#include <QStringList>
#include <vector>

class CHistavueApp;
class CHistavueDoc;
class CHistavueView;

class DocumentManager : public QObject {
    Q_OBJECT
  public:
    static constexpr int kRecentFiles = 4;

    explicit DocumentManager(CHistavueApp* app);
    ~DocumentManager() override;

    // Opens path as a document in a new window, or brings its open document to the front. On
    // failure tells the user which file and why, and returns null.
    CHistavueDoc* OpenDocumentFile(const QString& path);

    // The new-document command: a document refuses to be created empty, so nothing opens.
    void NewDocument();

    // Opens a further window on an open document.
    CHistavueView* NewWindow(CHistavueDoc* doc);

    // A view's window is closing; the document closes with its last view.
    void ViewClosing(CHistavueView* view);

    const std::vector<CHistavueDoc*>& Documents() const { return docs_; }
    CHistavueDoc* FindDocument(const QString& path) const;

    QStringList RecentFiles() const;
    void AddRecentFile(const QString& path);
    void RemoveRecentFile(const QString& path);

  signals:
    void DocumentsChanged();
    void RecentFilesChanged();

  private:
    void WriteRecentFiles(const QStringList& files);

    CHistavueApp* app_;
    std::vector<CHistavueDoc*> docs_;
};
