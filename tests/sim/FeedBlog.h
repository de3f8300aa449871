#pragma once
// A blog described once and served by the simulated feed blogs (WordPress,
// Blogger, an Atom blog, an RSS blog) in their own formats. Unlike DemoBlog a
// post may sit in several categories, times carry the blog's own time zone and
// bodies name their pictures by relative, srcset and lazy-loading addresses, as
// the themes of such blogs write them. Texts are UTF-8.

#include <string>
#include <vector>

namespace pw::sim {

// A picture as the body names it (ref: relative to the post's page, or rooted)
// and the bytes its host serves.
struct FeedPicture {
    std::string ref;
    std::string bytes;
};

struct FeedPost {
    int number = 0;         // 1 for the oldest; WordPress ids and Blogger post ids derive from it
    std::string slug;       // unique within the blog
    std::string title;      // plain text, may hold "&" and typographic quotes
    std::string published;  // local time as the blog writes it, "YYYY-MM-DD HH:MM:SS"
    std::string updated;    // the same form; the last edit
    std::vector<std::string> categories;  // in the blog's order
    std::string body;     // HTML fragment (well-formed XML, so Atom may carry it as xhtml)
    std::string summary;  // plain text, the first words
    bool passwordProtected = false;
    std::vector<FeedPicture> pictures;  // every address the body names that the host serves
};

struct FeedBlog {
    std::string host;
    std::string name;
    std::string description;
    std::string zone = "+08:00";  // the blog's time zone, "+HH:MM" or "-HH:MM"
    std::vector<std::string> categories;
    std::vector<FeedPost> posts;  // newest first
};

struct FeedBlogShape {
    std::string host;
    std::string name = "墨舟的博客";
    std::string zone = "+08:00";
    std::vector<std::string> categories = {"旅行札记", "读书笔记", "家常菜谱"};
    int posts = 12;
    int pictureEvery = 4;  // every that many posts has pictures (0: none)
    std::string pictureDir = "/images/";
    bool multiCategoryPost = true;  // the second newest post also sits in the next category
    int protectedPost = -1;         // index (newest first) of a password-protected post
};

FeedBlog MakeFeedBlog(const FeedBlogShape& shape);

// Public posts of one category, newest first.
std::vector<const FeedPost*> PostsIn(const FeedBlog& blog, const std::string& category);

// The absolute address ref names on a page at pageUrl ("http://host/path?query").
std::string ResolveRef(const std::string& pageUrl, const std::string& ref);

class ServiceSimulator;

// Serves the post's pictures where its page at pageUrl names them.
void RoutePictures(ServiceSimulator& simulator, const std::string& pageUrl, const FeedPost& post);

// "YYYY-MM-DD HH:MM:SS" in the zone, shifted to UTC, in the same form.
std::string ToUtc(const std::string& localTime, const std::string& zone);

// The time as RSS writes it: "Fri, 28 Dec 2012 21:30:00 +0800".
std::string RssTime(const std::string& localTime, const std::string& zone);

// The time as Atom writes it: "2012-12-28T21:30:00+08:00".
std::string AtomTime(const std::string& localTime, const std::string& zone);

// Text for XML and HTML: "&", "<", ">" and '"' as entities.
std::string XmlText(const std::string& text);

// Percent escapes decoded ("%2F" -> "/", "+" kept).
std::string PercentDecoded(const std::string& text);

}  // namespace pw::sim
