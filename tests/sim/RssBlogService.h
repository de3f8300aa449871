#pragma once
// A blog whose RSS 2.0 feed carries summaries only (description, no
// content:encoded, no categories), at one of the usual names (/index.xml) that
// its home page does not name. The text is on the post pages, inside <article>
// or <div class="entry-content"> between a header and a sidebar with pictures of
// their own; one post page has neither container.

#include <string>

#include "sim/FeedBlog.h"
#include "sim/ServiceSimulator.h"

namespace pw::sim {

inline constexpr const char* kRssHost = "rss.pagewell.test";

// 9 posts in UTC+9 without categories; kRssBarePost's page has no container.
FeedBlog MakeRssBlog();
inline constexpr size_t kRssBarePost = 4;

// Registers the blog; returns its home address.
std::string AddRssBlog(ServiceSimulator& simulator, const FeedBlog& blog);

std::string RssPostUrl(const FeedBlog& blog, const FeedPost& post);

}  // namespace pw::sim
