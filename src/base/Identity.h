#pragma once
// The program's identity.

#ifndef PAGEWELL_UPDATE_URL
#define PAGEWELL_UPDATE_URL ""
#endif
#ifndef PAGEWELL_HELP_URL
#define PAGEWELL_HELP_URL ""
#endif
#ifndef PAGEWELL_SITE_URL
#define PAGEWELL_SITE_URL ""
#endif
#ifndef PAGEWELL_SHOP_URL
#define PAGEWELL_SHOP_URL ""
#endif

namespace pw {

inline constexpr const char* kProgramName = "Pagewell";
inline constexpr const char* kProductNameUtf8 = "墨舟博客文章下载器";
inline constexpr const char* kVersion = "1.0";
// The maker's addresses come from the build (CMake cache variables
// PAGEWELL_UPDATE_URL, PAGEWELL_HELP_URL, PAGEWELL_SITE_URL, PAGEWELL_SHOP_URL).
// Empty, as in the distribution's package, means there is none: no update
// check, the help page installed with the program, no site or shop links.
inline constexpr const char* kUpdateFileUrl = PAGEWELL_UPDATE_URL;
inline constexpr const char* kHelpPageUrl = PAGEWELL_HELP_URL;
inline constexpr const char* kSiteUrl = PAGEWELL_SITE_URL;
inline constexpr const char* kShopUrl = PAGEWELL_SHOP_URL;
inline constexpr const char* kFirstTabTitleUtf8 = "快速登陆页面";
inline constexpr const char* kReadmePage = "readme.html";
// The help page installed with the program.
inline constexpr const char* kHelpPage = "help.html";

}  // namespace pw
