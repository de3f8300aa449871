#pragma once
// What the engine tests share: the listed articles as UTF-8, the page files an
// engine writes, and a fixed China time zone for the services' publish times.

#include <time.h>

#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "engine/ArticleInfo.h"
#include "engine/BlogBase.h"
#include "base/Encoding.h"
#include "support/ScopedEnv.h"

namespace pw::sitetest {

struct Listed {
    std::string id, title, url, category, time;
    bool operator==(const Listed&) const = default;
};

inline int Collect(ArticleInfo* article, void* list) {
    static_cast<std::vector<Listed>*>(list)->push_back(
        {article->strId, ToUtf8(article->strTitle), article->strUrl, ToUtf8(article->strCategory),
         ToUtf8(article->strTime)});
    return 0;
}

inline std::vector<Listed> ListAll(CBlogBase& engine) {
    std::vector<Listed> listed;
    engine.ListArticles(Collect, &listed);
    return listed;
}

inline std::vector<std::string> Titles(const std::vector<Listed>& listed) {
    std::vector<std::string> titles;
    for (const auto& l : listed) titles.push_back(l.title);
    return titles;
}

inline std::vector<std::string> Utf8List(const CStringList& list) {
    std::vector<std::string> out;
    for (const auto& item : list) out.push_back(ToUtf8(item));
    return out;
}

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

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
