#include "book/ProjectWriter.h"

#include <string_view>

#include "base/Encoding.h"
#include "base/FileBytes.h"
#include "base/HtmlText.h"
#include "base/Identity.h"
#include "base/Text.h"
#include "base/TextFile.h"
#include "base/WholePage.h"
#include "book/XmlText.h"

namespace pw {

namespace {

const char* const kSitemapGenerator =
    "<meta name=\"GENERATOR\" content=\"Microsoft&reg; HTML Help Workshop 4.1\">\n";
const char* const kSitemapFooter = "</UL>\n</BODY>\n</HTML>\n";

constexpr size_t kMaxPageNameLength = 128;

// A page of the book's own folder, as the job names them ("7.html").
bool IsOwnPageName(const std::string& name) {
    if (name.empty() || name.size() > kMaxPageNameLength || name[0] == '.') return false;
    for (char c : name) {
        const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                        (c >= '0' && c <= '9') || c == '.' || c == '_' || c == '-';
        if (!ok) return false;
    }
    return true;
}

std::string SitemapItem(const std::string& name, const std::string* local) {
    std::string item = "    <LI><OBJECT type=\"text/sitemap\">\n";
    item += "        <param name=\"Name\" value=\"" + EscapeHtml(name) + "\">\n";
    if (local) item += "        <param name=\"Local\" value=\"" + *local + "\">\n";
    item += "        </OBJECT>\n";
    return item;
}

// The contents and index lead only to the book's own pages: an article that no
// worker took, or whose file name is anything else, is listed with an empty one.
std::string ArticleItem(const TreeEntry& entry) {
    const std::string local = IsOwnPageName(entry.fileName) ? entry.fileName : "";
    return SitemapItem(entry.text, &local);
}

// The window title is no HTML: references in the blog's name are decoded there
// (a no-break space as a blank, as the text helpers decode "&nbsp;"), and what
// code page 936 lacks becomes "?" rather than a reference.
std::string PlainTitle(const std::string& title) {
    std::string text = DecodeHtmlReferences(title);
    for (size_t at = text.find("\xC2\xA0"); at != std::string::npos;
         at = text.find("\xC2\xA0", at)) {
        text.replace(at, 2, " ");
    }
    return ToUtf8(ToAnsi(text));
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

// The project's files are read by the CHM compiler and its viewers in code page
// 936; what it lacks is written as numeric references.
int WriteProjectText(const std::string& path, const std::string& text) {
    return WriteTextFile(path, ToAnsiMarkup(text)) ? 1 : 0;
}

// A project file written as it is made, as WriteProjectText would write it
// whole: the contents and index of 100,000 articles come to tens of megabytes
// in each of their forms. The parts are whole items, so no character is
// split between two conversions.
class ProjectTextOut {
public:
    explicit ProjectTextOut(std::string path) : file_(std::move(path)) {}

    ProjectTextOut& operator+=(std::string_view utf8) {
        buffer_ += utf8;
        if (buffer_.size() >= kChunk) Drain();
        return *this;
    }

    // 1 when the whole file is in place, else 0.
    int Finish() {
        Drain();
        return file_.Commit() ? 1 : 0;
    }

private:
    static constexpr size_t kChunk = 64 * 1024;

    void Drain() {
        if (!buffer_.empty()) file_.Append(TextModeBytes(ToAnsiMarkup(buffer_)));
        buffer_.clear();
    }

    FileReplacement file_;
    std::string buffer_;
};

// The contents, one "<UL>" or "</UL>" per change of depth, however large the
// step; the lists still open at the end are left for the viewer to close.
template <typename Out>
void AppendContents(const std::vector<TreeEntry>& entries, Out& text) {
    text += "<HEAD>\n";
    text += kSitemapGenerator;
    text += "<!-- Sitemap 1.0 -->\n</HEAD>\n<BODY>\n<UL>\n";
    int previousDepth = 0;
    for (const TreeEntry& entry : entries) {
        if (entry.depth > previousDepth) text += "<UL>\n";
        if (entry.depth < previousDepth) text += "</UL>\n";
        text += entry.article ? ArticleItem(entry) : SitemapItem(entry.text, nullptr);
        previousDepth = entry.depth;
    }
    text += kSitemapFooter;
}

template <typename Out>
void AppendIndex(const std::vector<TreeEntry>& entries, Out& text) {
    text += "<!DOCTYPE HTML PUBLIC \"-//IETF//DTD HTML//EN\">\n<HTML>\n<HEAD>\n";
    text += kSitemapGenerator;
    text += "<!-- Sitemap 1.0 -->\n</HEAD>\n<BODY>\n";
    text += "<OBJECT type=\"text/site properties\">\n</OBJECT>\n<UL>\n";
    for (const TreeEntry& entry : entries) {
        if (entry.article) text += ArticleItem(entry);
    }
    text += kSitemapFooter;
}

}  // namespace

std::string IndexPageText(const std::string& homeUrl, const std::string& blogName,
                          const std::string& madeAt, const std::string& shopUrl) {
    std::string page =
        "<table height=\"100%*\" width=\"100%*\" valign=\"middle\"><tr valign=\"middle\"><td>"
        "<table width=\"*\" border=\"0\" align=\"center\" valign=\"middle\"><tr><td><center>";
    const std::string home = LinkTarget(homeUrl);
    const std::string name = EscapeHtml(blogName);
    page += "<font size=10 color=blue>" +
            (home.empty() ? name : "<a href=\"" + home + "\" target=_blank>" + name + "</a>") +
            "</font><br>";
    const std::string program = std::string(kProductNameUtf8) + "(" + kProgramName + ")";
    const std::string shop = LinkTarget(shopUrl);
    page += "制作by：" + (shop.empty() ? program : "<a href=\"" + shop + "\">" + program + "</a>") +
            "<br>";
    page += madeAt + "<br>";
    page += "</center></td></tr></table></td></tr></table>";
    return WholePage(blogName, page);
}

std::string ProjectFileText(const BookDescription& book, const std::string& siteUrl) {
    const std::string& name = book.name;
    std::string text = "[OPTIONS]\n";
    text += "Compatibility=1.1\n";
    text += "Default window=Main\n";
    text += "Default font=宋体,9,1\n";
    text += "Title=" + OneLine(PlainTitle(book.title)) + "\n";
    const std::string site = OneLine(siteUrl);
    text += std::string("COPYRIGHT=博客批量下载 ") + (site.empty() ? "" : site + " ") + "由" +
            kProductNameUtf8 + "制作\n";
    text += "Default Topic=index.html\n";
    text += "Compiled file=" + name + ".chm\n";
    text += "Contents file=" + name + ".hhc\n";
    text += "Index file=" + name + ".hhk\n";
    text += "Enhanced decompilation=yes\n";
    text += "Display compile progress=yes\n";
    text += "Full-text search=yes\n";
    text += "Flat=no\n";
    text += "Language=0x804 中文(中国)\n";
    text += "Create CHI file=no\n";
    text += "\n";
    text += "[WINDOWS]\n";
    text += "Main=," + name + ".hhc," + name +
            ".hhk,,index.html,,,,,0x3C20,230,0x10307E,[80,60,800,600],0x0,0x0,,,,,0\n";
    return text;
}

std::string ContentsFileText(const std::vector<TreeEntry>& entries) {
    std::string text;
    AppendContents(entries, text);
    return text;
}

std::string IndexFileText(const std::vector<TreeEntry>& entries) {
    std::string text;
    AppendIndex(entries, text);
    return text;
}

int WriteIndexPage(const BookDescription& book) {
    return WriteProjectText(book.dir + "index.html",
                            IndexPageText(book.homeUrl, book.title, NowText()));
}

int WrapEarlierPages(const BookDescription& book) {
    int wrapped = 0;
    for (const TreeEntry& entry : book.entries) {
        if (!entry.article || !IsOwnPageName(entry.fileName)) continue;
        const std::string path = book.dir + entry.fileName;
        std::string page;
        if (!ReadFileBytes(path, page) || IsWholePage(page) ||
            page.compare(0, std::string_view(kGbkCharsetMeta).size(), kGbkCharsetMeta) != 0) {
            continue;
        }
        // The page is on disk with CR LF line ends already: the title, the one
        // text added here, is brought to them as the renderer's write would.
        std::string title;
        for (char c : entry.title) {
            if (c == '\n') title += '\r';
            title += c;
        }
        // The page is code page 936 and the title UTF-8: the frame is made in
        // UTF-8 and written back in 936, which gives the page's bytes back as they were.
        const std::string framed = ToAnsiMarkup(WholePage(title, ToUtf8(PageContent(page))));
        if (ReplaceFileBytes(path, framed)) ++wrapped;
    }
    return wrapped;
}

int WriteProjectFile(const BookDescription& book) {
    return WriteProjectText(book.dir + book.name + ".hhp", ProjectFileText(book));
}

int WriteContentsFile(const BookDescription& book) {
    ProjectTextOut out(book.dir + book.name + ".hhc");
    AppendContents(book.entries, out);
    return out.Finish();
}

int WriteIndexFile(const BookDescription& book) {
    ProjectTextOut out(book.dir + book.name + ".hhk");
    AppendIndex(book.entries, out);
    return out.Finish();
}

}  // namespace pw
