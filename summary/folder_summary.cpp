#include "folder_summary.h"

#include <cstdio>

#include "file_system.h"
#include "query_folder.h"

namespace {

SourceFile StatOf(const std::string& storePath) {
    SourceFile file;
    storefs::FileIdentity id;
    if (storefs::IdentityOf(storefs::ResolveCase(storefs::NativePath(storePath)), &id)) {
        file.size = id.size;
        file.modifiedNs = id.modifiedNs;
    }
    return file;
}

// Folds the finer level's buckets into the coarser one's: the line of a channel breaks between
// two buckets where it breaks between the last record of one and the first of the next.
void FoldLevel(const SummaryLevel& fine, uint32_t channels, uint32_t interval,
               SummaryLevel* coarse) {
    const size_t per = coarse->width / fine.width;
    for (size_t b = 0; b < fine.buckets.size(); ++b) {
        const SummaryBucket& f = fine.buckets[b];
        if (f.records == 0)
            continue;
        SummaryBucket& c = coarse->buckets[b / per];
        const bool fresh = c.records == 0;
        const bool gap = !fresh && RecordsBreak(c.lastAt, f.firstAt, interval);
        const SummaryCell* from = fine.Cells(b, channels);
        SummaryCell* to = coarse->cells.data() + b / per * channels;
        for (uint32_t ch = 0; ch < channels; ++ch) {
            const SummaryCell& x = from[ch];
            SummaryCell& y = to[ch];
            const uint16_t ends = x.flags & kEndsWithValue;
            if (x.count > 0) {
                if (y.count == 0) {
                    y = x;
                    y.flags &= static_cast<uint16_t>(fresh ? 0xFFFF : ~kStartsWithValue);
                } else {
                    const bool joined =
                        (y.flags & kEndsWithValue) && (x.flags & kStartsWithValue) && !gap;
                    y.flags |= (joined ? 0 : kInnerBreak) | (x.flags & kInnerBreak);
                    y.count += x.count;
                    if (x.min < y.min) {
                        y.min = x.min;
                        y.minAt = x.minAt;
                    }
                    if (x.max > y.max) {
                        y.max = x.max;
                        y.maxAt = x.maxAt;
                    }
                    y.last = x.last;
                    y.lastAt = x.lastAt;
                }
            }
            y.flags = static_cast<uint16_t>((y.flags & ~kEndsWithValue) | ends);
            c.split = c.split || (y.flags & kInnerBreak) != 0;
        }
        if (fresh)
            c.firstAt = f.firstAt;
        c.lastAt = f.lastAt;
        c.records += f.records;
    }
}

}  // namespace

FolderSource SourceOf(const std::string& dataFolder, const std::string& stem) {
    FolderSource source;
    source.index = StatOf(dataFolder + stem + ".idx");
    // The blocks the index names: 0 to the last entry's block.
    query::FolderReader reader;
    query::FolderIndex index;
    if (source.index.size > 0 && reader.ReadIndex(dataFolder, stem, &index)) {
        const uint32_t blocks = EntryAt(index.Entries(), index.count - 1).Block() + 1;
        for (uint32_t n = 0; n < blocks; ++n) {
            char name[16];
            std::snprintf(name, sizeof name, "(%X).csv", n);
            source.blocks.push_back(StatOf(dataFolder + stem + name));
        }
    }
    return source;
}

std::vector<uint32_t> LevelWidths(uint32_t interval, int depth) {
    static constexpr uint32_t kLadder[] = {60,   120,  300,   600,   900,  1800,
                                           3600, 7200, 10800, 21600, 43200};
    const uint32_t widest = depth >= 3 ? 3600 : 43200;
    const auto pick = [&](uint64_t least) {
        for (uint32_t w : kLadder) {
            if (w >= least || w == widest)
                return w;
        }
        return widest;
    };
    std::vector<uint32_t> widths{pick(uint64_t{60} * interval)};
    const uint32_t next = pick(uint64_t{60} * widths[0]);
    if (next > widths[0])
        widths.push_back(next);
    return widths;
}

void BuildFolderSummary(FolderRecords* records, bool hasIndex, const std::vector<uint32_t>& widths,
                        FolderSummary* s) {
    const uint32_t channels = s->channels;
    s->records = 0;
    s->orderly = true;
    s->levels.assign(widths.size(), SummaryLevel());
    for (size_t l = 0; l < widths.size(); ++l) {
        SummaryLevel& level = s->levels[l];
        level.width = widths[l];
        const size_t buckets = s->period / widths[l];
        level.buckets.assign(buckets, SummaryBucket());
        level.cells.assign(buckets * channels, SummaryCell());
    }
    if (!hasIndex || widths.empty())
        return;
    // The finest level is built from the records, the others from it.
    SummaryLevel& fine = s->levels[0];
    const SummarySeconds end = s->start + s->period;
    std::vector<uint8_t> before(channels, 0);  // the record before held a number
    SummarySeconds last = 0;
    const auto visit = [&](const RecordCells& r) {
        ++s->records;
        if (!s->orderly)
            return;
        if (r.time < s->start || r.time >= end || (s->records > 1 && r.time < last)) {
            s->orderly = false;
            return;
        }
        const bool gap = s->records > 1 && RecordsBreak(last, r.time, s->interval);
        last = r.time;
        const size_t b = static_cast<size_t>(r.time - s->start) / fine.width;
        SummaryBucket& bucket = fine.buckets[b];
        const bool fresh = bucket.records++ == 0;
        if (fresh)
            bucket.firstAt = r.time;
        bucket.lastAt = r.time;
        SummaryCell* cells = fine.cells.data() + b * channels;
        for (uint32_t ch = 0; ch < channels; ++ch) {
            SummaryCell& c = cells[ch];
            if (!r.numeric[ch]) {
                c.flags &= static_cast<uint16_t>(~kEndsWithValue);
                before[ch] = 0;
                continue;
            }
            const double v = r.values[ch];
            if (c.count++ == 0) {
                c.first = c.min = c.max = v;
                c.firstAt = c.minAt = c.maxAt = r.time;
                c.flags = fresh ? kStartsWithValue : 0;
            } else {
                if (!before[ch] || gap) {
                    c.flags |= kInnerBreak;
                    bucket.split = true;
                }
                if (v < c.min) {
                    c.min = v;
                    c.minAt = r.time;
                }
                if (v > c.max) {
                    c.max = v;
                    c.maxAt = r.time;
                }
            }
            c.last = v;
            c.lastAt = r.time;
            c.flags |= kEndsWithValue;
            before[ch] = 1;
        }
    };
    // The buckets are found by time, which needs entries in time order.
    if (!records->InTimeOrder()) {
        s->orderly = false;
        s->records = 0;
    }
    records->Read(0, records->Count(), visit);
    if (!s->orderly) {
        s->levels.clear();
        return;
    }
    for (size_t l = 1; l < s->levels.size(); ++l)
        FoldLevel(s->levels[l - 1], channels, s->interval, &s->levels[l]);
}
