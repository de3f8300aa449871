#pragma once
// NetEase 163 Blog as the simulator serves it, in code page 936: the blog's home
// page with its userId, the "/blog" page with the category block, the
// remote-call POST answering gzip script text page by page, article pages and
// their pictures.

#include <string>

#include "sim/DemoBlog.h"
#include "sim/ServiceSimulator.h"

namespace pw::sim {

inline constexpr const char* k163Domain = "blog.163.com";
inline constexpr const char* k163Api = "api.blog.163.com";
inline constexpr const char* k163ListPath = "/tarn0925/dwr/call/plaincall/BlogBeanNew.getBlogs.dwr";

struct NetEase163Options {
    std::string userId = "27182818";
    int windowBits = 31;  // 31 gzip, 15 zlib-wrapped
};

// Registers the blog under blog.account; returns the address a user would type.
std::string Add163Blog(ServiceSimulator& simulator, const DemoBlog& blog,
                       const NetEase163Options& options = {});

// The pieces of the service, for tests that build their own variants.
std::string NetEase163ArticleUrl(const DemoBlog& blog, const DemoArticle& article);
// The decompressed remote-call answer for the articles [offset, offset + count).
std::string NetEase163ListAnswer(const DemoBlog& blog, int offset, int count);
// An answer as the service sends it: compressed, with its content headers.
Response NetEase163Answer(const std::string& script, int windowBits = 31);
// "\uXXXX" escapes for everything outside printable ASCII and for quotes.
std::string ScriptEscape(const std::string& utf8);
// Milliseconds since 1970 of "YYYY-MM-DD HH:MM:SS" read as China time (UTC+8).
long long ChinaTimeMillis(const std::string& time);

}  // namespace pw::sim
