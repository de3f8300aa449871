#pragma once
// Turns an article body into the job's local page: a whole HTML document with
// the code page declaration and the title, the heading block, then the body with its pictures
// fetched into the job's picture folder.

#include <string>
#include <string_view>
#include <vector>

#include "engine/ArticleInfo.h"
#include "engine/PictureFailure.h"

namespace pw {

class PictureStore;

// Writes article.localPath (CRLF line ends, code page 936 with numeric
// references for the characters it lacks, see ToAnsiMarkup) as a WholePage
// titled with the article's title: the heading block, then the body as the
// service sent it (letter case kept) but without active content (see
// WithoutActiveContent), and with each picture address the scan finds
// rewritten to its local copy ("img/NAME"). A null store leaves pictures
// remote. Interrupted when the job stopped while a picture was being fetched:
// no page is written, so the article is fetched again later. failedPictures,
// when given, receives the pictures that stayed remote and why.
enum class PageWrite { Written, Failed, Interrupted };
PageWrite RenderArticlePage(std::string_view body, const ArticleInfo& article, PictureStore* store,
                            std::vector<PictureFailure>* failedPictures = nullptr);

// The heading block with the article's title, time, category and address, each
// escaped for HTML (see EscapeHtml); an address that would run script is no
// link target. The book recognises a page's heading by this text.
std::string ArticleHeading(const ArticleInfo& article);

}  // namespace pw
