#include "book/ProjectWriter.h"

#include "base/Identity.h"
#include "base/Encoding.h"
#include "base/TextFile.h"
#include "base/TextRoutines.h"

namespace pw {

namespace {

const char* const kSitemapGenerator =
    "<meta name=\"GENERATOR\" content=\"Microsoft&reg; HTML Help Workshop 4.1\">\n";
const char* const kSitemapFooter = "</UL>\n</BODY>\n</HTML>\n";

std::string SitemapItem(const std::string& name, const std::string* local) {
    std::string item = "    <LI><OBJECT type=\"text/sitemap\">\n";
    item += "        <param name=\"Name\" value=\"" + name + "\">\n";
    if (local) item += "        <param name=\"Local\" value=\"" + *local + "\">\n";
    item += "        </OBJECT>\n";
    return item;
}

// An article that no worker took has no file name and is listed with an empty one.
std::string ArticleItem(const TreeEntry& entry) {
    return SitemapItem(entry.strText, &entry.strFileName);
}

// The blog's name comes from the network; a line break in it would add lines
// (even sections) to the project, so control bytes become blanks there.
std::string OneLine(std::string text) {
    for (char& c : text) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x20 || b == 0x7F) c = ' ';
    }
    return text;
}

int WriteProjectText(const std::string& path, const std::string& text) {
    return WriteTextFile(path, text) ? 1 : 0;
}

}  // namespace

std::string IndexPageText(const std::string& homeUrl, const std::string& blogName,
                          const std::string& madeAt) {
    std::string page =
        "<table height=\"100%*\" width=\"100%*\" valign=\"middle\"><tr valign=\"middle\"><td>"
        "<table width=\"*\" border=\"0\" align=\"center\" valign=\"middle\"><tr><td><center>";
    page += "<font size=10 color=blue><a href=\"" + homeUrl + "\" target=_blank>" + blogName +
            "</a></font><br>";
    page += Gbk("制作by：") + "<a href=\"" + kShopUrl + "\">" + Gbk(kProductNameUtf8) + "(" +
            kProgramName + ")</a><br>";
    page += madeAt + "<br>";
    page += "</center></td></tr></table></td></tr></table>";
    return page;
}

std::string ProjectFileText(const BookDescription& book) {
    const std::string& name = book.name;
    std::string text = "[OPTIONS]\n";
    text += "Compatibility=1.1\n";
    text += "Default window=Main\n";
    text += Gbk("Default font=宋体,9,1\n");
    text += "Title=" + OneLine(book.title) + "\n";
    text += "COPYRIGHT=" + Gbk("博客批量下载 ") + kSiteUrl + Gbk(" 由") + Gbk(kProductNameUtf8) +
            Gbk("制作") + "\n";
    text += "Default Topic=index.html\n";
    text += "Compiled file=" + name + ".chm\n";
    text += "Contents file=" + name + ".hhc\n";
    text += "Index file=" + name + ".hhk\n";
    text += "Enhanced decompilation=yes\n";
    text += "Display compile progress=yes\n";
    text += "Full-text search=yes\n";
    text += "Flat=no\n";
    text += Gbk("Language=0x804 中文(中国)\n");
    text += "Create CHI file=no\n";
    text += "\n";
    text += "[WINDOWS]\n";
    text += "Main=," + name + ".hhc," + name +
            ".hhk,,index.html,,,,,0x3C20,230,0x10307E,[80,60,800,600],0x0,0x0,,,,,0\n";
    return text;
}

// One "<UL>" or "</UL>" per change of depth, however large the step; the lists
// still open at the end are left for the viewer to close.
std::string ContentsFileText(const std::vector<TreeEntry>& entries) {
    std::string text = "<HEAD>\n";
    text += kSitemapGenerator;
    text += "<!-- Sitemap 1.0 -->\n</HEAD>\n<BODY>\n<UL>\n";
    int previousDepth = 0;
    for (const TreeEntry& entry : entries) {
        if (entry.nDepth > previousDepth) text += "<UL>\n";
        if (entry.nDepth < previousDepth) text += "</UL>\n";
        text += entry.bArticle ? ArticleItem(entry) : SitemapItem(entry.strText, nullptr);
        previousDepth = entry.nDepth;
    }
    text += kSitemapFooter;
    return text;
}

std::string IndexFileText(const std::vector<TreeEntry>& entries) {
    std::string text = "<!DOCTYPE HTML PUBLIC \"-//IETF//DTD HTML//EN\">\n<HTML>\n<HEAD>\n";
    text += kSitemapGenerator;
    text += "<!-- Sitemap 1.0 -->\n</HEAD>\n<BODY>\n";
    text += "<OBJECT type=\"text/site properties\">\n</OBJECT>\n<UL>\n";
    for (const TreeEntry& entry : entries) {
        if (entry.bArticle) text += ArticleItem(entry);
    }
    text += kSitemapFooter;
    return text;
}

int WriteIndexPage(const BookDescription& book) {
    return WriteProjectText(book.dir + "index.html",
                            IndexPageText(book.homeUrl, book.title, NowText()));
}

int WriteProjectFile(const BookDescription& book) {
    return WriteProjectText(book.dir + book.name + ".hhp", ProjectFileText(book));
}

int WriteContentsFile(const BookDescription& book) {
    return WriteProjectText(book.dir + book.name + ".hhc", ContentsFileText(book.entries));
}

int WriteIndexFile(const BookDescription& book) {
    return WriteProjectText(book.dir + book.name + ".hhk", IndexFileText(book.entries));
}

}  // namespace pw
