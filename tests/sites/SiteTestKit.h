#pragma once
// What the engine tests share: an engine's test site behind the service
// simulator, the listed articles as UTF-8, the page files an engine writes, and
// a fixed China time zone for the services' publish times.

#include <gtest/gtest.h>
#include <time.h>

#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "base/Encoding.h"
#include "engine/ArticleInfo.h"
#include "engine/BlogBase.h"
#include "sim/ServiceSimulator.h"
#include "support/ScopedEnv.h"
#include "support/ScopedProxy.h"
#include "support/TestSite.h"

namespace pw::sitetest {

struct Listed {
    std::string id, title, url, category, time;
    bool operator==(const Listed&) const = default;
};

inline Listed AsListed(const ArticleInfo& article) {
    return {article.id, article.title, article.url, article.category, article.time};
}

// Everything the engine lists; with a limit, the callback ends the listing
// once it has that many.
inline std::vector<Listed> ListAll(BlogBase& engine, size_t limit = SIZE_MAX) {
    std::vector<Listed> listed;
    engine.ListArticles([&](const ArticleInfo& article) {
        listed.push_back(AsListed(article));
        return listed.size() < limit;
    });
    return listed;
}

inline std::vector<std::string> Titles(const std::vector<Listed>& listed) {
    std::vector<std::string> titles;
    for (const auto& l : listed) titles.push_back(l.title);
    return titles;
}

inline std::vector<std::string> Utf8List(const std::vector<std::string>& list) {
    std::vector<std::string> out;
    for (const auto& item : list) out.push_back(item);
    return out;
}

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// The record the job hands DownloadArticle: the page to fetch and where its
// file goes.
inline ArticleInfo ArticleAt(const std::string& url, const std::string& localPath) {
    ArticleInfo article;
    article.url = url;
    article.localPath = localPath;
    article.fileName = localPath.substr(localPath.rfind('/') + 1);
    return article;
}

// The simulator, the proxy to it and the site the engine works for, in the
// order they must come up.
class EngineTest : public ::testing::Test {
protected:
    sim::ServiceSimulator simulator;
    test::ScopedProxy proxy{simulator};
    test::TestSite site;
};

// Local time is UTC+8 while it lives.
class ChinaTimeZone {
public:
    ChinaTimeZone() : env_(std::make_unique<test::ScopedEnv>()) {
        env_->Set("TZ", "CST-8");
        tzset();
    }
    ~ChinaTimeZone() {
        env_.reset();
        tzset();
    }

private:
    std::unique_ptr<test::ScopedEnv> env_;
};

}  // namespace pw::sitetest
