#include "sites/RenrenBlog.h"

#include "base/Format.h"
#include "sites/PagedList.h"
#include "sites/Scanner.h"
#include "sites/SiteHelpers.h"

namespace pw {

namespace {

const std::string& DiaryCategory() {
    static const std::string name = "日志";
    return name;
}

// One diary list page; the first page without entries is the last. The record
// carries over between entries, as the engines' one record does.
ListPage ScanListPage(std::string_view page, ArticleInfo& record) {
    ListPage found;
    found.last = true;
    Scanner scan(page);
    while (scan.NextEntry("\"list-blog\">")) {
        found.last = false;
        if (!scan.Past("<strong><a") || !scan.To("http")) break;
        const auto url = scan.Until("\"");
        if (!url) break;
        record.url = *url;
        const auto title = scan.Cut(">", "</a>");
        if (!title) break;
        record.title = Trimmed(*title);
        scan.EndEntryAtNext();
        if (!scan.Past("timestamp\">")) continue;
        record.time = Trimmed(scan.Until("<").value_or(""));
        record.category = DiaryCategory();
        found.articles.push_back(record);
    }
    return found;
}

class RenrenBlog final : public BlogBase {
public:
    using BlogBase::BlogBase;

    bool ParseAddress(const std::string& address) override {
        Scanner typed(address);
        if (!typed.Past(std::string(kRenrenDomain) + "/") || !typed.Past("id=")) return false;
        const std::string rest = typed.Rest();
        const std::string userId = rest.substr(0, rest.find_first_not_of("0123456789"));
        account = userId;
        homeUrl = std::string("http://") + kRenrenHomeHost + "/profile.do?id=" + userId;
        const std::string page = FetchPage(site_, PageCode::Utf8, homeUrl).text;
        blogName = PageTitle(page, "\"username\">", "</h1>").value_or(userId);
        return true;
    }

    bool GetCategories(std::vector<std::string>& list) override {
        list.assign({DiaryCategory()});
        return true;
    }

    void ListArticles(const ArticleCallback& callback) override {
        if (!callback) return;
        articleCount = 0;
        ArticleInfo record;
        ListPages(site_, articleCount, callback, [&](int index) {
            site_.Status(PageStatus(index + 1));
            const std::string page = FetchPage(site_, PageCode::Utf8, ListPageUrl(index)).text;
            return std::optional(ScanListPage(page, record));
        });
    }

    ArticleOutcome DownloadArticle(const ArticleInfo& article) const override {
        const FetchedPage fetched = FetchPage(site_, PageCode::Utf8, article.url);
        Scanner page(fetched.text);
        std::optional<std::string> body;
        if (page.Past("=\"text-article\">")) {
            body = page.UntilFirstOf({"<!--XN_Anti", "<p class=\"stat-article\">"});
        }
        return SaveBody(site_, fetched, std::move(body), article);
    }

    std::vector<std::string> ServiceDomains() const override { return {"renren.com"}; }

private:
    std::string ListPageUrl(int page) const {
        return Format("http://%s/blog/%s/friends?curpage=%d&year=0&month=0&selitem=",
                      kRenrenBlogHost, account.c_str(), page);
    }
};

}  // namespace

std::unique_ptr<BlogBase> MakeRenrenBlog(SiteContext& site) {
    return std::make_unique<RenrenBlog>(site);
}

}  // namespace pw
