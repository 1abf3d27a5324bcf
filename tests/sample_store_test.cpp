// The sample-store writer: deterministic output, and demo and bench stores that read back
// through the store functions with the layout, names and records they promise.
#include <stdlib.h>
#ifndef _WIN32
#include <sys/wait.h>
#endif

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "calendar_time.h"
#include "sample_store.h"
#include "store_api.h"
#include "store_query.h"
#include "temp_folder.h"

namespace {

namespace fs = std::filesystem;

// GBK bytes of the demo's Chinese names.
const std::string kBoiler = "\xB9\xF8\xC2\xAF\xD2\xBB\xBA\xC5";   // 锅炉一号
const std::string kNetwork = "\xD1\xB9\xC1\xA6\xC1\xF7\xC1\xBF";  // 压力流量
const std::string kAlarms = "\xB1\xA8\xBE\xAF";                   // 报警

class ScratchDir {
  public:
    ScratchDir() : path_(MakeTestFolder("sample-store-tests/")) {}
    ~ScratchDir() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

  private:
    std::string path_;
};

// Every file under root, by relative path, with its bytes.
std::map<std::string, std::string> ReadTree(const std::string& root) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        if (entry.is_regular_file()) {
            std::ifstream in(entry.path(), std::ios::binary);
            files[fs::relative(entry.path(), root).generic_string()] =
                std::string(std::istreambuf_iterator<char>(in), {});
        }
    }
    return files;
}

void CollectText(void* context, const char* text, uint32_t length) {
    static_cast<std::vector<std::string>*>(context)->emplace_back(text, length);
}

struct Listing {
    std::string text;
    int leaf = -1;
};

void CollectItems(void* context, const char* text, uint32_t length, int leaf) {
    auto* listing = static_cast<Listing*>(context);
    listing->text.assign(text, length);
    listing->leaf = leaf;
}

void CollectLine(void* context, const char* line, uint32_t length, int*) {
    static_cast<std::vector<std::string>*>(context)->emplace_back(line, length);
}

CalendarTime At(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
    return MakeCalendarTime(y, mo, d, h, mi, s);
}

Listing List(int kind, const std::string& group, const char* path, bool blocks = false) {
    Listing listing;
    StoreListItems(kind, group.c_str(), path, &listing, CollectItems, blocks);
    return listing;
}

// Lines of a query: the two header lines, then the records.
std::vector<std::string> Query(int kind, const std::string& group, const CalendarTime& from,
                               const CalendarTime& to, uint32_t interval = 0) {
    std::vector<std::string> lines;
    StoreQuery(kind, group.c_str(), &from, &to, interval, &lines, CollectLine);
    return lines;
}

std::vector<std::string> Split(const std::string& text, char sep) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (size_t i = 0; i <= text.size(); ++i) {
        if (i == text.size() || text[i] == sep) {
            parts.push_back(text.substr(start, i - start));
            start = i + 1;
        }
    }
    return parts;
}

// One demo store for the tests of a process, opened as both kinds.
class DemoStore : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        dir_ = new ScratchDir;
        std::string error;
        ASSERT_TRUE(WriteSampleStore(*dir_ / "root", "demo", 1, &error)) << error;
        fs::create_directories(*dir_ / "DLTemp");
        fs::create_directories(*dir_ / "ALTemp");
    }
    static void TearDownTestSuite() {
        delete dir_;
        dir_ = nullptr;
    }
    void SetUp() override {
        ASSERT_TRUE(
            StoreOpen(kDataRecords, (*dir_ / "root/DL").c_str(), (*dir_ / "DLTemp").c_str()));
        ASSERT_TRUE(
            StoreOpen(kAlarmRecords, (*dir_ / "root/AL").c_str(), (*dir_ / "ALTemp").c_str()));
    }
    void TearDown() override {
        StoreClose(kDataRecords);
        StoreClose(kAlarmRecords);
    }

    static ScratchDir* dir_;
};

ScratchDir* DemoStore::dir_ = nullptr;

TEST(SampleStoreWriter, SameSeedSameBytesOtherSeedOtherValues) {
    ScratchDir dir;
    std::string error;
    ASSERT_TRUE(WriteSampleStore(dir / "a", "demo", 7, &error)) << error;
    ASSERT_TRUE(WriteSampleStore(dir / "b", "demo", 7, &error)) << error;
    ASSERT_TRUE(WriteSampleStore(dir / "c", "demo", 8, &error)) << error;
    const auto a = ReadTree(dir / "a");
    EXPECT_GT(a.size(), 100u);
    EXPECT_TRUE(a == ReadTree(dir / "b"));

    // The data groups keep their folders and times; only values (and alarm times) change.
    const auto c = ReadTree(dir / "c");
    size_t dataFiles = 0;
    size_t differingDataFiles = 0;
    for (const auto& [path, bytes] : a) {
        if (path.compare(0, 3, "DL/") != 0)
            continue;
        ASSERT_EQ(c.count(path), 1u) << path;
        ++dataFiles;
        if (c.at(path) != bytes)
            ++differingDataFiles;
    }
    EXPECT_GT(differingDataFiles, dataFiles / 4);
    EXPECT_EQ(a.at("DL/NewDLRoot.idx"), c.at("DL/NewDLRoot.idx"));
}

TEST(SampleStoreWriter, ReplacesOnlyTheLogTreesOfAnExistingFolder) {
    ScratchDir dir;
    const std::string root = dir / "root";
    fs::create_directories(root + "/DL/7/2000");
    fs::create_directories(root + "/al/old");
    fs::create_directories(root + "/DLX");
    std::ofstream(root + "/DL/stale.txt") << "x";
    std::ofstream(root + "/al/old/f") << "x";
    std::ofstream(root + "/DLX/keep") << "x";
    std::ofstream(root + "/keep.txt") << "x";
    std::string error;
    ASSERT_TRUE(WriteSampleStore(root, "demo", 1, &error)) << error;
    EXPECT_FALSE(fs::exists(root + "/DL/stale.txt"));
    EXPECT_FALSE(fs::exists(root + "/DL/7"));
    // A stale tree in another case would mix in (a case-blind file system would even keep its
    // spelling): the root holds the writer's spelling only.
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(root))
        names.insert(entry.path().filename().string());
    EXPECT_EQ(names, (std::set<std::string>{"AL", "DL", "DLX", "keep.txt"}));
    EXPECT_TRUE(fs::exists(root + "/AL/NewDLRoot.idx"));
    EXPECT_TRUE(fs::exists(root + "/DLX/keep"));
    EXPECT_TRUE(fs::exists(root + "/keep.txt"));
}

TEST(SampleStoreWriter, RefusesBadRequestsWithAReason) {
    ScratchDir dir;
    std::string error;
    EXPECT_FALSE(WriteSampleStore(dir / "x", "huge", 1, &error));
    EXPECT_NE(error.find("huge"), std::string::npos);
    EXPECT_FALSE(fs::exists(dir / "x"));
    error.clear();
    EXPECT_FALSE(WriteSampleStore("", "demo", 1, &error));
    EXPECT_FALSE(error.empty());
    std::ofstream(dir / "file") << "x";
    error.clear();
    EXPECT_FALSE(WriteSampleStore(dir / "file", "demo", 1, &error));
    EXPECT_FALSE(error.empty());
    error.clear();
#ifndef _WIN32  // where "\\" is no separator of the system's
    // A backslash would become a path separator inside the store.
    EXPECT_FALSE(WriteSampleStore(dir / "a\\b", "demo", 1, &error));
    EXPECT_FALSE(error.empty());
#endif
    EXPECT_FALSE(WriteSampleStore(dir / std::string(240, 'x'), "demo", 1, &error));
}

TEST(SampleStoreWriter, BenchShapedStoreOverTwoHours) {
    ScratchDir dir;
    std::string error;
    ASSERT_TRUE(WriteBenchStore(dir / "root", 1, 7200, &error)) << error;
    fs::create_directories(dir / "tmp");
    ASSERT_TRUE(StoreOpen(kDataRecords, (dir / "root/DL").c_str(), (dir / "tmp").c_str()));
    std::vector<std::string> groups;
    EXPECT_TRUE(StoreListGroups(kDataRecords, &groups, CollectText));
    EXPECT_EQ(groups, std::vector<std::string>{"Bench\n"});
    EXPECT_EQ(List(kDataRecords, "Bench", "2024\\01\\01").text, "00\n01\n");
    const auto lines = Query(kDataRecords, "Bench", At(2023, 1, 1), At(2025, 1, 1));
    ASSERT_EQ(lines.size(), 2u + 7200u);
    EXPECT_EQ(Split(lines[1], ',').size(), 21u);
    EXPECT_EQ(lines[2].substr(0, 20), "2024-01-01 00:00:00,");
    EXPECT_EQ(lines.back().substr(0, 20), "2024-01-01 01:59:59,");
    StoreClose(kDataRecords);
    // The alarm log is a store without groups.
    fs::create_directories(dir / "tmp2");
    ASSERT_TRUE(StoreOpen(kAlarmRecords, (dir / "root/AL").c_str(), (dir / "tmp2").c_str()));
    EXPECT_FALSE(StoreListGroups(kAlarmRecords, &groups, CollectText));
    StoreClose(kAlarmRecords);
}

// Two days of the year store: a 1-second group of 20 channels, stopped over New Year's night,
// with cells the panel could not read and alarms only while it records. The first of the two
// days, written alone, is the same bytes: a longer store grows a shorter one.
TEST(SampleStoreWriter, YearStoreOverTwoDays) {
    ScratchDir dir;
    std::string error;
    ASSERT_TRUE(WriteYearStore(dir / "two", 1, 2, &error)) << error;
    ASSERT_TRUE(WriteYearStore(dir / "one", 1, 1, &error)) << error;
    const auto two = ReadTree(dir / "two");
    for (const auto& [path, bytes] : ReadTree(dir / "one")) {
        ASSERT_EQ(two.count(path), 1u) << path;
        EXPECT_TRUE(two.at(path) == bytes) << path;
    }
    std::string root = two.at("DL/NewDLRoot.idx");
    for (char& c : root)
        c = static_cast<char>(~c);
    EXPECT_EQ(root, "Year1s=1,1\n");

    fs::create_directories(dir / "tmp");
    fs::create_directories(dir / "tmp2");
    ASSERT_TRUE(StoreOpen(kDataRecords, (dir / "two/DL").c_str(), (dir / "tmp").c_str()));
    ASSERT_TRUE(StoreOpen(kAlarmRecords, (dir / "two/AL").c_str(), (dir / "tmp2").c_str()));
    std::string day1, day2;
    for (int hour = 0; hour < 24; ++hour) {
        char name[4];
        std::snprintf(name, sizeof name, "%02d\n", hour);
        if (hour <= 21)
            day1 += name;
        if (hour >= 2)
            day2 += name;
    }
    EXPECT_EQ(List(kDataRecords, "Year1s", "2024\\01\\01").text, day1);
    EXPECT_EQ(List(kDataRecords, "Year1s", "2024\\01\\02").text, day2);

    // Every second but the 15,987 from 21:47:13 to 02:13:39, each with 20 values.
    const auto lines = Query(kDataRecords, "Year1s", At(2023, 1, 1), At(2025, 1, 1));
    ASSERT_EQ(lines.size(), 2u + 2 * 86400 - 15987);
    EXPECT_EQ(lines[0], "Data log: Year1s");
    const auto stop = std::find_if(lines.begin(), lines.end(), [](const std::string& line) {
        return line.compare(0, 19, "2024-01-01 21:47:12") == 0;
    });
    ASSERT_NE(stop, lines.end());
    EXPECT_EQ(stop[1].substr(0, 20), "2024-01-02 02:13:40,");
    size_t unreadable = 0;
    for (size_t i = 1; i < lines.size(); ++i) {
        const auto fields = Split(lines[i], ',');
        ASSERT_EQ(fields.size(), 21u) << lines[i];
        unreadable += static_cast<size_t>(std::count(fields.begin(), fields.end(), "####"));
    }
    EXPECT_GT(unreadable, 0u);

    const auto alarms = Query(kAlarmRecords, kAlarms, At(2023, 1, 1), At(2025, 1, 1));
    ASSERT_GT(alarms.size(), 2u + 9u);
    EXPECT_EQ(alarms[1], "Time,ID,Event,Message");
    for (size_t i = 2; i < alarms.size(); ++i) {
        const std::string at = alarms[i].substr(0, 19);
        EXPECT_TRUE(at <= "2024-01-01 21:47:12" || at >= "2024-01-02 02:13:40") << alarms[i];
    }
    StoreClose(kDataRecords);
    StoreClose(kAlarmRecords);
}

// A thinned query over many hour folders gives the same lines however its sparse folders are
// read: one by one, together on a ring, or batch by batch on the helper thread while the next
// batch is selected; and a stop ends it after the line that set it, whatever was read ahead.
TEST(SampleStoreWriter, ThinnedQueryGivesTheSameLinesReadAnyWay) {
    ScratchDir dir;
    std::string error;
    ASSERT_TRUE(WriteBenchStore(dir / "root", 1, 20 * 3600, &error)) << error;
    fs::create_directories(dir / "tmp");
    ASSERT_TRUE(StoreOpen(kDataRecords, (dir / "root/DL").c_str(), (dir / "tmp").c_str()));
    struct Stopping {
        std::vector<std::string> lines;
        size_t stopAfter = 0;
        static void Take(void* c, const char* line, uint32_t length, int* stop) {
            auto* self = static_cast<Stopping*>(c);
            self->lines.emplace_back(line, length);
            *stop = self->lines.size() == self->stopAfter ? 1 : 0;
        }
    };
    const auto query = [](bool helper, bool ring, size_t stopAfter) {
        SetQueryHelperThread(helper);
        SetQueryIoRing(ring);
        Stopping s;
        s.stopAfter = stopAfter;
        const CalendarTime from = At(2024, 1, 1);
        const CalendarTime to = At(2024, 1, 1, 23, 59, 59);
        StoreQuery(kDataRecords, "Bench", &from, &to, 60, &s, &Stopping::Take);
        SetQueryHelperThread(true);
        SetQueryIoRing(true);
        return s.lines;
    };
    const std::vector<std::string> alone = query(false, false, 0);
    ASSERT_EQ(alone.size(), 2u + 20 * 60);
    for (bool helper : {false, true}) {
        for (bool ring : {false, true}) {
            SCOPED_TRACE(std::string(helper ? "helper" : "alone") + (ring ? ", ring" : ""));
            EXPECT_EQ(query(helper, ring, 0), alone);
            for (size_t stopAfter : {size_t{1}, size_t{700}}) {
                EXPECT_EQ(query(helper, ring, stopAfter),
                          std::vector<std::string>(alone.begin(), alone.begin() + stopAfter));
            }
        }
    }
    StoreClose(kDataRecords);
}

TEST_F(DemoStore, GroupNamesComeBackByteExact) {
    std::vector<std::string> names;
    ASSERT_TRUE(StoreListGroups(kDataRecords, &names, CollectText));
    ASSERT_EQ(names.size(), 1u);
    EXPECT_EQ(names[0], "Line1\n" + kBoiler + "\nTank\n" + kNetwork + "\nEnergy\nSummary\n");
    names.clear();
    ASSERT_TRUE(StoreListGroups(kAlarmRecords, &names, CollectText));
    EXPECT_EQ(names, std::vector<std::string>{kAlarms + "\n"});

    const auto lines = Query(kDataRecords, kBoiler, At(2024, 2, 29, 12), At(2024, 2, 29, 12, 1));
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], "\xCA\xFD\xBE\xDD\xBC\xC7\xC2\xBC: " + kBoiler);  // 数据记录: 锅炉一号
    const auto columns = Split(lines[1], ',');
    ASSERT_EQ(columns.size(), 14u);
    EXPECT_EQ(columns[0], "Time");
    EXPECT_EQ(columns[1], "\xC2\xAF\xCC\xC5\xCE\xC2\xB6\xC8");  // 炉膛温度
    EXPECT_EQ(columns[4],
              "\xCE\xC2\xB6\xC8"
              "1");                              // 温度1
    EXPECT_EQ(columns[13], "\xCB\xAE\xB1\xC3");  // 水泵
}

TEST_F(DemoStore, EveryGroupHasTheDepthOfItsInterval) {
    // Interval 1, 30 and 600 s give hour folders, 3600 s days, 86400 s months, 15 days years.
    const std::vector<std::pair<std::string, int>> groups = {
        {"Line1", 3}, {kBoiler, 3}, {"Tank", 3}, {kNetwork, 2}, {"Energy", 1}, {"Summary", 0}};
    for (const auto& [name, depth] : groups) {
        std::string path;
        for (int level = 0;; ++level) {
            const Listing listing = List(kDataRecords, name, level == 0 ? nullptr : path.c_str());
            ASSERT_FALSE(listing.text.empty()) << name << " level " << level;
            if (listing.leaf == 1) {
                EXPECT_EQ(level, depth) << name;
                break;
            }
            ASSERT_LT(level, 3) << name;
            path += (level == 0 ? "" : "\\") + listing.text.substr(0, listing.text.find('\n'));
        }
    }
    const Listing alarmHours = List(kAlarmRecords, kAlarms, "2024\\02\\29");
    EXPECT_EQ(alarmHours.leaf, 1);
    EXPECT_FALSE(alarmHours.text.empty());
}

TEST_F(DemoStore, SwitchedOffPeriodsLeaveFoldersOut) {
    EXPECT_EQ(List(kDataRecords, "Line1", "2024\\01\\01").text, "00\n02\n");
    const std::string boilerHours = List(kDataRecords, kBoiler, "2024\\02\\29").text;
    EXPECT_NE(boilerHours.find("03\n08\n"), std::string::npos) << boilerHours;
    const std::string alarmHours = List(kAlarmRecords, kAlarms, "2024\\02\\29").text;
    EXPECT_EQ(alarmHours.find("04\n"), std::string::npos) << alarmHours;
    EXPECT_EQ(alarmHours.find("07\n"), std::string::npos) << alarmHours;
    const std::string tankDays = List(kDataRecords, "Tank", "2024\\02").text;
    EXPECT_NE(tankDays.find("23\n26\n"), std::string::npos) << tankDays;
    EXPECT_NE(tankDays.find("28\n29\n"), std::string::npos) << tankDays;
    const std::string networkDays = List(kDataRecords, kNetwork, "2023\\12").text;
    EXPECT_NE(networkDays.find("24\n27\n"), std::string::npos) << networkDays;
    EXPECT_EQ(List(kDataRecords, "Energy", "2023").text,
              "01\n02\n03\n04\n05\n06\n07\n09\n10\n11\n12\n");
    EXPECT_EQ(List(kDataRecords, "Summary", nullptr).text, "2019\n2020\n2022\n2023\n2024\n");

    // A query across the gap delivers the records on both sides and nothing in it.
    const auto lines =
        Query(kDataRecords, "Line1", At(2024, 1, 1, 0, 39, 50), At(2024, 1, 1, 2, 10, 5));
    ASSERT_EQ(lines.size(), 2u + 10u + 6u);
    EXPECT_EQ(lines[11].substr(0, 19), "2024-01-01 00:39:59");
    EXPECT_EQ(lines[12].substr(0, 19), "2024-01-01 02:10:00");
    CalendarTime from = At(2024, 1, 1, 1), to = At(2024, 1, 1, 1, 59, 59);
    std::vector<std::string> none;
    EXPECT_FALSE(StoreQuery(kDataRecords, "Line1", &from, &to, 0, &none, CollectLine));
    EXPECT_TRUE(none.empty());
}

TEST_F(DemoStore, BusyHourFoldersRotateTheirBlocks) {
    const std::string blocks = List(kDataRecords, "Line1", "2023\\12\\31", true).text;
    EXPECT_NE(blocks.find("23(1).csv\n"), std::string::npos) << blocks;
    std::vector<std::string> chunks;
    ASSERT_TRUE(StoreExportItem(kDataRecords, "Line1", "2023\\12\\31\\23", &chunks, CollectText));
    ASSERT_GE(chunks.size(), 2u);
    size_t records = 0;
    for (const std::string& chunk : chunks) {
        if (&chunk != &chunks.back()) {
            EXPECT_GE(chunk.size(), 160u * 1024u);  // a block closes only once it is this long
        }
        EXPECT_EQ(chunk.compare(0, 16, "Data log: Line1\n"), 0);
        const auto lines = Split(chunk, '\n');
        records += lines.size() - 3;  // two header lines and the empty piece after the last "\n"
    }
    EXPECT_EQ(records, 3600u);
}

TEST_F(DemoStore, QueriesOverTheYearEndAndTheLeapDay) {
    auto line1 =
        Query(kDataRecords, "Line1", At(2023, 12, 31, 23, 59, 50), At(2024, 1, 1, 0, 0, 10));
    ASSERT_EQ(line1.size(), 2u + 21u);
    EXPECT_EQ(line1[2].substr(0, 20), "2023-12-31 23:59:50,");
    EXPECT_EQ(line1[12].substr(0, 20), "2024-01-01 00:00:00,");
    EXPECT_EQ(line1.back().substr(0, 20), "2024-01-01 00:00:10,");

    auto boiler = Query(kDataRecords, kBoiler, At(2024, 2, 28, 23, 59), At(2024, 2, 29, 0, 1));
    ASSERT_EQ(boiler.size(), 2u + 5u);
    EXPECT_EQ(boiler[4].substr(0, 20), "2024-02-29 00:00:00,");
    // After the panel came back at 08:45:10 the records fall on :10 and :40.
    boiler = Query(kDataRecords, kBoiler, At(2024, 2, 29, 23, 59, 30), At(2024, 3, 1, 0, 0, 30));
    ASSERT_EQ(boiler.size(), 2u + 2u);
    EXPECT_EQ(boiler[2].substr(0, 20), "2024-02-29 23:59:40,");
    EXPECT_EQ(boiler[3].substr(0, 20), "2024-03-01 00:00:10,");

    // Hourly thinning of the 10-minute tank over the leap day: 29 records, none lost at midnight.
    auto tank = Query(kDataRecords, "Tank", At(2024, 2, 28, 22), At(2024, 3, 1, 2), 3600);
    ASSERT_EQ(tank.size(), 2u + 29u);
    EXPECT_EQ(tank[2 + 2].substr(0, 20), "2024-02-29 00:00:00,");
    EXPECT_EQ(tank.back().substr(0, 20), "2024-03-01 02:00:00,");

    auto network = Query(kDataRecords, kNetwork, At(2023, 12, 31, 22), At(2024, 1, 1, 2));
    EXPECT_EQ(network.size(), 2u + 5u);
    auto energy = Query(kDataRecords, "Energy", At(2024, 2, 27), At(2024, 3, 2));
    ASSERT_EQ(energy.size(), 2u + 5u);
    EXPECT_EQ(energy[4].substr(0, 10), "2024-02-29");
    auto summary = Query(kDataRecords, "Summary", At(2020, 12, 1), At(2022, 1, 31));
    ASSERT_EQ(summary.size(), 2u + 5u);
    EXPECT_EQ(summary[3].substr(0, 10), "2020-12-21");
    EXPECT_EQ(summary[4].substr(0, 10), "2022-01-01");
}

TEST_F(DemoStore, RecordsHoldOneWellFormedValuePerChannel) {
    for (const std::string& group : {std::string("Line1"), kBoiler, std::string("Tank"), kNetwork,
                                     std::string("Energy"), std::string("Summary")}) {
        const auto lines = Query(kDataRecords, group, At(2000, 1, 1), At(2030, 1, 1), 0);
        ASSERT_GT(lines.size(), 100u) << group;
        const size_t columns = Split(lines[1], ',').size();
        for (size_t i = 2; i < lines.size(); ++i) {
            const auto fields = Split(lines[i], ',');
            ASSERT_EQ(fields.size(), columns) << lines[i];
            for (size_t f = 1; f < fields.size(); ++f) {
                // Each value reads as a number and prints back the same, as "%.2f" or "%.0f".
                const std::string& v = fields[f];
                char* end = nullptr;
                const double d = std::strtod(v.c_str(), &end);
                ASSERT_TRUE(!v.empty() && *end == '\0') << lines[i];
                char again[64];
                std::snprintf(again, sizeof again,
                              v.find('.') != std::string::npos ? "%.2f" : "%.0f", d);
                ASSERT_EQ(v, again) << lines[i];
            }
        }
    }
}

TEST_F(DemoStore, AlarmLogHoldsIrregularMixedTextAlarms) {
    const auto lines = Query(kAlarmRecords, kAlarms, At(2024, 1, 1), At(2024, 12, 31));
    ASSERT_GT(lines.size(), 50u);
    EXPECT_EQ(lines[1], "Time,ID,Event,Message");
    std::map<std::string, int> events;
    std::set<std::string> seconds;
    bool gbk = false;
    bool ascii = false;
    bool sameSecond = false;
    for (size_t i = 2; i < lines.size(); ++i) {
        const auto fields = Split(lines[i], ',');
        ASSERT_EQ(fields.size(), 4u) << lines[i];
        EXPECT_EQ(fields[1].size(), 4u);
        ++events[fields[2]];
        bool high = false;
        for (unsigned char c : fields[3])
            high = high || c >= 0x80;
        (high ? gbk : ascii) = true;
        if (i > 2) {
            EXPECT_LE(lines[i - 1].substr(0, 19), fields[0]);
            sameSecond = sameSecond || lines[i - 1].substr(0, 19) == fields[0];
        }
    }
    EXPECT_EQ(events.size(), 3u);
    EXPECT_GE(events["ALM"], events["ACK"]);
    EXPECT_GE(events["ACK"], events["CLR"]);
    EXPECT_TRUE(gbk);
    EXPECT_TRUE(ascii);
    EXPECT_TRUE(sameSecond);  // bursts put several alarms into one second
}

// The command-line tool, when it has been built next to this test.
class MkstoreTool : public ::testing::Test {
  protected:
    void SetUp() override {
        const char* bin = std::getenv("HISTAVUE_BIN");
        tool_ = std::string(bin != nullptr ? bin : ".") + "/histavue-mkstore";
        if (!fs::exists(tool_)) {
            GTEST_SKIP() << "histavue-mkstore not built";
        }
    }
    int Run(const std::string& args) {
        const std::string command =
            tool_ + " " + args + " >" + dir_ / "out.txt" + " 2>" + dir_ / "err.txt";
        const int status = std::system(command.c_str());
#ifdef _WIN32
        return status;
#else
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
    }
    std::string Read(const std::string& name) {
        std::ifstream in(dir_ / name);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    std::string tool_;
    ScratchDir dir_;
};

TEST_F(MkstoreTool, ExitStatusTellsUsageFromFailure) {
    for (const char* args :
         {"", "--preset demo", "--out", "--out x --preset huge", "--out x --seed -1",
          "--out x --seed 4294967296", "--bogus", "--out x --days 2",
          "--out x --preset year --days 0", "--out x --preset year --days 3661"}) {
        EXPECT_EQ(Run(args), 2) << args;
        EXPECT_NE(Read("err.txt").find("usage:"), std::string::npos) << args;
        EXPECT_EQ(Read("out.txt"), "");
    }
    std::ofstream(dir_ / "file") << "x";
    EXPECT_EQ(Run("--out " + dir_ / "file"), 1);
    const std::string err = Read("err.txt");
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
}

TEST_F(MkstoreTool, WritesWhatTheLibraryWrites) {
    ASSERT_EQ(Run("--out " + dir_ / "cli" + " --seed=3 --preset demo"), 0) << Read("err.txt");
    const std::string summary = Read("out.txt");
    EXPECT_NE(summary.find("groups 7, records "), std::string::npos) << summary;
    std::string error;
    ASSERT_TRUE(WriteSampleStore(dir_ / "lib", "demo", 3, &error)) << error;
    EXPECT_TRUE(ReadTree(dir_ / "cli") == ReadTree(dir_ / "lib"));
}

}  // namespace
