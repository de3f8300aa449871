#include "sim/WordPressService.h"

#include <algorithm>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>

#include "sim/DemoPages.h"

namespace pw::sim {

namespace {

using Json = nlohmann::ordered_json;

constexpr int kUncategorized = 1;

struct Site {
    FeedBlog blog;
    WordPressOptions options;
    std::string home;  // "http://host"
};

int PostId(const FeedPost& post) {
    return 100 + post.number * 3;
}

int CategoryId(const FeedBlog& blog, const std::string& name) {
    const auto at = std::find(blog.categories.begin(), blog.categories.end(), name);
    return 5 + static_cast<int>(at - blog.categories.begin()) * 2;
}

std::string IsoTime(const std::string& time) {
    return time.substr(0, 10) + "T" + time.substr(11);
}

// Titles as wptexturize leaves them: entities for "&" and the curly quote.
std::string Texturized(const std::string& text, const char* ampersand) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text.compare(i, 3, "’") == 0) {
            out += "&#8217;";
            i += 2;
        } else if (text[i] == '&') {
            out += ampersand;
        } else if (text[i] == '<') {
            out += "&lt;";
        } else if (text[i] == '>') {
            out += "&gt;";
        } else {
            out += text[i];
        }
    }
    return out;
}

// Without pretty links WordPress names index.php itself, sparing nginx a
// redirect; the query answers on any of its addresses.
std::string ApiBase(const Site& site) {
    return site.options.prettyLinks ? site.home + "/wp-json/"
                                    : site.home + "/index.php?rest_route=/";
}

std::string RouteUrl(const Site& site, const std::string& route, const std::string& query) {
    if (site.options.prettyLinks) {
        return site.home + "/wp-json" + route + (query.empty() ? "" : "?" + query);
    }
    return site.home + "/index.php?rest_route=" + route + (query.empty() ? "" : "&" + query);
}

Json PostJson(const Site& site, const FeedPost& post) {
    const FeedBlog& blog = site.blog;
    const int id = PostId(post);
    Json categories = Json::array();
    for (const auto& name : post.categories) categories.push_back(CategoryId(blog, name));
    if (categories.empty()) categories.push_back(kUncategorized);
    const bool locked = post.passwordProtected;
    return Json{
        {"id", id},
        {"date", IsoTime(post.published)},
        {"date_gmt", IsoTime(ToUtc(post.published, blog.zone))},
        {"guid", {{"rendered", site.home + "/?p=" + std::to_string(id)}}},
        {"modified", IsoTime(post.updated)},
        {"modified_gmt", IsoTime(ToUtc(post.updated, blog.zone))},
        {"slug", post.slug},
        {"status", "publish"},
        {"type", "post"},
        {"link", WordPressPostUrl(blog, post, site.options)},
        {"title", {{"rendered", Texturized(post.title, "&amp;")}}},
        {"content", {{"rendered", locked ? "" : post.body + "\n"}, {"protected", locked}}},
        {"excerpt",
         {{"rendered", locked ? "" : "<p>" + post.summary + " [&hellip;]</p>\n"},
          {"protected", locked}}},
        {"author", 1},
        {"featured_media", 0},
        {"comment_status", "open"},
        {"ping_status", "open"},
        {"sticky", false},
        {"template", ""},
        {"format", "standard"},
        {"meta", Json::array()},
        {"categories", categories},
        {"tags", Json::array()},
        {"_links",
         {{"self", {{{"href", RouteUrl(site, "/wp/v2/posts/" + std::to_string(id), "")}}}}}},
    };
}

Json CategoryJson(const Site& site, int id, const std::string& name, size_t count) {
    const std::string slug = id == kUncategorized ? "uncategorized" : "cat-" + std::to_string(id);
    return Json{
        {"id", id},
        {"count", count},
        {"description", ""},
        {"link", site.home + "/category/" + slug + "/"},
        // Term names are stored with their "&" escaped, and the API hands them out so.
        {"name", Texturized(name, "&amp;")},
        {"slug", slug},
        {"taxonomy", "category"},
        {"parent", 0},
        {"meta", Json::array()},
    };
}

Response JsonAnswer(const Json& body, int status = 200) {
    // As PHP's json_encode writes it: every "/" escaped, everything past ASCII as \uXXXX.
    std::string text = body.dump(-1, ' ', true);
    for (size_t at = text.find('/'); at != std::string::npos; at = text.find('/', at + 2)) {
        text.insert(at, 1, '\\');
    }
    Response response = Response::Text(std::move(text), "application/json; charset=UTF-8");
    response.status = status;
    response.headers.emplace_back("Allow", "GET");
    return response;
}

Response ApiError(const std::string& code, const std::string& message, int status) {
    return JsonAnswer({{"code", code}, {"message", message}, {"data", {{"status", status}}}},
                      status);
}

// One page of a collection, with the headers WordPress sends for it.
Response CollectionPage(const Site& site, const std::string& route, const std::vector<Json>& items,
                        const std::map<std::string, std::string>& params, bool errorPastEnd) {
    const long perPage = params.count("per_page") ? std::atol(params.at("per_page").c_str()) : 10;
    const long page = params.count("page") ? std::atol(params.at("page").c_str()) : 1;
    if (perPage < 1 || perPage > 100) {
        return ApiError("rest_invalid_param", "Invalid parameter(s): per_page", 400);
    }
    if (page < 1) return ApiError("rest_invalid_param", "Invalid parameter(s): page", 400);
    const long total = static_cast<long>(items.size());
    long pages = (total + perPage - 1) / perPage;
    const bool claimsMore = site.options.claimedPages > 0;
    if (errorPastEnd && !claimsMore && page > std::max(pages, 1L)) {
        return ApiError("rest_post_invalid_page_number",
                        "The page number requested is larger than the number of pages available.",
                        400);
    }
    Json body = Json::array();
    if (!claimsMore || page == 1) {
        for (long i = (page - 1) * perPage; i < total && i < page * perPage; ++i) {
            body.push_back(items[static_cast<size_t>(i)]);
        }
    }
    if (claimsMore) pages = site.options.claimedPages;
    Response response = JsonAnswer(body);
    response.headers.emplace_back("X-WP-Total",
                                  std::to_string(claimsMore ? pages * perPage : total));
    response.headers.emplace_back("X-WP-TotalPages", std::to_string(pages));
    const std::string base = "per_page=" + std::to_string(perPage) + "&page=";
    std::string links;
    if (page > 1 && page <= pages + 1) {
        links = "<" + RouteUrl(site, route, base + std::to_string(page - 1)) + ">; rel=\"prev\"";
    }
    if (page < pages) {
        links += (links.empty() ? "" : ", ") + std::string("<") +
                 RouteUrl(site, route, base + std::to_string(page + 1)) + ">; rel=\"next\"";
    }
    if (!links.empty()) response.headers.emplace_back("Link", links);
    return response;
}

std::map<std::string, std::string> QueryParams(const std::string& query) {
    std::map<std::string, std::string> params;
    size_t start = 0;
    while (start < query.size()) {
        size_t end = query.find('&', start);
        if (end == std::string::npos) end = query.size();
        const std::string pair = query.substr(start, end - start);
        const size_t equals = pair.find('=');
        params[PercentDecoded(pair.substr(0, equals))] =
            equals == std::string::npos ? "" : PercentDecoded(pair.substr(equals + 1));
        start = end + 1;
    }
    return params;
}

Response Rest(const Site& site, const std::string& route,
              const std::map<std::string, std::string>& params) {
    const FeedBlog& blog = site.blog;
    if (route == "/" || route.empty()) {
        return JsonAnswer({
            {"name", blog.name},
            {"description", blog.description},
            {"url", site.home},
            {"home", site.home},
            {"gmt_offset", std::to_string(std::atoi(blog.zone.c_str()))},
            {"timezone_string", ""},
            {"namespaces", Json::array({"oembed/1.0", "wp/v2"})},
            {"authentication", Json::object()},
            {"routes",
             {{"/wp/v2/posts", {{"namespace", "wp/v2"}, {"methods", Json::array({"GET"})}}},
              {"/wp/v2/categories", {{"namespace", "wp/v2"}, {"methods", Json::array({"GET"})}}}}},
        });
    }
    if (route == "/wp/v2/posts") {
        // Only published posts are public; asking for others needs a login.
        if (params.count("status") && params.at("status") != "publish") {
            return ApiError("rest_invalid_param", "Invalid parameter(s): status", 400);
        }
        const int only =
            params.count("categories") ? std::atoi(params.at("categories").c_str()) : 0;
        std::vector<Json> posts;
        for (const auto& post : blog.posts) {
            Json json = PostJson(site, post);
            const auto& ids = json["categories"];
            if (only && std::find(ids.begin(), ids.end(), only) == ids.end()) continue;
            posts.push_back(std::move(json));
        }
        return CollectionPage(site, route, posts, params, true);
    }
    if (route == "/wp/v2/categories") {
        std::vector<Json> categories{CategoryJson(site, kUncategorized, "未分类", 0)};
        for (const auto& name : blog.categories) {
            size_t count = 0;
            for (const auto& post : blog.posts) {
                count += std::count(post.categories.begin(), post.categories.end(), name);
            }
            categories.push_back(CategoryJson(site, CategoryId(blog, name), name, count));
        }
        return CollectionPage(site, route, categories, params, false);
    }
    for (const auto& post : blog.posts) {
        if (route == "/wp/v2/posts/" + std::to_string(PostId(post)))
            return JsonAnswer(PostJson(site, post));
    }
    return ApiError("rest_no_route", "No route was found matching the URL and request method.",
                    404);
}

std::string Head(const Site& site, const std::string& title) {
    return "<!DOCTYPE html>\n<html lang=\"zh-CN\"><head><meta charset=\"UTF-8\" />\n<title>" +
           title +
           "</title>\n<meta name=\"generator\" content=\"WordPress 6.4.2\" />\n"
           "<link rel=\"alternate\" type=\"application/rss+xml\" title=\"" +
           XmlText(site.blog.name) + " &raquo; Feed\" href=\"" + site.home +
           (site.options.prettyLinks ? "/feed/" : "/?feed=rss2") +
           "\" />\n<link rel=\"https://api.w.org/\" href=\"" + ApiBase(site) +
           "\" />\n</head>\n<body class=\"home blog\">\n";
}

Response Page(const Site& site, std::string html) {
    Response response = Response::Html(std::move(html));
    response.headers.emplace_back("Link", "<" + ApiBase(site) + ">; rel=\"https://api.w.org/\"");
    return response;
}

Response HomePage(const Site& site) {
    std::string html = Head(site, XmlText(site.blog.name)) + "<main id=\"main\">\n";
    for (size_t i = 0; i < site.blog.posts.size() && i < 10; ++i) {
        const FeedPost& post = site.blog.posts[i];
        html += "<article class=\"post\"><h2 class=\"entry-title\"><a href=\"" +
                WordPressPostUrl(site.blog, post, site.options) + "\">" +
                Texturized(post.title, "&amp;") + "</a></h2></article>\n";
    }
    return Page(site, html + "</main>\n</body></html>\n");
}

Response PostPage(const Site& site, const FeedPost& post) {
    const std::string title = Texturized(post.title, "&amp;");
    const std::string content =
        post.passwordProtected
            ? "<form action=\"" + site.home +
                  "/wp-login.php?action=postpass\" class=\"post-password-form\" method=\"post\">"
                  "<p>这是一篇受密码保护的文章，您需要提供访问密码：</p></form>"
            : post.body;
    return Page(site, Head(site, title + " &#8211; " + XmlText(site.blog.name)) +
                          "<article id=\"post-" + std::to_string(PostId(post)) +
                          "\" class=\"post type-post status-publish\">\n<header "
                          "class=\"entry-header\"><h1 class=\"entry-title\">" +
                          title + "</h1></header>\n<div class=\"entry-content\">\n" + content +
                          "\n</div>\n</article>\n</body></html>\n");
}

// The RSS feed: ten posts a page, times in GMT, the whole text in content:encoded.
Response FeedPage(const Site& site, long page) {
    const FeedBlog& blog = site.blog;
    constexpr long kPerPage = 10;
    const long total = static_cast<long>(blog.posts.size());
    if (page < 1 || (page - 1) * kPerPage >= std::max(total, 1L)) return Response::NotFound();
    const std::string self = site.home + (site.options.prettyLinks ? "/feed/" : "/?feed=rss2");
    std::string xml =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?><rss version=\"2.0\"\n"
        "\txmlns:content=\"http://purl.org/rss/1.0/modules/content/\"\n"
        "\txmlns:wfw=\"http://wellformedweb.org/CommentAPI/\"\n"
        "\txmlns:dc=\"http://purl.org/dc/elements/1.1/\"\n"
        "\txmlns:atom=\"http://www.w3.org/2005/Atom\"\n"
        "\txmlns:sy=\"http://purl.org/rss/1.0/modules/syndication/\"\n"
        "\txmlns:slash=\"http://purl.org/rss/1.0/modules/slash/\"\n\t>\n\n<channel>\n\t<title>" +
        XmlText(blog.name) + "</title>\n\t<atom:link href=\"" + self +
        "\" rel=\"self\" type=\"application/rss+xml\" />\n\t<link>" + site.home +
        "</link>\n\t<description>" + XmlText(blog.description) +
        "</description>\n\t<lastBuildDate>" +
        RssTime(
            ToUtc(blog.posts.empty() ? "2012-12-28 00:00:00" : blog.posts[0].updated, blog.zone),
            "+00:00") +
        "</lastBuildDate>\n\t<language>zh-CN</language>\n\t<generator>https://wordpress.org/"
        "?v=6.4.2</generator>\n";
    for (long i = (page - 1) * kPerPage; i < total && i < page * kPerPage; ++i) {
        const FeedPost& post = blog.posts[static_cast<size_t>(i)];
        const std::string link = WordPressPostUrl(blog, post, site.options);
        xml += "\t<item>\n\t\t<title>" + Texturized(post.title, "&#038;") + "</title>\n\t\t<link>" +
               link + "</link>\n\t\t<dc:creator><![CDATA[mozhou]]></dc:creator>\n\t\t<pubDate>" +
               RssTime(ToUtc(post.published, blog.zone), "+00:00") + "</pubDate>\n";
        for (const auto& category : post.categories) {
            xml += "\t\t<category><![CDATA[" + category + "]]></category>\n";
        }
        xml += "\t\t<guid isPermaLink=\"false\">" + site.home +
               "/?p=" + std::to_string(PostId(post)) + "</guid>\n";
        if (post.passwordProtected) {
            xml +=
                "\t\t<description><![CDATA[无法提供摘要。这是一篇受保护的文章。]]></description>\n"
                "\t\t<content:encoded><![CDATA[<p>这是一篇受密码保护的文章。</p>]]></"
                "content:encoded>\n";
        } else {
            xml += "\t\t<description><![CDATA[" + post.summary +
                   " [&#8230;]]]></description>\n\t\t<content:encoded><![CDATA[" + post.body +
                   "]]></content:encoded>\n";
        }
        xml += "\t</item>\n";
    }
    return Response::Text(xml + "</channel>\n</rss>\n", "application/rss+xml; charset=UTF-8");
}

Response Serve(const Site& site, const Request& request) {
    const auto params = QueryParams(request.query);
    if (site.options.prettyLinks && request.path.rfind("/wp-json", 0) == 0) {
        return Rest(site, request.path.substr(8), params);
    }
    if (params.count("rest_route")) return Rest(site, params.at("rest_route"), params);
    const long paged = params.count("paged") ? std::atol(params.at("paged").c_str()) : 1;
    if (site.options.prettyLinks) {
        if (request.path == "/feed/" || request.path == "/feed") return FeedPage(site, paged);
        for (const auto& post : site.blog.posts) {
            if (request.PathAndQuery() == WordPressPostPath(site.blog, post, site.options))
                return PostPage(site, post);
        }
    } else if (request.path == "/") {
        if (params.count("feed")) return FeedPage(site, paged);
        if (params.count("p")) {
            for (const auto& post : site.blog.posts) {
                if (params.at("p") == std::to_string(PostId(post))) return PostPage(site, post);
            }
        }
    }
    if (request.path == "/" && request.query.empty()) return HomePage(site);
    return Page(site, Head(site, "未找到页面") + "<h1>未找到页面</h1></body></html>\n");
}

}  // namespace

FeedBlog MakeWordPressBlog(const std::string& host) {
    FeedBlogShape shape;
    shape.host = host;
    shape.name = "墨舟的旅行与读书笔记";
    shape.categories = {"旅行札记", "读书笔记", "摄影 & 生活"};
    shape.posts = 105;
    shape.pictureEvery = 20;
    shape.pictureDir = "/wp-content/uploads/2012/12/";
    shape.protectedPost = 3;
    return MakeFeedBlog(shape);
}

std::string WordPressPostPath(const FeedBlog& blog, const FeedPost& post,
                              const WordPressOptions& options) {
    (void)blog;
    if (!options.prettyLinks) return "/?p=" + std::to_string(PostId(post));
    return "/" + post.published.substr(0, 4) + "/" + post.published.substr(5, 2) + "/" +
           post.published.substr(8, 2) + "/" + post.slug + "/";
}

std::string WordPressPostUrl(const FeedBlog& blog, const FeedPost& post,
                             const WordPressOptions& options) {
    return "http://" + blog.host + WordPressPostPath(blog, post, options);
}

std::string AddWordPressBlog(ServiceSimulator& simulator, const FeedBlog& blog,
                             const WordPressOptions& options) {
    auto site = std::make_shared<const Site>(Site{blog, options, "http://" + blog.host});
    for (const auto& post : blog.posts) {
        const std::string page = WordPressPostUrl(blog, post, options);
        RoutePictures(simulator, page, post);
    }
    simulator.RouteHost(blog.host,
                        [site](const Request& request) { return Serve(*site, request); });
    return site->home + "/";
}

}  // namespace pw::sim
