// histavue-cli run in-process over a small recorded store: output of every command, exit codes
// and messages, files left behind, and the data folder staying untouched.
#include <algorithm>
#include <clocale>
#include <cstdlib>
#include <functional>
#include <memory>

#include "cli.h"
#include "file_system.h"
#include "record_writer.h"
#include "store_fixture.h"

namespace {

using namespace storetest;

const std::string kGbkName = "\xCE\xC2\xB6\xC8";  // a Chinese group name in GBK bytes: 温度
const std::string kUtf8Name = "\xE6\xB8\xA9\xE5\xBA\xA6";  // the same name in UTF-8
const std::string kPad(530, 'p');  // long values make the 23:00 folder span two blocks
// UTF-8 of 娓╁害, whose GB18030 bytes are the UTF-8 of 温度 (kUtf8Name).
const std::string kLookalike = "娓╁害";
const std::string kGbkAlarm = "\xCE\xC2\xB6\xC8\xB9\xFD\xB8\xDF";  // 温度过高 in GBK

struct Result {
    int code = -1;
    std::string out;
    std::string err;
};

std::string ReadBack(std::FILE* f) {
    std::fflush(f);
    const int fd = fileno(f);
    lseek(fd, 0, SEEK_SET);
    std::string text;
    char buf[65536];
    for (ssize_t n; (n = read(fd, buf, sizeof buf)) > 0;)
        text.append(buf, static_cast<size_t>(n));
    std::fclose(f);
    return text;
}

class CliTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        root_ = new TempDir();
        data_ = root_->Path() + "DL/";
        tmp_ = root_->Path() + "tmp/";
        fs::create_directories(data_);
        fs::create_directories(tmp_);
        SetEnvironment("TMPDIR", tmp_);

        // Line1: every 10 s from 2024-03-15 23:00:00 to 2024-03-16 00:05:00 (hour folders).
        RecordWriter line1(data_, 0x1A, 10, kHeader1, kHeader2);
        for (int s = 0; s <= 3900; s += 10) {
            const CalendarTime t = s < 3600 ? At(2024, 3, 15, 23, s / 60, s % 60)
                                            : At(2024, 3, 16, 0, (s - 3600) / 60, s % 60);
            const std::string values = std::to_string(s) + (s < 3600 ? "," + kPad : ",0");
            ASSERT_TRUE(line1.Append(t, values.c_str()));
        }
        ASSERT_TRUE(line1.Close());
        // Tank: hourly from 2023-12-31 20:00 to 2024-01-01 03:00 (day folders).
        RecordWriter tank(data_, 2, 3600, "Tank", "Level");
        for (int h = 20; h <= 27; ++h) {
            const CalendarTime t = h < 24 ? At(2023, 12, 31, h) : At(2024, 1, 1, h - 24);
            ASSERT_TRUE(tank.Append(t, std::to_string(h).c_str()));
        }
        ASSERT_TRUE(tank.Close());
        // 温度: titled 锅炉 with a channel 温度, in GBK as the panels write them.
        RecordWriter chinese(data_, 3, 60, "\xB9\xF8\xC2\xAF", kGbkName.c_str());
        for (int m = 0; m < 3; ++m)
            ASSERT_TRUE(
                chinese.Append(At(2024, 3, 15, 10, m), ("-" + std::to_string(m) + ".5").c_str()));
        ASSERT_TRUE(chinese.Close());
        const RootIndexEntry groups[] = {
            {"Line1", 0x1A, 10}, {"Tank", 2, 3600}, {kGbkName, 3, 60}, {"Spare", 0, 10}};
        ASSERT_TRUE(WriteRootIndex(data_, groups, 4));
        before_ = new std::map<std::string, std::string>(Snapshot(data_));

        // Another store, of day folders: 温度 in GBK (2023) beside a group whose stored name is
        // the UTF-8 of 温度 (2024); a store with ASCII headers and UTF-8 messages and one with
        // UTF-8 headers and GBK messages; and a block that lost its last three bytes.
        other_ = root_->Path() + "other/";
        const struct {
            RootIndexEntry group;
            const char* first;
            const char* second;
            std::string values;
            int year;
        } others[] = {
            {{kGbkName, 5, 3600}, "A", "V", "1", 2023},
            {{kUtf8Name, 6, 3600}, "B", "V", "2", 2024},
            {{"Ascii", 7, 3600}, "Boiler", "Event,Message", "1,温度过高", 2024},
            {{"Mixed", 8, 3600}, "锅炉", "Event,消息", "1," + kGbkAlarm, 2024},
            {{"Cut", 9, 3600}, "Cut", "T", "25.36", 2024},
        };
        std::vector<RootIndexEntry> groups2;
        for (const auto& o : others) {
            RecordWriter w(other_, o.group.id, o.group.interval, o.first, o.second);
            for (int h = 0; h < 3; ++h)
                ASSERT_TRUE(w.Append(At(o.year, 3, 15, h), o.values.c_str()));
            ASSERT_TRUE(w.Close());
            groups2.push_back(o.group);
        }
        ASSERT_TRUE(WriteRootIndex(other_, groups2.data(), groups2.size()));
        const std::string cut = other_ + "9/2024/03/15(0).csv";
        ASSERT_EQ(truncate(cut.c_str(), static_cast<off_t>(fs::file_size(cut) - 3)), 0);
    }
    static void TearDownTestSuite() {
        delete before_;
        delete root_;
    }

    // Runs one command line; afterwards the data folder must be unchanged and no private
    // staging folder may be left.
    static Result Run(std::vector<std::string> args) {
        args.insert(args.begin(), "histavue-cli");
        std::vector<const char*> argv;
        for (const std::string& a : args)
            argv.push_back(a.c_str());
        argv.push_back(nullptr);
        std::FILE* out = std::tmpfile();
        std::FILE* err = std::tmpfile();
        Result r;
        r.code = RunCli(static_cast<int>(args.size()), argv.data(), out, err);
        r.out = ReadBack(out);
        r.err = ReadBack(err);
        EXPECT_EQ(Snapshot(data_), *before_) << "data folder changed by " << args[1];
        EXPECT_TRUE(fs::is_empty(tmp_)) << "staging folder left by " << args[1];
        return r;
    }

    // The record lines of a Line1 CSV text, after its two header lines.
    static std::vector<std::string> Records(const std::string& csv) {
        std::vector<std::string> lines = Lines(csv);
        if (lines.size() < 2) {
            ADD_FAILURE() << "no header lines";
            return {};
        }
        EXPECT_EQ(lines[0], kHeader1);
        EXPECT_EQ(lines[1], std::string("Time,") + kHeader2);
        lines.erase(lines.begin(), lines.begin() + 2);
        return lines;
    }

    static std::string Time(const std::string& line) { return line.substr(0, 19); }

    static TempDir* root_;
    static std::string data_;
    static std::string other_;
    static std::string tmp_;
    static std::map<std::string, std::string>* before_;
};

TempDir* CliTest::root_ = nullptr;
std::string CliTest::data_;
std::string CliTest::other_;
std::string CliTest::tmp_;
std::map<std::string, std::string>* CliTest::before_ = nullptr;

TEST_F(CliTest, GroupsPlainAndLong) {
    Result r = Run({"groups", "--store", data_});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "Line1\nTank\n" + kUtf8Name + "\nSpare\n");
    EXPECT_EQ(r.err, "");

    r = Run({"groups", "--store=" + data_, "--long"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out,
              "Line1\t1A\t10\t3\nTank\t2\t3600\t2\n" + kUtf8Name + "\t3\t60\t3\nSpare\t0\t10\t3\n");
}

TEST_F(CliTest, ListsEveryLevelAndBlocks) {
    EXPECT_EQ(Run({"list", "--store", data_, "--group", "Line1"}).out, "2024\n");
    EXPECT_EQ(Run({"list", "--store", data_, "--group", "line1", "--path", "2024"}).out, "03\n");
    EXPECT_EQ(Run({"list", "--store", data_, "--group", "Line1", "--path", "2024\\03"}).out,
              "15\n16\n");
    EXPECT_EQ(Run({"list", "--store", data_, "--group", "Line1", "--path", "2024/03/15"}).out,
              "23\n");
    EXPECT_EQ(
        Run({"list", "--store", data_, "--group", "Line1", "--path", "2024\\03\\15", "--blocks"})
            .out,
        "23(0).csv\n23(1).csv\n");
    EXPECT_EQ(Run({"list", "--store", data_, "--group", "Tank"}).out, "2023\n2024\n");
    EXPECT_EQ(Run({"list", "--store", data_, "--group", "Tank", "--path", "2023\\12"}).out, "31\n");

    Result r = Run({"list", "--store", data_, "--group", "Tank", "--path", "2023\\12\\31"});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("deepest-level folder"), std::string::npos) << r.err;
    r = Run({"list", "--store", data_, "--group", "Tank", "--path", "2022"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "histavue-cli: nothing under 2022 in group Tank\n");
    r = Run({"list", "--store", data_, "--group", "Tank", "--path", "2023\\x"});
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find("malformed tree path"), std::string::npos) << r.err;
}

TEST_F(CliTest, ExportToStandardOutputMatchesTheFiles) {
    const std::string item = "2024\\03\\15\\23";
    const Result plain = Run({"export", "--store", data_, "--group", "Line1", "--item", item});
    ASSERT_EQ(plain.code, 0) << plain.err;
    // Both blocks, with the header lines once.
    const std::vector<std::string> records = Records(plain.out);
    ASSERT_EQ(records.size(), 360u);
    EXPECT_EQ(records.front(), "2024-03-15 23:00:00,0," + kPad);
    EXPECT_EQ(records.back(), "2024-03-15 23:59:50,3590," + kPad);
    EXPECT_EQ(plain.out.find("Time,"), plain.out.rfind("Time,"));

#ifdef _WIN32
    const std::string plainFile = root_->Path() + "plain.csv";  // "\\" separates on Windows
#else
    const std::string plainFile = root_->Path() + "pl\\ain.csv";  // a backslash is no separator
#endif
    const std::string invertedFile = root_->Path() + "inverted.csv";
    EXPECT_EQ(Run({"export", "--store", data_, "--group", "Line1", "--item", item, "--out",
                   plainFile, "--plain"})
                  .code,
              0);
    std::ifstream plainIn(plainFile, std::ios::binary);  // the name as given, backslash and all
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(plainIn), {}), plain.out);
    const Result written = Run(
        {"export", "--store", data_, "--group", "Line1", "--item", item, "--out", invertedFile});
    EXPECT_EQ(written.code, 0) << written.err;
    EXPECT_EQ(written.out, "");
    EXPECT_EQ(ReadRaw(invertedFile), Invert(plain.out));
    EXPECT_EQ(Run({"cat", invertedFile}).out, plain.out);

    // One block: its own header lines and only its records.
    const Result block =
        Run({"export", "--store", data_, "--group", "Line1", "--item", item + "(1)"});
    ASSERT_EQ(block.code, 0) << block.err;
    const std::vector<std::string> tail = Records(block.out);
    ASSERT_FALSE(tail.empty());
    EXPECT_LT(tail.size(), records.size());
    EXPECT_EQ(tail.back(), records.back());
    EXPECT_EQ(tail.front(), records[records.size() - tail.size()]);
}

TEST_F(CliTest, QueryAcrossMidnightEndInclusive) {
    Result r = Run({"query", "--store", data_, "--group", "Line1", "--from", "2024-03-15 23:59:40",
                    "--to", "2024-03-16 00:00:10"});
    ASSERT_EQ(r.code, 0) << r.err;
    std::vector<std::string> records = Records(r.out);
    ASSERT_EQ(records.size(), 4u);
    EXPECT_EQ(Time(records[0]), "2024-03-15 23:59:40");
    EXPECT_EQ(records[1], "2024-03-15 23:59:50,3590," + kPad);
    EXPECT_EQ(records[2], "2024-03-16 00:00:00,3600,0");
    EXPECT_EQ(records[3], "2024-03-16 00:00:10,3610,0");

    // Thinned to 25 s: the grid carries over into the next folder; minutes without seconds.
    r = Run({"query", "--store", data_, "--group", "Line1", "--from", "2024-03-15 23:59", "--to",
             "2024-03-16 00:01", "--interval", "25"});
    ASSERT_EQ(r.code, 0) << r.err;
    records = Records(r.out);
    std::vector<std::string> times;
    for (const std::string& line : records)
        times.push_back(Time(line));
    EXPECT_EQ(times, (std::vector<std::string>{"2024-03-15 23:59:00", "2024-03-15 23:59:30",
                                               "2024-03-16 00:00:00", "2024-03-16 00:00:30",
                                               "2024-03-16 00:01:00"}));

    // Day folders across a year end; the file written with --out is the inverted text.
    const std::string out = root_->Path() + "query.csv";
    r = Run({"query", "--store", data_, "--group", "Tank", "--from", "2023-12-31 22:00", "--to",
             "2024-01-01 01:00:00", "--interval", "0"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out,
              "Tank\nTime,Level\n2023-12-31 22:00:00,22\n2023-12-31 23:00:00,23\n"
              "2024-01-01 00:00:00,24\n2024-01-01 01:00:00,25\n");
    EXPECT_EQ(Run({"query", "--store", data_, "--group", "Tank", "--from", "2023-12-31 22:00",
                   "--to", "2024-01-01 01:00:00", "--out", out})
                  .code,
              0);
    EXPECT_EQ(ReadRaw(out), Invert(r.out));
}

TEST_F(CliTest, FailuresSayWhyAndLeaveNoFile) {
    const std::string out = root_->Path() + "failed.csv";
    const std::string kept = root_->Path() + "kept.csv";
    WriteRaw(kept, "earlier export");
    struct Case {
        std::vector<std::string> args;
        std::string message;
    };
    const std::vector<Case> cases = {
        {{"query", "--group", "Nope", "--from", "2024-03-15 23:00", "--to", "2024-03-16 00:00"},
         "histavue-cli: group not found: Nope\n"},
        {{"query", "--group", "Line1", "--from", "2020-01-01 00:00", "--to", "2020-01-02 00:00"},
         "histavue-cli: no records between 2020-01-01 00:00:00 and 2020-01-02 00:00:00 in "
         "group Line1\n"},
        {{"query", "--group", "Line1", "--from", "2024-03-15 23:30", "--to", "2024-03-15 23:10"},
         "histavue-cli: start time 2024-03-15 23:30:00 is after end time 2024-03-15 "
         "23:10:00\n"},
        {{"query", "--group", "Line1", "--from", "2024-03-16 00:00", "--to", "2024-03-15 23:59"},
         "is after end time"},
        {{"query", "--group", "Spare", "--from", "2024-03-15 23:00", "--to", "2024-03-16 00:00"},
         "id 0"},
        {{"export", "--group", "Nope", "--item", "2024\\03\\15\\23"}, "group not found: Nope"},
        {{"export", "--group", "Line1", "--item", "2024\\03\\15\\22"},
         "histavue-cli: no records in 2024\\03\\15\\22 of group Line1\n"},
        {{"export", "--group", "Line1", "--item", "2024\\03\\15\\23(2)"}, "no records in block"},
        {{"export", "--group", "Line1", "--item", "2024\\03\\15"},
         "not a deepest-level folder of group Line1 (expected YYYY\\MM\\DD\\HH)"},
        {{"list", "--group", "Nope"}, "group not found: Nope"},
    };
    for (const Case& c : cases) {
        for (const std::string& target : {out, kept}) {
            std::vector<std::string> args = c.args;
            args.insert(args.begin() + 1, {"--store", data_});
            if (args[0] != "list")
                args.insert(args.end(), {"--out", target});
            const Result r = Run(args);
            EXPECT_EQ(r.code, 1) << args[0] << " " << c.message;
            EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
            EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
            EXPECT_FALSE(fs::exists(out)) << c.message;
            EXPECT_EQ(ReadRaw(kept), "earlier export") << c.message;
        }
    }
}

TEST_F(CliTest, QueryNamesWhatItCannotReadAndKeepsTheRest) {
    // A copy of the store, with Tank's folder of 2024-01-01 damaged one way a case.
    const std::string store = root_->Path() + "damaged/";
    // Store paths, named in messages as the system spells them.
    const std::string index = store + "2\\2024\\01\\01.idx";
    const std::string block = store + "2\\2024\\01\\01(0).csv";
    const std::string indexShown = storefs::NativePath(index);
    const std::string blockShown = storefs::NativePath(block);
    struct Case {
        const char* what;
        std::function<void()> damage;
        std::string message;
        bool permissions = false;  // permissions do not stop root
    };
    const std::vector<Case> cases = {
        {"an entry cut short", [&] { WriteRaw(index, ReadRaw(index).substr(0, 29)); },
         indexShown + ": the folder index has 29 bytes, not a whole number of 8-byte entries "
                      "(damaged, or being written by the panel: try again)"},
        {"an empty index", [&] { WriteRaw(index, ""); },
         indexShown + ": the folder index is empty"},
        {"a folder in place of the index",
         [&] {
             fs::remove(Native(index));
             fs::create_directory(Native(index));
         },
         indexShown + ": not a regular file"},
        {"a missing block", [&] { fs::remove(Native(block)); }, blockShown + ": no such file"},
#ifndef _WIN32  // FIFOs and permission bits
        {"a FIFO in place of the block",
         [&] {
             fs::remove(Native(block));
             mkfifo(Native(block).c_str(), 0644);
         },
         blockShown + ": not a regular file"},
        {"an index that cannot be opened", [&] { fs::permissions(Native(index), fs::perms::none); },
         "cannot open " + indexShown + ": Permission denied", true},
#endif
    };
    for (const Case& c : cases) {
        if (c.permissions && RunsAsRoot())
            continue;
        fs::remove_all(store);
        fs::copy(fs::path(data_).parent_path(), store, fs::copy_options::recursive);
        c.damage();
        const Result r = Run({"query", "--store", store, "--group", "Tank", "--from",
                              "2023-12-31 23:00", "--to", "2024-01-01 03:00"});
        EXPECT_EQ(r.code, 1) << c.what;
        EXPECT_EQ(r.err,
                  "histavue-cli: not every record between 2023-12-31 23:00:00 and 2024-01-01 "
                  "03:00:00 in group Tank could be read: " +
                      c.message + "\n")
            << c.what;
        // The folder before is read all the same.
        EXPECT_EQ(r.out, "Tank\nTime,Level\n2023-12-31 23:00:00,23\n") << c.what;
    }
    fs::remove_all(store);
}

TEST_F(CliTest, OutputHeldByAnotherProgramIsNotTouched) {
    const std::string out = root_->Path() + "held.csv";
    WriteRaw(out, "open in the viewer");
    const int fd = storefs::OpenExclusive(out, storefs::OpenMode::kExistingReadWrite, nullptr,
                                          storefs::Names::kExact);
    ASSERT_GE(fd, 0);
    const Result r = Run(
        {"export", "--store", data_, "--group", "Tank", "--item", "2023\\12\\31", "--out", out});
    storefs::CloseFile(fd);
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("cannot write"), std::string::npos) << r.err;
    EXPECT_EQ(ReadRaw(out), "open in the viewer");
}

TEST_F(CliTest, UsageErrorsExitTwo) {
    const std::string q = "query";
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"frobnicate"},
        {"groups"},
        {"groups", "--store"},
        {"groups", "--store", "--long"},
        {"groups", "--store", data_, "--bogus"},
        {"groups", "--store", data_, "-x"},
        {"groups", "--store", data_, "--blocks"},
        {"groups", "--store", data_, "--store", data_},
        {"groups", "--store", data_, "--long=yes"},
        {"groups", "--store", data_, "extra"},
        {"list", "--store", data_},
        {"export", "--store", data_, "--group", "Line1"},
        {"export", "--store", data_, "--group", "Line1", "--item", "2024\\03\\xx"},
        {"export", "--store", data_, "--group", "Line1", "--item", "2024\\03\\15\\23(100)"},
        {"export", "--store", data_, "--group", "Line1", "--item", "2024\\03\\15\\23", "--plain"},
        {"export", "--store", data_, "--group", "Line1", "--item", "2024\\03\\15\\23", "--out",
         "x.csv", "--encoding", "utf-8"},
        {"export", "--store", data_, "--group", "Line1", "--item", "2024\\03\\15\\23", "--encoding",
         "latin1"},
        {"groups", "--store", data_, "--encoding", "utf-8"},
        {"export", "--store", data_, "--group", "Tank", "--item", "2023\\12\\31", "--out",
         data_ + "copy.csv"},
        {q, "--store", data_, "--group", "Line1", "--from", "2024-03-15 23:00"},
        {q, "--store", data_, "--group", "Line1", "--from", "2024-13-01 00:00", "--to",
         "2024-12-01 00:00"},
        {q, "--store", data_, "--group", "Line1", "--from", "yesterday", "--to",
         "2024-12-01 00:00"},
        {q, "--store", data_, "--group", "Line1", "--from", "2024-02-30 10:00", "--to",
         "2024-12-01 00:00"},
        {q, "--store", data_, "--group", "Line1", "--from", "2024-01-01 24:00", "--to",
         "2024-12-01 00:00"},
        {q, "--store", data_, "--group", "Line1", "--from", "2024-01-01 10:00:60", "--to",
         "2024-12-01 00:00"},
        {q, "--store", data_, "--group", "Line1", "--from", "2024-01-01 10:00", "--to",
         "2024-01-01 10:00 junk"},
        {q, "--store", data_, "--group", "Line1", "--from", "1600-12-31 10:00", "--to",
         "2024-12-01 00:00"},
        {q, "--store", data_, "--group", "Line1", "--from", "2024-01-01 10:00", "--to",
         "2024-12-01 00:00", "--interval", "-5"},
        {q, "--store", data_, "--group", "Line1", "--from", "2024-01-01 10:00", "--to",
         "2024-12-01 00:00", "--interval", "ten"},
        {q, "--store", data_, "--group", "Line1", "--from", "2024-01-01 10:00", "--to",
         "2024-12-01 00:00", "--interval", "4294967296"},
        {q, "--store", data_, "--group", "Line1", "--from", "2024-01-01 10:00", "--to",
         "2024-12-01 00:00", "--interval="},
        {"cat"},
        {"cat", "a", "b"},
    };
    for (const std::vector<std::string>& args : cases) {
        const Result r = Run(args);
        const std::string line = args.empty() ? "(none)" : args.back();
        EXPECT_EQ(r.code, 2) << line;
        EXPECT_EQ(r.out, "") << line;
        // One line of reason, then where the usage is.
        EXPECT_EQ(r.err.rfind("histavue-cli: ", 0), 0u) << r.err;
        EXPECT_EQ(r.err.find('\n'), r.err.rfind('\n', r.err.size() - 2)) << r.err;
        EXPECT_EQ(r.err.substr(r.err.find('\n') + 1),
                  "Try 'histavue-cli --help' for more information.\n")
            << line;
    }
    EXPECT_FALSE(fs::exists(data_ + "copy.csv"));

    const Result help = Run({"query", "--help"});
    EXPECT_EQ(help.code, 0);
    EXPECT_EQ(help.out, CliUsage());
    EXPECT_EQ(Run({"-h"}).out, CliUsage());
}

TEST_F(CliTest, StagingFolder) {
    TempDir staging;
    // A stale working copy naming other groups is replaced by the data folder's root index.
    WriteInvertedFile(staging.Path() + "NewDLRoot.idx", "Old=9,10\n");
    Result r = Run({"groups", "--store", data_, "--staging", staging.Path()});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "Line1\nTank\n" + kUtf8Name + "\nSpare\n");
    EXPECT_EQ(ReadRaw(staging.Path() + "NewDLRoot.idx"), ReadRaw(data_ + "NewDLRoot.idx"));

    // A folder that does not exist yet is created and kept.
    const std::string fresh = staging.Path() + "fresh";
    r = Run({"list", "--store", data_, "--staging", fresh, "--group", "Tank"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_TRUE(fs::exists(fresh + "/NewDLRoot.idx"));

    r = Run({"groups", "--store", data_, "--staging", data_});
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find("must not be the data folder"), std::string::npos) << r.err;

    // A working copy held open by another viewer is not replaced.
    const int fd = storefs::OpenExclusive(staging.Path() + "NewDLRoot.idx",
                                          storefs::OpenMode::kExistingReadWrite);
    ASSERT_GE(fd, 0);
    r = Run({"groups", "--store", data_, "--staging", staging.Path()});
    storefs::CloseFile(fd);
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("staging folder in use"), std::string::npos) << r.err;
}

TEST_F(CliTest, MissingStoreOrRootIndex) {
    Result r = Run({"groups", "--store", root_->Path() + "nowhere"});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("no such folder"), std::string::npos) << r.err;

    TempDir empty;
    for (std::vector<std::string> args : {std::vector<std::string>{"groups"},
                                          {"list", "--group", "Line1"},
                                          {"query", "--group", "Line1", "--from",
                                           "2024-03-15 23:00", "--to", "2024-03-16 00:00"}}) {
        args.insert(args.begin() + 1, {"--store", empty.Path()});
        r = Run(args);
        EXPECT_EQ(r.code, 1);
        EXPECT_EQ(r.err, "histavue-cli: no groups: " + empty.Path() + " has no NewDLRoot.idx\n");
    }
    EXPECT_FALSE(fs::exists(empty.Path() + "NewDLRoot.idx"));
}

TEST_F(CliTest, CatPrintsStoreFilesPlain) {
    const Result block = Run({"cat", data_ + "2/2023/12/31(0).csv"});
    EXPECT_EQ(block.code, 0) << block.err;
    EXPECT_EQ(block.out,
              "Tank\nTime,Level\n2023-12-31 20:00:00,20\n2023-12-31 21:00:00,21\n"
              "2023-12-31 22:00:00,22\n2023-12-31 23:00:00,23\n");
    EXPECT_EQ(Run({"cat", data_ + "NewDLRoot.idx"}).out,
              "Line1=26,10\nTank=2,3600\n" + kGbkName + "=3,60\nSpare=0,10\n");

    const Result missing = Run({"cat", root_->Path() + "missing.csv"});
    EXPECT_EQ(missing.code, 1);
    EXPECT_NE(missing.err.find("cannot read"), std::string::npos) << missing.err;
}

// Sets the terminal's code page for one test, as a shell's locale does.
class Terminal {
  public:
    explicit Terminal(const char* locale) : ok_(std::setlocale(LC_CTYPE, locale) != nullptr) {}
    ~Terminal() { std::setlocale(LC_CTYPE, "C"); }
    bool Ok() const { return ok_; }

  private:
    bool ok_;
};

// A UTF-8 terminal, and one whose locale (C) speaks only ASCII, both get names in UTF-8: the
// stored GB18030 bytes would be mojibake on either, and break a script that reads them as text.
TEST_F(CliTest, NamesAreTypedAndPrintedInTheTerminalsEncoding) {
    struct Case {
        const char* locale;
        std::vector<std::string> args;
        std::string out;  // standard output, or the start of the message
        const std::string* store = &data_;
    } cases[] = {
        {"C.UTF-8", {"groups"}, "Line1\nTank\n" + kUtf8Name + "\nSpare\n"},
        {"C.UTF-8", {"groups", "--raw-names"}, "Line1\nTank\n" + kGbkName + "\nSpare\n"},
        {"C", {"groups", "--raw-names"}, "Line1\nTank\n" + kGbkName + "\nSpare\n"},
        {"C.UTF-8",
         {"groups", "--long"},
         "Line1\t1A\t10\t3\nTank\t2\t3600\t2\n" + kUtf8Name + "\t3\t60\t3\n"},
        {"C.UTF-8", {"list", "--group", kUtf8Name}, "2024\n"},
        {"C", {"list", "--group", kUtf8Name}, "2024\n"},
        {"C.UTF-8", {"list", "--group", kGbkName}, "2024\n"},
        {"C.UTF-8",
         {"list", "--group", kUtf8Name, "--raw-names"},
         "histavue-cli: group not found: " + kUtf8Name},
        // 温度 typed names 温度 (2023), and its bytes name the group shown as 娓╁害 (2024).
        {"C.UTF-8",
         {"list", "--group", kUtf8Name},
         "histavue-cli: group name '" + kUtf8Name + "' could mean two groups: '" + kUtf8Name +
             "', and '" + kLookalike + "' whose stored name has the bytes typed; type '" +
             kLookalike + "' or add --raw-names for the second\n",
         &other_},
        {"C.UTF-8", {"list", "--group", kLookalike}, "2024\n", &other_},
        {"C.UTF-8", {"list", "--group", kUtf8Name, "--raw-names"}, "2024\n", &other_},
        {"C.UTF-8", {"list", "--group", kGbkName}, "2023\n", &other_},
    };
    for (Case& c : cases) {
        Terminal terminal(c.locale);
        if (!terminal.Ok())
            continue;  // no such locale on this machine
        c.args.insert(c.args.begin() + 1, {"--store", *c.store});
        const Result r = Run(c.args);
        EXPECT_EQ((r.code == 0 ? r.out : r.err).substr(0, c.out.size()), c.out)
            << c.locale << " " << c.args.back();
    }
}

// --encoding utf-8 decides each line alone, in an export and a query alike: ASCII headers with
// UTF-8 messages, UTF-8 headers with GBK messages.
TEST_F(CliTest, Utf8OutputDecidesTheCodePageOfEachLine) {
    std::string records;
    for (const char* hour : {"00", "01", "02"})
        records += std::string("2024-03-15 ") + hour + ":00:00,1,温度过高\n";
    const struct {
        const char* group;
        std::string out;
    } cases[] = {
        {"Ascii",
         "\xEF\xBB\xBF"
         "Boiler\nTime,Event,Message\n" +
             records},
        {"Mixed",
         "\xEF\xBB\xBF"
         "锅炉\nTime,Event,消息\n" +
             records},
    };
    for (const auto& c : cases) {
        for (const std::vector<std::string>& args :
             {std::vector<std::string>{"query", "--from", "2024-03-15 00:00", "--to",
                                       "2024-03-15 23:00"},
              {"export", "--item", "2024\\03\\15"}}) {
            std::vector<std::string> line = args;
            line.insert(line.begin() + 1, {"--store", other_, "--group", c.group});
            line.insert(line.end(), {"--encoding", "utf-8"});
            const Result r = Run(line);
            EXPECT_EQ(r.code, 0) << r.err;
            EXPECT_EQ(r.out, c.out) << c.group << " " << args[0];
        }
    }
}

// A block's last line without its line end (a copy cut short, 25.36 become 25.3) is no record:
// the query and the export leave it out and say so.
TEST_F(CliTest, LastLineWithoutItsEndIsLeftOutAndSaid) {
    const std::string said =
        "histavue-cli: left out 1 record line without a line end at the end of a block (the "
        "copy was cut short, or the panel is writing it now)\n";
    const std::string records =
        "Cut\nTime,T\n2024-03-15 00:00:00,25.36\n2024-03-15 01:00:00,25.36\n";
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"query", "--from", "2024-03-15 00:00", "--to",
                                   "2024-03-15 23:00"},
          {"export", "--item", "2024\\03\\15"},
          {"export", "--item", "2024\\03\\15(0)"}}) {
        std::vector<std::string> line = args;
        line.insert(line.begin() + 1, {"--store", other_, "--group", "Cut"});
        const Result r = Run(line);
        EXPECT_EQ(r.code, 0) << args[0];
        EXPECT_EQ(r.out, records) << args.back();
        EXPECT_EQ(r.err, said) << args.back();
    }
}

// An export for spreadsheet programs: UTF-8 after a byte-order mark, read back by Python's csv
// module with the same rows, times and numbers; without --encoding the bytes stay as stored.
TEST_F(CliTest, Utf8ExportReadsBackInPythonsCsvModule) {
    Terminal terminal("C.UTF-8");
    if (!terminal.Ok() || std::system("python3 -c '' 2>/dev/null") != 0)
        GTEST_SKIP() << "no python3 or no C.UTF-8 locale";
    const std::string csv = root_->Path() + "utf8.csv";
    const std::vector<std::string> query = {
        "query",  "--store",          data_,  "--group",         kUtf8Name,
        "--from", "2024-03-15 10:00", "--to", "2024-03-15 10:02"};
    const Result stored = Run(query);
    ASSERT_EQ(stored.code, 0) << stored.err;
    EXPECT_EQ(stored.out, "\xB9\xF8\xC2\xAF\nTime," + kGbkName +
                              "\n2024-03-15 10:00:00,-0.5\n2024-03-15 10:01:00,-1.5\n"
                              "2024-03-15 10:02:00,-2.5\n");
    std::vector<std::string> utf8 = query;
    utf8.insert(utf8.end(), {"--out", csv, "--plain", "--encoding", "utf-8"});
    ASSERT_EQ(Run(utf8).code, 0);
    EXPECT_EQ(ReadRaw(csv).substr(0, 3), "\xEF\xBB\xBF");
    std::FILE* python = popen(("PYTHONIOENCODING=utf-8 python3 -c 'import csv, sys\n"
                               "for row in csv.reader(open(sys.argv[1], newline=\"\", "
                               "encoding=\"utf-8-sig\")): print(\"|\".join(row))' " +
                               csv)
                                  .c_str(),
                              "r");
    ASSERT_NE(python, nullptr);
    std::string rows;
    char buffer[4096];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, python)) > 0;)
        rows.append(buffer, n);
    EXPECT_EQ(pclose(python), 0);
    EXPECT_EQ(rows, "\xE9\x94\x85\xE7\x82\x89\nTime|" + kUtf8Name +
                        "\n2024-03-15 10:00:00|-0.5\n2024-03-15 10:01:00|-1.5\n"
                        "2024-03-15 10:02:00|-2.5\n");
}

}  // namespace
