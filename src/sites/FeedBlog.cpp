#include "sites/FeedBlog.h"

#include <map>
#include <set>

#include "base/Format.h"
#include "base/Text.h"
#include "engine/FetchFailure.h"
#include "net/CookieSource.h"
#include "net/HttpSession.h"
#include "sites/FeedText.h"
#include "sites/FeedWalk.h"
#include "sites/PostPage.h"
#include "sites/SiteHelpers.h"
#include "sites/WordPressApi.h"

namespace pw {

namespace {

// The names blogs keep their feeds under when no page names them.
constexpr const char* kUsualFeeds[] = {"/feed/", "/atom.xml", "/feed.xml", "/index.xml",
                                       "/rss.xml"};
constexpr size_t kMaxTold = 20;

// One post between listing and saving.
struct HeldPost {
    std::string content;  // the full text, when the list gave it and it fit
    std::string summary;
    int64_t wordPressId = 0;
};

// One post as the tree lists it, under each of its categories.
struct ListedPost {
    std::string title, url, time;
    std::vector<std::string> categories;
};

// The blog's folder name: host (and port) and path, without scheme, user,
// query and final "/".
std::string AccountOf(const std::string& address) {
    std::string rest = address.substr(address.find("://") + 3);
    rest = rest.substr(0, rest.find_first_of("?#"));
    const size_t slash = std::min(rest.find('/'), rest.size());
    std::string authority = rest.substr(0, slash);
    authority = authority.substr(authority.rfind('@') + 1);  // npos + 1 is 0
    MakeLower(authority);
    rest = authority + rest.substr(slash);
    while (!rest.empty() && rest.back() == '/') rest.pop_back();
    return rest;
}

// The folder of an address, ending in "/": the address itself when it ends
// in "/", else up to its last "/".
std::string FolderOf(const std::string& address) {
    std::string folder = address.substr(0, address.find_first_of("?#"));
    const std::string origin = OriginOf(folder);
    if (folder.size() <= origin.size()) return origin + "/";
    return folder.substr(0, folder.rfind('/') + 1);
}

class FeedBlog final : public BlogBase {
public:
    FeedBlog(SiteContext& site, std::vector<std::string> otherServices)
        : BlogBase(site), otherServices_(std::move(otherServices)) {}

    // No request here: every address is a candidate until its pages are read.
    bool ParseAddress(const std::string& address) override {
        const std::string typed = Trimmed(address);
        if (!StartsWithNoCase(typed, "http://") && !StartsWithNoCase(typed, "https://")) {
            return false;
        }
        const std::string host = HostOf(typed);
        if (host.empty() || HostInDomains(host, otherServices_)) return false;
        address_ = typed;
        account = AccountOf(typed);
        // The blog's identity for its job folder: the same however it was typed.
        homeUrl = (StartsWithNoCase(typed, "https") ? "https://" : "http://") + account;
        blogName = HostOf(typed);
        return true;
    }

    bool GetCategories(std::vector<std::string>& list) override {
        tried_.clear();
        categories_.clear();
        categoryNames_.clear();
        listed_.clear();
        held_.clear();
        api_.reset();
        author.clear();
        if (!Discover()) return false;
        list = categories_;
        if (list.empty()) list.push_back(blogName);
        return true;
    }

    void ListArticles(const ArticleCallback& callback) override {
        if (!callback) return;
        articleCount = 0;
        if (api_) return ListWordPress(callback);
        for (const ListedPost& post : listed_) {
            if (!Report(post, callback)) return;
        }
    }

    ArticleOutcome DownloadArticle(const ArticleInfo& article) const override {
        const auto held = held_.find(article.url);
        if (held == held_.end()) return FromPostPage(article, {});
        const HeldPost& post = held->second;
        if (!post.content.empty()) return SaveText(post.content, article);
        if (post.wordPressId != 0 && api_) {
            FetchedPage page;
            page.result = api_->PostContent(post.wordPressId, page.text);
            std::optional<std::string> body;
            if (page.result.Ok()) body = page.text;
            return SaveBody(site_, page, std::move(body), article);
        }
        return FromPostPage(article, post.summary);
    }

    std::vector<std::string> ServiceDomains() const override {
        if (address_.empty()) return {};
        return {HostOf(address_)};
    }

    std::string NoBlogDetail() const override {
        std::string text = "没有找到博客的文章列表，尝试过：";
        for (size_t i = 0; i < tried_.size(); ++i) text += (i ? "；" : "") + tried_[i];
        return text;
    }

private:
    // The blog's list, in the order the interfaces are tried. Each try is a
    // guess: its failure is told only when nothing is found (NoBlogDetail).
    bool Discover() {
        ResponseHead head;
        std::string body;
        const FetchResult home = site_.Http().Probe(address_, body, kMaxFeedBytes, head);
        Tried(address_, home, "");
        // Without any answer no other address of the host will answer either;
        // an error page or one too large to read still says the host is there.
        if (!home.Ok() && home.kind != FetchResult::Kind::HttpStatus &&
            home.kind != FetchResult::Kind::TooLarge) {
            return false;
        }
        const std::string at = head.address.empty() ? address_ : head.address;
        if (home.Ok() && LooksLikeFeed(body) && UseFeed(at, body, FeedPaging::Links)) return true;
        const PageFacts facts =
            home.Ok() ? ReadPageFacts(PageAsUtf8(std::move(body), head.contentType), at)
                      : PageFacts{};
        language = facts.language;  // a feed's own language comes before it
        body.clear();
        std::string root = ResolveAddress(at, ApiRootFromHead(head));
        if (root.empty()) root = facts.apiRoot;
        if (!root.empty() && UseWordPress(root)) return true;
        // A blog may live in a folder of its host, or at its root.
        const std::string origin = OriginOf(at);
        std::vector<std::string> bases{FolderOf(at)};
        if (bases.front() != origin + "/") bases.push_back(origin + "/");
        for (const std::string& base : bases) {
            if (UseWordPress(base + "?rest_route=/")) return true;
        }
        if (HostOf(at).ends_with(".blogspot.com") || facts.blogger) {
            if (TryFeed(origin + "/feeds/posts/default", FeedPaging::Blogger)) return true;
        }
        for (const std::string& feed : facts.feeds) {
            if (TryFeed(feed, FeedPaging::Links)) return true;
        }
        for (const std::string& base : bases) {
            for (const char* name : kUsualFeeds) {
                if (TryFeed(base + (name + 1), FeedPaging::Links)) return true;
            }
        }
        return false;
    }

    void Tried(const std::string& address, const FetchResult& result, const char* verdict) {
        if (tried_.size() >= kMaxTold) return;
        const std::string why = result.Ok() ? std::string(verdict) : FetchFailureText(result);
        tried_.push_back(why.empty() ? address : address + "（" + why + "）");
    }

    bool UseWordPress(const std::string& root) {
        auto api = std::make_unique<WordPressApi>(site_, root);
        const bool open = api->Open();
        if (!open) {
            if (tried_.size() < kMaxTold) {
                tried_.push_back(api->Route("") + "（不是 WordPress 接口）");
            }
            return false;
        }
        if (!api->PostsOpen()) {
            if (tried_.size() < kMaxTold)
                tried_.push_back(api->Route("wp/v2/posts") + "（不开放）");
            return false;
        }
        // Without its categories the blog is still whole, under its own name.
        auto categories = api->Categories();
        if (!categories) site_.Message("没有读到博客的分类，文章都列在博客名下");
        for (const auto& [id, name] : categories.value_or(decltype(categories)::value_type{})) {
            categoryNames_[id] = name;
            categories_.push_back(name);
        }
        if (!api->SiteName().empty()) blogName = api->SiteName();
        api_ = std::move(api);
        return true;
    }

    bool TryFeed(const std::string& address, FeedPaging paging) {
        const std::string first = paging == FeedPaging::Blogger ? BloggerPage(address, 1) : address;
        ResponseHead head;
        std::string bytes;
        const FetchResult result = site_.Http().Probe(first, bytes, kMaxFeedBytes, head);
        if (!result.Ok() || !LooksLikeFeed(bytes)) {
            Tried(first, result, "不是订阅源");
            return false;
        }
        const std::string at = head.address.empty() ? first : head.address;
        if (UseFeed(paging == FeedPaging::Blogger ? address : at, bytes, paging)) return true;
        Tried(first, result, "不是订阅源");
        return false;
    }

    bool UseFeed(const std::string& address, const std::string& bytes, FeedPaging paging) {
        FeedWalk walk = WalkFeed(site_, address, bytes, paging);
        if (walk.first.kind == FeedPage::Kind::NotFeed) return false;
        if (!walk.complete) site_.Message("订阅源没有读完：有的页面没有下载成功或页数超过上限");
        if (!walk.first.title.empty()) blogName = walk.first.title;
        if (!walk.first.language.empty()) language = walk.first.language;
        std::set<std::string> known;
        const auto addCategory = [&](const std::string& name) {
            if (known.insert(name).second) categories_.push_back(name);
        };
        for (const std::string& label : walk.first.categories) addCategory(label);
        for (FeedEntry& entry : walk.entries.Take()) {
            if (entry.link.empty()) continue;
            // RSS: the post's dc:creator before the channel's managingEditor.
            if (author.empty()) author = entry.author;
            for (const std::string& label : entry.categories) addCategory(label);
            listed_.push_back({entry.title, entry.link, entry.time, entry.categories});
            held_[entry.link] = {std::move(entry.content), std::move(entry.summary), 0};
        }
        if (author.empty()) author = walk.first.author;
        return true;
    }

    void ListWordPress(const ArticleCallback& callback) {
        std::set<int64_t> seen;
        uint64_t heldBytes = 0;
        uint64_t listBytes = 0;
        bool more = true;
        // A page that failed was given up on by the walk: the job knows the list is not whole.
        api_->Posts([&](WordPressPost& post) {
            if (site_.Stopping()) return more = false;
            if (!seen.insert(post.id).second) return true;  // a post moved to the next page
            // A hostile site's list ends where a feed's would (FeedEntries).
            listBytes += post.link.size() + post.title.size() + post.time.size();
            if (seen.size() > kMaxFeedEntries || listBytes > kMaxHeldListBytes) {
                FetchResult full;
                full.kind = FetchResult::Kind::TooLarge;
                full.status = 200;
                site_.Http().GiveUp(api_->Route("wp/v2/posts"), full);
                return more = false;
            }
            if (post.isProtected) {
                site_.Note("受密码保护的文章没有收入：" + post.title + "  " + post.link);
                return true;
            }
            if (author.empty()) author = AuthorName(post.author);
            HeldPost& held = held_[post.link];
            held.wordPressId = post.id;
            if (heldBytes + post.content.size() <= kMaxHeldTextBytes) {
                heldBytes += post.content.size();
                held.content = std::move(post.content);
            }
            ListedPost listed{post.title, post.link, post.time, {}};
            for (const int64_t id : post.categories) {
                const auto name = categoryNames_.find(id);
                if (name != categoryNames_.end()) listed.categories.push_back(name->second);
            }
            return more = Report(listed, callback);
        });
    }

    std::string AuthorName(int64_t id) {
        const std::string name = id != 0 ? api_->UserName(id) : std::string();
        return name.empty() ? api_->SiteName() : name;
    }

    // Once per category of the post; a post without one stands under the blog's name.
    bool Report(const ListedPost& post, const ArticleCallback& callback) {
        ArticleInfo article;
        article.title = post.title.empty() ? post.url : post.title;
        article.url = post.url;
        article.time = post.time;
        const std::vector<std::string> own{blogName};
        for (const std::string& category : post.categories.empty() ? own : post.categories) {
            article.category = category;
            ++articleCount;
            if (!callback(article)) return false;
        }
        return !site_.Stopping();
    }

    ArticleOutcome SaveText(const std::string& text, const ArticleInfo& article) const {
        FetchedPage held;
        held.result.kind = FetchResult::Kind::Ok;
        held.result.status = 200;
        return SaveBody(site_, held, text, article);
    }

    // A post the list gave no full text of: the post inside its own page, else
    // the summary, said so in the report.
    ArticleOutcome FromPostPage(const ArticleInfo& article, const std::string& summary) const {
        FetchedPage page;
        ResponseHead head;
        page.result = site_.Http().GetBytes(article.url, page.text, kMaxPageBytes, head);
        if (!page.result.Ok()) return SaveBody(site_, page, std::nullopt, article);
        page.text = PageAsUtf8(std::move(page.text), head.contentType);
        if (auto body = PostBody(page.text)) return SaveBody(site_, page, std::move(body), article);
        if (summary.empty()) return ArticleOutcome::Fail("文章页面中没有找到正文", 200);
        ArticleOutcome saved = SaveBody(site_, page, summary, article);
        if (saved.Saved()) site_.Note("只有摘要：" + article.title + "  " + article.url);
        return saved;
    }

    const std::vector<std::string> otherServices_;
    std::string address_;
    std::vector<std::string> tried_;
    std::vector<std::string> categories_;
    std::map<int64_t, std::string> categoryNames_;
    std::vector<ListedPost> listed_;
    std::map<std::string, HeldPost> held_;  // by the post's address
    std::unique_ptr<WordPressApi> api_;
};

}  // namespace

std::unique_ptr<BlogBase> MakeFeedBlog(SiteContext& site, std::vector<std::string> otherServices) {
    return std::make_unique<FeedBlog>(site, std::move(otherServices));
}

}  // namespace pw
