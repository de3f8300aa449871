#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <regex>

#include "base/Encoding.h"
#include "book/BookDelivery.h"
#include "book/BookTestKit.h"

namespace pw {
namespace {

using booktest::Exists;
using booktest::ReadBytes;
using booktest::ScratchDir;
using booktest::WriteBytes;

// A job root with one filled job folder and, beside the root, files that must
// survive whatever happens to the job.
class JobRoot : public ::testing::Test {
protected:
    void SetUp() override {
        root = scratch / "jobs";
        job = root + "/acct/";
        outside = scratch / "outside";
        WriteBytes(job + "1.html", "page");
        WriteBytes(job + "img/p.png", "png");
        WriteBytes(outside + "/keep.txt", "keep");
    }

    ScratchDir scratch;
    std::string root, job, outside;
};

TEST_F(JobRoot, DeletesAJobFolderWithItsPictures) {
    EXPECT_TRUE(DeleteFolderTree(job, root + "/"));
    EXPECT_FALSE(Exists(job));
    EXPECT_TRUE(Exists(root));
    EXPECT_TRUE(DeleteFolderTree(job, root)) << "a folder that is gone counts as deleted";
}

TEST_F(JobRoot, RefusesTheRootAndAnythingNotStrictlyBelowIt) {
    for (const std::string& folder :
         {root, root + "/", root + "//", root + "/.", root + "/acct/..", root + "/acct/../acct",
          root + "/../outside", outside, scratch.Path(), root + "x/acct", std::string("acct"),
          std::string("")}) {
        EXPECT_FALSE(DeleteFolderTree(folder, root)) << folder;
    }
    EXPECT_FALSE(DeleteFolderTree(job, "relative/root"));
    EXPECT_FALSE(DeleteFolderTree("/tmp/x", "/"));
    EXPECT_TRUE(Exists(job + "1.html"));
    EXPECT_TRUE(Exists(outside + "/keep.txt"));
}

TEST_F(JobRoot, RefusesAJobFolderReachedThroughALink) {
    ASSERT_EQ(::symlink(outside.c_str(), (root + "/linked").c_str()), 0);
    WriteBytes(outside + "/inner/page.html", "page");
    EXPECT_FALSE(DeleteFolderTree(root + "/linked/", root));
    EXPECT_FALSE(DeleteFolderTree(root + "/linked/inner/", root));
    EXPECT_TRUE(Exists(outside + "/keep.txt"));
    EXPECT_TRUE(Exists(outside + "/inner/page.html"));
}

TEST_F(JobRoot, RemovesLinksInsideTheFolderWithoutFollowingThem) {
    ASSERT_EQ(::symlink(outside.c_str(), (job + "img/dirlink").c_str()), 0);
    ASSERT_EQ(::symlink((outside + "/keep.txt").c_str(), (job + "filelink").c_str()), 0);
    ASSERT_EQ(::symlink("/nonexistent", (job + "dangling").c_str()), 0);
    EXPECT_TRUE(DeleteFolderTree(job, root));
    EXPECT_FALSE(Exists(job));
    EXPECT_EQ(ReadBytes(outside + "/keep.txt"), "keep");
}

TEST_F(JobRoot, DeliveryReplacesAnOlderBookThenDeletesTheFolder) {
    ScratchDir desktop;
    WriteBytes(job + "acct.chm", "new book");
    WriteBytes(desktop / "acct.chm", "older book");
    EXPECT_EQ(DeliverBook(job, "acct", desktop.Path(), root), desktop / "acct.chm");
    EXPECT_EQ(ReadBytes(desktop / "acct.chm"), "new book");
    EXPECT_FALSE(Exists(job));
}

TEST_F(JobRoot, DeliveryCopiesAcrossFileSystems) {
    ScratchDir desktop("/dev/shm");
    struct stat a {
    }, b{};
    if (desktop.Path().empty() || ::stat(desktop.Path().c_str(), &a) != 0 ||
        ::stat(root.c_str(), &b) != 0 || a.st_dev == b.st_dev) {
        GTEST_SKIP() << "no second file system";
    }
    const std::string book(300000, 'b');
    WriteBytes(job + "acct.chm", book);
    WriteBytes(desktop / "acct.chm", "older book");
    EXPECT_EQ(DeliverBook(job, "acct", desktop.Path() + "/", root), desktop / "acct.chm");
    EXPECT_EQ(ReadBytes(desktop / "acct.chm"), book);
    EXPECT_FALSE(Exists(job));
    size_t files = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(desktop.Path())) {
        ++files;
    }
    EXPECT_EQ(files, 1u) << "no temporary copy is left";
}

TEST_F(JobRoot, WithoutABookNothingIsDeliveredAndThePagesStay) {
    ScratchDir desktop;
    WriteBytes(desktop / "acct.chm", "older book");
    EXPECT_EQ(DeliverBook(job, "acct", desktop.Path(), root), "");
    WriteBytes(job + "acct.chm", "");
    EXPECT_EQ(DeliverBook(job, "acct", desktop.Path(), root), "") << "an empty book is none";
    EXPECT_EQ(ReadBytes(desktop / "acct.chm"), "older book");
    EXPECT_TRUE(Exists(job + "1.html"));
    EXPECT_TRUE(Exists(job + "img/p.png"));
}

TEST_F(JobRoot, AFailedMoveKeepsThePages) {
    WriteBytes(job + "acct.chm", "new book");
    EXPECT_EQ(DeliverBook(job, "acct", scratch / "no-desktop", root), "");
    ScratchDir desktop;
    EXPECT_EQ(DeliverBook(job, "../acct", desktop.Path(), root), "");
    EXPECT_EQ(ReadBytes(job + "acct.chm"), "new book");
    EXPECT_TRUE(Exists(job + "1.html"));
}

TEST(BookDeliveryTextTest, FailureNamesTheFolder) {
    EXPECT_EQ(BookDeliveredText(), Gbk("电子书编译完毕(在桌面上)，请您欣赏"));
    EXPECT_EQ(BookFailedText("/home/u/.local/share/pagewell/acct/"),
              Gbk("电子书编译失败，已下载的文章保存在：") + "/home/u/.local/share/pagewell/acct/");
}

bool IsSafe(const std::string& name) {
    static const std::regex safe("[A-Za-z0-9_][A-Za-z0-9._-]*");
    return std::regex_match(name, safe) && name.size() <= kMaxFolderNameLength + 9;
}

TEST(SafeFolderNameTest, PlainAccountsStayAsTheyAre) {
    EXPECT_EQ(SafeFolderName("myblog"), "myblog");
    EXPECT_EQ(SafeFolderName("1234567"), "1234567");
    EXPECT_EQ(SafeFolderName("a.b_c-d"), "a.b_c-d");
    EXPECT_EQ(SafeFolderName(""), "blog");
}

TEST(SafeFolderNameTest, HostileAccountsBecomeOneSafeName) {
    const std::vector<std::string> accounts = {".",
                                               "..",
                                               "../x",
                                               "a/b",
                                               "a\\b",
                                               "-rf",
                                               ".hidden",
                                               std::string("a\0b", 3),
                                               "tab\there\r\n",
                                               "\x7f",
                                               std::string(1000, 'a'),
                                               Gbk("张三"),
                                               Gbk("博客") + "abc",
                                               std::string(300, '\xB0'),
                                               "\xFF\xFF",
                                               "a\xB0",
                                               "x y"};
    for (const std::string& account : accounts) {
        const std::string name = SafeFolderName(account);
        EXPECT_TRUE(IsSafe(name)) << name;
        EXPECT_EQ(SafeFolderName(account), name) << "the same account keeps its folder";
    }
    EXPECT_EQ(SafeFolderName("a/b").substr(0, 4), "a_b_");
    EXPECT_EQ(SafeFolderName("../x").substr(0, 3), "_x_");
    EXPECT_EQ(SafeFolderName("..").substr(0, 5), "blog_");
    // Different accounts keep different folders and books.
    EXPECT_NE(SafeFolderName(Gbk("张三")), SafeFolderName(Gbk("李四")));
    EXPECT_NE(SafeFolderName("a/b"), SafeFolderName("a_b"));
    EXPECT_EQ(SafeFolderName(std::string(1000, 'a')).substr(0, kMaxFolderNameLength + 1),
              std::string(kMaxFolderNameLength, 'a') + "_");
}

TEST(SafeFolderNameTest, DoubleByteCharactersCountAsOne) {
    // Each GBK character is one "_", and the cut never splits one.
    EXPECT_EQ(SafeFolderName("ab" + Gbk("中文") + "cd").substr(0, 7), "ab__cd_");
    const std::string name =
        SafeFolderName(std::string(kMaxFolderNameLength - 1, 'x') + Gbk("中") + "y");
    EXPECT_EQ(name.substr(0, kMaxFolderNameLength + 1),
              std::string(kMaxFolderNameLength - 1, 'x') + "__");
}

}  // namespace
}  // namespace pw
