#include "store_bench_support.h"

#include <malloc.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "file_system.h"
#include "folder_list.h"
#include "log_store.h"
#include "store_api.h"
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

namespace storebench {

int64_t ResetHeapPeak() {
    const int64_t now = g_heapInUse.load();
    g_heapPeak.store(now);
    return now;
}

int64_t HeapPeak() {
    return g_heapPeak.load();
}

[[noreturn]] void Die(const std::string& what) {
    std::fprintf(stderr, "bench_store: %s\n", what.c_str());
    std::exit(2);
}

double Seconds(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double>(to - from).count();
}

namespace {

double CpuSeconds() {
    rusage u;
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

void CollectItems(void* context, const char* text, uint32_t length, int leaf) {
    (void)leaf;
    static_cast<std::string*>(context)->assign(text, length);
}

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

}  // namespace

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

void CollectText(void* context, const char* text, uint32_t length) {
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

FolderFiles FilesBetween(const LogGroup& group, const std::string& dataFolder,
                         const CalendarTime& start, const CalendarTime& end) {
    FolderFiles files;
    FileWalk walk{&dataFolder, group.id, &files};
    FolderWalker walker(dataFolder, group.id, group.depth);
    walker.Walk(KeyFromTime(start, group.depth), KeyFromTime(end, group.depth), &walk,
                AddFolderFiles);
    return files;
}

CalendarTime AddSeconds(const CalendarTime& t, int64_t seconds) {
    uint64_t ft = 0;
    CalendarToFileTime(t, &ft);
    CalendarTime out;
    FileTimeToCalendar(ft + static_cast<uint64_t>(seconds) * kFileTimeUnitsPerSecond, &out);
    return out;
}

}  // namespace storebench
