#include "sites/RenrenBlog.h"

#include "engine/ArticleRenderer.h"
#include "base/Encoding.h"
#include "base/TextOps.h"
#include "sites/SiteHelpers.h"

namespace pw {

namespace {

const std::string& DiaryCategory() {
    static const std::string name = Gbk("日志");
    return name;
}

struct ListPage {
    std::vector<ArticleInfo> articles;
    bool hasEntries = false;  // the page holds at least one "list-blog" marker
};

// Scans one diary list page. The record carries over between entries as the
// engine's shared record does. Every step searches behind the previous one, so
// the scan only moves forward; an entry whose shape would send it back ends the
// page instead.
ListPage ScanListPage(const std::string& page, ArticleInfo& record) {
    ListPage result;
    ForwardFind entries(page, "\"list-blog\">");
    ForwardFind stamps(page, "timestamp\">");
    int pos = 0;
    while (pos >= 0 && pos <= Len(page)) {
        const int entry = entries.From(pos);
        if (entry < 0) break;
        result.hasEntries = true;
        const int strong = Find(page, "<strong><a", entry);
        if (strong < 0) break;
        const int link = Find(page, "http", strong);
        if (link < 0) break;
        const int linkEnd = FindChar(page, '"', link + 4);
        if (linkEnd < 0) break;
        record.strUrl = Mid(page, link, linkEnd - link);
        const int tag = FindChar(page, '>', linkEnd);
        if (tag < 0) break;
        pos = Find(page, "</a>", tag + 1);
        std::string title = Mid(page, tag + 1, pos - tag - 1);
        Trim(title);
        record.strTitle = title;
        if (pos < 0) break;
        const int stamp = stamps.From(pos);
        // No entry behind this one has a timestamp either.
        if (stamp < 0) break;
        // A timestamp behind the next entry is that entry's: skip this one.
        const int next = entries.From(pos);
        if (next >= 0 && stamp > next) continue;
        pos = FindChar(page, '<', stamp + 11);
        std::string time = Mid(page, stamp + 11, pos - stamp - 11);
        Trim(time);
        record.strTime = time;
        record.strCategory = DiaryCategory();
        result.articles.push_back(record);
    }
    return result;
}

}  // namespace

std::string RenrenBlog::ListPageUrl(int page) const {
    return Format("http://%s/blog/%s/friends?curpage=%d&year=0&month=0&selitem=", kRenrenBlogHost,
                  account.c_str(), page);
}

bool RenrenBlog::ParseAddress(const std::string& address) {
    const std::string marker = std::string(kRenrenDomain) + "/";
    const int at = Find(address, marker, 0);
    if (at < 0) return false;
    const int id = Find(address, "id=", at + Len(marker));
    if (id < 0) return false;
    int end = id + 3;
    while (end < Len(address) && address[end] >= '0' && address[end] <= '9') ++end;
    const std::string userId = Mid(address, id + 3, end - id - 3);
    account = userId;
    homeUrl = std::string("http://") + kRenrenHomeHost + "/profile.do?id=" + userId;
    blogName = userId;

    const std::string page = FetchUtf8PageAsAnsi(site_, homeUrl).text;
    const int open = Find(page, "\"username\">", 0);
    const int close = open >= 0 ? Find(page, "</h1>", open + 11) : -1;
    if (close >= 0) {
        std::string name = Mid(page, open + 11, close - open - 11);
        Trim(name);
        blogName = name;
    }
    return true;
}

bool RenrenBlog::GetCategories(std::vector<std::string>& list) {
    list.clear();
    list.push_back(DiaryCategory());
    return true;
}

void RenrenBlog::ListArticles(const ArticleCallback& callback) {
    if (!callback) return;
    articleCount = 0;
    ArticleInfo record;
    ArticleInfo scan;  // the record as the list pages' entries leave it
    PagingGuard guard;
    for (int c = 0; c < PagingGuard::kMaxPages; ++c) {
        site_.Status(Format(Gbk("正在获取第 %d 页文章……").c_str(), c + 1));
        const std::string page = FetchUtf8PageAsAnsi(site_, ListPageUrl(c)).text;
        const ListPage scanned = ScanListPage(page, scan);
        // A list that repeats its previous page would never run out.
        if (!guard.Advance(ArticleAddresses(scanned.articles))) break;
        if (!ReportArticles(scanned.articles, record, articleCount, callback)) break;
        if (!scanned.hasEntries) break;
    }
}

std::vector<std::string> RenrenBlog::ServiceDomains() const {
    return {"renren.com"};
}

ArticleOutcome RenrenBlog::DownloadArticle(const ArticleInfo& article) const {
    const FetchedPage fetched = FetchUtf8PageAsAnsi(site_, article.strUrl);
    const std::string& page = fetched.text;
    const std::string failed = Gbk("出现严重错误，请联系开发者!");
    const int begin = Find(page, "=\"text-article\">", 0);
    if (begin < 0) return MissingBody(fetched, failed);
    int end = Find(page, "<!--XN_Anti", begin);
    if (end < 0) end = Find(page, "<p class=\"stat-article\">", begin);
    if (end < 0) return MissingBody(fetched, failed);
    return SaveArticle(site_, Mid(page, begin + 16, end - begin - 16), article);
}

}  // namespace pw
