// The application: start-up, the list of exported files to delete at exit, the documents.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <memory>
#include <mutex>

#include "profile.h"

class CMainFrame;
class DocumentManager;
class QPrinter;
class QTranslator;

class CHistavueApp : public QObject {
    Q_OBJECT
  public:
    CHistavueApp();
    ~CHistavueApp() override;

    // Start-up: the per-user profile, the main window (shown). The command line is parsed and
    // ignored: no document is opened at start. False when the main window cannot be created.
    bool InitInstance(const QStringList& arguments);

    // Runs the event loop, then deletes every registered temporary file. Always returns 0.
    int Run();

    // Adds an exported file to the files deleted at exit. False when it is listed already or
    // the path is empty.
    bool RegisterTempFile(const QString& path);
    QStringList TempFiles() const;
    // Deletes every registered file (failures ignored) and empties the list.
    void DeleteTempFiles();

    // The printer and page set up with "打印设置", used by every print of the session.
    QPrinter* Printer();

    CMainFrame* MainFrame() const { return frame_.get(); }
    DocumentManager* Documents() const { return documents_.get(); }

    static CHistavueApp* Instance();

    // Language of the user interface: "zh" (the Chinese source texts) or "en". HISTAVUE_LANG=zh
    // or =en chooses it; otherwise Chinese for a Chinese system locale, English for any other.
    static QString UiLanguage();
    // Loads the built-in translation of UiLanguage() (none for Chinese, the source language);
    // null when there is none. The caller installs it and keeps it while texts are looked up.
    static std::unique_ptr<QTranslator> LoadTranslation();

  private:
    mutable std::mutex tempLock_;
    QStringList tempFiles_;
    std::unique_ptr<QPrinter> printer_;
    std::unique_ptr<QTranslator> translator_;
    std::unique_ptr<DocumentManager> documents_;
    std::unique_ptr<CMainFrame> frame_;
};
