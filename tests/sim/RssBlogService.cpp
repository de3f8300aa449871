#include "sim/RssBlogService.h"

namespace pw::sim {

namespace {

std::string Feed(const FeedBlog& blog) {
    std::string xml =
        "<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"yes\"?>\n<rss version=\"2.0\" "
        "xmlns:atom=\"http://www.w3.org/2005/Atom\">\n  <channel>\n    <title>" +
        XmlText(blog.name) + "</title>\n    <link>http://" + blog.host +
        "/</link>\n    <description>" + XmlText(blog.description) +
        "</description>\n    <generator>Hugo</generator>\n    <language>zh-cn</language>\n"
        "    <lastBuildDate>" +
        RssTime(blog.posts.empty() ? "2012-12-28 00:00:00" : blog.posts[0].updated, blog.zone) +
        "</lastBuildDate>\n    <atom:link href=\"http://" + blog.host +
        "/index.xml\" rel=\"self\" type=\"application/rss+xml\" />\n";
    for (const auto& post : blog.posts) {
        const std::string url = RssPostUrl(blog, post);
        xml += "    <item>\n      <title>" + XmlText(post.title) + "</title>\n      <link>" + url +
               "</link>\n      <pubDate>" + RssTime(post.published, blog.zone) +
               "</pubDate>\n      <guid>" + url + "</guid>\n      <description>" +
               XmlText("<p>" + post.summary + "</p>") + "</description>\n    </item>\n";
    }
    return xml + "  </channel>\n</rss>\n";
}

// A theme's page: the logo and a sidebar picture around the text, which sits in
// <article>, in <div class="entry-content"> or, on a bare page, in neither.
std::string PostPage(const FeedBlog& blog, const FeedPost& post, size_t index) {
    const std::string heading = "<h1 class=\"title\">" + XmlText(post.title) + "</h1>\n";
    std::string main;
    if (index == kRssBarePost) {
        main = "<div class=\"text\">\n" + heading + post.body + "\n</div>\n";
    } else if (index % 2 == 0) {
        main = "<article class=\"post\">\n" + heading + post.body + "\n</article>\n";
    } else {
        main = heading + "<div class=\"entry-content\">\n" + post.body + "\n</div>\n";
    }
    return "<!DOCTYPE html>\n<html lang=\"zh-cn\"><head>\n<meta charset=\"utf-8\">\n<title>" +
           XmlText(post.title) + " | " + XmlText(blog.name) +
           "</title>\n</head>\n<body>\n<header><a href=\"/\"><img src=\"/theme/logo.png\" "
           "alt=\"logo\"></a></header>\n<main>\n" +
           main +
           "</main>\n<aside><img src=\"/theme/ad.png\" alt=\"\"><p>友情链接</p></aside>\n"
           "<footer>© 2012</footer>\n</body>\n</html>\n";
}

}  // namespace

FeedBlog MakeRssBlog() {
    FeedBlogShape shape;
    shape.host = kRssHost;
    shape.name = "山居札记";
    shape.zone = "+09:00";
    shape.categories = {};
    shape.posts = 9;
    shape.pictureEvery = 3;
    shape.pictureDir = "/images/";
    return MakeFeedBlog(shape);
}

std::string RssPostUrl(const FeedBlog& blog, const FeedPost& post) {
    return "http://" + blog.host + "/posts/" + post.slug + "/";
}

std::string AddRssBlog(ServiceSimulator& simulator, const FeedBlog& blog) {
    simulator.Route(blog.host, "/index.xml",
                    Response::Text(Feed(blog), "application/rss+xml; charset=utf-8"));
    std::string list;
    for (const auto& post : blog.posts) {
        list +=
            "<li><a href=\"" + RssPostUrl(blog, post) + "\">" + XmlText(post.title) + "</a></li>\n";
    }
    simulator.Route(blog.host, "/",
                    Response::Html("<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>" +
                                   XmlText(blog.name) + "</title></head>\n<body><ul>\n" + list +
                                   "</ul></body></html>\n"));
    for (size_t i = 0; i < blog.posts.size(); ++i) {
        const FeedPost& post = blog.posts[i];
        const std::string url = RssPostUrl(blog, post);
        simulator.Route(blog.host, url.substr(url.find('/', 7)),
                        Response::Html(PostPage(blog, post, i)));
        RoutePictures(simulator, url, post);
    }
    return "http://" + blog.host + "/";
}

}  // namespace pw::sim
