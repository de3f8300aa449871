#pragma once
// One page of a feed (Atom, RFC 4287 with RFC 5005 paging; RSS 2.0 with
// content:encoded and dc:creator), read into plain records. The XML is parsed
// without network access, DTD loading or entity expansion: a feed is hostile
// input like any page.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace pw {

// No feed page of a real blog comes near this.
inline constexpr size_t kMaxFeedBytes = 8u << 20;

struct FeedEntry {
    std::string id;       // Atom id, RSS guid, else the link
    std::string title;    // plain text
    std::string link;     // the post's own address, absolute
    std::string time;     // as written, "YYYY-MM-DD HH:MM:SS" (published, else updated)
    std::string updated;  // Atom updated as written, to order revisions
    std::string content;  // the full text as HTML, when the feed gives it
    std::string summary;  // the summary as HTML
    std::string author;
    std::vector<std::string> categories;  // labels, in the entry's order
};

struct FeedPage {
    enum class Kind { NotFeed, Atom, Rss };
    Kind kind = Kind::NotFeed;
    std::string title;
    std::string language;  // BCP 47, empty when the feed names none
    std::string author;
    std::string generator;                // as the feed names it
    std::string homeLink;                 // the blog's page the feed belongs to
    std::string next;                     // the next (older) page: rel="next", else "prev-archive"
    std::vector<std::string> categories;  // the feed's own labels (Blogger's list)
    int64_t totalResults = -1;            // openSearch:totalResults, -1 without
    std::vector<FeedEntry> entries;
};

// The page read from bytes; Kind::NotFeed when the bytes are no Atom or RSS
// document, or larger than kMaxFeedBytes. address resolves relative links.
FeedPage ReadFeed(std::string_view bytes, const std::string& address);

// True when the bytes begin like an XML feed (before any parsing).
bool LooksLikeFeed(std::string_view bytes);

}  // namespace pw
