// The tree measurement of the store benchmark: the eager fill of a ten-year hourly tree, as the
// viewer fills its trees at start.
#include <cstdio>
#include <filesystem>
#include <string>

#include "log_store.h"
#include "sample_store.h"
#include "store_api.h"
#include "store_bench_support.h"
#include "store_slots.h"

namespace storebench {
namespace {

namespace fs = std::filesystem;

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

}  // namespace

// c. Eager fill of a ten-year hourly tree.
Score MeasureTreeFill(const StoreBench& bench) {
    const std::string& work = bench.work;
    Score score{1, 0};
    if (!fs::exists(bench.tree + "complete"))
        WriteTree(bench.tree);
    const std::string treeStaging = work + "TreeTemp/";
    fs::create_directories(treeStaging);
    if (!StoreOpen(kAlarmRecords, (bench.tree + "DL/").c_str(), treeStaging.c_str())) {
        Die("cannot open the tree store in " + bench.tree);
    }
    TreeCount count;
    const double fill = BestOf(bench.runs, [&] { count = FillTree(kAlarmRecords); });
    StoreClose(kAlarmRecords);
    const bool met = fill < 1.0 && count.hours == size_t{kTreeDays} * 24;
    score.missed += !met;
    std::printf(
        "c. tree fill, 10 years of hourly folders: %.3f s for %zu years, %zu months, "
        "%zu days, %zu hour folders (target < 1 s: %s)\n",
        fill, count.years, count.months, count.days, count.hours, Verdict(met));
    return score;
}

}  // namespace storebench
