#include "sim/QzoneService.h"

#include <algorithm>
#include <cstdlib>

#include "base/Encoding.h"
#include "sim/DemoPages.h"

namespace pw::sim {

std::string QzoneCategoryAnswer(const DemoBlog& blog, int statedCount) {
    std::string list;
    for (const auto& name : blog.categories) {
        list += std::string(list.empty() ? "" : ",") + "{\"category\":\"" + name +
                "\",\"num\":" + std::to_string(ArticlesOf(blog, name).size()) + "}";
    }
    return ToAnsi("_Callback({\"code\":0,\"data\":{\"uin\":" + blog.account + ",\"blog_num\":" +
                  std::to_string(statedCount) + ",\"categoryList\":[" + list + "]}});\n");
}

// The list is HTML inside a script string, hence the backslashes before quotes.
std::string QzoneTitleEntry(const DemoArticle& article) {
    return ToAnsi(
        "<li class=\\\"bbor3\\\"><span class=\\\"c_tx3\\\">[<a href=\\\"javascript:;\\\" "
        "onclick=\\\"selectCategory(\\'" +
        article.category + "\\');return false;\\\">" + article.category +
        "</a>]</span> <span id=\\\"blogtitle_" + article.id + "\\\" class=\\\"title\\\"> " +
        article.title + " </span><span class=\\\"c_tx3\\\" title=\\\"发表于 " + article.time +
        "\\\"></span></li>");
}

std::string QzoneTitleList(const std::string& entries) {
    return "_Callback({\"code\":0,\"data\":{\"html\":\"<ul>" + entries + "</ul>\"}});\n";
}

std::string QzoneArticleAnswer(const DemoArticle& article) {
    return ToAnsi("<html><body><div class=\"blog_tit\">" + article.title +
                  "</div>\n<div id=\"blogDetailDiv\" class=\"blog_details\">\n" +
                  BodyWithPictures(article) +
                  "\n\t\t\t</div>\n<div class=\"tail\"></div></body></html>\n");
}

std::string AddQzoneBlog(ServiceSimulator& simulator, const DemoBlog& blog,
                         const QzoneOptions& options) {
    const int stated =
        options.statedCount >= 0 ? options.statedCount : static_cast<int>(blog.articles.size());
    simulator.RouteHost(kQzoneCgiHost, [blog, stated](const Request& request) {
        if (QueryValue(request.query, "uin") != blog.account) return Response::NotFound();
        if (request.path == "/cgi-bin/blognew/blog_get_category") {
            return Response::Html(QzoneCategoryAnswer(blog, stated));
        }
        if (request.path == "/cgi-bin/blognew/blog_output_titlelist") {
            const int num = std::atoi(QueryValue(request.query, "num").c_str());
            const int from = std::atoi(QueryValue(request.query, "from").c_str());
            std::string entries;
            for (int i = std::max(from, 0), k = 0;
                 i < static_cast<int>(blog.articles.size()) && k < num; ++i, ++k) {
                entries += QzoneTitleEntry(blog.articles[static_cast<size_t>(i)]);
            }
            return Response::Html(QzoneTitleList(entries));
        }
        if (request.path == "/cgi-bin/blognew/blog_output_data") {
            const std::string id = QueryValue(request.query, "blogid");
            for (const auto& article : blog.articles) {
                if (article.id == id) return Response::Html(QzoneArticleAnswer(article));
            }
        }
        return Response::NotFound();
    });
    for (const auto& article : blog.articles) RoutePictures(simulator, article);
    return "http://user.qzone.qq.com/" + blog.account;
}

}  // namespace pw::sim
