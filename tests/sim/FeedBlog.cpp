#include "sim/FeedBlog.h"

#include <cctype>
#include <cstdio>
#include <ctime>

#include "sim/DemoBlog.h"
#include "sim/DemoPages.h"
#include "sim/ServiceSimulator.h"

namespace pw::sim {

namespace {

std::string FormatTime(time_t seconds) {
    struct tm parts {};
    gmtime_r(&seconds, &parts);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &parts);
    return text;
}

time_t ParseTime(const std::string& text) {
    struct tm parts {};
    std::sscanf(text.c_str(), "%d-%d-%d %d:%d:%d", &parts.tm_year, &parts.tm_mon, &parts.tm_mday,
                &parts.tm_hour, &parts.tm_min, &parts.tm_sec);
    parts.tm_year -= 1900;
    parts.tm_mon -= 1;
    return timegm(&parts);
}

// Pictures the way blog themes write them: a sized picture with its srcset, a
// lazily loaded one behind a placeholder, and one relative to the post's page
// offered in a second format by <picture>.
void AddPictures(FeedPost& post, const std::string& dir, unsigned seed) {
    const std::string n = std::to_string(post.number);
    const std::string big = dir + "p" + n + ".png";
    const std::string small = dir + "p" + n + "-300x200.png";
    const std::string lazy = dir + "q" + n + ".png";
    const std::string beside = "r" + n + ".png";
    const std::string webp = "r" + n + ".webp";
    post.body +=
        "\n<figure class=\"wp-block-image\"><img src=\"" + big + "\" srcset=\"" + small +
        " 300w, " + big +
        " 640w\" sizes=\"(max-width: 640px) 100vw, 640px\" width=\"640\" height=\"400\" "
        "alt=\"\" /></figure>\n<p><img src=\"data:image/gif;base64,R0lGODlhAQABAAAAACw=\" "
        "data-src=\"" +
        lazy +
        "\" class=\"lazyload\" loading=\"lazy\" alt=\"\" /></p>\n<p><picture><source srcset=\"" +
        webp + "\" type=\"image/webp\" /><img src=\"" + beside + "\" alt=\"\" /></picture></p>";
    post.pictures.push_back({big, TinyPng(16, 10, seed)});
    post.pictures.push_back({small, TinyPng(8, 5, seed)});
    post.pictures.push_back({lazy, TinyPng(12, 9, seed + 1)});
    post.pictures.push_back({beside, TinyPng(10, 12, seed + 2)});
    post.pictures.push_back({webp, TinyPng(10, 12, seed + 3)});
}

}  // namespace

FeedBlog MakeFeedBlog(const FeedBlogShape& shape) {
    FeedBlog blog;
    blog.host = shape.host;
    blog.name = shape.name;
    blog.description = "一个人的文字与照片";
    blog.zone = shape.zone;
    blog.categories = shape.categories;
    const time_t newest = ParseTime("2012-12-28 21:30:00");
    for (int i = 0; i < shape.posts; ++i) {
        FeedPost post;
        post.number = shape.posts - i;
        const std::string n = std::to_string(post.number);
        post.slug = "post-" + n;
        if (!blog.categories.empty()) {
            const size_t c = static_cast<size_t>(i) % blog.categories.size();
            post.categories.push_back(blog.categories[c]);
            if (i == 1 && shape.multiCategoryPost && blog.categories.size() > 1) {
                post.categories.push_back(blog.categories[(c + 1) % blog.categories.size()]);
            }
        }
        post.title = i % 10 == 0 ? "第" + n + "篇：猫 & 老鼠’s 故事"
                                 : "第" + n + "篇：" +
                                       (post.categories.empty() ? blog.name : post.categories[0]) +
                                       "的笔记";
        const time_t at = newest - static_cast<time_t>(i) * (7 * 3600 + 13 * 60);
        post.published = FormatTime(at);
        post.updated = FormatTime(at + 600);
        post.summary = "这是第" + n + "篇的开头，天气晴。";
        post.body = "<p>这是第" + n +
                    "篇的正文，天气晴。Tom &amp; Jerry 的故事。</p>\n<p>第二段：文字 " + n +
                    " 号。</p>";
        if (shape.pictureEvery > 0 && i % shape.pictureEvery == 0) {
            AddPictures(post, shape.pictureDir, static_cast<unsigned>(post.number * 5));
        }
        post.passwordProtected = i == shape.protectedPost;
        blog.posts.push_back(post);
    }
    return blog;
}

std::vector<const FeedPost*> PostsIn(const FeedBlog& blog, const std::string& category) {
    std::vector<const FeedPost*> out;
    for (const auto& post : blog.posts) {
        if (post.passwordProtected) continue;
        for (const auto& c : post.categories) {
            if (c == category) out.push_back(&post);
        }
    }
    return out;
}

std::string ResolveRef(const std::string& pageUrl, const std::string& ref) {
    if (ref.find("://") != std::string::npos) return ref;
    const size_t hostStart = pageUrl.find("://") + 3;
    const size_t pathStart = pageUrl.find('/', hostStart);
    const std::string origin = pageUrl.substr(0, pathStart);
    if (ref.rfind("//", 0) == 0) return pageUrl.substr(0, hostStart - 2) + ref;
    if (ref.rfind("/", 0) == 0) return origin + ref;
    std::string path = pathStart == std::string::npos ? "/" : pageUrl.substr(pathStart);
    path = path.substr(0, path.find_first_of("?#"));
    return origin + path.substr(0, path.rfind('/') + 1) + ref;
}

void RoutePictures(ServiceSimulator& simulator, const std::string& pageUrl, const FeedPost& post) {
    for (const auto& picture : post.pictures) {
        const std::string address = ResolveRef(pageUrl, picture.ref);
        const size_t path = address.find('/', 7);
        simulator.Route(address.substr(7, path - 7), address.substr(path),
                        Response::Text(picture.bytes, "image/png"));
    }
}

std::string ToUtc(const std::string& localTime, const std::string& zone) {
    int hours = 0, minutes = 0;
    std::sscanf(zone.c_str() + 1, "%d:%d", &hours, &minutes);
    const time_t offset = (hours * 3600 + minutes * 60) * (zone[0] == '-' ? -1 : 1);
    return FormatTime(ParseTime(localTime) - offset);
}

std::string RssTime(const std::string& localTime, const std::string& zone) {
    const time_t at = ParseTime(localTime);
    struct tm parts {};
    gmtime_r(&at, &parts);
    static const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    char text[64];
    std::snprintf(text, sizeof text, "%s, %02d %s %04d %02d:%02d:%02d %c%c%c%c%c",
                  kDays[parts.tm_wday], parts.tm_mday, kMonths[parts.tm_mon], parts.tm_year + 1900,
                  parts.tm_hour, parts.tm_min, parts.tm_sec, zone[0], zone[1], zone[2], zone[4],
                  zone[5]);
    return text;
}

std::string AtomTime(const std::string& localTime, const std::string& zone) {
    return localTime.substr(0, 10) + "T" + localTime.substr(11) + zone;
}

std::string XmlText(const std::string& text) {
    std::string out;
    for (char c : HtmlText(text)) {
        if (c == '"') {
            out += "&quot;";
        } else {
            out += c;
        }
    }
    return out;
}

std::string PercentDecoded(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() &&
            std::isxdigit(static_cast<unsigned char>(text[i + 1])) &&
            std::isxdigit(static_cast<unsigned char>(text[i + 2]))) {
            out += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

}  // namespace pw::sim
