// The store the trend's benchmarks measure: one given on the command line, or days of a 1-second
// group of 20 channels written into a working folder.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "log_store.h"
#include "sample_store.h"

// Leaves *store and *groupName as given when *store is set; otherwise writes `days` days under
// work and names them. False, with the reason in *error, when the store cannot be written or
// read back.
inline bool TrendBenchStore(const std::string& work, int days, std::string* store,
                            std::string* groupName, std::string* error) {
    if (!store->empty())
        return true;
    std::printf("writing %d days of a 1-second group of 20 channels...\n", days);
    if (!WriteBenchStore(work + "store", 1, static_cast<uint32_t>(days) * 86400, error))
        return false;
    *store = work + "store/DL/";
    std::vector<LogGroup> groups;
    if (!ReadGroupsOf(*store, &groups) || groups.empty()) {
        *error = "the written store has no group";
        return false;
    }
    *groupName = groups[0].name;
    return true;
}
