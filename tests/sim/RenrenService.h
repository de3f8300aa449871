#pragma once
// Renren as the simulator serves it, in UTF-8: the profile page with the user's
// name, the diary list pages (the one behind the last holds no entries), diary
// pages and their pictures.

#include <string>

#include "sim/DemoBlog.h"
#include "sim/ServiceSimulator.h"

namespace pw::sim {

inline constexpr const char* kRenrenHome = "www.renren.com";
inline constexpr const char* kRenrenBlog = "blog.renren.com";

// Registers the diary of user blog.account (a number) with blog.pageSize
// entries per list page; returns the address a user would type.
std::string AddRenrenBlog(ServiceSimulator& simulator, const DemoBlog& blog);

// The pieces of the service, for tests that build their own variants.
std::string RenrenListPath(const std::string& userId, int page);
std::string RenrenDiaryUrl(const DemoBlog& blog, const DemoArticle& article);
std::string RenrenListEntry(const DemoBlog& blog, const DemoArticle& article);
std::string RenrenListPage(const std::string& entries);

}  // namespace pw::sim
