// The time query: walks a group's folders between two times and delivers the records on the
// interval grid, header lines first.
//
// Which records a folder delivers follows from its index alone (query_folder.h reads them).
// Lines stay in their stored form until delivered; StoreQueryRuns hands them on as they are, in
// runs of adjacent lines. Where the grid wants few lines of a folder, the lines of a batch of
// such folders are read ahead by this thread and a helper thread together and then delivered
// in order; the selection itself (which carries the grid from folder to folder) stays here.
#include <atomic>
#include <condition_variable>
#include <cstring>
#include <memory>
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
using query::ReadAhead;
using query::Selection;
using query::WantedLine;

std::atomic<bool> g_helperThread{true};
std::atomic<bool> g_ioRing{true};

// Folders with at most this many wanted lines are read ahead, this many folders at a time:
// their lines are few beside their blocks, and a batch is worth waking a thread for.
constexpr size_t kWantedReadAhead = 512;
constexpr size_t kBatchFolders = 8;

// A folder whose wanted lines are read ahead.
struct FolderJob {
    std::string folderPath;
    std::string base;
    std::vector<WantedLine> wanted;
    ReadAhead read;
};

// The folders of a batch: read on this thread (through the ring where there is one), or, with
// the helper thread, on the helper while this thread lists and selects the next batch's
// folders. Two sets of jobs take turns: one filled here, one read by the helper.
class Batch {
  public:
    ~Batch() {
        if (thread_.joinable()) {
            {
                std::lock_guard<std::mutex> lock(mutex_);
                quit_ = true;
            }
            changed_.notify_all();
            thread_.join();
        }
    }

    // The jobs being filled.
    std::vector<FolderJob>& Jobs() { return jobs_[filling_]; }

    // Whether this thread's reads go through an io_uring ring (set up on first ask, when allowed
    // and the kernel offers one).
    bool Ring() {
        if (!ringAsked_) {
            ringAsked_ = true;
            ring_ = NewRing();
        }
        return ring_ != nullptr;
    }

    // Whether batches are read ahead on the helper thread (started on first use, when allowed
    // and possible).
    bool Ahead() {
        if (!g_helperThread.load())
            return false;
        if (!thread_.joinable() && !failed_) {
            try {
                thread_ = std::thread([this] {
                    storefs::HoldEndingSignals();
                    Loop();
                });
            } catch (...) {
                failed_ = true;  // no thread to be had: this one reads everything
            }
        }
        return thread_.joinable();
    }

    // Reads the first n jobs being filled, on this thread.
    void Read(size_t n, FolderReader* reader) {
        ReadJobs(jobs_[filling_], n, reader, Ring() ? ring_.get() : nullptr);
    }

    // Hands the first n jobs being filled to the helper, and the other set is filled next.
    // Whatever was handed before must have been collected.
    void Hand(size_t n) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            handed_ = filling_;
            handedSize_ = n;
            next_.store(0);
            ++round_;
        }
        filling_ ^= 1;
        changed_.notify_all();
    }

    // Whether jobs were handed to the helper and not yet collected.
    bool Handed() const { return collected_ != round_; }

    // What the helper's reads could not read. REQUIRES: nothing handed and not collected.
    const ReadProblem& HelperProblem() const { return reader_.Problem(); }

    // Reads the jobs handed to the helper that it has not taken yet, waits for those it took,
    // and gives them all, with their number (0 when nothing is handed).
    size_t Collect(std::vector<FolderJob>** jobs, FolderReader* reader) {
        if (collected_ == round_)
            return 0;
        TakeJobs(jobs_[handed_], handedSize_, reader, Ring() ? ring_.get() : nullptr);
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [&] { return helperRound_ == round_; });
        collected_ = round_;
        *jobs = &jobs_[handed_];
        return handedSize_;
    }

  private:
    static std::unique_ptr<BatchRead> NewRing() {
        if (!g_ioRing.load())
            return nullptr;
        auto ring = std::make_unique<BatchRead>(true);
        return ring->RingInUse() ? std::move(ring) : nullptr;
    }

    static void ReadJobs(std::vector<FolderJob>& jobs, size_t n, FolderReader* reader,
                         BatchRead* ring) {
        if (ring != nullptr) {
            std::vector<query::WantedFolder> folders;
            for (size_t i = 0; i < n; ++i) {
                FolderJob& job = jobs[i];
                folders.push_back({&job.folderPath, &job.base, &job.wanted, &job.read});
            }
            reader->ReadWantedTogether(folders, ring);
            return;
        }
        for (size_t i = 0; i < n; ++i) {
            FolderJob& job = jobs[i];
            reader->ReadWanted(job.folderPath, job.base, job.wanted, &job.read);
        }
    }

    // Reads jobs of a handed set, each next one not yet taken, until none is left.
    void TakeJobs(std::vector<FolderJob>& jobs, size_t n, FolderReader* reader, BatchRead* ring) {
        for (size_t i = next_.fetch_add(1); i < n; i = next_.fetch_add(1)) {
            FolderJob& job = jobs[i];
            if (ring != nullptr)
                reader->ReadWantedTogether({{&job.folderPath, &job.base, &job.wanted, &job.read}},
                                           ring);
            else
                reader->ReadWanted(job.folderPath, job.base, job.wanted, &job.read);
        }
    }

    void Loop() {
        // The helper's own ring: a ring is submitted to by the thread that set it up.
        const std::unique_ptr<BatchRead> ring = NewRing();
        uint64_t seen = 0;
        for (;;) {
            size_t set = 0;
            size_t n = 0;
            {
                std::unique_lock<std::mutex> lock(mutex_);
                changed_.wait(lock, [&] { return quit_ || round_ != seen; });
                if (quit_)
                    return;
                seen = round_;
                set = handed_;
                n = handedSize_;
            }
            TakeJobs(jobs_[set], n, &reader_, ring.get());
            {
                std::lock_guard<std::mutex> lock(mutex_);
                helperRound_ = seen;
            }
            changed_.notify_all();
        }
    }

    std::vector<FolderJob> jobs_[2] = {std::vector<FolderJob>(kBatchFolders),
                                       std::vector<FolderJob>(kBatchFolders)};
    size_t filling_ = 0;
    std::mutex mutex_;
    std::condition_variable changed_;
    size_t handed_ = 0;            // the set handed to the helper
    size_t handedSize_ = 0;        // and its jobs
    std::atomic<size_t> next_{0};  // the handed set's next job not taken
    uint64_t round_ = 0;           // sets handed so far
    uint64_t helperRound_ = 0;     // the last set the helper is done with
    uint64_t collected_ = 0;       // the last set collected
    bool quit_ = false;
    bool failed_ = false;
    bool ringAsked_ = false;
    std::unique_ptr<BatchRead> ring_;
    FolderReader reader_;  // the helper thread's
    std::thread thread_;   // last: it ends before what it uses is destroyed
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

    QueryRun(const QueryRun&) = delete;
    QueryRun& operator=(const QueryRun&) = delete;

    static bool VisitFolder(void* self, const TimeKey& key) {
        return static_cast<QueryRun*>(self)->Folder(key);
    }

    // Delivers the folders still read ahead.
    void Finish() { DeliverBatch(); }

    bool Hit() const { return hit_; }
    // Record lines left out because they end their block without a "\n".
    uint32_t Unended() const { return unended_; }

    // Adds what the reads of the query could not read to *problem. REQUIRES: Finish.
    void AddProblems(ReadProblem* problem) const {
        problem->Add(reader_.Problem());
        problem->Add(batch_.HelperProblem());
    }

  private:
    bool Folder(const TimeKey& key) {
        if (key.count != group_.depth) {
            return true;
        }
        std::string stem;
        if (!MakeStem(group_.id, key, kNestedSeparator, &stem) ||
            !reader_.ReadIndex(root_, stem, &index_)) {
            return stop_ == 0;  // a folder without a readable index yields nothing
        }
        Select(key);
        return stop_ == 0;
    }

    // Selects and delivers the records of the folder; moves start_ on by the grid's advance.
    void Select(const TimeKey& key) {
        const FolderIndex& index = index_;
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
        if (interval_ != 0 && (g_helperThread.load() || batch_.Ring()) && Batched(selection)) {
            return;
        }
        DeliverBatch();
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

    // Lists the wanted lines of a sparse selection as the next job of the batch, reading and
    // delivering the batch once it is full. False when the selection is too dense to list.
    bool Batched(Selection selection) {
        FolderJob& job = batch_.Jobs()[batched_];
        job.wanted.clear();
        uint32_t i = 0;
        while (selection.Next(&i)) {
            if (job.wanted.size() == kWantedReadAhead)
                return false;
            const uint64_t end = query::LineEnd(index_, i);
            job.wanted.push_back(
                WantedLine{EntryAt(index_.Entries(), i).word1, static_cast<uint32_t>(end)});
        }
        job.folderPath = index_.folderPath;
        job.base = index_.base;
        start_ += selection.advance * kFileTimeUnitsPerSecond;
        if (++batched_ == kBatchFolders)
            DeliverBatch(false);
        return true;
    }

    // Reads the folders of the batch and delivers their lines in order. With the helper
    // thread, the batch handed to it before is delivered and this one handed on, to be
    // delivered at the next call; with all, it is then delivered too.
    void DeliverBatch(bool all = true) {
        if (batched_ == 0 && !batch_.Handed())
            return;  // nothing to read or deliver: no helper is started for it
        std::vector<FolderJob>* jobs = nullptr;
        if (batch_.Ahead()) {
            size_t n = batch_.Collect(&jobs, &reader_);
            DeliverJobs(jobs, n);
            if (batched_ > 0 && stop_ == 0)
                batch_.Hand(batched_);
            batched_ = 0;
            if (all) {
                n = batch_.Collect(&jobs, &reader_);
                DeliverJobs(jobs, n);
            }
            return;
        }
        if (batched_ == 0) {
            return;
        }
        const size_t n = batched_;
        batched_ = 0;
        batch_.Read(n, &reader_);
        DeliverJobs(&batch_.Jobs(), n);
    }

    void DeliverJobs(const std::vector<FolderJob>* batch, size_t n) {
        if (n == 0)
            return;
        const std::vector<FolderJob>& jobs = *batch;
        for (size_t k = 0; k < n && stop_ == 0; ++k) {
            const FolderJob& job = jobs[k];
            const ReadAhead& read = job.read;
            unended_ += read.unended;
            if (read.count == 0)
                continue;
            if (!headersDelivered_) {
                DeliverHeaders(job.folderPath, job.base, static_cast<uint32_t>(read.firstBlock));
                if (stop_ != 0)
                    return;
            }
            if (runCallback_ != nullptr) {
                runCallback_(context_, read.lines.data(), static_cast<uint32_t>(read.lines.size()),
                             read.count, &stop_);
                continue;
            }
            const char* p = read.lines.data();
            const char* end = p + read.lines.size();
            while (p < end && stop_ == 0) {
                const char* nl = static_cast<const char*>(std::memchr(p, kStoredNewline, end - p));
                DeliverLine(p, static_cast<uint32_t>(nl - p));
                p = nl + 1;
            }
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
                if (runLines_ > 0 && i + 1 >= everyFrom && i + 1 < everyTo)
                    selection.next = ExtendRun(*index, i + 1, everyTo);
            }
        }
        FlushRun();
        reader_.End();
        start_ += selection.advance * kFileTimeUnitsPerSecond;
    }

    // Adds to the run the lines of entries from `from` on (all wanted) that follow it in the
    // window, each exactly "line\n" up to the next entry's offset, as the line-by-line search
    // would find them; returns the first entry not taken. The common case of a query of every
    // record, checked per line with one memchr instead of a full search.
    uint32_t ExtendRun(const FolderIndex& index, uint32_t from, uint32_t everyTo) {
        BlockWindow& window = reader_.Window();
        const char* data = window.Data();
        const uint64_t start = window.Start();
        const uint64_t end = start + window.Length();
        const uint32_t block = static_cast<uint32_t>(reader_.Block());
        uint32_t m = from;
        while (m < everyTo && m + 1 < index.count) {
            const IndexEntry e = EntryAt(index.Entries(), m);
            const IndexEntry next = EntryAt(index.Entries(), m + 1);
            if (e.Block() != block || next.Block() != block || e.Offset() != runEnd_ ||
                next.Offset() <= e.Offset() + 1 || next.Offset() > end) {
                break;
            }
            const char* line = data + (e.Offset() - start);
            const size_t span = next.Offset() - e.Offset();
            if (std::memchr(line, kStoredNewline, span) != line + span - 1) {
                break;
            }
            runEnd_ = next.Offset();
            ++runLines_;
            ++m;
        }
        return m;
    }

    // One line found in the reader's window.
    void Stored(uint64_t at, uint32_t length, bool ended) {
        if (stop_ != 0) {
            return;  // a run handed on while the window moved asked to stop
        }
        if (!ended) {
            // The block ends inside the line: cut short by a copy, or being written now.
            ++unended_;
            return;
        }
        if (!headersDelivered_) {
            DeliverHeaders(index_.folderPath, index_.base, static_cast<uint32_t>(reader_.Block()));
            if (stop_ != 0)
                return;
        }
        BlockWindow& window = reader_.Window();
        char* line = window.Data() + (at - window.Start());
        if (lineCallback_ != nullptr) {
            DeliverLine(line, length);
            return;
        }
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
        plain_.resize(size_t{length} + 1);  // never a null text, even for an empty header line
        storefs::InvertBytes(plain_.data(), stored, length);
        lineCallback_(context_, plain_.data(), length, &stop_);
    }

    // The first two lines of block n of a folder, before the first record line.
    void DeliverHeaders(const std::string& folderPath, const std::string& base, uint32_t n) {
        headersDelivered_ = true;
        std::string first;
        std::string second;
        reader_.HeaderLines(folderPath, base, n, &first, &second);
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
    uint32_t unended_ = 0;

    FolderReader reader_;
    FolderIndex index_;
    std::vector<char> plain_;  // a line inverted for the line callback
    uint64_t runStart_ = 0;    // the stored lines not yet handed on, as file offsets
    uint64_t runEnd_ = 0;
    uint32_t runLines_ = 0;

    size_t batched_ = 0;  // jobs of the batch listed so far
    Batch batch_;         // last: its thread ends before the rest goes
};

// The query of one group whose folders lie in dataFolder; nothing of the slots is used.
bool RunGroupQuery(const LogGroup& group, const std::string& dataFolder, const CalendarTime* start,
                   const CalendarTime* end, uint32_t interval, void* context,
                   StoreLineCallback lineCallback, StoreRunCallback runCallback,
                   ReadProblem* problem, StoreLeftOut* leftOut) {
    uint64_t startTime = 0;
    uint64_t endTime = 0;
    if (start == nullptr || end == nullptr || !CalendarToFileTime(*start, &startTime) ||
        !CalendarToFileTime(*end, &endTime) || group.id == 0) {
        return false;
    }
    const TimeKey startKey = KeyFromTime(*start, group.depth);
    const TimeKey endKey = KeyFromTime(*end, group.depth);
    if (CompareKeys(startKey, endKey, group.depth) > 0) {
        return false;
    }
    QueryRun run(group, dataFolder, startTime, endTime, interval, context, lineCallback,
                 runCallback);
    ReadProblem walked;
    FolderWalker walker(dataFolder, group.id, group.depth, &walked);
    walker.Walk(startKey, endKey, &run, &QueryRun::VisitFolder);
    run.Finish();
    if (problem != nullptr) {
        problem->Add(walked);
        run.AddProblems(problem);
    }
    if (leftOut != nullptr)
        leftOut->unendedLines = run.Unended();
    return run.Hit();
}

bool RunQuery(int kind, const char* groupName, const CalendarTime* start, const CalendarTime* end,
              uint32_t interval, void* context, StoreLineCallback lineCallback,
              StoreRunCallback runCallback, ReadProblem* problem, StoreLeftOut* leftOut) {
    if (leftOut != nullptr)
        *leftOut = StoreLeftOut();
    LogStore* store = SlotStore(kind);
    if (store == nullptr || groupName == nullptr ||
        (lineCallback == nullptr && runCallback == nullptr)) {
        return false;
    }
    const LogGroup* group = store->FindGroup(groupName);
    return group != nullptr && RunGroupQuery(*group, store->DataFolder(), start, end, interval,
                                             context, lineCallback, runCallback, problem, leftOut);
}

}  // namespace

void SetQueryHelperThread(bool enabled) {
    g_helperThread.store(enabled);
}

void SetQueryIoRing(bool enabled) {
    g_ioRing.store(enabled);
}

bool StoreQuery(int kind, const char* groupName, const CalendarTime* start, const CalendarTime* end,
                uint32_t interval, void* context, StoreLineCallback callback, ReadProblem* problem,
                StoreLeftOut* leftOut) {
    return callback != nullptr && RunQuery(kind, groupName, start, end, interval, context, callback,
                                           nullptr, problem, leftOut);
}

bool StoreQueryRuns(int kind, const char* groupName, const CalendarTime* start,
                    const CalendarTime* end, uint32_t interval, void* context,
                    StoreRunCallback callback, ReadProblem* problem, StoreLeftOut* leftOut) {
    return callback != nullptr && RunQuery(kind, groupName, start, end, interval, context, nullptr,
                                           callback, problem, leftOut);
}

bool QueryGroupLines(const std::string& dataFolder, const LogGroup& group,
                     const CalendarTime* start, const CalendarTime* end, uint32_t interval,
                     void* context, StoreLineCallback callback, ReadProblem* problem) {
    return callback != nullptr && !dataFolder.empty() &&
           RunGroupQuery(group, dataFolder, start, end, interval, context, callback, nullptr,
                         problem, nullptr);
}
