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

    // What a command line asks for. It is read before any window exists, so that --help and
    // --version answer without a display and without starting a viewer.
    struct CommandLine {
        enum class Action { kRun, kHelp, kVersion, kUsageError };
        Action action = Action::kRun;
        QStringList files;  // the files to open, in order (every argument after "--" is one)
        QString problem;    // what is wrong, for kUsageError
    };
    // arguments[0] is the program. --help (-h) and --version win over anything else on the line;
    // any other argument starting with "-" (but "-" alone) is a usage error.
    static CommandLine ParseCommandLine(const QStringList& arguments);
    // The texts of --help (the man page is made from it) and --version, in English.
    static QString HelpText();
    static QString VersionText();

    // Start-up: the per-user profile, Qt's own translation, the main window (shown), then the
    // files the command line names, each opened by OpenFiles. False when the main window cannot
    // be created.
    bool InitInstance(const QStringList& arguments);

    // Opens each file as a report in the form its bytes tell (the inverted form of an export,
    // or plain CSV). A file that cannot be read, whose form cannot be told, or that is no report
    // gets a message naming it and why; the others still open. Returns how many opened.
    int OpenFiles(const QStringList& files);

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
    // Loads Qt's own translation of UiLanguage() (qtbase_zh_CN.qm from Qt's translations folder,
    // for the file, print and page-setup dialogs); null for English, Qt's source language, and
    // when the file is not installed.
    static std::unique_ptr<QTranslator> LoadQtTranslation();

  private:
    mutable std::mutex tempLock_;
    QStringList tempFiles_;
    std::unique_ptr<QPrinter> printer_;
    std::unique_ptr<QTranslator> translator_;
    std::unique_ptr<QTranslator> qtTranslator_;
    std::unique_ptr<DocumentManager> documents_;
    std::unique_ptr<CMainFrame> frame_;
};
