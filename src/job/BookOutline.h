#pragma once

#include <string>

#include "book/BookDescription.h"
#include "book/BookFormats.h"
#include "engine/BlogBase.h"
#include "job/ArticleTree.h"
#include "job/TaskPlan.h"

namespace pw {

// The book of the blog's listed and downloaded tree: one entry per tree item
// in pre-order; every entry of an article shows the one page that was made.
BookDescription OutlineBook(const ArticleTree& tree, const TaskPlan& plan, std::string dir,
                            const BlogBase& blog, BookFormats formats);

}  // namespace pw
