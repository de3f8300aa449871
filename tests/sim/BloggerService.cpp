#include "sim/BloggerService.h"

#include <algorithm>
#include <memory>

#include "sim/DemoBlog.h"
#include "sim/DemoPages.h"

namespace pw::sim {

namespace {

constexpr const char* kBlogId = "7153982645063821405";
constexpr int kDefaultPage = 25;
constexpr int kLargestPage = 150;

std::string PostId(const FeedPost& post) {
    return std::to_string(4410000000000000000ull + static_cast<unsigned long long>(post.number));
}

std::string BloggerTime(const std::string& time, const std::string& zone) {
    return time.substr(0, 10) + "T" + time.substr(11) + ".000" + zone;
}

std::string Author() {
    return "<author><name>墨舟</name><uri>http://www.blogger.com/profile/08464721245509617190</uri>"
           "<email>noreply@blogger.com</email><gd:image rel='http://schemas.google.com/g/"
           "2005#thumbnail' width='16' height='16' "
           "src='https://img1.blogblog.com/img/b16-rounded.gif'/></author>";
}

std::string Entry(const FeedBlog& blog, const FeedPost& post) {
    const std::string url = BloggerPostUrl(blog, post);
    const std::string self =
        "http://www.blogger.com/feeds/" + std::string(kBlogId) + "/posts/default/" + PostId(post);
    std::string xml = "<entry><id>tag:blogger.com,1999:blog-" + std::string(kBlogId) + ".post-" +
                      PostId(post) + "</id><published>" + BloggerTime(post.published, blog.zone) +
                      "</published><updated>" + BloggerTime(post.updated, blog.zone) + "</updated>";
    for (const auto& label : post.categories) {
        xml += "<category scheme='http://www.blogger.com/atom/ns#' term='" + XmlText(label) + "'/>";
    }
    return xml + "<title type='text'>" + XmlText(post.title) + "</title><content type='html'>" +
           XmlText(post.body) + "</content><link rel='replies' type='application/atom+xml' href='" +
           "http://" + blog.host + "/feeds/" + PostId(post) +
           "/comments/default' title='发布评论'/><link rel='replies' type='text/html' href='" +
           url +
           "#comment-form' title='0 条评论'/><link rel='edit' type='application/atom+xml' "
           "href='" +
           self + "'/><link rel='self' type='application/atom+xml' href='" + self +
           "'/><link rel='alternate' type='text/html' href='" + url + "' title='" +
           XmlText(post.title) + "'/>" + Author() + "<thr:total>0</thr:total></entry>";
}

Response FeedPage(const FeedBlog& blog, const Request& request) {
    const std::string startText = QueryValue(request.query, "start-index");
    const std::string maxText = QueryValue(request.query, "max-results");
    const long start = startText.empty() ? 1 : std::max(1L, std::atol(startText.c_str()));
    const long max = maxText.empty()
                         ? kDefaultPage
                         : std::clamp(std::atol(maxText.c_str()), 0L, long{kLargestPage});
    const long total = static_cast<long>(blog.posts.size());
    const std::string feed =
        "http://www.blogger.com/feeds/" + std::string(kBlogId) + "/posts/default";
    const auto pageUrl = [&](long first) {
        return feed + "?start-index=" + std::to_string(first) +
               "&amp;max-results=" + std::to_string(max);
    };
    std::string xml =
        "<?xml version='1.0' encoding='UTF-8'?><?xml-stylesheet "
        "href=\"http://www.blogger.com/styles/atom.css\" type=\"text/css\"?><feed "
        "xmlns='http://www.w3.org/2005/Atom' xmlns:openSearch='http://a9.com/-/spec/opensearchrss/"
        "1.0/' xmlns:blogger='http://schemas.google.com/blogger/2008' "
        "xmlns:georss='http://www.georss.org/georss' xmlns:gd=\"http://schemas.google.com/g/2005\" "
        "xmlns:thr='http://purl.org/syndication/thread/1.0'><id>tag:blogger.com,1999:blog-" +
        std::string(kBlogId) + "</id><updated>" +
        BloggerTime(blog.posts.empty() ? "2012-12-28 00:00:00" : blog.posts[0].updated, blog.zone) +
        "</updated>";
    for (const auto& label : blog.categories) xml += "<category term='" + XmlText(label) + "'/>";
    xml += "<title type='text'>" + XmlText(blog.name) + "</title><subtitle type='html'>" +
           XmlText(blog.description) +
           "</subtitle><link rel='http://schemas.google.com/g/2005#feed' "
           "type='application/atom+xml' href='http://" +
           blog.host +
           "/feeds/posts/default'/><link rel='self' type='application/atom+xml' href='" +
           pageUrl(start) + "'/><link rel='alternate' type='text/html' href='http://" + blog.host +
           "/'/><link rel='hub' href='http://pubsubhubbub.appspot.com/'/>";
    if (start > 1) {
        xml += "<link rel='previous' type='application/atom+xml' href='" +
               pageUrl(std::max(1L, start - max)) + "'/>";
    }
    if (max > 0 && start + max <= total) {
        xml += "<link rel='next' type='application/atom+xml' href='" + pageUrl(start + max) + "'/>";
    }
    xml += Author() +
           "<generator version='7.00' uri='http://www.blogger.com'>Blogger</generator>"
           "<openSearch:totalResults>" +
           std::to_string(total) + "</openSearch:totalResults><openSearch:startIndex>" +
           std::to_string(start) + "</openSearch:startIndex><openSearch:itemsPerPage>" +
           std::to_string(max) + "</openSearch:itemsPerPage>";
    for (long i = start - 1; i < total && i < start - 1 + max; ++i) {
        xml += Entry(blog, blog.posts[static_cast<size_t>(i)]);
    }
    return Response::Text(xml + "</feed>", "application/atom+xml; charset=UTF-8");
}

std::string Page(const FeedBlog& blog, const std::string& title, const std::string& main) {
    const std::string feed = "http://" + blog.host + "/feeds/posts/default";
    return "<!DOCTYPE html>\n<html class='v2' dir='ltr' lang='zh-CN'><head>\n"
           "<meta content='width=1100' name='viewport'/>\n"
           "<meta content='text/html; charset=UTF-8' http-equiv='Content-Type'/>\n"
           "<meta content='blogger' name='generator'/>\n<title>" +
           title + "</title>\n<link rel=\"alternate\" type=\"application/atom+xml\" title=\"" +
           XmlText(blog.name) + " - Atom\" href=\"" + feed +
           "\" />\n<link rel=\"alternate\" type=\"application/rss+xml\" title=\"" +
           XmlText(blog.name) + " - RSS\" href=\"" + feed +
           "?alt=rss\" />\n<link rel=\"service.post\" type=\"application/atom+xml\" title=\"" +
           XmlText(blog.name) + " - Atom\" href=\"https://www.blogger.com/feeds/" + kBlogId +
           "/posts/default\" />\n</head>\n<body>\n<div class='main-inner'>\n" + main +
           "</div>\n</body></html>\n";
}

Response PostPage(const FeedBlog& blog, const FeedPost& post) {
    return Response::Html(Page(
        blog, XmlText(blog.name) + ": " + XmlText(post.title),
        "<div class='post hentry'>\n<h3 class='post-title entry-title'>" + XmlText(post.title) +
            "</h3>\n<div class='post-body entry-content' id='post-body-" + PostId(post) + "'>\n" +
            post.body + "\n<div style='clear: both;'></div>\n</div>\n</div>\n"));
}

}  // namespace

FeedBlog MakeBloggerBlog() {
    FeedBlogShape shape;
    shape.host = kBloggerHost;
    shape.name = "墨舟 的 Blogger 小站";
    shape.zone = "-08:00";
    shape.categories = {"旅行", "读书", "摄影"};
    shape.posts = 160;
    shape.pictureEvery = 0;
    FeedBlog blog = MakeFeedBlog(shape);
    // Blogger keeps uploads on its picture host and links each to its full size.
    for (size_t i = 0; i < blog.posts.size(); i += 40) {
        FeedPost& post = blog.posts[i];
        const std::string dir = "http://" + std::string(kBloggerPictureHost) + "/-Xc4tN" +
                                std::to_string(post.number) + "/UN1KQ/AAAAAAAAAB4/";
        const std::string small = dir + "s320/p" + std::to_string(post.number) + ".png";
        post.body +=
            "\n<div class=\"separator\" style=\"clear: both; text-align: center;\"><a "
            "href=\"" +
            dir + "s1600/p" + std::to_string(post.number) +
            ".png\" imageanchor=\"1\"><img border=\"0\" src=\"" + small +
            "\" width=\"320\" height=\"200\" /></a></div>";
        post.pictures.push_back({small, TinyPng(12, 8, static_cast<unsigned>(post.number))});
    }
    return blog;
}

std::string BloggerPostUrl(const FeedBlog& blog, const FeedPost& post) {
    return "http://" + blog.host + "/" + post.published.substr(0, 4) + "/" +
           post.published.substr(5, 2) + "/" + post.slug + ".html";
}

std::string AddBloggerBlog(ServiceSimulator& simulator, const FeedBlog& blog) {
    auto shared = std::make_shared<const FeedBlog>(blog);
    const auto feed = [shared](const Request& request) { return FeedPage(*shared, request); };
    simulator.RouteHost(blog.host, [shared, feed](const Request& request) {
        if (request.path == "/feeds/posts/default") return feed(request);
        for (const auto& post : shared->posts) {
            if ("http://" + shared->host + request.path == BloggerPostUrl(*shared, post))
                return PostPage(*shared, post);
        }
        if (request.path != "/") return Response::NotFound();
        std::string list;
        for (size_t i = 0; i < shared->posts.size() && i < 7; ++i) {
            list += "<h3 class='post-title entry-title'><a href='" +
                    BloggerPostUrl(*shared, shared->posts[i]) + "'>" +
                    XmlText(shared->posts[i].title) + "</a></h3>\n";
        }
        return Response::Html(Page(*shared, XmlText(shared->name), list));
    });
    simulator.RouteHost("www.blogger.com", [shared, feed](const Request& request) {
        if (request.path == "/feeds/" + std::string(kBlogId) + "/posts/default")
            return feed(request);
        return Response::NotFound();
    });
    for (const auto& post : blog.posts) {
        RoutePictures(simulator, "http://" + blog.host + "/", post);  // absolute addresses
    }
    return "http://" + blog.host + "/";
}

}  // namespace pw::sim
