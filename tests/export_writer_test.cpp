// The export file writer: headers once, one line feed per line, the file created on the first
// text only.
#include "store_api_fixture.h"

namespace {

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

}  // namespace
