#include "histavue_app.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFile>
#include <QIcon>
#include <QLocale>
#include <QPainter>
#include <QPixmap>
#include <QPrinter>
#include <QTranslator>

#include "document_manager.h"
#include "main_frame.h"

namespace {

CHistavueApp* g_app = nullptr;

// The program's icon: a trend curve over a grid, drawn so that no image file is needed.
QIcon AppIcon() {
    QIcon icon;
    for (int size : {16, 32, 64}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        const qreal s = size / 32.0;
        p.setBrush(QColor(250, 250, 245));
        p.setPen(QPen(QColor(60, 60, 60), s));
        p.drawRoundedRect(QRectF(1, 1, size - 2, size - 2), 3 * s, 3 * s);
        p.setPen(QPen(QColor(200, 200, 200), s));
        for (int i = 1; i < 4; ++i)
            p.drawLine(QPointF(4 * s, i * 8 * s), QPointF(28 * s, i * 8 * s));
        p.setPen(QPen(QColor(0, 90, 200), 2.5 * s));
        const QPointF curve[] = {
            {4 * s, 24 * s}, {10 * s, 14 * s}, {16 * s, 18 * s}, {22 * s, 8 * s}, {28 * s, 11 * s}};
        p.drawPolyline(curve, 5);
        icon.addPixmap(pixmap);
    }
    return icon;
}

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
    if (translator_)
        QCoreApplication::removeTranslator(translator_.get());
    if (g_app == this)
        g_app = nullptr;
}

QString CHistavueApp::UiLanguage() {
    const QString chosen = qEnvironmentVariable("HISTAVUE_LANG").trimmed().toLower();
    if (chosen == QLatin1String("zh") || chosen == QLatin1String("en"))
        return chosen;
    return QLocale::system().language() == QLocale::Chinese ? QStringLiteral("zh")
                                                            : QStringLiteral("en");
}

std::unique_ptr<QTranslator> CHistavueApp::LoadTranslation() {
    if (UiLanguage() == QLatin1String("zh"))
        return nullptr;
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(QStringLiteral(":/i18n/histavue_") + UiLanguage()))
        return nullptr;
    return translator;
}

bool CHistavueApp::InitInstance(const QStringList& arguments) {
    // The source texts are Chinese; any other language comes from a translation built into the
    // program. It is installed before the first window so that every text is looked up in it.
    translator_ = LoadTranslation();
    if (translator_)
        QCoreApplication::installTranslator(translator_.get());
    QCoreApplication::setOrganizationName(QString::fromUtf8(kProfileOrganisation));
    QCoreApplication::setApplicationName(QString::fromUtf8(kProfileApplication));
    QApplication::setApplicationDisplayName(QStringLiteral("Histavue"));
    QApplication::setWindowIcon(AppIcon());
    documents_ = std::make_unique<DocumentManager>();
    frame_ = std::make_unique<CMainFrame>(
        documents_.get(), [this] { return Printer(); },
        [this](const QString& path) { RegisterTempFile(path); });
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

QPrinter* CHistavueApp::Printer() {
    if (!printer_) {
        printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
    }
    return printer_.get();
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
