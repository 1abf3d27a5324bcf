// Summaries of a trend: building them against reading the same blocks raw, their size against
// the store's, summarising again after a day was added, and the pixel columns of spans from the
// whole store down to a minute. Prints each number against its target with "met" or "MISSED".
//
//   bench_trend [--store DIR --group NAME] [--days N] [--staging DIR] [--no-raw]
//
// Without a store it writes a 1-second group of 20 channels over N days (7 by default) into a
// temporary folder. Summaries go to a temporary staging folder of their own, or are kept in
// --staging DIR, so that a second run measures opening summaries already made. --no-raw leaves
// out the raw read (and the ratio to it), for profiling the rest.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "file_system.h"
#include "record_writer.h"
#include "sample_store.h"
#include "summary_group.h"
#include "trend_bench_store.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// A line of /proc/self/status in megabytes (0 where there is none).
double MemoryMb(const char* field) {
    FILE* f = std::fopen("/proc/self/status", "r");
    if (f == nullptr)
        return 0.0;
    char line[256];
    double kb = 0.0;
    const size_t n = std::strlen(field);
    while (std::fgets(line, sizeof line, f) != nullptr) {
        if (std::strncmp(line, field, n) == 0)
            kb = std::atof(line + n);
    }
    std::fclose(f);
    return kb / 1024.0;
}

double ThreadSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec + t.tv_nsec * 1e-9;
}

double Since(Clock::time_point t) {
    return std::chrono::duration<double>(Clock::now() - t).count();
}

[[noreturn]] void Die(const std::string& what) {
    std::fprintf(stderr, "bench_trend: %s\n", what.c_str());
    std::exit(2);
}

void Report(const char* what, double value, const char* unit, double target, const char* note) {
    std::printf("%-44s %10.3f %-3s target %s %g %s: %s\n", what, value, unit, "<=", target, unit,
                value <= target ? "met" : "MISSED");
    if (note[0] != '\0')
        std::printf("    %s\n", note);
}

uint64_t TreeBytes(const fs::path& root, const char* extension) {
    uint64_t bytes = 0;
    for (const auto& e : fs::recursive_directory_iterator(root)) {
        if (e.is_regular_file() && (extension == nullptr || e.path().extension() == extension))
            bytes += e.file_size();
    }
    return bytes;
}

// Reads every file of the group's tree whole and un-inverts it: what any reader of all its
// records has to do at least.
double RawRead(const fs::path& groupFolder, uint64_t* bytes) {
    const Clock::time_point t = Clock::now();
    std::vector<char> buffer;
    *bytes = 0;
    for (const auto& e : fs::recursive_directory_iterator(groupFolder)) {
        if (!e.is_regular_file())
            continue;
        const int fd = storefs::OpenExclusive(e.path().string(), storefs::OpenMode::kExistingRead,
                                              nullptr, storefs::Names::kExact);
        if (fd < 0 || !storefs::ReadToEnd(fd, &buffer, 0))
            Die("cannot read " + e.path().string());
        storefs::CloseFile(fd);
        storefs::InvertBytes(buffer.data(), buffer.data(), buffer.size());
        *bytes += buffer.size();
    }
    return Since(t);
}

// A day of 1-second records of 20 channels after the store's end.
void AppendDay(const std::string& dataFolder, const LogGroup& group, SummarySeconds from) {
    RecordWriter writer(dataFolder, group.id, group.interval, "Data log", "");
    char values[512];
    for (SummarySeconds s = 0; s < 86400; s += std::max<uint32_t>(1, group.interval)) {
        int n = 0;
        for (int c = 0; c < 20; ++c)
            n += std::snprintf(values + n, sizeof values - n, c ? ",%.2f" : "%.2f",
                               (s % 977) * 0.37 + c);
        if (!writer.Append(SummaryTime(from + s), values))
            Die("cannot append a day to the store");
    }
    writer.Close();
}

}  // namespace

int main(int argc, char** argv) {
    std::string store;
    std::string groupName;
    std::string keptStaging;
    int days = 7;
    bool raw = true;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--store" && i + 1 < argc)
            store = argv[++i];
        else if (a == "--group" && i + 1 < argc)
            groupName = argv[++i];
        else if (a == "--staging" && i + 1 < argc)
            keptStaging = argv[++i];
        else if (a == "--no-raw")
            raw = false;
        else if (a == "--days" && i + 1 < argc)
            days = std::max(1, std::atoi(argv[++i]));
        else
            Die("usage: bench_trend [--store DIR --group NAME] [--days N] [--staging DIR] "
                "[--no-raw]");
    }
    char pattern[] = "/tmp/bench-trend-XXXXXX";
    const char* made = mkdtemp(pattern);
    if (made == nullptr)
        Die("cannot make a temporary folder");
    const std::string work = std::string(made) + "/";
    const bool generated = store.empty();
    std::string error;
    if (!TrendBenchStore(work, days, &store, &groupName, &error))
        Die(error);
    const std::string staging = keptStaging.empty() ? work + "staging" : keptStaging;
    SummaryGroup group;
    if (!group.Open(store, staging, groupName, &error))
        Die(error);
    char id[16];
    std::snprintf(id, sizeof id, "%X", group.Group().id);
    const fs::path groupFolder = fs::path(store) / id;
    const double span = double(group.To() - group.From());
    const double yearShare = 365.0 * 86400.0 / span;
    std::printf("group %s: %zu channels, %zu folders, %.1f days\n", groupName.c_str(),
                group.Channels().size(), group.FolderCount(), span / 86400.0);

    uint64_t rawBytes = 0;
    const double rawTime = raw ? RawRead(groupFolder, &rawBytes) : 0.0;
    if (!raw)
        rawBytes = TreeBytes(groupFolder, nullptr);
    Clock::time_point t = Clock::now();
    if (!group.Summarise(nullptr, nullptr))
        Die("summarising failed");
    const double build = Since(t);
    std::printf("raw read+invert of %.0f MB: %.2f s; summaries built: %.2f s\n", rawBytes / 1e6,
                rawTime, build);
    if (raw)
        Report("summaries / raw read", build / rawTime, "x", 4, "");
    Report("summaries of a year (scaled)", build * yearShare, "s", 10, "");
    const uint64_t summaryBytes = TreeBytes(staging, ".sum");
    Report("summary size / store size", 100.0 * summaryBytes / rawBytes, "%", 2,
           "minute and hour buckets of 1-second records, numbers as decimal mantissas");

    if (generated) {
        AppendDay(store, group.Group(), group.To());
        SummaryGroup grown;
        if (!grown.Open(store, staging, groupName, &error))
            Die(error);
        t = Clock::now();
        grown.Summarise(nullptr, nullptr);
        std::printf("%-44s %10.3f s   (%zu folders, one day of them new)\n",
                    "summarised again after a day was added", Since(t), grown.FolderCount());
    }

    struct Span {
        const char* name;
        double seconds;
    };
    // "whole panned": the whole span dragged by a few hundred columns at a time, so that no
    // column edge falls where the call before had one.
    const Span spans[] = {{"whole", span},  {"whole panned", span}, {"month", 31 * 86400.0},
                          {"day", 86400.0}, {"hour", 3600.0},       {"minute", 60.0}};
    std::mt19937 random(1);
    for (const Span& s : spans) {
        const double length = std::min(s.seconds, span);
        std::vector<double> times;
        std::vector<double> cpu;  // the thread's own time: what the call costs on a busy machine
        uint64_t read = 0;
        for (int run = 0; run < 15; ++run) {
            double start = (span - length) * (random() % 1000) / 1000.0;
            if (std::strcmp(s.name, "whole panned") == 0)
                start = span * ((random() % 600) - 300.0) / 1200.0;
            const ColumnSpan columns{group.From(), start + 0.37, start + 0.37 + length, 1200};
            SummaryColumns out;
            t = Clock::now();
            const double cpuFrom = ThreadSeconds();
            group.Columns(columns, &out);
            times.push_back(Since(t) * 1e3);
            cpu.push_back((ThreadSeconds() - cpuFrom) * 1e3);
            read += out.recordsRead;
        }
        std::sort(times.begin(), times.end());
        std::sort(cpu.begin(), cpu.end());
        char what[64];
        std::snprintf(what, sizeof what, "columns of a %s, 1200 wide: median", s.name);
        char note[128];
        std::snprintf(note, sizeof note,
                      "slowest %.2f ms; thread time median %.2f ms; %.0f records read a call",
                      times.back(), cpu[cpu.size() / 2], read / 15.0);
        Report(what, times[times.size() / 2], "ms", 50, note);
    }
    std::printf("%-44s %10.0f MB now, %.0f MB at most\n", "memory of the process",
                MemoryMb("VmRSS:"), MemoryMb("VmHWM:"));
    std::error_code ec;
    fs::remove_all(work, ec);
    return 0;
}
