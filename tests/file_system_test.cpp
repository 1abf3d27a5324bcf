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
    // A link at the target stays a link; the file it leads to receives the copy.
    ASSERT_EQ(symlink((dir / "target.csv").c_str(), (dir / "link.csv").c_str()), 0);
    ASSERT_TRUE(storefs::CopyFile(dir / "source.csv", dir / "link.csv", true));
    EXPECT_EQ(ReadRaw(dir / "target.csv"), "fresh");
    struct stat st;
    ASSERT_EQ(lstat((dir / "link.csv").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
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

}  // namespace
