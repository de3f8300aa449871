#include "book/EpubWriter.h"

#include <sys/stat.h>
#include <unistd.h>

#include <ctime>

#include "book/EpubArticle.h"
#include "book/EpubPackage.h"
#include "book/EpubPictures.h"
#include "base/FileBytes.h"
#include "book/XhtmlCleaner.h"
#include "book/XmlText.h"
#include "book/ZipWriter.h"
#include "base/Encoding.h"

namespace pw {

namespace {

constexpr const char* kXhtmlType = "application/xhtml+xml";
constexpr const char* kTitlePageHref = "title.xhtml";
// Deeper nesting of the job list is shown flat; the tree has three levels.
constexpr int kMaxTocLevels = 8;

// A depth below the root's is taken as the root's.
int DepthOf(const TreeEntry& entry) {
    return entry.nDepth < 0 ? 0 : entry.nDepth;
}

bool IsPageName(const std::string& name) {
    if (name.empty() || name[0] == '.') return false;
    return name.find('/') == std::string::npos;
}

// The page of an article, or false when there is none to read.
bool ReadPage(const std::string& dir, const TreeEntry& entry, std::string& page) {
    if (!entry.bArticle || !IsPageName(entry.strFileName)) return false;
    const std::string path = dir + entry.strFileName;
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    return ReadFileBytes(path, page);
}

struct Document {
    EpubItem item;
    std::string strXhtml;
};

class EpubBuilder {
public:
    EpubBuilder(const BookDescription& project, std::time_t when)
        : project_(project), pictures_(project.dir + "img/") {
        book_.strIdentifier = BookIdentifier(project.name, when);
        book_.strTitle = TitleText(project);
        book_.strCreator = CleanUtf8(ToUtf8(project.name));
        if (book_.strCreator.empty()) book_.strCreator = book_.strTitle;
        book_.strModified = ModifiedStamp(when);
    }

    void AddTitlePage(const std::string& homeUrl) {
        std::string index;
        const bool found = ReadFileBytes(project_.dir + "index.html", index);
        AddDocument("title", kTitlePageHref, book_.strTitle,
                    TitlePageXhtml(found ? &index : nullptr, book_.strTitle, homeUrl));
    }

    void AddEntries(const std::vector<TreeEntry>& entries) {
        size_t next = 0;
        book_.toc = Level(entries, next, -1, 0);
        if (book_.toc.empty() || book_.toc.front().nTarget != 0) {
            book_.toc.insert(book_.toc.begin(), EpubNavPoint{book_.strTitle, 0, {}});
        }
    }

    bool Write(const std::string& path, std::time_t when) {
        for (const EpubPicture& picture : pictures_.Pictures()) {
            book_.pictures.push_back({"img" + std::to_string(book_.pictures.size() + 1),
                                       picture.strHref, picture.strMediaType});
        }
        ZipWriter zip(path, when);
        bool ok = zip.AddBytes("mimetype", "application/epub+zip", false) &&
                  zip.AddBytes("META-INF/container.xml", ContainerXml(), true) &&
                  zip.AddBytes(kEpubPackagePath, PackageDocument(book_), true) &&
                  zip.AddBytes(std::string(kEpubFolder) + "nav.xhtml", NavDocument(book_), true) &&
                  zip.AddBytes(std::string(kEpubFolder) + "toc.ncx", NcxDocument(book_), true) &&
                  zip.AddBytes(std::string(kEpubFolder) + "style.css", BookStylesheet(), true);
        for (Document& document : documents_) {
            ok = ok && zip.AddBytes(kEpubFolder + document.item.strHref,
                                    std::move(document.strXhtml), true);
        }
        for (const EpubPicture& picture : pictures_.Pictures()) {
            const std::string name = kEpubFolder + picture.strHref;
            ok = ok && (picture.strPath.empty() ? zip.AddBytes(name, picture.strBytes, false)
                                                : zip.AddFile(name, picture.strPath, false));
        }
        return zip.Commit() && ok;
    }

private:
    static std::string TitleText(const BookDescription& project) {
        std::string title = CleanUtf8(ToUtf8(project.title));
        if (title.find_first_not_of(" \t\n") == std::string::npos) {
            title = CleanUtf8(ToUtf8(project.name));
        }
        return title.empty() ? "blog" : title;
    }

    int AddDocument(const std::string& id, const std::string& href, const std::string& title,
                    const std::string& body) {
        book_.documents.push_back({id, href, kXhtmlType});
        std::string xhtml = XhtmlDocument(title, body);
        // The cleaner's output is well-formed by construction; should it ever
        // not be, a reader must still be able to open the book.
        if (!IsWellFormedXml(xhtml)) {
            xhtml = XhtmlDocument(title, "<h1 class=\"title\">" + XmlText(title) + "</h1>");
        }
        documents_.push_back({book_.documents.back(), std::move(xhtml)});
        return static_cast<int>(book_.documents.size()) - 1;
    }

    int AddArticle(const TreeEntry& entry) {
        std::string page;
        const bool found = ReadPage(project_.dir, entry, page);
        const std::string number = std::to_string(documents_.size());
        const std::string title = ArticleTitle(entry);
        const std::string body =
            ArticleBodyXhtml(entry, found ? &page : nullptr,
                             [this](const std::string& src) { return pictures_.Resolve(src); });
        return AddDocument("article" + number, "article" + number + ".xhtml", title, body);
    }

    // The entries from next on that lie deeper than parentDepth, as the
    // points of one level; headings without any article below them are left
    // out, and headings of the top level open the title page.
    std::vector<EpubNavPoint> Level(const std::vector<TreeEntry>& entries, size_t& next,
                                    int parentDepth, int level) {
        std::vector<EpubNavPoint> points;
        while (next < entries.size() && DepthOf(entries[next]) > parentDepth) {
            const TreeEntry& entry = entries[next++];
            EpubNavPoint point;
            point.strText = ArticleTitle(entry);
            if (entry.bArticle) {
                point.nTarget = AddArticle(entry);
            } else if (level == 0) {
                point.nTarget = 0;
            }
            if (level + 1 < kMaxTocLevels) {
                point.children = Level(entries, next, DepthOf(entry), level + 1);
            }
            if (point.nTarget >= 0 || !point.children.empty()) points.push_back(std::move(point));
        }
        return points;
    }

    const BookDescription& project_;
    EpubPictures pictures_;
    EpubBook book_;
    std::vector<Document> documents_;
};

}  // namespace

std::string EpubBookPath(const BookDescription& project) {
    return project.dir + project.name + ".epub";
}

int WriteEpubBook(const BookDescription& project) {
    const std::vector<TreeEntry>& entries = project.entries;
    const std::string& homeUrl = project.homeUrl;
    if (!IsPageName(project.name)) return 0;  // the book stays in its folder
    const std::time_t now = std::time(nullptr);
    EpubBuilder builder(project, now);
    builder.AddTitlePage(homeUrl);
    builder.AddEntries(entries);
    const std::string path = EpubBookPath(project);
    if (builder.Write(path, now)) return 1;
    ::unlink(path.c_str());  // a book of an earlier job must not pass for this one
    return 0;
}

}  // namespace pw
