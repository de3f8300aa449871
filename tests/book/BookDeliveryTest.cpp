#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <regex>

#include "base/Encoding.h"
#include "base/FolderTree.h"
#include "base/SafeFolderName.h"
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

// A desktop that already holds files of the user's, a job folder with a fresh
// book, and a record of delivered books.
class Delivery : public ::testing::Test {
protected:
    void SetUp() override {
        job = scratch / "job/";
        desktop = scratch / "Desktop/";
        record = scratch / "data/pagewell/";
        WriteBytes(desktop + ".keep", "");
    }
    // A new book of the job (its content tells the runs apart), delivered as Thesis.chm.
    DeliveredBook Deliver(const std::string& content, const std::string& blog = kBlog,
                          const std::string& recordDir = "-") {
        WriteBytes(job + "acct.chm", content);
        return DeliverBookFile(job, "acct.chm", desktop, "Thesis.chm", blog,
                               recordDir == "-" ? record : recordDir);
    }
    size_t DesktopFiles() const {
        size_t files = 0;
        for (const auto& entry : std::filesystem::directory_iterator(desktop)) {
            if (entry.path().filename() != ".keep") ++files;
        }
        return files;
    }

    static inline const std::string kBlog = "http://blog.example.com/u/1234";
    ScratchDir scratch;
    std::string job, desktop, record;
};

TEST_F(Delivery, TheUsersFileSurvivesAndTheBookLandsBesideIt) {
    WriteBytes(desktop + "Thesis.chm", "the user's thesis");
    const DeliveredBook first = Deliver("book, run 1");
    EXPECT_EQ(first.path, desktop + "Thesis (2).chm");
    EXPECT_TRUE(first.renamed);
    EXPECT_EQ(ReadBytes(desktop + "Thesis.chm"), "the user's thesis");
    EXPECT_EQ(ReadBytes(first.path), "book, run 1");
    EXPECT_FALSE(Exists(job + "acct.chm"));
    // A re-run replaces its own book beside the user's, and leaves the thesis alone.
    const DeliveredBook second = Deliver("book, run 2");
    EXPECT_EQ(second.path, desktop + "Thesis (2).chm");
    EXPECT_TRUE(second.renamed);
    EXPECT_EQ(ReadBytes(desktop + "Thesis (2).chm"), "book, run 2");
    EXPECT_EQ(ReadBytes(desktop + "Thesis.chm"), "the user's thesis");
    EXPECT_EQ(DesktopFiles(), 2u);
}

TEST_F(Delivery, AReRunOnTheSameBlogReplacesItsOwnEarlierBook) {
    EXPECT_EQ(Deliver("book, run 1").path, desktop + "Thesis.chm");
    const DeliveredBook again = Deliver("book, run 2, longer");
    EXPECT_EQ(again.path, desktop + "Thesis.chm");
    EXPECT_FALSE(again.renamed);
    EXPECT_EQ(ReadBytes(desktop + "Thesis.chm"), "book, run 2, longer");
    EXPECT_EQ(DesktopFiles(), 1u);
    // The record is private, like its folder.
    struct stat st {};
    ASSERT_EQ(::stat((record + kDeliveryRecordFile).c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    ASSERT_EQ(::stat(record.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
}

TEST_F(Delivery, AnotherBlogsBookOrOneTheUserChangedIsNotReplaced) {
    EXPECT_EQ(Deliver("blog A, run 1").path, desktop + "Thesis.chm");
    EXPECT_EQ(Deliver("blog B", "http://other.example.com/thesis").path,
              desktop + "Thesis (2).chm");
    WriteBytes(desktop + "Thesis.chm", "blog A's book, annotated by the user");
    const DeliveredBook again = Deliver("blog A, run 2");
    EXPECT_EQ(again.path, desktop + "Thesis (3).chm");
    EXPECT_EQ(ReadBytes(desktop + "Thesis.chm"), "blog A's book, annotated by the user");
    EXPECT_EQ(ReadBytes(desktop + "Thesis (2).chm"), "blog B");
    // A book replaced by a link is the user's too.
    ::unlink((desktop + "Thesis (3).chm").c_str());
    ASSERT_EQ(::symlink((scratch / "elsewhere").c_str(), (desktop + "Thesis (3).chm").c_str()), 0);
    EXPECT_EQ(Deliver("blog A, run 3").path, desktop + "Thesis (4).chm");
    EXPECT_FALSE(Exists(scratch / "elsewhere"));
}

TEST_F(Delivery, WithoutARecordNothingIsEverReplaced) {
    EXPECT_EQ(Deliver("run 1", kBlog, "").path, desktop + "Thesis.chm");
    EXPECT_EQ(Deliver("run 2", kBlog, "").path, desktop + "Thesis (2).chm");
    EXPECT_EQ(ReadBytes(desktop + "Thesis.chm"), "run 1");
    EXPECT_FALSE(Exists(record));
}

TEST_F(Delivery, ARecordOfOddLinesAndOddPathsStillWorks) {
    WriteBytes(record + kDeliveryRecordFile, "garbage\nmore\tgarbage\n\t\t\t\n");
    desktop = scratch / "Desk\ttop\\ x/";
    WriteBytes(desktop + ".keep", "");
    EXPECT_EQ(Deliver("run 1").path, desktop + "Thesis.chm");
    EXPECT_EQ(Deliver("run 2").path, desktop + "Thesis.chm");
    EXPECT_EQ(DesktopFiles(), 1u);
}

TEST_F(Delivery, NoDesktopNoDelivery) {
    desktop = scratch / "no-desktop/";
    EXPECT_EQ(Deliver("book").path, "");
    EXPECT_EQ(ReadBytes(job + "acct.chm"), "book");
}

TEST(BookDeliveryTextTest, FailureNamesTheFolderAndARenamedBookItsName) {
    EXPECT_EQ(BookDeliveredText(), "电子书编译完毕(在桌面上)，请您欣赏");
    EXPECT_EQ(BookFailedText("/home/u/.local/share/pagewell/acct/"),
              "电子书编译失败，已下载的文章保存在：/home/u/.local/share/pagewell/acct/");
    EXPECT_EQ(BookRenamedText("论文.chm", "论文 (2).chm"),
              "桌面上已有文件“论文.chm”，没有覆盖它，电子书另存为“论文 (2).chm”");
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
                                               "张三",
                                               "博客abc",
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
    EXPECT_NE(SafeFolderName("张三"), SafeFolderName("李四"));
    EXPECT_NE(SafeFolderName("a/b"), SafeFolderName("a_b"));
    EXPECT_EQ(SafeFolderName(std::string(1000, 'a')).substr(0, kMaxFolderNameLength + 1),
              std::string(kMaxFolderNameLength, 'a') + "_");
}

TEST(SafeFolderNameTest, EachCharacterCountsAsOne) {
    // Each Chinese character is one "_", and the cut never splits one.
    EXPECT_EQ(SafeFolderName("ab中文cd").substr(0, 7), "ab__cd_");
    // The hash is of the code page 936 form, as earlier versions named the books.
    EXPECT_EQ(SafeFolderName("张三"), "blog_06240308");
    const std::string name = SafeFolderName(std::string(kMaxFolderNameLength - 1, 'x') + "中y");
    EXPECT_EQ(name.substr(0, kMaxFolderNameLength + 1),
              std::string(kMaxFolderNameLength - 1, 'x') + "__");
}

}  // namespace
}  // namespace pw
