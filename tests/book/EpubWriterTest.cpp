#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zip.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <memory>
#include <regex>

#include "base/Encoding.h"
#include "base/HtmlText.h"
#include "base/TextFile.h"
#include "base/WholePage.h"
#include "book/BmpToPng.h"
#include "book/BookTestKit.h"
#include "book/ChildProcess.h"
#include "book/EpubWriter.h"
#include "book/ProjectWriter.h"
#include "book/XhtmlCleaner.h"
#include "engine/ArticleRenderer.h"
#include "support/Epubcheck.h"

namespace pw {
namespace {

using booktest::Entry;
using booktest::ReadBytes;
using booktest::ReadZip;
using booktest::ScratchDir;
using booktest::WriteBytes;
using booktest::ZipEntry;
using test::CheckResult;
using test::EpubcheckInstalled;
using test::RunEpubcheck;

// A 1x1 grey baseline JPEG, a 1x1 GIF and a small WebP.
const std::string kJpeg(
    "\xff\xd8\xff\xe0\x00\x10\x4a\x46\x49\x46\x00\x01\x01\x00\x00\x01\x00\x01\x00\x00\xff\xdb\x00"
    "\x43"
    "\x00\x10\x0b\x0c\x0e\x0c\x0a\x10\x0e\x0d\x0e\x12\x11\x10\x13\x18\x28\x1a\x18\x16\x16\x18\x31"
    "\x23"
    "\x25\x1d\x28\x3a\x33\x3d\x3c\x39\x33\x38\x37\x40\x48\x5c\x4e\x40\x44\x57\x45\x37\x38\x50\x6d"
    "\x51"
    "\x57\x5f\x62\x67\x68\x67\x3e\x4d\x71\x79\x70\x64\x78\x5c\x65\x67\x63\xff\xc0\x00\x0b\x08\x00"
    "\x01"
    "\x00\x01\x01\x01\x11\x00\xff\xc4\x00\x14\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00"
    "\x00"
    "\x00\x00\x00\x00\xff\xc4\x00\x14\x10\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00"
    "\x00"
    "\x00\x00\xff\xda\x00\x08\x01\x01\x00\x00\x3f\x00\x3f\xff\xd9",
    159);
const std::string kGif(
    "GIF89a\x01\x00\x01\x00\x80\x00\x00\xff\xff\xff\x00\x00\x00!\xf9\x04\x01\x00\x00\x00\x00,"
    "\x00\x00\x00\x00\x01\x00\x01\x00\x00\x02\x02\x44\x01\x00;",
    43);
const std::string kWebp(
    "RIFF\x1a\x00\x00\x00WEBPVP8L\x0d\x00\x00\x00\x2f\x00\x00\x00\x10\x07\x10\x11\x11\x88\x88\xfe"
    "\x07\x00",
    34);

void PutLe(std::string& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>(value >> (8 * i)));
}

// A bottom-up 24-bit bitmap of width x 1 pixels, all of one colour.
std::string Bitmap(int width, uint32_t rgb) {
    const uint32_t stride = (static_cast<uint32_t>(width) * 3 + 3) / 4 * 4;
    std::string bmp = "BM";
    PutLe(bmp, 54 + stride, 4);
    PutLe(bmp, 0, 4);
    PutLe(bmp, 54, 4);
    PutLe(bmp, 40, 4);
    PutLe(bmp, static_cast<uint32_t>(width), 4);
    PutLe(bmp, 1, 4);
    PutLe(bmp, 1, 2);
    PutLe(bmp, 24, 2);
    PutLe(bmp, 0, 4);
    PutLe(bmp, stride, 4);
    for (int i = 0; i < 4; ++i) PutLe(bmp, 0, 4);
    std::string row;
    for (int x = 0; x < width; ++x) {
        row.push_back(static_cast<char>(rgb));
        row.push_back(static_cast<char>(rgb >> 8));
        row.push_back(static_cast<char>(rgb >> 16));
    }
    row.resize(stride, '\0');
    return bmp + row;
}

// A job folder as the download leaves it, and its tree.
class JobFolder {
public:
    JobFolder() : dir(scratch / "job/") { booktest::WriteBytes(dir + ".keep", ""); }

    JobFolder& Heading(int depth, const std::string& text) {
        items_.push_back({depth, text, nullptr});
        return *this;
    }
    // An article whose page the renderer wrote (heading block, then the body),
    // or none when body is null.
    ArticleInfo& Article(const std::string& title, const std::string& fileName,
                         const std::string* body) {
        ArticleInfo& info = records_.emplace_back();
        info.title = title;
        info.time = "2012-03-04 05:06";
        info.category = "随笔";
        info.url = "http://blog.example.com/s/blog_" + std::to_string(records_.size()) + ".html";
        info.fileName = fileName;
        items_.push_back({2, title, &info});
        if (body) {
            WriteBytes(dir + fileName,
                       TextModeBytes(ToAnsiMarkup(WholePage(title, ArticleHeading(info) + *body))));
        }
        return info;
    }
    void Picture(const std::string& name, const std::string& bytes) {
        WriteBytes(dir + "img/" + name, bytes);
    }
    // The book as the job describes it from its tree and records.
    BookDescription Project(const std::string& title) const {
        BookDescription book = booktest::Book(dir, "tester", title);
        book.homeUrl = "http://blog.example.com/tester";
        for (const Item& item : items_) {
            TreeEntry entry;
            entry.depth = item.depth;
            entry.text = item.text;
            if (const ArticleInfo* article = item.article) {
                entry.article = true;
                entry.fileName = article->fileName;
                entry.title = article->title;
                entry.time = article->time;
                entry.category = article->category;
                entry.url = article->url;
                entry.heading = ArticleHeading(*article);
            }
            book.entries.push_back(std::move(entry));
        }
        return book;
    }

    ScratchDir scratch;
    std::string dir;

private:
    struct Item {
        int depth;
        std::string text;
        const ArticleInfo* article;
    };
    std::vector<Item> items_;
    std::deque<ArticleInfo> records_;
};

// The document of the book whose title is title (UTF-8).
std::string DocumentTitled(const std::vector<ZipEntry>& entries, const std::string& title) {
    for (const ZipEntry& entry : entries) {
        if (entry.bytes.find("<title>" + title + "</title>") != std::string::npos) {
            return entry.bytes;
        }
    }
    return {};
}

// Everything a reader may meet in a blog, in one body.
std::string HostileBody() {
    std::string body =
        "<p>unclosed <b>bold <i>italic\n"
        "<div><span>block <div>inside</div> a span</span></div>\n"
        "</body> after the body </html><body>a second body\n"
        "text&nbsp;with&nbsp;entities &copy; &#0; &#x1; &#128; \x01\x02\x7f\x1b control bytes\n"
        "<!-- a comment -- with -- dashes --> <!-- unclosed\n -->"
        "<script>alert(1)</script><iframe src=\"http://evil.example.com/\"></iframe>"
        "<object data=\"x.swf\"><param name=a value=b></object><embed src=\"y.swf\">"
        "<form action=\"http://x.example.com/\"><input name=q><button onclick=\"x()\">go</button>"
        "text in a form</form>\n"
        "<a href=\"javascript:alert(1)\" onclick=\"steal()\">script link</a>\n"
        "<a href=\'  http://Example.com/"
        "路径"
        " x?q=\"a\"|b\'>outer "
        "<a href=\"http://b.example.com/\">inner</a></a>\n"
        "<img src=\"http://remote.example.com/pic.jpg\" alt=\""
        "远程图片"
        "\">\n"
        "<img src=\"img/../../secret.png\" alt=\"escape\"><img src=\"img/99_1.jpg\" alt=\"gone\">"
        "<img src=\"img/2_1.jpg\" alt=\"not a picture\"><img src=\"img/2_2.webp\" alt=\"webp\">"
        "<img src=\"img/link.png\" alt=\"a link\"><img alt=\"no source\">\n"
        "<ul><li>one<div>two</div>loose text</ul><li>orphan item\n"
        "<table><tr><td>cell</td>stray text<th>head</th></tr><td>orphan cell</td>"
        "<caption>cap</caption><tbody><tr><td colspan=\"2\" rowspan=\"x\">b</td></tr></tbody>"
        "</table>\n"
        "<p style=\"color: red; position: fixed; background: url(javascript:x)\" "
        "onmouseover=\"x\" align=\"center\">styled</p>"
        "<font color=\"#ff0000\" size=7>font</font><center>centred</center>\n"
        "<svg><script>x</script></svg><math><mi>x</mi></math><video src=\"v.mp4\"></video>"
        "<p><h1>heading in a paragraph</h1><li>item in a paragraph</li></p>"
        "<span><table><tr><td>table in a span</td></tr></table></span>";
    for (int i = 0; i < 400; ++i) body += "<div><span>";
    body += "deep";
    body += "<div attr=\"never closed";
    return body;
}

class EpubBookTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        job = std::make_unique<JobFolder>();
        JobFolder& j = *job;
        const std::string plain =
            "<p>first paragraph</p><p><img src=\"img/1_1.png\" alt=\"png\">"
            "<img src=\"img/1_2.jpg\"><img src=\"img/1_3.gif\"><img src=\"img/1_4.bmp\">"
            "<img src=\"img/1_1.png\" alt=\"again\"></p>";
        const std::string hostile = HostileBody();
        j.Heading(0, "测试博客").Heading(1, "分类一");
        j.Article("第一篇", "1.html", &plain);
        j.Article("危险<&\"标题", "2.html", &hostile);
        j.Heading(1, "空分类").Heading(1, "分类三");
        j.Article("没下载的", "3.html", nullptr);
        j.Article("没有文件名", "", nullptr);
        ArticleInfo& renamed = j.Article("改过标题", "5.html", nullptr);
        // A page of an earlier version (no frame) whose heading block no longer
        // matches its record.
        WriteBytes(j.dir + "5.html",
                   TextModeBytes(std::string(kGbkCharsetMeta) +
                                 ToAnsiMarkup(ArticleHeading(renamed)) + "<p>old heading</p>"));
        renamed.title = "新标题";
        j.Picture("1_1.png", BmpToPng(Bitmap(2, 0x102030)));
        j.Picture("1_2.jpg", kJpeg);
        j.Picture("1_3.gif", kGif);
        j.Picture("1_4.bmp", Bitmap(3, 0xFF0000));
        j.Picture("2_1.jpg", "this is text, not a picture");
        j.Picture("2_2.webp", kWebp);
        WriteBytes(j.scratch / "secret.png", BmpToPng(Bitmap(1, 0)));
        ::symlink((j.scratch / "secret.png").c_str(), (j.dir + "img/link.png").c_str());
        BookDescription project = j.Project("测试博客");
        WriteIndexPage(project);
        project.title = "测试博客<&\"名";
        result = WriteEpubBook(project);
        book = j.dir + "tester.epub";
        files = ReadZip(book);
    }
    static void TearDownTestSuite() { job.reset(); }

    static inline std::unique_ptr<JobFolder> job;
    static inline int result = 0;
    static inline std::string book;
    static inline std::vector<ZipEntry> files;
};

TEST_F(EpubBookTest, JobFolderGivesABookThatEpubcheckAccepts) {
    ASSERT_EQ(result, 1);
    if (!EpubcheckInstalled()) GTEST_SKIP() << "epubcheck is not installed";
    const CheckResult check = RunEpubcheck(book);
    ASSERT_TRUE(check.ran) << check.output;
    EXPECT_EQ(check.exitCode, 0) << check.output;
    EXPECT_EQ(check.output.find("WARNING"), std::string::npos) << check.output;
    EXPECT_EQ(check.output.find("ERROR"), std::string::npos) << check.output;
}

TEST_F(EpubBookTest, MimetypeComesFirstAndStored) {
    ASSERT_FALSE(files.empty());
    EXPECT_EQ(files[0].name, "mimetype");
    EXPECT_EQ(files[0].bytes, "application/epub+zip");
    EXPECT_EQ(files[0].method, ZIP_CM_STORE);
    // No extra field: the local header's name is followed by the content at once.
    const std::string raw = ReadBytes(book);
    EXPECT_EQ(raw.substr(30, 28), "mimetypeapplication/epub+zip");
}

TEST_F(EpubBookTest, PackageNamesTheBookAndEveryPictureByItsBytes) {
    const std::string opf = Entry(files, "EPUB/package.opf");
    EXPECT_NE(opf.find("<dc:title>测试博客&#60;&#38;&#34;名</dc:title>"), std::string::npos) << opf;
    EXPECT_NE(opf.find("<dc:language>zh-CN</dc:language>"), std::string::npos);
    EXPECT_TRUE(std::regex_search(
        opf,
        std::regex("<dc:identifier id=\"book-id\">urn:uuid:[0-9a-f]{8}-[0-9a-f]{4}-8[0-9a-f]{3}-"
                   "[89ab][0-9a-f]{3}-[0-9a-f]{12}</dc:identifier>")));
    EXPECT_TRUE(std::regex_search(
        opf, std::regex("dcterms:modified\">\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\dZ<")));
    // png, jpeg, gif and the bitmap as png; once each, whatever the pages repeat.
    const std::string pictures[][2] = {{"images/p1.png", "image/png"},
                                       {"images/p2.jpg", "image/jpeg"},
                                       {"images/p3.gif", "image/gif"},
                                       {"images/p4.png", "image/png"}};
    for (const auto& [href, type] : pictures) {
        EXPECT_NE(opf.find("href=\"" + href + "\" media-type=\"" + type + "\""), std::string::npos)
            << href << "\n"
            << opf;
    }
    EXPECT_EQ(opf.find("images/p5"), std::string::npos) << opf;
    EXPECT_EQ(Entry(files, "EPUB/images/p2.jpg"), kJpeg);
    EXPECT_EQ(Entry(files, "EPUB/images/p4.png"), BmpToPng(Bitmap(3, 0xFF0000)));
    EXPECT_EQ(opf.find("secret"), std::string::npos);
}

TEST_F(EpubBookTest, ContentsFollowTheTreeAndLeaveOutEmptyCategories) {
    const std::string nav = Entry(files, "EPUB/nav.xhtml");
    const std::vector<std::string> order = {
        "<a href=\"title.xhtml\">测试博客</a>",
        "<span>分类一</span>",
        "<a href=\"article1.xhtml\">第一篇</a>",
        "<a href=\"article2.xhtml\">危险&#60;&#38;&#34;标题</a>",
        "<span>分类三</span>",
        "<a href=\"article3.xhtml\">没下载的</a>",
        "<a href=\"article4.xhtml\">没有文件名</a>",
        "<a href=\"article5.xhtml\">改过标题</a>"};
    size_t at = 0;
    for (const std::string& item : order) {
        const size_t found = nav.find(item, at);
        ASSERT_NE(found, std::string::npos) << item << "\n" << nav;
        at = found;
    }
    EXPECT_EQ(nav.find("空分类"), std::string::npos);
    // Articles nest under their category, categories under the blog.
    EXPECT_NE(nav.find("<span>分类一</span>\n        <ol>"), std::string::npos) << nav;
    const std::string ncx = Entry(files, "EPUB/toc.ncx");
    EXPECT_NE(ncx.find("<text>分类三</text></navLabel>\n        <content src=\"article3.xhtml\""),
              std::string::npos)
        << ncx;
    EXPECT_NE(ncx.find("playOrder=\"6\""), std::string::npos);
}

TEST_F(EpubBookTest, ArticlesKeepTheirHeadingAndPictures) {
    const std::string first = DocumentTitled(files, "第一篇");
    ASSERT_FALSE(first.empty());
    EXPECT_NE(
        first.find("<h1 class=\"title\">第一篇</h1>\n<div class=\"info\">时间：2012-03-04 05:06"
                   "<br/>类别：随笔<br/>原文：<a href=\"http://blog.example.com/s/blog_1.html\">"),
        std::string::npos)
        << first;
    EXPECT_NE(
        first.find("<p>first paragraph</p><p><img src=\"images/p1.png\" alt=\"png\"/>"
                   "<img src=\"images/p2.jpg\" alt=\"\"/><img src=\"images/p3.gif\" alt=\"\"/>"
                   "<img src=\"images/p4.png\" alt=\"\"/><img src=\"images/p1.png\" "
                   "alt=\"again\"/></p>"),
        std::string::npos)
        << first;
    // A page whose heading no longer matches its record keeps the heading it has.
    const std::string renamed = DocumentTitled(files, "改过标题");
    EXPECT_NE(renamed.find("改过标题</div><br/><div style=\"text-align: justify\">时间：2012-03-04 "
                           "05:06<br/>类别：<span style=\"color: black\">随笔</span>"),
              std::string::npos)
        << renamed;
    EXPECT_NE(renamed.find("<p>old heading</p>"), std::string::npos);
}

TEST_F(EpubBookTest, MissingPagesStillGetADocument) {
    for (const char* title : {"没下载的", "没有文件名"}) {
        const std::string document = DocumentTitled(files, title);
        ASSERT_FALSE(document.empty()) << title;
        EXPECT_NE(document.find(std::string("<h1 class=\"title\">") + title + "</h1>"),
                  std::string::npos);
        EXPECT_NE(document.find("<p class=\"missing\">"), std::string::npos);
    }
}

TEST_F(EpubBookTest, HostileBodyIsNeutralised) {
    const std::string document = DocumentTitled(files, "危险&#60;&#38;&#34;标题");
    ASSERT_FALSE(document.empty());
    EXPECT_TRUE(IsWellFormedXml(document));
    EXPECT_EQ(std::count(document.begin(), document.end(), '\0'), 0);
    for (const char* banned :
         {"<script",    "<iframe", "<object", "<embed", "<form",   "<input",
          "<button",    "<svg",    "<math",   "<video", "onclick", "onmouseover",
          "javascript", "&nbsp;",  "&copy;",  "<!--",   "evil",    "position",
          "secret",     "\x01",    "\x1b",    "\x7f",   "\xc2\x80"}) {
        EXPECT_EQ(document.find(banned), std::string::npos) << banned;
    }
    EXPECT_EQ(document.find("<body>"), document.rfind("<body>"));
    EXPECT_NE(document.find("text\xc2\xa0with\xc2\xa0"
                            "entities \xc2\xa9"),
              std::string::npos);
    // Pictures that are not in the book give way to their alt text.
    EXPECT_NE(document.find("远程图片\nescapegonenot a picturewebpa linkno source"),
              std::string::npos);
    EXPECT_NE(document.find("<a href=\"http://example.com/%E8%B7%AF%E5%BE%84%20x?q=%22a%22%7Cb\">"),
              std::string::npos)
        << document;
    EXPECT_NE(document.find("<span>script link</span>"), std::string::npos);
    EXPECT_NE(
        document.find("<p style=\"text-align: center; color: red\">styled</p>"
                      "<span style=\"color: #ff0000\">font</span><div style=\"text-align: center\">"
                      "centred</div>"),
        std::string::npos);
    EXPECT_NE(document.find("<td colspan=\"2\">b</td>"), std::string::npos);
    EXPECT_NE(document.find("deep"), std::string::npos);
}

TEST(EpubWriterTest, EmptyJobListStillGivesAValidBook) {
    ScratchDir dir;
    // No index.html, no name.
    const BookDescription project =
        booktest::Book(dir.Path() + "/", "empty", "", {}, "javascript:alert(1)");
    ASSERT_EQ(WriteEpubBook(project), 1);
    const std::string path = dir / "empty.epub";
    const std::vector<ZipEntry> files = ReadZip(path);
    EXPECT_NE(Entry(files, "EPUB/nav.xhtml").find("<a href=\"title.xhtml\">empty</a>"),
              std::string::npos);
    const std::string title = Entry(files, "EPUB/title.xhtml");
    EXPECT_NE(title.find("<h1 class=\"title\">empty</h1>"), std::string::npos) << title;
    EXPECT_EQ(title.find("javascript"), std::string::npos);
    if (!EpubcheckInstalled()) GTEST_SKIP() << "epubcheck is not installed";
    const CheckResult check = RunEpubcheck(path);
    ASSERT_TRUE(check.ran);
    EXPECT_EQ(check.exitCode, 0) << check.output;
}

// What a reader's library shows: the cover (first in the reading order, drawn
// from the blog's name, its author and the span of its dates) and the metadata.
TEST(EpubWriterTest, CoverAndMetadataNameTheBlogItsAuthorAndItsDates) {
    JobFolder j;
    const std::string body = "<p>text</p>";
    j.Heading(0, "听风&amp;看雨");
    j.Article("早", "1.html", &body);
    j.Article("晚", "2.html", &body);
    j.Article("无日期", "3.html", &body);
    BookDescription project = j.Project("听风&amp;看雨");
    project.author = "听风";
    project.entries[1].time = "2011-7-9 08:00";
    project.entries[2].time = "(2013/02/01 23:59)";
    project.entries[3].time = "";
    ASSERT_EQ(WriteEpubBook(project), 1);
    const std::vector<ZipEntry> files = ReadZip(j.dir + "tester.epub");
    const std::string opf = Entry(files, "EPUB/package.opf");
    for (const char* expected :
         {"<dc:creator>听风</dc:creator>", "<dc:source>http://blog.example.com/tester</dc:source>",
          "<dc:date>2013-02-01</dc:date>", "<dc:language>zh-CN</dc:language>",
          "<item id=\"cover-image\" href=\"cover.svg\" media-type=\"image/svg+xml\" "
          "properties=\"cover-image\"/>",
          "<meta name=\"cover\" content=\"cover-image\"/>"}) {
        EXPECT_NE(opf.find(expected), std::string::npos) << expected << "\n" << opf;
    }
    const size_t spine = opf.find("<spine");
    EXPECT_LT(opf.find("<itemref idref=\"cover\"/>", spine), opf.find("idref=\"title\"", spine));
    EXPECT_NE(
        Entry(files, "EPUB/cover.xhtml").find("<img src=\"cover.svg\" alt=\"听风&#38;看雨\"/>"),
        std::string::npos);
    const std::string svg = Entry(files, "EPUB/cover.svg");
    EXPECT_TRUE(IsWellFormedXml(svg)) << svg;
    for (const char* expected :
         {">听风&#38;看雨</text>", ">听风</text>", ">2011-07-09 \xE2\x80\x94 2013-02-01</text>"}) {
        EXPECT_NE(svg.find(expected), std::string::npos) << expected << "\n" << svg;
    }
    EXPECT_EQ(svg.find("font-face"), std::string::npos);
    EXPECT_EQ(svg.find("href"), std::string::npos);  // nothing to fetch

    // A blog that names its language has it; what is no language tag is not written.
    for (const auto& [named, written] :
         {std::pair{"en-US", "en-US"}, std::pair{"en\"><x", "zh-CN"}, std::pair{"", "zh-CN"}}) {
        project.language = named;
        ASSERT_EQ(WriteEpubBook(project), 1);
        const std::string again = Entry(ReadZip(j.dir + "tester.epub"), "EPUB/package.opf");
        EXPECT_NE(again.find(std::string("<dc:language>") + written + "</dc:language>"),
                  std::string::npos)
            << named;
    }
}

TEST(EpubWriterTest, AFolderThatCannotBeWrittenGivesNoBook) {
    ScratchDir dir;
    const BookDescription project = booktest::Book(dir.Path() + "/missing/", "tester", "t", {}, "");
    EXPECT_EQ(WriteEpubBook(project), 0);
    EXPECT_FALSE(booktest::Exists(dir / "missing"));
}

long PeakKilobytes() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

double CpuSeconds() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Memory and time of a large book: 2,000 articles of about 8 KB of GBK text,
// each with a picture (every tenth a bitmap the book converts). Run with
// --gtest_also_run_disabled_tests.
TEST(EpubWriterTest, DISABLED_BenchmarkTwoThousandArticlesWithPictures) {
    JobFolder job;
    uint32_t seed = 12345;
    const auto next = [&] { return seed = seed * 1103515245u + 12345u; };
    const auto text = [&](size_t characters) {
        std::string bytes;
        for (size_t i = 0; i < characters; ++i) {
            bytes += static_cast<char>(0xB0 + (next() >> 16) % 0x28);
            bytes += static_cast<char>(0xA1 + (next() >> 16) % 0x5E);
        }
        return bytes;
    };
    const char* wanted = std::getenv("PAGEWELL_BENCH_ARTICLES");
    const int articles = wanted ? std::atoi(wanted) : 2000;
    job.Heading(0, "测试博客").Heading(1, "分类");
    for (int n = 1; n <= articles; ++n) {
        const bool bitmap = n % 10 == 0;
        const std::string picture = std::to_string(n) + "_1." + (bitmap ? "bmp" : "jpg");
        std::string body;
        for (int p = 0; p < 8; ++p) body += "<p>" + text(500) + "</p>\n";
        body += "<p><img src=\"img/" + picture + "\"></p>\n";
        job.Article("文章" + std::to_string(n), std::to_string(n) + ".html", &body);
        job.Picture(picture, bitmap ? Bitmap(200, next()) : kJpeg + std::string(30000, 'j'));
    }
    const BookDescription book = job.Project("测试博客");
    const long before = PeakKilobytes();
    const double cpuStart = CpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(WriteEpubBook(book), 1);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const long after = PeakKilobytes();
    const double cpu = CpuSeconds() - cpuStart;
    struct stat st {};
    ::stat(EpubBookPath(book).c_str(), &st);
    std::printf(
        "%d articles: EPUB in %.2f s (%.2f s CPU), %.1f MB; peak RSS %.1f MB before, %.1f MB "
        "after\n",
        articles, seconds, cpu, st.st_size / 1048576.0, before / 1024.0, after / 1024.0);
}

}  // namespace
}  // namespace pw
