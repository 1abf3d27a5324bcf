#include "plain_csv.h"

#include <cerrno>

#include "file_system.h"
#include "log_text_file.h"
#include "record_table.h"

namespace {

// A line as it goes out: without a "\r" before its end, so every line ends with one "\n".
void WriteLine(storefs::ReplacingWriter* out, const char* line, size_t length) {
    if (length > 0 && line[length - 1] == '\r')
        --length;
    out->Write(line, length);
    out->Write("\n", 1);
}

}  // namespace

PlainCsvResult WritePlainCsv(const std::string& source, bool sourcePlain, const std::string& target,
                             const std::string& title, const std::string& header, int* error) {
    auto failed = [error](PlainCsvResult result, int e) {
        if (error != nullptr)
            *error = e;
        return result;
    };
    LogTextFile in;
    in.SetNames(storefs::Names::kExact);
    const bool opened =
        sourcePlain ? in.OpenPlainForReading(source.c_str()) : in.Open(source.c_str(), true);
    if (!opened) {
        return failed(PlainCsvResult::kSourceFailed, errno);
    }
    storefs::FileIdentity sourceId;
    storefs::FileIdentity targetId;
    // Both are user paths: a "\" in them is part of a name.
    if (storefs::IdentityOf(source, &sourceId) && storefs::IdentityOf(target, &targetId) &&
        sourceId == targetId) {
        return failed(PlainCsvResult::kTargetIsSource, 0);
    }
    const TextBuffer& text = in.Buffer();
    uint32_t position = 0;
    const char* line = nullptr;
    uint32_t length = 0;
    if (!NextContentLine(text, &position, &line, &length)) {
        return failed(PlainCsvResult::kSourceEmpty, 0);
    }
    storefs::ReplacingWriter out;
    if (!out.Begin(target)) {
        return failed(PlainCsvResult::kTargetFailed, out.Error());
    }
    if (!title.empty()) {
        WriteLine(&out, title.data(), title.size());
    } else {
        WriteLine(&out, line, length);
    }
    position += length;
    const bool haveHeader = NextContentLine(text, &position, &line, &length);
    if (!header.empty()) {
        WriteLine(&out, header.data(), header.size());
    } else if (haveHeader) {
        WriteLine(&out, line, length);
    }
    if (haveHeader) {
        position += length;
        while (NextContentLine(text, &position, &line, &length)) {
            WriteLine(&out, line, length);
            position += length;
        }
    }
    in.Close();
    if (!out.Commit()) {
        return failed(PlainCsvResult::kTargetFailed, out.Error());
    }
    return PlainCsvResult::kWritten;
}
