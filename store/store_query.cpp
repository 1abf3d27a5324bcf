// The time query: walks a group's folders between two times and delivers the records on the
// interval grid, header lines first.
//
// Which records a folder delivers follows from the index alone, so the query looks ahead along
// its selection and reads the lines it wants from each block in as few reads as their layout
// allows: lines less than kMergeGap apart come in one pread. Lines stay in their stored form
// until delivered; StoreQueryRuns hands them on as they are, in runs of adjacent lines.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "block_window.h"
#include "file_system.h"
#include "folder_list.h"
#include "log_store.h"
#include "store_api.h"
#include "store_slots.h"
#include "time_folder.h"
#include "time_key.h"

namespace {

// Reading the bytes between two wanted lines costs less than another system call up to about
// this distance.
constexpr uint64_t kMergeGap = 16 * 1024;
// A planned read covers at most this much: with the folder index and the listing of a folder
// being walked, a query then holds less than one block and one index.
constexpr uint64_t kLargestWindow = 96 * 1024;
// Bytes planned for a line whose end the index does not tell (the last entry of a block).
constexpr uint64_t kLineGuess = 512;
// An index is read whole; past this size it must prove to be a regular file.
constexpr size_t kIndexCheckAfter = size_t{64} << 20;

// True when the seconds of the entries never decrease, as the recorder writes them. Written
// without an early exit so that the compiler can compare many entries at once.
bool InTimeOrder(const unsigned char* entries, uint32_t count) {
    uint32_t previous = 0;
    uint32_t descents = 0;
    for (uint32_t i = 0; i < count; ++i) {
        const uint32_t seconds = EntryAt(entries, i).Seconds();
        descents |= seconds < previous;
        previous = seconds;
    }
    return descents == 0;
}

// The records a folder delivers: from the first entry found, every entry within [from, to], and
// with an interval only the first at or after each grid step.
struct Selection {
    const unsigned char* entries;
    uint32_t count;
    uint32_t next;
    uint64_t from;
    uint64_t to;
    uint32_t interval;
    bool inTimeOrder;      // entries below from can then be passed over by a binary search
    uint64_t advance = 0;  // seconds the grid moved on in this folder

    bool Next(uint32_t* i) {
        while (from <= to && next < count) {
            const uint64_t e = EntryAt(entries, next).Seconds();
            if (e > to) {
                next = count;
                return false;
            }
            if (e < from) {
                ++next;
                if (inTimeOrder)
                    next = FirstFrom(next);
                continue;
            }
            if (interval != 0) {
                advance += e + interval - from;
                from = e + interval;
            }
            *i = next++;
            return true;
        }
        return false;
    }

    // The first entry from `at` on whose seconds are at least from (count when none).
    uint32_t FirstFrom(uint32_t at) const {
        uint32_t lo = at;
        uint32_t hi = count;
        while (lo < hi) {
            const uint32_t mid = lo + (hi - lo) / 2;
            if (EntryAt(entries, mid).Seconds() < from) {
                lo = mid + 1;
            } else {
                hi = mid;
            }
        }
        return lo;
    }
};

class QueryRun {
  public:
    QueryRun(const LogGroup& group, const std::string& dataFolder, uint64_t start, uint64_t end,
             uint32_t interval, void* context, StoreLineCallback lineCallback,
             StoreRunCallback runCallback)
        : group_(group),
          root_(dataFolder),
          start_(start),
          end_(end),
          interval_(interval),
          context_(context),
          lineCallback_(lineCallback),
          runCallback_(runCallback) {}

    ~QueryRun() {
        CloseBlock();
        storefs::CloseFile(folderFd_);
    }
    QueryRun(const QueryRun&) = delete;
    QueryRun& operator=(const QueryRun&) = delete;

    static bool VisitFolder(void* self, const TimeKey& key) {
        return static_cast<QueryRun*>(self)->Folder(key);
    }

    bool Hit() const { return hit_; }

  private:
    bool Folder(const TimeKey& key) {
        if (key.count != group_.depth) {
            return true;
        }
        if (OpenIndex(key)) {
            Select(key);
            FlushRun();
            CloseBlock();
        }
        return stop_ == 0;
    }

    // Reads the folder's index into index_, un-inverted. False when the folder has no readable
    // index of at least one whole entry.
    bool OpenIndex(const TimeKey& key) {
        std::string stem;
        if (!MakeStem(group_.id, key, kNestedSeparator, &stem)) {
            return false;
        }
        const size_t cut = stem.rfind('\\') + 1;  // 0 when the stem has no "\"
        const std::string folder = root_ + stem.substr(0, cut);
        base_ = stem.substr(cut);
        if (folder != folderPath_) {
            storefs::CloseFile(folderFd_);
            folderPath_ = folder;
            folderFd_ = storefs::OpenDirectory(folderPath_);
        }
        const int fd = storefs::OpenForReadingIn(folderFd_, folderPath_, base_ + ".idx");
        if (fd < 0) {
            return false;
        }
        const bool read = storefs::ReadToEnd(fd, &index_, kIndexCheckAfter);
        storefs::CloseFile(fd);
        const size_t size = index_.size();
        if (!read || size == 0 || size % 8 != 0 || size / 8 > UINT32_MAX) {
            return false;
        }
        storefs::InvertBytes(index_.data(), index_.data(), size);
        count_ = static_cast<uint32_t>(size / 8);
        return true;
    }

    const unsigned char* Entries() const {
        return reinterpret_cast<const unsigned char*>(index_.data());
    }

    // Selects and delivers the records of the folder; moves start_ on by the grid's advance.
    void Select(const TimeKey& key) {
        uint64_t folderStart = 0;
        if (!CalendarToFileTime(KeyToTime(key), &folderStart) || end_ < folderStart) {
            return;
        }
        uint64_t from = 0;
        if (start_ < folderStart) {
            start_ = folderStart;
        } else {
            from = (start_ - folderStart) / kFileTimeUnitsPerSecond;
        }
        uint64_t to = (end_ - folderStart) / kFileTimeUnitsPerSecond;
        const uint32_t last = EntryAt(Entries(), count_ - 1).Seconds();
        if (last < to) {
            to = last;
        }
        const int64_t first =
            FindFirstEntry(Entries(), count_, from > UINT32_MAX ? UINT32_MAX : uint32_t(from),
                           static_cast<uint32_t>(to));
        if (first == kNoEntry) {
            return;
        }
        hit_ = true;
        const bool ordered = InTimeOrder(Entries(), count_);
        // With every record wanted and the entries in order, the selection ends before the first
        // entry past to, so a read can be planned without walking the selection.
        everyFrom_ = interval_ == 0 && ordered ? static_cast<uint32_t>(first) : count_;
        everyTo_ = everyFrom_;
        if (everyFrom_ < count_) {
            uint32_t lo = everyFrom_;
            uint32_t hi = count_;
            while (lo < hi) {
                const uint32_t mid = lo + (hi - lo) / 2;
                if (EntryAt(Entries(), mid).Seconds() <= to) {
                    lo = mid + 1;
                } else {
                    hi = mid;
                }
            }
            everyTo_ = lo;
        }
        Selection selection{Entries(), count_, static_cast<uint32_t>(first), from, to,
                            interval_, ordered};
        uint32_t i = 0;
        while (stop_ == 0 && selection.Next(&i)) {
            Take(i, selection);
        }
        start_ += selection.advance * kFileTimeUnitsPerSecond;
    }

    // Reads and delivers the line of entry i; ahead is the selection after i.
    void Take(uint32_t i, const Selection& ahead) {
        const IndexEntry e = EntryAt(Entries(), i);
        if (static_cast<int>(e.Block()) != block_) {
            FlushRun();
            OpenBlock(e.Block());
        }
        const uint64_t offset = e.Offset();
        if (!window_.Covers(offset)) {
            FlushRun();
            window_.Load(offset, PlanEnd(i, ahead));
        }
        uint64_t at = 0;
        uint32_t length = 0;
        bool ended = false;
        const uint64_t keepFrom = runLines_ > 0 ? runStart_ : offset;
        if (window_.LineAt(offset, keepFrom, &at, &length, &ended)) {
            Deliver(at, length, ended);
        }
    }

    void OpenBlock(uint32_t block) {
        CloseBlock();
        char suffix[16];
        std::snprintf(suffix, sizeof suffix, "(%X).csv", block & 0xFF);
        blockFd_ = storefs::OpenForReadingIn(folderFd_, folderPath_, base_ + suffix);
        block_ = static_cast<int>(block);
        window_.Attach(blockFd_);
    }

    void CloseBlock() {
        storefs::CloseFile(blockFd_);
        blockFd_ = -1;
        block_ = -1;
        window_.Attach(-1);
    }

    // Where the line of entry i ends: at the next entry's line when that follows in the block.
    uint64_t LineEnd(uint32_t i) const {
        const IndexEntry e = EntryAt(Entries(), i);
        if (i + 1 < count_) {
            const IndexEntry next = EntryAt(Entries(), i + 1);
            if (next.Block() == e.Block() && next.Offset() > e.Offset())
                return next.Offset();
        }
        return uint64_t{e.Offset()} + kLineGuess;
    }

    // The end of one read from entry i's line that also takes the selected lines after it that
    // lie close by in the same block.
    uint64_t PlanEnd(uint32_t i, Selection ahead) const {
        const IndexEntry e = EntryAt(Entries(), i);
        const uint64_t start = e.Offset();
        uint64_t end = LineEnd(i);
        if (i >= everyFrom_ && i < everyTo_) {
            // Every entry up to everyTo_ is wanted: the last one whose line still fits, found
            // by halving on the recorder's layout (a plan only; any other layout still reads
            // right, in more reads).
            uint32_t lo = i + 1;
            uint32_t hi = everyTo_;
            while (lo < hi) {
                const uint32_t mid = lo + (hi - lo) / 2;
                const IndexEntry f = EntryAt(Entries(), mid);
                if (f.Block() == e.Block() && f.Offset() >= start &&
                    LineEnd(mid) - start <= kLargestWindow) {
                    lo = mid + 1;
                } else {
                    hi = mid;
                }
            }
            return lo > i + 1 ? std::max(end, LineEnd(lo - 1)) : end;
        }
        uint32_t j = 0;
        while (ahead.Next(&j)) {
            const IndexEntry f = EntryAt(Entries(), j);
            const uint64_t fEnd = LineEnd(j);
            if (f.Block() != e.Block() || f.Offset() < start || f.Offset() > end + kMergeGap ||
                fEnd - start > kLargestWindow) {
                break;
            }
            end = std::max(end, fEnd);
        }
        return end;
    }

    void Deliver(uint64_t at, uint32_t length, bool ended) {
        if (!headersDelivered_) {
            headersDelivered_ = true;
            DeliverHeaders();
            if (stop_ != 0)
                return;
        }
        char* line = window_.Data() + (at - window_.Start());
        if (lineCallback_ != nullptr) {
            plain_.resize(length);
            storefs::InvertBytes(plain_.data(), line, length);
            lineCallback_(context_, plain_.data(), length, &stop_);
            return;
        }
        if (!ended)
            line[length] = kStoredNewline;  // the file's last line, given the "\n" it lacks
        if (runLines_ > 0 && at == runEnd_) {
            runEnd_ = at + length + 1;
            ++runLines_;
            return;
        }
        FlushRun();
        runStart_ = at;
        runEnd_ = at + length + 1;
        runLines_ = 1;
    }

    // The first two lines of the open block, delivered before the first record line.
    void DeliverHeaders() {
        std::string first;
        std::string second;
        BlockWindow head;
        head.Attach(blockFd_);
        uint64_t at = 0;
        uint32_t length = 0;
        bool ended = false;
        if (head.Load(0, kLineGuess) && head.LineAt(0, 0, &at, &length, &ended)) {
            first.assign(head.Data() + (at - head.Start()), length);
            const uint64_t next = at + length;
            if (head.LineAt(next, next, &at, &length, &ended))
                second.assign(head.Data() + (at - head.Start()), length);
        }
        if (lineCallback_ != nullptr) {
            storefs::InvertBytes(&first[0], first.data(), first.size());
            storefs::InvertBytes(&second[0], second.data(), second.size());
            lineCallback_(context_, first.data(), static_cast<uint32_t>(first.size()), &stop_);
            if (stop_ == 0) {
                lineCallback_(context_, second.data(), static_cast<uint32_t>(second.size()),
                              &stop_);
            }
            return;
        }
        std::string both = first + kStoredNewline + second + kStoredNewline;
        runCallback_(context_, both.data(), static_cast<uint32_t>(both.size()), 2, &stop_);
    }

    void FlushRun() {
        if (runLines_ == 0) {
            return;
        }
        const char* run = window_.Data() + (runStart_ - window_.Start());
        const uint32_t lines = runLines_;
        runLines_ = 0;
        runCallback_(context_, run, static_cast<uint32_t>(runEnd_ - runStart_), lines, &stop_);
    }

    const LogGroup& group_;
    std::string root_;
    uint64_t start_;  // next wanted time (file time)
    uint64_t end_;
    uint32_t interval_;
    void* context_;
    StoreLineCallback lineCallback_;
    StoreRunCallback runCallback_;
    int stop_ = 0;
    bool headersDelivered_ = false;
    bool hit_ = false;

    std::string folderPath_;  // the folder holding the current folder's files, and its descriptor
    int folderFd_ = -1;
    std::string base_;  // the current folder's name in it ("17" for 17.idx)
    std::vector<char> index_;
    uint32_t count_ = 0;
    uint32_t everyFrom_ = 0;  // entries [everyFrom_, everyTo_) are all wanted, when not empty
    uint32_t everyTo_ = 0;

    int blockFd_ = -1;
    int block_ = -1;
    BlockWindow window_;
    std::vector<char> plain_;  // a line inverted for the line callback

    uint64_t runStart_ = 0;  // the stored lines not yet handed on, as file offsets
    uint64_t runEnd_ = 0;
    uint32_t runLines_ = 0;
};

bool RunQuery(int kind, const char* groupName, const CalendarTime* start, const CalendarTime* end,
              uint32_t interval, void* context, StoreLineCallback lineCallback,
              StoreRunCallback runCallback) {
    LogStore* store = SlotStore(kind);
    if (store == nullptr || groupName == nullptr || start == nullptr || end == nullptr ||
        (lineCallback == nullptr && runCallback == nullptr)) {
        return false;
    }
    const LogGroup* group = store->FindGroup(groupName);
    uint64_t startTime = 0;
    uint64_t endTime = 0;
    if (group == nullptr || !CalendarToFileTime(*start, &startTime) ||
        !CalendarToFileTime(*end, &endTime) || group->id == 0) {
        return false;
    }
    const TimeKey startKey = KeyFromTime(*start, group->depth);
    const TimeKey endKey = KeyFromTime(*end, group->depth);
    if (CompareKeys(startKey, endKey, group->depth) > 0) {
        return false;
    }
    QueryRun run(*group, store->DataFolder(), startTime, endTime, interval, context, lineCallback,
                 runCallback);
    FolderWalker walker(store->DataFolder(), group->id, group->depth);
    walker.Walk(startKey, endKey, &run, &QueryRun::VisitFolder);
    return run.Hit();
}

}  // namespace

bool StoreQuery(int kind, const char* groupName, const CalendarTime* start, const CalendarTime* end,
                uint32_t interval, void* context, StoreLineCallback callback) {
    return callback != nullptr &&
           RunQuery(kind, groupName, start, end, interval, context, callback, nullptr);
}

bool StoreQueryRuns(int kind, const char* groupName, const CalendarTime* start,
                    const CalendarTime* end, uint32_t interval, void* context,
                    StoreRunCallback callback) {
    return callback != nullptr &&
           RunQuery(kind, groupName, start, end, interval, context, nullptr, callback);
}
