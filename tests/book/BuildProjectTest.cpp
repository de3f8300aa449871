#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "base/Encoding.h"
#include "base/TextFile.h"
#include "book/BookTestKit.h"
#include "book/BuildProject.h"
#include "book/ProjectWriter.h"

namespace pw {
namespace {

using booktest::ScratchDir;
using booktest::Tree;
using booktest::WriteBytes;

std::vector<std::string> Names(const std::vector<BookFile>& files) {
    std::vector<std::string> names;
    for (const BookFile& file : files) names.push_back(file.name);
    return names;
}

TEST(BuildProjectTest, CopyFillsTheStartPageAndAppendsTheFileList) {
    const BookDescription project = booktest::Book("/x/", "acct", "标题");
    const std::string written = TextModeBytes(ToAnsiMarkup(ProjectFileText(project)));
    const std::string emptyField = "Main=,acct.hhc,acct.hhk,,index.html,";
    const std::string filledField = "Main=,acct.hhc,acct.hhk,index.html,index.html,";
    ASSERT_NE(written.find(emptyField), std::string::npos);

    std::string expected = written;
    expected.replace(expected.find(emptyField), emptyField.size(), filledField);
    expected += "\r\n[FILES]\r\nindex.html\r\nimg/a b.png\r\n";
    EXPECT_EQ(BuildProjectText(written, {"index.html", "img/a b.png"}), expected);
}

TEST(BuildProjectTest, CopyLeavesOtherLinesAlone) {
    const std::string project =
        "[OPTIONS]\r\nMain=,a,b,,c\r\n[WINDOWS]\r\nMain=t,a.hhc,a.hhk,own.html,x\r\nMain=,,";
    EXPECT_EQ(BuildProjectText(project, {}),
              "[OPTIONS]\r\nMain=,a,b,,c\r\n[WINDOWS]\r\nMain=t,a.hhc,a.hhk,own.html,x\r\n"
              "Main=,,\r\n\r\n[FILES]\r\n");
}

TEST(BuildProjectTest, CollectsExistingPagesOnceThenPlainPictures) {
    ScratchDir dir;
    const std::string root = dir.Path() + "/";
    for (const char* name : {"index.html", "1.html", "2.html", "img/b.png", "img/a.gif",
                             "img/sub/deep.png", "outside.txt"}) {
        WriteBytes(root + name, name);
    }
    ::symlink("/etc/passwd", (root + "3.html").c_str());
    ::symlink("/etc/passwd", (root + "img/passwd.png").c_str());
    WriteBytes(root + "img/bad\nname.png", "x");

    Tree tree;
    tree.Heading(0, "blog").Article("two", "2.html").Article("one", "1.html");
    tree.Article("again", "2.html").Article("start", "index.html").Article("link", "3.html");
    tree.Article("missing", "4.html").Article("unnamed", "").Article("up", "../outside.txt");
    tree.Article("abs", root + "outside.txt").Article("sub", "img/b.png");

    const std::vector<BookFile> files = CollectBookFiles(root, tree.entries);
    EXPECT_EQ(Names(files), (std::vector<std::string>{"index.html", "2.html", "1.html", "img/a.gif",
                                                      "img/b.png"}));
    EXPECT_EQ(files[1].size, 6u);
}

TEST(BuildProjectTest, WithoutAStartPageTheListStillNamesTheOthers) {
    ScratchDir dir;
    WriteBytes(dir / "1.html", "x");
    Tree tree;
    tree.Article("one", "1.html");
    EXPECT_EQ(Names(CollectBookFiles(dir.Path() + "/", tree.entries)),
              std::vector<std::string>{"1.html"});
}

}  // namespace
}  // namespace pw
