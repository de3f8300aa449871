#pragma once
// A WordPress site as the simulator serves it: the home page announcing its REST
// API (Link header and <link rel="https://api.w.org/">), the API's index, posts
// and categories (paged, with X-WP-Total and X-WP-TotalPages), the post pages,
// the RSS feed at /feed/ with ?paged=N, and the uploaded pictures. With pretty
// links off the API answers only at ?rest_route= (announced as
// /index.php?rest_route=/) and posts live at ?p=ID.

#include <string>

#include "sim/FeedBlog.h"
#include "sim/ServiceSimulator.h"

namespace pw::sim {

inline constexpr const char* kWordPressHost = "wp.pagewell.test";
inline constexpr const char* kPlainWordPressHost = "plainwp.pagewell.test";

struct WordPressOptions {
    bool prettyLinks = true;
    // > 0: the API claims this many pages of posts and of categories, and every
    // page after the first is empty, as a broken caching plugin makes it.
    long claimedPages = 0;
};

// A WordPress-shaped blog of 105 posts (more than a page of the API) on host,
// one password-protected, the second newest in two categories.
FeedBlog MakeWordPressBlog(const std::string& host);

// Registers the site (the host's fallback route); returns its home address.
std::string AddWordPressBlog(ServiceSimulator& simulator, const FeedBlog& blog,
                             const WordPressOptions& options = {});

// The post's permalink, and its path and query as the simulator sees them.
std::string WordPressPostUrl(const FeedBlog& blog, const FeedPost& post,
                             const WordPressOptions& options = {});
std::string WordPressPostPath(const FeedBlog& blog, const FeedPost& post,
                              const WordPressOptions& options = {});

}  // namespace pw::sim
