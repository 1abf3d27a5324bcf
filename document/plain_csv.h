// Plain CSV files: writing a record file as plain CSV for other programs (line 1 the title, line
// 2 the column captions, then the record lines of the working file, every line ended by one
// "\n", blank lines left out, no inversion), and reading plain CSV files that other programs
// wrote, whose first line is often the header and not a title.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "record_form.h"
#include "record_time.h"

#include "text_buffer.h"

enum class PlainCsvResult {
    kWritten,         // the file was written
    kSourceFailed,    // the working file could not be opened
    kSourceEmpty,     // the working file holds no line
    kTargetIsSource,  // the target is the working file itself (by any link or spelling)
    kTargetFailed,    // the target could not be created or written; see the error number
};

// Copies the working file at source (read inverted, or plain when sourcePlain) to target. An
// empty title or header takes line 1 or line 2 of the working file instead. A headed source
// (sourceHeaded: its line 1 is the header, it has no title line) needs a title. Both paths are
// taken exactly as given. The target is replaced only once the new file is complete: on any
// failure it is left as it was. A UTF-8 byte-order mark that starts the working file starts the
// target too. *error (when given) receives the errno of a failed step.
PlainCsvResult WritePlainCsv(const std::string& source, bool sourcePlain, const std::string& target,
                             const std::string& title, const std::string& header,
                             int* error = nullptr, bool sourceHeaded = false);

// True when the text reads as record lines: one of its first ten lines (blank lines skipped, each
// read whole, with CSV quoting) has a record time in its first or second cell.
bool LooksLikeRecords(std::string_view text);

// The form of a record file from its bytes as stored on disk: kPlain when they read as record
// lines, kInverted when their complements do (the form of store exports), and otherwise as the
// bytes alone tell (DecideRecordForm).
RecordForm DetectRecordForm(std::string_view stored);

// How the lines of a plain CSV file are laid out.
enum class PlainLayout {
    kTitled,        // line 1 a title, line 2 the header, then records: this program's own form
    kHeaded,        // line 1 the header, then records: pandas, LibreOffice, Excel
    kNoHeader,      // line 1 is already a record: there is no header to take the captions from
    kNumberedRows,  // the records' first cell is a row number, the second a time (pandas' index)
    kUnclear,       // none of the first lines starts with a record time: no telling the header
};

// The layout of a plain text, from its first ten lines (blank lines and a UTF-8 byte-order mark
// skipped), each read whole with CSV quoting. The first line led by a record time is a record:
// when it is line 1 there is no header (kNoHeader); when it is line 2, line 1 is the header
// (kHeaded); when it comes later, line 1 is a title over the header (kTitled), unless line 1 has
// cells after its first and line 2 is a record that lacks its time (its first cell empty or a
// missing-value word such as NaT, and a number among its values or no value at all). Without a
// record time, a text of fewer than three lines is kTitled, as the table reads it anyway.
PlainLayout DecidePlainLayout(std::string_view text);

// True when the text's lines end with a carriage return alone: it holds "\r" and no "\n".
bool CarriageReturnLineEndsOnly(std::string_view text);

// Makes every "\r" of the text that is not followed by "\n" a line end ("\n"), so that a record
// ended by a carriage return alone is not read as part of the next. Returns how many there were.
size_t EndLinesAtLoneCarriageReturns(char* text, size_t length);

// The text of a plain file as the record table reads it (a title line, then the header line and
// the records): without a UTF-8 byte-order mark, with the commas that spreadsheet programs pad
// a title line with dropped (kTitled), or with titleLine (not empty) put in front as line 1
// (kHeaded). *out stays
// empty when the text is in that shape already. False when memory runs out.
bool ShapePlainText(const TextBuffer& in, PlainLayout layout, std::string_view titleLine,
                    TextBuffer* out);
