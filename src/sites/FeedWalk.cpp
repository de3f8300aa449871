#include "sites/FeedWalk.h"

#include <functional>
#include <set>

#include "base/Format.h"
#include "base/Text.h"
#include "net/HttpSession.h"
#include "sites/FeedText.h"
#include "sites/PagedList.h"

namespace pw {

namespace {

bool IsWordPress(const FeedPage& page) {
    std::string generator = page.generator;
    MakeLower(generator);
    return Find(generator, "wordpress") >= 0;
}

// The page after page `number` (from 1); guessed when no link named it, so
// that any answer but a feed is the end of the list.
struct NextPage {
    std::string address;  // empty: the list ends here
    bool guessed = false;
};

NextPage NextAddress(const FeedPage& page, const std::string& firstAddress, int number,
                     FeedPaging paging) {
    if (paging == FeedPaging::Blogger) {
        // A short page is the last, as is the page that reaches the total.
        if (page.entries.size() < static_cast<size_t>(kBloggerPageSize)) return {};
        if (page.totalResults >= 0 && number * kBloggerPageSize >= page.totalResults) return {};
        return {BloggerPage(firstAddress, number * kBloggerPageSize + 1), false};
    }
    if (!page.next.empty()) return {page.next, false};
    if (IsWordPress(page) && !page.entries.empty()) {
        return {WithQuery(firstAddress, Format("paged=%d", number + 1)), true};
    }
    return {};
}

}  // namespace

bool FeedEntries::Add(FeedEntry entry) {
    const auto known = byId_.find(entry.id);
    if (known != byId_.end()) {
        FeedEntry& held = entries_[known->second];
        const auto heldTime = Rfc3339Seconds(held.updated);
        const auto newTime = Rfc3339Seconds(entry.updated);
        // The same post met again: the later revision wins, in the first place.
        if (!newTime || (heldTime && *newTime <= *heldTime)) return false;
        heldBytes_ -= held.content.size() + held.summary.size();
        held = std::move(entry);
        heldBytes_ += held.content.size() + held.summary.size();
        return true;
    }
    const uint64_t size = entry.content.size() + entry.summary.size();
    if (heldBytes_ + size > kMaxHeldTextBytes) {
        // The post's page is fetched when it is saved.
        entry.content.clear();
        entry.summary.clear();
    }
    heldBytes_ += entry.content.size() + entry.summary.size();
    byId_.emplace(entry.id, entries_.size());
    entries_.push_back(std::move(entry));
    return true;
}

std::string BloggerPage(const std::string& feedAddress, int start) {
    return WithQuery(feedAddress, Format("start-index=%d&max-results=%d", start, kBloggerPageSize));
}

FeedWalk WalkFeed(SiteContext& site, const std::string& firstAddress, const std::string& firstBytes,
                  FeedPaging paging) {
    FeedWalk walk;
    std::set<std::string> seenAddresses{firstAddress};
    std::set<size_t> seenPages;
    std::string address = firstAddress;
    std::string bytes = firstBytes;
    uint64_t total = bytes.size();
    bool guessed = false;
    for (int number = 1;; ++number) {
        FeedPage page = ReadFeed(bytes, address);
        if (page.kind == FeedPage::Kind::NotFeed) {
            // The caller sees when the first page is none.
            walk.complete = number == 1 || guessed;
            break;
        }
        // A page met before (under another address too) ends a loop.
        if (!seenPages.insert(std::hash<std::string>{}(bytes)).second) break;
        const NextPage next = NextAddress(page, firstAddress, number, paging);
        bool news = false;
        for (FeedEntry& entry : page.entries) news = walk.entries.Add(std::move(entry)) || news;
        page.entries.clear();
        if (number == 1) walk.first = std::move(page);
        // A page that tells nothing new is the same list again (under another
        // address), or the end of it.
        if (!news) break;
        if (next.address.empty() || !seenAddresses.insert(next.address).second) break;
        if (number >= kMaxFeedPages || total >= kMaxFeedWalkBytes) {
            walk.complete = false;
            break;
        }
        if (site.Stopping()) break;
        site.Status(PageStatus(number + 1));
        address = next.address;
        guessed = next.guessed;
        ResponseHead head;
        const FetchResult result = guessed ? site.Http().Probe(address, bytes, kMaxFeedBytes, head)
                                           : site.Http().GetBytes(address, bytes, kMaxFeedBytes);
        total += bytes.size();
        // Past the last page of ?paged=N WordPress answers 404: the end.
        if (!result.Ok()) {
            walk.complete = guessed || (result.kind == FetchResult::Kind::HttpStatus &&
                                        (result.status == 404 || result.status == 410));
            break;
        }
    }
    return walk;
}

}  // namespace pw
