#include "sites/QQZone.h"

#include <algorithm>
#include <climits>
#include <ctime>

#include "engine/ArticleRenderer.h"
#include "base/Encoding.h"
#include "base/TextOps.h"
#include "base/TextRoutines.h"
#include "sites/SiteHelpers.h"

namespace pw {

namespace {

constexpr int kPageSize = 15;

// Scans one title list answer and hands each complete entry to the callback.
// Every step searches behind the previous one, so the scan only moves forward;
// an entry whose shape would send it back ends the page instead.
bool ScanTitleList(const std::string& page, const std::string& homeUrl, ArticleInfo& record,
                   int& count, const ArticleCallback& callback) {
    static const std::string kEntry = "selectCategory(\\'";
    static const std::string kPublished = Gbk("发表于 ");
    ForwardFind entries(page, kEntry);
    ForwardFind published(page, kPublished);
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
        if (!callback(record)) return false;
    }
    return true;
}

}  // namespace

std::string QQZone::CategoryUrl() const {
    return Format("http://%s/cgi-bin/blognew/blog_get_category?uin=%s&r=%s&g_tk=%s",
                  kQzoneBlogCgiHost, account.c_str(), RandomFraction(16).c_str(), "");
}

std::string QQZone::TitleListUrl(int num, int from) const {
    return Format(
        "http://%s/cgi-bin/blognew/blog_output_titlelist?uin=%s&vuin=0&property=GoRE&getall=1"
        "&styledm=%s&imgdm=%s&bdm=%s&category=&num=%d&sorttype=0&from=%d&rand=%s&maxlen=68&v=1"
        "&g_tk=5381",
        kQzoneBlogCgiHost, account.c_str(), kQzoneStyleHost, kQzoneImageHost, kQzoneBlogHost,
        num, from, RandomFraction(16).c_str());
}

std::string QQZone::ArticleUrl(const std::string& blogId) const {
    return Format(
        "http://%s/cgi-bin/blognew/blog_output_data?uin=%s&blogid=%s&styledm=%s&imgdm=%s&bdm=%s"
        "&mode=2&numperpage=15&blogseed=%s&property=GoRE&timestamp=%lld&dprefix=&g_tk=",
        kQzoneBlogCgiHost, account.c_str(), blogId.c_str(), kQzoneStyleHost, kQzoneImageHost,
        kQzoneBlogHost, RandomFraction(17).c_str(), static_cast<long long>(std::time(nullptr)));
}

bool QQZone::ParseAddress(const std::string& address) {
    std::string name;
    const std::string userMarker = std::string(kQzoneUserHost) + "/";
    const std::string domainMarker = std::string(".") + kQzoneDomain;
    if (const int user = Find(address, userMarker, 0); user >= 0) {
        const int start = user + Len(userMarker);
        const int slash = FindChar(address, '/', start);
        name = slash >= 0 ? Mid(address, start, slash - start) : Mid(address, start);
    } else if (const int domain = Find(address, domainMarker, 0); domain >= 0) {
        // A "//" behind the domain belongs to the path, not to a scheme.
        const int slashes = Find(address, "//", 0);
        name = slashes >= 0 && slashes < domain ? Mid(address, slashes + 2, domain - slashes - 2)
                                                   : Left(address, domain);
    } else {
        return false;
    }
    account = name;
    homeUrl = "http://" + account + "." + kQzoneDomain + "/";
    blogName = account;
    return true;
}

bool QQZone::GetCategories(std::vector<std::string>& list) {
    blogCount_ = 0;
    list.clear();
    const std::string page = FetchAnsiPage(site_, CategoryUrl()).text;
    const int count = Find(page, "blog_num\":", 0);
    if (count < 0) {
        site_.Message(Gbk("获取文章分类时出现未知错误，请联系开发者!"));
        return false;
    }
    const int comma = FindChar(page, ',', count + 10);
    const int64_t stated = LeadingInteger(Mid(page, count + 10, comma - count - 10));
    blogCount_ = static_cast<int>(std::clamp<int64_t>(stated, INT_MIN, INT_MAX));
    static const std::string kCategory = "\"category\":\"";
    for (int pos = 0;;) {
        const int c = Find(page, kCategory, pos);
        if (c < 0) break;
        const int q = FindChar(page, '"', c + 12);
        if (q < 0) break;
        list.push_back(Mid(page, c + 12, q - c - 12));
        pos = q;
    }
    return true;
}

void QQZone::ListArticles(const ArticleCallback& callback) {
    if (!callback) return;
    ArticleInfo record;
    articleCount = 0;
    // A negative count states no articles at all.
    const int count = std::max(blogCount_, 0);
    const int pages = count / kPageSize + (count % kPageSize != 0 ? 1 : 0);
    int emptyInRow = 0;
    for (int i = 1; i <= pages && i <= PagingGuard::kMaxPages; ++i) {
        site_.Status(Format(Gbk("正在获取第 %d 页文章……").c_str(), i));
        int num = kPageSize;
        if (i == pages && count % kPageSize != 0) num = count % kPageSize;
        const std::string page = FetchAnsiPage(site_, TitleListUrl(num, kPageSize * (i - 1))).text;
        const int before = articleCount;
        if (!ScanTitleList(page, homeUrl, record, articleCount, callback)) break;
        // A count far beyond what the service delivers would keep the listing
        // going for hours on empty answers.
        emptyInRow = articleCount == before ? emptyInRow + 1 : 0;
        if (emptyInRow > PagingGuard::kMaxEmptyPagesInRow) break;
    }
}

std::vector<std::string> QQZone::ServiceDomains() const {
    return {"qq.com"};
}

ArticleOutcome QQZone::DownloadArticle(const ArticleInfo& article) const {
    const FetchedPage fetched = FetchAnsiPage(site_, ArticleUrl(article.strId));
    const std::string& page = fetched.text;
    const int a = Find(page, "\"blogDetailDiv\"", 0);
    const int g = a >= 0 ? FindChar(page, '>', a + 15) : -1;
    const int e = g >= 0 ? Find(page, "\t\t\t</div>", g + 1) : -1;
    if (e < 0) return MissingBody(fetched, Gbk("出现严重错误，请联系开发者!"));
    return SaveArticle(site_, Mid(page, g + 1, e - g - 1), article);
}

}  // namespace pw
