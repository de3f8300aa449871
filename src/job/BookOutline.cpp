#include "job/BookOutline.h"

#include <utility>

#include "base/SafeFolderName.h"
#include "engine/ArticleRenderer.h"

namespace pw {

BookDescription OutlineBook(const ArticleTree& tree, const TaskPlan& plan, std::string dir,
                            const BlogBase& blog, BookFormats formats) {
    BookDescription book;
    book.dir = std::move(dir);
    book.name = SafeFolderName(blog.account);
    book.title = blog.blogName;
    book.author = blog.author.empty() ? blog.blogName : blog.author;
    book.language = blog.language;
    book.homeUrl = blog.homeUrl;
    book.formats = formats;
    book.entries.reserve(static_cast<size_t>(tree.Count()));
    for (int item = tree.GetRootItem(); item; item = tree.GetNextItem(item)) {
        TreeEntry entry;
        entry.depth = tree.Depth(item);
        entry.text = tree.GetItemText(item);
        if (const ArticleInfo* listed = tree.GetItemData(item)) {
            entry.article = true;
            const std::string key = ArticleKey(*listed);
            const bool saved = plan.Saved(key);
            // An article without a page leads nowhere in the contents.
            if (saved) entry.fileName = plan.FileName(key);
            const ArticleInfo* made = plan.ArticleOf(key);
            const ArticleInfo& article = made ? *made : *listed;
            entry.title = article.title;
            entry.time = article.time;
            entry.category = article.category;
            entry.url = article.url;
            // Only a saved page begins with the block; for the others it would be
            // half a kilobyte per entry kept for nothing.
            if (saved) entry.heading = ArticleHeading(article);
        }
        book.entries.push_back(std::move(entry));
    }
    return book;
}

}  // namespace pw
