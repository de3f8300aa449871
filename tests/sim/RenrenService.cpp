#include "sim/RenrenService.h"

#include <algorithm>

#include "sim/DemoPages.h"

namespace pw::sim {

namespace {

std::string ProfilePage(const DemoBlog& blog) {
    return "<html><head><meta charset=\"utf-8\"><title>人人网</title></head><body>\n"
           "<div class=\"profile\"><h1 class=\"username\">\n  " +
           blog.name + "  </h1></div>\n</body></html>\n";
}

std::string DiaryPage(const DemoArticle& article) {
    return "<html><head><meta charset=\"utf-8\"><title>" + HtmlText(article.title) +
           "</title></head><body>\n<h3 class=\"title-article\"><strong>" + HtmlText(article.title) +
           "</strong></h3>\n<div id=\"blogContent\" class=\"text-article\">" +
           BodyWithPictures(article) +
           "<!--XN_Anti_Spam_Ads-->\n</div>\n<p "
           "class=\"stat-article\">阅读(12)</p>\n</body></html>\n";
}

}  // namespace

std::string RenrenListPath(const std::string& userId, int page) {
    return "/blog/" + userId + "/friends?curpage=" + std::to_string(page) +
           "&year=0&month=0&selitem=";
}

std::string RenrenDiaryUrl(const DemoBlog& blog, const DemoArticle& article) {
    return "http://" + std::string(kRenrenBlog) + "/blog/" + blog.account + "/" + article.id;
}

std::string RenrenListEntry(const DemoBlog& blog, const DemoArticle& article) {
    return "<div class=\"list-blog\">\n<h3 class=\"title-article\"><strong><a href=\"" +
           RenrenDiaryUrl(blog, article) + "\">\n  " + article.title +
           "\n</a></strong></h3>\n<span class=\"timestamp\"> " + article.time +
           " </span>\n<div class=\"text-article\">摘要</div>\n</div>\n";
}

std::string RenrenListPage(const std::string& entries) {
    return "<html><head><meta charset=\"utf-8\"><title>日志</title></head><body>\n<div "
           "id=\"list\">\n" +
           entries + "</div>\n</body></html>\n";
}

std::string AddRenrenBlog(ServiceSimulator& simulator, const DemoBlog& blog) {
    const std::string profile = "/profile.do?id=" + blog.account;
    simulator.Route(kRenrenHome, profile, Response::Html(ProfilePage(blog)));
    const size_t size = static_cast<size_t>(std::max(1, blog.pageSize));
    const size_t pages = (blog.articles.size() + size - 1) / size;
    for (size_t c = 0; c <= pages; ++c) {
        std::string entries;
        for (size_t i = c * size; i < blog.articles.size() && i < (c + 1) * size; ++i) {
            entries += RenrenListEntry(blog, blog.articles[i]);
        }
        if (entries.empty()) entries = "<p class=\"no-result\">没有日志</p>\n";
        simulator.Route(kRenrenBlog, RenrenListPath(blog.account, static_cast<int>(c)),
                        Response::Html(RenrenListPage(entries)));
    }
    for (const auto& article : blog.articles) {
        const std::string url = RenrenDiaryUrl(blog, article);
        simulator.Route(kRenrenBlog, url.substr(url.find('/', 7)),
                        Response::Html(DiaryPage(article)));
        RoutePictures(simulator, article);
    }
    return "http://" + std::string(kRenrenHome) + profile;
}

}  // namespace pw::sim
