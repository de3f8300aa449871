#include "job/ArticleListing.h"

#include "base/Text.h"

namespace pw {

namespace {

// Cuts a text to at most max bytes without splitting a character.
void Bound(std::string& text, size_t max) {
    text.resize(Utf8Prefix(text, max));
}

// No real title, category, time or address comes near these sizes; a page that
// sends larger ones would only make the tree and every copy of it huge.
ArticleInfo Bounded(ArticleInfo article) {
    Bound(article.title, 1024);
    Bound(article.category, 1024);
    Bound(article.time, 256);
    Bound(article.url, 4096);
    Bound(article.id, 256);
    return article;
}

}  // namespace

void ArticleListing::AddBlog(const std::string& blogName) {
    blog_ = tree_.InsertItem(0, blogName, TreeItemKind::Blog);
}

void ArticleListing::AddCategory(const std::string& name) {
    const int item = tree_.InsertItem(blog_, name, TreeItemKind::Category);
    categories_.emplace(name, item);
}

int ArticleListing::CategoryItem(const std::string& name) {
    if (const auto found = categories_.find(name); found != categories_.end()) {
        return found->second;
    }
    const int item = tree_.InsertItem(blog_, name, TreeItemKind::Category);
    categories_.emplace(name, item);
    return item;
}

void ArticleListing::AddArticle(const ArticleInfo& listed) {
    ArticleInfo article = Bounded(listed);
    const int item =
        tree_.InsertItem(CategoryItem(article.category), article.title, TreeItemKind::Article);
    if (!item) return;
    articles_.push_back(std::move(article));
    tree_.SetItemData(item, &articles_.back());
}

}  // namespace pw
