// Writing a record file as plain CSV for other programs: line 1 the title, line 2 the column
// captions, then the record lines of the working file, every line ended by one "\n", blank lines
// left out, no inversion.
#pragma once

#include <string>

enum class PlainCsvResult {
    kWritten,       // the file was written
    kSourceFailed,  // the working file could not be opened
    kTargetFailed,  // the target could not be created
    kSourceEmpty,   // the working file holds no line; the target was left empty
    kWriteFailed,   // writing the target failed
};

// Copies the working file at source (read inverted, or plain when sourcePlain) to target,
// replacing it. An empty title or header takes line 1 or line 2 of the working file instead.
PlainCsvResult WritePlainCsv(const std::string& source, bool sourcePlain, const std::string& target,
                             const std::string& title, const std::string& header);
