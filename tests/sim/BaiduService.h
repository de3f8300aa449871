#pragma once
// Baidu Space as the simulator serves it, in code page 936: the blog page with
// its title, the category page, the numbered index pages (the one behind the
// last carries no articles), article pages and their pictures.

#include <string>

#include "sim/DemoBlog.h"
#include "sim/ServiceSimulator.h"

namespace pw::sim {

inline constexpr const char* kBaiduHost = "hi.baidu.com";

// Registers the blog under blog.account with blog.pageSize articles per index
// page; returns the address a user would type.
std::string AddBaiduBlog(ServiceSimulator& simulator, const DemoBlog& blog);

// The pieces of the service, for tests that build their own variants.
std::string BaiduArticleUrl(const DemoBlog& blog, const DemoArticle& article);
std::string BaiduIndexEntry(const DemoBlog& blog, const DemoArticle& article);
// An index page around the given entries (already in code page 936).
std::string BaiduIndexPage(const std::string& entries);

}  // namespace pw::sim
