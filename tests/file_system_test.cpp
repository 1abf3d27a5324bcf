// Copies that must never damage a file: the same file reached another way, exact and case-blind
// names, failures that leave the old target whole.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "file_system.h"
#include "store_fixture.h"

namespace {

using namespace storetest;

// Names in a folder, so that a leftover temporary file shows.
std::vector<std::string> Names(const std::string& folder) {
    std::vector<std::string> names;
    storefs::ListFolder(folder, &names);
    std::sort(names.begin(), names.end());
    return names;
}

// Links and modes as POSIX systems have them.
#ifndef _WIN32
TEST(CopyFileTest, TargetThatIsTheSourceByAnotherPathIsLeftWhole) {
    TempDir dir;
    WriteRaw(dir / "work.csv", "records");
    ASSERT_EQ(symlink(dir.Path().c_str(), (dir / "via").c_str()), 0);
    ASSERT_EQ(link((dir / "work.csv").c_str(), (dir / "hard.csv").c_str()), 0);
    for (const std::string& other : {dir / "via/work.csv", dir / "hard.csv", dir / "work.csv"}) {
        for (storefs::Names names : {storefs::Names::kExact, storefs::Names::kCaseBlind}) {
            EXPECT_TRUE(storefs::CopyFile(dir / "work.csv", other, true, names)) << other;
            EXPECT_EQ(ReadRaw(dir / "work.csv"), "records") << other;
        }
    }
}

// Names that differ in case name other files on a case-sensitive file system only.
TEST(CopyFileTest, ExactNamesNeverReachAFileOfAnotherCase) {
    TempDir dir;
    WriteRaw(dir / "a.csv", "new");
    WriteRaw(dir / "Other.csv", "keep");
    ASSERT_TRUE(storefs::CopyFile(dir / "a.csv", dir / "other.csv", true, storefs::Names::kExact));
    EXPECT_EQ(ReadRaw(dir / "Other.csv"), "keep");
    EXPECT_EQ(ReadRaw(dir / "other.csv"), "new");
    // Store names still find the recorder's spelling.
    ASSERT_TRUE(storefs::CopyFile(dir / "A.CSV", dir / "b.csv", true));
    EXPECT_EQ(ReadRaw(dir / "b.csv"), "new");
    EXPECT_TRUE(storefs::RemoveFile(dir / "OTHER.CSV", storefs::Names::kExact));
    EXPECT_TRUE(storefs::FileExists(dir / "Other.csv", storefs::Names::kExact));
    EXPECT_FALSE(storefs::FileExists(dir / "OTHER.csv", storefs::Names::kExact));
    EXPECT_LT(storefs::OpenExclusive(dir / "A.csv", storefs::OpenMode::kExistingRead, nullptr,
                                     storefs::Names::kExact),
              0);
}
#endif

TEST(CopyFileTest, FailedCopyLeavesTheOldTargetAndNoPartialFile) {
    TempDir dir;
    WriteRaw(dir / "source.csv", "fresh");
    WriteRaw(dir / "target.csv", "old");
    int error = 0;
    EXPECT_FALSE(storefs::CopyFile(dir / "gone.csv", dir / "target.csv", true,
                                   storefs::Names::kExact, &error));
    EXPECT_EQ(error, ENOENT);
    EXPECT_FALSE(storefs::CopyFile(dir / "source.csv", dir / "target.csv", false,
                                   storefs::Names::kExact, &error));
    EXPECT_EQ(error, EEXIST);
    EXPECT_FALSE(storefs::CopyFile(dir / "source.csv", dir / "no/such/target.csv", true,
                                   storefs::Names::kExact, &error));
    EXPECT_EQ(error, ENOENT);
    EXPECT_EQ(ReadRaw(dir / "target.csv"), "old");
    EXPECT_EQ(Names(dir.Path()), (std::vector<std::string>{"source.csv", "target.csv"}));
#ifndef _WIN32
    // A link at the target stays a link; the file it leads to receives the copy.
    ASSERT_EQ(symlink((dir / "target.csv").c_str(), (dir / "link.csv").c_str()), 0);
    ASSERT_TRUE(storefs::CopyFile(dir / "source.csv", dir / "link.csv", true));
    EXPECT_EQ(ReadRaw(dir / "target.csv"), "fresh");
    struct stat st;
    ASSERT_EQ(lstat((dir / "link.csv").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
#endif
}

TEST(ReplacingWriterTest, TargetChangesOnlyOnCommit) {
    TempDir dir;
    WriteRaw(dir / "t.csv", "old");
    {
        storefs::ReplacingWriter w;
        ASSERT_TRUE(w.Begin(dir / "t.csv"));
        ASSERT_TRUE(w.Write("new", 3));
        EXPECT_EQ(ReadRaw(dir / "t.csv"), "old");
    }  // abandoned
    EXPECT_EQ(Names(dir.Path()), (std::vector<std::string>{"t.csv"}));
    storefs::ReplacingWriter w;
    ASSERT_TRUE(w.Begin(dir / "t.csv"));
    const std::string big(3 << 20, 'x');  // larger than the writer's buffer
    ASSERT_TRUE(w.Write(big.data(), big.size()));
    ASSERT_TRUE(w.Commit());
    EXPECT_EQ(ReadRaw(dir / "t.csv"), big);
    EXPECT_EQ(Names(dir.Path()), (std::vector<std::string>{"t.csv"}));
}

#ifndef _WIN32
TEST(ReplacingWriterTest, NewFileFollowsTheUmaskAndAReplacedOneKeepsItsMode) {
    TempDir dir;
    auto modeOf = [](const std::string& path) {
        struct stat st {};
        stat(path.c_str(), &st);
        return st.st_mode & 07777;
    };
    auto write = [](const std::string& path) {
        storefs::ReplacingWriter w;
        return w.Begin(path) && w.Write("x", 1) && w.Commit();
    };
    // {umask, mode of a new file}
    const mode_t cases[][2] = {{077, 0600}, {022, 0644}, {002, 0664}};
    const mode_t before = umask(0);
    for (const auto& c : cases) {
        umask(c[0]);
        const std::string path = dir / ("new" + std::to_string(c[0]) + ".pdf");
        EXPECT_TRUE(write(path));
        EXPECT_EQ(modeOf(path), c[1]) << "umask " << std::oct << c[0];
    }
    WriteRaw(dir / "old.pdf", "old");
    ASSERT_EQ(chmod((dir / "old.pdf").c_str(), 0640), 0);
    umask(077);
    EXPECT_TRUE(write(dir / "old.pdf"));
    EXPECT_EQ(modeOf(dir / "old.pdf"), 0640u);
    umask(before);
}

#endif

#ifdef _WIN32
// Windows: a drive-letter path with "\" separators, a GB18030 name reaching the file system as
// the same characters, and the case-blind file system matching each spelling once.
TEST(WindowsPathsTest, DriveLettersBackslashesAndPanelNames) {
    TempDir dir;
    std::string native = dir.Path();
    for (char& c : native)
        c = c == '/' ? '\\' : c;
    ASSERT_EQ(native[1], ':');
    EXPECT_EQ(storefs::KindOf(native.substr(0, 3)), storefs::EntryKind::kFolder);
    const std::string name = "\xB9\xF8\xC2\xAF\xD2\xBB\xBA\xC5";  // 锅炉一号 in GB18030
    ASSERT_TRUE(storefs::MakeFolders(native + name + "\\1A"));
    EXPECT_TRUE(fs::is_directory(fs::path(dir.Path()) / fs::path(L"\u9505\u7089\u4e00\u53f7")));
    std::ofstream(fs::path(dir.Path()) / fs::path(L"\u9505\u7089\u4e00\u53f7") / "1A" / "Data.csv")
        << "x";
    EXPECT_EQ(Names(native + name), (std::vector<std::string>{"1A"}));
    EXPECT_EQ(Names(native), (std::vector<std::string>{name}));
    EXPECT_TRUE(storefs::FileExists(native + name + "\\1a\\DATA.CSV"));
    const std::string copy = native + name + "\\1A\\copy.csv";
    ASSERT_TRUE(storefs::CopyFile(native + name + "\\1a\\data.csv", copy, true));
    EXPECT_EQ(Names(native + name + "\\1A"), (std::vector<std::string>{"Data.csv", "copy.csv"}));
    EXPECT_TRUE(storefs::SameFile(copy, dir / (name + "/1a/COPY.csv")));
}

// Windows: an exclusive open keeps out a second exclusive opener until it is closed, as flock
// does, while plain readers read (the lock covers no byte of the data).
TEST(WindowsPathsTest, ExclusiveOpenKeepsOutASecondOne) {
    TempDir dir;
    WriteRaw(dir / "held.idx", "index");
    for (const storefs::OpenMode mode :
         {storefs::OpenMode::kExistingRead, storefs::OpenMode::kExistingReadWrite}) {
        const int held = storefs::OpenExclusive(dir / "held.idx", mode);
        ASSERT_GE(held, 0);
        EXPECT_LT(storefs::OpenExclusive(dir / "held.idx", storefs::OpenMode::kExistingRead), 0);
        EXPECT_LT(storefs::OpenExclusive(dir / "HELD.IDX", storefs::OpenMode::kCreateAlways), 0);
        EXPECT_EQ(ReadRaw(dir / "held.idx"), "index");
        char head[5];
        EXPECT_EQ(storefs::ReadAt(held, head, 5, 0), 5);
        storefs::CloseFile(held);
    }
    const int again = storefs::OpenExclusive(dir / "held.idx", storefs::OpenMode::kExistingRead);
    EXPECT_GE(again, 0);
    storefs::CloseFile(again);
}

// Windows: a commit replaces an existing target in place or makes a new one; without overwrite
// an existing target is kept.
TEST(WindowsPathsTest, ReplaceInPlace) {
    TempDir dir;
    WriteRaw(dir / "t.csv", "old");
    storefs::ReplacingWriter w;
    ASSERT_TRUE(w.Begin(dir / "new.csv"));
    ASSERT_TRUE(w.Write("made", 4));
    ASSERT_TRUE(w.Commit(false));
    EXPECT_EQ(ReadRaw(dir / "new.csv"), "made");
    ASSERT_TRUE(w.Begin(dir / "t.csv"));
    ASSERT_TRUE(w.Write("new", 3));
    EXPECT_EQ(ReadRaw(dir / "t.csv"), "old");
    ASSERT_TRUE(w.Commit());
    EXPECT_EQ(ReadRaw(dir / "t.csv"), "new");
    ASSERT_TRUE(w.Begin(dir / "t.csv"));
    ASSERT_TRUE(w.Write("other", 5));
    EXPECT_FALSE(w.Commit(false));
    EXPECT_EQ(w.Error(), EEXIST);
    EXPECT_EQ(ReadRaw(dir / "t.csv"), "new");
    EXPECT_EQ(Names(dir.Path()), (std::vector<std::string>{"new.csv", "t.csv"}));
}
#endif

}  // namespace
