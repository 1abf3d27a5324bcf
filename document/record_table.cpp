#include "record_table.h"

#include "text_bytes.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <utility>

namespace {

const std::string kEmpty;

// Calls field(start, end, whole) for each field of the line [text, text + length), following the
// field rules; with quotes, by the CSV rules. [start, end) is the field's text, except for a
// quoted field whose text is not a piece of the line (whole set): then it is the whole field,
// quotes included, for Unquote. Returns the number of fields reported.
template <typename Field>
int SplitFields(const char* text, uint32_t length, bool quotes, Field&& field) {
    uint32_t end = length;
    // A NUL ends the line and drops the field in progress.
    const void* nul = std::memchr(text, '\0', length);
    bool dropLast = false;
    if (nul != nullptr) {
        end = static_cast<uint32_t>(static_cast<const char*>(nul) - text);
        dropLast = true;
    } else if (end > 0 && text[end - 1] == '\r') {
        --end;
    }
    auto next = [&](uint32_t from, char c) {
        const void* at = std::memchr(text + from, c, end - from);
        return at != nullptr ? static_cast<uint32_t>(static_cast<const char*>(at) - text) : end;
    };
    int count = 0;
    uint32_t start = 0;
    for (;;) {
        uint32_t first = start;
        uint32_t last;  // the field's text ends here
        uint32_t stop;  // and the field at this "," or at the line's end
        bool whole = false;
        if (quotes && start < end && text[start] == '"') {
            ++first;
            uint32_t from = first;
            for (;;) {
                const uint32_t quote = next(from, '"');
                if (quote + 1 < end && text[quote + 1] == '"') {
                    whole = true;  // a doubled quote
                    from = quote + 2;
                    continue;
                }
                last = quote;
                stop = quote < end ? next(quote, ',') : end;
                whole = whole || stop > quote + 1;  // text after the closing quote
                break;
            }
            if (whole) {
                first = start;
                last = stop;
            }
        } else {
            stop = next(start, ',');
            last = stop;
        }
        if (stop == end) {
            if (!dropLast && field(first, last, whole))
                ++count;
            return count;
        }
        if (!field(first, last, whole))
            return count;
        ++count;
        start = stop + 1;
    }
}

// The text of a quoted field given whole (see SplitFields).
std::string Unquote(std::string_view field) {
    std::string text;
    text.reserve(field.size());
    size_t at = 1;
    for (;;) {
        const size_t quote = field.find('"', at);
        if (quote == std::string_view::npos) {
            text.append(field.substr(at));
            return text;
        }
        text.append(field.substr(at, quote - at));
        if (quote + 1 < field.size() && field[quote + 1] == '"') {
            text += '"';
            at = quote + 2;
        } else {
            text.append(field.substr(quote + 1));  // what follows the closing quote
            return text;
        }
    }
}

}  // namespace

bool NextContentLine(const TextBuffer& text, uint32_t* position, const char** line,
                     uint32_t* length) {
    while (text.NextLine(position, line, length)) {
        if (!(*length == 1 && (*line)[0] == '\r'))
            return true;
        *position += *length;
    }
    return false;
}

bool RecordTable::LoadTable(std::shared_ptr<const TextBuffer> text, bool csvQuotes) {
    if (!captions_.empty() || RowCount() != 0 || !text || text->Length() == 0) {
        return false;
    }
    text_ = std::move(text);
    csvQuotes_ = csvQuotes;
    uint32_t position = 0;
    const char* line = nullptr;
    uint32_t length = 0;
    if (!NextContentLine(*text_, &position, &line, &length) || length == 0) {
        Clear();
        return false;
    }
    // The title is taken whole; only a trailing "\r" is not part of it, and with CSV quoting its
    // quotes and the empty cells after it.
    title_.assign(line, length > 0 && line[length - 1] == '\r' ? length - 1 : length);
    if (csvQuotes_ && title_.find('"') != std::string::npos) {
        // A spreadsheet program quotes the title as the first cell of a row as wide as the table.
        std::vector<std::string> fields;
        ForEachCsvField(title_, [&fields](std::string_view f) {
            fields.emplace_back(f);
            return true;
        });
        while (!fields.empty() && fields.back().empty())
            fields.pop_back();
        title_.clear();
        for (size_t i = 0; i < fields.size(); ++i)
            title_.append(i > 0 ? "," : "").append(fields[i]);
    }
    position += length;
    if (!NextContentLine(*text_, &position, &line, &length) || !ParseHeaderLine(line, length)) {
        Clear();
        return false;
    }
    position += length;
    if (std::unique_ptr<LineEnds> ends = text_->TakeLineEnds()) {
        LoadRows(ends.get(), position);
        UnquoteCells(position);
        return true;
    }
    ReserveFor(position);
    const uint32_t position0 = position;
    // Without a NUL byte every line that holds something gives its row; only lines with a NUL
    // must be split to see whether a field is left.
    const bool anyNul =
        std::memchr(text_->Data() + position, '\0', text_->Length() - position) != nullptr;
    uint32_t lines = 0;
    while (NextContentLine(*text_, &position, &line, &length)) {
        if (!anyNul || std::memchr(line, '\0', length) == nullptr) {
            rowLine_.push_back(position);
        } else {
            ParseRecordLine(line, length);
        }
        position += length;
        if (progress_ && (++lines & 0xFFFF) == 0) {
            progress_(position, text_->Length());
        }
    }
    UnquoteCells(position0);
    return true;
}

void RecordTable::LoadRows(LineEnds* ends, uint32_t position) {
    // The same rows as the line-by-line walk, from the line ends the reader found: a content line
    // is one that holds something other than a lone "\r". A row's offset is written where the
    // line end of its line was read, or before it, so the line ends' array becomes the rows'.
    const char* data = text_->Data();
    const uint32_t total = text_->Length();
    LineOffsets& at = ends->at;
    const size_t count = at.size();
    size_t k = static_cast<size_t>(std::lower_bound(at.begin(), at.end(), position) - at.begin());
    size_t rows = 0;
    uint32_t lines = 0;
    uint32_t start = position;
    for (;; ++k) {
        const uint32_t end = k < count ? at[k] : total;
        if (end > start && !(end - start == 1 && data[start] == '\r')) {
            // A line with a NUL is a row only when a field is left before it.
            if (!ends->anyNul || std::memchr(data + start, '\0', end - start) == nullptr ||
                SplitFields(data + start, end - start, csvQuotes_,
                            [](uint32_t, uint32_t, bool) { return true; }) > 0) {
                if (rows < count)
                    at[rows] = start;
                else
                    at.push_back(start);  // the last line, without a line end
                ++rows;
            }
            if (progress_ && (++lines & 0xFFFF) == 0) {
                progress_(end, total);
            }
        }
        if (k >= count) {
            break;
        }
        start = end + 1;
    }
    at.resize(rows);
    rowLine_ = std::move(at);
}

void RecordTable::ReserveFor(uint32_t position) {
    // Guess the row count from the first lines, so that the offsets are allocated about once.
    uint32_t p = position;
    const char* line = nullptr;
    uint32_t length = 0;
    uint32_t lines = 0;
    while (lines < 64 && text_->NextLine(&p, &line, &length)) {
        p += length;
        ++lines;
    }
    if (lines == 0) {
        return;
    }
    const size_t rest = text_->Length() - position;
    const double perLine = static_cast<double>(p - position) / lines;
    // Every line takes at least two bytes (a character and its line end).
    rowLine_.reserve(std::min(static_cast<size_t>(rest / perLine * 1.05) + 16, rest / 2 + 1));
}

bool RecordTable::ParseHeaderLine(const char* text, uint32_t length) {
    const size_t before = captions_.size();
    SplitFields(text, length, csvQuotes_, [&](uint32_t s, uint32_t e, bool whole) {
        if (whole)
            captions_.push_back(Unquote(std::string_view(text + s, e - s)));
        else
            captions_.emplace_back(text + s, e - s);
        if (captions_.size() > 1) {
            channelNames_.push_back(captions_.back());
        }
        return true;
    });
    return captions_.size() > before;
}

bool RecordTable::ParseRecordLine(const char* text, uint32_t length) {
    if (!text_ || text < text_->Data() || text + length > text_->Data() + text_->Length()) {
        return false;
    }
    if (SplitFields(text, length, csvQuotes_, [](uint32_t, uint32_t, bool) { return true; }) == 0) {
        return false;
    }
    rowLine_.push_back(static_cast<uint32_t>(text - text_->Data()));
    return true;
}

const char* RecordTable::RowLine(int32_t row, uint32_t* length) const {
    const char* data = text_->Data();
    const char* line = data + rowLine_[static_cast<size_t>(row)];
    const size_t rest = static_cast<size_t>(data + text_->Length() - line);
    const void* nl = std::memchr(line, '\n', rest);
    *length = static_cast<uint32_t>(nl != nullptr ? static_cast<const char*>(nl) - line : rest);
    return line;
}

void RecordTable::UnquoteCells(uint32_t position) {
    // Only a line with a quote can hold such a cell: the quotes are found in one pass over the
    // text, and each line with one is split once.
    if (!csvQuotes_ || rowLine_.empty())
        return;
    const char* data = text_->Data();
    const uint32_t total = text_->Length();
    const int32_t columns = ColumnCount();
    while (position < total) {
        const void* found = std::memchr(data + position, '"', total - position);
        if (found == nullptr)
            break;
        const uint32_t quote = static_cast<uint32_t>(static_cast<const char*>(found) - data);
        position = quote + 1;
        const auto after = std::upper_bound(rowLine_.begin(), rowLine_.end(), quote);
        if (after == rowLine_.begin())
            continue;
        const int32_t row = static_cast<int32_t>(after - rowLine_.begin() - 1);
        uint32_t length = 0;
        const char* line = RowLine(row, &length);
        const uint32_t lineEnd = static_cast<uint32_t>(line - data) + length;
        if (quote >= lineEnd)
            continue;  // in a line that gives no row
        int32_t column = 0;
        SplitFields(line, length, true, [&](uint32_t s, uint32_t e, bool whole) {
            if (column >= columns)
                return false;
            if (whole) {
                const std::string text = Unquote(std::string_view(line + s, e - s));
                unquotedAt_.push_back({row, column, unquoted_.size(), text.size()});
                unquoted_ += text;
            }
            ++column;
            return true;
        });
        position = std::max(position, lineEnd + 1);
    }
}

std::string_view RecordTable::UnquotedCell(int32_t row, int32_t column) const {
    const auto at =
        std::lower_bound(unquotedAt_.begin(), unquotedAt_.end(), std::make_pair(row, column),
                         [](const UnquotedAt& a, const std::pair<int32_t, int32_t>& b) {
                             return std::make_pair(a.row, a.column) < b;
                         });
    if (at == unquotedAt_.end() || at->row != row || at->column != column)
        return {};
    return std::string_view(unquoted_).substr(at->offset, at->length);
}

void RecordTable::RowCells(int32_t row, int32_t count, std::vector<std::string_view>* cells) const {
    cells->assign(static_cast<size_t>(std::max(0, count)), std::string_view());
    if (row < 0 || row >= RowCount() || !text_)
        return;
    const int32_t wanted = std::min(count, ColumnCount());
    uint32_t length = 0;
    const char* line = RowLine(row, &length);
    int32_t field = 0;
    SplitFields(line, length, csvQuotes_, [&](uint32_t s, uint32_t e, bool whole) {
        if (field >= wanted)
            return false;
        (*cells)[static_cast<size_t>(field)] =
            whole ? UnquotedCell(row, field) : std::string_view(line + s, e - s);
        ++field;
        return true;
    });
}

std::string_view RecordTable::Cell(int32_t row, int32_t column) const {
    if (row < 0 || column < 0 || row >= RowCount() || column >= ColumnCount() || !text_) {
        return {};
    }
    uint32_t length = 0;
    const char* line = RowLine(row, &length);
    std::string_view cell;
    int32_t field = 0;
    SplitFields(line, length, csvQuotes_, [&](uint32_t s, uint32_t e, bool whole) {
        if (field++ < column)
            return true;
        cell = whole ? UnquotedCell(row, column) : std::string_view(line + s, e - s);
        return false;
    });
    return cell;
}

const std::string& RecordTable::Caption(int32_t column) const {
    if (column < 0 || static_cast<size_t>(column) >= captions_.size()) {
        return kEmpty;
    }
    return captions_[static_cast<size_t>(column)];
}

void RecordTable::SetCaption(int32_t column, const std::string& caption) {
    if (column >= 0 && static_cast<size_t>(column) < captions_.size()) {
        captions_[static_cast<size_t>(column)] = caption;
    }
}

std::string RecordTable::ColumnCaptions() const {
    std::string out;
    for (size_t i = 0; i < captions_.size(); ++i) {
        if (i > 0)
            out += ',';
        out.append(captions_[i], 0,
                   DoubleByteSafeLength(captions_[i].data(), captions_[i].size(), 254));
    }
    return out;
}

void RecordTable::Clear() {
    rowLine_.clear();
    rowLine_.shrink_to_fit();
    captions_.clear();
    channelNames_.clear();
    title_.clear();
    text_.reset();
    unquotedAt_.clear();
    unquotedAt_.shrink_to_fit();
    unquoted_.clear();
    unquoted_.shrink_to_fit();
    csvQuotes_ = false;
}

size_t RecordTable::IndexBytes() const {
    return rowLine_.capacity() * sizeof(uint32_t) + unquotedAt_.capacity() * sizeof(UnquotedAt) +
           unquoted_.capacity();
}

void ForEachCsvField(std::string_view line, const std::function<bool(std::string_view)>& field) {
    if (line.empty())
        line = std::string_view("", 0);
    std::string unquoted;
    SplitFields(line.data(), static_cast<uint32_t>(std::min<size_t>(line.size(), UINT32_MAX)), true,
                [&](uint32_t s, uint32_t e, bool whole) {
                    if (!whole)
                        return field(line.substr(s, e - s));
                    unquoted = Unquote(line.substr(s, e - s));
                    return field(unquoted);
                });
}
