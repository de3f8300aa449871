#pragma once

#include <memory>

#include "engine/BlogBase.h"

namespace pw {

inline constexpr const char* kSinaBlogHost = "blog.sina.com.cn";

// Sina Blog: the uid from the blog's page, the categories and the article lists
// from the paged article list pages; pages arrive in UTF-8.
std::unique_ptr<BlogBase> MakeSinaBlog(SiteContext& site);

}  // namespace pw
