#include "record_table.h"

#include "curve_settings.h"

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
    ReserveFor(position);
    uint32_t lines = 0;
    while (NextContentLine(*text_, &position, &line, &length)) {
        ParseRecordLine(line, length);
        position += length;
        if (progress_ && (++lines & 0xFFFF) == 0) {
            progress_(position, text_->Length());
        }
    }
    return true;
}

void RecordTable::ReserveFor(uint32_t position) {
    // Guess the row count from the first lines, so that the offsets are allocated about once.
    uint32_t p = position;
    const char* line = nullptr;
    uint32_t length = 0;
    uint32_t lines = 0;
    size_t fields = 0;
    while (lines < 64 && text_->NextLine(&p, &line, &length)) {
        fields += static_cast<size_t>(std::count(line, line + length, ',')) + 1;
        p += length;
        ++lines;
    }
    if (lines == 0) {
        return;
    }
    // Both guesses are sized by what the sampled lines hold, never by the header alone: a header
    // of many columns over short lines must not reserve cells that no line fills. Each cell
    // takes at least one byte of text (its comma or line end), which bounds the total.
    const size_t rest = text_->Length() - position;
    const double perLine = static_cast<double>(p - position) / lines;
    const size_t rows = static_cast<size_t>(rest / perLine * 1.05) + 16;
    const size_t perRow = std::min(captions_.size(), fields / lines + 1) + 1;
    rowStart_.reserve(rows + 1);
    cells_.reserve(std::min(rows * perRow, rest + rows + 1));
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
    const uint32_t base = static_cast<uint32_t>(text - text_->Data());
    const size_t columns = captions_.size();
    const size_t first = cells_.size();
    uint32_t lastEnd = 0;
    size_t stored = 0;
    SplitFields(text, length, [&](uint32_t s, uint32_t e) {
        if (stored > 0 && stored >= columns) {
            return false;  // surplus fields are dropped
        }
        cells_.push_back(base + s);
        lastEnd = base + e;
        ++stored;
        return true;
    });
    if (stored == 0) {
        return false;
    }
    if (rowStart_.empty()) {
        rowStart_.push_back(static_cast<uint32_t>(first));
    }
    cells_.push_back(lastEnd + 1);
    rowStart_.push_back(static_cast<uint32_t>(cells_.size()));
    return true;
}

std::string_view RecordTable::Cell(int32_t row, int32_t column) const {
    if (row < 0 || column < 0 || row >= RowCount() || !text_) {
        return {};
    }
    const uint32_t first = rowStart_[static_cast<size_t>(row)];
    const uint32_t fields = rowStart_[static_cast<size_t>(row) + 1] - first - 1;
    if (static_cast<uint32_t>(column) >= fields) {
        return {};
    }
    const uint32_t start = cells_[first + static_cast<uint32_t>(column)];
    const uint32_t end = cells_[first + static_cast<uint32_t>(column) + 1] - 1;
    return std::string_view(text_->Data() + start, end - start);
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
    rowStart_.clear();
    rowStart_.shrink_to_fit();
    cells_.clear();
    cells_.shrink_to_fit();
    captions_.clear();
    channelNames_.clear();
    title_.clear();
    text_.reset();
}

size_t RecordTable::IndexBytes() const {
    return rowStart_.capacity() * sizeof(uint32_t) + cells_.capacity() * sizeof(uint32_t);
}
