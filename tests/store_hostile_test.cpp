// A data folder that the store functions must leave untouched, and damaged or hostile input.
#include <linux/fs.h>
#include <sys/ioctl.h>

#include "store_api_fixture.h"
#include "store_query.h"

namespace {

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

TEST_F(HostileStoreTest, DamagedFoldersYieldOnlyTheirReadableLinesAndAreNamed) {
    ASSERT_TRUE(Open());
    bool ok = false;
    // What could not be read is named, read line by line or on the interval grid: the index of
    // 12 bytes first, then the missing blocks 1 and 255 of 06-03.
    for (uint32_t interval : {0u, 1u}) {
        ReadProblem problem;
        Query("Bad", At(2010, 1, 1), At(2011, 6, 30), interval, &ok, -1, &problem);
        EXPECT_EQ(problem.kind, ReadProblem::Kind::kPartialIndex) << interval;
        EXPECT_EQ(problem.size, 12u) << interval;
        EXPECT_EQ(problem.path, Native(data_ + "5\\2011\\06\\01.idx")) << interval;
        EXPECT_EQ(problem.count, 3u) << interval;
    }
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

// A block whose last line lost its "\n" (a copy cut short, or the line the panel is writing):
// whatever that line still holds, it is no record. Every way of querying and exporting leaves it
// out and counts it.
TEST_F(StoreApiTest, LastLineWithoutItsEndIsLeftOutAndCounted) {
    const std::string day17 = data_ + "2\\2011\\05\\17(0).csv";
    const std::string block0 = data_ + "2\\2011\\05\\19(0).csv";
    WriteRaw(day17, ReadRaw(day17).substr(0, ReadRaw(day17).size() - 3));  // "...00:01:00,v"
    WriteRaw(block0, ReadRaw(block0).substr(0, ReadRaw(block0).size() - 1));
    WriteInvertedFile(data_ + "2\\2011\\05\\19(1).csv", kHead1 + "\nTime,Le");
    ASSERT_TRUE(Open());
    auto text = [](const Strings& lines) {
        std::string joined;
        for (const std::string& line : lines)
            joined += line + "\n";
        return joined;
    };
    const Strings every = {"2011-05-17 00:00:00,v0",  "2011-05-17 00:00:10,v10",
                           "2011-05-17 00:00:20,v20", "2011-05-17 00:00:30,v30",
                           "2011-05-17 00:00:40,v40", "2011-05-17 00:00:50,v50"};
    // Every record read as it goes; a grid read ahead on the helper thread and on this one,
    // through the ring where the kernel offers one and without.
    const struct {
        uint32_t interval;
        bool helper;
        bool ring;
        Strings records;
    } queries[] = {{0, true, true, every},
                   {30, true, true, {every[0], every[3]}},
                   {30, false, false, {every[0], every[3]}}};
    const CalendarTime from = At(2011, 5, 17);
    const CalendarTime to = At(2011, 5, 17, 0, 1);
    for (const auto& q : queries) {
        SCOPED_TRACE(q.interval);
        SetQueryHelperThread(q.helper);
        SetQueryIoRing(q.ring);
        StoreLeftOut left;
        Collected lines;
        EXPECT_TRUE(StoreQuery(kDataRecords, "Tank", &from, &to, q.interval, &lines,
                               &Collected::Line, nullptr, &left));
        EXPECT_EQ(lines.texts, Records(q.records));
        EXPECT_EQ(left.unendedLines, 1u);
    }
    SetQueryHelperThread(true);
    SetQueryIoRing(true);

    // Exports end such a block after the line before. A block cut inside its header lines
    // holds no record and is delivered as it is.
    const std::string head = kHead1 + "\n" + kHead2 + "\n";
    const struct {
        const char* item;
        Strings chunks;
        uint32_t unended;
    } exports[] = {
        {"2011\\05\\17", {head + text(every)}, 1},
        {"2011\\05\\17(0)", {head + text(every)}, 1},
        {"2011\\05\\19", {head + "2011-05-19 00:00:01,a\n", kHead1 + "\nTime,Le"}, 1},
        {"2011\\05\\19(1)", {kHead1 + "\nTime,Le"}, 0},
    };
    for (const auto& e : exports) {
        SCOPED_TRACE(e.item);
        Collected c;
        StoreLeftOut left;
        left.unendedLines = 7;
        EXPECT_TRUE(
            StoreExportItem(kDataRecords, "Tank", e.item, &c, &Collected::Text, nullptr, &left));
        EXPECT_EQ(c.texts, e.chunks);
        EXPECT_EQ(left.unendedLines, e.unended);
    }
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
        // A block's text, or that text without a last line that has no "\n".
        for (const std::string& chunk : Export("Tank", item.c_str())) {
            EXPECT_TRUE(std::any_of(blockTexts.begin(), blockTexts.end(), [&](const auto& text) {
                return text == chunk ||
                       (!chunk.empty() && chunk.back() == '\n' && text.rfind(chunk, 0) == 0 &&
                        text.find('\n', chunk.size()) == std::string::npos);
            }));
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
    ReadProblem problem;
    EXPECT_TRUE(FinishesInTime(
        [&] { lines = Query("..\\..", At(2011, 6, 1), At(2011, 6, 2), 0, &ok, -1, &problem); },
        {block}));
    EXPECT_EQ(lines, Strings());
    EXPECT_TRUE(ok);
    EXPECT_EQ(problem.kind, ReadProblem::Kind::kNotAFile);
    EXPECT_EQ(problem.path, Native(block));
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
