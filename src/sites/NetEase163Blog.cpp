#include "sites/NetEase163Blog.h"

#include <cstdlib>
#include <unordered_set>

#include "base/Encoding.h"
#include "base/Format.h"
#include "base/Text.h"
#include "net/PostRequest.h"
#include "sites/PagedList.h"
#include "sites/RemoteCallAnswer.h"
#include "sites/Scanner.h"
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
    return Utf16ToUtf8(DecodeScriptEscapes(raw.c_str()));
}

// Fills the record from one variable's assignments, step by step as far as they
// go; true when all four were there and the article is to be reported.
bool ReadVariable(RemoteCallAnswer& answer, const std::string& var, const std::string& homeUrl,
                  ArticleInfo& record) {
    const auto permalink = answer.QuotedValue(var, "permalink");
    if (!permalink) return false;
    record.url = homeUrl + *permalink;
    const auto title = answer.QuotedValue(var, "title");
    if (!title) return false;
    record.title = ScriptText(*title);
    const auto publishTime = answer.NumberValue(var, "publishTime");
    if (!publishTime) return false;
    record.time = FormatTime(*publishTime / 1000);
    const auto className = answer.QuotedValue(var, "className");
    if (!className) return false;
    record.category = ScriptText(*className);
    return true;
}

// The answer's articles, in list order. A variable skipped at a later step
// leaves the fields of the earlier ones in the record.
std::vector<ArticleInfo> ReadArticles(RemoteCallAnswer& answer,
                                      const std::vector<std::string>& variables,
                                      const std::string& homeUrl, ArticleInfo& record) {
    std::vector<ArticleInfo> found;
    // A name listed twice is one article; reading it again adds nothing.
    std::unordered_set<std::string> seen;
    for (const std::string& var : variables) {
        if (!seen.insert(var).second) continue;
        if (ReadVariable(answer, var, homeUrl, record)) found.push_back(record);
    }
    return found;
}

class NetEase163Blog final : public BlogBase {
public:
    using BlogBase::BlogBase;

    bool ParseAddress(const std::string& address) override {
        const auto name = AccountBeforeDomain(address, std::string(".") + k163BlogDomain);
        if (!name) return false;
        account = *name;
        homeUrl = "http://" + account + "." + k163BlogDomain + "/";
        userId_.clear();
        const std::string text = FetchPage(site_, PageCode::Cp936, homeUrl).text;
        blogName = PageTitle(text).value_or(account);
        Scanner page(text);
        // Still this engine's blog: only its listing will come out empty.
        if (page.Require("userId:", site_, "发现未知错误,请联系开发者!")) {
            if (const auto id = page.Cut("userId:", ",")) userId_ = Trimmed(*id);
        }
        return true;
    }

    bool GetCategories(std::vector<std::string>& list) override {
        list.clear();
        const std::string text =
            FetchPage(site_, PageCode::Cp936,
                      Format("http://%s.%s/blog", account.c_str(), k163BlogDomain))
                .text;
        Scanner page(text);
        if (!page.Require("{id:\"fks_", site_, "获取文章分类时出现未知错误，请联系开发者!")) {
            return false;
        }
        page.EndBlockAt("}],");
        while (const auto name = page.Cut("name:\"", "\"")) list.push_back(EntitiesDecoded(*name));
        return true;
    }

    // Twenty articles an answer, from the offset of the names listed so far.
    void ListArticles(const ArticleCallback& callback) override {
        if (!callback) return;
        articleCount = 0;
        ArticleInfo record;
        int offset = 0;
        int listed = 0;  // names in the previous answer, skipped ones included
        ListPages(site_, articleCount, callback, [&](int index) -> std::optional<ListPage> {
            // The progress of an answer is shown once its articles are reported.
            if (index > 0) {
                if (offset > INT32_MAX - listed) return std::nullopt;
                offset += listed;
                site_.Status(Format("已获取 %d 个文章……", offset));
            }
            RemoteCallAnswer answer(RequestListPage(offset));
            const std::vector<std::string> variables = answer.ListedVariables();
            // No names also covers brackets that hold only commas: the offset
            // could not advance and the same request would repeat.
            if (variables.empty()) return std::nullopt;
            listed = static_cast<int>(variables.size());
            return ListPage{ReadArticles(answer, variables, homeUrl, record)};
        });
    }

    ArticleOutcome DownloadArticle(const ArticleInfo& article) const override {
        const FetchedPage fetched = FetchPage(site_, PageCode::Cp936, article.url);
        Scanner page(fetched.text);
        std::optional<std::string> body;
        if (page.Past("nbw-blog ztag\">")) body = page.Until("<div >");
        return SaveBody(site_, fetched, std::move(body), article);
    }

    std::vector<std::string> ServiceDomains() const override { return {"163.com"}; }

private:
    // The remote-call answer for the articles from offset on.
    std::string RequestListPage(int offset) const {
        const std::string body = ListCallBody(userId_, offset);
        std::string answer;
        std::string networkError;
        PostRequest(site_.Http(), answer, k163ApiHost, kListPath, ListCallHeaders(body.size()),
                    body, &networkError);
        if (!networkError.empty()) site_.Message(networkError);
        return answer;
    }

    std::string userId_;  // read from the home page; the listing asks by it
};

}  // namespace

std::unique_ptr<BlogBase> MakeNetEase163Blog(SiteContext& site) {
    return std::make_unique<NetEase163Blog>(site);
}

}  // namespace pw
