#pragma once
// A feed read to its end: page after page (RFC 5005 next and prev-archive
// links, WordPress's ?paged=N, Blogger's start-index), each entry once with its
// latest revision, within caps on pages, bytes and the text kept in memory.

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "engine/SiteContext.h"
#include "sites/FeedDocument.h"

namespace pw {

// Pages one feed is read to at most.
inline constexpr int kMaxFeedPages = 1000;
// Bytes of all its pages together at most.
inline constexpr uint64_t kMaxFeedWalkBytes = 512ull << 20;
// Text of posts kept in memory at most; posts beyond it are fetched again from
// their pages when they are saved.
inline constexpr uint64_t kMaxHeldTextBytes = 64ull << 20;
// Entries of one feed at most: the job's own cap on articles.
inline constexpr size_t kMaxFeedEntries = 100000;
// Their other strings (titles, addresses, labels, times) at most.
inline constexpr uint64_t kMaxHeldListBytes = 64ull << 20;

// The entries of a feed, each id once, in the order first met (newest first
// in a feed), each with its latest revision (by Atom's updated).
class FeedEntries {
public:
    // False when the entry was known and is no later revision, or when the
    // list is full (then no entry is taken any more).
    bool Add(FeedEntry entry);
    // A hostile feed ends here: more entries than a job takes, or more of
    // their titles, addresses, labels and times than memory should hold.
    bool Full() const { return full_; }
    const std::vector<FeedEntry>& All() const { return entries_; }
    size_t Size() const { return entries_.size(); }
    // The entries, leaving none behind.
    std::vector<FeedEntry> Take() { return std::move(entries_); }

private:
    std::vector<FeedEntry> entries_;
    std::map<std::string, size_t> byId_;
    uint64_t heldBytes_ = 0;  // content and summaries
    uint64_t listBytes_ = 0;  // everything else of the entries
    bool full_ = false;
};

// How the pages after the first are found.
enum class FeedPaging {
    Links,    // rel="next" / "prev-archive"; WordPress feeds also ?paged=N
    Blogger,  // start-index and max-results past the total, else until a short page
};

struct FeedWalk {
    FeedPage first;  // the first page's facts (title, language, labels)
    FeedEntries entries;
    bool complete = true;  // false when a page failed or a cap ended the walk
};

// Reads the feed from the first page (already fetched as firstBytes from
// firstAddress) to its end, or until the job stops.
FeedWalk WalkFeed(SiteContext& site, const std::string& firstAddress, const std::string& firstBytes,
                  FeedPaging paging);

// The address of Blogger's posts feed page from start (from 1).
std::string BloggerPage(const std::string& feedAddress, int start);
inline constexpr int kBloggerPageSize = 100;

}  // namespace pw
