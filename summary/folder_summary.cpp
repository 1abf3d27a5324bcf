#include "folder_summary.h"

#include <cstring>
#include <map>

#include "file_system.h"
#include "query_folder.h"

namespace {

SourceFile StatOf(const std::string& storePath) {
    SourceFile file;
    storefs::FileIdentity id;
    // The name as written first: matching each part of the path case-blind costs a look at
    // every folder on the way, and the recorder's own names match as they are.
    const std::string native = storefs::NativePath(storePath);
    if (storefs::IdentityOf(native, &id) ||
        storefs::IdentityOf(storefs::ResolveCase(native), &id)) {
        file.size = id.size;
        file.modifiedNs = id.modifiedNs;
    }
    return file;
}

// The pieces of lines of a level's cells that break, by cell, while the level is built.
using Pieces = std::map<size_t, std::vector<SummaryRun>>;

// Hands the pieces to their cells and the level.
void KeepPieces(Pieces* pieces, SummaryLevel* level) {
    level->runs.clear();
    for (auto& [cell, runs] : *pieces) {
        SummaryCell& c = level->cells[cell];
        c.firstRun = static_cast<uint32_t>(level->runs.size());
        c.runCount = static_cast<uint32_t>(runs.size());
        level->runs.insert(level->runs.end(), runs.begin(), runs.end());
    }
    pieces->clear();
}

// Folds the finer level's buckets into the coarser one's: the line of a channel breaks between
// two buckets where it breaks between the last record of one and the first of the next.
void FoldLevel(const SummaryLevel& fine, uint32_t channels, uint32_t interval,
               SummaryLevel* coarse) {
    const size_t per = coarse->width / fine.width;
    Pieces pieces;
    for (size_t b = 0; b < fine.buckets.size(); ++b) {
        const SummaryBucket& f = fine.buckets[b];
        if (f.records == 0)
            continue;
        SummaryBucket& c = coarse->buckets[b / per];
        const bool fresh = c.records == 0;
        const bool gap = !fresh && RecordsBreak(c.lastAt, f.firstAt, interval);
        const SummaryCell* from = fine.Cells(b, channels);
        const size_t first = b / per * channels;
        for (uint32_t ch = 0; ch < channels; ++ch) {
            const SummaryCell& x = from[ch];
            SummaryCell& y = coarse->cells[first + ch];
            const uint16_t ends = x.flags & kEndsWithValue;
            // x's line in pieces: its own, or the whole of it.
            const SummaryRun* xs = x.runCount > 0 ? &fine.runs[x.firstRun] : &x;
            const size_t xn = x.runCount > 0 ? x.runCount : 1;
            if (x.count > 0) {
                if (y.count == 0) {
                    static_cast<SummaryRun&>(y) = x;
                    y.flags = x.flags & static_cast<uint16_t>(fresh ? 0xFFFF : ~kStartsWithValue);
                    if (x.runCount > 0)
                        pieces[first + ch].assign(xs, xs + xn);
                } else {
                    const bool joined =
                        (y.flags & kEndsWithValue) && (x.flags & kStartsWithValue) && !gap;
                    if (!joined || x.runCount > 0 || (y.flags & kInnerBreak)) {
                        std::vector<SummaryRun>& runs = pieces[first + ch];
                        if (runs.empty())
                            runs.push_back(y);
                        size_t k = 0;
                        if (joined)
                            ExtendRun(&runs.back(), xs[k++]);
                        runs.insert(runs.end(), xs + k, xs + xn);
                    }
                    y.flags |= (joined ? 0 : kInnerBreak) | (x.flags & kInnerBreak);
                    ExtendRun(&y, x);
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
    KeepPieces(&pieces, coarse);
}

// "(n).csv", the name of block n after its folder's stem, n in upper-case hexadecimal; written
// by hand, as the check of a year's folders names tens of thousands of them.
std::string BlockSuffix(uint32_t n) {
    char name[16] = "(";
    char* end = PutHex(name + 1, n);
    std::memcpy(end, ").csv", 5);
    return std::string(name, static_cast<size_t>(end + 5 - name));
}

}  // namespace

bool SummaryRun::operator==(const SummaryRun& o) const {
    return count == o.count && first == o.first && min == o.min && max == o.max && last == o.last &&
           firstAt == o.firstAt && minAt == o.minAt && maxAt == o.maxAt && lastAt == o.lastAt;
}

FolderSource SourceOf(const std::string& dataFolder, const std::string& stem) {
    FolderSource source;
    source.index = StatOf(dataFolder + stem + ".idx");
    // The blocks the index names: 0 to the last entry's block (the last entry alone is read;
    // an index that is not a whole number of entries names none).
    query::FolderReader reader;
    query::FolderIndex index;
    const int64_t entries = source.index.size / 8;
    if (source.index.size > 0 && source.index.size % 8 == 0 && entries <= UINT32_MAX &&
        reader.ReadIndexPart(dataFolder, stem, static_cast<uint32_t>(entries - 1), 1, &index)) {
        const uint32_t blocks = EntryAt(index.Entries(), 0).Block() + 1;
        for (uint32_t n = 0; n < blocks; ++n)
            source.blocks.push_back(StatOf(dataFolder + stem + BlockSuffix(n)));
    }
    return source;
}

SourceStats::~SourceStats() {
    storefs::CloseFile(folderFd_);
}

SourceFile SourceStats::Of(const std::string& dataFolder, const std::string& stem,
                           const char* suffix) {
    const size_t cut = stem.rfind('\\') + 1;  // 0 when the stem has no "\"
    const std::string folder = dataFolder + stem.substr(0, cut);
    if (folder != folder_) {
        storefs::CloseFile(folderFd_);
        folder_ = folder;
        folderFd_ = storefs::OpenDirectory(folder);
    }
    storefs::FileIdentity id;
    if (folderFd_ >= 0 && storefs::IdentityIn(folderFd_, folder_, stem.substr(cut) + suffix, &id)) {
        SourceFile file;
        file.size = id.size;
        file.modifiedNs = id.modifiedNs;
        return file;
    }
    // Not there as spelt: by the path, matched case-blind.
    return StatOf(dataFolder + stem + suffix);
}

bool SourceUnchanged(const std::string& dataFolder, const std::string& stem,
                     const FolderSource& source, SourceStats* stats) {
    if (!(stats->Of(dataFolder, stem, ".idx") == source.index))
        return false;
    for (size_t n = 0; n < source.blocks.size(); ++n) {
        if (!(stats->Of(dataFolder, stem, BlockSuffix(static_cast<uint32_t>(n)).c_str()) ==
              source.blocks[n]))
            return false;
    }
    return true;
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
    Pieces pieces;
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
            if (c.count == 0) {
                c.flags = fresh ? kStartsWithValue : 0;
            } else if (!before[ch] || gap) {
                // A break inside the bucket: the line so far becomes its first piece.
                std::vector<SummaryRun>& runs = pieces[b * channels + ch];
                if (runs.empty())
                    runs.push_back(c);
                runs.emplace_back();
                c.flags |= kInnerBreak;
                bucket.split = true;
            }
            if (c.flags & kInnerBreak)
                AddNumber(&pieces[b * channels + ch].back(), v, r.time);
            AddNumber(&c, v, r.time);
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
    KeepPieces(&pieces, &fine);
    for (size_t l = 1; l < s->levels.size(); ++l)
        FoldLevel(s->levels[l - 1], channels, s->interval, &s->levels[l]);
}
