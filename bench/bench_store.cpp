// Store benchmarks: the time query and the tree listing, each measured against what this machine
// does with the same bytes without the store (read, invert, write), and the memory a query takes.
//
//   bench_store [--data DIR] [--tree DIR] [--runs N] [--only abcd] [--strict]
//
// --data  a data root written by "histavue-mkstore --preset bench" (DIR/DL is read); without it
//         one is written into a temporary folder first.
// --tree  where the ten-year tree of hourly folders is kept between runs (default
//         /tmp/histavue-bench-tree-v1); it is written on first use.
// --runs  timed runs per measurement, after one warm-up run; the best is reported (default 5).
// --only  the measurements to run, by letter (default abcd).
// --strict  exit with status 1 when a target is missed.
//
// Every timing is the best of the runs with the page cache warm. The targets:
//   a. a one-day query, interval 0, into an export file: at least half the raw rate of reading,
//      inverting and writing the same blocks;
//   b. a 31-day query, interval 60: at most a fifth of the time to read and invert the blocks;
//   c. listing every tree position of a ten-year hourly tree (87,600 folders): under 1 s;
//   d. a query's heap growth stays within one block plus one folder index, whatever the range.
#include <fcntl.h>
#include <malloc.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <system_error>
#include <vector>

#include "calendar_time.h"
#include "export_writer.h"
#include "file_system.h"
#include "folder_list.h"
#include "log_store.h"
#include "record_writer.h"
#include "sample_store.h"
#include "store_api.h"
#include "store_slots.h"
#include "time_folder.h"
#include "time_key.h"

// ---- Heap accounting ----
//
// malloc and its relatives are replaced by versions that forward to the C library and count
// the bytes in use, so a query's heap high-water mark can be read exactly (the store allocates
// through malloc/realloc as well as operator new, which calls malloc).

extern "C" {
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t n, size_t size);
void* __libc_realloc(void* p, size_t size);
void* __libc_memalign(size_t alignment, size_t size);
void __libc_free(void* p);
}

namespace {

std::atomic<int64_t> g_heapInUse{0};
std::atomic<int64_t> g_heapPeak{0};

void CountAllocated(void* p) {
    if (p == nullptr)
        return;
    const int64_t now = g_heapInUse.fetch_add(static_cast<int64_t>(malloc_usable_size(p))) +
                        static_cast<int64_t>(malloc_usable_size(p));
    int64_t peak = g_heapPeak.load(std::memory_order_relaxed);
    while (now > peak && !g_heapPeak.compare_exchange_weak(peak, now)) {
    }
}

void CountFreed(void* p) {
    if (p != nullptr)
        g_heapInUse.fetch_sub(static_cast<int64_t>(malloc_usable_size(p)));
}

// Starts a new high-water mark at the current use and returns that use.
int64_t ResetHeapPeak() {
    const int64_t now = g_heapInUse.load();
    g_heapPeak.store(now);
    return now;
}

}  // namespace

extern "C" {
void* malloc(size_t size) {
    void* p = __libc_malloc(size);
    CountAllocated(p);
    return p;
}
void* calloc(size_t n, size_t size) {
    void* p = __libc_calloc(n, size);
    CountAllocated(p);
    return p;
}
void* realloc(void* old, size_t size) {
    CountFreed(old);
    void* p = __libc_realloc(old, size);
    // A failed realloc leaves the old block in place.
    CountAllocated(p != nullptr || size == 0 ? p : old);
    return p;
}
void free(void* p) {
    CountFreed(p);
    __libc_free(p);
}
void* memalign(size_t alignment, size_t size) {
    void* p = __libc_memalign(alignment, size);
    CountAllocated(p);
    return p;
}
void* aligned_alloc(size_t alignment, size_t size) {
    return memalign(alignment, size);
}
int posix_memalign(void** out, size_t alignment, size_t size) {
    void* p = memalign(alignment, size);
    if (p == nullptr)
        return ENOMEM;
    *out = p;
    return 0;
}
}

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// ---- Small helpers ----

[[noreturn]] void Die(const std::string& what) {
    std::fprintf(stderr, "bench_store: %s\n", what.c_str());
    std::exit(2);
}

double Seconds(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double>(to - from).count();
}

// One warm-up call of each, then `runs` rounds of timed calls, taking turns so that every
// measurement sees the machine in the same state; the best time of each.
std::vector<double> BestOfEach(int runs, const std::vector<std::function<void()>>& works) {
    std::vector<double> best(works.size(), 1e30);
    for (const auto& work : works)
        work();
    for (int i = 0; i < runs; ++i) {
        for (size_t w = 0; w < works.size(); ++w) {
            const Clock::time_point t0 = Clock::now();
            works[w]();
            best[w] = std::min(best[w], Seconds(t0, Clock::now()));
        }
    }
    return best;
}

double BestOf(int runs, const std::function<void()>& work) {
    return BestOfEach(runs, {work})[0];
}

std::string MakeTempFolder(const char* name) {
    std::string pattern = std::string("/tmp/") + name + "-XXXXXX";
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    if (mkdtemp(buf.data()) == nullptr)
        Die("cannot create a temporary folder");
    return std::string(buf.data()) + "/";
}

const char* Verdict(bool met) {
    return met ? "met" : "MISSED";
}

std::string FormatRate(double bytes, double seconds) {
    char buf[64];
    const double rate = seconds > 0 ? bytes / seconds : 0;
    if (rate >= 1e9) {
        std::snprintf(buf, sizeof buf, "%.2f GB/s", rate / 1e9);
    } else {
        std::snprintf(buf, sizeof buf, "%.0f MB/s", rate / 1e6);
    }
    return buf;
}

// ---- The store under test ----

void CollectText(void* context, const char* text, uint32_t length) {
    static_cast<std::string*>(context)->assign(text, length);
}

void CollectItems(void* context, const char* text, uint32_t length, int leaf) {
    (void)leaf;
    static_cast<std::string*>(context)->assign(text, length);
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t from = 0;
    while (from < text.size()) {
        size_t nl = text.find('\n', from);
        if (nl == std::string::npos)
            nl = text.size();
        lines.push_back(text.substr(from, nl - from));
        from = nl + 1;
    }
    return lines;
}

std::vector<std::string> ListItems(int kind, const std::string& group, const char* treePath) {
    std::string text;
    if (!StoreListItems(kind, group.c_str(), treePath, &text, CollectItems, false))
        return {};
    return Lines(text);
}

// The block files (native paths) and the largest block and index of the group's folders that
// a query from start to end visits.
struct FolderFiles {
    std::vector<std::string> blocks;
    uint64_t blockBytes = 0;
    uint64_t largestBlock = 0;
    uint64_t largestIndex = 0;
    uint32_t folders = 0;
};

struct FileWalk {
    const std::string* dataFolder;
    uint32_t id;
    FolderFiles* files;
};

bool AddFolderFiles(void* context, const TimeKey& key) {
    auto* walk = static_cast<FileWalk*>(context);
    std::string stem;
    MakeStem(walk->id, key, kNestedSeparator, &stem);
    TimeFolder folder(*walk->dataFolder);
    if (!folder.OpenFolder(stem.c_str()))
        return true;
    ++walk->files->folders;
    walk->files->largestIndex =
        std::max<uint64_t>(walk->files->largestIndex, uint64_t{folder.EntryCount()} * 8);
    for (uint32_t n = 0; n < folder.BlockCount(); ++n) {
        const std::string path = storefs::ResolveCase(storefs::NativePath(folder.BlockPath(n)));
        struct stat st;
        if (stat(path.c_str(), &st) != 0)
            continue;
        walk->files->blocks.push_back(path);
        walk->files->blockBytes += static_cast<uint64_t>(st.st_size);
        walk->files->largestBlock =
            std::max<uint64_t>(walk->files->largestBlock, static_cast<uint64_t>(st.st_size));
    }
    folder.CloseFolder();
    return true;
}

FolderFiles FilesBetween(const LogGroup& group, const std::string& dataFolder,
                         const CalendarTime& start, const CalendarTime& end) {
    FolderFiles files;
    FileWalk walk{&dataFolder, group.id, &files};
    FolderWalker walker(dataFolder, group.id, group.depth);
    walker.Walk(KeyFromTime(start, group.depth), KeyFromTime(end, group.depth), &walk,
                AddFolderFiles);
    return files;
}

// What any query over the range has to do before it reads a line: list the folders, open and
// read each folder index, and open each block file (exclusively, as the store does).
struct OpenWalk {
    const std::string* dataFolder;
    uint32_t id;
};

bool OpenFolderFiles(void* context, const TimeKey& key) {
    auto* walk = static_cast<OpenWalk*>(context);
    std::string stem;
    MakeStem(walk->id, key, kNestedSeparator, &stem);
    TimeFolder folder(*walk->dataFolder);
    if (!folder.OpenFolder(stem.c_str()))
        return true;
    BlockReader reader;
    for (uint32_t n = 0; n < folder.BlockCount(); ++n) {
        reader.Open(folder.BlockPath(n), static_cast<int>(n));
    }
    return true;
}

void OpenFilesBetween(const LogGroup& group, const std::string& dataFolder,
                      const CalendarTime& start, const CalendarTime& end) {
    OpenWalk walk{&dataFolder, group.id};
    FolderWalker walker(dataFolder, group.id, group.depth);
    walker.Walk(KeyFromTime(start, group.depth), KeyFromTime(end, group.depth), &walk,
                OpenFolderFiles);
}

// ---- Raw rates: the same bytes without the store ----

// Reads each file whole into one reused buffer, inverts it and, when out >= 0, writes it.
uint64_t ReadInvert(const std::vector<std::string>& paths, std::vector<char>* buffer, int out) {
    uint64_t total = 0;
    for (const std::string& path : paths) {
        const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            Die("cannot open " + path);
        struct stat st;
        fstat(fd, &st);
        const size_t size = static_cast<size_t>(st.st_size);
        if (buffer->size() < size)
            buffer->resize(size);
        size_t done = 0;
        while (done < size) {
            const ssize_t r = read(fd, buffer->data() + done, size - done);
            if (r <= 0)
                Die("cannot read " + path);
            done += static_cast<size_t>(r);
        }
        close(fd);
        storefs::InvertBytes(buffer->data(), buffer->data(), size);
        for (size_t written = 0; out >= 0 && written < size;) {
            const ssize_t w = write(out, buffer->data() + written, size - written);
            if (w <= 0)
                Die("cannot write the raw copy");
            written += static_cast<size_t>(w);
        }
        total += size;
    }
    return total;
}

// ---- Queries ----

struct QueryCount {
    uint64_t lines = 0;
    uint64_t bytes = 0;
};

void CountLine(void* context, const char* line, uint32_t length, int* stop) {
    (void)line;
    (void)stop;
    auto* count = static_cast<QueryCount*>(context);
    ++count->lines;
    count->bytes += length + 1;
}

struct ExportResult {
    uint64_t bytes = 0;
    uint32_t lines = 0;
};

ExportResult QueryToFile(const std::string& group, const CalendarTime& start,
                         const CalendarTime& end, uint32_t interval, const std::string& path) {
    ExportWriter writer;
    writer.SetTarget(path, ExportWriter::Encoding::kInverted);
    if (!StoreQuery(kDataRecords, group.c_str(), &start, &end, interval, &writer,
                    ExportWriter::LineCallback) ||
        !writer.Finish()) {
        Die("the query into " + path + " failed");
    }
    return ExportResult{writer.Bytes(), writer.Lines()};
}

CalendarTime AddSeconds(const CalendarTime& t, int64_t seconds) {
    uint64_t ft = 0;
    CalendarToFileTime(t, &ft);
    CalendarTime out;
    FileTimeToCalendar(ft + static_cast<uint64_t>(seconds) * kFileTimeUnitsPerSecond, &out);
    return out;
}

// ---- The ten-year tree ----

constexpr int kTreeDays = 3650;

void WriteTree(const std::string& root) {
    std::printf("writing the ten-year tree into %s (once)...\n", root.c_str());
    std::fflush(stdout);
    const Clock::time_point t0 = Clock::now();
    std::string error;
    if (!WriteTreeStore(root, kTreeDays, &error))
        Die(error);
    FILE* done = std::fopen((root + "complete").c_str(), "w");
    if (done == nullptr)
        Die("cannot write the tree");
    std::fclose(done);
    std::printf("  written in %.1f s\n", Seconds(t0, Clock::now()));
}

struct TreeCount {
    size_t years = 0, months = 0, days = 0, hours = 0;
};

// Fills a tree the way the viewer does at start: every level of every group, eagerly.
TreeCount FillTree(int kind) {
    TreeCount count;
    std::string names;
    if (!StoreListGroups(kind, &names, CollectText))
        Die("the tree store has no groups");
    for (const std::string& group : Lines(names)) {
        for (const std::string& y : ListItems(kind, group, nullptr)) {
            ++count.years;
            for (const std::string& m : ListItems(kind, group, y.c_str())) {
                ++count.months;
                const std::string ym = y + "\\" + m;
                for (const std::string& d : ListItems(kind, group, ym.c_str())) {
                    ++count.days;
                    const std::string ymd = ym + "\\" + d;
                    count.hours += ListItems(kind, group, ymd.c_str()).size();
                }
            }
        }
    }
    return count;
}

struct Options {
    std::string data;
    std::string tree = "/tmp/histavue-bench-tree-v1/";
    int runs = 5;
    bool strict = false;
    std::string only = "abcd";  // which measurements to run
};

Options ParseOptions(int argc, char** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if ((arg == "--data" || arg == "--tree" || arg == "--runs" || arg == "--only") &&
            i + 1 < argc) {
            const std::string value = argv[++i];
            if (arg == "--only")
                o.only = value;
            if (arg == "--data")
                o.data = value;
            if (arg == "--tree")
                o.tree = value.back() == '/' ? value : value + "/";
            if (arg == "--runs")
                o.runs = std::max(1, std::atoi(value.c_str()));
        } else if (arg == "--strict") {
            o.strict = true;
        } else {
            std::fprintf(stderr,
                         "usage: bench_store [--data DIR] [--tree DIR] [--runs N] [--only abcd] "
                         "[--strict]\n");
            std::exit(2);
        }
    }
    return o;
}

}  // namespace

int main(int argc, char** argv) {
    Options options = ParseOptions(argc, argv);
    const std::string work = MakeTempFolder("histavue-bench");
    if (options.data.empty()) {
        options.data = work + "root";
        std::printf("writing the bench store into %s...\n", options.data.c_str());
        std::fflush(stdout);
        std::string error;
        if (!WriteSampleStore(options.data, "bench", 1, &error))
            Die(error);
    }
    const std::string staging = work + "DLTemp/";
    fs::create_directories(staging);
    if (!StoreOpen(kDataRecords, (options.data + "/DL/").c_str(), staging.c_str())) {
        Die("cannot open the store in " + options.data + "/DL");
    }
    const LogStore* store = SlotStore(kDataRecords);
    if (store->Groups().empty())
        Die("the store has no groups");
    const LogGroup& group = store->Groups().front();
    const std::string& dataFolder = store->DataFolder();

    // The first day with records.
    const std::vector<std::string> years = ListItems(kDataRecords, group.name, nullptr);
    if (years.empty())
        Die("the group has no folders");
    CalendarTime first;
    first.year = static_cast<uint16_t>(std::atoi(years[0].c_str()));
    first.month = 1;
    first.day = 1;
    if (group.depth >= 1) {
        const auto months = ListItems(kDataRecords, group.name, years[0].c_str());
        first.month = static_cast<uint16_t>(std::atoi(months.at(0).c_str()));
        if (group.depth >= 2) {
            const std::string ym = years[0] + "\\" + months[0];
            first.day = static_cast<uint16_t>(
                std::atoi(ListItems(kDataRecords, group.name, ym.c_str()).at(0).c_str()));
        }
    }
    const CalendarTime dayEnd = AddSeconds(first, 86400 - 1);
    const CalendarTime monthEnd = AddSeconds(first, 31 * 86400 - 1);
    const FolderFiles dayFiles = FilesBetween(group, dataFolder, first, dayEnd);
    const FolderFiles monthFiles = FilesBetween(group, dataFolder, first, monthEnd);
    std::printf("store %s/DL, group \"%s\" (interval %u s, depth %d), from %04hu-%02hu-%02hu\n",
                options.data.c_str(), group.name.c_str(), group.interval, group.depth, first.year,
                first.month, first.day);
    std::printf(
        "  one day: %u folders, %zu blocks, %.1f MB; 31 days: %u folders, %zu blocks, "
        "%.1f MB\n",
        dayFiles.folders, dayFiles.blocks.size(), dayFiles.blockBytes / 1e6, monthFiles.folders,
        monthFiles.blocks.size(), monthFiles.blockBytes / 1e6);
    std::printf("best of %d runs each, page cache warm\n\n", options.runs);
    int missed = 0;

    int measured = 0;
    auto wanted = [&](char letter) {
        const bool yes = options.only.find(letter) != std::string::npos;
        measured += yes;
        return yes;
    };

    // a. One day, every record, into an export file.
    if (wanted('a')) {
        const std::string out = work + "query-day.csv";
        const std::string rawOut = work + "raw-day.csv";
        ExportResult result;
        std::vector<char> buffer;
        uint64_t rawBytes = 0;
        QueryCount sink;
        const std::vector<double> t = BestOfEach(
            options.runs,
            {[&] { result = QueryToFile(group.name, first, dayEnd, 0, out); },
             [&] {
                 const int fd =
                     open(rawOut.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
                 rawBytes = ReadInvert(dayFiles.blocks, &buffer, fd);
                 close(fd);
             },
             // Where the query's time goes: the store alone, delivering into a counting sink.
             [&] {
                 sink = QueryCount();
                 StoreQuery(kDataRecords, group.name.c_str(), &first, &dayEnd, 0, &sink, CountLine);
             }});
        const double query = t[0];
        const double raw = t[1];
        const double ratio = (result.bytes / query) / (rawBytes / raw);
        const bool met = ratio >= 0.5;
        missed += !met;
        std::printf(
            "a. query 1 day interval 0: %.3f s, %u lines, %s; raw read+invert+write of "
            "same blocks: %.3f s, %s; ratio %.2f (target >= 0.50: %s)\n",
            query, result.lines, FormatRate(result.bytes, query).c_str(), raw,
            FormatRate(rawBytes, raw).c_str(), ratio, Verdict(met));
        std::printf("   breakdown: the same query into a counting sink (no file): %.3f s\n", t[2]);
    }

    // b. 31 days thinned to a minute.
    if (wanted('b')) {
        const std::string out = work + "query-month.csv";
        ExportResult result;
        std::vector<char> buffer;
        uint64_t rawBytes = 0;
        const std::vector<double> t = BestOfEach(
            options.runs, {[&] { result = QueryToFile(group.name, first, monthEnd, 60, out); },
                           [&] { rawBytes = ReadInvert(monthFiles.blocks, &buffer, -1); },
                           [&] { OpenFilesBetween(group, dataFolder, first, monthEnd); }});
        const double query = t[0];
        const double raw = t[1];
        const double ratio = query / raw;
        const bool met = ratio <= 0.2;
        missed += !met;
        std::printf(
            "b. query 31 days interval 60: %.3f s, %u lines; raw read+invert of all "
            "blocks: %.3f s, %s; cost ratio %.3f (target <= 0.200: %s)\n",
            query, result.lines, raw, FormatRate(rawBytes, raw).c_str(), ratio, Verdict(met));
        std::printf(
            "   breakdown: listing the folders, reading their indexes and opening their %zu "
            "blocks, no line read: %.3f s (%.3f of raw)\n",
            monthFiles.blocks.size(), t[2], t[2] / raw);
    }

    // c. Eager fill of a ten-year hourly tree.
    if (wanted('c')) {
        if (!fs::exists(options.tree + "complete"))
            WriteTree(options.tree);
        const std::string treeStaging = work + "TreeTemp/";
        fs::create_directories(treeStaging);
        if (!StoreOpen(kAlarmRecords, (options.tree + "DL/").c_str(), treeStaging.c_str())) {
            Die("cannot open the tree store in " + options.tree);
        }
        TreeCount count;
        const double fill = BestOf(options.runs, [&] { count = FillTree(kAlarmRecords); });
        StoreClose(kAlarmRecords);
        const bool met = fill < 1.0 && count.hours == size_t{kTreeDays} * 24;
        missed += !met;
        std::printf(
            "c. tree fill, 10 years of hourly folders: %.3f s for %zu years, %zu months, "
            "%zu days, %zu hour folders (target < 1 s: %s)\n",
            fill, count.years, count.months, count.days, count.hours, Verdict(met));
    }

    // d. Heap growth of interval-0 queries into a counting sink.
    if (wanted('d')) {
        const uint64_t bound = monthFiles.largestBlock + monthFiles.largestIndex;
        int64_t growth[2] = {0, 0};
        QueryCount counts[2];
        const CalendarTime ends[2] = {dayEnd, monthEnd};
        for (int i = 0; i < 2; ++i) {
            const int64_t before = ResetHeapPeak();
            StoreQuery(kDataRecords, group.name.c_str(), &first, &ends[i], 0, &counts[i],
                       CountLine);
            growth[i] = g_heapPeak.load() - before;
        }
        const bool met =
            growth[0] <= static_cast<int64_t>(bound) && growth[1] <= static_cast<int64_t>(bound);
        missed += !met;
        std::printf(
            "d. query heap peak growth, interval 0: 1 day (%llu lines) %.1f KB, 31 days "
            "(%llu lines) %.1f KB; bound one block + one index = %.1f KB + %.1f KB "
            "(%s)\n",
            static_cast<unsigned long long>(counts[0].lines), growth[0] / 1024.0,
            static_cast<unsigned long long>(counts[1].lines), growth[1] / 1024.0,
            monthFiles.largestBlock / 1024.0, monthFiles.largestIndex / 1024.0, Verdict(met));
    }

    StoreClose(kDataRecords);
    std::error_code ec;
    fs::remove_all(work, ec);
    std::printf("\n%d of %d targets met\n", measured - missed, measured);
    return options.strict && missed > 0 ? 1 : 0;
}
