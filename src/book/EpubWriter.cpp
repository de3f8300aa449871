#include "book/EpubWriter.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <ctime>

#include "base/FileBytes.h"
#include "book/BookDates.h"
#include "book/EpubArticle.h"
#include "book/EpubCover.h"
#include "book/EpubPackage.h"
#include "book/EpubPictures.h"
#include "book/SpillFile.h"
#include "book/XhtmlCleaner.h"
#include "book/XmlText.h"
#include "book/ZipWriter.h"

namespace pw {

namespace {

constexpr const char* kXhtmlType = "application/xhtml+xml";
constexpr const char* kTitlePageHref = "title.xhtml";
// The book's own texts are UTF-8 like the rest of the book.
constexpr const char* kCoverTitle = "封面";
// Deeper nesting of the job list is shown flat; the tree has three levels.
constexpr int kMaxTocLevels = 8;

// A depth below the root's is taken as the root's.
int DepthOf(const TreeEntry& entry) {
    return entry.depth < 0 ? 0 : entry.depth;
}

bool IsPageName(const std::string& name) {
    if (name.empty() || name[0] == '.') return false;
    return name.find('/') == std::string::npos;
}

// The page of an article, or false when there is none to read.
bool ReadPage(const std::string& dir, const TreeEntry& entry, std::string& page) {
    if (!entry.article || !IsPageName(entry.fileName)) return false;
    const std::string path = dir + entry.fileName;
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    return ReadFileBytes(path, page);
}

// Where a part of the book lies in the spill file.
struct Spilled {
    int64_t offset = -1;
    int64_t length = 0;
};

// A language tag as BCP 47 spells it ("en", "en-US", "zh-Hant-TW"): the blog
// names its own, and anything else keeps the book's default.
bool IsLanguageTag(const std::string& tag) {
    if (tag.empty() || tag.size() > 35) return false;
    size_t subtag = 0;
    for (size_t i = 0; i <= tag.size(); ++i) {
        if (i == tag.size() || tag[i] == '-') {
            const size_t length = i - subtag;
            if (length == 0 || length > 8 || (subtag == 0 && (length < 2 || length > 3))) {
                return false;
            }
            subtag = i + 1;
        } else if (!std::isalnum(static_cast<unsigned char>(tag[i])) ||
                   (subtag == 0 && !std::isalpha(static_cast<unsigned char>(tag[i])))) {
            return false;
        }
    }
    return true;
}

class EpubBuilder {
public:
    EpubBuilder(const BookDescription& project, std::time_t when, SpillFile& spill)
        : project_(project), spill_(spill), pictures_(project.dir + "img/", spill) {
        book_.identifier = BookIdentifier(project.name, when);
        book_.title = TitleText(project);
        book_.creator = ShownText(project.author);
        if (book_.creator.empty()) book_.creator = CleanUtf8(project.name);
        if (book_.creator.empty()) book_.creator = book_.title;
        book_.source = CleanUtf8(project.homeUrl);
        if (IsLanguageTag(project.language)) book_.language = project.language;
        book_.modified = ModifiedStamp(when);
    }

    // The cover opens the reading order, before the title page.
    void AddCover(const std::vector<TreeEntry>& entries) {
        const DateSpan dates = ArticleDates(entries);
        book_.date = dates.last;
        const std::string span =
            dates.first == dates.last ? dates.first : dates.first + " \xE2\x80\x94 " + dates.last;
        cover_ = CoverSvg(book_.title, book_.creator, span);
        book_.cover = {"cover-image", kCoverImageHref, "image/svg+xml"};
        AddDocument("cover", kCoverPageHref, kCoverTitle, CoverPageXhtml(book_.title));
    }

    void AddTitlePage(const std::string& homeUrl) {
        std::string index;
        const bool found = ReadFileBytes(project_.dir + "index.html", index);
        titlePage_ = AddDocument("title", kTitlePageHref, book_.title,
                                 TitlePageXhtml(found ? &index : nullptr, book_.title, homeUrl));
    }

    void AddEntries(const std::vector<TreeEntry>& entries) {
        documents_.reserve(documents_.size() + entries.size());
        size_t next = 0;
        book_.toc = Level(entries, next, -1, 0);
        if (book_.toc.empty() || book_.toc.front().target != titlePage_) {
            book_.toc.insert(book_.toc.begin(), EpubNavPoint{book_.title, titlePage_, {}});
        }
    }

    bool Write(const std::string& path, std::time_t when) {
        if (failed_) return false;
        for (const EpubPicture& picture : pictures_.Pictures()) {
            book_.pictures.push_back({"img" + std::to_string(book_.pictures.size() + 1),
                                      picture.href, picture.mediaType});
        }
        // The package and the two tables of contents grow with the book: they
        // go to the spill file as they are written.
        const Spilled package = SpillDocument(WritePackageDocument);
        const Spilled nav = SpillDocument(WriteNavDocument);
        const Spilled ncx = SpillDocument(WriteNcxDocument);
        if (failed_) return false;
        // Only the names are wanted from here: the contents are written.
        std::vector<EpubNavPoint>().swap(book_.toc);
        ZipWriter zip(path, when);
        bool ok = zip.AddBytes("mimetype", "application/epub+zip", false) &&
                  zip.AddBytes("META-INF/container.xml", ContainerXml(), true) &&
                  AddSpilled(zip, kEpubPackagePath, package) &&
                  AddSpilled(zip, std::string(kEpubFolder) + "nav.xhtml", nav) &&
                  AddSpilled(zip, std::string(kEpubFolder) + "toc.ncx", ncx) &&
                  zip.AddBytes(std::string(kEpubFolder) + "style.css", BookStylesheet(), true) &&
                  (cover_.empty() ||
                   zip.AddBytes(std::string(kEpubFolder) + kCoverImageHref, cover_, true));
        // The zip keeps its own copy of each name; a book of 100,000 articles
        // must not hold them twice while it is written.
        for (size_t i = 0; !book_.documents.empty(); ++i) {
            ok = ok && AddSpilled(zip, kEpubFolder + book_.documents.front().href, documents_[i]);
            book_.documents.pop_front();
        }
        std::vector<Spilled>().swap(documents_);
        for (const EpubPicture& picture : pictures_.Pictures()) {
            ok = ok && zip.AddFile(kEpubFolder + picture.href, picture.path, false, picture.offset,
                                   picture.length);
        }
        return zip.Commit() && ok;
    }

private:
    // A text of the blog as the book shows it outside its pages.
    static std::string ShownText(const std::string& text) {
        return CleanUtf8(DecodeHtmlReferences(text));
    }

    static std::string TitleText(const BookDescription& project) {
        std::string title = ShownText(project.title);
        if (title.find_first_not_of(" \t\n") == std::string::npos) {
            title = CleanUtf8(project.name);
        }
        return title.empty() ? "blog" : title;
    }

    Spilled Spill(const std::string& bytes) {
        const Spilled spilled{spill_.Append(bytes), static_cast<int64_t>(bytes.size())};
        if (spilled.offset < 0) failed_ = true;
        return spilled;
    }

    // Appends are contiguous: the document's parts follow one another.
    Spilled SpillDocument(void (*write)(const EpubBook&, DocumentOut&)) {
        Spilled spilled{spill_.Size(), 0};
        DocumentOut out([&](std::string_view part) {
            if (spill_.Append(part) < 0) return false;
            spilled.length += static_cast<int64_t>(part.size());
            return true;
        });
        write(book_, out);
        if (!out.Finish()) failed_ = true;
        return spilled;
    }

    bool AddSpilled(ZipWriter& zip, const std::string& name, const Spilled& spilled) {
        return zip.AddFile(name, spill_.Path(), true, static_cast<uint64_t>(spilled.offset),
                           spilled.length);
    }

    // The document goes to the spill file at once.
    int AddDocument(const std::string& id, const std::string& href, const std::string& title,
                    const std::string& body) {
        book_.documents.push_back({id, href, kXhtmlType});
        std::string xhtml = XhtmlDocument(title, body);
        // The cleaner's output is well-formed by construction; should it ever
        // not be, a reader must still be able to open the book.
        if (!IsWellFormedXml(xhtml)) {
            xhtml = XhtmlDocument(title, "<h1 class=\"title\">" + XmlText(title) + "</h1>");
        }
        documents_.push_back(Spill(xhtml));
        return static_cast<int>(book_.documents.size()) - 1;
    }

    int AddArticle(const TreeEntry& entry) {
        std::string page;
        const bool found = ReadPage(project_.dir, entry, page);
        const std::string number = std::to_string(++articles_);
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
            point.text = ArticleTitle(entry);
            if (entry.article) {
                point.target = AddArticle(entry);
            } else if (level == 0) {
                point.target = titlePage_;
            }
            if (level + 1 < kMaxTocLevels) {
                point.children = Level(entries, next, DepthOf(entry), level + 1);
            }
            if (point.target >= 0 || !point.children.empty()) points.push_back(std::move(point));
        }
        return points;
    }

    const BookDescription& project_;
    SpillFile& spill_;
    EpubPictures pictures_;
    EpubBook book_;
    std::vector<Spilled> documents_;  // by the index of book_.documents
    std::string cover_;               // the cover picture's bytes
    int titlePage_ = 0;               // the title page's index in book_.documents
    int articles_ = 0;
    bool failed_ = false;
};

}  // namespace

std::string EpubBookPath(const BookDescription& project) {
    return project.dir + project.name + ".epub";
}

int WriteEpubBook(const BookDescription& project) {
    if (!IsPageName(project.name)) return 0;  // the book stays in its folder
    const std::string path = EpubBookPath(project);
    SpillFile spill(project.dir);
    bool written = false;
    if (spill.Made()) {
        const std::time_t now = std::time(nullptr);
        EpubBuilder builder(project, now, spill);
        builder.AddCover(project.entries);
        builder.AddTitlePage(project.homeUrl);
        builder.AddEntries(project.entries);
        // libzip creates the book with the umask's mode; the job's files are private.
        written = builder.Write(path, now) && ::chmod(path.c_str(), 0600) == 0;
    }
    if (written) return 1;
    ::unlink(path.c_str());  // a book of an earlier job must not pass for this one
    return 0;
}

}  // namespace pw
