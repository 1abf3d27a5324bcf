// What the store benchmarks share: heap accounting, timed runs taken in turns, the group under
// test, and the block files a query visits.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "calendar_time.h"

struct LogGroup;

namespace storebench {

using Clock = std::chrono::steady_clock;

// Says what went wrong and ends the benchmark with status 2.
[[noreturn]] void Die(const std::string& what);

double Seconds(Clock::time_point from, Clock::time_point to);

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

// A measured piece of work and what it does after each run, untimed (removing its output file).
struct Work {
    std::function<void()> run;
    std::function<void()> after = [] {};
};

// One warm-up call of each, then `runs` rounds of timed calls, taking turns so that every
// measurement sees the machine in the same state.
std::vector<Timing> TimeEach(int runs, const std::vector<Work>& works);
// The best wall time of `runs` timed calls after a warm-up.
double BestOf(int runs, const std::function<void()>& work);

// A new folder under /tmp named after name; the path ends in "/".
std::string MakeTempFolder(const char* name);
// "met" or "MISSED".
const char* Verdict(bool met);
// "1.23 GB/s" or "456 MB/s".
std::string FormatRate(double bytes, double seconds);

// The heap accounting: malloc and its relatives, replaced in this benchmark, count the bytes in
// use. ResetHeapPeak starts a new high-water mark at the current use and returns that use;
// HeapPeak is the high-water mark since.
int64_t ResetHeapPeak();
int64_t HeapPeak();

// A store callback that keeps the text it is given in a std::string.
void CollectText(void* context, const char* text, uint32_t length);
// The lines of text, without their line ends.
std::vector<std::string> Lines(const std::string& text);
// The children of a tree position of a group (the years for a null treePath).
std::vector<std::string> ListItems(int kind, const std::string& group, const char* treePath);

// The block files (native paths) and the largest block and index of the group's folders that
// a query from start to end visits.
struct FolderFiles {
    std::vector<std::string> blocks;
    uint64_t blockBytes = 0;
    uint64_t largestBlock = 0;
    uint64_t largestIndex = 0;
    uint32_t folders = 0;
};

FolderFiles FilesBetween(const LogGroup& group, const std::string& dataFolder,
                         const CalendarTime& start, const CalendarTime& end);

CalendarTime AddSeconds(const CalendarTime& t, int64_t seconds);

// What every measurement works on: the timed runs, the work folder, the group under test, its
// first day and its first 31 days of records, and where the ten-year tree is kept.
struct StoreBench {
    int runs = 9;
    std::string work;
    std::string tree;
    const LogGroup* group = nullptr;
    std::string dataFolder;
    CalendarTime first;
    CalendarTime dayEnd;
    CalendarTime monthEnd;
    FolderFiles dayFiles;
    FolderFiles monthFiles;
};

// The targets a measurement judged and how many of them it missed.
struct Score {
    int targets = 0;
    int missed = 0;
};

// The measurements, by letter: a. one day, every record, into an export file; b. 31 days
// thinned to a minute; c. the eager fill of a ten-year hourly tree; d. the heap growth of
// interval-0 queries.
Score MeasureDayQuery(const StoreBench& bench);
Score MeasureMonthQuery(const StoreBench& bench);
Score MeasureTreeFill(const StoreBench& bench);
Score MeasureQueryHeap(const StoreBench& bench);

}  // namespace storebench
