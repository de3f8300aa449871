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
        // Blogger gives short pages in the middle of a list (posts it holds
        // back), so the total decides; without one a short page is the last.
        const int start = number * kBloggerPageSize + 1;
        if (page.totalResults >= 0 ? start > page.totalResults
                                   : page.entries.size() < static_cast<size_t>(kBloggerPageSize)) {
            return {};
        }
        return {BloggerPage(firstAddress, start), false};
    }
    if (!page.next.empty()) return {page.next, false};
    if (IsWordPress(page) && !page.entries.empty()) {
        return {WithQuery(firstAddress, Format("paged=%d", number + 1)), true};
    }
    return {};
}

}  // namespace

namespace {

uint64_t ListBytes(const FeedEntry& entry) {
    uint64_t size = entry.id.size() + entry.title.size() + entry.link.size() + entry.time.size() +
                    entry.updated.size() + entry.author.size();
    for (const std::string& label : entry.categories) size += label.size();
    return size;
}

}  // namespace

bool FeedEntries::Add(FeedEntry entry) {
    if (full_) return false;
    const auto known = byId_.find(entry.id);
    if (known != byId_.end()) {
        FeedEntry& held = entries_[known->second];
        const auto heldTime = Rfc3339Seconds(held.updated);
        const auto newTime = Rfc3339Seconds(entry.updated);
        // The same post met again: the later revision wins, in the first place.
        if (!newTime || (heldTime && *newTime <= *heldTime)) return false;
        heldBytes_ -= held.content.size() + held.summary.size();
        listBytes_ -= ListBytes(held);
        held = std::move(entry);
        heldBytes_ += held.content.size() + held.summary.size();
        listBytes_ += ListBytes(held);
        full_ = listBytes_ > kMaxHeldListBytes;
        return true;
    }
    const uint64_t listSize = ListBytes(entry);
    if (entries_.size() >= kMaxFeedEntries || listBytes_ + listSize > kMaxHeldListBytes) {
        full_ = true;
        return false;
    }
    listBytes_ += listSize;
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
    // The job hears of a walk that ended before the list did, as of any list
    // page it could not read.
    const auto incomplete = [&](FetchResult::Kind kind, int status) {
        walk.complete = false;
        FetchResult result;
        result.kind = kind;
        result.status = status;
        site.Http().GiveUp(address, result);
    };
    for (int number = 1;; ++number) {
        FeedPage page = ReadFeed(bytes, address);
        if (page.kind == FeedPage::Kind::NotFeed) {
            // The caller sees when the first page is none; a guessed page
            // that is none is past the end; a page a link named is missing.
            if (number > 1 && !guessed) incomplete(FetchResult::Kind::Damaged, 200);
            break;
        }
        // A page met before (under another address too) ends a loop.
        if (!seenPages.insert(std::hash<std::string>{}(bytes)).second) break;
        const NextPage next = NextAddress(page, firstAddress, number, paging);
        bool news = false;
        for (FeedEntry& entry : page.entries) news = walk.entries.Add(std::move(entry)) || news;
        page.entries.clear();
        if (number == 1) walk.first = std::move(page);
        if (walk.entries.Full()) {
            incomplete(FetchResult::Kind::TooLarge, 200);
            break;
        }
        // A page that tells nothing new is the same list again (under another
        // address), or the end of it.
        if (!news) break;
        if (next.address.empty() || !seenAddresses.insert(next.address).second) break;
        if (number >= kMaxFeedPages || total >= kMaxFeedWalkBytes) {
            incomplete(FetchResult::Kind::TooLarge, 200);
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
        if (!result.Ok()) {
            // Past the last page of ?paged=N WordPress answers 404 (or 400):
            // the end. A guess that failed otherwise (a timeout, a 5xx, too
            // large) leaves the list unfinished; a named page that failed
            // was given up on by the session.
            const bool end =
                result.kind == FetchResult::Kind::HttpStatus &&
                (result.status == 404 || result.status == 410 || (guessed && result.status == 400));
            if (guessed && !end) site.Http().GiveUp(address, result);
            walk.complete = end;
            break;
        }
    }
    return walk;
}

}  // namespace pw
