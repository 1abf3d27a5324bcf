#include "print_output.h"

#include <QFile>
#include <QIODevice>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <cctype>
#include <cstring>

namespace {

std::string NativeBytes(const QString& path) {
    const QByteArray bytes = QFile::encodeName(path);
    return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

bool WritesPdfFile(const QPrinter& printer) {
    return printer.outputFormat() == QPrinter::PdfFormat && !printer.outputFileName().isEmpty();
}

QString ErrorText(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

}  // namespace

// Passes the writer's bytes to a replacing writer and keeps the last few, so that the file can
// be checked for the end marker without reading it back.
class PrintOutput::FileDevice : public QIODevice {
  public:
    bool Begin(const std::string& target) {
        return writer_.Begin(target) && open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    }
    bool Commit() { return writer_.Commit(); }
    // True when the bytes end with the PDF end marker (and perhaps blanks).
    bool Complete() const {
        QByteArray tail = tail_;
        while (!tail.isEmpty() && std::isspace(static_cast<unsigned char>(tail.back())))
            tail.chop(1);
        return tail.endsWith("%%EOF");
    }
    int Error() const { return writer_.Error(); }

  protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 n) override {
        if (!writer_.Write(data, static_cast<size_t>(n)))
            return -1;
        constexpr qint64 kTail = 32;
        if (n >= kTail)
            tail_ = QByteArray(data + n - kTail, kTail);
        else
            tail_ = (tail_ + QByteArray(data, n)).right(kTail);
        return n;
    }

  private:
    storefs::ReplacingWriter writer_;
    QByteArray tail_;
};

PrintOutput::PrintOutput(QPrinter* printer) : printer_(printer) {}

PrintOutput::~PrintOutput() = default;

bool PrintOutput::Begin(QPainter* painter) {
    error_.clear();
    if (!WritesPdfFile(*printer_)) {
        if (painter->begin(printer_))
            return true;
        error_ = QStringLiteral("the printer cannot be printed on");
        return false;
    }
    file_ = std::make_unique<FileDevice>();
    if (!file_->Begin(NativeBytes(printer_->outputFileName()))) {
        error_ = ErrorText(file_->Error());
        file_.reset();
        return false;
    }
    pdf_ = std::make_unique<QPdfWriter>(file_.get());
    pdf_->setPdfVersion(printer_->pdfVersion());
    pdf_->setTitle(printer_->docName());
    pdf_->setCreator(printer_->creator());
    pdf_->setResolution(printer_->resolution());
    pdf_->setPageLayout(printer_->pageLayout());
    if (painter->begin(pdf_.get()))
        return true;
    error_ = QStringLiteral("the PDF writer could not start");
    pdf_.reset();
    file_.reset();
    return false;
}

void PrintOutput::NewPage() {
    if (pdf_)
        pdf_->newPage();
    else
        printer_->newPage();
}

bool PrintOutput::End(QPainter* painter) {
    const bool ended = painter->end();
    if (!pdf_) {
        if (!ended)
            error_ = QStringLiteral("the printer did not finish the job");
        return ended;
    }
    pdf_.reset();
    bool ok = false;
    if (file_->Error() != 0)
        error_ = ErrorText(file_->Error());
    else if (!ended || !file_->Complete())
        error_ = QStringLiteral("the PDF writer stopped before the end of the file");
    else if (!file_->Commit())
        error_ = ErrorText(file_->Error());
    else
        ok = true;
    file_.reset();  // deletes the new file unless it was put in place
    return ok;
}

bool PrintsOntoFile(const QPrinter& printer, const QString& path) {
    return WritesPdfFile(printer) && !path.isEmpty() &&
           storefs::SameFile(NativeBytes(printer.outputFileName()), NativeBytes(path));
}
