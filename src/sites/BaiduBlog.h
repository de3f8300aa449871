#pragma once

#include <memory>

#include "engine/BlogBase.h"

namespace pw {

// Every Baidu Space blog is the first path segment on this host.
inline constexpr const char* kBaiduSpaceHost = "hi.baidu.com";

// Baidu Space: name from the page title, categories from the blog's "/blog"
// page, the article list from the numbered index pages, bodies from the
// article pages; all in code page 936. The first engine asked for an address.
std::unique_ptr<BlogBase> MakeBaiduBlog(SiteContext& site);

}  // namespace pw
