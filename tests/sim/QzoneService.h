#pragma once
// The Qzone blog CGI as the simulator serves it, in code page 936: the category
// answer with the article count, the title list by num and from, and the
// article answer by blog id, with the articles' pictures.

#include <string>

#include "sim/DemoBlog.h"
#include "sim/ServiceSimulator.h"

namespace pw::sim {

inline constexpr const char* kQzoneCgiHost = "b.qzone.qq.com";

struct QzoneOptions {
    int statedCount = -1;  // the count the category answer states; -1: the real one
};

// Registers the blog under blog.account (a number) on the CGI host; returns the
// address a user would type.
std::string AddQzoneBlog(ServiceSimulator& simulator, const DemoBlog& blog,
                         const QzoneOptions& options = {});

// The pieces of the service, for tests that build their own variants.
std::string QzoneCategoryAnswer(const DemoBlog& blog, int statedCount);
std::string QzoneTitleEntry(const DemoArticle& article);
std::string QzoneTitleList(const std::string& entries);
std::string QzoneArticleAnswer(const DemoArticle& article);

}  // namespace pw::sim
