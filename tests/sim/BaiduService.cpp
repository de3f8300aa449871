#include "sim/BaiduService.h"

#include <algorithm>

#include "base/Encoding.h"
#include "sim/DemoPages.h"

namespace pw::sim {

namespace {

std::string ArticlePath(const DemoBlog& blog, const DemoArticle& article) {
    return "/" + blog.account + "/blog/item/" + article.id + "a1b2c3.html";
}

std::string BlogPage(const DemoBlog& blog) {
    // The engine trims the name but decodes no entities.
    return ToAnsi("<html><head><title> " + blog.name +
                  " _百度空间</title></head><body><div id=\"m_blog\">首页</div></body></html>\n");
}

std::string CategoryPage(const DemoBlog& blog) {
    std::string links;
    for (const auto& name : blog.categories) {
        links += "<div class=\"item\"><a href=\"/" + blog.account + "/blog/category/" +
                 std::to_string(links.size()) + "\" title=\"查看该分类中所有文章\">" +
                 HtmlText(name) + "</a>(" + std::to_string(ArticlesOf(blog, name).size()) +
                 ")</div>\n";
    }
    return ToAnsi(
        "<html><head><title>" + blog.name +
        "_百度空间</title></head><body>\n<div id=\"m_artclg\" class=\"modbox\">\n" + links +
        "</div>\n<table width=\"100%\"><tr><td><a title=\"不是分类的文章\">页脚</a></td></tr>"
        "</table></body></html>\n");
}

std::string ArticlePage(const DemoArticle& article) {
    return ToAnsi(
        "<html><head><title>" + HtmlText(article.title) +
        "</title></head><body>\n<div id=\"m_blog\" class=\"modbox\">\n<div class=\"tit\">" +
        HtmlText(article.title) + "</div>\n<div class=\"date\">" + article.time +
        "</div>\n<table style=\"table-layout:fixed;width:100%\"><tr><td><div id=\"blog_text\" "
        "class=\"cnt\">" +
        BodyWithPictures(article) +
        "</div></td></tr></table>\n<div class=\"opt\"><a href=\"#\">浏览(10)</a></div>\n"
        "</div></body></html>\n");
}

}  // namespace

std::string BaiduArticleUrl(const DemoBlog& blog, const DemoArticle& article) {
    return "http://" + std::string(kBaiduHost) + ArticlePath(blog, article);
}

std::string BaiduIndexEntry(const DemoBlog& blog, const DemoArticle& article) {
    return ToAnsi("<div class=\"tit\"><a href=\"" + ArticlePath(blog, article) +
                  "\" target=\"_blank\">" + HtmlText(article.title) +
                  "</a></div>\n<div class=\"date\">" + article.time +
                  "</div>\n<div class=\"cnt\">摘要……</div>\n<div class=\"opt\"><a href=\"/" +
                  blog.account + "/blog/category/x\" title=\"查看该分类中所有文章\">类别：" +
                  HtmlText(article.category) + "</a> | <a href=\"#\">评论(0)</a></div>\n");
}

std::string BaiduIndexPage(const std::string& entries) {
    return "<html><head><title>文章列表_百度空间</title></head><body>\n<div id=\"m_blog\" "
           "class=\"modbox\">\n" +
           entries + "</div>\n<div class=\"pager\">下一页</div></body></html>\n";
}

std::string AddBaiduBlog(ServiceSimulator& simulator, const DemoBlog& blog) {
    const std::string home = "/" + blog.account;
    simulator.Route(kBaiduHost, home, Response::Html(BlogPage(blog)));
    simulator.Route(kBaiduHost, home + "/blog", Response::Html(CategoryPage(blog)));
    const size_t size = static_cast<size_t>(std::max(1, blog.pageSize));
    const size_t pages = (blog.articles.size() + size - 1) / size;
    for (size_t n = 0; n < pages; ++n) {
        std::string entries;
        for (size_t i = n * size; i < blog.articles.size() && i < (n + 1) * size; ++i) {
            entries += BaiduIndexEntry(blog, blog.articles[i]);
        }
        simulator.Route(kBaiduHost, home + "/blog/index/" + std::to_string(n),
                        Response::Html(BaiduIndexPage(entries)));
    }
    // Behind the last page the index shows no articles and no dates.
    simulator.Route(kBaiduHost, home + "/blog/index/" + std::to_string(pages),
                    Response::Html(BaiduIndexPage("<p>暂无文章</p>\n")));
    for (const auto& article : blog.articles) {
        simulator.Route(kBaiduHost, ArticlePath(blog, article),
                        Response::Html(ArticlePage(article)));
        RoutePictures(simulator, article);
    }
    return "http://" + std::string(kBaiduHost) + home;
}

}  // namespace pw::sim
