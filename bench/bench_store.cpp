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
//   b. a 31-day query, interval 60, into a new export file: on one thread with preads at most
//      the time to read and invert every block of those days (1.0x); with the helper thread
//      reading batches of folders ahead, with io_uring on one thread, or with both, the best at
//      most 0.7x;
//   c. listing every tree position of a ten-year hourly tree (87,600 folders): under 1 s;
//   d. a query's heap growth stays within one block plus one folder index, whatever the range.

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "calendar_time.h"
#include "log_store.h"
#include "sample_store.h"
#include "store_api.h"
#include "store_bench_support.h"
#include "store_slots.h"

using storebench::AddSeconds;
using storebench::Die;
using storebench::FilesBetween;
using storebench::FolderFiles;
using storebench::ListItems;
using storebench::MakeTempFolder;

namespace {

namespace fs = std::filesystem;

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
    storebench::StoreBench bench;
    bench.runs = options.runs;
    bench.work = work;
    bench.tree = options.tree;
    bench.group = &group;
    bench.dataFolder = dataFolder;
    bench.first = first;
    bench.dayEnd = dayEnd;
    bench.monthEnd = monthEnd;
    bench.dayFiles = dayFiles;
    bench.monthFiles = monthFiles;
    const struct {
        char letter;
        storebench::Score (*measure)(const storebench::StoreBench&);
    } kMeasurements[] = {
        {'a', storebench::MeasureDayQuery},
        {'b', storebench::MeasureMonthQuery},
        {'c', storebench::MeasureTreeFill},
        {'d', storebench::MeasureQueryHeap},
    };
    for (const auto& m : kMeasurements) {
        if (options.only.find(m.letter) == std::string::npos)
            continue;
        const storebench::Score score = m.measure(bench);
        measured += score.targets;
        missed += score.missed;
    }

    StoreClose(kDataRecords);
    std::error_code ec;
    fs::remove_all(work, ec);
    std::printf("\n%d of %d targets met\n", measured - missed, measured);
    return options.strict && missed > 0 ? 1 : 0;
}
