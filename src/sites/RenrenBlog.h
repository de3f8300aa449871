#pragma once

#include <memory>

#include "engine/BlogBase.h"

namespace pw {

// The address test looks for this domain.
inline constexpr const char* kRenrenDomain = "renren.com";
// Serves the profile pages.
inline constexpr const char* kRenrenHomeHost = "www.renren.com";
// Serves the diary list pages.
inline constexpr const char* kRenrenBlogHost = "blog.renren.com";

// Renren diary: the user id from an address's "id=", the name from the profile
// page, one fixed category, the diary list page by page until a page without
// entries; pages arrive in UTF-8.
std::unique_ptr<BlogBase> MakeRenrenBlog(SiteContext& site);

}  // namespace pw
