#include "sites/BaiduBlog.h"

#include "engine/ArticleRenderer.h"
#include "base/Encoding.h"
#include "base/TextDecode.h"
#include "base/TextOps.h"
#include "sites/SiteHelpers.h"

namespace pw {

namespace {

const std::string& DateError() {
    static const std::string text = Gbk("获取日期时间时发生错误，请联系开发者!");
    return text;
}

// Scans the articles of one index page from the "m_blog" block on. The record
// carries over between entries as the engine's shared record does. Every step
// searches behind the previous one, so the scan only moves forward; an entry
// whose shape would send it back ends the page instead.
std::vector<ArticleInfo> ScanIndexPage(SiteContext& site, const std::string& page, int pos,
                                       ArticleInfo& record) {
    static const std::string kTitle = "class=\"tit\"";
    static const std::string kCategory = Gbk("\">类别：");
    std::vector<ArticleInfo> found;
    ForwardFind dates(page, "date\">");
    ForwardFind titles(page, kTitle);
    bool dateErrorShown = false;
    while (pos >= 0 && pos <= Len(page)) {
        const int title = titles.From(pos);
        if (title < 0) break;
        const int href = Find(page, "href=\"", title);
        if (href < 0) break;
        const int linkEnd = FindChar(page, '"', href + 6);
        if (linkEnd < 0) break;
        record.strUrl =
            std::string("http://") + kBaiduSpaceHost + Mid(page, href + 6, linkEnd - href - 6);
        const int tag = FindChar(page, '>', linkEnd);
        const int titleEnd = tag >= 0 ? Find(page, "</a>", tag + 1) : -1;
        std::string text = Mid(page, tag + 1, titleEnd - tag - 1);
        Trim(text);
        DecodeHtmlEntities(text);
        record.strTitle = text;
        if (titleEnd < 0) {
            site.Message(DateError());
            break;
        }
        const int date = dates.From(titleEnd);
        if (date < 0) {
            // No entry behind this one has a date either.
            site.Message(DateError());
            break;
        }
        // A date behind the next entry's title is that entry's, not this one's.
        const int nextTitle = titles.From(titleEnd);
        if (nextTitle >= 0 && date > nextTitle) {
            if (!dateErrorShown) site.Message(DateError());  // once a page is enough
            dateErrorShown = true;
            pos = titleEnd;
            continue;
        }
        const int dateEnd = FindChar(page, '<', date + 6);
        if (dateEnd < 0) break;
        record.strTime = Mid(page, date + 6, dateEnd - date - 6);
        const int category = Find(page, kCategory, dateEnd);
        if (category < 0) break;
        const int nameStart = category + Len(kCategory);
        const int categoryEnd = Find(page, "</a>", nameStart);
        std::string name = Mid(page, nameStart, categoryEnd - nameStart);
        DecodeHtmlEntities(name);
        record.strCategory = name;
        found.push_back(record);
        pos = categoryEnd;
    }
    return found;
}

}  // namespace

std::string BaiduBlog::IndexPageUrl(int page) const {
    return Format("http://%s/%s/blog/index/%d", kBaiduSpaceHost, account.c_str(), page);
}

bool BaiduBlog::ParseAddress(const std::string& address) {
    const std::string marker = std::string(kBaiduSpaceHost) + "/";
    const int at = Find(address, marker, 0);
    if (at < 0) return false;
    const int start = at + Len(marker);
    const int slash = FindChar(address, '/', start);
    const std::string name =
        slash >= 0 ? Mid(address, start, slash - start) : Mid(address, start);
    account = name;
    homeUrl = std::string("http://") + kBaiduSpaceHost + "/" + account;
    blogName = account;

    const std::string page = FetchAnsiPage(site_, address).text;
    const int open = Find(page, "<title>", 0);
    const int suffix = open >= 0 ? Find(page, Gbk("_百度空间"), open + 7) : -1;
    if (suffix >= 0) {
        std::string name = Mid(page, open + 7, suffix - open - 7);
        Trim(name);
        blogName = name;
    }
    return true;
}

bool BaiduBlog::GetCategories(std::vector<std::string>& list) {
    list.clear();
    const std::string page =
        FetchAnsiPage(site_, Format("http://%s/%s/blog", kBaiduSpaceHost, account.c_str())).text;
    const int block = Find(page, "id=\"m_artclg\"", 0);
    if (block < 0) {
        site_.Message(Gbk("获取文章分类时出现未知错误，请联系开发者!"));
        return false;
    }
    int limit = Find(page, "<table ", block);
    if (limit < 0) limit = Len(page);
    static const std::string kName = Gbk("文章\">");
    int pos = block;
    while (true) {
        const int name = Find(page, kName, pos);
        if (name < 0 || name > limit || name + 6 > Len(page)) break;
        const int end = Find(page, "</a>", name + 6);
        if (end < 0 || end > limit) break;
        std::string text = Mid(page, name + 6, end - name - 6);
        DecodeHtmlEntities(text);
        list.push_back(text);
        pos = end;
    }
    return true;
}

void BaiduBlog::ListArticles(const ArticleCallback& callback) {
    if (!callback) return;
    articleCount = 0;
    ArticleInfo record;
    ArticleInfo scan;  // the record as the index pages' entries leave it
    PagingGuard guard;
    for (int n = 0; n < PagingGuard::kMaxPages; ++n) {
        site_.Status(Format(Gbk("正在获取第 %d 页文章……").c_str(), n + 1));
        const std::string page = FetchAnsiPage(site_, IndexPageUrl(n)).text;
        const int blog = Find(page, "id=\"m_blog\"", 0);
        if (Find(page, "class=\"date\"", 0) < 0 || blog < 0) break;
        const std::vector<ArticleInfo> found = ScanIndexPage(site_, page, blog, scan);
        // An index that repeats its previous page would never run out.
        if (!guard.Advance(ArticleAddresses(found))) break;
        if (!ReportArticles(found, record, articleCount, callback)) break;
    }
}

std::vector<std::string> BaiduBlog::ServiceDomains() const {
    return {"baidu.com"};
}

ArticleOutcome BaiduBlog::DownloadArticle(const ArticleInfo& article) const {
    const FetchedPage fetched = FetchAnsiPage(site_, article.strUrl);
    const std::string& page = fetched.text;
    const std::string failed = Gbk("出现严重错误，请联系开发者!");
    const int marker = Find(page, "<div id=\"m_blog\"", 0);
    const int begin = marker >= 0 ? Find(page, "<table style=", marker) : -1;
    if (begin < 0) return MissingBody(fetched, failed);
    int end = Find(page, "<div class=\"opt\">", begin);
    if (end < 0) end = Find(page, "</td></tr></table>", begin);
    if (end < 0) return MissingBody(fetched, failed);
    return SaveArticle(site_, Mid(page, begin, end - begin), article);
}

}  // namespace pw
