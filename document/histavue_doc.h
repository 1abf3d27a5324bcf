// The record document: one record file (the working file), read through its views into their
// report tables. The document keeps only the file's path; its text is held while it opens and
// then by the views' tables. A query result is temporary: its file is deleted on close.
#pragma once

#include <QObject>
#include <QString>
#include <memory>
#include <string>
#include <vector>

#include "code_page.h"
#include "document_view.h"
#include "file_system.h"
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
    // view. A plain file whose first line is its header (as other programs write CSV) is titled
    // name, or its file name when name is empty. False, with a reason in LastError(), when the
    // file is in the other form (see WrongForm), the layout of a plain file cannot be told, the
    // file cannot be read or a view cannot use its text.
    bool OnOpenDocument(const QString& path, const QString& name = QString());

    // Copies the working file to path byte for byte (same form). Saving under the working file's
    // own path, or onto the working file by another link, writes nothing and succeeds. False,
    // with the reason in LastError(), when the working file is gone or was changed since it was
    // opened, or the copy fails; the target is then left as it was.
    bool SaveToPath(const QString& path);

    // Deletes the working file when the document is temporary. Views are not touched.
    void OnCloseDocument();

    int SetTemporary(int flag);
    int IsTemporary() const { return isTemporary_; }
    // True when the working file was opened in its plain form.
    bool IsPlain() const { return openedPlain_; }

    // The code page of the working file's text, decided when it was opened from its leading
    // bytes; the views show all of the document's text in it.
    TextCodec Codec() const { return codec_; }

    // True when the last open failed because the file is in the other form: a plain CSV opened
    // as an inverted record file, or the other way round. LastError() says how to open it.
    bool WrongForm() const { return wrongForm_; }
    // True when the working file is a plain CSV without a title line (its first line is the
    // header, as other programs write CSV); the title is then the file's name.
    bool Headed() const { return headed_; }

    QString PathName() const { return path_; }
    QString Title() const;
    QString LastError() const { return lastError_; }

    // view is the window; records is the same view as the document sees it.
    void AddView(CHistavueView* view, DocumentView* records);
    void RemoveView(CHistavueView* view);
    const std::vector<CHistavueView*>& Views() const { return views_; }

    // Writes the records as plain CSV to target with the first view's title and captions.
    // Returns true when the file was written (the completion message is due); false, with the
    // reason in LastError(), when the working file is gone or changed, the target is the working
    // file itself, or the target cannot be written (it is then left as it was).
    bool ExportPlainCsv(const QString& target);

    // True when the working file is still the file that was read, unchanged; otherwise false
    // with the reason in LastError().
    bool WorkingFileIntact();
    // Takes the file now at the working path as the one the records came from (after the same
    // records were exported into it afresh).
    void AdoptWorkingFile();

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

    // Brings the text of a plain file into the shape the views read (see ShapePlainText); false,
    // with the reason in lastError_, when its layout cannot be told or memory runs out.
    bool ShapePlain(TextBuffer* text, const QString& fileName);

    LogTextFile workFile_;
    QString path_;
    int isTemporary_ = 0;
    bool openedPlain_ = false;
    bool wrongForm_ = false;
    bool headed_ = false;
    std::string headedTitle_;  // the title given to a headed file
    TextCodec codec_ = TextCodec::kPerText;
    storefs::FileIdentity stamp_;
    QString lastError_;
    std::vector<CHistavueView*> views_;
    std::vector<DocumentView*> records_;  // views_[i] as a DocumentView
};

// Bytes of a path as the file system takes them.
std::string PathBytes(const QString& path);

// What a failed file operation's errno means, for a message to the user.
QString FileErrorText(int error);
