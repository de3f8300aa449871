#pragma once

#include <memory>

#include "engine/BlogBase.h"

namespace pw {

// A blog's host is the account, a dot and this domain.
inline constexpr const char* k163BlogDomain = "blog.163.com";
// The remote-call interface that lists a blog's articles.
inline constexpr const char* k163ApiHost = "api.blog.163.com";

// NetEase 163 Blog: name and user id from the blog's home page, categories from
// its "/blog" page, the article list from the remote-call interface (a POST
// answered with compressed script text), bodies from the article pages; all in
// code page 936.
std::unique_ptr<BlogBase> MakeNetEase163Blog(SiteContext& site);

}  // namespace pw
