// The query's read windows and its stored runs: lines that cross window ends, lines longer than
// a window, odd index offsets, and a block that shrinks while the query reads it. Whatever the
// layout, the lines must be those the plain block reader finds, and the stored runs and the
// export files must hold exactly the delivered lines.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "export_writer.h"
#include "record_writer.h"
#include "store_api.h"
#include "store_fixture.h"
#include "store_query.h"

namespace {

using namespace storetest;
using Strings = std::vector<std::string>;

const char* const kStem = "7\\2012\\03\\04";

struct Runs {
    std::string plain;  // the runs one after the other, un-inverted
    uint32_t lines = 0;
    int runs = 0;
    int stopAfterRuns = 0;    // set the stop flag on this run, or never
    int64_t truncateAt = -1;  // on the first record run, cut this block file there
    std::string truncatePath;

    static void Take(void* c, const char* stored, uint32_t length, uint32_t lines, int* stop) {
        auto* self = static_cast<Runs*>(c);
        EXPECT_GT(lines, 0u);
        EXPECT_EQ(stored[length - 1], static_cast<char>(~'\n'));
        self->plain += Invert(std::string(stored, length));
        self->lines += lines;
        if (self->lines > 2 && self->truncateAt >= 0) {
            EXPECT_EQ(truncate(Native(self->truncatePath).c_str(), self->truncateAt), 0);
            self->truncateAt = -1;
        }
        EXPECT_EQ(*stop, 0);
        *stop = ++self->runs == self->stopAfterRuns ? 1 : 0;
    }
};

struct ShrinkingLines : Collected {
    int64_t truncateAt = -1;
    std::string truncatePath;

    static void Take(void* c, const char* line, uint32_t length, int* stop) {
        auto* self = static_cast<ShrinkingLines*>(c);
        Collected::Line(c, line, length, stop);
        if (self->texts.size() > 2 && self->truncateAt >= 0) {
            EXPECT_EQ(truncate(Native(self->truncatePath).c_str(), self->truncateAt), 0);
            self->truncateAt = -1;
        }
    }
};

class QueryWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        fs::create_directories(Native(staging_));
        fs::create_directories(Native(data_));
        const RootIndexEntry groups[] = {{"Win", 7, 1800}};
        ASSERT_TRUE(WriteRootIndex(data_, groups, 1));
    }

    // The lines of every entry as the plain block reader finds them, headers first: what a
    // query of the whole folder with interval 0 delivers when the seconds are in order. A line
    // that ends its block without a "\n" is no record and is left out.
    Strings PlainReader() {
        TimeFolder folder(data_);
        Strings lines;
        if (!folder.OpenFolder(kStem))
            return lines;
        BlockReader reader;
        std::map<uint32_t, std::string> blocks;
        for (uint32_t i = 0; i < folder.EntryCount(); ++i) {
            const char* line = nullptr;
            uint32_t length = 0;
            if (!folder.LineAt(i, &reader, &line, &length) || length == 0)
                continue;
            const IndexEntry e = folder.Entry(i);
            if (blocks.count(e.Block()) == 0) {
                char suffix[16];
                std::snprintf(suffix, sizeof suffix, "(%X).csv", e.Block());
                blocks[e.Block()] = ReadInvertedFile(data_ + kStem + suffix);
            }
            const std::string& text = blocks[e.Block()];
            const size_t start = text.find_first_not_of('\n', e.Offset());
            if (start + length == text.size() && text.back() != '\n')
                continue;
            const std::string record(line, length);
            if (lines.empty()) {
                std::string first, second;
                reader.HeaderLines(&first, &second);
                lines = {first, second};
            }
            lines.push_back(record);
        }
        return lines;
    }

    static std::string Joined(const Strings& lines) {
        std::string text;
        for (const std::string& line : lines)
            text += line + "\n";
        return text;
    }

    // Queries the day with each interval through both deliveries, both export encodings, and
    // with and without the helper thread and the io_uring ring.
    void ExpectBothDeliveriesAgree(const Strings& expectedAtIntervalZero) {
        const CalendarTime from = At(2012, 3, 4);
        const CalendarTime to = At(2012, 3, 4, 23, 59, 59);
        ASSERT_TRUE(StoreOpen(kDataRecords, data_.c_str(), staging_.c_str()));
        for (uint32_t interval : {0u, 7u, 100u, 3600u}) {
            SCOPED_TRACE("interval " + std::to_string(interval));
            Collected alone;
            Collected ring;
            SetQueryHelperThread(false);
            SetQueryIoRing(false);
            const bool aloneHit =
                StoreQuery(kDataRecords, "Win", &from, &to, interval, &alone, &Collected::Line);
            // The sparse folders' reads submitted together on an io_uring ring, where the kernel
            // offers one, give the bytes the preads give.
            SetQueryIoRing(true);
            EXPECT_EQ(
                StoreQuery(kDataRecords, "Win", &from, &to, interval, &ring, &Collected::Line),
                aloneHit);
            EXPECT_EQ(ring.texts, alone.texts);
            SetQueryIoRing(false);
            SetQueryHelperThread(true);
            Collected lines;
            Runs runs;
            const bool lineHit =
                StoreQuery(kDataRecords, "Win", &from, &to, interval, &lines, &Collected::Line);
            const bool runHit =
                StoreQueryRuns(kDataRecords, "Win", &from, &to, interval, &runs, &Runs::Take);
            EXPECT_EQ(lineHit, runHit);
            EXPECT_EQ(lineHit, aloneHit);
            EXPECT_EQ(lines.texts, alone.texts);
            if (interval == 0) {
                EXPECT_EQ(lines.texts, expectedAtIntervalZero);
            }
            EXPECT_EQ(runs.plain, Joined(lines.texts));
            EXPECT_EQ(runs.lines, lines.texts.size());

            ExportWriter byLines, byRuns, plainRuns;
            byLines.SetTarget(dir_ / "lines.csv", ExportWriter::Encoding::kInverted);
            byRuns.SetTarget(dir_ / "runs.csv", ExportWriter::Encoding::kInverted);
            plainRuns.SetTarget(dir_ / "plain.csv", ExportWriter::Encoding::kPlain);
            StoreQuery(kDataRecords, "Win", &from, &to, interval, &byLines,
                       &ExportWriter::LineCallback);
            StoreQueryRuns(kDataRecords, "Win", &from, &to, interval, &byRuns,
                           &ExportWriter::RunCallback);
            StoreQueryRuns(kDataRecords, "Win", &from, &to, interval, &plainRuns,
                           &ExportWriter::RunCallback);
            ASSERT_TRUE(byLines.Finish() && byRuns.Finish() && plainRuns.Finish());
            EXPECT_EQ(byRuns.Lines(), byLines.Lines());
            EXPECT_EQ(ReadRaw(dir_ / "runs.csv"), ReadRaw(dir_ / "lines.csv"));
            EXPECT_EQ(ReadRaw(dir_ / "plain.csv"), Invert(ReadRaw(dir_ / "lines.csv")));
            SetQueryIoRing(true);
        }
        ASSERT_TRUE(StoreClose(kDataRecords));
    }

    TempDir dir_;
    std::string data_ = dir_.Path() + "DL\\";
    std::string staging_ = dir_.Path() + "DLTemp\\";
    SlotGuard slots_;
};

std::string RandomLine(std::mt19937& rng, size_t shortest, size_t longest) {
    std::string line(shortest + rng() % (longest - shortest + 1), 'x');
    for (char& c : line)
        c = static_cast<char>('0' + rng() % 75);
    return line;
}

// Folders laid out so that reads cross the window and block ends in every way.
TEST_F(QueryWindowTest, LinesAcrossWindowAndBlockEndsMatchThePlainReader) {
    std::mt19937 rng(12);
    struct Layout {
        const char* name;
        size_t lines;     // records, spread over the blocks
        size_t longLine;  // one record of this length in the middle, or 0
        bool lastWithoutLineEnd;
    };
    const Layout layouts[] = {
        {"lines across windows and blocks", 9000, 0, false},
        {"a line longer than a window", 400, 300 * 1024, false},
        {"last line without line end", 3000, 0, true},
        {"one long last line without line end", 1, 200 * 1024, true},
    };
    for (const Layout& layout : layouts) {
        SCOPED_TRACE(layout.name);
        RawFolder folder;
        for (size_t i = 0; i < layout.lines; ++i) {
            const size_t length =
                layout.longLine != 0 && i == layout.lines / 2 ? layout.longLine : 0;
            folder.Add(static_cast<uint32_t>(i * 86400 / layout.lines),
                       static_cast<uint32_t>(i * 3 / layout.lines),
                       length != 0 ? RandomLine(rng, length, length) : RandomLine(rng, 1, 160));
        }
        if (layout.lastWithoutLineEnd) {
            for (auto& block : folder.blocks)
                block.second.pop_back();
        }
        folder.Write(data_, kStem);
        ExpectBothDeliveriesAgree(PlainReader());
    }
}

// Entries that point at line feeds, into lines, at the same line twice, backwards, past the
// end, and into a missing block; and entries at line starts that pass over some lines, so that
// the text up to the next entry holds more than one line.
TEST_F(QueryWindowTest, OddOffsetsMatchThePlainReader) {
    std::mt19937 rng(34);
    for (int round = 0; round < 16; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        std::vector<std::string> texts(3);
        for (std::string& text : texts) {
            text.resize(rng() % 300000);
            for (char& c : text)
                c = rng() % 60 == 0 ? '\n' : static_cast<char>('a' + rng() % 26);
        }
        RawFolder folder;
        uint32_t seconds = 0;
        if (round % 2 == 0) {
            const uint32_t count = 1 + rng() % 3000;
            for (uint32_t i = 0; i < count; ++i) {
                seconds += rng() % 40;
                const uint32_t block = static_cast<uint32_t>(i * 4 / count);  // 3 is missing
                const size_t size = block < 3 ? texts[block].size() : 100;
                folder.entries.push_back(IndexEntry::Make(
                    seconds % 86400, static_cast<uint32_t>(rng() % (size + 20)), block));
            }
        } else {
            for (uint32_t n = 0; n < 3; ++n) {
                for (size_t at = 0; at < texts[n].size(); at = texts[n].find('\n', at) + 1) {
                    if (rng() % 4 != 0) {
                        seconds += rng() % 3;
                        folder.entries.push_back(
                            IndexEntry::Make(seconds, static_cast<uint32_t>(at), n));
                    }
                    if (texts[n].find('\n', at) == std::string::npos)
                        break;
                }
            }
        }
        for (uint32_t n = 0; n < 3; ++n)
            folder.blocks[n] = texts[n];
        fs::remove_all(Native(data_ + "7"));
        folder.Write(data_, kStem);
        ExpectBothDeliveriesAgree(PlainReader());
    }
}

// The stop flag ends a query after the line or the run that set it, whether lines are read as
// they are delivered (every record) or planned along a sparse grid.
TEST_F(QueryWindowTest, StopFlagEndsAfterTheLineOrRunThatSetIt) {
    std::mt19937 rng(78);
    RawFolder folder;
    for (uint32_t i = 0; i < 6000; ++i)
        folder.Add(i * 14, i * 3 / 6000, RandomLine(rng, 20, 120));
    folder.Write(data_, kStem);
    const CalendarTime from = At(2012, 3, 4);
    const CalendarTime to = At(2012, 3, 4, 23, 59, 59);
    ASSERT_TRUE(StoreOpen(kDataRecords, data_.c_str(), staging_.c_str()));
    // Every record, a grid read as it goes, and a grid read ahead.
    for (uint32_t interval : {0u, 100u, 3600u}) {
        SCOPED_TRACE("interval " + std::to_string(interval));
        Collected all;
        ASSERT_TRUE(StoreQuery(kDataRecords, "Win", &from, &to, interval, &all, &Collected::Line));
        for (int stopAfter : {1, 2, 5}) {
            Collected lines;
            lines.stopAfter = stopAfter;
            StoreQuery(kDataRecords, "Win", &from, &to, interval, &lines, &Collected::Line);
            EXPECT_EQ(lines.texts, Strings(all.texts.begin(), all.texts.begin() + stopAfter));
        }
        Runs unstopped;
        StoreQueryRuns(kDataRecords, "Win", &from, &to, interval, &unstopped, &Runs::Take);
        for (int stopAfterRuns : {1, 2, 3}) {
            Runs runs;
            runs.stopAfterRuns = stopAfterRuns;
            StoreQueryRuns(kDataRecords, "Win", &from, &to, interval, &runs, &Runs::Take);
            EXPECT_EQ(runs.runs, std::min(stopAfterRuns, unstopped.runs));
            EXPECT_EQ(runs.plain,
                      Joined(Strings(all.texts.begin(), all.texts.begin() + runs.lines)));
        }
    }
}

// Files are found whatever the ASCII case of their names, as the folder listing finds them.
TEST_F(QueryWindowTest, FilesOfAnyCaseAreRead) {
    const RootIndexEntry groups[] = {{"Hex", 0x1A, 1800}};
    ASSERT_TRUE(WriteRootIndex(data_, groups, 1));
    RawFolder folder;
    folder.Add(1, 0, "first");
    folder.Add(2, 10, "second");
    folder.Write(data_, "1a\\2012\\03\\04");
    const std::string day = Native(data_ + "1a/2012/03/");
    fs::rename(day + "04.idx", day + "04.IDX");
    fs::rename(day + "04(A).csv", day + "04(a).csv");
    const CalendarTime from = At(2012, 3, 4);
    const CalendarTime to = At(2012, 3, 4, 23, 59, 59);
    ASSERT_TRUE(StoreOpen(kDataRecords, data_.c_str(), staging_.c_str()));
    Collected lines;
    Runs runs;
    EXPECT_TRUE(StoreQuery(kDataRecords, "Hex", &from, &to, 0, &lines, &Collected::Line));
    EXPECT_TRUE(StoreQueryRuns(kDataRecords, "Hex", &from, &to, 0, &runs, &Runs::Take));
    const Strings expected = {kHeader1, std::string("Time,") + kHeader2, "first", "second"};
    EXPECT_EQ(lines.texts, expected);
    EXPECT_EQ(runs.plain, Joined(expected));
}

// A block cut short after the index was read: lines that now start past its end are not
// delivered, nor is the line that runs over the new end, in both deliveries.
TEST_F(QueryWindowTest, BlockThatShrinksWhileReadEndsWhereItNowEnds) {
    std::mt19937 rng(56);
    RawFolder folder;
    for (uint32_t i = 0; i < 4000; ++i)
        folder.Add(i * 20, 0, RandomLine(rng, 20, 120));
    folder.Write(data_, kStem);
    const std::string block = data_ + kStem + "(0).csv";
    const std::string text = folder.blocks[0];
    const size_t cut = text.size() / 2 + 7;  // inside a line, windows after the first one
    Strings expected;
    for (const std::string& line : Lines(text.substr(0, cut)))
        expected.push_back(line);
    expected.pop_back();  // cut inside it

    const CalendarTime from = At(2012, 3, 4);
    const CalendarTime to = At(2012, 3, 4, 23, 59, 59);
    ASSERT_TRUE(StoreOpen(kDataRecords, data_.c_str(), staging_.c_str()));
    ShrinkingLines lines;
    lines.truncateAt = static_cast<int64_t>(cut);
    lines.truncatePath = block;
    EXPECT_TRUE(StoreQuery(kDataRecords, "Win", &from, &to, 0, &lines, &ShrinkingLines::Take));
    EXPECT_EQ(lines.texts, expected);

    folder.Write(data_, kStem);
    Runs runs;
    runs.truncateAt = static_cast<int64_t>(cut);
    runs.truncatePath = block;
    EXPECT_TRUE(StoreQueryRuns(kDataRecords, "Win", &from, &to, 0, &runs, &Runs::Take));
    EXPECT_EQ(runs.plain, Joined(expected));
}

}  // namespace
