// The root index and its groups, the listing of a group's tree and the folder walk of queries.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "folder_list.h"
#include "log_store.h"
#include "store_fixture.h"
#include "text_buffer.h"

namespace {

using namespace storetest;

std::string Str(const TextBuffer& b) {
    return std::string(b.Data() ? b.Data() : "", b.Length());
}

class RootIndexTest : public ::testing::Test {
  protected:
    void SetUp() override {
        fs::create_directories(Native(staging_));
        fs::create_directories(Native(data_));
    }

    // Opens a store over a data folder whose root index holds text.
    bool OpenWith(const std::string& text) {
        fs::remove(Native(staging_ + kRootIndexName));
        WriteInvertedFile(data_ + kRootIndexName, text);
        return store_.Open(staging_, data_);
    }

    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const LogGroup& g : store_.Groups())
            names.push_back(g.name);
        return names;
    }

    TempDir dir_;
    std::string staging_ = dir_.Path() + "DLTemp\\";
    std::string data_ = dir_.Path() + "DL\\";
    LogStore store_;
};

TEST_F(RootIndexTest, GroupsTakeIdIntervalAndDepthFromTheirLine) {
    ASSERT_TRUE(OpenWith("Line1=1,1\nTank=2,3600\n"));
    ASSERT_EQ(store_.Groups().size(), 2u);
    const LogGroup* tank = store_.FindGroup("tank");
    ASSERT_NE(tank, nullptr);
    EXPECT_EQ(tank->name, "Tank");
    EXPECT_EQ(tank->id, 2u);
    EXPECT_EQ(tank->interval, 3600u);
    EXPECT_EQ(tank->depth, 2);
    EXPECT_EQ(store_.FindGroup("LINE1")->depth, 3);
    EXPECT_EQ(store_.FindGroup("Tank2"), nullptr);
    EXPECT_EQ(store_.FindGroup(nullptr), nullptr);
    TextBuffer names;
    ASSERT_TRUE(store_.GroupNames(&names));
    EXPECT_EQ(Str(names), "Line1\nTank\n");
}

TEST_F(RootIndexTest, EmptyLinesCarriageReturnsAndTrailingTextAreTolerated) {
    ASSERT_TRUE(OpenWith("\n\nA=1,10 spare\n\n\r\nB=31,5;x\r\n"));
    // "\r" alone is a malformed line and ends loading.
    EXPECT_EQ(Names(), std::vector<std::string>({"A"}));
    store_.Close();
    ASSERT_TRUE(OpenWith("\n\nA=1,10 spare\n\nB=31,5;x\r\nC= 7 , 9\n"));
    EXPECT_EQ(Names(), std::vector<std::string>({"A", "B", "C"}));
    EXPECT_EQ(store_.FindGroup("c")->id, 7u);
}

TEST_F(RootIndexTest, MalformedLineStopsLoadingAndKeepsEarlierGroups) {
    for (const char* bad :
         {"B=2", "no equals sign", "B=x,1", "B=-1,5", "B=4294967296,5", "B=1;2"}) {
        SCOPED_TRACE(bad);
        ASSERT_TRUE(OpenWith(std::string("A=1,10\n") + bad + "\nC=3,30\n"));
        EXPECT_EQ(Names(), std::vector<std::string>({"A"}));
        store_.Close();
    }
}

TEST_F(RootIndexTest, GroupNameOf260BytesOrWithNulIsMalformed) {
    const std::string name259(259, 'n');
    ASSERT_TRUE(OpenWith(name259 + "=1,1\n" + std::string(260, 'm') + "=2,2\nZ=3,3\n"));
    EXPECT_EQ(Names(), std::vector<std::string>({name259}));
    store_.Close();
    ASSERT_TRUE(OpenWith(std::string("A=1,1\nB\0C=2,2\n", 15)));
    EXPECT_EQ(Names(), std::vector<std::string>({"A"}));
}

TEST_F(RootIndexTest, NamesWithSeparatorsOrDotsAreJustNames) {
    ASSERT_TRUE(OpenWith("..=1,1\na\\..\\b=2,1\nc/../../d=3,1\n=4,1\n"));
    EXPECT_EQ(Names(), std::vector<std::string>({"..", "a\\..\\b", "c/../../d", ""}));
    EXPECT_EQ(store_.FindGroup("A\\..\\B")->id, 2u);
}

TEST_F(RootIndexTest, LookupFoldsCaseOnlyOutsideDoubleByteCharacters) {
    // "\xB1\xA8" is one double-byte character; "\x81" + "A" is another, whose second byte
    // happens to be a letter.
    ASSERT_TRUE(OpenWith("\xB1\xA8Tank=1,1\n\x81\x41x=2,1\n"));
    ASSERT_NE(store_.FindGroup("\xB1\xA8tANK"), nullptr);
    EXPECT_EQ(store_.FindGroup("\xB1\xA8tANK")->id, 1u);
    EXPECT_EQ(store_.FindGroup("\x81\x61x"), nullptr);
    EXPECT_NE(store_.FindGroup("\x81\x41X"), nullptr);
}

TEST_F(RootIndexTest, DataIndexIsCopiedOnlyWhenStagingHasNone) {
    WriteInvertedFile(data_ + kRootIndexName, "Data=1,1\n");
    ASSERT_TRUE(store_.Open(staging_, data_));
    EXPECT_EQ(Names(), std::vector<std::string>({"Data"}));
    EXPECT_EQ(ReadInvertedFile(staging_ + kRootIndexName), "Data=1,1\n");
    store_.Close();

    // An existing staging copy wins, and is never copied back over the data folder's.
    WriteInvertedFile(staging_ + kRootIndexName, "Staged=2,2\n");
    WriteInvertedFile(data_ + kRootIndexName, "Newer=3,3\n");
    const auto before = Snapshot(data_);
    ASSERT_TRUE(store_.Open(staging_, data_));
    EXPECT_EQ(Names(), std::vector<std::string>({"Staged"}));
    store_.Close();
    EXPECT_EQ(Snapshot(data_), before);
    EXPECT_EQ(ReadInvertedFile(staging_ + kRootIndexName), "Staged=2,2\n");
}

TEST_F(RootIndexTest, MissingIndexEverywhereGivesEmptyStoreAndLeavesDataAlone) {
    ASSERT_TRUE(store_.Open(staging_, data_));
    EXPECT_TRUE(store_.Groups().empty());
    TextBuffer names;
    EXPECT_FALSE(store_.GroupNames(&names));
    EXPECT_TRUE(Exists(staging_ + kRootIndexName));
    EXPECT_FALSE(Exists(data_ + kRootIndexName));
    EXPECT_TRUE(Snapshot(data_).empty());
}

TEST_F(RootIndexTest, OpenFailsWithoutStagingFolderOrPaths) {
    LogStore other;
    EXPECT_FALSE(other.Open("", data_));
    EXPECT_FALSE(other.Open(staging_, ""));
    EXPECT_FALSE(other.Open(dir_.Path() + "nowhere\\", data_));
    EXPECT_FALSE(other.IsOpen());
}

TEST_F(RootIndexTest, RootIndexIsHeldExclusivelyUntilClose) {
    ASSERT_TRUE(OpenWith("A=1,1\n"));
    LogStore second;
    EXPECT_FALSE(second.Open(staging_, data_));
    const std::string bytes = ReadRaw(staging_ + kRootIndexName);
    EXPECT_TRUE(store_.Close());
    EXPECT_EQ(ReadRaw(staging_ + kRootIndexName), bytes);
    EXPECT_TRUE(store_.Groups().empty());
    EXPECT_TRUE(second.Open(staging_, data_));
}

// A group tree with day folders (id 1A) and a few damaged entries, created in scrambled order.
class GroupTreeTest : public RootIndexTest {
  protected:
    void SetUp() override {
        RootIndexTest::SetUp();
        for (const char* stem :
             {"1A\\2011\\03\\01", "1A\\2009\\12\\31", "1A\\2011\\02\\11", "1A\\2011\\01\\05",
              "1A\\2011\\02\\10", "1A\\2011\\01\\31", "1A\\2011\\01\\01"}) {
            Folder(stem, 1);
        }
        Folder("1A\\2011\\02\\10", 2);                                    // blocks 0 and 1
        WriteRaw(data_ + "1A\\2011\\02\\12.idx", std::string(12, '\0'));  // not whole entries
        WriteRaw(data_ + "1A\\2011\\02\\.hidden.idx", "");
        WriteRaw(data_ + "1A\\2011\\02\\notes.txt", "");
        ASSERT_TRUE(OpenWith("Days=26,1800\nHours=27,60\nYears=28,2000000\n"));
        days_ = store_.FindGroup("days");
    }

    void Folder(const std::string& stem, int blocks) {
        RawFolder f;
        for (int n = 0; n < blocks; ++n)
            f.Add(static_cast<uint32_t>(n * 10), n, "line");
        f.Write(data_, stem);
    }

    std::string List(const LogGroup& g, const char* path, bool blocks = false,
                     bool* leaf = nullptr) {
        TextBuffer out;
        bool isLeaf = false;
        if (!store_.ListChildren(g, path, &out, &isLeaf, blocks))
            return "<none>";
        if (leaf != nullptr)
            *leaf = isLeaf;
        return Str(out);
    }

    const LogGroup* days_ = nullptr;
};

TEST_F(GroupTreeTest, ListChildrenGivesAscendingValuesPerLevel) {
    bool leaf = true;
    EXPECT_EQ(List(*days_, nullptr, false, &leaf), "2009\n2011\n");
    EXPECT_FALSE(leaf);
    EXPECT_EQ(List(*days_, "2011", false, &leaf), "01\n02\n03\n");
    EXPECT_FALSE(leaf);
    EXPECT_EQ(List(*days_, "2011\\01", false, &leaf), "01\n05\n31\n");
    EXPECT_TRUE(leaf);
    // Index files of any case count; hidden names do not.
    EXPECT_EQ(List(*days_, "2011\\02", false, &leaf), "10\n11\n12\n");
    // An unparsable path lists the years.
    EXPECT_EQ(List(*days_, "2011\\xx"), "2009\n2011\n");
}

TEST_F(GroupTreeTest, ListChildrenWithBlocksSkipsUnreadableIndexes) {
    EXPECT_EQ(List(*days_, "2011\\02", true), "10(0).csv\n10(1).csv\n11(0).csv\n");
    EXPECT_EQ(List(*days_, "2011", true), "01\n02\n03\n");  // not the deepest level
}

TEST_F(GroupTreeTest, ListChildrenOfMissingOrTooDeepFolderIsFalse) {
    EXPECT_EQ(List(*days_, "2010"), "<none>");
    EXPECT_EQ(List(*days_, "2011\\02\\10"), "<none>");
    EXPECT_EQ(List(*store_.FindGroup("Hours"), nullptr), "<none>");
    fs::create_directories(Native(data_ + "1A\\2012"));
    EXPECT_EQ(List(*days_, "2012"), "<none>");  // exists but empty
}

TEST_F(GroupTreeTest, ListChildrenMatchesFolderNamesWithoutRegardToCase) {
    WriteRaw(data_ + "1c\\2011\\05\\17\\08.IDX", "");
    WriteRaw(data_ + "1c\\2011\\05\\17\\09.idx", "");
    ASSERT_TRUE(store_.Close());
    ASSERT_TRUE(OpenWith("Hex=28,60\n"));
    bool leaf = false;
    EXPECT_EQ(List(*store_.FindGroup("hex"), "2011\\05\\17", false, &leaf), "08\n09\n");
    EXPECT_TRUE(leaf);
}

struct Walked {
    std::vector<std::string> stems;
    int stopAfter = -1;
    static bool Visit(void* c, const TimeKey& key) {
        auto* self = static_cast<Walked*>(c);
        std::string stem;
        MakeStem(0, key, kFlatSeparator, &stem);
        self->stems.push_back(stem.substr(2));
        return self->stopAfter < 0 || static_cast<int>(self->stems.size()) < self->stopAfter;
    }
};

std::vector<std::string> Walk(const std::string& data, uint32_t id, int depth,
                              const CalendarTime& from, const CalendarTime& to) {
    Walked w;
    FolderWalker(data, id, depth)
        .Walk(KeyFromTime(from, depth), KeyFromTime(to, depth), &w, &Walked::Visit);
    return w.stems;
}

using Stems = std::vector<std::string>;

TEST_F(GroupTreeTest, WalkVisitsFoldersWhosePrefixLiesInRange) {
    // No 2010 folder: the 2011 folders up to the end are still visited.
    EXPECT_EQ(Walk(data_, 26, 2, At(2010, 11, 15), At(2011, 2, 10)),
              Stems({"2011-01-01", "2011-01-05", "2011-01-31", "2011-02-10"}));
    EXPECT_EQ(Walk(data_, 26, 2, At(2009, 1, 1), At(2011, 1, 5)),
              Stems({"2009-12-31", "2011-01-01", "2011-01-05"}));
    EXPECT_EQ(Walk(data_, 26, 2, At(2011, 1, 6), At(2011, 2, 28)),
              Stems({"2011-01-31", "2011-02-10", "2011-02-11", "2011-02-12"}));
    EXPECT_EQ(Walk(data_, 26, 2, At(2011, 2, 10, 23), At(2011, 2, 10, 1)), Stems({"2011-02-10"}));
    EXPECT_EQ(Walk(data_, 26, 2, At(2011, 2, 11), At(2011, 2, 10)), Stems());
    EXPECT_EQ(Walk(data_, 26, 2, At(2012, 1, 1), At(2013, 1, 1)), Stems());
    EXPECT_EQ(Walk(data_, 99, 2, At(2000, 1, 1), At(2013, 1, 1)), Stems());

    TextBuffer flat;
    FolderWalker(data_, 26, 2)
        .List(KeyFromTime(At(2011, 1, 31), 2), KeyFromTime(At(2011, 3, 1), 2), &flat);
    EXPECT_EQ(Str(flat),
              "1A-2011-01-31\n1A-2011-02-10\n1A-2011-02-11\n1A-2011-02-12\n1A-2011-03-01\n");
}

TEST_F(GroupTreeTest, WalkStopsWhenVisitorSaysSo) {
    Walked w;
    w.stopAfter = 2;
    EXPECT_FALSE(FolderWalker(data_, 26, 2)
                     .Walk(KeyFromTime(At(2000, 1, 1), 2), KeyFromTime(At(2020, 1, 1), 2), &w,
                           &Walked::Visit));
    EXPECT_EQ(w.stems, Stems({"2009-12-31", "2011-01-01"}));
}

TEST_F(GroupTreeTest, WalkCrossesMidnightMonthAndYearForHourFolders) {
    for (const char* stem :
         {"1B\\2012\\01\\01\\00", "1B\\2011\\12\\31\\22", "1B\\2011\\12\\31\\23",
          "1B\\2012\\01\\01\\05", "1B\\2012\\01\\01\\01", "1B\\2011\\12\\30\\23"}) {
        Folder(stem, 1);
    }
    EXPECT_EQ(Walk(data_, 27, 3, At(2011, 12, 31, 23, 30), At(2012, 1, 1, 1, 59)),
              Stems({"2011-12-31-23", "2012-01-01-00", "2012-01-01-01"}));
    EXPECT_EQ(Walk(data_, 27, 3, At(2011, 12, 31, 0), At(2012, 1, 1, 4)),
              Stems({"2011-12-31-22", "2011-12-31-23", "2012-01-01-00", "2012-01-01-01"}));
}

TEST_F(GroupTreeTest, WalkOfYearFoldersAndManyScrambledDays) {
    for (const char* stem : {"1C\\2012", "1C\\2009", "1C\\2010"})
        Folder(stem, 1);
    EXPECT_EQ(Walk(data_, 28, 0, At(2010, 6, 1), At(2012, 1, 1)), Stems({"2010", "2012"}));

    Stems expected;
    for (int i = 0; i < 31; ++i) {
        const int day = 1 + (i * 17) % 31;  // a permutation of 1..31
        char stem[32];
        std::snprintf(stem, sizeof stem, "1D\\2013\\07\\%02d", day);
        Folder(stem, 1);
    }
    for (int day = 3; day <= 29; ++day) {
        char s[16];
        std::snprintf(s, sizeof s, "2013-07-%02d", day);
        expected.push_back(s);
    }
    EXPECT_EQ(Walk(data_, 29, 2, At(2013, 7, 3), At(2013, 7, 29)), expected);
}

}  // namespace
