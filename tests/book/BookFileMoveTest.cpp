#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "book/BookFileMove.h"
#include "book/BookTestKit.h"

namespace pw {
namespace {

using booktest::Exists;
using booktest::ReadBytes;
using booktest::ScratchDir;
using booktest::WriteBytes;

mode_t ModeOf(const std::string& path) {
    struct stat st {};
    ::lstat(path.c_str(), &st);
    return st.st_mode & 07777;
}

size_t FilesIn(const std::string& folder) {
    size_t files = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder)) ++files;
    return files;
}

TEST(BookFileMoveTest, ReplacingMoveTakesTheNameAndTheBookGetsTheUsersMode) {
    ScratchDir root;
    WriteBytes(root / "job/a.epub", "new book");
    ::chmod((root / "job/a.epub").c_str(), 0600);
    WriteBytes(root / "desk/a.epub", "old book");
    EXPECT_EQ(MoveBookFile(root / "job", "a.epub", root / "desk", "", true), BookMove::Moved);
    EXPECT_EQ(ReadBytes(root / "desk/a.epub"), "new book");
    EXPECT_EQ(ModeOf(root / "desk/a.epub"), 0644u);
    EXPECT_FALSE(Exists(root / "job/a.epub"));
}

TEST(BookFileMoveTest, MoveWithoutReplacingNeverTouchesAFileThatIsThere) {
    ScratchDir root;
    WriteBytes(root / "job/acct.chm", "new book");
    WriteBytes(root / "desk/Thesis.chm", "the user's thesis");
    ASSERT_EQ(::symlink("/nonexistent", (root / "desk/Link.chm").c_str()), 0);
    EXPECT_EQ(MoveBookFile(root / "job", "acct.chm", root / "desk", "Thesis.chm", false),
              BookMove::TargetTaken);
    EXPECT_EQ(MoveBookFile(root / "job", "acct.chm", root / "desk", "Link.chm", false),
              BookMove::TargetTaken);
    EXPECT_EQ(ReadBytes(root / "desk/Thesis.chm"), "the user's thesis");
    EXPECT_EQ(ReadBytes(root / "job/acct.chm"), "new book");
    EXPECT_EQ(MoveBookFile(root / "job", "acct.chm", root / "desk", "Free.chm", false),
              BookMove::Moved);
    EXPECT_EQ(ReadBytes(root / "desk/Free.chm"), "new book");
    EXPECT_EQ(FilesIn(root / "desk"), 3u);
}

TEST(BookFileMoveTest, OnlyARealBookMovesAndOnlyIntoTheFolder) {
    ScratchDir root;
    WriteBytes(root / "job/empty.epub", "");
    WriteBytes(root / "outside.epub", "secret");
    WriteBytes(root / "desk/.keep", "");
    ASSERT_EQ(::symlink((root / "outside.epub").c_str(), (root / "job/link.epub").c_str()), 0);
    for (bool replace : {true, false}) {
        EXPECT_EQ(MoveBookFile(root / "job", "empty.epub", root / "desk", "", replace),
                  BookMove::Failed);
        EXPECT_EQ(MoveBookFile(root / "job", "link.epub", root / "desk", "", replace),
                  BookMove::Failed);
        EXPECT_EQ(MoveBookFile(root / "job", "../outside.epub", root / "desk", "", replace),
                  BookMove::Failed);
        EXPECT_EQ(MoveBookFile(root / "job", "missing.epub", root / "desk", "", replace),
                  BookMove::Failed);
        EXPECT_EQ(MoveBookFile(root / "job", "empty.epub", root / "desk", "../x.epub", replace),
                  BookMove::Failed);
    }
    EXPECT_FALSE(Exists(root / "desk/link.epub"));
    EXPECT_EQ(ReadBytes(root / "outside.epub"), "secret");
    // A folder that does not exist leaves the book where it was.
    WriteBytes(root / "job/b.epub", "book");
    EXPECT_EQ(MoveBookFile(root / "job", "b.epub", root / "nowhere", "", false), BookMove::Failed);
    EXPECT_EQ(ReadBytes(root / "job/b.epub"), "book");
}

// /dev/shm is another file system than /tmp on most machines.
TEST(BookFileMoveTest, BookCrossesFileSystemsWholeAndStillNeverReplacesUnasked) {
    ScratchDir root;
    ScratchDir other("/dev/shm");
    struct stat a {
    }, b{};
    if (other.Path().empty() || ::stat(root.Path().c_str(), &a) != 0 ||
        ::stat(other.Path().c_str(), &b) != 0 || a.st_dev == b.st_dev) {
        GTEST_SKIP() << "no second file system";
    }
    const std::string book(300000, 'x');
    WriteBytes(root / "a.epub", book);
    WriteBytes(other / "a.epub", "the user's");
    EXPECT_EQ(MoveBookFile(root.Path(), "a.epub", other.Path(), "", false), BookMove::TargetTaken);
    EXPECT_EQ(ReadBytes(other / "a.epub"), "the user's");
    EXPECT_EQ(FilesIn(other.Path()), 1u) << "no temporary copy is left";
    EXPECT_EQ(MoveBookFile(root.Path(), "a.epub", other.Path(), "", true), BookMove::Moved);
    EXPECT_EQ(ReadBytes(other / "a.epub"), book);
    EXPECT_EQ(ModeOf(other / "a.epub"), 0644u);
    EXPECT_FALSE(Exists(root / "a.epub"));
    EXPECT_EQ(FilesIn(other.Path()), 1u);
}

}  // namespace
}  // namespace pw
