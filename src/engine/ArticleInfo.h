#pragma once

#include <functional>
#include <string>

namespace pw {

// One article as an engine lists it; the job keeps a copy per listed article.
struct ArticleInfo {
    std::string id;
    std::string title;
    std::string extra;
    std::string url;
    std::string category;
    std::string time;
    std::string localPath;  // set by the job before DownloadArticle
    std::string fileName;   // the same page relative to the job folder ("7.html")
};

// Called once per listed article; the record is valid only during the call.
// Returning false ends the listing (the job was stopped, or has enough).
using ArticleCallback = std::function<bool(const ArticleInfo& article)>;

// What names one article for the job: an article listed twice (in two
// categories, say) has one key and is fetched once.
inline std::string ArticleKey(const ArticleInfo& article) {
    return article.id.empty() ? article.url : article.url + "#" + article.id;
}

}  // namespace pw
