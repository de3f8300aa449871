#include "sites/RenrenBlog.h"

#include "engine/ArticleRenderer.h"
#include "engine/Encoding.h"
#include "engine/Host.h"
#include "engine/TextOps.h"
#include "sites/SiteHelpers.h"

namespace pw {

namespace {

const std::string& DiaryCategory() {
    static const std::string name = A("日志");
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
    CForwardFind entries(page, "\"list-blog\">");
    CForwardFind stamps(page, "timestamp\">");
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

std::string CRenrenBlog::ListPageUrl(int page) const {
    return Format("http://%s/blog/%s/friends?curpage=%d&year=0&month=0&selitem=", kRenrenBlogHost,
                  m_strAccount.c_str(), page);
}

int CRenrenBlog::ParseAddress(const std::string& address) {
    const std::string marker = std::string(kRenrenDomain) + "/";
    const int at = Find(address, marker, 0);
    if (at < 0) return 0;
    const int id = Find(address, "id=", at + Len(marker));
    if (id < 0) return 0;
    int end = id + 3;
    while (end < Len(address) && address[end] >= '0' && address[end] <= '9') ++end;
    const std::string userId = Mid(address, id + 3, end - id - 3);
    m_strAccount = userId;
    m_strHomeUrl = std::string("http://") + kRenrenHomeHost + "/profile.do?id=" + userId;
    m_strBlogName = userId;

    const std::string page = FetchUtf8PageAsAnsi(m_strHomeUrl);
    const int open = Find(page, "\"username\">", 0);
    const int close = open >= 0 ? Find(page, "</h1>", open + 11) : -1;
    if (close >= 0) {
        std::string name = Mid(page, open + 11, close - open - 11);
        Trim(name);
        m_strBlogName = name;
    }
    return 1;
}

int CRenrenBlog::GetCategories(CStringList* list) {
    if (!list) return 0;
    list->clear();
    list->push_back(DiaryCategory());
    return 1;
}

void CRenrenBlog::ListArticles(ArticleCallback callback, void* userData) {
    if (!callback) return;
    m_nArticleCount = 0;
    ArticleInfo record;
    InitArticleInfo(&record);
    ArticleInfo scan;  // the record as the list pages' entries leave it
    CPagingGuard guard;
    for (int c = 0; c < CPagingGuard::kMaxPages; ++c) {
        ShowStatus(1, Format(A("正在获取第 %d 页文章……").c_str(), c + 1));
        const std::string page = FetchUtf8PageAsAnsi(ListPageUrl(c));
        const ListPage scanned = ScanListPage(page, scan);
        // A list that repeats its previous page would never run out.
        if (!guard.Advance(ArticleAddresses(scanned.articles))) break;
        ReportArticles(scanned.articles, record, m_nArticleCount, callback, userData);
        if (!scanned.hasEntries) break;
    }
    FreeArticleInfo(&record);
}

void CRenrenBlog::DownloadArticle(ArticleInfo* article) {
    if (!article) return;
    const std::string page = FetchUtf8PageAsAnsi(article->strUrl);
    const std::string failed = A("出现严重错误，请联系开发者!");
    const int begin = Find(page, "=\"text-article\">", 0);
    if (begin < 0) {
        ShowMessageBox(failed);
        return;
    }
    int end = Find(page, "<!--XN_Anti", begin);
    if (end < 0) end = Find(page, "<p class=\"stat-article\">", begin);
    if (end < 0) {
        ShowMessageBox(failed);
        return;
    }
    std::string body = Mid(page, begin + 16, end - begin - 16);
    RenderArticlePage(body, article, m_strImageDir);
}

}  // namespace pw
