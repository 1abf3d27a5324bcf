#include "histavue_app.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFile>

#include "document_manager.h"
#include "main_frame.h"

const char kProfileOrganisation[] = "应用程序向导生成的本地应用程序";
const char kProfileApplication[] = "Histavue";

namespace {

CHistavueApp* g_app = nullptr;

}  // namespace

CHistavueApp* CHistavueApp::Instance() {
    return g_app;
}

CHistavueApp::CHistavueApp() {
    g_app = this;
}

CHistavueApp::~CHistavueApp() {
    frame_.reset();
    documents_.reset();
    if (g_app == this)
        g_app = nullptr;
}

bool CHistavueApp::InitInstance(const QStringList& arguments) {
    QCoreApplication::setOrganizationName(QString::fromUtf8(kProfileOrganisation));
    QCoreApplication::setApplicationName(QString::fromUtf8(kProfileApplication));
    QApplication::setApplicationDisplayName(QStringLiteral("Histavue"));
    documents_ = std::make_unique<DocumentManager>(this);
    frame_ = std::make_unique<CMainFrame>(this);
    // The command line is read and then deliberately ignored: nothing opens at start.
    QCommandLineParser parser;
    parser.parse(arguments);
    frame_->RestorePlacement();
    frame_->show();
    return true;
}

int CHistavueApp::Run() {
    QApplication::exec();
    DeleteTempFiles();
    return 0;
}

bool CHistavueApp::RegisterTempFile(const QString& path) {
    std::lock_guard<std::mutex> lock(tempLock_);
    if (path.isEmpty() || tempFiles_.contains(path, Qt::CaseSensitive)) {
        return false;
    }
    tempFiles_.append(path);
    return true;
}

QStringList CHistavueApp::TempFiles() const {
    std::lock_guard<std::mutex> lock(tempLock_);
    return tempFiles_;
}

void CHistavueApp::DeleteTempFiles() {
    std::lock_guard<std::mutex> lock(tempLock_);
    for (const QString& path : tempFiles_) {
        QFile::remove(path);
    }
    tempFiles_.clear();
}
