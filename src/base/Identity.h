#pragma once
// The program's identity. Texts are UTF-8 here; callers convert with Gbk() where
// the code page 936 form is needed.

namespace pw {

inline constexpr const char* kProgramName = "Pagewell";
inline constexpr const char* kProductNameUtf8 = "墨舟博客文章下载器";
inline constexpr const char* kVersion = "1.0";
inline constexpr const char* kUpdateFileUrl = "https://pagewell.example.org/update/pagewell.txt";
inline constexpr const char* kHelpPageUrl = "http://pagewell.example.org/help.html";
inline constexpr const char* kSiteUrl = "http://pagewell.example.org/";
inline constexpr const char* kShopUrl = "http://pagewell.example.org/shop.html";
inline constexpr const char* kFirstTabTitleUtf8 = "快速登陆页面";
inline constexpr const char* kReadmePage = "readme.html";

}  // namespace pw
