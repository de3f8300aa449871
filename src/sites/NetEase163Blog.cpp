#include "sites/NetEase163Blog.h"

#include <cstdlib>
#include <unordered_set>

#include "engine/ArticleRenderer.h"
#include "base/Encoding.h"
#include "base/TextDecode.h"
#include "base/TextOps.h"
#include "base/TextRoutines.h"
#include "net/PostRequest.h"
#include "sites/RemoteCallAnswer.h"
#include "sites/SiteHelpers.h"

namespace pw {

namespace {

constexpr const char* kListPath = "tarn0925/dwr/call/plaincall/BlogBeanNew.getBlogs.dwr";

// 100000 plus a value of the process-wide random source (0 to 32767).
int NextBatchId() {
    return 100000 + (std::rand() % 32768) % 900000;
}

std::string ListCallBody(const std::string& userId, int offset) {
    return Format(
        "callCount=1\n"
        "scriptSessionId=${scriptSessionId}187\n"
        "c0-scriptName=BlogBeanNew\n"
        "c0-methodName=getBlogs\n"
        "c0-id=0\n"
        "c0-param0=number:%s\n"
        "c0-param1=number:%d\n"
        "c0-param2=number:20\n"
        "batchId=%d\n",
        userId.c_str(), offset, NextBatchId());
}

std::string ListCallHeaders(size_t bodyLength) {
    return Format(
        "Accept: */*\n"
        "Accept-Language: zh-cn\n"
        "Referer: http://%s/crossdomain.html?t=20100205\n"
        "Content-Type: text/plain\n"
        "Accept-Encoding: gzip, deflate\n"
        "User-Agent: Mozilla/4.0 (compatible; MSIE 8.0; Windows NT 5.1; Trident/4.0; .NET CLR "
        "2.0.50727; .NET CLR 3.0.04506.648; .NET CLR 3.5.21022)\n"
        "Host: %s\n"
        "Content-Length: %d\n"
        "Connection: Keep-Alive\n"
        "Pragma: no-cache\n"
        "Cookie: %s\n",
        k163ApiHost, k163ApiHost, static_cast<int>(bodyLength), "");
}

std::string ScriptText(const std::string& raw) {
    return Utf16ToAnsi(DecodeScriptEscapes(raw.c_str()));
}

// Fills the record from one variable's assignments, step by step as far as they
// go; true when all four were there and the article is to be reported.
bool ReadVariable(RemoteCallAnswer& answer, const std::string& var, const std::string& homeUrl,
                  ArticleInfo& record) {
    const auto permalink = answer.QuotedValue(var, "permalink");
    if (!permalink) return false;
    record.strUrl = homeUrl + *permalink;
    const auto title = answer.QuotedValue(var, "title");
    if (!title) return false;
    record.strTitle = ScriptText(*title);
    const auto publishTime = answer.NumberValue(var, "publishTime");
    if (!publishTime) return false;
    record.strTime = FormatTime(*publishTime / 1000);
    const auto className = answer.QuotedValue(var, "className");
    if (!className) return false;
    record.strCategory = ScriptText(*className);
    return true;
}

}  // namespace

bool NetEase163Blog::ParseAddress(const std::string& address) {
    const int end = Find(address, std::string(".") + k163BlogDomain, 0);
    if (end < 0) return false;
    // A "//" behind the domain belongs to the path, not to a scheme.
    const int slashes = Find(address, "//", 0);
    const std::string name = slashes >= 0 && slashes < end
                                    ? Mid(address, slashes + 2, end - slashes - 2)
                                    : Left(address, end);
    account = name;
    homeUrl = "http://" + account + "." + k163BlogDomain + "/";
    blogName = account;
    userId_.clear();

    const std::string page = FetchAnsiPage(site_, homeUrl).text;
    const int open = Find(page, "<title>", 0);
    const int close = open >= 0 ? Find(page, "</title>", open + 7) : -1;
    if (close >= 0) {
        std::string title = Mid(page, open + 7, close - open - 7);
        Trim(title);
        blogName = title;
    }
    const int id = Find(page, "userId:", 0);
    if (id < 0) {
        site_.Message(Gbk("发现未知错误,请联系开发者!"));
        return true;
    }
    const int comma = FindChar(page, ',', id + 7);
    if (comma >= 0) {
        userId_ = Mid(page, id + 7, comma - id - 7);
        Trim(userId_);
    }
    return true;
}

bool NetEase163Blog::GetCategories(std::vector<std::string>& list) {
    list.clear();
    const std::string page =
        FetchAnsiPage(site_, Format("http://%s.%s/blog", account.c_str(), k163BlogDomain)).text;
    const int block = Find(page, "{id:\"fks_", 0);
    if (block < 0) {
        site_.Message(Gbk("获取文章分类时出现未知错误，请联系开发者!"));
        return false;
    }
    int limit = Find(page, "}],", block);
    if (limit < 0) limit = Len(page);
    int pos = block;
    while (true) {
        const int name = Find(page, "name:\"", pos);
        if (name < 0 || name > limit || name + 6 >= Len(page)) break;
        const int quote = FindChar(page, '"', name + 6);
        if (quote < 0 || quote > limit) break;
        std::string text = Mid(page, name + 6, quote - name - 6);
        DecodeHtmlEntities(text);
        list.push_back(text);
        pos = quote;
    }
    return true;
}

std::string NetEase163Blog::RequestListPage(int offset) const {
    const std::string body = ListCallBody(userId_, offset);
    std::string answer;
    std::string networkError;
    PostRequest(site_.Http(), answer, k163ApiHost, kListPath, ListCallHeaders(body.size()), body,
                &networkError);
    if (!networkError.empty()) site_.Message(networkError);
    return answer;
}

void NetEase163Blog::ListArticles(const ArticleCallback& callback) {
    if (!callback) return;
    articleCount = 0;
    ArticleInfo record;
    ArticleInfo scan;  // the record as the answers' assignments leave it
    PagingGuard guard;
    for (int offset = 0;;) {
        RemoteCallAnswer answer(RequestListPage(offset));
        const std::vector<std::string> variables = answer.ListedVariables();
        // No names also covers brackets that hold only commas: the offset could
        // not advance and the same request would repeat.
        if (variables.empty()) break;
        std::vector<ArticleInfo> found;
        // A name listed twice is one article; reading it again adds nothing.
        std::unordered_set<std::string> seen;
        for (const std::string& var : variables) {
            if (!seen.insert(var).second) continue;
            if (ReadVariable(answer, var, homeUrl, scan)) found.push_back(scan);
        }
        if (!guard.Advance(ArticleAddresses(found))) break;
        if (!ReportArticles(found, record, articleCount, callback)) break;
        if (offset > INT32_MAX - static_cast<int>(variables.size())) break;
        offset += static_cast<int>(variables.size());
        site_.Status(Format(Gbk("已获取 %d 个文章……").c_str(), offset));
    }
}

std::vector<std::string> NetEase163Blog::ServiceDomains() const {
    return {"163.com"};
}

ArticleOutcome NetEase163Blog::DownloadArticle(const ArticleInfo& article) const {
    const FetchedPage fetched = FetchAnsiPage(site_, article.strUrl);
    const std::string& page = fetched.text;
    const int marker = Find(page, "nbw-blog ztag\">", 0);
    const int begin = marker + 15;
    const int end = marker >= 0 ? Find(page, "<div >", begin) : -1;
    if (end < 0) return MissingBody(fetched, Gbk("出现严重错误，请联系开发者!"));
    return SaveArticle(site_, Mid(page, begin, end - begin), article);
}

}  // namespace pw
