#include "sites/BaiduBlog.h"

#include "engine/ArticleRenderer.h"
#include "engine/Encoding.h"
#include "engine/Host.h"
#include "engine/TextDecode.h"
#include "engine/TextOps.h"
#include "sites/SiteHelpers.h"

namespace pw {

namespace {

const std::string& DateError() {
    static const std::string text = A("获取日期时间时发生错误，请联系开发者!");
    return text;
}

// Scans the articles of one index page from the "m_blog" block on. The record
// carries over between entries as the engine's shared record does. Every step
// searches behind the previous one, so the scan only moves forward; an entry
// whose shape would send it back ends the page instead.
std::vector<ArticleInfo> ScanIndexPage(const std::string& page, int pos, ArticleInfo& record) {
    static const std::string kTitle = "class=\"tit\"";
    static const std::string kCategory = A("\">类别：");
    std::vector<ArticleInfo> found;
    CForwardFind dates(page, "date\">");
    CForwardFind titles(page, kTitle);
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
            ShowMessageBox(DateError());
            break;
        }
        const int date = dates.From(titleEnd);
        if (date < 0) {
            // No entry behind this one has a date either.
            ShowMessageBox(DateError());
            break;
        }
        // A date behind the next entry's title is that entry's, not this one's.
        const int nextTitle = titles.From(titleEnd);
        if (nextTitle >= 0 && date > nextTitle) {
            if (!dateErrorShown) ShowMessageBox(DateError());  // once a page is enough
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

std::string CBaiduBlog::IndexPageUrl(int page) const {
    return Format("http://%s/%s/blog/index/%d", kBaiduSpaceHost, m_strAccount.c_str(), page);
}

int CBaiduBlog::ParseAddress(const std::string& address) {
    const std::string marker = std::string(kBaiduSpaceHost) + "/";
    const int at = Find(address, marker, 0);
    if (at < 0) return 0;
    const int start = at + Len(marker);
    const int slash = FindChar(address, '/', start);
    const std::string account =
        slash >= 0 ? Mid(address, start, slash - start) : Mid(address, start);
    m_strAccount = account;
    m_strHomeUrl = std::string("http://") + kBaiduSpaceHost + "/" + account;
    m_strBlogName = account;

    const std::string page = FetchAnsiPage(address);
    const int open = Find(page, "<title>", 0);
    const int suffix = open >= 0 ? Find(page, A("_百度空间"), open + 7) : -1;
    if (suffix >= 0) {
        std::string name = Mid(page, open + 7, suffix - open - 7);
        Trim(name);
        m_strBlogName = name;
    }
    return 1;
}

int CBaiduBlog::GetCategories(CStringList* list) {
    if (!list) return 0;
    list->clear();
    const std::string page =
        FetchAnsiPage(Format("http://%s/%s/blog", kBaiduSpaceHost, m_strAccount.c_str()));
    const int block = Find(page, "id=\"m_artclg\"", 0);
    if (block < 0) {
        ShowMessageBox(A("获取文章分类时出现未知错误，请联系开发者!"));
        return 0;
    }
    int limit = Find(page, "<table ", block);
    if (limit < 0) limit = Len(page);
    static const std::string kName = A("文章\">");
    int pos = block;
    while (true) {
        const int name = Find(page, kName, pos);
        if (name < 0 || name > limit || name + 6 > Len(page)) break;
        const int end = Find(page, "</a>", name + 6);
        if (end < 0 || end > limit) break;
        std::string text = Mid(page, name + 6, end - name - 6);
        DecodeHtmlEntities(text);
        list->push_back(text);
        pos = end;
    }
    return 1;
}

void CBaiduBlog::ListArticles(ArticleCallback callback, void* userData) {
    if (!callback) return;
    m_nArticleCount = 0;
    ArticleInfo record;
    InitArticleInfo(&record);
    ArticleInfo scan;  // the record as the index pages' entries leave it
    CPagingGuard guard;
    for (int n = 0; n < CPagingGuard::kMaxPages; ++n) {
        ShowStatus(1, Format(A("正在获取第 %d 页文章……").c_str(), n + 1));
        const std::string page = FetchAnsiPage(IndexPageUrl(n));
        const int blog = Find(page, "id=\"m_blog\"", 0);
        if (Find(page, "class=\"date\"", 0) < 0 || blog < 0) break;
        const std::vector<ArticleInfo> found = ScanIndexPage(page, blog, scan);
        // An index that repeats its previous page would never run out.
        if (!guard.Advance(ArticleAddresses(found))) break;
        ReportArticles(found, record, m_nArticleCount, callback, userData);
    }
    FreeArticleInfo(&record);
}

void CBaiduBlog::DownloadArticle(ArticleInfo* article) {
    if (!article) return;
    const std::string page = FetchAnsiPage(article->strUrl);
    const std::string failed = A("出现严重错误，请联系开发者!");
    const int marker = Find(page, "<div id=\"m_blog\"", 0);
    const int begin = marker >= 0 ? Find(page, "<table style=", marker) : -1;
    if (begin < 0) {
        ShowMessageBox(failed);
        return;
    }
    int end = Find(page, "<div class=\"opt\">", begin);
    if (end < 0) end = Find(page, "</td></tr></table>", begin);
    if (end < 0) {
        ShowMessageBox(failed);
        return;
    }
    std::string body = Mid(page, begin, end - begin);
    RenderArticlePage(body, article, m_strImageDir);
}

}  // namespace pw
