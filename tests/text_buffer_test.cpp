// The store's in-memory buffers and its inverted text and array files.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "element_array.h"
#include "file_system.h"
#include "log_array_file.h"
#include "log_text_file.h"
#include "store_fixture.h"
#include "text_buffer.h"
#include "write_inverted.h"

namespace {

using namespace storetest;

TEST(TextBufferTest, ReserveGrowsInStepsThatWidenWithCapacity) {
    TextBuffer b;
    ASSERT_TRUE(b.Reserve(1));
    EXPECT_EQ(b.Capacity(), 4096u);
    ASSERT_TRUE(b.Reserve(4096));  // needs 4096 bytes: fits
    EXPECT_EQ(b.Capacity(), 4096u);
    ASSERT_TRUE(b.Reserve(12288));
    EXPECT_EQ(b.Capacity(), 12288u);
    ASSERT_TRUE(b.Append(std::string(12287, 'x').c_str()));
    EXPECT_EQ(b.Capacity(), 12288u);
    ASSERT_TRUE(b.Reserve(2));  // one byte short: an 8 KiB step at 12 KiB
    EXPECT_EQ(b.Capacity(), 20480u);
    ASSERT_TRUE(b.Reserve(24577 - 12287));  // 24577 needed at 20480: step 8192
    EXPECT_EQ(b.Capacity(), 28672u);
    ASSERT_TRUE(b.Reserve(28673 - 12287));  // 28673 needed at 28672: step 12288
    EXPECT_EQ(b.Capacity(), 40960u);
    EXPECT_EQ(b.Length(), 12287u);
    EXPECT_EQ(std::string(b.Data(), 3), "xxx");
}

TEST(TextBufferTest, ReserveBeyond32BitsEmptiesTheBuffer) {
    TextBuffer b;
    ASSERT_TRUE(b.Append("abc"));
    EXPECT_FALSE(b.Reserve(UINT32_MAX));
    EXPECT_EQ(b.Length(), 0u);
    EXPECT_EQ(b.Capacity(), 0u);
    EXPECT_EQ(b.Data(), nullptr);
}

TEST(TextBufferTest, AppendKeepsContentTerminatedAndHonoursLengthRules) {
    TextBuffer b;
    EXPECT_FALSE(b.Append(nullptr));
    EXPECT_TRUE(b.Append("zzz", 0));
    EXPECT_EQ(b.Data(), nullptr);
    ASSERT_TRUE(b.Append("abcdef", 3));
    ASSERT_TRUE(b.Append("gh"));
    EXPECT_STREQ(b.Data(), "abcgh");
    ASSERT_TRUE(b.AppendLine("line"));
    EXPECT_STREQ(b.Data(), "abcghline\n");
    ASSERT_TRUE(b.AppendLine("x\r", 2));
    EXPECT_EQ(std::string(b.Data(), b.Length()), "abcghline\nx\r\n");
    EXPECT_EQ(b.Data()[b.Length()], '\0');
}

TEST(TextBufferTest, NextLineSkipsLineFeedsAndLeavesAdvancingToCaller) {
    TextBuffer b;
    ASSERT_TRUE(b.Append("\n\nA\nB"));
    uint32_t pos = 0;
    const char* line = nullptr;
    uint32_t len = 0;
    ASSERT_TRUE(b.NextLine(&pos, &line, &len));
    EXPECT_EQ(pos, 2u);
    EXPECT_EQ(std::string(line, len), "A");
    pos += len;
    ASSERT_TRUE(b.NextLine(&pos, &line, &len));
    EXPECT_EQ(pos, 4u);
    EXPECT_EQ(std::string(line, len), "B");
    pos += len;
    EXPECT_FALSE(b.NextLine(&pos, &line, &len));
    pos = 100;
    EXPECT_FALSE(b.NextLine(&pos, &line, &len));

    TextBuffer crlf;
    ASSERT_TRUE(crlf.Append("a\r\n\n\n"));
    pos = 0;
    ASSERT_TRUE(crlf.NextLine(&pos, &line, &len));
    EXPECT_EQ(std::string(line, len), "a\r");
    pos += len;
    EXPECT_FALSE(crlf.NextLine(&pos, &line, &len));  // only line feeds remain
    EXPECT_EQ(pos, 5u);

    TextBuffer empty;
    pos = 0;
    EXPECT_FALSE(empty.NextLine(&pos, &line, &len));
}

TEST(TextBufferTest, CopyAdoptAndFlushedPosition) {
    TextBuffer a;
    ASSERT_TRUE(a.Append("hello"));
    a.SetFlushed(99);
    EXPECT_EQ(a.Flushed(), 5u);
    TextBuffer b;
    ASSERT_TRUE(b.CopyFrom(a));
    EXPECT_STREQ(b.Data(), "hello");
    EXPECT_EQ(b.Flushed(), 0u);

    char* block = static_cast<char*>(std::malloc(4));
    std::memcpy(block, "xyz", 4);
    b.Adopt(block, 3);
    EXPECT_EQ(b.Length(), 3u);
    EXPECT_EQ(b.Flushed(), 3u);
    ASSERT_TRUE(b.Append("!"));  // grows past an adopted block
    EXPECT_STREQ(b.Data(), "xyz!");
}

TEST(ElementArrayTest, AppendItemsAndAdopt) {
    ElementArray a(8);
    EXPECT_EQ(a.Item(0), nullptr);
    EXPECT_TRUE(a.Append(nullptr, 0));
    EXPECT_FALSE(a.Append(nullptr, 1));
    const char src[24] = "abcdefgh12345678ABCDEFG";
    ASSERT_TRUE(a.Append(src, 3));
    for (int i = 0; i < 100; ++i)
        ASSERT_TRUE(a.Append(src, 1));
    EXPECT_EQ(a.Count(), 103u);
    EXPECT_EQ(a.ByteSize(), 824u);
    EXPECT_EQ(std::memcmp(a.Item(1), "12345678", 8), 0);
    EXPECT_EQ(std::memcmp(a.Item(102), "abcdefgh", 8), 0);
    EXPECT_EQ(a.Item(103), nullptr);
    a.SetFlushed(1000);
    EXPECT_EQ(a.Flushed(), 103u);

    EXPECT_FALSE(a.Adopt(nullptr, 2));
    void* block = std::malloc(16);
    EXPECT_FALSE(a.Adopt(block, 0));
    ASSERT_TRUE(a.Adopt(block, 2));
    EXPECT_EQ(a.Count(), 2u);
    EXPECT_EQ(a.Flushed(), 2u);
}

class LogTextFileTest : public ::testing::Test {
  protected:
    TempDir dir_;
};

TEST_F(LogTextFileTest, OpenEmptyFileWithHeadersPutsThemInMemoryOnly) {
    WriteRaw(dir_ / "a.csv", "");
    LogTextFile f;
    ASSERT_TRUE(f.Open((dir_ / "a.csv").c_str(), true, "H1", "c1,c2"));
    EXPECT_EQ(std::string(f.Buffer().Data(), f.Buffer().Length()), "H1\nTime,c1,c2\n");
    EXPECT_EQ(ReadRaw(dir_ / "a.csv"), "");
    f.Close();
    EXPECT_EQ(ReadInvertedFile(dir_ / "a.csv"), "H1\nTime,c1,c2\n");

    // Headers go only into an empty file.
    ASSERT_TRUE(f.Open((dir_ / "a.csv").c_str(), true, "other", "x"));
    EXPECT_EQ(std::string(f.Buffer().Data(), f.Buffer().Length()), "H1\nTime,c1,c2\n");
}

TEST_F(LogTextFileTest, MissingFileIsCreatedOnlyWithoutOpenOnly) {
    LogTextFile f;
    EXPECT_FALSE(f.Open((dir_ / "none.csv").c_str(), true));
    EXPECT_FALSE(Exists(dir_ / "none.csv"));
    ASSERT_TRUE(f.Open((dir_ / "none.csv").c_str(), false));
    EXPECT_TRUE(Exists(dir_ / "none.csv"));
    EXPECT_EQ(f.Buffer().Length(), 0u);
    EXPECT_FALSE(f.Flush());  // nothing new
}

TEST_F(LogTextFileTest, FlushWritesOnlyTheNewTailInverted) {
    std::string text;
    for (int i = 0; i < 3000; ++i)
        text += static_cast<char>('a' + i % 26);
    LogTextFile f;
    ASSERT_TRUE(f.Open((dir_ / "b.csv").c_str(), false));
    ASSERT_TRUE(f.Buffer().Append(text.c_str()));
    ASSERT_TRUE(f.Flush());
    EXPECT_EQ(f.Buffer().Flushed(), 3000u);
    EXPECT_EQ(ReadRaw(dir_ / "b.csv"), Invert(text));
    EXPECT_FALSE(f.Flush());
    f.Close();

    ASSERT_TRUE(f.Open((dir_ / "b.csv").c_str(), true));
    EXPECT_EQ(std::string(f.Buffer().Data(), f.Buffer().Length()), text);
    EXPECT_EQ(f.Buffer().Flushed(), 3000u);
    ASSERT_TRUE(f.Buffer().AppendLine("tail"));
    ASSERT_TRUE(f.Flush());
    f.Close();
    EXPECT_EQ(ReadInvertedFile(dir_ / "b.csv"), text + "tail\n");

    // A reopen through the stored path.
    ASSERT_TRUE(f.Open((dir_ / "b.csv").c_str(), true));
    ASSERT_TRUE(f.Open(nullptr, true));
    EXPECT_EQ(f.Buffer().Length(), 3005u);
    LogTextFile none;
    EXPECT_FALSE(none.Open(nullptr, false));
}

TEST_F(LogTextFileTest, SecondOpenerOfAnOpenFileFails) {
    LogTextFile a;
    LogTextFile b;
    ASSERT_TRUE(a.Open((dir_ / "c.csv").c_str(), false));
    EXPECT_FALSE(b.Open((dir_ / "c.csv").c_str(), true));
    EXPECT_FALSE(b.OpenPlainForReading((dir_ / "c.csv").c_str()));
    a.Close();
    EXPECT_TRUE(b.Open((dir_ / "c.csv").c_str(), true));
}

TEST_F(LogTextFileTest, PlainReadAndFlushDoNotInvert) {
    WriteRaw(dir_ / "plain.csv", "x,y\n1,2\n");
    LogTextFile f;
    EXPECT_FALSE(f.OpenPlainForReading((dir_ / "missing.csv").c_str()));
    EXPECT_FALSE(Exists(dir_ / "missing.csv"));
    ASSERT_TRUE(f.OpenPlainForReading((dir_ / "plain.csv").c_str()));
    EXPECT_EQ(std::string(f.Buffer().Data(), f.Buffer().Length()), "x,y\n1,2\n");

    LogTextFile out;
    ASSERT_TRUE(out.Open((dir_ / "out.csv").c_str(), false));
    ASSERT_TRUE(out.Buffer().Append("p,q\n"));
    ASSERT_TRUE(out.FlushPlain());
    EXPECT_EQ(ReadRaw(dir_ / "out.csv"), "p,q\n");
}

TEST_F(LogTextFileTest, CloseAndDeleteDiscardsUnflushedText) {
    LogTextFile f;
    ASSERT_TRUE(f.Open((dir_ / "d.csv").c_str(), false));
    ASSERT_TRUE(f.Buffer().Append("unsaved"));
    EXPECT_TRUE(f.CloseAndDelete());
    EXPECT_FALSE(Exists(dir_ / "d.csv"));
    EXPECT_TRUE(f.Path().empty());
    EXPECT_FALSE(f.IsOpen());
}

TEST_F(LogTextFileTest, PathOf259BytesOpensAnd260IsRefused) {
    // Build a folder whose path leaves exactly room for the file names below.
    const std::string folder =
        dir_.Path() + std::string(100, 'a') + "/" + std::string(100, 'b') + "/";
    ASSERT_LT(folder.size(), 250u);
    fs::create_directories(folder);
    const std::string ok = folder + std::string(259 - folder.size(), 'n');
    const std::string tooLong = folder + std::string(260 - folder.size(), 'n');
    ASSERT_EQ(ok.size(), 259u);
    LogTextFile f;
    EXPECT_TRUE(f.Open(ok.c_str(), false));
    f.Close();
    EXPECT_FALSE(f.Open(tooLong.c_str(), false));
    EXPECT_FALSE(Exists(tooLong));
    LogArrayFile a(8);
    EXPECT_TRUE(a.Open(ok.c_str(), true));
    EXPECT_FALSE(a.Open(tooLong.c_str(), false));
}

TEST_F(LogTextFileTest, ArrayFileOfPartialElementOpensEmpty) {
    WriteRaw(dir_ / "odd.idx", std::string(20, '\x01'));
    LogArrayFile odd(8);
    ASSERT_TRUE(odd.Open((dir_ / "odd.idx").c_str(), true));
    EXPECT_TRUE(odd.IsOpen());
    EXPECT_EQ(odd.Elements().Count(), 0u);

    WriteRaw(dir_ / "two.idx", Invert("0123456789abcdef"));
    LogArrayFile two(8);
    ASSERT_TRUE(two.Open((dir_ / "two.idx").c_str(), true));
    ASSERT_EQ(two.Elements().Count(), 2u);
    EXPECT_EQ(std::memcmp(two.Elements().Item(1), "89abcdef", 8), 0);
    ASSERT_TRUE(two.Elements().Append("ABCDEFGH", 1));
    ASSERT_TRUE(two.Flush());
    EXPECT_FALSE(two.Flush());
    two.Close();
    EXPECT_EQ(ReadInvertedFile(dir_ / "two.idx"), "0123456789abcdefABCDEFGH");
}

TEST(WriteInvertedTest, WritesEveryByteInvertedAcrossPieces) {
    TempDir dir;
    std::string text(3 * kWritePiece + 952, '\0');
    for (size_t i = 0; i < text.size(); ++i)
        text[i] = static_cast<char>(i * 7 + i / 251);
    const int fd = storefs::OpenExclusive(dir / "w.bin", storefs::OpenMode::kCreateAlways);
    ASSERT_GE(fd, 0);
    uint32_t written = 123;
    ASSERT_TRUE(WriteInverted(fd, text.data(), 3000, &written));
    EXPECT_EQ(written, 3000u);
    ASSERT_TRUE(
        WriteInverted(fd, text.data() + 3000, static_cast<uint32_t>(text.size() - 3000), &written));
    EXPECT_EQ(written, text.size() - 3000);
    EXPECT_TRUE(WriteInverted(fd, text.data(), 0, &written));
    EXPECT_EQ(written, 0u);
    close(fd);
    EXPECT_EQ(ReadRaw(dir / "w.bin"), Invert(text));
}

TEST(WriteInvertedTest, RefusesMissingBytesBadHandlesAndFailedWrites) {
    TempDir dir;
    uint32_t written = 7;
    EXPECT_FALSE(WriteInverted(-1, "x", 1, &written));
    EXPECT_EQ(written, 0u);
    const int fd = open((dir / "r.bin").c_str(), O_RDWR | O_CREAT, 0644);
    ASSERT_GE(fd, 0);
    EXPECT_FALSE(WriteInverted(fd, nullptr, 1, &written));
    close(fd);
    EXPECT_FALSE(WriteInverted(fd, "x", 1, &written));  // closed handle

    const int readOnly = open((dir / "r.bin").c_str(), O_RDONLY);
    ASSERT_GE(readOnly, 0);
    EXPECT_FALSE(WriteInverted(readOnly, "abc", 3, &written));
    EXPECT_EQ(written, 0u);
    close(readOnly);

    const int full = open("/dev/full", O_WRONLY);
    if (full >= 0) {
        EXPECT_FALSE(WriteInverted(full, "abc", 3, &written));
        close(full);
    }
}

}  // namespace
