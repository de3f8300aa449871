#include "sites/BaiduBlog.h"

#include "base/Format.h"
#include "base/Text.h"
#include "sites/PagedList.h"
#include "sites/Scanner.h"
#include "sites/SiteHelpers.h"

namespace pw {

namespace {

// One index page from its "m_blog" block on; nullopt for the page behind the
// last, which has no dates. The record carries over between entries, as the
// engines' one record does. A page tells of its entries without dates once.
std::optional<ListPage> ScanIndexPage(SiteContext& site, std::string_view page,
                                      ArticleInfo& record) {
    static const std::string kDateError = "获取日期时间时发生错误，请联系开发者!";
    Scanner scan(page);
    if (Find(page, "class=\"date\"") < 0 || !scan.To("id=\"m_blog\"")) return std::nullopt;
    ListPage found;
    while (scan.NextEntry("class=\"tit\"")) {
        const auto link = scan.Cut("href=\"", "\"");
        if (!link) break;
        record.url = std::string("http://") + kBaiduSpaceHost + *link;
        const auto title = scan.Cut(">", "</a>");
        if (!title) {
            scan.Tell(site, kDateError);
            break;
        }
        record.title = EntitiesDecoded(Trimmed(*title));
        scan.EndEntryAtNext();
        if (!scan.Require("date\">", site, kDateError)) continue;
        const auto time = scan.Cut("date\">", "<");
        if (!time) break;
        record.time = *time;
        if (!scan.Past("\">类别：")) continue;
        record.category = EntitiesDecoded(scan.Until("</a>").value_or(""));
        found.articles.push_back(record);
    }
    return found;
}

class BaiduBlog final : public BlogBase {
public:
    using BlogBase::BlogBase;

    bool ParseAddress(const std::string& address) override {
        Scanner typed(address);
        if (!typed.Past(std::string(kBaiduSpaceHost) + "/")) return false;
        account = typed.UpTo("/");
        homeUrl = std::string("http://") + kBaiduSpaceHost + "/" + account;
        // The name comes from the page as typed, not from the home page.
        const std::string page = FetchPage(site_, PageCode::Cp936, address).text;
        blogName = PageTitle(page, "<title>", "_百度空间").value_or(account);
        return true;
    }

    bool GetCategories(std::vector<std::string>& list) override {
        list.clear();
        const std::string text =
            FetchPage(site_, PageCode::Cp936,
                      Format("http://%s/%s/blog", kBaiduSpaceHost, account.c_str()))
                .text;
        Scanner page(text);
        if (!page.Require("id=\"m_artclg\"", site_, "获取文章分类时出现未知错误，请联系开发者!")) {
            return false;
        }
        page.EndBlockAt("<table ");
        while (const auto name = page.Cut("文章\">", "</a>")) {
            list.push_back(EntitiesDecoded(*name));
        }
        return true;
    }

    void ListArticles(const ArticleCallback& callback) override {
        if (!callback) return;
        articleCount = 0;
        ArticleInfo record;
        ListPages(site_, articleCount, callback, [&](int index) {
            site_.Status(PageStatus(index + 1));
            const std::string page = FetchPage(site_, PageCode::Cp936, IndexPageUrl(index)).text;
            return ScanIndexPage(site_, page, record);
        });
    }

    ArticleOutcome DownloadArticle(const ArticleInfo& article) const override {
        const FetchedPage fetched = FetchPage(site_, PageCode::Cp936, article.url);
        Scanner page(fetched.text);
        std::optional<std::string> body;
        // The table that opens the body belongs to it.
        if (page.Past("<div id=\"m_blog\"") && page.To("<table style=")) {
            body = page.UntilFirstOf({"<div class=\"opt\">", "</td></tr></table>"});
        }
        return SaveBody(site_, fetched, std::move(body), article);
    }

    std::vector<std::string> ServiceDomains() const override { return {"baidu.com"}; }

private:
    std::string IndexPageUrl(int page) const {
        return Format("http://%s/%s/blog/index/%d", kBaiduSpaceHost, account.c_str(), page);
    }
};

}  // namespace

std::unique_ptr<BlogBase> MakeBaiduBlog(SiteContext& site) {
    return std::make_unique<BaiduBlog>(site);
}

}  // namespace pw
