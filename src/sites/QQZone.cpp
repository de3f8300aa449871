#include "sites/QQZone.h"

#include <algorithm>
#include <climits>
#include <ctime>

#include "engine/ArticleRenderer.h"
#include "engine/Encoding.h"
#include "engine/Host.h"
#include "engine/TextOps.h"
#include "engine/TextRoutines.h"
#include "sites/SiteHelpers.h"

namespace pw {

namespace {

constexpr int kPageSize = 15;

// Scans one title list answer and hands each complete entry to the callback.
// Every step searches behind the previous one, so the scan only moves forward;
// an entry whose shape would send it back ends the page instead.
void ScanTitleList(const std::string& page, const std::string& homeUrl, ArticleInfo& record,
                   int& count, ArticleCallback callback, void* userData) {
    static const std::string kEntry = "selectCategory(\\'";
    static const std::string kPublished = A("发表于 ");
    CForwardFind entries(page, kEntry);
    CForwardFind published(page, kPublished);
    int pos = 0;
    while (pos >= 0 && pos <= Len(page)) {
        const int s = entries.From(pos);
        if (s < 0) break;
        const int e = Find(page, "\\'", s + 17);
        if (e < 0) break;
        record.strCategory = Mid(page, s + 17, e - s - 17);
        const int b = Find(page, "blogtitle_", e);
        if (b < 0) break;
        const int q = FindChar(page, '\\', b + 10);
        if (q < 0) break;
        record.strId = Mid(page, b + 10, q - b - 10);
        record.strUrl = homeUrl;
        const int g = FindChar(page, '>', q);
        if (g < 0) break;
        const int t = Find(page, "</span>", g + 1);
        std::string title = Mid(page, g + 1, t - g - 1);
        Trim(title);
        record.strTitle = title;
        if (t < 0) break;
        pos = t;
        const int d = published.From(pos);
        if (d < 0) break;
        // A date behind the next entry is that entry's: skip this one.
        const int next = entries.From(pos);
        if (next >= 0 && d > next) continue;
        const int end = FindChar(page, '\\', d + 7);
        record.strTime = Mid(page, d + 7, end - d - 7);
        pos = end;
        ++count;
        callback(&record, userData);
    }
}

}  // namespace

std::string CQQZone::CategoryUrl() const {
    return Format("http://%s/cgi-bin/blognew/blog_get_category?uin=%s&r=%s&g_tk=%s",
                  kQzoneBlogCgiHost, m_strAccount.c_str(), RandomFraction(16).c_str(), "");
}

std::string CQQZone::TitleListUrl(int num, int from) const {
    return Format(
        "http://%s/cgi-bin/blognew/blog_output_titlelist?uin=%s&vuin=0&property=GoRE&getall=1"
        "&styledm=%s&imgdm=%s&bdm=%s&category=&num=%d&sorttype=0&from=%d&rand=%s&maxlen=68&v=1"
        "&g_tk=5381",
        kQzoneBlogCgiHost, m_strAccount.c_str(), kQzoneStyleHost, kQzoneImageHost, kQzoneBlogHost,
        num, from, RandomFraction(16).c_str());
}

std::string CQQZone::ArticleUrl(const std::string& blogId) const {
    return Format(
        "http://%s/cgi-bin/blognew/blog_output_data?uin=%s&blogid=%s&styledm=%s&imgdm=%s&bdm=%s"
        "&mode=2&numperpage=15&blogseed=%s&property=GoRE&timestamp=%lld&dprefix=&g_tk=",
        kQzoneBlogCgiHost, m_strAccount.c_str(), blogId.c_str(), kQzoneStyleHost, kQzoneImageHost,
        kQzoneBlogHost, RandomFraction(17).c_str(), static_cast<long long>(std::time(nullptr)));
}

int CQQZone::ParseAddress(const std::string& address) {
    std::string account;
    const std::string userMarker = std::string(kQzoneUserHost) + "/";
    const std::string domainMarker = std::string(".") + kQzoneDomain;
    if (const int user = Find(address, userMarker, 0); user >= 0) {
        const int start = user + Len(userMarker);
        const int slash = FindChar(address, '/', start);
        account = slash >= 0 ? Mid(address, start, slash - start) : Mid(address, start);
    } else if (const int domain = Find(address, domainMarker, 0); domain >= 0) {
        // A "//" behind the domain belongs to the path, not to a scheme.
        const int slashes = Find(address, "//", 0);
        account = slashes >= 0 && slashes < domain ? Mid(address, slashes + 2, domain - slashes - 2)
                                                   : Left(address, domain);
    } else {
        return 0;
    }
    m_strAccount = account;
    m_strHomeUrl = "http://" + account + "." + kQzoneDomain + "/";
    m_strBlogName = account;
    return 1;
}

int CQQZone::GetCategories(CStringList* list) {
    m_nBlogCount = 0;
    if (!list) return 0;
    list->clear();
    const std::string page = FetchAnsiPage(CategoryUrl());
    const int count = Find(page, "blog_num\":", 0);
    if (count < 0) {
        ShowMessageBox(A("获取文章分类时出现未知错误，请联系开发者!"));
        return 0;
    }
    const int comma = FindChar(page, ',', count + 10);
    const int64_t stated = LeadingInteger(Mid(page, count + 10, comma - count - 10));
    m_nBlogCount = static_cast<int>(std::clamp<int64_t>(stated, INT_MIN, INT_MAX));
    static const std::string kCategory = "\"category\":\"";
    for (int pos = 0;;) {
        const int c = Find(page, kCategory, pos);
        if (c < 0) break;
        const int q = FindChar(page, '"', c + 12);
        if (q < 0) break;
        list->push_back(Mid(page, c + 12, q - c - 12));
        pos = q;
    }
    return 1;
}

void CQQZone::ListArticles(ArticleCallback callback, void* userData) {
    if (!callback) return;
    ArticleInfo record;
    InitArticleInfo(&record);
    m_nArticleCount = 0;
    // A negative count states no articles at all.
    const int count = std::max(m_nBlogCount, 0);
    const int pages = count / kPageSize + (count % kPageSize != 0 ? 1 : 0);
    int emptyInRow = 0;
    for (int i = 1; i <= pages && i <= CPagingGuard::kMaxPages; ++i) {
        ShowStatus(1, Format(A("正在获取第 %d 页文章……").c_str(), i));
        int num = kPageSize;
        if (i == pages && count % kPageSize != 0) num = count % kPageSize;
        const std::string page = FetchAnsiPage(TitleListUrl(num, kPageSize * (i - 1)));
        const int before = m_nArticleCount;
        ScanTitleList(page, m_strHomeUrl, record, m_nArticleCount, callback, userData);
        // A count far beyond what the service delivers would keep the listing
        // going for hours on empty answers.
        emptyInRow = m_nArticleCount == before ? emptyInRow + 1 : 0;
        if (emptyInRow > CPagingGuard::kMaxEmptyPagesInRow) break;
    }
    FreeArticleInfo(&record);
}

void CQQZone::DownloadArticle(ArticleInfo* article) {
    if (!article) return;
    const std::string page = FetchAnsiPage(ArticleUrl(article->strId));
    const int a = Find(page, "\"blogDetailDiv\"", 0);
    const int g = a >= 0 ? FindChar(page, '>', a + 15) : -1;
    const int e = g >= 0 ? Find(page, "\t\t\t</div>", g + 1) : -1;
    if (e < 0) {
        ShowMessageBox(A("出现严重错误，请联系开发者!"));
        return;
    }
    std::string body = Mid(page, g + 1, e - g - 1);
    RenderArticlePage(body, article, m_strImageDir);
}

}  // namespace pw
