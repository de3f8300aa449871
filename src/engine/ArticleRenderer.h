#pragma once
// Turns an article body into the job's local page: the heading block, then the
// body with its pictures fetched into the job's picture folder.

#include <string>

#include "engine/ArticleInfo.h"

namespace pw {

class PictureStore;

// Writes article.strLocalPath (CRLF line ends, code page 936): the heading
// block, then the body as the service sent it, with each picture address the
// scan finds rewritten to its local copy ("img/NAME"). A null store leaves
// pictures remote. False when the page could not be written.
bool RenderArticlePage(std::string body, const ArticleInfo& article, PictureStore* store);

// The heading block with the article's title, time, category and address.
std::string ArticleHeading(const ArticleInfo& article);

}  // namespace pw
