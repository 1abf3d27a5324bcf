#include "plain_csv.h"

#include "file_system.h"
#include "log_text_file.h"

PlainCsvResult WritePlainCsv(const std::string& source, bool sourcePlain, const std::string& target,
                             const std::string& title, const std::string& header) {
    LogTextFile in;
    const bool opened =
        sourcePlain ? in.OpenPlainForReading(source.c_str()) : in.Open(source.c_str(), true);
    if (!opened) {
        return PlainCsvResult::kSourceFailed;
    }
    storefs::RemoveFile(target);
    LogTextFile out;
    if (!out.Open(target.c_str(), false)) {
        return PlainCsvResult::kTargetFailed;
    }
    const TextBuffer& text = in.Buffer();
    TextBuffer& result = out.Buffer();
    uint32_t position = 0;
    const char* line = nullptr;
    uint32_t length = 0;
    if (!text.NextLine(&position, &line, &length)) {
        out.Close();
        return PlainCsvResult::kSourceEmpty;
    }
    if (!title.empty()) {
        result.AppendLine(title.c_str(), static_cast<uint32_t>(title.size()));
    } else {
        result.AppendLine(line, length);
    }
    position += length;
    const bool haveHeader = text.NextLine(&position, &line, &length);
    if (!header.empty()) {
        result.AppendLine(header.c_str(), static_cast<uint32_t>(header.size()));
    } else if (haveHeader) {
        result.AppendLine(line, length);
    }
    if (haveHeader) {
        position += length;
        while (text.NextLine(&position, &line, &length)) {
            result.AppendLine(line, length);
            position += length;
        }
    }
    const bool ok = result.Length() == 0 || out.FlushPlain();
    out.Close();
    in.Close();
    return ok ? PlainCsvResult::kWritten : PlainCsvResult::kWriteFailed;
}
