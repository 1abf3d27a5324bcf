// Summaries beside a store: a folder's buckets against its records, summary files that do not
// check out or no longer fit their folder, the data folder left untouched, and pixel columns
// drawn from summaries against the same columns gathered from every record.
#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "calendar_time.h"
#include "cell_number.h"
#include "record_writer.h"
#include "store_query.h"
#include "summary_file.h"
#include "summary_group.h"
#include "temp_folder.h"

namespace {

namespace fs = std::filesystem;

class TempDir {
  public:
    TempDir() { path_ = MakeTestFolder("summary-test-") + "/"; }
    ~TempDir() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    const std::string& Path() const { return path_; }

  private:
    std::string path_;
};

SummarySeconds Seconds(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
    SummarySeconds t = 0;
    EXPECT_TRUE(SummarySecondsOf(MakeCalendarTime(y, mo, d, h, mi, s), &t));
    return t;
}

// A record to write: seconds after the first folder's start and its cells.
struct Row {
    SummarySeconds at;
    std::string cells;
};

// Writes group "G" (id 0x1A, 1-second interval, channels a, b, c) with the rows, from
// 2024-02-28 22:00:00 on; returns the data folder.
std::string WriteStore(const std::string& root, const std::vector<Row>& rows) {
    const std::string dl = root + "DL\\";
    RecordWriter writer(dl, 0x1A, 1, "Data log", "a,b,c");
    const SummarySeconds start = Seconds(2024, 2, 28, 22);
    for (const Row& r : rows)
        EXPECT_TRUE(writer.Append(SummaryTime(start + r.at), r.cells.c_str()));
    const RootIndexEntry group{"G", 0x1A, 1};
    EXPECT_TRUE(writer.Close() && WriteRootIndex(dl, &group, 1));
    return dl;
}

// Five hours of records: the first clean, then short gaps that break the line and ones that do
// not, a stop of 100 minutes (the midnight hour has no folder), a cell without number at a
// bucket's start, a channel missing for ten minutes, cells that are not numbers in the last
// hour; many equal values throughout.
std::vector<Row> Rows(uint32_t seed) {
    std::mt19937 random(seed);
    std::vector<Row> rows;
    const char* words[] = {"", "N/A", "12abc", "inf", "nan", " 7 ", "+-1", "1e3", "-0.5"};
    for (SummarySeconds at = 0; at < 5 * 3600; ++at) {
        if (at >= 5400 && at < 11400)
            continue;  // recording stopped
        if (at >= 3600 && random() % 500 == 0)
            at += 1 + random() % 6;  // a second or two missed, or a gap that breaks the line
        char cells[128];
        std::snprintf(cells, sizeof cells, "%d,%.3f,%.2f", static_cast<int>(random() % 7),
                      std::sin(at / 700.0) * 50.0 + (random() % 1000) / 1000.0,
                      (random() % 20000) / 100.0 - 100.0);
        std::string text = cells;
        if (at >= 4 * 3600 && random() % 40 == 0) {
            // One cell holds no number (or a number in another form).
            const size_t cell = random() % 3;
            std::vector<std::string> parts{"", "", ""};
            size_t p = 0;
            for (char ch : text) {
                if (ch == ',')
                    ++p;
                else
                    parts[p] += ch;
            }
            parts[cell] = words[random() % 9];
            text = parts[0] + "," + parts[1] + "," + parts[2];
        }
        if (at == 5340)
            text = text.substr(0, text.find(',')) + ",N/A" +
                   text.substr(text.find(',', text.find(',') + 1));
        if (at >= 12030 && at < 12630)
            text = text.substr(0, text.rfind(','));  // c's cell missing for ten minutes
        rows.push_back({at, text});
    }
    return rows;
}

// ---- Every record, gathered without summaries ----

struct Reference {
    uint32_t interval = 1;
    ColumnSpan span;
    SummaryColumns out;
    bool haveLast = false;
    SummarySeconds last = 0;
    std::vector<int> open;
    int lines = 0;
};

void OnLine(void* context, const char* line, uint32_t length, int*) {
    auto* ref = static_cast<Reference*>(context);
    if (ref->lines++ < 2)
        return;
    const std::string text(line, length);
    int y, mo, d, h, mi, s;
    ASSERT_EQ(std::sscanf(text.c_str(), "%d-%d-%d %d:%d:%d", &y, &mo, &d, &h, &mi, &s), 6);
    const SummarySeconds t = Seconds(y, mo, d, h, mi, s);
    const int column = ref->span.ColumnOf(t);
    ASSERT_GE(column, 0) << text;
    SummaryColumns& out = ref->out;
    const bool gap = ref->haveLast && (t < ref->last || t - ref->last > 3 * int64_t{ref->interval});
    ref->haveLast = true;
    ref->last = t;
    ++out.records[column];
    size_t at = text.find(',');
    for (int ch = 0; ch < out.channels; ++ch) {
        double v = 0;
        bool number = false;
        if (at != std::string::npos) {
            const size_t next = text.find(',', at + 1);
            const size_t end = next == std::string::npos ? text.size() : next;
            number = CellNumber(text.data() + at + 1, text.data() + end, &v);
            at = next;
        }
        if (!number) {
            ++out.nonNumbers[column * out.channels + ch];
            ref->open[ch] = 0;
            continue;
        }
        std::vector<ColumnRun>& runs = out.runs[ch];
        const bool breaks = gap || !ref->open[ch];
        if (breaks || runs.empty() || runs.back().column != column) {
            ColumnRun run;
            run.column = column;
            run.breakBefore = breaks;
            run.first = run.min = run.max = v;
            run.firstAt = run.minAt = run.maxAt = t;
            runs.push_back(run);
        }
        ColumnRun& run = runs.back();
        ++run.count;
        if (v < run.min) {
            run.min = v;
            run.minAt = t;
        }
        if (v > run.max) {
            run.max = v;
            run.maxAt = t;
        }
        run.last = v;
        run.lastAt = t;
        ref->open[ch] = 1;
    }
}

SummaryColumns EveryRecord(const std::string& dataFolder, const ColumnSpan& span) {
    Reference ref;
    ref.span = span;
    ref.out.Reset(span, 3);
    ref.open.assign(3, 0);
    std::vector<LogGroup> groups;
    EXPECT_TRUE(ReadGroupsOf(dataFolder, &groups));
    const SummarySeconds t0 = ref.out.edges.front();
    const SummarySeconds t1 = ref.out.edges.back();
    if (t0 < t1) {
        const CalendarTime start = SummaryTime(t0);
        const CalendarTime end = SummaryTime(t1 - 1);
        QueryGroupLines(dataFolder, groups[0], &start, &end, 0, &ref, OnLine);
    }
    return ref.out;
}

void ExpectSameColumns(const SummaryColumns& got, const SummaryColumns& want,
                       const std::string& what) {
    ASSERT_EQ(got.edges, want.edges) << what;
    EXPECT_EQ(got.records, want.records) << what;
    EXPECT_EQ(got.nonNumbers, want.nonNumbers) << what;
    for (size_t ch = 0; ch < want.runs.size(); ++ch) {
        ASSERT_EQ(got.runs[ch].size(), want.runs[ch].size()) << what << " channel " << ch;
        for (size_t r = 0; r < want.runs[ch].size(); ++r) {
            const ColumnRun& g = got.runs[ch][r];
            const ColumnRun& w = want.runs[ch][r];
            ASSERT_TRUE(g == w) << what << " channel " << ch << " run " << r << " column "
                                << w.column << ": got " << g.count << " " << g.first << "@"
                                << g.firstAt << " min " << g.min << "@" << g.minAt << " max "
                                << g.max << "@" << g.maxAt << " last " << g.last << "@" << g.lastAt
                                << " break " << g.breakBefore << "; want " << w.count << " "
                                << w.first << "@" << w.firstAt << " min " << w.min << "@" << w.minAt
                                << " max " << w.max << "@" << w.maxAt << " last " << w.last << "@"
                                << w.lastAt << " break " << w.breakBefore;
        }
    }
}

// Hash of every file's bytes, size and modification time under a folder.
std::map<std::string, std::string> TreeState(const std::string& root) {
    std::map<std::string, std::string> state;
    for (const auto& e : fs::recursive_directory_iterator(root)) {
        std::error_code ec;
        const auto modified = fs::last_write_time(e.path(), ec);
        if (ec)
            continue;
        std::string bytes;
        if (e.is_regular_file()) {
            std::ifstream in(e.path(), std::ios::binary);
            bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        }
        state[e.path().string()] = std::to_string(std::hash<std::string>()(bytes)) + " " +
                                   std::to_string(e.is_regular_file() ? e.file_size() : 0) + " " +
                                   std::to_string(modified.time_since_epoch().count());
    }
    return state;
}

}  // namespace

// ---- A folder's buckets against its records ----

// A record line as stored (every byte inverted) reads cell by cell as CellNumber reads each
// cell's text: plain decimals straight from the stored bytes, anything else as text.
TEST(FolderSummaryTest, StoredCellsReadAsTheirText) {
    std::vector<std::string> cells = {"12.5",
                                      "-3",
                                      "0",
                                      "-0",
                                      ".5",
                                      "5.",
                                      "-",
                                      "",
                                      " 7",
                                      "7 ",
                                      "4.25\r",
                                      "+2",
                                      "1e3",
                                      "12abc",
                                      "nan",
                                      "inf",
                                      "N/A",
                                      "1.2.3",
                                      "--5",
                                      "123456789012345",
                                      "1234567890123456",
                                      "-999999999999999.9",
                                      "0.000000000000001",
                                      "####"};
    std::mt19937_64 random(11);
    for (int n = 0; n < 3000; ++n) {
        std::string text = random() % 4 == 0 ? "-" : "";
        const int digits = 1 + static_cast<int>(random() % 18);
        const int point = static_cast<int>(random() % (digits + 2));
        for (int d = 0; d < digits; ++d)
            text += (d == point ? "." : "") + std::to_string(random() % 10);
        cells.push_back(text);
    }
    // The same cells on lines of every length: cut short, ending in a comma, or longer.
    for (size_t cut : {cells.size(), size_t{3}, size_t{0}}) {
        std::string line = "2024-01-01 00:00:00";
        for (size_t c = 0; c < cut; ++c)
            line += "," + cells[c];
        if (cut == 3)
            line += ",";
        std::string stored = line;
        for (char& b : stored)
            b = static_cast<char>(~b);
        const size_t channels = cells.size() + 2;
        std::vector<double> values(channels, 99.0);
        std::vector<uint8_t> numeric(channels, 9);
        std::vector<char> scratch;
        StoredCellNumbers(stored.data(), stored.size(), channels, values.data(), numeric.data(),
                          &scratch);
        for (size_t c = 0; c < channels; ++c) {
            double want = 0.0;
            const bool number =
                c < cut && CellNumber(cells[c].data(), cells[c].data() + cells[c].size(), &want);
            ASSERT_EQ(numeric[c], number ? 1 : 0) << "cell " << c << " of " << cut;
            if (number) {
                ASSERT_EQ(std::memcmp(&values[c], &want, sizeof want), 0) << cells[c];
            }
        }
    }
}

TEST(FolderSummaryTest, BucketsHoldTheirRecordsNumbers) {
    // One channel in the first minute of a folder: cells at seconds, and what its bucket holds.
    struct Case {
        const char* name;
        std::vector<Row> rows;
        uint32_t count;
        double first, min, max, last;
        SummarySeconds firstAt, minAt, maxAt, lastAt;
        uint16_t flags;
        uint32_t pieces = 0;  // of a line that breaks in the bucket
    };
    const uint16_t kBoth = kStartsWithValue | kEndsWithValue;
    const Case cases[] = {
        {"plain",
         {{0, "1,0,0"}, {1, "3,0,0"}, {2, "-2,0,0"}, {3, "0.5,0,0"}},
         4,
         1,
         -2,
         3,
         0.5,
         0,
         2,
         1,
         3,
         kBoth},
        {"equal extremes keep the first",
         {{0, "2,0,0"}, {1, "5,0,0"}, {2, "5,0,0"}, {3, "2,0,0"}},
         4,
         2,
         2,
         5,
         2,
         0,
         0,
         1,
         3,
         kBoth},
        {"no number around",
         {{0, "N/A,0,0"}, {1, "4,0,0"}, {2, "12abc,0,0"}},
         1,
         4,
         4,
         4,
         4,
         1,
         1,
         1,
         1,
         0},
        {"a cell without number breaks the line",
         {{0, "1,0,0"}, {1, ",0,0"}, {2, "2,0,0"}},
         2,
         1,
         1,
         2,
         2,
         0,
         0,
         2,
         2,
         kBoth | kInnerBreak,
         2},
        {"a gap of three intervals does not",
         {{0, "1,0,0"}, {3, "2,0,0"}},
         2,
         1,
         1,
         2,
         2,
         0,
         0,
         3,
         3,
         kBoth},
        {"a gap of four does",
         {{0, "1,0,0"}, {4, "2,0,0"}},
         2,
         1,
         1,
         2,
         2,
         0,
         0,
         4,
         4,
         kBoth | kInnerBreak,
         2},
        {"numbers keep every bit in the file, whatever their decimals and size",
         {{0, "1.23456789,0,0"},
          {1, "-2.5e300,0,0"},
          {2, "123456789012345,0,0"},
          {3, "0.000001,0,0"}},
         4,
         1.23456789,
         -2.5e300,
         123456789012345.0,
         0.000001,
         0,
         1,
         2,
         3,
         kBoth},
        {"other forms of numbers",
         {{0, " 7 ,0,0"}, {1, "1e3,0,0"}, {2, "inf,0,0"}},
         2,
         7,
         7,
         1000,
         1000,
         0,
         0,
         1,
         1,
         kStartsWithValue},
    };
    for (const Case& c : cases) {
        TempDir dir;
        const std::string data = WriteStore(dir.Path(), c.rows);
        SummaryGroup group;
        std::string error;
        ASSERT_TRUE(group.Open(data, dir.Path() + "staging", "g", &error)) << error;
        ASSERT_TRUE(group.Summarise(nullptr, nullptr));
        FolderSummary s;
        ASSERT_TRUE(ReadSummaryFile(group.SummaryPath("1A-2024-02-28-22"), &s));
        ASSERT_EQ(s.levels.size(), 2u) << c.name;
        const SummarySeconds t = Seconds(2024, 2, 28, 22);
        for (const SummaryLevel& level : s.levels) {
            EXPECT_EQ(level.buckets[0].records, c.rows.size()) << c.name;
            const SummaryCell& cell = level.cells[0];
            EXPECT_EQ(cell.count, c.count) << c.name;
            EXPECT_EQ(cell.first, c.first) << c.name;
            EXPECT_EQ(cell.min, c.min) << c.name;
            EXPECT_EQ(cell.max, c.max) << c.name;
            EXPECT_EQ(cell.last, c.last) << c.name;
            EXPECT_EQ(cell.firstAt, t + c.firstAt) << c.name;
            EXPECT_EQ(cell.minAt, t + c.minAt) << c.name;
            EXPECT_EQ(cell.maxAt, t + c.maxAt) << c.name;
            EXPECT_EQ(cell.lastAt, t + c.lastAt) << c.name;
            EXPECT_EQ(cell.flags, c.flags) << c.name;
            EXPECT_EQ(cell.runCount, c.pieces) << c.name;
        }
    }
}

// ---- Summary files that do not check out, or no longer fit their folder ----

TEST(SummaryFilesTest, ThoseThatDoNotFitAreMadeAgain) {
    struct Case {
        const char* name;
        // Changes the staging copy or the store after a first Summarise.
        void (*change)(const std::string& file, const std::string& data);
        bool folderGone;
    };
    const auto rewrite = [](const std::string& file, void (*edit)(std::string*)) {
        std::ifstream in(file, std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        in.close();
        edit(&bytes);
        std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
    };
    // Checksums that match again, so only the values can give the damage away.
    static const auto reseal = [](std::string* bytes) { SealSummary(bytes); };
    static decltype(rewrite)* edit = &rewrite;
    const Case cases[] = {
        {"truncated",
         [](const std::string& f, const std::string&) {
             (*edit)(f, [](std::string* b) { b->resize(b->size() / 2); });
         },
         false},
        {"bad magic",
         [](const std::string& f, const std::string&) {
             (*edit)(f, [](std::string* b) { (*b)[0] = 'X'; });
         },
         false},
        {"another version",
         [](const std::string& f, const std::string&) {
             (*edit)(f, [](std::string* b) {
                 (*b)[8] = 1;
                 reseal(b);
             });
         },
         false},
        {"checksum mismatch",
         [](const std::string& f, const std::string&) {
             (*edit)(f, [](std::string* b) { (*b)[b->size() / 2] ^= 1; });
         },
         false},
        {"minimum above maximum",
         [](const std::string& f, const std::string&) {
             (*edit)(f, [](std::string* b) {
                 // A cell of the finest level with its minimum made huge, written whole again.
                 FolderSummary s;
                 ASSERT_TRUE(DecodeSummary(b->data(), b->size(), &s));
                 for (SummaryCell& c : s.levels[0].cells) {
                     if (c.count > 0) {
                         c.min = 1e300;
                         break;
                     }
                 }
                 *b = EncodeSummary(s);
             });
         },
         false},
        {"overview damaged as well",
         [](const std::string& f, const std::string&) {
             (*edit)(f.substr(0, f.rfind('/') + 1) + "folders.overview",
                     [](std::string* b) { (*b)[b->size() / 2] ^= 1; });
             (*edit)(f, [](std::string* b) { b->resize(b->size() / 2); });
         },
         false},
        {"summary file gone, overview kept",
         [](const std::string& f, const std::string&) { fs::remove(f); }, false},
        {"folder grown",
         [](const std::string&, const std::string& data) {
             RecordWriter writer(data, 0x1A, 1, "Data log", "a,b,c");
             ASSERT_TRUE(writer.Append(MakeCalendarTime(2024, 2, 29, 2, 59, 59), "9,9,9"));
             ASSERT_TRUE(writer.Close());
         },
         false},
        {"folder shrunk",
         [](const std::string&, const std::string& data) {
             const fs::path index = data.substr(0, data.size() - 1) + "/1A/2024/02/29/02.idx";
             fs::resize_file(index, fs::file_size(index) - 8 * 100);
         },
         false},
        {"folder gone",
         [](const std::string&, const std::string& data) {
             fs::remove_all(data.substr(0, data.size() - 1) + "/1A/2024/02/29/02.idx");
         },
         true},
    };
    for (const Case& c : cases) {
        TempDir dir;
        const std::string data = WriteStore(dir.Path(), Rows(7));
        const std::string staging = dir.Path() + "staging";
        SummaryGroup first;
        std::string error;
        ASSERT_TRUE(first.Open(data, staging, "G", &error)) << error;
        ASSERT_TRUE(first.Summarise(nullptr, nullptr));
        const std::string file = first.SummaryPath("1A-2024-02-29-02");
        c.change(file, data);
        FolderSummary damaged;
        EXPECT_TRUE(!ReadSummaryFile(file, &damaged) ||
                    damaged.source != SourceOf(data, "1A\\2024\\02\\29\\02"))
            << c.name << " left a summary that still fits";

        SummaryGroup again;
        ASSERT_TRUE(again.Open(data, staging, "G", &error)) << error;
        ASSERT_TRUE(again.Summarise(nullptr, nullptr)) << c.name;
        if (c.folderGone) {
            EXPECT_FALSE(fs::exists(file)) << c.name;
            continue;
        }
        // What the folder holds now. Damage to the finest level, which is read only when it is
        // drawn from, shows then: the records are drawn instead, and the next Summarise makes
        // the file again.
        const ColumnSpan span{Seconds(2024, 2, 29, 2), 0.0, 3600.0, 60};
        SummaryColumns got;
        again.Columns(span, &got);
        ExpectSameColumns(got, EveryRecord(data, span), c.name);
        ASSERT_TRUE(again.Summarise(nullptr, nullptr)) << c.name;
        FolderSummary kept;
        std::string why;
        ASSERT_TRUE(ReadSummaryFile(file, &kept, &why)) << c.name << ": " << why;
        EXPECT_TRUE(kept.source == SourceOf(data, "1A\\2024\\02\\29\\02")) << c.name;
    }
}

TEST(SummaryFilesTest, DataFolderStaysAsItWas) {
    TempDir dir;
    const std::string data = WriteStore(dir.Path(), Rows(3));
    const auto before = TreeState(dir.Path() + "DL");
    SummaryGroup group;
    std::string error;
    ASSERT_TRUE(group.Open(data, dir.Path() + "staging", "G", &error)) << error;
    ASSERT_TRUE(group.Summarise(nullptr, nullptr));
    SummaryColumns out;
    const ColumnSpan whole{group.From(), 0.0, double(group.To() - group.From()), 700};
    const std::atomic<bool> go{false};
    EXPECT_TRUE(group.Columns(whole, &out, false, &go));
    EXPECT_GT(out.records[0], 0u);
    // A span no longer wanted is given up and told so.
    const std::atomic<bool> stop{true};
    SummaryColumns dropped;
    EXPECT_FALSE(group.Columns(whole, &dropped, false, &stop));
    EXPECT_EQ(TreeState(dir.Path() + "DL"), before);
    EXPECT_TRUE(fs::exists(group.SummaryPath("1A-2024-02-28-22")));
}

// ---- Columns drawn from summaries equal the columns of every record ----

TEST(SummaryColumnsTest, EqualEveryRecordOverRandomSpans) {
    TempDir dir;
    const std::string data = WriteStore(dir.Path(), Rows(11));
    SummaryGroup group;
    std::string error;
    ASSERT_TRUE(group.Open(data, dir.Path() + "staging", "G", &error)) << error;
    EXPECT_EQ(group.Channels(), (std::vector<std::string>{"a", "b", "c"}));
    size_t calls = 0;
    ASSERT_TRUE(group.Summarise([&](size_t, size_t) { ++calls; }, nullptr));
    EXPECT_EQ(group.SummarisedCount(), group.FolderCount());
    EXPECT_GT(calls, 0u);
    std::mt19937 random(5);
    const SummarySeconds from = group.From();
    const SummarySeconds whole = group.To() - group.From();
    // Fixed spans (the whole, one minute across a bucket's edge, the stop) and random ones
    // that start and end anywhere, with columns from one to wider than a screen.
    struct Span {
        SummarySeconds origin;
        double from, to;
        int columns;
    };
    std::vector<Span> spans = {{from, 0, double(whole), 1200},
                               {from, 0, double(whole), 7},
                               {from + 3570, 0.5, 61.5, 1200},
                               {from + 5000, 0, 7000, 333},
                               {from - 1800, 0, double(whole + 3600), 3}};
    for (int i = 0; i < 300; ++i) {
        const SummarySeconds length = 1 + random() % (i % 3 == 0 ? whole : 4000);
        const SummarySeconds start = from - 100 + random() % (whole + 200);
        const double shift = (random() % 1000) / 1000.0;
        const int columns = 1 + int(random() % (i % 2 == 0 ? 1500 : 40));
        spans.push_back({start, shift, shift + double(length), columns});
    }
    // The finest levels come from their files as they are needed, one folder's kept at a time;
    // then again with every folder's kept, read from the bytes already checked.
    uint64_t records = 0;
    uint64_t read = 0;
    for (size_t kept : {size_t{1}, size_t{100000}}) {
        group.SetFineLevelCache(kept);
        for (const Span& s : spans) {
            const ColumnSpan span{s.origin, s.from, s.to, s.columns};
            SummaryColumns got;
            group.Columns(span, &got);
            if ((s.to - s.from) / s.columns >= 600 && kept == 1) {
                read += got.recordsRead;
                for (uint32_t n : got.records)
                    records += n;
            }
            const std::string what = "span at " + std::to_string(s.origin - from) + "+" +
                                     std::to_string(s.from) + ".." + std::to_string(s.to) + " in " +
                                     std::to_string(s.columns) + ", " + std::to_string(kept) +
                                     " kept";
            ExpectSameColumns(got, EveryRecord(data, span), what);
            if (HasFatalFailure())
                return;
        }
    }
    // Each channel's range over the whole span, known before its columns are read, is theirs;
    // a span that cuts a folder has none.
    std::vector<SummaryRun> ranges;
    ASSERT_TRUE(group.Ranges(group.From(), group.To(), &ranges));
    const SummaryColumns all = EveryRecord(data, ColumnSpan{from, 0, double(whole), 50});
    for (size_t c = 0; c < ranges.size(); ++c) {
        uint64_t count = 0;
        for (const ColumnRun& run : all.runs[c]) {
            EXPECT_LE(ranges[c].min, run.min) << "channel " << c;
            EXPECT_GE(ranges[c].max, run.max) << "channel " << c;
            count += run.count;
        }
        EXPECT_EQ(ranges[c].count, count) << "channel " << c;
        EXPECT_TRUE(std::any_of(all.runs[c].begin(), all.runs[c].end(),
                                [&](const ColumnRun& r) { return r.min == ranges[c].min; }));
        EXPECT_TRUE(std::any_of(all.runs[c].begin(), all.runs[c].end(),
                                [&](const ColumnRun& r) { return r.max == ranges[c].max; }));
    }
    EXPECT_FALSE(group.Ranges(group.From() + 1, group.To(), &ranges));
    EXPECT_TRUE(ranges.empty());
    // Where columns are several buckets wide, almost all records came from the summaries: only
    // the buckets across a column's edge are read, also where a line breaks inside a bucket.
    EXPECT_LT(read * 10, records) << read << " of " << records << " records read";
}
