#include "book/EpubPackage.h"

#include <cstdio>

#include "book/XmlText.h"

namespace pw {

namespace {

constexpr const char* kXmlDeclaration = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
constexpr const char* kNavHref = "nav.xhtml";
constexpr const char* kNcxHref = "toc.ncx";
constexpr const char* kStylesheetHref = "style.css";
// The book's own texts are UTF-8 like the rest of the book.
constexpr const char* kContentsTitle = "目录";
// Large enough that the sink's calls cost nothing, small beside the documents.
constexpr size_t kDocumentChunk = 64 * 1024;

std::string Item(const EpubItem& item, const char* properties = nullptr) {
    std::string line = "    <item id=\"" + XmlAttribute(item.id) + "\" href=\"" +
                       XmlAttribute(item.href) + "\" media-type=\"" + item.mediaType + "\"";
    if (properties) line += std::string(" properties=\"") + properties + "\"";
    return line + "/>\n";
}

// The document a navigation point opens: its own, or for a heading the first
// document below it.
int FirstTarget(const EpubNavPoint& point) {
    if (point.target >= 0) return point.target;
    for (const EpubNavPoint& child : point.children) {
        const int target = FirstTarget(child);
        if (target >= 0) return target;
    }
    return -1;
}

int Depth(const std::vector<EpubNavPoint>& points) {
    int depth = 0;
    for (const EpubNavPoint& point : points) {
        const int below = 1 + Depth(point.children);
        if (below > depth) depth = below;
    }
    return depth;
}

std::string Indent(int level) {
    return std::string(static_cast<size_t>(level) * 2, ' ');
}

void AppendNavList(DocumentOut& out, const EpubBook& book, const std::vector<EpubNavPoint>& points,
                   int level) {
    out += Indent(level) + "<ol>\n";
    for (const EpubNavPoint& point : points) {
        out += Indent(level + 1) + "<li>";
        if (point.target >= 0) {
            out += "<a href=\"" + XmlAttribute(book.documents[point.target].href) + "\">" +
                   XmlText(point.text) + "</a>";
        } else {
            out += "<span>" + XmlText(point.text) + "</span>";
        }
        if (!point.children.empty()) {
            out += "\n";
            AppendNavList(out, book, point.children, level + 2);
            out += Indent(level + 1);
        }
        out += "</li>\n";
    }
    out += Indent(level) + "</ol>\n";
}

// Navigation points with the same target share their play order, as the NCX
// format asks; each document's order is its place in the reading order,
// counted from the first the table names (the cover before it is in none).
void AppendNavPoints(DocumentOut& out, const EpubBook& book,
                     const std::vector<EpubNavPoint>& points, int level, int& counter,
                     int firstTarget) {
    for (const EpubNavPoint& point : points) {
        const int target = FirstTarget(point);
        if (target < 0) continue;
        out += Indent(level) + "<navPoint id=\"np" + std::to_string(++counter) + "\" playOrder=\"" +
               std::to_string(target - firstTarget + 1) + "\">\n";
        out +=
            Indent(level + 1) + "<navLabel><text>" + XmlText(point.text) + "</text></navLabel>\n";
        out += Indent(level + 1) + "<content src=\"" + XmlAttribute(book.documents[target].href) +
               "\"/>\n";
        AppendNavPoints(out, book, point.children, level + 1, counter, firstTarget);
        out += Indent(level) + "</navPoint>\n";
    }
}

// 128-bit FNV-1a.
unsigned __int128 Fnv1a128(const std::string& text) {
    const unsigned __int128 prime = (static_cast<unsigned __int128>(1) << 88) + 0x13B;
    unsigned __int128 hash =
        (static_cast<unsigned __int128>(0x6c62272e07bb0142ULL) << 64) | 0x62b821756295c58dULL;
    for (unsigned char c : text) {
        hash ^= c;
        hash *= prime;
    }
    return hash;
}

std::string XhtmlHead(const std::string& title) {
    std::string out = kXmlDeclaration;
    out += "<!DOCTYPE html>\n";
    out +=
        "<html xmlns=\"http://www.w3.org/1999/xhtml\" xmlns:epub=\"http://www.idpf.org/2007/ops\" "
        "xml:lang=\"zh\" lang=\"zh\">\n";
    out += "<head>\n<title>" + XmlText(title) + "</title>\n";
    out += std::string("<link rel=\"stylesheet\" type=\"text/css\" href=\"") + kStylesheetHref +
           "\"/>\n</head>\n<body>\n";
    return out;
}

constexpr const char* kXhtmlTail = "\n</body>\n</html>\n";

}  // namespace

DocumentOut& DocumentOut::operator+=(std::string_view text) {
    buffer_ += text;
    if (buffer_.size() >= kDocumentChunk) Drain();
    return *this;
}

void DocumentOut::Drain() {
    if (!buffer_.empty() && !failed_ && !sink_(buffer_)) failed_ = true;
    buffer_.clear();
}

bool DocumentOut::Finish() {
    Drain();
    return !failed_;
}

std::string ContainerXml() {
    return std::string(kXmlDeclaration) +
           "<container version=\"1.0\" xmlns=\"urn:oasis:names:tc:opendocument:xmlns:container\">\n"
           "  <rootfiles>\n"
           "    <rootfile full-path=\"" +
           kEpubPackagePath +
           "\" media-type=\"application/oebps-package+xml\"/>\n"
           "  </rootfiles>\n"
           "</container>\n";
}

void WritePackageDocument(const EpubBook& book, DocumentOut& out) {
    out += kXmlDeclaration;
    out +=
        "<package xmlns=\"http://www.idpf.org/2007/opf\" version=\"3.0\" "
        "unique-identifier=\"book-id\" xml:lang=\"zh\">\n";
    out += "  <metadata xmlns:dc=\"http://purl.org/dc/elements/1.1/\">\n";
    out += "    <dc:identifier id=\"book-id\">" + XmlText(book.identifier) + "</dc:identifier>\n";
    out += "    <dc:title>" + XmlText(book.title) + "</dc:title>\n";
    out += "    <dc:creator>" + XmlText(book.creator) + "</dc:creator>\n";
    if (!book.source.empty()) out += "    <dc:source>" + XmlText(book.source) + "</dc:source>\n";
    if (!book.date.empty()) out += "    <dc:date>" + XmlText(book.date) + "</dc:date>\n";
    out += "    <dc:language>" + XmlText(book.language) + "</dc:language>\n";
    out += "    <meta property=\"dcterms:modified\">" + book.modified + "</meta>\n";
    // Readers of the older format find the cover by this name.
    if (!book.cover.href.empty()) {
        out += "    <meta name=\"cover\" content=\"" + XmlAttribute(book.cover.id) + "\"/>\n";
    }
    out += "  </metadata>\n  <manifest>\n";
    out += Item({"nav", kNavHref, "application/xhtml+xml"}, "nav");
    out += Item({"ncx", kNcxHref, "application/x-dtbncx+xml"});
    out += Item({"css", kStylesheetHref, "text/css"});
    for (const EpubItem& document : book.documents) out += Item(document);
    for (const EpubItem& picture : book.pictures) out += Item(picture);
    if (!book.cover.href.empty()) out += Item(book.cover, "cover-image");
    out += "  </manifest>\n  <spine toc=\"ncx\">\n";
    for (const EpubItem& document : book.documents) {
        out += "    <itemref idref=\"" + XmlAttribute(document.id) + "\"/>\n";
    }
    out += "  </spine>\n</package>\n";
}

void WriteNavDocument(const EpubBook& book, DocumentOut& out) {
    out += XhtmlHead(kContentsTitle);
    out += std::string("<nav epub:type=\"toc\" id=\"toc\">\n<h1>") + kContentsTitle + "</h1>\n";
    if (!book.toc.empty()) AppendNavList(out, book, book.toc, 0);
    out += "</nav>\n";
    out += kXhtmlTail;
}

void WriteNcxDocument(const EpubBook& book, DocumentOut& out) {
    out += kXmlDeclaration;
    out +=
        "<ncx xmlns=\"http://www.daisy.org/z3986/2005/ncx/\" version=\"2005-1\" xml:lang=\"zh\">\n";
    out += "  <head>\n";
    out += "    <meta name=\"dtb:uid\" content=\"" + XmlAttribute(book.identifier) + "\"/>\n";
    out += "    <meta name=\"dtb:depth\" content=\"" + std::to_string(Depth(book.toc)) + "\"/>\n";
    out += "    <meta name=\"dtb:totalPageCount\" content=\"0\"/>\n";
    out += "    <meta name=\"dtb:maxPageNumber\" content=\"0\"/>\n";
    out += "  </head>\n";
    out += "  <docTitle><text>" + XmlText(book.title) + "</text></docTitle>\n";
    out += "  <navMap>\n";
    int counter = 0;
    int firstTarget = 0;
    for (const EpubNavPoint& point : book.toc) {
        const int target = FirstTarget(point);
        if (target >= 0) {
            firstTarget = target;
            break;
        }
    }
    AppendNavPoints(out, book, book.toc, 2, counter, firstTarget);
    out += "  </navMap>\n</ncx>\n";
}

std::string BookStylesheet() {
    return "body { margin: 0 0.5em; line-height: 1.6; overflow-wrap: break-word; }\n"
           "h1.title { font-size: 1.3em; font-weight: bold; margin: 0.6em 0 0.3em 0; }\n"
           "div.info { font-size: 0.85em; line-height: 1.5; border-top: 2px solid #000; "
           "padding-top: 0.3em; margin-bottom: 1em; word-break: break-all; }\n"
           "p.missing { font-style: italic; color: #666; }\n"
           "div.titlepage { text-align: center; margin-top: 2em; }\n"
           "div.cover { text-align: center; }\n"
           "div.cover img { max-height: 95vh; }\n"
           "img { max-width: 100%; height: auto; }\n"
           "table { border-collapse: collapse; max-width: 100%; }\n"
           "td, th { vertical-align: top; }\n"
           "pre { white-space: pre-wrap; }\n"
           "nav ol { list-style-type: none; padding-left: 1em; }\n";
}

std::string XhtmlDocument(const std::string& title, const std::string& bodyXhtml) {
    return XhtmlHead(title) + bodyXhtml + kXhtmlTail;
}

std::string BookIdentifier(const std::string& account, std::time_t when) {
    const unsigned __int128 hash = Fnv1a128(account + '\n' + std::to_string(when));
    unsigned long long high = static_cast<unsigned long long>(hash >> 64);
    unsigned long long low = static_cast<unsigned long long>(hash);
    high = (high & ~0xF000ULL) | 0x8000ULL;      // version 8
    low = (low & ~(3ULL << 62)) | (2ULL << 62);  // variant 10
    char text[48];
    std::snprintf(text, sizeof text, "urn:uuid:%08llx-%04llx-%04llx-%04llx-%012llx", high >> 32,
                  (high >> 16) & 0xFFFF, high & 0xFFFF, low >> 48, low & 0xFFFFFFFFFFFFULL);
    return text;
}

std::string ModifiedStamp(std::time_t when) {
    std::tm utc{};
    gmtime_r(&when, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

}  // namespace pw
