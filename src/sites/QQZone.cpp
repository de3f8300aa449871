#include "sites/QQZone.h"

#include <algorithm>
#include <climits>
#include <ctime>

#include "base/Format.h"
#include "base/Text.h"
#include "sites/PagedList.h"
#include "sites/Scanner.h"
#include "sites/SiteHelpers.h"

namespace pw {

namespace {

constexpr int kPageSize = 15;

// One title list answer. The record carries over between entries, as the
// engines' one record does. The title list names no article addresses: every
// article has the blog's.
std::vector<ArticleInfo> ScanTitleList(std::string_view answer, const std::string& homeUrl,
                                       ArticleInfo& record) {
    std::vector<ArticleInfo> found;
    Scanner scan(answer);
    while (scan.NextEntry("selectCategory(\\'")) {
        const auto category = scan.Until("\\'");
        if (!category) break;
        record.category = *category;
        const auto id = scan.Cut("blogtitle_", "\\");
        if (!id) break;
        record.id = *id;
        record.url = homeUrl;
        const auto title = scan.Cut(">", "</span>");
        if (!title) break;
        record.title = Trimmed(*title);
        scan.EndEntryAtNext();
        if (!scan.Past("发表于 ")) continue;
        record.time = scan.Until("\\").value_or("");
        found.push_back(record);
    }
    return found;
}

class QQZone final : public BlogBase {
public:
    using BlogBase::BlogBase;

    bool ParseAddress(const std::string& address) override {
        std::optional<std::string> name;
        Scanner user(address);
        if (user.Past(std::string(kQzoneUserHost) + "/")) {
            name = user.UpTo("/");
        } else {
            name = AccountBeforeDomain(address, std::string(".") + kQzoneDomain);
        }
        if (!name) return false;
        account = *name;
        homeUrl = "http://" + account + "." + kQzoneDomain + "/";
        blogName = account;
        return true;
    }

    bool GetCategories(std::vector<std::string>& list) override {
        blogCount_ = 0;
        list.clear();
        const std::string text = FetchPage(site_, PageCode::Cp936, CategoryUrl()).text;
        Scanner page(text);
        if (!page.Require("blog_num\":", site_, "获取文章分类时出现未知错误，请联系开发者!")) {
            return false;
        }
        const int64_t stated = LeadingInteger(page.CutOr("blog_num\":", ",", ""));
        blogCount_ = static_cast<int>(std::clamp<int64_t>(stated, INT_MIN, INT_MAX));
        Scanner names(text);
        while (const auto name = names.Cut("\"category\":\"", "\"")) list.push_back(*name);
        return true;
    }

    // The stated count decides the pages; the categories come with the entries.
    void ListArticles(const ArticleCallback& callback) override {
        if (!callback) return;
        articleCount = 0;
        ArticleInfo record;
        // A negative count states no articles at all.
        const int count = std::max(blogCount_, 0);
        const int pages = count / kPageSize + (count % kPageSize != 0 ? 1 : 0);
        const auto source = [&](int index) -> std::optional<ListPage> {
            if (index >= pages) return std::nullopt;
            site_.Status(PageStatus(index + 1));
            const bool lastShort = index == pages - 1 && count % kPageSize != 0;
            const int num = lastShort ? count % kPageSize : kPageSize;
            const std::string answer =
                FetchPage(site_, PageCode::Cp936, TitleListUrl(num, kPageSize * index)).text;
            return ListPage{ScanTitleList(answer, homeUrl, record)};
        };
        // The count bounds the listing; only a count far beyond what the service
        // delivers needs ending, after a run of empty answers.
        ListPages(site_, articleCount, callback, source, PagingGuard(false));
    }

    ArticleOutcome DownloadArticle(const ArticleInfo& article) const override {
        const FetchedPage fetched = FetchPage(site_, PageCode::Cp936, ArticleUrl(article.id));
        Scanner page(fetched.text);
        std::optional<std::string> body;
        if (page.Past("\"blogDetailDiv\"") && page.Past(">")) body = page.Until("\t\t\t</div>");
        return SaveBody(site_, fetched, std::move(body), article);
    }

    std::vector<std::string> ServiceDomains() const override { return {"qq.com"}; }

private:
    std::string CategoryUrl() const {
        return Format("http://%s/cgi-bin/blognew/blog_get_category?uin=%s&r=%s&g_tk=%s",
                      kQzoneBlogCgiHost, account.c_str(), RandomFraction(16).c_str(), "");
    }

    std::string TitleListUrl(int num, int from) const {
        return Format(
            "http://%s/cgi-bin/blognew/blog_output_titlelist?uin=%s&vuin=0&property=GoRE&getall=1"
            "&styledm=%s&imgdm=%s&bdm=%s&category=&num=%d&sorttype=0&from=%d&rand=%s&maxlen=68"
            "&v=1&g_tk=5381",
            kQzoneBlogCgiHost, account.c_str(), kQzoneStyleHost, kQzoneImageHost, kQzoneBlogHost,
            num, from, RandomFraction(16).c_str());
    }

    std::string ArticleUrl(const std::string& blogId) const {
        return Format(
            "http://%s/cgi-bin/blognew/blog_output_data?uin=%s&blogid=%s&styledm=%s&imgdm=%s"
            "&bdm=%s&mode=2&numperpage=15&blogseed=%s&property=GoRE&timestamp=%lld&dprefix="
            "&g_tk=",
            kQzoneBlogCgiHost, account.c_str(), blogId.c_str(), kQzoneStyleHost, kQzoneImageHost,
            kQzoneBlogHost, RandomFraction(17).c_str(), static_cast<long long>(std::time(nullptr)));
    }

    int blogCount_ = 0;  // as the category answer states it
};

}  // namespace

std::unique_ptr<BlogBase> MakeQQZone(SiteContext& site) {
    return std::make_unique<QQZone>(site);
}

}  // namespace pw
