#include "sites/SinaBlog.h"

#include "engine/ArticleRenderer.h"
#include "base/Encoding.h"
#include "base/TextDecode.h"
#include "base/TextOps.h"
#include "sites/SiteHelpers.h"

namespace pw {

namespace {

// One list page's articles, in page order, as the record stood at each report.
struct ListPage {
    std::vector<ArticleInfo> articles;
    int endPos = 0;  // the scan position after the last article, -1 when it broke off
};

// Scans one article list page. The record carries over between articles as the
// engines' shared record does.
ListPage ScanListPage(const std::string& page, ArticleInfo& record) {
    ListPage result;
    int pos = 0;
    while (pos >= 0 && pos <= Len(page)) {
        const int m = Find(page, "\"atc_title\">", pos);
        if (m < 0) break;
        const int t = Find(page, "title=\"", m);
        if (t < 0) break;
        int q = FindChar(page, '"', t + 7);
        record.strTitle = Mid(page, t + 7, q - t - 7);
        pos = q;
        // An address or date found only behind the next entry's marker belongs
        // to that entry: this one lacks it and is skipped, the next is kept.
        // The searches stop there too, which keeps the scan linear.
        const int next = Find(page, "\"atc_title\">", pos);
        const std::string_view entry =
            std::string_view(page).substr(0, next < 0 ? page.size() : next);
        const int h = Find(entry, "href=\"", pos);
        if (h < 0) continue;
        q = FindChar(page, '"', h + 6);
        record.strUrl = Mid(page, h + 6, q - h - 6);
        pos = q;
        const int d = Find(entry, "SG_txtc\">", pos);
        if (d < 0) continue;
        q = FindChar(page, '<', d + 9);
        record.strTime = Mid(page, d + 9, q - d - 9);
        pos = q;
        result.articles.push_back(record);
    }
    result.endPos = pos;
    return result;
}

}  // namespace

std::string SinaBlog::ListPageUrl(int category, int page) const {
    return Format("http://%s/s/articlelist_%s_%d_%d.html", kSinaBlogHost, account.c_str(),
                  category, page);
}

bool SinaBlog::ParseAddress(const std::string& address) {
    if (Find(address, std::string(kSinaBlogHost) + "/", 0) < 0) return false;
    const std::string page = FetchUtf8PageAsAnsi(site_, address).text;
    const int uidAt = Find(page, "$uid", 0);
    if (uidAt < 0) {
        site_.Message(Gbk("获取新浪博客uid时出现错误，请检查您的输入!"));
        return false;
    }
    const int q1 = FindChar(page, '"', uidAt);
    const int q2 = FindChar(page, '"', q1 + 1);
    const std::string uid = Mid(page, q1 + 1, q2 - q1 - 1);
    account = uid;
    homeUrl = std::string("http://") + kSinaBlogHost + "/u/" + uid;
    blogName = uid;
    const int open = Find(page, "<title>", 0);
    if (open >= 0) {
        const int close = Find(page, "</title>", open + 7);
        if (close >= 0) {
            std::string title = Mid(page, open + 7, close - open - 7);
            TrimRight(title);
            TrimLeft(title);
            DecodeHtmlEntities(title);
            blogName = title;
        }
    }
    return true;
}

bool SinaBlog::GetCategories(std::vector<std::string>& list) {
    list.clear();
    const std::string page = FetchUtf8PageAsAnsi(site_, ListPageUrl(0, 1)).text;
    list.push_back(Gbk("全部博文"));
    const int start = Find(page, "</em></span></div>", 0);
    if (start < 0) {
        site_.Message(Gbk("获取文章分类时出现未知错误，请联系开发者!"));
        return false;
    }
    int end = Find(page, "</div></li></ul>", start);
    if (end < 0) end = Len(page);
    int pos = start;
    while (true) {
        const int h = Find(page, "href=\"", pos);
        if (h < 0 || h > end) break;
        const int g = FindChar(page, '>', h + 6);
        if (g < 0 || g > end) break;
        const int a = Find(page, "</a>", g + 1);
        if (a < 0 || a > end) break;
        std::string name = Mid(page, g + 1, a - g - 1);
        DecodeHtmlEntities(name);
        list.push_back(name);
        pos = a;
    }
    return true;
}

bool SinaBlog::ListCategory(int number, const std::string& name, ArticleInfo& record,
                            const ArticleCallback& callback) {
    static const std::string kNextPage = Gbk("下一页&nbsp;&gt;");
    PagingGuard guard;
    for (int n = 1;; ++n) {
        const std::string page = FetchUtf8PageAsAnsi(site_, ListPageUrl(number, n)).text;
        ListPage scanned = ScanListPage(page, record);
        if (!guard.Advance(ArticleAddresses(scanned.articles))) return true;
        for (auto& article : scanned.articles) {
            article.strCategory = name;
            record.strCategory = name;
            ++articleCount;
            if (!callback(article)) return false;
        }
        const int pos = scanned.endPos;
        if (pos < 0 || pos > Len(page) || Find(page, kNextPage, pos) < 0) return true;
    }
}

void SinaBlog::ListArticles(const ArticleCallback& callback) {
    if (!callback) return;
    ArticleInfo record;
    articleCount = 0;
    std::vector<std::string> categories;
    GetCategories(categories);
    int number = 0;
    for (const auto& name : categories) {
        if (!ListCategory(number++, name, record, callback)) return;
    }
}

std::vector<std::string> SinaBlog::ServiceDomains() const {
    return {"sina.com.cn"};
}

ArticleOutcome SinaBlog::DownloadArticle(const ArticleInfo& article) const {
    const FetchedPage fetched = FetchUtf8PageAsAnsi(site_, article.strUrl);
    const std::string& page = fetched.text;
    static const std::string kFailed = Gbk("出现严重错误，请联系开发者!");
    const int a = Find(page, "articalContent", 0);
    if (a < 0) return MissingBody(fetched, kFailed);
    const int g = FindChar(page, '>', a + 14);
    static const std::string kBodyEnd = Gbk("<!-- 正文结束");
    int e = Find(page, kBodyEnd, g + 1);
    if (e < 0) e = Find(page, "<div class=\"shareUp\">", g + 1);
    if (e < 0) return MissingBody(fetched, kFailed);
    return SaveArticle(site_, Mid(page, g + 1, e - g - 1), article);
}

}  // namespace pw
