#include "histavue_app.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QPainter>
#include <QPixmap>
#include <QPrinter>
#include <QTranslator>

#include "document_manager.h"
#include "histavue_doc.h"
#include "main_frame.h"
#include "plain_csv.h"
#include "ui_services.h"

namespace {

CHistavueApp* g_app = nullptr;

// Bytes read to tell a file's form: enough for the title, the header and many records.
constexpr qint64 kFormHeadBytes = 64 * 1024;

const char kHelp[] =
    "Usage: histavue [FILE...]\n"
    "\n"
    "Shows the data and alarm logs of HMI operator panels as reports and historic curves.\n"
    "Each FILE opens as a report: an export file of the viewer (its bytes inverted) or a\n"
    "plain CSV file, told apart by its bytes. The bar on the left lists the groups of the\n"
    "data and alarm logs below the data root set with File > Settings.\n"
    "\n"
    "Options:\n"
    "  -h, --help     show this text\n"
    "  --version      show the version\n"
    "\n"
    "Environment:\n"
    "  HISTAVUE_LANG  zh or en: the language of the windows (default: Chinese on a Chinese\n"
    "                 system locale, English on any other)\n"
    "\n"
    "Exit status: 0 when the viewer was closed, 1 when it could not start, 2 usage error.\n";

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
    if (qtTranslator_)
        QCoreApplication::removeTranslator(qtTranslator_.get());
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

std::unique_ptr<QTranslator> CHistavueApp::LoadQtTranslation() {
    if (UiLanguage() != QLatin1String("zh"))
        return nullptr;
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(QStringLiteral("qtbase_zh_CN"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        return nullptr;
    return translator;
}

CHistavueApp::CommandLine CHistavueApp::ParseCommandLine(const QStringList& arguments) {
    CommandLine line;
    bool options = true;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        if (!options || a == QLatin1String("-") || !a.startsWith('-')) {
            line.files.append(a);
        } else if (a == QLatin1String("--")) {
            options = false;
        } else if (a == QLatin1String("-h") || a == QLatin1String("--help")) {
            line.action = CommandLine::Action::kHelp;
            return line;
        } else if (a == QLatin1String("--version")) {
            line.action = CommandLine::Action::kVersion;
            return line;
        } else if (line.problem.isEmpty()) {
            line.problem = QStringLiteral("unknown option '%1'").arg(a);
        }
    }
    if (!line.problem.isEmpty())
        line.action = CommandLine::Action::kUsageError;
    return line;
}

QString CHistavueApp::HelpText() {
    return QString::fromLatin1(kHelp);
}

QString CHistavueApp::VersionText() {
    return QStringLiteral("histavue " HISTAVUE_VERSION "\n");
}

int CHistavueApp::OpenFiles(const QStringList& files) {
    int opened = 0;
    for (const QString& path : files) {
        QFile file(path);
        // A file that cannot be read is opened all the same, so that the document's own
        // message says why.
        RecordForm form = RecordForm::kInverted;
        if (file.open(QIODevice::ReadOnly)) {
            const QByteArray head = file.read(kFormHeadBytes);
            file.close();
            form = DetectRecordForm(std::string_view(head.constData(), size_t(head.size())));
        }
        if (form == RecordForm::kUnknown) {
            UiServices::Get().Message(
                frame_.get(),
                QCoreApplication::translate("Histavue", "无法打开文件：\n%1\n\n%2")
                    .arg(QDir::toNativeSeparators(path),
                         QCoreApplication::translate(
                             "Histavue",
                             "它的字节既不是导出的记录文件（按字节取反），也不是正常csv文件。")),
                UiServices::Icon::kExclamation);
            continue;
        }
        CHistavueDoc* doc = nullptr;
        if (form == RecordForm::kPlain) {
            CHistavueDoc::OpenPlainScope plain;
            doc = documents_->OpenDocumentFile(path);
        } else {
            doc = documents_->OpenDocumentFile(path);
        }
        if (doc != nullptr)
            ++opened;
    }
    return opened;
}

bool CHistavueApp::InitInstance(const QStringList& arguments) {
    // The source texts are Chinese; any other language comes from a translation built into the
    // program. It is installed before the first window so that every text is looked up in it.
    translator_ = LoadTranslation();
    if (translator_)
        QCoreApplication::installTranslator(translator_.get());
    // Qt's own dialogs follow the same language when Qt's translation is installed; without it
    // they stay English and the viewer starts all the same.
    qtTranslator_ = LoadQtTranslation();
    if (qtTranslator_)
        QCoreApplication::installTranslator(qtTranslator_.get());
    QCoreApplication::setOrganizationName(QString::fromUtf8(kProfileOrganisation));
    QCoreApplication::setApplicationName(QString::fromUtf8(kProfileApplication));
    QApplication::setApplicationDisplayName(QStringLiteral("Histavue"));
    QApplication::setWindowIcon(AppIcon());
    documents_ = std::make_unique<DocumentManager>();
    frame_ = std::make_unique<CMainFrame>(
        documents_.get(), [this] { return Printer(); },
        [this](const QString& path) { RegisterTempFile(path); });
    frame_->RestorePlacement();
    frame_->show();
    // Files named on the command line (a file manager's "Open with" passes them so).
    OpenFiles(ParseCommandLine(arguments).files);
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
