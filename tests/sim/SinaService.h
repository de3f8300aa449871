#pragma once
// Sina Blog as the simulator serves it: the blog page with its uid, the paged
// article lists per category, article pages and their pictures, all in UTF-8.

#include <string>

#include "sim/DemoBlog.h"
#include "sim/ServiceSimulator.h"

namespace pw::sim {

inline constexpr const char* kSinaHost = "blog.sina.com.cn";

struct SinaOptions {
    std::string blogPath = {};   // the blog page's path; default "/" + account
    bool lazyPictures = true;    // placeholder src with real_src, as Sina's pages do
    bool shareUpEnding = false;  // end bodies with the share block, not the comment
    int delayMs = 0;             // added to every article page
};

// Registers the blog; returns the address a user would type.
std::string AddSinaBlog(ServiceSimulator& simulator, const DemoBlog& blog,
                        const SinaOptions& options = {});

// A blog whose list never ends: every page of 全部博文 names perPage new
// articles and promises a next page, and every article page is missing (404).
// Only the blog's account and name are used. Takes the host's fallback route.
std::string AddEndlessSinaBlog(ServiceSimulator& simulator, const DemoBlog& blog, int perPage,
                               const std::string& blogPath);

// The pieces of Sina's pages, for tests that build hostile variants.
std::string SinaArticleUrl(const DemoArticle& article);
std::string SinaListPage(const DemoBlog& blog, int category, int page);
std::string SinaArticlePage(const DemoArticle& article, const SinaOptions& options);

}  // namespace pw::sim
