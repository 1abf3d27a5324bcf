// Folder index and block files: opening a folder, the binary search, line and block reads, and
// the layout the recorder writes (entries, offsets, block rotation).
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <random>
#include <string>
#include <vector>

#include "record_writer.h"
#include "store_fixture.h"
#include "time_folder.h"

namespace {

using namespace storetest;

class TimeFolderTest : public ::testing::Test {
  protected:
    // Opens folder 1\2011\05\17 holding records at the given seconds, all in block 0.
    void OpenWithSeconds(const std::vector<uint32_t>& seconds) {
        RawFolder raw;
        for (uint32_t s : seconds)
            raw.Add(s, 0, "r" + std::to_string(s));
        raw.Write(data_, "1\\2011\\05\\17");
        ASSERT_TRUE(folder_.OpenFolder("1\\2011\\05\\17"));
    }

    std::string Line(uint32_t i, BlockReader* scratch) {
        const char* line = nullptr;
        uint32_t length = 0;
        if (!folder_.LineAt(i, scratch, &line, &length))
            return "<none>";
        return std::string(line, length);
    }

    TempDir dir_;
    std::string data_ = dir_.Path() + "DL\\";
    TimeFolder folder_{data_};
};

TEST_F(TimeFolderTest, FindFirstGivesFirstEntryAtOrAfterFromWithinTo) {
    OpenWithSeconds({0, 60, 120});
    EXPECT_EQ(folder_.FindFirst(30, 200), 1);
    EXPECT_EQ(folder_.FindFirst(130, 200), kNoEntry);
    EXPECT_EQ(folder_.FindFirst(0, 0), 0);
    EXPECT_EQ(folder_.FindFirst(60, 59), kNoEntry);
    EXPECT_EQ(folder_.FindFirst(120, 120), 2);
    EXPECT_EQ(folder_.FindFirst(UINT32_MAX, UINT32_MAX), kNoEntry);
}

TEST_F(TimeFolderTest, FindFirstTakesEarliestOfEqualSeconds) {
    OpenWithSeconds({0, 10, 20, 20, 20, 30});
    EXPECT_EQ(folder_.FindFirst(20, 100), 2);
    EXPECT_EQ(folder_.FindFirst(11, 25), 2);
    EXPECT_EQ(folder_.FindFirst(21, 29), kNoEntry);
    TimeFolder closed(data_);
    EXPECT_EQ(closed.FindFirst(0, 100), kNoEntry);
    EXPECT_EQ(closed.BlockCount(), 0u);
}

TEST_F(TimeFolderTest, OpenFolderRefusesBadStemsAndUnusableIndexes) {
    EXPECT_FALSE(folder_.OpenFolder(nullptr));
    EXPECT_FALSE(folder_.OpenFolder("1\\2011\\05\\17"));  // missing
    RawFolder raw;
    raw.Add(5, 0, "x");
    raw.Write(data_, "0\\2011\\05\\17");
    EXPECT_FALSE(folder_.OpenFolder("0\\2011\\05\\17"));  // id 0
    EXPECT_FALSE(folder_.OpenFolder("2011\\05\\17"));
    WriteRaw(data_ + "1\\2011\\05\\18.idx", "");
    EXPECT_FALSE(folder_.OpenFolder("1\\2011\\05\\18"));
    WriteRaw(data_ + "1\\2011\\05\\19.idx", Invert(EntryBytes(raw.entries)) + "xxxx");
    EXPECT_FALSE(folder_.OpenFolder("1\\2011\\05\\19"));
    EXPECT_FALSE(folder_.IsOpen());
}

TEST_F(TimeFolderTest, OpenFolderMatchesNamesWithoutRegardToCase) {
    RawFolder raw;
    raw.Add(5, 0, "2011-05-17 00:00:05,1");
    raw.Write(data_, "1a\\2011\\05\\17");
    fs::rename(Native(data_ + "1a\\2011\\05\\17.idx"), Native(data_ + "1a\\2011\\05\\17.IDX"));
    ASSERT_TRUE(folder_.OpenFolder("1A\\2011\\05\\17.idx"));
    EXPECT_EQ(folder_.GroupId(), 26u);
    EXPECT_FALSE(folder_.OpenFolder("1A\\2011\\05\\17"));  // already open
    BlockReader scratch;
    EXPECT_EQ(Line(0, &scratch), "2011-05-17 00:00:05,1");
    folder_.CloseFolder();
    EXPECT_EQ(folder_.GroupId(), 0u);
    EXPECT_TRUE(folder_.OpenFolder("1a\\2011\\05\\17"));
}

TEST_F(TimeFolderTest, LinesComeFromTheirBlocksAndMissingBlocksFailAlone) {
    RawFolder raw;
    raw.Add(0, 0, "a0");
    raw.Add(1, 0, "a1");
    raw.Add(2, 1, "b0");
    raw.Add(3, 2, "c0");
    raw.entries.push_back(IndexEntry::Make(4, 100000, 2));  // offset past the block's end
    raw.Write(data_, "1\\2011\\05\\17");
    fs::remove(Native(data_ + "1\\2011\\05\\17(1).csv"));
    ASSERT_TRUE(folder_.OpenFolder("1\\2011\\05\\17"));
    EXPECT_EQ(folder_.BlockCount(), 3u);
    BlockReader scratch;
    EXPECT_EQ(Line(0, &scratch), "a0");
    EXPECT_EQ(Line(1, &scratch), "a1");
    EXPECT_EQ(Line(2, &scratch), "<none>");
    EXPECT_EQ(Line(3, &scratch), "c0");
    EXPECT_EQ(scratch.LoadedBlock(), 2);
    EXPECT_EQ(Line(4, &scratch), "<none>");
    EXPECT_EQ(Line(5, &scratch), "<none>");
    EXPECT_EQ(Line(0, &scratch), "a0");
    scratch.Close();  // block files are opened exclusively

    TextBuffer text;
    ASSERT_TRUE(folder_.ReadBlock(0, &text));
    EXPECT_EQ(std::string(text.Data(), text.Length()),
              std::string(kHeader1) + "\nTime," + kHeader2 + "\na0\na1\n");
    EXPECT_FALSE(folder_.ReadBlock(1, &text));
    EXPECT_EQ(text.Length(), 0u);
}

TEST_F(TimeFolderTest, SecondsFromStartTruncatesAndMarksEarlierTimes) {
    OpenWithSeconds({0});
    CalendarTime t = At(2011, 5, 17, 1, 2, 3);
    t.milliseconds = 999;
    EXPECT_EQ(folder_.SecondsFromStart(t), 3723u);
    EXPECT_EQ(folder_.SecondsFromStart(At(2011, 5, 16, 23, 59, 59)), kSecondsBefore);
    EXPECT_EQ(folder_.SecondsFromStart(At(2011, 2, 30)), kSecondsBefore);
    EXPECT_EQ(folder_.SecondsFromStart(At(2200, 1, 1)), kSecondsBefore - 1);
}

// The line at offset as the store defines it: line feeds skipped, up to the next line feed.
bool ModelLine(const std::string& text, size_t offset, std::string* line) {
    size_t p = offset;
    while (p < text.size() && text[p] == '\n')
        ++p;
    if (offset >= text.size() || p >= text.size())
        return false;
    const size_t end = text.find('\n', p);
    *line = text.substr(p, end == std::string::npos ? std::string::npos : end - p);
    return true;
}

TEST(BlockReaderTest, LinesMatchTheTextInEveryReadingOrder) {
    TempDir dir;
    std::mt19937 rng(12345);
    std::string text = "header one\nTime,a,b\n";
    std::vector<uint32_t> offsets;
    while (text.size() < 3'000'000) {
        offsets.push_back(static_cast<uint32_t>(text.size()));
        const uint32_t roll = rng() % 1000;
        const size_t length = roll < 3 ? 100'000 + rng() % 400'000 : roll < 50 ? 0 : rng() % 300;
        std::string line(length, 'x');
        for (char& c : line)
            c = static_cast<char>(' ' + rng() % 90);
        if (roll == 7)
            line[length / 2] = '\0';
        text += line + (roll % 97 == 0 ? "\n\n\n" : "\n");
    }
    text += "last line without end";
    offsets.push_back(static_cast<uint32_t>(text.size() - 21));
    WriteInvertedFile(dir / "b(0).csv", text);

    BlockReader reader;
    ASSERT_TRUE(reader.Open(dir / "b(0).csv", 0));
    const char* line = nullptr;
    uint32_t length = 0;
    std::string first;
    std::string second;
    ASSERT_TRUE(reader.HeaderLines(&first, &second));
    EXPECT_EQ(first, "header one");
    EXPECT_EQ(second, "Time,a,b");

    auto check = [&](uint64_t offset, uint32_t hint) {
        std::string expected;
        const bool has = ModelLine(text, offset, &expected);
        ASSERT_EQ(reader.LineAt(offset, hint, &line, &length), has) << "offset " << offset;
        if (has) {
            ASSERT_EQ(std::string(line, length), expected) << "offset " << offset;
        }
    };
    // In order, with exact hints and without.
    for (size_t i = 0; i < offsets.size(); ++i) {
        const uint32_t hint = i + 1 < offsets.size() ? offsets[i + 1] - offsets[i] : 0;
        check(offsets[i], i % 3 == 0 ? 0 : hint);
    }
    // Jumps back and forth, into lines and line-feed runs, with wrong hints.
    for (int i = 0; i < 3000; ++i) {
        const uint64_t offset =
            rng() % 4 == 0 ? rng() % (text.size() + 10) : offsets[rng() % offsets.size()];
        check(offset, rng() % 3 == 0 ? 0 : rng() % 2000);
    }
    check(text.size(), 0);
    check(UINT32_MAX + 5ULL, 10);
}

TEST(BlockReaderTest, EmptyAndHeaderOnlyBlocks) {
    TempDir dir;
    WriteInvertedFile(dir / "e.csv", "");
    WriteInvertedFile(dir / "h.csv", "\n\nonly header");
    BlockReader reader;
    EXPECT_FALSE(reader.Open(dir / "missing.csv", 0));
    EXPECT_EQ(reader.LoadedBlock(), -1);
    ASSERT_TRUE(reader.Open(dir / "e.csv", 4));
    EXPECT_EQ(reader.LoadedBlock(), 4);
    std::string a;
    std::string b;
    EXPECT_FALSE(reader.HeaderLines(&a, &b));
    ASSERT_TRUE(reader.Open(dir / "h.csv", 5));
    ASSERT_TRUE(reader.HeaderLines(&a, &b));
    EXPECT_EQ(a, "only header");
    EXPECT_EQ(b, "");
}

TEST(BlockReaderTest, BlockOf4GiBWithoutLineEndsIsRefusedAtOnce) {
    TempDir dir;
    const std::string path = dir / "huge(0).csv";
    WriteRaw(path, "");
    // Sparse: zero bytes read back as 0xFF, so the file holds no line end anywhere.
    fs::resize_file(path, (1ULL << 32) + 100);
    BlockReader reader;
    const char* line = nullptr;
    uint32_t length = 0;
    if (reader.Open(path, 0)) {
        EXPECT_FALSE(reader.LineAt(0, 0, &line, &length));
    }
    EXPECT_FALSE(reader.Open(path, 0));
}

TEST(BlockRotationTest, RotationNeedsLengthAndTimeShare) {
    EXPECT_FALSE(ShouldRotateBlock(0x27FFF, 0, 86400, 80000));
    EXPECT_FALSE(ShouldRotateBlock(0x28000, 0, 86400, 336));
    EXPECT_TRUE(ShouldRotateBlock(0x28000, 0, 86400, 337));
    EXPECT_FALSE(ShouldRotateBlock(0x28000, 1, 86400, 674));
    EXPECT_TRUE(ShouldRotateBlock(0x28000, 1, 86400, 675));
    EXPECT_FALSE(ShouldRotateBlock(0xFD7FFE, 0, 86400, 0));
    EXPECT_TRUE(ShouldRotateBlock(0xFD7FFF, 0, 86400, 0));
    EXPECT_FALSE(ShouldRotateBlock(0xFFFFFF, 255, 86400, 86399));
    // The share of block 136 of a 365-day folder wraps in 32 bits: 137 * 31536000 mod 2^32.
    EXPECT_FALSE(ShouldRotateBlock(0x28000, 136, 31536000, 99470));
    EXPECT_TRUE(ShouldRotateBlock(0x28000, 136, 31536000, 99471));
}

TEST(RecordWriterTest, DayFolderBlocksCloseAtTheirShareOfTheDay) {
    TempDir dir;
    const std::string data = dir.Path() + "DL\\";
    const std::string values(1000, '7');
    {
        RecordWriter writer(data, 0x1A, 1800, kHeader1, kHeader2);
        for (int s = 0; s <= 700; ++s) {
            ASSERT_TRUE(writer.Append(At(2011, 5, 17, 0, s / 60, s % 60), values.c_str()));
        }
        ASSERT_TRUE(writer.Append(At(2011, 5, 18, 0, 0, 1), "next day"));
        ASSERT_TRUE(writer.Close());
    }
    TimeFolder folder(data);
    ASSERT_TRUE(folder.OpenFolder("1A\\2011\\05\\17"));
    ASSERT_EQ(folder.EntryCount(), 701u);
    EXPECT_EQ(folder.BlockCount(), 3u);
    const std::string header = std::string(kHeader1) + "\nTime," + kHeader2 + "\n";
    std::vector<std::string> blocks(3);
    for (uint32_t n = 0; n < 3; ++n) {
        TextBuffer text;
        ASSERT_TRUE(folder.ReadBlock(n, &text));
        blocks[n].assign(text.Data(), text.Length());
        EXPECT_EQ(blocks[n].compare(0, header.size(), header), 0) << "block " << n;
    }
    EXPECT_GE(blocks[0].size(), 0x28000u);
    for (uint32_t i = 0; i < folder.EntryCount(); ++i) {
        const IndexEntry e = folder.Entry(i);
        EXPECT_EQ(e.word0, i << 4);
        const uint32_t expectedBlock = i <= 337 ? 0 : i <= 675 ? 1 : 2;
        ASSERT_EQ(e.Block(), expectedBlock) << "record " << i;
        const std::string line = Stamp(At(2011, 5, 17, 0, i / 60, i % 60)) + "," + values + "\n";
        ASSERT_EQ(blocks[e.Block()].compare(e.Offset(), line.size(), line), 0) << "record " << i;
    }
    EXPECT_EQ(IndexEntry::Make(0, 0x1234, 3).word1, 0x00123403u);

    TimeFolder next(data);
    ASSERT_TRUE(next.OpenFolder("1A\\2011\\05\\18"));
    EXPECT_EQ(next.EntryCount(), 1u);
    EXPECT_EQ(next.Entry(0).Seconds(), 1u);
    BlockReader scratch;
    const char* line = nullptr;
    uint32_t length = 0;
    ASSERT_TRUE(next.LineAt(0, &scratch, &line, &length));
    EXPECT_EQ(std::string(line, length), "2011-05-18 00:00:01,next day");
}

TEST(RecordWriterTest, RefusesInvalidTimes) {
    TempDir dir;
    RecordWriter writer(dir.Path(), 1, 60, kHeader1, kHeader2);
    EXPECT_FALSE(writer.Append(At(2011, 2, 29), "x"));
    EXPECT_FALSE(writer.Append(At(2011, 2, 28), nullptr));
    EXPECT_TRUE(writer.Close());
    EXPECT_FALSE(Exists(dir / "1"));
}

}  // namespace
