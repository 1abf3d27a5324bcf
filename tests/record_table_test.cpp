// The report's record table: how document text becomes title, columns and rows; and which form
// (inverted or plain) a record file's bytes are in.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include "file_system.h"
#include "plain_csv.h"
#include "record_form.h"
#include "record_table.h"
#include "text_scan.h"

namespace {

std::shared_ptr<const TextBuffer> Text(const std::string& s) {
    auto buffer = std::make_shared<TextBuffer>();
    buffer->Append(s.data(), static_cast<int64_t>(s.size()));
    return buffer;
}

std::string Cell(const RecordTable& t, int r, int c) {
    return std::string(t.Cell(r, c));
}

TEST(RecordTableLoad, TitleHeaderAndRows) {
    RecordTable t;
    ASSERT_TRUE(
        t.LoadTable(Text("Boiler 1\nTime,T1,T2\n2024-01-01 00:00:00,1.5,2\n"
                         "2024-01-01 00:00:01,1.6,3\n")));
    EXPECT_EQ(t.Title(), "Boiler 1");
    EXPECT_EQ(t.ColumnCount(), 3);
    EXPECT_EQ(t.RowCount(), 2);
    EXPECT_EQ(t.ChannelNames(), (std::vector<std::string>{"T1", "T2"}));
    EXPECT_EQ(Cell(t, 1, 0), "2024-01-01 00:00:01");
    EXPECT_EQ(Cell(t, 1, 2), "3");
    EXPECT_EQ(t.ColumnCaptions(), "Time,T1,T2");
}

TEST(RecordTableLoad, TitleOnlyOrEmptyTextFails) {
    RecordTable t;
    EXPECT_FALSE(t.LoadTable(Text("Boiler 1\n")));
    EXPECT_EQ(t.ColumnCount(), 0);
    EXPECT_FALSE(t.LoadTable(Text("")));
    EXPECT_FALSE(t.LoadTable(nullptr));
}

TEST(RecordTableLoad, EmptyLinesAreSkippedSoTheNextLineIsTheHeader) {
    RecordTable t;
    ASSERT_TRUE(t.LoadTable(Text("\n\nTitle\n\n\nTime,A\n\n2024-01-01 00:00:00,7\n\n")));
    EXPECT_EQ(t.Title(), "Title");
    EXPECT_EQ(t.Caption(1), "A");
    EXPECT_EQ(t.RowCount(), 1);
}

TEST(RecordTableLoad, RefusesASecondLoadIntoAFilledTable) {
    RecordTable t;
    ASSERT_TRUE(t.LoadTable(Text("T\nTime,A\n")));
    EXPECT_FALSE(t.LoadTable(Text("U\nTime,B\n")));
    EXPECT_EQ(t.Title(), "T");
}

TEST(RecordTableFields, TrailingCommaGivesAnEmptyLastCaption) {
    RecordTable t;
    ASSERT_TRUE(t.LoadTable(Text("T\nTime,a,b,\n")));
    EXPECT_EQ(t.ColumnCount(), 4);
    EXPECT_EQ(t.Caption(3), "");
    EXPECT_EQ(t.ColumnCaptions(), "Time,a,b,");
}

TEST(RecordTableFields, SurplusFieldsAreDroppedAndMissingOnesStayEmpty) {
    RecordTable t;
    ASSERT_TRUE(t.LoadTable(Text("T\nTime,a,b\nt1,1,2,3,4\nt2,5\n")));
    EXPECT_EQ(Cell(t, 0, 2), "2");
    EXPECT_EQ(Cell(t, 0, 3), "");
    EXPECT_EQ(Cell(t, 1, 1), "5");
    EXPECT_EQ(Cell(t, 1, 2), "");
    EXPECT_EQ(Cell(t, 5, 0), "");
    EXPECT_EQ(Cell(t, -1, 0), "");
}

TEST(RecordTableFields, LastLineWithoutLineEndKeepsItsLastField) {
    RecordTable t;
    ASSERT_TRUE(t.LoadTable(Text("T\nTime,a,b\nt1,1,2\nt2,3,4")));
    ASSERT_EQ(t.RowCount(), 2);
    EXPECT_EQ(Cell(t, 1, 2), "4");
}

TEST(RecordTableFields, CarriageReturnBeforeLineEndIsNotKept) {
    RecordTable t;
    ASSERT_TRUE(t.LoadTable(Text("Title\r\nTime,a,b\r\nt1,1,2\r\nt2,3,4\r\n")));
    EXPECT_EQ(t.Title(), "Title");
    EXPECT_EQ(t.Caption(2), "b");
    EXPECT_EQ(Cell(t, 0, 2), "2");
    EXPECT_EQ(Cell(t, 1, 2), "4");
    EXPECT_EQ(t.ColumnCaptions(), "Time,a,b");
    // A blank CR LF line is as empty as a bare line feed: no row of its own.
    RecordTable blank;
    ASSERT_TRUE(blank.LoadTable(Text("\r\nTitle\r\n\r\nTime,a\r\n\r\nt1,1\r\n\r\n")));
    EXPECT_EQ(blank.Title(), "Title");
    EXPECT_EQ(blank.RowCount(), 1);
}

TEST(RecordTableFields, NulEndsTheLineAndDropsTheFieldInProgress) {
    const std::string text = std::string("T\nTime,a,b\nt1,1,2") + '\0' + "9\nt2,3,4\n";
    RecordTable t;
    ASSERT_TRUE(t.LoadTable(Text(text)));
    ASSERT_EQ(t.RowCount(), 2);
    EXPECT_EQ(Cell(t, 0, 1), "1");
    EXPECT_EQ(Cell(t, 0, 2), "");
    EXPECT_EQ(Cell(t, 1, 2), "4");
}

TEST(RecordTableFields, RowCellsReadsWhatCellReads) {
    // Short rows, surplus fields, CR LF, a NUL, an empty field and a last line without its end.
    const std::string text =
        std::string("T\nTime,a,b,c\nt1,1\r\nt2,1,2,3,4\nt3,,5") + '\0' + "x\nt4,6,7,8";
    RecordTable t;
    ASSERT_TRUE(t.LoadTable(Text(text)));
    std::vector<std::string_view> cells;
    for (int row = -1; row <= t.RowCount(); ++row) {
        for (int count : {0, 2, 4, 7}) {
            t.RowCells(row, count, &cells);
            ASSERT_EQ(cells.size(), static_cast<size_t>(count));
            for (int c = 0; c < count; ++c)
                EXPECT_EQ(cells[static_cast<size_t>(c)], t.Cell(row, c)) << row << "," << c;
        }
    }
}

// The program's own files keep quotes and spaces as they stand; a plain CSV file of another
// program reads with CSV quoting in its title, captions and cells alike.
TEST(RecordTableFields, QuotesAreTextInOwnFilesAndCsvQuotingInPlainOnes) {
    const std::string text =
        "\"Boiler, \"\"one\"\"\",,\n"
        "Time, a ,\"Flow, l/s\",\"c\"\n"
        "\"2024-01-01 00:00:00\", 1 ,\"1,5\",\"say \"\"hi\"\"\"\n"
        "t2,\"x\"y,\"\",\"open, to the end\r\n";
    const struct {
        bool csvQuotes;
        const char* title;
        std::vector<std::string> captions;
        std::vector<std::vector<std::string>> rows;
    } cases[] = {
        {false,
         "\"Boiler, \"\"one\"\"\",,",
         {"Time", " a ", "\"Flow", " l/s\"", "\"c\""},
         {{"\"2024-01-01 00:00:00\"", " 1 ", "\"1", "5\"", "\"say \"\"hi\"\"\""},
          {"t2", "\"x\"y", "\"\"", "\"open", " to the end"}}},
        {true,
         "Boiler, \"one\"",
         {"Time", " a ", "Flow, l/s", "c"},
         {{"2024-01-01 00:00:00", " 1 ", "1,5", "say \"hi\""},
          {"t2", "xy", "", "open, to the end"}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.csvQuotes);
        RecordTable t;
        ASSERT_TRUE(t.LoadTable(Text(text), c.csvQuotes));
        EXPECT_EQ(t.Title(), c.title);
        ASSERT_EQ(t.ColumnCount(), static_cast<int>(c.captions.size()));
        ASSERT_EQ(t.RowCount(), static_cast<int>(c.rows.size()));
        std::vector<std::string_view> cells;
        for (int col = 0; col < t.ColumnCount(); ++col)
            EXPECT_EQ(t.Caption(col), c.captions[static_cast<size_t>(col)]);
        for (int r = 0; r < t.RowCount(); ++r) {
            t.RowCells(r, t.ColumnCount(), &cells);
            for (int col = 0; col < t.ColumnCount(); ++col) {
                const std::string& want = c.rows[static_cast<size_t>(r)][static_cast<size_t>(col)];
                EXPECT_EQ(Cell(t, r, col), want) << r << "," << col;
                EXPECT_EQ(cells[static_cast<size_t>(col)], want) << r << "," << col;
            }
        }
    }
}

TEST(RecordTableClear, KeepsRemarkAndPrintHeader) {
    RecordTable t;
    ASSERT_TRUE(t.LoadTable(Text("T\nTime,a\nt1,1\n")));
    t.SetRemark("note");
    t.SetPrintHeader("hdr");
    t.Clear();
    EXPECT_EQ(t.RowCount(), 0);
    EXPECT_EQ(t.ColumnCount(), 0);
    EXPECT_TRUE(t.Title().empty());
    EXPECT_TRUE(t.ChannelNames().empty());
    EXPECT_EQ(t.Remark(), "note");
    EXPECT_EQ(t.PrintHeader(), "hdr");
    EXPECT_TRUE(t.LoadTable(Text("U\nTime,b\n")));
}

TEST(RecordTableCaptions, EditedCaptionsAreJoinedAndCutAt254Bytes) {
    RecordTable t;
    ASSERT_TRUE(t.LoadTable(Text("T\nTime,a,b\n")));
    t.SetCaption(1, "温度");
    t.SetCaption(2, std::string(300, 'x'));
    t.SetCaption(7, "ignored");
    EXPECT_EQ(t.ColumnCaptions(), "Time,温度," + std::string(254, 'x'));
    // The cut never splits a character: 127 two-byte GBK characters end at byte 254, and a
    // three-byte UTF-8 character crossing byte 254 is left out whole.
    std::string gbk;
    for (int i = 0; i < 130; ++i)
        gbk += "\xCE\xC2";
    t.SetCaption(1, gbk);
    std::string utf8 = "x";
    for (int i = 0; i < 85; ++i)
        utf8 += "温";
    t.SetCaption(2, utf8);
    const std::string joined = t.ColumnCaptions();
    EXPECT_EQ(joined, "Time," + gbk.substr(0, 254) + "," + utf8.substr(0, 253));
}

TEST(RecordTableMemory, OffsetsCostFourBytesARow) {
    std::string text = "T\nTime,a,b,c\n";
    for (int i = 0; i < 10000; ++i)
        text += "2024-01-01 00:00:00,1.25,2.5,3.75\n";
    RecordTable t;
    ASSERT_TRUE(t.LoadTable(Text(text)));
    EXPECT_EQ(t.RowCount(), 10000);
    // One line offset per row, with some slack for the guess; cells are found on demand.
    EXPECT_LT(t.IndexBytes(), 10000u * 4 * 11 / 10);
    EXPECT_EQ(Cell(t, 9999, 3), "3.75");
}

}  // namespace

namespace {

// A wide header over many short lines: what is reserved follows what the lines hold.
TEST(RecordTableLoad, WideHeaderOverShortLinesReservesByTheLines) {
    std::string text = "wide\nTime";
    for (int i = 0; i < 100000; ++i)
        text += ",c";
    text += '\n';
    for (int i = 0; i < 1000000; ++i)
        text += "t\n";
    RecordTable t;
    ASSERT_TRUE(t.LoadTable(Text(text)));
    EXPECT_EQ(t.RowCount(), 1000000);
    EXPECT_EQ(t.ColumnCount(), 100001);
    EXPECT_EQ(Cell(t, 999999, 0), "t");
    // One offset a row (about 4 MB) where reserving by the header took 400 GB.
    EXPECT_LT(t.IndexBytes(), 8u << 20);
}

TEST(RecordFileForm, TheReadingWithoutControlBytesAndWithMoreAsciiWins) {
    const std::string ascii = "Title\nTime,a\n2024-01-01 00:00:00,1.5\n";
    const std::string gb18030 = "\xB9\xF8\xC2\xAF\nTime,\xCE\xC2\xB6\xC8\n2024-01-01 00:00:00,7\n";
    const std::string utf8Bom = "\xEF\xBB\xBFTitle\r\nTime,\xE6\xB8\xA9\r\n";
    auto inverted = [](std::string s) {
        for (char& c : s)
            c = static_cast<char>(~c);
        return s;
    };
    const struct {
        const char* what;
        std::string head;
        RecordForm form;
    } cases[] = {
        {"ASCII", ascii, RecordForm::kPlain},
        {"ASCII inverted", inverted(ascii), RecordForm::kInverted},
        {"GB18030", gb18030, RecordForm::kPlain},
        {"GB18030 inverted", inverted(gb18030), RecordForm::kInverted},
        {"UTF-8, byte-order mark, CR LF", utf8Bom, RecordForm::kPlain},
        {"UTF-8 inverted", inverted(utf8Bom), RecordForm::kInverted},
        {"empty", "", RecordForm::kUnknown},
        {"no line end", "Title only", RecordForm::kUnknown},
        {"binary", std::string("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16), RecordForm::kUnknown},
        {"both readings alike", "\n\xF5", RecordForm::kUnknown},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DecideRecordForm(c.head), c.form) << c.what;
}

// Plain CSV files as this program, pandas (to_csv) and LibreOffice Calc write them: the layout
// decided, the text the table then reads ("=" when unchanged), and the form told from the bytes.
TEST(PlainCsvLayout, OtherProgramsFilesAreToldFromTheProgramsOwn) {
    const std::string r1 = "2024-01-01 00:00:00,1.5,2\n";
    const std::string r2 = "2024-01-01 00:00:10,1.6,3\n";
    std::string wide = "Time";
    for (int i = 0; i < 3000; ++i)
        wide += ",Channel_" + std::to_string(1000000000000000 + i);
    wide += "\n";
    struct Case {
        const char* name;
        std::string text;
        PlainLayout layout;
        std::string shaped;
    } cases[] = {
        {"own form", "Line1\nTime,A,B\n" + r1 + r2, PlainLayout::kTitled, "="},
        {"own form, title and header only", "Line1\nTime,A,B\n", PlainLayout::kTitled, "="},
        {"own form saved by LibreOffice: padded title, CR LF",
         "数据记录: 锅炉一号,,,\r\nTime,A,B\r\n2024-01-01 00:00:00,1.5,2\r\n", PlainLayout::kTitled,
         "数据记录: 锅炉一号\r\nTime,A,B\r\n2024-01-01 00:00:00,1.5,2\r\n"},
        {"own form in UTF-8 after a byte-order mark", "\xEF\xBB\xBFLine1\nTime,A,B\n" + r1,
         PlainLayout::kTitled, "Line1\nTime,A,B\n" + r1},
        {"pandas, index=False", "Time,A,B\n" + r1 + r2, PlainLayout::kHeaded,
         "t.csv\nTime,A,B\n" + r1 + r2},
        {"pandas, time index with fractions",
         "Time,A\n2024-01-01 00:00:00.500000,1\n2024-01-01 00:00:01.500000,2\n",
         PlainLayout::kHeaded,
         "t.csv\nTime,A\n2024-01-01 00:00:00.500000,1\n2024-01-01 00:00:01.500000,2\n"},
        {"LibreOffice: byte-order mark, CR LF, its date form",
         "\xEF\xBB\xBFTime,A\r\n2024/1/1 8:00,1\r\n", PlainLayout::kHeaded,
         "t.csv\nTime,A\r\n2024/1/1 8:00,1\r\n"},
        {"pandas, default row numbers",
         ",Time,A\n0,2024-01-01 00:00:00,1\n1,2024-01-01 00:00:10,2\n", PlainLayout::kNumberedRows,
         "="},
        {"LibreOffice, text cells quoted",
         "\"Line1\",,\n\"Time\",\"A\",\"B\"\n\"" + r1.substr(0, 19) + "\",1.5,2\n",
         PlainLayout::kTitled,
         "\"Line1\"\n\"Time\",\"A\",\"B\"\n\"" + r1.substr(0, 19) + "\",1.5,2\n"},
        {"pandas, first record without a time", "Time,A,B\nNaT,1,2\n" + r1, PlainLayout::kHeaded,
         "t.csv\nTime,A,B\nNaT,1,2\n" + r1},
        {"first record's time empty", "Time,A,B\n,1,\n" + r1, PlainLayout::kHeaded,
         "t.csv\nTime,A,B\n,1,\n" + r1},
        {"own form, first record without a time", "Line1\nTime,A,B\n,1,2\n" + r1,
         PlainLayout::kTitled, "="},
        {"own form, time column without a caption", "Line1\n,A,B\n" + r1, PlainLayout::kTitled,
         "="},
        {"header over 64 KiB", wide + r1, PlainLayout::kHeaded, "t.csv\n" + wide + r1},
        {"records only", r1 + r2, PlainLayout::kNoHeader, "="},
        {"one record", r1, PlainLayout::kNoHeader, "="},
        {"no times to tell by", "a,b\nc,d\ne,f\n", PlainLayout::kUnclear, "="},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(DecidePlainLayout(c.text), c.layout);
        TextBuffer in;
        TextBuffer out;
        in.Append(c.text.data(), static_cast<int64_t>(c.text.size()));
        ASSERT_TRUE(ShapePlainText(in, c.layout, "t.csv", &out));
        EXPECT_EQ(out.Length() == 0 ? "=" : std::string(out.Data(), out.Length()), c.shaped);
        std::string inverted(c.text.size(), '\0');
        storefs::InvertBytes(inverted.data(), c.text.data(), c.text.size());
        EXPECT_EQ(DetectRecordForm(c.text), RecordForm::kPlain);
        EXPECT_EQ(DetectRecordForm(inverted), RecordForm::kInverted);
    }
}

// A carriage return alone ends its line in a plain file: a record so ended keeps its last value
// and is not read as part of the next. A file with no other line end is told as such.
TEST(PlainCsvLineEnds, ACarriageReturnAloneEndsItsLine) {
    const struct {
        const char* name;
        std::string text;
        std::string lines;  // after EndLinesAtLoneCarriageReturns
        bool carriageReturnsOnly;
    } cases[] = {
        {"CR LF, one record ended by CR", "T\r\nTime,a,b\r\nt1,3,4\rt2,5,6\r\n",
         "T\r\nTime,a,b\r\nt1,3,4\nt2,5,6\r\n", false},
        {"CR LF, last line ended by CR", "T\r\nTime,a,b\r\nt1,3,4\r\nt2,5,6\r",
         "T\r\nTime,a,b\r\nt1,3,4\r\nt2,5,6\n", false},
        {"LF", "T\nTime,a,b\nt1,3,4\nt2,5,6\n", "T\nTime,a,b\nt1,3,4\nt2,5,6\n", false},
        {"CR only", "T\rTime,a,b\rt1,3,4\rt2,5,6\r", "T\nTime,a,b\nt1,3,4\nt2,5,6\n", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(CarriageReturnLineEndsOnly(c.text), c.carriageReturnsOnly);
        std::string text = c.text;
        EndLinesAtLoneCarriageReturns(text.data(), text.size());
        EXPECT_EQ(text, c.lines);
        RecordTable t;
        ASSERT_TRUE(t.LoadTable(Text(text), true));
        ASSERT_EQ(t.RowCount(), 2);
        EXPECT_EQ(Cell(t, 0, 2), "4");
        EXPECT_EQ(Cell(t, 1, 0), "t2");
    }
}

// The one-pass reader (un-invert and find the line ends as each piece arrives) against the text
// read whole and walked line by line: the same text and the same table, for every file of the
// fuzz corpus and pieces that cut lines, CR LF pairs and vector widths anywhere.
TEST(RecordTableLoad, OnePassReaderGivesTheTableOfTheLineWalk) {
    namespace fs = std::filesystem;
    const fs::path corpus = HISTAVUE_FUZZ_CORPUS;
    std::vector<std::string> texts = {"T\r\n\r\nTime,a\n\n\r\n" + std::string(40, 'x') + ",1\r\n"};
    for (const fs::directory_entry& e : fs::recursive_directory_iterator(corpus)) {
        if (!e.is_regular_file())
            continue;
        std::ifstream in(e.path(), std::ios::binary);
        texts.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    ASSERT_GT(texts.size(), 20u);
    const std::string path = testing::TempDir() + "one_pass.csv";
    for (const std::string& text : texts) {
        RecordTable walked;
        const bool loaded = walked.LoadTable(Text(text));
        for (const bool invert : {true, false}) {
            std::string stored = text;
            for (char& c : stored)
                c = invert ? static_cast<char>(~c) : c;
            std::ofstream(path, std::ios::binary) << stored;
            for (const size_t piece : {size_t{1}, size_t{5}, size_t{33}, size_t{0}}) {
                SCOPED_TRACE(text.substr(0, 40) + " piece " + std::to_string(piece));
                auto read = std::make_shared<TextBuffer>();
                const int fd = storefs::OpenExclusive(path, storefs::OpenMode::kExistingRead,
                                                      nullptr, storefs::Names::kExact);
                ASSERT_TRUE(ReadTextWithLineEnds(fd, invert, read.get(), piece));
                storefs::CloseFile(fd);
                ASSERT_EQ(std::string(read->Data(), read->Length()), text);
                ASSERT_EQ(read->KnownLineEnds() != nullptr, !text.empty());
                RecordTable table;
                ASSERT_EQ(table.LoadTable(read), loaded);
                EXPECT_EQ(table.Title(), walked.Title());
                EXPECT_EQ(table.ColumnCaptions(), walked.ColumnCaptions());
                ASSERT_EQ(table.RowCount(), walked.RowCount());
                std::vector<std::string_view> a;
                std::vector<std::string_view> b;
                for (int32_t r = 0; r < table.RowCount(); ++r) {
                    table.RowCells(r, table.ColumnCount(), &a);
                    walked.RowCells(r, walked.ColumnCount(), &b);
                    ASSERT_EQ(a, b) << "row " << r;
                }
            }
        }
    }
    std::remove(path.c_str());
}

}  // namespace
