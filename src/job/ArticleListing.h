#pragma once
// What the listing of a blog collects: the tree of blog, categories and
// articles, and the article records the tree's items point at. Categories are
// found by name (the first item of a name wins); an article of a category not
// named before gets a new category item. Built by the job's thread only.

#include <deque>
#include <map>
#include <string>

#include "engine/ArticleInfo.h"
#include "job/ArticleTree.h"

namespace pw {

class ArticleListing {
public:
    ArticleTree& Tree() { return tree_; }
    const ArticleTree& Tree() const { return tree_; }

    // The top item, the blog; called once before the rest.
    void AddBlog(const std::string& blogName);
    // A category the blog names; each gets its item, even a name given twice.
    void AddCategory(const std::string& name);
    void ExpandBlog() { tree_.Expand(blog_); }
    // A copy of the article, its texts cut to sane sizes, under its category.
    void AddArticle(const ArticleInfo& listed);
    int ArticleCount() const { return static_cast<int>(articles_.size()); }

private:
    int CategoryItem(const std::string& name);

    ArticleTree tree_;
    std::deque<ArticleInfo> articles_;  // the tree's records, in listing order
    std::map<std::string, int> categories_;
    int blog_ = 0;
};

}  // namespace pw
