// The device a print job paints on. A printer that prints to a PDF file does not write that file
// itself: the pages go through a PDF writer with the printer's settings into a new file beside
// the target, which takes the target's place only once it is complete and on the disk. A failed
// or interrupted job leaves the old file as it was and no new file behind. Any other printer is
// painted on directly.
#pragma once

#include <QString>
#include <memory>
#include <string>

#include "file_system.h"

class QPainter;
class QPagedPaintDevice;
class QPdfWriter;
class QPrinter;

class PrintOutput {
  public:
    // printer outlives the output; its page layout and resolution are taken at Begin.
    explicit PrintOutput(QPrinter* printer);
    ~PrintOutput();
    PrintOutput(const PrintOutput&) = delete;
    PrintOutput& operator=(const PrintOutput&) = delete;

    // Begins painter on the output. False, with Error() set, when the file cannot be created or
    // the printer cannot be painted on.
    bool Begin(QPainter* painter);
    // Ends the page painted so far and starts the next.
    void NewPage();
    // Ends painter and puts a PDF file in place. False, with Error() set, when anything failed;
    // the old file is then untouched.
    bool End(QPainter* painter);

    // Why the output failed, as the system words the error; empty when all went well.
    QString Error() const { return error_; }

  private:
    class FileDevice;

    QPrinter* printer_;
    std::unique_ptr<FileDevice> file_;
    std::unique_ptr<QPdfWriter> pdf_;
    QString error_;
};

// True when printer prints to a file that is the file at path (by identity, or by spelling when
// neither exists yet).
bool PrintsOntoFile(const QPrinter& printer, const QString& path);
