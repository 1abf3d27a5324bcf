#include "record_table.h"

#include "text_bytes.h"

#include <algorithm>
#include <cstring>

namespace {

const std::string kEmpty;

// Calls field(start, end) for each field of the line [text, text + length), following the
// field rules. Returns the number of fields reported.
template <typename Field>
int SplitFields(const char* text, uint32_t length, Field&& field) {
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
    int count = 0;
    uint32_t start = 0;
    for (;;) {
        const void* comma = std::memchr(text + start, ',', end - start);
        if (comma == nullptr) {
            break;
        }
        const uint32_t at = static_cast<uint32_t>(static_cast<const char*>(comma) - text);
        if (!field(start, at))
            return count;
        ++count;
        start = at + 1;
    }
    if (!dropLast) {
        if (field(start, end))
            ++count;
    }
    return count;
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

bool RecordTable::LoadTable(std::shared_ptr<const TextBuffer> text) {
    if (!captions_.empty() || RowCount() != 0 || !text || text->Length() == 0) {
        return false;
    }
    text_ = std::move(text);
    uint32_t position = 0;
    const char* line = nullptr;
    uint32_t length = 0;
    if (!NextContentLine(*text_, &position, &line, &length) || length == 0) {
        Clear();
        return false;
    }
    // The title is taken whole; only a trailing "\r" is not part of it.
    title_.assign(line, length > 0 && line[length - 1] == '\r' ? length - 1 : length);
    position += length;
    if (!NextContentLine(*text_, &position, &line, &length) || !ParseHeaderLine(line, length)) {
        Clear();
        return false;
    }
    position += length;
    if (std::unique_ptr<LineEnds> ends = text_->TakeLineEnds()) {
        LoadRows(ends.get(), position);
        return true;
    }
    ReserveFor(position);
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
                SplitFields(data + start, end - start, [](uint32_t, uint32_t) { return true; }) >
                    0) {
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
    SplitFields(text, length, [&](uint32_t s, uint32_t e) {
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
    if (SplitFields(text, length, [](uint32_t, uint32_t) { return true; }) == 0) {
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

void RecordTable::RowCells(int32_t row, int32_t count, std::vector<std::string_view>* cells) const {
    cells->assign(static_cast<size_t>(std::max(0, count)), std::string_view());
    if (row < 0 || row >= RowCount() || !text_)
        return;
    const int32_t wanted = std::min(count, ColumnCount());
    uint32_t length = 0;
    const char* line = RowLine(row, &length);
    int32_t field = 0;
    SplitFields(line, length, [&](uint32_t s, uint32_t e) {
        if (field >= wanted)
            return false;
        (*cells)[static_cast<size_t>(field++)] = std::string_view(line + s, e - s);
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
    SplitFields(line, length, [&](uint32_t s, uint32_t e) {
        if (field++ < column)
            return true;
        cell = std::string_view(line + s, e - s);
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
}

size_t RecordTable::IndexBytes() const {
    return rowLine_.capacity() * sizeof(uint32_t);
}
