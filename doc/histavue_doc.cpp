#include "histavue_doc.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>

#include "file_system.h"
#include "histavue_view.h"
#include "plain_csv.h"

int CHistavueDoc::openPlainCsv_ = 0;

std::string PathBytes(const QString& path) {
    const QByteArray bytes = QFile::encodeName(path);
    return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

CHistavueDoc::~CHistavueDoc() {
    workFile_.Close();
}

bool CHistavueDoc::OnNewDocument() {
    return false;
}

bool CHistavueDoc::OnOpenDocument(const QString& path) {
    lastError_.clear();
    const std::string bytes = PathBytes(path);
    const QFileInfo info(path);
    if (!info.exists()) {
        lastError_ = QString::fromUtf8("文件不存在。");
        return false;
    }
    if (bytes.size() > storefs::kMaxPath) {
        lastError_ = QString::fromUtf8("路径太长（最多 259 字节）。");
        return false;
    }
    openedPlain_ = OpeningPlain();
    const bool opened = openedPlain_ ? workFile_.OpenPlainForReading(bytes.c_str())
                                     : workFile_.Open(bytes.c_str(), true);
    if (!opened) {
        lastError_ = QString::fromUtf8("文件无法打开（可能正被其他程序使用，或没有读取权限）。");
        return false;
    }
    path_ = info.absoluteFilePath();
    // The views share the text; the working file keeps only its path.
    auto text = std::make_shared<TextBuffer>();
    text->Swap(workFile_.Buffer());
    workFile_.Close();
    for (CHistavueView* view : views_) {
        if (!view->LoadRecords(text)) {
            lastError_ = QString::fromUtf8("不是记录文件：缺少标题行或表头行。");
            return false;
        }
    }
    return true;
}

bool CHistavueDoc::SaveToPath(const QString& path) {
    if (path.isEmpty()) {
        return false;
    }
    if (QFileInfo(path).absoluteFilePath().compare(path_, Qt::CaseInsensitive) == 0) {
        return true;
    }
    return storefs::CopyFile(PathBytes(path_), PathBytes(path), true);
}

void CHistavueDoc::OnCloseDocument() {
    if (isTemporary_ == 1) {
        workFile_.Close();
        storefs::RemoveFile(PathBytes(path_));
        isTemporary_ = 0;
    }
}

int CHistavueDoc::SetTemporary(int flag) {
    isTemporary_ = flag;
    return 1;
}

QString CHistavueDoc::Title() const {
    return QFileInfo(path_).fileName();
}

void CHistavueDoc::AddView(CHistavueView* view) {
    if (std::find(views_.begin(), views_.end(), view) == views_.end()) {
        views_.push_back(view);
    }
}

void CHistavueDoc::RemoveView(CHistavueView* view) {
    views_.erase(std::remove(views_.begin(), views_.end(), view), views_.end());
}

bool CHistavueDoc::ExportPlainCsv(const QString& target) {
    std::string title;
    std::string header;
    if (!views_.empty()) {
        header = views_.front()->List()->Table().ColumnCaptions();
        title = views_.front()->List()->Table().Title();
    }
    return WritePlainCsv(PathBytes(path_), openedPlain_, PathBytes(target), title, header) ==
           PlainCsvResult::kWritten;
}
