#pragma once

#include <string>

#include "book/BookDescription.h"
#include "book/BookFormats.h"
#include "job/ArticleTree.h"
#include "job/TaskPlan.h"

namespace pw {

// The book of a listed and downloaded tree: one entry per tree item in
// pre-order; every entry of an article shows the one page that was made.
BookDescription OutlineBook(const ArticleTree& tree, const TaskPlan& plan, std::string dir,
                            const std::string& account, std::string blogName, std::string homeUrl,
                            BookFormats formats);

}  // namespace pw
