// The summary of one deepest partition folder of a group: per time bucket of a few widths, the
// record count and, per channel, the first, lowest, highest and last number with their times,
// the count of numbers, and how the channel's line runs through the bucket. Built from the
// folder's records; kept as one file per folder (drawn in FORMAT.md), checked whole when read.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "folder_records.h"
#include "time_key.h"

// Flags of a channel in a bucket.
enum SummaryCellFlags : uint16_t {
    kStartsWithValue = 1,  // the bucket's first record holds a number of the channel
    kEndsWithValue = 2,    // its last record does
    kInnerBreak = 4,       // the channel's line breaks between two of its numbers in the bucket
};

// Numbers of a channel in time order: how many, the first, lowest, highest and last, with their
// times. Times are kept whole here; the file holds them as offsets from their bucket's start.
struct SummaryRun {
    double first = 0.0;
    double min = 0.0;  // the first of equal lowest numbers
    double max = 0.0;  // the first of equal highest numbers
    double last = 0.0;
    SummarySeconds firstAt = 0;
    SummarySeconds minAt = 0;
    SummarySeconds maxAt = 0;
    SummarySeconds lastAt = 0;
    // Last, so that a cell's flags fit in the room after it: a year's worth of finest levels
    // held in memory is a tenth smaller.
    uint32_t count = 0;

    bool operator==(const SummaryRun& o) const;
};

// Adds a number at time t to the end of a run.
inline void AddNumber(SummaryRun* r, double v, SummarySeconds t) {
    if (r->count++ == 0) {
        r->first = r->min = r->max = v;
        r->firstAt = r->minAt = r->maxAt = t;
    } else {
        if (v < r->min) {
            r->min = v;
            r->minAt = t;
        }
        if (v > r->max) {
            r->max = v;
            r->maxAt = t;
        }
    }
    r->last = v;
    r->lastAt = t;
}

// Adds the numbers of a later run, with no break between them, to a run.
inline void ExtendRun(SummaryRun* r, const SummaryRun& later) {
    r->count += later.count;
    if (later.min < r->min) {
        r->min = later.min;
        r->minAt = later.minAt;
    }
    if (later.max > r->max) {
        r->max = later.max;
        r->maxAt = later.maxAt;
    }
    r->last = later.last;
    r->lastAt = later.lastAt;
}

// One channel in one bucket: all its numbers there (count: the bucket's other records hold none
// for the channel). Where its line breaks inside the bucket (kInnerBreak), the pieces of the
// line between the breaks are kept as well, so that the bucket draws without its records.
struct SummaryCell : SummaryRun {
    uint16_t flags = 0;
    uint32_t firstRun = 0;  // the pieces: runs[firstRun .. firstRun + runCount) of the level
    uint32_t runCount = 0;  // 0 without a break, else 2 or more
};

struct SummaryBucket {
    uint32_t records = 0;  // 0: the bucket holds no record
    bool split = false;    // some channel's line breaks inside the bucket (kInnerBreak)
    SummarySeconds firstAt = 0;
    SummarySeconds lastAt = 0;
};

// Buckets of one width that cut the folder's period from its start: bucket b holds the records
// whose time t has (t - start) / width == b.
struct SummaryLevel {
    uint32_t width = 0;
    std::vector<SummaryBucket> buckets;
    std::vector<SummaryCell> cells;  // bucket * channels + channel
    std::vector<SummaryRun> runs;    // the pieces of the lines of the cells that break

    const SummaryCell* Cells(size_t bucket, uint32_t channels) const {
        return cells.data() + bucket * channels;
    }
};

// Size and modification time of a file the summary was made from; size -1 when it was missing.
struct SourceFile {
    int64_t size = -1;
    int64_t modifiedNs = 0;
    bool operator==(const SourceFile& o) const {
        return size == o.size && modifiedNs == o.modifiedNs;
    }
};

// What a folder's summary was made from: its index and each block its index names.
struct FolderSource {
    SourceFile index;
    std::vector<SourceFile> blocks;
    bool operator==(const FolderSource& o) const { return index == o.index && blocks == o.blocks; }
    bool operator!=(const FolderSource& o) const { return !(*this == o); }
};

// The source of the folder with nested stem under dataFolder, by the file system's word: the
// index, and blocks 0 to the last entry's block. Only sizes and times are looked at.
FolderSource SourceOf(const std::string& dataFolder, const std::string& stem);

// Looks at the files of one folder after the other through a handle on the folder last looked
// in, so that each name is found in its folder alone, not walked to from the root every time.
class SourceStats {
  public:
    SourceStats() = default;
    ~SourceStats();
    SourceStats(const SourceStats&) = delete;
    SourceStats& operator=(const SourceStats&) = delete;

    // The size and time of the file of the folder with nested stem under dataFolder whose name
    // is the stem's last part followed by suffix (".idx", "(0).csv"); size -1 when none.
    SourceFile Of(const std::string& dataFolder, const std::string& stem, const char* suffix);

  private:
    int folderFd_ = -1;
    std::string folder_;
};

// True when the folder is as source found it: its index and each block source names have the
// same sizes and times (an unchanged index names the same blocks). Reads no file.
bool SourceUnchanged(const std::string& dataFolder, const std::string& stem,
                     const FolderSource& source, SourceStats* stats);

struct FolderSummary {
    uint32_t groupId = 0;
    uint32_t interval = 0;
    TimeKey key;
    SummarySeconds start = 0;
    uint32_t period = 0;
    uint32_t channels = 0;
    FolderSource source;
    uint32_t records = 0;  // records the time query delivers from the folder
    // The records' times rise (or stay) and all lie within the period: the levels then hold
    // every record. Otherwise the folder has no levels and its records are read.
    bool orderly = true;
    std::vector<SummaryLevel> levels;  // finest first; each width a multiple of the one before
};

// The bucket widths of a group's folders: per interval the finest holds about 60 records, the
// next about 60 of those, each from 60, 120, 300, 600, 900, 1800, 3600, 7200, 10800, 21600 and
// 43200 seconds, none wider than the folder period (for an hour folder, 3600). Every width
// divides the period of the folders of its depth, so buckets never cross a folder's edge.
std::vector<uint32_t> LevelWidths(uint32_t interval, int depth);

// Builds the summary of a folder from its records (records may be a folder without an index:
// no records). The caller fills in the identity fields first: groupId, interval, key, start,
// period, channels and source; levels are made for widths.
void BuildFolderSummary(FolderRecords* records, bool hasIndex, const std::vector<uint32_t>& widths,
                        FolderSummary* summary);

// Line break rule of the curve view's true time axis between two neighbouring records: the later
// more than three intervals after the earlier, or earlier than it. No breaks at interval 0.
inline bool RecordsBreak(SummarySeconds before, SummarySeconds now, uint32_t interval) {
    return interval > 0 && (now < before || now - before > int64_t{3} * interval);
}
