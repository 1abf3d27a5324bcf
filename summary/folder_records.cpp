#include "folder_records.h"

#include <algorithm>

#include "calendar_time.h"
#include "cell_number.h"

bool SummarySecondsOf(const CalendarTime& t, SummarySeconds* seconds) {
    uint64_t fileTime = 0;
    if (!CalendarToFileTime(t, &fileTime))
        return false;
    *seconds = static_cast<SummarySeconds>(fileTime / kFileTimeUnitsPerSecond);
    return true;
}

CalendarTime SummaryTime(SummarySeconds seconds) {
    CalendarTime t;
    if (seconds >= 0)
        FileTimeToCalendar(static_cast<uint64_t>(seconds) * kFileTimeUnitsPerSecond, &t);
    return t;
}

bool FolderRecords::Open(const std::string& dataFolder, const std::string& stem,
                         SummarySeconds start, int channels) {
    start_ = start;
    values_.assign(static_cast<size_t>(channels), 0.0);
    numeric_.assign(static_cast<size_t>(channels), 0);
    cells_.values = values_.data();
    cells_.numeric = numeric_.data();
    if (!reader_->ReadIndex(dataFolder, stem, &index_))
        return false;
    inTimeOrder_ = query::InTimeOrder(index_.Entries(), index_.count);
    return true;
}

bool FolderRecords::OpenPart(const std::string& dataFolder, const std::string& stem,
                             SummarySeconds start, int channels, uint32_t first, uint32_t count) {
    start_ = start;
    values_.assign(static_cast<size_t>(channels), 0.0);
    numeric_.assign(static_cast<size_t>(channels), 0);
    cells_.values = values_.data();
    cells_.numeric = numeric_.data();
    if (!reader_->ReadIndexPart(dataFolder, stem, first, count, &index_))
        return false;
    inTimeOrder_ = query::InTimeOrder(index_.Entries(), index_.count);
    return true;
}

uint32_t FolderRecords::FirstFrom(SummarySeconds t) const {
    if (t <= start_)
        return 0;
    const uint64_t seconds = static_cast<uint64_t>(t - start_);
    uint32_t lo = 0;
    uint32_t hi = index_.count;
    while (lo < hi) {
        const uint32_t mid = lo + (hi - lo) / 2;
        if (EntryAt(index_.Entries(), mid).Seconds() < seconds)
            lo = mid + 1;
        else
            hi = mid;
    }
    return lo;
}

namespace {

// Takes no look ahead: every entry of the range is wanted, which the reader plans by itself.
struct NoAhead {
    bool Next(uint32_t*) { return false; }
};

}  // namespace

bool FolderRecords::TakeLine(uint32_t i) {
    uint64_t at = 0;
    uint32_t length = 0;
    bool ended = false;
    if (!reader_->Take(
            i, NoAhead(), UINT64_MAX, [] {}, &at, &length, &ended) ||
        !ended)
        return false;
    cells_.time = TimeOf(i);
    ParseCells(reader_->Window().Data() + (at - reader_->Window().Start()), length);
    return true;
}

void FolderRecords::ParseCells(const char* stored, uint32_t length) {
    StoredCellNumbers(stored, length, values_.size(), values_.data(), numeric_.data(), &line_);
}
