#include <gtest/gtest.h>

#include <algorithm>

#include "base/Encoding.h"
#include "base/FileBytes.h"
#include "base/Identity.h"
#include "book/BookTestKit.h"
#include "book/ProjectWriter.h"

namespace pw {
namespace {

using booktest::ReadBytes;
using booktest::ScratchDir;
using booktest::Tree;

std::string Heading(const std::string& name) {
    return "    <LI><OBJECT type=\"text/sitemap\">\n"
           "        <param name=\"Name\" value=\"" +
           name +
           "\">\n"
           "        </OBJECT>\n";
}

std::string Item(const std::string& name, const std::string& local) {
    return "    <LI><OBJECT type=\"text/sitemap\">\n"
           "        <param name=\"Name\" value=\"" +
           name +
           "\">\n"
           "        <param name=\"Local\" value=\"" +
           local +
           "\">\n"
           "        </OBJECT>\n";
}

const std::string kContentsHeader =
    "<HEAD>\n"
    "<meta name=\"GENERATOR\" content=\"Microsoft&reg; HTML Help Workshop 4.1\">\n"
    "<!-- Sitemap 1.0 -->\n"
    "</HEAD>\n"
    "<BODY>\n"
    "<UL>\n";
const std::string kIndexHeader =
    "<!DOCTYPE HTML PUBLIC \"-//IETF//DTD HTML//EN\">\n"
    "<HTML>\n"
    "<HEAD>\n"
    "<meta name=\"GENERATOR\" content=\"Microsoft&reg; HTML Help Workshop 4.1\">\n"
    "<!-- Sitemap 1.0 -->\n"
    "</HEAD>\n"
    "<BODY>\n"
    "<OBJECT type=\"text/site properties\">\n"
    "</OBJECT>\n"
    "<UL>\n";
const std::string kFooter = "</UL>\n</BODY>\n</HTML>\n";

TEST(ProjectWriterTest, TwoCategoriesOfTwoArticlesNestOneListPerStep) {
    const std::string blog = "我的博客", cat1 = "分类一", cat2 = "分类二";
    Tree tree;
    tree.Heading(0, blog).Heading(1, cat1).Article("a1", "1.html").Article("a2", "2.html");
    tree.Heading(1, cat2).Article("a3", "3.html").Article("a4", "4.html");

    EXPECT_EQ(ContentsFileText(tree.entries),
              kContentsHeader + Heading(blog) + "<UL>\n" + Heading(cat1) + "<UL>\n" +
                  Item("a1", "1.html") + Item("a2", "2.html") + "</UL>\n" + Heading(cat2) +
                  "<UL>\n" + Item("a3", "3.html") + Item("a4", "4.html") + kFooter);
    EXPECT_EQ(IndexFileText(tree.entries), kIndexHeader + Item("a1", "1.html") +
                                               Item("a2", "2.html") + Item("a3", "3.html") +
                                               Item("a4", "4.html") + kFooter);
}

TEST(ProjectWriterTest, EmptyCategoryStaysAHeadingAtItsLevel) {
    Tree tree;
    tree.Heading(0, "blog").Heading(1, "empty").Heading(1, "full").Article("t", "1.html");
    EXPECT_EQ(ContentsFileText(tree.entries), kContentsHeader + Heading("blog") + "<UL>\n" +
                                                  Heading("empty") + Heading("full") + "<UL>\n" +
                                                  Item("t", "1.html") + kFooter);
}

TEST(ProjectWriterTest, TreeWithoutArticlesHasHeadingsOnlyAndAnEmptyIndex) {
    ASSERT_EQ(kContentsHeader.size(), 120u);
    ASSERT_EQ(kIndexHeader.size(), 221u);
    EXPECT_EQ(ContentsFileText({}), kContentsHeader + kFooter);
    Tree tree;
    tree.Heading(0, "blog").Heading(1, "c1").Heading(1, "c2");
    EXPECT_EQ(ContentsFileText(tree.entries), kContentsHeader + Heading("blog") + "<UL>\n" +
                                                  Heading("c1") + Heading("c2") + kFooter);
    EXPECT_EQ(IndexFileText(tree.entries), kIndexHeader + kFooter);
}

TEST(ProjectWriterTest, DepthJumpsWriteOneListTagAndArticlesWithoutFileKeepEmptyLocal) {
    Tree tree;
    tree.Heading(0, "blog").Article("deep", "1.html").Heading(0, "back");
    tree.Article("never taken", "");
    EXPECT_EQ(ContentsFileText(tree.entries),
              kContentsHeader + Heading("blog") + "<UL>\n" + Item("deep", "1.html") + "</UL>\n" +
                  Heading("back") + "<UL>\n" + Item("never taken", "") + kFooter);
}

TEST(ProjectWriterTest, TitlesAreEscapedAndTheirReferencesKept) {
    Tree tree;
    tree.Heading(0, "a & <b>").Article("say \"hi\" & <go>", "1.html");
    tree.Article("读《瓦尔登湖》&amp;随想 &#128512;", "2.html");
    const std::string contents = ContentsFileText(tree.entries);
    EXPECT_NE(contents.find("value=\"say &quot;hi&quot; &amp; &lt;go&gt;\">"), std::string::npos);
    EXPECT_NE(contents.find("value=\"a &amp; &lt;b&gt;\">"), std::string::npos);
    EXPECT_NE(contents.find("value=\""
                            "读《瓦尔登湖》&amp;随想 &#128512;"
                            "\">"),
              std::string::npos);
    EXPECT_NE(IndexFileText(tree.entries).find("value=\"say &quot;hi&quot; &amp; &lt;go&gt;\">"),
              std::string::npos);
}

// A category name as the text helpers decode it from "x&quot;&gt;&lt;param ...".
TEST(ProjectWriterTest, NamesCannotAddEntriesAndEntriesLeadOnlyToTheBooksPages) {
    Tree tree;
    tree.Heading(0, "blog").Heading(1, "x\"><param name=\"Local\" value=\"/etc/passwd\">");
    tree.Article("t\"><param name=\"Local\" value=\"/etc/shadow\">", "1.html");
    for (const char* fileName : {"../outside.html", "/etc/passwd", "mk:@MSITStore:x.chm::/a.htm",
                                 "http://evil.example.com/", "a\"b.html", ".hidden.html"}) {
        tree.Article("t", fileName);
    }
    for (const std::string& text : {ContentsFileText(tree.entries), IndexFileText(tree.entries)}) {
        size_t locals = 0;
        for (size_t at = text.find("name=\"Local\""); at != std::string::npos;
             at = text.find("name=\"Local\"", at + 1)) {
            ++locals;
        }
        EXPECT_EQ(locals, 7u) << text;
        EXPECT_NE(text.find("<param name=\"Local\" value=\"1.html\">"), std::string::npos);
        EXPECT_EQ(std::count(text.begin(), text.end(), '<'),
                  std::count(text.begin(), text.end(), '>'));
        for (const char* leak :
             {"value=\"/etc", "value=\"../", "value=\"mk:", "value=\"http", "value=\".hidden"}) {
            EXPECT_EQ(text.find(leak), std::string::npos) << leak;
        }
    }
}

TEST(ProjectWriterTest, ProjectFileFollowsTheTemplate) {
    const BookDescription project = booktest::Book("/unused/", "acct", "小\"站");
    const std::string expected =
        "[OPTIONS]\nCompatibility=1.1\nDefault window=Main\n"
        "Default font=宋体,9,1"
        "\nTitle="
        "小\"站"
        "\nCOPYRIGHT="
        "博客批量下载 由墨舟博客文章下载器制作"
        "\nDefault Topic=index.html\nCompiled file=acct.chm\nContents file=acct.hhc\n"
        "Index file=acct.hhk\nEnhanced decompilation=yes\nDisplay compile progress=yes\n"
        "Full-text search=yes\nFlat=no\n"
        "Language=0x804 中文(中国)"
        "\nCreate CHI file=no\n\n[WINDOWS]\n"
        "Main=,acct.hhc,acct.hhk,,index.html,,,,,0x3C20,230,0x10307E,[80,60,800,600],0x0,0x0,,,,,0"
        "\n";
    // Without a site address the credit names none, and has no empty gap.
    EXPECT_EQ(ProjectFileText(project, ""), expected);
    EXPECT_NE(ProjectFileText(project, "http://site.example/")
                  .find("\nCOPYRIGHT="
                        "博客批量下载 http://site.example/ 由墨舟博客文章下载器制作"
                        "\n"),
              std::string::npos);
}

TEST(ProjectWriterTest, TheWindowTitleShowsReferencesDecoded) {
    const BookDescription project =
        booktest::Book("/unused/", "acct", "小站&amp;朋友 &#128512;&#x4E2D; &nbsp;&bogus;");
    // No markup carries the title there: what code page 936 lacks becomes "?".
    EXPECT_NE(ProjectFileText(project).find("\nTitle="
                                            "小站&朋友 ?中  &bogus;\n"),
              std::string::npos)
        << ProjectFileText(project);
}

TEST(ProjectWriterTest, ABlogNameCannotAddLinesToTheProject) {
    const BookDescription project =
        booktest::Book("/unused/", "acct", "x\r\n[FILES]\n/etc/passwd\x01");
    const std::string text = ProjectFileText(project);
    EXPECT_NE(text.find("\nTitle=x  [FILES] /etc/passwd \n"), std::string::npos);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 19);
}

const std::string kCharsetMeta =
    "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=gb2312\">";
const std::string kTableStart =
    "<table height=\"100%*\" width=\"100%*\" valign=\"middle\"><tr valign=\"middle\"><td>"
    "<table width=\"*\" border=\"0\" align=\"center\" valign=\"middle\"><tr><td><center>";

TEST(ProjectWriterTest, IndexPageIsAWholeDocumentOfOneLineOfFivePieces) {
    ASSERT_EQ(kTableStart.size(), 151u);
    const std::string madeBy = "制作by：";
    const std::string program = std::string(kProductNameUtf8) + "(" + kProgramName + ")";
    // Without a shop address the credit names the program without a link.
    EXPECT_EQ(IndexPageText("http://b.example/u", "博客", "2024-01-02 03:04:05", ""),
              "<html><head>" + kCharsetMeta + "<title>" + "博客" + "</title></head><body>" +
                  kTableStart +
                  "<font size=10 color=blue><a href=\"http://b.example/u\" target=_blank>" +
                  "博客" + "</a></font><br>" + madeBy + program + "<br>" +
                  "2024-01-02 03:04:05<br></center></td></tr></table></td></tr></table>"
                  "</body></html>");
    EXPECT_NE(
        IndexPageText("http://b.example/u", "博客", "t", "http://shop.example/")
            .find("<br>" + madeBy + "<a href=\"http://shop.example/\">" + program + "</a><br>"),
        std::string::npos);
}

TEST(ProjectWriterTest, IndexPageNeverCarriesMarkupFromTheBlog) {
    // A blog title of "&lt;script&gt;" shows as text; a raw one is escaped.
    EXPECT_NE(IndexPageText("http://b.example/u", "&lt;script&gt;", "t", "")
                  .find("target=_blank>&lt;script&gt;</a>"),
              std::string::npos);
    const std::string page =
        IndexPageText("http://b.example/u?a=1&b=\"2\"", "<script>alert(1)</script>", "t", "");
    EXPECT_EQ(page.find("<script"), std::string::npos);
    EXPECT_NE(page.find("<a href=\"http://b.example/u?a=1&amp;b=&quot;2&quot;\" target=_blank>"
                        "&lt;script&gt;alert(1)&lt;/script&gt;</a>"),
              std::string::npos);
    // An address that would run script is no link at all.
    EXPECT_NE(IndexPageText(" javascript:alert(1)", "name", "t", "")
                  .find("<font size=10 color=blue>name</font><br>"),
              std::string::npos);
}

TEST(ProjectWriterTest, FilesOnDiskUseCrLfAndTheIndexPageHasNoLineEnd) {
    ScratchDir dir;
    Tree tree;
    tree.Heading(0, "标题").Heading(1, "c").Article("文章", "1.html");
    // Enough that the contents and index go to disk in several parts, with
    // characters that code page 936 has and lacks.
    for (int i = 2; i < 3000; ++i) {
        tree.Article("文章\xF0\x9F\x98\x80" + std::to_string(i), std::to_string(i) + ".html");
    }
    const BookDescription project =
        booktest::Book(dir.Path() + "/", "acct", "标题", tree.entries, "http://h/");

    ASSERT_EQ(WriteIndexPage(project), 1);
    ASSERT_EQ(WriteProjectFile(project), 1);
    ASSERT_EQ(WriteContentsFile(project), 1);
    ASSERT_EQ(WriteIndexFile(project), 1);

    // On disk: code page 936 with CR LF.
    const auto crlf = [](std::string text) {
        std::string out;
        for (char c : ToAnsiMarkup(text))
            out += c == '\n' ? std::string("\r\n") : std::string(1, c);
        return out;
    };
    EXPECT_EQ(ReadBytes(dir / "acct.hhp"), crlf(ProjectFileText(project)));
    EXPECT_EQ(ReadBytes(dir / "acct.hhc"), crlf(ContentsFileText(tree.entries)));
    EXPECT_EQ(ReadBytes(dir / "acct.hhk"), crlf(IndexFileText(tree.entries)));
    const std::string page = ReadBytes(dir / "index.html");
    EXPECT_EQ(page.find_first_of("\r\n"), std::string::npos);
    EXPECT_EQ(page.substr(12, kCharsetMeta.size()), kCharsetMeta);
    EXPECT_NE(page.find(ToAnsi("标题")), std::string::npos);
    EXPECT_EQ(page.substr(page.size() - 22), "</table></body></html>");
}

// The contents and index are written in parts: a reader (or chmcmd) must
// never find half a file under the name, nor an earlier one lost to a write
// that did not finish.
TEST(ProjectWriterTest, AFileWrittenInPartsReplacesTheOldOneOnlyWhole) {
    ScratchDir dir;
    const std::string path = dir / "acct.hhc";
    booktest::WriteBytes(path, "old");
    {
        FileReplacement file(path);
        ASSERT_TRUE(file.Append("new "));
        EXPECT_EQ(ReadBytes(path), "old");
    }
    EXPECT_EQ(ReadBytes(path), "old");
    EXPECT_FALSE(booktest::Exists(path + ".part"));
    FileReplacement file(path);
    ASSERT_TRUE(file.Append("new "));
    ASSERT_TRUE(file.Append("bytes"));
    ASSERT_TRUE(file.Commit());
    EXPECT_EQ(ReadBytes(path), "new bytes");
    EXPECT_FALSE(booktest::Exists(path + ".part"));
}

TEST(ProjectWriterTest, WritersReportAFolderThatCannotBeWritten) {
    const BookDescription project = booktest::Book("/nonexistent-pagewell-dir/", "acct", "t");
    EXPECT_EQ(WriteIndexPage(project), 0);
    EXPECT_EQ(WriteProjectFile(project), 0);
    EXPECT_EQ(WriteContentsFile(project), 0);
    EXPECT_EQ(WriteIndexFile(project), 0);
}

}  // namespace
}  // namespace pw
