// main() of the window tests: the offscreen platform, a private settings folder, one
// QApplication for all tests.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QPrinter>
#include <QTemporaryDir>
#include <cstdlib>

#include "file_system.h"
#include "gui_support.h"
#include "private_settings.h"

bool FakeUi::AskPrinter(QWidget*, QPrinter* printer, int maxPage) {
    ++printDialogs;
    lastMaxPage = maxPage;
    if (printPdf.isEmpty())
        return false;
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setOutputFileName(printPdf);
    return true;
}

bool WriteRecordFile(const QString& path, const std::string& text, bool inverted) {
    std::string bytes = text;
    if (inverted)
        storefs::InvertBytes(bytes.data(), bytes.data(), bytes.size());
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return f.write(bytes.data(), static_cast<qint64>(bytes.size())) ==
           static_cast<qint64>(bytes.size());
}

std::string ReadRecordFile(const QString& path, bool inverted) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return std::string();
    const QByteArray all = f.readAll();
    std::string bytes(all.constData(), static_cast<size_t>(all.size()));
    if (inverted)
        storefs::InvertBytes(bytes.data(), bytes.data(), bytes.size());
    return bytes;
}

std::string SampleRecordText(int rows, const std::string& title, const std::string& channels) {
    std::string text = title + "\nTime," + channels + "\n";
    for (int i = 0; i < rows; ++i) {
        char line[64];
        std::snprintf(line, sizeof line, "2024-01-01 00:%02d:%02d,%d.5,%d\n", i * 10 / 60,
                      i * 10 % 60, i, i * 2);
        text += line;
    }
    return text;
}

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    const PrivateSettings privateSettings;
    // The tests read the Chinese texts; the English test chooses its language itself.
    qputenv("HISTAVUE_LANG", "zh");
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
