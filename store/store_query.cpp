// The time query: walks a group's folders between two times and delivers the records on the
// interval grid, header lines first.
//
// Which records a folder delivers follows from its index alone (query_folder.h reads them).
// Lines stay in their stored form until delivered; StoreQueryRuns hands them on as they are, in
// runs of adjacent lines. Folders where the grid wants few lines are read in pairs: a helper
// thread reads one while this thread reads the next, and the two are delivered in order.
#include <atomic>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "file_system.h"
#include "folder_list.h"
#include "log_store.h"
#include "query_folder.h"
#include "store_api.h"
#include "store_query.h"
#include "store_slots.h"
#include "time_key.h"

namespace {

using query::FolderIndex;
using query::FolderReader;
using query::Selection;

std::atomic<bool> g_helperThread{true};

// A folder read ahead of its delivery, for the grid's sparse selections: its stored lines,
// each ended by the stored "\n" (a line never holds one).
struct FolderJob {
    FolderIndex index;
    std::vector<uint32_t> selected;
    std::string lines;
    uint32_t count = 0;   // lines read
    int firstBlock = -1;  // block of the first line read
};

// Folders with at most this many selected lines are read ahead: their lines are small beside
// their blocks, so holding them costs little.
constexpr size_t kLinesReadAhead = 512;

void ReadJob(FolderReader* reader, FolderJob* job) {
    job->lines.clear();
    job->count = 0;
    job->firstBlock = -1;
    reader->Begin(&job->index, 0, 0);
    const uint32_t* selected = job->selected.data();
    const size_t n = job->selected.size();
    for (size_t k = 0; k < n; ++k) {
        const query::ListedAhead ahead{selected + k + 1, selected + n};
        uint64_t at = 0;
        uint32_t length = 0;
        bool ended = false;
        if (reader->Take(
                selected[k], ahead, UINT64_MAX, [] {}, &at, &length, &ended)) {
            if (job->count++ == 0)
                job->firstBlock = reader->Block();
            BlockWindow& window = reader->Window();
            job->lines.append(window.Data() + (at - window.Start()), length);
            job->lines += kStoredNewline;
        }
    }
    reader->End();
}

// Reads jobs on a thread of its own, one at a time.
class Helper {
  public:
    ~Helper() {
        if (thread_.joinable()) {
            {
                std::lock_guard<std::mutex> lock(mutex_);
                quit_ = true;
            }
            changed_.notify_all();
            thread_.join();
        }
    }

    // Hands a job over; false when no thread could be started (the caller reads it).
    bool Start(FolderJob* job) {
        if (!thread_.joinable()) {
            try {
                thread_ = std::thread([this] { Loop(); });
            } catch (...) {
                return false;
            }
        }
        {
            std::lock_guard<std::mutex> lock(mutex_);
            job_ = job;
            done_ = false;
        }
        changed_.notify_all();
        return true;
    }

    void Wait() {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [this] { return done_; });
    }

  private:
    void Loop() {
        for (;;) {
            FolderJob* job = nullptr;
            {
                std::unique_lock<std::mutex> lock(mutex_);
                changed_.wait(lock, [this] { return quit_ || job_ != nullptr; });
                if (quit_)
                    return;
                job = job_;
            }
            ReadJob(&reader_, job);
            {
                std::lock_guard<std::mutex> lock(mutex_);
                job_ = nullptr;
                done_ = true;
            }
            changed_.notify_all();
        }
    }

    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable changed_;
    FolderJob* job_ = nullptr;
    bool done_ = false;
    bool quit_ = false;
    FolderReader reader_;  // used on the helper thread only
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
          runCallback_(runCallback),
          readAhead_(interval != 0 && g_helperThread.load() &&
                     std::thread::hardware_concurrency() > 1) {}

    QueryRun(const QueryRun&) = delete;
    QueryRun& operator=(const QueryRun&) = delete;

    static bool VisitFolder(void* self, const TimeKey& key) {
        return static_cast<QueryRun*>(self)->Folder(key);
    }

    // Delivers the folder still read ahead.
    void Finish() { DeliverPending(); }

    bool Hit() const { return hit_; }

  private:
    bool Folder(const TimeKey& key) {
        if (key.count != group_.depth) {
            return true;
        }
        std::string stem;
        FolderJob& job = jobs_[pending_ == &jobs_[0] ? 1 : 0];
        if (!MakeStem(group_.id, key, kNestedSeparator, &stem) ||
            !reader_.ReadIndex(root_, stem, &job.index)) {
            return stop_ == 0;  // a folder without a readable index yields nothing
        }
        Select(key, &job);
        return stop_ == 0;
    }

    // Selects the records of the folder and delivers them, or reads them ahead; moves start_ on
    // by the grid's advance.
    void Select(const TimeKey& key, FolderJob* job) {
        const FolderIndex& index = job->index;
        const unsigned char* entries = index.Entries();
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
        const uint32_t last = EntryAt(entries, index.count - 1).Seconds();
        if (last < to) {
            to = last;
        }
        const int64_t first =
            FindFirstEntry(entries, index.count, from > UINT32_MAX ? UINT32_MAX : uint32_t(from),
                           static_cast<uint32_t>(to));
        if (first == kNoEntry) {
            return;
        }
        hit_ = true;
        const bool ordered = query::InTimeOrder(entries, index.count);
        const Selection selection{entries,   index.count, static_cast<uint32_t>(first), from, to,
                                  interval_, ordered};
        if (readAhead_ && ReadAhead(selection, job)) {
            return;
        }
        DeliverPending();
        if (stop_ != 0) {
            return;
        }
        // With every record wanted and the entries in order, the selection ends before the
        // first entry past to, so reads can be planned without walking the selection.
        uint32_t everyTo = index.count;
        const uint32_t everyFrom =
            interval_ == 0 && ordered ? static_cast<uint32_t>(first) : index.count;
        if (everyFrom < index.count) {
            Selection every = selection;
            every.inTimeOrder = true;
            every.from = to + 1;
            everyTo = every.FirstFrom(everyFrom);
        }
        Stream(selection, &index, everyFrom, everyTo);
    }

    // Lists the selection when it is sparse and reads it ahead: on the helper thread when that
    // is free, else here, delivering the helper's folder first. False when the selection is
    // too dense to hold.
    bool ReadAhead(Selection selection, FolderJob* job) {
        job->selected.clear();
        uint32_t i = 0;
        while (selection.Next(&i)) {
            if (job->selected.size() == kLinesReadAhead) {
                return false;
            }
            job->selected.push_back(i);
        }
        start_ += selection.advance * kFileTimeUnitsPerSecond;
        if (pending_ == nullptr && helper_.Start(job)) {
            pending_ = job;
            return true;
        }
        ReadJob(&reader_, job);
        DeliverPending();
        if (stop_ == 0)
            Deliver(*job);
        return true;
    }

    void DeliverPending() {
        if (pending_ == nullptr) {
            return;
        }
        helper_.Wait();
        FolderJob* job = pending_;
        pending_ = nullptr;
        if (stop_ == 0)
            Deliver(*job);
    }

    // Hands on the lines of a folder read ahead.
    void Deliver(const FolderJob& job) {
        if (job.count == 0) {
            return;
        }
        if (!headersDelivered_) {
            reader_.Begin(&job.index, 0, 0);
            DeliverHeaders(static_cast<uint32_t>(job.firstBlock));
            reader_.End();
            if (stop_ != 0)
                return;
        }
        if (runCallback_ != nullptr) {
            runCallback_(context_, job.lines.data(), static_cast<uint32_t>(job.lines.size()),
                         job.count, &stop_);
            return;
        }
        const char* p = job.lines.data();
        const char* end = p + job.lines.size();
        while (p < end && stop_ == 0) {
            const char* nl = static_cast<const char*>(std::memchr(p, kStoredNewline, end - p));
            DeliverLine(p, static_cast<uint32_t>(nl - p));
            p = nl + 1;
        }
    }

    // Reads and delivers the selection of the folder as it goes.
    void Stream(Selection selection, const FolderIndex* index, uint32_t everyFrom,
                uint32_t everyTo) {
        reader_.Begin(index, everyFrom, everyTo);
        uint32_t i = 0;
        while (stop_ == 0 && selection.Next(&i)) {
            uint64_t at = 0;
            uint32_t length = 0;
            bool ended = false;
            const uint64_t keepFrom = runLines_ > 0 ? runStart_ : UINT64_MAX;
            if (reader_.Take(
                    i, selection, keepFrom, [this] { FlushRun(); }, &at, &length, &ended)) {
                Stored(at, length, ended);
            }
        }
        FlushRun();
        reader_.End();
        start_ += selection.advance * kFileTimeUnitsPerSecond;
    }

    // One line found in the reader's window.
    void Stored(uint64_t at, uint32_t length, bool ended) {
        if (stop_ != 0) {
            return;  // a run handed on while the window moved asked to stop
        }
        if (!headersDelivered_) {
            DeliverHeaders(static_cast<uint32_t>(reader_.Block()));
            if (stop_ != 0)
                return;
        }
        BlockWindow& window = reader_.Window();
        char* line = window.Data() + (at - window.Start());
        if (lineCallback_ != nullptr) {
            DeliverLine(line, length);
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
        if (stop_ != 0)
            return;
        runStart_ = at;
        runEnd_ = at + length + 1;
        runLines_ = 1;
    }

    // A stored line to the line callback.
    void DeliverLine(const char* stored, uint32_t length) {
        plain_.resize(length);
        storefs::InvertBytes(plain_.data(), stored, length);
        lineCallback_(context_, plain_.data(), length, &stop_);
    }

    // The first two lines of block n of the reader's folder, before the first record line.
    void DeliverHeaders(uint32_t n) {
        headersDelivered_ = true;
        std::string first;
        std::string second;
        reader_.HeaderLines(n, &first, &second);
        if (lineCallback_ != nullptr) {
            DeliverLine(first.data(), static_cast<uint32_t>(first.size()));
            if (stop_ == 0)
                DeliverLine(second.data(), static_cast<uint32_t>(second.size()));
            return;
        }
        std::string both = first + kStoredNewline + second + kStoredNewline;
        runCallback_(context_, both.data(), static_cast<uint32_t>(both.size()), 2, &stop_);
    }

    void FlushRun() {
        if (runLines_ == 0) {
            return;
        }
        const uint32_t lines = runLines_;
        runLines_ = 0;
        if (stop_ != 0) {
            return;
        }
        BlockWindow& window = reader_.Window();
        const char* run = window.Data() + (runStart_ - window.Start());
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

    FolderReader reader_;
    std::vector<char> plain_;  // a line inverted for the line callback
    uint64_t runStart_ = 0;    // the stored lines not yet handed on, as file offsets
    uint64_t runEnd_ = 0;
    uint32_t runLines_ = 0;

    const bool readAhead_;
    FolderJob jobs_[2];
    FolderJob* pending_ = nullptr;  // the job on the helper thread
    Helper helper_;                 // last: its thread ends before the jobs it reads are destroyed
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
    run.Finish();
    return run.Hit();
}

}  // namespace

void SetQueryHelperThread(bool enabled) {
    g_helperThread.store(enabled);
}

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
