// The six store functions over the process-wide slots: opening and closing, listings, item
// export, the time query with its interval grid, the export file writer, a data folder that must
// stay untouched, and damaged or hostile input.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
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
                  uint32_t interval, bool* result = nullptr, int stopAfter = -1) {
        Collected c;
        c.stopAfter = stopAfter;
        const bool ok = StoreQuery(kDataRecords, group, &from, &to, interval, &c, &Collected::Line);
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

TEST_F(StoreApiTest, OpenChecksKindPathsAndSlot) {
    EXPECT_FALSE(StoreOpen(3, data_.c_str(), staging_.c_str()));
    EXPECT_FALSE(StoreOpen(-1, data_.c_str(), staging_.c_str()));
    EXPECT_FALSE(StoreOpen(kDataRecords, nullptr, staging_.c_str()));
    EXPECT_FALSE(StoreOpen(kDataRecords, data_.c_str(), ""));
    EXPECT_TRUE(StoreOpen(kReservedRecords, data_.c_str(), staging_.c_str()));
    Collected c;
    EXPECT_FALSE(StoreListGroups(kDataRecords, &c, &Collected::Text));
    EXPECT_FALSE(StoreListGroups(kReservedRecords, &c, &Collected::Text));

    ASSERT_TRUE(Open());
    EXPECT_FALSE(Open());
    EXPECT_TRUE(StoreOpen(kReservedRecords, data_.c_str(), staging_.c_str()));
    EXPECT_FALSE(StoreClose(kReservedRecords));
    EXPECT_FALSE(StoreClose(kAlarmRecords));
    EXPECT_TRUE(StoreClose(kDataRecords));
    EXPECT_FALSE(StoreClose(kDataRecords));
    EXPECT_TRUE(Open());
}

TEST_F(StoreApiTest, OpenAppendsSeparatorAndRefusesTooLongPaths) {
    const std::string bare = data_.substr(0, data_.size() - 1);
    ASSERT_TRUE(StoreOpen(kDataRecords, bare.c_str(), staging_.c_str()));
    Collected c;
    EXPECT_TRUE(StoreListGroups(kDataRecords, &c, &Collected::Text));
    ASSERT_TRUE(StoreClose(kDataRecords));

    const std::string long259 = std::string(258, 'd') + "\\";
    const std::string long260 = std::string(259, 'd') + "\\";
    EXPECT_FALSE(StoreOpen(kDataRecords, long260.c_str(), staging_.c_str()));
    EXPECT_FALSE(StoreOpen(kDataRecords, std::string(259, 'd').c_str(), staging_.c_str()));
    EXPECT_TRUE(StoreOpen(kDataRecords, long259.c_str(), staging_.c_str()));
}

TEST_F(StoreApiTest, FailedOpenLeavesSlotClosed) {
    const std::string noStaging = dir_.Path() + "missing\\";
    EXPECT_FALSE(StoreOpen(kDataRecords, data_.c_str(), noStaging.c_str()));
    Collected c;
    EXPECT_FALSE(StoreListGroups(kDataRecords, &c, &Collected::Text));
    EXPECT_FALSE(StoreClose(kDataRecords));
    EXPECT_TRUE(Open());
}

TEST_F(StoreApiTest, KindsUseSeparateSlots) {
    const std::string alarms = dir_.Path() + "AL\\";
    const std::string alarmStaging = dir_.Path() + "ALTemp\\";
    fs::create_directories(Native(alarms));
    fs::create_directories(Native(alarmStaging));
    const RootIndexEntry groups[] = {{"Alarms", 1, 1}};
    ASSERT_TRUE(WriteRootIndex(alarms, groups, 1));
    ASSERT_TRUE(Open());
    ASSERT_TRUE(StoreOpen(kAlarmRecords, alarms.c_str(), alarmStaging.c_str()));
    Collected data;
    Collected alarm;
    ASSERT_TRUE(StoreListGroups(kDataRecords, &data, &Collected::Text));
    ASSERT_TRUE(StoreListGroups(kAlarmRecords, &alarm, &Collected::Text));
    EXPECT_EQ(data.texts, Strings({"Tank\nFlow\nZero\nFast\n"}));
    EXPECT_EQ(alarm.texts, Strings({"Alarms\n"}));
    EXPECT_FALSE(StoreListGroups(kDataRecords, &data, nullptr));
}

TEST_F(StoreApiTest, ListItemsGivesOneTextWithLeafFlag) {
    ASSERT_TRUE(Open());
    Collected c;
    ASSERT_TRUE(StoreListItems(kDataRecords, "tank", nullptr, &c, &Collected::Items, false));
    ASSERT_TRUE(StoreListItems(kDataRecords, "Tank", "2011\\05", &c, &Collected::Items, false));
    ASSERT_TRUE(StoreListItems(kDataRecords, "Tank", "2011\\05", &c, &Collected::Items, true));
    EXPECT_EQ(c.texts, Strings({"2011\n", "17\n19\n", "17(0).csv\n19(0).csv\n19(1).csv\n"}));
    EXPECT_EQ(c.leaves, std::vector<int>({0, 1, 1}));
    EXPECT_FALSE(StoreListItems(kDataRecords, "Nope", nullptr, &c, &Collected::Items, false));
    EXPECT_FALSE(StoreListItems(kDataRecords, nullptr, nullptr, &c, &Collected::Items, false));
    EXPECT_FALSE(StoreListItems(kDataRecords, "Fast", nullptr, &c, &Collected::Items, false));
    EXPECT_FALSE(StoreListItems(kDataRecords, "Tank", "2011\\05", &c, nullptr, false));
    EXPECT_EQ(c.texts.size(), 3u);
}

TEST_F(StoreApiTest, ExportFolderDeliversEveryBlockWhole) {
    ASSERT_TRUE(Open());
    bool ok = false;
    const Strings chunks = Export("TANK", "2011\\05\\19", &ok);
    EXPECT_TRUE(ok);
    const std::string head = kHead1 + "\n" + kHead2 + "\n";
    EXPECT_EQ(chunks, Strings({head + "2011-05-19 00:00:01,a\n2011-05-19 00:00:02,b\n",
                               head + "2011-05-19 00:00:03,c\n2011-05-19 00:00:04,d\n"}));
    EXPECT_EQ(Export("Tank", "2011\\05\\19(1)"), Strings({chunks[1]}));
    EXPECT_EQ(Export("Tank", "2011\\05\\19(5)", &ok), Strings());
    EXPECT_FALSE(ok);

    // Through the export writer: the header lines once, then every record.
    ExportWriter writer;
    writer.SetTarget(dir_ / "DLTemp/Tank-2011-05-19.csv", ExportWriter::Encoding::kInverted);
    ASSERT_TRUE(StoreExportItem(kDataRecords, "Tank", "2011\\05\\19", &writer,
                                &ExportWriter::ChunkCallback));
    ASSERT_TRUE(writer.Finish());
    LogTextFile file;
    ASSERT_TRUE(file.Open((dir_ / "DLTemp/Tank-2011-05-19.csv").c_str(), true));
    EXPECT_EQ(std::string(file.Buffer().Data(), file.Buffer().Length()),
              head +
                  "2011-05-19 00:00:01,a\n2011-05-19 00:00:02,b\n2011-05-19 00:00:03,c\n"
                  "2011-05-19 00:00:04,d\n");
}

TEST_F(StoreApiTest, ExportOfItemAboveDepthOrUnknownYieldsNothing) {
    ASSERT_TRUE(Open());
    for (const char* item : {"2011\\05", "2011", "2011\\05\\19\\00", "2011\\05\\20", "", "x",
                             "..\\..\\2011\\05\\19", "2011\\05\\19\\..", "2011\\05\\19(1)(2)"}) {
        SCOPED_TRACE(item);
        bool ok = true;
        EXPECT_EQ(Export("Tank", item, &ok), Strings());
        EXPECT_FALSE(ok);
    }
    bool ok = true;
    EXPECT_EQ(Export("Nope", "2011\\05\\19", &ok), Strings());
    EXPECT_FALSE(ok);
    EXPECT_FALSE(StoreExportItem(kDataRecords, "Tank", nullptr, nullptr, &Collected::Text));
    EXPECT_FALSE(StoreExportItem(kDataRecords, "Tank", "2011\\05\\19", nullptr, nullptr));
}

TEST_F(StoreApiTest, ExportStopFlagEndsAfterCurrentBlock) {
    ASSERT_TRUE(Open());
    struct Stopper {
        int stop = 0;
        int calls = 0;
        static void Text(void* c, const char*, uint32_t) {
            auto* s = static_cast<Stopper*>(c);
            ++s->calls;
            s->stop = 1;
        }
    } s;
    EXPECT_TRUE(StoreExportItem(kDataRecords, "Tank", "2011\\05\\19", &s, &Stopper::Text, &s.stop));
    EXPECT_EQ(s.calls, 1);
}

TEST_F(StoreApiTest, QueryDeliversRecordsFromStartToEnd) {
    ASSERT_TRUE(Open());
    bool ok = false;
    EXPECT_EQ(Query("Tank", At(2011, 5, 17, 0, 0, 5), At(2011, 5, 17, 0, 0, 45), 0, &ok),
              Records({"2011-05-17 00:00:10,v10", "2011-05-17 00:00:20,v20",
                       "2011-05-17 00:00:30,v30", "2011-05-17 00:00:40,v40"}));
    EXPECT_TRUE(ok);
}

TEST_F(StoreApiTest, QueryIntervalPassesOverRecordsBelowTheGrid) {
    ASSERT_TRUE(Open());
    EXPECT_EQ(Query("Tank", At(2011, 5, 17, 0, 0, 5), At(2011, 5, 17, 0, 0, 45), 25),
              Records({"2011-05-17 00:00:10,v10", "2011-05-17 00:00:40,v40"}));
}

TEST_F(StoreApiTest, QueryEndIsInclusiveToTheSecond) {
    ASSERT_TRUE(Open());
    EXPECT_EQ(
        Query("Tank", At(2011, 5, 17), At(2011, 5, 17, 0, 1), 30),
        Records({"2011-05-17 00:00:00,v0", "2011-05-17 00:00:30,v30", "2011-05-17 00:01:00,v60"}));
    CalendarTime end = At(2011, 5, 17, 0, 0, 59);
    end.milliseconds = 999;
    EXPECT_EQ(Query("Tank", At(2011, 5, 17, 0, 0, 50), end, 0),
              Records({"2011-05-17 00:00:50,v50"}));
}

TEST_F(StoreApiTest, QueryCarriesIntervalGridAcrossMidnight) {
    ASSERT_TRUE(Open());
    EXPECT_EQ(Query("Flow", At(2011, 5, 17, 20, 25), At(2011, 5, 18, 3), 3600),
              Records({"2011-05-17 20:30:00,f", "2011-05-17 21:30:00,f", "2011-05-17 22:30:00,f",
                       "2011-05-17 23:30:00,f", "2011-05-18 00:30:00,f", "2011-05-18 01:30:00,f",
                       "2011-05-18 02:30:00,f"}));
    // The grid also runs on from a folder of a group's earlier days to Tank's 19th.
    EXPECT_EQ(Query("Tank", At(2011, 5, 17, 0, 0, 55), At(2011, 5, 20), 2 * 86400),
              Records({"2011-05-17 00:01:00,v60"}));
    EXPECT_EQ(Query("Tank", At(2011, 5, 17, 0, 0, 55), At(2011, 5, 20), 2 * 86400 - 58),
              Records({"2011-05-17 00:01:00,v60", "2011-05-19 00:00:02,b"}));
}

TEST_F(StoreApiTest, QueryStartAfterEndDeliversNothing) {
    ASSERT_TRUE(Open());
    bool ok = true;
    EXPECT_EQ(Query("Tank", At(2011, 5, 19), At(2011, 5, 17, 0, 0, 30), 0, &ok), Strings());
    EXPECT_FALSE(ok);
    EXPECT_EQ(Query("Tank", At(2011, 5, 17, 0, 0, 40), At(2011, 5, 17, 0, 0, 30), 0, &ok),
              Strings());
    EXPECT_FALSE(ok);
    EXPECT_EQ(Query("Tank", At(2011, 5, 18), At(2011, 5, 18, 23, 59, 59), 0, &ok), Strings());
    EXPECT_FALSE(ok);
}

TEST_F(StoreApiTest, QueryStopFlagEndsAfterTheLineThatSetIt) {
    ASSERT_TRUE(Open());
    EXPECT_EQ(Query("Flow", At(2011, 5, 17), At(2011, 5, 19), 0, nullptr, 5),
              Records({"2011-05-17 20:00:00,f", "2011-05-17 20:10:00,f", "2011-05-17 20:20:00,f"}));
    EXPECT_EQ(Query("Flow", At(2011, 5, 17), At(2011, 5, 19), 0, nullptr, 1), Strings({kHead1}));
    // Stopping on the last record of a folder ends the whole query.
    EXPECT_EQ(Query("Flow", At(2011, 5, 17, 23, 50), At(2011, 5, 19), 0, nullptr, 3),
              Records({"2011-05-17 23:50:00,f"}));
}

TEST_F(StoreApiTest, QueryWithHugeIntervalDeliversOnlyTheFirstRecord) {
    ASSERT_TRUE(Open());
    EXPECT_EQ(Query("Flow", At(2011, 5, 17, 23), At(2011, 5, 19), UINT32_MAX),
              Records({"2011-05-17 23:00:00,f"}));
    EXPECT_EQ(Query("Tank", At(1601, 1, 1), At(30827, 12, 31, 23, 59, 59), 0xFFFFFFF0u),
              Records({"2011-05-17 00:00:00,v0"}));
}

TEST_F(StoreApiTest, QueryRefusesBadArguments) {
    Collected c;
    const CalendarTime a = At(2011, 5, 17);
    const CalendarTime b = At(2011, 5, 18);
    EXPECT_FALSE(StoreQuery(kDataRecords, "Tank", &a, &b, 0, &c, &Collected::Line));  // closed
    ASSERT_TRUE(Open());
    const CalendarTime bad = At(2011, 2, 29);
    EXPECT_FALSE(StoreQuery(kDataRecords, "Tank", &bad, &b, 0, &c, &Collected::Line));
    EXPECT_FALSE(StoreQuery(kDataRecords, "Tank", &a, &bad, 0, &c, &Collected::Line));
    CalendarTime wild = b;
    wild.minute = 61;
    EXPECT_FALSE(StoreQuery(kDataRecords, "Tank", &a, &wild, 0, &c, &Collected::Line));
    EXPECT_FALSE(StoreQuery(kDataRecords, "Tank", nullptr, &b, 0, &c, &Collected::Line));
    EXPECT_FALSE(StoreQuery(kDataRecords, "Tank", &a, nullptr, 0, &c, &Collected::Line));
    EXPECT_FALSE(StoreQuery(kDataRecords, "Tank", &a, &b, 0, &c, nullptr));
    EXPECT_FALSE(StoreQuery(kDataRecords, nullptr, &a, &b, 0, &c, &Collected::Line));
    EXPECT_FALSE(StoreQuery(kDataRecords, "Nope", &a, &b, 0, &c, &Collected::Line));
    EXPECT_FALSE(StoreQuery(kAlarmRecords, "Tank", &a, &b, 0, &c, &Collected::Line));
    EXPECT_FALSE(StoreQuery(kReservedRecords, "Tank", &a, &b, 0, &c, &Collected::Line));
    EXPECT_TRUE(c.texts.empty());
}

TEST_F(StoreApiTest, GroupWithIdZeroListsButNeverOpensFolders) {
    RawFolder raw;
    raw.Add(5, 0, "2011-05-17 00:00:05,z");
    raw.Write(data_, "0\\2011\\05\\17\\00");
    ASSERT_TRUE(Open());
    Collected c;
    EXPECT_TRUE(StoreListItems(kDataRecords, "Zero", "2011\\05\\17", &c, &Collected::Items, false));
    EXPECT_EQ(c.texts, Strings({"00\n"}));
    bool ok = true;
    EXPECT_EQ(Export("Zero", "2011\\05\\17\\00", &ok), Strings());
    EXPECT_FALSE(ok);
    EXPECT_EQ(Query("Zero", At(2011, 5, 17), At(2011, 5, 18), 0, &ok), Strings());
    EXPECT_FALSE(ok);
}

TEST_F(StoreApiTest, QueryExportFileHoldsHeadersOnceAndRecords) {
    ASSERT_TRUE(Open());
    ExportWriter writer;
    writer.SetTarget(dir_ / "DLTemp/q.csv", ExportWriter::Encoding::kInverted);
    const CalendarTime a = At(2011, 5, 17, 23, 40);
    const CalendarTime b = At(2011, 5, 18, 0, 10);
    ASSERT_TRUE(StoreQuery(kDataRecords, "Flow", &a, &b, 0, &writer, &ExportWriter::LineCallback));
    ASSERT_TRUE(writer.Finish());
    EXPECT_EQ(writer.Lines(), 6u);
    EXPECT_EQ(ReadInvertedFile(dir_ / "DLTemp/q.csv"),
              kHead1 + "\n" + kHead2 +
                  "\n2011-05-17 23:40:00,f\n2011-05-17 23:50:00,f\n2011-05-18 00:00:00,f\n"
                  "2011-05-18 00:10:00,f\n");
}

// ---- The export file writer ----

class ExportWriterTest : public ::testing::Test {
  protected:
    std::string Written() { return ReadInvertedFile(path_); }
    TempDir dir_;
    std::string path_ = dir_ / "out.csv";
};

TEST_F(ExportWriterTest, LaterChunksLoseTheirTwoHeaderLines) {
    ExportWriter w;
    w.SetTarget(path_, ExportWriter::Encoding::kInverted);
    const std::string first = "H\nTime,x\nr1\nr2";
    w.Chunk(first.data(), static_cast<uint32_t>(first.size()));
    for (const std::string& later :
         {std::string("H\nTime,x\nr3\n"), std::string("one line\n"), std::string("H\nTime,x\n"),
          std::string("H\nT\nr4"), std::string("no line end")}) {
        w.Chunk(later.data(), static_cast<uint32_t>(later.size()));
    }
    EXPECT_EQ(w.Chunks(), 6u);
    ASSERT_TRUE(w.Finish());
    EXPECT_EQ(Written(), "H\nTime,x\nr1\nr2\nr3\nr4\n");
}

TEST_F(ExportWriterTest, LinesGetOneLineFeedEach) {
    ExportWriter w;
    w.SetTarget(path_, ExportWriter::Encoding::kInverted);
    for (const char* line : {"H", "Time,x", "r1\n", ""}) {
        w.Line(line, static_cast<uint32_t>(std::strlen(line)));
    }
    ASSERT_TRUE(w.Finish());
    EXPECT_EQ(Written(), "H\nTime,x\nr1\n\n");
}

TEST_F(ExportWriterTest, FileIsCreatedOnFirstTextOnly) {
    WriteRaw(path_, "old");
    {
        ExportWriter w;
        w.SetTarget(path_, ExportWriter::Encoding::kInverted);
        EXPECT_TRUE(w.Finish());
        EXPECT_FALSE(w.Created());
    }
    EXPECT_EQ(ReadRaw(path_), "old");
    ExportWriter w;
    w.SetTarget(path_, ExportWriter::Encoding::kInverted);
    w.Line("a", 1);
    EXPECT_TRUE(w.Created());
    w.Discard();
    EXPECT_FALSE(Exists(path_));
}

TEST_F(ExportWriterTest, NewFileModeRefusesExistingFile) {
    WriteRaw(path_, "keep");
    ExportWriter w;
    w.SetTarget(path_, ExportWriter::Encoding::kInverted, ExportWriter::Create::kNew);
    w.Line("a", 1);
    EXPECT_TRUE(w.Failed());
    EXPECT_FALSE(w.Finish());
    EXPECT_EQ(ReadRaw(path_), "keep");
}

TEST_F(ExportWriterTest, LargeOutputPlainAndToDescriptor) {
    std::string expected;
    ExportWriter w;
    w.SetTarget(path_, ExportWriter::Encoding::kPlain);
    for (int i = 0; i < 40000; ++i) {
        const std::string line = "2011-05-17 00:00:00," + std::to_string(i * 7919);
        w.Line(line.data(), static_cast<uint32_t>(line.size()));
        expected += line + "\n";
    }
    ASSERT_TRUE(w.Finish());
    EXPECT_EQ(ReadRaw(path_), expected);
    EXPECT_EQ(w.Bytes(), expected.size());

    const int fd = open((dir_ / "fd.csv").c_str(), O_RDWR | O_CREAT, 0644);
    ASSERT_GE(fd, 0);
    ExportWriter d;
    d.SetDescriptor(fd, ExportWriter::Encoding::kInverted);
    d.Line("x", 1);
    ASSERT_TRUE(d.Finish());
    EXPECT_EQ(write(fd, "", 0), 0);  // still open: the descriptor is the caller's
    close(fd);
    EXPECT_EQ(ReadInvertedFile(dir_ / "fd.csv"), "x\n");
}

// ---- The data folder is never written ----

// Makes every file and folder under root unwritable for the life of the guard: immutable when
// running as root (permissions do not stop root), read-only modes otherwise.
class ReadOnlyTree {
  public:
    explicit ReadOnlyTree(const std::string& root) {
        for (const auto& e : fs::recursive_directory_iterator(Native(root))) {
            paths_.push_back(e.path().string());
        }
        paths_.push_back(Native(root));
        ok_ = true;
        for (const std::string& p : paths_)
            ok_ = Set(p, true) && ok_;
    }
    ~ReadOnlyTree() {
        for (const std::string& p : paths_)
            Set(p, false);
    }
    bool Ok() const { return ok_; }

  private:
    static bool Set(const std::string& path, bool locked) {
        struct stat st;
        if (stat(path.c_str(), &st) != 0)
            return false;
        if (geteuid() != 0) {
            const mode_t mode =
                S_ISDIR(st.st_mode) ? (locked ? 0555 : 0755) : (locked ? 0444 : 0644);
            return chmod(path.c_str(), mode) == 0;
        }
        const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK);
        if (fd < 0)
            return false;
        int flags = 0;
        bool ok = ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
        if (ok) {
            flags = locked ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
            ok = ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
        }
        close(fd);
        return ok;
    }

    std::vector<std::string> paths_;
    bool ok_ = false;
};

TEST_F(StoreApiTest, DataFolderIsByteForByteUnchangedByEveryFunction) {
    const auto before = Snapshot(data_);
    auto unchanged = [&](const char* step) { EXPECT_EQ(Snapshot(data_), before) << step; };
    ASSERT_TRUE(Open());
    unchanged("open");
    Collected c;
    ASSERT_TRUE(StoreListGroups(kDataRecords, &c, &Collected::Text));
    unchanged("list groups");
    for (const char* path : {static_cast<const char*>(nullptr), "2011", "2011\\05"}) {
        for (bool blocks : {false, true}) {
            StoreListItems(kDataRecords, "Tank", path, &c, &Collected::Items, blocks);
        }
    }
    unchanged("list items");
    ASSERT_TRUE(StoreExportItem(kDataRecords, "Tank", "2011\\05\\19", &c, &Collected::Text));
    ASSERT_TRUE(StoreExportItem(kDataRecords, "Tank", "2011\\05\\19(1)", &c, &Collected::Text));
    unchanged("export");
    const CalendarTime a = At(2011, 5, 17);
    const CalendarTime b = At(2011, 5, 20);
    ASSERT_TRUE(StoreQuery(kDataRecords, "Flow", &a, &b, 600, &c, &Collected::Line));
    unchanged("query");
    ASSERT_TRUE(StoreClose(kDataRecords));
    unchanged("close");
    // A staging copy that differs is not copied back either.
    WriteInvertedFile(staging_ + "NewDLRoot.idx", "Other=9,9\n");
    ASSERT_TRUE(Open());
    ASSERT_TRUE(StoreClose(kDataRecords));
    unchanged("reopen with another staging copy");
}

TEST_F(StoreApiTest, ReadOnlyDataFolderStaysReadable) {
    ReadOnlyTree lock(data_);
    if (!lock.Ok())
        GTEST_SKIP() << "cannot make the data folder read-only here";
    const int probe = open(Native(data_ + "2\\2011\\05\\19.idx").c_str(), O_RDWR);
    if (probe >= 0) {
        close(probe);
        GTEST_SKIP() << "read-only files are still writable here";
    }
    ASSERT_TRUE(Open());
    Collected c;
    ASSERT_TRUE(StoreListItems(kDataRecords, "Tank", "2011\\05", &c, &Collected::Items, true));
    EXPECT_EQ(c.texts.back(), "17(0).csv\n19(0).csv\n19(1).csv\n");
    EXPECT_EQ(Export("Tank", "2011\\05\\19").size(), 2u);
    EXPECT_EQ(Export("Tank", "2011\\05\\19(1)").size(), 1u);
    EXPECT_EQ(Query("Flow", At(2011, 5, 17, 23, 50), At(2011, 5, 18, 0, 5), 0),
              Records({"2011-05-17 23:50:00,f", "2011-05-18 00:00:00,f"}));
}

// ---- Damaged and hostile input ----

class HostileStoreTest : public StoreApiTest {
  protected:
    void SetUp() override {
        StoreApiTest::SetUp();
        const RootIndexEntry groups[] = {{"Bad", 5, 1800}, {"..\\..", 6, 1800}, {"a/b", 7, 1800}};
        ASSERT_TRUE(WriteRootIndex(data_, groups, 3));
        // 06-01: index of 12 bytes.
        RawFolder odd;
        odd.Add(1, 0, "2011-06-01 00:00:01,odd");
        odd.Write(data_, "5\\2011\\06\\01");
        WriteRaw(data_ + "5\\2011\\06\\01.idx", ReadRaw(data_ + "5\\2011\\06\\01.idx") + "abcd");
        // 06-02: seconds that go backwards.
        RawFolder back;
        for (uint32_t s : {50u, 40u, 30u, 60u, 10u})
            back.Add(s, 0, "back " + std::to_string(s));
        back.Write(data_, "5\\2011\\06\\02");
        // 06-03: offsets past the end, a missing block, empty, NUL and huge lines.
        RawFolder odd3;
        odd3.Add(1, 0, std::string("nul\0inside", 10));
        odd3.Add(2, 0, "");
        odd3.Add(3, 0, "after empty");
        odd3.entries.push_back(IndexEntry::Make(4, 0xFFFFFF, 0));
        odd3.Add(5, 1, "in missing block");
        odd3.Add(6, 2, std::string(1 << 20, 'h'));
        odd3.Add(7, 2, "last");
        odd3.entries.push_back(IndexEntry::Make(8, 3, 255));  // block 255 never written
        odd3.Write(data_, "5\\2011\\06\\03");
        fs::remove(Native(data_ + "5\\2011\\06\\03(1).csv"));
        // Groups whose names look like paths still read their own folders.
        RawFolder dots;
        dots.Add(1, 0, "2011-06-01 00:00:01,dots");
        dots.Write(data_, "6\\2011\\06\\01");
        // A folder name that parses but is no date, and stray names in the tree.
        RawFolder month0;
        month0.Add(1, 0, "month zero");
        month0.Write(data_, "5\\2011\\00\\05");
        WriteRaw(data_ + "5\\2011\\stray.txt", "");
        WriteRaw(data_ + "5\\2011\\06\\99999.idx", "");
    }
};

TEST_F(HostileStoreTest, DamagedFoldersYieldOnlyTheirReadableLines) {
    ASSERT_TRUE(Open());
    bool ok = false;
    const Strings lines = Query("Bad", At(2010, 1, 1), At(2011, 6, 30), 0, &ok);
    EXPECT_TRUE(ok);
    // From 06-02 the search meets entries in file order; whatever it picks must be real lines
    // of that folder, and every line of 06-03 that can be read comes out once.
    Strings fromBack;
    Strings rest;
    for (size_t i = 2; i < lines.size(); ++i) {
        (lines[i].rfind("back ", 0) == 0 ? fromBack : rest).push_back(lines[i]);
    }
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[0], kHead1);
    EXPECT_EQ(lines[1], kHead2);
    EXPECT_EQ(rest, Strings({std::string("nul\0inside", 10), "after empty", "after empty",
                             std::string(1 << 20, 'h'), "last"}));
    EXPECT_LE(fromBack.size(), 5u);
}

TEST_F(HostileStoreTest, DamagedFoldersExportWhatExists) {
    ASSERT_TRUE(Open());
    bool ok = true;
    EXPECT_EQ(Export("Bad", "2011\\06\\01", &ok), Strings());
    EXPECT_FALSE(ok);
    // A block item is read without its folder index.
    EXPECT_EQ(Export("Bad", "2011\\06\\01(0)", &ok).size(), 1u);
    EXPECT_TRUE(ok);
    const Strings blocks = Export("Bad", "2011\\06\\03", &ok);
    EXPECT_TRUE(ok);
    ASSERT_EQ(blocks.size(), 2u);  // blocks 0 and 2 of 256
    EXPECT_EQ(blocks[0].find(std::string("nul\0inside", 10)), kHead1.size() + kHead2.size() + 2);
    Collected c;
    ASSERT_TRUE(StoreListItems(kDataRecords, "Bad", "2011\\06", &c, &Collected::Items, false));
    // Names only: the unreadable 01 is listed, 99999 is kept as 16 bits.
    EXPECT_EQ(c.texts, Strings({"01\n02\n03\n34463\n"}));
}

TEST_F(HostileStoreTest, PathLikeGroupNamesStayInsideTheirFolders) {
    const auto before = Snapshot(dir_.Path());
    ASSERT_TRUE(Open());
    EXPECT_EQ(Query("..\\..", At(2011, 6, 1), At(2011, 6, 2), 0),
              Records({"2011-06-01 00:00:01,dots"}));
    EXPECT_EQ(Export("..\\..", "2011\\06\\01").size(), 1u);
    Collected c;
    EXPECT_TRUE(StoreListItems(kDataRecords, "..\\..", "..\\..", &c, &Collected::Items, false));
    EXPECT_EQ(c.texts, Strings({"2011\n"}));
    EXPECT_FALSE(StoreListItems(kDataRecords, "a/b", nullptr, &c, &Collected::Items, false));
    ASSERT_TRUE(StoreClose(kDataRecords));
    auto after = Snapshot(dir_.Path());
    after.erase("DLTemp/NewDLRoot.idx");
    EXPECT_EQ(after, before);
}

// Folders of random bytes: indexes with random seconds, offsets and blocks (some cut short),
// blocks of random text (some missing). Whatever the store delivers must be text of some block.
TEST_F(StoreApiTest, RandomlyDamagedFoldersDeliverOnlyTheirOwnText) {
    std::mt19937 rng(777);
    std::vector<std::string> blockTexts;
    for (int day = 1; day <= 20; ++day) {
        char stem[32];
        std::snprintf(stem, sizeof stem, "2\\2012\\01\\%02d", day);
        std::vector<uint32_t> sizes(5, 0);
        for (uint32_t n = 0; n < 5; ++n) {
            if (rng() % 4 == 0)
                continue;  // missing block
            std::string text(rng() % 2000, '\0');
            for (char& c : text)
                c = rng() % 8 == 0 ? '\n' : static_cast<char>(rng() % 256);
            sizes[n] = static_cast<uint32_t>(text.size());
            char suffix[16];
            std::snprintf(suffix, sizeof suffix, "(%X).csv", n);
            WriteInvertedFile(data_ + stem + suffix, text);
            blockTexts.push_back(text);
        }
        std::string index;
        uint32_t seconds = rng() % 1000;
        const uint32_t count = rng() % 300;
        for (uint32_t i = 0; i < count; ++i) {
            seconds += rng() % 10 == 0 ? -static_cast<uint32_t>(rng() % 50) : rng() % 600;
            const uint32_t block = rng() % 6;
            const uint32_t offset = rng() % (block < 5 ? sizes[block] + 50 : 100);
            IndexEntry e = IndexEntry::Make(seconds & kMaxEntrySeconds, offset, block);
            e.word0 |= rng() % 16;
            index += EntryBytes({e});
        }
        if (rng() % 10 == 0 && !index.empty())
            index.resize(index.size() - 1 - rng() % 7);
        WriteRaw(data_ + stem + ".idx", Invert(index));
    }
    auto isBlockText = [&](const std::string& line) {
        for (const std::string& text : blockTexts) {
            for (size_t p = text.find(line); p != std::string::npos; p = text.find(line, p + 1)) {
                if (p + line.size() == text.size() || text[p + line.size()] == '\n')
                    return true;
            }
        }
        return false;
    };
    ASSERT_TRUE(Open());
    for (int q = 0; q < 60; ++q) {
        const CalendarTime from = At(2012, 1, 1 + rng() % 20, rng() % 24, rng() % 60);
        const CalendarTime to = At(2012, 1, 1 + rng() % 21, rng() % 24, rng() % 60);
        const uint32_t interval = rng() % 3 == 0 ? 0 : rng() % 20000;
        for (const std::string& line : Query("Tank", from, to, interval)) {
            ASSERT_FALSE(line.empty());
            ASSERT_TRUE(isBlockText(line)) << "query " << q;
        }
    }
    for (int day = 1; day <= 20; ++day) {
        const std::string item =
            "2012\\01\\" + std::string(day < 10 ? "0" : "") + std::to_string(day);
        for (const std::string& chunk : Export("Tank", item.c_str())) {
            EXPECT_NE(std::find(blockTexts.begin(), blockTexts.end(), chunk), blockTexts.end());
        }
    }
    Collected c;
    EXPECT_TRUE(StoreListItems(kDataRecords, "Tank", "2012\\01", &c, &Collected::Items, true));
}

// Runs f on a thread and waits a few seconds for it. A reader stuck in the open of a FIFO is set
// loose by opening the FIFOs for writing, so that a failing test still ends.
template <class F>
bool FinishesInTime(F f, const std::vector<std::string>& fifos) {
    std::packaged_task<void()> task(f);
    std::future<void> done = task.get_future();
    std::thread runner(std::move(task));
    const bool inTime = done.wait_for(std::chrono::seconds(5)) == std::future_status::ready;
    while (done.wait_for(std::chrono::milliseconds(10)) != std::future_status::ready) {
        for (const std::string& fifo : fifos) {
            const int fd = open(Native(fifo).c_str(), O_WRONLY | O_NONBLOCK);
            if (fd >= 0)
                close(fd);
        }
    }
    runner.join();
    return inTime;
}

TEST_F(HostileStoreTest, SpecialFilesInDataFolderNeverBlock) {
    const std::string block = data_ + "6\\2011\\06\\01(0).csv";
    fs::remove(Native(block));
    ASSERT_EQ(mkfifo(Native(block).c_str(), 0644), 0);
    ASSERT_TRUE(Open());
    bool ok = false;
    Strings lines;
    EXPECT_TRUE(FinishesInTime(
        [&] { lines = Query("..\\..", At(2011, 6, 1), At(2011, 6, 2), 0, &ok); }, {block}));
    EXPECT_EQ(lines, Strings());
    EXPECT_TRUE(ok);
    Strings chunks;
    EXPECT_TRUE(FinishesInTime([&] { chunks = Export("..\\..", "2011\\06\\01(0)"); }, {block}));
    EXPECT_EQ(chunks, Strings());

    // A FIFO in place of the data folder's root index: the store opens empty.
    const std::string alarms = dir_.Path() + "AL\\";
    const std::string alarmStaging = dir_.Path() + "ALTemp\\";
    fs::create_directories(Native(alarms));
    fs::create_directories(Native(alarmStaging));
    ASSERT_EQ(mkfifo(Native(alarms + "NewDLRoot.idx").c_str(), 0644), 0);
    bool opened = false;
    EXPECT_TRUE(FinishesInTime(
        [&] { opened = StoreOpen(kAlarmRecords, alarms.c_str(), alarmStaging.c_str()); },
        {alarms + "NewDLRoot.idx"}));
    EXPECT_TRUE(opened);
    Collected c;
    EXPECT_FALSE(StoreListGroups(kAlarmRecords, &c, &Collected::Text));

    LogTextFile plain;
    bool plainOpened = true;
    EXPECT_TRUE(FinishesInTime(
        [&] { plainOpened = plain.OpenPlainForReading(Native(block).c_str()); }, {block}));
    EXPECT_FALSE(plainOpened);
}

TEST_F(StoreApiTest, PathsUpToTheLimitOpenAndLongerOnesAreRefused) {
    // Under a data folder of D bytes, Tank's index "2\2011\05\19.idx" has D + 16 bytes and its
    // blocks "2\2011\05\19(n).csv" D + 19.
    auto makeData = [&](size_t length) {
        std::string d = dir_.Path() + std::string(120, 'p') + "/";
        d += std::string(length - d.size() - 1, 'q') + "\\";
        fs::create_directories(Native(d));
        fs::copy(Native(data_), Native(d), fs::copy_options::recursive);
        return d;
    };
    const CalendarTime a = At(2011, 5, 19);
    const CalendarTime b = At(2011, 5, 19, 1);
    bool ok = false;
    ASSERT_TRUE(StoreOpen(kDataRecords, makeData(240).c_str(), staging_.c_str()));
    EXPECT_EQ(Export("Tank", "2011\\05\\19(1)").size(), 1u);
    EXPECT_EQ(Export("Tank", "2011\\05\\19").size(), 2u);
    EXPECT_EQ(Query("Tank", a, b, 0).size(), 6u);
    ASSERT_TRUE(StoreClose(kDataRecords));

    // Block names of 260 bytes are refused; the index still opens, so the query finds entries
    // in range but can deliver none of their lines.
    ASSERT_TRUE(StoreOpen(kDataRecords, makeData(241).c_str(), staging_.c_str()));
    EXPECT_EQ(Export("Tank", "2011\\05\\19(1)", &ok).size(), 0u);
    EXPECT_FALSE(ok);
    EXPECT_EQ(Export("Tank", "2011\\05\\19", &ok).size(), 0u);
    EXPECT_FALSE(ok);
    EXPECT_EQ(Query("Tank", a, b, 0, &ok), Strings());
    EXPECT_TRUE(ok);
    ASSERT_TRUE(StoreClose(kDataRecords));

    ASSERT_TRUE(StoreOpen(kDataRecords, makeData(244).c_str(), staging_.c_str()));
    EXPECT_EQ(Query("Tank", a, b, 0, &ok), Strings());
    EXPECT_FALSE(ok);
}

}  // namespace
