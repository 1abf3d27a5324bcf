// Writing a record file as plain CSV for other programs: line 1 the title, line 2 the column
// captions, then the record lines of the working file, every line ended by one "\n", blank lines
// left out, no inversion.
#pragma once

#include <string>

enum class PlainCsvResult {
    kWritten,         // the file was written
    kSourceFailed,    // the working file could not be opened
    kSourceEmpty,     // the working file holds no line
    kTargetIsSource,  // the target is the working file itself (by any link or spelling)
    kTargetFailed,    // the target could not be created or written; see the error number
};

// Copies the working file at source (read inverted, or plain when sourcePlain) to target. An
// empty title or header takes line 1 or line 2 of the working file instead. Both paths are taken
// exactly as given. The target is replaced only once the new file is complete: on any failure it
// is left as it was. *error (when given) receives the errno of a failed step.
PlainCsvResult WritePlainCsv(const std::string& source, bool sourcePlain, const std::string& target,
                             const std::string& title, const std::string& header,
                             int* error = nullptr);
