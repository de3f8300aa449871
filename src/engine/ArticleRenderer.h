#pragma once
// Turns an article body into the job's local page: the heading block, then the
// body with its pictures fetched into the job's img folder.

#include <cstdint>
#include <string>

#include "engine/ArticleInfo.h"

namespace pw {

// Largest picture the job keeps; a larger one keeps its remote address.
inline constexpr size_t kMaxPictureBytes = 20u * 1024 * 1024;
// Picture bytes one job keeps at most; later pictures keep their remote addresses.
inline constexpr uint64_t kMaxPictureBytesPerJob = 2ull * 1024 * 1024 * 1024;
// Pictures fetched per article at most; the rest keep their remote addresses.
inline constexpr int kMaxPicturesPerArticle = 500;

// Writes article->strLocalPath (CRLF line ends, code page 936). The body is lowered
// and its picture addresses rewritten to "img/NAME" in place. imageDir is the
// job's picture folder (ending in "/"); an empty imageDir leaves pictures remote.
void RenderArticlePage(std::string& body, const ArticleInfo* article, const std::string& imageDir);

// The heading block with the article's title, time, category and address.
std::string ArticleHeading(const ArticleInfo& article);

}  // namespace pw
