#include "summary_group.h"

#include <algorithm>
#include <cstdio>
#include <set>
#include <thread>

#include "file_system.h"
#include "folder_list.h"
#include "summary_file.h"
#include "text_buffer.h"

namespace {

std::string WithSeparator(std::string folder) {
    if (!folder.empty() && folder.back() != '\\' && folder.back() != '/')
        folder += '\\';
    return folder;
}

// The captions after "Time" of a header line (plain text).
std::vector<std::string> Captions(const std::string& line) {
    std::vector<std::string> names;
    size_t at = line.find(',');
    while (at != std::string::npos) {
        const size_t next = line.find(',', at + 1);
        names.push_back(
            line.substr(at + 1, next == std::string::npos ? std::string::npos : next - at - 1));
        at = next;
    }
    if (!names.empty() && !names.back().empty() && names.back().back() == '\r')
        names.back().pop_back();
    return names;
}

// Where a folder's files are: the folder holding them (ending in "\") and its name there.
void SplitStem(const std::string& dataFolder, const std::string& stem, std::string* folderPath,
               std::string* base) {
    const size_t cut = stem.rfind('\\') + 1;
    *folderPath = dataFolder + stem.substr(0, cut);
    *base = stem.substr(cut);
}

}  // namespace

SummaryGroup::~SummaryGroup() {
    storefs::CloseFile(summaryFolderFd_.load());
}

bool SummaryGroup::Open(const std::string& dataFolder, const std::string& stagingRoot,
                        const std::string& groupName, std::string* error) {
    std::vector<LogGroup> groups;
    ReadProblem problem;
    if (!ReadGroupsOf(WithSeparator(dataFolder), &groups, &problem)) {
        *error = "cannot read the root index: " + ReadProblemText(problem);
        return false;
    }
    for (const LogGroup& g : groups) {
        if (storefs::EqualsIgnoreAsciiCase(g.name.c_str(), groupName.c_str()))
            return Open(dataFolder, stagingRoot, g, error);
    }
    *error = "no group \"" + groupName + "\" in the root index";
    return false;
}

bool SummaryGroup::Open(const std::string& dataFolder, const std::string& stagingRoot,
                        const LogGroup& group, std::string* error) {
    dataFolder_ = WithSeparator(dataFolder);
    group_ = group;
    widths_ = LevelWidths(group.interval, group.depth);
    char id[16];
    std::snprintf(id, sizeof id, "%X", group.id);
    std::string root = stagingRoot;
    if (!root.empty() && root.back() != '/')
        root += '/';
    summaryFolder_ = root + "summaries/" + id + "/";
    storefs::CloseFile(summaryFolderFd_.exchange(-1));
    std::vector<Folder> folders;
    if (!ListFolders(&folders) || folders.empty()) {
        *error = "group \"" + group.name + "\" has no folders";
        return false;
    }
    from_ = folders.front().start;
    to_ = folders.back().start + folders.back().period;
    channels_.clear();
    query::FolderReader reader;
    for (size_t i = 0; i < folders.size() && i < 16 && channels_.empty(); ++i) {
        std::string folderPath;
        std::string base;
        std::string first;
        std::string second;
        SplitStem(dataFolder_, folders[i].stem, &folderPath, &base);
        reader.HeaderLines(folderPath, base, 0, &first, &second);
        storefs::InvertBytes(&second[0], second.data(), second.size());
        channels_ = Captions(second);
    }
    if (channels_.empty()) {
        *error = "group \"" + group.name + "\" has no captions to read";
        return false;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    folders_ = std::move(folders);
    listedByOpen_ = true;
    return true;
}

std::string SummaryGroup::SummaryPath(const std::string& flatStem) const {
    return summaryFolder_ + flatStem + ".sum";
}

bool SummaryGroup::ListFolders(std::vector<Folder>* folders) const {
    TimeKey first;
    TimeKey last;
    first.count = last.count = static_cast<uint16_t>(group_.depth);
    for (uint16_t& v : last.value)
        v = 0xFFFF;
    TextBuffer text;
    FolderWalker(dataFolder_, group_.id, group_.depth).List(first, last, &text);
    uint32_t position = 0;
    const char* line = nullptr;
    uint32_t length = 0;
    while (text.NextLine(&position, &line, &length)) {
        position += length;
        Folder f;
        ParsedStem parsed;
        f.flat.assign(line, length);
        if (!ParseStem(f.flat, kFlatSeparator, true, false, &parsed) ||
            !MakeStem(group_.id, parsed.key, kNestedSeparator, &f.stem))
            continue;
        f.key = parsed.key;
        f.period = FolderPeriodSeconds(f.key);
        if (f.period == 0 || !SummarySecondsOf(KeyToTime(f.key), &f.start))
            continue;
        folders->push_back(std::move(f));
    }
    return true;
}

bool SummaryGroup::Fits(const FolderSummary& s, const Folder& f) const {
    const auto& levels = s.levels;
    bool widths = !s.orderly || levels.size() == widths_.size();
    for (size_t l = 0; widths && l < levels.size(); ++l)
        widths = levels[l].width == widths_[l];
    return widths && s.groupId == group_.id && s.interval == group_.interval &&
           CompareKeys(s.key, f.key, group_.depth) == 0 && s.key.count == f.key.count &&
           s.start == f.start && s.period == f.period && s.channels == channels_.size();
}

std::string SummaryGroup::OverviewPath() const {
    return summaryFolder_ + "folders.overview";
}

std::shared_ptr<const FolderSummary> SummaryGroup::Summary(const Folder& f, bool checkedOnDisk,
                                                           bool* fresh, SourceStats* stats) const {
    {
        std::lock_guard<std::mutex> lock(fineMutex_);
        if (damaged_.erase(f.flat) > 0)
            checkedOnDisk = true;
    }
    if (!checkedOnDisk) {
        // The summary in hand, or the overview's, while the folder's files are as it says.
        std::shared_ptr<const FolderSummary> held = f.summary;
        if (held == nullptr) {
            const auto at = overview_.find(f.flat);
            if (at != overview_.end()) {
                std::shared_ptr<const FolderSummary> entry = DecodeOverviewEntry(at->second);
                if (entry != nullptr && Fits(*entry, f))
                    held = std::move(entry);
            }
        }
        if (held != nullptr && SourceUnchanged(dataFolder_, f.stem, held->source, stats))
            return held;
    }
    *fresh = true;
    const FolderSource source = SourceOf(dataFolder_, f.stem);
    auto s = std::make_shared<FolderSummary>();
    if (!checkedOnDisk && ReadSummaryFile(SummaryPath(f.flat), s.get(), nullptr, false) &&
        Fits(*s, f) && s->source == source)
        return s;
    *s = FolderSummary();
    s->groupId = group_.id;
    s->interval = group_.interval;
    s->key = f.key;
    s->start = f.start;
    s->period = f.period;
    s->channels = static_cast<uint32_t>(channels_.size());
    s->source = source;
    FolderRecords records;
    const bool hasIndex = records.Open(dataFolder_, f.stem, f.start, static_cast<int>(s->channels));
    BuildFolderSummary(&records, hasIndex, widths_, s.get());
    if (!WriteSummaryFile(SummaryPath(f.flat), *s))
        return nullptr;
    // The finest level is read back from the file when it is drawn from, as for a kept summary.
    if (s->levels.size() > 1) {
        s->levels[0].buckets = std::vector<SummaryBucket>();
        s->levels[0].cells = std::vector<SummaryCell>();
    }
    return s;
}

bool SummaryGroup::Summarise(const std::function<void(size_t, size_t)>& progress,
                             const std::atomic<bool>* cancel) {
    // The first time, the overview stands in for the files of the folders it holds; it is read
    // while the folders are listed.
    bool first = false;
    std::vector<Folder> folders;
    bool listed = false;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        first = std::none_of(folders_.begin(), folders_.end(),
                             [](const Folder& f) { return f.summary != nullptr; });
        // Right after Open, the list it made moments ago.
        if (listedByOpen_) {
            folders = folders_;
            listed = true;
            listedByOpen_ = false;
        }
    }
    const auto readOverview = [this] {
        if (!ReadOverviewBytes(OverviewPath(), &overviewBytes_) ||
            !SplitOverview(overviewBytes_.data(), overviewBytes_.size(), &overview_))
            overview_.clear();
    };
    std::thread overviewReader;
    if (first && listed)
        readOverview();
    else if (first)
        overviewReader = std::thread(readOverview);
    if (!listed)
        ListFolders(&folders);
    if (overviewReader.joinable())
        overviewReader.join();
    {
        std::lock_guard<std::mutex> lock(mutex_);
        // Summaries in hand stay in hand for the folders that are still there.
        size_t j = 0;
        for (Folder& f : folders) {
            while (j < folders_.size() && folders_[j].flat < f.flat)
                ++j;
            if (j < folders_.size() && folders_[j].flat == f.flat)
                f.summary = folders_[j].summary;
        }
        folders_ = folders;
    }
    if (!storefs::MakeFolders(summaryFolder_))
        return false;
    if (summaryFolderFd_.load() < 0) {
        int none = -1;
        const int fd = storefs::OpenDirectory(summaryFolder_);
        if (!summaryFolderFd_.compare_exchange_strong(none, fd))
            storefs::CloseFile(fd);
    }
    // Files of folders that are gone.
    std::set<std::string> flats;
    for (const Folder& f : folders)
        flats.insert(f.flat);
    std::vector<std::string> names;
    storefs::ListFolder(summaryFolder_, &names);
    std::atomic<bool> changed{false};
    for (const std::string& name : names) {
        if (name.size() < 5 || name.compare(name.size() - 4, 4, ".sum") != 0)
            continue;
        if (flats.count(name.substr(0, name.size() - 4)) == 0) {
            storefs::RemoveFile(summaryFolder_ + name, storefs::Names::kExact);
            changed = true;
        }
    }
    const size_t total = folders.size();
    std::atomic<size_t> next{0};
    std::atomic<size_t> done{0};
    std::atomic<bool> failed{false};
    const auto work = [&](bool reports) {
        SourceStats stats;
        for (;;) {
            if (cancel != nullptr && cancel->load(std::memory_order_relaxed))
                return;
            const size_t i = next.fetch_add(1);
            if (i >= total)
                return;
            const Folder& f = folders[i];
            bool fresh = false;
            std::shared_ptr<const FolderSummary> s = Summary(f, false, &fresh, &stats);
            if (fresh)
                changed = true;
            if (s == nullptr) {
                failed = true;
            } else if (s != f.summary) {
                std::lock_guard<std::mutex> lock(mutex_);
                if (i < folders_.size() && folders_[i].flat == f.flat)
                    folders_[i].summary = s;
            }
            const size_t now = ++done;
            if (reports && progress)
                progress(now, total);
        }
    };
    const unsigned cores = std::max(1u, std::min(4u, std::thread::hardware_concurrency()));
    std::vector<std::thread> helpers;
    for (unsigned k = 1; k < cores; ++k)
        helpers.emplace_back(work, false);
    work(true);
    for (std::thread& t : helpers)
        t.join();
    if (progress)
        progress(done.load(), total);
    const size_t overviewed = overview_.size();
    overview_.clear();
    std::vector<char>().swap(overviewBytes_);
    if (failed || (cancel != nullptr && cancel->load()))
        return false;
    // The overview anew when anything differs from the one read.
    SummaryOverview now;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (const Folder& f : folders_) {
            if (f.summary != nullptr)
                now[f.flat] = f.summary;
        }
    }
    if (changed || now.size() != overviewed)
        WriteOverviewFile(OverviewPath(), now);
    return true;
}

size_t SummaryGroup::FolderCount() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return folders_.size();
}

size_t SummaryGroup::SummarisedCount() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return static_cast<size_t>(std::count_if(folders_.begin(), folders_.end(),
                                             [](const Folder& f) { return f.summary != nullptr; }));
}

bool SummaryGroup::Ranges(SummarySeconds from, SummarySeconds to,
                          std::vector<SummaryRun>* out) const {
    out->assign(channels_.size(), SummaryRun());
    std::lock_guard<std::mutex> lock(mutex_);
    for (const Folder& f : folders_) {
        if (f.start + f.period <= from || f.start >= to)
            continue;
        const FolderSummary* s = f.summary.get();
        if (f.start < from || f.start + f.period > to || s == nullptr || !s->orderly ||
            s->levels.empty() || s->levels.back().buckets.empty() || s->channels != out->size()) {
            out->clear();
            return false;
        }
        const SummaryLevel& level = s->levels.back();
        for (size_t b = 0; b < level.buckets.size(); ++b) {
            const SummaryCell* cells = level.Cells(b, s->channels);
            for (size_t c = 0; c < out->size(); ++c) {
                SummaryRun& r = (*out)[c];
                if (cells[c].count == 0)
                    continue;
                r.min = r.count == 0 ? cells[c].min : std::min(r.min, cells[c].min);
                r.max = r.count == 0 ? cells[c].max : std::max(r.max, cells[c].max);
                r.count = static_cast<uint32_t>(
                    std::min<uint64_t>(uint64_t{r.count} + cells[c].count, UINT32_MAX));
            }
        }
    }
    return true;
}

void SummaryGroup::SetFineLevelCache(size_t folders) {
    std::lock_guard<std::mutex> lock(fineMutex_);
    fineMost_ = std::max<size_t>(1, folders);
    while (fine_.size() > fineMost_) {
        fineAt_.erase(fine_.back().summary.get());
        fine_.pop_back();
    }
}

bool SummaryGroup::FineLevel(const Folder& f, SummaryLevel* out) const {
    std::shared_ptr<const FineLevelBytes> bytes;
    {
        std::lock_guard<std::mutex> lock(fineMutex_);
        const auto at = fineAt_.find(f.summary.get());
        if (at != fineAt_.end()) {
            fine_.splice(fine_.begin(), fine_, at->second);
            bytes = fine_.front().level;
        }
    }
    if (bytes == nullptr) {
        // Read outside the lock, so that the two halves of a span read their files at once: the
        // whole file in one read, named within the summaries' folder and without a file lock (a
        // summary is replaced whole, never written in place); by its path where that folder
        // could not be opened.
        const int folderFd = summaryFolderFd_.load();
        const int fd =
            folderFd >= 0
                ? storefs::OpenForReadingIn(folderFd, summaryFolder_, f.flat + ".sum")
                : storefs::OpenExclusive(SummaryPath(f.flat), storefs::OpenMode::kExistingRead,
                                         nullptr, storefs::Names::kExact);
        thread_local std::vector<char> file;
        auto level = std::make_shared<FineLevelBytes>();
        if (fd >= 0 && storefs::ReadToEnd(fd, &file, 0) &&
            FineLevelFromFile(file.data(), file.size(), *f.summary, 0, level.get()))
            bytes = std::move(level);
        storefs::CloseFile(fd);
    }
    if (bytes != nullptr && DecodeFineLevel(*bytes, *f.summary, out)) {
        std::lock_guard<std::mutex> lock(fineMutex_);
        if (fineAt_.count(f.summary.get()) == 0) {
            fine_.push_front({f.summary, bytes});
            fineAt_[f.summary.get()] = fine_.begin();
            while (fine_.size() > fineMost_) {
                fineAt_.erase(fine_.back().summary.get());
                fine_.pop_back();
            }
        }
        return true;
    }
    std::lock_guard<std::mutex> lock(fineMutex_);
    damaged_.insert(f.flat);
    const auto at = fineAt_.find(f.summary.get());
    if (at != fineAt_.end()) {
        fine_.erase(at->second);
        fineAt_.erase(at);
    }
    return false;
}

namespace {

// The orderly folder's part of a span, piece by piece in time order: buckets where they fit in
// a column, runs of records elsewhere (neighbouring runs read together).
class FolderPieces {
  public:
    // fine brings in the finest level, into the level it is given, when the summary is held
    // without it (false: it cannot be had, and the records are read instead).
    FolderPieces(const std::string& dataFolder, const std::string& stem, const FolderSummary& s,
                 const ColumnSpan& span, ColumnGatherer* gather,
                 std::function<bool(SummaryLevel*)> fine, SummaryLevel* scratch,
                 query::FolderReader* reader)
        : dataFolder_(dataFolder),
          stem_(stem),
          s_(s),
          span_(span),
          gather_(gather),
          loadFine_(std::move(fine)),
          scratch_(scratch),
          reader_(reader),
          records_(reader) {}
    ~FolderPieces() { Flush(); }

    void Column(int column, SummarySeconds a, SummarySeconds b) {
        Split(static_cast<int>(s_.levels.size()) - 1, column, a, b);
    }
    void Records(SummarySeconds a, SummarySeconds b) {
        if (rawEnd_ != a)
            Flush();
        if (rawEnd_ == rawStart_)
            rawStart_ = a;
        rawEnd_ = b;
    }

  private:
    void Split(int level, int column, SummarySeconds a, SummarySeconds b) {
        if (level < 0)
            return Records(a, b);
        const SummaryLevel* held = &s_.levels[static_cast<size_t>(level)];
        if (held->buckets.empty()) {
            if (!triedFine_) {
                triedFine_ = true;
                if (loadFine_(scratch_))
                    fine_ = scratch_;
            }
            if (fine_ == nullptr)
                return Split(level - 1, column, a, b);
            held = fine_;
        }
        const SummaryLevel& l = *held;
        const SummarySeconds w = l.width;
        const SummarySeconds first = (a - s_.start + w - 1) / w;
        const SummarySeconds end = (b - s_.start) / w;
        if (first >= end)
            return Split(level - 1, column, a, b);
        if (a < s_.start + first * w)
            Split(level - 1, column, a, s_.start + first * w);
        for (SummarySeconds k = first; k < end; ++k) {
            const SummaryBucket& bucket = l.buckets[static_cast<size_t>(k)];
            if (bucket.records == 0)
                continue;
            Flush();
            gather_->AddBucket(column, bucket.records, bucket.firstAt, bucket.lastAt,
                               l.Cells(static_cast<size_t>(k), s_.channels), l.runs.data());
        }
        if (s_.start + end * w < b)
            Split(level - 1, column, s_.start + end * w, b);
    }

    void Flush() {
        if (rawStart_ == rawEnd_)
            return;
        if (!opened_ && ReadPart())
            return;
        if (!opened_) {
            opened_ = true;
            hasIndex_ = records_.Open(dataFolder_, stem_, s_.start, static_cast<int>(s_.channels));
        }
        if (hasIndex_) {
            records_.Read(
                records_.FirstFrom(rawStart_), records_.FirstFrom(rawEnd_),
                [&](const RecordCells& r) { gather_->AddRecord(span_.ColumnOf(r.time), r); });
        }
        rawStart_ = rawEnd_ = 0;
    }

    // Reads the records from rawStart_ to rawEnd_ through the part of the index that holds
    // them, told by the finest level: when every entry of the index gave a record, the records
    // of its buckets are the entries in their order. False when that cannot be done.
    bool ReadPart() {
        if (fine_ == nullptr || s_.source.index.size != int64_t{8} * s_.records)
            return false;
        const SummarySeconds w = fine_->width;
        const size_t from = static_cast<size_t>((rawStart_ - s_.start) / w);
        const size_t to = static_cast<size_t>((rawEnd_ - 1 - s_.start) / w) + 1;
        if (to > fine_->buckets.size())
            return false;
        uint32_t first = 0;
        uint32_t count = 0;
        for (size_t b = 0; b < to; ++b)
            (b < from ? first : count) += fine_->buckets[b].records;
        if (count > 0) {
            FolderRecords part(reader_);
            if (!part.OpenPart(dataFolder_, stem_, s_.start, static_cast<int>(s_.channels), first,
                               count) ||
                !part.InTimeOrder())
                return false;
            part.Read(part.FirstFrom(rawStart_), part.FirstFrom(rawEnd_),
                      [&](const RecordCells& r) { gather_->AddRecord(span_.ColumnOf(r.time), r); });
        }
        rawStart_ = rawEnd_ = 0;
        return true;
    }

    const std::string& dataFolder_;
    const std::string& stem_;
    const FolderSummary& s_;
    const ColumnSpan& span_;
    ColumnGatherer* gather_;
    std::function<bool(SummaryLevel*)> loadFine_;
    SummaryLevel* scratch_;
    query::FolderReader* reader_;
    const SummaryLevel* fine_ = nullptr;
    bool triedFine_ = false;
    FolderRecords records_;
    bool opened_ = false;
    bool hasIndex_ = false;
    SummarySeconds rawStart_ = 0;
    SummarySeconds rawEnd_ = 0;
};

}  // namespace

void SummaryGroup::DrawFolder(const Folder& f, const ColumnSpan& span, int c0, int c1, bool read,
                              SummaryColumns* out, ColumnGatherer* gather, SummaryLevel* scratch,
                              query::FolderReader* reader) const {
    const SummarySeconds t0 = out->edges[static_cast<size_t>(c0)];
    const SummarySeconds t1 = out->edges[static_cast<size_t>(c1)];
    const SummarySeconds lo = std::max(f.start, t0);
    const SummarySeconds hi = std::min(f.start + f.period, t1);
    const FolderSummary* s = f.summary.get();
    if (s == nullptr && !read) {
        if (lo < hi) {
            for (int c = span.ColumnOf(lo); c >= 0 && c <= span.ColumnOf(hi - 1); ++c)
                out->pending[static_cast<size_t>(c)] = 1;
        }
        gather->Break();
        return;
    }
    if (s == nullptr || !s->orderly) {
        // Records out of time order (or not summarised) are read whole, in record order.
        FolderRecords records(reader);
        if (records.Open(dataFolder_, f.stem, f.start, out->channels)) {
            records.Read(0, records.Count(), [&](const RecordCells& r) {
                const int c = span.ColumnOf(r.time);
                if (c >= c0 && c < c1)
                    gather->AddRecord(c, r);
            });
        }
        return;
    }
    if (lo >= hi)
        return;
    FolderPieces pieces(
        dataFolder_, f.stem, *s, span, gather,
        [&](SummaryLevel* level) { return FineLevel(f, level); }, scratch, reader);
    const SummarySeconds few = SummarySeconds{4} * std::max<uint32_t>(1, group_.interval);
    for (int c = span.ColumnOf(lo); c >= 0 && c <= span.ColumnOf(hi - 1); ++c) {
        const SummarySeconds a = std::max(out->edges[static_cast<size_t>(c)], lo);
        const SummarySeconds b = std::min(out->edges[static_cast<size_t>(c) + 1], hi);
        if (a >= b)
            continue;
        if (out->edges[static_cast<size_t>(c) + 1] - out->edges[static_cast<size_t>(c)] < few)
            pieces.Records(a, b);
        else
            pieces.Column(c, a, b);
    }
}

bool SummaryGroup::Gather(const std::vector<const Folder*>& folders, const ColumnSpan& span, int c0,
                          int c1, bool read, SummaryColumns* out, ColumnGatherer* gather,
                          const std::atomic<bool>* cancel) const {
    const SummarySeconds t0 = out->edges[static_cast<size_t>(c0)];
    const SummarySeconds t1 = out->edges[static_cast<size_t>(c1)];
    SummaryLevel fine;           // a folder's finest level, read into the same memory each time
    query::FolderReader reader;  // keeps the last folder read open for the next
    for (const Folder* f : folders) {
        if (cancel != nullptr && cancel->load(std::memory_order_relaxed))
            return false;
        if (f->start + f->period > t0 && f->start < t1)
            DrawFolder(*f, span, c0, c1, read, out, gather, &fine, &reader);
    }
    return true;
}

bool SummaryGroup::Columns(const ColumnSpan& span, SummaryColumns* out, bool readUnsummarised,
                           const std::atomic<bool>* cancel) const {
    out->Reset(span, static_cast<int>(channels_.size()));
    const SummarySeconds t0 = out->edges.front();
    const SummarySeconds t1 = out->edges.back();
    if (t0 >= t1)
        return true;
    // The folders a time query over the span walks: those whose keys lie between the keys of
    // its first and last second.
    const TimeKey k0 = KeyFromTime(SummaryTime(t0), group_.depth);
    const TimeKey k1 = KeyFromTime(SummaryTime(t1 - 1), group_.depth);
    std::vector<Folder> held;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (const Folder& f : folders_) {
            if (CompareKeys(f.key, k0, group_.depth) >= 0 &&
                CompareKeys(f.key, k1, group_.depth) <= 0)
                held.push_back(f);
        }
    }
    std::vector<const Folder*> folders;
    bool inPeriods = true;  // every record lies within its folder's period
    for (const Folder& f : held) {
        folders.push_back(&f);
        inPeriods = inPeriods && f.summary != nullptr && f.summary->orderly;
    }
    ColumnGatherer gather(out, group_.interval);
    // Wide spans over folders whose records keep to their periods are gathered in two halves
    // at once, each column by one of them, and joined as if gathered in one go.
    const int columns = out->columns;
    if (columns < 64 || folders.size() < 2 || !inPeriods || std::thread::hardware_concurrency() < 2)
        return Gather(folders, span, 0, columns, readUnsummarised, out, &gather, cancel);
    const int half = columns / 2;
    // The later half's columns and gatherer are made by the thread that fills them, in memory
    // of its own: were they beside this thread's, on its stack or in the same small blocks of
    // the heap, the two cores would pass the same cache lines to and fro at every record.
    struct Later {
        SummaryColumns columns;
        std::unique_ptr<ColumnGatherer> gather;
    };
    std::unique_ptr<Later> later;
    std::thread other([&] {
        auto mine = std::make_unique<Later>();
        mine->columns.Reset(span, out->channels);
        mine->gather = std::make_unique<ColumnGatherer>(&mine->columns, group_.interval);
        if (Gather(folders, span, half, columns, readUnsummarised, &mine->columns,
                   mine->gather.get(), cancel))
            later = std::move(mine);
    });
    const bool first = Gather(folders, span, 0, half, readUnsummarised, out, &gather, cancel);
    other.join();
    if (!first || later == nullptr)
        return false;
    gather.Join(*later->gather, half);
    return true;
}
