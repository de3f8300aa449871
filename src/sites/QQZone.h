#pragma once

#include <memory>

#include "engine/BlogBase.h"

namespace pw {

// Every account has its own host under this domain.
inline constexpr const char* kQzoneDomain = "qzone.qq.com";
// Addresses on this host carry the account as their first path segment.
inline constexpr const char* kQzoneUserHost = "user.qzone.qq.com";
// Answers the blog CGI requests.
inline constexpr const char* kQzoneBlogCgiHost = "b.qzone.qq.com";
// The hosts the CGI requests name as their styledm, imgdm and bdm values.
inline constexpr const char* kQzoneStyleHost = "ctc.qzonestyle.gtimg.cn";
inline constexpr const char* kQzoneImageHost = "ctc.qzs.qq.com";
inline constexpr const char* kQzoneBlogHost = "b.qzone.qq.com";

// Qzone blog: the account from the address alone, the article count and
// category names from the category CGI, the title list fifteen articles at a
// time, each body from its own CGI request; answers are used as delivered.
std::unique_ptr<BlogBase> MakeQQZone(SiteContext& site);

}  // namespace pw
