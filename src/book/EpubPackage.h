#pragma once
// The fixed files of an EPUB 3 book: container, package document, navigation
// document, NCX for older readers, stylesheet and the XHTML frame of a page.
// Every text given here is UTF-8 and is escaped where it is written.

#include <ctime>
#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace pw {

inline constexpr const char* kEpubPackagePath = "EPUB/package.opf";
inline constexpr const char* kEpubFolder = "EPUB/";

struct EpubItem {
    std::string id;
    std::string href;  // relative to the package document
    std::string mediaType;
};

// One entry of the table of contents: a document (target, an index into the
// book's documents) or a heading (-1) over its children.
struct EpubNavPoint {
    std::string text;
    int target = -1;
    std::vector<EpubNavPoint> children;
};

struct EpubBook {
    std::string identifier;  // "urn:uuid:..."
    std::string title;
    std::string creator;
    std::string source;  // the blog's address; none when empty
    std::string date;    // "YYYY-MM-DD" of the latest article; none when empty
    std::string language = "zh-CN";
    std::string modified;  // "YYYY-MM-DDThh:mm:ssZ"
    EpubItem cover;        // the cover picture; none when its href is empty
    // Reading order; a deque, so that the writer can let go of the entries
    // of a 100,000-document book one by one as the zip takes their names.
    std::deque<EpubItem> documents;
    std::vector<EpubItem> pictures;
    std::vector<EpubNavPoint> toc;  // headings always have children
};

// A document written piece by piece: the pieces gather in a buffer that goes
// to the sink whenever it is full. The package and the two tables of contents
// of a book of 100,000 articles come to tens of megabytes; they are never held
// whole.
class DocumentOut {
public:
    // Takes the next part of the document; false when it could not.
    using Sink = std::function<bool(std::string_view part)>;

    explicit DocumentOut(Sink sink) : sink_(std::move(sink)) {}

    DocumentOut& operator+=(std::string_view text);
    // Hands the rest to the sink; false when any part was not taken.
    bool Finish();

private:
    void Drain();

    Sink sink_;
    std::string buffer_;
    bool failed_ = false;
};

std::string ContainerXml();
void WritePackageDocument(const EpubBook& book, DocumentOut& out);
void WriteNavDocument(const EpubBook& book, DocumentOut& out);
void WriteNcxDocument(const EpubBook& book, DocumentOut& out);
std::string BookStylesheet();

// A whole XHTML document around body content that is XHTML already.
std::string XhtmlDocument(const std::string& title, const std::string& bodyXhtml);

// "urn:uuid:" and a name-based UUID (RFC 9562 version 8, from a 128-bit FNV-1a
// hash) of the account and the time of making.
std::string BookIdentifier(const std::string& account, std::time_t when);
std::string ModifiedStamp(std::time_t when);

}  // namespace pw
