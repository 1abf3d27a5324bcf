// The store functions' test fixture: a data folder of four groups (two of them with records
// written through the recorder's rules, one across midnight, one never opened) and helpers that
// collect what the functions deliver.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <future>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "export_writer.h"
#include "log_text_file.h"
#include "record_writer.h"
#include "store_api.h"
#include "store_fixture.h"

namespace {

using namespace storetest;
using Strings = std::vector<std::string>;

const std::string kHead1 = kHeader1;
const std::string kHead2 = std::string("Time,") + kHeader2;

class StoreApiTest : public ::testing::Test {
  protected:
    void SetUp() override {
        fs::create_directories(Native(staging_));
        fs::create_directories(Native(data_));
        const RootIndexEntry groups[] = {
            {"Tank", 2, 1800}, {"Flow", 3, 1800}, {"Zero", 0, 60}, {"Fast", 4, 10}};
        ASSERT_TRUE(WriteRootIndex(data_, groups, 4));
        // Tank: a record every 10 s from 00:00:00 to 00:01:00.
        RecordWriter tank(data_, 2, 1800, kHeader1, kHeader2);
        for (int s = 0; s <= 60; s += 10) {
            ASSERT_TRUE(
                tank.Append(At(2011, 5, 17, 0, s / 60, s % 60), ("v" + std::to_string(s)).c_str()));
        }
        ASSERT_TRUE(tank.Close());
        // Tank, another day: two blocks of two records each.
        RawFolder two;
        two.Add(1, 0, "2011-05-19 00:00:01,a");
        two.Add(2, 0, "2011-05-19 00:00:02,b");
        two.Add(3, 1, "2011-05-19 00:00:03,c");
        two.Add(4, 1, "2011-05-19 00:00:04,d");
        two.Write(data_, "2\\2011\\05\\19");
        // Flow: every 10 minutes from 20:00 to 04:00 the next day.
        RecordWriter flow(data_, 3, 1800, kHeader1, kHeader2);
        for (int m = 20 * 60; m <= 28 * 60; m += 10) {
            const int day = 17 + m / (24 * 60);
            ASSERT_TRUE(flow.Append(At(2011, 5, day, m / 60 % 24, m % 60), "f"));
        }
        ASSERT_TRUE(flow.Close());
    }

    bool Open() { return StoreOpen(kDataRecords, data_.c_str(), staging_.c_str()); }

    Strings Query(const char* group, const CalendarTime& from, const CalendarTime& to,
                  uint32_t interval, bool* result = nullptr, int stopAfter = -1,
                  ReadProblem* problem = nullptr) {
        Collected c;
        c.stopAfter = stopAfter;
        const bool ok =
            StoreQuery(kDataRecords, group, &from, &to, interval, &c, &Collected::Line, problem);
        if (result != nullptr)
            *result = ok;
        return c.texts;
    }

    static Strings Records(Strings records) {
        records.insert(records.begin(), {kHead1, kHead2});
        return records;
    }

    Strings Export(const char* group, const char* item, bool* result = nullptr) {
        Collected c;
        const bool ok = StoreExportItem(kDataRecords, group, item, &c, &Collected::Text);
        if (result != nullptr)
            *result = ok;
        return c.texts;
    }

    TempDir dir_;
    std::string data_ = dir_.Path() + "DL\\";
    std::string staging_ = dir_.Path() + "DLTemp\\";
    SlotGuard slots_;
};

}  // namespace
