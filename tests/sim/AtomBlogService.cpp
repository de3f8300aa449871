#include "sim/AtomBlogService.h"

#include <memory>

namespace pw::sim {

namespace {

constexpr size_t kPerDocument = 5;
constexpr const char* kFeedPath = "/feeds/all.atom.xml";

std::string Entry(const FeedBlog& blog, const FeedPost& post, bool draft, bool asXhtml) {
    const std::string url = AtomPostUrl(blog, post);
    std::string xml = "  <entry>\n    <title type=\"text\">" +
                      XmlText(draft ? AtomDraftTitle(post) : post.title) +
                      "</title>\n    <link rel=\"alternate\" type=\"text/html\" href=\"" + url +
                      "\"/>\n    <id>tag:atom.pagewell.test,2012:" + post.slug +
                      "</id>\n    <published>" + AtomTime(post.published, blog.zone) +
                      "</published>\n    <updated>" +
                      AtomTime(draft ? post.published : post.updated, blog.zone) + "</updated>\n";
    for (const auto& category : post.categories) {
        xml += "    <category term=\"" + XmlText(category) + "\"/>\n";
    }
    const std::string body = draft ? "<p>初稿，尚未修改。</p>" : post.body;
    xml += "    <summary type=\"text\">" + XmlText(post.summary) + "</summary>\n";
    // The post's own address is the base of its relative addresses.
    if (asXhtml) {
        xml += "    <content type=\"xhtml\" xml:base=\"" + url +
               "\"><div xmlns=\"http://www.w3.org/1999/xhtml\">" + body + "</div></content>\n";
    } else {
        xml +=
            "    <content type=\"html\" xml:base=\"" + url + "\">" + XmlText(body) + "</content>\n";
    }
    return xml + "  </entry>\n";
}

std::string ArchivePath(size_t archive) {
    return "/feeds/archive/" + std::to_string(archive) + ".xml";
}

// Document 0 is the current feed, 1 and on the archives, newest first.
std::string Document(const FeedBlog& blog, size_t document) {
    const size_t documents = (blog.posts.size() + kPerDocument - 1) / kPerDocument;
    const std::string self = document == 0 ? kFeedPath : ArchivePath(document);
    std::string xml =
        "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<feed xmlns=\"http://www.w3.org/2005/Atom\" "
        "xmlns:fh=\"http://purl.org/syndication/history/1.0\" xml:lang=\"zh-CN\">\n  <title>" +
        XmlText(blog.name) + "</title>\n  <subtitle>" + XmlText(blog.description) +
        "</subtitle>\n  <link rel=\"self\" href=\"http://" + blog.host + self +
        "\"/>\n  <link rel=\"alternate\" type=\"text/html\" href=\"http://" + blog.host +
        "/\"/>\n  <id>tag:atom.pagewell.test,2012:feed</id>\n  <updated>" +
        AtomTime("2012-12-29 10:00:00", blog.zone) +
        "</updated>\n  <author><name>墨舟</name></author>\n"
        "  <generator uri=\"https://gohugo.io/\">Hugo</generator>\n";
    // Archive links are relative to the document, as RFC 4287 allows.
    if (document > 0) {
        xml +=
            "  <fh:archive/>\n  <link rel=\"current\" href=\"" + std::string(kFeedPath) + "\"/>\n";
        if (document > 1) {
            xml += "  <link rel=\"next-archive\" href=\"" + std::to_string(document - 1) +
                   ".xml\"/>\n";
        }
    }
    if (document + 1 < documents) {
        xml += "  <link rel=\"prev-archive\" href=\"" +
               (document == 0 ? "archive/1.xml" : std::to_string(document + 1) + ".xml") + "\"/>\n";
    }
    if (document == 0 && blog.posts.size() > kAtomRevisedPost) {
        xml += Entry(blog, blog.posts[kAtomRevisedPost], false, true);
    }
    for (size_t i = document * kPerDocument;
         i < blog.posts.size() && i < (document + 1) * kPerDocument; ++i) {
        const bool revised = i == kAtomRevisedPost;
        if (!revised || document > 0) xml += Entry(blog, blog.posts[i], revised, i % 2 == 1);
    }
    return xml + "</feed>\n";
}

std::string Page(const FeedBlog& blog, const std::string& title, const std::string& main) {
    return "<!DOCTYPE html>\n<html lang=\"zh-cn\"><head>\n<meta charset=\"utf-8\">\n<title>" +
           title + "</title>\n<link rel=\"alternate\" type=\"application/atom+xml\" title=\"" +
           XmlText(blog.name) + "\" href=\"" + kFeedPath +
           "\">\n</head>\n<body>\n<nav><a href=\"/\">首页</a></nav>\n<main>\n" + main +
           "</main>\n</body>\n</html>\n";
}

}  // namespace

FeedBlog MakeAtomBlog() {
    FeedBlogShape shape;
    shape.host = kAtomHost;
    shape.name = "潮汐笔记";
    shape.zone = "-05:00";
    shape.categories = {"Rust", "Linux", "随笔"};
    shape.posts = 17;
    shape.pictureEvery = 5;
    FeedBlog blog = MakeFeedBlog(shape);
    blog.posts[kAtomRevisedPost].title += "（修订版）";
    blog.posts[kAtomRevisedPost].updated = "2012-12-29 10:00:00";
    return blog;
}

std::string AtomDraftTitle(const FeedPost& post) {
    return post.title + "（初稿）";
}

std::string AtomPostUrl(const FeedBlog& blog, const FeedPost& post) {
    return "http://" + blog.host + "/posts/" + post.slug + "/";
}

std::string AddAtomBlog(ServiceSimulator& simulator, const FeedBlog& blog) {
    const size_t documents = (blog.posts.size() + kPerDocument - 1) / kPerDocument;
    const auto atom = [](std::string xml) {
        return Response::Text(std::move(xml), "application/atom+xml; charset=utf-8");
    };
    simulator.Route(blog.host, kFeedPath, atom(Document(blog, 0)));
    for (size_t d = 1; d < documents; ++d) {
        simulator.Route(blog.host, ArchivePath(d), atom(Document(blog, d)));
    }
    std::string list;
    for (size_t i = 0; i < blog.posts.size() && i < 5; ++i) {
        list += "<h2><a href=\"" + AtomPostUrl(blog, blog.posts[i]) + "\">" +
                XmlText(blog.posts[i].title) + "</a></h2>\n";
    }
    simulator.Route(blog.host, "/", Response::Html(Page(blog, XmlText(blog.name), list)));
    for (const auto& post : blog.posts) {
        const std::string url = AtomPostUrl(blog, post);
        simulator.Route(blog.host, url.substr(url.find('/', 7)),
                        Response::Html(Page(blog, XmlText(post.title),
                                            "<article>\n<h1>" + XmlText(post.title) + "</h1>\n" +
                                                post.body + "\n</article>\n")));
        RoutePictures(simulator, url, post);
    }
    return "http://" + blog.host + "/";
}

}  // namespace pw::sim
