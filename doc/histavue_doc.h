// The record document: one record file (the working file), read through its views into their
// report tables. The document keeps only the file's path; its text is held while it opens and
// then by the views' tables. A query result is temporary: its file is deleted on close.
#pragma once

#include <QObject>
#include <QString>
#include <memory>
#include <vector>

#include "log_text_file.h"

class CHistavueView;

class CHistavueDoc : public QObject {
    Q_OBJECT
  public:
    CHistavueDoc() = default;
    ~CHistavueDoc() override;

    // An empty document is never created: always false.
    bool OnNewDocument();

    // Reads the file (inverted, or plain while OpenPlainScope is active) and loads it into every
    // view. False, with a reason in LastError(), when the file cannot be read or a view cannot
    // use its text.
    bool OnOpenDocument(const QString& path);

    // Copies the working file to path byte for byte (same form). Saving under the working file's
    // own path (compared without regard to case) writes nothing and succeeds.
    bool SaveToPath(const QString& path);

    // Deletes the working file when the document is temporary. Views are not touched.
    void OnCloseDocument();

    int SetTemporary(int flag);
    int IsTemporary() const { return isTemporary_; }
    // True when the working file was opened in its plain form.
    bool IsPlain() const { return openedPlain_; }

    QString PathName() const { return path_; }
    QString Title() const;
    QString LastError() const { return lastError_; }

    void AddView(CHistavueView* view);
    void RemoveView(CHistavueView* view);
    const std::vector<CHistavueView*>& Views() const { return views_; }

    // Writes the records as plain CSV to target with the first view's title and captions.
    // Returns true when the file was written (the completion message is due).
    bool ExportPlainCsv(const QString& target);

    // While an object of this type lives, documents read their file in the plain form.
    class OpenPlainScope {
      public:
        OpenPlainScope() { openPlainCsv_ = 1; }
        ~OpenPlainScope() { openPlainCsv_ = 0; }
        OpenPlainScope(const OpenPlainScope&) = delete;
        OpenPlainScope& operator=(const OpenPlainScope&) = delete;
    };
    static bool OpeningPlain() { return openPlainCsv_ != 0; }

  private:
    static int openPlainCsv_;

    LogTextFile workFile_;
    QString path_;
    int isTemporary_ = 0;
    bool openedPlain_ = false;
    QString lastError_;
    std::vector<CHistavueView*> views_;
};

// Bytes of a path as the file system takes them.
std::string PathBytes(const QString& path);
