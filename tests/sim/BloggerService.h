#pragma once
// A Blogger blog as the simulator serves it: the home page naming Blogger and
// its feeds, the posts feed /feeds/posts/default paged by start-index and
// max-results (25 by default, at most 150 a page, as Blogger gives) with
// openSearch counts and labels as categories, the same feed under
// www.blogger.com where its next links point, post pages, and pictures on
// Blogger's picture host.

#include <string>

#include "sim/FeedBlog.h"
#include "sim/ServiceSimulator.h"

namespace pw::sim {

inline constexpr const char* kBloggerHost = "mozhou.blogspot.com";
inline constexpr const char* kBloggerPictureHost = "1.bp.blogspot.com";

// 160 labelled posts (more than one page of the feed), the second newest under
// two labels, times in UTC-8.
FeedBlog MakeBloggerBlog();

// Registers the blog; returns its home address.
std::string AddBloggerBlog(ServiceSimulator& simulator, const FeedBlog& blog);

// The post's page, "http://host/YYYY/MM/slug.html".
std::string BloggerPostUrl(const FeedBlog& blog, const FeedPost& post);

}  // namespace pw::sim
