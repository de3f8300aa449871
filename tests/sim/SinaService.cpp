#include "sim/SinaService.h"

#include <algorithm>
#include <cstdlib>

namespace pw::sim {

namespace {

std::string ListUrl(const DemoBlog& blog, int category, int page) {
    return "http://" + std::string(kSinaHost) + "/s/articlelist_" + blog.account + "_" +
           std::to_string(category) + "_" + std::to_string(page) + ".html";
}

std::string EscapeAmpersands(std::string text) {
    for (size_t at = text.find('&'); at != std::string::npos; at = text.find('&', at + 5)) {
        text.replace(at, 1, "&amp;");
    }
    return text;
}

// The category block runs from "</em></span></div>" to the last category's
// "</div></li></ul>".
std::string CategoryBlock(const DemoBlog& blog) {
    std::string html =
        "<div class=\"SG_connHead\"><span class=\"title\"><em>博文目录</em></span></div>\n"
        "<div class=\"menuList\"><ul>";
    for (size_t i = 0; i < blog.categories.size(); ++i) {
        html += "\n<li><div class=\"menuCell_main\"><a href=\"" +
                ListUrl(blog, static_cast<int>(i) + 1, 1) + "\">" +
                EscapeAmpersands(blog.categories[i]) + "</a><em>(" +
                std::to_string(ArticlesOf(blog, blog.categories[i]).size()) + ")</em></div></li>";
    }
    if (blog.categories.empty()) html += "<li><div></div></li>";
    return html + "</ul></div>\n";
}

std::string ArticleEntry(const DemoArticle& article) {
    return "<div class=\"articleCell SG_j_linedot1\"><p class=\"atc_main SG_dot\">"
           "<span class=\"atc_ico SG_ico\"></span><span class=\"atc_title\"><a title=\"" +
           article.title + "\" target=\"_blank\" href=\"" + SinaArticleUrl(article) + "\">" +
           article.title + "</a></span></p><p class=\"atc_info\"><span class=\"atc_data\">" +
           "</span><span class=\"atc_tm SG_txtc\">" + article.time.substr(0, 16) +
           "</span></p></div>\n";
}

}  // namespace

std::string SinaArticleUrl(const DemoArticle& article) {
    return "http://" + std::string(kSinaHost) + "/s/blog_4b5c" + article.id + ".html";
}

std::string SinaListPage(const DemoBlog& blog, int category, int page) {
    std::vector<const DemoArticle*> articles;
    if (category == 0) {
        for (const auto& a : blog.articles) articles.push_back(&a);
    } else if (category <= static_cast<int>(blog.categories.size())) {
        articles = ArticlesOf(blog, blog.categories[static_cast<size_t>(category - 1)]);
    }
    const size_t size = static_cast<size_t>(std::max(1, blog.pageSize));
    const size_t first = static_cast<size_t>(page - 1) * size;
    std::string html = "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>" + blog.name +
                       "_新浪博客</title></head><body>\n" + CategoryBlock(blog) +
                       "<div class=\"articleList\">\n";
    for (size_t i = first; i < articles.size() && i < first + size; ++i) {
        html += ArticleEntry(*articles[i]);
    }
    html += "</div>\n<div class=\"SG_page\"><ul class=\"SG_pages\">";
    if (first + size < articles.size()) {
        html += "<li class=\"SG_pgnext\"><a href=\"" + ListUrl(blog, category, page + 1) +
                "\" title=\"跳转至第 " + std::to_string(page + 1) +
                " 页\">下一页&nbsp;&gt;</a></li>";
    }
    return html + "</ul></div>\n</body></html>\n";
}

std::string SinaArticlePage(const DemoArticle& article, const SinaOptions& options) {
    std::string body = article.body;
    for (const auto& picture : article.pictures) {
        body += options.lazyPictures
                    ? "<a href=\"" + picture.url +
                          "\"><IMG title=\"pic\" src=\"http://simg.sinajs.cn/blog7style/images/"
                          "common/sg_trans.gif\" real_src=\"" +
                          picture.url + "\" ALT=\"\" /></a>\n"
                    : "<img src=\"" + picture.url + "\" />\n";
    }
    return "<html><head><title>" + article.title +
           "</title></head><body>\n<div class=\"articalTitle\"><h2>" + article.title +
           "</h2></div>\n<div id=\"sina_keyword_ad_area2\" class=\"articalContent   \">\n" + body +
           "\n</div>\n" +
           (options.shareUpEnding ? "<div class=\"shareUp\"></div>" : "<!-- 正文结束 -->") +
           "\n<div class=\"comment\">...</div></body></html>\n";
}

std::string AddEndlessSinaBlog(ServiceSimulator& simulator, const DemoBlog& blog, int perPage,
                               const std::string& blogPath) {
    const std::string blogPage = "<html><head><title>" + blog.name +
                                 "_新浪博客</title>\n<script>var $uid = \"" + blog.account +
                                 "\";</script></head><body>blog</body></html>\n";
    simulator.Route(kSinaHost, blogPath, Response::Html(blogPage));
    const std::string prefix = "/s/articlelist_" + blog.account + "_0_";
    const std::string head = "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>" +
                             blog.name + "_新浪博客</title></head><body>\n" + CategoryBlock(blog) +
                             "<div class=\"articleList\">\n";
    // Everything else on the host is not there, the article pages included.
    simulator.RouteHost(kSinaHost, [blog, perPage, prefix, head](const Request& request) {
        if (request.path.rfind(prefix, 0) != 0) return Response::NotFound();
        const int page = std::atoi(request.path.c_str() + prefix.size());
        if (page < 1) return Response::NotFound();
        std::string html = head;
        for (int i = 0; i < perPage; ++i) {
            const long number = static_cast<long>(page - 1) * perPage + i + 1;
            DemoArticle article;
            article.id = std::to_string(100000000 + number);
            article.title = "第" + std::to_string(number) + "篇：没有尽头的目录";
            article.time = "2012-12-" + std::to_string(10 + number % 18) + " 08:00";
            html += ArticleEntry(article);
        }
        return Response::Html(html + "</div>\n<div class=\"SG_page\"><ul class=\"SG_pages\">" +
                              "<li class=\"SG_pgnext\"><a href=\"" + ListUrl(blog, 0, page + 1) +
                              "\">下一页&nbsp;&gt;</a></li>" + "</ul></div>\n</body></html>\n");
    });
    return "http://" + std::string(kSinaHost) + blogPath;
}

std::string AddSinaBlog(ServiceSimulator& simulator, const DemoBlog& blog,
                        const SinaOptions& options) {
    const std::string blogPath = options.blogPath.empty() ? "/" + blog.account : options.blogPath;
    const std::string blogPage = "<html><head><title>" + blog.name +
                                 "_新浪博客</title>\n<script>var $uid = \"" + blog.account +
                                 "\"; var scope = {$uid : \"" + blog.account +
                                 "\"};</script></head><body>blog</body></html>\n";
    simulator.Route(kSinaHost, blogPath, Response::Html(blogPage));
    simulator.Route(kSinaHost, "/u/" + blog.account, Response::Html(blogPage));
    const int pages = static_cast<int>(blog.articles.size()) / std::max(1, blog.pageSize) + 1;
    for (int category = 0; category <= static_cast<int>(blog.categories.size()); ++category) {
        for (int page = 1; page <= pages; ++page) {
            const std::string url = ListUrl(blog, category, page);
            simulator.Route(kSinaHost, url.substr(url.find("/s/")),
                            Response::Html(SinaListPage(blog, category, page)));
        }
    }
    for (const auto& article : blog.articles) {
        Response page = Response::Html(SinaArticlePage(article, options));
        page.delayMs = options.delayMs;
        const std::string url = SinaArticleUrl(article);
        simulator.Route(kSinaHost, url.substr(url.find("/s/")), page);
        for (const auto& picture : article.pictures) {
            const size_t path = picture.url.find('/', 7);
            const std::string host = picture.url.substr(7, path - 7);
            simulator.Route(host, picture.url.substr(path),
                            Response::Text(picture.bytes, "image/png"));
        }
    }
    return "http://" + std::string(kSinaHost) + blogPath;
}

}  // namespace pw::sim
