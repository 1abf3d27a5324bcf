// The query measurements of the store benchmark: a one-day query and a 31-day thinned query,
// each into a new export file against the raw rate of the same blocks, and a query's heap
// growth.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include <algorithm>

#include "batch_read.h"
#include "calendar_time.h"
#include "export_writer.h"
#include "file_system.h"
#include "folder_list.h"
#include "log_store.h"
#include "store_api.h"
#include "store_bench_support.h"
#include "store_query.h"
#include "store_slots.h"
#include "time_folder.h"
#include "time_key.h"

namespace storebench {
namespace {

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

}  // namespace

// a. One day, every record, into an export file.
Score MeasureDayQuery(const StoreBench& bench) {
    const LogGroup& group = *bench.group;
    const std::string& work = bench.work;
    const CalendarTime& first = bench.first;
    const CalendarTime& dayEnd = bench.dayEnd;
    const FolderFiles& dayFiles = bench.dayFiles;
    Score score{1, 0};
    NewFiles out{work + "query-day-"};
    NewFiles lineOut{work + "query-day-lines-"};
    NewFiles rawOut{work + "raw-day-"};
    ExportResult result;
    ExportResult lineResult;
    std::vector<char> buffer;
    uint64_t rawBytes = 0;
    QueryCount sink;
    const std::vector<Timing> t = TimeEach(
        bench.runs,
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
    score.missed += !met;
    std::printf("a. query 1 day interval 0 into a new file: %u lines, %.1f MB\n", result.lines,
                result.bytes / 1e6);
    std::printf("   query (stored runs):          %s, %s\n", t[0].Text().c_str(),
                FormatRate(result.bytes, query).c_str());
    std::printf("   raw read+invert+write, same blocks: %s, %s\n", t[1].Text().c_str(),
                FormatRate(rawBytes, raw).c_str());
    std::printf("   rate ratio of medians %.2f (of best times %.2f) (target >= 0.70: %s)\n", ratio,
                bestRatio, Verdict(met));
    std::printf(
        "   breakdown: one line a callback into a new file: %s; into a counting sink "
        "(no file): %s\n",
        t[2].Text().c_str(), t[3].Text().c_str());
    return score;
}

// b. 31 days thinned to a minute.
Score MeasureMonthQuery(const StoreBench& bench) {
    const LogGroup& group = *bench.group;
    const std::string& dataFolder = bench.dataFolder;
    const std::string& work = bench.work;
    const CalendarTime& first = bench.first;
    const CalendarTime& monthEnd = bench.monthEnd;
    const FolderFiles& monthFiles = bench.monthFiles;
    Score score{2, 0};
    NewFiles out{work + "query-month-"};
    NewFiles twoOut{work + "query-month-two-"};
    NewFiles lineOut{work + "query-month-lines-"};
    NewFiles ringOut{work + "query-month-ring-"};
    NewFiles bothOut{work + "query-month-both-"};
    ExportResult result;
    ExportResult twoResult;
    ExportResult lineResult;
    ExportResult ringResult;
    ExportResult bothResult;
    std::vector<char> buffer;
    uint64_t rawBytes = 0;
    // One thread with preads; the helper thread reading ahead (preads, and its own ring); one
    // thread with the io_uring ring.
    const auto query = [&](bool helper, bool ring, bool lines, NewFiles* files, ExportResult* r) {
        SetQueryHelperThread(helper);
        SetQueryIoRing(ring);
        *r = QueryToFile(group.name, first, monthEnd, 60, files->Next(), lines);
        SetQueryHelperThread(true);
        SetQueryIoRing(true);
    };
    const bool ringOffered = BatchRead(true).RingInUse();
    const std::vector<Timing> t = TimeEach(
        bench.runs,
        {{[&] { query(false, false, false, &out, &result); }, [&] { out.Remove(); }},
         {[&] { rawBytes = ReadInvert(monthFiles.blocks, &buffer, -1); }},
         {[&] { query(true, false, false, &twoOut, &twoResult); }, [&] { twoOut.Remove(); }},
         {[&] { query(false, false, true, &lineOut, &lineResult); }, [&] { lineOut.Remove(); }},
         {[&] { OpenFilesBetween(group, dataFolder, first, monthEnd); }},
         {[&] { query(false, true, false, &ringOut, &ringResult); }, [&] { ringOut.Remove(); }},
         {[&] { query(true, true, false, &bothOut, &bothResult); }, [&] { bothOut.Remove(); }}});
    if (lineResult.bytes != result.bytes || lineResult.lines != result.lines ||
        twoResult.bytes != result.bytes || twoResult.lines != result.lines ||
        ringResult.bytes != result.bytes || ringResult.lines != result.lines ||
        bothResult.bytes != result.bytes || bothResult.lines != result.lines)
        Die("one thread, the helper thread, the ring and lines wrote different files");
    const double raw = t[1].MedianWall();
    const double ratio = t[0].MedianWall() / raw;
    const double twoRatio = t[2].MedianWall() / raw;
    const double ringRatio = t[5].MedianWall() / raw;
    const double bothRatio = t[6].MedianWall() / raw;
    const bool met = ratio <= 1.0;
    const bool twoMet = std::min({twoRatio, ringRatio, bothRatio}) <= 0.7;
    score.missed += !met + !twoMet;
    std::printf("b. query 31 days interval 60 into a new file: %u lines\n", result.lines);
    std::printf("   query, one thread:             %s\n", t[0].Text().c_str());
    std::printf("   query, with the helper thread: %s\n", t[2].Text().c_str());
    std::printf("   query, one thread, io_uring:   %s%s\n", t[5].Text().c_str(),
                ringOffered ? "" : " (no ring offered: preads)");
    std::printf("   query, helper thread, io_uring: %s\n", t[6].Text().c_str());
    std::printf("   raw read+invert of all blocks: %s, %s\n", t[1].Text().c_str(),
                FormatRate(rawBytes, raw).c_str());
    std::printf(
        "   cost ratio of medians, one thread %.3f (of best times %.3f) (target <= 1.0: "
        "%s)\n",
        ratio, t[0].BestWall() / t[1].BestWall(), Verdict(met));
    std::printf(
        "   cost ratio of medians, helper thread %.3f (of best times %.3f), io_uring %.3f (of "
        "best times %.3f), both %.3f (of best times %.3f) (target: the best <= 0.7: %s)\n",
        twoRatio, t[2].BestWall() / t[1].BestWall(), ringRatio, t[5].BestWall() / t[1].BestWall(),
        bothRatio, t[6].BestWall() / t[1].BestWall(), Verdict(twoMet));
    std::printf(
        "   breakdown: one line a callback, one thread: %s; listing the folders, "
        "reading their indexes and opening their %zu blocks the old way (locked): "
        "%s\n",
        t[3].Text().c_str(), monthFiles.blocks.size(), t[4].Text().c_str());
    return score;
}

// d. Heap growth of interval-0 queries into a counting sink.
Score MeasureQueryHeap(const StoreBench& bench) {
    const LogGroup& group = *bench.group;
    const CalendarTime& first = bench.first;
    const CalendarTime& dayEnd = bench.dayEnd;
    const CalendarTime& monthEnd = bench.monthEnd;
    const FolderFiles& monthFiles = bench.monthFiles;
    Score score{1, 0};
    const uint64_t bound = monthFiles.largestBlock + monthFiles.largestIndex;
    int64_t growth[2] = {0, 0};
    QueryCount counts[2];
    const CalendarTime ends[2] = {dayEnd, monthEnd};
    for (int i = 0; i < 2; ++i) {
        const int64_t before = ResetHeapPeak();
        StoreQuery(kDataRecords, group.name.c_str(), &first, &ends[i], 0, &counts[i], CountLine);
        growth[i] = HeapPeak() - before;
    }
    const bool met =
        growth[0] <= static_cast<int64_t>(bound) && growth[1] <= static_cast<int64_t>(bound);
    score.missed += !met;
    std::printf(
        "d. query heap peak growth, interval 0: 1 day (%llu lines) %.1f KB, 31 days "
        "(%llu lines) %.1f KB; bound one block + one index = %.1f KB + %.1f KB "
        "(%s)\n",
        static_cast<unsigned long long>(counts[0].lines), growth[0] / 1024.0,
        static_cast<unsigned long long>(counts[1].lines), growth[1] / 1024.0,
        monthFiles.largestBlock / 1024.0, monthFiles.largestIndex / 1024.0, Verdict(met));
    return score;
}

}  // namespace storebench
