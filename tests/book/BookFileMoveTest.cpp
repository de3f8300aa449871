#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "book/BookFileMove.h"
#include "book/BookTestKit.h"

namespace pw {
namespace {

using booktest::Exists;
using booktest::ReadBytes;
using booktest::ScratchDir;
using booktest::WriteBytes;

TEST(BookFileMoveTest, BookReplacesAnOlderOneOfTheSameName) {
    ScratchDir root;
    WriteBytes(root / "job/a.epub", "new book");
    WriteBytes(root / "desk/a.epub", "old book");
    EXPECT_EQ(MoveBookFile(root / "job", "a.epub", root / "desk"), root / "desk/a.epub");
    EXPECT_EQ(ReadBytes(root / "desk/a.epub"), "new book");
    EXPECT_FALSE(Exists(root / "job/a.epub"));
}

TEST(BookFileMoveTest, OnlyARealBookMovesAndOnlyIntoTheFolder) {
    ScratchDir root;
    WriteBytes(root / "job/empty.epub", "");
    WriteBytes(root / "outside.epub", "secret");
    WriteBytes(root / "desk/.keep", "");
    ASSERT_EQ(::symlink((root / "outside.epub").c_str(), (root / "job/link.epub").c_str()), 0);
    EXPECT_EQ(MoveBookFile(root / "job", "empty.epub", root / "desk"), "");
    EXPECT_EQ(MoveBookFile(root / "job", "link.epub", root / "desk"), "");
    EXPECT_EQ(MoveBookFile(root / "job", "../outside.epub", root / "desk"), "");
    EXPECT_EQ(MoveBookFile(root / "job", "missing.epub", root / "desk"), "");
    EXPECT_FALSE(Exists(root / "desk/link.epub"));
    EXPECT_EQ(ReadBytes(root / "outside.epub"), "secret");
    // A folder that does not exist leaves the book where it was.
    WriteBytes(root / "job/b.epub", "book");
    EXPECT_EQ(MoveBookFile(root / "job", "b.epub", root / "nowhere"), "");
    EXPECT_EQ(ReadBytes(root / "job/b.epub"), "book");
}

// /dev/shm is another file system than /tmp on most machines.
TEST(BookFileMoveTest, BookCrossesFileSystemsWhole) {
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
    EXPECT_EQ(MoveBookFile(root.Path(), "a.epub", other.Path()), other / "a.epub");
    EXPECT_EQ(ReadBytes(other / "a.epub"), book);
    EXPECT_FALSE(Exists(root / "a.epub"));
}

}  // namespace
}  // namespace pw
