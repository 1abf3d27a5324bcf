// Round trip: random records written the way the recorder writes them, read back through the
// store functions and checked against a plain model of what a query and an export deliver.
//
// The model of a query: nothing unless some record lies in [start, end]; otherwise the two
// header lines, then the first record at or after start, and from then on the first record at or
// after the previously delivered one + interval (every record when the interval is 0), up to and
// including end. Folder boundaries play no part in it.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "export_writer.h"
#include "record_writer.h"
#include "store_api.h"
#include "store_fixture.h"

namespace {

using namespace storetest;
using Strings = std::vector<std::string>;

struct ModelRecord {
    uint64_t seconds;  // since 1601-01-01
    CalendarTime time;
    std::string line;  // as stored, without "\n"
};

struct ModelGroup {
    std::string name;
    uint32_t id;
    uint32_t interval;
    int depth;
    std::string header1;
    std::string header2;  // without "Time,"
    std::vector<ModelRecord> records;
};

uint64_t Seconds(const CalendarTime& t) {
    uint64_t ft = 0;
    CalendarToFileTime(t, &ft);
    return ft / kFileTimeUnitsPerSecond;
}

CalendarTime FromSeconds(uint64_t s) {
    CalendarTime t;
    FileTimeToCalendar(s * kFileTimeUnitsPerSecond, &t);
    return t;
}

std::string TreePath(const TimeKey& key) {
    char buf[32];
    std::string path;
    for (int i = 0; i <= key.count; ++i) {
        std::snprintf(buf, sizeof buf, i == 0 ? "%04hu" : "\\%02hu", key.value[i]);
        path += buf;
    }
    return path;
}

class QueryModelTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        dir_ = new TempDir;
        data_ = dir_->Path() + "DL\\";
        staging_ = dir_->Path() + "DLTemp\\";
        fs::create_directories(Native(data_));
        fs::create_directories(Native(staging_));
        std::mt19937 rng(20110517);
        groups_ = {
            // name, id, interval, first record, records, shortest and longest gap, a gap that
            // skips folders and how often per mille it comes, value bytes
            MakeGroup(rng, "Seconds", 0x11, 1, At(2011, 12, 31, 20, 50), 9000, {1, 3, 3600, 1},
                      300),
            MakeGroup(rng, "HalfHour", 0x2B, 1800, At(2012, 2, 25, 7), 700,
                      {600, 7200, 3 * 86400, 20}, 40),
            MakeGroup(rng, "Daily", 0x3C, 86400, At(2011, 11, 20), 300,
                      {3600, 3 * 86400, 60 * 86400, 20}, 30),
            MakeGroup(rng, "Monthly", 0x4D, 2592000, At(2010, 10, 1), 120,
                      {86400, 40 * 86400, 700 * 86400, 20}, 20),
        };
        std::vector<RootIndexEntry> entries;
        for (ModelGroup& g : groups_) {
            entries.push_back({g.name, g.id, g.interval});
            RecordWriter writer(data_, g.id, g.interval, g.header1, g.header2);
            for (const ModelRecord& r : g.records) {
                const std::string values = r.line.substr(20);
                ASSERT_TRUE(writer.Append(r.time, values.c_str()));
            }
            ASSERT_TRUE(writer.Close());
        }
        ASSERT_TRUE(WriteRootIndex(data_, entries.data(), entries.size()));
    }

    static void TearDownTestSuite() {
        delete dir_;
        dir_ = nullptr;
    }

    void SetUp() override { ASSERT_TRUE(StoreOpen(kDataRecords, data_.c_str(), staging_.c_str())); }
    void TearDown() override { StoreClose(kDataRecords); }

    struct Gaps {
        uint32_t shortest;
        uint32_t longest;
        uint32_t skip;
        uint32_t skipPerMille;
    };

    static ModelGroup MakeGroup(std::mt19937& rng, const std::string& name, uint32_t id,
                                uint32_t interval, const CalendarTime& first, int count,
                                const Gaps& gaps, size_t valueBytes) {
        ModelGroup g{name,
                     id,
                     interval,
                     DepthFromInterval(interval),
                     "Group " + name,
                     "a,b,\xB1\xA8\xBE\xAF",
                     {}};
        uint64_t s = Seconds(first);
        for (int i = 0; i < count; ++i) {
            const uint32_t roll = rng() % 1000;
            if (roll < 20) {
                s += 0;  // two records in the same second
            } else if (roll < 20 + gaps.skipPerMille) {
                s += gaps.skip * (1 + rng() % 3);
            } else {
                s += gaps.shortest + rng() % (gaps.longest - gaps.shortest + 1);
            }
            ModelRecord r{s, FromSeconds(s), ""};
            std::string values = std::to_string(i) + "," + std::to_string(rng() % 100000);
            while (values.size() < valueBytes)
                values += static_cast<char>('0' + rng() % 10);
            r.line = Stamp(r.time) + "," + values;
            g.records.push_back(std::move(r));
        }
        return g;
    }

    static Strings ModelQuery(const ModelGroup& g, uint64_t start, uint64_t end,
                              uint32_t interval) {
        Strings out;
        uint64_t next = start;
        for (const ModelRecord& r : g.records) {
            if (r.seconds > end)
                break;
            if (r.seconds < next)
                continue;
            if (out.empty())
                out = {g.header1, "Time," + g.header2};
            out.push_back(r.line);
            if (interval != 0)
                next = r.seconds + interval;
        }
        return out;
    }

    static std::set<std::string> FolderPaths(const ModelGroup& g, int level) {
        std::set<std::string> paths;
        for (const ModelRecord& r : g.records) {
            paths.insert(TreePath(KeyFromTime(r.time, level)));
        }
        return paths;
    }

    static TempDir* dir_;
    static std::string data_;
    static std::string staging_;
    static std::vector<ModelGroup> groups_;
};

TempDir* QueryModelTest::dir_ = nullptr;
std::string QueryModelTest::data_;
std::string QueryModelTest::staging_;
std::vector<ModelGroup> QueryModelTest::groups_;

TEST_F(QueryModelTest, RandomQueriesMatchTheModel) {
    std::mt19937 rng(4242);
    const uint32_t intervals[] = {0,   0,    1,    2,     7,          60,
                                  599, 3600, 7200, 86400, 30 * 86400, UINT32_MAX};
    size_t delivered = 0;
    for (const ModelGroup& g : groups_) {
        const uint64_t first = g.records.front().seconds;
        const uint64_t span = g.records.back().seconds - first;
        for (int q = 0; q < 200; ++q) {
            const uint64_t start = first - span / 10 + rng() % (span + span / 5);
            const int64_t length = static_cast<int64_t>(rng() % (span / 2 + 1)) -
                                   (rng() % 10 == 0 ? static_cast<int64_t>(span / 20) : 0);
            const uint64_t end = static_cast<uint64_t>(static_cast<int64_t>(start) + length);
            const uint32_t interval =
                q % 4 == 3 ? static_cast<uint32_t>(rng() % (span / 3 + 1))
                           : intervals[rng() % (sizeof intervals / sizeof intervals[0])];
            const CalendarTime from = FromSeconds(start);
            const CalendarTime to = FromSeconds(end);
            Collected c;
            const bool ok = StoreQuery(kDataRecords, g.name.c_str(), &from, &to, interval, &c,
                                       &Collected::Line);
            const Strings expected = ModelQuery(g, start, end, interval);
            ASSERT_EQ(c.texts, expected) << g.name << " from " << Stamp(from) << " to " << Stamp(to)
                                         << " every " << interval;
            ASSERT_EQ(ok, !expected.empty());
            delivered += expected.size();
        }
    }
    EXPECT_GT(delivered, 20000u);  // the ranges are not all empty
}

TEST_F(QueryModelTest, QueryExportFilesMatchTheModel) {
    std::mt19937 rng(99);
    for (const ModelGroup& g : groups_) {
        const uint64_t first = g.records.front().seconds;
        const uint64_t span = g.records.back().seconds - first;
        for (int q = 0; q < 4; ++q) {
            const uint64_t start = first + rng() % (span / 2);
            const uint64_t end = start + rng() % (span / 2);
            const uint32_t interval = q == 0 ? 0 : static_cast<uint32_t>(rng() % 5000);
            const CalendarTime from = FromSeconds(start);
            const CalendarTime to = FromSeconds(end);
            const std::string path = staging_ + "query.csv";
            ExportWriter writer;
            writer.SetTarget(path, ExportWriter::Encoding::kInverted);
            StoreQuery(kDataRecords, g.name.c_str(), &from, &to, interval, &writer,
                       &ExportWriter::LineCallback);
            ASSERT_TRUE(writer.Finish());
            std::string expected;
            for (const std::string& line : ModelQuery(g, start, end, interval)) {
                expected += line + "\n";
            }
            EXPECT_EQ(writer.Created(), !expected.empty());
            if (writer.Created()) {
                EXPECT_EQ(ReadInvertedFile(path), expected) << g.name;
                fs::remove(Native(path));
            }
        }
    }
}

TEST_F(QueryModelTest, ItemExportIsHeaderAndEveryRecordOfTheFolder) {
    bool rotated = false;
    for (const ModelGroup& g : groups_) {
        for (const std::string& item : FolderPaths(g, g.depth)) {
            std::string expected = g.header1 + "\nTime," + g.header2 + "\n";
            for (const ModelRecord& r : g.records) {
                if (TreePath(KeyFromTime(r.time, g.depth)) == item)
                    expected += r.line + "\n";
            }
            ExportWriter writer;
            const std::string path = staging_ + "item.csv";
            writer.SetTarget(path, ExportWriter::Encoding::kInverted);
            ASSERT_TRUE(StoreExportItem(kDataRecords, g.name.c_str(), item.c_str(), &writer,
                                        &ExportWriter::ChunkCallback))
                << g.name << " " << item;
            ASSERT_TRUE(writer.Finish());
            ASSERT_EQ(ReadInvertedFile(path), expected) << g.name << " " << item;
            rotated = rotated || writer.Chunks() > 1;
        }
    }
    EXPECT_TRUE(rotated) << "no folder of the test data has more than one block";
}

TEST_F(QueryModelTest, ListingsShowEveryFolderLevelByLevel) {
    for (const ModelGroup& g : groups_) {
        for (int level = 0; level <= g.depth; ++level) {
            // Expected children of every parent at this level.
            std::map<std::string, std::string> children;
            for (const std::string& path : FolderPaths(g, level)) {
                const size_t cut = path.rfind('\\');
                const std::string parent = cut == std::string::npos ? "" : path.substr(0, cut);
                children[parent] += path.substr(cut == std::string::npos ? 0 : cut + 1) + "\n";
            }
            for (const auto& [parent, lines] : children) {
                Collected c;
                ASSERT_TRUE(StoreListItems(kDataRecords, g.name.c_str(),
                                           parent.empty() ? nullptr : parent.c_str(), &c,
                                           &Collected::Items, false));
                EXPECT_EQ(c.texts, Strings({lines})) << g.name << " " << parent;
                EXPECT_EQ(c.leaves, std::vector<int>({level == g.depth ? 1 : 0}));
            }
        }
    }
}

}  // namespace
