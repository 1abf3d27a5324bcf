// The records of one deepest partition folder of a group, read straight from its index and
// blocks as the time query reads them, with each record's cells taken as numbers.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "query_folder.h"

// Seconds of the panel's local calendar since 1601-01-01 00:00:00 (CalendarToFileTime divided
// by kFileTimeUnitsPerSecond). Every time of the summaries is counted so.
using SummarySeconds = int64_t;

// Converts a calendar time; false when it is not valid.
bool SummarySecondsOf(const CalendarTime& t, SummarySeconds* seconds);
// The calendar time of seconds (milliseconds 0).
CalendarTime SummaryTime(SummarySeconds seconds);

// One record as a visitor sees it: its time (the folder start plus its index entry's seconds),
// and per channel its number and whether the cell held one.
struct RecordCells {
    SummarySeconds time = 0;
    const double* values = nullptr;
    const uint8_t* numeric = nullptr;  // 1 where the cell held a number (CellNumber)
};

class FolderRecords {
  public:
    FolderRecords() = default;
    // Reads through `reader` (which outlives this) rather than one of its own: a reader keeps the
    // folder it read last open, so records of folders side by side open it once.
    explicit FolderRecords(query::FolderReader* reader) : reader_(reader) {}
    FolderRecords(const FolderRecords&) = delete;
    FolderRecords& operator=(const FolderRecords&) = delete;

    // Reads the index of the folder with nested stem ("1A\2024\01\01\05") under dataFolder
    // (ending in a separator); start is the folder's start. False when it has no readable
    // index of at least one entry: the folder then holds no records.
    bool Open(const std::string& dataFolder, const std::string& stem, SummarySeconds start,
              int channels);
    // Open for the records of index entries [first, first + count) only, read as entries 0 to
    // count - 1. False when the index holds fewer.
    bool OpenPart(const std::string& dataFolder, const std::string& stem, SummarySeconds start,
                  int channels, uint32_t first, uint32_t count);

    uint32_t Count() const { return index_.count; }
    SummarySeconds TimeOf(uint32_t i) const {
        return start_ + EntryAt(index_.Entries(), i).Seconds();
    }
    // True when the entries' seconds never decrease, as the recorder writes them.
    bool InTimeOrder() const { return inTimeOrder_; }
    // The first entry whose time is at least t. REQUIRES: InTimeOrder().
    uint32_t FirstFrom(SummarySeconds t) const;

    // Reads the records of entries [from, to) in index order and hands each that the time
    // query would deliver to visit(const RecordCells&): a line that cannot be read, or that ends
    // its block without a "\n", is left out. Cells past the line's last are not numbers.
    template <class Visit>
    void Read(uint32_t from, uint32_t to, Visit visit) {
        reader_->Begin(&index_, from, to);
        for (uint32_t i = from; i < to; ++i) {
            if (TakeLine(i))
                visit(cells_);
        }
        reader_->End();
    }

  private:
    bool TakeLine(uint32_t i);
    void ParseCells(const char* stored, uint32_t length);

    query::FolderReader own_;
    query::FolderReader* reader_ = &own_;
    query::FolderIndex index_;
    SummarySeconds start_ = 0;
    bool inTimeOrder_ = true;
    std::vector<double> values_;
    std::vector<uint8_t> numeric_;
    std::vector<char> line_;
    RecordCells cells_;
};
