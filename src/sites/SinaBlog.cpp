#include "sites/SinaBlog.h"

#include "base/Format.h"
#include "base/Text.h"
#include "sites/PagedList.h"
#include "sites/Scanner.h"
#include "sites/SiteHelpers.h"

namespace pw {

namespace {

// One article list page. The record carries over between entries, as the
// engines' one record does.
ListPage ScanListPage(std::string_view page, ArticleInfo& record) {
    ListPage found;
    Scanner scan(page);
    while (scan.NextEntry("\"atc_title\">")) {
        const auto title = scan.Cut("title=\"", "\"");
        if (!title) break;
        record.title = *title;
        scan.EndEntryAtNext();
        const auto url = scan.Cut("href=\"", "\"");
        if (!url) continue;
        record.url = *url;
        if (!scan.Past("SG_txtc\">")) continue;
        record.time = scan.Until("<").value_or("");
        found.articles.push_back(record);
    }
    // The link to the next page stands behind the last article.
    found.last = scan.Ended() || !scan.Past("下一页&nbsp;&gt;");
    return found;
}

class SinaBlog final : public BlogBase {
public:
    using BlogBase::BlogBase;

    bool ParseAddress(const std::string& address) override {
        if (Find(address, std::string(kSinaBlogHost) + "/") < 0) return false;
        const std::string text = FetchPage(site_, PageCode::Utf8, address).text;
        Scanner page(text);
        if (!page.Require("$uid", site_, "获取新浪博客uid时出现错误，请检查您的输入!")) {
            return false;
        }
        const std::string uid = page.CutOr("\"", "\"", "");
        account = uid;
        homeUrl = std::string("http://") + kSinaBlogHost + "/u/" + uid;
        blogName = uid;
        // The title is used whole, the service's suffix included.
        if (const auto title = PageTitle(text)) blogName = EntitiesDecoded(*title);
        // The home page's title is the author's name and the service's suffix.
        const std::string suffix = "_新浪博客";
        author = blogName.ends_with(suffix) && blogName.size() > suffix.size()
                     ? blogName.substr(0, blogName.size() - suffix.size())
                     : blogName;
        return true;
    }

    bool GetCategories(std::vector<std::string>& list) override {
        list.assign({"全部博文"});
        const std::string text = FetchPage(site_, PageCode::Utf8, ListPageUrl(0, 1)).text;
        Scanner page(text);
        if (!page.Require("</em></span></div>", site_,
                          "获取文章分类时出现未知错误，请联系开发者!")) {
            return false;
        }
        page.EndBlockAt("</div></li></ul>");
        while (page.Past("href=\"")) {
            const auto name = page.Cut(">", "</a>");
            if (!name) break;
            list.push_back(EntitiesDecoded(*name));
        }
        return true;
    }

    // Every category in turn, "全部博文" (number 0) first, so every article
    // is listed once under it and once under its own category.
    void ListArticles(const ArticleCallback& callback) override {
        if (!callback) return;
        articleCount = 0;
        std::vector<std::string> categories;
        GetCategories(categories);
        ArticleInfo record;
        for (int number = 0; number < static_cast<int>(categories.size()); ++number) {
            record.category = categories[number];
            const bool more = ListPages(site_, articleCount, callback, [&](int index) {
                const std::string page =
                    FetchPage(site_, PageCode::Utf8, ListPageUrl(number, index + 1)).text;
                return std::optional(ScanListPage(page, record));
            });
            if (!more) return;
        }
    }

    ArticleOutcome DownloadArticle(const ArticleInfo& article) const override {
        const FetchedPage fetched = FetchPage(site_, PageCode::Utf8, article.url);
        Scanner page(fetched.text);
        std::optional<std::string> body;
        if (page.Past("articalContent") && page.Past(">")) {
            body = page.UntilFirstOf({"<!-- 正文结束", "<div class=\"shareUp\">"});
        }
        return SaveBody(site_, fetched, std::move(body), article);
    }

    std::vector<std::string> ServiceDomains() const override { return {"sina.com.cn"}; }

private:
    std::string ListPageUrl(int category, int page) const {
        return Format("http://%s/s/articlelist_%s_%d_%d.html", kSinaBlogHost, account.c_str(),
                      category, page);
    }
};

}  // namespace

std::unique_ptr<BlogBase> MakeSinaBlog(SiteContext& site) {
    return std::make_unique<SinaBlog>(site);
}

}  // namespace pw
