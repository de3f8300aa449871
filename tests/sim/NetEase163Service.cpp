#include "sim/NetEase163Service.h"

#include <algorithm>
#include <ctime>

#include "base/Encoding.h"
#include "sim/DemoPages.h"

namespace pw::sim {

namespace {

std::string HomeHost(const DemoBlog& blog) {
    return blog.account + "." + k163Domain;
}

std::string HomePage(const DemoBlog& blog, const NetEase163Options& options) {
    // The engine takes the title as it stands, without decoding entities.
    return ToAnsi("<html><head><title>  " + blog.name +
                  "  </title>\n<script>\nvar UD = {\n  host:'" + HomeHost(blog) +
                  "',\n  userId:" + options.userId + ",\n  userName:'" + blog.account +
                  "'\n};\n</script></head><body>home</body></html>\n");
}

std::string CategoryPage(const DemoBlog& blog) {
    std::string block;
    for (size_t i = 0; i < blog.categories.size(); ++i) {
        block += std::string(i ? "," : "") + "{id:\"fks_0810670800" + std::to_string(i) +
                 "\",name:\"" + HtmlText(blog.categories[i]) +
                 "\",count:" + std::to_string(ArticlesOf(blog, blog.categories[i]).size()) + "}";
    }
    if (blog.categories.empty()) block = "{id:\"fks_0\",count:0}";
    return ToAnsi("<html><head><title>" + HtmlText(blog.name) +
                  "</title></head><body>\n<script>\nvar cls = [" + block +
                  "],\n    more = {name:\"后面的名字不属于分类\"};\n</script></body></html>\n");
}

std::string ArticlePage(const DemoArticle& article) {
    return ToAnsi("<html><head><title>" + HtmlText(article.title) +
                  "</title></head><body>\n<div class=\"tit\">" + HtmlText(article.title) +
                  "</div>\n<div class=\"bct fc05 fc11 nbw-blog ztag\">" +
                  BodyWithPictures(article) +
                  "</div>\n<div class=\"nbw-fce\"><div >分享</div></div></body></html>\n");
}

std::string Permalink(const DemoArticle& article) {
    return "blog/static/" + article.id + "2012/";
}

// The number after "name=number:" in the call's body, -1 when absent.
long long CallParameter(const std::string& body, const std::string& name) {
    const std::string marker = name + "=number:";
    const size_t at = body.find(marker);
    if (at == std::string::npos) return -1;
    return std::atoll(body.c_str() + at + marker.size());
}

}  // namespace

std::string ScriptEscape(const std::string& utf8) {
    std::u16string wide;
    for (size_t i = 0; i < utf8.size();) {
        const unsigned char c = static_cast<unsigned char>(utf8[i]);
        const int n = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
        uint32_t code = n == 1 ? c : n == 2 ? c & 0x1F : n == 3 ? c & 0x0F : c & 0x07;
        for (int k = 1; k < n && i + k < utf8.size(); ++k) {
            code = (code << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
        }
        i += static_cast<size_t>(n);
        if (code >= 0x10000) {
            code -= 0x10000;
            wide += static_cast<char16_t>(0xD800 + (code >> 10));
            wide += static_cast<char16_t>(0xDC00 + (code & 0x3FF));
        } else {
            wide += static_cast<char16_t>(code);
        }
    }
    std::string out;
    for (char16_t u : wide) {
        if (u >= 0x20 && u < 0x7F && u != '"' && u != '\\') {
            out += static_cast<char>(u);
        } else {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04X", static_cast<unsigned>(u));
            out += escape;
        }
    }
    return out;
}

long long ChinaTimeMillis(const std::string& time) {
    std::tm parts{};
    std::sscanf(time.c_str(), "%d-%d-%d %d:%d:%d", &parts.tm_year, &parts.tm_mon, &parts.tm_mday,
                &parts.tm_hour, &parts.tm_min, &parts.tm_sec);
    parts.tm_year -= 1900;
    parts.tm_mon -= 1;
    return (static_cast<long long>(timegm(&parts)) - 8 * 3600) * 1000;
}

std::string NetEase163ArticleUrl(const DemoBlog& blog, const DemoArticle& article) {
    return "http://" + HomeHost(blog) + "/" + Permalink(article);
}

std::string NetEase163ListAnswer(const DemoBlog& blog, int offset, int count) {
    std::string script = "//#DWR-INSERT\n//#DWR-REPLY\n";
    std::string names;
    const int total = static_cast<int>(blog.articles.size());
    for (int i = std::max(offset, 0), k = 0; i < total && k < count; ++i, ++k) {
        const DemoArticle& a = blog.articles[static_cast<size_t>(i)];
        const std::string v = "s" + std::to_string(k);
        script += "var " + v + "={};" + v + ".allowView=-100;" + v + ".className=\"" +
                  ScriptEscape(a.category) + "\";" + v + ".commentCount=0;" + v + ".permalink=\"" +
                  Permalink(a) + "\";" + v +
                  ".publishTime=" + std::to_string(ChinaTimeMillis(a.time)) + ";" + v +
                  ".title=\"" + ScriptEscape(a.title) + "\";" + v + ".tag=[];\n";
        names += (k ? "," : "") + v;
    }
    return script + "dwr.engine._remoteHandleCallback('1','0',[" + names + "]);\n";
}

Response NetEase163Answer(const std::string& script, int windowBits) {
    // Not a text type: the simulator's server would otherwise compress it again.
    Response response = Response::Text(Deflate(script, windowBits), "application/x-javascript");
    response.headers.emplace_back("Content-Encoding", windowBits > 15 ? "gzip" : "deflate");
    return response;
}

std::string Add163Blog(ServiceSimulator& simulator, const DemoBlog& blog,
                       const NetEase163Options& options) {
    const std::string host = HomeHost(blog);
    simulator.Route(host, "/", Response::Html(HomePage(blog, options)));
    simulator.Route(host, "/blog", Response::Html(CategoryPage(blog)));
    simulator.Route(k163Api, k163ListPath, [blog, options](const Request& request) {
        const bool ours = request.method == "POST" && CallParameter(request.body, "c0-param0") ==
                                                          std::atoll(options.userId.c_str());
        const long long offset = CallParameter(request.body, "c0-param1");
        const long long count = CallParameter(request.body, "c0-param2");
        if (!ours || offset < 0 || count <= 0) {
            return NetEase163Answer(NetEase163ListAnswer(blog, 0, 0), options.windowBits);
        }
        return NetEase163Answer(
            NetEase163ListAnswer(blog, static_cast<int>(std::min(offset, 1LL << 30)),
                                 static_cast<int>(std::min(count, 1000LL))),
            options.windowBits);
    });
    for (const auto& article : blog.articles) {
        simulator.Route(host, "/" + Permalink(article), Response::Html(ArticlePage(article)));
        RoutePictures(simulator, article);
    }
    return "http://" + host + "/";
}

}  // namespace pw::sim
