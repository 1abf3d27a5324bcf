#include "plain_csv.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>

#include "file_system.h"
#include "log_text_file.h"
#include "record_table.h"

namespace {

constexpr char kByteOrderMark[] = "\xEF\xBB\xBF";

// A line as it goes out: without a "\r" before its end, so every line ends with one "\n".
void WriteLine(storefs::ReplacingWriter* out, const char* line, size_t length) {
    if (length > 0 && line[length - 1] == '\r')
        --length;
    out->Write(line, length);
    out->Write("\n", 1);
}

}  // namespace

PlainCsvResult WritePlainCsv(const std::string& source, bool sourcePlain, const std::string& target,
                             const std::string& title, const std::string& header, int* error,
                             bool sourceHeaded) {
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
    // A UTF-8 file's byte-order mark tells spreadsheet programs how to read it: the copy keeps
    // it, in front of whichever title it gets.
    const bool marked = text.Length() >= 3 && std::memcmp(text.Data(), kByteOrderMark, 3) == 0;
    uint32_t position = marked ? 3 : 0;
    const char* line = nullptr;
    uint32_t length = 0;
    if (!NextContentLine(text, &position, &line, &length)) {
        return failed(PlainCsvResult::kSourceEmpty, 0);
    }
    storefs::ReplacingWriter out;
    if (!out.Begin(target)) {
        return failed(PlainCsvResult::kTargetFailed, out.Error());
    }
    if (marked)
        out.Write(kByteOrderMark, 3);
    if (!title.empty()) {
        WriteLine(&out, title.data(), title.size());
    } else {
        WriteLine(&out, line, length);
    }
    // A headed source has no title line: its first line is the header.
    if (!sourceHeaded)
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

namespace {

// Leading bytes that tell the form of a file's bytes.
constexpr size_t kFormSample = 64 * 1024;
// Lines that tell the layout: a title, the header and records, of which the first may lack a time.
constexpr size_t kLayoutLines = 10;

std::string_view WithoutByteOrderMark(std::string_view text) {
    return text.substr(0, 3) == kByteOrderMark ? text.substr(3) : text;
}

// The first `count` lines of text that hold more than a line end, each without its "\r".
size_t FirstLines(std::string_view text, std::string_view* lines, size_t count) {
    size_t found = 0;
    size_t at = 0;
    while (found < count && at < text.size()) {
        const size_t end = std::min(text.find('\n', at), text.size());
        std::string_view line = text.substr(at, end - at);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (!line.empty())
            lines[found++] = line;
        at = end + 1;
    }
    return found;
}

// A field of a line read with CSV quoting, unquoted; empty when the line has fewer fields.
std::string Cell(std::string_view line, size_t index) {
    std::string cell;
    size_t i = 0;
    ForEachCsvField(line, [&](std::string_view field) {
        if (i++ < index)
            return true;
        cell.assign(field);
        return false;
    });
    return cell;
}

bool TimeLed(std::string_view line) {
    return IsRecordTime(Cell(line, 0));
}

std::string_view Trimmed(std::string_view s) {
    while (!s.empty() && s.front() == ' ')
        s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ')
        s.remove_suffix(1);
    return s;
}

// A decimal number as spreadsheet programs and pandas write one: 12, -0.5, 1.5e-3.
bool IsNumber(std::string_view s) {
    s = Trimmed(s);
    size_t p = 0;
    if (p < s.size() && (s[p] == '-' || s[p] == '+'))
        ++p;
    size_t digits = 0;
    for (; p < s.size() && s[p] >= '0' && s[p] <= '9'; ++p)
        ++digits;
    if (p < s.size() && s[p] == '.') {
        for (++p; p < s.size() && s[p] >= '0' && s[p] <= '9'; ++p)
            ++digits;
    }
    if (digits == 0)
        return false;
    if (p < s.size() && (s[p] == 'e' || s[p] == 'E')) {
        ++p;
        if (p < s.size() && (s[p] == '-' || s[p] == '+'))
            ++p;
        if (p == s.size() || s[p] < '0' || s[p] > '9')
            return false;
        while (p < s.size() && s[p] >= '0' && s[p] <= '9')
            ++p;
    }
    return p == s.size();
}

// A time cell that holds no time: empty, or the missing-value words of pandas and databases.
bool MissingTime(std::string_view cell) {
    cell = Trimmed(cell);
    for (const char* word : {"", "nat", "nan", "none", "null", "na", "n/a"}) {
        const std::string_view w(word);
        if (cell.size() == w.size() &&
            std::equal(cell.begin(), cell.end(), w.begin(), [](char a, char b) {
                return (a >= 'A' && a <= 'Z' ? a - 'A' + 'a' : a) == b;
            }))
            return true;
    }
    return false;
}

// A record whose time is missing: no time in its first cell, and a number among its values or
// no value at all, where a header has captions.
bool RecordWithoutTime(std::string_view line) {
    bool first = true;
    bool missing = false;
    bool values = false;
    bool number = false;
    ForEachCsvField(line, [&](std::string_view field) {
        if (first) {
            first = false;
            missing = MissingTime(field);
            return missing;
        }
        values = values || !Trimmed(field).empty();
        number = IsNumber(field);
        return !number;
    });
    return missing && (number || !values);
}

// A title line: one field, or one followed by empty fields (a spreadsheet program pads the title
// to the table's width), where a header has a caption for every column.
bool TitleLike(std::string_view line) {
    bool first = true;
    bool later = false;
    ForEachCsvField(line, [&](std::string_view field) {
        later = !first && !field.empty();
        first = false;
        return !later;
    });
    return !later;
}

}  // namespace

bool LooksLikeRecords(std::string_view text) {
    std::string_view lines[kLayoutLines];
    const size_t n = FirstLines(WithoutByteOrderMark(text), lines, kLayoutLines);
    // A time in the second cell: the rows are numbered (pandas' index), but records all the same.
    return std::any_of(lines, lines + n, [](std::string_view line) {
        return TimeLed(line) || IsRecordTime(Cell(line, 1));
    });
}

RecordForm DetectRecordForm(std::string_view stored) {
    if (LooksLikeRecords(stored))
        return RecordForm::kPlain;
    const std::string_view sample = stored.substr(0, kFormSample);
    std::string inverted(sample.size(), '\0');
    storefs::InvertBytes(inverted.data(), sample.data(), sample.size());
    return LooksLikeRecords(inverted) ? RecordForm::kInverted : DecideRecordForm(stored);
}

PlainLayout DecidePlainLayout(std::string_view text) {
    std::string_view lines[kLayoutLines];
    const size_t n = FirstLines(WithoutByteOrderMark(text), lines, kLayoutLines);
    size_t first = 0;  // the first line led by a time
    while (first < n && !TimeLed(lines[first]))
        ++first;
    if (first == 0 && n > 0)
        return PlainLayout::kNoHeader;
    if (first == 1)
        return PlainLayout::kHeaded;
    // The second line is the header under a title, or the first record under the header, which
    // lacks its time.
    if (first < n)
        return !TitleLike(lines[0]) && RecordWithoutTime(lines[1]) ? PlainLayout::kHeaded
                                                                   : PlainLayout::kTitled;
    for (size_t i = 1; i < n; ++i) {
        if (IsRecordTime(Cell(lines[i], 1)))
            return PlainLayout::kNumberedRows;
    }
    return n < 3 ? PlainLayout::kTitled : PlainLayout::kUnclear;
}

bool CarriageReturnLineEndsOnly(std::string_view text) {
    return text.find('\n') == std::string_view::npos && text.find('\r') != std::string_view::npos;
}

size_t EndLinesAtLoneCarriageReturns(char* text, size_t length) {
    size_t count = 0;
    for (char* p = text; p < text + length;) {
        p = static_cast<char*>(std::memchr(p, '\r', static_cast<size_t>(text + length - p)));
        if (p == nullptr)
            break;
        if (p + 1 == text + length || p[1] != '\n') {
            *p = '\n';
            ++count;
        }
        ++p;
    }
    return count;
}

bool ShapePlainText(const TextBuffer& in, PlainLayout layout, std::string_view titleLine,
                    TextBuffer* out) {
    const std::string_view whole(in.Data() != nullptr ? in.Data() : "", in.Length());
    std::string_view text = WithoutByteOrderMark(whole);
    std::string_view front;  // goes before text
    const bool headed = layout == PlainLayout::kHeaded;
    if (headed) {
        front = titleLine;
    } else if (layout == PlainLayout::kTitled) {
        // A spreadsheet program saves the title as the first cell of a row as wide as the table.
        std::string_view lines[1];
        if (FirstLines(text, lines, 1) == 1) {
            std::string_view title = lines[0];
            while (!title.empty() && title.back() == ',')
                title.remove_suffix(1);
            if (!title.empty() && title.size() < lines[0].size()) {
                front =
                    text.substr(0, static_cast<size_t>(title.data() - text.data()) + title.size());
                text.remove_prefix(static_cast<size_t>(lines[0].data() - text.data()) +
                                   lines[0].size());
            }
        }
    }
    if (front.empty() && text.size() == whole.size())
        return true;
    out->Clear();
    const size_t size = front.size() + (headed ? 1 : 0) + text.size();
    if (size >= UINT32_MAX || !out->Reserve(static_cast<uint32_t>(size)) ||
        (!front.empty() && !out->Append(front.data(), static_cast<int64_t>(front.size()))) ||
        (headed && !out->Append("\n", 1)) ||
        !out->Append(text.data(), static_cast<int64_t>(text.size()))) {
        out->Clear();
        return false;
    }
    return true;
}
