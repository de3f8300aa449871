#pragma once
// A blog's HTML pages, read with libxml2's forgiving HTML parser (no network):
// the element of a post's page that holds the post, for feeds that give only
// summaries, and the few things a home page says about its blog.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pw {

// The markup inside the page's post: its <article> element's
// .entry-content / .post-content / .content, else the <article> itself, else
// the first .entry-content or .post-content anywhere. nullopt when the page
// has none of them.
std::optional<std::string> PostBody(std::string_view html);

// A fetched page as UTF-8: pages the answer or their markup declare in one
// of the Chinese code pages (GB2312, GBK, GB18030) are converted, every other
// page is taken as UTF-8.
std::string PageAsUtf8(std::string bytes, const std::string& contentType);

// What a blog's home page says of the blog in its markup.
struct PageFacts {
    std::string language;            // <html lang>
    std::string apiRoot;             // <link rel="https://api.w.org/" href>
    std::vector<std::string> feeds;  // <link rel="alternate"> of Atom and RSS, absolute
    bool blogger = false;            // <meta name="generator" content="Blogger">
};
PageFacts ReadPageFacts(std::string_view html, const std::string& address);

}  // namespace pw
