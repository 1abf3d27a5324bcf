// Store benchmarks: the time query and the tree listing, each measured against what this machine
// does with the same bytes without the store (read, invert, write), and the memory a query takes.
//
//   bench_store [--data DIR] [--tree DIR] [--runs N] [--only abcd] [--strict]
//
// --data  a data root written by "histavue-mkstore --preset bench" (DIR/DL is read); without it
//         one is written into a temporary folder first.
// --tree  where the ten-year tree of hourly folders is kept between runs (default
//         /tmp/histavue-bench-tree-v1); it is written on first use.
// --runs  timed runs per measurement, after one warm-up run (default 9).
// --only  the measurements to run, by letter (default abcd).
// --strict  exit with status 1 when a target is missed.
//
// The page cache is warm. The measurements of one letter take turns run by run, so that each
// sees the machine in the same state; each reports its median wall time, its median CPU time
// (user + system) and its best wall time. Targets are judged on medians. The targets:
//   a. a one-day query, interval 0, into a new export file as the viewer writes it (stored runs,
//      the cancel check's clock read once a run): at least 0.7 of the raw rate of reading,
//      inverting and writing the same blocks into a new file;
//   b. a 31-day query, interval 60, into a new export file: on one thread at most the time to
//      read and invert every block of those days (1.0x), with the helper thread at most 0.6x;
//   c. listing every tree position of a ten-year hourly tree (87,600 folders): under 1 s;
//   d. a query's heap growth stays within one block plus one folder index, whatever the range.
#include <fcntl.h>
#include <malloc.h>
#include <sys/resource.h>
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
#include "store_query.h"
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

// Wall and CPU seconds of the runs of one measurement.
struct Timing {
    std::vector<double> wall;
    std::vector<double> cpu;

    static double Median(std::vector<double> v) {
        std::sort(v.begin(), v.end());
        const size_t n = v.size();
        return n == 0 ? 0 : n % 2 == 1 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
    }
    double MedianWall() const { return Median(wall); }
    double MedianCpu() const { return Median(cpu); }
    double BestWall() const {
        return wall.empty() ? 0 : *std::min_element(wall.begin(), wall.end());
    }
    // "median 12.3 ms (CPU 11.9 ms), best 11.0 ms"
    std::string Text() const {
        char buf[128];
        std::snprintf(buf, sizeof buf, "median %.2f ms (CPU %.2f ms), best %.2f ms",
                      MedianWall() * 1e3, MedianCpu() * 1e3, BestWall() * 1e3);
        return buf;
    }
};

double CpuSeconds() {
    rusage u;
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// A measured piece of work and what it does after each run, untimed (removing its output file).
struct Work {
    std::function<void()> run;
    std::function<void()> after = [] {};
};

// One warm-up call of each, then `runs` rounds of timed calls, taking turns so that every
// measurement sees the machine in the same state.
std::vector<Timing> TimeEach(int runs, const std::vector<Work>& works) {
    std::vector<Timing> timings(works.size());
    for (const Work& work : works) {
        work.run();
        work.after();
    }
    for (int i = 0; i < runs; ++i) {
        for (size_t w = 0; w < works.size(); ++w) {
            const double cpu0 = CpuSeconds();
            const Clock::time_point t0 = Clock::now();
            works[w].run();
            timings[w].wall.push_back(Seconds(t0, Clock::now()));
            timings[w].cpu.push_back(CpuSeconds() - cpu0);
            works[w].after();
        }
    }
    return timings;
}

double BestOf(int runs, const std::function<void()>& work) {
    return TimeEach(runs, {Work{work}})[0].BestWall();
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

// What the viewer's query command does around the writer: a look at the clock for the cancel
// button after each delivery (the button itself is looked at every 50 ms).
struct ViewerTarget {
    ExportWriter writer;
    Clock::time_point lastCheck = Clock::now();
    uint32_t checks = 0;

    void CheckCancel() {
        const Clock::time_point now = Clock::now();
        if (now - lastCheck >= std::chrono::milliseconds(50)) {
            lastCheck = now;
            ++checks;
        }
    }
    static void Run(void* context, const char* stored, uint32_t length, uint32_t lines, int* stop) {
        auto* target = static_cast<ViewerTarget*>(context);
        target->writer.Stored(stored, length, lines);
        target->CheckCancel();
        *stop = 0;
    }
    static void Line(void* context, const char* line, uint32_t length, int* stop) {
        auto* target = static_cast<ViewerTarget*>(context);
        target->writer.Line(line, length);
        target->CheckCancel();
        *stop = 0;
    }
};

// A query into a new export file, as the viewer writes it: stored runs, or (lines) one line a
// callback as before.
ExportResult QueryToFile(const std::string& group, const CalendarTime& start,
                         const CalendarTime& end, uint32_t interval, const std::string& path,
                         bool lines = false) {
    ViewerTarget target;
    target.writer.SetTarget(path, ExportWriter::Encoding::kInverted, ExportWriter::Create::kNew);
    const bool ok = lines ? StoreQuery(kDataRecords, group.c_str(), &start, &end, interval, &target,
                                       ViewerTarget::Line)
                          : StoreQueryRuns(kDataRecords, group.c_str(), &start, &end, interval,
                                           &target, ViewerTarget::Run);
    if (!ok || !target.writer.Finish()) {
        Die("the query into " + path + " failed");
    }
    return ExportResult{target.writer.Bytes(), target.writer.Lines()};
}

// A file name for each run, removed after it: the viewer writes every query into a new file.
struct NewFiles {
    std::string stem;
    int run = 0;
    std::string Next() { return stem + std::to_string(++run) + ".csv"; }
    std::string Current() const { return stem + std::to_string(run) + ".csv"; }
    void Remove() const { unlink(Current().c_str()); }
};

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
    int runs = 9;
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
    std::printf("%d runs each after a warm-up, page cache warm\n\n", options.runs);
    int missed = 0;

    int measured = 0;
    auto wanted = [&](char letter) {
        const bool yes = options.only.find(letter) != std::string::npos;
        measured += yes;
        return yes;
    };

    // a. One day, every record, into an export file.
    if (wanted('a')) {
        NewFiles out{work + "query-day-"};
        NewFiles lineOut{work + "query-day-lines-"};
        NewFiles rawOut{work + "raw-day-"};
        ExportResult result;
        ExportResult lineResult;
        std::vector<char> buffer;
        uint64_t rawBytes = 0;
        QueryCount sink;
        const std::vector<Timing> t = TimeEach(
            options.runs,
            {{[&] { result = QueryToFile(group.name, first, dayEnd, 0, out.Next()); },
              [&] { out.Remove(); }},
             {[&] {
                  const int fd =
                      open(rawOut.Next().c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
                  rawBytes = ReadInvert(dayFiles.blocks, &buffer, fd);
                  close(fd);
              },
              [&] { rawOut.Remove(); }},
             {[&] { lineResult = QueryToFile(group.name, first, dayEnd, 0, lineOut.Next(), true); },
              [&] { lineOut.Remove(); }},
             // Where the query's time goes: the store alone, delivering into a counting sink.
             {[&] {
                 sink = QueryCount();
                 StoreQuery(kDataRecords, group.name.c_str(), &first, &dayEnd, 0, &sink, CountLine);
             }}});
        if (lineResult.bytes != result.bytes || lineResult.lines != result.lines)
            Die("stored runs and lines wrote different files");
        const double query = t[0].MedianWall();
        const double raw = t[1].MedianWall();
        const double ratio = (result.bytes / query) / (rawBytes / raw);
        const double bestRatio = (result.bytes / t[0].BestWall()) / (rawBytes / t[1].BestWall());
        const bool met = ratio >= 0.7;
        missed += !met;
        std::printf("a. query 1 day interval 0 into a new file: %u lines, %.1f MB\n", result.lines,
                    result.bytes / 1e6);
        std::printf("   query (stored runs):          %s, %s\n", t[0].Text().c_str(),
                    FormatRate(result.bytes, query).c_str());
        std::printf("   raw read+invert+write, same blocks: %s, %s\n", t[1].Text().c_str(),
                    FormatRate(rawBytes, raw).c_str());
        std::printf("   rate ratio of medians %.2f (of best times %.2f) (target >= 0.70: %s)\n",
                    ratio, bestRatio, Verdict(met));
        std::printf(
            "   breakdown: one line a callback into a new file: %s; into a counting sink "
            "(no file): %s\n",
            t[2].Text().c_str(), t[3].Text().c_str());
    }

    // b. 31 days thinned to a minute.
    if (wanted('b')) {
        NewFiles out{work + "query-month-"};
        NewFiles twoOut{work + "query-month-two-"};
        NewFiles lineOut{work + "query-month-lines-"};
        ExportResult result;
        ExportResult twoResult;
        ExportResult lineResult;
        std::vector<char> buffer;
        uint64_t rawBytes = 0;
        const auto oneThread = [&](bool lines, NewFiles* files, ExportResult* r) {
            SetQueryHelperThread(false);
            *r = QueryToFile(group.name, first, monthEnd, 60, files->Next(), lines);
            SetQueryHelperThread(true);
        };
        const std::vector<Timing> t = TimeEach(
            options.runs,
            {{[&] { oneThread(false, &out, &result); }, [&] { out.Remove(); }},
             {[&] { rawBytes = ReadInvert(monthFiles.blocks, &buffer, -1); }},
             {[&] { twoResult = QueryToFile(group.name, first, monthEnd, 60, twoOut.Next()); },
              [&] { twoOut.Remove(); }},
             {[&] { oneThread(true, &lineOut, &lineResult); }, [&] { lineOut.Remove(); }},
             {[&] { OpenFilesBetween(group, dataFolder, first, monthEnd); }}});
        if (lineResult.bytes != result.bytes || lineResult.lines != result.lines ||
            twoResult.bytes != result.bytes || twoResult.lines != result.lines)
            Die("one thread, the helper thread and lines wrote different files");
        const double raw = t[1].MedianWall();
        const double ratio = t[0].MedianWall() / raw;
        const double twoRatio = t[2].MedianWall() / raw;
        const bool met = ratio <= 1.0;
        const bool twoMet = twoRatio <= 0.6;
        missed += !met + !twoMet;
        ++measured;
        std::printf("b. query 31 days interval 60 into a new file: %u lines\n", result.lines);
        std::printf("   query, one thread:             %s\n", t[0].Text().c_str());
        std::printf("   query, with the helper thread: %s\n", t[2].Text().c_str());
        std::printf("   raw read+invert of all blocks: %s, %s\n", t[1].Text().c_str(),
                    FormatRate(rawBytes, raw).c_str());
        std::printf(
            "   cost ratio of medians, one thread %.3f (of best times %.3f) (target <= 1.0: "
            "%s)\n",
            ratio, t[0].BestWall() / t[1].BestWall(), Verdict(met));
        std::printf(
            "   cost ratio of medians, helper thread %.3f (of best times %.3f) (target <= "
            "0.6: %s)\n",
            twoRatio, t[2].BestWall() / t[1].BestWall(), Verdict(twoMet));
        std::printf(
            "   breakdown: one line a callback, one thread: %s; listing the folders, "
            "reading their indexes and opening their %zu blocks the old way (locked): "
            "%s\n",
            t[3].Text().c_str(), monthFiles.blocks.size(), t[4].Text().c_str());
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
