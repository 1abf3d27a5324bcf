#include "histavue_doc.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <cstring>

#include "file_system.h"
#include "plain_csv.h"
#include "record_table.h"
#include "text_codec.h"

int CHistavueDoc::openPlainCsv_ = 0;

std::string PathBytes(const QString& path) {
    const QByteArray bytes = QFile::encodeName(path);
    return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

QString FileErrorText(int error) {
    switch (error) {
        case 0:
            return QString();
        case ENOENT:
            return QCoreApplication::translate("Histavue", "文件夹或文件不存在。");
        case EACCES:
        case EPERM:
            return QCoreApplication::translate("Histavue", "没有写入权限。");
        case EROFS:
            return QCoreApplication::translate("Histavue", "位于只读的文件系统上。");
        case ENOSPC:
        case EDQUOT:
            return QCoreApplication::translate("Histavue", "磁盘空间不足。");
        case ENAMETOOLONG:
            return QCoreApplication::translate("Histavue", "路径太长。");
        case EISDIR:
            return QCoreApplication::translate("Histavue", "这是一个文件夹。");
        case ENOTDIR:
            return QCoreApplication::translate("Histavue", "路径中有一部分不是文件夹。");
        case EEXIST:
            return QCoreApplication::translate("Histavue", "文件已存在。");
        default:
            return QString::fromLocal8Bit(std::strerror(error));
    }
}

namespace {

// The bytes of a text as they lie in its file: inverted when the text was read inverted. Only
// the first bytes are needed to tell the form.
std::string Stored(std::string_view text, bool plain) {
    std::string bytes(text.substr(0, 64 * 1024));
    if (!plain)
        storefs::InvertBytes(bytes.data(), bytes.data(), bytes.size());
    return bytes;
}

}  // namespace

bool CHistavueDoc::ShapePlain(TextBuffer* text, const QString& fileName) {
    if (CarriageReturnLineEndsOnly(
            std::string_view(text->Data() != nullptr ? text->Data() : "", text->Length()))) {
        lastError_ = QCoreApplication::translate(
            "Histavue",
            "文件的行尾只有回车符（CR），没有换行符（LF）：请先把行尾转换为 CR LF 或 LF。");
        return false;
    }
    // A carriage return alone ends its line, as it does in the program that wrote it; the line
    // ends found while reading then no longer hold.
    if (text->Length() > 0 && EndLinesAtLoneCarriageReturns(text->Data(), text->Length()) > 0)
        text->DropLineEnds();
    const PlainLayout layout = DecidePlainLayout(
        std::string_view(text->Data() != nullptr ? text->Data() : "", text->Length()));
    switch (layout) {
        case PlainLayout::kNoHeader:
            lastError_ = QCoreApplication::translate(
                "Histavue", "文件没有表头行：第一行已是一条记录（以时间开头）。");
            return false;
        case PlainLayout::kNumberedRows:
            lastError_ = QCoreApplication::translate("Histavue",
                                                     "记录的第一列是行号，第二列才是时间（pandas "
                                                     "默认写出的行号列）：请让时间成为第一列，"
                                                     "例如在 pandas 中用 index=False 写出。");
            return false;
        case PlainLayout::kUnclear:
            lastError_ = QCoreApplication::translate(
                "Histavue",
                "无法判断哪一行是表头：文件开头的各行都不以时间（如 2024-01-01 08:00:00）开头。");
            return false;
        case PlainLayout::kTitled:
        case PlainLayout::kHeaded:
            break;
    }
    headed_ = layout == PlainLayout::kHeaded;
    // The title of a file without one is its name, in the code page of its text.
    headedTitle_ = headed_ ? EncodeText(fileName, codec_) : std::string();
    TextBuffer shaped;
    if (!ShapePlainText(*text, layout, headedTitle_, &shaped)) {
        lastError_ = QCoreApplication::translate("Histavue", "内存不足，无法读取文件。");
        return false;
    }
    if (shaped.Length() > 0)
        text->Swap(shaped);
    return true;
}

CHistavueDoc::~CHistavueDoc() {
    workFile_.Close();
}

bool CHistavueDoc::OnNewDocument() {
    return false;
}

bool CHistavueDoc::OnOpenDocument(const QString& path, const QString& name) {
    lastError_.clear();
    wrongForm_ = false;
    const std::string bytes = PathBytes(path);
    const QFileInfo info(path);
    if (!info.exists()) {
        lastError_ = QCoreApplication::translate("Histavue", "文件不存在。");
        return false;
    }
    if (bytes.size() > storefs::kMaxPath) {
        lastError_ = QCoreApplication::translate("Histavue", "路径太长（最多 259 字节）。");
        return false;
    }
    openedPlain_ = OpeningPlain();
    workFile_.SetNames(storefs::Names::kExact);
    // One pass over the file un-inverts it and finds its lines; the views' tables take their
    // rows from those line ends instead of walking the text again.
    workFile_.SetFindLineEnds(true);
    const bool opened = openedPlain_ ? workFile_.OpenPlainForReading(bytes.c_str())
                                     : workFile_.Open(bytes.c_str(), true);
    if (!opened) {
        lastError_ = QCoreApplication::translate(
            "Histavue", "文件无法打开（可能正被其他程序使用，或没有读取权限）。");
        return false;
    }
    path_ = info.absoluteFilePath();
    storefs::IdentityOf(PathBytes(path_), &stamp_);
    // The views share the text; the working file keeps only its path.
    auto text = std::make_shared<TextBuffer>();
    text->Swap(workFile_.Buffer());
    workFile_.Close();
    const std::string_view content(text->Data() != nullptr ? text->Data() : "", text->Length());
    codec_ = DecideDocumentCodePage(content);
    if (!LooksLikeRecords(content) &&
        DetectRecordForm(Stored(content, openedPlain_)) ==
            (openedPlain_ ? RecordForm::kInverted : RecordForm::kPlain)) {
        wrongForm_ = true;
        lastError_ =
            openedPlain_
                ? QCoreApplication::translate(
                      "Histavue",
                      "这是程序自己的记录文件（字节取反），不是普通 CSV：请用“文件 > 打开”打开。")
                : QCoreApplication::translate("Histavue",
                                              "这是普通 CSV 文件：请用“文件 > 打开正常csv”打开。");
        return false;
    }
    headed_ = false;
    if (openedPlain_ && !ShapePlain(text.get(), name.isEmpty() ? info.fileName() : name))
        return false;
    for (DocumentView* view : records_) {
        if (!view->LoadRecords(text, codec_, openedPlain_)) {
            lastError_ =
                QCoreApplication::translate("Histavue", "不是记录文件：缺少标题行或表头行。");
            return false;
        }
    }
    text->DropLineEnds();  // the tables have their rows; a later window walks the text
    return true;
}

bool CHistavueDoc::WorkingFileIntact() {
    storefs::FileIdentity now;
    if (!storefs::IdentityOf(PathBytes(path_), &now)) {
        lastError_ = QCoreApplication::translate("Histavue", "工作文件已不存在：\n%1")
                         .arg(QDir::toNativeSeparators(path_));
        return false;
    }
    if (!now.Unchanged(stamp_)) {
        lastError_ =
            QCoreApplication::translate("Histavue", "工作文件在打开后已被删除、截断或修改：\n%1")
                .arg(QDir::toNativeSeparators(path_));
        return false;
    }
    return true;
}

void CHistavueDoc::AdoptWorkingFile() {
    storefs::IdentityOf(PathBytes(path_), &stamp_);
}

bool CHistavueDoc::SaveToPath(const QString& path) {
    lastError_.clear();
    if (path.isEmpty()) {
        return false;
    }
    if (!WorkingFileIntact()) {
        return false;
    }
    if (QFileInfo(path).absoluteFilePath() == path_) {
        return true;
    }
    int error = 0;
    if (!storefs::CopyFile(PathBytes(path_), PathBytes(path), true, storefs::Names::kExact,
                           &error)) {
        lastError_ = FileErrorText(error);
        return false;
    }
    return true;
}

void CHistavueDoc::OnCloseDocument() {
    if (isTemporary_ == 1) {
        workFile_.Close();
        storefs::RemoveFile(PathBytes(path_), storefs::Names::kExact);
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

void CHistavueDoc::AddView(CHistavueView* view, DocumentView* records) {
    if (std::find(views_.begin(), views_.end(), view) == views_.end()) {
        views_.push_back(view);
        records_.push_back(records);
    }
}

void CHistavueDoc::RemoveView(CHistavueView* view) {
    const auto at = std::find(views_.begin(), views_.end(), view);
    if (at != views_.end()) {
        records_.erase(records_.begin() + (at - views_.begin()));
        views_.erase(at);
    }
}

bool CHistavueDoc::ExportPlainCsv(const QString& target) {
    lastError_.clear();
    if (!WorkingFileIntact()) {
        return false;
    }
    std::string title;
    std::string header;
    if (!views_.empty()) {
        header = records_.front()->Records().ColumnCaptions();
        title = records_.front()->Records().Title();
    }
    int error = 0;
    if (headed_ && title.empty())
        title = headedTitle_;
    switch (WritePlainCsv(PathBytes(path_), openedPlain_, PathBytes(target), title, header, &error,
                          headed_)) {
        case PlainCsvResult::kWritten:
            return true;
        case PlainCsvResult::kTargetIsSource:
            lastError_ = QCoreApplication::translate(
                "Histavue", "不能导出到文档自己的工作文件，请另选一个文件名。");
            return false;
        case PlainCsvResult::kSourceFailed:
        case PlainCsvResult::kSourceEmpty:
            lastError_ = QCoreApplication::translate("Histavue", "无法读取工作文件：\n%1\n%2")
                             .arg(QDir::toNativeSeparators(path_), FileErrorText(error));
            return false;
        case PlainCsvResult::kTargetFailed:
            lastError_ = FileErrorText(error);
            return false;
    }
    return false;
}
